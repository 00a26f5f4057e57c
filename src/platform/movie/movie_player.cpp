// The FFmpeg movie player: video decoded on demand up to the clock's position, the sound track
// decoded whole at open into one mixer buffer that plays beside the clock.
#include "platform/movie/movie_player.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>

#include "app/lib_debug.h"
#include "platform/audio/sound_mixer.h"

namespace vt::movie {
void QuietFfmpegLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

namespace {

constexpr int kMaxSide = 4096;
// Longer sound tracks are cut: the whole track sits in memory (10 minutes is 106 MB).
constexpr double kMaxAudioSeconds = 600.0;

int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string AvError(int err) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, text, sizeof text);
  return text;
}

struct MovieScan {
  std::vector<int16_t> pcm;  // the sound track at 44100 Hz stereo 16-bit, from the movie's start
  double videoEnd = 0.0;     // seconds after the start where the last picture ends
};

// One pass over the file: the end of its pictures (program streams carry no reliable length)
// and, when wanted, the whole sound track decoded.
MovieScan ScanMovie(const std::string& path, int videoStream, double movieStart, double frameTime,
                    bool wantSound) {
  MovieScan scan;
  std::vector<int16_t>& pcm = scan.pcm;
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) != 0) return scan;
  AVCodecContext* dec = nullptr;
  SwrContext* swr = nullptr;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  int stream = -1;
  if (avformat_find_stream_info(fmt, nullptr) >= 0 && wantSound) {
    stream = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  }
  if (stream >= 0) {
    const AVCodec* codec = avcodec_find_decoder(fmt->streams[stream]->codecpar->codec_id);
    dec = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (dec == nullptr || avcodec_parameters_to_context(dec, fmt->streams[stream]->codecpar) < 0 ||
        avcodec_open2(dec, codec, nullptr) < 0) {
      stream = -1;
    }
  }
  if (stream >= 0) {
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, 44100, &dec->ch_layout, dec->sample_fmt,
                            dec->sample_rate, 0, nullptr) < 0 ||
        swr_init(swr) < 0) {
      stream = -1;
    }
  }
  const size_t maxSamples = static_cast<size_t>(kMaxAudioSeconds * 44100) * 2;
  bool first = true;
  size_t skip = 0;
  AVRational tb = stream >= 0 ? fmt->streams[stream]->time_base : AVRational{1, 1};
  auto drain = [&]() {
    while (avcodec_receive_frame(dec, frame) == 0) {
      if (first) {
        first = false;
        // A track that starts after the picture gets silence in front; one that starts
        // before it loses its head.
        if (frame->pts != AV_NOPTS_VALUE) {
          double lead = frame->pts * av_q2d(tb) - movieStart;
          if (lead > 0 && lead < 10.0) pcm.resize(static_cast<size_t>(lead * 44100) * 2, 0);
          if (lead < 0 && lead > -10.0) skip = static_cast<size_t>(-lead * 44100) * 2;
        }
      }
      int room = swr_get_out_samples(swr, frame->nb_samples);
      if (room <= 0) continue;
      size_t at = pcm.size();
      pcm.resize(at + static_cast<size_t>(room) * 2);
      uint8_t* out = reinterpret_cast<uint8_t*>(pcm.data() + at);
      int got =
          swr_convert(swr, &out, room, const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
      pcm.resize(at + static_cast<size_t>(std::max(got, 0)) * 2);
      av_frame_unref(frame);
    }
  };
  AVRational vtb = (videoStream >= 0 && videoStream < static_cast<int>(fmt->nb_streams))
                       ? fmt->streams[videoStream]->time_base
                       : AVRational{1, 1};
  // Not every picture carries a time stamp: those without one follow the last stamped one.
  double lastStamp = -1.0;
  int sinceStamp = 0;
  while (av_read_frame(fmt, pkt) >= 0) {
    if (pkt->stream_index == videoStream) {
      int64_t ts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
      if (ts != AV_NOPTS_VALUE) {
        lastStamp = ts * av_q2d(vtb) - movieStart;
        sinceStamp = 0;
      } else {
        ++sinceStamp;
      }
      scan.videoEnd = std::max(scan.videoEnd, std::max(lastStamp, 0.0) + (sinceStamp + 1) * frameTime);
    }
    if (stream >= 0 && pkt->stream_index == stream && pcm.size() < maxSamples &&
        avcodec_send_packet(dec, pkt) >= 0) {
      drain();
    }
    av_packet_unref(pkt);
  }
  if (stream >= 0) {
    avcodec_send_packet(dec, nullptr);
    drain();
    pcm.erase(pcm.begin(), pcm.begin() + static_cast<std::ptrdiff_t>(std::min(skip, pcm.size())));
    if (pcm.size() > maxSamples) pcm.resize(maxSamples);
  }
  swr_free(&swr);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&dec);
  avformat_close_input(&fmt);
  return scan;
}

}  // namespace

bool ProbeMovieFile(const std::string& path) {
  QuietFfmpegLog();
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) != 0) return false;
  bool ok = avformat_find_stream_info(fmt, nullptr) >= 0 &&
            av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) >= 0;
  avformat_close_input(&fmt);
  return ok;
}

struct MoviePlayer::Impl {
  std::mutex mutex;
  Clock clock;
  std::shared_ptr<vt::audio::SoundDevice> device;

  AVFormatContext* fmt = nullptr;
  AVCodecContext* vdec = nullptr;
  SwsContext* sws = nullptr;
  AVPacket* pkt = nullptr;
  AVFrame* cur = nullptr;      // the frame showing (decoded, not yet converted when curDirty)
  AVFrame* pending = nullptr;  // the next decoded frame, after the position
  int vstream = -1;
  AVRational tb{1, 1};
  int w = 0, h = 0, bpp = 24, rowBytes = 0;
  double frameTime = 1.0 / 60.0;
  double duration = 0, startTime = 0;
  bool haveCur = false, havePending = false, eof = false, flushed = false;
  double curPts = -1, pendingPts = 0, lastPts = -1;
  std::vector<uint8_t> converted;
  bool convertedValid = false;

  PlayState state = PlayState::kStopped;
  double basePos = 0;
  int64_t runStart = 0;
  bool completeQueued = false;
  std::deque<int> events;
  std::function<void()> notify;
  std::shared_ptr<vt::audio::SoundBuffer> audio;
  int32_t volume = 0;

  int64_t Now() const { return clock ? clock() : SteadyNs(); }

  void CloseLocked() {
    if (audio) audio->Stop();
    audio.reset();
    sws_freeContext(sws);
    sws = nullptr;
    av_frame_free(&cur);
    av_frame_free(&pending);
    av_packet_free(&pkt);
    avcodec_free_context(&vdec);
    if (fmt != nullptr) avformat_close_input(&fmt);
    vstream = -1;
    haveCur = havePending = eof = flushed = convertedValid = false;
    state = PlayState::kStopped;
    basePos = 0;
    completeQueued = false;
    events.clear();
    converted.clear();
    w = h = 0;
  }

  double PositionLocked() {
    double pos = basePos;
    if (state == PlayState::kRunning) pos += static_cast<double>(Now() - runStart) / 1e9;
    pos = std::clamp(pos, 0.0, duration);
    if (state == PlayState::kRunning && pos >= duration && !completeQueued) {
      completeQueued = true;
      events.push_back(kEventComplete);
      if (notify) notify();
    }
    return pos;
  }

  void PlaceAudio(double pos) {
    if (!audio) return;
    uint32_t byte = static_cast<uint32_t>(pos * 44100.0) * 4;
    if (byte >= audio->size()) {
      audio->Stop();
      return;
    }
    audio->SetCurrentPosition(byte);
  }

  // Next decoded frame into `out`; false at the end or on a read error.
  bool DecodeNext(AVFrame* out, double* pts) {
    for (int guard = 0; guard < 100000; ++guard) {
      int r = avcodec_receive_frame(vdec, out);
      if (r == 0) {
        int64_t ts = out->best_effort_timestamp;
        *pts = (ts == AV_NOPTS_VALUE) ? lastPts + frameTime : ts * av_q2d(tb) - startTime;
        lastPts = *pts;
        return true;
      }
      if (r != AVERROR(EAGAIN)) {
        eof = true;
        return false;
      }
      if (flushed) {
        eof = true;
        return false;
      }
      int rr = av_read_frame(fmt, pkt);
      if (rr < 0) {
        avcodec_send_packet(vdec, nullptr);
        flushed = true;
        continue;
      }
      if (pkt->stream_index == vstream) avcodec_send_packet(vdec, pkt);  // a damaged packet is skipped
      av_packet_unref(pkt);
    }
    eof = true;
    return false;
  }

  void SeekDecoder(double target) {
    int64_t ts = static_cast<int64_t>((target + startTime) / av_q2d(tb));
    av_seek_frame(fmt, vstream, ts, AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(vdec);
    haveCur = havePending = eof = flushed = convertedValid = false;
    lastPts = target - frameTime;
  }

  void DecodeTo(double target) {
    const double eps = 1e-6;
    if (haveCur && target + eps < curPts) SeekDecoder(target);
    // A jump far ahead goes through a seek rather than decoding every frame between.
    if (haveCur && target - curPts > 2.0) SeekDecoder(target);
    while (true) {
      if (!havePending) {
        if (eof || !DecodeNext(pending, &pendingPts)) break;
        havePending = true;
      }
      if (haveCur && pendingPts > target + eps) break;
      std::swap(cur, pending);
      curPts = pendingPts;
      haveCur = true;
      havePending = false;
      convertedValid = false;
      if (pendingPts > target + eps) break;  // the first frame shows even before its time
    }
  }

  bool Convert() {
    if (!haveCur) return false;
    if (convertedValid) return true;
    AVPixelFormat dst = bpp == 32 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGR24;
    sws = sws_getCachedContext(sws, cur->width, cur->height, static_cast<AVPixelFormat>(cur->format), w, h,
                               dst, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (sws == nullptr) return false;
    converted.assign(static_cast<size_t>(rowBytes) * h, 0);
    // Written bottom-up: the last picture row lands first, as a grabbed bitmap has it.
    uint8_t* dstData[4] = {converted.data() + static_cast<size_t>(rowBytes) * (h - 1), nullptr, nullptr,
                           nullptr};
    int dstStride[4] = {-rowBytes, 0, 0, 0};
    sws_scale(sws, cur->data, cur->linesize, 0, cur->height, dstData, dstStride);
    convertedValid = true;
    return true;
  }
};

MoviePlayer::MoviePlayer(Clock clock, std::shared_ptr<vt::audio::SoundDevice> device)
    : impl_(std::make_unique<Impl>()) {
  impl_->clock = std::move(clock);
  impl_->device = std::move(device);
}

MoviePlayer::~MoviePlayer() { Close(); }

bool MoviePlayer::Open(const std::string& path, int bitsPerPixel) {
  QuietFfmpegLog();
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Impl& m = *impl_;
  m.CloseLocked();
  int r = avformat_open_input(&m.fmt, path.c_str(), nullptr, nullptr);
  if (r != 0) {
    DebugPrint("movie: %s: cannot open (%s)\n", path.c_str(), AvError(r).c_str());
    m.fmt = nullptr;
    return false;
  }
  if (avformat_find_stream_info(m.fmt, nullptr) < 0) {
    DebugPrint("movie: %s: no stream information\n", path.c_str());
    m.CloseLocked();
    return false;
  }
  m.vstream = av_find_best_stream(m.fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (m.vstream < 0) {
    DebugPrint("movie: %s: no video stream\n", path.c_str());
    m.CloseLocked();
    return false;
  }
  AVStream* st = m.fmt->streams[m.vstream];
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  m.vdec = codec ? avcodec_alloc_context3(codec) : nullptr;
  if (m.vdec == nullptr || avcodec_parameters_to_context(m.vdec, st->codecpar) < 0 ||
      avcodec_open2(m.vdec, codec, nullptr) < 0) {
    DebugPrint("movie: %s: no decoder for its video\n", path.c_str());
    m.CloseLocked();
    return false;
  }
  m.w = st->codecpar->width;
  m.h = st->codecpar->height;
  if (m.w <= 0 || m.h <= 0 || m.w > kMaxSide || m.h > kMaxSide) {
    DebugPrint("movie: %s: frame size %d x %d refused\n", path.c_str(), m.w, m.h);
    m.CloseLocked();
    return false;
  }
  m.bpp = bitsPerPixel == 32 ? 32 : 24;
  m.rowBytes = m.w * (m.bpp / 8);
  m.tb = st->time_base;
  AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
  m.frameTime = (rate.num > 0 && rate.den > 0) ? av_q2d(av_inv_q(rate)) : 1.0 / 60.0;
  if (!(m.frameTime > 0.0) || m.frameTime > 10.0) m.frameTime = 1.0 / 60.0;
  // Position 0 is the first picture; the sound track is aligned to it.
  if (st->start_time != AV_NOPTS_VALUE) {
    m.startTime = st->start_time * av_q2d(st->time_base);
  } else if (m.fmt->start_time != AV_NOPTS_VALUE) {
    m.startTime = m.fmt->start_time / static_cast<double>(AV_TIME_BASE);
  }
  m.pkt = av_packet_alloc();
  m.cur = av_frame_alloc();
  m.pending = av_frame_alloc();
  m.lastPts = -m.frameTime;
  // The first frame decodes now: a file whose video does not decode fails here, not later.
  m.DecodeTo(0.0);
  if (!m.haveCur || !m.Convert()) {
    DebugPrint("movie: %s: its video does not decode\n", path.c_str());
    m.CloseLocked();
    return false;
  }
  MovieScan scan = ScanMovie(path, m.vstream, m.startTime, m.frameTime, m.device != nullptr);
  // The longer of the picture and the sound, as the length of the whole movie.
  m.duration = std::max({m.frameTime, scan.videoEnd, scan.pcm.size() / 2 / 44100.0});
  if (!scan.pcm.empty()) {
    std::vector<int16_t>& pcm = scan.pcm;
    m.audio =
        m.device->CreateBuffer(vt::audio::MakePcmFormat(2, 44100, 16), static_cast<uint32_t>(pcm.size() * 2));
    if (m.audio) {
      uint8_t* p1;
      uint8_t* p2;
      uint32_t n1, n2;
      if (m.audio->Lock(0, m.audio->size(), &p1, &n1, &p2, &n2)) {
        std::memcpy(p1, pcm.data(), n1);
        m.audio->Unlock();
      }
      m.audio->SetVolume(m.volume);
    }
  }
  return true;
}

void MoviePlayer::Close() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->CloseLocked();
}

bool MoviePlayer::IsOpen() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->fmt != nullptr;
}
int MoviePlayer::width() const { return impl_->w; }
int MoviePlayer::height() const { return impl_->h; }
int MoviePlayer::bitsPerPixel() const { return impl_->bpp; }
int MoviePlayer::bytesPerRow() const { return impl_->rowBytes; }
double MoviePlayer::AverageFrameTime() const { return impl_->frameTime; }
double MoviePlayer::Duration() const { return impl_->duration; }

double MoviePlayer::Position() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->fmt == nullptr) return -1.0;
  return impl_->PositionLocked();
}

bool MoviePlayer::Run() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Impl& m = *impl_;
  if (m.fmt == nullptr) return false;
  if (m.state == PlayState::kRunning) return true;
  m.basePos = m.PositionLocked();
  m.runStart = m.Now();
  m.state = PlayState::kRunning;
  if (m.basePos < m.duration) m.completeQueued = false;
  if (m.audio) {
    m.PlaceAudio(m.basePos);
    if (static_cast<uint32_t>(m.basePos * 44100.0) * 4 < m.audio->size()) m.audio->Play(false);
  }
  return true;
}

bool MoviePlayer::Pause() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Impl& m = *impl_;
  if (m.fmt == nullptr) return false;
  m.basePos = m.PositionLocked();
  m.state = PlayState::kPaused;
  if (m.audio) m.audio->Stop();
  return true;
}

bool MoviePlayer::Stop() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Impl& m = *impl_;
  if (m.fmt == nullptr) return false;
  m.basePos = m.PositionLocked();
  m.state = PlayState::kStopped;
  if (m.audio) m.audio->Stop();
  return true;
}

bool MoviePlayer::Seek(double seconds) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Impl& m = *impl_;
  if (m.fmt == nullptr || !std::isfinite(seconds)) return false;
  m.basePos = std::clamp(seconds, 0.0, m.duration);
  m.runStart = m.Now();
  if (m.basePos < m.duration) m.completeQueued = false;
  if (m.state == PlayState::kRunning) m.PlaceAudio(m.basePos);
  return true;
}

PlayState MoviePlayer::GetState() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->PositionLocked();
  return impl_->state;
}

bool MoviePlayer::GetCurrentFrame(std::vector<uint8_t>* out) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  Impl& m = *impl_;
  if (m.fmt == nullptr || out == nullptr) return false;
  m.DecodeTo(m.PositionLocked());
  if (!m.Convert()) return false;
  *out = m.converted;
  return true;
}

bool MoviePlayer::GetEvent(int* code) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->events.empty() || code == nullptr) return false;
  *code = impl_->events.front();
  impl_->events.pop_front();
  return true;
}

void MoviePlayer::SetNotify(std::function<void()> notify) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->notify = std::move(notify);
}

void MoviePlayer::SetVolume(int32_t hundredthsDb) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->volume = hundredthsDb;
  if (impl_->audio) impl_->audio->SetVolume(hundredthsDb);
}

}  // namespace vt::movie
