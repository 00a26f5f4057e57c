// Message boxes: SDL's on a display, a scripted answer in tests and headless runs.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct SDL_Window;

namespace vt::platform {

enum class BoxButtons { Ok, YesNo };
enum class BoxIcon { Error, Warning, Information };
enum class BoxAnswer { Ok, Yes, No };

struct MessageBoxRequest {
  std::string caption;
  std::string text;
  BoxButtons buttons = BoxButtons::Ok;
  BoxIcon icon = BoxIcon::Error;
  bool defaultNo = false;
};

// Shows a box and waits for the answer. Without a scripted handler it uses SDL (owner may be
// null); when SDL cannot show a box (no display) it logs the text and answers the default
// (No for a default-No question, else Ok/Yes).
BoxAnswer ShowMessageBox(SDL_Window* owner, const MessageBoxRequest& request);

// Tests and headless runs: every box goes to this handler instead (nullptr restores SDL).
using MessageBoxHandler = std::function<BoxAnswer(const MessageBoxRequest&)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

// A handler that records every box and answers from a script (then Ok/Yes).
class ScriptedMessageBoxes {
 public:
  explicit ScriptedMessageBoxes(std::vector<BoxAnswer> answers = {});
  ~ScriptedMessageBoxes();
  const std::vector<MessageBoxRequest>& shown() const { return shown_; }

 private:
  std::vector<BoxAnswer> answers_;
  std::vector<MessageBoxRequest> shown_;
};

}  // namespace vt::platform
