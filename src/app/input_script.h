// The input script of end-to-end runs: a line-based list of steps that drives the keyboard and
// two pads frame by frame (press, hold or release a key or pad input, let frames pass) and waits
// for the game (a scene id and enter value, a log line, a yes/no or OK box text, a judged
// battle), each wait within a frame limit; `quit` takes the automatic-quit path. A bad line is
// refused with its line number before the run starts.
//
//   # a comment
//   press key:Return 2        down for 2 frames (default 2), then up (SDL key names; a blank
//                             in a name is written '_', as in key:Keypad_7)
//   hold pad1:b0              down until released
//   release pad1:b0
//   press pad2:left 10        pad directions: up, down, left, right
//   frames 120
//   wait scene 600 25         scene 25 (any enter value) within 600 frames
//   wait scene 600 1 1        scene 1 with enter 1
//   wait log 300 First frame  a log line containing the rest of the line
//   wait box 300 Quit the game?
//   wait judged 20000
//   quit
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vt::e2e {

// What a press, hold or release acts on: a key by its game scan code, or a pad's button
// (0..15) or direction (a numeric-keypad digit 8, 2, 4 or 6).
struct ScriptInput {
  bool key = false;
  uint8_t scanCode = 0;
  int pad = 0;      // 0 or 1
  int button = -1;  // -1: a direction
  uint8_t direction = 0;
  bool operator==(const ScriptInput&) const = default;
};

enum class ScriptOp { kPress, kHold, kRelease, kFrames, kWaitScene, kWaitLog, kWaitBox, kWaitJudged, kQuit };

struct ScriptStep {
  ScriptOp op = ScriptOp::kFrames;
  int line = 0;
  ScriptInput input;
  int frames = 0;  // press length, frames to pass, or a wait's limit
  int scene = -1;
  int enter = -1;  // -1: any
  std::string text;
};

struct ParsedScript {
  std::vector<ScriptStep> steps;
  std::string error;  // empty when the whole script parsed; else "line N: what is wrong"
};

// Parses a whole script; on the first bad line the steps are dropped and `error` names it.
ParsedScript ParseInputScript(std::string_view text);

// What the runner drives and reads. The game's side sets keys and pads on the fake input device
// and answers the waits from its state.
class ScriptWorld {
 public:
  virtual ~ScriptWorld() = default;
  virtual void SetInput(const ScriptInput& input, bool down) = 0;
  virtual int SceneId() = 0;
  virtual int SceneEnter() = 0;
  virtual bool BattleJudged() = 0;
};

enum class ScriptState { kRunning, kFinished, kQuit, kTimedOut };

class InputScriptRunner {
 public:
  explicit InputScriptRunner(std::vector<ScriptStep> steps) : steps_(std::move(steps)) {}

  // Runs the steps due this frame, before the frame reads its input. kQuit asks the frame to
  // quit; kTimedOut ends the run, with `failure()` naming the wait.
  ScriptState BeginFrame(ScriptWorld& world);
  // A log line or box text seen during the frame (what the waits for texts look at).
  void NoteMessage(std::string_view text);
  const std::string& failure() const { return failure_; }
  ScriptState state() const { return state_; }

 private:
  bool WaitMet(const ScriptStep& s, ScriptWorld& world) const;

  std::vector<ScriptStep> steps_;
  size_t next_ = 0;
  int stepFrames_ = 0;  // frames spent in the current step
  bool stepStarted_ = false;
  struct PendingRelease {
    ScriptInput input;
    int framesLeft;
  };
  std::vector<PendingRelease> releases_;
  std::vector<std::string> messages_;  // seen since the current wait began
  std::string failure_;
  ScriptState state_ = ScriptState::kRunning;
};

}  // namespace vt::e2e
