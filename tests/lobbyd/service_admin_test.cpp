// The admin socket and the operations behind it: mode 0600, one answer per line through the
// configured handler, kick, the test-mode faults (dropped answers, blocked UDP, time, invites)
// refused outside test mode, and a backup that opens as a database.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <chrono>
#include <filesystem>
#include <sstream>

#include "lobbyd/admin_commands.h"
#include "lobbyd/raw_client.h"
#include "lobbyd/service.h"
#include "lobbyd/sqlite_store.h"

namespace vt::lobbyd {
namespace {

using testing::RawClient;
using testing::SeedOf;
namespace wire = lobby::wire;
namespace relay = lobby::relay;

struct TempDir {
  std::filesystem::path path;
  explicit TempDir(const char* name)
      : path(std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
};

std::string AdminLine(const std::string& socketPath, const std::string& line) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::strncpy(a.sun_path, socketPath.c_str(), sizeof(a.sun_path) - 1);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0) {
    ::close(fd);
    return "no connection";
  }
  const std::string out = line + "\n";
  ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
  std::string answer;
  char buf[256];
  while (answer.find('\n') == std::string::npos) {
    const ssize_t n = ::recv(fd, buf, sizeof(buf), 0);
    if (n <= 0) break;
    answer.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return answer;
}

// A toy handler: the real command language lives with the admin line parser.
TEST(ServiceAdmin, SocketAnswersLinesAndKicks) {
  TempDir dir("lobbyd_admin_");
  ServiceOptions o;
  o.listen = "127.0.0.1:0";
  o.db = (dir.path / "svc.db").string();
  o.adminPath = (dir.path / "admin.sock").string();
  o.adminHandler = RunAdminLine;
  Service svc(o);
  ASSERT_TRUE(svc.start());
  struct stat st {};
  ASSERT_EQ(::stat(o.adminPath.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  RawClient a(svc.tcpPort());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  const std::string list = AdminLine(o.adminPath, "user list");
  EXPECT_NE(list.find(std::to_string(a.ok.user) + " Alice"), std::string::npos) << list;
  EXPECT_NE(list.find(" online"), std::string::npos) << list;
  EXPECT_EQ(AdminLine(o.adminPath, "nonsense").rfind("error: ", 0), 0u);
  // Test-mode commands are refused by a service outside test mode.
  EXPECT_EQ(AdminLine(o.adminPath, "time offset 60").rfind("error: ", 0), 0u);
  EXPECT_EQ(AdminLine(o.adminPath, "file stat " + std::to_string(a.ok.user) + " NOFILE"),
            "error: no such file\n");
  EXPECT_EQ(AdminLine(o.adminPath, "kick " + std::to_string(a.ok.user)), "ok\n");
  auto kicked = a.waitFor(wire::MsgType::Kicked);
  ASSERT_TRUE(kicked);
  EXPECT_EQ(kicked->as<wire::Kicked>().reason, wire::KickReason::Admin);
  EXPECT_TRUE(a.closedWithin());
  EXPECT_EQ(AdminLine(o.adminPath, "kick " + std::to_string(a.ok.user)), "error: user not connected\n");

  // A backup is a database the store opens, with the user in it.
  const std::string copy = (dir.path / "copy.db").string();
  bool backedUp = false;
  ASSERT_TRUE(svc.admin([&](AdminOps& ops) { backedUp = ops.backup(copy); }));
  EXPECT_TRUE(backedUp);
  EXPECT_TRUE(SqliteStore::Open(copy));
  svc.stop();
  EXPECT_FALSE(std::filesystem::exists(o.adminPath)) << "the socket goes with the service";
}

TEST(ServiceAdmin, TestModeFaults) {
  ServiceOptions o;
  o.listen = "127.0.0.1:0";
  o.testMode = true;
  Service svc(o);
  ASSERT_TRUE(svc.start());
  RawClient a(svc.tcpPort()), b(svc.tcpPort());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  ASSERT_TRUE(b.login(SeedOf(2), "Bob"));

  // Dropped answers: the next create gets none, the one after is answered.
  ASSERT_TRUE(svc.admin([](AdminOps& ops) { EXPECT_TRUE(ops.failNext(wire::MsgType::LobbyCreate, 1)); }));
  a.send(wire::LobbyCreate{4}, 77);
  EXPECT_FALSE(a.next(300));
  EXPECT_EQ(a.call(wire::LobbyCreate{4}).result, lobby::Result::Ok);

  // Blocked UDP: registration never confirms, and packets reach Bob over TCP.
  ASSERT_TRUE(svc.admin([](AdminOps& ops) { EXPECT_TRUE(ops.blockUdp(true)); }));
  EXPECT_FALSE(b.registerUdp());
  a.send(wire::SendPacket{b.ok.user, 0, {1}});
  EXPECT_TRUE(b.waitFor(wire::MsgType::Packet));

  // Time and invitations.
  ASSERT_TRUE(svc.admin([&](AdminOps& ops) {
    EXPECT_TRUE(ops.setServerTime(2000000000));
    EXPECT_TRUE(ops.invite(a.ok.user, b.ok.user, 5));
  }));
  auto time = b.waitFor(wire::MsgType::TimeChanged);
  ASSERT_TRUE(time);
  EXPECT_NEAR(time->as<wire::TimeChanged>().serverTime, 2000000000.0, 2.0);
  auto invited = b.waitFor(wire::MsgType::Invited);
  ASSERT_TRUE(invited);
  EXPECT_EQ(invited->as<wire::Invited>().fromName, "Alice");
}

TEST(ServiceAdmin, LinksDelayAndPartitionRelayedPackets) {
  ServiceOptions o;
  o.listen = "127.0.0.1:0";
  o.testMode = true;
  o.idSeed = 7;
  Service svc(o);
  ASSERT_TRUE(svc.start());
  RawClient a(svc.tcpPort()), b(svc.tcpPort());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  ASSERT_TRUE(b.login(SeedOf(2), "Bob"));
  ASSERT_TRUE(a.registerUdp());
  ASSERT_TRUE(b.registerUdp());
  auto hop = [&](RawClient& from, RawClient& to, int timeoutMs) {
    const auto t0 = std::chrono::steady_clock::now();
    from.sendUdp(from.datagram(relay::Kind::Data, to.ok.user, {1}));
    const bool got = to.receiveUdp(timeoutMs).has_value();
    return got ? std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count()
               : -1.0;
  };
  ASSERT_TRUE(
      svc.admin([&](AdminOps& ops) { EXPECT_TRUE(ops.setLink(a.ok.user, b.ok.user, {.latencyMs = 150})); }));
  const double delayed = hop(a, b, 2000);
  EXPECT_GE(delayed, 145.0);
  EXPECT_LT(delayed, 1000.0);
  EXPECT_GE(hop(b, a, 2000), 0.0) << "the other direction is not affected";
  EXPECT_LT(hop(b, a, 2000), 100.0);
  ASSERT_TRUE(svc.admin([&](AdminOps& ops) { ops.setLink(a.ok.user, b.ok.user, {.partitioned = true}); }));
  EXPECT_LT(hop(a, b, 300), 0.0) << "partitioned";
  ASSERT_TRUE(svc.admin([&](AdminOps& ops) { EXPECT_TRUE(ops.clearLink(a.ok.user, b.ok.user)); }));
  EXPECT_GE(hop(a, b, 2000), 0.0);
}

TEST(ServiceAdmin, TestModeOperationsRefusedOtherwise) {
  ServiceOptions o;
  o.listen = "127.0.0.1:0";
  Service svc(o);
  ASSERT_TRUE(svc.start());
  ASSERT_TRUE(svc.admin([](AdminOps& ops) {
    EXPECT_FALSE(ops.testMode());
    EXPECT_FALSE(ops.setServerTime(1));
    EXPECT_FALSE(ops.offsetServerTime(1));
    EXPECT_FALSE(ops.failNext(wire::MsgType::LobbyCreate, 1));
    EXPECT_FALSE(ops.blockUdp(true));
    EXPECT_FALSE(ops.setCloud(1, false));
    EXPECT_FALSE(ops.setQuota(1, 0));
    EXPECT_FALSE(ops.invite(1, 2, 3));
    EXPECT_FALSE(ops.setLink(1, 2, {.partitioned = true}));
    EXPECT_FALSE(ops.clearLink(1, 2));
  }));
  RawClient a(svc.tcpPort());
  ASSERT_TRUE(a.login(SeedOf(1), "Alice"));
  EXPECT_EQ(a.call(wire::LobbyCreate{4}).result, lobby::Result::Ok);
}

}  // namespace
}  // namespace vt::lobbyd
