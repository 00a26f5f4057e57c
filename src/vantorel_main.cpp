// The game executable: only the process entry.
int VantorelMain(int argc, char** argv);

int main(int argc, char** argv) { return VantorelMain(argc, argv); }
