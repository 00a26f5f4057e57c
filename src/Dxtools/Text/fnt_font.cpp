// Bitmap glyph fonts: binding a file image, drawing glyphs, message pictures and plain copies.
#include "Dxtools/Text/fnt_font.h"

#include <atomic>
#include <cstring>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/text_texture.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "app/save_data.h"

namespace vt::text {

namespace {

// The full-width form of each printable ASCII character, in ASCII order. Kept on purpose: the
// apostrophe draws "’" and the tilde draws "＠".
constexpr uint16_t kFullWidth[95] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166, 0x8169, 0x816A, 0x8196, 0x817B,
    0x8143, 0x817C, 0x8144, 0x815E, 0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148, 0x8197, 0x8260, 0x8261, 0x8262,
    0x8263, 0x8264, 0x8265, 0x8266, 0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276, 0x8277, 0x8278, 0x8279, 0x816D,
    0x815F, 0x816E, 0x814F, 0x8151, 0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F, 0x8290, 0x8291, 0x8292, 0x8293,
    0x8294, 0x8295, 0x8296, 0x8297, 0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8197,
};
constexpr uint16_t kFullWidthApostrophe = 0xFA56;  // "＇", in the version-1 table only

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// One character of a message: ASCII 0x20..0x7E is one byte, every other byte starts a two-byte
// character; a lead byte before the terminating zero stands alone.
uint32_t ReadFntChar(const uint8_t* p, int* length, bool* ascii) {
  if (p[0] >= 0x20 && p[0] <= 0x7E) {
    *length = 1;
    *ascii = true;
    return p[0];
  }
  *ascii = false;
  if (p[1] == 0) {
    *length = 1;
    return uint32_t(p[0]) << 8;
  }
  *length = 2;
  return (uint32_t(p[0]) << 8) | p[1];
}

// The code a character draws with in this font, or 0 for a character that is passed over.
uint32_t DrawCode(const FntFont* font, const uint8_t* p, int* length) {
  bool ascii = false;
  uint32_t code = ReadFntChar(p, length, &ascii);
  if (ascii) code = kFullWidth[code - 0x20];
  if (font->exV1) {
    if ((ascii && p[0] == ' ') || code == 0x8140 || code == 0x81DD) return 0;
    code = MapFntCharCode(code);
  }
  return code;
}

uint8_t Reduce4(uint32_t channel) {
  if (channel == 0) return 0;
  if (channel < 16) return 1;
  return static_cast<uint8_t>(channel >> 4);
}

std::atomic<LanguageQuery> g_languageQuery{nullptr};

}  // namespace

uint32_t FntFullWidthCode(uint8_t ascii) {
  return ascii >= 0x20 && ascii <= 0x7E ? kFullWidth[ascii - 0x20] : 0;
}

int FntCodeIndex(uint32_t code) {
  uint32_t index = (code + 0x7F00) & 0xFFFF;
  return index < kFntCodeMapEntries ? static_cast<int>(index) : -1;
}

int BindFntFont(FntFont* view, std::span<const uint8_t> image, const char* name) {
  if (!view) return 0;
  *view = FntFont{};
  if (image.empty()) return 0;
  if (!name) name = "font";
  if (image.size() < kFntBitmapOffset) {
    DebugPrint("%s: %zu bytes, too short for the font header and code map\n", name, image.size());
    return 0;
  }
  const uint8_t* d = image.data();
  FntFont f;
  f.count = ReadU16(d);
  f.width = ReadU16(d + 2);
  f.height = ReadU16(d + 4);
  f.pixelsPerByte = d[6];
  f.bitsPerPixel = d[7];
  bool depthOk = (f.pixelsPerByte == 8 && f.bitsPerPixel == 1) ||
                 (f.pixelsPerByte == 4 && f.bitsPerPixel == 2) ||
                 (f.pixelsPerByte == 2 && f.bitsPerPixel == 4);
  if (!depthOk) {
    DebugPrint("%s: %u pixels per byte at %u bits per pixel is not a font depth\n", name, f.pixelsPerByte,
               f.bitsPerPixel);
    return 0;
  }
  f.rowBytes = f.width / f.pixelsPerByte;
  f.glyphBytes = f.rowBytes * f.height;
  size_t bitmapBytes = f.glyphBytes * f.count;
  if (image.size() - kFntBitmapOffset < bitmapBytes) {
    DebugPrint("%s: %u glyphs of %ux%u need %zu bitmap bytes, the file holds %zu\n", name, f.count, f.width,
               f.height, bitmapBytes, image.size() - kFntBitmapOffset);
    return 0;
  }
  f.codeMap = d + kFntHeaderSize;
  f.glyphs = d + kFntBitmapOffset;
  // The extension block, when there is one, follows the bitmaps.
  size_t exOffset = kFntBitmapOffset + bitmapBytes;
  size_t exSize = image.size() - exOffset;
  const uint8_t* ex = d + exOffset;
  if (exSize >= kFntExBlockHeader && std::memcmp(ex, "FNT MAKE EX", 12) == 0 && ReadU32(ex + 16) == 1) {
    f.exV1 = true;
    uint32_t tableOffset = ReadU32(ex + 20);
    if (tableOffset <= exSize && exSize - tableOffset >= kFntCodeMapEntries)
      f.widthTable = ex + tableOffset;
    else
      DebugPrint("%s: width table at block offset %u lies outside the file; glyph widths used\n", name,
                 tableOffset);
  }
  *view = f;
  return 1;
}

int IsFntMakeExV1(const FntFont* font) { return font && font->exV1 ? 1 : 0; }

uint32_t MapFntCharCode(uint32_t code) {
  // The version-1 table: the 95 full-width codes with "＇" at the apostrophe's place, then "＠"
  // and the ideographic space again; a code takes its first position.
  for (int i = 0; i < 95; ++i) {
    uint32_t c = i == '\'' - 0x20 ? kFullWidthApostrophe : kFullWidth[i];
    if (c == code) return 0xF040 + i;
  }
  return code;  // positions 95 and 96 repeat earlier codes, so they are never the first
}

int FntGlyphNumber(const FntFont* font, uint32_t code) {
  if (!font || !font->codeMap) return -1;
  int index = FntCodeIndex(code);
  if (index < 0) return -1;
  uint16_t glyph = ReadU16(font->codeMap + size_t(index) * 2);
  if (glyph == kFntNoGlyph || glyph >= font->count) return -1;
  return glyph;
}

int GetFntGlyphWidth(const FntFont* font, const char* text) {
  if (!font || !text || !*text) return 0;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  int length = 1;
  bool ascii = false;
  uint32_t code = ReadFntChar(p, &length, &ascii);
  if (ascii) code = kFullWidth[code - 0x20];
  if (font->exV1) code = MapFntCharCode(code);
  if (!font->widthTable) return font->width;
  int index = FntCodeIndex(code);
  return index < 0 ? 0 : font->widthTable[index];
}

int DrawFntGlyphToPixels(const FntFont* font, const PixelTarget& target, int x, int y, const char* text,
                         uint32_t colour) {
  if (!font || !text || !*text) return 0;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  int length = 1;
  uint32_t code = DrawCode(font, p, &length);
  if (code == 0) return length;
  int glyph = FntGlyphNumber(font, code);
  if (glyph < 0 || !target.Valid()) return length;

  const int ppb = font->pixelsPerByte, bpp = font->bitsPerPixel;
  const int levels = bpp * bpp;
  const uint8_t mask = static_cast<uint8_t>((1 << bpp) - 1);
  const uint32_t rgb = colour & 0xFFFFFF;
  const uint8_t r4 = Reduce4((colour >> 16) & 0xFF), g4 = Reduce4((colour >> 8) & 0xFF),
                b4 = Reduce4(colour & 0xFF);
  const uint8_t* src = font->glyphs + size_t(glyph) * font->glyphBytes;
  for (int row = 0; row < font->height; ++row) {
    int ty = y + row;
    if (ty < 0) continue;
    if (ty >= target.height) break;  // clipped to the allocated size
    const uint8_t* rowBits = src + size_t(row) * font->rowBytes;
    for (size_t byte = 0; byte < font->rowBytes; ++byte) {
      int bx = x + static_cast<int>(byte) * ppb;
      // Kept on purpose: deeper fonts skip a whole byte whose first pixel lies left of 0.
      if (ppb < 8 && bx < 0) continue;
      if (bx >= target.width) break;
      for (int k = 0; k < ppb; ++k) {
        int tx = bx + k;
        if (tx < 0) continue;
        if (tx >= target.width) break;
        int v = (rowBits[byte] >> (8 - bpp * (k + 1))) & mask;
        if (v == 0) continue;
        uint32_t alpha = levels > 1 ? uint32_t(v) * 255 / uint32_t(levels - 1) : 255;
        if (target.format == PixelFormat::kA8R8G8B8)
          target.Put32(tx, ty, (alpha << 24) | rgb);
        else
          target.Put16(tx, ty, static_cast<uint16_t>((Reduce4(alpha) << 12) | (r4 << 8) | (g4 << 4) | b4));
      }
    }
  }
  return length;
}

int DrawFntGlyphToTexture(const FntFont* font, TextureHandle* texture, int x, int y, const char* text,
                          uint32_t colour) {
  if (!text || !*text) return 0;
  PixelTarget target;
  if (!texture || !LockTargetTexture(texture, &target)) target = {};
  return DrawFntGlyphToPixels(font, target, x, y, text, colour);
}

void RenderMessagePixels(const PixelTarget& target, int height, int x, const char* text, const FntFont* font,
                         const FntFont* rubyFont, bool english) {
  if (!font || !text) return;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  int penX = x, penY = 0, count = 0;
  const int lineHeight = font->height;
  bool inRuby = false;
  int rubyPen = 0;
  const bool tableWidths = english && font->exV1;
  while (*p && *p != '\\') {
    if (p[0] == 0x81 && p[1] == 0xA1) {  // "■": new line
      penX = x;
      penY += lineHeight;
      count = 0;
      p += 2;
      continue;
    }
    if (*p == '<') {
      inRuby = true;
      ++p;
      if (rubyFont) {
        // Two bytes per ruby character, at most 100, never past the end of the text.
        int chars = 0;
        for (const uint8_t* q = p; chars < 100 && *q && *q != '>'; q += q[1] ? 2 : 1) ++chars;
        // Centred over the glyph before it as if every base glyph were 20 pixels wide, whatever
        // the font's width (kept: the game's large font is 20 wide).
        rubyPen = count * 20 + x - (chars * rubyFont->width + 20) / 2;
      }
      continue;
    }
    if (*p == '>') {
      inRuby = false;
      ++p;
      continue;
    }
    if (inRuby) {
      if (rubyFont && penY + 256 + rubyFont->height < height) {
        p += DrawFntGlyphToPixels(rubyFont, target, rubyPen, penY + 256, reinterpret_cast<const char*>(p),
                                  0xFFFFFFFF);
        rubyPen += rubyFont->width;
      } else {
        p += p[1] ? 2 : 1;
      }
      continue;
    }
    int advance = tableWidths ? GetFntGlyphWidth(font, reinterpret_cast<const char*>(p)) : font->width;
    p += DrawFntGlyphToPixels(font, target, penX, penY, reinterpret_cast<const char*>(p), 0xFFFFFFFF);
    penX += advance;
    ++count;
  }
}

std::string StripMessageMarkup(const char* text, int mode) {
  std::string out;
  if (!text) return out;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  // The cap is checked before every write: a unit that does not fit whole ends the copy.
  auto put = [&out](const uint8_t* unit, size_t n) {
    if (out.size() + n > kMessageStripCap) return false;
    out.append(reinterpret_cast<const char*>(unit), n);
    return true;
  };
  while (*p) {
    if (*p == '<') {
      while (*p && *p != '>') ++p;
      if (*p) ++p;
      continue;
    }
    if (*p == '\\') {
      if (mode == 0) break;
      ++p;
      continue;
    }
    if (*p == '\r') {
      if (mode == 1) break;
      if (mode > 1) {
        ++p;
        continue;
      }
      // Mode 0 keeps the CR with the byte after it; a final CR is copied alone.
      size_t n = p[1] ? 2 : 1;
      if (!put(p, n)) break;
      p += n;
      continue;
    }
    if (*p >= 0x20 && *p <= 0x7E) {
      ++p;
      continue;
    }
    if (mode == 1 && p[0] == 0x81 && p[1] == 0xA1) {
      p += 2;
      continue;
    }
    if (!p[1]) break;  // a lead byte before the end has no second half
    if (!put(p, 2)) break;
    p += 2;
  }
  return out;
}

void SetMessageLanguageQuery(LanguageQuery query) { g_languageQuery.store(query, std::memory_order_release); }

bool MessageLanguageIsEnglish() {
  LanguageQuery q = g_languageQuery.load(std::memory_order_acquire);
  return q ? q() : GetSelectLanguage() == 1;
}

TextureHandle* RenderMessageTexture(int x, int height, const char* text, const FntFont* font,
                                    const FntFont* rubyFont) {
  if (!font) return nullptr;
  const uint32_t format = (g_AdapterInfo && FormatBitsPerPixel(g_AdapterInfo->displayFormat) == 16)
                              ? vt::gfx::FMT_A4R4G4B4
                              : vt::gfx::FMT_A8R8G8B8;
  // CreateTexture takes the device lock and leaves it on every path.
  TextureHandle* texture = CreateTexture(1024, height, format);
  if (!texture) return nullptr;
  PixelTarget target;
  if (LockTargetTexture(texture, &target)) {
    RenderMessagePixels(target, height, x, text, font, rubyFont, MessageLanguageIsEnglish());
    UnlockTargetTexture(texture);
  }
  return texture;
}

int DrawMessageTexture(TextureHandle* texture, int x, int y, int w, int h, float sx, float sy, float sw,
                       float sh, uint32_t colour, uint32_t specular, int priority) {
  return DrawSprite(&g_MainDrawList, texture, x, y, w, h, sx, sy, sw, sh, colour, specular, priority + 256);
}

// ---------------------------------------------------------------------------------------------

namespace {
struct StoryFontFile {
  DataBuffer image;
  FntFont font;
};
StoryFontFile g_storyFontFiles[kStoryFontCount];
constexpr const char* kStoryFontPaths[kStoryFontCount] = {".\\fontl.fnt", ".\\fonts.fnt", ".\\font.fnt",
                                                          ".\\fontl_eng.fnt"};
}  // namespace

FntFont* g_StoryFonts[kStoryFontCount] = {};

void LoadStoryFonts() {
  FreeStoryFonts();
  for (int i = 0; i < kStoryFontCount; ++i) {
    StoryFontFile& f = g_storyFontFiles[i];
    f.image = LoadDataFile(kStoryFontPaths[i]);
    if (f.image && BindFntFont(&f.font, f.image.bytes(), kStoryFontPaths[i]))
      g_StoryFonts[i] = &f.font;
    else
      f.image = DataBuffer();
  }
}

void FreeStoryFonts() {
  for (int i = 0; i < kStoryFontCount; ++i) {
    g_StoryFonts[i] = nullptr;
    g_storyFontFiles[i] = StoryFontFile{};
  }
}

}  // namespace vt::text
