// Lobby search: strict decimals, every comparison code in the "lobby value cmp filter value"
// direction, malformed values, near order and ties, distance, and the game's own rank and
// player queries over a fixed set of fourteen rooms.
#include "lobby/search.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vt::lobby {
namespace {

TEST(LobbySearch, StrictDecimals) {
  const struct {
    const char* text;
    std::optional<int64_t> value;
  } rows[] = {
      {"0", 0},
      {"-0", 0},
      {"1500", 1500},
      {"-42", -42},
      {"9223372036854775807", INT64_MAX},
      {"-9223372036854775808", INT64_MIN},
      {"9223372036854775808", std::nullopt},
      {"99999999999999999999", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"abc", std::nullopt},
      {" 5", std::nullopt},
      {"5 ", std::nullopt},
      {"+5", std::nullopt},
      {"0x10", std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(ParseStrictDecimal(row.text), row.value) << row.text;
}

LobbyFilter Numeric(const char* key, int32_t cmp, int64_t value) {
  return {key, FilterKind::Numeric, cmp, {}, value};
}
LobbyFilter String(const char* key, int32_t cmp, const char* value) {
  return {key, FilterKind::String, cmp, value, 0};
}
LobbyFilter Near(const char* key, int64_t value) { return {key, FilterKind::Near, kEqual, {}, value}; }

TEST(LobbySearch, ComparisonsReadLobbyValueAgainstFilterValue) {
  // The lobby holds "SEARCH_PSR_MAX" = 1500; each code is asked with a filter below, at and above.
  const KeyValues room = {{"SEARCH_PSR_MAX", "1500"}, {"HOST_NAME", "mmm"}};
  const struct {
    int32_t cmp;
    bool below, at, above;  // filter value 1499, 1500, 1501; for strings "mml", "mmm", "mmn"
  } rows[] = {
      {kLess, false, false, true},     {kGreater, true, false, false},     {kEqual, false, true, false},
      {kLessEqual, false, true, true}, {kGreaterEqual, true, true, false}, {kNotEqual, true, false, true},
      {9, false, true, false},  // any other code is equality
      {-1, false, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.cmp);
    EXPECT_EQ(PassesFilter(room, Numeric("SEARCH_PSR_MAX", row.cmp, 1499)), row.below);
    EXPECT_EQ(PassesFilter(room, Numeric("SEARCH_PSR_MAX", row.cmp, 1500)), row.at);
    EXPECT_EQ(PassesFilter(room, Numeric("SEARCH_PSR_MAX", row.cmp, 1501)), row.above);
    EXPECT_EQ(PassesFilter(room, String("HOST_NAME", row.cmp, "mml")), row.below);
    EXPECT_EQ(PassesFilter(room, String("HOST_NAME", row.cmp, "mmm")), row.at);
    EXPECT_EQ(PassesFilter(room, String("HOST_NAME", row.cmp, "mmn")), row.above);
  }
}

TEST(LobbySearch, MalformedOrAbsentValuesFailEveryNumericFilter) {
  for (const char* bad : {"", "abc", "99999999999999999999", " 5", "5.0"}) {
    const KeyValues room = {{"GAME_VERSION", bad}};
    for (int32_t cmp : {0, 1, 2, 3, 4, 5})
      EXPECT_FALSE(PassesFilter(room, Numeric("GAME_VERSION", cmp, 5))) << bad;
  }
  const KeyValues none;
  EXPECT_FALSE(PassesFilter(none, Numeric("GAME_VERSION", kNotEqual, 5)));
  // An absent string reads "": not equal to a name, below it.
  EXPECT_TRUE(PassesFilter(none, String("HOST_NAME", kNotEqual, "Alice")));
  EXPECT_TRUE(PassesFilter(none, String("HOST_NAME", kLess, "Alice")));
  EXPECT_FALSE(PassesFilter(none, String("HOST_NAME", kEqual, "Alice")));
  // Bytes above 0x7F order after ASCII (CP932 names).
  const KeyValues cp932 = {{"HOST_NAME", "\x82\xa0"}};
  EXPECT_TRUE(PassesFilter(cp932, String("HOST_NAME", kGreater, "z")));
}

// A room as the game advertises it: the 25 keys in table order plus "name" and "ownerID".
struct Room {
  std::string host;
  std::string region;
  int psr, psrMax, psrMin;
  int matchType;  // 0 rank, 1 player
  int area = 1;
  int incompleter = 0, incompFilter = 0, started = 0, version = 3, rounds = 2, roundTime = 99, policy = 0;
  int rtt = 0;
  int members = 1, limit = 2;
  bool closed = false;
};

struct World {
  std::vector<LobbySnapshot> snapshots;
  std::vector<SearchCandidate> candidates;
  std::vector<std::string> regions;

  explicit World(const std::vector<Room>& rooms) {
    snapshots.reserve(rooms.size());
    regions.reserve(rooms.size());
    for (size_t i = 0; i < rooms.size(); ++i) {
      const Room& r = rooms[i];
      LobbySnapshot s;
      s.lobby = MakeId(IdKind::Lobby, i + 1);
      s.owner = MakeId(IdKind::User, 100 + i);
      s.memberCount = r.members;
      s.memberLimit = r.limit;
      auto d = [](int v) { return std::to_string(v); };
      s.data = {{"name", "room"},
                {"ownerID", std::to_string(s.owner)},
                {"BTL_ENABLE_UNLIMCHAR", "0"},
                {"BTL_POLICY_LEVEL", d(r.policy)},
                {"BTL_POLICY_VOICECHAT", d(r.policy)},
                {"BTL_ROUNDS", d(r.rounds)},
                {"BTL_ROUNDTIME", d(r.roundTime)},
                {"BTL_ROTATIONTYPE", "0"},
                {"BTL_SPECTATOR_MAX", "0"},
                {"BTL_SPECTATOR_NOW", "0"},
                {"GAME_VERSION", d(r.version)},
                {"PLAYER_ID", std::to_string(s.owner)},
                {"PLAYER_AREA", d(r.area)},
                {"SEARCH_AREA_FILTER", "0"},
                {"SEARCH_INCOMPLETER", d(r.incompleter)},
                {"RTT_FILTER", d(r.rtt)},
                {"SEARCH_PSR_MAX", d(r.psrMax)},
                {"SEARCH_PSR_MIN", d(r.psrMin)},
                {"PLAYER_PSR", d(r.psr)},
                {"BTL_CATALOG_VERSION", "0"},
                {"SEARCH_INCOMP_FILTER", d(r.incompFilter)},
                {"MATCH_TYPE", d(r.matchType)},
                {"PRIVATE_MAX", "0"},
                {"PRIVATE_NOW", "0"},
                {"MEMBER_MAX", d(r.limit)},
                {"HOST_NAME", r.host},
                {"BTL_STARTED", d(r.started)}};
      snapshots.push_back(std::move(s));
      regions.push_back(r.region);
    }
    for (size_t i = 0; i < rooms.size(); ++i)
      candidates.push_back({&snapshots[i], regions[i], i + 1, rooms[i].closed});
  }

  // 1-based room numbers of a search's result, in order.
  std::vector<int> Find(const LobbyQuery& q, const char* region = "JP") const {
    std::vector<int> rooms;
    for (const LobbySnapshot& s : SearchLobbies(candidates, q, region))
      rooms.push_back(static_cast<int>(s.lobby & kIdLowMask));
    return rooms;
  }
};

// The fourteen rooms; the searcher is "Me" in JP with PSR 1500.
const std::vector<Room> kRooms = {
    /* 1*/ {"Alice", "JP", 1500, 1800, 1200, 0},
    /* 2*/ {"Bob", "JP", 1520, 1800, 1200, 0},
    /* 3*/ {"Carol", "US", 1490, 1800, 1200, 0},
    /* 4*/ {"Dave", "JP", 1480, 1499, 1200, 0},                  // its maximum is below my PSR
    /* 5*/ {"Eve", "JP", 1510, 1800, 1501, 0},                   // its minimum is above my PSR
    /* 6*/ {"Me", "JP", 1500, 1800, 1200, 0},                    // someone else with my name
    /* 7*/ {"Frank", "JP", 1500, 1800, 1200, 0, 1, 0, 0, 1},     // started
    /* 8*/ {"Grace", "JP", 1530, 1800, 1200, 0, 2},              // another area
    /* 9*/ {"Heidi", "JP", 1505, 1800, 1200, 0, 1, 0, 0, 0, 2},  // another game version
    /*10*/ {"Ivan", "JP", 1500, 1800, 1200, 1},                  // player match
    /*11*/ {"Judy", "JP", 1490, 1800, 1200, 0, 1, 0, 0, 0, 3, 2, 99, 0, 0, 2, 2},           // full
    /*12*/ {"Mallory", "JP", 1495, 1800, 1200, 0, 1, 0, 0, 0, 3, 2, 99, 0, 0, 1, 2, true},  // closed
    /*13*/ {"Niaj", "JP", 1700, 1800, 1200, 0},
    /*14*/ {"Olivia", "US", 1500, 1800, 1200, 1},
};

// The rank query as the game builds it: area restriction on, both switches set.
LobbyQuery RankQuery(int psr, int lower, int upper) {
  LobbyQuery q;
  q.distance = Distance::Close;
  q.filters = {Numeric("GAME_VERSION", kEqual, 3),
               Near("PLAYER_PSR", psr),
               Numeric("SEARCH_PSR_MAX", kGreaterEqual, psr),
               Numeric("SEARCH_PSR_MIN", kLessEqual, psr),
               Numeric("PLAYER_PSR", kGreaterEqual, lower),
               Numeric("PLAYER_PSR", kLessEqual, upper),
               Numeric("PLAYER_AREA", kEqual, 1),
               Numeric("SEARCH_INCOMPLETER", kEqual, 0),
               Numeric("SEARCH_INCOMP_FILTER", kEqual, 0),
               Numeric("BTL_STARTED", kEqual, 0),
               String("HOST_NAME", kNotEqual, "Me"),
               Numeric("MATCH_TYPE", kEqual, 0)};
  return q;
}

TEST(LobbySearch, TheGamesRankQueryFindsTheExpectedRoomsInNearOrder) {
  World w(kRooms);
  LobbyQuery q = RankQuery(1500, 1000, 2000);
  ASSERT_EQ(q.filters.size(), 12u);
  ASSERT_TRUE(IsValidQuery(q));
  // Dave's maximum and Eve's minimum leave me out, "Me" is filtered by name, Frank has started,
  // Grace is in another area, Heidi runs another version, Judy is full, Mallory closed; Carol
  // (10 from my PSR) is in another region.
  EXPECT_EQ(w.Find(q), (std::vector<int>{1, 2, 13}));
  // Far keeps the other region, ordered by nearness before region.
  q.distance = Distance::Far;
  EXPECT_EQ(w.Find(q), (std::vector<int>{1, 3, 2, 13}));
  // A narrower PSR window drops room 13.
  EXPECT_EQ(w.Find(RankQuery(1500, 1400, 1600)), (std::vector<int>{1, 2}));
}

TEST(LobbySearch, TheMinimalPlayerQueryAndTheHostNameFilter) {
  World w(kRooms);
  LobbyQuery q;
  q.distance = Distance::Far;
  q.filters = {Numeric("GAME_VERSION", kEqual, 3), String("HOST_NAME", kNotEqual, "Me"),
               Numeric("MATCH_TYPE", kEqual, 1)};
  // Same region first, then older; Olivia is in the US.
  EXPECT_EQ(w.Find(q), (std::vector<int>{10, 14}));
  // Without the name filter the rank rooms of a user with my name are found too.
  q.filters = {Numeric("MATCH_TYPE", kEqual, 0), String("HOST_NAME", kEqual, "Me")};
  EXPECT_EQ(w.Find(q), (std::vector<int>{6}));
  q.filters = {Numeric("MATCH_TYPE", kEqual, 0), String("HOST_NAME", kNotEqual, "Me")};
  EXPECT_EQ(w.Find(q).size(), 9u);  // 12 rank rooms, minus "Me", the full and the closed one
}

TEST(LobbySearch, NearOrderTiesGoToTheOlderAndSeveralNearKeysOrderInTurn) {
  std::vector<Room> rooms = {{"A", "JP", 1510, 0, 0, 0},
                             {"B", "JP", 1490, 0, 0, 0},
                             {"C", "JP", 1500, 0, 0, 0},
                             {"D", "JP", 1490, 0, 0, 0}};
  rooms[1].rounds = 3;
  rooms[3].rounds = 1;
  World w(rooms);
  LobbyQuery q;
  q.filters = {Near("PLAYER_PSR", 1500)};
  EXPECT_EQ(w.Find(q), (std::vector<int>{3, 1, 2, 4}));  // 1510 and 1490 tie: older first
  q.filters = {Near("PLAYER_PSR", 1500), Near("BTL_ROUNDS", 1)};
  EXPECT_EQ(w.Find(q), (std::vector<int>{3, 4, 1, 2}));  // the second key breaks the ties
  q.filters = {Near("BTL_ROUNDS", 1), Near("PLAYER_PSR", 1500)};
  EXPECT_EQ(w.Find(q), (std::vector<int>{4, 3, 1, 2}));
  // A lobby without the near key sorts last.
  w.snapshots[2].data.erase(w.snapshots[2].data.begin() + 18);  // "PLAYER_PSR"
  q.filters = {Near("PLAYER_PSR", 1500)};
  EXPECT_EQ(w.Find(q), (std::vector<int>{1, 2, 4, 3}));
}

TEST(LobbySearch, CloseKeepsTheSearchersRegionAndTheCapHolds) {
  std::vector<Room> rooms;
  for (int i = 0; i < 60; ++i) rooms.push_back({"H", i % 2 == 0 ? "JP" : "US", 1500, 0, 0, 0});
  World w(rooms);
  LobbyQuery q;
  EXPECT_EQ(w.Find(q).size(), 50u);
  q.distance = Distance::Close;
  EXPECT_EQ(w.Find(q).size(), 30u);
  EXPECT_EQ(w.Find(q, "").size(), 0u);  // no region: no close lobby
  q.distance = Distance::Worldwide;
  q.cap = 5;
  EXPECT_EQ(w.Find(q), (std::vector<int>{1, 3, 5, 7, 9}));  // same region first, then older
}

TEST(LobbySearch, QueryLimits) {
  LobbyQuery q;
  q.filters.assign(16, Numeric("GAME_VERSION", kEqual, 3));
  EXPECT_TRUE(IsValidQuery(q));
  q.filters.push_back(Numeric("GAME_VERSION", kEqual, 3));
  EXPECT_FALSE(IsValidQuery(q));
  q.filters = {Numeric(std::string(63, 'K').c_str(), kEqual, 3)};
  EXPECT_TRUE(IsValidQuery(q));
  q.filters = {Numeric(std::string(64, 'K').c_str(), kEqual, 3)};
  EXPECT_FALSE(IsValidQuery(q));
  q.filters = {Numeric("", kEqual, 3)};
  EXPECT_FALSE(IsValidQuery(q));
}

}  // namespace
}  // namespace vt::lobby
