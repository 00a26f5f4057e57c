// Start-up and shutdown sequences. Each step calls its subsystem through the services seam;
// the order here is the program's order.
#include "app/startup.h"

#include <cstdlib>
#include <string>

#include "app/app_config.h"
#include "app/app_state.h"
#include "app/app_window.h"
#include "app/lib_debug.h"
#include "platform/message_box.h"

namespace {

bool FailWithBox(const char* text) {
  vt::platform::ShowMessageBox(g_MainWindow,
                               {"Error", text, vt::platform::BoxButtons::Ok, vt::platform::BoxIcon::Error});
  return false;
}

}  // namespace

bool InitGraphicsSystem() {
  vt::AppServices& s = vt::Services();
  // The floating-point set-up step has nothing to do here: SSE arithmetic is already round to
  // nearest with fixed precision.
  if (!s.InitInputManager(g_MainWindow)) return false;
  s.ResetJoystickButtonMaps();
  if (!s.InitD3DTools()) return FailWithBox("Failed setting Direct3D to defaults.");
  s.InitGrpManager();
  if (!s.MountPackFiles()) return FailWithBox("Failed loading the data file. \nPlease reinstall.");
  if (!RunStartUpDialog()) return false;
  if (!s.CreateD3DDevice(BuildDeviceRequest())) return FailWithBox("Failed creating the Direct3D device.");
  float ax = 0, ay = 0;
  GetAspectRatio(&ax, &ay);
  s.SetAspectAndClear(ax, ay);
  return true;
}

bool CheckVideoCardShaderModel() {
  std::string adapter;
  if (vt::Services().GetShaderModel3(&adapter)) return true;
  char text[1024];
  std::snprintf(
      text, sizeof text,
      "This product requires a video card with Shader 3.0 or greater.\nIf this screen appears, the "
      "PC used does not have a Shader of 3.0 or better.\nIf operations continue, screen blackouts, "
      "transparency errors, and freezes may occur.\n(Used graphics card: %s)\n\nContinue operation?",
      adapter.c_str());
  auto answer = vt::platform::ShowMessageBox(
      g_MainWindow, {"Video Card Confrimation Screen", text, vt::platform::BoxButtons::YesNo,
                     vt::platform::BoxIcon::Warning, true});
  return answer == vt::platform::BoxAnswer::Yes;
}

bool RunStartUpDialog() {
  vt::AppServices& s = vt::Services();
  LoadAppConfig();
  s.LoadNetConnectFile();
  if (!CheckVideoCardShaderModel()) return false;
  if (!s.RunStartUpDialogPages()) return false;
  SaveAppConfig();
  s.SaveNetConnectFile();
  ApplyWindowStyle(g_MainWindow);
  return true;
}

vt::DeviceRequest BuildDeviceRequest() {
  vt::DeviceRequest r;
  r.window = g_MainWindow;
  r.windowed = g_AppConfig.Windowed != 0;
  r.width = g_AppConfig.ScreenW;
  r.height = g_AppConfig.ScreenH;
  r.bitsPerPixel = 32;
  r.depthBuffer = true;
  r.verticalSync = false;
  return r;
}

bool InitAppResources() {
  vt::AppServices& s = vt::Services();
  s.ResetCredits();
  s.ResetFrameRateCounters();
  s.InitOnlineSystem();
  s.CreateOnlineModeManager();
  s.LoadRankingTexture();
  s.SetEmbeddedSpritePixels();
  s.LoadDebugIni();
  s.SeedRandomGenerators();
  // Scene target 0 falls back to the back buffer, so the data loads even when it is missing
  // (otherwise the window would stay black for ever).
  bool target0 = s.CreateFrameRenderTargets();
  if (!target0) DebugPrint("InitAppResources: scene render target 0 could not be created\n");
  // The seams are wired before anything loads that calls through them (the common resources,
  // the first scene), and in test mode too, which stops before those.
  s.InstallGameWiring();
  LoadGameDataSet();
  return target0;
}

int LoadGameDataSet() {
  vt::AppServices& s = vt::Services();
  s.CreateAchievementUnlocker();
  s.LoadSaveDataAndTexts();  // play data, game data, texts; play-time base; score table check
  s.InitSound();             // attract mute, sound start, music stop, format word, volumes
  s.SavePlayData();
  LoadCommonResources();
  return 1;
}

int LoadCommonResources() {
  vt::AppServices& s = vt::Services();
  s.SeedRandomGenerators();
  s.FreeCharacterData();
  if (g_TestMode != 0) return 1;
  s.LoadCommonResources();
  s.SetFirstScene();
  return 1;
}

void ShutdownApplication() {
  vt::AppServices& s = vt::Services();
  DebugOutput("# Shutdown: release application resources\n");
  s.ReleaseFrameRenderTargets();
  s.FreeCommonResources();
  s.DeleteOnlineSystem();
  DebugOutput("# Shutdown: graphics\n");
  s.ShutdownD3DTools();
  s.ShutdownGrpManager();
  DebugOutput("# Shutdown: input\n");
  s.ReleaseInputManager();
  DebugOutput("# Shutdown: save screen configuration\n");
  SaveAppConfig();
  DestroyMainWindow();
  DebugOutput("# Shutdown: online client\n");
  s.ShutdownOnlineClient();
  delete g_AppRunState;
  g_AppRunState = nullptr;
  DebugOutput("# Shutdown: done\n");
}
