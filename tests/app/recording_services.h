// A services double for the spine's tests: records every call by name and fails on request.
#pragma once

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/app_services.h"
#include "app/app_state.h"

namespace vt::test {

class RecordingServices : public AppServices {
 public:
  RecordingServices() { SetServices(this); }
  ~RecordingServices() override { SetServices(nullptr); }

  std::vector<std::string> calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  void ClearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
  }
  std::set<std::string> failing;
  std::atomic<CooperativeLevel> level{CooperativeLevel::Ok};
  std::atomic<bool> hasDevice{true};
  std::atomic<bool> quitKey{false};
  PresentParams present;
  PresentParams pending;
  int pendingSet = 0;

#define VT_REC(name) Record(#name)
  bool InitOnlineClient() override { return Ok("InitOnlineClient"); }
  void InstallOnlineWarningHook() override { VT_REC(InstallOnlineWarningHook); }
  void SetCreditsStartupFlag() override { VT_REC(SetCreditsStartupFlag); }
  bool InitInputManager(SDL_Window*) override { return Ok("InitInputManager"); }
  void ResetJoystickButtonMaps() override { VT_REC(ResetJoystickButtonMaps); }
  bool InitD3DTools() override { return Ok("InitD3DTools"); }
  void InitGrpManager() override { VT_REC(InitGrpManager); }
  bool MountPackFiles() override { return Ok("MountPackFiles"); }
  void LoadNetConnectFile() override { VT_REC(LoadNetConnectFile); }
  bool GetShaderModel3(std::string* adapter) override {
    *adapter = "Test Adapter";
    return Ok("GetShaderModel3");
  }
  bool RunStartUpDialogPages() override { return Ok("RunStartUpDialogPages"); }
  void SaveNetConnectFile() override { VT_REC(SaveNetConnectFile); }
  bool CreateD3DDevice(const DeviceRequest& r) override {
    request = r;
    return Ok("CreateD3DDevice");
  }
  void SetAspectAndClear(float x, float y) override {
    aspectX = x;
    aspectY = y;
    VT_REC(SetAspectAndClear);
  }
  void ResetCredits() override { VT_REC(ResetCredits); }
  void ResetFrameRateCounters() override { VT_REC(ResetFrameRateCounters); }
  void InitOnlineSystem() override { VT_REC(InitOnlineSystem); }
  void CreateOnlineModeManager() override { VT_REC(CreateOnlineModeManager); }
  void LoadRankingTexture() override { VT_REC(LoadRankingTexture); }
  void SetEmbeddedSpritePixels() override { VT_REC(SetEmbeddedSpritePixels); }
  void LoadDebugIni() override { VT_REC(LoadDebugIni); }
  void SeedRandomGenerators() override { VT_REC(SeedRandomGenerators); }
  bool CreateFrameRenderTargets() override { return Ok("CreateFrameRenderTargets"); }
  void CreateAchievementUnlocker() override { VT_REC(CreateAchievementUnlocker); }
  void LoadSaveDataAndTexts() override { VT_REC(LoadSaveDataAndTexts); }
  void InitSound() override { VT_REC(InitSound); }
  void SavePlayData() override { VT_REC(SavePlayData); }
  void InstallGameWiring() override { VT_REC(InstallGameWiring); }
  void FreeCharacterData() override { VT_REC(FreeCharacterData); }
  void LoadCommonResources() override { VT_REC(LoadCommonResources); }
  void SetFirstScene() override { VT_REC(SetFirstScene); }
  void BeforeLogicThreadStart() override { VT_REC(BeforeLogicThreadStart); }
  void OnLogicThreadStart() override { VT_REC(OnLogicThreadStart); }
  void PollInput() override { VT_REC(PollInput); }
  bool IsQuitRequested() override {
    VT_REC(IsQuitRequested);
    return quitKey.load();
  }
  void UpdateCredits() override { VT_REC(UpdateCredits); }
  void ResetMainDrawList() override { VT_REC(ResetMainDrawList); }
  void RunOnlineTaskList(int list) override {
    Record(list == 0 ? "RunOnlineTaskList0" : "RunOnlineTaskList1");
  }
  int UpdateSceneFrame(int continueFlag) override {
    Record(continueFlag ? "UpdateSceneFrame1" : "UpdateSceneFrame0");
    return failing.count("UpdateSceneFrame") ? 0 : 1;
  }
  void DrawSceneFrame() override { VT_REC(DrawSceneFrame); }
  void MarkSceneRunDone() override { VT_REC(MarkSceneRunDone); }
  void AgeSpriteCache() override { VT_REC(AgeSpriteCache); }
  void ReleaseEffectTags() override { VT_REC(ReleaseEffectTags); }
  void FlushAchievements() override { VT_REC(FlushAchievements); }
  void RunOnlineCallbacks() override { VT_REC(RunOnlineCallbacks); }
  void OnLogicThreadEnd() override { VT_REC(OnLogicThreadEnd); }
  bool HasDevice() override { return hasDevice.load(); }
  CooperativeLevel TestCooperativeLevel() override { return level.load(); }
  PresentParams GetPresentParameters() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return present;
  }
  void SetPendingPresentParameters(const PresentParams& p) override {
    std::lock_guard<std::mutex> lock(mutex_);
    pending = p;
    ++pendingSet;
    calls_.push_back("SetPendingPresentParameters");
  }
  void LoseEffects() override { VT_REC(LoseEffects); }
  void ReleaseDefaultPoolTextures() override { VT_REC(ReleaseDefaultPoolTextures); }
  bool ResetDevice() override {
    bool ok = Ok("ResetDevice");
    if (ok) {
      std::lock_guard<std::mutex> lock(mutex_);
      present = pending;  // the reset puts the pending parameters in force
      level = CooperativeLevel::Ok;
    }
    return ok;
  }
  void RecreateDefaultPoolTextures() override { VT_REC(RecreateDefaultPoolTextures); }
  void RestoreEffects() override { VT_REC(RestoreEffects); }
  void FlushSpriteCache() override { VT_REC(FlushSpriteCache); }
  void SetMovieDeviceResetFlag() override { VT_REC(SetMovieDeviceResetFlag); }
  void ReleaseFrameRenderTargets() override { VT_REC(ReleaseFrameRenderTargets); }
  void FreeCommonResources() override { VT_REC(FreeCommonResources); }
  void DeleteOnlineSystem() override { VT_REC(DeleteOnlineSystem); }
  void ShutdownD3DTools() override { VT_REC(ShutdownD3DTools); }
  void ShutdownGrpManager() override { VT_REC(ShutdownGrpManager); }
  void ReleaseInputManager() override { VT_REC(ReleaseInputManager); }
  void ShutdownOnlineClient() override { VT_REC(ShutdownOnlineClient); }
#undef VT_REC

  DeviceRequest request;
  float aspectX = 0, aspectY = 0;

 private:
  void Record(const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(name);
  }
  bool Ok(const char* name) {
    Record(name);
    return failing.count(name) == 0;
  }
  std::mutex mutex_;
  std::vector<std::string> calls_;
};

// Clears the flags the logic and window threads hand each other between frames.
inline void ResetHandOffFlags() {
  g_QuitRequested = false;
  g_ScreenModeRequest = 0;
  g_KeepWindowMode = 0;
  g_ApplyModeSwitch = 0;
  g_ResetDeviceRequest = 0;
  g_DeviceLost = 0;
}

}  // namespace vt::test
