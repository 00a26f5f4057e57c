// A locked picture the text renderers write into: bits, pitch, the allocated size (what every
// write is clipped to) and the pixel format. A8R8G8B8 pixels are the bytes B, G, R, A;
// A4R4G4B4 pixels are little-endian 16-bit words 0xARGB.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vt::text {

enum class PixelFormat : uint8_t { kA8R8G8B8, kA4R4G4B4 };

struct PixelTarget {
  uint8_t* bits = nullptr;
  int pitch = 0;   // bytes from one row to the next
  int width = 0;   // allocated width in pixels
  int height = 0;  // allocated height in pixels
  PixelFormat format = PixelFormat::kA8R8G8B8;

  bool Valid() const {
    int bpp = format == PixelFormat::kA8R8G8B8 ? 4 : 2;
    return bits != nullptr && width > 0 && height > 0 && pitch >= width * bpp;
  }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
  // No bounds check: callers clip first.
  void Put32(int x, int y, uint32_t argb) const {
    std::memcpy(bits + static_cast<std::ptrdiff_t>(y) * pitch + x * 4, &argb, 4);
  }
  uint32_t Get32(int x, int y) const {
    uint32_t v;
    std::memcpy(&v, bits + static_cast<std::ptrdiff_t>(y) * pitch + x * 4, 4);
    return v;
  }
  void Put16(int x, int y, uint16_t argb) const {
    std::memcpy(bits + static_cast<std::ptrdiff_t>(y) * pitch + x * 2, &argb, 2);
  }
  uint16_t Get16(int x, int y) const {
    uint16_t v;
    std::memcpy(&v, bits + static_cast<std::ptrdiff_t>(y) * pitch + x * 2, 2);
    return v;
  }
};

}  // namespace vt::text
