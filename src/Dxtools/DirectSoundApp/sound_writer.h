// Writers of the sound formats the readers take: Ogg Vorbis through libvorbisenc and RIFF WAVE
// images. The sample data builder and the tests make their sounds with them.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Encodes interleaved 16-bit samples (VBR, quality -0.1..1). Deterministic for equal input.
std::vector<uint8_t> EncodeOggVorbis(std::span<const int16_t> interleaved, int channels, int rate,
                                     float quality = 0.3f);

struct WavChunk {
  std::string id;  // four characters
  std::vector<uint8_t> body;
};

// A RIFF WAVE image: "fmt " (PCM), then the extra chunks, then "data". The data size field can be
// overstated to build damaged fixtures.
std::vector<uint8_t> BuildWavImage(int channels, int rate, int bits, std::span<const uint8_t> samples,
                                   const std::vector<WavChunk>& chunksBeforeData = {},
                                   uint32_t dataSizeOverride = 0);
