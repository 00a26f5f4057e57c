// The sound toolkit: the device record, static sounds (a whole file decoded into one buffer) and
// streamed sounds (a three-segment buffer that a refill thread of its own keeps ahead of the
// play cursor).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "Dxtools/DirectSoundApp/sound_source.h"
#include "platform/audio/sound_mixer.h"

constexpr int32_t kSoundOk = 0;
constexpr int32_t kSoundNotInitialized = static_cast<int32_t>(0x800401F0u);  // no buffer to play

// The one sound device (owned by the sound front end).
struct SoundDeviceRecord {
  std::shared_ptr<vt::audio::SoundDevice> device;
  int channels = 2;
  int rate = 44100;
  int bits = 16;
};
SoundDeviceRecord& GetSoundDeviceRecord();

// Opens the device: -1 without one, 1 when ready (the record then holds the device format).
int InitSoundDevice();
void ReleaseSoundDevice();

std::shared_ptr<vt::audio::SoundBuffer> CreateStaticBuffer(uint32_t bytes,
                                                           const vt::audio::WaveFormat& format);
std::shared_ptr<vt::audio::SoundBuffer> CreateStreamBuffer(uint32_t bytes,
                                                           const vt::audio::WaveFormat& format);

class CDSoundBuffer {
 public:
  explicit CDSoundBuffer(std::shared_ptr<vt::audio::SoundBuffer> buffer);
  virtual ~CDSoundBuffer();
  CDSoundBuffer(const CDSoundBuffer&) = delete;
  CDSoundBuffer& operator=(const CDSoundBuffer&) = delete;

  virtual void Stop();
  // From the start with the stored volume, pan and play flags; a playing sound restarts.
  int32_t Play();
  int IsPlaying() const;
  void SetVolume(int32_t v);

  uint32_t totalSize() const { return totalSize_; }
  int32_t volume() const { return volume_; }
  const std::shared_ptr<vt::audio::SoundBuffer>& buffer() const { return buffers_.front(); }

 protected:
  std::vector<std::shared_ptr<vt::audio::SoundBuffer>> buffers_;
  uint32_t totalSize_ = 0;
  int32_t pan_ = 0;
  int32_t volume_ = 0;
  int playFlags_ = 0;  // 0 once, 1 looping
};

class CDSoundStreamBuffer : public CDSoundBuffer {
 public:
  static constexpr int kKindWav = 1;
  static constexpr int kKindOgg = 2;

  ~CDSoundStreamBuffer() override;

  // Loop at the end of the data, continuing from loopPos seconds (Ogg) or the start (WAV).
  void SetLoop(bool loop, double loopPos);
  // Back to the start of the source with every segment refilled from there: what playing a
  // track "from the start" needs after the stream has played before.
  bool Reprime();

  int kind() const { return kind_; }
  uint32_t segmentSize() const { return segmentSize_; }
  // Tests: waits until the refill thread has handled every pending notice.
  bool WaitRefillIdle(int timeoutMs) { return events_->WaitIdle(timeoutMs); }
  uint64_t fillCount() const { return fills_.load(std::memory_order_acquire); }

 private:
  friend std::unique_ptr<CDSoundStreamBuffer> CreateStreamSound(MemorySourceDesc desc);
  CDSoundStreamBuffer(std::shared_ptr<vt::audio::SoundBuffer> buffer);
  bool Start();
  void PrimeLocked();
  // Fills one segment from the source; returns the bytes of real data written.
  uint32_t FillSegmentLocked(int segment);
  void RefillThread();

  std::unique_ptr<COggSource> ogg_;
  MemorySourceDesc wavImage_;
  WavImage wav_;
  uint32_t wavReadPos_ = 0;
  bool wavFits_ = false;

  std::atomic<bool> stopRequest_{false};
  std::mutex fillMutex_;  // the refill thread and re-priming
  int nextSegment_ = 0;
  int64_t endOffset_ = -1;
  uint32_t segmentSize_ = 0;
  int kind_ = 0;
  std::shared_ptr<vt::audio::EventSet> events_;
  std::thread thread_;
  bool loop_ = false;
  double loopPos_ = 0.0;
  std::vector<uint8_t> decodeBuffer_;
  std::atomic<uint64_t> fills_{0};
};

// A static sound from a WAV image; null when it is not a WAV or a step fails.
std::unique_ptr<CDSoundBuffer> CreateWavSound(std::span<const uint8_t> image, const char* name = nullptr);
// A static sound decoded whole from an Ogg image; null on failure.
std::unique_ptr<CDSoundBuffer> CreateOggSound(const MemorySourceDesc& desc);
// The stream factory: "OggS" or "RIFF"/"WAVE"/"fmt" images. On failure the image is let go at
// once (its release function runs when no one else holds it); on success the stream owns it.
std::unique_ptr<CDSoundStreamBuffer> CreateStreamSound(MemorySourceDesc desc);

// Buffer size of a stream: the smaller of the data and 6 seconds, rounded down to a whole
// number of blocks in each of the three segments.
uint32_t StreamBufferBytes(uint64_t dataBytes, const vt::audio::WaveFormat& format);
