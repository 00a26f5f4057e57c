// Static and streamed sounds over our mixer's buffers.
#include "Dxtools/DirectSoundApp/DirectSoundApp.h"

#include <algorithm>
#include <cstring>

#include "app/lib_debug.h"

using vt::audio::PositionNotice;
using vt::audio::SoundBuffer;
using vt::audio::WaveFormat;

SoundDeviceRecord& GetSoundDeviceRecord() {
  static SoundDeviceRecord record;
  return record;
}

int InitSoundDevice() {
  SoundDeviceRecord& r = GetSoundDeviceRecord();
  r.device = vt::audio::OpenDefaultSoundDevice();
  if (!r.device) return -1;
  // The primary format is what the mixer outputs; it is read back into the record.
  r.channels = static_cast<int>(vt::audio::kDeviceChannels);
  r.rate = static_cast<int>(vt::audio::kDeviceRate);
  r.bits = 16;
  return 1;
}

void ReleaseSoundDevice() { GetSoundDeviceRecord().device.reset(); }

std::shared_ptr<SoundBuffer> CreateStaticBuffer(uint32_t bytes, const WaveFormat& format) {
  auto& device = GetSoundDeviceRecord().device;
  if (!device) return nullptr;
  return device->CreateBuffer(format, bytes);
}

std::shared_ptr<SoundBuffer> CreateStreamBuffer(uint32_t bytes, const WaveFormat& format) {
  return CreateStaticBuffer(bytes, format);
}

uint32_t StreamBufferBytes(uint64_t dataBytes, const WaveFormat& format) {
  uint64_t sixSeconds = static_cast<uint64_t>(format.blockAlign) * format.samplesPerSec * 6;
  uint64_t bytes = std::min(dataBytes, sixSeconds);
  uint64_t unit = 3ull * format.blockAlign;
  bytes -= bytes % unit;
  return static_cast<uint32_t>(bytes);
}

// ---- CDSoundBuffer ----

CDSoundBuffer::CDSoundBuffer(std::shared_ptr<SoundBuffer> buffer) {
  totalSize_ = buffer->size();
  buffer->SetPan(0);
  buffer->SetVolume(0);
  buffers_.push_back(std::move(buffer));
}

CDSoundBuffer::~CDSoundBuffer() {
  for (auto& b : buffers_) b->Stop();
}

void CDSoundBuffer::Stop() {
  if (!buffers_.empty()) buffers_.front()->Stop();
}

int32_t CDSoundBuffer::Play() {
  if (buffers_.empty() || !buffers_.front()) return kSoundNotInitialized;
  // Our buffers are never lost, so there is nothing to restore before playing.
  SoundBuffer& b = *buffers_.front();
  b.Stop();
  b.SetCurrentPosition(0);
  b.SetVolume(volume_);
  b.SetPan(pan_);
  b.Play(playFlags_ != 0);
  return kSoundOk;
}

int CDSoundBuffer::IsPlaying() const {
  for (const auto& b : buffers_) {
    if (b->GetStatus() & vt::audio::kStatusPlaying) return 1;
  }
  return 0;
}

void CDSoundBuffer::SetVolume(int32_t v) {
  for (auto& b : buffers_) b->SetVolume(v);
  volume_ = v;
}

// ---- static sounds ----

std::unique_ptr<CDSoundBuffer> CreateWavSound(std::span<const uint8_t> image, const char* name) {
  WavImage wav;
  if (!ParseWavImage(image, name, &wav)) return nullptr;
  WaveFormat format = wav.format;
  auto buffer = CreateStaticBuffer(static_cast<uint32_t>(wav.samples.size()), format);
  if (!buffer) return nullptr;
  uint8_t* p1 = nullptr;
  uint8_t* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  if (!buffer->Lock(0, buffer->size(), &p1, &n1, &p2, &n2)) return nullptr;
  std::memcpy(p1, wav.samples.data(), n1);
  buffer->Unlock();
  return std::make_unique<CDSoundBuffer>(std::move(buffer));
}

std::unique_ptr<CDSoundBuffer> CreateOggSound(const MemorySourceDesc& desc) {
  COggSource source;
  if (source.Open(desc) != 1) return nullptr;
  uint32_t bytes = source.totalSize();
  auto buffer = CreateStaticBuffer(bytes, source.format());
  if (!buffer) return nullptr;
  uint8_t* p1 = nullptr;
  uint8_t* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  if (!buffer->Lock(0, buffer->size(), &p1, &n1, &p2, &n2)) return nullptr;
  source.Read(p1, n1, false);
  buffer->Unlock();
  source.Close();
  return std::make_unique<CDSoundBuffer>(std::move(buffer));
}

// ---- streams ----

CDSoundStreamBuffer::CDSoundStreamBuffer(std::shared_ptr<SoundBuffer> buffer)
    : CDSoundBuffer(std::move(buffer)) {
  playFlags_ = 1;
}

CDSoundStreamBuffer::~CDSoundStreamBuffer() {
  if (!buffers_.empty()) buffers_.front()->Stop();
  stopRequest_.store(true, std::memory_order_release);
  if (thread_.joinable()) {
    events_->Set(0);
    thread_.join();
  }
  if (ogg_) ogg_->Close();
}

void CDSoundStreamBuffer::SetLoop(bool loop, double loopPos) {
  std::lock_guard<std::mutex> lock(fillMutex_);
  loop_ = loop;
  loopPos_ = loopPos;
  if (ogg_) ogg_->SetLoopPos(loopPos);
  // A WAV that fits the buffer is written once; without looping it plays through once.
  playFlags_ = (wavFits_ && !loop) ? 0 : 1;
}

uint32_t CDSoundStreamBuffer::FillSegmentLocked(int segment) {
  SoundBuffer& b = *buffers_.front();
  uint8_t* p1 = nullptr;
  uint8_t* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  if (!b.Lock(static_cast<uint32_t>(segment) * segmentSize_, segmentSize_, &p1, &n1, &p2, &n2)) return 0;
  uint32_t real = 0;
  if (kind_ == kKindOgg) {
    real = ogg_->Read(decodeBuffer_.data(), segmentSize_, loop_);
    std::memcpy(p1, decodeBuffer_.data(), n1);
  } else {
    std::span<const uint8_t> data = wav_.samples;
    uint32_t done = 0;
    while (done < n1) {
      if (wavReadPos_ >= data.size()) {
        if (!loop_ || data.empty()) {
          std::memset(p1 + done, 0, n1 - done);
          break;
        }
        wavReadPos_ = 0;
      }
      uint32_t n = std::min<uint32_t>(n1 - done, static_cast<uint32_t>(data.size() - wavReadPos_));
      std::memcpy(p1 + done, data.data() + wavReadPos_, n);
      wavReadPos_ += n;
      done += n;
      real += n;
    }
  }
  b.Unlock();
  fills_.fetch_add(1, std::memory_order_acq_rel);
  return real;
}

void CDSoundStreamBuffer::PrimeLocked() {
  SoundBuffer& b = *buffers_.front();
  b.Stop();
  b.SetCurrentPosition(0);
  events_->Reset();
  nextSegment_ = 0;
  endOffset_ = -1;
  if (kind_ == kKindOgg) {
    ogg_->Rewind();
  } else {
    wavReadPos_ = 0;
  }
  uint8_t* p1 = nullptr;
  uint8_t* p2 = nullptr;
  uint32_t n1 = 0, n2 = 0;
  if (b.Lock(0, b.size(), &p1, &n1, &p2, &n2)) {
    std::memset(p1, 0, n1);
    if (wavFits_) std::memcpy(p1, wav_.samples.data(), std::min<size_t>(n1, wav_.samples.size()));
    b.Unlock();
  }
  if (wavFits_) return;
  FillSegmentLocked(0);
  nextSegment_ = 1;
}

bool CDSoundStreamBuffer::Reprime() {
  std::lock_guard<std::mutex> lock(fillMutex_);
  PrimeLocked();
  return true;
}

bool CDSoundStreamBuffer::Start() {
  events_ = std::make_shared<vt::audio::EventSet>(4);
  PositionNotice notices[4] = {{0, events_, 0},
                               {segmentSize_, events_, 1},
                               {2 * segmentSize_, events_, 2},
                               {vt::audio::kNoticeStop, events_, 3}};
  if (!buffers_.front()->SetNotificationPositions(notices)) return false;
  {
    std::lock_guard<std::mutex> lock(fillMutex_);
    PrimeLocked();
  }
  thread_ = std::thread([this] { RefillThread(); });
  return true;
}

void CDSoundStreamBuffer::RefillThread() {
  while (!stopRequest_.load(std::memory_order_acquire)) {
    int e = events_->WaitAny(100);
    if (e < 0) continue;
    if (e <= 2 && !stopRequest_.load(std::memory_order_acquire)) {
      std::lock_guard<std::mutex> lock(fillMutex_);
      if (!wavFits_) {
        // The cursor entered a segment: fill the one after it.
        uint32_t real = FillSegmentLocked(nextSegment_);
        if (real == 0) {
          // The first dry fill marks the end; by the next one the last samples have played.
          if (endOffset_ < 0) {
            endOffset_ = static_cast<int64_t>(nextSegment_) * segmentSize_;
          } else {
            buffers_.front()->Stop();
          }
        }
        nextSegment_ = (nextSegment_ + 1) % 3;
      }
    }
    events_->Done();
  }
}

std::unique_ptr<CDSoundStreamBuffer> CreateStreamSound(MemorySourceDesc desc) {
  if (!desc.image) return nullptr;
  std::span<const uint8_t> bytes = desc.image->bytes();
  if (desc.start <= bytes.size()) bytes = bytes.subspan(desc.start);
  const char* name = desc.image->name().c_str();
  bool isOgg = bytes.size() >= 4 && std::memcmp(bytes.data(), "OggS", 4) == 0;
  bool isWav = bytes.size() >= 15 && std::memcmp(bytes.data(), "RIFF", 4) == 0 &&
               std::memcmp(bytes.data() + 8, "WAVE", 4) == 0 && std::memcmp(bytes.data() + 12, "fmt", 3) == 0;
  if (!isOgg && !isWav) {
    DebugPrint("sound: %s: neither Ogg nor WAV; no stream\n", name);
    return nullptr;  // desc goes out of scope here: the image is released at once
  }
  std::unique_ptr<COggSource> ogg;
  WavImage wav;
  WaveFormat format;
  uint64_t dataBytes = 0;
  if (isOgg) {
    ogg = std::make_unique<COggSource>();
    if (ogg->Open(desc) != 1) return nullptr;
    format = ogg->format();
    dataBytes = ogg->totalSize();
  } else {
    if (!ParseWavImage(bytes, name, &wav)) return nullptr;
    format = wav.format;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16)
      format.formatTag = vt::audio::kFormatExtensible;
    dataBytes = wav.samples.size();
  }
  uint32_t bufferBytes = StreamBufferBytes(dataBytes, format);
  if (bufferBytes == 0) {
    DebugPrint("sound: %s: too short for a stream\n", name);
    return nullptr;
  }
  auto buffer = CreateStreamBuffer(bufferBytes, format);
  if (!buffer) return nullptr;
  std::unique_ptr<CDSoundStreamBuffer> stream(new CDSoundStreamBuffer(std::move(buffer)));
  stream->kind_ = isOgg ? CDSoundStreamBuffer::kKindOgg : CDSoundStreamBuffer::kKindWav;
  stream->segmentSize_ = bufferBytes / 3;
  if (isOgg) {
    stream->ogg_ = std::move(ogg);
    stream->decodeBuffer_.resize(stream->segmentSize_);
  } else {
    stream->wavImage_ = desc;
    stream->wav_ = wav;
    stream->wavFits_ = wav.samples.size() <= bufferBytes;
  }
  if (!stream->Start()) return nullptr;
  return stream;
}
