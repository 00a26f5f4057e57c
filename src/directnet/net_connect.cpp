// Direct-netplay hooks of the spine.
#include "directnet/net_connect.h"

void LoadNetConnectFile() {}
void SaveNetConnectFile() {}
int UpdateNetVSConnection() { return 1; }
void ShutdownDirectNet() {}
