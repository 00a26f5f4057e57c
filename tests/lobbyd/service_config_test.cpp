// lobbyd.ini as the service serves it: limits an operator lowered hold at the new value (accepted
// at it, refused one past) while the others keep the game's; a board or statistic left out is
// not served; a configuration the service cannot serve stops it at start.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "lobby/boards.h"
#include "lobbyd/lobbyd_config.h"
#include "lobbyd/raw_client.h"
#include "lobbyd/service.h"

namespace vt::lobbyd {
namespace {

using testing::RawClient;
using testing::SeedOf;
namespace wire = lobby::wire;
using lobby::Result;

lobby::LobbyId Create(RawClient& c, int32_t members = 4) {
  const auto r = c.call(wire::LobbyCreate{members});
  EXPECT_EQ(r.result, Result::Ok);
  return r.lobby;
}

bool WriteWhole(RawClient& c, const std::string& name, size_t bytes) {
  wire::FileWrite w;
  w.name = name;
  w.total = static_cast<uint32_t>(bytes);
  w.chunk.assign(bytes, 7);
  return c.call(w).ok;
}

struct Row {
  const char* label;
  std::function<void(LobbydConfig&)> configure;
  // Runs against a service with that configuration, with three logged-on clients.
  std::function<void(RawClient& a, RawClient& b, RawClient& c)> check;
};

TEST(ServiceConfig, LoweredLimitsAndServedSubsetsHold) {
  const Row rows[] = {
      {"lobbies_per_user", [](LobbydConfig& c) { c.limits.lobbiesPerUser = 1; },
       [](RawClient& a, RawClient&, RawClient&) {
         Create(a);
         EXPECT_EQ(a.call(wire::LobbyCreate{4}).result, Result::LimitExceeded);
       }},
      {"lobby_members", [](LobbydConfig& c) { c.limits.lobbyMembers = 2; },
       [](RawClient& a, RawClient& b, RawClient& c) {
         EXPECT_EQ(a.call(wire::LobbyCreate{3}).result, Result::InvalidParam);
         const lobby::LobbyId id = Create(a, 2);
         EXPECT_EQ(b.call(wire::LobbyJoin{id}).response, lobby::JoinResponse::Success);
         EXPECT_EQ(c.call(wire::LobbyJoin{id}).response, lobby::JoinResponse::Full);
       }},
      {"lobby_keys", [](LobbydConfig& c) { c.limits.lobbyKeys = 2; },
       [](RawClient& a, RawClient&, RawClient&) {
         const lobby::LobbyId id = Create(a);
         EXPECT_TRUE(a.call(wire::LobbySetData{id, "K1", "1"}).ok);
         EXPECT_TRUE(a.call(wire::LobbySetData{id, "K2", "2"}).ok);
         EXPECT_FALSE(a.call(wire::LobbySetData{id, "K3", "3"}).ok);
         EXPECT_TRUE(a.call(wire::LobbySetData{id, "K1", "changed"}).ok);  // a key already there
       }},
      {"member_keys", [](LobbydConfig& c) { c.limits.memberKeys = 1; },
       [](RawClient& a, RawClient&, RawClient&) {
         const lobby::LobbyId id = Create(a);
         wire::LobbySetMemberData m;
         m.lobby = id;
         m.key = "M1";
         EXPECT_TRUE(a.call(m).ok);
         m.key = "M2";
         EXPECT_FALSE(a.call(m).ok);
       }},
      {"search_results and search_filters",
       [](LobbydConfig& c) {
         c.limits.searchResults = 2;
         c.limits.searchFilters = 1;
       },
       [](RawClient& a, RawClient& b, RawClient& c) {
         Create(a);
         Create(b);
         Create(c);
         wire::LobbySearch s;
         const auto found = a.call(s);
         EXPECT_EQ(found.result, Result::Ok);
         EXPECT_EQ(found.lobbies.size(), 2u);
         s.query.filters.push_back({"A", lobby::FilterKind::String, 2, "x", 0});
         EXPECT_EQ(a.call(s).result, Result::Ok);
         s.query.filters.push_back({"B", lobby::FilterKind::String, 2, "x", 0});
         EXPECT_EQ(a.call(s).result, Result::InvalidParam);
       }},
      {"searches_per_second", [](LobbydConfig& c) { c.limits.searchesPerSecond = 1; },
       [](RawClient& a, RawClient&, RawClient&) {
         // A burst keeps its ratio to the rate: 2.5 searches at once.
         EXPECT_EQ(a.call(wire::LobbySearch{}).result, Result::Ok);
         EXPECT_EQ(a.call(wire::LobbySearch{}).result, Result::Ok);
         EXPECT_EQ(a.call(wire::LobbySearch{}).result, Result::RateLimited);
       }},
      {"live_tickets", [](LobbydConfig& c) { c.limits.liveTickets = 1; },
       [](RawClient& a, RawClient&, RawClient&) {
         EXPECT_NE(a.call(wire::TicketIssue{}).handle, 0u);
         EXPECT_EQ(a.call(wire::TicketIssue{}).handle, 0u);
       }},
      {"board_details and download_entries",
       [](LobbydConfig& c) {
         c.limits.boardDetails = 2;
         c.limits.downloadEntries = 2;
       },
       [](RawClient& a, RawClient& b, RawClient& c) {
         const lobby::BoardHandle board = lobby::FindBoard("TEST");
         EXPECT_FALSE(
             a.call(wire::BoardUpload{board, lobby::UploadMethod::ForceUpdate, 5, {1, 2, 3}}).success);
         EXPECT_TRUE(a.call(wire::BoardUpload{board, lobby::UploadMethod::ForceUpdate, 5, {1, 2}}).success);
         EXPECT_TRUE(b.call(wire::BoardUpload{board, lobby::UploadMethod::ForceUpdate, 6, {}}).success);
         EXPECT_TRUE(c.call(wire::BoardUpload{board, lobby::UploadMethod::ForceUpdate, 7, {}}).success);
         const auto down = a.call(wire::BoardDownload{board, lobby::DownloadKind::Global, 1, 10});
         EXPECT_EQ(down.total, 3);
         EXPECT_EQ(down.entries.size(), 2u);
       }},
      {"files and file_bytes",
       [](LobbydConfig& c) {
         c.limits.files = 1;
         c.limits.fileBytes = 10;
       },
       [](RawClient& a, RawClient&, RawClient&) {
         EXPECT_FALSE(WriteWhole(a, "A", 11));
         EXPECT_TRUE(WriteWhole(a, "A", 10));
         EXPECT_FALSE(WriteWhole(a, "B", 1));
         EXPECT_TRUE(WriteWhole(a, "A", 3));  // the file already there may be replaced
         // The client learns the lowered limits at its handshake.
         EXPECT_EQ(a.ack.limits.files, 1u);
         EXPECT_EQ(a.ack.limits.fileBytes, 10u);
       }},
      {"outstanding_requests", [](LobbydConfig& c) { c.limits.outstandingRequests = 3; },
       [](RawClient& a, RawClient& b, RawClient&) {
         EXPECT_EQ(a.ack.limits.outstanding, 3u);
         EXPECT_EQ(b.ack.limits.outstanding, 3u);
       }},
      {"quota_bytes", [](LobbydConfig& c) { c.limits.quotaBytes = 100; },
       [](RawClient& a, RawClient&, RawClient&) {
         EXPECT_EQ(a.ok.quota, 100u);
         EXPECT_FALSE(WriteWhole(a, "A", 101));
         EXPECT_TRUE(WriteWhole(a, "A", 100));
       }},
      {"boards", [](LobbydConfig& c) { c.boards = {{"TEST"}}; },
       [](RawClient& a, RawClient&, RawClient&) {
         EXPECT_TRUE(a.call(wire::BoardFind{"TEST"}).found);
         EXPECT_FALSE(a.call(wire::BoardFind{"RANK_MATCH_POINT"}).found);
         EXPECT_FALSE(
             a.call(wire::BoardUpload{
                        lobby::FindBoard("RANK_MATCH_POINT"), lobby::UploadMethod::ForceUpdate, 5, {}})
                 .success);
       }},
      {"stats and achievements",
       [](LobbydConfig& c) {
         c.stats = {{"stat_30_00", lobby::StatKind::Counter}};
         c.achievements = {"ACHIEVE_ID_01"};
       },
       [](RawClient& a, RawClient&, RawClient&) {
         const auto got = a.call(wire::StatsRequest{});
         ASSERT_EQ(got.result, Result::Ok);
         EXPECT_EQ(got.values, (wire::StatList{{"ACHIEVE_ID_01", 0}, {"stat_30_00", 0}}));
         EXPECT_EQ(a.call(wire::StatsStore{{{"stat_30_00", 3}}}).result, Result::Ok);
         const auto refused = a.call(wire::StatsStore{{{"stat_30_00", 4}, {"stat_03_00", 1}}});
         EXPECT_EQ(refused.result, Result::InvalidParam);  // nothing applies
         EXPECT_EQ(refused.values, (wire::StatList{{"ACHIEVE_ID_01", 0}, {"stat_30_00", 3}}));
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    ServiceOptions o;
    o.listen = "127.0.0.1:0";
    o.db = ":memory:";
    row.configure(o.config);
    Service service(o);
    std::string error;
    ASSERT_TRUE(service.start(&error)) << error;
    RawClient a(service.tcpPort()), b(service.tcpPort()), c(service.tcpPort());
    ASSERT_TRUE(a.login(SeedOf(1), "A"));
    ASSERT_TRUE(b.login(SeedOf(2), "B"));
    ASSERT_TRUE(c.login(SeedOf(3), "C"));
    row.check(a, b, c);
  }
}

TEST(ServiceConfig, WhatCannotBeServedStopsTheStart) {
  struct Refused {
    const char* label;
    std::function<void(LobbydConfig&)> configure;
    const char* reason;
  };
  const Refused rows[] = {
      {"another app", [](LobbydConfig& c) { c.appId = 2; }, "app_id 2"},
      {"a board the game does not know", [](LobbydConfig& c) { c.boards.push_back({"OTHER"}); }, "OTHER"},
      {"an ascending board", [](LobbydConfig& c) { c.boards[0].sort = BoardSort::Ascending; }, "descending"},
      {"a statistic of another kind",
       [](LobbydConfig& c) {
         c.stats.push_back({"stat_03_00", lobby::StatKind::Counter});
       },
       "stat_03_00"},
      {"an unknown statistic",
       [](LobbydConfig& c) {
         c.stats.push_back({"stat_99_99", lobby::StatKind::Counter});
       },
       "stat_99_99"},
      {"an unknown achievement", [](LobbydConfig& c) { c.achievements.push_back("ACHIEVE_ID_54"); },
       "ACHIEVE_ID_54"},
  };
  std::string problem;
  EXPECT_TRUE(ServableLobbydConfig(DefaultLobbydConfig(), problem)) << problem;
  for (const Refused& row : rows) {
    SCOPED_TRACE(row.label);
    ServiceOptions o;
    o.listen = "127.0.0.1:0";
    o.db = ":memory:";
    row.configure(o.config);
    problem.clear();
    EXPECT_FALSE(ServableLobbydConfig(o.config, problem));
    EXPECT_NE(problem.find(row.reason), std::string::npos) << problem;
    Service service(o);
    std::string error;
    EXPECT_FALSE(service.start(&error));
    EXPECT_NE(error.find(row.reason), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace vt::lobbyd
