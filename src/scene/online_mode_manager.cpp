// The installed online-mode manager.
#include "scene/online_mode_manager.h"

namespace {
OfflineModeManager g_offline;
OnlineModeManager* g_manager = &g_offline;
}  // namespace

OnlineModeManager& GetOnlineModeManager() { return *g_manager; }
void SetOnlineModeManager(OnlineModeManager* manager) {
  g_manager = manager != nullptr ? manager : &g_offline;
}
