// The software mixer: buffer state, cursor movement, position notices and the saturating mix.
#include "platform/audio/sound_mixer.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>

namespace vt::audio {

WaveFormat MakePcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
  WaveFormat f;
  f.formatTag = kFormatPcm;
  f.channels = channels;
  f.samplesPerSec = rate;
  f.bitsPerSample = bits;
  f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
  f.avgBytesPerSec = rate * f.blockAlign;
  return f;
}

bool IsPlayableFormat(const WaveFormat& f) {
  if (f.formatTag != kFormatPcm && f.formatTag != kFormatExtensible) return false;
  if (f.channels < 1 || f.channels > 2) return false;
  if (f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 24 && f.bitsPerSample != 32) {
    return false;
  }
  if (f.blockAlign != f.channels * f.bitsPerSample / 8) return false;
  return f.samplesPerSec >= 100 && f.samplesPerSec <= 200000;
}

float GainFromHundredthsDb(int32_t v) {
  if (v <= -10000) return 0.0f;
  if (v >= 0) return 1.0f;
  return static_cast<float>(std::pow(10.0, v / 2000.0));
}

// ---- EventSet ----

EventSet::EventSet(int count) : count_(std::clamp(count, 1, 32)) {}

void EventSet::Set(int index) {
  if (index < 0 || index >= count_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending_ |= 1u << index;
  }
  cv_.notify_all();
}

int EventSet::WaitAny(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return pending_ != 0; })) return -1;
  int index = std::countr_zero(pending_);
  pending_ &= ~(1u << index);
  ++inFlight_;
  return index;
}

void EventSet::Done() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (inFlight_ > 0) --inFlight_;
  }
  cv_.notify_all();
}

void EventSet::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  pending_ = 0;
}

bool EventSet::WaitIdle(int timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  return cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [this] { return pending_ == 0 && inFlight_ == 0; });
}

// ---- SoundBuffer ----

SoundBuffer::SoundBuffer(std::shared_ptr<SoundDevice> device, const WaveFormat& format, uint32_t bytes)
    : device_(std::move(device)), format_(format) {
  uint32_t frames = bytes / format.blockAlign;
  data_.assign(static_cast<size_t>(frames) * format.blockAlign, 0);
  frames_ = frames;
  device_->Attach(this);
}

SoundBuffer::~SoundBuffer() { device_->Detach(this); }

bool SoundBuffer::Lock(uint32_t offset, uint32_t bytes, uint8_t** first, uint32_t* firstBytes,
                       uint8_t** second, uint32_t* secondBytes) {
  uint32_t total = size();
  if (locked_ || first == nullptr || firstBytes == nullptr || offset >= total || bytes == 0 ||
      bytes > total) {
    return false;
  }
  uint32_t head = std::min(bytes, total - offset);
  uint32_t tail = bytes - head;
  if (tail > 0 && (second == nullptr || secondBytes == nullptr)) return false;
  {
    // The staging copy starts as the buffer's present contents (callers may write only part).
    std::lock_guard<std::mutex> lock(device_->mutex_);
    staging_.resize(bytes);
    std::memcpy(staging_.data(), data_.data() + offset, head);
    if (tail > 0) std::memcpy(staging_.data() + head, data_.data(), tail);
  }
  locked_ = true;
  lockOffset_ = offset;
  *first = staging_.data();
  *firstBytes = head;
  if (second != nullptr) *second = tail > 0 ? staging_.data() + head : nullptr;
  if (secondBytes != nullptr) *secondBytes = tail;
  return true;
}

void SoundBuffer::Unlock() {
  if (!locked_) return;
  locked_ = false;
  std::lock_guard<std::mutex> lock(device_->mutex_);
  uint32_t head = std::min<uint32_t>(static_cast<uint32_t>(staging_.size()), size() - lockOffset_);
  std::memcpy(data_.data() + lockOffset_, staging_.data(), head);
  if (staging_.size() > head) std::memcpy(data_.data(), staging_.data() + head, staging_.size() - head);
}

void SoundBuffer::Play(bool looping) {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  looping_ = looping;
  if (playing_) return;
  playing_ = true;
  // A notice at the starting offset fires as the cursor enters it.
  uint32_t byte = static_cast<uint32_t>(pos_ >> 32) * format_.blockAlign;
  for (const PositionNotice& n : notices_) {
    if (n.offset == byte && n.events) n.events->Set(n.index);
  }
}

void SoundBuffer::StopLocked() {
  if (!playing_) return;
  playing_ = false;
  for (const PositionNotice& n : notices_) {
    if (n.offset == kNoticeStop && n.events) n.events->Set(n.index);
  }
}

void SoundBuffer::Stop() {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  StopLocked();
}

bool SoundBuffer::SetCurrentPosition(uint32_t offset) {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  if (offset >= size() && size() != 0) return false;
  pos_ = static_cast<uint64_t>(offset / format_.blockAlign) << 32;
  return true;
}

void SoundBuffer::GetCurrentPosition(uint32_t* play, uint32_t* write) const {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  uint32_t byte = static_cast<uint32_t>(pos_ >> 32) * format_.blockAlign;
  if (play != nullptr) *play = byte;
  if (write != nullptr) *write = byte;
}

uint32_t SoundBuffer::GetStatus() const {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  if (!playing_) return 0;
  return kStatusPlaying | (looping_ ? kStatusLooping : 0);
}

void SoundBuffer::SetVolume(int32_t v) {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  volume_ = std::clamp(v, -10000, 0);
  float g = GainFromHundredthsDb(volume_);
  gainLeft_ = g * (pan_ > 0 ? GainFromHundredthsDb(-pan_) : 1.0f);
  gainRight_ = g * (pan_ < 0 ? GainFromHundredthsDb(pan_) : 1.0f);
}

int32_t SoundBuffer::GetVolume() const {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  return volume_;
}

void SoundBuffer::SetPan(int32_t pan) {
  int32_t volume;
  {
    std::lock_guard<std::mutex> lock(device_->mutex_);
    pan_ = std::clamp(pan, -10000, 10000);
    volume = volume_;
  }
  SetVolume(volume);
}

int32_t SoundBuffer::GetPan() const {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  return pan_;
}

void SoundBuffer::SetFrequency(uint32_t hz) {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  frequency_ = (hz == 0) ? 0 : std::clamp<uint32_t>(hz, 100, 200000);
}

uint32_t SoundBuffer::GetFrequency() const {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  return frequency_ == 0 ? format_.samplesPerSec : frequency_;
}

bool SoundBuffer::SetNotificationPositions(std::span<const PositionNotice> notices) {
  std::lock_guard<std::mutex> lock(device_->mutex_);
  if (playing_) return false;
  for (const PositionNotice& n : notices) {
    if (n.offset != kNoticeStop && n.offset >= size()) return false;
  }
  notices_.assign(notices.begin(), notices.end());
  return true;
}

int32_t SoundBuffer::SampleAt(uint32_t frame, int channel) const {
  if (channel >= format_.channels) channel = 0;
  const uint8_t* p = data_.data() + static_cast<size_t>(frame) * format_.blockAlign;
  switch (format_.bitsPerSample) {
    case 8:
      return (static_cast<int32_t>(p[channel]) - 128) << 8;
    case 16: {
      p += channel * 2;
      return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    }
    case 24: {
      p += channel * 3;
      return static_cast<int16_t>(static_cast<uint16_t>(p[1] | (p[2] << 8)));
    }
    default: {
      p += channel * 4;
      return static_cast<int16_t>(static_cast<uint16_t>(p[2] | (p[3] << 8)));
    }
  }
}

void SoundBuffer::FireCrossed(uint32_t fromByte, uint32_t toByte, bool wrapped) {
  for (const PositionNotice& n : notices_) {
    if (n.offset == kNoticeStop || !n.events) continue;
    bool crossed =
        wrapped ? (n.offset > fromByte || n.offset <= toByte) : (n.offset > fromByte && n.offset <= toByte);
    if (crossed) n.events->Set(n.index);
  }
}

void SoundBuffer::MixInto(int32_t* acc, uint32_t frames) {
  if (!playing_ || frames_ == 0) return;
  uint32_t rate = frequency_ == 0 ? format_.samplesPerSec : frequency_;
  uint64_t step = (static_cast<uint64_t>(rate) << 32) / kDeviceRate;
  uint64_t end = static_cast<uint64_t>(frames_) << 32;
  uint32_t fromByte = static_cast<uint32_t>(pos_ >> 32) * format_.blockAlign;
  bool wrapped = false;
  const float gl = gainLeft_;
  const float gr = gainRight_;
  const bool silent = gl == 0.0f && gr == 0.0f;
  for (uint32_t i = 0; i < frames; ++i) {
    if (pos_ >= end) {
      if (!looping_) break;
      pos_ -= end;
      wrapped = true;
    }
    if (!silent) {
      uint32_t idx = static_cast<uint32_t>(pos_ >> 32);
      uint32_t frac = static_cast<uint32_t>(pos_);
      int32_t l = SampleAt(idx, 0);
      int32_t r = SampleAt(idx, 1);
      if (frac != 0) {
        // Linear interpolation toward the next frame (the first one again when looping).
        uint32_t next = idx + 1 < frames_ ? idx + 1 : (looping_ ? 0 : idx);
        float t = static_cast<float>(frac) / 4294967296.0f;
        l = l + static_cast<int32_t>((SampleAt(next, 0) - l) * t);
        r = r + static_cast<int32_t>((SampleAt(next, 1) - r) * t);
      }
      acc[2 * i] += (gl == 1.0f) ? l : static_cast<int32_t>(static_cast<float>(l) * gl);
      acc[2 * i + 1] += (gr == 1.0f) ? r : static_cast<int32_t>(static_cast<float>(r) * gr);
    }
    pos_ += step;
  }
  if (pos_ >= end) {
    if (!looping_) {
      // A one-shot buffer stops at its end, its cursor back at the start.
      FireCrossed(fromByte, size(), wrapped);
      pos_ = 0;
      StopLocked();
      return;
    }
    pos_ -= end;
    wrapped = true;
  }
  FireCrossed(fromByte, static_cast<uint32_t>(pos_ >> 32) * format_.blockAlign, wrapped);
}

// ---- SoundDevice ----

SoundDevice::~SoundDevice() = default;

std::shared_ptr<SoundBuffer> SoundDevice::CreateBuffer(const WaveFormat& format, uint32_t bytes) {
  if (!IsPlayableFormat(format) || bytes < format.blockAlign) return nullptr;
  // A limit well above any sound the game makes (about 2 minutes of device-format audio
  // is 21 MB); a damaged size field must not allocate gigabytes.
  if (bytes > 256u * 1024 * 1024) return nullptr;
  return std::make_shared<SoundBuffer>(shared_from_this(), format, bytes);
}

void SoundDevice::Attach(SoundBuffer* buffer) {
  std::lock_guard<std::mutex> lock(mutex_);
  buffers_.push_back(buffer);
}

void SoundDevice::Detach(SoundBuffer* buffer) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::erase(buffers_, buffer);
}

void SoundDevice::AddSource(std::shared_ptr<MixSource> source) {
  std::lock_guard<std::mutex> lock(mutex_);
  sources_.push_back(std::move(source));
}

void SoundDevice::Mix(int16_t* out, uint32_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  acc_.assign(static_cast<size_t>(frames) * 2, 0);
  for (SoundBuffer* b : buffers_) b->MixInto(acc_.data(), frames);
  std::erase_if(sources_,
                [&](const std::shared_ptr<MixSource>& s) { return !s->MixInto(acc_.data(), frames); });
  for (size_t i = 0; i < acc_.size(); ++i) {
    out[i] = static_cast<int16_t>(std::clamp(acc_[i], -32768, 32767));
  }
  framesMixed_.fetch_add(frames, std::memory_order_acq_rel);
  if (observer_) observer_(out, frames);
}

void SoundDevice::SetMixObserver(std::function<void(const int16_t*, uint32_t)> observer) {
  std::lock_guard<std::mutex> lock(mutex_);
  observer_ = std::move(observer);
}

// ---- NullSoundDevice ----

void NullSoundDevice::Advance(uint32_t frames) {
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
  Mix(out.data(), frames);
  std::lock_guard<std::mutex> lock(captureMutex_);
  if (capture_) captured_.insert(captured_.end(), out.begin(), out.end());
}

void NullSoundDevice::SetCapture(bool on) {
  std::lock_guard<std::mutex> lock(captureMutex_);
  capture_ = on;
  if (!on) captured_.clear();
}

std::vector<int16_t> NullSoundDevice::TakeCaptured() {
  std::lock_guard<std::mutex> lock(captureMutex_);
  std::vector<int16_t> out;
  out.swap(captured_);
  return out;
}

// ---- device selection ----

namespace {
std::mutex g_overrideMutex;
std::shared_ptr<SoundDevice> g_override;
}  // namespace

void SetSoundDeviceOverride(std::shared_ptr<SoundDevice> device) {
  std::lock_guard<std::mutex> lock(g_overrideMutex);
  g_override = std::move(device);
}

std::shared_ptr<SoundDevice> OpenDefaultSoundDevice() {
  {
    std::lock_guard<std::mutex> lock(g_overrideMutex);
    if (g_override) return g_override;
  }
  return OpenSdlSoundDevice();
}

}  // namespace vt::audio
