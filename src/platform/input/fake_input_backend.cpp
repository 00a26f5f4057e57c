// The fake input backend: hand-set controllers and keys.
#include "platform/input/fake_input_backend.h"

namespace vt::platform {

int FakeInputBackend::AddPad(const std::string& name, bool standardController) {
  FakePad pad;
  pad.info.name = name;
  pad.info.isStandardController = standardController;
  pad.info.axes = 7;
  pad.info.hats = 1;
  pad.info.buttons = standardController ? 10 : 32;
  pads_.push_back(pad);
  return static_cast<int>(pads_.size()) - 1;
}

bool FakeInputBackend::Open() {
  if (openFails_) return false;
  infos_.clear();
  for (const FakePad& p : pads_) infos_.push_back(p.info);
  opened_ = true;
  return true;
}

bool FakeInputBackend::ReadJoystick(int index, JoystickState& out) {
  if (index < 0 || index >= static_cast<int>(pads_.size()) || pads_[index].failing) return false;
  out = pads_[index].joystick;
  return true;
}

bool FakeInputBackend::Reacquire(int index) {
  if (index < 0 || index >= static_cast<int>(pads_.size())) return false;
  FakePad& p = pads_[index];
  ++p.reacquireCalls;
  if (p.reacquireWorks) p.failing = false;
  return !p.failing;
}

bool FakeInputBackend::ReadController(int index, ControllerState& out) {
  if (index < 0 || index >= static_cast<int>(pads_.size()) || pads_[index].failing) return false;
  out = pads_[index].controller;
  return true;
}

bool FakeInputBackend::ReadKeyboard(std::array<uint8_t, 256>& out) {
  if (!keyboardAvailable_) return false;
  out = keys_;
  return true;
}

}  // namespace vt::platform
