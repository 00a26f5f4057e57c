// The SDL microphone on the headless audio driver, whose one capture device hears silence: it
// opens when a device is counted, its audio thread feeds the recorder, the gate sends nothing,
// and closing stops the feeding.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/online/voice_capture.h"

namespace vt::online {
namespace {

TEST(SdlMicrophone, OpensWhenADeviceIsCountedAndSilenceSendsNothing) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const int32_t devices = CaptureDeviceCount();
  VoiceRecorder recorder;
  recorder.start();
  {
    SdlMicrophone microphone(recorder);
    EXPECT_EQ(microphone.isOpen(), devices > 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  uint32_t bytes = 0;
  EXPECT_EQ(recorder.available(bytes), VoiceResult::NoData);
  EXPECT_EQ(bytes, 0u);
}

}  // namespace
}  // namespace vt::online
