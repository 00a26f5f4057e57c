// vantorel-lobbyd as a child process: the option table, the READY line on the ready fd with the
// ephemeral port, a login against it, a clean exit on SIGTERM, and refusals of bad options and
// addresses. The child runs in its own process group, killed if a test fails.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "lobbyd/lobbyd_main.h"
#include "lobbyd/raw_client.h"

namespace vt::lobbyd {
namespace {

TEST(LobbydArgs, OptionTable) {
  struct Row {
    std::vector<std::string> args;
    bool ok;
  };
  const Row rows[] = {
      {{}, true},
      {{"--listen", "127.0.0.1:0", "--db", "x.db", "--test-mode", "--id-seed", "1", "--ready-fd", "3"}, true},
      {{"--registration", "closed", "--admin", "a.sock", "--config", "c.ini", "--insecure-lan"}, true},
      {{"--registration", "maybe"}, false},
      {{"--id-seed", "-1"}, false},
      {{"--id-seed", "12x"}, false},
      {{"--ready-fd"}, false},
      {{"--db", ""}, false},
      {{"--bogus"}, false},
  };
  for (const Row& row : rows) {
    std::string error;
    EXPECT_EQ(ParseLobbydArgs(row.args, &error).has_value(), row.ok) << (row.args.empty() ? "" : row.args[0]);
  }
  std::string error;
  const auto a = ParseLobbydArgs({"--id-seed", "18446744073709551615", "--registration", "closed"}, &error);
  ASSERT_TRUE(a);
  EXPECT_EQ(*a->service.idSeed, 18446744073709551615ull);
  EXPECT_FALSE(a->service.registrationOpen);
  EXPECT_EQ(ParseLobbydArgs({}, &error)->service.listen, "127.0.0.1:47800");
  EXPECT_EQ(ReadyLine(4000, 4000), "READY tcp=4000 udp=4000\n");
}

// A child in its own process group; killed with its group if still running at the end.
struct Child {
  pid_t pid = -1;
  std::string ready;
  explicit Child(std::vector<std::string> args) {
    int fds[2];
    EXPECT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    pid = ::fork();
    if (pid == 0) {
      ::setpgid(0, 0);
      ::dup2(fds[1], 3);  // dup2 clears close-on-exec on the copy
      std::vector<char*> argv;
      const std::string exe = std::string(VT_BINARY_DIR) + "/vantorel-lobbyd";
      argv.push_back(const_cast<char*>(exe.c_str()));
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(exe.c_str(), argv.data());
      ::_exit(127);
    }
    ::setpgid(pid, pid);
    ::close(fds[1]);
    pollfd p{fds[0], POLLIN, 0};
    char buf[128];
    while (::poll(&p, 1, 10000) > 0) {
      const ssize_t n = ::read(fds[0], buf, sizeof(buf));
      if (n <= 0) break;
      ready.append(buf, static_cast<size_t>(n));
      if (ready.find('\n') != std::string::npos) break;
    }
    ::close(fds[0]);
  }
  // The exit status, or -1 when it did not end within the time.
  int wait(int timeoutMs) {
    for (int i = 0; i < timeoutMs / 10; ++i) {
      int status = 0;
      if (::waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      ::usleep(10000);
    }
    return -1;
  }
  ~Child() {
    if (pid > 0) {
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
    }
  }
};

TEST(LobbydProcess, ReadyLineLoginAndSigterm) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("lobbyd_proc_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string adminSock = (dir / "admin.sock").string();
  Child child({"--listen", "127.0.0.1:0", "--db", (dir / "svc.db").string(), "--test-mode", "--id-seed", "1",
               "--ready-fd", "3", "--admin", adminSock});
  unsigned tcp = 0, udp = 0;
  ASSERT_EQ(std::sscanf(child.ready.c_str(), "READY tcp=%u udp=%u", &tcp, &udp), 2) << child.ready;
  EXPECT_EQ(tcp, udp);
  {
    testing::RawClient c(static_cast<uint16_t>(tcp));
    ASSERT_TRUE(c.login(testing::SeedOf(1), "Alice"));
    EXPECT_TRUE(c.call(lobby::wire::BoardFind{"TEST"}).found);
    // The admin client reaches the socket (the command language is wired by its parser).
    const std::string admin =
        std::string(VT_BINARY_DIR) + "/vantorel-lobbyd admin --admin " + adminSock + " user list";
    FILE* out = ::popen(admin.c_str(), "r");
    ASSERT_NE(out, nullptr);
    char answer[128] = {};
    EXPECT_NE(std::fgets(answer, sizeof(answer), out), nullptr);
    EXPECT_EQ(::pclose(out), 0);
    ::kill(child.pid, SIGTERM);
    EXPECT_TRUE(c.closedWithin(3000));
  }
  EXPECT_EQ(child.wait(5000), 0);
  std::filesystem::remove_all(dir);
}

// Writes a whole file of one byte value in chunks; true when the service confirmed the last one.
bool WriteWhole(testing::RawClient& c, const std::string& name, uint8_t value, size_t size) {
  bool ok = false;
  for (size_t off = 0; off < size; off += lobby::wire::kMaxChunkBytes) {
    const size_t len = std::min(lobby::wire::kMaxChunkBytes, size - off);
    lobby::wire::FileWrite w{name, static_cast<uint32_t>(off), static_cast<uint32_t>(size),
                             std::vector<uint8_t>(len, value)};
    c.send(w, static_cast<uint32_t>(1000 + off / lobby::wire::kMaxChunkBytes));
    auto f = c.waitFor(lobby::wire::MsgType::FileWrite, 3000);
    if (!f) return false;
    ok = f->as<lobby::wire::FileWrite::Reply>().ok;
  }
  return ok;
}

TEST(LobbydProcess, KilledDuringWritesLeavesEveryFileWhole) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("lobbyd_kill_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string db = (dir / "svc.db").string();
  const size_t kSize = 200000;  // four chunks
  uint64_t user = 0;
  int confirmedScore = 0;
  {
    Child child({"--listen", "127.0.0.1:0", "--db", db, "--ready-fd", "3"});
    unsigned tcp = 0, udp = 0;
    ASSERT_EQ(std::sscanf(child.ready.c_str(), "READY tcp=%u udp=%u", &tcp, &udp), 2) << child.ready;
    testing::RawClient c(static_cast<uint16_t>(tcp));
    ASSERT_TRUE(c.login(testing::SeedOf(1), "Alice"));
    user = c.ok.user;
    const auto board = c.call(lobby::wire::BoardFind{"TEST"}).board;
    // A stream of writes and uploads; the service dies in the middle of one.
    std::thread killer([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(400));
      ::kill(-child.pid, SIGKILL);
    });
    for (int i = 0; i < 1000; ++i) {
      if (!WriteWhole(c, "f" + std::to_string(i % 3), static_cast<uint8_t>(i), kSize)) break;
      c.send(lobby::wire::BoardUpload{board, lobby::UploadMethod::ForceUpdate, i, {i}}, 5);
      auto up = c.waitFor(lobby::wire::MsgType::BoardUpload, 3000);
      if (!up) break;
      if (up->as<lobby::wire::BoardUpload::Reply>().success) confirmedScore = i;
    }
    killer.join();
  }
  Child again({"--listen", "127.0.0.1:0", "--db", db, "--ready-fd", "3"});
  unsigned tcp = 0, udp = 0;
  ASSERT_EQ(std::sscanf(again.ready.c_str(), "READY tcp=%u udp=%u", &tcp, &udp), 2) << again.ready;
  testing::RawClient c(static_cast<uint16_t>(tcp));
  ASSERT_TRUE(c.login(testing::SeedOf(1), "Alice"));
  EXPECT_EQ(c.ok.user, user) << "the same id after the restart";
  int files = 0;
  for (int i = 0; i < 3; ++i) {
    const std::string name = "f" + std::to_string(i);
    const auto stat = c.call(lobby::wire::FileStat{name});
    if (!stat.exists) continue;
    ++files;
    ASSERT_EQ(stat.size, kSize) << name;
    std::vector<uint8_t> all;
    while (all.size() < kSize) {
      auto r = c.call(lobby::wire::FileRead{name, static_cast<uint32_t>(all.size()), 65536});
      ASSERT_FALSE(r.chunk.empty());
      all.insert(all.end(), r.chunk.begin(), r.chunk.end());
    }
    EXPECT_EQ(std::count(all.begin(), all.end(), all[0]), static_cast<long>(kSize)) << name << " is mixed";
  }
  EXPECT_GT(files, 0);
  const auto board = c.call(lobby::wire::BoardFind{"TEST"}).board;
  const auto dl = c.call(lobby::wire::BoardDownload{board, lobby::DownloadKind::Global, 1, 10});
  ASSERT_EQ(dl.entries.size(), 1u);
  EXPECT_GE(dl.entries[0].score, confirmedScore) << "a confirmed upload survives";
  EXPECT_EQ(dl.entries[0].details, std::vector<int32_t>{dl.entries[0].score}) << "score and details together";
  std::filesystem::remove_all(dir);
}

TEST(LobbydProcess, RefusesBadOptionsAndAddresses) {
  EXPECT_EQ(Child({"--bogus"}).wait(5000), 2);
  EXPECT_EQ(Child({"--listen", "0.0.0.0:0", "--db", ":memory:"}).wait(5000), 2);
  EXPECT_EQ(Child({"--listen", "127.0.0.1:0", "--db", "/nonexistent-dir/x/svc.db"}).wait(5000), 1);
}

}  // namespace
}  // namespace vt::lobbyd
