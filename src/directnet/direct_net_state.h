// The direct-netplay words the rest of the game reads: the mode that would open the sockets,
// the network-match flag and the running session. No code of this build sets them, so they stay
// 0 and no direct-netplay versus session ever runs.
#pragma once

#include <cstdint>

extern int32_t g_DirectNetMode;
extern int32_t g_NetworkMatch;
extern int32_t g_DirectNetSession;
