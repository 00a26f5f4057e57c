int VantorelMain(int, char**) { return 0; }
