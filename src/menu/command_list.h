// The command list: both characters' moves, shown from the pause and training menus.
#pragma once

#include <cstdint>

// Set to 1 to open the command list on the next UpdateCommandList.
extern int32_t g_CommandListRequested;

// One frame of the command list for the player whose pad drives it: above 0 while it runs.
int UpdateCommandList(int player);
