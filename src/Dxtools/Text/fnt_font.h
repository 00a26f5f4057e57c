// Bitmap glyph fonts (".fnt"): the font file view, glyph drawing into pictures and textures,
// message textures with ruby text, and the plain-text copy of a message.
//
// File layout (little-endian): u16 glyph count, u16 glyph width, u16 glyph height, u8 pixels per
// byte (8, 4, 2), u8 bits per pixel (1, 2, 4); at 8 the code map of 32511 u16 glyph numbers
// indexed by (code + 0x7F00) mod 65536 (0xFFFF = no glyph); at 65030 the glyph bitmaps (rows
// of width / pixels-per-byte bytes, pixels from the high bits down); then optionally the
// extension block: "FNT MAKE EX\0", u32 version at +16, u32 width-table offset at +20 (relative
// to the block) of 32511 width bytes indexed like the code map.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "Dxtools/Text/pixel_target.h"

struct TextureHandle;

namespace vt::text {

constexpr size_t kFntHeaderSize = 8;
constexpr size_t kFntCodeMapEntries = 32511;
constexpr size_t kFntBitmapOffset = kFntHeaderSize + kFntCodeMapEntries * 2;  // 65030
constexpr uint16_t kFntNoGlyph = 0xFFFF;
constexpr size_t kFntExBlockHeader = 24;
constexpr size_t kMessageStripCap = 1024;

struct FntFont {
  uint16_t count = 0;
  uint16_t width = 0;
  uint16_t height = 0;
  uint8_t pixelsPerByte = 0;
  uint8_t bitsPerPixel = 0;
  const uint8_t* codeMap = nullptr;  // into the image the caller keeps
  const uint8_t* glyphs = nullptr;
  // Checked at bind time.
  size_t rowBytes = 0;
  size_t glyphBytes = 0;
  bool exV1 = false;
  const uint8_t* widthTable = nullptr;  // null unless a version-1 block's table lies in the file
};

// Fills the view from a file image; 0 for no image or a damaged one (logged under `name`).
int BindFntFont(FntFont* view, std::span<const uint8_t> image, const char* name = "font");
int IsFntMakeExV1(const FntFont* font);
uint32_t MapFntCharCode(uint32_t code);
// The full-width code that draws a printable ASCII byte (0x20..0x7E).
uint32_t FntFullWidthCode(uint8_t ascii);
// The code-map index of a code, or -1 outside the map.
int FntCodeIndex(uint32_t code);
// The glyph number of a code (after all mapping is done), or -1 for no glyph.
int FntGlyphNumber(const FntFont* font, uint32_t code);
int GetFntGlyphWidth(const FntFont* font, const char* text);

// Draws the first character of text at (x, y); returns the bytes consumed (1 or 2, 0 at the end).
int DrawFntGlyphToPixels(const FntFont* font, const PixelTarget& target, int x, int y, const char* text,
                         uint32_t colour);
// The same into a texture, which stays locked for the caller to unlock.
int DrawFntGlyphToTexture(const FntFont* font, TextureHandle* texture, int x, int y, const char* text,
                          uint32_t colour);

// Renders a message into a picture whose used height is `height`; `english` picks the width
// table of version-1 fonts.
void RenderMessagePixels(const PixelTarget& target, int height, int x, const char* text, const FntFont* font,
                         const FntFont* rubyFont, bool english);
// A new 1024 x height texture holding the message in white; null without a font or texture.
TextureHandle* RenderMessageTexture(int x, int height, const char* text, const FntFont* font,
                                    const FntFont* rubyFont);

// `DrawSprite` on the main list with the priority raised by 256.
int DrawMessageTexture(TextureHandle* texture, int x, int y, int w, int h, float sx, float sy, float sw,
                       float sh, uint32_t colour, uint32_t specular, int priority);

// The message's plain characters (at most 1024 bytes): mode 0 stops at a backslash and keeps
// CR units, mode 1 stops at CR and drops the line-break mark, higher modes drop CR.
std::string StripMessageMarkup(const char* text, int mode);

// Whether messages use English widths: the language option ("SELECT_LANGUAGE" 1), unless a
// test set its own query (null restores the option).
using LanguageQuery = bool (*)();
void SetMessageLanguageQuery(LanguageQuery query);
bool MessageLanguageIsEnglish();

// The four story fonts kept for the whole run: 0 ".\fontl.fnt", 1 ".\fonts.fnt",
// 2 ".\font.fnt", 3 ".\fontl_eng.fnt" (whole-file images); a missing or damaged file leaves
// its entry null.
constexpr int kStoryFontCount = 4;
extern FntFont* g_StoryFonts[kStoryFontCount];
void LoadStoryFonts();
void FreeStoryFonts();

}  // namespace vt::text
