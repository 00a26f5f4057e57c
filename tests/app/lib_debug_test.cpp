// The debugger output reaches the trace file unchanged and cut to 256 characters when formatted.
#include "app/lib_debug.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_util.h"

TEST(DebugOutput, TraceFileGetsFormattedTextCutAt256) {
  vt::SetDebugQuiet(true);
  vt::SetDebugTraceFile("trace.txt");
  DebugOutput("# line one\n");
  DebugPrint("%s", std::string(300, 'x').c_str());
  vt::SetDebugTraceFile("");
  vt::SetDebugQuiet(false);
  std::string text = vt::test::ReadFile("trace.txt");
  EXPECT_EQ(text, "# line one\n" + std::string(255, 'x'));
}
