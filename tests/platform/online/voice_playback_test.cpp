// The talker's voice on the null mixer: blocks in order at their rate, one notice per block,
// silence when starved, refusals, and a release that does not wait for a mixer that never runs.
#include "platform/online/voice_playback.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace vt::online {
namespace {

// The left channel of what the device mixed.
std::vector<int16_t> Left(audio::NullSoundDevice& device) {
  std::vector<int16_t> stereo = device.TakeCaptured();
  std::vector<int16_t> left;
  for (size_t i = 0; i < stereo.size(); i += 2) {
    EXPECT_EQ(stereo[i], stereo[i + 1]) << "mono on both channels, frame " << i / 2;
    left.push_back(stereo[i]);
  }
  return left;
}

// Runs of equal values: (value, length).
std::vector<std::pair<int16_t, size_t>> Runs(const std::vector<int16_t>& samples) {
  std::vector<std::pair<int16_t, size_t>> runs;
  for (int16_t s : samples) {
    if (runs.empty() || runs.back().first != s)
      runs.emplace_back(s, 1);
    else
      ++runs.back().second;
  }
  return runs;
}

TEST(MixerVoice, BlocksPlayInOrderAtTheirRateWithOneNoticeEachThenSilence) {
  auto device = std::make_shared<audio::NullSoundDevice>();
  device->SetCapture(true);
  std::vector<uint64_t> ended;
  auto voice = MixerVoice::Create(device, 11000, [&](uint64_t context) { ended.push_back(context); });
  ASSERT_NE(voice, nullptr);
  // 10 ms blocks at 11000 Hz: 441 output frames each at 44100 Hz.
  ASSERT_TRUE(voice->Submit(std::vector<int16_t>(110, 1000), 1));
  ASSERT_TRUE(voice->Submit(std::vector<int16_t>(110, -2000), 2));
  EXPECT_EQ(voice->Queued(), 2u);
  device->Advance(441 * 3);
  const auto runs = Runs(Left(*device));
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].first, 1000);
  EXPECT_NEAR(static_cast<double>(runs[0].second), 441, 1);
  EXPECT_EQ(runs[1].first, -2000);
  EXPECT_NEAR(static_cast<double>(runs[1].second), 441, 1);
  EXPECT_EQ(runs[2].first, 0);  // starved: silence
  EXPECT_EQ(ended, (std::vector<uint64_t>{1, 2}));
  EXPECT_EQ(voice->Queued(), 0u);
  // A block submitted after starving plays at once.
  ASSERT_TRUE(voice->Submit(std::vector<int16_t>(11, 300), 3));
  device->Advance(100);
  const auto again = Runs(Left(*device));
  ASSERT_GE(again.size(), 2u);
  EXPECT_EQ(again[0].first, 300);
  EXPECT_EQ(ended.back(), 3u);
}

TEST(MixerVoice, NoticesFollowTheBlockThatEndedNotTheSubmit) {
  auto device = std::make_shared<audio::NullSoundDevice>();
  std::vector<uint64_t> ended;
  auto voice = MixerVoice::Create(device, 11000, [&](uint64_t context) { ended.push_back(context); });
  ASSERT_TRUE(voice->Submit(std::vector<int16_t>(110, 1), 7));
  device->Advance(400);  // not yet at the block's end
  EXPECT_TRUE(ended.empty());
  EXPECT_EQ(voice->Queued(), 1u);
  device->Advance(100);
  EXPECT_EQ(ended, std::vector<uint64_t>{7});
}

TEST(MixerVoice, Refusals) {
  auto device = std::make_shared<audio::NullSoundDevice>();
  EXPECT_EQ(MixerVoice::Create(device, 50, {}), nullptr);  // a rate the mixer cannot play
  EXPECT_EQ(MixerVoice::Create(nullptr, 11000, {}), nullptr);
  auto voice = MixerVoice::Create(device, 11000, {});
  ASSERT_NE(voice, nullptr);
  EXPECT_FALSE(voice->Submit({}, 1));
  for (size_t i = 0; i < MixerVoice::kMaxQueuedBlocks; ++i)
    ASSERT_TRUE(voice->Submit(std::vector<int16_t>(10, 1), i));
  EXPECT_FALSE(voice->Submit(std::vector<int16_t>(10, 1), 99));
  EXPECT_EQ(voice->Queued(), MixerVoice::kMaxQueuedBlocks);
}

TEST(MixerVoice, ReleasedWhilePlayingNothingMoreIsHeardOrNoticed) {
  auto device = std::make_shared<audio::NullSoundDevice>();
  device->SetCapture(true);
  int notices = 0;
  auto voice = MixerVoice::Create(device, 11000, [&](uint64_t) { ++notices; });
  ASSERT_TRUE(voice->Submit(std::vector<int16_t>(1100, 500), 1));
  device->Advance(100);
  // The mixer is not running while the voice goes (a stalled engine): release returns anyway.
  const auto start = std::chrono::steady_clock::now();
  voice.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  device->TakeCaptured();
  device->Advance(44100);
  for (int16_t s : device->TakeCaptured()) ASSERT_EQ(s, 0);
  EXPECT_EQ(notices, 0);
}

}  // namespace
}  // namespace vt::online
