// The input script's parser and runner (see input_script.h).
#include "app/input_script.h"

#include <SDL.h>

#include <charconv>
#include <cstdio>

#include "platform/input/input_backend.h"

namespace vt::e2e {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The next space-separated word of `rest`, which is left after it.
std::string_view Word(std::string_view& rest) {
  rest = Trim(rest);
  const size_t end = rest.find_first_of(" \t");
  const std::string_view w = rest.substr(0, end);
  rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end);
  return w;
}

bool Number(std::string_view w, int& out, int min) {
  if (w.empty()) return false;
  const auto r = std::from_chars(w.data(), w.data() + w.size(), out);
  return r.ec == std::errc{} && r.ptr == w.data() + w.size() && out >= min;
}

bool Input(std::string_view w, ScriptInput& in) {
  in = ScriptInput{};
  if (w.substr(0, 4) == "key:") {
    // SDL's key names may hold blanks ("Keypad 7"): the script writes them with '_'.
    std::string name(w.substr(4));
    for (char& c : name)
      if (c == '_') c = ' ';
    const SDL_Scancode sdl = SDL_GetScancodeFromName(name.c_str());
    if (sdl == SDL_SCANCODE_UNKNOWN) return false;
    in.key = true;
    in.scanCode = platform::ScanCodeFromSdl(sdl);
    return in.scanCode != 0;
  }
  if (w.size() < 6 || w.substr(0, 3) != "pad" || (w[3] != '1' && w[3] != '2') || w[4] != ':') return false;
  in.pad = w[3] - '1';
  const std::string_view what = w.substr(5);
  struct Dir {
    std::string_view name;
    uint8_t digit;
  };
  for (const Dir d : {Dir{"up", 8}, Dir{"down", 2}, Dir{"left", 4}, Dir{"right", 6}})
    if (what == d.name) {
      in.direction = d.digit;
      return true;
    }
  return what.size() > 1 && what[0] == 'b' && Number(what.substr(1), in.button, 0) && in.button < 16;
}

}  // namespace

ParsedScript ParseInputScript(std::string_view text) {
  ParsedScript out;
  int line = 0;
  while (!text.empty()) {
    ++line;
    const size_t eol = text.find('\n');
    const std::string_view whole = Trim(text.substr(0, eol));
    std::string_view rest = whole;
    text = eol == std::string_view::npos ? std::string_view{} : text.substr(eol + 1);
    if (rest.empty() || rest.front() == '#') continue;
    ScriptStep s;
    s.line = line;
    const std::string_view op = Word(rest);
    bool ok = false;
    if (op == "press" || op == "hold" || op == "release") {
      s.op = op == "press" ? ScriptOp::kPress : op == "hold" ? ScriptOp::kHold : ScriptOp::kRelease;
      ok = Input(Word(rest), s.input);
      s.frames = 2;
      if (ok && s.op == ScriptOp::kPress && !Trim(rest).empty()) ok = Number(Word(rest), s.frames, 1);
    } else if (op == "frames") {
      s.op = ScriptOp::kFrames;
      ok = Number(Word(rest), s.frames, 0);
    } else if (op == "wait") {
      const std::string_view what = Word(rest);
      ok = Number(Word(rest), s.frames, 1);
      if (what == "scene") {
        s.op = ScriptOp::kWaitScene;
        ok = ok && Number(Word(rest), s.scene, 0);
        if (ok && !Trim(rest).empty()) ok = Number(Word(rest), s.enter, 0);
      } else if (what == "log" || what == "box") {
        s.op = what == "log" ? ScriptOp::kWaitLog : ScriptOp::kWaitBox;
        s.text = std::string(Trim(rest));
        ok = ok && !s.text.empty();
        rest = {};
      } else if (what == "judged") {
        s.op = ScriptOp::kWaitJudged;
      } else {
        ok = false;
      }
    } else if (op == "quit") {
      s.op = ScriptOp::kQuit;
      ok = true;
    }
    if (!ok || !Trim(rest).empty()) {
      out.steps.clear();
      out.error = "line " + std::to_string(line) + ": cannot read \"" + std::string(whole) + "\"";
      return out;
    }
    out.steps.push_back(std::move(s));
  }
  return out;
}

bool InputScriptRunner::WaitMet(const ScriptStep& s, ScriptWorld& world) const {
  switch (s.op) {
    case ScriptOp::kWaitScene:
      return world.SceneId() == s.scene && (s.enter < 0 || world.SceneEnter() == s.enter);
    case ScriptOp::kWaitJudged:
      return world.BattleJudged();
    case ScriptOp::kWaitLog:
    case ScriptOp::kWaitBox:
      for (const std::string& m : messages_)
        if (m.find(s.text) != std::string::npos) return true;
      return false;
    default:
      return true;
  }
}

void InputScriptRunner::NoteMessage(std::string_view text) {
  if (next_ < steps_.size()) messages_.emplace_back(text);
}

ScriptState InputScriptRunner::BeginFrame(ScriptWorld& world) {
  if (state_ != ScriptState::kRunning) return state_;
  // Presses whose time is up are let go first.
  for (size_t i = 0; i < releases_.size();) {
    if (--releases_[i].framesLeft > 0) {
      ++i;
      continue;
    }
    world.SetInput(releases_[i].input, false);
    releases_.erase(releases_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  while (next_ < steps_.size()) {
    const ScriptStep& s = steps_[next_];
    if (!stepStarted_) {
      stepStarted_ = true;
      stepFrames_ = 0;
      messages_.clear();
    }
    switch (s.op) {
      case ScriptOp::kPress:
        world.SetInput(s.input, true);
        releases_.push_back({s.input, s.frames});
        break;
      case ScriptOp::kHold:
        world.SetInput(s.input, true);
        break;
      case ScriptOp::kRelease:
        world.SetInput(s.input, false);
        break;
      case ScriptOp::kQuit:
        ++next_;
        return state_ = ScriptState::kQuit;
      case ScriptOp::kFrames:
        if (stepFrames_ < s.frames) {
          ++stepFrames_;
          return state_;
        }
        break;
      default:  // the waits
        if (!WaitMet(s, world)) {
          if (stepFrames_ >= s.frames) {
            char what[64];
            std::snprintf(what, sizeof what, "line %d: wait ran out after %d frames", s.line, s.frames);
            failure_ = what;
            return state_ = ScriptState::kTimedOut;
          }
          ++stepFrames_;
          return state_;
        }
        break;
    }
    ++next_;
    stepStarted_ = false;
  }
  return state_ = releases_.empty() ? ScriptState::kFinished : ScriptState::kRunning;
}

}  // namespace vt::e2e
