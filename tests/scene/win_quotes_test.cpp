// Win quotes: the parser on well-formed and damaged files, the quote choice by match result,
// use counts and random stream 1, the ".wmt" copy and the voice volume.
#include "scene/win_quotes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
using namespace std::string_literals;

#include "app/random.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"
#include "scene/scene_fixture.h"
#include "support/test_util.h"

namespace {

struct ParseCase {
  const char* name;
  std::string file;
  uint32_t count;
  int check;  // entry to look at
  int opponent, flags, picture;
  const char* voice;
  const char* text;
};

TEST(WinQuoteParse, FilesWellFormedAndDamaged) {
  const std::string longVoice(40, 'v');
  const std::string longText(600, 'x');
  const std::string oddSjis = std::string(510, 'a') + "\x82\xA0" + "b";  // a double byte across 511
  ParseCase cases[] = {
      {"plain", "255 0 1 v00.ogg Hello there.\r\nEND\r\n", 1, 0, 255, 0, 1, "v00", "Hello there."},
      {"comments and blank lines",
       "// head\r\n\r\n  \r\n3 2 4 a.b.wav Two words\r\n// mid\r\n\r\n5 512 0 x Next\r\nEND\r\n", 2, 1, 5,
       512, 0, "x", "Next"},
      {"extension stripped at the last dot", "1 0 0 a.b.wav T\r\nEND", 1, 0, 1, 0, 0, "a.b", "T"},
      {"no END: the file's end ends it", "1 1 2 v T1\r\n2 2 3 w T2", 2, 1, 2, 2, 3, "w", "T2"},
      {"LF line ends", "1 0 0 v one\n2 0 0 w two\nEND\n", 2, 1, 2, 0, 0, "w", "two"},
      {"markup kept in the text", "9 0 7 v <\x8A\xBF\x8E\x9A>text\\n\r\nEND", 1, 0, 9, 0, 7, "v",
       "<\x8A\xBF\x8E\x9A>text\\n"},
      {"overlong voice cut to 31", "1 0 0 " + longVoice + ".ogg T\r\nEND", 1, 0, 1, 0, 0,
       "vvvvvvvvvvvvvvvvvvvvvvvvvvvvvvv", "T"},
      {"text cut to 511 before a double byte", "1 0 0 v " + oddSjis + "\r\nEND", 1, 0, 1, 0, 0, "v", nullptr},
      {"stops at END", "1 0 0 v A\r\nEND\r\n2 0 0 w B\r\n", 1, 0, 1, 0, 0, "v", "A"},
      {"empty", "", 0, -1, 0, 0, 0, nullptr, nullptr},
      {"only END", "END\r\n", 0, -1, 0, 0, 0, nullptr, nullptr},
      {"a line of one number", "7", 1, 0, 7, 0, 0, "", ""},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    WinQuoteTable t;
    EXPECT_EQ(ParseWinQuotes(c.file, t), c.count);
    EXPECT_EQ(t.count, c.count);
    if (c.check < 0) continue;
    const WinQuote& q = t.entries[c.check];
    EXPECT_EQ(q.opponent, c.opponent);
    EXPECT_EQ(q.flags, c.flags);
    EXPECT_EQ(q.picture, c.picture);
    EXPECT_STREQ(q.voice, c.voice);
    if (c.text) EXPECT_STREQ(q.text, c.text);
    EXPECT_EQ(q.voice[31], '\0');
    EXPECT_EQ(q.text[511], '\0');
  }
  // The double byte that would cross the field's end is left out whole.
  WinQuoteTable t;
  ParseWinQuotes("1 0 0 v " + oddSjis + "\r\nEND", t);
  EXPECT_EQ(std::string(t.entries[0].text), std::string(510, 'a'));
  // The long text is cut to 511 bytes.
  ParseWinQuotes("1 0 0 v " + longText + "\r\nEND", t);
  EXPECT_EQ(std::string(t.entries[0].text).size(), 511u);
}

TEST(WinQuoteParse, StopsAtTheTablesEnd) {
  std::string file;
  for (int i = 0; i < 130; ++i) file += std::to_string(i) + " 0 0 v" + std::to_string(i) + " quote\r\n";
  file += "END\r\n";
  WinQuoteTable t;
  EXPECT_EQ(ParseWinQuotes(file, t), 100u);
  EXPECT_STREQ(t.entries[99].voice, "v99");
}

WinQuote Q(int opponent, int flags) {
  WinQuote q{};
  q.opponent = static_cast<uint8_t>(opponent);
  q.flags = static_cast<int16_t>(flags);
  return q;
}
WinQuoteTable Table(std::initializer_list<WinQuote> qs) {
  WinQuoteTable t;
  for (const WinQuote& q : qs) t.entries[t.count++] = q;
  return t;
}

class WinQuoteChoice : public scene_test::SceneTest {};

// Each row: the possible picks over many draws must be exactly this set.
TEST_F(WinQuoteChoice, CandidatesByModeAndResult) {
  // 0 generic, 1 generic, 2 for 4 (plain), 3 for 4 if main won, 4 for 4 if main lost,
  // 5 for 6 admitting generics, 6 for 7 plain, 7 for 8 if main won (only a conditional).
  const WinQuoteTable t =
      Table({Q(255, 0), Q(255, 0), Q(4, 0), Q(4, 1), Q(4, 2), Q(6, 512), Q(7, 0), Q(8, 1)});
  struct Case {
    const char* name;
    WinQuoteMatch m;
    std::set<int> want;
  } cases[] = {
      {"arcade, main won: the flag-1 quote", {false, true, true, 4}, {3}},
      {"arcade, main lost: the flag-2 quote", {false, true, false, 4}, {4}},
      {"versus: plain quotes only, conditionals never", {false, false, true, 4}, {2}},
      {"versus: 512 admits the generic ones", {false, false, true, 6}, {0, 1, 5}},
      {"arcade, no conditional for 7: its plain quote", {false, true, true, 7}, {6}},
      // Kept as the rule reads: the second pass keeps conditionals in arcade, whatever the result.
      {"arcade, condition fails: the second pass keeps it", {false, true, false, 8}, {7}},
      {"versus, only a conditional for 8: generics", {false, false, true, 8}, {0, 1}},
      {"no quote for the loser: generics", {false, false, true, 30}, {0, 1}},
      {"network: always the first", {true, true, true, 4}, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SeedRandStream(1, 12345);
    std::set<int> got;
    for (int i = 0; i < 200; ++i) got.insert(ChooseWinQuoteFrom(t, c.m, nullptr));
    EXPECT_EQ(got, c.want);
  }
}

TEST_F(WinQuoteChoice, ArcadeConditionalFallsBackWhenTheResultDoesNotMatch) {
  // In arcade a flag-2 quote needs a main-side loss; a win leaves it out. A loser with only a
  // flag-2 quote then takes the second pass, whose arcade form keeps conditionals.
  const WinQuoteTable t = Table({Q(255, 0), Q(4, 2)});
  SeedRandStream(1, 5);
  std::set<int> got;
  for (int i = 0; i < 100; ++i) got.insert(ChooseWinQuoteFrom(t, {false, true, true, 4}, nullptr));
  EXPECT_EQ(got, (std::set<int>{1}));
}

TEST_F(WinQuoteChoice, EmptyTableAndOneDrawOfStreamOne) {
  SeedRandStream(1, 77);
  const RandStream before = g_RandStreams[1];
  const RandStream common = g_RandStreams[kRandCommonStream];
  EXPECT_EQ(ChooseWinQuoteFrom(WinQuoteTable{}, {false, false, true, 1}, nullptr), 0);
  EXPECT_EQ(std::memcmp(&before, &g_RandStreams[1], sizeof before), 0);  // no candidate: no draw

  const WinQuoteTable t = Table({Q(255, 0), Q(255, 0), Q(255, 0)});
  SeedRandStream(1, 77);
  const int32_t draw = [] {
    RandStream copy = g_RandStreams[1];
    return OwnRandStreamNext(copy);
  }();
  EXPECT_EQ(ChooseWinQuoteFrom(t, {false, false, true, 1}, nullptr), draw % 3);
  RandStream expect = before;
  OwnRandStreamNext(expect);
  EXPECT_EQ(std::memcmp(&expect, &g_RandStreams[1], sizeof expect), 0);  // exactly one draw
  EXPECT_EQ(std::memcmp(&common, &g_RandStreams[kRandCommonStream], sizeof common), 0);
}

TEST_F(WinQuoteChoice, HistoryPrefersTheLeastUsedAndSaturates) {
  const WinQuoteTable t = Table({Q(255, 0), Q(255, 0), Q(255, 0)});
  uint8_t history[100] = {};
  history[0] = 2;
  history[2] = 1;
  SeedRandStream(1, 3);
  EXPECT_EQ(ChooseWinQuoteFrom(t, {false, false, true, 1}, history), 1);
  EXPECT_EQ(history[1], 1);
  // Now 1 and 2 tie at 1: both come up before 0 does.
  const int second = ChooseWinQuoteFrom(t, {false, false, true, 1}, history);
  const int third = ChooseWinQuoteFrom(t, {false, false, true, 1}, history);
  EXPECT_EQ(std::set<int>({second, third}), (std::set<int>{1, 2}));
  EXPECT_EQ(history[1], 2);
  EXPECT_EQ(history[2], 2);
  // All at 2 now: quote 0 is among the least used again.
  std::set<int> next;
  for (int i = 0; i < 3; ++i) next.insert(ChooseWinQuoteFrom(t, {false, false, true, 1}, history));
  EXPECT_EQ(next, (std::set<int>{0, 1, 2}));

  uint8_t full[100] = {255, 255};
  const WinQuoteTable two = Table({Q(255, 0), Q(255, 0)});
  const int i = ChooseWinQuoteFrom(two, {false, false, true, 1}, full);
  EXPECT_EQ(full[i], 255);
}

TEST_F(WinQuoteChoice, LoadWritesTheCompiledCopy) {
  ASSERT_EQ(LoadCharaSelectList("[CharaNo_000]\r\nName=Ayla\r\n[CharaNo_001]\r\nName=Bren\r\n"), 2);
  g_MatchWinnerSide = 255;  // a draw: the plain path in the language of the options
  config_.SELECT_LANGUAGE = 1;
  vt::test::WriteFile("story/battle/eng/Ayla_win.txt",
                      "255 0 1 v0 A\r\n1 0 2 v1 B\r\n1 512 3 v2 C\r\nEND\r\n");
  LoadWinQuotes(0);
  EXPECT_EQ(g_WinQuoteTable.count, 3u);
  EXPECT_EQ(std::filesystem::file_size("data/Ayla.wmt"), 4u + 550u * 3u);
  const std::string wmt = vt::test::ReadFile("data/Ayla.wmt");
  EXPECT_EQ(wmt.substr(0, 4), std::string("\x03\0\0\0", 4));
  EXPECT_EQ(static_cast<uint8_t>(wmt[4 + 550]), 1);  // second record's opponent
  EXPECT_EQ(wmt.substr(4 + 550 + 6, 3), "v1\0"s);

  // A character whose file is missing: an empty table, and its ".wmt" holds the count 0.
  LoadWinQuotes(1);
  EXPECT_EQ(g_WinQuoteTable.count, 0u);
  EXPECT_EQ(std::filesystem::file_size("data/Bren.wmt"), 4u);
  // A character the list does not hold: nothing read, nothing written.
  g_WinQuoteTable.count = 7;
  LoadWinQuotes(150);
  LoadWinQuotes(-3);
  EXPECT_EQ(g_WinQuoteTable.count, 0u);
  // A folder that cannot take the file (a plain file named "data") is no error.
  std::filesystem::remove_all("data");
  vt::test::WriteFile("data", "x");
  LoadWinQuotes(0);
  EXPECT_EQ(g_WinQuoteTable.count, 3u);
  FreeCharaSelectList();
}

TEST_F(WinQuoteChoice, QuotePathFollowsTheWinnersRoute) {
  ASSERT_EQ(LoadCharaSelectList("[CharaNo_000]\r\nName=Ayla\r\n"), 1);
  config_.SELECT_LANGUAGE = 0;
  g_MatchWinnerSide = 255;
  EXPECT_EQ(WinQuotePath(0), ".\\story\\battle\\jpn\\Ayla_win.txt");
  g_MatchWinnerSide = 1;
  g_StoryBattleRoutes[1].exTexts = 1;
  EXPECT_NE(WinQuotePath(0).find("AylaEx_win.txt"), std::string::npos);
  EXPECT_EQ(WinQuotePath(5), "");
  FreeCharaSelectList();
}

TEST(WinnerVoice, VolumeGrowsAttenuationByHalfAndClamps) {
  struct Case {
    int32_t stored;
    bool muted;
    int32_t want;
  } cases[] = {
      {0, false, 0},           {-1000, false, -1500},   {-333, false, -499},  // trunc(166.5) = 166
      {-6666, false, -9999},   {-6667, false, -10000},  {-7000, false, -10000},
      {-15000, false, -10000}, {-10000, false, -10000}, {0, true, -10000},
  };
  for (const Case& c : cases) EXPECT_EQ(WinnerVoiceVolume(c.stored, c.muted), c.want) << c.stored;
}

}  // namespace
