// The device layer seen from the program's spine (app/app_services.h): its device request,
// presentation parameters and cooperative level, converted to and from the device layer's own.
#pragma once

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "app/app_services.h"

DeviceRequest DeviceRequestFromSpine(const vt::DeviceRequest& request);
vt::PresentParams SpinePresentParams(const D3DPresentParameters& params);
// The spine's changes laid over the stored parameters (fields the spine does not know are kept).
D3DPresentParameters PresentParamsFromSpine(const vt::PresentParams& spine, const D3DPresentParameters& base);
vt::CooperativeLevel SpineCooperativeLevel();
// Start-up step: the display aspect pair into the device manager, then a clear to colour 0 (a
// no-op for GL off the rendering thread).
void SetDisplayAspectAndClear(float aspectW, float aspectH);
