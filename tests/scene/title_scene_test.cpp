// The title screen through the scene harness: logos and prompt by the movie position, the press
// that jumps to the end of the intro and opens the main menu, the intro skipped on entry, the
// idle count after the movie and the attract demo, the title without its movie, and the quit
// question; and its reset's music volume rule and name-entry close.
#include "scene/title_scene.h"

#include <gtest/gtest.h>

#include "MenuWindow/game_menu.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/input/input_hooks.h"
#include "battle/battle_camera.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "scene/boot_title_fixture.h"
#include "scene/game_modes.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"

namespace {

using boot_title_test::Alpha;
using boot_title_test::Queued;

constexpr uint32_t kDecide = 1u << 1;  // the harness pad's raw bits: menu button 0
constexpr uint32_t kCancel = 1u << 2;  // menu button 1
constexpr uint32_t kButton9 = 1u << 8;

ScenePadFrame Pad(uint32_t buttons, uint8_t dir = 0) {
  ScenePadFrame f;
  f.buttons[0] = buttons;
  f.dir[0] = dir;
  return f;
}

class TitleScene : public boot_title_test::HarnessTest {
 protected:
  void SetUp() override {
    HarnessTest::SetUp();
    g_TitleSkipIntro = 0;
    g_TitleQuitConfirmed = 0;
  }
  void TearDown() override {
    g_TitleSkipIntro = 0;
    g_TitleQuitConfirmed = 0;
    HarnessTest::TearDown();
  }
  static void WriteTitleData() {
    boot_title_test::WriteMovie("dat/dat_m_ttl.d", 15.0);
    boot_title_test::WritePicture("grp/title_QZ/title_mainlogo00.png", 640, 256, 0xFFC03020u);
    boot_title_test::WritePicture("grp/title_QZ/title_mainlogo01.png", 640, 256, 0xFF2030C0u);
    boot_title_test::WritePicture("grp/title_QZ/title_manu00.png", 256, 128, 0xFFE0E0E0u);
  }
  // What the title queues at its priority 10 this frame, drawn again on a clean list (the frame's
  // own list is rendered and gone); the prompt's fade is left as the frame left it.
  static std::vector<uint32_t> TitleLayerAlphas() {
    TitleScreenState& t = GetTitleScreenState();
    const int32_t alpha = t.promptAlpha;
    ResetDrawList(&g_MainDrawList);
    t.promptAlpha = alpha > 0 ? alpha - 10 : 0;  // DrawTitleScreen adds its step again
    DrawTitleScreen();
    std::vector<uint32_t> out;
    for (const GrpDrawCommand* c : Queued(10)) out.push_back(Alpha(c));
    ResetDrawList(&g_MainDrawList);
    t.promptAlpha = alpha;
    return out;
  }
};

TEST_F(TitleScene, LogosAndPromptFollowTheMoviePosition) {
  WriteTitleData();
  ASSERT_TRUE(Start(SCENE_TITLE));
  int firstLogo = -1, secondLogo = -1, prompt = -1;
  for (int f = 0; f < 640; ++f) {
    harness_.RunFrame();
    const std::vector<uint32_t> a = TitleLayerAlphas();
    if (firstLogo < 0 && a.size() >= 1) firstLogo = f;
    if (secondLogo < 0 && a.size() >= 2) secondLogo = f;
    if (prompt < 0 && a.size() == 4) {
      prompt = f;
      // The upper version fades in over the lower one.
      EXPECT_EQ(a[2], 10u);
      EXPECT_EQ(a[3], 245u);
    }
  }
  // 6.05 s, 9.08 s and 10 s at 60 frames a second, give or take the movie's own rounding.
  EXPECT_NEAR(firstLogo, 363, 1);
  EXPECT_NEAR(secondLogo, 545, 1);
  EXPECT_NEAR(prompt, 600, 1);
  EXPECT_EQ(GetTitleScreenState().promptAlpha, 255);
  EXPECT_EQ(GetTitleScreenState().idleFrames, 0);  // the movie still plays
}

TEST_F(TitleScene, APressJumpsToTheIntroEndAndOpensTheMainMenu) {
  WriteTitleData();
  ASSERT_TRUE(Start(SCENE_TITLE));
  for (int f = 0; f < 300; ++f) harness_.RunFrame();  // 5 s in
  EXPECT_LT(GetMoviePosition(), 5.1);
  harness_.SetPads({Pad(kDecide), Pad(0), Pad(kDecide)});
  harness_.RunFrame();
  EXPECT_NEAR(GetMoviePosition(), 13.5, 0.02);
  EXPECT_EQ(GetTitleScreenState().promptAlpha, 255);
  EXPECT_EQ(GetTitleScreenState().mode, kTitleModeFade);
  EXPECT_EQ(g_SeRequest[151], 0);  // played at the end of the frame
  harness_.RunFrame();
  harness_.RunFrame();  // a second press: no seek back
  EXPECT_NEAR(GetMoviePosition(), 13.5 + 2.0 / 60, 0.02);
  // The 16-frame fade, then the main menu.
  int frames = 3;
  SceneFrameReport r;
  do {
    r = harness_.RunFrame();
    ++frames;
  } while (r.sceneId == SCENE_TITLE && frames < 40);
  EXPECT_EQ(r.sceneId, SCENE_MAIN_MENU);
  EXPECT_EQ(frames, 17);
  EXPECT_EQ(g_GameModeFlags, 0x10);  // the arcade set-up for player 1
}

TEST_F(TitleScene, SkippedIntroStartsAtItsEndWithoutAPress) {
  WriteTitleData();
  g_TitleSkipIntro = 1;
  ASSERT_TRUE(Start(SCENE_TITLE));
  harness_.RunFrame();
  EXPECT_NEAR(GetMoviePosition(), 13.5, 0.02);
  EXPECT_EQ(g_TitleSkipIntro, 0);
  EXPECT_EQ(GetTitleScreenState().promptAlpha, 255);
  EXPECT_EQ(GetTitleScreenState().mode, kTitleModeMenu);  // no press: nothing chosen
}

TEST_F(TitleScene, AttractDemoFollows2400IdleFramesAfterTheMovieEnds) {
  WriteTitleData();
  g_TitleSkipIntro = 1;  // 1.5 s of movie left
  ASSERT_TRUE(Start(SCENE_TITLE));
  int movieEnd = -1, fade = -1, attract = -1;
  for (int f = 0; f < 3000 && attract < 0; ++f) {
    const SceneFrameReport r = harness_.RunFrame();
    const TitleScreenState& t = GetTitleScreenState();
    if (movieEnd < 0 && t.idleFrames > 0) movieEnd = f;
    if (movieEnd < 0) EXPECT_EQ(t.idleFrames, 0) << f;
    if (fade < 0 && r.sceneId == SCENE_TITLE && t.mode == kTitleModeFade) fade = f;
    if (r.sceneId == SCENE_DEMO_VS_SCREEN) attract = f;
  }
  EXPECT_NEAR(movieEnd, 90, 2);
  EXPECT_EQ(fade - movieEnd, 2401);
  EXPECT_EQ(attract - fade, 16);
  EXPECT_EQ(g_AttractDemo, 1);
}

TEST_F(TitleScene, WithoutItsMovieTheCounterRunsAtOnceAndNothingIsDrawnOver) {
  boot_title_test::WritePicture("grp/title_QZ/title_mainlogo00.png", 640, 256, 0xFFC03020u);
  ASSERT_TRUE(Start(SCENE_TITLE));
  harness_.RunFrame();
  EXPECT_EQ(GetTitleScreenState().idleFrames, 1);
  for (int f = 0; f < 700; ++f) harness_.RunFrame();
  EXPECT_TRUE(TitleLayerAlphas().empty());
  EXPECT_EQ(GetTitleScreenState().idleFrames, 701);
}

TEST_F(TitleScene, QuitQuestionCancelIsNoAndYesEndsTheProgram) {
  config_.SELECT_LANGUAGE = 1;
  ASSERT_TRUE(Start(SCENE_TITLE));
  harness_.RunFrame();
  harness_.SetPads({Pad(kButton9)});
  harness_.RunFrame();
  ASSERT_NE(GetTitleScreenState().quitBox, nullptr);
  EXPECT_EQ(GetTitleScreenState().quitBox->title, "Check");
  // The box opens over 16 frames, then a cancel closes it as a no.
  std::vector<ScenePadFrame> pads(20);
  pads.push_back(Pad(kCancel));
  harness_.SetPads(pads);
  int r = 1;
  for (int f = 0; f < 60 && GetTitleScreenState().quitBox; ++f) harness_.RunFrame(&r);
  EXPECT_EQ(GetTitleScreenState().quitBox, nullptr);
  EXPECT_EQ(g_TitleQuitConfirmed, 0);
  EXPECT_EQ(r, 1);
  EXPECT_EQ(g_SceneId, SCENE_TITLE);
  EXPECT_EQ(GetTitleScreenState().mode, kTitleModeMenu);
  // Again, up to YES and decide: the program ends.
  pads.assign(1, Pad(kButton9));
  pads.resize(21);
  pads.push_back(Pad(0, 8));
  pads.push_back(Pad(0));
  pads.push_back(Pad(kDecide));
  harness_.SetPads(pads);
  r = 1;
  for (int f = 0; f < 80 && r == 1; ++f) harness_.RunFrame(&r);
  EXPECT_EQ(g_TitleQuitConfirmed, 1);
  EXPECT_EQ(r, 0);
  EXPECT_TRUE(GetInputGameHooks().titleQuitConfirmed());
}

TEST(TitleQuitQuestion, InTheChosenLanguage) {
  EXPECT_STREQ(TitleQuitQuestion(1), "Quit the game?");
  // Japanese for every other value, in the Shift-JIS the text drawer reads (ゲーム... starts 0x83 0x51).
  for (const int language : {0, 2}) {
    const std::string q = TitleQuitQuestion(language);
    ASSERT_EQ(q.size(), 36u);
    EXPECT_EQ(static_cast<uint8_t>(q[0]), 0x83);
    EXPECT_EQ(static_cast<uint8_t>(q[1]), 0x51);
  }
}

// The reset keeps a finished but unstored name entry's score: registered, saved, then closed.
TEST_F(TitleScene, AFinishedNameEntryIsRegisteredBeforeItCloses) {
  static std::vector<std::string> calls;
  static int states[2];
  calls.clear();
  states[0] = 2;
  states[1] = 1;
  InputGameHooks saved = GetInputGameHooks();
  InputGameHooks& h = GetInputGameHooks();
  h.nameEntryState = [](int p) { return states[p]; };
  h.registerRankingEntry = [](int p) {
    calls.push_back("register " + std::to_string(p));
    return 1;
  };
  h.savePlayDataIfLoaded = [] { calls.push_back("save"); };
  h.setNameEntryState = [](int p, int s) {
    calls.push_back("state " + std::to_string(p) + " " + std::to_string(s));
    states[p] = s;
  };
  ResetToTitle();
  EXPECT_EQ(calls, (std::vector<std::string>{"register 0", "save", "state 0 3"}));
  EXPECT_EQ(states[1], 1);  // an entry still being typed stays open
  GetInputGameHooks() = saved;
}

// What a battle left behind is gone after the reset, and the title's words are set: the attract
// demo over with its sound muted, the hidden input unlocked, the camera home, nothing paused, no
// challenger, no live object.
TEST_F(TitleScene, TheResetClearsWhatABattleLeftAndSetsTheTitlesWords) {
  g_AttractDemo = 1;
  g_AttractMute = 0;
  config_.HiddenInputUnlocked = 0;
  g_CameraX = 1200;
  g_CameraY = -40;
  g_Paused = 1;
  g_ChallengeState = 255;
  g_ObjectPool[3].inUse = 1;
  ResetToTitle();
  EXPECT_EQ(g_AttractDemo, 0);
  EXPECT_EQ(g_AttractMute, 1);
  EXPECT_EQ(config_.HiddenInputUnlocked, 1);
  EXPECT_EQ(g_CameraX, 0);
  EXPECT_EQ(g_CameraY, 0);
  EXPECT_EQ(g_Paused, 0);
  EXPECT_EQ(g_ChallengeState, 0);
  EXPECT_EQ(g_ObjectPool[3].inUse, 0);
  g_AttractMute = 0;
}

struct BgmRow {
  int32_t bgmStep, backgroundSound, attract;
  int32_t volume;
};

TEST_F(TitleScene, MusicVolumeOnEntryFollowsTheStepAndTheAttractMute) {
  const BgmRow rows[] = {{0, 1, 1, 0},
                         {6, 1, 1, -1000},
                         {20, 1, 0, -3333},
                         {21, 1, 0, kSilentVolume},
                         {6, 0, 1, kSilentVolume},
                         {6, 0, 0, -1000}};
  for (const BgmRow& r : rows) {
    config_.BgmVolume = r.bgmStep;
    config_.BackgroundSound = r.backgroundSound;
    g_AttractMute = r.attract;
    RestoreTitleBgmVolume();
    EXPECT_EQ(g_BgmVolume, r.volume) << r.bgmStep << " " << r.backgroundSound << " " << r.attract;
  }
  g_AttractMute = 0;
}

}  // namespace
