// Writes small MPEG program streams (MPEG-1 video, MP2 sound) through the FFmpeg libraries: the
// sample data's movies and the movie tests' fixtures.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vt::movie {

struct MovieRecipe {
  int width = 320;
  int height = 240;
  int fps = 30;  // one of the MPEG-1 rates (24, 25, 30, 50, 60)
  double seconds = 2.0;
  bool sound = true;
  // Paints frame n as packed RGB24 rows, top row first (width x 3 bytes per row).
  std::function<void(int frame, uint8_t* rgb)> paint;
  // Sound sample (left, right) at index i of 44100 per second; none: a quiet tone.
  std::function<void(int64_t i, int16_t* lr)> tone;
};

// Writes an MPEG program stream to path (whatever its extension). False on any failure.
bool WriteMpegMovie(const std::string& path, const MovieRecipe& recipe);

}  // namespace vt::movie
