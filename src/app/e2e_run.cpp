// The end-to-end run (see e2e_run.h).
#include "app/e2e_run.h"

#include <atomic>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string_view>
#include <thread>
#include <vector>

#include "app/input/input_manager.h"
#include "app/input_script.h"
#include "app/lib_debug.h"
#include "app/run_report.h"
#include "battle/round_flow.h"
#include "platform/input/fake_input_backend.h"
#include "scene/scene_frame.h"

namespace vt::e2e {
namespace {

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
  bool BattleJudged() override {
    return g_SceneId == SCENE_BATTLE && g_RoundRestart != 0 && g_RoundRestart != 255;
  }

 private:
  platform::FakeInputBackend* input_;
};

struct Run {
  std::unique_ptr<InputScriptRunner> runner;
  std::unique_ptr<GameWorld> world;
  uint32_t frame = 0;
  int lastScene = -1;
  int lastEnter = -1;
  bool timedOut = false;
  std::thread::id logicThread;
  std::mutex lines;  // the logic thread's log lines of the frame, read at its end
  std::vector<std::string> pending;
};
std::unique_ptr<Run> g_run;

// Log lines of the logic thread only: other threads' lines arrive at frames set by thread speed.
void ObserveLog(const char* text) {
  Run* r = g_run.get();
  if (r == nullptr || std::this_thread::get_id() != r->logicThread) return;
  std::string_view t(text);
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.remove_suffix(1);
  std::lock_guard<std::mutex> lock(r->lines);
  r->pending.emplace_back(t);
}

}  // namespace

bool StartEndToEndRun(const std::string& scriptFile, const std::string& reportFile, std::string* error) {
  StopEndToEndRun();
  auto run = std::make_unique<Run>();
  if (!scriptFile.empty()) {
    std::ifstream in(scriptFile, std::ios::binary);
    if (!in) {
      *error = scriptFile + ": cannot be read";
      return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    ParsedScript parsed = ParseInputScript(text.str());
    if (!parsed.error.empty()) {
      *error = scriptFile + ": " + parsed.error;
      return false;
    }
    auto input = std::make_unique<platform::FakeInputBackend>();
    input->AddPad("Script pad 1", false);
    input->AddPad("Script pad 2", false);
    run->world = std::make_unique<GameWorld>(input.get());
    run->runner = std::make_unique<InputScriptRunner>(std::move(parsed.steps));
    g_InputManager.SetBackend(std::move(input));
  }
  if (!reportFile.empty() && !OpenRunReport(reportFile)) {
    *error = reportFile + ": cannot be written";
    return false;
  }
  g_run = std::move(run);
  SetDebugObserver(ObserveLog);
  return true;
}

int EndToEndFrameStart() {
  Run* r = g_run.get();
  if (r == nullptr) return 1;
  if (r->frame == 0) r->logicThread = std::this_thread::get_id();
  SetRunReportFrame(r->frame);
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
  if (g_SceneId != r->lastScene || g_SceneEnter != r->lastEnter) {
    r->lastScene = g_SceneId;
    r->lastEnter = g_SceneEnter;
    Report("scene", {ReportField::Num("id", g_SceneId), ReportField::Num("enter", g_SceneEnter)});
  }
  ++r->frame;
}

int FinishEndToEndRun(int exitCode) {
  Run* r = g_run.get();
  if (r == nullptr) return exitCode;
  const int code = r->timedOut ? 3 : exitCode;
  SetRunReportFrame(r->frame);
  Report("exit", {ReportField::Num("code", code)});
  StopEndToEndRun();
  return code;
}

void StopEndToEndRun() {
  SetDebugObserver(nullptr);
  CloseRunReport();
  g_run.reset();
}

}  // namespace vt::e2e
