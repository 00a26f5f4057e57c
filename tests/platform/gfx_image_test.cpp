// Image readers and writers: DDS headers and pixel formats, DXT block decoding, round trips through
// our own writers, and damaged files refused.
#include <gtest/gtest.h>

#include <cstring>

#include "app/lib_debug.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

using namespace vt::gfx;
using vt::image::Image;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

void PutLe32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}

// A DDS header for a w x h image with the given pixel-format words.
std::string DdsHeader(uint32_t w, uint32_t h, uint32_t pfFlags, uint32_t fourCC, uint32_t bits, uint32_t r,
                      uint32_t g, uint32_t b, uint32_t a) {
  std::string s = "DDS ";
  PutLe32(s, 124);
  PutLe32(s, 0x100F);
  PutLe32(s, h);
  PutLe32(s, w);
  for (int i = 0; i < 3 + 11; ++i) PutLe32(s, 0);
  for (uint32_t v : {32u, pfFlags, fourCC, bits, r, g, b, a}) PutLe32(s, v);
  for (int i = 0; i < 5; ++i) PutLe32(s, 0);
  return s;
}

TEST(DdsReader, PixelFormatsAndDamage) {
  vt::SetDebugQuiet(true);
  const uint32_t kRgb = 0x40, kAlpha = 0x1, kFourCC = 0x4;
  struct Case {
    const char* name;
    std::string file;
    bool ok;
    Format format;
  };
  std::string argb =
      DdsHeader(2, 2, kRgb | kAlpha, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u) + std::string(16, '\x7f');
  std::string xrgb = DdsHeader(2, 2, kRgb, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0) + std::string(16, '\x7f');
  std::string dxt1 = DdsHeader(4, 4, kFourCC, FMT_DXT1, 0, 0, 0, 0, 0) + std::string(8, '\0');
  std::string dxt5 = DdsHeader(5, 5, kFourCC, FMT_DXT5, 0, 0, 0, 0, 0) + std::string(64, '\0');
  std::string r565 = DdsHeader(2, 1, kRgb, 0, 16, 0xF800, 0x7E0, 0x1F, 0) + std::string(4, '\0');
  std::string bgr24 = DdsHeader(1, 1, kRgb, 0, 24, 0xFF0000, 0xFF00, 0xFF, 0) + std::string(3, '\x10');
  std::string badSize = argb;
  badSize[4] = 100;
  std::string zeroWide = DdsHeader(0, 2, kRgb | kAlpha, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u);
  std::string huge = DdsHeader(70000, 2, kRgb, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0) + std::string(16, '\0');
  const Case cases[] = {
      {"A8R8G8B8", argb, true, FMT_A8R8G8B8},
      {"X8R8G8B8", xrgb, true, FMT_X8R8G8B8},
      {"DXT1", dxt1, true, FMT_DXT1},
      {"DXT5 5x5 needs 2x2 blocks", dxt5, true, FMT_DXT5},
      {"R5G6B5", r565, true, FMT_R5G6B5},
      {"R8G8B8 becomes X8R8G8B8", bgr24, true, FMT_X8R8G8B8},
      {"pixels short by one byte", argb.substr(0, argb.size() - 1), false, FMT_UNKNOWN},
      {"DXT5 short", dxt5.substr(0, dxt5.size() - 16), false, FMT_UNKNOWN},
      {"header truncated", argb.substr(0, 100), false, FMT_UNKNOWN},
      {"header size wrong", badSize, false, FMT_UNKNOWN},
      {"zero width", zeroWide, false, FMT_UNKNOWN},
      {"too wide", huge, false, FMT_UNKNOWN},
      {"unknown fourcc",
       DdsHeader(4, 4, kFourCC, MakeFourCC('A', 'T', 'I', '2'), 0, 0, 0, 0, 0) + std::string(16, '\0'), false,
       FMT_UNKNOWN},
      {"not dds", "DDX " + argb.substr(4), false, FMT_UNKNOWN},
  };
  for (const Case& c : cases) {
    Image img;
    bool ok = vt::image::ReadDds(Bytes(c.file), &img, c.name);
    EXPECT_EQ(ok, c.ok) << c.name;
    if (ok) {
      EXPECT_EQ(img.info.format, c.format) << c.name;
      EXPECT_EQ(img.pixels.size(),
                static_cast<size_t>(img.pitch) * RowCount(img.info.format, img.info.height))
          << c.name;
    }
  }
  vt::SetDebugQuiet(false);
}

TEST(BlockDecoding, KnownBlocks) {
  // DXT1: colour 0 pure red (0xF800), colour 1 pure blue (0x001F), c0 > c1 so four colours;
  // index rows 0, 1, 2, 3.
  const uint8_t dxt1[8] = {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x55, 0xAA, 0xFF};
  std::vector<uint8_t> px = DecodeToBgra(FMT_DXT1, dxt1, 8, 4, 4);
  auto at = [&](int x, int y) { return px.data() + (y * 4 + x) * 4; };
  EXPECT_EQ(at(0, 0)[2], 255);  // red
  EXPECT_EQ(at(0, 0)[0], 0);
  EXPECT_EQ(at(3, 1)[0], 255);  // blue
  EXPECT_EQ(at(0, 2)[2], 170);  // two thirds red
  EXPECT_EQ(at(0, 3)[2], 85);
  EXPECT_EQ(at(0, 3)[3], 255);
  // DXT5 alpha: a0 255, a1 0, eight-step ramp; all indices 1 -> alpha 0.
  uint8_t dxt5[16] = {255, 0, 0x49, 0x92, 0x24, 0x49, 0x92, 0x24};
  std::memcpy(dxt5 + 8, dxt1, 8);
  px = DecodeToBgra(FMT_DXT5, dxt5, 16, 4, 4);
  EXPECT_EQ(px[3], 0);
}

TEST(ImageWriters, RoundTripThroughOurReaders) {
  const int w = 5, h = 3;
  std::vector<uint8_t> bgra(w * h * 4);
  for (int i = 0; i < w * h; ++i) {
    bgra[i * 4 + 0] = static_cast<uint8_t>(i * 10);
    bgra[i * 4 + 1] = static_cast<uint8_t>(255 - i * 10);
    bgra[i * 4 + 2] = static_cast<uint8_t>(i * 3);
    bgra[i * 4 + 3] = 255;
  }
  struct Case {
    vt::image::FileFormat format;
    int tolerance;
  };
  const Case cases[] = {{vt::image::kFileBmp, 0}, {vt::image::kFileTga, 0}, {vt::image::kFilePng, 0},
                        {vt::image::kFileDds, 0}, {vt::image::kFilePpm, 0}, {vt::image::kFileDib, 0},
                        {vt::image::kFilePfm, 1}, {vt::image::kFileHdr, 3}, {vt::image::kFileJpg, 40}};
  for (const Case& c : cases) {
    ASSERT_TRUE(vt::image::SaveImage("out.img", c.format, bgra.data(), w, h)) << c.format;
    std::string bytes = ReadFile("out.img");
    Image img;
    ASSERT_TRUE(vt::image::DecodeImage(Bytes(bytes), &img)) << c.format;
    ASSERT_EQ(img.info.width, static_cast<uint32_t>(w));
    ASSERT_EQ(img.info.height, static_cast<uint32_t>(h));
    std::vector<uint8_t> back = DecodeToBgra(img.info.format, img.pixels.data(), img.pitch, w, h);
    for (int i = 0; i < w * h * 4; ++i) {
      if (i % 4 == 3) continue;
      ASSERT_NEAR(back[i], bgra[i], c.tolerance) << "format " << c.format << " byte " << i;
    }
  }
  EXPECT_FALSE(vt::image::SaveImage("missing_dir/out.png", vt::image::kFilePng, bgra.data(), w, h));
}

TEST(ImageReaders, DamagedCommonFormatsAreRefused) {
  vt::SetDebugQuiet(true);
  std::vector<uint8_t> bgra(16 * 16 * 4, 200);
  ASSERT_TRUE(vt::image::SaveImage("ok.png", vt::image::kFilePng, bgra.data(), 16, 16));
  std::string png = ReadFile("ok.png");
  // A Huffman table of more than 256 codes (which would overrun the decoder's tables) and a
  // progressive frame are refused before decoding.
  std::string hugeTable("\xFF\xD8\xFF\xC4\x00\x13\x00", 7);
  hugeTable += std::string(16, '\x20') + std::string("\xFF\xD9", 2);
  std::string progressive("\xFF\xD8\xFF\xC2\x00\x02\xFF\xD9", 8);
  const std::string cases[] = {
      "", "BM", png.substr(0, 40), "PF\n9999999 2\n-1.0\n", "PF\n2 2\n-1.0\nabc", hugeTable, progressive};
  for (const std::string& c : cases) {
    Image img;
    EXPECT_FALSE(vt::image::DecodeImage(Bytes(c), &img)) << c.size();
  }
  EXPECT_EQ(vt::image::BitmapFileSize(Bytes(std::string("BM\x10\x00\x00\x00", 6))), 16u);
  EXPECT_EQ(vt::image::BitmapFileSize(Bytes(std::string("XM\x10\x00\x00\x00", 6))), 0u);
  vt::SetDebugQuiet(false);
}

TEST(PixelFormats, ReadWriteRoundTripAndMissingAlpha) {
  struct Case {
    Format format;
    uint8_t in[4];
    uint8_t out[4];
  };
  const Case cases[] = {
      {FMT_A8R8G8B8, {1, 2, 3, 4}, {1, 2, 3, 4}},
      {FMT_X8R8G8B8, {1, 2, 3, 4}, {1, 2, 3, 255}},  // X8 reads alpha as 1
      {FMT_A4R4G4B4, {0xF0, 0x80, 0x10, 0x70}, {0xFF, 0x88, 0x11, 0x77}},
      {FMT_A1R5G5B5, {0xFF, 0x00, 0xFF, 0x00}, {0xFF, 0x00, 0xFF, 0x00}},
      {FMT_R5G6B5, {0xFF, 0xFF, 0x00, 0x00}, {0xFF, 0xFF, 0x00, 0xFF}},
  };
  for (const Case& c : cases) {
    uint8_t image[8] = {};
    WritePixelBgra(c.format, image, 8, 0, 0, c.in);
    uint8_t got[4];
    ReadPixelBgra(c.format, image, 8, 0, 0, got);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(got[i], c.out[i]) << c.format << " channel " << i;
  }
  // Memory layout of A8R8G8B8: bytes B, G, R, A.
  uint8_t image[4];
  const uint8_t px[4] = {0x11, 0x22, 0x33, 0x44};
  WritePixelBgra(FMT_A8R8G8B8, image, 4, 0, 0, px);
  uint32_t word;
  std::memcpy(&word, image, 4);
  EXPECT_EQ(word, 0x44332211u);
}

}  // namespace
}  // namespace vt::test
