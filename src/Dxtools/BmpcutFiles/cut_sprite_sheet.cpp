// Cut-sprite sheets: parsing with full validation of the file image, writing, the cell and
// pixel arithmetic and the composition of page images from the embedded pixels.
#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"

#include <algorithm>
#include <cstring>

#include "Dxtools/Han6Files/byte_stream.h"
#include "app/lib_debug.h"

using han6io::InRange;
using han6io::LoadI16;
using han6io::LoadI32;

int g_EmbeddedSpritePixels = 1;

namespace {

constexpr size_t kPaletteOffset = 0x14;
constexpr size_t kPageCountOffset = 0x2014;
constexpr size_t kCellSizeOffset = 0x2024;
constexpr size_t kSpriteOffsets = 0x2044;
constexpr size_t kChunkTableOffset = 0x4F24;
constexpr char kSignature[] = "BMP Cutter3";

bool IsValidCellSize(int32_t c) { return c > 0 && c <= kCutSpritePageEdge && kCutSpritePageEdge % c == 0; }

// A chunk is a strip: one side one cell, the other a positive multiple of the cell. Returns the
// signed strip length, or 0 when the chunk breaks the rule.
int StripOf(int32_t width, int32_t height, int32_t c) {
  if (width == c && height >= c && height % c == 0) return height / c;
  if (height == c && width > c && width % c == 0) return -(width / c);
  return 0;
}

// Everything about one sprite that the validation pass works out before anything is stored.
struct SpriteLayout {
  int32_t offset = 0;
  int32_t firstChunk = 0;
  int chunkCount = 0;
  int paletteEntries = 0;
  uint64_t pixelBytes = 0;
};

}  // namespace

CutSpriteSheet::CutSpriteSheet() { spriteSlots.fill(-1); }
CutSpriteSheet::~CutSpriteSheet() = default;

const CutSpriteRecord* CutSpriteSheet::Record(int spriteNumber) const {
  if (spriteNumber < 0 || spriteNumber >= kCutSpriteSlotCount) return nullptr;
  int32_t r = spriteSlots[spriteNumber];
  if (r < 0 || r >= static_cast<int32_t>(records.size())) return nullptr;
  return &records[r];
}

int32_t CutSpriteCellNumber(int cellSize, int page, int pageX, int pageY) {
  int perRow = kCutSpritePageEdge / cellSize;
  return page * perRow * perRow + (pageX / cellSize) * perRow + pageY / cellSize;
}

CutSpriteCellPos CutSpriteCellPosition(int cellSize, int32_t cell) {
  int perRow = kCutSpritePageEdge / cellSize;
  int perPage = perRow * perRow;
  int r = cell % perPage;
  return {cell / perPage, (r / perRow) * cellSize, (r % perRow) * cellSize};
}

void CutSpriteRunSize(int cellSize, const CutSpriteCellRun& run, int& width, int& height) {
  if (run.strip >= 0) {
    width = cellSize;
    height = run.strip * cellSize;
  } else {
    width = -run.strip * cellSize;
    height = cellSize;
  }
}

int CutSpriteBytesPerPixel(int32_t pixelType) {
  switch (pixelType) {
    case 1:
      return 4;
    case 4:
    case 5:
      return 2;
    default:
      return 1;
  }
}

int CutSpriteOwnPaletteEntries(int32_t pixelType) {
  if (pixelType == 2 || pixelType == 4) return 256;
  if (pixelType == 3) return 1;
  return 0;
}

int32_t CutSpriteBitDepth(int32_t pixelType) { return (pixelType == 0 || pixelType == 2) ? 8 : 32; }

CutSpriteSheet* InitCutSpriteSheet() { return new CutSpriteSheet(); }

void (*g_CutSpritePageFree)(TextureHandle* page) = nullptr;

void FreeCutSpriteSheet(CutSpriteSheet* sheet) {
  if (sheet == nullptr) return;
  if (g_CutSpritePageFree != nullptr)
    for (TextureHandle* page : sheet->pages)
      if (page != nullptr) g_CutSpritePageFree(page);
  delete sheet;
}

bool HasCutSpriteSignature(std::span<const uint8_t> image) {
  return image.size() >= 11 && std::memcmp(image.data(), kSignature, 11) == 0;
}

CutSpriteSheet* ParseCutSpriteSheet(std::span<const uint8_t> image, int embeddedPixels, const char* name) {
  if (!HasCutSpriteSignature(image)) {
    DebugPrint("%s: not a cut-sprite file\n", name);
    return nullptr;
  }
  if (image.size() < static_cast<size_t>(kCutSpriteHeaderSize)) {
    DebugPrint("%s: cut-sprite header truncated (%zu bytes)\n", name, image.size());
    return nullptr;
  }
  const int32_t pagesMinusOne = LoadI32(image, kPageCountOffset);
  const int32_t cellSize = LoadI32(image, kCellSizeOffset);
  const int32_t chunkTable = LoadI32(image, kChunkTableOffset);
  if (pagesMinusOne < -1 || pagesMinusOne >= kCutSpriteMaxPages) {
    DebugPrint("%s: bad page count %d\n", name, pagesMinusOne);
    return nullptr;
  }
  if (!IsValidCellSize(cellSize)) {
    DebugPrint("%s: bad cell size %d\n", name, cellSize);
    return nullptr;
  }
  if (!InRange(chunkTable, 0, image.size())) {
    DebugPrint("%s: chunk table offset %d outside the file\n", name, chunkTable);
    return nullptr;
  }
  const int32_t pageCount = pagesMinusOne + 1;
  const uint64_t tableEntries = (image.size() - static_cast<size_t>(chunkTable)) / kCutSpriteChunkSize;
  const bool embedded = embeddedPixels != 0;

  // Validation pass: a sprite that breaks any rule keeps its slot empty. Totals are bounded by
  // the file (runs by the chunk table, stored bytes by the image size) so that sprites pointing
  // at the same bytes cannot multiply the memory a small file asks for.
  std::vector<SpriteLayout> layouts(kCutSpriteSlotCount);
  std::vector<uint8_t> valid(kCutSpriteSlotCount, 0);
  uint64_t totalRuns = 0, totalPixels = 0, totalPaletteBytes = 0;
  for (int i = 0; i < kCutSpriteSlotCount; ++i) {
    const int32_t offset = LoadI32(image, kSpriteOffsets + 4 * static_cast<size_t>(i));
    if (offset == -1) continue;
    auto bad = [&](const char* what) { DebugPrint("%s: sprite %d dropped: %s\n", name, i, what); };
    if (!InRange(offset, kCutSpriteRecordSize, image.size())) {
      bad("record outside the file");
      continue;
    }
    const size_t rec = static_cast<size_t>(offset);
    const int32_t pixelType = LoadI32(image, rec + 32);
    const int32_t bitDepth = LoadI32(image, rec + 44);
    const int32_t left = LoadI32(image, rec + 48), top = LoadI32(image, rec + 52);
    const int32_t right = LoadI32(image, rec + 56), bottom = LoadI32(image, rec + 60);
    const int32_t firstChunk = LoadI32(image, rec + 64);
    const int chunkCount = static_cast<uint16_t>(LoadI16(image, rec + 68));
    if (pixelType < 0 || pixelType > 5) {
      bad("unknown pixel type");
      continue;
    }
    if (static_cast<int64_t>(right) - left + 1 < 1 || static_cast<int64_t>(bottom) - top + 1 < 1 ||
        static_cast<int64_t>(right) - left + 1 > kCutSpriteMaxEdge ||
        static_cast<int64_t>(bottom) - top + 1 > kCutSpriteMaxEdge) {
      bad("bad bounding rectangle");
      continue;
    }
    if (firstChunk < 0 || static_cast<uint64_t>(firstChunk) + chunkCount > tableEntries) {
      bad("chunks outside the chunk table");
      continue;
    }
    if (totalRuns + chunkCount > tableEntries) {
      bad("more runs than the chunk table holds");
      continue;
    }
    SpriteLayout layout;
    layout.offset = offset;
    layout.firstChunk = firstChunk;
    layout.chunkCount = chunkCount;
    bool ok = true;
    for (int k = 0; k < chunkCount && ok; ++k) {
      const size_t ch =
          static_cast<size_t>(chunkTable) + (static_cast<size_t>(firstChunk) + k) * kCutSpriteChunkSize;
      const int32_t x = LoadI32(image, ch), y = LoadI32(image, ch + 4);
      const int32_t w = LoadI32(image, ch + 8), h = LoadI32(image, ch + 12);
      const int pageX = LoadI16(image, ch + 16), pageY = LoadI16(image, ch + 18),
                page = LoadI16(image, ch + 20);
      const bool skip = image[ch + 22] != 0;
      const int n = StripOf(w, h, cellSize);
      if (n == 0 || n > 127 || n < -127) {
        bad("chunk is not a strip of whole cells");
        ok = false;
      } else if (page < 0 || page >= pageCount) {
        bad("chunk page outside the page count");
        ok = false;
      } else if (pageX < 0 || pageY < 0 || pageX % cellSize != 0 || pageY % cellSize != 0 ||
                 pageX + w > kCutSpritePageEdge || pageY + h > kCutSpritePageEdge) {
        bad("chunk outside its page");
        ok = false;
      } else if (int64_t{x} - 128 < INT16_MIN || int64_t{x} - 128 > INT16_MAX ||
                 int64_t{y} - 224 < INT16_MIN || int64_t{y} - 224 > INT16_MAX) {
        bad("chunk position out of range");
        ok = false;
      } else if (!skip) {
        layout.pixelBytes += static_cast<uint64_t>(w) * h * CutSpriteBytesPerPixel(pixelType);
      }
    }
    if (!ok) continue;
    if (embedded && bitDepth != 0) {
      layout.paletteEntries = CutSpriteOwnPaletteEntries(pixelType);
      const uint64_t stored = static_cast<uint64_t>(layout.paletteEntries) * 4 + layout.pixelBytes;
      if (!InRange(static_cast<int64_t>(rec) + kCutSpriteRecordSize, static_cast<int64_t>(stored),
                   image.size())) {
        bad("pixels run past the end of the file");
        continue;
      }
      if (totalPixels + layout.pixelBytes > image.size() ||
          totalPaletteBytes + layout.paletteEntries * 4u > image.size()) {
        bad("pixels shared with another sprite");
        continue;
      }
      totalPixels += layout.pixelBytes;
      totalPaletteBytes += layout.paletteEntries * 4u;
    } else {
      layout.pixelBytes = 0;
    }
    totalRuns += chunkCount;
    layouts[i] = layout;
    valid[i] = 1;
  }

  auto* sheet = new CutSpriteSheet();
  sheet->pageCount = pageCount;
  sheet->cellSize = cellSize;
  std::memcpy(sheet->palette.data(), image.data() + kPaletteOffset, 1024);
  sheet->cellRuns.reserve(static_cast<size_t>(totalRuns));
  sheet->hasPixels = embedded;
  if (embedded) {
    sheet->pixelStore.reserve(static_cast<size_t>(totalPixels));
    sheet->paletteStore.reserve(static_cast<size_t>(totalPaletteBytes));
  }
  for (int i = 0; i < kCutSpriteSlotCount; ++i) {
    if (!valid[i]) continue;
    const SpriteLayout& layout = layouts[i];
    const size_t rec = static_cast<size_t>(layout.offset);
    CutSpriteRecord r{};
    std::memcpy(r.name, image.data() + rec, 32);
    r.name[31] = '\0';
    r.pixelType = LoadI32(image, rec + 32);
    r.unread0[0] = LoadI32(image, rec + 36);
    r.unread0[1] = LoadI32(image, rec + 40);
    r.bitDepth = LoadI32(image, rec + 44);
    r.left = LoadI32(image, rec + 48);
    r.top = LoadI32(image, rec + 52);
    r.right = LoadI32(image, rec + 56);
    r.bottom = LoadI32(image, rec + 60);
    r.firstChunk = layout.firstChunk;
    r.chunkCount = static_cast<uint16_t>(layout.chunkCount);
    r.unread1 = static_cast<uint16_t>(LoadI16(image, rec + 70));
    r.firstCellRun = static_cast<int32_t>(sheet->cellRuns.size());
    r.cellRunCount = layout.chunkCount;
    r.paletteIndex = -1;
    r.pixelOffset = -1;
    for (int k = 0; k < layout.chunkCount; ++k) {
      const size_t ch = static_cast<size_t>(chunkTable) +
                        (static_cast<size_t>(layout.firstChunk) + k) * kCutSpriteChunkSize;
      const int32_t w = LoadI32(image, ch + 8), h = LoadI32(image, ch + 12);
      CutSpriteCellRun run{};
      run.x = static_cast<int16_t>(LoadI32(image, ch) - 128);
      run.y = static_cast<int16_t>(LoadI32(image, ch + 4) - 224);
      run.skip = image[ch + 22];
      run.strip = static_cast<int8_t>(StripOf(w, h, cellSize));
      const int page = LoadI16(image, ch + 20);
      run.cell = CutSpriteCellNumber(cellSize, page, LoadI16(image, ch + 16), LoadI16(image, ch + 18));
      sheet->cellRuns.push_back(run);
      if (embedded && r.bitDepth != 0 && r.pixelType != 0)
        sheet->firstRichPage = std::min(sheet->firstRichPage, static_cast<uint32_t>(page));
    }
    if (embedded && r.bitDepth != 0) {
      size_t at = rec + kCutSpriteRecordSize;
      if (layout.paletteEntries > 0) {
        r.paletteIndex = static_cast<int32_t>(sheet->paletteStore.size() / 4);
        sheet->paletteStore.insert(sheet->paletteStore.end(), image.begin() + at,
                                   image.begin() + at + layout.paletteEntries * 4);
        at += layout.paletteEntries * 4;
      }
      r.pixelOffset = static_cast<int32_t>(sheet->pixelStore.size());
      sheet->pixelStore.insert(sheet->pixelStore.end(), image.begin() + at,
                               image.begin() + at + static_cast<size_t>(layout.pixelBytes));
    }
    sheet->spriteSlots[i] = static_cast<int32_t>(sheet->records.size());
    sheet->records.push_back(r);
  }
  sheet->recordCount = static_cast<int32_t>(sheet->records.size());
  return sheet;
}

void FixCutSpritePalette(std::span<uint8_t, 1024> palette) {
  palette[0] = palette[1] = palette[2] = 0;
  for (int i = 1; i < 256; ++i) {
    uint8_t* e = &palette[4 * i];
    if (e[0] == 0 && e[1] == 0 && e[2] == 0) e[0] = e[1] = e[2] = 1;
  }
}

uint32_t QuantiseChannel(uint32_t v, int bits) {
  if (v == 0) return 0;
  const int shift = 8 - bits;
  if (v < (1u << shift)) return 1;
  return v >> shift;
}

namespace {

void StorePixel(uint8_t* p, CutPixelFormat format, uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  switch (format) {
    case CutPixelFormat::kA8R8G8B8:
      p[0] = static_cast<uint8_t>(b);
      p[1] = static_cast<uint8_t>(g);
      p[2] = static_cast<uint8_t>(r);
      p[3] = static_cast<uint8_t>(a);
      break;
    case CutPixelFormat::kA4R4G4B4: {
      uint16_t v = static_cast<uint16_t>(QuantiseChannel(a, 4) << 12 | QuantiseChannel(r, 4) << 8 |
                                         QuantiseChannel(g, 4) << 4 | QuantiseChannel(b, 4));
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      break;
    }
    case CutPixelFormat::kA1R5G5B5: {
      uint16_t v = static_cast<uint16_t>((a != 0 ? 0x8000u : 0u) | QuantiseChannel(r, 5) << 10 |
                                         QuantiseChannel(g, 5) << 5 | QuantiseChannel(b, 5));
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      break;
    }
  }
}

}  // namespace

void WritePixelsToTexture(uint8_t* dst, int pitch, CutPixelFormat format, int32_t pixelType,
                          std::span<const uint8_t> src, int width, int height,
                          std::span<const uint8_t> palette) {
  const int bpp = CutPixelFormatBytes(format);
  const size_t area = static_cast<size_t>(width) * height;
  if (src.size() < area * CutSpriteBytesPerPixel(pixelType)) return;
  auto entry = [&](uint32_t i) -> const uint8_t* {
    static const uint8_t kBlack[4] = {0, 0, 0, 0};
    return (i + 1) * 4 <= palette.size() ? palette.data() + 4 * i : kBlack;
  };
  for (int y = 0; y < height; ++y) {
    uint8_t* row = dst + static_cast<size_t>(y) * pitch;
    for (int x = 0; x < width; ++x) {
      const size_t k = static_cast<size_t>(y) * width + x;
      uint8_t* out = row + x * bpp;
      switch (pixelType) {
        case 0:
        case 2: {
          const uint8_t* e = entry(src[k]);
          StorePixel(out, format, src[k] != 0 ? 255 : 0, e[0], e[1], e[2]);
          break;
        }
        case 1:
          StorePixel(out, format, src[4 * k + 3], src[4 * k + 2], src[4 * k + 1], src[4 * k]);
          break;
        case 3: {
          const uint8_t* e = entry(0);
          StorePixel(out, format, src[k], e[0], e[1], e[2]);
          break;
        }
        default: {  // 4 and 5: index plane, then alpha plane
          const uint8_t* e = entry(src[k]);
          StorePixel(out, format, src[area + k], e[0], e[1], e[2]);
          break;
        }
      }
    }
  }
}

CutPixelFormat CutSpritePageFormat(const CutSpriteSheet& sheet, int page, bool display16) {
  if (static_cast<uint32_t>(page) < sheet.firstRichPage) return CutPixelFormat::kA1R5G5B5;
  return display16 ? CutPixelFormat::kA4R4G4B4 : CutPixelFormat::kA8R8G8B8;
}

namespace {

// Page images a sheet may make beyond what its pixels would fill densely: room for pages that
// hold only a few small sprites.
constexpr uint64_t kSparsePageAllowance = 64;
constexpr uint64_t kPagePixels = static_cast<uint64_t>(kCutSpritePageEdge) * kCutSpritePageEdge;

// Walks every run whose pixels reach a page, in the order page creation writes them: sprites
// with pixels, runs without the skip flag (which carry none and leave the pixel position
// alone), up to the end of the pixel store. `visit(record, position, pixels, width, height,
// palette)`.
template <typename Visit>
void ForEachPixelRun(const CutSpriteSheet& sheet, Visit&& visit) {
  for (int s = 0; s < kCutSpriteSlotCount; ++s) {
    const CutSpriteRecord* r = sheet.Record(s);
    if (r == nullptr || r->pixelOffset < 0) continue;
    std::span<const uint8_t> palette = sheet.palette;
    if (r->pixelType == 2 || r->pixelType == 3 || r->pixelType == 4) {
      const size_t entries = static_cast<size_t>(CutSpriteOwnPaletteEntries(r->pixelType));
      if (r->paletteIndex < 0 ||
          (static_cast<size_t>(r->paletteIndex) + entries) * 4 > sheet.paletteStore.size())
        continue;
      palette = std::span<const uint8_t>(sheet.paletteStore)
                    .subspan(static_cast<size_t>(r->paletteIndex) * 4, entries * 4);
    }
    size_t at = static_cast<size_t>(r->pixelOffset);
    const int bppIn = CutSpriteBytesPerPixel(r->pixelType);
    for (int k = 0; k < r->cellRunCount; ++k) {
      const CutSpriteCellRun& run = sheet.cellRuns[static_cast<size_t>(r->firstCellRun) + k];
      if (run.skip != 0) continue;
      int w, h;
      CutSpriteRunSize(sheet.cellSize, run, w, h);
      const size_t bytes = static_cast<size_t>(w) * h * bppIn;
      if (at + bytes > sheet.pixelStore.size()) break;
      const CutSpriteCellPos pos = CutSpriteCellPosition(sheet.cellSize, run.cell);
      if (pos.page >= 0 && pos.page < sheet.pageCount)
        visit(*r, pos, std::span<const uint8_t>(sheet.pixelStore).subspan(at, bytes), w, h, palette);
      at += bytes;
    }
  }
}

}  // namespace

bool ComposeCutSpritePages(CutSpriteSheet& sheet, const uint8_t* paletteOverride, const uint8_t* pageMask,
                           size_t maskSize, bool display16, std::vector<CutSpritePageImage>& pages) {
  if (!sheet.hasPixels) return false;
  if (paletteOverride != nullptr) std::memcpy(sheet.palette.data(), paletteOverride, 1024);
  FixCutSpritePalette(sheet.palette);
  pages.assign(static_cast<size_t>(sheet.pageCount), CutSpritePageImage{});
  // Only pages that receive pixels are made: the page count and the pages that runs name come
  // from the file, and skipped runs or sprites without pixels must not turn into thousands of
  // empty 256 x 256 images. The pages made are bounded by the pixel bytes that fill them.
  std::vector<uint64_t> received(static_cast<size_t>(sheet.pageCount), 0);
  ForEachPixelRun(sheet, [&](const CutSpriteRecord&, const CutSpriteCellPos& pos, std::span<const uint8_t> px,
                             int, int, std::span<const uint8_t>) { received[pos.page] += px.size(); });
  uint64_t made = 0, filling = 0;
  for (int p = 0; p < sheet.pageCount; ++p) {
    if (received[p] == 0) continue;
    if (pageMask != nullptr && (static_cast<size_t>(p) >= maskSize || pageMask[p] == 0)) continue;
    pages[p].made = true;
    ++made;
    filling += received[p];
  }
  if (made * kPagePixels > 2 * filling + kSparsePageAllowance * kPagePixels) {
    DebugPrint("sprite pages refused: %llu pages for %llu pixel bytes\n",
               static_cast<unsigned long long>(made), static_cast<unsigned long long>(filling));
    pages.clear();
    return false;
  }
  for (int p = 0; p < sheet.pageCount; ++p) {
    CutSpritePageImage& page = pages[p];
    if (!page.made) continue;
    page.format = CutSpritePageFormat(sheet, p, display16);
    page.pixels.assign(
        static_cast<size_t>(kCutSpritePageEdge) * kCutSpritePageEdge * CutPixelFormatBytes(page.format), 0);
  }
  ForEachPixelRun(sheet, [&](const CutSpriteRecord& r, const CutSpriteCellPos& pos,
                             std::span<const uint8_t> px, int w, int h, std::span<const uint8_t> palette) {
    CutSpritePageImage& page = pages[pos.page];
    if (!page.made) return;
    const int bpp = CutPixelFormatBytes(page.format);
    const int pitch = kCutSpritePageEdge * bpp;
    WritePixelsToTexture(page.pixels.data() + static_cast<size_t>(pos.y) * pitch + pos.x * bpp, pitch,
                         page.format, r.pixelType, px, w, h, palette);
  });
  return true;
}

std::vector<uint8_t> WriteCutSpriteFile(const CutSpriteFileDesc& desc) {
  han6io::ByteWriter out;
  out.PutFixedText(kSignature, 16);
  out.PutZeros(4);
  out.PutBytes(desc.palette.data(), desc.palette.size());
  out.PutZeros(7168);
  out.PutI32(desc.pageCount - 1);
  out.PutZeros(12);
  out.PutI32(desc.cellSize);
  out.PutZeros(28);
  const size_t offsetsAt = out.Size();
  for (int i = 0; i < kCutSpriteSlotCount; ++i) out.PutI32(-1);
  const size_t chunkTableAt = out.Size();
  out.PutI32(0);
  out.PutZeros(8);

  int32_t chunkIndex = 0;
  for (const CutSpriteDesc& s : desc.sprites) {
    if (s.number < 0 || s.number >= kCutSpriteSlotCount) continue;
    out.PatchI32(offsetsAt + 4 * static_cast<size_t>(s.number), static_cast<int32_t>(out.Size()));
    out.PutFixedText(s.name, 32);
    out.PutI32(s.pixelType);
    out.PutZeros(8);
    out.PutI32(CutSpriteBitDepth(s.pixelType));
    out.PutI32(s.left);
    out.PutI32(s.top);
    out.PutI32(s.right);
    out.PutI32(s.bottom);
    out.PutI32(chunkIndex);
    out.PutU16(static_cast<uint16_t>(s.chunks.size()));
    out.PutU16(0);
    std::vector<uint8_t> palette = s.ownPalette;
    palette.resize(static_cast<size_t>(CutSpriteOwnPaletteEntries(s.pixelType)) * 4, 0);
    out.PutBytes(palette);
    out.PutBytes(s.pixels);
    chunkIndex += static_cast<int32_t>(s.chunks.size());
  }
  out.PatchI32(chunkTableAt, static_cast<int32_t>(out.Size()));
  for (const CutSpriteDesc& s : desc.sprites) {
    if (s.number < 0 || s.number >= kCutSpriteSlotCount) continue;
    for (const CutSpriteChunkDesc& c : s.chunks) {
      out.PutI32(c.x);
      out.PutI32(c.y);
      out.PutI32(c.width);
      out.PutI32(c.height);
      out.PutI16(c.pageX);
      out.PutI16(c.pageY);
      out.PutI16(c.page);
      out.PutU8(c.skip);
      out.PutU8(0);
    }
  }
  return out.Take();
}

void ReadFormatPixel(const uint8_t* p, CutPixelFormat format, uint8_t argb[4]) {
  switch (format) {
    case CutPixelFormat::kA8R8G8B8:
      argb[0] = p[3];
      argb[1] = p[2];
      argb[2] = p[1];
      argb[3] = p[0];
      break;
    case CutPixelFormat::kA4R4G4B4: {
      const uint16_t v = static_cast<uint16_t>(p[0] | p[1] << 8);
      for (int i = 0; i < 4; ++i) {
        const uint8_t n = static_cast<uint8_t>((v >> (12 - 4 * i)) & 0xF);
        argb[i] = static_cast<uint8_t>(n << 4 | n);
      }
      break;
    }
    case CutPixelFormat::kA1R5G5B5: {
      const uint16_t v = static_cast<uint16_t>(p[0] | p[1] << 8);
      argb[0] = (v & 0x8000) != 0 ? 255 : 0;
      for (int i = 0; i < 3; ++i) {
        const uint8_t n = static_cast<uint8_t>((v >> (10 - 5 * i)) & 0x1F);
        argb[1 + i] = static_cast<uint8_t>(n << 3 | n >> 2);
      }
      break;
    }
  }
}

void CopyCutSpriteRuns(const CutSpriteSheet& sheet, const CutSpriteRecord& record,
                       std::span<const CutSpritePageView> pages, uint8_t* dst, int pitch, int texWidth,
                       int texHeight, CutPixelFormat dstFormat) {
  const int dstBpp = CutPixelFormatBytes(dstFormat);
  for (int k = 0; k < record.cellRunCount; ++k) {
    const size_t index = static_cast<size_t>(record.firstCellRun) + k;
    if (index >= sheet.cellRuns.size()) break;
    const CutSpriteCellRun& run = sheet.cellRuns[index];
    const CutSpriteCellPos pos = CutSpriteCellPosition(sheet.cellSize, run.cell);
    if (pos.page < 0 || static_cast<size_t>(pos.page) >= pages.size() || pages[pos.page].pixels == nullptr)
      continue;
    const CutSpritePageView& page = pages[pos.page];
    const int srcBpp = CutPixelFormatBytes(page.format);
    int w, h;
    CutSpriteRunSize(sheet.cellSize, run, w, h);
    // 64-bit: the bounding rectangle may sit anywhere in the int32 range.
    const int64_t dx0 = int64_t{run.x} - record.left + 128, dy0 = int64_t{run.y} - record.top + 224;
    // Clip the destination rectangle to the texture (and the source to the page).
    const int64_t x0 = std::max<int64_t>(0, -dx0), y0 = std::max<int64_t>(0, -dy0);
    const int64_t x1 = std::min<int64_t>({w, texWidth - dx0, kCutSpritePageEdge - pos.x});
    const int64_t y1 = std::min<int64_t>({h, texHeight - dy0, kCutSpritePageEdge - pos.y});
    for (int64_t y = y0; y < y1; ++y) {
      const uint8_t* src =
          page.pixels + (static_cast<size_t>(pos.y + y) * kCutSpritePageEdge + pos.x) * srcBpp;
      uint8_t* row = dst + static_cast<size_t>(dy0 + y) * pitch;
      for (int64_t x = x0; x < x1; ++x) {
        uint8_t* out = row + static_cast<size_t>(dx0 + x) * dstBpp;
        if (page.format == dstFormat) {
          std::memcpy(out, src + x * srcBpp, static_cast<size_t>(dstBpp));
        } else {
          uint8_t argb[4];
          ReadFormatPixel(src + x * srcBpp, page.format, argb);
          StorePixel(out, dstFormat, argb[0], argb[1], argb[2], argb[3]);
        }
      }
    }
  }
}
