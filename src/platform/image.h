// Image files in memory (the image library stand-in): information and decoding of PNG, BMP, TGA,
// JPG, PPM, HDR, PFM through stb_image and of DDS (uncompressed and DXT1/3/5) through our own
// reader; screenshot writers for BMP, JPG, TGA, PNG, HDR (stb_image_write) and DDS, PPM, PFM.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/gfx/gfx_types.h"

namespace vt::image {

// File formats in the order of the screenshot format codes.
enum FileFormat : int {
  kFileBmp = 0,
  kFileJpg = 1,
  kFileTga = 2,
  kFilePng = 3,
  kFileDds = 4,
  kFilePpm = 5,
  kFileDib = 6,
  kFileHdr = 7,
  kFilePfm = 8,
};

struct ImageInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  gfx::Format format = gfx::FMT_UNKNOWN;
  FileFormat fileFormat = kFileBmp;
};

// A decoded image: pixels in `format` with rows of `pitch` bytes (block rows for DXT formats).
struct Image {
  ImageInfo info;
  int pitch = 0;
  std::vector<uint8_t> pixels;
};

// `name` only labels log lines. False (with a log line) for damaged or unknown data.
bool GetImageInfo(std::span<const uint8_t> data, ImageInfo* info, const char* name = "image");
bool DecodeImage(std::span<const uint8_t> data, Image* out, const char* name = "image");

// The DDS reader on its own (also used by the fuzz target).
bool ReadDds(std::span<const uint8_t> data, Image* out, const char* name = "image");

// Writes B, G, R, A rows (width * 4 bytes each, top row first) to a file in a format. False when
// the file cannot be written.
bool SaveImage(const std::string& path, FileFormat format, const uint8_t* bgra, int width, int height);

// The size field of a bitmap header ("BM" + 32-bit little-endian size); 0 when not a bitmap.
uint32_t BitmapFileSize(std::span<const uint8_t> data);

}  // namespace vt::image
