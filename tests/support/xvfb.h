// End-to-end tests with a real X display: an Xvfb server of the test's own (it picks a free
// display number and reports it through a pipe), the environment put back afterwards, and the
// check for the programs the tests need.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace vt::test {

inline bool HaveProgram(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Restores an environment variable (or its absence) when it goes out of scope.
class EnvRestore {
 public:
  explicit EnvRestore(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v, had_ = true;
  }
  ~EnvRestore() {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }
  EnvRestore(const EnvRestore&) = delete;
  EnvRestore& operator=(const EnvRestore&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

// Starts Xvfb on a free display, sets DISPLAY and waits until xdotool can talk to it.
class XServer {
 public:
  bool Start() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             nullptr);
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    for (int i = 0; i < 100; ++i) {
      if (std::system("xdotool getmouselocation >/dev/null 2>&1") == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

}  // namespace vt::test
