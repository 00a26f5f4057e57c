// The admin line protocol: every command read into its record and written back to the same
// line, malformed lines refused with a usage message, and the test-mode commands refused unless
// the service runs in test mode.
#include "lobbyd/admin_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vt::lobbyd {
namespace {

const std::string kA = std::to_string(lobby::MakeId(lobby::IdKind::User, 1));
const std::string kB = std::to_string(lobby::MakeId(lobby::IdKind::User, 2));
const std::string kLobby = std::to_string(lobby::MakeId(lobby::IdKind::Lobby, 9));

struct Good {
  std::string line;
  AdminVerb verb;
  std::function<void(const AdminCommand&)> check;
};

TEST(AdminLine, ReadsEveryCommandAndWritesItBack) {
  const lobby::UserId a = lobby::MakeId(lobby::IdKind::User, 1), b = lobby::MakeId(lobby::IdKind::User, 2);
  const Good rows[] = {
      {"user list", AdminVerb::UserList, nullptr},
      {"user show " + kA, AdminVerb::UserShow, [&](const AdminCommand& c) { EXPECT_EQ(c.user, a); }},
      {"friend add " + kA + " " + kB, AdminVerb::FriendAdd,
       [&](const AdminCommand& c) {
         EXPECT_EQ(c.user, a);
         EXPECT_EQ(c.other, b);
       }},
      {"kick " + kB, AdminVerb::Kick, [&](const AdminCommand& c) { EXPECT_EQ(c.user, b); }},
      {"board dump RANK_MATCH_POINT", AdminVerb::BoardDump,
       [](const AdminCommand& c) { EXPECT_EQ(c.text, "RANK_MATCH_POINT"); }},
      {"file stat " + kA + " DCARD.UMS", AdminVerb::FileStat,
       [&](const AdminCommand& c) {
         EXPECT_EQ(c.user, a);
         EXPECT_EQ(c.text, "DCARD.UMS");
       }},
      {"file stat " + kA + " my card.ums", AdminVerb::FileStat,
       [](const AdminCommand& c) { EXPECT_EQ(c.text, "my card.ums"); }},
      {"backup /tmp/backups/lobby 1.db", AdminVerb::Backup,
       [](const AdminCommand& c) { EXPECT_EQ(c.text, "/tmp/backups/lobby 1.db"); }},
      {"shutdown", AdminVerb::Shutdown, nullptr},
      {"time set 1700000000", AdminVerb::TimeSet,
       [](const AdminCommand& c) { EXPECT_EQ(c.number, 1700000000); }},
      {"time set 4294967295", AdminVerb::TimeSet, nullptr},
      {"time offset -660", AdminVerb::TimeOffset, [](const AdminCommand& c) { EXPECT_EQ(c.number, -660); }},
      {"link set " + kA + " " + kB + " latency=50 jitter=10.5 loss=0.1 duplicate=0.02 partition=on",
       AdminVerb::LinkSet,
       [&](const AdminCommand& c) {
         EXPECT_EQ(c.user, a);
         EXPECT_EQ(c.other, b);
         EXPECT_EQ(c.link.latencyMs, 50);
         EXPECT_EQ(c.link.jitterMs, 10.5);
         EXPECT_EQ(c.link.loss, 0.1);
         EXPECT_EQ(c.link.duplicate, 0.02);
         EXPECT_TRUE(c.link.partitioned);
       }},
      {"link set * " + kB + " loss=1", AdminVerb::LinkSet,
       [&](const AdminCommand& c) {
         EXPECT_EQ(c.user, 0u);  // any sender
         EXPECT_EQ(c.other, b);
         EXPECT_EQ(c.link.loss, 1);
       }},
      {"link clear * *", AdminVerb::LinkClear, nullptr},
      {"fail upload next 3", AdminVerb::Fail,
       [](const AdminCommand& c) {
         EXPECT_EQ(c.text, "upload");
         EXPECT_EQ(c.number, 3);
         EXPECT_EQ(c.failure, AdminFailure::Fail);
       }},
      {"fail search next 1 drop", AdminVerb::Fail,
       [](const AdminCommand& c) { EXPECT_EQ(c.failure, AdminFailure::Drop); }},
      {"fail file_write next 5 no_connection", AdminVerb::Fail,
       [](const AdminCommand& c) { EXPECT_EQ(c.failure, AdminFailure::NoConnection); }},
      {"cloud " + kA + " off", AdminVerb::Cloud, [](const AdminCommand& c) { EXPECT_FALSE(c.on); }},
      {"cloud " + kA + " on", AdminVerb::Cloud, [](const AdminCommand& c) { EXPECT_TRUE(c.on); }},
      {"quota " + kA + " 0", AdminVerb::Quota, [](const AdminCommand& c) { EXPECT_EQ(c.number, 0); }},
      {"invite " + kA + " " + kB + " " + kLobby, AdminVerb::Invite,
       [&](const AdminCommand& c) {
         EXPECT_EQ(c.user, a);
         EXPECT_EQ(c.other, b);
         EXPECT_EQ(c.lobby, lobby::MakeId(lobby::IdKind::Lobby, 9));
       }},
  };
  for (const Good& row : rows) {
    SCOPED_TRACE(row.line);
    AdminCommand c;
    std::string error;
    ASSERT_TRUE(ParseAdminLine(row.line + "\r\n", true, c, error)) << error;
    EXPECT_EQ(c.verb, row.verb);
    if (row.check) row.check(c);
    EXPECT_EQ(FormatAdminLine(c), row.line);
  }
}

TEST(AdminLine, BlanksAroundWordsDoNotMatter) {
  AdminCommand c;
  std::string error;
  ASSERT_TRUE(ParseAdminLine("  kick\t\t" + kA + "   \n", false, c, error)) << error;
  EXPECT_EQ(c.verb, AdminVerb::Kick);
  EXPECT_EQ(FormatAdminLine(c), "kick " + kA);
}

TEST(AdminLine, TestModeCommandsNeedTestMode) {
  const std::string lines[] = {"time set 5",
                               "time offset 5",
                               "link set * * loss=0.5",
                               "link clear * *",
                               "fail join next 1",
                               "cloud " + kA + " off",
                               "quota " + kA + " 1000",
                               "invite " + kA + " " + kB + " " + kLobby};
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    AdminCommand c;
    std::string error;
    EXPECT_FALSE(ParseAdminLine(line, false, c, error));
    EXPECT_NE(error.find("--test-mode"), std::string::npos) << error;
    EXPECT_TRUE(ParseAdminLine(line, true, c, error)) << error;
  }
  for (const std::string& line :
       std::vector<std::string>{"user list", "shutdown", "kick " + kA, "backup b.db"}) {
    AdminCommand c;
    std::string error;
    EXPECT_TRUE(ParseAdminLine(line, false, c, error)) << line << ": " << error;
  }
}

TEST(AdminLine, MalformedLinesAreRefusedWithAMessage) {
  struct Bad {
    std::string line;
    const char* message;
  };
  const std::string lobbyAsUser = kLobby;
  const Bad rows[] = {
      {"", "empty line"},
      {"   ", "empty line"},
      {"reboot", "unknown command"},
      {"user", "unknown command"},
      {"user delete " + kA, "unknown command"},
      {"user list now", "usage: user list"},
      {"user show", "usage: user show"},
      {"user show alice", "usage: user show"},
      {"user show 0", "usage: user show"},
      {"user show " + lobbyAsUser, "usage: user show"},  // a lobby id is not a user
      {"user show 18446744073709551616", "usage: user show"},
      {"user show -1", "usage: user show"},
      {"kick", "usage: kick"},
      {"kick " + kA + " " + kB, "usage: kick"},
      {"kick *", "usage: kick"},  // only link commands take "*"
      {"friend add " + kA, "usage: friend add"},
      {"friend add " + kA + " " + kA, "usage: friend add"},
      {"board dump", "usage: board dump"},
      {"board dump RANK/MATCH", "usage: board dump"},
      {"file stat " + kA, "usage: file stat"},
      {"file stat " + kA + " " + std::string(64, 'f'), "usage: file stat"},
      {"backup", "usage: backup"},
      {"shutdown now", "usage: shutdown"},
      {"time set -1", "usage: time set"},
      {"time set 4294967296", "usage: time set"},
      {"time set 1e9", "usage: time set"},
      {"time offset 400000000", "usage: time offset"},
      {"time offset", "usage: time offset"},
      {"link set " + kA, "usage: link set"},
      {"link set " + kA + " " + kB + " loss=1.5", "loss=1.5"},
      {"link set " + kA + " " + kB + " loss=-0.1", "loss=-0.1"},
      {"link set " + kA + " " + kB + " loss=nan", "loss=nan"},
      {"link set " + kA + " " + kB + " latency=1e3", "latency=1e3"},
      {"link set " + kA + " " + kB + " latency=60001", "latency=60001"},
      {"link set " + kA + " " + kB + " speed=9", "speed=9"},
      {"link set " + kA + " " + kB + " partition=yes", "partition=yes"},
      {"link set " + kA + " " + kB + " loss", "\"loss\""},
      {"link set " + kA + " " + kB + " loss=0.1 loss=0.2", "given twice"},
      {"link clear * * loss=1", "usage: link clear"},
      {"fail upload next 0", "usage: fail"},
      {"fail upload next 3 explode", "usage: fail"},
      {"fail upload 3", "usage: fail"},
      {"fail up-load next 3", "usage: fail"},
      {"cloud " + kA + " maybe", "usage: cloud"},
      {"quota " + kA + " -5", "usage: quota"},
      {"quota " + kA + " 1099511627777", "usage: quota"},
      {"invite " + kA + " " + kB + " " + kA, "usage: invite"},  // a user id is not a lobby
      {"invite " + kA + " " + kB, "usage: invite"},
      {"kick " + kA + "\x01", "control character"},
      {"kick " + kA + "\r\nshutdown", "control character"},  // one line is one command
      {std::string("kick \0", 6) + kA, "control character"},
      {"backup " + std::string(kMaxAdminLineBytes, 'p'), "longer than 4096"},
  };
  for (const Bad& row : rows) {
    SCOPED_TRACE(row.line);
    AdminCommand c;
    std::string error;
    EXPECT_FALSE(ParseAdminLine(row.line, true, c, error));
    EXPECT_NE(error.find(row.message), std::string::npos) << error;
  }
}

}  // namespace
}  // namespace vt::lobbyd
