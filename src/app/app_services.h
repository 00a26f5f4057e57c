// The spine's seam to the subsystems it drives. The program's start-up, frame loop, hand-off and
// shutdown call the subsystems only through this interface, so the order of those calls is
// one list in one place, and tests can replace every subsystem with a recorder or a failure.
// The default implementation (app_services.cpp) calls the real subsystems.
#pragma once

#include <cstdint>
#include <string>

struct SDL_Window;

namespace vt {

// Device presentation parameters the hand-off works on (the subset the spine changes).
struct PresentParams {
  SDL_Window* window = nullptr;
  int backBufferWidth = 0;
  int backBufferHeight = 0;
  int backBufferCount = 1;
  int backBufferFormat = 0;  // 0 = unknown (windowed)
  bool windowed = true;
  int fullScreenRefreshRate = 0;
  int swapEffectCopy = 1;
  int presentImmediate = 1;
};

// What start-up asks of the device (the device request).
struct DeviceRequest {
  SDL_Window* window = nullptr;
  bool windowed = true;
  int width = 0;
  int height = 0;
  int bitsPerPixel = 32;
  bool depthBuffer = true;
  bool verticalSync = false;
};

enum class CooperativeLevel { Ok, Lost, NotReset };

class AppServices {
 public:
  virtual ~AppServices() = default;

  // --- process start ---
  // The online client's start-up; false shows the fatal box and ends the program.
  virtual bool InitOnlineClient();
  virtual void InstallOnlineWarningHook();
  virtual void SetCreditsStartupFlag();

  // --- start-up: graphics system ---
  virtual bool InitInputManager(SDL_Window* window);
  virtual void ResetJoystickButtonMaps();
  virtual bool InitD3DTools();
  virtual void InitGrpManager();
  virtual bool MountPackFiles();  // ends with the pack data version check
  virtual void LoadNetConnectFile();
  virtual bool GetShaderModel3(std::string* adapterDescription);
  virtual bool RunStartUpDialogPages();  // the settings pages' create/destroy side effects
  virtual void SaveNetConnectFile();
  virtual bool CreateD3DDevice(const DeviceRequest& request);
  virtual void SetAspectAndClear(float aspectX, float aspectY);

  // --- start-up: application resources ---
  virtual void ResetCredits();
  virtual void ResetFrameRateCounters();
  virtual void InitOnlineSystem();
  virtual void CreateOnlineModeManager();
  virtual void LoadRankingTexture();
  virtual void SetEmbeddedSpritePixels();
  virtual void LoadDebugIni();
  virtual void SeedRandomGenerators();
  virtual bool CreateFrameRenderTargets();  // false when scene target 0 is missing
  // Every subsystem's seams, once, before any data loads or the first scene runs (test mode too).
  virtual void InstallGameWiring();
  virtual void CreateAchievementUnlocker();
  virtual void LoadSaveDataAndTexts();
  virtual void InitSound();
  virtual void SavePlayData();
  virtual void FreeCharacterData();
  virtual void LoadCommonResources();  // from shader effects on (skipped in test mode)
  virtual void SetFirstScene();

  // --- the frame (logic thread) ---
  // Window thread, just before the logic thread starts: start-up's hold on the device ends.
  virtual void BeforeLogicThreadStart();
  virtual void OnLogicThreadStart();
  virtual void PollInput();
  virtual bool IsQuitRequested();
  virtual void UpdateCredits();
  virtual void ResetMainDrawList();
  virtual void RunOnlineTaskList(int list);
  virtual int UpdateSceneFrame(int continueFlag);
  virtual void DrawSceneFrame();
  virtual void MarkSceneRunDone();
  virtual void AgeSpriteCache();
  virtual void ReleaseEffectTags();
  virtual void FlushAchievements();
  virtual void RunOnlineCallbacks();
  virtual void OnLogicThreadEnd();

  // --- the device hand-off ---
  virtual bool HasDevice();
  virtual CooperativeLevel TestCooperativeLevel();
  virtual PresentParams GetPresentParameters();
  virtual void SetPendingPresentParameters(const PresentParams& params);
  virtual void LoseEffects();
  virtual void ReleaseDefaultPoolTextures();
  virtual bool ResetDevice();
  virtual void RecreateDefaultPoolTextures();
  virtual void RestoreEffects();
  virtual void FlushSpriteCache();
  virtual void SetMovieDeviceResetFlag();

  // --- shutdown ---
  virtual void ReleaseFrameRenderTargets();
  virtual void FreeCommonResources();
  virtual void DeleteOnlineSystem();
  virtual void ShutdownD3DTools();
  virtual void ShutdownGrpManager();
  virtual void ReleaseInputManager();
  virtual void ShutdownOnlineClient();
};

// The services in force (the default one unless a test installed another).
AppServices& Services();
void SetServices(AppServices* services);

}  // namespace vt
