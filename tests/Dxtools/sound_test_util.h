// Sound test helpers: a null device installed as the sound device, synthetic Ogg and WAV
// fixtures, a plain whole-file decode to compare against, and a driver that advances the
// device in small steps and lets the refill thread catch up after each.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "Dxtools/DirectSoundApp/DirectSoundApp.h"
#include "Dxtools/DirectSoundApp/sound_writer.h"
#include "platform/audio/sound_mixer.h"

namespace vt::test {

// A stereo tone whose pitch rises over time, so every position sounds different.
inline std::vector<int16_t> SweepPcm(double seconds, int channels = 2, int rate = 44100) {
  int frames = static_cast<int>(std::lround(seconds * rate));
  std::vector<int16_t> pcm(static_cast<size_t>(frames) * channels);
  double phase = 0;
  for (int i = 0; i < frames; ++i) {
    phase += 2 * 3.14159265358979 * (200.0 + 600.0 * i / frames) / rate;
    for (int c = 0; c < channels; ++c) {
      pcm[static_cast<size_t>(i) * channels + c] =
          static_cast<int16_t>(std::lround(12000 * std::sin(phase + c)));
    }
  }
  return pcm;
}

inline std::vector<uint8_t> SweepOgg(double seconds, int channels = 2, int rate = 44100) {
  return EncodeOggVorbis(SweepPcm(seconds, channels, rate), channels, rate, 0.2f);
}

// The whole file decoded straight through (no loop), as 16-bit samples.
inline std::vector<int16_t> PlainDecode(const std::vector<uint8_t>& ogg) {
  COggSource source;
  if (source.Open(MakeMemorySource(ogg, "plain")) != 1) return {};
  std::vector<int16_t> pcm(source.totalSize() / 2 + 4096);
  uint32_t got =
      source.Read(reinterpret_cast<uint8_t*>(pcm.data()), static_cast<uint32_t>(pcm.size() * 2), false);
  pcm.resize(got / 2);
  return pcm;
}

class NullDeviceFixture : public testing::Test {
 protected:
  void SetUp() override {
    device_ = std::make_shared<vt::audio::NullSoundDevice>();
    vt::audio::SetSoundDeviceOverride(device_);
    ASSERT_EQ(InitSoundDevice(), 1);
  }
  void TearDown() override {
    ReleaseSoundDevice();
    vt::audio::SetSoundDeviceOverride(nullptr);
  }

  // Advances `frames` output frames in steps of 512, letting the stream's refill thread
  // handle each notice before the cursor moves on (as a real device's slack would).
  std::vector<int16_t> Run(uint32_t frames, CDSoundStreamBuffer* stream = nullptr) {
    device_->SetCapture(true);
    for (uint32_t done = 0; done < frames;) {
      uint32_t n = std::min<uint32_t>(512, frames - done);
      device_->Advance(n);
      done += n;
      if (stream != nullptr) {
        EXPECT_TRUE(stream->WaitRefillIdle(2000));
      }
    }
    std::vector<int16_t> out = device_->TakeCaptured();
    device_->SetCapture(false);
    return out;
  }

  std::shared_ptr<vt::audio::NullSoundDevice> device_;
};

}  // namespace vt::test
