// The scenes' one list of installs.
#include "scene/scene_wiring.h"

#include "scene/scene_frame.h"

void InstallSceneWiring() {
  ClearSceneTable();
  // Each scene module adds its installer here.
}
