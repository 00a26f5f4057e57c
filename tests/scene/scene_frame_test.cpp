// The scene spine: dispatcher and scene changes, leave hooks, Execute, the /T switch and the quit
// handshake, the net match reseed, the letterbox, pacing and present, side panels and the stall.
#include "scene/scene_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Dxtools/gfx_test_env.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/input/net_input_link.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "platform/clock.h"
#include "scene/menu_player.h"
#include "scene/online_mode_manager.h"
#include "scene/stage_bg.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

std::vector<std::string>& Calls() {
  static std::vector<std::string> calls;
  return calls;
}
std::string Joined() {
  std::string s;
  for (const std::string& c : Calls()) s += (s.empty() ? "" : " ") + c;
  return s;
}

// What the scenes of a row do in their frame: store this id (0: nothing), return this value.
int g_storeId = 0;
int g_returnValue = 1;
int g_madeMenus = 0;
int g_liveMenus = 0;

template <int Id>
int RecordingScene(int) {
  Calls().push_back("p" + std::to_string(Id));
  if (g_storeId != 0) {
    ChangeScene(g_storeId);
    g_storeId = 0;
  }
  return g_returnValue;
}
template <int Id>
void RecordingLeave() {
  Calls().push_back("l" + std::to_string(Id));
}

class CountingMenu : public CSceneProcessBase {
 public:
  CountingMenu() {
    ++g_madeMenus;
    ++g_liveMenus;
  }
  ~CountingMenu() override { --g_liveMenus; }
  int Process(int) override {
    Calls().push_back("p100");
    if (g_storeId != 0) {
      ChangeScene(g_storeId);
      g_storeId = 0;
    }
    return Execute();
  }
};

class SceneSpine : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSceneSpine();
    ClearSceneTable();
    ResetDirectNetHooks();
    ResetBattleSeams();
    online = ScriptedOnlineModeManager{};
    SetOnlineModeManager(&online);
    SetNetworkMenuFactory([] { return std::make_unique<CountingMenu>(); });
    vt::platform::SetClock(&clock);
    GetSceneProcess().pacing.Init();
    Calls().clear();
    g_storeId = 0;
    g_returnValue = 1;
    g_madeMenus = g_liveMenus = 0;
    g_AppRunState = &runState;
    g_TestMode = 0;
    RegisterScene(2, {RecordingScene<2>, RecordingLeave<2>});
    RegisterScene(5, {RecordingScene<5>, nullptr});
    RegisterScene(20, {RecordingScene<20>, RecordingLeave<20>});
    RegisterScene(50, {RecordingScene<50>, nullptr});
  }
  void TearDown() override {
    ResetSceneSpine();
    ClearSceneTable();
    SetNetworkMenuFactory({});
    SetOnlineModeManager(nullptr);
    ResetDirectNetHooks();
    ResetBattleSeams();
    vt::platform::SetClock(nullptr);
    g_AppRunState = nullptr;
  }

  ScriptedOnlineModeManager online;
  vt::platform::FakeClock clock;
  AppRunState runState;
};

TEST_F(SceneSpine, SceneChangeTable) {
  struct Row {
    const char* name;
    int start;
    int storeInFrame1;  // id the running scene stores during frame 1 (0 none)
    int returnValue;
    int keepRunning1;   // keep-running flag of frame 1
    const char* calls;  // scene and leave calls of two frames
    int idAfter;
    int results[2];  // RunSceneStep results
    int menusMade;
    int menusLiveAfter1;
    int onlineUpdates;
  };
  const Row rows[] = {
      {"no scene for the id: common steps only", 6, 0, 1, 1, "", 6, {1, 1}, 0, 0, 2},
      {"quit returns at once, no manager update", 255, 0, 1, 1, "", 255, {0, 0}, 0, 0, 0},
      {"change runs the leave hook once before the next scene",
       20,
       2,
       1,
       1,
       "p20 l20 p2",
       2,
       {1, 1},
       0,
       0,
       2},
      {"the test menu's -1 goes to the title", 50, 0, -1, 1, "p50 p2", 2, {1, 1}, 0, 0, 2},
      {"100 stored twice makes one object", 100, 100, 1, 1, "p100 p100", 100, {1, 1}, 1, 1, 2},
      {"leaving 100 deletes it at the end of that frame", 100, 2, 1, 1, "p100 p2", 2, {1, 1}, 1, 0, 2},
      {"quitting in 100 deletes it", 100, 0, 1, 0, "p100", 100, {0, 1}, 1, 0, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    SetUp();
    ChangeScene(r.start);
    g_storeId = r.storeInFrame1;
    g_returnValue = r.returnValue;
    int results[2];
    results[0] = RunSceneStep(r.keepRunning1);
    EXPECT_EQ(g_liveMenus, r.menusLiveAfter1);
    g_returnValue = 1;
    results[1] = RunSceneStep(1);
    EXPECT_EQ(Joined(), r.calls);
    EXPECT_EQ(g_SceneId, r.idAfter);
    EXPECT_EQ(results[0], r.results[0]);
    EXPECT_EQ(results[1], r.results[1]);
    EXPECT_EQ(g_madeMenus, r.menusMade);
    EXPECT_EQ(online.updates, r.onlineUpdates);
    TearDown();
  }
}

TEST_F(SceneSpine, EnteringTheNetworkMenuClearsTheInputModeWhenOnline) {
  online.active = true;
  online.inputMode = 3;
  online.battleRunning = true;
  ChangeScene(100);
  RunSceneStep(1);
  EXPECT_EQ(online.inputMode, 0);
  EXPECT_FALSE(online.battleRunning);
  ASSERT_NE(GetNetworkMenuScene(), nullptr);
}

TEST_F(SceneSpine, DefaultNetworkMenuLivesWhileSceneHundredRuns) {
  SetNetworkMenuFactory({});
  ChangeScene(100);
  RunSceneStep(1);
  ASSERT_NE(GetNetworkMenuScene(), nullptr);
  EXPECT_EQ(g_SceneIdRun, 100);  // it ran the common scene step
  ChangeScene(2);
  RunSceneStep(1);
  EXPECT_EQ(GetNetworkMenuScene(), nullptr);
}

// The online-mode manager runs after every scene: a scene it moves from outside still has its
// leave hook run, once, before the next scene's first frame.
TEST_F(SceneSpine, LeaveHookRunsOnceWhenSomethingElseMovesTheId) {
  ChangeScene(20);
  online.onUpdate = [] {
    if (g_SceneId == 20) ChangeScene(2);
  };
  RunSceneStep(1);
  online.onUpdate = nullptr;
  RunSceneStep(1);
  RunSceneStep(1);
  EXPECT_EQ(Joined(), "p20 l20 p2 p2");
}

int g_endStory, g_freeHud, g_freeSounds;

TEST_F(SceneSpine, LeavingTheBattleFreesByTheNextScene) {
  struct Row {
    int next;
    bool stageKept;
    int storyEnded;
  };
  const Row rows[] = {{5, true, 1}, {9, false, 0}, {2, false, 1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.next);
    g_endStory = g_freeHud = g_freeSounds = 0;
    g_BattleSeams.EndStoryScript = [] { ++g_endStory; };
    g_BattleSeams.FreeBattleHudGraphics = [] { ++g_freeHud; };
    g_BattleSeams.FreeCharacterSounds = [] { ++g_freeSounds; };
    g_LoadedStagePath = "Bg\\stage00.dat";
    g_LoadedStageBg = 0;
    g_BattlePhase = 3;
    RegisterScene(1, {RecordingScene<1>, nullptr});  // registered without a leave hook
    ChangeScene(1);
    RunSceneStep(1);
    EXPECT_EQ(GetSceneProcess().panels.battleInUse, 1);
    ChangeScene(r.next);
    RunSceneStep(1);
    RunSceneStep(1);
    EXPECT_EQ(g_LoadedStagePath.empty(), !r.stageKept);
    EXPECT_EQ(g_endStory, r.storyEnded);
    EXPECT_GE(g_freeHud, 1);  // the character free and the leave both release the HUD set
    EXPECT_EQ(g_freeSounds, 1);
    EXPECT_EQ(g_BattlePhase, 0);
    EXPECT_EQ(GetSceneProcess().panels.fading, 1);
    ResetSceneSpine();
    ResetStageBg();
  }
}

TEST_F(SceneSpine, ExecuteSendsAFailedDirectConnectionToTheNetworkMenu) {
  struct Probe : CSceneProcessBase {
    int updates = 0;
    int Process(int) override { return Execute(); }
    void Update() override { ++updates; }
  } probe;
  static int latchCleared;
  latchCleared = 0;
  GetDirectNetHooks().clearFailureLatch = [] { ++latchCleared; };
  g_SceneId = 20;
  EXPECT_EQ(probe.Process(1), 1);
  EXPECT_EQ(probe.updates, 1);
  EXPECT_EQ(g_SceneIdRun, 20);

  GetDirectNetHooks().updateConnection = [] { return 0; };
  online.active = true;
  g_MainSide = 1;
  EXPECT_EQ(probe.Process(1), 0);
  EXPECT_EQ(probe.updates, 1);  // the failing scene's update does not run
  EXPECT_EQ(latchCleared, 1);
  EXPECT_EQ(g_SceneId, 100);
  EXPECT_EQ(g_SceneEnter, 1);
  EXPECT_EQ(g_GameModeFlags, MODE_NETWORK);
  EXPECT_EQ(g_MenuPlayer, 2);
  g_MainSide = 0;
  g_GameModeFlags = 0;
}

TEST_F(SceneSpine, TestSwitchRunsNoSceneAndKeepsTheFlag) {
  g_TestMode = 1;
  ChangeScene(20);
  EXPECT_EQ(UpdateSceneFrame(1), 1);
  EXPECT_EQ(UpdateSceneFrame(0), 0);
  EXPECT_EQ(Joined(), "");
  EXPECT_EQ(online.updates, 0);
  g_TestMode = 0;
}

TEST_F(SceneSpine, QuitRequestIsAcknowledgedAndEndsTheLoop) {
  ChangeScene(20);
  EXPECT_EQ(UpdateSceneFrame(1), 1);
  EXPECT_EQ(runState.quitAcknowledged.load(), 0);
  runState.quitRequested = 1;
  EXPECT_EQ(UpdateSceneFrame(0), 0);
  EXPECT_EQ(runState.quitAcknowledged.load(), 1);
  EXPECT_EQ(Joined(), "p20 p20");  // the scene still ran its frame, told to stop
}

TEST_F(SceneSpine, ReseedNetMatchRandomUsesTheSharedSeed) {
  SeedRandomGeneratorsFrom(99);
  g_RandDrawCount = 7;
  online.seed = 1000;
  ReseedNetMatchRandom();  // no network match: nothing changes
  EXPECT_EQ(online.seed, 1000);
  EXPECT_EQ(g_RandDrawCount, 7);

  online.netMatchActive = true;
  ReseedNetMatchRandom();
  EXPECT_EQ(online.seed, 1012);
  EXPECT_EQ(g_RandDrawCount, 0);
  RandStream got[kRandStreamCount];
  for (int s = 0; s < kRandStreamCount; ++s) got[s] = g_RandStreams[s];
  for (int s = 0; s < 10; ++s) SeedRandStream(s, 1000 + s);
  SeedRandStream(kRandCommonStream, 1011);
  for (int s = 0; s < kRandStreamCount; ++s) {
    EXPECT_EQ(got[s].index, g_RandStreams[s].index) << s;
    EXPECT_EQ(0, std::memcmp(got[s].table, g_RandStreams[s].table, sizeof got[s].table)) << s;
  }
}

TEST_F(SceneSpine, SceneChangeOperations) {
  struct Row {
    const char* name;
    void (*op)();
    bool online;
    int routeStageIndex;
    int routeFlags;
    int id;
    bool onlineAfter;
  };
  const Row rows[] = {
      {"replay select", GoToReplaySelect, false, 0, 0, SCENE_REPLAY_SELECT, false},
      {"main menu leaves the online mode", ReturnToMainMenu, true, 0, 0, SCENE_MAIN_MENU, false},
      {"network menu offline", ReturnToNetworkMenu, false, 0, 0, SCENE_NETWORK_MENU, false},
      {"next arcade stage", GoToNextArcadeStage, false, 1, 0, SCENE_NEXT_STAGE, false},
      {"a 0x400 stage goes straight to the VS screen", GoToNextArcadeStage, false, 1, 0x400, SCENE_VS_SCREEN,
       false},
      {"direct netplay leaves to the network menu", [] { LeaveDirectNetToNetworkMenu(7); }, true, 0, 0,
       SCENE_NETWORK_MENU, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ResetSceneSpine();
    online.active = r.online;
    online.messageBlock = r.online;
    g_MainSide = 0;
    StoryBattleRoute& route = g_StoryBattleRoutes[0];
    route = StoryBattleRoute{};
    route.stageIndex = r.routeStageIndex;
    route.stages[r.routeStageIndex].flags = r.routeFlags;
    g_SceneEnter = 0;
    r.op();
    EXPECT_EQ(g_SceneId, r.id);
    EXPECT_EQ(g_SceneEnter, 1);
    EXPECT_EQ(online.active, r.onlineAfter);
  }
  EXPECT_EQ(DirectNetDisconnectReason(), 7);
  LeaveDirectNetToNetworkMenu(9);  // the first reason since the last reset is kept
  EXPECT_EQ(DirectNetDisconnectReason(), 7);
  EXPECT_EQ(g_ReplaySelectFromMenu, 0);  // reset with the spine in the last row
  g_StoryBattleRoutes[0] = StoryBattleRoute{};
  g_GameModeFlags = 0;
}

TEST(SceneLetterbox, LargestCentredFourThreeRectangle) {
  struct Row {
    int w, h;
    int x, y, pw, ph;
  };
  const Row rows[] = {
      {640, 480, 0, 0, 640, 480},
      {1024, 768, 0, 0, 1024, 768},
      {1280, 720, 160, 0, 960, 720},
      {1280, 800, 106, 0, 1067, 800},
      {2560, 1080, 560, 0, 1440, 1080},
      {1280, 1024, 0, 32, 1280, 960},
      {0, 0, 0, 0, 0, 0},
      {1280, 0, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    int x, y, w, h;
    GetSceneLetterboxFor(r.w, r.h, &x, &y, &w, &h);
    EXPECT_EQ(x, r.x) << r.w << "x" << r.h;
    EXPECT_EQ(y, r.y) << r.w << "x" << r.h;
    EXPECT_EQ(w, r.pw) << r.w << "x" << r.h;
    EXPECT_EQ(h, r.ph) << r.w << "x" << r.h;
  }
}

// Letterbox presentation on the recording device: the picture, the panels and the aspect word.
class ScenePresent : public RecordingGfx {
 protected:
  void SetUp() override {}
  void Start(int w, int h) {
    StartTools(nullptr, w, h);
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    ResetSceneSpine();
    FillDefaultGameData(data);
    g_GameData = &data;
    GetSceneProcess().panels.defaults[0] = SolidTexture(16, 16, 0xFF0000FFu);
    GetSceneProcess().panels.defaults[1] = SolidTexture(16, 16, 0xFF00FF00u);
  }
  void TearDown() override {
    ResetSceneSpine();
    g_GameData = nullptr;
    StopTools();
  }
  GameData data{};
};

TEST_F(ScenePresent, PictureAndPanelsPerBackBuffer) {
  struct Row {
    int w, h;
    int aspect;
    int draws;  // black back buffer, picture, panels
    int px, pw, py, ph;
  };
  const Row rows[] = {
      {640, 480, 2, 2, 0, 640, 0, 480},       {1024, 768, 2, 2, 0, 1024, 0, 768},
      {1280, 720, 3, 4, 160, 960, 0, 720},    {1280, 800, 3, 4, 106, 1067, 0, 800},
      {2560, 1080, 3, 4, 560, 1440, 0, 1080}, {1280, 1024, 2, 2, 0, 1280, 32, 960},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::to_string(r.w) + "x" + std::to_string(r.h));
    Start(r.w, r.h);
    g_D3DDevice->Records().clear();
    PresentLetterbox(g_SceneTargets[0]);
    EXPECT_EQ(data.LetterboxMode, r.aspect);
    auto draws = Draws();
    ASSERT_EQ(static_cast<int>(draws.size()), r.draws);
    if (r.draws >= 2) {
      // The picture: the scene target, 640 x 480 of it, into the letterbox rectangle.
      const gfx::DeviceRecord* pic = nullptr;
      const uint64_t scene = HandleTexture(g_SceneTargets[0])->Serial();
      for (auto* d : draws)
        if (d->textureSerial == scene) pic = d;
      ASSERT_NE(pic, nullptr);
      float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
      for (const auto& v : pic->vertices) {
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
      }
      EXPECT_FLOAT_EQ(minX, static_cast<float>(r.px));
      EXPECT_FLOAT_EQ(maxX - minX, static_cast<float>(r.pw));
      EXPECT_FLOAT_EQ(minY, static_cast<float>(r.py));
      EXPECT_FLOAT_EQ(maxY - minY, static_cast<float>(r.ph));
    }
    TearDown();
  }
}

// With /T the scene texture goes 1:1 over the whole back buffer: no bars, no panels, no aspect.
TEST_F(ScenePresent, TestSwitchPresentsTheSceneTextureOneToOne) {
  Start(1280, 720);
  g_TestMode = 1;
  data.LetterboxMode = 0;
  g_D3DDevice->Records().clear();
  PresentLetterbox(g_SceneTargets[0]);
  g_TestMode = 0;
  auto draws = Draws();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0]->textureSerial, HandleTexture(g_SceneTargets[0])->Serial());
  float maxX = 0, maxY = 0, maxU = 0;
  for (const auto& v : draws[0]->vertices) {
    maxX = std::max(maxX, v.x);
    maxY = std::max(maxY, v.y);
    maxU = std::max(maxU, v.u);
  }
  EXPECT_FLOAT_EQ(maxX, 1280.0f);
  EXPECT_FLOAT_EQ(maxY, 720.0f);
  // The whole 1280-wide target (inside its power-of-two texture), not its 640 x 480 corner.
  EXPECT_FLOAT_EQ(maxU, 1280.0f / static_cast<float>(HandleTexture(g_SceneTargets[0])->Width()));
  EXPECT_EQ(data.LetterboxMode, 0);
}

TEST_F(ScenePresent, BattlePanelsFadeToBlackOverThirtyTwoFrames) {
  Start(1280, 720);
  SidePanelState& s = GetSceneProcess().panels;
  s.battle[0] = SolidTexture(16, 16, 0xFFFF0000u);
  s.battleInUse = 1;
  s.fading = 1;
  s.fadeLevel = 0.0f;
  for (int f = 1; f <= 31; ++f) {
    UpdateSidePanelFade();
    ASSERT_EQ(s.fading, 1) << f;
    EXPECT_FLOAT_EQ(s.fadeLevel, f / 32.0f);
  }
  g_D3DDevice->Records().clear();
  PresentLetterbox(g_SceneTargets[0]);
  // Two black quads over the bars first (alpha trunc(31/32 x 255) = 247), then both panels:
  // the battle's on the left, the default on the right (no battle panel there).
  size_t blackVertices = 0;
  for (auto* d : Draws())
    for (const auto& v : d->vertices)
      if (d->textureSerial == 0 && (v.diffuse >> 24) == 247) ++blackVertices;
  EXPECT_GE(blackVertices, 8u);  // two quads
  UpdateSidePanelFade();
  EXPECT_EQ(s.fading, 0);
  EXPECT_EQ(s.battleInUse, 0);
  EXPECT_FLOAT_EQ(s.fadeLevel, 1.0f);
  EXPECT_EQ(s.battle[0], nullptr);
}

TEST_F(ScenePresent, BattlePanelPathsAndTheArcadeStageFlag) {
  Start(1280, 720);
  const std::string panel = ReadFile(std::filesystem::path(VT_SAMPLE_DIR) / "grp" / "system" / "Flare00.png");
  ASSERT_FALSE(panel.empty());
  WriteFile("apm_com/eng/apm_com_07_1p_2.png", panel);
  WriteFile("apm_com/eng/apm_com_01_2p_0.png", panel);
  data.SELECT_LANGUAGE = 1;
  g_PlayerSelections[0].character = 7;
  g_PlayerSelections[0].type = 2;
  g_PlayerSelections[1].character = 1;
  g_PlayerSelections[1].type = 0;
  g_GameModeFlags = MODE_VS_PLAYER;
  LoadBattleSidePanels();
  SidePanelState& s = GetSceneProcess().panels;
  EXPECT_NE(s.battle[0], nullptr);
  EXPECT_NE(s.battle[1], nullptr);
  EXPECT_EQ(s.battleInUse, 1);

  // Arcade, main side 1, a route stage with flag 0x400: character 1 during the loads, 51 after.
  g_GameModeFlags = MODE_ARCADE;
  g_MainSide = 1;
  g_PlayerSelections[1].character = 30;
  StoryBattleRoute& route = g_StoryBattleRoutes[1];
  route.stageIndex = 2;
  route.stages[2].flags = 0x400;
  LoadBattleSidePanels();
  EXPECT_NE(s.battle[1], nullptr);  // apm_com_01_2p_0
  EXPECT_EQ(g_PlayerSelections[1].character, 51);
  // A character outside two digits names no panel; a missing file leaves the default.
  g_GameModeFlags = MODE_VS_PLAYER;
  g_PlayerSelections[0].character = 150;
  g_PlayerSelections[1].character = 3;
  LoadBattleSidePanels();
  EXPECT_EQ(s.battle[0], nullptr);
  EXPECT_EQ(s.battle[1], nullptr);
  route = StoryBattleRoute{};
  g_MainSide = 0;
  g_GameModeFlags = 0;
  g_PlayerSelections[0] = g_PlayerSelections[1] = PlayerSelection{};
}

TEST_F(ScenePresent, PaceAndPresentTable) {
  struct Row {
    const char* name;
    int counter;
    uint8_t skipEnded;
    uint32_t presented;
    int frameSkip;
    bool paced;
    int presents;
    int counterAfter;
    uint8_t skipEndedAfter;
  };
  const Row rows[] = {
      {"normal frame", 0, 0, 4, 0, true, 1, 0, 0},
      {"frame skip on, even count: no present", 0, 0, 4, 1, true, 0, 0, 0},
      {"frame skip on, odd count: present", 0, 0, 5, 1, true, 1, 0, 0},
      {"255: pace, no present, back to 0", 255, 0, 4, 0, true, 0, 0, 0},
      {"skipping: no pacing, no present, count down", 3, 0, 4, 0, false, 0, 2, 0},
      {"the last skipped frame ends the skip", 1, 0, 4, 0, false, 0, 0, 1},
      {"the skip-ended flag clears first", 1, 1, 4, 0, false, 0, 1, 0},
  };
  vt::platform::FakeClock clock;
  vt::platform::SetClock(&clock);
  Start(640, 480);
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    RenderSkipState& skip = GetSceneProcess().skip;
    skip.counter = r.counter;
    skip.skipEnded = r.skipEnded;
    skip.presentedFrames = r.presented;
    data.FrameSkip = r.frameSkip;
    GetSceneProcess().pacing.Init();
    g_D3DDevice->Records().clear();
    const uint64_t before = clock.nowNs();
    PaceAndPresent();
    int presents = 0;
    for (const auto& rec : g_D3DDevice->Records())
      if (rec.kind == gfx::DeviceRecord::kPresent) ++presents;
    EXPECT_EQ(presents, r.presents);
    EXPECT_EQ(clock.nowNs() > before, r.paced);
    EXPECT_EQ(skip.counter, r.counterAfter);
    EXPECT_EQ(skip.skipEnded, r.skipEndedAfter);
    EXPECT_EQ(skip.presentedFrames, r.presented + 1);
  }
  vt::platform::SetClock(nullptr);
}

// The frame-rate counter starts as if a second had just run (accumulator 1.0, 60 frames), so
// the first paced frame shows 61; then a second of 1/60 s frames shows 60.
TEST_F(SceneSpine, FrameRateCounterCountsPacedSeconds) {
  ResetFrameRateCounters();
  CSceneProcess& p = GetSceneProcess();
  PaceFrame();
  EXPECT_EQ(p.framesShown, 61);
  EXPECT_EQ(p.framesThisSecond, 0);
  int frames = 0;
  while (p.framesThisSecond != 0 || frames == 0) {
    PaceFrame();
    ++frames;
    ASSERT_LT(frames, 100);
  }
  EXPECT_EQ(p.framesShown, frames);
  EXPECT_GE(frames, 59);
  EXPECT_LE(frames, 60);
}

// An online battle frame whose remote input has not arrived waits in the stall loop; the next
// frame spends no time there, and the stall draws nothing.
TEST_F(ScenePresent, StallWaitsOnlyForTheStalledFrame) {
  vt::platform::FakeClock clock;
  vt::platform::SetClock(&clock);
  Start(640, 480);
  ScriptedOnlineModeManager online;
  online.inputMode = 1;
  SetOnlineModeManager(&online);
  LoopbackNetInputLink link;
  link.Reset(1);  // first battler; the other side's input never arrives
  SetNetInputLink(&link);
  if (g_AppJoystick == nullptr) StartAppJoystick();
  // Frame 0 is known empty for both sides; frame 1's remote input never comes.

  g_SceneId = g_SceneIdRun = 1;
  EXPECT_EQ(PollSceneInput(), 1);
  EXPECT_EQ(GetSceneProcess().netStall, 0);
  EXPECT_EQ(PollSceneInput(), 0);  // frame 1 is held
  EXPECT_EQ(GetSceneProcess().netStall, 1);
  g_D3DDevice->Records().clear();
  uint64_t before = clock.nowNs();
  RunNetStallLoop();
  EXPECT_GE(clock.nowNs() - before, 1000000000ull / 600);
  EXPECT_TRUE(Draws().empty());
  EXPECT_EQ(GetSceneProcess().netStall, 0);
  before = clock.nowNs();
  RunNetStallLoop();
  EXPECT_EQ(clock.nowNs(), before);

  // A failed direct connection ends the wait at once.
  GetSceneProcess().netStall = 1;
  GetDirectNetHooks().updateConnection = [] { return 0; };
  before = clock.nowNs();
  RunNetStallLoop();
  EXPECT_EQ(clock.nowNs(), before);
  ResetDirectNetHooks();
  SetNetInputLink(nullptr);
  SetOnlineModeManager(nullptr);
  vt::platform::SetClock(nullptr);
}

}  // namespace
}  // namespace vt::test
