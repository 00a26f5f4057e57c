// The game binary headless under the frame clock, driven by scripts from boot to the attract
// demo: two runs report byte for byte the same; the replay the first run saves plays in a second
// process to the same per-round replay hashes, winner and marks, and once more through ONCE
// AGAIN; a truncated or missing replay ends the run with exit code 2 and a line naming it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_util.h"

namespace fs = std::filesystem;

namespace {

std::string Script(const std::string& name) {
  return std::string(VT_SOURCE_DIR) + "/tests/app/scripts/" + name;
}

// A fresh copy of the sample folder (its own save data), with `extra` copied into ReplayVS.
fs::path FreshGame(const std::string& name, const fs::path& replay = {}) {
  const fs::path game = fs::current_path() / name;
  fs::remove_all(game);
  fs::copy(VT_SAMPLE_DIR, game, fs::copy_options::recursive);
  if (!replay.empty()) {
    fs::create_directories(game / "ReplayVS");
    fs::copy_file(replay, game / "ReplayVS" / replay.filename(), fs::copy_options::overwrite_existing);
  }
  return game;
}

// Runs the game unpaced on `game`; the exit code (-1 on a crash).
int RunGame(const fs::path& game, const std::string& script, const std::string& report, const std::string& extra = "") {
  const std::string cmd = "SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy VT_DEVICE=recording '" +
                          std::string(VT_BINARY_DIR) + "/vantorel' --data '" + game.string() +
                          "' --unpaced --input-script '" + script + "' --report " + report + " " + extra +
                          " > /dev/null 2>&1";
  const int status = std::system(cmd.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  std::istringstream in(vt::test::ReadFile(file));
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

std::vector<std::string> Events(const std::vector<std::string>& lines, const std::string& kind) {
  std::vector<std::string> out;
  for (const std::string& l : lines)
    if (l.find("\"event\":\"" + kind + "\"") != std::string::npos) out.push_back(l.substr(l.find(",\"event\"")));
  return out;
}

std::string Field(const std::string& line, const std::string& name) {
  const std::string key = "\"" + name + "\":";
  const size_t at = line.find(key);
  if (at == std::string::npos) return "";
  size_t end = at + key.size();
  if (line[end] == '"') return line.substr(end + 1, line.find('"', end + 1) - end - 1);
  return line.substr(end, line.find_first_of(",}", end) - end);
}

// Per replay round, the replay hashes of the frames from the round's start, in order: the
// frames before a round's start still hold whatever the process drew before the match.
using RoundHashes = std::map<int, std::vector<std::string>>;
std::vector<RoundHashes> MatchHashes(const std::vector<std::string>& lines) {
  std::vector<RoundHashes> matches;
  int lastRound = -1;
  for (const std::string& l : lines) {
    if (l.find("\"event\":\"battle\"") == std::string::npos) continue;
    const int round = std::stoi(Field(l, "replay_round"));
    if (round < 0) continue;
    if (matches.empty() || round < lastRound) matches.emplace_back();
    lastRound = round;
    matches.back()[round].push_back(Field(l, "battle_frame") + ":" + Field(l, "replay"));
  }
  return matches;
}

class Acceptance : public ::testing::Test {
 protected:
  // The road is run once for the whole suite (it is the longest part): report and replay.
  // Each test runs in a working folder of its own: the suite's files are named absolutely.
  static void SetUpTestSuite() {
    const fs::path game = FreshGame("road1");
    road1_ = (fs::current_path() / "road1.jsonl").string();
    code_ = RunGame(game, Script("acceptance.txt"), road1_);
    if (fs::exists(game / "ReplayVS"))
      for (const auto& e : fs::directory_iterator(game / "ReplayVS")) replay_ = e.path();
  }
  static int code_;
  static fs::path replay_;
  static std::string road1_;
};
int Acceptance::code_ = -1;
std::string Acceptance::road1_;
fs::path Acceptance::replay_;

TEST_F(Acceptance, TheRoadFromBootToTheAttractDemoReportsTheSameTwice) {
  ASSERT_EQ(code_, 0) << vt::test::ReadFile(road1_);
  ASSERT_EQ(RunGame(FreshGame("road2"), Script("acceptance.txt"), "road2.jsonl"), 0);
  EXPECT_TRUE(vt::test::ReadFile(road1_) == vt::test::ReadFile("road2.jsonl"));
  const std::vector<std::string> lines = Lines(road1_);
  // The scenes entered, in order.
  std::vector<int> scenes;
  for (const std::string& l : Events(lines, "scene"))
    if (Field(l, "enter") == "1") scenes.push_back(std::stoi(Field(l, "id")));
  const std::vector<int> road{2, 25, 20, 8, 1, 1, 5, 25, 2, 13, 1, 11};
  EXPECT_EQ(scenes, road) << vt::test::ReadFile(road1_);
  // The save, its box text, the match decided with its marks and route, the attract demo ended.
  ASSERT_EQ(Events(lines, "replay_save").size(), 1u);
  EXPECT_EQ(Field(Events(lines, "replay_save")[0], "saved"), "1");
  EXPECT_EQ(Field(Events(lines, "replay_save")[0], "file").rfind("ReplayVS/", 0), 0u);
  bool boxSeen = false;
  for (const std::string& l : Events(lines, "message"))
    boxSeen |= Field(l, "box").rfind("Saved the replay as ", 0) == 0;
  EXPECT_TRUE(boxSeen);
  const std::vector<std::string> matches = Events(lines, "match");
  ASSERT_EQ(matches.size(), 2u);  // the versus match and the attract demo
  EXPECT_EQ(Field(matches[0], "route"), "8");
  EXPECT_EQ(Field(matches[1], "route"), "9");
  // No wall-clock values and no absolute paths.
  for (const std::string& l : lines) EXPECT_EQ(l.find(fs::current_path().string()), std::string::npos) << l;
}

TEST_F(Acceptance, TheSavedReplayPlaysInASecondProcessToTheSameHashesTwice) {
  ASSERT_EQ(code_, 0);
  ASSERT_FALSE(replay_.empty());
  const fs::path game = FreshGame("play", replay_);
  ASSERT_EQ(RunGame(game, Script("replay_twice.txt"), "play.jsonl",
                "--play-replay '" + (game / "ReplayVS" / replay_.filename()).string() + "'"),
            0)
      << vt::test::ReadFile("play.jsonl");
  const std::vector<std::string> recorded = Lines(road1_);
  const std::vector<std::string> played = Lines("play.jsonl");
  EXPECT_TRUE(Events(played, "divergence").empty());
  const std::vector<RoundHashes> rec = MatchHashes(recorded);
  const std::vector<RoundHashes> play = MatchHashes(played);
  ASSERT_GE(rec.size(), 1u);
  ASSERT_EQ(play.size(), 2u);  // the playback and ONCE AGAIN
  EXPECT_TRUE(play[0] == rec[0]);
  EXPECT_TRUE(play[1] == rec[0]);
  const std::vector<std::string> recMatch = Events(recorded, "match");
  const std::vector<std::string> playMatch = Events(played, "match");
  ASSERT_EQ(playMatch.size(), 2u);
  for (const std::string& m : playMatch)
    for (const char* f : {"winner", "marks0", "marks1"}) EXPECT_EQ(Field(m, f), Field(recMatch[0], f)) << f;
}

TEST(AcceptanceReplay, ATruncatedOrMissingReplayEndsWithCodeTwoAndSaysWhy) {
  const fs::path game = FreshGame("bad");
  fs::create_directories(game / "ReplayVS");
  std::ofstream(game / "ReplayVS" / "cut.rep", std::ios::binary) << std::string("VTRP\x01\x00", 6);
  struct Row {
    const char* file;
  };
  for (const Row& row : {Row{"cut.rep"}, Row{"none.rep"}}) {
    SCOPED_TRACE(row.file);
    const std::string report = std::string(row.file) + ".jsonl";
    std::ofstream("wait.txt") << "frames 5\nquit\n";
    EXPECT_EQ(RunGame(game, "wait.txt", report, "--play-replay '" + (game / "ReplayVS" / row.file).string() + "'"), 2);
    const std::vector<std::string> lines = Lines(report);
    const std::vector<std::string> refused = Events(lines, "replay");
    ASSERT_EQ(refused.size(), 1u) << vt::test::ReadFile(report);
    EXPECT_EQ(Field(refused[0], "file"), std::string("ReplayVS/") + row.file);
    EXPECT_NE(Field(refused[0], "error").find(row.file), std::string::npos) << refused[0];
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("\"event\":\"exit\",\"code\":2}"), std::string::npos);
  }
}

}  // namespace
