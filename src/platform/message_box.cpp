// Message boxes through SDL, with a replaceable handler for tests and headless runs.
#include "platform/message_box.h"

#include <SDL.h>

#include <cstdlib>
#include <mutex>

#include "app/lib_debug.h"

namespace vt::platform {
namespace {

std::mutex g_handlerMutex;
MessageBoxHandler g_handler;

BoxAnswer DefaultAnswer(const MessageBoxRequest& request) {
  if (request.buttons == BoxButtons::YesNo) return request.defaultNo ? BoxAnswer::No : BoxAnswer::Yes;
  return BoxAnswer::Ok;
}

}  // namespace

BoxAnswer ShowMessageBox(SDL_Window* owner, const MessageBoxRequest& request) {
  MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    handler = g_handler;
  }
  if (handler) return handler(request);

  DebugPrint("[%s] %s\n", request.caption.c_str(), request.text.c_str());
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr && (std::string(driver) == "offscreen" || std::string(driver) == "dummy")) {
    return DefaultAnswer(request);
  }
  Uint32 flags = request.icon == BoxIcon::Error     ? SDL_MESSAGEBOX_ERROR
                 : request.icon == BoxIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                                    : SDL_MESSAGEBOX_INFORMATION;
  SDL_MessageBoxButtonData buttons[2];
  int count = 0;
  if (request.buttons == BoxButtons::Ok) {
    buttons[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0,
                        "OK"};
  } else {
    buttons[count++] = {request.defaultNo ? 0u : static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT),
                        1, "Yes"};
    buttons[count++] = {
        static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT) |
            (request.defaultNo ? static_cast<Uint32>(SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT) : 0u),
        2, "No"};
  }
  SDL_MessageBoxData data{flags,   owner,  request.caption.c_str(), request.text.c_str(), count,
                          buttons, nullptr};
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0) return DefaultAnswer(request);
  if (pressed == 1) return BoxAnswer::Yes;
  if (pressed == 2) return BoxAnswer::No;
  return request.buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> lock(g_handlerMutex);
  g_handler = std::move(handler);
}

ScriptedMessageBoxes::ScriptedMessageBoxes(std::vector<BoxAnswer> answers) : answers_(std::move(answers)) {
  SetMessageBoxHandler([this](const MessageBoxRequest& request) {
    shown_.push_back(request);
    if (!answers_.empty()) {
      BoxAnswer a = answers_.front();
      answers_.erase(answers_.begin());
      return a;
    }
    return request.buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
  });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { SetMessageBoxHandler(nullptr); }

}  // namespace vt::platform
