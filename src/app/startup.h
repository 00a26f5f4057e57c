// Start-up and shutdown: the ordered steps that bring the program up before the first frame
// and release everything after the last one.
#pragma once

#include "app/app_services.h"

bool InitGraphicsSystem();
bool RunStartUpDialog();
bool CheckVideoCardShaderModel();
vt::DeviceRequest BuildDeviceRequest();
bool InitAppResources();
int LoadGameDataSet();
int LoadCommonResources();
void ShutdownApplication();
