// Opus encoding and decoding of the voice stream.
#include "platform/online/voice.h"

#include <SDL.h>
#include <opus.h>

#include <cmath>
#include <cstring>

namespace vt::online {

namespace {
// A frame quieter than this RMS (of 32767) is silence and is not sent.
constexpr double kGateRms = 300.0;
constexpr size_t kMaxOpusPacket = 1275;
}  // namespace

VoiceRecorder::VoiceRecorder() {
  int error = 0;
  encoder_ = opus_encoder_create(kVoiceRate, 1, OPUS_APPLICATION_VOIP, &error);
  if (encoder_ != nullptr) {
    opus_encoder_ctl(encoder_, OPUS_SET_BITRATE(24000));
    opus_encoder_ctl(encoder_, OPUS_SET_DTX(1));
  }
}

VoiceRecorder::~VoiceRecorder() { opus_encoder_destroy(encoder_); }

void VoiceRecorder::start() {
  std::lock_guard<std::mutex> guard(mutex_);
  recording_ = true;
}

void VoiceRecorder::stop() {
  std::lock_guard<std::mutex> guard(mutex_);
  recording_ = false;
  pending_.clear();
}

bool VoiceRecorder::recording() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return recording_;
}

uint64_t VoiceRecorder::dropped() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return dropped_;
}

void VoiceRecorder::feed(std::span<const int16_t> samples) {
  std::lock_guard<std::mutex> guard(mutex_);
  if (!recording_ || encoder_ == nullptr) return;
  pending_.insert(pending_.end(), samples.begin(), samples.end());
  size_t used = 0;
  for (; pending_.size() - used >= kVoiceFrameSamples; used += kVoiceFrameSamples)
    encodeFrame(pending_.data() + used);
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
}

void VoiceRecorder::encodeFrame(const int16_t* pcm) {
  double energy = 0;
  for (uint32_t i = 0; i < kVoiceFrameSamples; ++i) energy += static_cast<double>(pcm[i]) * pcm[i];
  if (std::sqrt(energy / kVoiceFrameSamples) < kGateRms) return;
  uint8_t packet[kMaxOpusPacket];
  const opus_int32 n = opus_encode(encoder_, pcm, kVoiceFrameSamples, packet, sizeof(packet));
  if (n <= 2) return;  // DTX: nothing worth sending
  std::vector<uint8_t> record(2 + static_cast<size_t>(n));
  record[0] = static_cast<uint8_t>(n);
  record[1] = static_cast<uint8_t>(n >> 8);
  std::memcpy(record.data() + 2, packet, static_cast<size_t>(n));
  if (records_.size() >= kVoiceBufferedFrames) {
    records_.pop_front();
    ++dropped_;
  }
  records_.push_back(std::move(record));
}

VoiceResult VoiceRecorder::available(uint32_t& bytes) {
  std::lock_guard<std::mutex> guard(mutex_);
  bytes = 0;
  if (encoder_ == nullptr) return VoiceResult::NotInitialized;
  for (const auto& r : records_) bytes += static_cast<uint32_t>(r.size());
  if (bytes != 0) return VoiceResult::Ok;
  return recording_ ? VoiceResult::NoData : VoiceResult::NotRecording;
}

VoiceResult VoiceRecorder::get(std::span<uint8_t> buffer, uint32_t& written) {
  std::lock_guard<std::mutex> guard(mutex_);
  written = 0;
  if (encoder_ == nullptr) return VoiceResult::NotInitialized;
  if (records_.empty()) return recording_ ? VoiceResult::NoData : VoiceResult::NotRecording;
  if (records_.front().size() > buffer.size()) return VoiceResult::BufferTooSmall;
  while (!records_.empty() && written + records_.front().size() <= buffer.size()) {
    std::memcpy(buffer.data() + written, records_.front().data(), records_.front().size());
    written += static_cast<uint32_t>(records_.front().size());
    records_.pop_front();
  }
  return VoiceResult::Ok;
}

VoiceResult DecompressVoice(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& written,
                            uint32_t rate) {
  written = 0;
  if (rate < 1000 || rate > 192000) return VoiceResult::BufferTooSmall;
  int error = 0;
  OpusDecoder* decoder = opus_decoder_create(kVoiceRate, 1, &error);
  if (decoder == nullptr) return VoiceResult::NotInitialized;
  std::vector<int16_t> pcm;
  VoiceResult result = VoiceResult::Ok;
  for (size_t at = 0; at < in.size();) {
    if (in.size() - at < 2) {
      result = VoiceResult::DataCorrupted;
      break;
    }
    const size_t n = size_t{in[at]} | size_t{in[at + 1]} << 8;
    at += 2;
    if (n == 0 || n > kMaxOpusPacket || n > in.size() - at) {
      result = VoiceResult::DataCorrupted;
      break;
    }
    int16_t frame[kVoiceFrameSamples * 6];  // Opus frames are at most 120 ms
    const int samples = opus_decode(decoder, in.data() + at, static_cast<opus_int32>(n), frame,
                                    static_cast<int>(std::size(frame)), 0);
    if (samples < 0) {
      result = VoiceResult::DataCorrupted;
      break;
    }
    pcm.insert(pcm.end(), frame, frame + samples);
    at += n;
  }
  opus_decoder_destroy(decoder);
  if (result != VoiceResult::Ok) return result;
  if (pcm.empty()) return VoiceResult::Ok;
  SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_S16SYS, 1, static_cast<int>(kVoiceRate), AUDIO_S16SYS, 1,
                                               static_cast<int>(rate));
  if (stream == nullptr) return VoiceResult::NotInitialized;
  SDL_AudioStreamPut(stream, pcm.data(), static_cast<int>(pcm.size() * sizeof(int16_t)));
  SDL_AudioStreamFlush(stream);
  const int available = SDL_AudioStreamAvailable(stream);
  if (available < 0 || static_cast<size_t>(available) > out.size()) {
    SDL_FreeAudioStream(stream);
    return VoiceResult::BufferTooSmall;
  }
  const int got = SDL_AudioStreamGet(stream, out.data(), available);
  SDL_FreeAudioStream(stream);
  if (got < 0) return VoiceResult::DataCorrupted;
  written = static_cast<uint32_t>(got);
  return VoiceResult::Ok;
}

}  // namespace vt::online
