// The boot scene through the scene harness: the logo table with its fades and presses, missing
// pictures and movie, the movie played or skipped, the online layer's join request and the quit
// request during the movie.
#include "scene/boot_scene.h"

#include <gtest/gtest.h>

#include "app/app_state.h"
#include "scene/boot_title_fixture.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"

namespace {

class BootScene : public boot_title_test::HarnessTest {};

TEST(BootLogoFade, AlphaAtTheEdgesAndWhenAPressCounts) {
  struct Row {
    int logoIndex, duration, frame;
    uint8_t skippableBefore;
    int alpha;
    uint8_t skippable;
  };
  const Row rows[] = {
      {1, 210, 0, 0, 255, 0},   {1, 210, 1, 0, 247, 0},   {1, 210, 4, 0, 221, 0}, {1, 210, 5, 0, 213, 1},
      {1, 210, 29, 1, 9, 1},    {1, 210, 30, 1, 0, 1},    {1, 210, 180, 1, 0, 1}, {1, 210, 181, 1, 8, 0},
      {1, 210, 210, 0, 255, 0}, {1, 210, 240, 0, 255, 0}, {3, 420, 0, 0, 255, 1}, {3, 420, 60, 1, 0, 1},
      {3, 420, 361, 1, 4, 0},   {4, 240, 1, 0, 251, 1},   {4, 240, 180, 1, 0, 1},
  };
  for (const Row& r : rows) {
    g_BootState.logoIndex = r.logoIndex;
    g_BootState.duration = r.duration;
    g_BootState.frame = r.frame;
    g_BootState.skippable = r.skippableBefore;
    EXPECT_EQ(GetBootLogoFade(), r.alpha) << r.logoIndex << " " << r.frame;
    EXPECT_EQ(g_BootState.skippable, r.skippable) << r.logoIndex << " " << r.frame;
  }
  g_BootState = BootState{};
}

TEST_F(BootScene, MissingLogosShowTheirFadesAndAMissingMovieGivesTheTitleAtOnce) {
  ASSERT_TRUE(Start());
  harness_.RunFrame();
  EXPECT_EQ(g_BootState.logoIndex, 1);
  EXPECT_EQ(g_BootState.logo, nullptr);  // no picture: only the black layer
  // 210 + 210 + 420 + 240 frames of logos, then the movie step finds no movie.
  const int logoEnds[] = {210, 420, 840, 1080};
  int frames = 1;
  for (int i = 0; i < 4; ++i) {
    while (frames < logoEnds[i] - 1) {
      harness_.RunFrame();
      ++frames;
    }
    EXPECT_EQ(g_BootState.logoIndex, i + 1);
    EXPECT_EQ(g_BootState.step, 1);
    harness_.RunFrame();
    ++frames;
  }
  EXPECT_EQ(g_BootState.step, 5);
  const SceneFrameReport r = harness_.RunFrame();
  EXPECT_EQ(r.sceneId, SCENE_TITLE);
  EXPECT_EQ(r.enter, 1);
  EXPECT_EQ(g_TitleSkipIntro, 0);
}

TEST_F(BootScene, PressesShortenTheLogos) {
  boot_title_test::WritePicture("grp/logo/logo02.png", 640, 480, 0xFF2040C0u);
  ASSERT_TRUE(Start());
  std::vector<ScenePadFrame> pads(8);
  pads[2] = Press();  // logo 1 frame 3: ignored
  pads[4] = Press();  // frame 5: to the fade-out
  pads[6] = Press();  // in the fade-out: nothing
  harness_.SetPads(pads);
  harness_.RunFrame();
  EXPECT_NE(g_BootState.logo, nullptr);  // the picture under its fade
  harness_.RunFrame();
  harness_.RunFrame();
  EXPECT_EQ(g_BootState.frame, 4);
  harness_.RunFrame();
  harness_.RunFrame();
  EXPECT_EQ(g_BootState.frame, 181);
  harness_.RunFrame();
  harness_.RunFrame();
  EXPECT_EQ(g_BootState.frame, 183);
  // On to logo 3, where a press at once jumps to 360.
  for (int i = 0; i < 1000 && g_BootState.logoIndex < 3; ++i) harness_.RunFrame();
  ASSERT_EQ(g_BootState.logoIndex, 3);
  EXPECT_EQ(g_BootState.frame, 2);
  harness_.SetPads({Press()});
  harness_.RunFrame();
  EXPECT_EQ(g_BootState.frame, 361);
}

TEST_F(BootScene, PlayedMovieStartsTheTitleFromTheBeginningASkippedOneAtTheIntroEnd) {
  boot_title_test::WriteMovie("Movie/ZOLV_OP.mpeg", 1.0);
  for (const bool skip : {false, true}) {
    SCOPED_TRACE(skip);
    ASSERT_TRUE(Start());
    harness_.RunFrame();
    g_BootState.step = 5;
    g_BootState.restart = 1;
    harness_.RunFrame();  // opens the movie
    ASSERT_EQ(IsMoviePlaying(), 1);
    if (skip) harness_.SetPads({Press()});
    int frames = 0;
    SceneFrameReport r;
    do {
      r = harness_.RunFrame();
      ++frames;
    } while (r.sceneId == SCENE_BOOT && frames < 200);
    EXPECT_EQ(r.sceneId, SCENE_TITLE);
    EXPECT_EQ(g_TitleSkipIntro, skip ? 1 : 0);
    if (skip)
      EXPECT_EQ(frames, 1);
    else
      EXPECT_NEAR(frames, 60, 3);
    harness_.Stop();
  }
}

TEST_F(BootScene, LogosThenTheWholeMovieThenTheTitle) {
  boot_title_test::WriteMovie("Movie/ZOLV_OP.mpeg", 4.0);
  ASSERT_TRUE(Start());
  // 1080 frames of logos; the movie opens on frame 1080 and plays 4 s (240 frames) to its end.
  int movieOpened = -1, title = -1;
  for (int f = 0; f < 1500 && title < 0; ++f) {
    const SceneFrameReport r = harness_.RunFrame();
    if (movieOpened < 0 && g_BootState.step == 5 && IsMoviePlaying() == 1) movieOpened = f;
    if (r.sceneId == SCENE_TITLE) title = f;
  }
  EXPECT_EQ(movieOpened, 1080);
  EXPECT_NEAR(title - movieOpened, 240, 2);
  EXPECT_EQ(g_TitleSkipIntro, 0);
}

int g_joinState = 0;

TEST_F(BootScene, AWaitingLobbyJoinIsReleasedOnEntry) {
  g_BootSceneHooks.joinRequestState = [] { return g_joinState; };
  g_BootSceneHooks.setJoinRequestState = [](int s) { g_joinState = s; };
  for (const auto [before, after] : {std::pair{1, 2}, {0, 0}, {3, 3}}) {
    g_joinState = before;
    ASSERT_TRUE(Start());
    harness_.RunFrame();
    EXPECT_EQ(g_joinState, after);
    harness_.Stop();
  }
  g_BootSceneHooks = BootSceneHooks{};
}

TEST_F(BootScene, AQuitRequestEndsTheMovieExceptUnderTheTestSwitch) {
  boot_title_test::WriteMovie("Movie/ZOLV_OP.mpeg", 2.0);
  ASSERT_TRUE(Start());
  harness_.RunFrame();
  g_BootState.step = 5;
  g_BootState.restart = 1;
  harness_.RunFrame();
  ASSERT_EQ(IsMoviePlaying(), 1);
  g_AppRunState->quitAcknowledged = 1;
  g_TestMode = 1;
  EXPECT_EQ(StepBootMovie(), 0);
  EXPECT_EQ(g_BootState.movieDone, 0);
  g_TestMode = 0;
  EXPECT_EQ(StepBootMovie(), 1);
  EXPECT_EQ(g_BootState.movieDone, 1);
  g_AppRunState->quitAcknowledged = 0;
}

}  // namespace
