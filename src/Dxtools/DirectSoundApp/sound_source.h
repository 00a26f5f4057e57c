// Sound file images in memory and the two decoders over them: the RIFF/WAV parser and the Ogg
// Vorbis source (libvorbisfile over memory callbacks, every decoder call under one lock).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/audio/sound_mixer.h"

// A whole sound file in memory with its release function. Several owners may share it (a
// stream and its source); the release function runs once, when the last owner lets go.
class SoundFileImage {
 public:
  SoundFileImage(std::vector<uint8_t> bytes, std::string name, std::function<void()> release = {});
  ~SoundFileImage();
  SoundFileImage(const SoundFileImage&) = delete;
  SoundFileImage& operator=(const SoundFileImage&) = delete;
  std::span<const uint8_t> bytes() const { return bytes_; }
  const std::string& name() const { return name_; }

 private:
  std::vector<uint8_t> bytes_;
  std::string name_;
  std::function<void()> release_;
};

// What the file readers hand to the factories: the image and the start offset of the data.
struct MemorySourceDesc {
  std::shared_ptr<const SoundFileImage> image;
  uint32_t start = 0;
};

MemorySourceDesc MakeMemorySource(std::vector<uint8_t> bytes, std::string name,
                                  std::function<void()> release = {});

// A parsed WAV image: its format and its samples (inside the image, clamped to what is present
// and to whole blocks).
struct WavImage {
  vt::audio::WaveFormat format;
  std::span<const uint8_t> samples;
};

// Walks the RIFF chunks: "fmt " must come before "data"; a data size past the end of the image
// is clamped to the bytes present. Refusals are logged with `name`.
bool ParseWavImage(std::span<const uint8_t> image, const char* name, WavImage* out);

// The process-wide lock every vorbisfile call but the total-time query runs under.
std::mutex& OggLock();

// The memory data source the vorbisfile callbacks read: whole elements, clamped seeks.
struct OggMemoryData {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
};
size_t OggMemoryRead(void* ptr, size_t size, size_t count, void* source);
int OggMemorySeek(void* source, int64_t offset, int origin);
int OggMemoryClose(void* source);
long OggMemoryTell(void* source);

// Decodes an Ogg Vorbis image into 16-bit signed little-endian PCM, looping at a loop position.
class COggSource {
 public:
  COggSource();
  ~COggSource();
  COggSource(const COggSource&) = delete;
  COggSource& operator=(const COggSource&) = delete;

  // 1 when open, 0 (closed) when the image is not Ogg Vorbis or the decoder refuses it.
  int Open(const MemorySourceDesc& desc);
  // Decodes up to `bytes` into buffer; the rest of it is zeroed. Returns the decoded count.
  uint32_t Read(uint8_t* buffer, uint32_t bytes, bool loop);
  void Close();
  // Back to the start of the stream (a re-primed music stream plays from its beginning).
  bool Rewind();

  bool IsOpen() const { return state_ == 1; }
  const vt::audio::WaveFormat& format() const { return format_; }
  // Decoded size of the whole stream in bytes (whole blocks).
  uint32_t totalSize() const { return totalSize_; }
  uint64_t decodedBytes() const { return decoded_; }
  void SetLoopPos(double seconds) { loopPos_ = seconds; }
  double loopPos() const { return loopPos_; }

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int state_ = -1;
  vt::audio::WaveFormat format_;
  double loopPos_ = 0.0;
  uint64_t decoded_ = 0;
  uint32_t totalSize_ = 0;
};
