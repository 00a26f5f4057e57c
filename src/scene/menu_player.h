// Who drives the menus: the side index in local modes, 1 << side in network mode. The mode
// starters set it; the window menus copy it as their acting-player mask when they are reset.
#pragma once
#include <cstdint>

extern int32_t g_MenuPlayer;
