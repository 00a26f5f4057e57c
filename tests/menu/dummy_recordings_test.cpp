// The dummy recordings: the dummy file's name by template and dummy character, the save under its
// own name (kept whole when a write fails part-way), the load at a training battle's start and in
// a fresh process, the NORMAL, WAIT and RECOVER playback control run through the pause control's
// frame, RANDOM over recorded slots, empty and missing slots, the 5400-frame limit and a file of
// three rounds.
#include "menu/dummy_recordings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Replay/replay_controller.h"
#include "Replay/replay_naming.h"
#include "app/game_wiring.h"
#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_fixture.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "menu/pause_control.h"
#include "menu/training_hooks.h"
#include "menu/training_settings.h"
#include "scene/scene_frame.h"

namespace {

namespace fs = std::filesystem;

constexpr char kSharedFile[] = "RepDummy/RepD_@CPUNAME@_@CPUSTYLE@.dmr";

std::vector<char> ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class DummyRecordings : public ::testing::Test {
 protected:
  void SetUp() override {
    vt::SetDebugQuiet(true);
    ResetAllBattleGlobals();
    InstallGameWiring();
    g_AppJoystick = &GetAppJoystickInstance();
    Reset();
    LoadCharaSelectList("[CharaNo_000]\r\nName=Alder\r\n[CharaNo_001]\r\nName=Birch\r\n");
    for (int i = 0; i < 2; ++i) {
      g_PlayerRecords[i].inUse = 1;
      g_PlayerRecords[i].obj.charaIndex = static_cast<uint8_t>(i);
      g_PlayerRecords[i].obj.side = static_cast<uint8_t>(i);
      g_SideStatus[i].activePlayer = i;
    }
    // The dummy's current frame, whose movable value RECOVER reads.
    frame_.state = &state_;
    g_PlayerRecords[1].obj.frameRec = &frame_;
    state_.asmv = 1;
  }
  void TearDown() override {
    g_PlayerRecords[1].obj.frameRec = nullptr;
    DestroyDrawList(&g_MainDrawList);  // what the status displays queued
    Reset();
    FreeCharaSelectList();
    ResetAllBattleGlobals();
    ResetBattleSeams();
    g_PauseControlHooks = PauseControlHooks{};
    g_GameModeFlags = 0;
    vt::SetDebugQuiet(false);
  }
  static void Reset() {
    g_ReplayController = ReplayController{};
    g_ReplayController.mode = 0;
    ResetTrainingSettings();
    g_AppliedEnemyAction = -1;
    g_DummyPlaySlot = 0;
    g_RecoverPlayState = 0;
    ResetPauseControl();
    g_SceneEnter = 0;
    g_GameModeFlags = MODE_TRAINING;
    g_MainSide = 0;
    g_CommandLock = 0;
    g_JudgeState = 0;
    g_BattlePhase = 255;
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
    SeedRandomGeneratorsFrom(5);
  }
  // A slot of `frames` frames of one held direction (the dummy's stream 0).
  static void RecordSlot(int slot, uint32_t frames, uint8_t lever = 6) {
    ReplayController& c = g_ReplayController;
    c.StartDummyRecording(slot);
    for (uint32_t f = 0; f < frames; ++f) c.file.AppendInput(0, {lever, 1, 0});
  }
  // One battle frame as far as the dummy is concerned: the pause control's training part, the
  // dummy's input read, the controller's tick.
  static uint8_t Frame(uint32_t menuButtons = 0) {
    PadState& s = g_AppJoystick->menuBank[g_MainSide];
    s = PadState{};
    for (int b = 0; b < 32; ++b)
      if ((menuButtons >> b) & 1) s.button[b] = PadState::kHeld | PadState::kPressed;
    UpdatePauseControl();
    if (g_Paused != 0) return 0;  // a paused battle reads no input
    BattleObject& dummy = g_PlayerRecords[1].obj;
    dummy.inputDir = 5;
    dummy.inputButtons = dummy.inputReleased = 0;
    if (g_ReplayController.mode == 2)
      PlayPlayerInput(1, &dummy.inputDir, &dummy.inputButtons, &dummy.inputReleased);
    if (g_ReplayController.mode == 1)
      RecordPlayerInput(1, dummy.inputDir, dummy.inputButtons, dummy.inputReleased);
    ReplayFrameTick();
    return dummy.inputDir;
  }
  Han6Frame frame_;
  Han6FrameState state_;
};

// Without a template every dummy shares one file; with "<CPUNAME>" and "<CPUSTYLE>" each dummy
// character and type has its own, named from the side that is not the main side.
TEST_F(DummyRecordings, NamesByTemplateAndDummy) {
  struct Case {
    const char* templateText;  // null: no template file
    uint8_t mainSide;
    int dummyType;
    const char* expected;
  } cases[] = {
      {nullptr, 0, 0, ".\\RepDummy\\RepD_@CPUNAME@_@CPUSTYLE@.dmr"},
      {nullptr, 1, 2, ".\\RepDummy\\RepD_@CPUNAME@_@CPUSTYLE@.dmr"},
      {"[Header]\r\nName=RepD_<CPUNAME>_<CPUSTYLE>\r\nExt=.dmr\r\n", 0, 0, ".\\RepDummy\\RepD_Birch_CMS.dmr"},
      {"[Header]\r\nName=RepD_<CPUNAME>_<CPUSTYLE>\r\nExt=.dmr\r\n", 0, 1, ".\\RepDummy\\RepD_Birch_FMS.dmr"},
      {"[Header]\r\nName=RepD_<CPUNAME>_<CPUSTYLE>\r\nExt=.dmr\r\n", 1, 2, ".\\RepDummy\\RepD_Alder_HMS.dmr"},
      {"[Header]\r\nName=RepD_<CPUNAME>\r\n", 0, 0, ".\\RepDummy\\RepD_@CPUNAME@_@CPUSTYLE@.dmr"},
      {"[Header]\r\nName=../<CPUNAME>\r\nExt=.dmr\r\n", 0, 0, ".\\RepDummy\\Birch.dmr"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    fs::remove_all("System");
    if (c.templateText) {
      fs::create_directories("System");
      std::ofstream("System/HeaderRepDummy.txt", std::ios::binary) << c.templateText;
    }
    g_MainSide = c.mainSide;
    g_PlayerRecords[1 - c.mainSide].obj.type = static_cast<uint8_t>(c.dummyType);
    EXPECT_EQ(MakeDummyFileName(), c.expected);
  }
}

TEST_F(DummyRecordings, EachDummyCharacterKeepsItsSlotsAndSwitchingBackRestoresThem) {
  fs::create_directories("System");
  std::ofstream("System/HeaderRepDummy.txt", std::ios::binary)
      << "[Header]\r\nName=RepD_<CPUNAME>_<CPUSTYLE>\r\nExt=.dmr\r\n";
  RecordSlot(2, 30);
  StopDummyAndSave();
  ASSERT_TRUE(fs::exists("RepDummy/RepD_Birch_CMS.dmr"));

  g_PlayerRecords[1].obj.charaIndex = 0;  // another dummy character: its file does not exist
  LoadDummyRecordingFile();
  EXPECT_TRUE(g_ReplayController.file.rounds.empty());
  g_PlayerRecords[1].obj.charaIndex = 1;
  LoadDummyRecordingFile();
  ASSERT_EQ(g_ReplayController.file.rounds.size(), 10u);
  EXPECT_EQ(g_ReplayController.file.rounds[2].GetLength(), 30u);
}

// The file is replaced under its own name, never beside it; the folder is made when missing.
TEST_F(DummyRecordings, SaveReplacesTheFileUnderItsOwnName) {
  RecordSlot(0, 10);
  StopDummyAndSave();
  EXPECT_EQ(g_ReplayController.mode, 0u);
  EXPECT_EQ(g_ReplayController.dummyMode, 0u);
  RecordSlot(4, 20);
  StopDummyAndSave();
  std::vector<fs::path> files;
  for (const fs::directory_entry& e : fs::directory_iterator("RepDummy")) files.push_back(e.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].filename(), "RepD_@CPUNAME@_@CPUSTYLE@.dmr");
  g_ReplayController = ReplayController{};
  LoadDummyRecordingFile();
  EXPECT_EQ(g_ReplayController.file.rounds[0].GetLength(), 10u);
  EXPECT_EQ(g_ReplayController.file.rounds[4].GetLength(), 20u);
}

TEST_F(DummyRecordings, OnlyARecordingIsSavedAndEveryStopLeavesTheDummyMode) {
  struct Case {
    uint32_t dummyMode, mode;
    bool saved;
  } cases[] = {{1, 1, true}, {1, 2, false}, {0, 1, false}, {0, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.dummyMode << " " << c.mode);
    fs::remove_all("RepDummy");
    RecordSlot(1, 5);
    ReplayController& r = g_ReplayController;
    r.dummyMode = c.dummyMode;
    r.mode = c.mode;
    r.hold = 1;
    StopDummyAndSave();
    EXPECT_EQ(fs::exists(kSharedFile), c.saved);
    if (c.mode != 0) {
      EXPECT_EQ(r.mode, 0u);
      EXPECT_EQ(r.dummyMode, 0u);
      EXPECT_EQ(r.hold, 0u);
    }
    EXPECT_EQ(r.file.rounds[1].GetLength(), 5u) << "the slots stay in memory";
  }
}

// A write that fails part-way (the file-size limit stops it after some bytes) leaves the old
// file whole and no temporary beside it; the slots stay in memory for the next save.
TEST_F(DummyRecordings, AWriteFailingPartWayKeepsTheOldFile) {
  RecordSlot(3, 10);
  StopDummyAndSave();
  const std::vector<char> before = ReadAll(kSharedFile);
  ASSERT_FALSE(before.empty());

  RecordSlot(3, 2000, 2);
  for (int s = 0; s < 10; ++s)
    for (int k = 0; k < 300; ++k) g_ReplayController.file.rounds[s].streams[0].Append({uint8_t(k % 9), 1, 0});
  g_ReplayController.file.roundIndex = 3;
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = before.size() + 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  StopDummyAndSave();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_EQ(ReadAll(kSharedFile), before);
  for (const fs::directory_entry& e : fs::directory_iterator("RepDummy"))
    EXPECT_EQ(e.path().filename(), "RepD_@CPUNAME@_@CPUSTYLE@.dmr") << "no temporary left";
  EXPECT_EQ(g_ReplayController.file.rounds[3].GetLength(), 2300u);
  EXPECT_EQ(g_ReplayController.mode, 0u);

  // The next save writes what memory holds.
  g_ReplayController.StartDummyRecording(5);
  StopDummyAndSave();
  g_ReplayController = ReplayController{};
  LoadDummyRecordingFile();
  EXPECT_EQ(g_ReplayController.file.rounds[3].GetLength(), 2300u);
}

TEST_F(DummyRecordings, MissingOrDamagedFileLeavesEverySlotEmpty) {
  for (const char* bytes : {"", "ZOLVReplayFile", "not a replay at all, just words"}) {
    SCOPED_TRACE(bytes);
    fs::create_directories("RepDummy");
    std::ofstream(kSharedFile, std::ios::binary) << bytes;
    RecordSlot(0, 4);
    g_ReplayController.hold = 1;
    g_ReplayController.recordingAllowed = 0;
    LoadDummyRecordingFile();
    EXPECT_TRUE(g_ReplayController.file.rounds.empty());
    EXPECT_EQ(g_ReplayController.file.roundIndex, 0u);
    EXPECT_EQ(g_ReplayController.hold, 0u);
    EXPECT_EQ(g_ReplayController.recordingAllowed, 1);
  }
}

// The child half of the fresh-process test: a training battle start in a new process finds the
// slot the parent saved and writes what it found.
TEST_F(DummyRecordings, ChildLoadsAtTrainingStart) {
  const char* out = std::getenv("VT_DUMMY_CHILD_OUT");
  if (out == nullptr) GTEST_SKIP() << "run by FreshProcessLoadsTheSavedSlot";
  fs::current_path(fs::path(out).parent_path());
  g_SceneEnter = 1;
  StartTrainingBattle();
  std::ofstream o(out);
  ReplayController& c = g_ReplayController;
  o << c.file.rounds.size() << " " << (c.file.rounds.size() > 3 ? c.file.rounds[3].GetLength() : 0) << " "
    << IsDummySlotRecorded(0) << "\n";
}

TEST_F(DummyRecordings, FreshProcessLoadsTheSavedSlot) {
  RecordSlot(3, 750);
  StopDummyAndSave();
  const std::string out = (fs::current_path() / "child.txt").string();
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const std::string cmd = "VT_DUMMY_CHILD_OUT='" + out + "' '" + self +
                          "' --gtest_filter=DummyRecordings.ChildLoadsAtTrainingStart > /dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(out);
  size_t rounds = 0;
  uint32_t length = 0;
  int slot0 = -1;
  in >> rounds >> length >> slot0;
  EXPECT_EQ(rounds, 10u);
  EXPECT_EQ(length, 750u);
  EXPECT_EQ(slot0, 0);
}

// NORMAL plays the slot back to back; the dummy's recorded input comes back frame for frame.
TEST_F(DummyRecordings, NormalLoopsTheSlot) {
  ReplayController& c = g_ReplayController;
  c.StartDummyRecording(2);
  for (uint8_t d : {1, 2, 3}) c.file.AppendInput(0, {d, 1, 0});
  g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
  g_SelectedDummySlot = 2;
  c.mode = 0;
  ApplyTrainingSettings(1, 0);
  std::vector<int> seen;
  for (int f = 0; f < 9; ++f) seen.push_back(Frame());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 1, 2, 3, 1, 2, 3}));
}

// WAIT stops at the start of the slot after each run until FN2 releases it.
TEST_F(DummyRecordings, WaitHoldsAtTheStartUntilFn2) {
  ReplayController& c = g_ReplayController;
  c.StartDummyRecording(2);
  for (uint8_t d : {1, 2}) c.file.AppendInput(0, {d, 1, 0});
  g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
  g_TrainingSettings[REPLAY_TYPE] = 2;
  g_SelectedDummySlot = 2;
  c.mode = 0;
  ApplyTrainingSettings(1, 0);
  std::vector<int> seen;
  for (int f = 0; f < 4; ++f) seen.push_back(Frame());
  EXPECT_EQ(seen, (std::vector<int>{1, 1, 1, 1})) << "held at the slot's first frame";
  seen.clear();
  seen.push_back(Frame(1u << 4));  // FN2
  for (int f = 0; f < 5; ++f) seen.push_back(Frame());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 1, 1, 1, 1}));
  EXPECT_EQ(c.hold, 1u);
}

// RECOVER waits for the dummy to lose its movable state (0 -> 100), to regain it (100 -> 255),
// then plays the slot once (255 -> 1000) and waits again (1000 -> 0).
TEST_F(DummyRecordings, RecoverPlaysOnceEachTimeTheDummyRecovers) {
  ReplayController& c = g_ReplayController;
  c.StartDummyRecording(2);
  for (uint8_t d : {1, 2}) c.file.AppendInput(0, {d, 1, 0});
  g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
  g_TrainingSettings[REPLAY_TYPE] = 1;
  g_SelectedDummySlot = 2;
  c.mode = 0;
  ApplyTrainingSettings(1, 0);
  struct Step {
    uint8_t movable;
    int stateAfter;
    uint32_t hold;
    int input;
  } steps[] = {
      {1, 0, 1, 1},    {1, 0, 1, 1},    {0, 100, 1, 1}, {0, 100, 1, 1}, {1, 255, 1, 1},
      {1, 1000, 0, 1}, {1, 1000, 0, 2}, {1, 0, 0, 0},   {1, 0, 1, 1},   {1, 0, 1, 1},
  };
  int n = 0;
  for (const Step& s : steps) {
    SCOPED_TRACE(n++);
    state_.asmv = s.movable;
    EXPECT_EQ(Frame(), s.input);
    EXPECT_EQ(g_RecoverPlayState, s.stateAfter);
    EXPECT_EQ(c.hold, s.hold);
  }
}

// RANDOM runs pick among the recorded slots only; an empty selected slot plays nothing and
// starts again every frame without harm.
TEST_F(DummyRecordings, RandomPicksRecordedSlotsAndAnEmptySlotRestartsHarmlessly) {
  ReplayController& c = g_ReplayController;
  RecordSlot(1, 1, 1);
  RecordSlot(8, 1, 8);
  c.mode = 0;
  g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
  g_TrainingSettings[REPLAY_SLOT] = 1;
  g_SelectedDummySlot = 4;
  ApplyTrainingSettings(1, 0);
  std::vector<int> inputs;
  for (int f = 0; f < 40; ++f) inputs.push_back(Frame());
  int ones = 0, eights = 0;
  for (int d : inputs) {
    EXPECT_TRUE(d == 1 || d == 8) << d;
    ones += d == 1;
    eights += d == 8;
  }
  EXPECT_GT(ones, 0);
  EXPECT_GT(eights, 0);

  // The selected slot empty: no input, a restart on every frame.
  g_TrainingSettings[REPLAY_SLOT] = 0;
  ApplyTrainingSettings(1, 0);
  for (int f = 0; f < 5; ++f) {
    EXPECT_EQ(Frame(), 0);
    EXPECT_EQ(c.mode, 2u);
    EXPECT_EQ(c.file.roundIndex, 4u);
  }
}

// Draws of stream 1 since `before`: how far its generator moved (-1 past 200).
int DrawsSince(const RandStream& before) {
  RandStream r = before;
  for (int k = 0; k <= 200; ++k) {
    if (std::memcmp(&r, &g_RandStreams[1], sizeof r) == 0) return k;
    OwnRandStreamNext(r);
  }
  return -1;
}

// With RANDOM the playback control draws once per run it starts: at each NORMAL and WAIT restart
// and at RECOVER's step 255, never on held or playing frames.
TEST_F(DummyRecordings, RandomDrawsOncePerStartedRun) {
  struct Case {
    int32_t type;
    int frames;
    uint32_t fn2OnFrame;  // 0: never
    int draws;            // the application's pick included
  } cases[] = {
      {0, 9, 0, 3},   // three-frame runs: the pick, then restarts at frames 4 and 7
      {2, 9, 0, 1},   // WAIT: held at the start, no further pick
      {2, 9, 2, 2},   // FN2 releases; the run's end picks and holds again
      {1, 12, 0, 1},  // RECOVER: the dummy never loses its movable state
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " fn2 " << c.fn2OnFrame);
    Reset();
    RecordSlot(1, 3, 1);
    RecordSlot(8, 3, 8);
    g_ReplayController.mode = 0;
    g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
    g_TrainingSettings[REPLAY_SLOT] = 1;
    g_TrainingSettings[REPLAY_TYPE] = c.type;
    const RandStream before = g_RandStreams[1];
    ApplyTrainingSettings(1, 0);
    for (int f = 1; f <= c.frames; ++f) Frame(static_cast<uint32_t>(f) == c.fn2OnFrame ? 1u << 4 : 0);
    EXPECT_EQ(DrawsSince(before), c.draws);
  }
  // RECOVER picks at 255 only: one hit and recovery, one more draw.
  Reset();
  RecordSlot(1, 3, 1);
  g_ReplayController.mode = 0;
  g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
  g_TrainingSettings[REPLAY_SLOT] = 1;
  g_TrainingSettings[REPLAY_TYPE] = 1;
  const RandStream before = g_RandStreams[1];
  ApplyTrainingSettings(1, 0);
  state_.asmv = 0;
  Frame();
  state_.asmv = 1;
  for (int f = 0; f < 10; ++f) Frame();
  EXPECT_EQ(DrawsSince(before), 2);
}

// A recording reaching 5400 frames pauses the battle for the training menu; at 5399 it goes on.
// The menu's opening saves the slot.
TEST_F(DummyRecordings, RecordingPausesAt5400FramesAndTheSlotIsSaved) {
  RecordSlot(6, 5399);
  // The pause only stands when a training menu exists to resume it.
  ASSERT_NE(g_PauseControlHooks.updateTrainingMenu, nullptr);
  Frame();
  EXPECT_EQ(g_Paused, 0) << "5399 frames";
  ASSERT_EQ(g_ReplayController.file.rounds[6].GetLength(), 5400u) << "the frame was recorded";
  Frame();
  EXPECT_EQ(g_Paused, 1) << "5400 frames";
  EXPECT_EQ(g_PauseMenuActive, 1);
  StopDummyAndSave();
  g_ReplayController = ReplayController{};
  LoadDummyRecordingFile();
  EXPECT_EQ(g_ReplayController.file.rounds[6].GetLength(), 5400u);
}

// A file of three rounds: the slots past them are empty ("NO DATA"), played they give nothing;
// a recording into one of them makes the ten slots again.
TEST_F(DummyRecordings, AThreeRoundFile) {
  ReplayController& c = g_ReplayController;
  c.file.rounds.resize(3);
  for (int s = 0; s < 3; ++s) c.file.rounds[static_cast<size_t>(s)].streams[0].Append({uint8_t(s + 1), 1, 0});
  fs::create_directories("RepDummy");
  ASSERT_EQ(c.file.Save(".\\RepDummy\\RepD_@CPUNAME@_@CPUSTYLE@.dmr"), 1);
  c = ReplayController{};
  c.mode = 0;
  g_SceneEnter = 1;
  g_TrainingSettings[ENEMY_STATUS] = kEnemyDummy;
  g_SelectedDummySlot = 7;
  StartTrainingBattle();
  ASSERT_EQ(c.file.rounds.size(), 3u);
  for (int s = 0; s < 10; ++s) EXPECT_EQ(IsDummySlotRecorded(s), s < 3 ? 1 : 0) << s;
  for (int f = 0; f < 3; ++f) EXPECT_EQ(Frame(), 0);
  EXPECT_EQ(c.file.rounds.size(), 3u) << "playing a missing slot adds none";

  c.StartDummyRecording(7);
  c.file.AppendInput(0, {9, 1, 0});
  StopDummyAndSave();
  c = ReplayController{};
  LoadDummyRecordingFile();
  ASSERT_EQ(c.file.rounds.size(), 10u);
  EXPECT_EQ(IsDummySlotRecorded(2), 1);
  EXPECT_EQ(IsDummySlotRecorded(7), 1);
}

// On the battle harness: the dummy's input recorded while the player steers it on side 1 comes
// back frame for frame (direction, pressed, held, released) when the dummy stands on side 0.
class DummyRecordingsHarness : public battle_test::HarnessSampleTest {
 protected:
  void TearDown() override {
    g_ReplayController = ReplayController{};
    ResetTrainingSettings();
    g_GameModeFlags = 0;
    HarnessSampleTest::TearDown();
  }
};

struct DummyInput {
  uint8_t dir;
  uint32_t buttons, released;
  bool operator==(const DummyInput&) const = default;
};
std::vector<DummyInput> g_dummyInputs;
void (*g_inputHook)(BattleObject*, int) = nullptr;

// The replay seam as installed, then the dummy's input as the battle goes on with it.
void LoggingInputHook(BattleObject* o, int slot) {
  g_inputHook(o, slot);
  if (o != nullptr && slot == 1 - g_MainSide)
    g_dummyInputs.push_back({o->inputDir, o->inputButtons, o->inputReleased});
}

std::vector<DummyInput> RunDummy(uint8_t mainSide, bool record, const HarnessScript& script, int frames) {
  HarnessMatchRules rules;
  rules.gameMode = MODE_TRAINING;
  rules.mainSide = mainSide;
  g_ReplayController.mode = 0;
  g_ReplayController.dummyMode = 0;
  if (!HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 0}, false, RoundStart::kFightersFree, 1, rules))
    return {};
  g_inputHook = g_BattleSeams.ReplayInputHook;
  g_BattleSeams.ReplayInputHook = LoggingInputHook;
  g_TrainingSettings[ENEMY_STATUS] = record ? kEnemyStand : kEnemyDummy;
  g_SelectedDummySlot = 3;
  if (record) g_ReplayController.StartDummyRecording(3);
  ApplyTrainingSettings(1, mainSide);
  g_dummyInputs.clear();
  for (int f = 0; f < frames && g_Paused == 0; ++f) HarnessRunFrame(script);
  g_BattleSeams.ReplayInputHook = g_inputHook;
  return g_Paused == 0 ? g_dummyInputs : std::vector<DummyInput>{};
}

TEST_F(DummyRecordingsHarness, RecordedInputComesBackOnTheSideThatIsNotMain) {
  // The player's pad (port 0 while recording): walks, crouches, jabs, jumps back.
  const HarnessScript player = [](uint32_t frame, int side) {
    if (side != 0) return HarnessPad{};
    static constexpr uint8_t kDirs[] = {6, 6, 3, 2, 2, 5, 4, 7, 5, 9};
    HarnessPad p;
    p.dir = kDirs[(frame / 7) % 10];
    p.buttons = (frame % 13) < 3 ? 0x1 : 0;
    return p;
  };
  const int frames = 150;
  const std::vector<DummyInput> recorded = RunDummy(0, true, player, frames);
  ASSERT_EQ(recorded.size(), static_cast<size_t>(frames));
  ASSERT_EQ(g_ReplayController.file.rounds[3].GetLength(), static_cast<uint32_t>(frames));
  int moving = 0;
  for (const DummyInput& d : recorded) moving += d.dir != 5 && d.dir != 0;
  ASSERT_GT(moving, frames / 2) << "the player's pad steered the dummy";

  // Played with the main side now 1 and neutral pads: the dummy is side 0.
  const std::vector<DummyInput> played = RunDummy(
      1, false, [](uint32_t, int) { return HarnessPad{}; }, frames);
  ASSERT_EQ(played.size(), recorded.size());
  for (size_t i = 0; i < played.size(); ++i) {
    EXPECT_EQ(played[i].dir, recorded[i].dir) << "frame " << i;
    EXPECT_EQ(played[i].buttons & 0xFF0FFu, recorded[i].buttons & 0xFF0FFu) << "frame " << i;
    EXPECT_EQ(played[i].released & 0xFFu, recorded[i].released & 0xFFu) << "frame " << i;
  }
}

}  // namespace
