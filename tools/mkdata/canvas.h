// An RGBA drawing surface for the sample pictures: fills, gradients, soft-edged shapes, noise and
// blurs, composited with straight alpha ("over"), saved through the image writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace mkdata {

struct Rgba {
  float r = 0, g = 0, b = 0, a = 1;
};
inline Rgba Rgb8(int r, int g, int b, float a = 1.0f) { return {r / 255.0f, g / 255.0f, b / 255.0f, a}; }
Rgba Mix(const Rgba& a, const Rgba& b, float t);

class Canvas {
 public:
  Canvas(int w, int h, Rgba fill = {0, 0, 0, 0});
  int Width() const { return w_; }
  int Height() const { return h_; }
  Rgba& At(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
  const Rgba& At(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }

  // Sets a pixel from A, R, G, B bytes (no compositing).
  void SetArgb(int x, int y, uint32_t argb);
  // Composites colour c with coverage k (0..1) over the pixel.
  void Blend(int x, int y, const Rgba& c, float k = 1.0f);
  void Fill(const Rgba& c);
  // Top-to-bottom gradient over rows y0..y1 (painted over what is there).
  void VerticalGradient(int y0, int y1, const Rgba& top, const Rgba& bottom);
  // Shapes with an edge that fades over `soft` pixels.
  void Rect(float x, float y, float w, float h, const Rgba& c, float soft = 0.0f);
  void Ellipse(float cx, float cy, float rx, float ry, const Rgba& c, float soft = 1.0f);
  // A radial glow: full at the centre, fading to nothing at radius r.
  void Glow(float cx, float cy, float r, const Rgba& c);
  // A thick line between two points.
  void Line(float x0, float y0, float x1, float y1, float width, const Rgba& c);
  // Brightness noise of +-amount, deterministic from seed; alpha is kept.
  void Noise(float amount, uint32_t seed);
  // Box blur of every channel, `passes` times.
  void Blur(int radius, int passes = 1);

  // B, G, R, A bytes, row by row.
  std::vector<uint8_t> Bgra() const;
  // Writes root/relative as PNG (or BMP when the name ends in ".bmp").
  bool Save(const std::filesystem::path& root, const std::string& relative) const;

 private:
  int w_, h_;
  std::vector<Rgba> px_;
};

uint32_t HashNoise(uint32_t v);

}  // namespace mkdata
