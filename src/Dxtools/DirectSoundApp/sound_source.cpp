// File images, the RIFF chunk walk and the Ogg Vorbis source.
#include "Dxtools/DirectSoundApp/sound_source.h"

#include <vorbis/vorbisfile.h>

#include <cmath>
#include <cstring>

#include "app/lib_debug.h"

SoundFileImage::SoundFileImage(std::vector<uint8_t> bytes, std::string name, std::function<void()> release)
    : bytes_(std::move(bytes)), name_(std::move(name)), release_(std::move(release)) {}

SoundFileImage::~SoundFileImage() {
  if (release_) release_();
}

MemorySourceDesc MakeMemorySource(std::vector<uint8_t> bytes, std::string name,
                                  std::function<void()> release) {
  MemorySourceDesc desc;
  desc.image = std::make_shared<SoundFileImage>(std::move(bytes), std::move(name), std::move(release));
  return desc;
}

// ---- RIFF ----

namespace {

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

bool ParseWavImage(std::span<const uint8_t> image, const char* name, WavImage* out) {
  if (name == nullptr) name = "(memory)";
  if (image.size() < 12 || std::memcmp(image.data(), "RIFF", 4) != 0 ||
      std::memcmp(image.data() + 8, "WAVE", 4) != 0) {
    DebugPrint("sound: %s: not a RIFF WAVE image\n", name);
    return false;
  }
  bool haveFormat = false;
  vt::audio::WaveFormat format;
  size_t pos = 12;
  while (pos + 8 <= image.size()) {
    const uint8_t* chunk = image.data() + pos;
    uint32_t size = Le32(chunk + 4);
    size_t body = pos + 8;
    size_t present = image.size() - body;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (size < 16 || size > present) {
        DebugPrint("sound: %s: format chunk of %u bytes is damaged\n", name, size);
        return false;
      }
      const uint8_t* f = image.data() + body;
      format.formatTag = Le16(f);
      format.channels = Le16(f + 2);
      format.samplesPerSec = Le32(f + 4);
      format.avgBytesPerSec = Le32(f + 8);
      format.blockAlign = Le16(f + 12);
      format.bitsPerSample = Le16(f + 14);
      // The extensible form names PCM in the first two bytes of its sub-format.
      if (format.formatTag == vt::audio::kFormatExtensible &&
          (size < 40 || Le16(f + 24) != vt::audio::kFormatPcm)) {
        DebugPrint("sound: %s: extensible format is not PCM\n", name);
        return false;
      }
      if (!vt::audio::IsPlayableFormat(format)) {
        DebugPrint("sound: %s: unsupported format (tag %u, %u channels, %u bits, align %u, %u Hz)\n", name,
                   format.formatTag, format.channels, format.bitsPerSample, format.blockAlign,
                   format.samplesPerSec);
        return false;
      }
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) {
        DebugPrint("sound: %s: data chunk before the format chunk\n", name);
        return false;
      }
      size_t bytes = size;
      if (bytes > present) {
        DebugPrint("sound: %s: data size %u clamped to the %zu bytes present\n", name, size, present);
        bytes = present;
      }
      bytes -= bytes % format.blockAlign;
      if (bytes == 0) {
        DebugPrint("sound: %s: no samples\n", name);
        return false;
      }
      out->format = format;
      out->samples = image.subspan(body, bytes);
      return true;
    }
    // Other chunks (LIST, fact, ...) are skipped; bodies are padded to an even size.
    uint64_t next = static_cast<uint64_t>(body) + size + (size & 1u);
    if (next > image.size()) break;
    pos = static_cast<size_t>(next);
  }
  DebugPrint("sound: %s: no %s chunk\n", name, haveFormat ? "data" : "format");
  return false;
}

// ---- Ogg memory callbacks ----

std::mutex& OggLock() {
  static std::mutex lock;
  return lock;
}

size_t OggMemoryRead(void* ptr, size_t size, size_t count, void* source) {
  auto* m = static_cast<OggMemoryData*>(source);
  if (m == nullptr || size == 0 || m->pos >= m->size) return 0;
  size_t whole = (m->size - m->pos) / size;
  size_t n = std::min(whole, count);
  std::memcpy(ptr, m->data + m->pos, n * size);
  m->pos += n * size;
  return n;
}

int OggMemorySeek(void* source, int64_t offset, int origin) {
  auto* m = static_cast<OggMemoryData*>(source);
  if (m == nullptr) return -1;
  int64_t base;
  switch (origin) {
    case SEEK_SET:
      base = 0;
      break;
    case SEEK_CUR:
      base = static_cast<int64_t>(m->pos);
      break;
    case SEEK_END:
      base = static_cast<int64_t>(m->size);
      break;
    default:
      return -1;
  }
  int64_t target = base + offset;
  if (target < 0) target = 0;
  if (target > static_cast<int64_t>(m->size)) target = static_cast<int64_t>(m->size);
  m->pos = static_cast<size_t>(target);
  return 0;
}

int OggMemoryClose(void*) { return 0; }

long OggMemoryTell(void* source) {
  auto* m = static_cast<OggMemoryData*>(source);
  return m == nullptr ? -1 : static_cast<long>(m->pos);
}

// ---- COggSource ----

struct COggSource::Impl {
  OggVorbis_File file{};
  OggMemoryData data;
  std::shared_ptr<const SoundFileImage> image;
  std::string name;
};

COggSource::COggSource() : impl_(std::make_unique<Impl>()) {}

COggSource::~COggSource() { Close(); }

int COggSource::Open(const MemorySourceDesc& desc) {
  Close();
  if (!desc.image) return 0;
  std::span<const uint8_t> bytes = desc.image->bytes();
  const char* name = desc.image->name().c_str();
  if (desc.start > bytes.size() || bytes.size() - desc.start < 4 ||
      std::memcmp(bytes.data() + desc.start, "OggS", 4) != 0) {
    DebugPrint("sound: %s: not an Ogg image\n", name);
    return 0;
  }
  impl_->image = desc.image;
  impl_->name = desc.image->name();
  impl_->data.data = bytes.data();
  impl_->data.size = bytes.size();
  impl_->data.pos = desc.start;
  ov_callbacks callbacks;
  callbacks.read_func = &OggMemoryRead;
  callbacks.seek_func = [](void* s, ogg_int64_t o, int w) { return OggMemorySeek(s, o, w); };
  callbacks.close_func = &OggMemoryClose;
  callbacks.tell_func = &OggMemoryTell;
  int channels = 0;
  long rate = 0;
  {
    std::lock_guard<std::mutex> lock(OggLock());
    if (ov_open_callbacks(&impl_->data, &impl_->file, nullptr, 0, callbacks) != 0) {
      DebugPrint("sound: %s: the Ogg Vorbis decoder refused the image\n", name);
      impl_->image.reset();
      return 0;
    }
    state_ = 1;
    vorbis_info* info = ov_info(&impl_->file, -1);
    if (info != nullptr) {
      channels = info->channels;
      rate = info->rate;
    }
  }
  double total = ov_time_total(&impl_->file, -1);
  if (channels < 1 || channels > 2 || rate < 8000 || rate > 192000) {
    DebugPrint("sound: %s: unsupported stream (%d channels, %ld Hz)\n", name, channels, rate);
    Close();
    return 0;
  }
  // A stream longer than an hour is taken as damage: its size would not fit a sound buffer.
  if (!std::isfinite(total) || total <= 0.0 || total > 3600.0) {
    DebugPrint("sound: %s: unusable length %f s\n", name, total);
    Close();
    return 0;
  }
  format_ = vt::audio::MakePcmFormat(static_cast<uint16_t>(channels), static_cast<uint32_t>(rate), 16);
  uint64_t size = static_cast<uint64_t>(total * channels * rate * 2);
  size -= size % format_.blockAlign;
  totalSize_ = static_cast<uint32_t>(size);
  decoded_ = 0;
  return 1;
}

uint32_t COggSource::Read(uint8_t* buffer, uint32_t bytes, bool loop) {
  if (buffer == nullptr || bytes == 0) return 0;
  uint32_t delivered = 0;
  {
    std::lock_guard<std::mutex> lock(OggLock());
    if (state_ != 1) {
      std::memset(buffer, 0, bytes);
      return 0;
    }
    const char* name = impl_->name.c_str();
    bool seekedWithoutData = false;
    int holes = 0;
    while (delivered < bytes) {
      int link = 0;
      uint32_t want = std::min<uint32_t>(bytes - delivered, 1u << 30);
      want -= want % format_.blockAlign;
      if (want == 0) break;
      long r = ov_read(&impl_->file, reinterpret_cast<char*>(buffer + delivered), static_cast<int>(want), 0,
                       2, 1, &link);
      if (r > 0) {
        vorbis_info* info = ov_info(&impl_->file, link);
        if (info == nullptr || info->channels != format_.channels ||
            info->rate != static_cast<long>(format_.samplesPerSec)) {
          DebugPrint("sound: %s: a chained stream changes its format; decoding ends\n", name);
          break;
        }
        delivered += static_cast<uint32_t>(r);
        seekedWithoutData = false;
        holes = 0;
        continue;
      }
      if (r == 0) {
        if (!loop) break;
        // A loop seek that yields nothing before the next end (loop position at or past the
        // end) would spin here for ever, holding the lock: it ends the stream instead.
        if (seekedWithoutData) {
          DebugPrint("sound: %s: loop position %.3f s yields no samples; the stream ends\n", name, loopPos_);
          break;
        }
        if (ov_time_seek(&impl_->file, loopPos_) != 0) {
          DebugPrint("sound: %s: loop seek to %.3f s failed; the stream ends\n", name, loopPos_);
          break;
        }
        seekedWithoutData = true;
        continue;
      }
      if (r == OV_HOLE && ++holes <= 64) continue;  // a gap in the data: decoding goes on after it
      DebugPrint("sound: %s: decoding stopped (error %ld)\n", name, r);
      break;
    }
  }
  // Whole frames only, so a short read never splits a sample.
  delivered -= delivered % format_.blockAlign;
  std::memset(buffer + delivered, 0, bytes - delivered);
  decoded_ += delivered;
  return delivered;
}

bool COggSource::Rewind() {
  std::lock_guard<std::mutex> lock(OggLock());
  if (state_ != 1) return false;
  decoded_ = 0;
  return ov_time_seek(&impl_->file, 0.0) == 0;
}

void COggSource::Close() {
  {
    std::lock_guard<std::mutex> lock(OggLock());
    if (state_ == 1) ov_clear(&impl_->file);
    state_ = -1;
  }
  impl_->image.reset();
  impl_->data = OggMemoryData{};
  decoded_ = 0;
  totalSize_ = 0;
}
