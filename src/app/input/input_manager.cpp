// The input manager: controller slots, keyboard state, the four ports and the quit test.
#include "app/input/input_manager.h"

#include <algorithm>
#include <cstdlib>

#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "app/input/input_hooks.h"
#include "app/input/key_config.h"
#include "app/input/key_input_ring.h"
#include "app/lib_debug.h"
#include "platform/input/sdl_input_backend.h"

CInputManagerDirectInput g_InputManager;

namespace {

using vt::platform::ControllerState;
using vt::platform::JoystickState;

// Scan codes of the quit test.
constexpr int kLeftAlt = 0x38;
constexpr int kRightAlt = 0xB8;
constexpr int kF4 = 0x3E;

// Plain joystick axes arrive in -1000..1000 and become -127..127 (x 0.1275, truncated).
int32_t ScaleAxis(int32_t v) { return v * 1275 / 10000; }

uint32_t HatFromDpad(uint16_t b) {
  const bool up = b & ControllerState::kDpadUp;
  const bool down = !up && (b & ControllerState::kDpadDown);
  const bool left = b & ControllerState::kDpadLeft;
  const bool right = !left && (b & ControllerState::kDpadRight);
  if (up) return left ? 31500 : right ? 4500 : 0;
  if (down) return left ? 22500 : right ? 13500 : 18000;
  if (left) return 27000;
  if (right) return 9000;
  return 0xFFFFFFFF;
}

int LeverDirection(int32_t x, int32_t y) {
  if (x >= 64) return y >= 64 ? 3 : y <= -64 ? 9 : 6;
  if (x <= -64) return y >= 64 ? 1 : y <= -64 ? 7 : 4;
  return y >= 64 ? 2 : y <= -64 ? 8 : 0;
}

}  // namespace

InputGameHooks& GetInputGameHooks() {
  static InputGameHooks hooks;
  return hooks;
}

int StoreFinishedNameEntry(int player) {
  const InputGameHooks& hooks = GetInputGameHooks();
  if (hooks.nameEntryState(player) != 2) return 0;
  hooks.registerRankingEntry(player);
  hooks.savePlayDataIfLoaded();
  hooks.setNameEntryState(player, 3);
  hooks.clearJoined(player);
  hooks.resetSideProgress(player);
  return 1;
}

int PovToDirection(uint32_t hat) {
  static constexpr int kDigits[10] = {8, 9, 6, 3, 2, 1, 4, 7, 0, 0};
  if ((hat & 0xFFFF) == 0xFFFF || hat / 4500 > 9) return 0;
  return kDigits[hat / 4500];
}

// Shutdown releases the devices. A backend still open when the process exits is left alone: the
// window-thread registry and SDL may already be gone by then.
CInputManagerDirectInput::~CInputManagerDirectInput() {
  (void)backend_.release();
  (void)nextBackend_.release();
}

void CInputManagerDirectInput::SetBackend(std::unique_ptr<vt::platform::InputBackend> backend) {
  nextBackend_ = std::move(backend);
}

int CInputManagerDirectInput::Init(SDL_Window* window) {
  Release();
  window_ = window;
  std::unique_ptr<vt::platform::InputBackend> backend = std::move(nextBackend_);
  if (!backend) {
    backend =
        std::make_unique<vt::platform::SdlInputBackend>(window, [](char ch) { GetKeyInputRing().Push(ch); });
  }
  if (!backend->Open()) {
    DebugPrint("input: the input devices could not be started\n");
    return 0;
  }
  slots_.fill(PadSlot{});
  pads_.clear();
  const auto& listed = backend->Pads();
  for (size_t i = 0; i < listed.size(); ++i) {
    // Only 16 slots exist: controllers beyond them are left out.
    if (i >= kPadSlotCount) {
      DebugPrint("input: controller %zu \"%s\" ignored (at most %d)\n", i + 1, listed[i].name.c_str(),
                 kPadSlotCount);
      continue;
    }
    pads_.push_back(listed[i]);
    slots_[i].valid = 1;
    slots_[i].xinput = listed[i].isStandardController ? 1 : 0;
  }
  keyboard_.fill(0);
  backend_ = std::move(backend);
  ResetPorts();
  return 1;
}

void CInputManagerDirectInput::Release() {
  if (backend_) backend_->Close();
  backend_.reset();
  pads_.clear();
  keyboard_.fill(0);
  mouse_ = vt::platform::MouseState{};
}

void CInputManagerDirectInput::ResetPorts() {
  for (int p = 0; p < 4; ++p) {
    ports_[p] = InputPort{};
    ports_[p].assignment = p;
  }
}

std::vector<std::string> CInputManagerDirectInput::GetPadNames() const {
  std::vector<std::string> names;
  for (const auto& p : pads_) names.push_back(p.name);
  return names;
}

void CInputManagerDirectInput::Poll() {
  if (!backend_) return;
  backend_->BeginFrame();
  PollPads();
  PollKeyboard();
  vt::platform::MouseState m;
  if (backend_->ReadMouse(m)) mouse_ = m;
  UpdatePorts();
}

void MapWindowToPicture(const vt::platform::MouseState& mouse, float* x, float* y) {
  int lx = 0, ly = 0, lw = 0, lh = 0;
  GetSceneLetterboxFor(mouse.windowWidth, mouse.windowHeight, &lx, &ly, &lw, &lh);
  if (lw <= 0 || lh <= 0) {
    *x = *y = 0.0f;
    return;
  }
  const float px = static_cast<float>(mouse.x - lx) * 640.0f / static_cast<float>(lw);
  const float py = static_cast<float>(mouse.y - ly) * 480.0f / static_cast<float>(lh);
  *x = std::clamp(px, 0.0f, 640.0f);
  *y = std::clamp(py, 0.0f, 480.0f);
}

void GetMousePicturePosition(float* x, float* y) { MapWindowToPicture(g_InputManager.GetMouseState(), x, y); }

void CInputManagerDirectInput::PollPads() {
  for (int n = 0; n < static_cast<int>(pads_.size()); ++n) {
    PadSlot& slot = slots_[n];
    JoystickState js;
    if (!backend_->ReadJoystick(n, js)) {
      // One attempt per frame to get the device back; a pad that stays away keeps its last
      // state instead of holding the game in a retry loop.
      backend_->Reacquire(n);
      continue;
    }
    uint32_t held = 0;
    if (slot.xinput) {
      ControllerState cs;
      if (!backend_->ReadController(n, cs)) continue;
      // Sticks arrive with up negative already, so Y is not negated here.
      slot.x = cs.leftX / 256;
      slot.y = cs.leftY / 256;
      slot.rx = cs.rightX / 256;
      slot.ry = cs.rightY / 256;
      slot.z = slot.rz = slot.slider = 0;
      slot.hat = HatFromDpad(cs.buttons);
      const bool bits[10] = {
          (cs.buttons & ControllerState::kX) != 0,
          (cs.buttons & ControllerState::kA) != 0,
          (cs.buttons & ControllerState::kB) != 0,
          (cs.buttons & ControllerState::kY) != 0,
          (cs.buttons & ControllerState::kLeftShoulder) != 0,
          (cs.buttons & ControllerState::kRightShoulder) != 0,
          cs.leftTrigger > 30,
          cs.rightTrigger > 30,
          (cs.buttons & ControllerState::kBack) != 0,
          (cs.buttons & ControllerState::kStart) != 0,
      };
      for (int b = 0; b < 10; ++b) {
        if (bits[b]) held |= 1u << b;
      }
    } else {
      slot.x = ScaleAxis(js.axis[0]);
      slot.y = ScaleAxis(js.axis[1]);
      slot.z = ScaleAxis(js.axis[2]);
      slot.rx = ScaleAxis(js.axis[3]);
      slot.ry = ScaleAxis(js.axis[4]);
      slot.rz = ScaleAxis(js.axis[5]);
      slot.slider = ScaleAxis(js.slider[0]);
      slot.hat = js.hat[0];
      for (int b = 0; b < 32; ++b) {
        if (js.button[b] & 0x80) held |= 1u << b;
      }
    }
    slot.pressed = held & slot.notHeld;
    slot.released = ~held & ~slot.notHeld;
    slot.held = held;
    slot.notHeld = ~held;
    slot.valid = 1;
  }
}

void CInputManagerDirectInput::PollKeyboard() {
  const std::array<uint8_t, 256> previous = keyboard_;
  keyboard_.fill(0);
  std::array<uint8_t, 256> now{};
  if (!backend_->ReadKeyboard(now)) return;  // no focus: no key down this frame
  for (int k = 0; k < 256; ++k) {
    const bool down = now[k] & 0x80;
    const bool wasDown = previous[k] & 0x80;
    if (down)
      keyboard_[k] = wasDown ? 0x80 : 0xC0;
    else if (wasDown)
      keyboard_[k] = 0x20;
  }
}

int CInputManagerDirectInput::ReadInputCode(int slot, int code) const {
  if (slot < 0 || slot >= kPadSlotCount || code < 1 || code > kMaxInputCode) return 0;
  const PadSlot& s = slots_[slot];
  if (code <= 16) return (s.held & (1u << (code - 1))) ? 127 : 0;
  if (code <= 20) {
    const int dir = PovToDirection(s.hat);
    if (dir == 0) return 0;
    bool in = false;
    switch (code) {
      case 17:
        in = dir == 7 || dir == 8 || dir == 9;
        break;
      case 18:
        in = dir == 1 || dir == 2 || dir == 3;
        break;
      case 19:
        in = dir == 1 || dir == 4 || dir == 7;
        break;
      case 20:
        in = dir == 3 || dir == 6 || dir == 9;
        break;
    }
    return in ? 127 : 0;
  }
  const int32_t axes[7] = {s.x, s.y, s.z, s.rx, s.ry, s.rz, s.slider};
  const int32_t v = axes[(code - 21) / 2];
  const bool positive = ((code - 21) % 2) == 0;
  if (positive) return v > 0 ? v : 0;
  return v < 0 ? -v : 0;
}

void CInputManagerDirectInput::UpdatePorts() {
  const KeyConfigData& cfg = GetKeyConfig();
  for (InputPort& port : ports_) {
    const int a = port.assignment;
    port.direction = 0;
    port.lever2X = port.lever2Y = port.lever3X = port.lever3Y = 0;
    port.held = 0;
    // No device: assignment -1, or Num 0 / -1 (a file without the key).
    if (a < 0 || a > 3 || cfg.pads[a].Num <= 0) continue;
    const PadAssignment& pad = cfg.pads[a];
    const int slot = pad.Num - 1;
    auto value = [&](int entry) { return ReadInputCode(slot, pad.Val[entry]); };
    const bool up = std::abs(value(0)) >= 64;
    const bool down = std::abs(value(1)) >= 64;
    const bool left = std::abs(value(2)) >= 64;
    const bool right = std::abs(value(3)) >= 64;
    if (up)
      port.direction = left ? 7 : right ? 9 : 8;
    else if (down)
      port.direction = left ? 1 : right ? 3 : 2;
    else
      port.direction = left ? 4 : right ? 6 : 0;
    for (int k = 0; k < 16; ++k) {
      if (value(k + 4) != 0) port.held |= 1u << k;
    }
    auto lever = [&](int base, int32_t& x, int32_t& y) {
      y = -value(base);
      if (y == 0) y = value(base + 1);
      x = -value(base + 2);
      if (x == 0) x = value(base + 3);
    };
    lever(16, port.lever2X, port.lever2Y);
    lever(20, port.lever3X, port.lever3Y);
  }
}

uint8_t CInputManagerDirectInput::KeyboardDirection(int row) const {
  const auto& keys = GetKeyConfig().keyboard[row];
  const bool down = KeyDown(keys[kKeyDown]);
  const bool up = KeyDown(keys[kKeyUp]);
  const bool left = KeyDown(keys[kKeyLeft]);
  const bool right = KeyDown(keys[kKeyRight]);
  if (down) return up ? 0 : left ? 1 : right ? 3 : 2;
  if (up) return left ? 7 : right ? 9 : 8;
  if (left && right) return 0;
  return left ? 4 : right ? 6 : 0;
}

uint32_t CInputManagerDirectInput::KeyboardButtons(int row) const {
  const auto& keys = GetKeyConfig().keyboard[row];
  uint32_t b = 0;
  if (KeyDown(keys[kKeyA])) b |= 0x0410;
  if (KeyDown(keys[kKeyB])) b |= 0x0820;
  if (KeyDown(keys[kKeyC])) b |= 0x0008;
  if (KeyDown(keys[kKeyD])) b |= 0x0004;
  if (KeyDown(keys[kKeyQA])) b |= 0x0080;
  if (KeyDown(keys[kKeyStart])) b |= 0x0001;
  return b;
}

void CInputManagerDirectInput::GetPortState(int port, PadRawState* raw) {
  if (port < 0 || port > 3 || !raw) return;
  const InputPort& p = ports_[port];
  const int lever2 = LeverDirection(p.lever2X, p.lever2Y);
  raw->direction = p.direction ? p.direction : static_cast<uint8_t>(lever2);
  raw->lever2Direction = lever2;
  raw->lever3Direction = LeverDirection(p.lever3X, p.lever3Y);
  raw->buttons = p.held;
  if (port <= 1 && !GetKeyConfig().NoKeyboard && backend_) {
    if (raw->direction == 0) raw->direction = KeyboardDirection(port);
    raw->buttons |= KeyboardButtons(port);
  }
}

int CInputManagerDirectInput::IsQuitRequested() {
  const bool alt = (keyboard_[kLeftAlt] & 0x80) || (keyboard_[kRightAlt] & 0x80);
  if (alt && (keyboard_[kF4] & 0x80)) return 1;
  return GetInputGameHooks().titleQuitConfirmed() ? 1 : 0;
}

bool StartInputManager(SDL_Window* window) { return g_InputManager.Init(window) != 0; }
