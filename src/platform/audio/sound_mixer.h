// Our sound device: secondary buffers with a wave format, two-region locks across the wrap,
// looping or one-shot play, volume in hundredths of a decibel, pan, frequency and position
// notices, mixed in software into 44100 Hz stereo 16-bit output. The SDL backend pulls the mix
// from its audio callback; the null backend mixes only when a test calls Advance.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace vt::audio {

constexpr uint32_t kDeviceRate = 44100;
constexpr uint32_t kDeviceChannels = 2;
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

// The wave format a buffer is created with (the fields a WAV "fmt " record carries).
struct WaveFormat {
  uint16_t formatTag = kFormatPcm;
  uint16_t channels = 2;
  uint32_t samplesPerSec = kDeviceRate;
  uint32_t avgBytesPerSec = kDeviceRate * 4;
  uint16_t blockAlign = 4;
  uint16_t bitsPerSample = 16;
};

// PCM format with the derived fields filled in.
WaveFormat MakePcmFormat(uint16_t channels, uint32_t rate, uint16_t bits);
// True when the mixer can play the format: PCM (or extensible) 8 or 16 bits, 1 or 2 channels,
// a block align that matches, a rate from 100 Hz to 200 kHz.
bool IsPlayableFormat(const WaveFormat& format);

// A group of auto-reset events that one thread waits on together (the refill thread waits for
// "any of four"). Set may come from any thread, including the mixer.
class EventSet {
 public:
  explicit EventSet(int count);
  void Set(int index);
  // Waits for any set event, resets it and returns its index; -1 on time-out. The caller marks
  // the work done with Done() (tests wait for that through WaitIdle).
  int WaitAny(int timeoutMs);
  void Done();
  // Drops every pending event (a stream that re-primes forgets notices of its old run).
  void Reset();
  // True once no event is pending and every taken event has been marked done.
  bool WaitIdle(int timeoutMs);
  int count() const { return count_; }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  uint32_t pending_ = 0;
  int inFlight_ = 0;
  int count_;
};

// Offset value of a notice that fires when the buffer stops (by Stop or at its end).
constexpr uint32_t kNoticeStop = 0xFFFFFFFFu;

struct PositionNotice {
  uint32_t offset;  // byte offset, or kNoticeStop
  std::shared_ptr<EventSet> events;
  int index;
};

constexpr uint32_t kStatusPlaying = 1;
constexpr uint32_t kStatusLooping = 4;

class SoundDevice;

// A sound made while mixing rather than read from a buffer (a voice-chat talker's queued
// blocks). The device holds it until MixInto returns false.
class MixSource {
 public:
  virtual ~MixSource() = default;
  // Adds `frames` output frames (interleaved stereo at the device rate) into acc, on the mixing
  // thread under the device's lock, so it must not call back into the device.
  virtual bool MixInto(int32_t* acc, uint32_t frames) = 0;
};

class SoundBuffer {
 public:
  SoundBuffer(std::shared_ptr<SoundDevice> device, const WaveFormat& format, uint32_t bytes);
  ~SoundBuffer();
  SoundBuffer(const SoundBuffer&) = delete;
  SoundBuffer& operator=(const SoundBuffer&) = delete;

  uint32_t size() const { return static_cast<uint32_t>(data_.size()); }
  const WaveFormat& format() const { return format_; }

  // Up to two regions: from offset to the end of the buffer, then from the start. False when
  // the offset or the length do not fit the buffer. The regions are a staging copy that Unlock
  // writes into the buffer under the mixer's lock, so a writer never races the mixing thread.
  // One lock at a time per buffer.
  bool Lock(uint32_t offset, uint32_t bytes, uint8_t** first, uint32_t* firstBytes, uint8_t** second,
            uint32_t* secondBytes);
  void Unlock();

  void Play(bool looping);
  void Stop();
  bool SetCurrentPosition(uint32_t offset);
  // Play cursor in bytes (block aligned) and the write cursor (the same here: no lead-in).
  void GetCurrentPosition(uint32_t* play, uint32_t* write) const;
  uint32_t GetStatus() const;
  void SetVolume(int32_t hundredthsDb);  // clamped to -10000..0
  int32_t GetVolume() const;
  void SetPan(int32_t pan);  // -10000 (left only) .. 10000 (right only)
  int32_t GetPan() const;
  void SetFrequency(uint32_t hz);  // 0: the format's own rate
  uint32_t GetFrequency() const;
  // Replaces the notices; refused (false) while the buffer plays or for an offset past the end.
  bool SetNotificationPositions(std::span<const PositionNotice> notices);

 private:
  friend class SoundDevice;
  // Mixer side, under the device lock: adds `frames` output frames into acc.
  void MixInto(int32_t* acc, uint32_t frames);
  void StopLocked();
  void FireCrossed(uint32_t fromByte, uint32_t toByte, bool wrapped);
  int32_t SampleAt(uint32_t frame, int channel) const;

  std::shared_ptr<SoundDevice> device_;
  WaveFormat format_;
  std::vector<uint8_t> data_;
  std::vector<uint8_t> staging_;
  uint32_t lockOffset_ = 0;
  bool locked_ = false;
  uint32_t frames_;
  // Play position in source frames, 32.32 fixed point.
  uint64_t pos_ = 0;
  bool playing_ = false;
  bool looping_ = false;
  int32_t volume_ = 0;
  int32_t pan_ = 0;
  uint32_t frequency_ = 0;
  float gainLeft_ = 1.0f;
  float gainRight_ = 1.0f;
  std::vector<PositionNotice> notices_;
};

// The device: creates buffers and mixes the playing ones. Thread safe: buffers are driven from
// the logic thread and refill threads while the backend mixes on its own thread.
class SoundDevice : public std::enable_shared_from_this<SoundDevice> {
 public:
  virtual ~SoundDevice();
  std::shared_ptr<SoundBuffer> CreateBuffer(const WaveFormat& format, uint32_t bytes);
  // Mixes the source with the buffers from the next block on, until it says it has ended.
  void AddSource(std::shared_ptr<MixSource> source);
  // Mixes `frames` frames of interleaved stereo 16-bit output (saturating).
  void Mix(int16_t* out, uint32_t frames);
  // Sees every mixed block right after it is made, on the mixing thread and under the mixer's
  // lock, so it must not call back into the device (measurements and output checks).
  void SetMixObserver(std::function<void(const int16_t* out, uint32_t frames)> observer);
  // Output frames mixed so far (the device clock).
  uint64_t framesMixed() const { return framesMixed_.load(std::memory_order_acquire); }

 protected:
  SoundDevice() = default;

 private:
  friend class SoundBuffer;
  void Attach(SoundBuffer* buffer);
  void Detach(SoundBuffer* buffer);

  mutable std::mutex mutex_;
  std::vector<SoundBuffer*> buffers_;
  std::vector<std::shared_ptr<MixSource>> sources_;
  std::vector<int32_t> acc_;
  std::function<void(const int16_t*, uint32_t)> observer_;
  std::atomic<uint64_t> framesMixed_{0};
};

// No audio hardware: nothing is mixed until Advance is called. Optionally keeps what it mixed.
class NullSoundDevice : public SoundDevice {
 public:
  NullSoundDevice() = default;
  void Advance(uint32_t frames);
  void SetCapture(bool on);
  std::vector<int16_t> TakeCaptured();

 private:
  std::mutex captureMutex_;
  bool capture_ = false;
  std::vector<int16_t> captured_;
};

// An SDL2 audio device pulling the mix from its callback; null when SDL cannot open one.
std::shared_ptr<SoundDevice> OpenSdlSoundDevice();

// The device the game's sound start-up uses: the override when one is set (tests install a null
// device), else the SDL device.
void SetSoundDeviceOverride(std::shared_ptr<SoundDevice> device);
std::shared_ptr<SoundDevice> OpenDefaultSoundDevice();

// 10^(v / 2000), exactly 0 at -10000 and below.
float GainFromHundredthsDb(int32_t v);

}  // namespace vt::audio
