// The direct-netplay words (see direct_net_state.h).
#include "directnet/direct_net_state.h"

int32_t g_DirectNetMode = 0;
int32_t g_NetworkMatch = 0;
int32_t g_DirectNetSession = 0;
