// Save records: invalid records load as defaults, short files, golden default bytes, the
// character-to-record table, saturation, the score-table check, safe saving and play timers.
#include "app/save_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "app/lib_debug.h"
#include "platform/clock.h"
#include "support/test_util.h"

namespace {

// The game's paths name these files on disk.
constexpr const char* kGameFile = "System/_QZGameData.dat";
constexpr const char* kPlayFile = "System/_QZPlayData.dat";

class SaveDataTest : public testing::Test {
 protected:
  void SetUp() override {
    vt::SetDebugQuiet(true);
    g_GameData = nullptr;
    g_PlayData = nullptr;
    clock_.AdvanceNs(1000000000000ull);
    vt::platform::SetClock(&clock_);
  }
  void TearDown() override {
    vt::platform::SetClock(nullptr);
    vt::SetDebugQuiet(false);
  }
  void AdvanceMs(uint64_t ms) { clock_.AdvanceNs(ms * 1000000); }
  vt::platform::FakeClock clock_;
  template <typename T>
  static void WriteRecord(const char* path, const T& record, size_t size = sizeof(T)) {
    vt::test::WriteFile(path, std::string(reinterpret_cast<const char*>(&record), size));
  }
};

void PutWord(std::string& bytes, size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(v >> (8 * i));
}

// Golden default bytes, built from the field table (not from the structs).
std::string ExpectedGameDataBytes() {
  std::string b(400, '\0');
  PutWord(b, 0, 0xF0FFF004u);
  for (int m = 0; m < 16; ++m) {
    for (int f = 0; f < 4; ++f) PutWord(b, 4 + 20 * m + 4 * f, 2);
  }
  PutWord(b, 336, 1);  // BackgroundSound
  PutWord(b, 352, 2);  // CharaFilter
  PutWord(b, 380, 1);  // SELECT_LANGUAGE
  PutWord(b, 384, 1280);
  PutWord(b, 388, 720);
  PutWord(b, 392, 1);  // ScreenMode
  return b;
}

std::string ExpectedPlayDataBytes() {
  std::string b(992, '\0');
  PutWord(b, 0, 0xF0FFF004u);
  PutWord(b, 664, 0xFFF00002u);
  const uint32_t scores[] = {856000, 666600, 270000, 255000, 240000, 225000, 210000, 195000, 180000, 165000};
  for (int r = 0; r < 10; ++r) {
    size_t row = 672 + 32 * static_cast<size_t>(r);
    PutWord(b, row, scores[r]);
    std::memcpy(&b[row + 8], "ZLV", 3);
    PutWord(b, row + 16, static_cast<uint32_t>(r));
    PutWord(b, row + 20, static_cast<uint32_t>(r % 3));
  }
  return b;
}

TEST_F(SaveDataTest, MissingFilesGiveTheGoldenDefaults) {
  LoadGameData();
  LoadPlayData();
  ASSERT_TRUE(g_GameData && g_PlayData);
  ASSERT_TRUE(SaveGameData());
  ASSERT_TRUE(SavePlayData());
  EXPECT_EQ(vt::test::ReadFile("System/_QZGameData.dat"), ExpectedGameDataBytes());
  EXPECT_EQ(vt::test::ReadFile("System/_QZPlayData.dat"), ExpectedPlayDataBytes());
}

struct GameDataCase {
  const char* name;
  void (*edit)(GameData&);
  bool valid;
};

class GameDataValidationTest : public SaveDataTest, public testing::WithParamInterface<GameDataCase> {};

TEST_P(GameDataValidationTest, InvalidLoadsAsAllDefaults) {
  GameData d;
  FillDefaultGameData(d);
  d.BgmVolume = 7;  // a marker that survives only a valid load
  GetParam().edit(d);
  WriteRecord(kGameFile, d);
  LoadGameData();
  ASSERT_NE(g_GameData, nullptr);
  if (GetParam().valid) {
    EXPECT_EQ(std::memcmp(g_GameData, &d, sizeof(d)), 0);
  } else {
    GameData defaults;
    FillDefaultGameData(defaults);
    EXPECT_EQ(std::memcmp(g_GameData, &defaults, sizeof(defaults)), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, GameDataValidationTest,
    testing::Values(GameDataCase{"bad_magic", [](GameData& d) { d.magic = 0xF0FFF005u; }, false},
                    GameDataCase{"wincount0_record15", [](GameData& d) { d.modes[15].WinCount = 0; }, false},
                    GameDataCase{"wincount4", [](GameData& d) { d.modes[1].WinCount = 4; }, false},
                    GameDataCase{"difficulty5", [](GameData& d) { d.modes[3].Difficulty = 5; }, false},
                    GameDataCase{"flag2", [](GameData& d) { d.modes[0].flag = 2; }, false},
                    GameDataCase{"reserved1", [](GameData& d) { d.reserved = 1; }, false},
                    GameDataCase{"bgm22", [](GameData& d) { d.BgmVolume = 22; }, false},
                    GameDataCase{"se_negative", [](GameData& d) { d.SeVolume = -1; }, false},
                    GameDataCase{"language2", [](GameData& d) { d.SELECT_LANGUAGE = 2; }, false},
                    GameDataCase{"gamespeed6", [](GameData& d) { d.GameSpeed = 6; }, false},
                    GameDataCase{"configmode6", [](GameData& d) { d.ConfigMode = 6; }, false},
                    GameDataCase{"netnotice2", [](GameData& d) { d.NetNoticeSeen = 2; }, false},
                    GameDataCase{"edges_valid",
                                 [](GameData& d) {
                                   d.BgmVolume = 21;
                                   d.GameSpeed = 5;
                                   d.ConfigMode = 5;
                                   d.modes[2] = ModeRecord{0, 1, 4, 0, 1};
                                   d.SELECT_LANGUAGE = 0;
                                 },
                                 true},
                    // Taken as stored, whatever their values.
                    GameDataCase{"free_fields",
                                 [](GameData& d) {
                                   d.CharaFilter = -9;
                                   d.ViewFPS = 123;
                                   d.FrameSkip = -1;
                                   d.SCREEN_FILTER = 77;
                                   d.LetterboxMode = 9;
                                   d.ResolutionWidth = 1;
                                   d.ResolutionHeight = 99999;
                                 },
                                 true}),
    [](const testing::TestParamInfo<GameDataCase>& info) { return info.param.name; });

TEST_F(SaveDataTest, ShortFilesAreInvalid) {
  GameData g;
  FillDefaultGameData(g);
  g.BgmVolume = 9;
  WriteRecord(kGameFile, g, 399);
  LoadGameData();
  EXPECT_EQ(g_GameData->BgmVolume, 0);
  PlayData p;
  FillDefaultPlayData(p);
  p.playCount = 5;
  WriteRecord(kPlayFile, p, 991);
  LoadPlayData();
  EXPECT_EQ(g_PlayData->playCount, 0u);
  // A longer file is read for its record.
  vt::test::WriteFile(kPlayFile, std::string(reinterpret_cast<const char*>(&p), sizeof(p)) + "extra");
  LoadPlayData();
  EXPECT_EQ(g_PlayData->playCount, 5u);
}

TEST_F(SaveDataTest, PlayDataValidation) {
  PlayData p;
  FillDefaultPlayData(p);
  p.characters[39].counters[3] = -1;
  p.playCount = 3;
  WriteRecord(kPlayFile, p);
  LoadPlayData();
  EXPECT_EQ(g_PlayData->playCount, 0u);
  FillDefaultPlayData(p);
  p.magic = 0;
  p.playCount = 3;
  WriteRecord(kPlayFile, p);
  LoadPlayData();
  EXPECT_EQ(g_PlayData->playCount, 0u);
}

TEST_F(SaveDataTest, AccessorsWithoutRecords) {
  EXPECT_EQ(GetCharaFilter(), 2);
  EXPECT_EQ(IsConfigModeOne(), 0);
  EXPECT_EQ(GetSelectLanguage(), 1);
  EXPECT_EQ(ValidateGameData(), 1);
  EXPECT_FALSE(SaveGameData());
  EXPECT_FALSE(std::filesystem::exists("System/_QZGameData.dat"));
  LoadGameData();
  g_GameData->ConfigMode = 1;
  EXPECT_EQ(IsConfigModeOne(), 1);
}

TEST_F(SaveDataTest, CharacterToRecordTable) {
  const int expected[64] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                            16, 17, 18, 31, 19, -1, 20, 21, -1, 22, -1, -1, 23, 24, 25, 26,
                            27, 28, 29, 30, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
                            -1, -1, -1, 32, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  for (int c = 0; c < 64; ++c) EXPECT_EQ(CharacterRecordIndex(c), expected[c]) << c;
  EXPECT_EQ(CharacterRecordIndex(-1), -1);
  EXPECT_EQ(CharacterRecordIndex(64), -1);
}

TEST_F(SaveDataTest, MatchResultsSaturateAndSkipCharactersWithoutRecord) {
  LoadPlayData();
  g_PlayData->characters[31].counters[2] = 2147483647;
  CountMatchResultByCharacter(19, 20);
  EXPECT_EQ(g_PlayData->characters[31].counters[2], 2147483647);
  EXPECT_EQ(g_PlayData->characters[19].counters[3], 1);
  PlayData before = *g_PlayData;
  CountMatchResultByCharacter(21, 0);  // 21 has no record: only the loser changes
  EXPECT_EQ(g_PlayData->characters[0].counters[3], 1);
  before.characters[0].counters[3] = 1;
  EXPECT_EQ(std::memcmp(&before, g_PlayData, sizeof(before)), 0);
}

TEST_F(SaveDataTest, ScoreTableCheckAtStartUp) {
  struct {
    const char* name;
    void (*edit)(RankingTable&);
    bool reset;
  } cases[] = {
      {"valid", [](RankingTable&) {}, false},
      {"bad_magic", [](RankingTable& t) { t.magic = 0; }, true},
      {"character_64", [](RankingTable& t) { t.rows[4].character = 64; }, true},
      {"character_negative", [](RankingTable& t) { t.rows[0].character = -1; }, true},
      {"type_3", [](RankingTable& t) { t.rows[9].type = 3; }, true},
      {"initials_unterminated", [](RankingTable& t) { std::memcpy(t.rows[2].initials, "ABCD", 4); }, false},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all("System");
    PlayData p;
    FillDefaultPlayData(p);
    p.totalPlayTime = 4321;
    p.ranking.rows[0].scoreLow = 999999;
    c.edit(p.ranking);
    WriteRecord(kPlayFile, p);
    LoadPlayData();
    EXPECT_EQ(CheckScoreTableAtStartup(), c.reset) << c.name;
    EXPECT_EQ(g_TotalPlayTimeBase, 4321u);
    EXPECT_EQ(g_PlayData->ranking.rows[0].scoreLow, c.reset ? 856000u : 999999u) << c.name;
    for (const RankingRow& row : g_PlayData->ranking.rows) EXPECT_EQ(row.initials[3], '\0') << c.name;
    // Saved at once after a reset; otherwise the file stays as it was.
    std::string saved = vt::test::ReadFile(kPlayFile);
    uint32_t first = 0;
    std::memcpy(&first, saved.data() + 672, 4);
    EXPECT_EQ(first, c.reset ? 856000u : 999999u) << c.name;
  }
}

TEST_F(SaveDataTest, FailedSaveKeepsTheOldFile) {
  LoadGameData();
  ASSERT_TRUE(SaveGameData());
  std::string old = vt::test::ReadFile("System/_QZGameData.dat");
  g_GameData->BgmVolume = 15;
  // The temporary file cannot be created (a folder stands in its place): the save fails whole.
  std::filesystem::create_directories("System/_QZGameData.dat.tmp");
  EXPECT_FALSE(SaveGameData());
  EXPECT_EQ(vt::test::ReadFile("System/_QZGameData.dat"), old);
  std::filesystem::remove_all("System/_QZGameData.dat.tmp");
  EXPECT_TRUE(SaveGameData());
  LoadGameData();
  EXPECT_EQ(g_GameData->BgmVolume, 15);
}

TEST_F(SaveDataTest, SavingAnInvalidRecordWritesDefaults) {
  LoadGameData();
  g_GameData->BgmVolume = 50;
  ASSERT_TRUE(SaveGameData());
  EXPECT_EQ(vt::test::ReadFile("System/_QZGameData.dat"), ExpectedGameDataBytes());
}

TEST_F(SaveDataTest, PlayTimeAccumulation) {
  LoadPlayData();
  StartRunPlayTimer();
  StartPlayTimers(1);
  StartModePlayTimer(1);
  AdvanceMs(999);  // under one second: nothing, and the timers keep their start
  AccumulatePlayTime();
  EXPECT_EQ(g_PlayData->playCount, 0u);
  EXPECT_EQ(g_PlayData->modePlayCount, 0u);
  AdvanceMs(2001);  // 3 s since the start
  AccumulatePlayTime();
  EXPECT_EQ(g_PlayData->playCount, 1u);
  EXPECT_EQ(g_PlayData->playSeconds, 3u);
  EXPECT_EQ(g_PlayData->modePlayCount, 1u);
  EXPECT_EQ(g_PlayData->modePlaySeconds, 3u);
  EXPECT_EQ(g_PlayTimers[kPlayTimer].running, 1);       // restarted
  EXPECT_EQ(g_PlayTimers[kModeTotalTimer].running, 0);  // stopped
  EXPECT_EQ(g_PlayTimers[kModeTimer1].ElapsedSeconds(), 3u);

  g_PlayData->playCount = 0xFFFFFFFFu;
  g_PlayData->playSeconds = 0xFFFFFFF0u;
  AdvanceMs(100000);
  AccumulatePlayTime();
  EXPECT_EQ(g_PlayData->playCount, 0xFFFFFFFFu);
  EXPECT_EQ(g_PlayData->playSeconds, 0xFFFFFFFFu);

  g_TotalPlayTimeBase = 50;
  UpdateTotalPlayTime();
  EXPECT_EQ(g_PlayData->totalPlayTime, 50u + 103u);
  StopPlayTimers();
  EXPECT_EQ(g_PlayTimers[kPlayTimer].ElapsedSeconds(), 0u);
}

}  // namespace
