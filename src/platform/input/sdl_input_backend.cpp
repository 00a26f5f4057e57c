// SDL2 input backend. All SDL calls happen on the window thread (Open, Close, the event
// handler and the pump hook); the logic thread only copies the latest snapshot.
#include "platform/input/sdl_input_backend.h"

#include <SDL.h>

#include <algorithm>
#include <mutex>

#include "app/lib_debug.h"
#include "platform/window_events.h"

namespace vt::platform {

struct SdlInputBackend::Impl {
  SDL_Window* window = nullptr;
  std::function<void(char)> textSink;
  bool subsystemStarted = false;
  int handlerId = 0;
  int hookId = 0;

  struct Device {
    SDL_Joystick* joystick = nullptr;
    SDL_GameController* controller = nullptr;
  };
  std::vector<Device> devices;  // window thread only
  std::vector<PadInfo> infos;

  struct Snapshot {
    std::vector<JoystickState> joysticks;
    std::vector<ControllerState> controllers;
    std::vector<uint8_t> attached;
    std::array<uint8_t, 256> keys{};
    bool focused = false;
    MouseState mouse;
  };
  std::mutex mutex;
  Snapshot shared;                          // written by the window thread
  std::array<uint8_t, 256> pressedSince{};  // keys that went down since the last frame
  Snapshot frame;                           // the logic thread's copy for this frame
  Snapshot scratch;                         // the window thread's buffer, swapped with shared
};

namespace {

uint32_t HatFromSdl(Uint8 bits) {
  switch (bits) {
    case SDL_HAT_UP:
      return 0;
    case SDL_HAT_RIGHTUP:
      return 4500;
    case SDL_HAT_RIGHT:
      return 9000;
    case SDL_HAT_RIGHTDOWN:
      return 13500;
    case SDL_HAT_DOWN:
      return 18000;
    case SDL_HAT_LEFTDOWN:
      return 22500;
    case SDL_HAT_LEFT:
      return 27000;
    case SDL_HAT_LEFTUP:
      return 31500;
    default:
      return kHatCentred;
  }
}

int32_t ScaleAxis(Sint16 v) { return std::clamp(static_cast<int32_t>(v) * 1000 / 32767, -1000, 1000); }

uint8_t ScaleTrigger(Sint16 v) {
  return static_cast<uint8_t>(std::clamp(static_cast<int32_t>(v), 0, 32767) * 255 / 32767);
}

}  // namespace

SdlInputBackend::SdlInputBackend(SDL_Window* window, std::function<void(char)> textSink)
    : impl_(std::make_unique<Impl>()) {
  impl_->window = window;
  impl_->textSink = std::move(textSink);
}

SdlInputBackend::~SdlInputBackend() { Close(); }

bool SdlInputBackend::Open() {
  Impl& d = *impl_;
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  if (SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0) {
    d.subsystemStarted = true;
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
      Impl::Device dev;
      PadInfo info;
      if (SDL_IsGameController(i)) {
        dev.controller = SDL_GameControllerOpen(i);
        if (dev.controller) dev.joystick = SDL_GameControllerGetJoystick(dev.controller);
        info.isStandardController = dev.controller != nullptr;
      } else {
        dev.joystick = SDL_JoystickOpen(i);
      }
      if (!dev.joystick) {
        DebugPrint("input: controller %d could not be opened: %s\n", i, SDL_GetError());
        continue;
      }
      const char* name = SDL_JoystickName(dev.joystick);
      info.name = name ? name : "";
      info.axes = SDL_JoystickNumAxes(dev.joystick);
      info.hats = SDL_JoystickNumHats(dev.joystick);
      info.buttons = SDL_JoystickNumButtons(dev.joystick);
      d.devices.push_back(dev);
      d.infos.push_back(info);
    }
  } else {
    DebugPrint("input: game controllers unavailable: %s\n", SDL_GetError());
  }
  {
    std::lock_guard<std::mutex> lock(d.mutex);
    d.shared.joysticks.assign(d.devices.size(), JoystickState{});
    d.shared.controllers.assign(d.devices.size(), ControllerState{});
    d.shared.attached.assign(d.devices.size(), 1);
  }
  d.handlerId = AddEventHandler([this](const SDL_Event& e) { HandleEvent(&e); });
  d.hookId = AddPumpHook([this] { CaptureSnapshot(); });
  return true;
}

void SdlInputBackend::Close() {
  Impl& d = *impl_;
  if (d.handlerId) RemoveEventHandler(d.handlerId);
  if (d.hookId) RemovePumpHook(d.hookId);
  d.handlerId = d.hookId = 0;
  for (Impl::Device& dev : d.devices) {
    if (dev.controller) {
      SDL_GameControllerClose(dev.controller);
    } else if (dev.joystick) {
      SDL_JoystickClose(dev.joystick);
    }
  }
  d.devices.clear();
  d.infos.clear();
  if (d.subsystemStarted) SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  d.subsystemStarted = false;
}

const std::vector<PadInfo>& SdlInputBackend::Pads() const { return impl_->infos; }

void SdlInputBackend::HandleEvent(const void* sdlEvent) {
  const SDL_Event& e = *static_cast<const SDL_Event*>(sdlEvent);
  Impl& d = *impl_;
  if (e.type == SDL_KEYDOWN && !e.key.repeat) {
    // Remembered until the next frame so that a tap shorter than a frame is still seen.
    if (uint8_t code = ScanCodeFromSdl(e.key.keysym.scancode)) {
      std::lock_guard<std::mutex> lock(d.mutex);
      d.pressedSince[code] = 0x80;
    }
  } else if (e.type == SDL_TEXTINPUT) {
    if (d.textSink) {
      for (const char* p = e.text.text; *p; ++p) {
        if (static_cast<unsigned char>(*p) <= 0x7F) d.textSink(*p);
      }
    }
  }
}

void SdlInputBackend::CaptureSnapshot() {
  Impl& d = *impl_;
  // Reuses its buffers: this runs after every pump pass.
  Impl::Snapshot& snap = d.scratch;
  snap.joysticks.assign(d.devices.size(), JoystickState{});
  snap.controllers.assign(d.devices.size(), ControllerState{});
  snap.attached.assign(d.devices.size(), 0);
  snap.keys.fill(0);
  for (size_t i = 0; i < d.devices.size(); ++i) {
    SDL_Joystick* j = d.devices[i].joystick;
    snap.attached[i] = SDL_JoystickGetAttached(j) ? 1 : 0;
    if (!snap.attached[i]) continue;
    JoystickState& js = snap.joysticks[i];
    const int axes = SDL_JoystickNumAxes(j);
    for (int a = 0; a < 6 && a < axes; ++a) js.axis[a] = ScaleAxis(SDL_JoystickGetAxis(j, a));
    for (int s = 0; s < 2 && 6 + s < axes; ++s) js.slider[s] = ScaleAxis(SDL_JoystickGetAxis(j, 6 + s));
    const int hats = std::min(SDL_JoystickNumHats(j), 4);
    for (int h = 0; h < hats; ++h) js.hat[h] = HatFromSdl(SDL_JoystickGetHat(j, h));
    const int buttons = std::min(SDL_JoystickNumButtons(j), 128);
    for (int b = 0; b < buttons; ++b) js.button[b] = SDL_JoystickGetButton(j, b) ? 0x80 : 0;
    if (SDL_GameController* c = d.devices[i].controller) {
      ControllerState& cs = snap.controllers[i];
      struct Map {
        SDL_GameControllerButton sdl;
        uint16_t bit;
      };
      static constexpr Map kMap[] = {
          {SDL_CONTROLLER_BUTTON_DPAD_UP, ControllerState::kDpadUp},
          {SDL_CONTROLLER_BUTTON_DPAD_DOWN, ControllerState::kDpadDown},
          {SDL_CONTROLLER_BUTTON_DPAD_LEFT, ControllerState::kDpadLeft},
          {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, ControllerState::kDpadRight},
          {SDL_CONTROLLER_BUTTON_START, ControllerState::kStart},
          {SDL_CONTROLLER_BUTTON_BACK, ControllerState::kBack},
          {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, ControllerState::kLeftShoulder},
          {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, ControllerState::kRightShoulder},
          {SDL_CONTROLLER_BUTTON_A, ControllerState::kA},
          {SDL_CONTROLLER_BUTTON_B, ControllerState::kB},
          {SDL_CONTROLLER_BUTTON_X, ControllerState::kX},
          {SDL_CONTROLLER_BUTTON_Y, ControllerState::kY},
      };
      for (const Map& m : kMap) {
        if (SDL_GameControllerGetButton(c, m.sdl)) cs.buttons |= m.bit;
      }
      cs.leftTrigger = ScaleTrigger(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERLEFT));
      cs.rightTrigger = ScaleTrigger(SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_TRIGGERRIGHT));
      // SDL reports stick up as negative already, the orientation the game wants.
      cs.leftX = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTX);
      cs.leftY = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_LEFTY);
      cs.rightX = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTX);
      cs.rightY = SDL_GameControllerGetAxis(c, SDL_CONTROLLER_AXIS_RIGHTY);
    }
  }
  snap.focused = d.window != nullptr && SDL_GetKeyboardFocus() == d.window;
  snap.mouse = MouseState{};
  if (d.window != nullptr && SDL_GetMouseFocus() == d.window) {
    int mx = 0, my = 0, ww = 0, wh = 0;
    SDL_GetMouseState(&mx, &my);
    SDL_GetWindowSize(d.window, &ww, &wh);
    snap.mouse = {mx, my, ww, wh, true};
  }
  if (snap.focused) {
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    for (int s = 0; s < count; ++s) {
      if (!state[s]) continue;
      if (uint8_t code = ScanCodeFromSdl(s)) snap.keys[code] = 0x80;
    }
  }
  std::lock_guard<std::mutex> lock(d.mutex);
  std::swap(d.shared, d.scratch);
}

void SdlInputBackend::BeginFrame() {
  Impl& d = *impl_;
  std::lock_guard<std::mutex> lock(d.mutex);
  d.frame = d.shared;
  if (d.frame.focused) {
    for (int k = 0; k < 256; ++k) d.frame.keys[k] |= d.pressedSince[k];
  }
  d.pressedSince.fill(0);
}

bool SdlInputBackend::ReadJoystick(int index, JoystickState& out) {
  const Impl::Snapshot& f = impl_->frame;
  if (index < 0 || index >= static_cast<int>(f.attached.size()) || !f.attached[index]) return false;
  out = f.joysticks[index];
  return true;
}

// A pad that went away stays away: controllers are only listed at start.
bool SdlInputBackend::Reacquire(int) { return false; }

bool SdlInputBackend::ReadController(int index, ControllerState& out) {
  const Impl::Snapshot& f = impl_->frame;
  if (index < 0 || index >= static_cast<int>(f.attached.size()) || !f.attached[index]) return false;
  out = f.controllers[index];
  return true;
}

bool SdlInputBackend::ReadKeyboard(std::array<uint8_t, 256>& out) {
  if (!impl_->frame.focused) return false;
  out = impl_->frame.keys;
  return true;
}

bool SdlInputBackend::ReadMouse(MouseState& out) {
  out = impl_->frame.mouse;
  return out.inside;
}

}  // namespace vt::platform
