// Direct netplay as the spine calls it. No direct-netplay connection is ever opened in this
// build: the settings-file steps are hooks for the direct-netplay layer, the connection poll has
// nothing to do.
#pragma once

void LoadNetConnectFile();
void SaveNetConnectFile();
// 1 when there is nothing to do or the sequence goes on; 0 when it finished or failed.
int UpdateNetVSConnection();
// Closes the matching-server and peer sockets (nothing to do when never started).
void ShutdownDirectNet();
