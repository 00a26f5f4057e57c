// System bitmap fonts: three ASCII fonts of glyph cells in one texture each with per-character
// advance widths, described by ".\_sysfont.ini"; text drawn one sprite per character, the
// spacing tag, outlined text (five copies) and small text.
//
// The spacing tag is nine bytes: 0x81 'K' 'S' 'A' ':' c d1 d2 ']' — it advances the pen by
// (width of character c x scale, truncated) x the two-digit decimal count d1d2 and draws
// nothing. `ParseSaTag` checks "SA:" (the three bytes after the 'K'), `ParseIndexTag` reads
// c, the two digits and the "]".
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct TextureHandle;

namespace vt::text {

struct SystemFont {
  int32_t defaultWidth = 0;
  int32_t widths[255] = {};  // advance of characters 1..255
  int32_t TexWidth = 0, TexHeight = 0;
  int32_t FontWidth = 0, FontHeight = 0;
  int32_t FontWidthNum = 0;
  int32_t FontStartU = 0, FontStartV = 0;
  TextureHandle* texture = nullptr;

  int32_t Width(uint8_t c) const { return c ? widths[c - 1] : defaultWidth; }
};

constexpr int kSystemFontCount = 3;
constexpr int kOutlineFont = 2;
extern SystemFont g_SystemFonts[kSystemFontCount];

// One queued glyph of system-font text.
struct SysGlyphSprite {
  TextureHandle* texture = nullptr;
  int x = 0, y = 0, w = 0, h = 0;
  int sx = 0, sy = 0, sw = 0, sh = 0;
  uint32_t colour = 0;
  int priority = 0;
};
// Where glyph sprites go: the main draw list unless a test takes them.
using SysFontSpriteSink = std::function<void(const SysGlyphSprite&)>;
void SetSysFontSpriteSink(SysFontSpriteSink sink);

// Fills a font from the lookup of its ini section (value text of a key, or null when missing).
using SysFontKeyLookup = std::function<const char*(const char* key)>;
void FillSystemFont(SystemFont* font, const SysFontKeyLookup& lookup);

void LoadSystemFonts();
void FreeBitmapFonts();

int DrawSysFontText(int x, int y, const char* text, int grey, int alpha, int layer, int font, int glyphWidth,
                    int glyphHeight, int fixedAdvance, int fixed);
int MeasureSysFontText(const char* text, int glyphWidth);
int DrawOutlinedText(int x, int y, const char* text, int grey, int alpha, int glyphWidth, int glyphHeight,
                     int align, int layer);
int DrawSmallText(int x, int y, const char* text);

// The nine bytes of a spacing tag for character c and a count of 0..99 (clamped).
std::string MakeSpacingTag(uint8_t c, int count);
// 1 when "SA:" stands at text[position] inside length.
int ParseSaTag(const char* text, int position, int length);
// 1 when c, two decimal digits and "]" stand at text[position] inside length.
int ParseIndexTag(const char* text, int position, int length, uint8_t* outCharacter, int* outCount);

}  // namespace vt::text
