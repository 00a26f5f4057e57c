// Cut-sprite sheets ("BMP Cutter3"): the file layout, the in-memory `CutSpriteSheet`, its
// parser over a file image, its writer, cell arithmetic, the palette fix-up, the pixel
// conversion into page formats and the composition of page images from embedded pixels.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct TextureHandle;

inline constexpr int kCutSpriteSlotCount = 3000;
inline constexpr int kCutSpriteHeaderSize = 0x4F30;
inline constexpr int kCutSpriteRecordSize = 72;
inline constexpr int kCutSpriteChunkSize = 24;
inline constexpr int kCutSpritePageEdge = 256;
// Page numbers are int16 in the chunks, so a sheet never has more pages than this.
inline constexpr int kCutSpriteMaxPages = 32768;
// Largest sprite bounding size accepted: sprite textures are made at this size at most.
inline constexpr int kCutSpriteMaxEdge = 4096;

// Program-wide switch: sprite files carry their pixels and pages are made from them. Always 1
// in this build; the page-bitmap mode is not built.
extern int g_EmbeddedSpritePixels;

// Page and sprite texture formats the sheet code writes.
enum class CutPixelFormat : uint8_t { kA1R5G5B5, kA4R4G4B4, kA8R8G8B8 };
inline int CutPixelFormatBytes(CutPixelFormat f) { return f == CutPixelFormat::kA8R8G8B8 ? 4 : 2; }

struct CutSpriteRecord {
  char name[32];
  int32_t pixelType;
  int32_t unread0[2];
  int32_t bitDepth;
  int32_t left, top, right, bottom;
  int32_t firstChunk;
  uint16_t chunkCount;
  uint16_t unread1;
  int32_t paletteIndex;  // first entry in paletteStore, -1 none
  int32_t firstCellRun;
  int32_t cellRunCount;
  int32_t pixelOffset;  // offset in pixelStore, -1 none
};

struct CutSpriteCellRun {
  int16_t x, y;  // strip position relative to the sprite origin
  int32_t cell;  // page x cells-per-page + column x rows + row
  int8_t strip;  // +n vertical strip of n cells, -n horizontal strip of n cells
  uint8_t skip;  // non-zero: the chunk carries no pixels and writes nothing to its page
};

struct CutSpriteSheet {
  CutSpriteSheet();
  ~CutSpriteSheet();
  CutSpriteSheet(const CutSpriteSheet&) = delete;
  CutSpriteSheet& operator=(const CutSpriteSheet&) = delete;

  int32_t recordCount = 0;
  int32_t pageCount = 0;
  uint32_t firstRichPage = UINT32_MAX;
  std::array<uint8_t, 1024> palette{};
  std::array<int32_t, kCutSpriteSlotCount> spriteSlots;
  int32_t cellSize = 0;
  std::vector<CutSpriteRecord> records;
  std::vector<CutSpriteCellRun> cellRuns;
  std::vector<uint8_t> paletteStore;  // 4 bytes per entry, R G B A
  std::vector<uint8_t> pixelStore;
  bool hasPixels = false;             // parsed with embedded pixels and the store not yet freed
  std::vector<TextureHandle*> pages;  // one per page, null where a page was not made

  int CellsPerRow() const { return kCutSpritePageEdge / cellSize; }
  int CellsPerPage() const { return CellsPerRow() * CellsPerRow(); }
  // The record of a sprite number, or null for an empty slot or a number outside 0..2999.
  const CutSpriteRecord* Record(int spriteNumber) const;
};

// Cell arithmetic.
int32_t CutSpriteCellNumber(int cellSize, int page, int pageX, int pageY);
struct CutSpriteCellPos {
  int page, x, y;
};
CutSpriteCellPos CutSpriteCellPosition(int cellSize, int32_t cell);
// Page rectangle of a run: width and height in pixels.
void CutSpriteRunSize(int cellSize, const CutSpriteCellRun& run, int& width, int& height);

// Bytes per pixel of the pixel types (types 4 and 5 keep two planes).
int CutSpriteBytesPerPixel(int32_t pixelType);
// Own-palette entries following the record: 256 for types 2 and 4, 1 for type 3.
int CutSpriteOwnPaletteEntries(int32_t pixelType);

// Frees one page texture; installed by the drawing layer together with its texture backend.
extern void (*g_CutSpritePageFree)(TextureHandle* page);

CutSpriteSheet* InitCutSpriteSheet();
void FreeCutSpriteSheet(CutSpriteSheet* sheet);

// Builds a sheet from a file image, or null when the header is damaged (the reason is logged
// with `name`). A damaged sprite leaves its slot empty.
CutSpriteSheet* ParseCutSpriteSheet(std::span<const uint8_t> image, int embeddedPixels,
                                    const char* name = "");
bool HasCutSpriteSignature(std::span<const uint8_t> image);

// Entry 0 becomes black, other pure-black entries become (1, 1, 1); alpha is left alone.
void FixCutSpritePalette(std::span<uint8_t, 1024> palette);

// 8-bit channel quantised to n bits: a non-zero value never becomes 0.
uint32_t QuantiseChannel(uint32_t v, int bits);

// Converts width x height pixels of one pixel type into a locked rectangle of a page format.
// `palette` is the palette in force (1024 bytes, or 4 for type 3); types 4 and 5 read two planes.
void WritePixelsToTexture(uint8_t* dst, int pitch, CutPixelFormat format, int32_t pixelType,
                          std::span<const uint8_t> src, int width, int height,
                          std::span<const uint8_t> palette);

// One 256 x 256 page image in its format, as page creation fills it.
struct CutSpritePageImage {
  bool made = false;
  CutPixelFormat format = CutPixelFormat::kA1R5G5B5;
  std::vector<uint8_t> pixels;  // 256 rows of 256 x bytes-per-pixel
};
// The format of page p: A1R5G5B5 below firstRichPage, else 32-bit (A4R4G4B4 on a 16-bit display).
CutPixelFormat CutSpritePageFormat(const CutSpriteSheet& sheet, int page, bool display16);
// Applies the palette override and the fix-up to the sheet's palette, then composes every page
// that receives pixels and whose mask byte is set (all pages without a mask; pages beyond
// maskSize count as unmarked) from the embedded pixels; a page that no pixels reach stays unmade
// and reads as empty. Returns false when the sheet or its pixels are missing, or when the pages
// would take far more memory than the pixel bytes that fill them (logged).
bool ComposeCutSpritePages(CutSpriteSheet& sheet, const uint8_t* paletteOverride, const uint8_t* pageMask,
                           size_t maskSize, bool display16, std::vector<CutSpritePageImage>& pages);

// A page as the sprite assembly reads it: null pixels when the page was not made.
struct CutSpritePageView {
  const uint8_t* pixels = nullptr;  // 256 rows of 256 pixels
  CutPixelFormat format = CutPixelFormat::kA1R5G5B5;
};
// Copies every cell run of a sprite (skipped ones included: their cells are on the page) from
// its page into a texture of texWidth x texHeight at (run x - left + 128, run y - top + 224),
// converting formats; whatever falls outside the texture is clipped.
void CopyCutSpriteRuns(const CutSpriteSheet& sheet, const CutSpriteRecord& record,
                       std::span<const CutSpritePageView> pages, uint8_t* dst, int pitch, int texWidth,
                       int texHeight, CutPixelFormat dstFormat);
// Reads one pixel of a format back as A, R, G, B bytes (channels widened to 8 bits).
void ReadFormatPixel(const uint8_t* p, CutPixelFormat format, uint8_t argb[4]);

// ---- Writer ----

struct CutSpriteChunkDesc {
  int32_t x = 0, y = 0;  // strip position in the sprite's frame (origin at 128, 224)
  int32_t width = 0, height = 0;
  int16_t pageX = 0, pageY = 0, page = 0;
  uint8_t skip = 0;
};

struct CutSpriteDesc {
  int number = 0;
  std::string name;
  int32_t pixelType = 0;
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  std::vector<uint8_t> ownPalette;  // 4 bytes per entry: 256 entries for types 2 and 4, 1 for type 3
  std::vector<CutSpriteChunkDesc> chunks;
  std::vector<uint8_t> pixels;  // the pixels of every unskipped chunk in chunk order
};

struct CutSpriteFileDesc {
  std::array<uint8_t, 1024> palette{};
  int32_t cellSize = 16;
  int32_t pageCount = 1;
  std::vector<CutSpriteDesc> sprites;
};

// Bit depth written for a pixel type: 8 for types 0 and 2, 32 for the others.
int32_t CutSpriteBitDepth(int32_t pixelType);
std::vector<uint8_t> WriteCutSpriteFile(const CutSpriteFileDesc& desc);
