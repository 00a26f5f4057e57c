// The mixer on the null device: locks across the wrap, gains, pan, saturation, one-shot ends and
// position notices.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/audio/sound_mixer.h"

namespace {

using namespace vt::audio;

// A buffer of 16-bit stereo frames all equal to (l, r).
std::shared_ptr<SoundBuffer> Constant(NullSoundDevice& dev, uint32_t frames, int16_t l, int16_t r) {
  auto b = dev.CreateBuffer(MakePcmFormat(2, 44100, 16), frames * 4);
  uint8_t* p1;
  uint8_t* p2;
  uint32_t n1, n2;
  EXPECT_TRUE(b->Lock(0, b->size(), &p1, &n1, &p2, &n2));
  for (uint32_t i = 0; i < frames; ++i) {
    std::memcpy(p1 + 4 * i, &l, 2);
    std::memcpy(p1 + 4 * i + 2, &r, 2);
  }
  b->Unlock();
  return b;
}

TEST(AudioMixer, LockRegionsAcrossTheWrap) {
  auto dev = std::make_shared<NullSoundDevice>();
  auto b = dev->CreateBuffer(MakePcmFormat(2, 44100, 16), 400);
  struct Case {
    uint32_t offset, bytes;
    bool ok;
    uint32_t first, second;
  };
  const Case cases[] = {{0, 400, true, 400, 0},   {100, 200, true, 200, 0}, {300, 200, true, 100, 100},
                        {396, 400, true, 4, 396}, {400, 4, false, 0, 0},    {0, 401, false, 0, 0},
                        {0, 0, false, 0, 0}};
  for (const Case& c : cases) {
    uint8_t* p1 = nullptr;
    uint8_t* p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    EXPECT_EQ(b->Lock(c.offset, c.bytes, &p1, &n1, &p2, &n2), c.ok) << c.offset << "+" << c.bytes;
    if (!c.ok) continue;
    EXPECT_EQ(n1, c.first);
    EXPECT_EQ(n2, c.second);
    EXPECT_EQ(p2 != nullptr, c.second != 0);
    // A second lock before Unlock is refused.
    EXPECT_FALSE(b->Lock(0, 4, &p1, &n1, &p2, &n2));
    b->Unlock();
  }
  // What was written between Lock and Unlock lands at the locked offsets, across the wrap.
  uint8_t* p1;
  uint8_t* p2;
  uint32_t n1, n2;
  ASSERT_TRUE(b->Lock(392, 16, &p1, &n1, &p2, &n2));
  std::memset(p1, 0x11, n1);
  std::memset(p2, 0x22, n2);
  b->Unlock();
  ASSERT_TRUE(b->Lock(0, 400, &p1, &n1, &p2, &n2));
  EXPECT_EQ(p1[391], 0);
  EXPECT_EQ(p1[392], 0x11);
  EXPECT_EQ(p1[399], 0x11);
  EXPECT_EQ(p1[0], 0x22);
  EXPECT_EQ(p1[7], 0x22);
  EXPECT_EQ(p1[8], 0);
  b->Unlock();
}

TEST(AudioMixer, VolumePanAndSaturation) {
  struct Case {
    int32_t volume, pan;
    int16_t in;
    int buffers;
    int16_t left, right;
  };
  const Case cases[] = {
      {0, 0, 10000, 1, 10000, 10000},  {-10000, 0, 10000, 1, 0, 0},       {-2000, 0, 10000, 1, 1000, 1000},
      {-600, 0, 10000, 1, 5011, 5011}, {0, 2000, 10000, 1, 1000, 10000},  {0, -10000, 10000, 1, 10000, 0},
      {0, 0, 30000, 2, 32767, 32767},  {0, 0, -30000, 2, -32768, -32768}, {-20000, 0, 10000, 1, 0, 0},
  };
  for (const Case& c : cases) {
    auto dev = std::make_shared<NullSoundDevice>();
    std::vector<std::shared_ptr<SoundBuffer>> buffers;
    for (int i = 0; i < c.buffers; ++i) {
      buffers.push_back(Constant(*dev, 64, c.in, c.in));
      buffers.back()->SetVolume(c.volume);
      buffers.back()->SetPan(c.pan);
      buffers.back()->Play(true);
    }
    dev->SetCapture(true);
    dev->Advance(8);
    std::vector<int16_t> out = dev->TakeCaptured();
    ASSERT_EQ(out.size(), 16u);
    EXPECT_NEAR(out[0], c.left, 1) << c.volume << "/" << c.pan;
    EXPECT_NEAR(out[1], c.right, 1) << c.volume << "/" << c.pan;
  }
}

TEST(AudioMixer, OneShotStopsAtItsEndAndLoopingWraps) {
  auto dev = std::make_shared<NullSoundDevice>();
  auto events = std::make_shared<EventSet>(3);
  auto once = Constant(*dev, 100, 1000, 1000);
  auto loop = Constant(*dev, 100, 1, 1);
  PositionNotice onceNotices[] = {{0, events, 0}, {kNoticeStop, events, 1}};
  PositionNotice loopNotices[] = {{200, events, 2}};
  ASSERT_TRUE(once->SetNotificationPositions(onceNotices));
  ASSERT_TRUE(loop->SetNotificationPositions(loopNotices));
  PositionNotice past[] = {{400, events, 0}};
  EXPECT_FALSE(loop->SetNotificationPositions(past));
  once->Play(false);
  EXPECT_EQ(events->WaitAny(0), 0);  // the cursor enters offset 0 as it starts
  events->Done();
  loop->Play(true);
  dev->SetCapture(true);
  dev->Advance(60);
  EXPECT_EQ(events->WaitAny(0), 2);  // passed byte 200 (frame 50)
  events->Done();
  EXPECT_EQ(events->WaitAny(0), -1);
  dev->Advance(60);
  std::vector<int16_t> out = dev->TakeCaptured();
  EXPECT_EQ(out[2 * 99], 1001);
  EXPECT_EQ(out[2 * 100], 1);  // the one-shot ended after its 100th frame
  EXPECT_EQ(once->GetStatus(), 0u);
  EXPECT_EQ(loop->GetStatus(), kStatusPlaying | kStatusLooping);
  EXPECT_EQ(events->WaitAny(0), 1);  // the stop notice
  events->Done();
  uint32_t play = 0;
  loop->GetCurrentPosition(&play, nullptr);
  EXPECT_EQ(play, 20u * 4);  // 120 frames into a looping 100-frame buffer
  // Stopping a stopped buffer fires nothing more; the looping one fires again on its next pass.
  once->Stop();
  EXPECT_EQ(events->WaitAny(0), -1);
  dev->Advance(40);
  EXPECT_EQ(events->WaitAny(0), 2);
  events->Done();
}

TEST(AudioMixer, RefusesFormatsItCannotPlay) {
  auto dev = std::make_shared<NullSoundDevice>();
  WaveFormat f = MakePcmFormat(2, 44100, 16);
  f.blockAlign = 3;
  EXPECT_EQ(dev->CreateBuffer(f, 400), nullptr);
  EXPECT_EQ(dev->CreateBuffer(MakePcmFormat(6, 44100, 16), 1200), nullptr);
  EXPECT_EQ(dev->CreateBuffer(MakePcmFormat(2, 44100, 12), 400), nullptr);
  EXPECT_EQ(dev->CreateBuffer(MakePcmFormat(2, 44100, 16), 2), nullptr);
  EXPECT_NE(dev->CreateBuffer(MakePcmFormat(1, 8000, 8), 1), nullptr);
}

}  // namespace
