// Streamed and static sounds on the null device: segment sizes, ends, loops, holes, re-priming,
// image ownership and restarts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "Dxtools/DirectSoundApp/DirectSoundApp.h"
#include "Dxtools/sound_test_util.h"
#include "app/lib_debug.h"

namespace {

using vt::test::PlainDecode;
using vt::test::SweepOgg;

class StreamTest : public vt::test::NullDeviceFixture {};

// Frames (stereo pairs) of a sample vector.
size_t Frames(const std::vector<int16_t>& v) { return v.size() / 2; }

bool AllZero(const std::vector<int16_t>& v, size_t from, size_t to) {
  for (size_t i = from; i < to && i < v.size(); ++i) {
    if (v[i] != 0) return false;
  }
  return true;
}

TEST_F(StreamTest, OneSecondTrackGetsThreeSegmentsAndStopsAfterTheLast) {
  std::vector<uint8_t> ogg = SweepOgg(1.0);
  std::vector<int16_t> plain = PlainDecode(ogg);
  ASSERT_EQ(Frames(plain), 44100u);
  auto stream = CreateStreamSound(MakeMemorySource(ogg, "one.ogg"));
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->totalSize(), 176400u);
  EXPECT_EQ(stream->segmentSize(), 58800u);
  stream->SetLoop(false, 0.0);
  stream->Play();
  std::vector<int16_t> out = Run(44100 * 2, stream.get());
  // The music as decoded, then silence until the cursor leaves the segment after the last.
  ASSERT_GE(out.size(), plain.size());
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), out.begin()));
  EXPECT_TRUE(AllZero(out, plain.size(), out.size()));
  EXPECT_EQ(stream->IsPlaying(), 0);
  // It stopped within one segment (plus one mixing step) of the end.
  uint32_t play = 0;
  stream->buffer()->GetCurrentPosition(&play, nullptr);
  EXPECT_LE(stream->fillCount(), 5u);
}

// A looping track continues sample-exact from its loop position; the expected output is built
// from a plain decode of the same file.
struct LoopCase {
  double seconds;
  double loopPos;
};
class StreamLoopTest : public StreamTest, public testing::WithParamInterface<LoopCase> {};

TEST_P(StreamLoopTest, ContinuesFromTheLoopPositionWithoutAGap) {
  const LoopCase c = GetParam();
  std::vector<uint8_t> ogg = SweepOgg(c.seconds);
  std::vector<int16_t> plain = PlainDecode(ogg);
  auto stream = CreateStreamSound(MakeMemorySource(ogg, "loop.ogg"));
  ASSERT_NE(stream, nullptr);
  stream->SetLoop(true, c.loopPos);
  stream->Play();
  const uint32_t frames = static_cast<uint32_t>(c.seconds * 44100 * 3.2);
  std::vector<int16_t> out = Run(frames, stream.get());
  std::vector<int16_t> expected(plain);
  size_t loopSample = static_cast<size_t>(std::lround(c.loopPos * 44100)) * 2;
  while (expected.size() < out.size())
    expected.insert(expected.end(), plain.begin() + loopSample, plain.end());
  expected.resize(out.size());
  size_t mismatch = 0;
  while (mismatch < out.size() && out[mismatch] == expected[mismatch]) ++mismatch;
  EXPECT_EQ(mismatch, out.size()) << "first difference at frame " << mismatch / 2;
  EXPECT_EQ(stream->IsPlaying(), 1);
}

INSTANTIATE_TEST_SUITE_P(Loops, StreamLoopTest,
                         testing::Values(LoopCase{1.0, 0.25}, LoopCase{1.0, 0.0}, LoopCase{0.7, 0.5},
                                         LoopCase{7.0, 2.0}),
                         [](const testing::TestParamInfo<LoopCase>& info) {
                           return "track" + std::to_string(static_cast<int>(info.param.seconds * 1000)) +
                                  "ms_loop" + std::to_string(static_cast<int>(info.param.loopPos * 1000)) +
                                  "ms";
                         });

// A loop position at or past the end, or a negative one, ends the track instead of spinning under
// the decoder lock.
TEST_F(StreamTest, LoopPositionPastTheEndEndsTheTrack) {
  vt::SetDebugQuiet(true);
  for (double loopPos : {1.0, 5.0, -1.0}) {
    std::vector<uint8_t> ogg = SweepOgg(1.0);
    auto stream = CreateStreamSound(MakeMemorySource(ogg, "past.ogg"));
    ASSERT_NE(stream, nullptr);
    stream->SetLoop(true, loopPos);
    stream->Play();
    Run(44100 * 2, stream.get());
    EXPECT_EQ(stream->IsPlaying(), 0) << loopPos;
  }
  vt::SetDebugQuiet(false);
}

// Splits an Ogg image into its pages.
std::vector<std::vector<uint8_t>> OggPages(const std::vector<uint8_t>& ogg) {
  std::vector<std::vector<uint8_t>> pages;
  size_t pos = 0;
  while (pos + 27 <= ogg.size() && std::memcmp(ogg.data() + pos, "OggS", 4) == 0) {
    size_t segments = ogg[pos + 26];
    size_t size = 27 + segments;
    for (size_t i = 0; i < segments; ++i) size += ogg[pos + 27 + i];
    pages.emplace_back(ogg.begin() + pos, ogg.begin() + pos + size);
    pos += size;
  }
  return pages;
}

TEST_F(StreamTest, AHoleInTheDataDoesNotEndTheStream) {
  vt::SetDebugQuiet(true);
  std::vector<uint8_t> ogg = SweepOgg(6.0);
  auto pages = OggPages(ogg);
  ASSERT_GT(pages.size(), 5u);
  std::vector<uint8_t> holed;
  for (size_t i = 0; i < pages.size(); ++i) {
    if (i != pages.size() / 2) holed.insert(holed.end(), pages[i].begin(), pages[i].end());
  }
  // The source delivers most of the file, not only what comes before the hole.
  std::vector<int16_t> plain = PlainDecode(ogg);
  std::vector<int16_t> afterHole = PlainDecode(holed);
  EXPECT_GT(afterHole.size(), plain.size() * 3 / 4);
  // And a stream over it keeps playing past the hole.
  auto stream = CreateStreamSound(MakeMemorySource(holed, "hole.ogg"));
  ASSERT_NE(stream, nullptr);
  stream->SetLoop(false, 0.0);
  stream->Play();
  std::vector<int16_t> out = Run(44100 * 6, stream.get());
  EXPECT_FALSE(AllZero(out, out.size() * 3 / 4 - 4410, out.size() * 3 / 4));
  vt::SetDebugQuiet(false);
}

// StartBgm's re-priming: a stream that played before starts again from its first sample, with no
// stale segment left from the earlier run.
TEST_F(StreamTest, ReprimePlaysFromTheStart) {
  std::vector<uint8_t> ogg = SweepOgg(8.0);
  std::vector<int16_t> plain = PlainDecode(ogg);
  auto stream = CreateStreamSound(MakeMemorySource(ogg, "reprime.ogg"));
  ASSERT_NE(stream, nullptr);
  stream->SetLoop(true, 0.0);
  stream->Play();
  Run(44100 * 3 + 1234, stream.get());
  stream->Stop();
  ASSERT_TRUE(stream->Reprime());
  stream->Play();
  std::vector<int16_t> out = Run(44100 * 7, stream.get());
  ASSERT_LE(out.size(), plain.size());
  EXPECT_TRUE(std::equal(out.begin(), out.end(), plain.begin()));
}

// Buffer and segment sizes are whole blocks in each segment, whatever the length and format.
struct SizeCase {
  uint64_t dataBytes;
  uint16_t channels;
  uint32_t rate;
  uint16_t bits;
};
class StreamSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(StreamSizeTest, SegmentsHoldWholeBlocks) {
  const SizeCase c = GetParam();
  vt::audio::WaveFormat f = vt::audio::MakePcmFormat(c.channels, c.rate, c.bits);
  uint32_t bytes = StreamBufferBytes(c.dataBytes, f);
  EXPECT_EQ(bytes % (3u * f.blockAlign), 0u);
  EXPECT_LE(bytes, c.dataBytes);
  EXPECT_LE(bytes, f.blockAlign * c.rate * 6u);
  EXPECT_GT(bytes + 3u * f.blockAlign, std::min<uint64_t>(c.dataBytes, f.blockAlign * c.rate * 6u));
}

INSTANTIATE_TEST_SUITE_P(Sizes, StreamSizeTest,
                         testing::Values(SizeCase{176400, 2, 44100, 16}, SizeCase{176404, 2, 44100, 16},
                                         SizeCase{137202, 2, 44100, 16}, SizeCase{999999, 1, 22050, 16},
                                         SizeCase{100000000, 2, 44100, 16}, SizeCase{1001, 1, 11025, 8},
                                         SizeCase{5000, 2, 48000, 24}),
                         [](const testing::TestParamInfo<SizeCase>& info) {
                           const SizeCase& c = info.param;
                           return std::to_string(c.dataBytes) + "bytes_" + std::to_string(c.channels) +
                                  "ch_" + std::to_string(c.rate) + "Hz_" + std::to_string(c.bits) + "bit";
                         });

TEST_F(StreamTest, OddLengthTrackKeepsChannelsInPlace) {
  // 0.7777 s does not divide into three whole-frame segments.
  std::vector<uint8_t> ogg = SweepOgg(0.7777);
  auto stream = CreateStreamSound(MakeMemorySource(ogg, "odd.ogg"));
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->segmentSize() % 4, 0u);
  std::vector<int16_t> plain = PlainDecode(ogg);
  stream->SetLoop(true, 0.0);
  stream->Play();
  std::vector<int16_t> out = Run(static_cast<uint32_t>(Frames(plain) * 2), stream.get());
  std::vector<int16_t> expected(plain);
  expected.insert(expected.end(), plain.begin(), plain.end());
  expected.resize(out.size());
  EXPECT_EQ(out, expected);
}

// An image of neither kind is refused, and its release function runs exactly once, at once; an
// accepted image is released once, when the stream goes.
TEST_F(StreamTest, ImagesAreReleasedExactlyOnce) {
  vt::SetDebugQuiet(true);
  struct Case {
    std::vector<uint8_t> bytes;
    bool accepted;
  };
  std::vector<uint8_t> junkOgg = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> riffNoFmt(64, 0);
  std::memcpy(riffNoFmt.data(), "RIFF\0\0\0\0WAVELIST", 16);
  const Case cases[] = {{{'J', 'U', 'N', 'K', 1, 2, 3, 4}, false},
                        {junkOgg, false},
                        {riffNoFmt, false},
                        {{}, false},
                        {SweepOgg(0.5), true}};
  for (const Case& c : cases) {
    int released = 0;
    auto stream = CreateStreamSound(MakeMemorySource(c.bytes, "case", [&] { ++released; }));
    EXPECT_EQ(stream != nullptr, c.accepted);
    EXPECT_EQ(released, c.accepted ? 0 : 1);
    stream.reset();
    EXPECT_EQ(released, 1);
  }
  vt::SetDebugQuiet(false);
}

TEST_F(StreamTest, DestroyingAPlayingStreamJoinsPromptly) {
  std::vector<uint8_t> ogg = SweepOgg(2.0);
  auto stream = CreateStreamSound(MakeMemorySource(ogg, "join.ogg"));
  ASSERT_NE(stream, nullptr);
  stream->SetLoop(true, 0.0);
  stream->Play();
  Run(20000, stream.get());
  auto start = std::chrono::steady_clock::now();
  stream.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(StreamTest, PlayOnAPlayingStaticSoundRestartsIt) {
  auto sound = CreateOggSound(MakeMemorySource(SweepOgg(1.0), "se.ogg"));
  ASSERT_NE(sound, nullptr);
  std::vector<int16_t> plain = PlainDecode(SweepOgg(1.0));
  sound->Play();
  Run(3000);
  sound->Play();
  std::vector<int16_t> out = Run(2000);
  ASSERT_EQ(out.size(), 4000u);
  EXPECT_TRUE(std::equal(out.begin(), out.end(), plain.begin()));
  // And a one-shot sound stops at its end.
  Run(44100);
  EXPECT_EQ(sound->IsPlaying(), 0);
}

TEST_F(StreamTest, NonLoopingSourceReturnsTheRestThenNothing) {
  std::vector<uint8_t> ogg = SweepOgg(0.5);
  COggSource source;
  ASSERT_EQ(source.Open(MakeMemorySource(ogg, "rest.ogg")), 1);
  std::vector<uint8_t> buffer(source.totalSize() + 1000, 0xAA);
  uint32_t got = source.Read(buffer.data(), static_cast<uint32_t>(buffer.size()), false);
  EXPECT_EQ(got, source.totalSize());
  EXPECT_TRUE(std::all_of(buffer.begin() + got, buffer.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(source.Read(buffer.data(), 4000, false), 0u);
}

}  // namespace

// WAV streams: a sound that fits the buffer is written once, one that does not is refilled; either
// loops back to its start or, without looping, ends (instead of playing silence for ever).
struct WavStreamCase {
  double seconds;
  bool loop;
};
class WavStreamTest : public StreamTest, public testing::WithParamInterface<WavStreamCase> {};

TEST_P(WavStreamTest, LoopsOrEnds) {
  const WavStreamCase c = GetParam();
  std::vector<int16_t> pcm = vt::test::SweepPcm(c.seconds);
  std::vector<uint8_t> bytes(reinterpret_cast<const uint8_t*>(pcm.data()),
                             reinterpret_cast<const uint8_t*>(pcm.data()) + pcm.size() * 2);
  auto stream = CreateStreamSound(MakeMemorySource(BuildWavImage(2, 44100, 16, bytes), "stream.wav"));
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->kind(), CDSoundStreamBuffer::kKindWav);
  stream->SetLoop(c.loop, 0.0);
  stream->Play();
  const uint32_t frames = static_cast<uint32_t>(Frames(pcm) * 2 + 44100 * 6);
  std::vector<int16_t> out = Run(frames, stream.get());
  std::vector<int16_t> expected(pcm);
  if (c.loop) {
    while (expected.size() < out.size()) expected.insert(expected.end(), pcm.begin(), pcm.end());
  }
  expected.resize(out.size(), 0);
  size_t mismatch = 0;
  while (mismatch < out.size() && out[mismatch] == expected[mismatch]) ++mismatch;
  EXPECT_EQ(mismatch, out.size()) << "first difference at frame " << mismatch / 2;
  EXPECT_EQ(stream->IsPlaying(), c.loop ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Wav, WavStreamTest,
                         testing::Values(WavStreamCase{0.6, false}, WavStreamCase{0.6, true},
                                         WavStreamCase{7.0, false}, WavStreamCase{7.0, true}),
                         [](const testing::TestParamInfo<WavStreamCase>& info) {
                           return std::string(info.param.seconds < 6 ? "fits" : "refilled") +
                                  (info.param.loop ? "_looping" : "_once");
                         });
