// Device textures: CPU image, locking, reference counting, pixel format conversions.
#include "platform/gfx/texture.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace vt::gfx {

namespace {
std::atomic<uint64_t> g_nextSerial{1};

uint8_t Expand(uint32_t value, int bits) {
  uint32_t max = (1u << bits) - 1;
  return static_cast<uint8_t>((value * 255 + max / 2) / max);
}

void Rgb565ToBgra(uint16_t c, uint8_t out[4]) {
  out[2] = Expand((c >> 11) & 31, 5);
  out[1] = Expand((c >> 5) & 63, 6);
  out[0] = Expand(c & 31, 5);
  out[3] = 255;
}

// Decodes one 4 x 4 block of a DXT format into 16 B, G, R, A pixels.
void DecodeBlock(Format format, const uint8_t* block, uint8_t out[16][4]) {
  const uint8_t* colour = block;
  if (format != FMT_DXT1) colour = block + 8;
  uint16_t c0 = static_cast<uint16_t>(colour[0] | (colour[1] << 8));
  uint16_t c1 = static_cast<uint16_t>(colour[2] | (colour[3] << 8));
  uint8_t palette[4][4];
  Rgb565ToBgra(c0, palette[0]);
  Rgb565ToBgra(c1, palette[1]);
  bool fourColour = format != FMT_DXT1 || c0 > c1;
  for (int ch = 0; ch < 3; ++ch) {
    if (fourColour) {
      palette[2][ch] = static_cast<uint8_t>((2 * palette[0][ch] + palette[1][ch]) / 3);
      palette[3][ch] = static_cast<uint8_t>((palette[0][ch] + 2 * palette[1][ch]) / 3);
    } else {
      palette[2][ch] = static_cast<uint8_t>((palette[0][ch] + palette[1][ch]) / 2);
      palette[3][ch] = 0;
    }
  }
  palette[2][3] = 255;
  palette[3][3] = fourColour ? 255 : 0;
  uint32_t bits = static_cast<uint32_t>(colour[4]) | (static_cast<uint32_t>(colour[5]) << 8) |
                  (static_cast<uint32_t>(colour[6]) << 16) | (static_cast<uint32_t>(colour[7]) << 24);
  for (int i = 0; i < 16; ++i) std::memcpy(out[i], palette[(bits >> (2 * i)) & 3], 4);
  if (format == FMT_DXT2 || format == FMT_DXT3) {
    for (int i = 0; i < 16; ++i) {
      uint8_t nibble = static_cast<uint8_t>((block[i / 2] >> ((i & 1) * 4)) & 15);
      out[i][3] = static_cast<uint8_t>(nibble * 17);
    }
  } else if (format == FMT_DXT4 || format == FMT_DXT5) {
    uint8_t a[8];
    a[0] = block[0];
    a[1] = block[1];
    if (a[0] > a[1]) {
      for (int i = 1; i < 7; ++i) a[i + 1] = static_cast<uint8_t>(((7 - i) * a[0] + i * a[1]) / 7);
    } else {
      for (int i = 1; i < 5; ++i) a[i + 1] = static_cast<uint8_t>(((5 - i) * a[0] + i * a[1]) / 5);
      a[6] = 0;
      a[7] = 255;
    }
    uint64_t abits = 0;
    for (int i = 0; i < 6; ++i) abits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
    for (int i = 0; i < 16; ++i) out[i][3] = a[(abits >> (3 * i)) & 7];
  }
}
}  // namespace

bool IsBlockCompressed(Format f) {
  return f == FMT_DXT1 || f == FMT_DXT2 || f == FMT_DXT3 || f == FMT_DXT4 || f == FMT_DXT5;
}

int BytesPerPixel(Format f) {
  switch (f) {
    case FMT_A8R8G8B8:
    case FMT_X8R8G8B8:
    case FMT_A8B8G8R8:
    case FMT_X8B8G8R8:
      return 4;
    case FMT_R8G8B8:
      return 3;
    case FMT_R5G6B5:
    case FMT_X1R5G5B5:
    case FMT_A1R5G5B5:
    case FMT_A4R4G4B4:
    case FMT_X4R4G4B4:
    case FMT_A8L8:
      return 2;
    case FMT_A8:
    case FMT_L8:
      return 1;
    case FMT_A32B32G32R32F:
      return 16;
    default:
      return 0;
  }
}

bool IsTextureFormatSupported(Format f) { return BytesPerPixel(f) != 0 || IsBlockCompressed(f); }

int RowPitch(Format f, int width) {
  if (IsBlockCompressed(f)) return ((width + 3) / 4) * (f == FMT_DXT1 ? 8 : 16);
  return width * BytesPerPixel(f);
}

int RowCount(Format f, int height) { return IsBlockCompressed(f) ? (height + 3) / 4 : height; }

void GlDeletionQueue::PushTexture(uint32_t name) {
  std::lock_guard<std::mutex> lock(mutex);
  textures.push_back(name);
}

void GlDeletionQueue::PushProgram(uint32_t name) {
  std::lock_guard<std::mutex> lock(mutex);
  programs.push_back(name);
}

Texture::Texture(uint32_t width, uint32_t height, Format format, Pool pool, uint32_t usage,
                 std::shared_ptr<GlDeletionQueue> deletions)
    : width_(width),
      height_(height),
      format_(format),
      pool_(pool),
      usage_(usage),
      serial_(g_nextSerial.fetch_add(1)),
      pitch_(RowPitch(format, static_cast<int>(width))),
      deletions_(std::move(deletions)) {
  pixels_.assign(
      static_cast<size_t>(pitch_) * static_cast<size_t>(RowCount(format, static_cast<int>(height))), 0);
}

Texture::~Texture() {
  if (glName != 0 && deletions_) deletions_->PushTexture(glName);
}

uint32_t Texture::Release() {
  uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

SurfaceDesc Texture::GetDesc() const {
  SurfaceDesc d;
  d.format = format_;
  d.Usage = usage_;
  d.pool = pool_;
  d.Width = width_;
  d.Height = height_;
  return d;
}

int32_t Texture::LockRect(LockedRect* out, const Rect* rect) {
  if (!out) return kErrInvalidCall;
  if (pool_ == POOL_DEFAULT) return kErrInvalidCall;  // render targets are not lockable
  if (locked_.exchange(true)) return kErrInvalidCall;
  // The rendering thread may be reading the image for an upload: wait for it to finish.
  while (uploading_.load()) std::this_thread::yield();
  size_t offset = 0;
  if (rect) {
    if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<int32_t>(width_) ||
        rect->bottom > static_cast<int32_t>(height_) || rect->left > rect->right ||
        rect->top > rect->bottom) {
      locked_.store(false, std::memory_order_release);
      return kErrInvalidCall;
    }
    if (IsBlockCompressed(format_)) {
      offset =
          static_cast<size_t>(rect->top / 4) * pitch_ + static_cast<size_t>(RowPitch(format_, rect->left));
    } else {
      offset =
          static_cast<size_t>(rect->top) * pitch_ + static_cast<size_t>(rect->left) * BytesPerPixel(format_);
    }
  }
  out->Pitch = pitch_;
  out->pBits = pixels_.data() + offset;
  return kOk;
}

bool Texture::BeginUpload() {
  uploading_.store(true);
  if (locked_.load()) {
    uploading_.store(false);
    return false;
  }
  return true;
}

int32_t Texture::UnlockRect() {
  if (!locked_.exchange(false, std::memory_order_acq_rel)) return kErrInvalidCall;
  MarkDirty();
  return kOk;
}

void ReadPixelBgra(Format format, const uint8_t* image, int pitch, int x, int y, uint8_t out[4]) {
  const uint8_t* row = image + static_cast<ptrdiff_t>(y) * pitch;
  switch (format) {
    case FMT_A8R8G8B8:
      std::memcpy(out, row + x * 4, 4);
      return;
    case FMT_X8R8G8B8:
      std::memcpy(out, row + x * 4, 3);
      out[3] = 255;
      return;
    case FMT_A8B8G8R8:
    case FMT_X8B8G8R8: {
      const uint8_t* p = row + x * 4;
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
      out[3] = format == FMT_A8B8G8R8 ? p[3] : 255;
      return;
    }
    case FMT_R8G8B8:
      std::memcpy(out, row + x * 3, 3);
      out[3] = 255;
      return;
    case FMT_R5G6B5: {
      uint16_t c = static_cast<uint16_t>(row[x * 2] | (row[x * 2 + 1] << 8));
      Rgb565ToBgra(c, out);
      return;
    }
    case FMT_X1R5G5B5:
    case FMT_A1R5G5B5: {
      uint16_t c = static_cast<uint16_t>(row[x * 2] | (row[x * 2 + 1] << 8));
      out[2] = Expand((c >> 10) & 31, 5);
      out[1] = Expand((c >> 5) & 31, 5);
      out[0] = Expand(c & 31, 5);
      out[3] = format == FMT_A1R5G5B5 ? ((c & 0x8000) ? 255 : 0) : 255;
      return;
    }
    case FMT_A4R4G4B4:
    case FMT_X4R4G4B4: {
      uint16_t c = static_cast<uint16_t>(row[x * 2] | (row[x * 2 + 1] << 8));
      out[3] = format == FMT_A4R4G4B4 ? static_cast<uint8_t>(((c >> 12) & 15) * 17) : 255;
      out[2] = static_cast<uint8_t>(((c >> 8) & 15) * 17);
      out[1] = static_cast<uint8_t>(((c >> 4) & 15) * 17);
      out[0] = static_cast<uint8_t>((c & 15) * 17);
      return;
    }
    case FMT_A8:
      out[0] = out[1] = out[2] = 0;
      out[3] = row[x];
      return;
    case FMT_L8:
      out[0] = out[1] = out[2] = row[x];
      out[3] = 255;
      return;
    case FMT_A8L8:
      out[0] = out[1] = out[2] = row[x * 2];
      out[3] = row[x * 2 + 1];
      return;
    case FMT_A32B32G32R32F: {
      float f[4];
      std::memcpy(f, row + x * 16, 16);
      for (int i = 0; i < 4; ++i) {
        float v = std::clamp(f[i], 0.0f, 1.0f) * 255.0f + 0.5f;
        uint8_t b = static_cast<uint8_t>(v);
        if (i == 3)
          out[3] = b;
        else
          out[2 - i] = b;
      }
      return;
    }
    default:
      if (IsBlockCompressed(format)) {
        int blockBytes = format == FMT_DXT1 ? 8 : 16;
        const uint8_t* block = image + static_cast<ptrdiff_t>(y / 4) * pitch + (x / 4) * blockBytes;
        uint8_t px[16][4];
        DecodeBlock(format, block, px);
        std::memcpy(out, px[(y % 4) * 4 + (x % 4)], 4);
        return;
      }
      out[0] = out[1] = out[2] = out[3] = 0;
  }
}

void WritePixelBgra(Format format, uint8_t* image, int pitch, int x, int y, const uint8_t c[4]) {
  uint8_t* row = image + static_cast<ptrdiff_t>(y) * pitch;
  auto put16 = [&](uint16_t v) {
    row[x * 2] = static_cast<uint8_t>(v & 0xFF);
    row[x * 2 + 1] = static_cast<uint8_t>(v >> 8);
  };
  switch (format) {
    case FMT_A8R8G8B8:
      std::memcpy(row + x * 4, c, 4);
      return;
    case FMT_X8R8G8B8:
      std::memcpy(row + x * 4, c, 3);
      row[x * 4 + 3] = 255;
      return;
    case FMT_A8B8G8R8:
    case FMT_X8B8G8R8:
      row[x * 4] = c[2];
      row[x * 4 + 1] = c[1];
      row[x * 4 + 2] = c[0];
      row[x * 4 + 3] = format == FMT_A8B8G8R8 ? c[3] : 255;
      return;
    case FMT_R8G8B8:
      std::memcpy(row + x * 3, c, 3);
      return;
    case FMT_R5G6B5:
      put16(static_cast<uint16_t>(((c[2] >> 3) << 11) | ((c[1] >> 2) << 5) | (c[0] >> 3)));
      return;
    case FMT_X1R5G5B5:
    case FMT_A1R5G5B5:
      put16(static_cast<uint16_t>((format == FMT_X1R5G5B5 || c[3] >= 128 ? 0x8000 : 0) | ((c[2] >> 3) << 10) |
                                  ((c[1] >> 3) << 5) | (c[0] >> 3)));
      return;
    case FMT_A4R4G4B4:
    case FMT_X4R4G4B4:
      put16(static_cast<uint16_t>(((format == FMT_X4R4G4B4 ? 15 : c[3] >> 4) << 12) | ((c[2] >> 4) << 8) |
                                  ((c[1] >> 4) << 4) | (c[0] >> 4)));
      return;
    case FMT_A8:
      row[x] = c[3];
      return;
    case FMT_L8:
      row[x] = static_cast<uint8_t>((c[0] * 29 + c[1] * 150 + c[2] * 77) >> 8);
      return;
    case FMT_A8L8:
      row[x * 2] = static_cast<uint8_t>((c[0] * 29 + c[1] * 150 + c[2] * 77) >> 8);
      row[x * 2 + 1] = c[3];
      return;
    case FMT_A32B32G32R32F: {
      float f[4] = {c[2] / 255.0f, c[1] / 255.0f, c[0] / 255.0f, c[3] / 255.0f};
      std::memcpy(row + x * 16, f, 16);
      return;
    }
    default:
      return;  // block formats are never written pixel by pixel
  }
}

std::vector<uint8_t> DecodeToBgra(Format format, const uint8_t* image, int pitch, int width, int height) {
  std::vector<uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  if (width <= 0 || height <= 0) return out;
  if (format == FMT_A8R8G8B8) {
    for (int y = 0; y < height; ++y)
      std::memcpy(out.data() + static_cast<size_t>(y) * width * 4, image + static_cast<ptrdiff_t>(y) * pitch,
                  static_cast<size_t>(width) * 4);
    return out;
  }
  if (IsBlockCompressed(format)) {
    int blockBytes = format == FMT_DXT1 ? 8 : 16;
    uint8_t px[16][4];
    for (int by = 0; by < (height + 3) / 4; ++by) {
      for (int bx = 0; bx < (width + 3) / 4; ++bx) {
        DecodeBlock(format, image + static_cast<ptrdiff_t>(by) * pitch + bx * blockBytes, px);
        for (int i = 0; i < 16; ++i) {
          int x = bx * 4 + (i % 4), y = by * 4 + (i / 4);
          if (x < width && y < height)
            std::memcpy(out.data() + (static_cast<size_t>(y) * width + x) * 4, px[i], 4);
        }
      }
    }
    return out;
  }
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ReadPixelBgra(format, image, pitch, x, y, out.data() + (static_cast<size_t>(y) * width + x) * 4);
  return out;
}

void ConvertRect(Format srcFormat, const uint8_t* src, int srcPitch, int sx, int sy, Format dstFormat,
                 uint8_t* dst, int dstPitch, int dx, int dy, int width, int height) {
  if (srcFormat == dstFormat && !IsBlockCompressed(srcFormat)) {
    int bpp = BytesPerPixel(srcFormat);
    for (int y = 0; y < height; ++y)
      std::memcpy(dst + static_cast<ptrdiff_t>(dy + y) * dstPitch + dx * bpp,
                  src + static_cast<ptrdiff_t>(sy + y) * srcPitch + sx * bpp,
                  static_cast<size_t>(width) * bpp);
    return;
  }
  uint8_t px[4];
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      ReadPixelBgra(srcFormat, src, srcPitch, sx + x, sy + y, px);
      WritePixelBgra(dstFormat, dst, dstPitch, dx + x, dy + y, px);
    }
  }
}

}  // namespace vt::gfx
