// The default services: each calls the subsystem that does the work. A subsystem that does not
// exist yet leaves its hook empty (it does nothing and claims nothing).
#include "app/app_services.h"

#include "FilePacFunc/FilePac.h"
#include "app/app_config.h"
#include "app/app_state.h"
#include "app/random.h"
#include "app/save_data.h"
#include "app/startup.h"
#include "app/text_list.h"
#include "directnet/net_connect.h"
#include "online/online_client.h"
#include "scene/scene_frame.h"

namespace vt {

static AppServices g_defaultServices;
static AppServices* g_services = &g_defaultServices;

AppServices& Services() { return *g_services; }
void SetServices(AppServices* services) { g_services = services != nullptr ? services : &g_defaultServices; }

bool AppServices::InitOnlineClient() { return OnlineClientInit(); }
void AppServices::InstallOnlineWarningHook() {}
void AppServices::SetCreditsStartupFlag() {}

bool AppServices::InitInputManager(SDL_Window*) { return true; }
void AppServices::ResetJoystickButtonMaps() {}
bool AppServices::InitD3DTools() { return true; }
void AppServices::InitGrpManager() {}
bool AppServices::MountPackFiles() { return ::MountPackFiles(); }
void AppServices::LoadNetConnectFile() { ::LoadNetConnectFile(); }
bool AppServices::GetShaderModel3(std::string*) { return true; }
bool AppServices::RunStartUpDialogPages() { return true; }
void AppServices::SaveNetConnectFile() { ::SaveNetConnectFile(); }
bool AppServices::CreateD3DDevice(const DeviceRequest&) { return true; }
void AppServices::SetAspectAndClear(float, float) {}

void AppServices::ResetCredits() {}
void AppServices::ResetFrameRateCounters() { ::ResetFrameRateCounters(); }
void AppServices::InitOnlineSystem() { ::InitOnlineSystem(); }
void AppServices::CreateOnlineModeManager() {}
void AppServices::LoadRankingTexture() {}
void AppServices::SetEmbeddedSpritePixels() {}
void AppServices::LoadDebugIni() { LoadDebugConfig(); }
void AppServices::SeedRandomGenerators() { ::SeedRandomGenerators(); }
bool AppServices::CreateFrameRenderTargets() { return true; }
void AppServices::CreateAchievementUnlocker() {}
void AppServices::LoadSaveDataAndTexts() {
  LoadPlayData();
  LoadGameData();
  LoadGameText();
  CheckScoreTableAtStartup();  // keeps the play-time base; resets and saves a damaged score table
  StartRunPlayTimer();
}
void AppServices::InitSound() {}
void AppServices::SavePlayData() { ::SavePlayData(); }
void AppServices::FreeCharacterData() {}
void AppServices::LoadCommonResources() {}
void AppServices::SetFirstScene() { ::SetFirstScene(); }

void AppServices::OnLogicThreadStart() {}
void AppServices::PollInput() {}
bool AppServices::IsQuitRequested() { return false; }
void AppServices::UpdateCredits() {}
void AppServices::ResetMainDrawList() {}
void AppServices::RunOnlineTaskList(int list) { ::RunOnlineTaskList(list); }
int AppServices::UpdateSceneFrame(int continueFlag) { return ::UpdateSceneFrame(continueFlag); }
void AppServices::DrawSceneFrame() { ::DrawSceneFrame(); }
void AppServices::MarkSceneRunDone() { g_SceneIdRun = 0xFFFF; }
void AppServices::AgeSpriteCache() {}
void AppServices::ReleaseEffectTags() {}
void AppServices::FlushAchievements() { ::FlushAchievements(); }
void AppServices::RunOnlineCallbacks() { OnlineClientRunCallbacks(); }
void AppServices::OnLogicThreadEnd() {}

bool AppServices::HasDevice() { return false; }
CooperativeLevel AppServices::TestCooperativeLevel() { return CooperativeLevel::Ok; }
PresentParams AppServices::GetPresentParameters() {
  PresentParams p;
  p.window = g_MainWindow;
  p.windowed = g_AppConfig.Windowed != 0;
  p.backBufferWidth = g_AppConfig.ScreenW;
  p.backBufferHeight = g_AppConfig.ScreenH;
  return p;
}
void AppServices::SetPendingPresentParameters(const PresentParams&) {}
void AppServices::LoseEffects() {}
void AppServices::ReleaseDefaultPoolTextures() {}
bool AppServices::ResetDevice() { return true; }
void AppServices::RecreateDefaultPoolTextures() {}
void AppServices::RestoreEffects() {}
void AppServices::FlushSpriteCache() {}
void AppServices::SetMovieDeviceResetFlag() {}

void AppServices::ReleaseFrameRenderTargets() {}
void AppServices::FreeCommonResources() {
  ::ShutdownDirectNet();
  GetPackList().Clear();
}
void AppServices::DeleteOnlineSystem() { ::DeleteOnlineSystem(); }
void AppServices::ShutdownD3DTools() {}
void AppServices::ShutdownGrpManager() {}
void AppServices::ReleaseInputManager() {}
void AppServices::ShutdownOnlineClient() { OnlineClientShutdown(); }

}  // namespace vt
