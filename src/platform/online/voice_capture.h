// The real microphone: SDL2's default capture device at 16 kHz mono, feeding a VoiceRecorder
// from SDL's audio thread, and the capture-device count the voice chat polls in place of the
// system's capture-device enumeration.
#pragma once

#include <cstdint>

#include "platform/online/voice.h"

namespace vt::online {

// Capture devices SDL sees now; 0 when there are none or SDL's audio cannot start.
int32_t CaptureDeviceCount();

class SdlMicrophone {
 public:
  // Opens the default capture device and starts it; without one the microphone stays closed
  // and the recorder hears nothing.
  explicit SdlMicrophone(VoiceRecorder& recorder);
  ~SdlMicrophone();
  SdlMicrophone(const SdlMicrophone&) = delete;
  SdlMicrophone& operator=(const SdlMicrophone&) = delete;

  bool isOpen() const { return device_ != 0; }

 private:
  VoiceRecorder& recorder_;
  uint32_t device_ = 0;
  bool audioStarted_ = false;
};

}  // namespace vt::online
