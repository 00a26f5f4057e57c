// Voice: a scripted tone survives the round trip at 11000 Hz, silence sends nothing, records
// that do not fit wait, a second of buffering drops the oldest, and damaged streams are refused
// without reading out of bounds.
#include "platform/online/voice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "platform/online/sim/sim_world.h"

namespace vt::online {
namespace {

std::vector<int16_t> Tone(double hz, double seconds, double amplitude = 8000) {
  std::vector<int16_t> s(static_cast<size_t>(seconds * kVoiceRate));
  for (size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<int16_t>(amplitude * std::sin(2 * M_PI * hz * static_cast<double>(i) / kVoiceRate));
  return s;
}

// Power at one frequency (Goertzel), normalised by length.
double PowerAt(const std::vector<int16_t>& s, double hz, double rate) {
  const double w = 2 * M_PI * hz / rate, c = 2 * std::cos(w);
  double s1 = 0, s2 = 0;
  for (int16_t x : s) {
    const double s0 = x + c * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return (s1 * s1 + s2 * s2 - c * s1 * s2) / static_cast<double>(s.size());
}

std::vector<uint8_t> DrainAll(VoiceRecorder& r) {
  std::vector<uint8_t> stream;
  std::vector<uint8_t> buffer(1024);
  uint32_t n = 0;
  while (r.get(buffer, n) == VoiceResult::Ok && n != 0)
    stream.insert(stream.end(), buffer.begin(), buffer.begin() + n);
  return stream;
}

std::vector<int16_t> Decompress(const std::vector<uint8_t>& stream, uint32_t rate,
                                VoiceResult* result = nullptr) {
  std::vector<uint8_t> out(rate * 4);
  uint32_t written = 0;
  VoiceResult r = DecompressVoice(stream, out, written, rate);
  if (result != nullptr) *result = r;
  std::vector<int16_t> pcm(written / 2);
  if (!pcm.empty()) std::memcpy(pcm.data(), out.data(), pcm.size() * 2);
  return pcm;
}

TEST(Voice, AToneRoundTripsAt11000Hz) {
  VoiceRecorder r;
  r.start();
  r.feed(Tone(440, 0.6));
  const std::vector<uint8_t> stream = DrainAll(r);
  ASSERT_FALSE(stream.empty());
  EXPECT_LT(stream.size(), 0.6 * kVoiceRate * 2 / 4);  // compressed well below the PCM
  VoiceResult result;
  const std::vector<int16_t> pcm = Decompress(stream, 11000, &result);
  ASSERT_EQ(result, VoiceResult::Ok);
  EXPECT_NEAR(static_cast<double>(pcm.size()), 0.6 * 11000, 0.6 * 11000 * 0.1);  // about the input length
  EXPECT_GT(PowerAt(pcm, 440, 11000), 20 * PowerAt(pcm, 1500, 11000));
  EXPECT_GT(PowerAt(pcm, 440, 11000), 20 * PowerAt(pcm, 3000, 11000));
}

TEST(Voice, SilenceSendsNothingAndNotRecordingSaysSo) {
  VoiceRecorder r;
  uint32_t bytes = 1;
  EXPECT_EQ(r.available(bytes), VoiceResult::NotRecording);
  r.feed(Tone(440, 0.2));  // not recording: ignored
  EXPECT_EQ(r.available(bytes), VoiceResult::NotRecording);
  r.start();
  r.feed(std::vector<int16_t>(kVoiceRate, 0));
  r.feed(Tone(440, 0.5, 100));  // below the gate
  EXPECT_EQ(r.available(bytes), VoiceResult::NoData);
  EXPECT_EQ(bytes, 0u);
}

TEST(Voice, WholeRecordsOnlyAndTheRestWaits) {
  VoiceRecorder r;
  r.start();
  r.feed(Tone(440, 0.8, 12000));
  uint32_t before = 0;
  ASSERT_EQ(r.available(before), VoiceResult::Ok);
  ASSERT_GT(before, 1024u);
  std::vector<uint8_t> buffer(1024);
  uint32_t n = 0;
  ASSERT_EQ(r.get(buffer, n), VoiceResult::Ok);
  EXPECT_LE(n, 1024u);
  // The bytes handed out are whole records.
  size_t at = 0;
  while (at < n) at += 2 + (buffer[at] | buffer[at + 1] << 8);
  EXPECT_EQ(at, n);
  uint32_t after = 0;
  ASSERT_EQ(r.available(after), VoiceResult::Ok);
  EXPECT_EQ(after, before - n);
  std::vector<uint8_t> tiny(3);
  EXPECT_EQ(r.get(tiny, n), VoiceResult::BufferTooSmall);
}

TEST(Voice, ASecondOfBufferingDropsTheOldest) {
  VoiceRecorder r;
  r.start();
  r.feed(Tone(440, 1.5));
  EXPECT_GE(r.dropped(), 20u);
  const std::vector<uint8_t> stream = DrainAll(r);
  size_t records = 0;
  for (size_t at = 0; at < stream.size(); at += 2 + (stream[at] | stream[at + 1] << 8)) ++records;
  EXPECT_EQ(records, kVoiceBufferedFrames);
}

TEST(Voice, DamagedStreamsAreRefused) {
  VoiceRecorder r;
  r.start();
  r.feed(Tone(440, 0.2));
  const std::vector<uint8_t> good = DrainAll(r);
  ASSERT_GT(good.size(), 10u);
  const struct {
    const char* name;
    std::vector<uint8_t> stream;
    VoiceResult result;
  } rows[] = {
      {"truncated in a record", std::vector<uint8_t>(good.begin(), good.end() - 3),
       VoiceResult::DataCorrupted},
      {"a lone length byte", {0x05}, VoiceResult::DataCorrupted},
      {"length past the end", {0xFF, 0x00, 1, 2, 3}, VoiceResult::DataCorrupted},
      {"zero length", {0x00, 0x00}, VoiceResult::DataCorrupted},
      {"invalid Opus packet", {0x02, 0x00, 0xFF, 0x00}, VoiceResult::DataCorrupted},
      {"empty", {}, VoiceResult::Ok},
  };
  for (const auto& row : rows) {
    VoiceResult result;
    Decompress(row.stream, 11000, &result);
    EXPECT_EQ(result, row.result) << row.name;
  }
  std::vector<uint8_t> small(100);
  uint32_t written = 0;
  EXPECT_EQ(DecompressVoice(good, small, written, 11000), VoiceResult::BufferTooSmall);
  EXPECT_EQ(written, 0u);
}

// One user talks; the other two hear it through packets at 11000 Hz.
TEST(Voice, OneUserHeardByTheOtherTwoInTheSimulatedWorld) {
  sim::SimWorld world({.seed = 2});
  sim::SimPlatform& a = world.addUser({.name = "A", .country = "JP"});
  sim::SimPlatform& b = world.addUser({.name = "B", .country = "JP"});
  sim::SimPlatform& c = world.addUser({.name = "C", .country = "JP"});
  b.peers().acceptSession(a.identity().selfId());
  c.peers().acceptSession(a.identity().selfId());
  EXPECT_EQ(a.voice().captureDeviceCount(), 1);
  a.voice().startRecording();
  const std::vector<int16_t> tone = Tone(440, 0.5);
  world.speak(a, tone);
  std::vector<int16_t> heard[2];
  std::vector<uint8_t> buffer(1024), packet(1200), out(11000 * 2);
  for (int f = 0; f < 60; ++f) {
    uint32_t n = 0;
    if (a.voice().get(buffer, n) == VoiceResult::Ok && n != 0)
      for (Platform* to : {static_cast<Platform*>(&b), static_cast<Platform*>(&c)})
        ASSERT_TRUE(a.peers().send(to->identity().selfId(), std::span<const uint8_t>(buffer.data(), n), 0));
    int i = 0;
    for (Platform* p : {static_cast<Platform*>(&b), static_cast<Platform*>(&c)}) {
      while (p->peers().nextPacketSize(0) != 0) {
        PacketRead r = p->peers().read(0, packet);
        uint32_t written = 0;
        ASSERT_EQ(p->voice().decompress(std::span<const uint8_t>(packet.data(), r.size), out, written, 11000),
                  VoiceResult::Ok);
        heard[i].insert(heard[i].end(), reinterpret_cast<int16_t*>(out.data()),
                        reinterpret_cast<int16_t*>(out.data()) + written / 2);
      }
      ++i;
    }
    world.step();
  }
  for (const auto& h : heard) {
    EXPECT_NEAR(static_cast<double>(h.size()), 0.5 * 11000, 0.5 * 11000 * 0.1);
    EXPECT_GT(PowerAt(h, 440, 11000), 20 * PowerAt(h, 2000, 11000));
  }
}

}  // namespace
}  // namespace vt::online
