// Voice for the platform: Opus at 16 kHz mono in 20 ms frames, a stream of {u16 length, frame}
// records, an energy gate so silence sends nothing, at most one second buffered (the oldest
// dropped first), and decompression to 16-bit mono at the rate the game asks (11000 Hz) through
// SDL's resampler. The decoder reads peers' bytes: it checks every length before use.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

#include "platform/online/platform.h"

struct OpusEncoder;

namespace vt::online {

constexpr uint32_t kVoiceRate = 16000;
constexpr uint32_t kVoiceFrameSamples = kVoiceRate / 50;  // 20 ms
constexpr size_t kVoiceBufferedFrames = 50;               // one second

// The capture side of one user: PCM in, compressed records out. Thread-safe.
class VoiceRecorder {
 public:
  VoiceRecorder();
  ~VoiceRecorder();
  VoiceRecorder(const VoiceRecorder&) = delete;
  VoiceRecorder& operator=(const VoiceRecorder&) = delete;

  void start();
  void stop();
  bool recording() const;
  // 16 kHz mono samples from the microphone; ignored while not recording.
  void feed(std::span<const int16_t> samples);
  VoiceResult available(uint32_t& bytes);
  // Whole records only; what does not fit waits for the next call.
  VoiceResult get(std::span<uint8_t> buffer, uint32_t& written);
  // Records dropped because a second was already buffered.
  uint64_t dropped() const;

 private:
  void encodeFrame(const int16_t* pcm);

  mutable std::mutex mutex_;
  OpusEncoder* encoder_ = nullptr;
  bool recording_ = false;
  std::vector<int16_t> pending_;  // samples short of a frame
  std::deque<std::vector<uint8_t>> records_;
  uint64_t dropped_ = 0;
};

// Decompresses a record stream to 16-bit mono at `rate`: BufferTooSmall when `out` cannot hold
// it, DataCorrupted for a truncated or undecodable stream; never reads past `in`.
VoiceResult DecompressVoice(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& written,
                            uint32_t rate);

}  // namespace vt::online
