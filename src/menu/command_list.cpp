#include "menu/command_list.h"

int32_t g_CommandListRequested;

int UpdateCommandList(int) { return 0; }
