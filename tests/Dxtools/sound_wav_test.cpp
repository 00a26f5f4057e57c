// The RIFF chunk walk over damaged and unusual WAV images, and the memory callbacks' seeks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "Dxtools/DirectSoundApp/DirectSoundApp.h"
#include "Dxtools/DirectSoundApp/sound_writer.h"
#include "Dxtools/sound_test_util.h"
#include "app/lib_debug.h"

namespace {

std::vector<uint8_t> Ramp(size_t n) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + 3);
  return v;
}

struct WavCase {
  const char* name;
  std::vector<uint8_t> image;
  bool ok;
  size_t samples;  // expected sample bytes when ok
  uint16_t channels;
  uint16_t bits;
};

std::vector<WavCase> WavCases() {
  std::vector<WavCase> cases;
  cases.push_back({"16-bit stereo", BuildWavImage(2, 44100, 16, Ramp(4000)), true, 4000, 2, 16});
  cases.push_back({"8-bit mono", BuildWavImage(1, 22050, 8, Ramp(1001)), true, 1001, 1, 8});
  cases.push_back({"LIST before data",
                   BuildWavImage(2, 44100, 16, Ramp(400), {{"LIST", Ramp(17)}, {"fact", Ramp(4)}}), true, 400,
                   2, 16});
  // The size field claims far more than the file holds: clamped to whole blocks present.
  cases.push_back(
      {"oversized data", BuildWavImage(2, 44100, 16, Ramp(402), {}, 0x7FFFFFF0), true, 400, 2, 16});
  {
    // "data" appears inside a LIST body; a byte scan would take it, the chunk walk does not.
    std::vector<uint8_t> body = {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0x7F};
    cases.push_back({"tag inside another chunk", BuildWavImage(1, 8000, 16, Ramp(64), {{"LIST", body}}), true,
                     64, 1, 16});
  }
  {
    std::vector<uint8_t> img = BuildWavImage(2, 44100, 16, Ramp(16));
    // Swap the order: data first, then fmt.
    std::vector<uint8_t> swapped(img.begin(), img.begin() + 12);
    swapped.insert(swapped.end(), img.begin() + 36, img.end());
    swapped.insert(swapped.end(), img.begin() + 12, img.begin() + 36);
    cases.push_back({"data before fmt", swapped, false, 0, 0, 0});
  }
  {
    std::vector<uint8_t> img = BuildWavImage(2, 44100, 16, Ramp(16));
    img.resize(30);
    cases.push_back({"truncated fmt", img, false, 0, 0, 0});
  }
  {
    std::vector<uint8_t> img = BuildWavImage(2, 44100, 16, Ramp(16));
    img.resize(36);
    cases.push_back({"no data chunk", img, false, 0, 0, 0});
  }
  {
    std::vector<uint8_t> img = BuildWavImage(2, 44100, 16, Ramp(16));
    img[32] = 3;  // block align that does not match
    cases.push_back({"bad block align", img, false, 0, 0, 0});
  }
  {
    std::vector<uint8_t> img = BuildWavImage(7, 44100, 16, Ramp(14));
    cases.push_back({"seven channels", img, false, 0, 0, 0});
  }
  {
    std::vector<uint8_t> img = BuildWavImage(2, 44100, 16, Ramp(16), {{"LIST", Ramp(8)}});
    img[40] = 0xF0;  // the LIST chunk's size runs past the end
    img[41] = 0xFF;
    img[42] = 0xFF;
    img[43] = 0x7F;
    cases.push_back({"chunk past the end", img, false, 0, 0, 0});
  }
  cases.push_back({"not RIFF", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, false, 0, 0, 0});
  return cases;
}

TEST(SoundWav, ChunkWalkTable) {
  vt::SetDebugQuiet(true);
  for (const WavCase& c : WavCases()) {
    WavImage wav;
    bool ok = ParseWavImage(c.image, c.name, &wav);
    EXPECT_EQ(ok, c.ok) << c.name;
    if (!ok || !c.ok) continue;
    EXPECT_EQ(wav.samples.size(), c.samples) << c.name;
    EXPECT_EQ(wav.format.channels, c.channels) << c.name;
    EXPECT_EQ(wav.format.bitsPerSample, c.bits) << c.name;
    // The samples are the image's own bytes at the data chunk.
    EXPECT_GE(wav.samples.data(), c.image.data());
    EXPECT_LE(wav.samples.data() + wav.samples.size(), c.image.data() + c.image.size()) << c.name;
    EXPECT_EQ(wav.samples[0], Ramp(1)[0]) << c.name;
  }
  vt::SetDebugQuiet(false);
}

class WavSoundTest : public vt::test::NullDeviceFixture {};

// An 8-bit mono 22050 Hz effect comes out centred on both channels at the device rate.
TEST_F(WavSoundTest, EightBitMonoPlaysOnBothChannelsAtTheDeviceRate) {
  std::vector<uint8_t> samples(2205, 128 + 64);  // 0.1 s of a constant +0.5
  auto sound = CreateWavSound(BuildWavImage(1, 22050, 8, samples), "mono8.wav");
  ASSERT_NE(sound, nullptr);
  sound->Play();
  std::vector<int16_t> out = Run(4410 + 100);
  ASSERT_EQ(out.size(), 2u * 4510);
  EXPECT_EQ(out[0], 64 << 8);
  EXPECT_EQ(out[1], 64 << 8);
  EXPECT_EQ(out[2 * 4000], 64 << 8);
  EXPECT_EQ(out[2 * 4500], 0);
  EXPECT_EQ(sound->IsPlaying(), 0);
}

struct SeekCase {
  int64_t start;
  int64_t offset;
  int origin;
  int result;
  size_t pos;
};

TEST(SoundOggMemory, SeekClampsToTheImage) {
  const SeekCase cases[] = {
      {50, 10, SEEK_SET, 0, 10}, {50, -10, SEEK_SET, 0, 0}, {50, 500, SEEK_SET, 0, 100},
      {50, 20, SEEK_CUR, 0, 70}, {50, -80, SEEK_CUR, 0, 0}, {50, 80, SEEK_CUR, 0, 100},
      {50, -1, SEEK_END, 0, 99}, {50, 5, SEEK_END, 0, 100}, {50, -200, SEEK_END, 0, 0},
      {50, 0, 7, -1, 50},
  };
  std::vector<uint8_t> image(100);
  for (const SeekCase& c : cases) {
    OggMemoryData data{image.data(), image.size(), static_cast<size_t>(c.start)};
    EXPECT_EQ(OggMemorySeek(&data, c.offset, c.origin), c.result) << c.offset << " " << c.origin;
    EXPECT_EQ(data.pos, c.pos) << c.offset << " " << c.origin;
    EXPECT_EQ(OggMemoryTell(&data), static_cast<long>(c.pos));
  }
  // Reads deliver whole elements only.
  OggMemoryData data{image.data(), image.size(), 90};
  uint8_t out[64];
  EXPECT_EQ(OggMemoryRead(out, 4, 16, &data), 2u);
  EXPECT_EQ(data.pos, 98u);
  EXPECT_EQ(OggMemoryRead(out, 4, 16, &data), 0u);
}

}  // namespace
