// The sample pictures' drawing surface.
#include "canvas.h"

#include <algorithm>
#include <cmath>

#include "platform/image.h"

namespace mkdata {

Rgba Mix(const Rgba& a, const Rgba& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

uint32_t HashNoise(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352dU;
  v ^= v >> 15;
  v *= 0x846ca68bU;
  v ^= v >> 16;
  return v;
}

Canvas::Canvas(int w, int h, Rgba fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}

void Canvas::Blend(int x, int y, const Rgba& c, float k) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  const float sa = std::clamp(c.a * k, 0.0f, 1.0f);
  if (sa <= 0.0f) return;
  Rgba& d = At(x, y);
  const float oa = sa + d.a * (1.0f - sa);
  if (oa <= 0.0f) return;
  d.r = (c.r * sa + d.r * d.a * (1.0f - sa)) / oa;
  d.g = (c.g * sa + d.g * d.a * (1.0f - sa)) / oa;
  d.b = (c.b * sa + d.b * d.a * (1.0f - sa)) / oa;
  d.a = oa;
}

void Canvas::SetArgb(int x, int y, uint32_t argb) {
  auto ch = [argb](int shift) { return static_cast<float>((argb >> shift) & 0xFF) / 255.0f; };
  At(x, y) = Rgba{ch(16), ch(8), ch(0), ch(24)};
}

void Canvas::Fill(const Rgba& c) { std::fill(px_.begin(), px_.end(), c); }

void Canvas::VerticalGradient(int y0, int y1, const Rgba& top, const Rgba& bottom) {
  for (int y = std::max(y0, 0); y < std::min(y1, h_); ++y) {
    const Rgba c =
        Mix(top, bottom, y1 > y0 + 1 ? static_cast<float>(y - y0) / static_cast<float>(y1 - y0 - 1) : 0.0f);
    for (int x = 0; x < w_; ++x) Blend(x, y, c);
  }
}

void Canvas::Rect(float x, float y, float w, float h, const Rgba& c, float soft) {
  const int x0 = static_cast<int>(std::floor(x - soft)), x1 = static_cast<int>(std::ceil(x + w + soft));
  const int y0 = static_cast<int>(std::floor(y - soft)), y1 = static_cast<int>(std::ceil(y + h + soft));
  for (int py = y0; py < y1; ++py)
    for (int px = x0; px < x1; ++px) {
      const float fx = static_cast<float>(px) + 0.5f, fy = static_cast<float>(py) + 0.5f;
      const float dx = std::max({x - fx, fx - (x + w), 0.0f}), dy = std::max({y - fy, fy - (y + h), 0.0f});
      const float d = std::sqrt(dx * dx + dy * dy);
      const float k = soft > 0.0f ? std::clamp(1.0f - d / soft, 0.0f, 1.0f) : (d > 0.0f ? 0.0f : 1.0f);
      Blend(px, py, c, k);
    }
}

void Canvas::Ellipse(float cx, float cy, float rx, float ry, const Rgba& c, float soft) {
  const int x0 = static_cast<int>(cx - rx - soft - 1), x1 = static_cast<int>(cx + rx + soft + 1);
  const int y0 = static_cast<int>(cy - ry - soft - 1), y1 = static_cast<int>(cy + ry + soft + 1);
  for (int py = y0; py <= y1; ++py)
    for (int px = x0; px <= x1; ++px) {
      const float dx = (static_cast<float>(px) + 0.5f - cx) / rx,
                  dy = (static_cast<float>(py) + 0.5f - cy) / ry;
      const float d = (std::sqrt(dx * dx + dy * dy) - 1.0f) * std::min(rx, ry);
      Blend(px, py, c, soft > 0.0f ? std::clamp(0.5f - d / soft, 0.0f, 1.0f) : (d <= 0.0f ? 1.0f : 0.0f));
    }
}

void Canvas::Glow(float cx, float cy, float r, const Rgba& c) {
  for (int py = static_cast<int>(cy - r); py <= static_cast<int>(cy + r); ++py)
    for (int px = static_cast<int>(cx - r); px <= static_cast<int>(cx + r); ++px) {
      const float dx = static_cast<float>(px) + 0.5f - cx, dy = static_cast<float>(py) + 0.5f - cy;
      const float k = std::clamp(1.0f - std::sqrt(dx * dx + dy * dy) / r, 0.0f, 1.0f);
      Blend(px, py, c, k * k);
    }
}

void Canvas::Line(float x0, float y0, float x1, float y1, float width, const Rgba& c) {
  const float half = width / 2.0f;
  const int bx0 = static_cast<int>(std::min(x0, x1) - half - 1),
            bx1 = static_cast<int>(std::max(x0, x1) + half + 1);
  const int by0 = static_cast<int>(std::min(y0, y1) - half - 1),
            by1 = static_cast<int>(std::max(y0, y1) + half + 1);
  const float dx = x1 - x0, dy = y1 - y0, len2 = std::max(dx * dx + dy * dy, 1e-6f);
  for (int py = by0; py <= by1; ++py)
    for (int px = bx0; px <= bx1; ++px) {
      const float fx = static_cast<float>(px) + 0.5f, fy = static_cast<float>(py) + 0.5f;
      const float t = std::clamp(((fx - x0) * dx + (fy - y0) * dy) / len2, 0.0f, 1.0f);
      const float d = std::hypot(fx - (x0 + dx * t), fy - (y0 + dy * t));
      Blend(px, py, c, std::clamp(half - d + 0.5f, 0.0f, 1.0f));
    }
}

void Canvas::Noise(float amount, uint32_t seed) {
  for (int y = 0; y < h_; ++y)
    for (int x = 0; x < w_; ++x) {
      const float n =
          (static_cast<float>(HashNoise(seed ^ static_cast<uint32_t>(y * w_ + x) * 2654435761u) & 0xFF) /
               255.0f -
           0.5f) *
          2.0f * amount;
      Rgba& p = At(x, y);
      p.r = std::clamp(p.r + n, 0.0f, 1.0f);
      p.g = std::clamp(p.g + n, 0.0f, 1.0f);
      p.b = std::clamp(p.b + n, 0.0f, 1.0f);
    }
}

void Canvas::Blur(int radius, int passes) {
  std::vector<Rgba> tmp(px_.size());
  for (int p = 0; p < passes; ++p) {
    for (int dir = 0; dir < 2; ++dir) {
      const int n = dir == 0 ? w_ : h_, m = dir == 0 ? h_ : w_;
      for (int j = 0; j < m; ++j)
        for (int i = 0; i < n; ++i) {
          Rgba s{0, 0, 0, 0};
          int count = 0;
          for (int k = std::max(i - radius, 0); k <= std::min(i + radius, n - 1); ++k) {
            const Rgba& q = dir == 0 ? At(k, j) : At(j, k);
            s.r += q.r * q.a;
            s.g += q.g * q.a;
            s.b += q.b * q.a;
            s.a += q.a;
            ++count;
          }
          Rgba out{0, 0, 0, s.a / static_cast<float>(count)};
          if (s.a > 0.0f) out = Rgba{s.r / s.a, s.g / s.a, s.b / s.a, out.a};
          tmp[dir == 0 ? static_cast<size_t>(j) * w_ + i : static_cast<size_t>(i) * w_ + j] = out;
        }
      px_.swap(tmp);
    }
  }
}

std::vector<uint8_t> Canvas::Bgra() const {
  std::vector<uint8_t> out(px_.size() * 4);
  auto q = [](float v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f)); };
  for (size_t i = 0; i < px_.size(); ++i) {
    out[i * 4 + 0] = q(px_[i].b);
    out[i * 4 + 1] = q(px_[i].g);
    out[i * 4 + 2] = q(px_[i].r);
    out[i * 4 + 3] = q(px_[i].a);
  }
  return out;
}

bool Canvas::Save(const std::filesystem::path& root, const std::string& relative) const {
  const std::filesystem::path path = root / relative;
  std::filesystem::create_directories(path.parent_path());
  const bool bmp = relative.size() > 4 && relative.compare(relative.size() - 4, 4, ".bmp") == 0;
  const std::vector<uint8_t> bgra = Bgra();
  return vt::image::SaveImage(path.string(), bmp ? vt::image::kFileBmp : vt::image::kFilePng, bgra.data(), w_,
                              h_);
}

}  // namespace mkdata
