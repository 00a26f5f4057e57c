// MPEG-1/MP2 program-stream writer over libavformat and libavcodec.
#include "platform/movie/movie_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <vector>

#include "app/lib_debug.h"
#include "platform/movie/movie_player.h"

namespace vt::movie {
namespace {

struct Writer {
  AVFormatContext* oc = nullptr;
  AVCodecContext* venc = nullptr;
  AVCodecContext* aenc = nullptr;
  AVStream* vst = nullptr;
  AVStream* ast = nullptr;
  SwsContext* sws = nullptr;
  AVFrame* vframe = nullptr;
  AVFrame* aframe = nullptr;
  AVPacket* pkt = nullptr;

  ~Writer() {
    sws_freeContext(sws);
    av_frame_free(&vframe);
    av_frame_free(&aframe);
    av_packet_free(&pkt);
    avcodec_free_context(&venc);
    avcodec_free_context(&aenc);
    if (oc != nullptr) {
      if (oc->pb != nullptr) avio_closep(&oc->pb);
      avformat_free_context(oc);
    }
  }

  bool Drain(AVCodecContext* enc, AVStream* st) {
    while (true) {
      int r = avcodec_receive_packet(enc, pkt);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return false;
      av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
      pkt->stream_index = st->index;
      if (av_interleaved_write_frame(oc, pkt) < 0) return false;
    }
  }
};

}  // namespace

bool WriteMpegMovie(const std::string& path, const MovieRecipe& recipe) {
  QuietFfmpegLog();
  Writer w;
  if (avformat_alloc_output_context2(&w.oc, nullptr, "mpeg", path.c_str()) < 0 || w.oc == nullptr)
    return false;
  w.oc->flags |= AVFMT_FLAG_BITEXACT;
  const AVCodec* vcodec = avcodec_find_encoder(AV_CODEC_ID_MPEG1VIDEO);
  if (vcodec == nullptr) return false;
  w.vst = avformat_new_stream(w.oc, nullptr);
  w.venc = avcodec_alloc_context3(vcodec);
  w.venc->width = recipe.width;
  w.venc->height = recipe.height;
  w.venc->time_base = AVRational{1, recipe.fps};
  w.venc->framerate = AVRational{recipe.fps, 1};
  w.venc->pix_fmt = AV_PIX_FMT_YUV420P;
  w.venc->gop_size = 12;
  w.venc->max_b_frames = 0;
  w.venc->bit_rate = 600000;
  w.venc->thread_count = 1;
  w.venc->flags |= AV_CODEC_FLAG_BITEXACT;
  if (avcodec_open2(w.venc, vcodec, nullptr) < 0) return false;
  avcodec_parameters_from_context(w.vst->codecpar, w.venc);
  w.vst->time_base = w.venc->time_base;

  if (recipe.sound) {
    const AVCodec* acodec = avcodec_find_encoder(AV_CODEC_ID_MP2);
    if (acodec == nullptr) return false;
    w.ast = avformat_new_stream(w.oc, nullptr);
    w.aenc = avcodec_alloc_context3(acodec);
    w.aenc->sample_fmt = AV_SAMPLE_FMT_S16;
    w.aenc->sample_rate = 44100;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&w.aenc->ch_layout, &stereo);
    w.aenc->bit_rate = 128000;
    w.aenc->time_base = AVRational{1, 44100};
    w.aenc->flags |= AV_CODEC_FLAG_BITEXACT;
    if (avcodec_open2(w.aenc, acodec, nullptr) < 0) return false;
    avcodec_parameters_from_context(w.ast->codecpar, w.aenc);
    w.ast->time_base = w.aenc->time_base;
  }
  if (avio_open(&w.oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
    DebugPrint("movie writer: cannot create %s\n", path.c_str());
    return false;
  }
  if (avformat_write_header(w.oc, nullptr) < 0) return false;

  w.pkt = av_packet_alloc();
  w.vframe = av_frame_alloc();
  w.vframe->format = AV_PIX_FMT_YUV420P;
  w.vframe->width = recipe.width;
  w.vframe->height = recipe.height;
  if (av_frame_get_buffer(w.vframe, 0) < 0) return false;
  w.sws = sws_getContext(recipe.width, recipe.height, AV_PIX_FMT_RGB24, recipe.width, recipe.height,
                         AV_PIX_FMT_YUV420P, SWS_BILINEAR | SWS_ACCURATE_RND | SWS_BITEXACT, nullptr, nullptr,
                         nullptr);
  if (w.sws == nullptr) return false;
  if (w.aenc != nullptr) {
    w.aframe = av_frame_alloc();
    w.aframe->format = AV_SAMPLE_FMT_S16;
    w.aframe->nb_samples = w.aenc->frame_size;
    av_channel_layout_copy(&w.aframe->ch_layout, &w.aenc->ch_layout);
    w.aframe->sample_rate = 44100;
    if (av_frame_get_buffer(w.aframe, 0) < 0) return false;
  }

  const int frames = static_cast<int>(std::lround(recipe.seconds * recipe.fps));
  const int64_t samples = static_cast<int64_t>(std::lround(recipe.seconds * 44100));
  std::vector<uint8_t> rgb(static_cast<size_t>(recipe.width) * recipe.height * 3);
  int nextFrame = 0;
  int64_t nextSample = 0;
  while (nextFrame < frames || (w.aenc != nullptr && nextSample < samples)) {
    bool videoFirst = w.aenc == nullptr || nextSample >= samples ||
                      (nextFrame < frames && static_cast<double>(nextFrame) / recipe.fps <=
                                                 static_cast<double>(nextSample) / 44100.0);
    if (videoFirst) {
      if (recipe.paint) recipe.paint(nextFrame, rgb.data());
      if (av_frame_make_writable(w.vframe) < 0) return false;
      const uint8_t* src[1] = {rgb.data()};
      int stride[1] = {recipe.width * 3};
      sws_scale(w.sws, src, stride, 0, recipe.height, w.vframe->data, w.vframe->linesize);
      w.vframe->pts = nextFrame++;
      if (avcodec_send_frame(w.venc, w.vframe) < 0 || !w.Drain(w.venc, w.vst)) return false;
    } else {
      if (av_frame_make_writable(w.aframe) < 0) return false;
      auto* lr = reinterpret_cast<int16_t*>(w.aframe->data[0]);
      for (int i = 0; i < w.aframe->nb_samples; ++i) {
        int64_t at = nextSample + i;
        if (recipe.tone) {
          recipe.tone(at, lr + 2 * i);
        } else {
          int16_t v = static_cast<int16_t>(3000 * std::sin(2 * 3.14159265358979 * 440.0 * at / 44100.0));
          lr[2 * i] = lr[2 * i + 1] = v;
        }
      }
      w.aframe->pts = nextSample;
      nextSample += w.aframe->nb_samples;
      if (avcodec_send_frame(w.aenc, w.aframe) < 0 || !w.Drain(w.aenc, w.ast)) return false;
    }
  }
  avcodec_send_frame(w.venc, nullptr);
  if (!w.Drain(w.venc, w.vst)) return false;
  if (w.aenc != nullptr) {
    avcodec_send_frame(w.aenc, nullptr);
    if (!w.Drain(w.aenc, w.ast)) return false;
  }
  return av_write_trailer(w.oc) == 0;
}

}  // namespace vt::movie
