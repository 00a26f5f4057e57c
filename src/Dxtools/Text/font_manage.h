// Glyph text into textures: `CD3DXFontManage` renders Shift-JIS strings with outline-font
// glyphs into a locked A8R8G8B8 picture, with the "\n" new-line escape and the "\@COLOR@<r,g,b,a>"
// colour escape; `RenderTextTexture` renders one line into a texture sized to it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "Dxtools/Text/pixel_target.h"
#include "platform/glyph/glyph_source.h"

struct TextureHandle;

namespace vt::text {

// "ＭＳ ゴシック" in the game's Shift-JIS.
inline constexpr const char* kFullWidthFaceName = "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E";

// Texture format codes of the description (0 = the default, A8R8G8B8).
constexpr uint32_t kFontFormatA8R8G8B8 = 21;

struct FontManageDesc {
  void* device = nullptr;
  int32_t textureWidth = 0;  // 0 x 0: no texture of its own
  int32_t textureHeight = 0;
  uint32_t textureFormat = 0;
  // font description
  int32_t height = 16;
  uint32_t width = 0;
  uint32_t weight = 400;
  uint32_t mipLevels = 1;
  int32_t italic = 0;
  uint8_t charSet = 1;  // default character set
  uint8_t outputPrecision = 0;
  uint8_t quality = 0;  // 4 = antialiased (grey glyphs), else one-bit glyphs
  uint8_t pitchAndFamily = 0x30;
  char faceName[32] = {};

  void SetDefaults();
  void SetFaceName(const char* name);
};

// What draws one glyph: the face, its metrics, the colour and its alpha ramp.
struct GlyphWriter {
  std::unique_ptr<glyph::GlyphFace> face;
  int fontHeight = 0;
  glyph::TextMetrics metrics;
  bool antialiased = false;
  float scaleX = 1.0f;
  float scaleY = 1.0f;
  int32_t transform[4] = {0x10000, 0, 0, 0x10000};  // 2 x 2, 16.16 fixed point
  uint8_t red = 255, green = 255, blue = 255;
  uint8_t alpha = 255;
  uint8_t ramp[65] = {};
  glyph::GlyphBitmap scratch;  // reused between glyphs

  GlyphWriter();
};

struct DrawStringArgs {
  int x = 0;
  int y = 0;
  const char* text = nullptr;
  uint32_t colour = 0xFFFFFFFF;
  uint32_t flags = 0;  // bit 0: centre in a box of width x starting at 0
  int raw = 0;         // nonzero: backslashes are ordinary characters
};

class CD3DXFontManage {
 public:
  explicit CD3DXFontManage(const FontManageDesc& desc);
  virtual ~CD3DXFontManage();
  CD3DXFontManage(const CD3DXFontManage&) = delete;
  CD3DXFontManage& operator=(const CD3DXFontManage&) = delete;

  void Setup(const FontManageDesc& desc);
  // Draws into a caller's texture from now on (never released by the manager).
  void SetTargetTexture(TextureHandle* texture);
  // Draws into a caller's picture from now on (the bits stay the caller's).
  void SetTargetPixels(const PixelTarget& target);
  void BeginDraw();
  void EndDraw();
  int DrawString(const DrawStringArgs& args);
  void SetColour(uint32_t argb);

  GlyphWriter& Writer() { return writer_; }
  int TargetWidth() const { return targetWidth_; }
  int TargetHeight() const { return targetHeight_; }
  bool Locked() const { return locked_; }
  const PixelTarget& LockedTarget() const { return lock_; }

 private:
  void DropTarget();
  void MakeFont(const FontManageDesc& desc);

  TextureHandle* texture_ = nullptr;
  std::vector<uint8_t> ownPixels_;  // the picture of a target made by Setup without a device
  PixelTarget pixels_;              // a caller's or our own picture
  int targetWidth_ = 0;
  int targetHeight_ = 0;
  bool callerTarget_ = false;
  PixelTarget lock_;
  bool locked_ = false;
  GlyphWriter writer_;
};

class CD3DXFontManageEx : public CD3DXFontManage {
 public:
  using CD3DXFontManage::CD3DXFontManage;
};

// Writes one glyph at (x, y) into a 32-bit picture and returns its advance.
int DrawFontGlyph(GlyphWriter* writer, uint32_t code, uint8_t* bits, int x, int y, int targetWidth,
                  int targetHeight, int pitch);
// Width in pixels of the text up to its first new-line escape.
int MeasureFontString(CD3DXFontManage* manager, const char* text, int raw);
void ReleaseGdiFont(GlyphWriter* writer);

// One line of text rendered in white into a picture of (measured width) x height.
struct RenderedText {
  int width = 0;  // measured width (the used width)
  int height = 0;
  PixelTarget target;  // allocated at powers of two from 16
  std::vector<uint8_t> pixels;
};
// The CPU half of `RenderTextTexture`: false when the face cannot be had.
bool RenderTextPixels(int height, const char* text, bool fullWidthFace, int raw, RenderedText* out);

// A new texture holding the text in white; null on failure.
TextureHandle* RenderTextTexture(int height, const char* text, int* outWidth, int fullWidthFace, int raw);

// Smallest power of two of at least 16 that is not below n (the texture allocation rule).
int TextureAllocSize(int n);

}  // namespace vt::text
