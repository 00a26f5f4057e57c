// Glyph source: the outline-font service that text rendering asks for faces, text metrics and
// glyph bitmaps. Codes are Shift-JIS (one byte, or lead x 256 + trail). Bitmaps come in the
// row layout the text renderer expects: grey rows padded to 4 bytes with levels 0..64, one-bit
// rows padded to 4 bytes with the leftmost pixel in the high bit.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vt::glyph {

struct FaceRequest {
  std::string face;  // as the game names it ("MS UI Gothic", "ＭＳ ゴシック" in UTF-8)
  int height = 16;   // cell height in pixels (ascent + descent)
  int weight = 400;  // 400 normal, 700 bold
  int quality = 0;   // 4 = grey levels, anything else one bit
};

struct TextMetrics {
  int ascent = 0;   // baseline below the cell top
  int descent = 0;  // cell bottom below the baseline
  int height = 0;   // ascent + descent
};

enum class GlyphFormat { kGrey65, kMono };

struct GlyphBitmap {
  int boxWidth = 0;  // black box; 0 x 0 for glyphs without ink (a space)
  int boxHeight = 0;
  int originX = 0;            // box left relative to the pen
  int originY = 0;            // box top above the baseline
  int advance = 0;            // cell advance in pixels
  std::vector<uint8_t> bits;  // boxHeight rows, see the file comment; empty when the box is empty
};

// Row sizes of the two layouts (bytes per row).
inline int GreyRowBytes(int width) { return (width + 3) & ~3; }
inline int MonoRowBytes(int width) { return ((width + 31) / 32) * 4; }

class GlyphFace {
 public:
  virtual ~GlyphFace() = default;
  virtual TextMetrics Metrics() const = 0;
  // false when the face has no glyph for the code (nothing can be drawn, no advance).
  virtual bool Glyph(uint32_t code, GlyphFormat format, GlyphBitmap* out) = 0;
};

class GlyphSource {
 public:
  virtual ~GlyphSource() = default;
  // null when no face can stand in for the request.
  virtual std::unique_ptr<GlyphFace> OpenFace(const FaceRequest& request) = 0;
};

// The process-wide source: FreeType over the installed faces unless a test set another.
GlyphSource& CurrentGlyphSource();
// Replaces the source (tests); null restores FreeType. The caller keeps the object alive.
void SetGlyphSource(GlyphSource* source);

// FreeType source (fontconfig finds the files). Thread-safe to open faces from any thread;
// each face is used by one thread at a time.
std::unique_ptr<GlyphSource> MakeFreeTypeGlyphSource();

// The installed face file that stands in for a face the game names ("" when none is found).
std::string ResolveFaceFile(std::string_view face);

// Shift-JIS (CP932) code to a Unicode scalar; 0 when the code maps to nothing.
uint32_t ShiftJisToUnicode(uint32_t code);

// A glyph source with fixed boxes, for tests that must not depend on installed fonts.
// Every code has a glyph: box width x height filled with level `level` (grey) or set bits
// (a negative level gives pixel i of the box, counted row by row, the level i mod 65),
// origin (originX, originY), advance `advance`; codes listed in `overrides` take their own box.
class FakeGlyphSource : public GlyphSource {
 public:
  struct Box {
    int width = 8, height = 12, originX = 0, originY = 12, advance = 10, level = 64;
    // level 0 also clears every bit of a one-bit glyph
  };
  FakeGlyphSource(TextMetrics metrics, Box box) : metrics_(metrics), box_(box) {}
  void SetBox(uint32_t code, Box box) { overrides_.push_back({code, box}); }
  std::unique_ptr<GlyphFace> OpenFace(const FaceRequest& request) override;
  int facesOpened = 0;
  FaceRequest lastRequest;

 private:
  friend class FakeFace;
  TextMetrics metrics_;
  Box box_;
  std::vector<std::pair<uint32_t, Box>> overrides_;
};

}  // namespace vt::glyph
