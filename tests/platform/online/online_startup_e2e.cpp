// The game binary, headless, against a lobby service run by the test on 127.0.0.1 with an
// ephemeral port: started with --online-service and a test profile it logs on (the service lists
// the player online, the profile gets its user id); the service stopping does not stop the game;
// a service that is not there leaves it offline, playing its frames as before. The profile always
// lives in the test's folder, never the user's own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "lobbyd/service.h"
#include "platform/online/net/profile.h"
#include "support/test_util.h"

namespace vt::online {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

fs::path MakeGameFolder() {
  fs::path dir = fs::current_path() / "game";
  fs::copy(VT_SAMPLE_DIR, dir, fs::copy_options::recursive);
  fs::remove(dir / "Vantorel.lock");
  fs::remove_all(dir / "System");
  return dir;
}

// The game in a process group of its own, killed whole when the test gives up on it.
class Game {
 public:
  explicit Game(const std::vector<std::string>& args) {
    pid_ = ::fork();
    if (pid_ == 0) {
      ::setpgid(0, 0);
      ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
      ::setenv("SDL_AUDIODRIVER", "dummy", 1);
      std::string exe = std::string(VT_BINARY_DIR) + "/vantorel";
      std::vector<char*> argv{exe.data()};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(exe.c_str(), argv.data());
      ::_exit(127);
    }
    ::setpgid(pid_, pid_);
  }
  ~Game() {
    if (pid_ > 0 && !exited_) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool running() {
    if (exited_) return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) != pid_) return true;
    exited_ = true;
    code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return false;
  }
  // The exit code, or -1 when it had to be killed after `seconds`.
  int wait(int seconds) {
    const auto until = Clock::now() + std::chrono::seconds(seconds);
    while (running() && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (running()) {
      ::kill(-pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
      exited_ = true;
      code_ = -1;
    }
    return code_;
  }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
  int code_ = -1;
};

template <class Done>
bool WaitFor(Done done, std::chrono::seconds bound) {
  const auto until = Clock::now() + bound;
  while (!done()) {
    if (Clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

std::unique_ptr<lobbyd::Service> StartService(const std::string& listen) {
  lobbyd::ServiceOptions o;
  o.listen = listen;
  o.db = (fs::current_path() / "service.db").string();
  o.testMode = true;
  auto service = std::make_unique<lobbyd::Service>(o);
  std::string error;
  EXPECT_TRUE(service->start(&error)) << error;
  return service;
}

// A profile with a fixed key, written as the game writes profiles.
std::string WriteTestProfile(const char* name) {
  Profile p;
  p.name = name;
  for (size_t i = 0; i < p.secret.size(); ++i) p.secret[i] = static_cast<uint8_t>(0x40 + i);
  p.hasSecret = true;
  p.country = "JP";
  const std::string path = (fs::current_path() / "profile" / "online-profile.txt").string();
  EXPECT_TRUE(SaveProfile(path, p));
  return path;
}

// Who the service lists online under a persona name.
std::optional<lobby::UserId> OnlineUser(lobbyd::Service& service, const std::string& persona) {
  std::optional<lobby::UserId> found;
  service.admin([&](lobbyd::AdminOps& ops) {
    for (const lobbyd::UserRecord& u : ops.users())
      if (u.persona == persona && ops.isOnline(u.id)) found = u.id;
  });
  return found;
}

TEST(OnlineStartup, TheGameLogsOnAndOutlivesTheService) {
  const fs::path game = MakeGameFolder();
  const std::string profile = WriteTestProfile("Tester");
  std::unique_ptr<lobbyd::Service> service = StartService("127.0.0.1:0");
  const std::string address = "127.0.0.1:" + std::to_string(service->tcpPort());
  constexpr int kFrames = 900;
  const auto start = Clock::now();
  Game vantorel({"--data", game.string(), "--frames", std::to_string(kFrames), "--online-service", address,
                 "--online-profile", profile, "--trace", "trace.txt"});

  std::optional<lobby::UserId> user;
  ASSERT_TRUE(
      WaitFor([&] { return (user = OnlineUser(*service, "Tester")).has_value(); }, std::chrono::seconds(30)))
      << test::ReadFile("trace.txt");
  // The first login's user id is kept in the profile.
  Profile written;
  ASSERT_TRUE(
      WaitFor([&] { return LoadProfile(profile, written) == ProfileLoad::Loaded && written.userId != 0; },
              std::chrono::seconds(5)));
  EXPECT_EQ(written.userId, *user);
  EXPECT_EQ(written.name, "Tester");

  // The service goes away; the game plays on, offline, to its last frame.
  service.reset();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_TRUE(vantorel.running());
  EXPECT_EQ(vantorel.wait(120), 0) << test::ReadFile("trace.txt");
  EXPECT_GT(std::chrono::duration<double>(Clock::now() - start).count(), kFrames / 60.0 - 0.1);
  EXPECT_NE(test::ReadFile("trace.txt").find("# Shutdown: done"), std::string::npos);
}

// A named service that is not listening: the game starts offline, plays its frames in time and
// ends as it always does; the profile keeps no user id.
TEST(OnlineStartup, WithoutAServiceTheGameStartsOffline) {
  const fs::path game = MakeGameFolder();
  const std::string profile = WriteTestProfile("Alone");
  std::string address;
  {
    // A port nobody listens on any more: the one a service held until a moment ago.
    std::unique_ptr<lobbyd::Service> gone = StartService("127.0.0.1:0");
    address = "127.0.0.1:" + std::to_string(gone->tcpPort());
  }
  constexpr int kFrames = 240;
  const auto start = Clock::now();
  Game vantorel({"--data", game.string(), "--frames", std::to_string(kFrames), "--online-service", address,
                 "--online-profile", profile, "--trace", "trace.txt"});
  EXPECT_EQ(vantorel.wait(120), 0) << test::ReadFile("trace.txt");
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_GT(seconds, kFrames / 60.0 - 0.1);
  EXPECT_LT(seconds, 60.0);  // no wait on the missing service
  EXPECT_NE(test::ReadFile("trace.txt").find("# Shutdown: done"), std::string::npos);
  Profile after;
  ASSERT_EQ(LoadProfile(profile, after), ProfileLoad::Loaded);
  EXPECT_EQ(after.userId, 0u);
}

}  // namespace
}  // namespace vt::online
