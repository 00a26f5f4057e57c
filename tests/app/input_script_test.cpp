// The end-to-end tooling's input script and run report: every command parses, a bad line is
// refused with its number, the runner presses and lets go on the frames the script names, a wait
// that runs out ends the run naming its line, and every report line is one valid JSON object
// whatever bytes a message holds.
#include "app/input_script.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/run_report.h"

namespace {

using namespace vt::e2e;

TEST(InputScript, EveryCommandParses) {
  const ParsedScript p = ParseInputScript(
      "# boot\n"
      "press key:Return\n"
      "press pad1:b3 5\r\n"
      "\n"
      "hold pad2:left\n"
      "release pad2:left\n"
      "press key:Keypad_7\n"
      "frames 120\n"
      "wait scene 600 25\n"
      "wait scene 600 1 1\n"
      "wait log 300 First frame presented\n"
      "wait box 300 Quit the game?\n"
      "wait judged 20000\n"
      "quit");
  ASSERT_EQ(p.error, "");
  ASSERT_EQ(p.steps.size(), 12u);
  EXPECT_EQ(p.steps[0].op, ScriptOp::kPress);
  EXPECT_TRUE(p.steps[0].input.key);
  EXPECT_EQ(p.steps[0].input.scanCode, 0x1C);  // Return in the game's key codes
  EXPECT_EQ(p.steps[0].frames, 2);
  EXPECT_EQ(p.steps[0].line, 2);
  EXPECT_EQ(p.steps[1].input.pad, 0);
  EXPECT_EQ(p.steps[1].input.button, 3);
  EXPECT_EQ(p.steps[1].frames, 5);
  EXPECT_EQ(p.steps[2].op, ScriptOp::kHold);
  EXPECT_EQ(p.steps[2].input.pad, 1);
  EXPECT_EQ(p.steps[2].input.direction, 4);
  EXPECT_EQ(p.steps[2].line, 5);
  EXPECT_EQ(p.steps[3].op, ScriptOp::kRelease);
  EXPECT_EQ(p.steps[4].input.scanCode, 0x47);  // Keypad 7
  EXPECT_EQ(p.steps[5].frames, 120);
  EXPECT_EQ(p.steps[6].scene, 25);
  EXPECT_EQ(p.steps[6].enter, -1);
  EXPECT_EQ(p.steps[7].enter, 1);
  EXPECT_EQ(p.steps[8].op, ScriptOp::kWaitLog);
  EXPECT_EQ(p.steps[8].text, "First frame presented");
  EXPECT_EQ(p.steps[9].text, "Quit the game?");
  EXPECT_EQ(p.steps[10].op, ScriptOp::kWaitJudged);
  EXPECT_EQ(p.steps[11].op, ScriptOp::kQuit);
}

TEST(InputScript, ABadLineIsRefusedWithItsNumber) {
  struct Row {
    const char* script;
    const char* error;
  };
  const Row rows[] = {
      {"frames 1\njump 3\n", "line 2: cannot read \"jump 3\""},
      {"press key:NoSuchKey\n", "line 1: cannot read \"press key:NoSuchKey\""},
      {"press pad3:b0\n", "line 1: cannot read \"press pad3:b0\""},
      {"press pad1:b16\n", "line 1: cannot read \"press pad1:b16\""},
      {"press pad1:b0 0\n", "line 1: cannot read \"press pad1:b0 0\""},
      {"frames -1\n", "line 1: cannot read \"frames -1\""},
      {"frames 5 more\n", "line 1: cannot read \"frames 5 more\""},
      {"# c\n\nwait scene 600\n", "line 3: cannot read \"wait scene 600\""},
      {"wait log 300\n", "line 1: cannot read \"wait log 300\""},
      {"wait soon 300\n", "line 1: cannot read \"wait soon 300\""},
      {"wait judged\n", "line 1: cannot read \"wait judged\""},
      {"quit now\n", "line 1: cannot read \"quit now\""},
  };
  for (const Row& r : rows) {
    const ParsedScript p = ParseInputScript(r.script);
    EXPECT_EQ(p.error, r.error) << r.script;
    EXPECT_TRUE(p.steps.empty()) << r.script;
  }
}

// Records what the runner sets, and answers the waits from fields the test moves.
struct World : ScriptWorld {
  std::vector<std::string> log;
  int frame = 0;
  int scene = 3, enter = 0;
  bool judged = false;
  void SetInput(const ScriptInput& in, bool down) override {
    log.push_back(std::to_string(frame) + (down ? " down " : " up ") +
                  (in.key ? "key" : "pad" + std::to_string(in.pad + 1)));
  }
  int SceneId() override { return scene; }
  int SceneEnter() override { return enter; }
  bool BattleJudged() override { return judged; }
};

TEST(InputScript, PressesAreLetGoAfterTheirFramesAndFramesPass) {
  InputScriptRunner run(
      ParseInputScript("press key:Z 3\nframes 4\nhold pad1:b0\nframes 1\nrelease pad1:b0\n").steps);
  World w;
  std::vector<ScriptState> states;
  for (w.frame = 0; w.frame < 8; ++w.frame) states.push_back(run.BeginFrame(w));
  // Down on frame 0 and held for frames 0..2; four frames pass (0..3); the pad goes down on frame
  // 4, one frame passes, and it is let go on frame 5.
  EXPECT_EQ(w.log, (std::vector<std::string>{"0 down key", "3 up key", "4 down pad1", "5 up pad1"}));
  EXPECT_EQ(states[4], ScriptState::kRunning);
  EXPECT_EQ(states[5], ScriptState::kFinished);
  EXPECT_EQ(states[7], ScriptState::kFinished);
}

TEST(InputScript, WaitsEndOnTheirConditionOrRunOut) {
  {
    InputScriptRunner run(ParseInputScript("wait scene 10 25 1\npress key:Return\n").steps);
    World w;
    for (w.frame = 0; w.frame < 5; ++w.frame) EXPECT_EQ(run.BeginFrame(w), ScriptState::kRunning);
    w.scene = 25;  // the right scene with the wrong enter value is not enough
    EXPECT_EQ(run.BeginFrame(w), ScriptState::kRunning);
    w.enter = 1;
    ++w.frame;
    run.BeginFrame(w);
    EXPECT_EQ(w.log, std::vector<std::string>{"6 down key"});
  }
  {
    InputScriptRunner run(ParseInputScript("frames 1\nwait box 3 Quit the game?\nquit\n").steps);
    World w;
    run.BeginFrame(w);
    run.NoteMessage("Quit the game?");  // seen before the wait began: not counted
    run.BeginFrame(w);
    run.NoteMessage("Return to the title screen?");
    EXPECT_EQ(run.BeginFrame(w), ScriptState::kRunning);
    run.NoteMessage(">> Quit the game? <<");
    EXPECT_EQ(run.BeginFrame(w), ScriptState::kQuit);
  }
  {
    InputScriptRunner run(ParseInputScript("frames 2\nwait judged 3\n").steps);
    World w;
    std::vector<ScriptState> states;
    for (int f = 0; f < 8; ++f) states.push_back(run.BeginFrame(w));
    // Frames 0 and 1 pass; the wait looks on frames 2, 3, 4 and runs out on 5.
    EXPECT_EQ(states[4], ScriptState::kRunning);
    EXPECT_EQ(states[5], ScriptState::kTimedOut);
    EXPECT_EQ(states[7], ScriptState::kTimedOut);
    EXPECT_EQ(run.failure(), "line 2: wait ran out after 3 frames");
  }
}

// A small JSON reader for the report's lines: one object of string and integer values.
struct JsonLine {
  std::string_view s;
  size_t i = 0;
  bool String() {
    if (i >= s.size() || s[i++] != '"') return false;
    while (i < s.size()) {
      const auto c = static_cast<uint8_t>(s[i]);
      if (c == '"') return ++i, true;
      if (c < 0x20) return false;
      if (c == '\\') {
        if (++i >= s.size()) return false;
        const char e = s[i];
        if (e == 'u') {
          if (i + 4 >= s.size()) return false;
          for (int k = 1; k <= 4; ++k)
            if (!std::isxdigit(static_cast<unsigned char>(s[i + k]))) return false;
          i += 4;
        } else if (std::string_view("\"\\/bfnrt").find(e) == std::string_view::npos) {
          return false;
        }
      }
      ++i;
    }
    return false;
  }
  bool Number() {
    const size_t start = i;
    if (i < s.size() && s[i] == '-') ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
    return i > start;
  }
  bool Object() {
    if (s.empty() || s[i++] != '{') return false;
    for (;;) {
      if (!String() || i >= s.size() || s[i++] != ':') return false;
      if (!(s[i] == '"' ? String() : Number())) return false;
      if (i >= s.size()) return false;
      if (s[i] == '}') return ++i == s.size() - 1 && s.back() == '\n';
      if (s[i++] != ',') return false;
    }
  }
};

bool ValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<uint8_t>(s[i]);
    const size_t n = c < 0x80             ? 1
                     : (c & 0xE0) == 0xC0 ? 2
                     : (c & 0xF0) == 0xE0 ? 3
                     : (c & 0xF8) == 0xF0 ? 4
                                          : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<uint8_t>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n;
  }
  return true;
}

TEST(RunReport, EveryLineIsOneJsonObjectWhateverTheMessageHolds) {
  const std::string texts[] = {
      "plain",
      "quote \" and backslash \\",
      "tab\tnew line\ncarriage\rbell\x07 delete\x7F",
      "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88",  // UTF-8 kept as it is
      "\x83\x51\x81\x5B\x83\x80",              // Shift-JIS bytes: not UTF-8
      "\xC0\xAF overlong, \xED\xA0\x80 surrogate, \xF4\x90\x80\x80 too high, cut \xE3\x83",
  };
  for (const std::string& t : texts) {
    const std::string line =
        FormatReportLine(42, "message", {ReportField::Text("text", t), ReportField::Num("n", -7)});
    JsonLine j{line};
    EXPECT_TRUE(j.Object()) << line;
    EXPECT_TRUE(ValidUtf8(line)) << line;
    EXPECT_EQ(line.substr(0, 30), "{\"frame\":42,\"event\":\"message\",");
  }
  EXPECT_EQ(FormatReportLine(7, "battle", {ReportField::Num("round", 1), ReportField::Hex("hash", 0xABCull)}),
            "{\"frame\":7,\"event\":\"battle\",\"round\":1,\"hash\":\"0000000000000abc\"}\n");
  EXPECT_EQ(FormatReportLine(0, "text", {ReportField::Text("t", "\xE3\x83\x86")}),
            "{\"frame\":0,\"event\":\"text\",\"t\":\"\xE3\x83\x86\"}\n");
  EXPECT_EQ(FormatReportLine(0, "text", {ReportField::Text("t", "\x83\x51")}),
            "{\"frame\":0,\"event\":\"text\",\"t\":\"\xEF\xBF\xBDQ\"}\n");
}

TEST(RunReport, WritesOnlyWhileOpenWithTheFrameSet) {
  const std::string path = testing::TempDir() + "run_report_test.jsonl";
  Report("scene", {ReportField::Num("id", 3)});  // nothing open: nothing written
  ASSERT_TRUE(OpenRunReport(path));
  SetRunReportFrame(12);
  Report("scene", {ReportField::Num("id", 2), ReportField::Num("enter", 1)});
  CloseRunReport();
  Report("scene", {ReportField::Num("id", 25)});
  std::ifstream in(path);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all, "{\"frame\":12,\"event\":\"scene\",\"id\":2,\"enter\":1}\n");
  EXPECT_FALSE(OpenRunReport("/nonexistent-folder/report.jsonl"));
  EXPECT_FALSE(RunReportOpen());
  std::remove(path.c_str());
}

}  // namespace
