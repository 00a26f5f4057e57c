// lobbyd.ini: the built-in values are the ones the rules use, a written file reads back the same,
// a partial file changes only what it names, and a file that raises a limit or is malformed is
// refused with the line and the reason.
#include "lobbyd/lobbyd_config.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "lobby/boards.h"
#include "lobby/link_model.h"
#include "lobby/memory_store.h"
#include "lobby/stats.h"
#include "support/test_util.h"

namespace vt::lobbyd {
namespace {

TEST(LobbydConfig, TheDefaultsAreTheSchemaAndBoardsTheRulesUse) {
  const LobbydConfig c = DefaultLobbydConfig();
  EXPECT_EQ(c.appId, lobby::kAppId);
  std::set<lobby::BoardHandle> handles;
  for (const BoardConfig& b : c.boards) {
    EXPECT_TRUE(lobby::isValid(lobby::FindBoard(b.name), lobby::IdKind::Leaderboard)) << b.name;
    EXPECT_EQ(b.sort, BoardSort::Descending);
    handles.insert(lobby::FindBoard(b.name));
  }
  EXPECT_EQ(handles.size(), 3u);

  // Every name the rules load for a user is in the schema, with its kind, and nothing else.
  lobby::MemoryStore store;
  std::set<std::string> rules, config;
  for (const auto& [name, value] : lobby::LoadStats(store, lobby::MakeId(lobby::IdKind::User, 1)))
    rules.insert(name);
  for (const StatConfig& s : c.stats) {
    EXPECT_EQ(lobby::KindOfStat(s.name), s.kind) << s.name;
    config.insert(s.name);
  }
  for (const std::string& a : c.achievements) {
    EXPECT_EQ(lobby::KindOfStat(a), lobby::StatKind::Achievement) << a;
    config.insert(a);
  }
  EXPECT_EQ(config, rules);
  EXPECT_EQ(c.achievements.size(), 53u);
  EXPECT_EQ(c.limits, CoreLimits());
}

TEST(LobbydConfig, TheCallRatesAreTheOnesTheRulesEnforce) {
  // A fresh bucket holds its burst: twice the rate, five searches.
  struct Row {
    lobby::UserRateLimits::Kind kind;
    int64_t LobbydLimits::*rate;
    int64_t burst;
  };
  const LobbydLimits core = CoreLimits();
  const Row rows[] = {
      {lobby::UserRateLimits::LobbyWrite, &LobbydLimits::lobbyWritesPerSecond, 2 * core.lobbyWritesPerSecond},
      {lobby::UserRateLimits::Search, &LobbydLimits::searchesPerSecond, 5},
      {lobby::UserRateLimits::Upload, &LobbydLimits::uploadsPerSecond, 2 * core.uploadsPerSecond},
      {lobby::UserRateLimits::StatsStore, &LobbydLimits::statStoresPerSecond, 2 * core.statStoresPerSecond},
      {lobby::UserRateLimits::FileCall, &LobbydLimits::fileCallsPerSecond, 2 * core.fileCallsPerSecond},
      {lobby::UserRateLimits::Download, &LobbydLimits::downloadsPerSecond, 2 * core.downloadsPerSecond},
  };
  for (const Row& row : rows) {
    lobby::UserRateLimits limits;
    int64_t allowed = 0;
    while (limits.allow(row.kind, 0) && allowed < 1000) ++allowed;
    EXPECT_EQ(allowed, row.burst) << row.kind;
    // One second later, the rate's worth more.
    int64_t refilled = 0;
    while (limits.allow(row.kind, 1000000) && refilled < 1000) ++refilled;
    EXPECT_EQ(refilled, core.*row.rate) << row.kind;
  }
}

TEST(LobbydConfig, AWrittenFileReadsBackTheSame) {
  LobbydConfig c = DefaultLobbydConfig();
  c.appId = 7;
  c.boards = {{"SPEEDRUN", BoardSort::Ascending, BoardDisplay::Milliseconds},
              {"CLEAR_TIME", BoardSort::Ascending, BoardDisplay::Seconds},
              {"RANK_MATCH_POINT", BoardSort::Descending, BoardDisplay::Numeric}};
  c.stats = {{"wins", lobby::StatKind::Counter}, {"flags", lobby::StatKind::BitSet}};
  c.achievements = {"FIRST_WIN"};
  c.limits.lobbiesPerUser = 1;
  c.limits.quotaBytes = 1024;
  c.limits.packetsPerSecond = 120;
  for (const LobbydConfig& config : {DefaultLobbydConfig(), c}) {
    ASSERT_TRUE(SaveLobbydConfig("lobbyd.ini", config));
    LobbydConfig read;
    std::string error;
    ASSERT_TRUE(LoadLobbydConfig("lobbyd.ini", read, &error)) << error;
    EXPECT_EQ(read, config);
    EXPECT_EQ(test::ReadFile("lobbyd.ini"), FormatLobbydConfig(config));
  }
  EXPECT_NE(FormatLobbydConfig(c).find("SPEEDRUN = ascending milliseconds\r\n"), std::string::npos);
}

TEST(LobbydConfig, APartialFileChangesOnlyWhatItNames) {
  LobbydConfig c;
  std::string problem;
  ASSERT_TRUE(
      ParseLobbydConfig("# lower two limits\n[limits]\nlobbies_per_user = 2\r\n  search_results=10  \n"
                        "\n[achievements]\n; none at all\n",
                        c, problem))
      << problem;
  LobbydConfig expected = DefaultLobbydConfig();
  expected.limits.lobbiesPerUser = 2;
  expected.limits.searchResults = 10;
  expected.achievements.clear();  // a section replaces its list, even with nothing
  EXPECT_EQ(c, expected);

  ASSERT_TRUE(ParseLobbydConfig("", c, problem));
  EXPECT_EQ(c, DefaultLobbydConfig());
  ASSERT_TRUE(ParseLobbydConfig("[boards]\nTEST = descending\n", c, problem)) << problem;
  EXPECT_EQ(c.boards, (std::vector<BoardConfig>{{"TEST"}}));
}

TEST(LobbydConfig, LimitsMayOnlyBeLoweredAndMalformedFilesAreRefused) {
  std::string stats65 = "[stats]\n", achievements129 = "[achievements]\n";
  for (int i = 0; i < 65; ++i) stats65 += "s" + std::to_string(i) + " = bits\n";
  for (int i = 0; i < 129; ++i) achievements129 += "A" + std::to_string(i) + "\n";
  struct Bad {
    std::string text;
    const char* problem;
  };
  const Bad rows[] = {
      {"[limits]\nlobbies_per_user = 5\n", "line 2: lobbies_per_user = 5 is outside 1-4"},
      {"[limits]\nquota_bytes = 16777217\n", "outside 1-16777216"},
      {"[limits]\nlobby_members = 0\n", "outside 1-16"},
      {"[limits]\nlobby_members = -3\n", "outside 1-16"},
      {"[limits]\nlobby_members = 1e1\n", "outside 1-16"},
      {"[limits]\nlobby_members = 99999999999999999999999\n", "outside 1-16"},
      {"[limits]\nlobby_membres = 8\n", "no limit is called \"lobby_membres\""},
      {"[limits]\nfiles = 3\nfiles = 2\n", "line 3: \"files\" is given twice"},
      {"[limits]\nfiles\n", "not \"key = value\""},
      {"files = 3\n", "line 1: a line before the first section"},
      {"[voice]\n", "no section is called [voice]"},
      {"[limits\n", "section header"},
      {"[limits]\n[limits]\n", "[limits] is given twice"},
      {"[service]\napp_id = 0\n", "app_id"},
      {"[service]\napp_id = 2147483648\n", "app_id"},
      {"[service]\nname = x\n", "only app_id"},
      {"[boards]\nTEST = sideways\n", "sort order \"sideways\""},
      {"[boards]\nTEST = ascending minutes\n", "display \"minutes\""},
      {"[boards]\nTEST = ascending numeric extra\n", "a board is"},
      {"[boards]\nTEST =\n", "a board is"},
      {"[boards]\nRANK-POINT = descending\n", "board name"},
      {"[boards]\n" + std::string(64, 'B') + " = descending\n", "board name"},
      {"[boards]\nTEST = descending\nTEST = ascending\n", "\"TEST\" is given twice"},
      {"[stats]\nwins = total\n", "bits or counter"},
      {stats65, "more than 64 statistics"},
      {achievements129, "more than 128 achievements"},
      {"[achievements]\nA = 1\n", "one name"},
      {"[stats]\nX = bits\n[achievements]\nX\n", "\"X\" is given twice"},
      {"[stats]\nACHIEVE_ID_07 = bits\n", "\"ACHIEVE_ID_07\" is both a statistic and an achievement"},
      {std::string("[limits]\0\n", 10), "NUL"},
  };
  for (const Bad& row : rows) {
    SCOPED_TRACE(row.text.substr(0, 80));
    LobbydConfig c;
    std::string problem;
    EXPECT_FALSE(ParseLobbydConfig(row.text, c, problem));
    EXPECT_NE(problem.find(row.problem), std::string::npos) << problem;
  }
}

TEST(LobbydConfig, ARefusedOrMissingFileIsLoggedWithItsName) {
  test::WriteFile("bad.ini", "[limits]\nfiles = 65\n");
  LobbydConfig c;
  std::string error;
  EXPECT_FALSE(LoadLobbydConfig("bad.ini", c, &error));
  EXPECT_NE(error.find("bad.ini: line 2: files = 65"), std::string::npos) << error;
  EXPECT_FALSE(LoadLobbydConfig("absent.ini", c, &error));
  EXPECT_NE(error.find("absent.ini: cannot be read"), std::string::npos) << error;
}

}  // namespace
}  // namespace vt::lobbyd
