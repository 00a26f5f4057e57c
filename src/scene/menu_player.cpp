// Who drives the menus.
#include "scene/menu_player.h"

int32_t g_MenuPlayer = 0;
