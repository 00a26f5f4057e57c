// Sample movies: the opening movie and the title and VS backgrounds, small MPEG-1 video with MP2
// sound in MPEG program streams, painted and voiced here and written through the FFmpeg libraries.
#include <cmath>
#include <filesystem>

#include "mkdata.h"
#include "platform/movie/movie_writer.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Moving diagonal bands over a colour wash; `hue` picks the palette of each movie.
void PaintBands(int frame, uint8_t* rgb, int width, int height, int hue) {
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double band = std::sin((x + y + frame * 4) * 2 * kPi / 64.0);
      double wash = static_cast<double>(y) / height;
      double v = 0.5 + 0.35 * band;
      uint8_t* p = rgb + (static_cast<size_t>(y) * width + x) * 3;
      p[0] = static_cast<uint8_t>(255 * (hue == 0 ? v : wash * 0.6));
      p[1] = static_cast<uint8_t>(255 * (hue == 1 ? v : 0.3 * wash));
      p[2] = static_cast<uint8_t>(255 * (hue == 2 ? v : 0.4 * (1 - wash)));
    }
  }
  // A bright square that crosses the picture, so motion is easy to see.
  int cx = (frame * 6) % (width + 40) - 20;
  for (int y = height / 2 - 16; y < height / 2 + 16; ++y) {
    for (int x = cx; x < cx + 32; ++x) {
      if (x < 0 || x >= width) continue;
      uint8_t* p = rgb + (static_cast<size_t>(y) * width + x) * 3;
      p[0] = p[1] = p[2] = 240;
    }
  }
}

bool WriteMovie(const std::filesystem::path& root, const char* relative, double seconds, int hue,
                double note) {
  vt::movie::MovieRecipe recipe;
  recipe.width = 320;
  recipe.height = 240;
  recipe.fps = 30;
  recipe.seconds = seconds;
  recipe.paint = [hue](int frame, uint8_t* rgb) { PaintBands(frame, rgb, 320, 240, hue); };
  recipe.tone = [note](int64_t i, int16_t* lr) {
    double t = i / 44100.0;
    double beat = std::fmod(t, 0.5);
    double v =
        0.25 * std::sin(2 * kPi * note * t) * std::exp(-5 * beat) + 0.1 * std::sin(2 * kPi * note * 1.5 * t);
    lr[0] = static_cast<int16_t>(v * 32000);
    lr[1] = static_cast<int16_t>(v * 30000);
  };
  std::filesystem::path out = root / relative;
  std::filesystem::create_directories(out.parent_path());
  return vt::movie::WriteMpegMovie(out.string(), recipe);
}

bool WriteMovies(const std::filesystem::path& root) {
  return WriteMovie(root, "Movie/ZOLV_OP.mpeg", 4.0, 0, 220.0) &&
         WriteMovie(root, "dat/dat_m_ttl.d", 15.0, 1, 330.0) &&
         WriteMovie(root, "dat/dat_m_vs.d", 10.0, 2, 277.0);
}

}  // namespace

MKDATA_STEP("31_movies", WriteMovies);
