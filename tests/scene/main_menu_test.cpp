// The main menu through the scene harness on the recording device: navigation and the leave
// questions, the actions of every result, who drives the menu, a lost connection, the menu's
// lifetime across scene changes, the entry reset and the missing background.
#include "scene/main_menu.h"
#include "scene/title_scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/input/input_hooks.h"
#include "battle/battle_camera.h"
#include "battle/battle_records.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_fixture.h"
#include "scene/scene_harness.h"
#include "scene/stage_bg.h"
#include "support/test_util.h"

namespace {

constexpr uint32_t kDecide = 0x2;  // the pad button the default key settings give menu button 0
constexpr uint32_t kCancel = 0x4;  // and menu button 1

// A pad script: each step is one frame.
struct Script {
  std::vector<ScenePadFrame> frames;
  Script& Wait(int n) {
    frames.resize(frames.size() + static_cast<size_t>(n));
    return *this;
  }
  Script& Dir(uint8_t d, int player = 0) {
    ScenePadFrame f;
    f.dir[player] = d;
    frames.push_back(f);
    return Wait(1);
  }
  Script& Press(uint32_t buttons, int player = 0) {
    ScenePadFrame f;
    f.buttons[player] = buttons;
    frames.push_back(f);
    return Wait(1);
  }
  Script& Frame(const ScenePadFrame& f) {
    frames.push_back(f);
    return Wait(1);
  }
};

// Frames enough for the yes/no box to open or close, and for the screen to fade out.
constexpr int kBoxFrames = 24;

class MainMenuTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    SceneHarnessOptions o;
    o.firstScene = SCENE_MAIN_MENU;
    ASSERT_TRUE(harness_.Start(o));
    harness_.RunFrame();  // the entry frame: the menu opens
    ASSERT_NE(GetMainMenu(), nullptr);
  }
  void TearDown() override {
    harness_.Stop();
    SetOnlineModeManager(nullptr);
    GetInputGameHooks() = InputGameHooks{};
    SceneTest::TearDown();
  }
  // Runs the script and then idle frames; returns the reports.
  std::vector<SceneFrameReport> Play(const Script& s, int extra = 0) {
    harness_.SetPads(s.frames);
    return harness_.Run(static_cast<int>(s.frames.size()) + extra);
  }
  CGameMenuSet* Set() { return GetMainMenu()->CurrentSet(); }

  SceneHarness harness_;
};

// ---- Navigation ----

TEST_F(MainMenuTest, RootCancelAsksForTheTitleAndYesGoesThere) {
  Play(Script().Press(kCancel).Wait(kBoxFrames));
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(GetMainMenu()->openState, CTitleMenuManager::kMenuConfirm);
  EXPECT_EQ(GetMainMenu()->question, "Return to the title screen?");
  // YES sits above the box's default NO.
  const auto r = Play(Script().Dir(8).Press(kDecide).Wait(kBoxFrames * 2));
  EXPECT_EQ(GetMainMenu(), nullptr);
  EXPECT_EQ(g_SceneId, SCENE_TITLE);
  // The title took the skip on its first frame: it stands at the end of its intro, prompt shown.
  EXPECT_EQ(g_TitleSkipIntro, 0);
  EXPECT_EQ(GetTitleScreenState().promptAlpha, 255);
  bool entered = false;
  for (const SceneFrameReport& f : r) entered |= f.sceneId == SCENE_TITLE && f.enter == kSceneFreshEntry;
  EXPECT_TRUE(entered);
}

TEST_F(MainMenuTest, TheQuestionIsInJapaneseOutsideTheEnglishLanguage) {
  config_.SELECT_LANGUAGE = 0;
  Play(Script().Press(kCancel).Wait(2));
  ASSERT_NE(GetMainMenu(), nullptr);
  // "タイトル画面へ戻ります、よろしいですか？" in Shift-JIS.
  EXPECT_EQ(GetMainMenu()->question,
            "\x83\x5E\x83\x43\x83\x67\x83\x8B\x89\xE6\x96\xCA\x82\xD6\x96\xDF\x82\xE8\x82\xDC\x82\xB7\x81\x41"
            "\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81\x48");
}

TEST_F(MainMenuTest, ExitGameAnsweredNoReturnsToTheListWithTheCursorKept) {
  Play(Script().Dir(8).Press(kDecide).Wait(kBoxFrames));  // up from ARCADE wraps to EXIT GAME
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(GetMainMenu()->question, "Quit the game?");
  Play(Script().Press(kDecide).Wait(kBoxFrames));  // the box's cursor starts on NO
  CTitleMenuManager* m = GetMainMenu();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->openState, CTitleMenuManager::kMenuRunning);
  EXPECT_EQ(m->inputEnabled, 1);
  EXPECT_EQ(m->yesNo, nullptr);
  EXPECT_EQ(Set()->name, "MENU_ROOT");
  EXPECT_EQ(Set()->CursorElement()->id, "EXIT_GAME");
  EXPECT_EQ(g_SceneId, SCENE_MAIN_MENU);
}

TEST_F(MainMenuTest, CancelInTheBoxIsNo) {
  Play(Script().Dir(8).Press(kDecide).Wait(kBoxFrames));
  // The cursor on YES, then cancel: still a no.
  Play(Script().Dir(8).Press(kCancel).Wait(kBoxFrames));
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(GetMainMenu()->openState, CTitleMenuManager::kMenuRunning);
  EXPECT_EQ(g_SceneId, SCENE_MAIN_MENU);
  // And after a root cancel the same: no title.
  Play(Script().Press(kCancel).Wait(kBoxFrames).Dir(8).Press(kCancel).Wait(kBoxFrames * 2));
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(GetMainMenu()->rootCancel, 0);
  EXPECT_EQ(g_SceneId, SCENE_MAIN_MENU);
}

TEST_F(MainMenuTest, VersusListReopensOnItsFirstEntryAndReturnGoesBack) {
  Play(Script().Dir(2).Press(kDecide));  // VERSUS
  ASSERT_EQ(Set()->name, "MENU_VERSUS");
  EXPECT_EQ(Set()->CursorElement()->id, "VS_PLAYER");
  Play(Script().Dir(2).Dir(2));
  EXPECT_EQ(Set()->CursorElement()->id, "VS_CvC");
  Play(Script().Press(kCancel));  // cancel in the versus list goes up, it asks nothing
  EXPECT_EQ(Set()->name, "MENU_ROOT");
  EXPECT_EQ(GetMainMenu()->openState, CTitleMenuManager::kMenuRunning);
  EXPECT_EQ(Set()->CursorElement()->id, "VERSUS");
  Play(Script().Press(kDecide));
  ASSERT_EQ(Set()->name, "MENU_VERSUS");
  EXPECT_EQ(Set()->CursorElement()->id, "VS_PLAYER");
  Play(Script().Dir(8));  // up wraps to RETURN over the spacer
  EXPECT_EQ(Set()->CursorElement()->id, "VS_RETURN");
  Play(Script().Press(kDecide));
  EXPECT_EQ(Set()->name, "MENU_ROOT");
  EXPECT_EQ(GetMainMenu()->yesNo, nullptr);
}

// ---- Actions ----

TEST(MainMenuAction, EachResultStartsItsModeAndScene) {
  struct Row {
    const char* result;
    int scene;
    uint8_t enter;
    int32_t mode;  // -2: not set by the action
  };
  const Row rows[] = {
      {"ARCADE_MODE", SCENE_CHARA_SELECT, 1, MODE_ARCADE},
      {"TRAINING_MODE", SCENE_CHARA_SELECT, 1, MODE_TRAINING},
      {"VS_PLAYER", SCENE_CHARA_SELECT, 1, MODE_VS_PLAYER},
      {"VS_CPU", SCENE_CHARA_SELECT, 1, MODE_VS_CPU},
      {"VS_CvC", SCENE_CHARA_SELECT, 1, MODE_CPU_VS_CPU},
      {"VS_REPLAY", SCENE_REPLAY_SELECT, 1, MODE_VS_PLAYER},
      {"OPTION_MODE", SCENE_OPTION, 1, -2},
      {"RANKING_VIEW", SCENE_RANKING, 1, -2},
      {"NETWORK_MODE", SCENE_NETWORK_MENU, 1, MODE_NETWORK},
      {"RETURN_TITLE", SCENE_TITLE, 1, -2},
      {"EXIT_GAME", SCENE_QUIT, kSceneLeaveProgram, -2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.result);
    scene_test::ResetSceneWords();
    g_GameModeFlags = 0x7777;
    MainMenuAction(row.result, 1);
    EXPECT_EQ(g_SceneId, row.scene);
    EXPECT_EQ(g_SceneEnter, row.enter);
    EXPECT_EQ(g_GameModeFlags, row.mode == -2 ? 0x7777 : row.mode);
    if (std::string(row.result) == "RANKING_VIEW") {
      EXPECT_EQ(g_RankingReturnScene, SCENE_MAIN_MENU);
      EXPECT_EQ(g_RankingFromMenu, 1);
    }
    if (std::string(row.result) == "RETURN_TITLE") EXPECT_EQ(g_TitleSkipIntro, 1);
  }
  scene_test::ResetSceneWords();
  MainMenuAction("VS_RETURN", 0);  // not a result: nothing happens
  EXPECT_EQ(g_SceneId, 0);
}

TEST_F(MainMenuTest, ArcadeDecidedGoesToTheSelectWithPlayerOneAsMainSide) {
  Play(Script().Press(kDecide).Wait(kBoxFrames));
  EXPECT_EQ(GetMainMenu(), nullptr);
  EXPECT_EQ(g_SceneId, SCENE_CHARA_SELECT);
  EXPECT_EQ(g_GameModeFlags, MODE_ARCADE);
  EXPECT_EQ(g_MainSide, 0);
}

TEST(MainMenuRoads, EachVersusEntryReachesTheSelectInItsMode) {
  struct Row {
    int downs;  // moves in the versus list
    int32_t mode;
    int scene;
  };
  const Row rows[] = {{0, MODE_VS_PLAYER, SCENE_CHARA_SELECT},
                      {1, MODE_VS_CPU, SCENE_CHARA_SELECT},
                      {2, MODE_CPU_VS_CPU, SCENE_CHARA_SELECT},
                      {3, MODE_VS_PLAYER, SCENE_REPLAY_SELECT}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.downs);
    scene_test::ResetSceneWords();
    SceneHarness h;
    SceneHarnessOptions o;
    o.firstScene = SCENE_MAIN_MENU;
    ASSERT_TRUE(h.Start(o));
    Script s;
    s.Wait(1).Dir(2).Press(kDecide);
    for (int i = 0; i < r.downs; ++i) s.Dir(2);
    s.Press(kDecide).Wait(kBoxFrames);
    h.SetPads(s.frames);
    h.Run(static_cast<int>(s.frames.size()));
    EXPECT_EQ(g_SceneId, r.scene);
    EXPECT_EQ(g_GameModeFlags, r.mode);
    EXPECT_EQ(GetMainMenu(), nullptr);
    h.Stop();
  }
  scene_test::ResetSceneWords();
}

TEST_F(MainMenuTest, PlayerTwoDrivesOnlyWhenPlayerOneTouchesNothing) {
  // Player 1 holds a button: player 2's decide is not looked at.
  ScenePadFrame both;
  both.buttons[0] = 0x1;  // a button that is no menu button of its own, held all along
  both.buttons[1] = kDecide;
  Script held;
  for (int i = 0; i < 4; ++i) held.Frame(both);
  Play(held);
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(GetMainMenu()->openState, CTitleMenuManager::kMenuRunning);
  // Player 1 idle: player 2 chooses training and becomes the main side.
  Play(Script().Dir(2, 1).Dir(2, 1).Press(kDecide, 1).Wait(kBoxFrames));
  EXPECT_EQ(g_SceneId, SCENE_CHARA_SELECT);
  EXPECT_EQ(g_GameModeFlags, MODE_TRAINING);
  EXPECT_EQ(g_MainSide, 1);
}

TEST_F(MainMenuTest, CancelWinsOverDecideInTheSameFrame) {
  Play(Script().Press(kDecide | kCancel).Wait(2));
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(GetMainMenu()->openState, CTitleMenuManager::kMenuConfirm);
  EXPECT_EQ(GetMainMenu()->rootCancel, 1);
  EXPECT_EQ(g_SceneId, SCENE_MAIN_MENU);
}

TEST_F(MainMenuTest, ALostConnectionIgnoresInput) {
  ScriptedOnlineModeManager online;
  online.connectionLost = true;
  SetOnlineModeManager(&online);
  Play(Script().Dir(2).Press(kDecide).Press(kCancel).Wait(kBoxFrames));
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(GetMainMenu()->openState, CTitleMenuManager::kMenuRunning);
  EXPECT_EQ(Set()->CursorElement()->id, "ARCADE_MODE");
  online.connectionLost = false;
  Play(Script().Dir(2));
  EXPECT_EQ(Set()->CursorElement()->id, "VERSUS");
}

// ---- Lifetime ----

TEST_F(MainMenuTest, TheMenuIsFreedWhenAnotherPartMovesTheScene) {
  const int textures = g_TextureCount.load();
  // Another part changes the scene from outside the menu while the menu is open.
  ChangeScene(SCENE_OPTION);
  harness_.RunFrame();
  EXPECT_EQ(GetMainMenu(), nullptr);
  EXPECT_LE(g_TextureCount.load(), textures);
  // Coming back makes one fresh menu.
  ChangeScene(SCENE_MAIN_MENU);
  harness_.RunFrame();
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(GetMainMenu()->openState, CTitleMenuManager::kMenuRunning);
  EXPECT_EQ(Set()->name, "MENU_ROOT");
}

TEST_F(MainMenuTest, ReenteringWhileOpenReplacesTheMenu) {
  Play(Script().Dir(2).Press(kDecide));
  ASSERT_EQ(Set()->name, "MENU_VERSUS");
  ChangeScene(SCENE_MAIN_MENU);  // the enter flag set anew inside scene 25
  harness_.RunFrame();
  ASSERT_NE(GetMainMenu(), nullptr);
  EXPECT_EQ(Set()->name, "MENU_ROOT");
}

// ---- Entry reset ----

TEST_F(MainMenuTest, ResetForMainMenuClearsTheMatchLeftovers) {
  g_AttractDemo = 1;
  g_ChallengeState = 255;
  g_Paused = 1;
  g_CameraX = 300;
  g_CameraY = -20;
  g_ObjectPool[5].inUse = 1;
  g_SideStatus[0].arcadeTotals[2] = 1234;
  g_CreditState.players[0].joinMode = 0;
  g_LoadedStageBg = 2;
  g_LoadedStagePath = ".\\Bg\\garden.dat";
  g_StageBgBuilt = 1;
  ChangeScene(SCENE_MAIN_MENU);
  harness_.RunFrame();
  EXPECT_EQ(g_AttractDemo, 0);
  EXPECT_EQ(g_ChallengeState, 0);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_CameraX, 0);
  EXPECT_EQ(g_ObjectPool[5].inUse, 0);
  EXPECT_EQ(g_SideStatus[0].arcadeTotals[2], 0);
  EXPECT_EQ(g_CreditState.players[0].joinMode, 3);
  EXPECT_EQ(g_CreditState.players[1].joinMode, 3);
  // No stage is held any more.
  EXPECT_EQ(g_LoadedStageBg, -1);
  EXPECT_TRUE(g_LoadedStagePath.empty());
  EXPECT_EQ(g_StageBgBuilt, 0);
}

TEST_F(MainMenuTest, AFinishedNameEntryIsStoredBeforeItIsClosed) {
  std::vector<std::string> calls;
  int states[2] = {2, 1};  // player 1 finished, player 2 still typing
  InputGameHooks& h = GetInputGameHooks();
  h.nameEntryState = [&](int p) { return states[p]; };
  h.setNameEntryState = [&](int p, int s) {
    states[p] = s;
    calls.push_back("state" + std::to_string(p) + "=" + std::to_string(s));
  };
  h.registerRankingEntry = [&](int p) {
    calls.push_back("register" + std::to_string(p));
    return 1;
  };
  h.savePlayDataIfLoaded = [&] { calls.push_back("save"); };
  ResetForMainMenu(1);
  EXPECT_EQ(calls, (std::vector<std::string>{"register0", "save", "state0=3"}));
  EXPECT_EQ(states[1], 1);
}

// ---- Drawing ----

int FullScreenQuadsAt(int priority) {
  int n = 0;
  for (const GrpDrawCommand* c = g_MainDrawList.slots[priority].next; c && c->kind != kDrawKindHead;
       c = c->next) {
    if (c->kind != kDrawKindQuad) continue;
    float x0 = c->v[0].x, x1 = c->v[0].x, y0 = c->v[0].y, y1 = c->v[0].y;
    for (const auto& v : c->v) {
      x0 = std::min(x0, v.x), x1 = std::max(x1, v.x);
      y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
    }
    if (x1 - x0 >= 639.0f && y1 - y0 >= 479.0f) ++n;
  }
  return n;
}

TEST_F(MainMenuTest, AMissingBackgroundQueuesNoDraw) {
  ASSERT_EQ(GetMainMenu()->background, nullptr);  // no picture in the test's folder
  ResetDrawList(&g_MainDrawList);
  GetMainMenu()->Draw();
  EXPECT_EQ(FullScreenQuadsAt(1), 0);
}

// The smallest 24-bit picture: 2 x 2 pixels, rows padded to 4 bytes.
std::string TinyBmp() {
  std::string b(54 + 16, '\0');
  auto put = [&](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B', b[1] = 'M';
  put(2, static_cast<uint32_t>(b.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, 2, 4);
  put(22, 2, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, 16, 4);
  for (size_t i = 54; i < b.size(); ++i) b[i] = static_cast<char>(0x80);
  return b;
}

TEST_F(MainMenuTest, APresentBackgroundIsDrawnOverTheScreen) {
  vt::test::WriteFile("grp/MainMenu/Menu_Bg.bmp", TinyBmp());
  ChangeScene(SCENE_MAIN_MENU);
  harness_.RunFrame();
  ASSERT_NE(GetMainMenu(), nullptr);
  ASSERT_NE(GetMainMenu()->background, nullptr);
  ResetDrawList(&g_MainDrawList);
  GetMainMenu()->Draw();
  EXPECT_EQ(FullScreenQuadsAt(1), 1);
}

}  // namespace

namespace {

// The sample help file answers every entry of both lists, in both languages.
TEST(MainMenuSampleData, EveryEntryHasItsHelpText) {
  for (const char* language : {"eng", "jpn"}) {
    CInformationWindow w;
    ASSERT_EQ(w.LoadTexts(std::string(VT_SAMPLE_DIR) + "/Information/" + language + "/GameMenuInfo.ini"), 1);
    for (const char* id :
         {"ARCADE_MODE", "VERSUS", "TRAINING_MODE", "OPTION_MODE", "RANKING_VIEW", "NETWORK_MODE",
          "RETURN_TITLE", "EXIT_GAME", "VS_PLAYER", "VS_CPU", "VS_CvC", "VS_REPLAY", "VS_RETURN"})
      EXPECT_FALSE(w.FindText(id).empty()) << language << " " << id;
  }
}

}  // namespace
