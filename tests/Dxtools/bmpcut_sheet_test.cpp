// Cut-sprite sheets: writer/parser round trips through page composition and sprite assembly,
// the cell and pixel tables, the palette rules, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "Dxtools/BmpcutFiles/cut_sprite_palette.h"
#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Files/byte_stream.h"
#include "app/lib_debug.h"

namespace {

struct SheetDeleter {
  void operator()(CutSpriteSheet* s) const { FreeCutSpriteSheet(s); }
};
using SheetPtr = std::unique_ptr<CutSpriteSheet, SheetDeleter>;

SheetPtr Parse(const std::vector<uint8_t>& bytes) { return SheetPtr(ParseCutSpriteSheet(bytes, 1, "test")); }

std::array<uint8_t, 1024> TestPalette() {
  std::array<uint8_t, 1024> p{};
  for (int i = 0; i < 256; ++i) {
    p[4 * i] = static_cast<uint8_t>(i * 7);
    p[4 * i + 1] = static_cast<uint8_t>(255 - i);
    p[4 * i + 2] = static_cast<uint8_t>(i * 3);
    p[4 * i + 3] = 255;
  }
  return p;
}

// An image with a recognisable pattern: some transparent cells, the rest varied pixels.
CutSpriteImage MakeImage(int number, int type, int w, int h, int left, int top) {
  CutSpriteImage img;
  img.number = number;
  img.name = "spr" + std::to_string(number);
  img.pixelType = type;
  img.left = left;
  img.top = top;
  img.width = w;
  img.height = h;
  const int bpp = type == 1 ? 4 : (type == 4 || type == 5) ? 2 : 1;
  img.pixels.assign(static_cast<size_t>(w) * h * bpp, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if ((x / 8 + y / 8) % 3 == 0) continue;  // leave holes, so some cells are empty
      const size_t k = static_cast<size_t>(y) * w + x;
      const uint8_t v = static_cast<uint8_t>(1 + (x * 5 + y * 11 + number) % 250);
      if (type == 1) {
        img.pixels[4 * k] = v;
        img.pixels[4 * k + 1] = static_cast<uint8_t>(v ^ 0x55);
        img.pixels[4 * k + 2] = static_cast<uint8_t>(v + 3);
        img.pixels[4 * k + 3] = static_cast<uint8_t>(128 + v / 2);
      } else if (type == 4 || type == 5) {
        img.pixels[2 * k] = v;
        img.pixels[2 * k + 1] = static_cast<uint8_t>(v + 2);
      } else {
        img.pixels[k] = v;
      }
    }
  }
  if (type == 2 || type == 4) {
    img.ownPalette.resize(1024);
    for (int i = 0; i < 1024; ++i) img.ownPalette[i] = static_cast<uint8_t>(i * 13 + number);
  } else if (type == 3) {
    img.ownPalette = {200, 100, 50, 255};
  }
  return img;
}

// What a pixel of an image becomes once converted into a format (the same rule as the pages).
void ExpectedPixel(const CutSpriteImage& img, const std::array<uint8_t, 1024>& fixedGlobal, int x, int y,
                   CutPixelFormat format, uint8_t out[4]) {
  uint8_t src[4] = {0, 0, 0, 0};
  size_t n = 1;
  const size_t k = static_cast<size_t>(y) * img.width + x;
  std::span<const uint8_t> palette = fixedGlobal;
  if (img.pixelType == 2 || img.pixelType == 3 || img.pixelType == 4) palette = img.ownPalette;
  if (img.pixelType == 1) {
    std::memcpy(src, &img.pixels[4 * k], 4);
  } else if (img.pixelType == 4 || img.pixelType == 5) {
    src[0] = img.pixels[2 * k];
    src[1] = img.pixels[2 * k + 1];
    n = 2;
  } else {
    src[0] = img.pixels[k];
  }
  uint8_t px[4];
  WritePixelsToTexture(px, 4, format, img.pixelType,
                       std::span<const uint8_t>(src, n == 2 ? 2 : (img.pixelType == 1 ? 4 : 1)), 1, 1,
                       palette);
  ReadFormatPixel(px, format, out);
}

struct RoundTripCase {
  int cellSize;
  std::vector<int> types;
};

class CutSpriteRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(CutSpriteRoundTrip, EverySpriteReassemblesFromItsPages) {
  const RoundTripCase& tc = GetParam();
  CutSpriteSheetBuilder builder(tc.cellSize);
  const auto palette = TestPalette();
  builder.SetPalette(palette);
  std::vector<CutSpriteImage> images;
  int number = 0;
  for (int type : tc.types) {
    // Two sprites per type; large enough to spill over several pages at cell size 16.
    images.push_back(MakeImage(number, type, 70 + number * 3, 150, 100 + number, 90));
    images.push_back(MakeImage(number + 1500, type, 40, 36, 128, 224));
    number += 7;
  }
  // A copy of the first sprite under another number: its strips are all stored once.
  CutSpriteImage twin = images[0];
  twin.number = 2999;
  images.push_back(twin);
  for (const auto& img : images) builder.Add(img);
  CutSpriteFileDesc desc = builder.Build();
  int skipped = 0;
  for (const auto& s : desc.sprites)
    for (const auto& c : s.chunks) skipped += c.skip;
  EXPECT_GT(skipped, 0);

  SheetPtr sheet = Parse(WriteCutSpriteFile(desc));
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->recordCount, static_cast<int>(images.size()));
  EXPECT_EQ(sheet->pageCount, desc.pageCount);
  EXPECT_EQ(sheet->cellSize, tc.cellSize);
  if (tc.types.size() > 1 && tc.types[0] == 0) {  // 16-bit pages first, 32-bit pages after
    EXPECT_GT(sheet->pageCount, 1);
  }

  std::vector<CutSpritePageImage> pages;
  ASSERT_TRUE(ComposeCutSpritePages(*sheet, nullptr, nullptr, 0, false, pages));
  std::vector<CutSpritePageView> views;
  for (const auto& p : pages) views.push_back({p.made ? p.pixels.data() : nullptr, p.format});
  auto fixed = palette;
  FixCutSpritePalette(fixed);

  for (const auto& img : images) {
    SCOPED_TRACE("sprite " + std::to_string(img.number) + " type " + std::to_string(img.pixelType));
    const CutSpriteRecord* r = sheet->Record(img.number);
    ASSERT_NE(r, nullptr);
    EXPECT_STREQ(r->name, img.name.c_str());
    EXPECT_EQ(r->bitDepth, CutSpriteBitDepth(img.pixelType));
    const int w = r->right - r->left + 1, h = r->bottom - r->top + 1;
    ASSERT_EQ(w, img.width);
    ASSERT_EQ(h, img.height);
    std::vector<uint8_t> tex(static_cast<size_t>(w) * h * 4, 0);
    CopyCutSpriteRuns(*sheet, *r, views, tex.data(), w * 4, w, h, CutPixelFormat::kA8R8G8B8);
    // Compare against the conversion the sprite's own page format implies.
    const CutPixelFormat pageFormat =
        img.pixelType == 0 ? CutPixelFormat::kA1R5G5B5 : CutPixelFormat::kA8R8G8B8;
    int mismatches = 0;
    for (int y = 0; y < h && mismatches < 3; ++y) {
      for (int x = 0; x < w && mismatches < 3; ++x) {
        uint8_t want[4];
        ExpectedPixel(img, fixed, x, y, pageFormat, want);
        uint8_t got[4];
        ReadFormatPixel(&tex[(static_cast<size_t>(y) * w + x) * 4], CutPixelFormat::kA8R8G8B8, got);
        if (want[0] == 0 && got[0] == 0) continue;  // transparent: colour does not matter
        if (std::memcmp(want, got, 4) != 0) {
          ++mismatches;
          ADD_FAILURE() << "pixel (" << x << "," << y << ") got " << int(got[0]) << "," << int(got[1]) << ","
                        << int(got[2]) << "," << int(got[3]) << " want " << int(want[0]) << ","
                        << int(want[1]) << "," << int(want[2]) << "," << int(want[3]);
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Types, CutSpriteRoundTrip,
                         testing::Values(RoundTripCase{16, {0, 1, 2, 3, 4, 5}},
                                         RoundTripCase{32, {0, 1, 2, 3, 4, 5}}, RoundTripCase{16, {0}},
                                         RoundTripCase{32, {5, 1}}));

TEST(CutSpriteCells, StripsAndCellNumbers) {
  struct Case {
    int w, h, c;
    int strip;
  } cases[] = {{16, 48, 16, 3}, {48, 16, 16, -3}, {16, 16, 16, 1}, {32, 256, 32, 8}, {256, 32, 32, -8}};
  for (const auto& tc : cases) {
    CutSpriteFileDesc d;
    d.cellSize = tc.c;
    CutSpriteDesc s;
    s.pixelType = 0;
    s.right = s.bottom = 10;
    s.chunks.push_back({128, 224, tc.w, tc.h, 0, 0, 0, 1});
    d.sprites.push_back(s);
    SheetPtr sheet = Parse(WriteCutSpriteFile(d));
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(sheet->Record(0), nullptr) << tc.w << "x" << tc.h;
    EXPECT_EQ(sheet->cellRuns[0].strip, tc.strip) << tc.w << "x" << tc.h;
    EXPECT_EQ(sheet->cellRuns[0].x, 0);
    EXPECT_EQ(sheet->cellRuns[0].y, 0);
  }
  struct CellCase {
    int c, page, x, y;
    int32_t cell;
  } cells[] = {{16, 2, 32, 16, 545},
               {16, 0, 0, 0, 0},
               {32, 1, 224, 224, 64 + 63},
               {256, 5, 0, 0, 5},
               {1, 0, 3, 2, 770}};
  for (const auto& tc : cells) {
    EXPECT_EQ(CutSpriteCellNumber(tc.c, tc.page, tc.x, tc.y), tc.cell);
    CutSpriteCellPos back = CutSpriteCellPosition(tc.c, tc.cell);
    EXPECT_EQ(back.page, tc.page);
    EXPECT_EQ(back.x, tc.x);
    EXPECT_EQ(back.y, tc.y);
  }
}

TEST(CutSpritePixels, ConversionByTypeAndFormat) {
  std::array<uint8_t, 1024> pal{};
  pal[4 * 9 + 0] = 0xF8;  // entry 9: R 248, G 4, B 130
  pal[4 * 9 + 1] = 0x04;
  pal[4 * 9 + 2] = 0x82;
  const uint8_t single[4] = {0x80, 0x40, 0x00, 0xFF};
  struct Case {
    int type;
    std::vector<uint8_t> src;
    CutPixelFormat format;
    std::vector<uint8_t> want;  // bytes of the stored pixel
  } cases[] = {
      // Index 9: A1R5G5B5 opaque, 248>>3=31, 4 -> 1 (non-zero never quantises to 0), 130>>3=16.
      {0, {9}, CutPixelFormat::kA1R5G5B5, {0x30, 0xFC}},
      {0, {0}, CutPixelFormat::kA1R5G5B5, {0x00, 0x00}},
      {2, {9}, CutPixelFormat::kA8R8G8B8, {0x82, 0x04, 0xF8, 0xFF}},
      {2, {9}, CutPixelFormat::kA4R4G4B4, {0x18, 0xFF}},
      {1, {1, 2, 3, 4}, CutPixelFormat::kA8R8G8B8, {1, 2, 3, 4}},
      {1, {0x10, 0x20, 0x0F, 0xF0}, CutPixelFormat::kA4R4G4B4, {0x21, 0xF1}},
      {3, {0x77}, CutPixelFormat::kA8R8G8B8, {0x00, 0x40, 0x80, 0x77}},
      {5, {9, 0x33}, CutPixelFormat::kA8R8G8B8, {0x82, 0x04, 0xF8, 0x33}},
      {4, {9, 0x00}, CutPixelFormat::kA8R8G8B8, {0x82, 0x04, 0xF8, 0x00}},
  };
  for (const auto& tc : cases) {
    std::vector<uint8_t> out(tc.want.size(), 0xEE);
    std::span<const uint8_t> p =
        tc.type == 3 ? std::span<const uint8_t>(single, 4) : std::span<const uint8_t>(pal);
    WritePixelsToTexture(out.data(), 4, tc.format, tc.type, tc.src, 1, 1, p);
    EXPECT_EQ(out, tc.want) << "type " << tc.type << " format " << int(tc.format);
  }
  EXPECT_EQ(QuantiseChannel(0, 5), 0u);
  EXPECT_EQ(QuantiseChannel(7, 5), 1u);
  EXPECT_EQ(QuantiseChannel(8, 5), 1u);
  EXPECT_EQ(QuantiseChannel(255, 4), 15u);
  EXPECT_EQ(QuantiseChannel(15, 4), 1u);
}

TEST(CutSpritePalette, FixUpAndOverride) {
  std::array<uint8_t, 1024> pal{};
  for (int i = 0; i < 256; ++i) pal[4 * i + 3] = 0x40;
  pal[0] = 9;      // entry 0 becomes black whatever it was
  pal[4 * 7] = 2;  // entry 7 is not black: unchanged
  FixCutSpritePalette(pal);
  EXPECT_EQ(pal[0] + pal[1] + pal[2], 0);
  EXPECT_EQ(pal[4 * 5], 1);  // black entry 5 becomes 1,1,1
  EXPECT_EQ(pal[4 * 5 + 1], 1);
  EXPECT_EQ(pal[4 * 5 + 2], 1);
  EXPECT_EQ(pal[4 * 5 + 3], 0x40);
  EXPECT_EQ(pal[4 * 7], 2);
  EXPECT_EQ(pal[4 * 7 + 1], 0);

  // Composition takes the override and draws index 0 transparent, black index 5 as (1,1,1).
  CutSpriteSheetBuilder b(16);
  CutSpriteImage img;
  img.pixelType = 0;
  img.width = img.height = 16;
  img.pixels.assign(256, 5);
  img.pixels[0] = 0;
  b.Add(img);
  SheetPtr sheet = Parse(WriteCutSpriteFile(b.Build()));
  ASSERT_NE(sheet, nullptr);
  std::array<uint8_t, 1024> over{};
  over[4 * 5 + 3] = 255;
  std::vector<CutSpritePageImage> pages;
  ASSERT_TRUE(ComposeCutSpritePages(*sheet, over.data(), nullptr, 0, false, pages));
  ASSERT_TRUE(pages[0].made);
  uint8_t argb[4];
  ReadFormatPixel(&pages[0].pixels[0], pages[0].format, argb);
  EXPECT_EQ(argb[0], 0);
  ReadFormatPixel(&pages[0].pixels[2], pages[0].format, argb);  // page y 0, x 1... rows are y
  EXPECT_EQ(argb[0], 255);
  EXPECT_EQ(argb[1], 8);  // 1 in 5 bits, widened
}

TEST(CutSpritePages, FirstRichPageAndMask) {
  // Pages: type-0 sprites fill pages 0..2, a type-1 sprite starts page 3.
  CutSpriteFileDesc d;
  d.cellSize = 128;
  d.pageCount = 5;
  auto add = [&](int number, int type, int page) {
    CutSpriteDesc s;
    s.number = number;
    s.pixelType = type;
    s.right = s.bottom = 127;
    s.chunks.push_back({128, 224, 128, 128, 0, 0, static_cast<int16_t>(page), 0});
    s.pixels.assign(128 * 128 * static_cast<size_t>(CutSpriteBytesPerPixel(type)), 0x41);
    d.sprites.push_back(s);
  };
  add(0, 0, 0);
  add(1, 0, 1);
  add(2, 0, 2);
  {
    SheetPtr sheet = Parse(WriteCutSpriteFile(d));
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->firstRichPage, UINT32_MAX);
    for (int p = 0; p < 5; ++p) EXPECT_EQ(CutSpritePageFormat(*sheet, p, false), CutPixelFormat::kA1R5G5B5);
    // Pages that no strip lies on are not made, whatever the count in the header says.
    std::vector<CutSpritePageImage> pages;
    ASSERT_TRUE(ComposeCutSpritePages(*sheet, nullptr, nullptr, 0, false, pages));
    ASSERT_EQ(pages.size(), 5u);
    EXPECT_TRUE(pages[2].made);
    EXPECT_FALSE(pages[3].made);
    EXPECT_FALSE(pages[4].made);
  }
  add(3, 1, 3);
  add(4, 0, 4);
  SheetPtr sheet = Parse(WriteCutSpriteFile(d));
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->firstRichPage, 3u);
  EXPECT_EQ(CutSpritePageFormat(*sheet, 2, false), CutPixelFormat::kA1R5G5B5);
  EXPECT_EQ(CutSpritePageFormat(*sheet, 3, false), CutPixelFormat::kA8R8G8B8);
  EXPECT_EQ(CutSpritePageFormat(*sheet, 4, true), CutPixelFormat::kA4R4G4B4);

  // A mask without page 1 leaves it unmade and the sprites after it still land right; a mask
  // shorter than the page count leaves the pages past its end unmade.
  const uint8_t mask[4] = {1, 0, 1, 1};
  std::vector<CutSpritePageImage> pages;
  ASSERT_TRUE(ComposeCutSpritePages(*sheet, nullptr, mask, 4, false, pages));
  ASSERT_EQ(pages.size(), 5u);
  EXPECT_FALSE(pages[1].made);
  EXPECT_FALSE(pages[4].made);
  ASSERT_TRUE(pages[3].made);
  EXPECT_EQ(pages[3].pixels[0], 0x41);
  EXPECT_EQ(pages[3].pixels[3], 0x41);
  uint8_t argb[4];
  ReadFormatPixel(&pages[2].pixels[0], pages[2].format, argb);
  EXPECT_EQ(argb[0], 255);  // index 0x41 is opaque
}

// Which page images are made: only pages that receive pixels, and never far more page memory
// than the pixels that fill it.
TEST(CutSpritePages, MadeOnlyWherePixelsLand) {
  vt::SetDebugQuiet(true);
  // One 16 x 16 type-0 sprite per entry of `pages`, each on that page; `skipped` sprites carry
  // the skip flag, `depthZero` ones are stored with bit depth 0 (no pixels follow their record).
  auto sheetBytes = [](int pageCount, const std::vector<int>& pages, const std::vector<int>& skipped,
                       const std::vector<int>& depthZero) {
    CutSpriteFileDesc d;
    d.cellSize = 16;
    d.pageCount = pageCount;
    for (size_t n = 0; n < pages.size(); ++n) {
      CutSpriteDesc s;
      s.number = static_cast<int>(n);
      s.right = s.bottom = 15;
      const bool skip = std::find(skipped.begin(), skipped.end(), static_cast<int>(n)) != skipped.end();
      s.chunks.push_back(
          {128, 224, 16, 16, 0, 0, static_cast<int16_t>(pages[n]), static_cast<uint8_t>(skip)});
      if (!skip) s.pixels.assign(256, 9);
      d.sprites.push_back(s);
    }
    std::vector<uint8_t> bytes = WriteCutSpriteFile(d);
    han6io::ByteWriter w;
    w.Bytes() = bytes;
    for (int n : depthZero) w.PatchI32(static_cast<size_t>(han6io::LoadI32(bytes, 0x2044 + 4 * n)) + 44, 0);
    return w.Bytes();
  };
  std::vector<int> hundred(100), sixty(60);
  for (int i = 0; i < 100; ++i) hundred[i] = i;
  for (int i = 0; i < 60; ++i) sixty[i] = i;
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool composed;
    std::vector<int> made;  // when composed: exactly these pages
  } cases[] = {
      {"every named page receives pixels", sheetBytes(3, {0, 2}, {}, {}), true, {0, 2}},
      {"a skipped run names a page", sheetBytes(3, {0, 1}, {1}, {}), true, {0}},
      {"a bit-depth-0 sprite names a page", sheetBytes(3, {0, 2}, {}, {1}), true, {0}},
      {"nothing but skipped and bit-depth-0 runs", sheetBytes(9000, {8000, 8999}, {0}, {1}), true, {}},
      {"sixty pages with one cell each", sheetBytes(60, sixty, {}, {}), true, sixty},
      {"a hundred pages with one cell each", sheetBytes(100, hundred, {}, {}), false, {}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    SheetPtr sheet = Parse(tc.bytes);
    if (sheet == nullptr) {
      ADD_FAILURE() << "not parsed";
      continue;
    }
    std::vector<CutSpritePageImage> pages;
    const bool composed = ComposeCutSpritePages(*sheet, nullptr, nullptr, 0, false, pages);
    EXPECT_EQ(composed, tc.composed);
    if (!composed || !tc.composed) continue;
    std::vector<int> made;
    for (size_t p = 0; p < pages.size(); ++p)
      if (pages[p].made) made.push_back(static_cast<int>(p));
    EXPECT_EQ(made, tc.made);
  }
  vt::SetDebugQuiet(false);
}

// A valid two-sprite file to damage.
std::vector<uint8_t> SmallFile() {
  CutSpriteFileDesc d;
  d.cellSize = 16;
  d.pageCount = 2;
  for (int n = 0; n < 2; ++n) {
    CutSpriteDesc s;
    s.number = n;
    s.pixelType = n == 0 ? 0 : 4;
    s.right = s.bottom = 15;
    s.ownPalette.assign(n == 0 ? 0 : 1024, 7);
    s.chunks.push_back({128, 224, 16, 32, 0, static_cast<int16_t>(32 * n), static_cast<int16_t>(n), 0});
    s.chunks.push_back({144, 224, 16, 16, 16, 0, 0, 1});
    s.pixels.assign(16 * 32 * static_cast<size_t>(CutSpriteBytesPerPixel(s.pixelType)), 3);
    d.sprites.push_back(s);
  }
  return WriteCutSpriteFile(d);
}

TEST(CutSpriteDamage, BadHeaderRejectsTheFile) {
  vt::SetDebugQuiet(true);
  struct Case {
    const char* what;
    size_t at;
    int32_t value;
  } cases[] = {
      {"negative page count", 0x2014, -2},  {"too many pages", 0x2014, 40000},
      {"cell size 0", 0x2024, 0},           {"cell size 24", 0x2024, 24},
      {"cell size 512", 0x2024, 512},       {"chunk table past end", 0x4F24, 1 << 30},
      {"chunk table negative", 0x4F24, -8},
  };
  for (const auto& tc : cases) {
    std::vector<uint8_t> bytes = SmallFile();
    han6io::ByteWriter w;
    w.Bytes() = bytes;
    w.PatchI32(tc.at, tc.value);
    EXPECT_EQ(Parse(w.Bytes()), nullptr) << tc.what;
  }
  std::vector<uint8_t> bytes = SmallFile();
  bytes[3] = 'x';
  EXPECT_EQ(Parse(bytes), nullptr);
  vt::SetDebugQuiet(false);
}

TEST(CutSpriteDamage, BadSpriteLeavesItsSlotEmpty) {
  vt::SetDebugQuiet(true);
  const std::vector<uint8_t> base = SmallFile();
  const int32_t rec1 = han6io::LoadI32(base, 0x2044 + 4);
  const int32_t table = han6io::LoadI32(base, 0x4F24);
  const size_t chunk1 = static_cast<size_t>(table) + 2 * 24;  // sprite 1's first chunk
  struct Case {
    const char* what;
    size_t at;
    int32_t value;
    int width;  // 4 or 2 bytes
  } cases[] = {
      {"record offset past end", 0x2044 + 4, static_cast<int32_t>(base.size()) - 10, 4},
      {"record offset negative", 0x2044 + 4, -5, 4},
      {"pixel type 6", static_cast<size_t>(rec1) + 32, 6, 4},
      {"first chunk negative", static_cast<size_t>(rec1) + 64, -1, 4},
      {"chunks past the table", static_cast<size_t>(rec1) + 64, 3, 4},
      {"empty rectangle", static_cast<size_t>(rec1) + 56, -1, 4},
      {"huge rectangle", static_cast<size_t>(rec1) + 60, 100000, 4},
      {"chunk narrower than a cell", chunk1 + 8, 8, 4},
      {"chunk not a multiple", chunk1 + 12, 40, 4},
      {"page beyond count", chunk1 + 20, 2, 2},
      {"negative page", chunk1 + 20, -1, 2},
      {"strip past page bottom", chunk1 + 18, 240, 2},
      {"unaligned page x", chunk1 + 16, 8, 2},
      {"pixels past the end", chunk1 + 12, 256, 4},
  };
  for (const auto& tc : cases) {
    std::vector<uint8_t> bytes = base;
    if (tc.width == 4) {
      han6io::ByteWriter w;
      w.Bytes() = bytes;
      w.PatchI32(tc.at, tc.value);
      bytes = w.Bytes();
    } else {
      bytes[tc.at] = static_cast<uint8_t>(tc.value);
      bytes[tc.at + 1] = static_cast<uint8_t>(tc.value >> 8);
    }
    SheetPtr sheet = Parse(bytes);
    ASSERT_NE(sheet, nullptr) << tc.what;
    EXPECT_NE(sheet->Record(0), nullptr) << tc.what;
    EXPECT_EQ(sheet->Record(1), nullptr) << tc.what;
    std::vector<CutSpritePageImage> pages;
    ComposeCutSpritePages(*sheet, nullptr, nullptr, 0, false, pages);
  }
  vt::SetDebugQuiet(false);
}

TEST(CutSpriteDamage, TruncatedAtEveryOffset) {
  vt::SetDebugQuiet(true);
  const std::vector<uint8_t> base = SmallFile();
  for (size_t n = 0; n < base.size(); ++n) {
    std::vector<uint8_t> cut(base.begin(), base.begin() + n);
    SheetPtr sheet = Parse(cut);
    if (n < static_cast<size_t>(kCutSpriteHeaderSize)) {
      EXPECT_EQ(sheet, nullptr) << n;
    } else if (sheet) {
      std::vector<CutSpritePageImage> pages;
      ComposeCutSpritePages(*sheet, nullptr, nullptr, 0, false, pages);
    }
  }
  vt::SetDebugQuiet(false);
}

TEST(CutSpritePaletteFile, CountsOnlyWholePalettes) {
  std::vector<CutSpritePalette> pals(3);
  for (int k = 0; k < 3; ++k) pals[k].fill(static_cast<uint8_t>(10 + k));
  std::vector<uint8_t> file = WritePaletteFile(pals);
  CutSpritePalette out{};
  struct Case {
    size_t keep;
    int index;
    bool found;
    uint8_t value;
  } cases[] = {{file.size(), 2, true, 12},     {file.size(), 3, false, 0},     {file.size(), -1, false, 0},
               {file.size() - 1, 2, false, 0}, {file.size() - 1, 1, true, 11}, {3, 0, false, 0}};
  vt::SetDebugQuiet(true);
  for (const auto& tc : cases) {
    std::vector<uint8_t> bytes(file.begin(), file.begin() + static_cast<long>(tc.keep));
    out.fill(0);
    EXPECT_EQ(ReadPaletteFileEntry(bytes, tc.index, out), tc.found) << tc.keep << " " << tc.index;
    if (tc.found) {
      EXPECT_EQ(out[1023], tc.value);
    }
  }
  std::vector<uint8_t> negative = file;
  negative[3] = 0x80;
  EXPECT_EQ(CountPaletteFileEntries(negative), 0);
  vt::SetDebugQuiet(false);
}

}  // namespace
