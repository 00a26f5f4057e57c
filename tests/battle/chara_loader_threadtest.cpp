// The loader thread and the logic thread. Two generated characters load on the loader thread
// while the logic thread keeps rendering frames on the recording device and reading the
// loader's notices and progress: run under ThreadSanitizer (VT_TSAN) this shows the hand-over
// (the loader creates its sprite pages under the device lock while the logic thread renders,
// and the logic thread touches the loaded records only after the join). A waiter is woken by
// the load's end and released by quit, and debug builds stop a read of a slot before the join.
#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/GrpManager/grp_screen.h"
#include "Dxtools/gfx_test_env.h"
#include "app/app_state.h"
#include "app/lib_debug.h"
#include "battle/battle_sound.h"
#include "battle/chara_loader.h"
#include "battle_fixture.h"

namespace {

class LoaderWhileRendering : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "data", "data",
                          std::filesystem::copy_options::recursive);
    battle_test::ResetWorld();
    battle_test::UseTwoSampleCharacters();
    InitScreenMessages();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    vt::SetDebugQuiet(false);
    for (FrameDataSet& s : g_FrameDataSets) FreeFrameDataSetContents(s);
    FreeFrameDataSetContents(g_CommonFrameData);
    FreeScreenMessages();
    battle_test::ResetWorld();
    RecordingGfx::TearDown();
  }
};

TEST_F(LoaderWhileRendering, TwoGeneratedCharactersLoadWhileFramesRender) {
  TextureHandle* sprite = SolidTexture(64, 64, 0xFF40C080u);
  CCharaDataLoader& loader = GetCharaDataLoader();
  loader.allCpu = 0;
  loader.progress = 0;
  ASSERT_EQ(loader.Start(), 1);
  // The VS screen's frames: render, show the notices, ask whether the load has ended.
  int frames = 0;
  size_t notices = 0;
  uint32_t seen = 0;
  while (!loader.IsFinished() || frames < 3) {
    vt::test::DrawTestSceneFrame(sprite, frames++);
    notices = GetScreenMessages().size();
    const uint32_t p = loader.progress.load();
    EXPECT_GE(p, seen);  // the word only grows
    seen = p;
  }
  EXPECT_EQ(loader.JoinThread(), 1);
  EXPECT_EQ(loader.progress.load(), 0x82210099u);
  EXPECT_GT(notices, 0u);  // the loader's "LOAD OK" and page notices reached the logic thread
  RelinkPlayerRecords();
  for (int i = 0; i < 2; ++i) {
    const FrameDataSet& set = g_FrameDataSets[i];
    EXPECT_EQ(g_PlayerRecords[i].inUse, 1) << i;
    ASSERT_TRUE(set.patterns) << i;
    EXPECT_TRUE(set.patterns->patterns[0]) << i;
    ASSERT_TRUE(set.sprites) << i;
    int pages = 0;
    for (TextureHandle* page : set.sprites->pages) pages += page != nullptr;
    EXPECT_GT(pages, 0) << i;  // made on the loader thread
    ASSERT_TRUE(g_PlayerRecords[i].ext.commandTable) << i;
  }
  FreeTexture(sprite);
}

// The stage step of a load (its last) held until the test opens it, so a test knows the load
// is running and cannot end by itself.
struct StageGate {
  std::mutex mutex;
  std::condition_variable changed;
  bool entered = false;
  bool open = false;
};
StageGate& Gate() {
  static StageGate gate;
  return gate;
}
void HeldStageLoad() {
  StageGate& g = Gate();
  std::unique_lock<std::mutex> lock(g.mutex);
  g.entered = true;
  g.changed.notify_all();
  g.changed.wait(lock, [&g] { return g.open; });
}
void WaitUntilStageEntered() {
  StageGate& g = Gate();
  std::unique_lock<std::mutex> lock(g.mutex);
  g.changed.wait(lock, [&g] { return g.entered; });
}
void OpenStage() {
  StageGate& g = Gate();
  {
    std::lock_guard<std::mutex> lock(g.mutex);
    g.open = true;
  }
  g.changed.notify_all();
}

// A load with no characters selected whose stage step waits for the gate.
void StartHeldLoad() {
  battle_test::ResetWorld();
  {
    std::lock_guard<std::mutex> lock(Gate().mutex);
    Gate().entered = Gate().open = false;
  }
  g_BattleSeams.LoadStageBgFile = HeldStageLoad;
  for (PlayerSelection& s : g_PlayerSelections) s = PlayerSelection{};
  CCharaDataLoader& loader = GetCharaDataLoader();
  loader.allCpu = 0;
  loader.progress = 0;
  ASSERT_EQ(loader.Start(), 1);
}

class LoaderWait : public ::testing::Test {
 protected:
  void SetUp() override { vt::SetDebugQuiet(true); }
  void TearDown() override {
    g_QuitRequested.store(false);
    OpenStage();
    GetCharaDataLoader().JoinThread();
    battle_test::ResetWorld();
    vt::SetDebugQuiet(false);
  }
};

TEST_F(LoaderWait, TheLoadsEndWakesTheWaiterWhichJoins) {
  StartHeldLoad();
  std::atomic<int> result{-1};
  std::thread waiter([&result] { result = WaitCharaDataLoader(); });
  WaitUntilStageEntered();
  EXPECT_EQ(result.load(), -1);  // the load cannot have ended: the waiter still waits
  OpenStage();
  waiter.join();
  EXPECT_EQ(result.load(), 1);
  CCharaDataLoader& loader = GetCharaDataLoader();
  EXPECT_EQ(loader.HasThread(), 0);  // joined by the wait
  EXPECT_EQ(loader.progress.load(), 0x82210000u);
  // With no thread held the wait returns at once.
  EXPECT_EQ(WaitCharaDataLoader(), 0);
}

TEST_F(LoaderWait, QuitEndsAWaitWithoutTheJoin) {
  StartHeldLoad();
  std::atomic<int> result{-1};
  std::thread waiter([&result] { result = WaitCharaDataLoader(); });
  WaitUntilStageEntered();
  vt::RequestQuit();
  waiter.join();
  EXPECT_EQ(result.load(), 0);
  CCharaDataLoader& loader = GetCharaDataLoader();
  // The load still runs: the thread stays held for the join at exit.
  EXPECT_EQ(loader.HasThread(), 1);
  EXPECT_EQ(loader.IsFinished(), 0);
  // A wait begun after the quit request ends at once too.
  EXPECT_EQ(WaitCharaDataLoader(), 0);
  g_QuitRequested.store(false);
  OpenStage();
  EXPECT_EQ(loader.JoinThread(), 1);
  EXPECT_EQ(loader.progress.load(), 0x82210000u);
}

// Reads of a character slot that battle code makes, each stopped before the join in a debug
// build, and each allowed after it.
const struct SlotRead {
  const char* what;
  void (*read)();
  const char* message;
} kSlotReads[] = {
    {"state hash", [] { BattleStateHash(); }, "character slot 0 read while the loader thread writes it"},
    {"record relink", [] { RelinkPlayerRecords(); },
     "character slot 0 read while the loader thread writes it"},
    {"voice slot of slot 2", [] { SoundLengthFrames(kVoiceSlotBase + 2 * kVoicesPerPlayer + 7); },
     "character slot 2 read while the loader thread writes it"},
};

using LoaderSlotCheckDeathTest = LoaderWait;

TEST_F(LoaderSlotCheckDeathTest, ReadingASlotBeforeTheJoinStopsADebugBuild) {
#ifdef NDEBUG
  GTEST_SKIP() << "the check is built into debug builds only";
#else
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (const SlotRead& r : kSlotReads) {
    EXPECT_DEATH(
        {
          StartHeldLoad();
          WaitUntilStageEntered();
          r.read();
        },
        r.message)
        << r.what;
  }
  // A common effect slot is nobody's character, and after the join every read is the logic
  // thread's again.
  StartHeldLoad();
  WaitUntilStageEntered();
  SoundLengthFrames(kVoiceSlotBase - 1);
  SoundLengthFrames(kVoiceSlotBase + 4 * kVoicesPerPlayer);
  OpenStage();
  ASSERT_EQ(WaitCharaDataLoader(), 1);
  for (const SlotRead& r : kSlotReads) r.read();
#endif
}

}  // namespace
