// The end-to-end run (see e2e_run.h).
#include "app/e2e_run.h"

#include <iconv.h>
#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Replay/replay_controller.h"
#include "app/frame_pacer.h"
#include "app/input/input_manager.h"
#include "app/input_script.h"
#include "app/lib_debug.h"
#include "app/run_report.h"
#include "battle/battle_clock.h"
#include "battle/battle_records.h"
#include "battle/chara_loader.h"
#include "battle/round_flow.h"
#include "platform/audio/sound_mixer.h"
#include "platform/clock.h"
#include "platform/input/fake_input_backend.h"
#include "scene/main_menu.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"

namespace vt::e2e {
namespace {

// The frame clock: time is the count of logic frames begun, 1/60 s each. Counts run at 60 MHz so
// that one frame is a whole number of counts and the frame wait's elapsed time is exactly 1/60 s.
// Sleeping and yielding give up the processor but move no time. Other threads read it too: the
// frame is an atomic.
class FrameClock : public platform::Clock {
 public:
  static constexpr uint64_t kCountsPerFrame = 1000000;
  void SetFrame(uint64_t frame) { frame_.store(frame, std::memory_order_release); }
  uint64_t frame() const { return frame_.load(std::memory_order_acquire); }
  uint64_t Counter() override { return frame() * kCountsPerFrame; }
  uint64_t CounterFrequency() override { return 60 * kCountsPerFrame; }
  uint32_t Milliseconds() override { return static_cast<uint32_t>(frame() * 1000 / 60); }
  void SleepMs(uint32_t) override { sched_yield(); }
  void Yield() override { sched_yield(); }
  platform::LocalTime LocalNow() override {
    std::tm t{};
    t.tm_year = kFrameClockYear - 1900;
    t.tm_mon = kFrameClockMonth - 1;
    t.tm_mday = kFrameClockDay;
    t.tm_hour = kFrameClockHour;
    const uint64_t ms = frame() * 1000 / 60;
    const time_t secs = timegm(&t) + static_cast<time_t>(ms / 1000);
    std::tm out{};
    gmtime_r(&secs, &out);
    return {out.tm_year + 1900, out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec,
            static_cast<int>(ms % 1000)};
  }

 private:
  std::atomic<uint64_t> frame_{0};
};

// One frame of sound at the device rate (44100 / 60).
constexpr uint32_t kSamplesPerFrame = 735;

struct FrameTime {
  std::unique_ptr<FrameClock> clock;
  std::shared_ptr<audio::NullSoundDevice> sound;
  uint64_t frames = 0;  // logic frames begun; frame k runs at k / 60 s
};
FrameTime g_frameTime;

// The script's view of the game: keys and pads on the fake device, the scene and the judge.
class GameWorld : public ScriptWorld {
 public:
  explicit GameWorld(platform::FakeInputBackend* input) : input_(input) {}
  void SetInput(const ScriptInput& in, bool down) override {
    if (in.key) {
      input_->SetKey(in.scanCode, down);
      return;
    }
    platform::JoystickState& j = input_->pad(in.pad).joystick;
    if (in.button >= 0) {
      j.button[static_cast<size_t>(in.button)] = down ? 0x80 : 0;
      return;
    }
    // Hat angles in hundredths of a degree, clockwise from up.
    const uint32_t angle = in.direction == 8   ? 0
                           : in.direction == 6 ? 9000
                           : in.direction == 2 ? 18000
                                               : 27000;
    if (down)
      j.hat[0] = angle;
    else if (j.hat[0] == angle)
      j.hat[0] = platform::kHatCentred;
  }
  int SceneId() override { return g_SceneId; }
  int SceneEnter() override { return g_SceneEnter; }
  // A match decided: the judge has finished and the battle does not go on to another round.
  bool BattleJudged() override;

 private:
  platform::FakeInputBackend* input_;
};

struct Run {
  std::unique_ptr<InputScriptRunner> runner;
  std::unique_ptr<GameWorld> world;
  std::string replayFile;
  bool replayRefused = false;
  uint32_t frame = 0;
  int lastScene = -1;
  int lastEnter = -1;
  int sceneAtStart = -1;
  bool timedOut = false;
  bool matchJudged = false;  // the running match has been decided
  int64_t replayRound = -1;  // the replay round started in this battle scene entry (-1 none yet)
  std::thread::id logicThread;
  std::mutex lines;  // the logic thread's log lines of the frame, read at its end
  std::vector<std::string> pending;
};
std::unique_ptr<Run> g_run;

bool GameWorld::BattleJudged() { return g_run != nullptr && g_run->matchJudged; }

// Log lines of the logic thread only: other threads' lines arrive at frames set by thread speed.
void ObserveLog(const char* text) {
  Run* r = g_run.get();
  if (r == nullptr || std::this_thread::get_id() != r->logicThread) return;
  std::string_view t(text);
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.remove_suffix(1);
  std::lock_guard<std::mutex> lock(r->lines);
  r->pending.emplace_back(t);
}

// A side's round marks: the kind of each mark won so far (0 knock-out, 1 special, 2 time over).
std::string MarksText(int side) {
  const int32_t* m = RoundMarks(side);
  const int count = std::clamp(m[0], 0, 10);
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (i) out += ',';
    out += std::to_string(m[2 + i] % 100);
  }
  return out;
}

// The battle's part of the frame end: its frame line while it ran unpaused. A new match begins
// with the battle scene entered from another scene.
void ReportBattle(Run& r) {
  // A round change re-enters the scene (enter 1): the next round's start is still to come.
  if (g_SceneId != SCENE_BATTLE || g_SceneEnter != 0) r.replayRound = -1;
  if (g_SceneId != SCENE_BATTLE) return;
  if (r.lastScene != SCENE_BATTLE) r.matchJudged = false;
  // While the VS screen's loader still owns the records nothing of the battle is read.
  if (GetCharaDataLoader().HasThread() != 0) return;
  if (r.sceneAtStart == SCENE_BATTLE && g_Paused == 0)
    Report("battle", {ReportField::Num("round", g_RoundCounter), ReportField::Num("battle_frame", g_BattleFrame),
                      ReportField::Hex("state", BattleStateHash()), ReportField::Hex("replay", ReplayStateHash()), ReportField::Num("replay_round", r.replayRound)});
}

// The playback a replay select would start with the chosen file. False when it was refused.
bool StartPlayback(Run& r) {
  // A player reaches the replay select through the main menu, whose reset loads the character
  // list the header is checked against and clears what a last match left.
  ResetForMainMenu(1);
  CReplayFile& file = g_ReplayController.file;
  file.errorText.clear();
  if (file.Load(r.replayFile) != 0 && StartReplayPlayback() != 0) return true;
  Report("replay", {ReportField::Text("file", ReportPath(r.replayFile)),
                    ReportField::Text("error", file.errorText.empty() ? "cannot be played" : file.errorText)});
  return false;
}

}  // namespace

void UseFrameClock() {
  if (g_frameTime.clock) return;
  g_frameTime.clock = std::make_unique<FrameClock>();
  platform::SetClock(g_frameTime.clock.get());
  FrameClock* clock = g_frameTime.clock.get();
  SetMovieClock([clock] { return static_cast<int64_t>(clock->frame() * 1000000000ull / 60); });
  g_frameTime.sound = std::make_shared<audio::NullSoundDevice>();
  audio::SetSoundDeviceOverride(g_frameTime.sound);
  g_FramePacingOff = true;
  // The VS screen's loader and the select's previews end their waits on frames the game's
  // logic fixes.
  g_FrameClockWaits = true;
}

bool FrameClockInUse() { return g_frameTime.clock != nullptr; }

bool StartEndToEndRun(const EndToEndOptions& options, std::string* error) {
  g_run.reset();
  auto run = std::make_unique<Run>();
  if (!options.scriptFile.empty()) {
    std::ifstream in(options.scriptFile, std::ios::binary);
    if (!in) {
      *error = options.scriptFile + ": cannot be read";
      return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    ParsedScript parsed = ParseInputScript(text.str());
    if (!parsed.error.empty()) {
      *error = options.scriptFile + ": " + parsed.error;
      return false;
    }
    auto input = std::make_unique<platform::FakeInputBackend>();
    input->AddPad("Script pad 1", false);
    input->AddPad("Script pad 2", false);
    run->world = std::make_unique<GameWorld>(input.get());
    run->runner = std::make_unique<InputScriptRunner>(std::move(parsed.steps));
    g_InputManager.SetBackend(std::move(input));
  }
  if (!options.reportFile.empty() && !OpenRunReport(options.reportFile)) {
    *error = options.reportFile + ": cannot be written";
    return false;
  }
  if (options.unpaced) UseFrameClock();
  run->replayFile = options.replayFile;
  g_run = std::move(run);
  SetDebugObserver(ObserveLog);
  return true;
}

int EndToEndFrameStart() {
  Run* r = g_run.get();
  if (g_frameTime.clock) {
    // Time moves to this frame; the null device mixes one frame of sound.
    g_frameTime.clock->SetFrame(g_frameTime.frames++);
    g_frameTime.sound->Advance(kSamplesPerFrame);
  }
  if (r == nullptr) return 1;
  if (r->frame == 0) r->logicThread = std::this_thread::get_id();
  SetRunReportFrame(r->frame);
  if (r->frame == 0 && !r->replayFile.empty() && !StartPlayback(*r)) {
    r->replayRefused = true;
    return 0;
  }
  r->sceneAtStart = g_SceneId;
  if (r->runner == nullptr) return 1;
  switch (r->runner->BeginFrame(*r->world)) {
    case ScriptState::kQuit:
      return 0;
    case ScriptState::kTimedOut:
      if (!r->timedOut) Report("script", {ReportField::Text("failure", r->runner->failure())});
      r->timedOut = true;
      return 0;
    default:
      return 1;
  }
}

void EndToEndFrameEnd() {
  Run* r = g_run.get();
  if (r == nullptr) return;
  std::vector<std::string> lines;
  {
    std::lock_guard<std::mutex> lock(r->lines);
    lines.swap(r->pending);
  }
  for (const std::string& l : lines) {
    Report("message", {ReportField::Text("text", l)});
    if (r->runner) r->runner->NoteMessage(l);
  }
  ReportBattle(*r);
  if (g_SceneId != r->lastScene || g_SceneEnter != r->lastEnter) {
    r->lastScene = g_SceneId;
    r->lastEnter = g_SceneEnter;
    Report("scene", {ReportField::Num("id", g_SceneId), ReportField::Num("enter", g_SceneEnter)});
  }
  ++r->frame;
}

int FinishEndToEndRun(int exitCode) {
  Run* r = g_run.get();
  if (r == nullptr) {
    StopEndToEndRun();
    return exitCode;
  }
  const int code = r->replayRefused ? 2 : r->timedOut ? 3 : exitCode;
  SetRunReportFrame(r->frame);
  Report("exit", {ReportField::Num("code", code)});
  StopEndToEndRun();
  return code;
}

void StopEndToEndRun() {
  SetDebugObserver(nullptr);
  CloseRunReport();
  g_run.reset();
  if (g_frameTime.clock) {
    g_FrameClockWaits = false;
    g_FramePacingOff = false;
    SetMovieClock({});
    audio::SetSoundDeviceOverride(nullptr);
    platform::SetClock(nullptr);
    g_frameTime = FrameTime{};
  }
}

void ReportBoxText(std::string_view text) {
  Run* r = g_run.get();
  if (r == nullptr || std::this_thread::get_id() != r->logicThread) return;
  const std::string utf8 = SjisToUtf8(text);
  Report("message", {ReportField::Text("box", utf8)});
  if (r->runner) r->runner->NoteMessage(utf8);
}

void ReportJudgement() {
  Run* r = g_run.get();
  if (r == nullptr) return;
  Report("round", {ReportField::Num("round", g_RoundCounter), ReportField::Num("winner", g_RoundWinner),
                   ReportField::Num("kind", g_RoundResultKind), ReportField::Num("outcome", g_RoundRestart)});
  if (g_RoundRestart == 255) return;
  Report("match", {ReportField::Num("winner", g_MatchWinnerSide), ReportField::Text("marks0", MarksText(0)),
                   ReportField::Text("marks1", MarksText(1)), ReportField::Num("route", GetMatchEndRoute())});
  r->matchJudged = true;
}

void ReportReplaySave(std::string_view file, bool saved) {
  Report("replay_save", {ReportField::Text("file", ReportPath(file)), ReportField::Num("saved", saved ? 1 : 0)});
}

void ReportReplayRoundStart(uint32_t roundIndex) {
  if (g_run == nullptr) return;
  g_run->replayRound = roundIndex;
  Report("replay_round", {ReportField::Num("round", roundIndex)});
}

void ReportReplayDivergence(uint32_t round, uint32_t frame) {
  Report("divergence", {ReportField::Num("round", round), ReportField::Num("frame", frame)});
}

std::string ReportPath(std::string_view gamePath) {
  std::string out(gamePath);
  std::replace(out.begin(), out.end(), '\\', '/');
  while (out.rfind("./", 0) == 0) out.erase(0, 2);
  return out;
}

std::string SjisToUtf8(std::string_view text) {
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string in(text);
  char* src = in.data();
  size_t left = in.size();
  char buffer[256];
  while (left > 0) {
    char* dst = buffer;
    size_t room = sizeof buffer;
    const size_t r = iconv(cd, &src, &left, &dst, &room);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte (or a cut-off pair) that has no character: U+FFFD, and on past it.
      out += "\xEF\xBF\xBD";
      ++src;
      --left;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace vt::e2e
