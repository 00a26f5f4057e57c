// The lobby service executable: only the process entry.
#include "lobbyd/lobbyd_main.h"

int main(int argc, char** argv) { return vt::lobbyd::LobbydMain(argc, argv); }
