// The game binary driven by an input script with a run report: the script's waits see the boot
// scene and the logic thread's log line, its quit ends the run with exit code 0; a wait that runs
// out ends it with 3 and a report line naming the script line; a bad script line stops the game
// before it starts, with exit code 2.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_util.h"

namespace fs = std::filesystem;

namespace {

// Runs the game on a copy of the sample folder with the script; the exit code (-1 on a crash).
int RunScript(const std::string& script, const std::string& report) {
  const fs::path game = fs::current_path() / "game";
  if (!fs::exists(game)) fs::copy(VT_SAMPLE_DIR, game, fs::copy_options::recursive);
  fs::remove(game / "Vantorel.lock");
  std::ofstream("script.txt") << script;
  const std::string cmd = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy VT_DEVICE=recording '" +
                          std::string(VT_BINARY_DIR) + "/vantorel' --data '" + game.string() +
                          "' --input-script script.txt --report " + report + " > /dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  std::istringstream in(vt::test::ReadFile(file));
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& part) {
  for (const std::string& l : lines)
    if (l.find(part) != std::string::npos) return true;
  return false;
}

TEST(ScriptRun, WaitsSeeTheBootAndTheLogThenQuit) {
  ASSERT_EQ(RunScript("wait scene 30 3\nwait log 30 First frame presented\nframes 5\nquit\n", "report.jsonl"),
            0);
  const std::vector<std::string> lines = Lines("report.jsonl");
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(Has(lines, "\"event\":\"scene\",\"id\":3,")) << vt::test::ReadFile("report.jsonl");
  EXPECT_TRUE(Has(lines, "\"event\":\"message\",\"text\":\"# First frame presented"));
  EXPECT_NE(lines.back().find("\"event\":\"exit\",\"code\":0}"), std::string::npos) << lines.back();
  for (const std::string& l : lines) EXPECT_EQ(l.rfind("{\"frame\":", 0), 0u) << l;
}

TEST(ScriptRun, AWaitThatRunsOutEndsWithCodeThree) {
  ASSERT_EQ(RunScript("frames 2\nwait scene 20 99\nquit\n", "timeout.jsonl"), 3);
  const std::vector<std::string> lines = Lines("timeout.jsonl");
  EXPECT_TRUE(Has(lines, "\"failure\":\"line 2: wait ran out after 20 frames\""))
      << vt::test::ReadFile("timeout.jsonl");
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find("\"code\":3}"), std::string::npos);
}

// Through the menus into a fight, as a player goes: boot, title, main menu, the character select,
// the VS screen and the battle, each reached in order.
TEST(ScriptRun, APlayerReachesAFightFromTheMenus) {
  const std::string script =
      vt::test::ReadFile(std::string(VT_SOURCE_DIR) + "/tests/app/scripts/menu_to_fight.txt");
  ASSERT_FALSE(script.empty());
  ASSERT_EQ(RunScript(script, "road.jsonl"), 0) << vt::test::ReadFile("road.jsonl");
  std::vector<int> scenes;
  for (const std::string& l : Lines("road.jsonl")) {
    const size_t at = l.find("\"event\":\"scene\",\"id\":");
    if (at != std::string::npos && l.find("\"enter\":1") != std::string::npos)
      scenes.push_back(std::stoi(l.substr(at + 21)));
  }
  EXPECT_EQ(scenes, (std::vector<int>{2, 25, 20, 8, 1})) << vt::test::ReadFile("road.jsonl");
}

TEST(ScriptRun, ABadLineStopsTheGameBeforeItStarts) {
  EXPECT_EQ(RunScript("frames 2\npress pad9:b0\n", "bad.jsonl"), 2);
  EXPECT_FALSE(fs::exists("bad.jsonl"));
}

}  // namespace
