// Ogg Vorbis encoding and WAV image building.
#include "Dxtools/DirectSoundApp/sound_writer.h"

#include <vorbis/vorbisenc.h>

#include <cstring>

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void PutId(std::vector<uint8_t>& out, const char* id) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(id[i]));
}

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page) {
  out.insert(out.end(), page.header, page.header + page.header_len);
  out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<uint8_t> EncodeOggVorbis(std::span<const int16_t> interleaved, int channels, int rate,
                                     float quality) {
  std::vector<uint8_t> out;
  if (channels < 1 || channels > 2) return out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
    vorbis_info_clear(&vi);
    return out;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x56544F47);  // a fixed serial keeps the output the same on every run
  ogg_packet header, comm, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comm);
  ogg_stream_packetin(&os, &code);
  ogg_page page;
  while (ogg_stream_flush(&os, &page) != 0) AppendPage(out, page);

  size_t frames = interleaved.size() / channels;
  size_t done = 0;
  bool eos = false;
  while (!eos) {
    size_t n = std::min<size_t>(1024, frames - done);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (size_t i = 0; i < n; ++i) {
        for (int c = 0; c < channels; ++c) {
          buffer[c][i] = interleaved[(done + i) * channels + c] / 32768.0f;
        }
      }
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet packet;
      while (vorbis_bitrate_flushpacket(&vd, &packet)) {
        ogg_stream_packetin(&os, &packet);
        while (!eos && ogg_stream_pageout(&os, &page) != 0) {
          AppendPage(out, page);
          if (ogg_page_eos(&page)) eos = true;
        }
      }
    }
    if (n == 0) {
      while (ogg_stream_flush(&os, &page) != 0) {
        AppendPage(out, page);
      }
      eos = true;
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

std::vector<uint8_t> BuildWavImage(int channels, int rate, int bits, std::span<const uint8_t> samples,
                                   const std::vector<WavChunk>& chunksBeforeData, uint32_t dataSizeOverride) {
  std::vector<uint8_t> out;
  PutId(out, "RIFF");
  Put32(out, 0);
  PutId(out, "WAVE");
  PutId(out, "fmt ");
  Put32(out, 16);
  uint16_t align = static_cast<uint16_t>(channels * bits / 8);
  Put16(out, 1);
  Put16(out, static_cast<uint16_t>(channels));
  Put32(out, static_cast<uint32_t>(rate));
  Put32(out, static_cast<uint32_t>(rate) * align);
  Put16(out, align);
  Put16(out, static_cast<uint16_t>(bits));
  for (const WavChunk& c : chunksBeforeData) {
    char id[4] = {' ', ' ', ' ', ' '};
    std::memcpy(id, c.id.data(), std::min<size_t>(4, c.id.size()));
    PutId(out, id);
    Put32(out, static_cast<uint32_t>(c.body.size()));
    out.insert(out.end(), c.body.begin(), c.body.end());
    if (c.body.size() & 1u) out.push_back(0);
  }
  PutId(out, "data");
  Put32(out, dataSizeOverride != 0 ? dataSizeOverride : static_cast<uint32_t>(samples.size()));
  out.insert(out.end(), samples.begin(), samples.end());
  if (samples.size() & 1u) out.push_back(0);
  uint32_t riff = static_cast<uint32_t>(out.size() - 8);
  for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
  return out;
}
