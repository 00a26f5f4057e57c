// Refill threads, the device's mixing thread and the decoder lock at work together (run under
// ThreadSanitizer too): streams play and are re-primed and destroyed while effects are decoded on
// other threads and the logic thread changes volumes and restarts sounds.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Dxtools/DirectSoundApp/DirectSoundApp.h"
#include "Dxtools/sound_test_util.h"
#include "app/lib_debug.h"

namespace {

TEST(SoundThreads, StreamsEffectsAndTheMixerTogether) {
  // The SDL device (the dummy driver in headless runs) mixes on its own thread.
  std::shared_ptr<vt::audio::SoundDevice> device = vt::audio::OpenSdlSoundDevice();
  if (!device) GTEST_SKIP() << "no SDL audio device";
  vt::audio::SetSoundDeviceOverride(device);
  ASSERT_EQ(InitSoundDevice(), 1);
  std::atomic<uint64_t> loudFrames{0};
  device->SetMixObserver([&](const int16_t* out, uint32_t frames) {
    for (uint32_t i = 0; i < frames; ++i) {
      if (out[2 * i] != 0 || out[2 * i + 1] != 0) loudFrames.fetch_add(1, std::memory_order_relaxed);
    }
  });
  // Short tracks, so segments turn over many times a second.
  const std::vector<uint8_t> track = vt::test::SweepOgg(0.3);
  const std::vector<uint8_t> effect = vt::test::SweepOgg(0.1);

  std::atomic<bool> stop{false};
  std::atomic<int> made{0};
  auto loader = [&] {
    while (!stop.load()) {
      auto sound = CreateOggSound(MakeMemorySource(effect, "se.ogg"));
      if (sound) {
        sound->SetVolume(-300);
        sound->Play();
        ++made;
      }
    }
  };
  std::thread a(loader), b(loader);
  std::vector<std::unique_ptr<CDSoundStreamBuffer>> streams;
  for (int i = 0; i < 3; ++i) {
    streams.push_back(CreateStreamSound(MakeMemorySource(track, "bgm.ogg")));
    ASSERT_NE(streams.back(), nullptr);
    streams.back()->SetLoop(i != 1, 0.1 * i);
    streams.back()->Play();
  }
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(800);
  int round = 0;
  while (std::chrono::steady_clock::now() < end) {
    auto& s = streams[round % 3];
    switch (round % 4) {
      case 0:
        s->SetVolume(-(round % 2000));
        break;
      case 1:
        s->Reprime();
        s->Play();
        break;
      case 2:
        s = CreateStreamSound(MakeMemorySource(track, "bgm.ogg"));
        ASSERT_NE(s, nullptr);
        s->SetLoop(true, 0.05);
        s->Play();
        break;
      default:
        s->Stop();
        s->Play();
        break;
    }
    ++round;
    std::this_thread::sleep_for(std::chrono::milliseconds(15));
  }
  stop = true;
  a.join();
  b.join();
  EXPECT_GT(made.load(), 0);
  EXPECT_GT(device->framesMixed(), 0u);
  // The device's own output carried the sound (0.8 s at 44.1 kHz is about 35000 frames).
  EXPECT_GT(loudFrames.load(), 10000u);
  device->SetMixObserver({});
  streams.clear();
  ReleaseSoundDevice();
  vt::audio::SetSoundDeviceOverride(nullptr);
}

}  // namespace
