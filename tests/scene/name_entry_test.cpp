// The high-score table and the name entry: place search and insertion, the letter wheel driven
// frame by frame, and storing a finished entry into the saved play data.
#include "scene/name_entry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/input/input_hooks.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/story_routes.h"
#include "scene/ranking_screen.h"
#include "scene/scene_fixture.h"
#include "support/test_util.h"

namespace {

using scene_test::SceneTest;

class NameEntryTest : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    vt::SetDebugQuiet(true);
    FillDefaultPlayData(play_);
    g_PlayData = &play_;
    CloseNameEntries();
    saved_ = GetInputGameHooks();
    InstallCredits();
    InstallNameEntry();
    GetInputGameHooks().resetSideProgress = [](int side) { ResetSideProgress(side); };
  }
  void TearDown() override {
    GetInputGameHooks() = saved_;
    CloseNameEntries();
    g_PlayData = nullptr;
    vt::SetDebugQuiet(false);
    SceneTest::TearDown();
  }
  // Side s finished a route with character `chara` and this score and counter.
  static void SetSide(int s, int32_t points, int32_t count, int32_t chara) {
    g_SideStatus[s].score = points;
    g_SideStatus[s].arcadeTotals[9] = count;
    g_StoryBattleRoutes[s].playerCharacter = chara;
    g_StoryBattleRoutes[s].playerType = 2;
    g_StoryBattleRoutes[s].playerColor = 5;
  }
  static uint64_t Key(const RankingRow& r) { return static_cast<uint64_t>(r.scoreHigh) << 32 | r.scoreLow; }
  PlayData play_{};
  InputGameHooks saved_;
};

// ---- place search and insertion ----

struct PlaceRow {
  const char* name;
  int32_t points, count, chara, mode;
  bool playData;
  int ok, place;
};

TEST_F(NameEntryTest, PlaceSearch) {
  const PlaceRow rows[] = {
      {"above the best", 9000, 0, 3, 0, true, 1, 0},
      // A key equal to a row's key goes below it: 2550 x 100 = row 3's 255000.
      {"tie goes below", 2550, 0, 3, 0, true, 1, 4},
      {"counter adds", 2550, 1, 3, 0, true, 1, 3},
      {"counter capped at 99", 1650, 500, 3, 0, true, 1, 9},
      {"below row 9", 1649, 99, 3, 0, true, 0, -1},
      {"team battle", 9000, 0, 3, MODE_TEAM_BATTLE, true, 0, -1},
      {"no play data", 9000, 0, 3, 0, false, 0, -1},
      {"no route character", 9000, 0, -1, 0, true, 0, -1},
  };
  for (const PlaceRow& r : rows) {
    SetSide(1, r.points, r.count, r.chara);
    g_GameModeFlags = r.mode;
    g_PlayData = r.playData ? &play_ : nullptr;
    int place = -7;
    uint64_t key = 0;
    EXPECT_EQ(CheckRankingPlace(1, &place, &key), r.ok) << r.name;
    EXPECT_EQ(place, r.ok ? r.place : -7) << r.name;  // written only on success
  }
}

TEST_F(NameEntryTest, InsertMovesRowsDownAndDropsTheLast) {
  RankingRow row{};
  row.scoreLow = 900000;
  std::memcpy(row.initials, "NEW", 4);
  InsertRankingRow(1, row);  // any table but 0 is left alone
  EXPECT_EQ(Key(play_.ranking.rows[0]), 856000u);
  InsertRankingRow(0, row);
  const uint64_t expected[kRankingRows] = {900000, 856000, 666600, 270000, 255000,
                                           240000, 225000, 210000, 195000, 180000};
  for (int i = 0; i < kRankingRows; ++i) EXPECT_EQ(Key(play_.ranking.rows[i]), expected[i]) << i;
  EXPECT_STREQ(play_.ranking.rows[0].initials, "NEW");
  row.scoreLow = 1;  // smaller than every row: nothing happens
  InsertRankingRow(0, row);
  EXPECT_EQ(Key(play_.ranking.rows[9]), 180000u);
}

// A score whose key passes 32 bits keeps its high word and is shown clamped to ten digits.
TEST_F(NameEntryTest, SixtyFourBitKey) {
  SetSide(0, 2000000000, 7, 4);
  int place = -1;
  uint64_t key = 0;
  ASSERT_EQ(CheckRankingPlace(0, &place, &key), 1);
  EXPECT_EQ(key, 200000000007ull);
  ASSERT_EQ(TryStartNameEntry(0), 1);
  g_NameEntries[0].state = kNameFinished;
  EXPECT_EQ(RegisterRankingEntry(0), 1);
  EXPECT_EQ(Key(play_.ranking.rows[0]), 200000000007ull);
  EXPECT_EQ(play_.ranking.rows[0].scoreHigh, 46u);
  char text[11];
  FormatRankingScore(key, text);
  EXPECT_STREQ(text, "9999999999");
  FormatRankingScore(123456789ull, text);
  EXPECT_STREQ(text, "0123456789");
}

// ---- the letter wheel ----

struct Press {
  int dir;
  uint32_t buttons;
  int repeat = 1;
};
constexpr uint32_t kDecide = 1u;
constexpr uint32_t kStart = 1u << 28;

struct EntryScript {
  const char* name;
  std::vector<Press> presses;
  const char* stored;  // the name once finished
  int frames;          // frames until the entry confirms (state 1)
};

TEST_F(NameEntryTest, LetterWheelScripts) {
  const EntryScript scripts[] = {
      {"three letters, finished the frame after the third", {{6, 0}, {0, kDecide, 3}}, "BBB", 5},
      {"rejected name", {{0, kDecide, 3}}, "ZLV", 4},
      {"rejected word",
       {{6, 0, 3}, {0, kDecide}, {6, 0, 13}, {0, kDecide}, {4, 0, 3}, {0, kDecide}},
       "ZLV",
       23},
      {"end key on the first slot", {{4, 0}, {0, kDecide}}, "ZLV", 2},
      {"start on the first slot", {{0, kStart}}, "ZLV", 1},
      {"single letter", {{0, kDecide}, {4, 0}, {0, kDecide}}, "A", 3},
      {"single letter by start", {{0, kDecide}, {0, kStart}}, "A", 2},
      {"wrap back to A", {{4, 0}, {6, 0}, {6, 0}, {0, kDecide}, {0, kStart}}, "B", 5},
      // Start puts the end key in place of the letter under the cursor.
      {"start at the second slot", {{6, 0, 2}, {0, kDecide}, {6, 0}, {0, kStart}}, "C", 5},
  };
  for (const EntryScript& s : scripts) {
    CloseNameEntries();
    OpenNameEntry(0, NameEntryStart{1, 1000000, 3, 0, 0});
    int frame = 0;
    for (const Press& p : s.presses)
      for (int i = 0; i < p.repeat; ++i, ++frame) UpdateNameEntry(0, p.dir, p.buttons);
    while (g_NameEntries[0].state == kNameEntering && frame < 40) {
      UpdateNameEntry(0, 0, 0);
      ++frame;
    }
    EXPECT_EQ(frame, s.frames) << s.name;
    EXPECT_EQ(g_NameEntries[0].state, kNameConfirming) << s.name;
    char name[4];
    GetEntryName(0, name);
    EXPECT_STREQ(name, s.stored) << s.name;
  }
}

TEST_F(NameEntryTest, BackKey) {
  OpenNameEntry(0, NameEntryStart{1, 1000000, 3, 0, 0});
  NameEntry& e = g_NameEntries[0];
  // On slot 0 the back key stays on slot 0.
  UpdateNameEntry(0, 4, 0);
  UpdateNameEntry(0, 4, 0);
  ASSERT_EQ(e.letters[0], kBackKey);
  UpdateNameEntry(0, 0, kDecide);
  EXPECT_EQ(e.cursor, 0);
  EXPECT_EQ(e.letters[0], kBackKey);
  // On slot 2 it empties slot 2 and puts the back key on slot 1.
  UpdateNameEntry(0, 6, 0);  // the end key
  UpdateNameEntry(0, 6, 0);  // A
  UpdateNameEntry(0, 0, kDecide);
  UpdateNameEntry(0, 0, kDecide);
  ASSERT_EQ(e.cursor, 2);
  UpdateNameEntry(0, 4, 0);
  UpdateNameEntry(0, 4, 0);
  ASSERT_EQ(e.letters[2], kBackKey);
  UpdateNameEntry(0, 0, kDecide);
  EXPECT_EQ(e.cursor, 1);
  EXPECT_EQ(e.letters[2], -1);
  EXPECT_EQ(e.letters[1], kBackKey);
  EXPECT_EQ(e.state, kNameEntering);
}

struct TimeoutRow {
  const char* name;
  std::vector<Press> presses;
  const char* stored;
};

TEST_F(NameEntryTest, TimeOut) {
  const TimeoutRow rows[] = {
      {"nothing entered", {}, "ZLV"},
      {"the letter under the cursor is taken", {{6, 0}, {0, kDecide}, {6, 0}}, "BC"},
      {"a rejected name", {{0, kDecide, 2}}, "ZLV"},
  };
  for (const TimeoutRow& r : rows) {
    CloseNameEntries();
    OpenNameEntry(1, NameEntryStart{2, 500000, 3, 0, 0});
    int frame = 0;
    for (const Press& p : r.presses)
      for (int i = 0; i < p.repeat; ++i, ++frame) UpdateNameEntry(1, p.dir, p.buttons);
    while (g_NameEntries[1].state == kNameEntering && frame < 4000) {
      UpdateNameEntry(1, 0, 0);
      ++frame;
    }
    EXPECT_EQ(frame, kNameEntryFrames) << r.name;  // 60 s
    char name[4];
    GetEntryName(1, name);
    EXPECT_STREQ(name, r.stored) << r.name;
  }
}

TEST_F(NameEntryTest, ConfirmLastsOneHundredAndTwentyFrames) {
  OpenNameEntry(0, NameEntryStart{1, 1000000, 3, 0, 0});
  UpdateNameEntry(0, 0, kStart);
  ASSERT_EQ(g_NameEntries[0].state, kNameConfirming);
  int frames = 0;
  while (g_NameEntries[0].state == kNameConfirming && frames < 500) {
    UpdateNameEntry(0, 6, kDecide);  // input is ignored while confirming
    ++frames;
  }
  EXPECT_EQ(frames, 121);
  EXPECT_EQ(g_NameEntries[0].state, kNameFinished);
  EXPECT_EQ(IsNameEntryFinished(0), 0);  // not stored yet
}

TEST_F(NameEntryTest, OpenOnlyWhenClosed) {
  OpenNameEntry(0, NameEntryStart{1, 1000000, 3, 0, 0});
  UpdateNameEntry(0, 6, 0);
  OpenNameEntry(0, NameEntryStart{5, 2, 7, 0, 0});
  EXPECT_EQ(g_NameEntries[0].place, 1);
  EXPECT_EQ(g_NameEntries[0].letters[0], 1);
}

struct RejectRow {
  const char* name;
  int rejected;
};

TEST_F(NameEntryTest, RejectedNames) {
  const RejectRow rows[] = {{"", 1},  {" ", 1},  {"   ", 1}, {"AAA", 1}, {"X.X", 1},  {"XX_", 1}, {"DOQ", 1},
                            {"A", 0}, {"AA", 0}, {"ZLV", 0}, {"X&X", 0}, {"ABCD", 1}, {"SEX", 1}};
  for (const RejectRow& r : rows) EXPECT_EQ(IsRejectedName(r.name), r.rejected) << '"' << r.name << '"';
}

// ---- storing a finished entry ----

class StoredEntryTest : public NameEntryTest {
 protected:
  void SetUp() override {
    NameEntryTest::SetUp();
    std::filesystem::remove_all("System");
    std::filesystem::create_directories("System");
  }
  void TearDown() override {
    std::filesystem::remove_all("System");
    NameEntryTest::TearDown();
  }
  // Side 0 scores 2600 points with one continue (row 3's place), types "QZ" and confirms.
  void FinishEntry() {
    SetSide(0, 2600, 1, 7);
    ASSERT_EQ(TryStartNameEntry(0), 1);
    ASSERT_EQ(g_NameEntries[0].place, 4);
    for (const Press& p :
         {Press{6, 0, 16}, Press{0, kDecide}, Press{6, 0, 9}, Press{0, kDecide}, Press{0, kStart}})
      for (int i = 0; i < p.repeat; ++i) UpdateNameEntry(0, p.dir, p.buttons);
    for (int i = 0; i < 121; ++i) UpdateNameEntry(0, 0, 0);
    ASSERT_EQ(g_NameEntries[0].state, kNameFinished);
    g_CreditState.players[0].joined = 1;
    g_StoryBattleRoutes[0].stageCount = 3;
    g_StoryBattleRoutes[0].stageIndex = 2;
  }
};

TEST_F(StoredEntryTest, StoreRegistersSavesClosesAndClears) {
  FinishEntry();
  EXPECT_EQ(StoreFinishedNameEntry(1), 0);  // nothing finished on that side
  EXPECT_EQ(StoreFinishedNameEntry(0), 1);
  EXPECT_EQ(g_NameEntries[0].state, kNameClosed);
  EXPECT_EQ(g_CreditState.players[0].joined, 0);
  EXPECT_EQ(g_SideStatus[0].arcadeTotals[9], 0);  // the side's progress is cleared
  EXPECT_EQ(StoreFinishedNameEntry(0), 0);        // stored once only
  const RankingRow& row = play_.ranking.rows[3];
  EXPECT_EQ(Key(row), 260001u);
  EXPECT_STREQ(row.initials, "QZ");
  EXPECT_EQ(row.character, 7);
  EXPECT_EQ(row.type, 2);
  EXPECT_EQ(row.colour, 5);
  // On disk at 664 + 8 + 32 x 3, and a fresh load reads it back.
  const std::string bytes = vt::test::ReadFile("System/_QZPlayData.dat");
  ASSERT_EQ(bytes.size(), sizeof(PlayData));
  RankingRow onDisk{};
  std::memcpy(&onDisk, bytes.data() + 664 + 8 + 32 * 3, sizeof onDisk);
  EXPECT_EQ(std::memcmp(&onDisk, &row, sizeof row), 0);
  g_PlayData = nullptr;
  LoadPlayData();
  ASSERT_NE(g_PlayData, nullptr);
  EXPECT_STREQ(g_PlayData->ranking.rows[3].initials, "QZ");
  EXPECT_EQ(Key(g_PlayData->ranking.rows[4]), 255000u);
}

// A failed save leaves the old file as it was; the row stays in memory and the entry closes.
TEST_F(StoredEntryTest, FailedSaveKeepsTheOldFileAndTheRow) {
  ASSERT_TRUE(SavePlayData());
  const std::string before = vt::test::ReadFile("System/_QZPlayData.dat");
  std::filesystem::create_directories("System/_QZPlayData.dat.tmp");  // the write cannot start
  FinishEntry();
  EXPECT_EQ(StoreFinishedNameEntry(0), 1);
  EXPECT_EQ(vt::test::ReadFile("System/_QZPlayData.dat"), before);
  EXPECT_STREQ(play_.ranking.rows[3].initials, "QZ");
  EXPECT_EQ(g_NameEntries[0].state, kNameClosed);
}

}  // namespace
