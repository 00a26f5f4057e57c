// The scene spine: dispatcher, logic step, rendering, letterbox with side panels, stall wait,
// pacing and present, and the scene-change operations.
#include "scene/scene_frame.h"

#include <cstdio>
#include <mutex>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_loader.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "directnet/net_connect.h"
#include "platform/clock.h"
#include "scene/credits.h"
#include "scene/menu_player.h"
#include "scene/online_mode_manager.h"
#include "scene/stage_bg.h"

int g_SceneId = 0;
uint8_t g_SceneEnter = 0;
int g_SceneIdLast = 0;
int g_SceneIdStep = -1;
int g_SceneIdRun = 0xFFFF;
bool g_FrameClockWaits = false;
uint8_t g_ReplaySelectFromMenu = 0;
int (*g_StoryRouteOpeningHook)() = nullptr;
void (*g_NetworkMenuMatchReset)() = nullptr;

namespace {

SceneHandlers g_SceneTable[256];

std::unique_ptr<CSceneProcessBase> g_NetworkMenu;
NetworkMenuFactory g_NetworkMenuFactory;

// The direct-netplay connection's two countdown words and the first disconnect reason kept.
int32_t g_DirectNetCountdown[2] = {};
int g_DirectNetReason = 0;

// The network menu until the online issues install theirs: it runs the common scene steps only.
class NetworkMenuStandIn : public CSceneProcessBase {
 public:
  int Process(int) override { return Execute(); }
};

void SetDefaultSceneTable() {
  for (SceneHandlers& h : g_SceneTable) h = SceneHandlers{};
  g_SceneTable[SCENE_BATTLE].leave = LeaveBattleCleanup;
}

bool IsJapanese() { return GetSelectLanguage() != 1; }

void SetColourRect(int x, int y, int w, int h, uint32_t argb, int32_t priority) {
  DrawRect(&g_MainDrawList, x, y, w, h, argb, argb, argb, argb, priority);
}

}  // namespace

void RegisterScene(int id, SceneHandlers handlers) {
  if (id < 0 || id >= 256) return;
  // The battle scene always releases its stage, characters and HUD when left.
  if (id == SCENE_BATTLE && handlers.leave == nullptr) handlers.leave = LeaveBattleCleanup;
  g_SceneTable[id] = handlers;
}

const SceneHandlers& GetSceneHandlers(int id) {
  static const SceneHandlers kNone;
  return id >= 0 && id < 256 ? g_SceneTable[id] : kNone;
}

void ClearSceneTable() { SetDefaultSceneTable(); }

void ChangeScene(int id) {
  g_SceneId = id;
  g_SceneEnter = kSceneFreshEntry;
}

namespace {
DirectNetHooks DefaultDirectNetHooks() {
  DirectNetHooks h;
  h.updateConnection = [] { return UpdateNetVSConnection(); };
  h.clearFailureLatch = [] {};
  h.keyDataArrived = [] { return false; };
  h.closeConnection = [] {};
  return h;
}
}  // namespace

DirectNetHooks& GetDirectNetHooks() {
  static DirectNetHooks hooks = DefaultDirectNetHooks();
  return hooks;
}

void ResetDirectNetHooks() { GetDirectNetHooks() = DefaultDirectNetHooks(); }

void CSceneProcessBase::ClearFrameState() {
  g_DirectNetCountdown[0] = 0;
  g_DirectNetCountdown[1] = 0;
}

int CSceneProcessBase::Execute() {
  g_SceneIdRun = g_SceneId;
  if (GetDirectNetHooks().updateConnection() == 0) {
    GetDirectNetHooks().clearFailureLatch();
    ReturnToNetworkMenu();
    return 0;
  }
  Update();
  return 1;
}

void SetNetworkMenuFactory(NetworkMenuFactory factory) { g_NetworkMenuFactory = std::move(factory); }

CSceneProcessBase* GetNetworkMenuScene() { return g_NetworkMenu.get(); }

CSceneProcess& GetSceneProcess() {
  static CSceneProcess process = [] {
    CSceneProcess p;
    p.pacing.Init();
    p.pacing.sceneUnchanged = [] { return g_SceneIdRun == g_SceneId; };
    p.pacing.updateNetConnection = [] { return GetDirectNetHooks().updateConnection(); };
    p.pacing.isMoviePlaying = [] { return IsMoviePlaying() != 0; };
    return p;
  }();
  return process;
}

// ---- logic step ----

int UpdateSceneFrame(int keepRunning) {
  int result;
  if (g_TestMode != 0) {
    // The /T switch: no scene runs; the frame binds and clears the scene targets only.
    BindSceneRenderTargets();
    result = keepRunning;
  } else {
    result = RunSceneStep(keepRunning) != 0 ? keepRunning : 0;
  }
  if (g_AppRunState != nullptr && g_AppRunState->quitRequested != 0) return 0;
  return result;
}

int RunSceneStep(int keepRunning) {
  SetSceneRenderTargets();
  // A scene's leave hook runs once, before the next scene's first call, whoever moved the id.
  if (g_SceneIdStep == -1) {
    g_SceneIdStep = g_SceneId;
  } else if (g_SceneIdStep != g_SceneId) {
    const SceneHandlers& left = GetSceneHandlers(g_SceneIdStep);
    g_SceneIdStep = g_SceneId;
    if (left.leave != nullptr) left.leave();
  }
  const int dispatched = DispatchScene(keepRunning);
  UpdateSoundRequests();
  int result = dispatched == 1 ? keepRunning : 0;
  BindSceneRenderTargets();
  if (g_AppRunState != nullptr && g_AppRunState->quitRequested != 0) {
    g_AppRunState->quitAcknowledged = 1;
    return 0;
  }
  UpdateTotalPlayTime();  // the loaded play seconds plus the run timer's, written when changed
  return result;
}

int DispatchScene(int keepRunning) {
  OnlineModeManager& online = GetOnlineModeManager();
  if (g_SceneId != g_SceneIdLast) {
    g_SceneIdLast = g_SceneId;
    if (g_SceneId == SCENE_NETWORK_MENU) {
      g_NetworkMenu = g_NetworkMenuFactory ? g_NetworkMenuFactory() : std::make_unique<NetworkMenuStandIn>();
      if (online.IsActive()) {
        online.SetInputMode(0);
        online.ClearBattleRunning();
      }
    } else if (g_SceneId == SCENE_BATTLE) {
      LoadBattleSidePanels();
    }
  }
  UpdateSidePanelFade();
  const int sceneAtStart = g_SceneId;
  if (g_SceneId == SCENE_QUIT) return 0;
  if (g_SceneId == SCENE_NETWORK_MENU) {
    if (g_NetworkMenu) g_NetworkMenu->Process(keepRunning);
  } else if (const SceneHandlers& h = GetSceneHandlers(g_SceneId); h.process != nullptr) {
    const int r = h.process(keepRunning);
    if (sceneAtStart == SCENE_PROC_TEST && r == -1) ChangeScene(SCENE_TITLE);
  }
  online.Update();
  // The network menu goes in the frame the id leaves 100 (also when the change came from
  // outside a scene, between frames) and in a quitting frame.
  if (g_SceneId != SCENE_NETWORK_MENU || keepRunning == 0) g_NetworkMenu.reset();
  return 1;
}

int PollSceneInput() {
  if (g_AppJoystick == nullptr) return 1;
  g_AppJoystick->ReadDevices();
  if (GetOnlineModeManager().InputMode() != 0) {
    if (g_AppJoystick->ExchangeNetInput() < 1) {
      GetSceneProcess().netStall = 1;
      return 0;
    }
    return 1;
  }
  g_AppJoystick->ReadDevices();
  g_AppJoystick->UpdateBanks();
  return 1;
}

// ---- drawing half ----

void DrawSceneFrame() {
  GetOnlineModeManager().Draw();
  RenderScene(g_SceneTargets[0]);
  RunNetStallLoop();
  PaceAndPresent();
}

void RenderScene(TextureHandle* sceneTexture) {
  CSceneProcess& p = GetSceneProcess();
  if (p.skip.counter != 0) {
    std::lock_guard<std::recursive_mutex> lists(g_DrawListLock);
    ResetDrawList(&g_MainDrawList);
    return;
  }
  if (g_D3DDevice == nullptr) {
    // Headless: the frame's commands are dropped as a render would leave them.
    std::lock_guard<std::recursive_mutex> lists(g_DrawListLock);
    ResetDrawList(&g_MainDrawList);
    DrawCreditTexts();
    DrawFrameRate();
    ResetDrawList(&g_MainDrawList);
    return;
  }
  // Texture creation on other threads (the character loader, the movie) takes the device lock:
  // the device lock first, the list lock inside it.
  {
    auto device = LockD3DDevice();
    SetSceneRenderTargets();
    std::lock_guard<std::recursive_mutex> lists(g_DrawListLock);
    RunDrawList(&g_MainDrawList);
  }
  auto device = LockD3DDevice();
  CaptureScreenTexture();
  SetSceneRenderTargets();
  {
    std::lock_guard<std::recursive_mutex> lists(g_DrawListLock);
    ResetDrawList(&g_MainDrawList);
  }
  DrawCreditTexts();
  DrawFrameRate();
  {
    std::lock_guard<std::recursive_mutex> lists(g_DrawListLock);
    RunDrawList(&g_MainDrawList);
  }
  PresentLetterbox(sceneTexture);
}

void PresentLetterbox(TextureHandle* sceneTexture) {
  RestoreBackBufferTargets();
  if (g_D3DDevice == nullptr) return;
  vt::gfx::TextureRef back = g_D3DDevice->GetBackBuffer();
  const int bw = back ? static_cast<int>(back->Width()) : 0;
  const int bh = back ? static_cast<int>(back->Height()) : 0;
  if (g_TestMode != 0) {
    const uint8_t blend = g_DrawBlendMode;
    g_DrawBlendMode = 5;
    DrawSprite(&g_MainDrawList, sceneTexture, 0, 0, bw, bh, 0, 0, bw, bh, 0xFFFFFFFFu, 0, 1);
    g_DrawBlendMode = blend;
  } else {
    // The aspect word keeps its rule (16:9 for anything wider than 4:3); the picture itself is
    // the largest centred 4:3 rectangle (GetSceneLetterbox).
    if (g_GameData != nullptr) {
      g_GameData->LetterboxMode = SceneAspectMode(bw, bh);
    }
    const bool smooth = (g_GameData != nullptr && g_GameData->SCREEN_FILTER == 1) || g_SceneId == SCENE_TITLE;
    QueueSceneComposition(sceneTexture, smooth ? 2 : 1);
    int x, y, w, h;
    GetSceneLetterbox(&x, &y, &w, &h);
    if (x > 0 && w > 0 && h > 0) DrawSidePanels(x, y, w, h);
  }
  g_DrawFilterMode = 1;
  {
    // Rendered, the presentation's commands go: nothing of them reaches the next frame.
    std::lock_guard<std::recursive_mutex> lists(g_DrawListLock);
    RunDrawList(&g_MainDrawList);
    ResetDrawList(&g_MainDrawList);
  }
}

int SceneAspectMode(int width, int height) {
  return static_cast<int64_t>(width) * 3 > static_cast<int64_t>(height) * 4 ? 3 : 2;
}

void DrawSidePanels(int barWidth, int y, int pictureWidth, int height) {
  const SidePanelState& s = GetSceneProcess().panels;
  TextureHandle* left = s.battleInUse && s.battle[0] ? s.battle[0] : s.defaults[0];
  TextureHandle* right = s.battleInUse && s.battle[1] ? s.battle[1] : s.defaults[1];
  const uint8_t blend = g_DrawBlendMode;
  if (s.fading) {
    int alpha = static_cast<int>(s.fadeLevel * 255.0f);
    if (alpha > 255) alpha = 255;
    const uint32_t black = static_cast<uint32_t>(alpha) << 24;
    g_DrawBlendMode = 1;
    SetColourRect(0, y, barWidth, height, black, 257);
    SetColourRect(barWidth + pictureWidth, y, barWidth, height, black, 257);
  }
  g_DrawBlendMode = 5;
  // A missing panel leaves its bar black.
  if (left != nullptr)
    DrawSprite(&g_MainDrawList, left, 0, y, barWidth, height, 0, 0, 160, 720, 0xFFFFFFFFu, 0, 1);
  if (right != nullptr) {
    DrawSprite(&g_MainDrawList, right, barWidth + pictureWidth, y, barWidth, height, 0, 0, 160, 720,
               0xFFFFFFFFu, 0, 1);
  }
  g_DrawBlendMode = blend;
}

void LoadDefaultSidePanels() {
  SidePanelState& s = GetSceneProcess().panels;
  const char* lang = IsJapanese() ? "jpn" : "eng";
  char path[64];
  for (int side = 0; side < 2; ++side) {
    FreeTexture(s.defaults[side]);
    std::snprintf(path, sizeof path, ".\\apm_com\\%s\\apm_com_default_%dp", lang, side + 1);
    s.defaults[side] = LoadTexture(path);
  }
}

void FreeSidePanels() {
  SidePanelState& s = GetSceneProcess().panels;
  for (TextureHandle*& t : s.defaults) {
    FreeTexture(t);
    t = nullptr;
  }
  for (TextureHandle*& t : s.battle) {
    FreeTexture(t);
    t = nullptr;
  }
  s.battleInUse = 0;
  s.fading = 0;
  s.fadeLevel = 0.0f;
}

void LoadBattleSidePanels() {
  SidePanelState& s = GetSceneProcess().panels;
  // An arcade stage with flag 0x400 shows character 1's panel during the loads and leaves the
  // main side's character at 51 after them: kept as the game does it.
  bool specialStage = false;
  if (g_GameModeFlags == MODE_ARCADE && g_MainSide < 2) {
    const StoryBattleRoute* route = StoryBattleRouteOfSide(g_MainSide);
    if (route != nullptr && route->stageIndex >= 0 && route->stageIndex < kRouteStageSlots &&
        (route->stages[route->stageIndex].flags & 0x400) != 0) {
      specialStage = true;
      g_PlayerSelections[g_MainSide].character = 1;
    }
  }
  const char* lang = IsJapanese() ? "jpn" : "eng";
  char path[96];
  for (int side = 0; side < 2; ++side) {
    FreeTexture(s.battle[side]);
    s.battle[side] = nullptr;
    const PlayerSelection& sel = g_PlayerSelections[side];
    // Character and type go into two- and one-digit fields: values that would not fit name no
    // panel, and the default panel shows.
    if (sel.character < 0 || sel.character > 99 || sel.type < 0 || sel.type > 9) continue;
    std::snprintf(path, sizeof path, "%s%s%sapm_com_%02d_%01dp_%01d", ".\\apm_com\\", lang, "\\",
                  sel.character, side + 1, sel.type);
    s.battle[side] = LoadTexture(path);
  }
  if (specialStage) g_PlayerSelections[g_MainSide].character = 51;
  s.battleInUse = 1;
}

void UpdateSidePanelFade() {
  SidePanelState& s = GetSceneProcess().panels;
  if (!s.fading) return;
  s.fadeLevel += 0.03125f;
  if (s.fadeLevel >= 1.0f) {
    s.fadeLevel = 1.0f;
    s.battleInUse = 0;
    s.fading = 0;
    for (TextureHandle*& t : s.battle) {
      FreeTexture(t);
      t = nullptr;
    }
  }
}

void RunNetStallLoop() {
  CSceneProcess& p = GetSceneProcess();
  if (p.netStall == 0) return;
  // The stalled frame waits a little for the remote input (same exits as ever) and draws
  // nothing; the flag goes with this frame, so later frames do not wait.
  auto& clock = vt::platform::GetClock();
  Stopwatch watch;
  watch.Init();
  for (;;) {
    if (g_SceneIdRun == g_SceneId && GetDirectNetHooks().updateConnection() == 0) break;
    if (GetDirectNetHooks().keyDataArrived()) break;
    if (watch.Now() >= 1.0 / 600.0) break;
    clock.Yield();
  }
  p.netStall = 0;
}

int PaceFrame() {
  CSceneProcess& p = GetSceneProcess();
  const int due = p.pacing.WaitNextFrame(1.0 / 60.0);
  p.rateAccumulator += static_cast<float>(p.pacing.elapsedAtLastWait);
  ++p.framesThisSecond;
  if (p.rateAccumulator >= 1.0f) {
    p.framesShown = p.framesThisSecond;
    p.framesThisSecond = 0;
    p.rateAccumulator -= 1.0f;
  }
  return due;
}

void PaceAndPresent() {
  RenderSkipState& skip = GetSceneProcess().skip;
  if (skip.counter == 0) {
    const int due = PaceFrame();
    const bool skipThis =
        g_GameData != nullptr && g_GameData->FrameSkip != 0 && skip.presentedFrames % 2 == 0;
    if (!skipThis && due && g_D3DDevice != nullptr && g_DeviceLost.load(std::memory_order_acquire) == 0) {
      // The device lock first, the list lock inside it, as around every render.
      auto device = LockD3DDevice();
      std::lock_guard<std::recursive_mutex> lists(g_DrawListLock);
      PresentFrame(g_D3DManager, 0.0f);
    }
  } else if (skip.counter == 255) {
    PaceFrame();
    skip.counter = 0;
  }
  if (skip.skipEnded) {
    skip.skipEnded = 0;
  } else if (skip.counter > 0) {
    if (--skip.counter == 0) skip.skipEnded = 1;
  }
  ++skip.presentedFrames;
}

void DrawFrameRate() {
  if (g_GameData == nullptr || g_GameData->ViewFPS == 0) return;
  char text[16];
  std::snprintf(text, sizeof text, "%02d", GetSceneProcess().framesShown);
  vt::text::DrawOutlinedText(2, 2, text, 255, 255, 12, 16, 0, 999);
}

void LeaveBattleCleanup() {
  if (g_SceneId != SCENE_WINNER_DEMO) ResetStageBg();  // the winner demo keeps showing the stage
  FreeCharacterData();
  BattleSeamFreeCharacterSounds();
  BattleSeamFreeBattleHudGraphics();
  if (g_SceneId != SCENE_STORY) BattleSeamEndStoryScript();
  FlushHan6TextureCache();
  g_BattlePhase = 0;
  SidePanelState& s = GetSceneProcess().panels;
  s.fadeLevel = 0.0f;
  s.fading = 1;
}

// ---- scene changes ----

void GoToReplaySelect() {
  ChangeScene(SCENE_REPLAY_SELECT);
  g_ReplaySelectFromMenu = 1;
}

void ReturnToMainMenu() {
  ChangeScene(SCENE_MAIN_MENU);
  GetOnlineModeManager().Deactivate();
}

void ReturnToNetworkMenu() {
  if (GetOnlineModeManager().IsActive()) {
    // ResetMatchState keeping g_MainSide, g_NetworkMatch 1 and both credit rows joined belong to
    // the game modes and credits; they hook in here.
    if (g_NetworkMenuMatchReset != nullptr) g_NetworkMenuMatchReset();
    g_GameModeFlags = MODE_NETWORK;
    g_MenuPlayer = 1 << (g_MainSide & 31);
  }
  ChangeScene(SCENE_NETWORK_MENU);
}

void GoToNextArcadeStage() {
  ChangeScene(SCENE_NEXT_STAGE);
  const StoryBattleRoute* route = g_MainSide < 2 ? StoryBattleRouteOfSide(g_MainSide) : nullptr;
  if (route == nullptr) return;
  if (route->stageIndex == 0 && g_StoryRouteOpeningHook != nullptr && g_StoryRouteOpeningHook() != 0) return;
  if (route->stageIndex >= 0 && route->stageIndex < kRouteStageSlots &&
      (route->stages[route->stageIndex].flags & 0x400) != 0) {
    g_SceneId = SCENE_VS_SCREEN;  // straight to the VS screen
  }
}

void LeaveDirectNetToNetworkMenu(int reason) {
  g_DirectNetCountdown[0] = 0;
  g_DirectNetCountdown[1] = 0;
  GetDirectNetHooks().closeConnection();
  if (g_DirectNetReason == 0) g_DirectNetReason = reason;
  ReturnToNetworkMenu();
}

int DirectNetDisconnectReason() { return g_DirectNetReason; }

void ReseedNetMatchRandom() {
  OnlineModeManager& online = GetOnlineModeManager();
  if (!online.IsNetMatchActive()) return;
  const int32_t seed = online.MatchSeed();
  for (int s = 0; s < 10; ++s) SeedRandStream(s, static_cast<int32_t>(static_cast<uint32_t>(seed) + s));
  SeedRandStream(kRandCommonStream, static_cast<int32_t>(static_cast<uint32_t>(seed) + 11));
  online.SetMatchSeed(static_cast<int32_t>(static_cast<uint32_t>(seed) + 12));
  g_RandDrawCount = 0;
}

void ResetFrameRateCounters() {
  CSceneProcess& p = GetSceneProcess();
  p.rateAccumulator = 1.0f;
  p.framesThisSecond = 60;
  p.framesShown = 0;
}

void SetFirstScene() { ChangeScene(SCENE_BOOT); }

void ResetSceneSpine() {
  g_SceneId = 0;
  g_SceneEnter = 0;
  g_SceneIdLast = 0;
  g_SceneIdStep = -1;
  g_SceneIdRun = 0xFFFF;
  g_ReplaySelectFromMenu = 0;
  g_DirectNetReason = 0;
  g_DirectNetCountdown[0] = g_DirectNetCountdown[1] = 0;
  g_NetworkMenu.reset();
  CSceneProcess& p = GetSceneProcess();
  FreeSidePanels();
  p.netStall = 0;
  p.skip = RenderSkipState{};
  p.pacing.noWait = 0;
  ResetFrameRateCounters();
}
