// Image readers and writers: stb_image / stb_image_write for the common formats, our own code for
// DDS, PPM and PFM writing and the DDS and PFM readers.
#include "platform/image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "app/lib_debug.h"
#include "platform/gfx/texture.h"

#define STBI_MAX_DIMENSIONS 16384
#define STBI_NO_STDIO
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace vt::image {

using gfx::Format;

namespace {
constexpr uint32_t kMaxSide = 16384;
constexpr uint64_t kMaxPixels = 4096ull * 4096ull;

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IsDds(std::span<const uint8_t> d) { return d.size() >= 4 && std::memcmp(d.data(), "DDS ", 4) == 0; }
bool IsPfm(std::span<const uint8_t> d) {
  return d.size() >= 2 && d[0] == 'P' && (d[1] == 'f' || d[1] == 'F');
}

FileFormat Sniff(std::span<const uint8_t> d) {
  if (IsDds(d)) return kFileDds;
  if (IsPfm(d)) return kFilePfm;
  if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M') return kFileBmp;
  if (d.size() >= 8 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G') return kFilePng;
  if (d.size() >= 2 && d[0] == 0xFF && d[1] == 0xD8) return kFileJpg;
  if (d.size() >= 2 && d[0] == 'P' && d[1] >= '1' && d[1] <= '6') return kFilePpm;
  if (d.size() >= 2 && d[0] == '#' && d[1] == '?') return kFileHdr;
  return kFileTga;
}

// The DDS header fields we read.
struct DdsHeader {
  uint32_t height, width, pfFlags, fourCC, bitCount, rMask, gMask, bMask, aMask;
};

bool ParseDdsHeader(std::span<const uint8_t> d, DdsHeader* h, Format* format, const char* name) {
  if (d.size() < 128) {
    DebugPrint("%s: DDS header truncated\n", name);
    return false;
  }
  const uint8_t* p = d.data() + 4;
  if (Le32(p) != 124 || Le32(p + 72) != 32) {
    DebugPrint("%s: DDS header sizes wrong\n", name);
    return false;
  }
  h->height = Le32(p + 8);
  h->width = Le32(p + 12);
  h->pfFlags = Le32(p + 76);
  h->fourCC = Le32(p + 80);
  h->bitCount = Le32(p + 84);
  h->rMask = Le32(p + 88);
  h->gMask = Le32(p + 92);
  h->bMask = Le32(p + 96);
  h->aMask = Le32(p + 100);
  if (h->width == 0 || h->height == 0 || h->width > kMaxSide || h->height > kMaxSide) {
    DebugPrint("%s: DDS size %ux%u out of range\n", name, h->width, h->height);
    return false;
  }
  constexpr uint32_t kFourCC = 0x4, kRgb = 0x40, kAlphaPixels = 0x1;
  *format = gfx::FMT_UNKNOWN;
  if (h->pfFlags & kFourCC) {
    switch (h->fourCC) {
      case gfx::FMT_DXT1:
      case gfx::FMT_DXT2:
      case gfx::FMT_DXT3:
      case gfx::FMT_DXT4:
      case gfx::FMT_DXT5:
        *format = static_cast<Format>(h->fourCC);
        break;
      default:
        break;
    }
  } else if (h->pfFlags & kRgb) {
    bool alpha = (h->pfFlags & kAlphaPixels) != 0 && h->aMask != 0;
    if (h->bitCount == 32 && h->rMask == 0xFF0000 && h->gMask == 0xFF00 && h->bMask == 0xFF)
      *format = alpha && h->aMask == 0xFF000000u ? gfx::FMT_A8R8G8B8 : gfx::FMT_X8R8G8B8;
    else if (h->bitCount == 32 && h->rMask == 0xFF && h->gMask == 0xFF00 && h->bMask == 0xFF0000)
      *format = alpha ? gfx::FMT_A8B8G8R8 : gfx::FMT_X8B8G8R8;
    else if (h->bitCount == 24 && h->rMask == 0xFF0000 && h->gMask == 0xFF00 && h->bMask == 0xFF)
      *format = gfx::FMT_R8G8B8;
    else if (h->bitCount == 16 && h->rMask == 0xF800 && h->gMask == 0x7E0 && h->bMask == 0x1F)
      *format = gfx::FMT_R5G6B5;
    else if (h->bitCount == 16 && h->rMask == 0x7C00 && h->gMask == 0x3E0 && h->bMask == 0x1F)
      *format = alpha ? gfx::FMT_A1R5G5B5 : gfx::FMT_X1R5G5B5;
    else if (h->bitCount == 16 && h->rMask == 0xF00 && h->gMask == 0xF0 && h->bMask == 0xF)
      *format = alpha ? gfx::FMT_A4R4G4B4 : gfx::FMT_X4R4G4B4;
  }
  if (*format == gfx::FMT_UNKNOWN) {
    DebugPrint("%s: DDS pixel format not supported\n", name);
    return false;
  }
  return true;
}

// Checks a JPEG's marker structure before the image library sees it. The library trusts the
// Huffman table counts (more than 256 codes overrun its tables) and its progressive decoder is
// not safe against damaged data, so only baseline and extended sequential files with sane tables
// are accepted (the game's own images are DDS, PNG and BMP).
bool JpegLooksSafe(std::span<const uint8_t> d, const char* name) {
  auto refuse = [name](const char* why) {
    DebugPrint("%s: JPEG refused: %s\n", name, why);
    return false;
  };
  size_t i = 2;  // after the start-of-image marker
  while (i + 2 <= d.size()) {
    if (d[i] != 0xFF) return refuse("marker expected");
    uint8_t marker = d[i + 1];
    if (marker == 0xFF) {  // fill byte
      ++i;
      continue;
    }
    if (marker == 0xD9) return true;  // end of image
    if (marker >= 0xD0 && marker <= 0xD7) return refuse("stray restart marker");
    if (i + 4 > d.size()) break;
    size_t length = (static_cast<size_t>(d[i + 2]) << 8) | d[i + 3];
    if (length < 2 || i + 2 + length > d.size()) return refuse("segment overruns the file");
    const uint8_t* seg = d.data() + i + 4;
    size_t segLen = length - 2;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (marker != 0xC0 && marker != 0xC1) return refuse("not a sequential Huffman JPEG");
    } else if (marker == 0xC4) {
      size_t p = 0;
      while (p < segLen) {
        if (segLen - p < 17) return refuse("Huffman table truncated");
        size_t total = 0;
        for (int k = 1; k <= 16; ++k) total += seg[p + k];
        if (total > 256) return refuse("Huffman table has more than 256 codes");
        p += 17 + total;
        if (p > segLen) return refuse("Huffman table truncated");
      }
    }
    i += 2 + length;
    if (marker == 0xDA) {
      // Entropy-coded data: skip to the next marker that is not a stuffed byte or a restart.
      while (i + 1 < d.size() &&
             !(d[i] == 0xFF && d[i + 1] != 0x00 && !(d[i + 1] >= 0xD0 && d[i + 1] <= 0xD7)))
        ++i;
    }
  }
  return refuse("no end of image");
}

bool ReadPfm(std::span<const uint8_t> d, Image* out, bool infoOnly, const char* name) {
  // "PF\n<w> <h>\n<scale>\n" then float rows, bottom row first.
  std::string head(reinterpret_cast<const char*>(d.data()), std::min<size_t>(d.size(), 128));
  int channels = d[1] == 'F' ? 3 : 1;
  unsigned w = 0, h = 0;
  float scale = 0;
  int consumed = 0;
  if (std::sscanf(head.c_str() + 2, " %u %u %f%n", &w, &h, &scale, &consumed) != 3 || w == 0 || h == 0 ||
      w > kMaxSide || h > kMaxSide) {
    DebugPrint("%s: PFM header damaged\n", name);
    return false;
  }
  size_t offset = 2 + static_cast<size_t>(consumed) + 1;
  size_t need = static_cast<size_t>(w) * h * channels * 4;
  if (offset > d.size() || d.size() - offset < need) {
    DebugPrint("%s: PFM data truncated\n", name);
    return false;
  }
  out->info = ImageInfo{w, h, gfx::FMT_A8R8G8B8, kFilePfm};
  if (infoOnly) return true;
  out->pitch = static_cast<int>(w) * 4;
  out->pixels.assign(static_cast<size_t>(w) * h * 4, 255);
  bool bigEndian = scale > 0;
  for (unsigned y = 0; y < h; ++y) {
    for (unsigned x = 0; x < w; ++x) {
      for (int c = 0; c < 3; ++c) {
        int src = channels == 3 ? c : 0;
        const uint8_t* p = d.data() + offset + ((static_cast<size_t>(y) * w + x) * channels + src) * 4;
        uint8_t b[4] = {p[0], p[1], p[2], p[3]};
        if (bigEndian) std::swap(b[0], b[3]), std::swap(b[1], b[2]);
        float f;
        std::memcpy(&f, b, 4);
        if (!(f >= 0.0f)) f = 0.0f;  // also NaN
        uint8_t v = static_cast<uint8_t>(std::min(f, 1.0f) * 255.0f + 0.5f);
        // BGRA byte order, image flipped to top row first.
        out->pixels[(static_cast<size_t>(h - 1 - y) * w + x) * 4 + (2 - c)] = v;
      }
    }
  }
  return true;
}
}  // namespace

uint32_t BitmapFileSize(std::span<const uint8_t> d) {
  if (d.size() < 6 || d[0] != 'B' || d[1] != 'M') return 0;
  return Le32(d.data() + 2);
}

bool ReadDds(std::span<const uint8_t> d, Image* out, const char* name) {
  if (!IsDds(d)) {
    DebugPrint("%s: not a DDS file\n", name);
    return false;
  }
  DdsHeader h;
  Format f;
  if (!ParseDdsHeader(d, &h, &f, name)) return false;
  int pitch = gfx::RowPitch(f, static_cast<int>(h.width));
  size_t need =
      static_cast<size_t>(pitch) * static_cast<size_t>(gfx::RowCount(f, static_cast<int>(h.height)));
  if (d.size() - 128 < need) {
    DebugPrint("%s: DDS pixel data truncated (%zu of %zu bytes)\n", name, d.size() - 128, need);
    return false;
  }
  out->info = ImageInfo{h.width, h.height, f, kFileDds};
  out->pitch = pitch;
  out->pixels.assign(d.begin() + 128, d.begin() + 128 + static_cast<ptrdiff_t>(need));
  // Formats a texture cannot hold are turned into A8R8G8B8.
  if (!gfx::IsTextureFormatSupported(f) || f == gfx::FMT_R8G8B8 || f == gfx::FMT_A8B8G8R8 ||
      f == gfx::FMT_X8B8G8R8) {
    out->pixels = gfx::DecodeToBgra(f, out->pixels.data(), pitch, static_cast<int>(h.width),
                                    static_cast<int>(h.height));
    out->info.format = (f == gfx::FMT_A8B8G8R8) ? gfx::FMT_A8R8G8B8 : gfx::FMT_X8R8G8B8;
    out->pitch = static_cast<int>(h.width) * 4;
  }
  return true;
}

bool GetImageInfo(std::span<const uint8_t> d, ImageInfo* info, const char* name) {
  if (d.empty() || d.size() > 0x7FFFFFFF) {
    DebugPrint("%s: empty or oversized image\n", name);
    return false;
  }
  FileFormat ff = Sniff(d);
  if (ff == kFileDds) {
    DdsHeader h;
    Format f;
    if (!ParseDdsHeader(d, &h, &f, name)) return false;
    *info = ImageInfo{h.width, h.height, f, kFileDds};
    return true;
  }
  if (ff == kFilePfm) {
    Image tmp;
    if (!ReadPfm(d, &tmp, true, name)) return false;
    *info = tmp.info;
    return true;
  }
  if (ff == kFileJpg && !JpegLooksSafe(d, name)) return false;
  int w = 0, h = 0, comp = 0;
  if (!stbi_info_from_memory(d.data(), static_cast<int>(d.size()), &w, &h, &comp) || w <= 0 || h <= 0) {
    DebugPrint("%s: not a readable image (%s)\n", name, stbi_failure_reason() ? stbi_failure_reason() : "?");
    return false;
  }
  // The decoder allocates the whole picture before it knows the data is there: a few bytes that
  // claim a huge picture are refused here rather than costing gigabytes.
  if (static_cast<uint64_t>(w) * static_cast<uint64_t>(h) > kMaxPixels) {
    DebugPrint("%s: image of %dx%d is too large\n", name, w, h);
    return false;
  }
  *info = ImageInfo{static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                    (comp == 4 || comp == 2) ? gfx::FMT_A8R8G8B8 : gfx::FMT_X8R8G8B8, ff};
  return true;
}

bool DecodeImage(std::span<const uint8_t> d, Image* out, const char* name) {
  if (d.empty() || d.size() > 0x7FFFFFFF) {
    DebugPrint("%s: empty or oversized image\n", name);
    return false;
  }
  // Radiance files hold linear light: read them back without a gamma curve.
  static std::once_flag hdrSetup;
  std::call_once(hdrSetup, [] {
    stbi_hdr_to_ldr_gamma(1.0f);
    stbi_hdr_to_ldr_scale(1.0f);
  });
  FileFormat ff = Sniff(d);
  if (ff == kFileDds) return ReadDds(d, out, name);
  if (ff == kFilePfm) return ReadPfm(d, out, false, name);
  ImageInfo info;
  if (!GetImageInfo(d, &info, name)) return false;
  int w = 0, h = 0, comp = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> px(
      stbi_load_from_memory(d.data(), static_cast<int>(d.size()), &w, &h, &comp, 4), stbi_image_free);
  if (!px || w <= 0 || h <= 0) {
    DebugPrint("%s: image data damaged (%s)\n", name, stbi_failure_reason() ? stbi_failure_reason() : "?");
    return false;
  }
  out->info = info;
  out->info.width = static_cast<uint32_t>(w);
  out->info.height = static_cast<uint32_t>(h);
  out->pitch = w * 4;
  out->pixels.resize(static_cast<size_t>(w) * h * 4);
  const stbi_uc* s = px.get();
  for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
    out->pixels[i * 4 + 0] = s[i * 4 + 2];
    out->pixels[i * 4 + 1] = s[i * 4 + 1];
    out->pixels[i * 4 + 2] = s[i * 4 + 0];
    out->pixels[i * 4 + 3] = out->info.format == gfx::FMT_X8R8G8B8 ? 255 : s[i * 4 + 3];
  }
  return true;
}

namespace {
void WriteToVector(void* context, void* data, int size) {
  auto* v = static_cast<std::vector<uint8_t>*>(context);
  v->insert(v->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
}

void PutLe32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
}  // namespace

bool SaveImage(const std::string& path, FileFormat format, const uint8_t* bgra, int width, int height) {
  if (!bgra || width <= 0 || height <= 0) return false;
  size_t count = static_cast<size_t>(width) * height;
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> rgba(count * 4);
  for (size_t i = 0; i < count; ++i) {
    rgba[i * 4 + 0] = bgra[i * 4 + 2];
    rgba[i * 4 + 1] = bgra[i * 4 + 1];
    rgba[i * 4 + 2] = bgra[i * 4 + 0];
    rgba[i * 4 + 3] = bgra[i * 4 + 3];
  }
  int ok = 1;
  switch (format) {
    case kFileBmp:
    case kFileDib:
      ok = stbi_write_bmp_to_func(WriteToVector, &bytes, width, height, 4, rgba.data());
      break;
    case kFileJpg:
      ok = stbi_write_jpg_to_func(WriteToVector, &bytes, width, height, 4, rgba.data(), 95);
      break;
    case kFileTga:
      ok = stbi_write_tga_to_func(WriteToVector, &bytes, width, height, 4, rgba.data());
      break;
    case kFilePng:
      ok = stbi_write_png_to_func(WriteToVector, &bytes, width, height, 4, rgba.data(), width * 4);
      break;
    case kFileHdr: {
      std::vector<float> f(count * 3);
      for (size_t i = 0; i < count; ++i)
        for (int c = 0; c < 3; ++c) f[i * 3 + c] = rgba[i * 4 + c] / 255.0f;
      ok = stbi_write_hdr_to_func(WriteToVector, &bytes, width, height, 3, f.data());
      break;
    }
    case kFileDds: {
      static const uint8_t kMagic[4] = {'D', 'D', 'S', ' '};
      bytes.assign(kMagic, kMagic + 4);
      PutLe32(bytes, 124);
      PutLe32(bytes, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000);  // caps, height, width, pitch, pixel format
      PutLe32(bytes, static_cast<uint32_t>(height));
      PutLe32(bytes, static_cast<uint32_t>(width));
      PutLe32(bytes, static_cast<uint32_t>(width) * 4);
      PutLe32(bytes, 0);  // depth
      PutLe32(bytes, 1);  // levels
      for (int i = 0; i < 11; ++i) PutLe32(bytes, 0);
      PutLe32(bytes, 32);
      PutLe32(bytes, 0x40 | 0x1);  // RGB with alpha
      PutLe32(bytes, 0);
      PutLe32(bytes, 32);
      PutLe32(bytes, 0xFF0000);
      PutLe32(bytes, 0xFF00);
      PutLe32(bytes, 0xFF);
      PutLe32(bytes, 0xFF000000u);
      PutLe32(bytes, 0x1000);  // texture
      for (int i = 0; i < 4; ++i) PutLe32(bytes, 0);
      bytes.insert(bytes.end(), bgra, bgra + count * 4);
      break;
    }
    case kFilePpm: {
      std::string head = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
      bytes.assign(head.begin(), head.end());
      for (size_t i = 0; i < count; ++i)
        bytes.insert(bytes.end(), {rgba[i * 4], rgba[i * 4 + 1], rgba[i * 4 + 2]});
      break;
    }
    case kFilePfm: {
      std::string head = "PF\n" + std::to_string(width) + " " + std::to_string(height) + "\n-1.0\n";
      bytes.assign(head.begin(), head.end());
      for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
          for (int c = 0; c < 3; ++c) {
            float f = rgba[(static_cast<size_t>(y) * width + x) * 4 + c] / 255.0f;
            uint8_t b[4];
            std::memcpy(b, &f, 4);
            bytes.insert(bytes.end(), b, b + 4);
          }
        }
      }
      break;
    }
  }
  if (!ok || bytes.empty()) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  written = (std::fclose(file) == 0) && written;
  if (!written) std::remove(path.c_str());
  return written;
}

}  // namespace vt::image
