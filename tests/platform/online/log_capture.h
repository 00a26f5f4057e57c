// Collects the debugger-output lines a piece of code writes, without printing them, for tests
// that check what a refusal logs.
#pragma once

#include <string>

#include "app/lib_debug.h"
#include "support/test_util.h"

namespace vt::test {

class LogCapture {
 public:
  LogCapture() {
    SetDebugQuiet(true);
    SetDebugTraceFile("log.txt");
  }
  ~LogCapture() {
    SetDebugTraceFile("");
    SetDebugQuiet(false);
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  std::string text() const { return ReadFile("log.txt"); }
};

}  // namespace vt::test
