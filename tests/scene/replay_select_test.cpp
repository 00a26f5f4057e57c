// The replay select scene through the scene harness on the recording device, on a generated
// ".\ReplayVS" holding the sample replays: the delete confirmation (only an explicit YES on a
// replay file inside the folder deletes, and only a delete that worked restarts the browser),
// cancel to the main menu, a chosen replay starting its playback, a refused one going back, and
// the leave hook closing the browser when another part changes the scene.
#include "scene/replay_select.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Replay/replay_controller.h"
#include "app/lib_debug.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "platform/path_translate.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_fixture.h"
#include "scene/scene_harness.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;

class ReplaySelectTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    vt::SetDebugQuiet(true);
    fs::copy(fs::path(VT_SAMPLE_DIR) / "ReplayVS", "ReplayVS", fs::copy_options::recursive);
    fs::create_directories("grp");
    fs::copy(fs::path(VT_SAMPLE_DIR) / "grp" / "replay", "grp/replay", fs::copy_options::recursive);
    LoadCharaSelectList(vt::test::ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt"));
    g_ReplayController.Reset();
  }
  void TearDown() override {
    harness_.Stop();
    EXPECT_EQ(g_SceneReplayVSMenu.browser, nullptr);
    g_ReplayController.Reset();
    FreeCharaSelectList();
    vt::SetDebugQuiet(false);
    vt::platform::ClearPathCache();
    SceneTest::TearDown();
  }
  void Start() {
    SceneHarnessOptions o;
    o.firstScene = SCENE_REPLAY_SELECT;
    ASSERT_TRUE(harness_.Start(o));
    decide_ = ScriptedPadButtons(0, 0x400);
    cancel_ = ScriptedPadButtons(0, 0x800);
    start_ = ScriptedPadButtons(0, 0x1);
    GoToReplaySelect();
    Settle();
  }
  CReplayFilerLayer* Browser() { return g_SceneReplayVSMenu.browser.get(); }
  // Neutral frames until the browser's list is complete and the fade-in is over.
  void Settle() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0; i < 40 || !Browser() || !Browser()->FillDone(); ++i) {
      harness_.RunFrame(ScenePadFrame{});
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (std::chrono::steady_clock::now() > end) break;
    }
    ASSERT_NE(Browser(), nullptr);
    ASSERT_TRUE(Browser()->FillDone());
  }
  SceneFrameReport Press(uint32_t buttons, uint8_t dir = 0) {
    ScenePadFrame f;
    f.buttons[0] = buttons;
    f.dir[0] = dir;
    const SceneFrameReport r = harness_.RunFrame(f);
    harness_.RunFrame(ScenePadFrame{});
    return r;
  }
  void Wait(int frames) {
    for (int i = 0; i < frames; ++i) harness_.RunFrame(ScenePadFrame{});
  }
  int RunUntilScene(int id, int frames) {
    for (int i = 0; i < frames; ++i)
      if (harness_.RunFrame(ScenePadFrame{}).sceneId == id) return i;
    return -1;
  }

  SceneHarness harness_;
  uint32_t decide_ = 0, cancel_ = 0, start_ = 0;
};

constexpr int kBoxFrames = 24;

TEST_F(ReplaySelectTest, DeleteOnlyAfterAnExplicitYesOnAReplayInsideTheFolder) {
  enum Answer { kYes, kNo, kCancel };
  struct Case {
    const char* what;
    void (*prepare)();
    bool enterSample;  // browse in the sub-folder
    const char* row;   // the entry under the cursor; empty for an empty list
    Answer answer;
    const char* file;  // what must be gone (deleted) or still there
    bool deleted;
  };
  const std::vector<Case> cases = {
      {"YES in the sub-folder", [] {}, true, "sample_rematch.rep", kYes, "ReplayVS/Sample/sample_rematch.rep",
       true},
      {"NO", [] {}, false, "sample_match.rep", kNo, "ReplayVS/sample_match.rep", false},
      {"cancel", [] {}, false, "sample_match.rep", kCancel, "ReplayVS/sample_match.rep", false},
      {"a folder", [] {}, false, "Sample", kYes, "ReplayVS/Sample", false},
      {"another version",
       [] {
         std::string bytes = vt::test::ReadFile("ReplayVS/sample_match.rep");
         bytes[16] ^= 1;
         vt::test::WriteFile("ReplayVS/old.rep", bytes);
       },
       false, "old.rep", kYes, "ReplayVS/old.rep", false},
      {"a link to a replay outside",
       [] {
         fs::create_directories("elsewhere");
         fs::copy_file("ReplayVS/sample_match.rep", "elsewhere/far.rep");
         fs::create_symlink("../elsewhere/far.rep", "ReplayVS/link.rep");
       },
       false, "link.rep", kYes, "elsewhere/far.rep", false},
      {"an empty list",
       [] {
         fs::remove_all("ReplayVS");
         fs::create_directories("ReplayVS");
       },
       false, "", kYes, "ReplayVS", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all("ReplayVS");
    fs::remove_all("elsewhere");
    fs::copy(fs::path(VT_SAMPLE_DIR) / "ReplayVS", "ReplayVS", fs::copy_options::recursive);
    c.prepare();
    vt::platform::ClearPathCache();
    Start();
    if (c.enterSample) {
      ASSERT_EQ(Browser()->SelectByName("Sample"), 2);
      Press(decide_);
      Settle();
      ASSERT_EQ(Browser()->Depth(), 1);
    }
    if (*c.row) ASSERT_GE(Browser()->SelectByName(c.row), 1);
    const CReplayFilerLayer* before = Browser();
    const std::string folder = Browser()->Folder();
    Press(start_);
    ASSERT_NE(g_ReplayDeleteBox, nullptr);
    Wait(kBoxFrames);
    if (c.answer == kYes) Press(0, 8);  // the box opens on NO
    Press(c.answer == kCancel ? cancel_ : decide_);
    Wait(kBoxFrames);
    EXPECT_EQ(g_ReplayDeleteBox, nullptr);
    EXPECT_EQ(fs::exists(fs::symlink_status(c.file)), !c.deleted);
    if (c.deleted) {
      // A fresh browser on the top folder, cursor on its first row.
      Settle();
      EXPECT_NE(Browser(), before);
      EXPECT_EQ(Browser()->Folder(), ".\\ReplayVS");
      EXPECT_EQ(Browser()->Depth(), 0);
      EXPECT_EQ(Browser()->Cursor(), 0);
    } else {
      EXPECT_EQ(Browser(), before);
      EXPECT_EQ(Browser()->Folder(), folder);
      EXPECT_EQ(Browser()->state, CReplayFilerLayer::kBrowsing);
    }
    EXPECT_EQ(g_SceneId, SCENE_REPLAY_SELECT);
    harness_.Stop();
  }
}

TEST_F(ReplaySelectTest, CancelOnTheTopLevelFadesOutToTheMainMenu) {
  Start();
  Press(cancel_);
  EXPECT_GE(RunUntilScene(SCENE_MAIN_MENU, 40), 10);  // after the fade, not at once
  EXPECT_EQ(Browser(), nullptr);
}

TEST_F(ReplaySelectTest, AChosenReplayStartsItsPlaybackAtTheVsScreen) {
  ReplayFileHeader saved;
  ASSERT_EQ(ReadReplayFileHeader(&saved, ".\\ReplayVS\\Sample\\sample_rematch.rep"), 1);
  Start();
  ASSERT_EQ(Browser()->SelectByName("Sample"), 2);
  Press(decide_);
  Settle();
  ASSERT_EQ(Browser()->SelectByName("sample_rematch.rep"), 1);
  Press(decide_);
  EXPECT_GE(RunUntilScene(SCENE_VS_SCREEN, 40), 0);
  EXPECT_EQ(g_ReplayController.mode, 2u);
  EXPECT_EQ(g_ReplayController.file.path, ".\\ReplayVS\\Sample\\sample_rematch.rep");
  EXPECT_EQ(g_ReplayController.file.header, saved);
  // The controller plays what the file holds, round for round.
  CReplayFile direct;
  ASSERT_EQ(direct.Load(".\\ReplayVS\\Sample\\sample_rematch.rep"), 1);
  ASSERT_FALSE(direct.rounds.empty());
  EXPECT_EQ(g_ReplayController.file.Serialise(), direct.Serialise());
  EXPECT_EQ(Browser(), nullptr);
}

TEST_F(ReplaySelectTest, AReplayRefusedAfterTheChoiceGoesBackToTheMainMenu) {
  // Round count "too large": the probe and the header are fine, the load refuses it.
  std::string bytes = vt::test::ReadFile("ReplayVS/sample_match.rep");
  const uint32_t tooMany = kReplayRoundCountLimit;
  bytes.resize(kReplayHeaderSize + 4);
  std::memcpy(&bytes[kReplayHeaderSize], &tooMany, 4);
  vt::test::WriteFile("ReplayVS/broken.rep", bytes);
  Start();
  ASSERT_GE(Browser()->SelectByName("broken.rep"), 1);
  Press(decide_);
  EXPECT_GE(RunUntilScene(SCENE_MAIN_MENU, 40), 0);
  EXPECT_NE(g_ReplayController.mode, 2u);
  EXPECT_EQ(Browser(), nullptr);
}

TEST_F(ReplaySelectTest, ASceneChangeFromElsewhereClosesTheBrowser) {
  Start();
  ASSERT_NE(Browser(), nullptr);
  // The online-mode manager (or any other part) changes the scene under the browser.
  ChangeScene(SCENE_TITLE);
  harness_.RunFrame(ScenePadFrame{});
  EXPECT_EQ(Browser(), nullptr);
  EXPECT_EQ(g_ReplayDeleteBox, nullptr);
}

}  // namespace
