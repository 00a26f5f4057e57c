// The game binary run headless: a clean start, 120 frames, an automatic quit and a clean
// shutdown; a second instance ends at once while the first runs.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "support/test_util.h"

namespace fs = std::filesystem;

namespace {

// A copy of the sample game folder in the test's working directory.
fs::path MakeGameFolder() {
  fs::path dir = fs::current_path() / "game";
  fs::copy(VT_SAMPLE_DIR, dir, fs::copy_options::recursive);
  fs::remove(dir / "Vantorel.lock");
  fs::remove_all(dir / "System");
  return dir;
}

pid_t Spawn(const std::vector<std::string>& args) {
  pid_t pid = fork();
  if (pid == 0) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::vector<char*> argv;
    std::string exe = std::string(VT_BINARY_DIR) + "/vantorel";
    argv.push_back(exe.data());
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// Waits up to the limit; -1 when it had to be killed.
int WaitExit(pid_t pid, int seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

TEST(Smoke, HeadlessRunsFramesAndShutsDownInOrder) {
  fs::path game = MakeGameFolder();
  auto start = std::chrono::steady_clock::now();
  pid_t pid = Spawn({"--data", game.string(), "--frames", "120", "--trace", "trace.txt"});
  ASSERT_EQ(WaitExit(pid, 60), 0);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GT(seconds, 1.9);  // 120 frames at 60 per second

  std::string trace = vt::test::ReadFile("trace.txt");
  // Each thread's lines come in order; the two threads' lines interleave as they run, except
  // that the window thread joins the logic thread before the shutdown begins.
  const std::vector<std::vector<const char*>> orders = {
      {"#AppricationLoopCallbackからの終了", "#MainLoopThread End", "# JoinMainLoopThread End"},
      {"# メインメッセージループから抜けた", "# JoinMainLoopThread Begin", "# JoinMainLoopThread End",
       "# Shutdown: release application resources", "# Shutdown: graphics", "# Shutdown: input",
       "# Shutdown: save screen configuration", "# Shutdown: online client", "# Shutdown: done"}};
  for (const auto& order : orders) {
    size_t at = 0;
    for (const char* line : order) {
      size_t found = trace.find(line, at);
      ASSERT_NE(found, std::string::npos) << line << "\n" << trace;
      at = found;
    }
  }
  std::string ini = vt::test::ReadFile(game / "System/_App.ini");
  EXPECT_NE(ini.find("[System]\r\n"), std::string::npos);
  EXPECT_NE(ini.find("ScreenW= 1280\r\n"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(game / "System/__Win1stBootEnd"));
}

TEST(Smoke, OnlineClientFailureEndsWithAnErrorCode) {
  fs::path game = MakeGameFolder();
  setenv("VT_ONLINE_INIT_FAIL", "1", 1);
  pid_t pid = Spawn({"--data", game.string(), "--frames", "10"});
  unsetenv("VT_ONLINE_INIT_FAIL");
  EXPECT_EQ(WaitExit(pid, 30), 1);
  EXPECT_FALSE(fs::exists(game / "System/_App.ini"));
}

TEST(Smoke, MissingPackVersionEndsAfterTheErrorBox) {
  fs::path game = MakeGameFolder();
  fs::remove_all(game / "PackDataVersion");
  fs::remove(game / "0008.p");  // the version file ships inside the last pack
  pid_t pid = Spawn({"--data", game.string(), "--frames", "600", "--trace", "trace.txt"});
  EXPECT_EQ(WaitExit(pid, 30), 0);
  EXPECT_NE(vt::test::ReadFile("trace.txt").find("Failed loading the data file."), std::string::npos);
}

TEST(SingleInstance, SecondInstanceEndsAtOnceWhileTheFirstRuns) {
  fs::path game = MakeGameFolder();
  pid_t first = Spawn({"--data", game.string(), "--frames", "300"});
  // Wait until the first instance holds the lock (it creates the first-boot marker first).
  for (int i = 0; i < 500 && !fs::exists(game / "System/__Win1stBootEnd"); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  auto start = std::chrono::steady_clock::now();
  pid_t second = Spawn({"--data", game.string(), "--frames", "300"});
  EXPECT_EQ(WaitExit(second, 10), 0);
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 2.0);
  EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0);  // the first still runs
  EXPECT_EQ(WaitExit(first, 60), 0);
}

}  // namespace
