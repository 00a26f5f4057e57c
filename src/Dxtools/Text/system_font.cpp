// System bitmap fonts: loading the descriptions, laying out and queueing glyph sprites.
#include "Dxtools/Text/system_font.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/IniFile.h"
#include "Dxtools/Text/text_texture.h"
#include "app/lib_debug.h"

namespace vt::text {

SystemFont g_SystemFonts[kSystemFontCount];

namespace {

SysFontSpriteSink& Sink() {
  static SysFontSpriteSink sink;
  return sink;
}

void QueueGlyph(const SysGlyphSprite& s) {
  if (Sink()) {
    Sink()(s);
    return;
  }
  // A font whose texture is missing draws nothing: an untextured quad per glyph would show
  // solid boxes instead of text.
  if (!s.texture) return;
  DrawSprite(&g_MainDrawList, s.texture, s.x, s.y, s.w, s.h, static_cast<float>(s.sx),
             static_cast<float>(s.sy), static_cast<float>(s.sw), static_cast<float>(s.sh), s.colour, 0,
             s.priority);
}

constexpr int kTagLength = 9;
constexpr long kSysFontValueLimit = 8192;

// The pen advance of one character class at text[i], and how many bytes it takes; false when
// a malformed spacing tag ends the string.
struct Step {
  int advance = 0;
  int length = 1;
  bool glyph = false;  // a printable character with a cell
};

bool Classify(const SystemFont& f, const uint8_t* t, int i, int length, float scale, Step* s) {
  uint8_t b = t[i];
  s->length = 1;
  s->glyph = false;
  if (b == ' ') {
    s->advance = static_cast<int>(static_cast<float>(f.Width(b)) * scale);
    return true;
  }
  if (b == 0x81 && i + 1 < length && t[i + 1] == 'K') {
    uint8_t c = 0;
    int n = 0;
    const char* text = reinterpret_cast<const char*>(t);
    if (!ParseSaTag(text, i + 2, length) || !ParseIndexTag(text, i + 5, length, &c, &n)) return false;
    s->advance = static_cast<int>(static_cast<float>(f.Width(c)) * scale) * n;
    s->length = kTagLength;
    return true;
  }
  if (b >= 0x80 || b < 0x20) {
    s->advance = f.defaultWidth;  // not scaled
    return true;
  }
  s->advance = static_cast<int>(static_cast<float>(f.Width(b)) * scale);
  s->glyph = true;
  return true;
}

float ScaleFor(const SystemFont& f, int glyphWidth) {
  // A font without a cell width draws at scale 1 instead of dividing by zero.
  if (f.FontWidth <= 0 || glyphWidth == f.FontWidth) return 1.0f;
  return static_cast<float>(glyphWidth) / static_cast<float>(f.FontWidth);
}

}  // namespace

void SetSysFontSpriteSink(SysFontSpriteSink sink) { Sink() = std::move(sink); }

std::string MakeSpacingTag(uint8_t c, int count) {
  if (count < 0) count = 0;
  if (count > 99) count = 99;
  return std::string{'\x81',
                     'K',
                     'S',
                     'A',
                     ':',
                     static_cast<char>(c),
                     static_cast<char>('0' + count / 10),
                     static_cast<char>('0' + count % 10),
                     ']'};
}

int ParseSaTag(const char* text, int position, int length) {
  if (!text || position < 0 || position + 3 > length) return 0;
  return text[position] == 'S' && text[position + 1] == 'A' && text[position + 2] == ':' ? 1 : 0;
}

int ParseIndexTag(const char* text, int position, int length, uint8_t* outCharacter, int* outCount) {
  if (!text || position < 0 || position + 4 > length) return 0;
  char c = text[position], d1 = text[position + 1], d2 = text[position + 2];
  if (c == 0 || d1 < '0' || d1 > '9' || d2 < '0' || d2 > '9' || text[position + 3] != ']') return 0;
  if (outCharacter) *outCharacter = static_cast<uint8_t>(c);
  if (outCount) *outCount = (d1 - '0') * 10 + (d2 - '0');
  return 1;
}

void FillSystemFont(SystemFont* font, const SysFontKeyLookup& lookup) {
  // Values come from a data file: sizes and widths beyond any texture are cut down, so that the
  // scaled advances stay far inside the integer range.
  auto get = [&](const char* key, int def) {
    const char* v = lookup(key);
    long n = v ? std::strtol(v, nullptr, 10) : def;
    return static_cast<int32_t>(std::clamp(n, -kSysFontValueLimit, kSysFontValueLimit));
  };
  SystemFont f;
  f.TexWidth = get("TexWidth", 0);
  f.TexHeight = get("TexHeight", 0);
  f.FontWidth = get("FontWidth", 0);
  f.FontHeight = get("FontHeight", 0);
  f.FontWidthNum = get("FontWidthNum", 1);
  f.FontStartU = get("FontStartU", 0);
  f.FontStartV = get("FontStartV", 0);
  f.defaultWidth = get("Default", 16);
  for (int c = 1; c <= 255; ++c) {
    char key[8];
    std::snprintf(key, sizeof(key), "<%c>", c);
    f.widths[c - 1] = get(key, f.defaultWidth);
  }
  f.texture = font->texture;
  *font = f;
}

void LoadSystemFonts() {
  FreeBitmapFonts();
  for (SystemFont& f : g_SystemFonts) f = SystemFont{};
  IniFile ini;
  if (!ini.Load(".\\_sysfont.ini")) return;  // nothing loaded: every draw returns 0
  for (int i = 0; i < kSystemFontCount; ++i) {
    char section[16];
    std::snprintf(section, sizeof(section), "DATA%02d", i);
    FillSystemFont(&g_SystemFonts[i], [&](const char* key) { return ini.FindKey(section, key); });
    char name[64];
    std::snprintf(name, sizeof(name), "%sDBGFNT%02d", ".\\grp\\system\\", i);
    g_SystemFonts[i].texture = LoadTexture(name);
  }
}

void FreeBitmapFonts() {
  for (SystemFont& f : g_SystemFonts) {
    FreeTexture(f.texture);
    f.texture = nullptr;
  }
}

int DrawSysFontText(int x, int y, const char* text, int grey, int alpha, int layer, int font, int glyphWidth,
                    int glyphHeight, int fixedAdvance, int fixed) {
  if (!text || font < 0 || font >= kSystemFontCount) return 0;
  const SystemFont& f = g_SystemFonts[font];
  if (f.FontWidthNum == 0) return 0;
  if (glyphWidth < 0) glyphWidth = f.FontWidth;
  if (glyphHeight < 0) glyphHeight = f.FontHeight;
  const float scale = ScaleFor(f, glyphWidth);
  const uint32_t colour = uint32_t(alpha) * 0x1000000u + uint32_t(grey) * 0x010101u;
  const int cell = fixedAdvance ? fixedAdvance : glyphWidth;
  BeginSysFontDraw();
  const uint8_t* t = reinterpret_cast<const uint8_t*>(text);
  const int length = static_cast<int>(std::strlen(text));
  int pen = x;
  for (int i = 0; i < length;) {
    Step s;
    if (!Classify(f, t, i, length, scale, &s)) break;
    if (s.glyph) {
      int k = t[i] - 32;
      SysGlyphSprite g;
      g.texture = f.texture;
      g.x = fixed == 1 ? pen + (cell - s.advance) / 2 : pen;
      g.y = y;
      g.w = glyphWidth;
      g.h = glyphHeight;
      g.sx = (k % f.FontWidthNum) * f.FontWidth;
      g.sy = (k / f.FontWidthNum) * f.FontHeight;
      g.sw = f.FontWidth;
      g.sh = f.FontHeight;
      g.colour = colour;
      g.priority = layer + 256;
      QueueGlyph(g);
    }
    pen += fixed == 1 ? cell : s.advance;
    i += s.length;
  }
  EndSysFontDraw();
  return 1;
}

int MeasureSysFontText(const char* text, int glyphWidth) {
  if (!text) return 0;
  const SystemFont& f = g_SystemFonts[kOutlineFont];
  if (glyphWidth < 0) glyphWidth = f.FontWidth;
  const float scale = ScaleFor(f, glyphWidth);
  const uint8_t* t = reinterpret_cast<const uint8_t*>(text);
  const int length = static_cast<int>(std::strlen(text));
  int width = 0;
  for (int i = 0; i < length;) {
    Step s;
    if (!Classify(f, t, i, length, scale, &s)) break;
    width += s.advance;
    i += s.length;
  }
  return width;
}

int DrawOutlinedText(int x, int y, const char* text, int grey, int alpha, int glyphWidth, int glyphHeight,
                     int align, int layer) {
  if (align == 1 || align == 2) {
    int w = MeasureSysFontText(text, glyphWidth);
    x -= align == 1 ? w / 2 : w;
  }
  // Later commands of one priority are drawn first, so the black copies lie under the text.
  DrawSysFontText(x, y, text, grey, alpha, layer, kOutlineFont, glyphWidth, glyphHeight, 0, 0);
  DrawSysFontText(x + 1, y, text, 0, alpha, layer, kOutlineFont, glyphWidth, glyphHeight, 0, 0);
  DrawSysFontText(x - 1, y, text, 0, alpha, layer, kOutlineFont, glyphWidth, glyphHeight, 0, 0);
  DrawSysFontText(x, y + 1, text, 0, alpha, layer, kOutlineFont, glyphWidth, glyphHeight, 0, 0);
  DrawSysFontText(x, y - 1, text, 0, alpha, layer, kOutlineFont, glyphWidth, glyphHeight, 0, 0);
  return 1;
}

int DrawSmallText(int x, int y, const char* text) {
  return DrawSysFontText(x, y, text, 255, 255, 2, 0, 16, 24, 0, 0);
}

}  // namespace vt::text
