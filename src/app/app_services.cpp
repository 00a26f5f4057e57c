// The default services: each calls the subsystem that does the work. A subsystem that does not
// exist yet leaves its hook empty (it does nothing and claims nothing).
#include "app/app_services.h"

#include <mutex>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_gfx.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/system_font.h"
#include "FilePacFunc/FilePac.h"
#include "Sound/soundproc.h"
#include "Windows/StartUpDialog.h"
#include "app/app_config.h"
#include "app/app_state.h"
#include "app/game_wiring.h"
#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/random.h"
#include "app/save_data.h"
#include "app/startup.h"
#include "app/text_list.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/chara_loader.h"
#include "battle/character_draw.h"
#include "battle/particle_draw.h"
#include "directnet/net_connect.h"
#include "online/online_client.h"
#include "scene/call_overlays.h"
#include "scene/continue_screen.h"
#include "scene/credits.h"
#include "scene/name_entry.h"
#include "scene/new_challenger.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"
#include "scene/story_draw.h"

namespace vt {

static AppServices g_defaultServices;
static AppServices* g_services = &g_defaultServices;

AppServices& Services() { return *g_services; }
void SetServices(AppServices* services) { g_services = services != nullptr ? services : &g_defaultServices; }

bool AppServices::InitOnlineClient() { return OnlineClientInit(); }
void AppServices::InstallOnlineWarningHook() { OnlineClientInstallWarningHook(); }
void AppServices::SetCreditsStartupFlag() { ::SetCreditsStartupFlag(); }

bool AppServices::InitInputManager(SDL_Window* window) { return StartInputManager(window); }
void AppServices::ResetJoystickButtonMaps() { StartAppJoystick(); }
bool AppServices::InitD3DTools() { return ::InitD3DTools() != 0; }
void AppServices::InitGrpManager() { ::InitGrpManager(); }
bool AppServices::MountPackFiles() { return ::MountPackFiles(); }
void AppServices::LoadNetConnectFile() { ::LoadNetConnectFile(); }
bool AppServices::GetShaderModel3(std::string* adapterDescription) {
  if (g_AdapterInfo == nullptr) return true;
  *adapterDescription = g_AdapterInfo->identifier.Description;
  // Versions are 0xFFFE0000 / 0xFFFF0000 | major << 8 | minor.
  return ((g_AdapterInfo->caps.VertexShaderVersion >> 8) & 0xFF) >= 3 &&
         ((g_AdapterInfo->caps.PixelShaderVersion >> 8) & 0xFF) >= 3;
}
bool AppServices::RunStartUpDialogPages() { return ::RunStartUpDialogPages() != 0; }
void AppServices::SaveNetConnectFile() { ::SaveNetConnectFile(); }
bool AppServices::CreateD3DDevice(const DeviceRequest& request) {
  ::DeviceRequest r;
  r.window = request.window;
  r.windowed = request.windowed ? 1 : 0;
  r.width = request.width;
  r.height = request.height;
  r.bitsPerPixel = request.bitsPerPixel;
  r.depthBuffer = request.depthBuffer ? 1 : 0;
  r.verticalSync = request.verticalSync ? 1 : 0;
  if (::CreateD3DDevice(r) == 0) return false;
  // Start-up runs on the window thread and draws its first clear from here; the logic thread
  // takes the context over when it starts.
  g_D3DDevice->MakeCurrent();
  InitHan6Drawing();  // sprite textures come through the device from here on
  return true;
}
void AppServices::SetAspectAndClear(float aspectX, float aspectY) {
  if (g_D3DManager == nullptr) return;
  g_D3DManager->aspectW = aspectX;
  g_D3DManager->aspectH = aspectY;
  ClearScreen(vt::gfx::CLEAR_TARGET | vt::gfx::CLEAR_ZBUFFER, 0);
}

void AppServices::ResetCredits() { ::ResetCredits(); }
void AppServices::ResetFrameRateCounters() { ::ResetFrameRateCounters(); }
void AppServices::InitOnlineSystem() { ::InitOnlineSystem(); }
void AppServices::CreateOnlineModeManager() {}
void AppServices::LoadRankingTexture() {}
void AppServices::SetEmbeddedSpritePixels() {}
void AppServices::LoadDebugIni() { LoadDebugConfig(); }
void AppServices::SeedRandomGenerators() { ::SeedRandomGenerators(); }
bool AppServices::CreateFrameRenderTargets() { return ::CreateFrameRenderTargets() != 0; }
void AppServices::InstallGameWiring() { ::InstallGameWiring(); }
void AppServices::CreateAchievementUnlocker() {}
void AppServices::LoadSaveDataAndTexts() {
  LoadPlayData();
  LoadGameData();
  LoadGameText();
  CheckScoreTableAtStartup();  // keeps the play-time base; resets and saves a damaged score table
  StartRunPlayTimer();
}
void AppServices::InitSound() { StartUpSound(); }
void AppServices::SavePlayData() { ::SavePlayData(); }
void AppServices::FreeCharacterData() { ::FreeCharacterData(); }
void AppServices::LoadCommonResources() {
  LoadShaderEffects();
  LoadSystemSoundEffects();
  LoadSystemEffectTextures();  // the four call graphics come after its own textures
  LoadBattleHudTextures();
  // The screen graphics: continue and game over, KO effect, new challenger, name entry.
  LoadContinueGraphics();
  LoadKoEffectGraphics();
  LoadChallengerGraphics();
  LoadNameEntryGraphics();
  vt::text::LoadSystemFonts();
  vt::text::LoadStoryFonts();  // the four bitmap font files, kept whole for the run
  SetStoryTextFont(0);
  LoadDefaultSidePanels();
  LoadVectorTable();
  LoadTypeFile();
}
void AppServices::SetFirstScene() { ::SetFirstScene(); }

void AppServices::BeforeLogicThreadStart() {
  if (g_D3DDevice != nullptr) g_D3DDevice->ReleaseCurrent();
}
void AppServices::OnLogicThreadStart() {
  // The logic thread renders: the device's context becomes current here.
  if (g_D3DDevice != nullptr) g_D3DDevice->MakeCurrent();
}
void AppServices::PollInput() { g_InputManager.Poll(); }
bool AppServices::IsQuitRequested() { return g_InputManager.IsQuitRequested() != 0; }
void AppServices::UpdateCredits() { ::UpdateCredits(); }
void AppServices::ResetMainDrawList() {
  std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
  ResetDrawList(&g_MainDrawList);
}
void AppServices::RunOnlineTaskList(int list) { ::RunOnlineTaskList(list); }
int AppServices::UpdateSceneFrame(int continueFlag) { return ::UpdateSceneFrame(continueFlag); }
void AppServices::DrawSceneFrame() { ::DrawSceneFrame(); }
void AppServices::MarkSceneRunDone() { g_SceneIdRun = 0xFFFF; }
void AppServices::AgeSpriteCache() { AgeHan6TextureCache(); }
void AppServices::ReleaseEffectTags() { ::ReleaseEffectTags(); }
void AppServices::FlushAchievements() { ::FlushAchievements(); }
void AppServices::RunOnlineCallbacks() { OnlineClientRunCallbacks(); }
void AppServices::OnLogicThreadEnd() {
  if (g_D3DDevice != nullptr) g_D3DDevice->ReleaseCurrent();
}

bool AppServices::HasDevice() { return g_D3DDevice != nullptr; }
CooperativeLevel AppServices::TestCooperativeLevel() {
  switch (::TestCooperativeLevel()) {
    case vt::gfx::kOk:
      return CooperativeLevel::Ok;
    case vt::gfx::kErrDeviceNotReset:
      return CooperativeLevel::NotReset;
    default:
      return CooperativeLevel::Lost;
  }
}
PresentParams AppServices::GetPresentParameters() {
  PresentParams p;
  p.window = g_MainWindow;
  p.windowed = g_AppConfig.Windowed != 0;
  p.backBufferWidth = g_AppConfig.ScreenW;
  p.backBufferHeight = g_AppConfig.ScreenH;
  if (g_D3DManager == nullptr || g_D3DDevice == nullptr) return p;
  const D3DPresentParameters d = ::GetPresentParameters();
  p.window = d.hDeviceWindow;
  p.windowed = d.Windowed != 0;
  p.backBufferWidth = static_cast<int>(d.BackBufferWidth);
  p.backBufferHeight = static_cast<int>(d.BackBufferHeight);
  p.backBufferCount = static_cast<int>(d.BackBufferCount);
  p.backBufferFormat = static_cast<int>(d.BackBufferFormat);
  p.fullScreenRefreshRate = static_cast<int>(d.FullScreen_RefreshRateInHz);
  return p;
}
void AppServices::SetPendingPresentParameters(const PresentParams& p) {
  if (g_D3DManager == nullptr) return;
  D3DPresentParameters d = ::GetPresentParameters();
  d.Windowed = p.windowed ? 1 : 0;
  d.BackBufferWidth = static_cast<uint32_t>(p.backBufferWidth);
  d.BackBufferHeight = static_cast<uint32_t>(p.backBufferHeight);
  d.BackBufferCount = static_cast<uint32_t>(p.backBufferCount);
  if (p.windowed) d.BackBufferFormat = vt::gfx::FMT_UNKNOWN;
  d.FullScreen_RefreshRateInHz = 0;
  d.SwapEffect = 3;                      // copy
  d.PresentationInterval = 0x80000000u;  // immediate
  ::SetPresentParameters(d);
}
void AppServices::LoseEffects() { ::LoseEffects(); }
void AppServices::ReleaseDefaultPoolTextures() { ::ReleaseDefaultPoolTextures(); }
bool AppServices::ResetDevice() { return ::ResetDevice() != 0; }
void AppServices::RecreateDefaultPoolTextures() { ::RecreateDefaultPoolTextures(); }
void AppServices::RestoreEffects() { ::RestoreEffects(); }
void AppServices::FlushSpriteCache() { FlushHan6TextureCache(); }
void AppServices::SetMovieDeviceResetFlag() { SetMovieRestartFlag(); }

void AppServices::ReleaseFrameRenderTargets() {
  // The logic thread has ended and let go of the context: shutdown frees GL objects from here.
  if (g_D3DDevice != nullptr) g_D3DDevice->MakeCurrent();
  FreeFrameRenderTargets();
}
void AppServices::FreeCommonResources() {
  ::ShutdownDirectNet();
  {
    std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
    ResetDrawList(&g_MainDrawList);
  }
  FreeShaderEffects();
  FlushHan6TextureCache();
  FreeContinueGraphics();
  FreeKoEffectGraphics();
  FreeChallengerGraphics();
  FreeNameEntryGraphics();
  BattleSeamFreeBattleHudGraphics();
  FreeBattleHudTextures();
  FreeSystemEffectTextures();
  // The stage background: released, its file forgotten, and the stage list freed.
  ResetStageBg();
  FreeStageList();
  vt::text::FreeBitmapFonts();
  FreeSidePanels();
  // The battle tables of start-up: hit vectors, finish list and type rows.
  FreeVectorTable();
  FreeFinishList();
  g_TypeSystem = TypeSystem{};
  for (TypeParams& t : g_TypeParams) t = TypeParams{};
  vt::text::FreeStoryFonts();
  ::SaveNetConnectFile();
  ReleaseSound();
  g_InputManager.Release();  // released again by the input step of shutdown: Release is idempotent
  GetPackList().Clear();
}
void AppServices::DeleteOnlineSystem() { ::DeleteOnlineSystem(); }
void AppServices::ShutdownD3DTools() {
  ShutdownHan6Drawing();
  ::ShutdownD3DTools();
}
void AppServices::ShutdownGrpManager() { ::ShutdownGrpManager(); }
void AppServices::ReleaseInputManager() { g_InputManager.Release(); }
void AppServices::ShutdownOnlineClient() { OnlineClientShutdown(); }

}  // namespace vt
