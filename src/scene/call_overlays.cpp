// The round, fight, KO and winner call overlays.
#include "scene/call_overlays.h"

void InstallCallOverlays() {}

void LoadKoEffectGraphics() {}
void FreeKoEffectGraphics() {}
