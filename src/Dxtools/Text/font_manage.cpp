// Glyph text into pictures: the font manager, the glyph writer, string drawing and measuring.
#include "Dxtools/Text/font_manage.h"

#include <algorithm>
#include <cstring>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/Text/text_texture.h"
#include "app/lib_debug.h"

namespace vt::text {

namespace {

bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFE); }

// Reads one character at p: its code and its length (1 or 2). A lead byte followed by the
// terminating zero is a character of its own, so no walk ever steps over the end.
uint32_t ReadChar(const uint8_t* p, int* length) {
  if (IsLeadByte(p[0]) && p[1] != 0) {
    *length = 2;
    return (uint32_t(p[0]) << 8) | p[1];
  }
  *length = 1;
  return p[0];
}

// Parses "<r,g,b,a" after "\@COLOR@" up to the next ">"; a missing number counts 0.
uint32_t ParseColourEscape(const uint8_t* p) {
  int values[4] = {0, 0, 0, 0};
  ++p;  // "<"
  for (int i = 0; i < 4; ++i) {
    while (*p == ' ') ++p;
    bool negative = false;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    int v = 0;
    while (*p >= '0' && *p <= '9') {
      v = std::min(v * 10 + (*p - '0'), 1 << 24);
      ++p;
    }
    values[i] = negative ? -v : v;
    while (*p && *p != ',' && *p != '>') ++p;
    if (*p != ',') break;
    ++p;
  }
  return uint32_t(values[3]) * 0x1000000u + uint32_t(values[0]) * 0x10000u + uint32_t(values[1]) * 0x100u +
         uint32_t(values[2]);
}

// Past the next ">" (or at the end of the text when there is none).
const uint8_t* SkipPastClose(const uint8_t* p) {
  while (*p && *p != '>') ++p;
  return *p ? p + 1 : p;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void FontManageDesc::SetDefaults() {
  *this = FontManageDesc{};
  SetFaceName("MS UI Gothic");
}

void FontManageDesc::SetFaceName(const char* name) {
  std::memset(faceName, 0, sizeof(faceName));
  if (name) std::strncpy(faceName, name, sizeof(faceName) - 1);
}

GlyphWriter::GlyphWriter() {
  for (int i = 0; i <= 64; ++i) ramp[i] = static_cast<uint8_t>(i * alpha / 64);
}

int TextureAllocSize(int n) {
  int size = 16;
  while (size < n && size < (1 << 30)) size <<= 1;
  return size;
}

CD3DXFontManage::CD3DXFontManage(const FontManageDesc& desc) { Setup(desc); }

CD3DXFontManage::~CD3DXFontManage() {
  DropTarget();
  ReleaseGdiFont(&writer_);
}

void CD3DXFontManage::DropTarget() {
  EndDraw();
  ownPixels_.clear();
  ownPixels_.shrink_to_fit();
  pixels_ = {};
  texture_ = nullptr;
  callerTarget_ = false;
  targetWidth_ = targetHeight_ = 0;
}

void CD3DXFontManage::Setup(const FontManageDesc& desc) {
  DropTarget();
  if (desc.textureWidth > 0 && desc.textureHeight > 0) {
    // A picture of our own, cleared to transparent black; kept until the next Setup or the end.
    int w = TextureAllocSize(desc.textureWidth), h = TextureAllocSize(desc.textureHeight);
    ownPixels_.assign(size_t(w) * h * 4, 0);
    pixels_ = {ownPixels_.data(), w * 4, w, h, PixelFormat::kA8R8G8B8};
    targetWidth_ = w;
    targetHeight_ = h;
  }
  MakeFont(desc);
}

void CD3DXFontManage::MakeFont(const FontManageDesc& desc) {
  ReleaseGdiFont(&writer_);
  glyph::FaceRequest req;
  req.face.assign(desc.faceName, strnlen(desc.faceName, sizeof(desc.faceName)));
  req.height = desc.height;
  req.weight = static_cast<int>(desc.weight);
  req.quality = desc.quality;
  writer_.antialiased = desc.quality == 4;
  writer_.face = glyph::CurrentGlyphSource().OpenFace(req);
  if (writer_.face) {
    writer_.metrics = writer_.face->Metrics();
    writer_.fontHeight = writer_.metrics.height;
  } else {
    DebugPrint("text: no face for \"%s\" at height %d\n", req.face.c_str(), req.height);
    writer_.metrics = {};
    writer_.fontHeight = desc.height;
  }
}

void CD3DXFontManage::SetTargetTexture(TextureHandle* texture) {
  DropTarget();
  if (!texture || !texture->dx) return;
  texture_ = texture;
  callerTarget_ = true;
  targetWidth_ = static_cast<int>(texture->dx->desc.Width);
  targetHeight_ = static_cast<int>(texture->dx->desc.Height);
}

void CD3DXFontManage::SetTargetPixels(const PixelTarget& target) {
  DropTarget();
  pixels_ = target;
  callerTarget_ = true;
  targetWidth_ = target.width;
  targetHeight_ = target.height;
}

void CD3DXFontManage::BeginDraw() {
  if (locked_) return;
  if (texture_) {
    if (!LockTargetTexture(texture_, &lock_)) return;
  } else if (pixels_.Valid()) {
    lock_ = pixels_;
  } else {
    return;
  }
  locked_ = true;
}

void CD3DXFontManage::EndDraw() {
  if (locked_ && texture_) UnlockTargetTexture(texture_);
  locked_ = false;
  lock_ = {};
}

void CD3DXFontManage::SetColour(uint32_t argb) {
  uint8_t a = static_cast<uint8_t>(argb >> 24);
  if (a != writer_.alpha) {
    writer_.alpha = a;
    for (int i = 0; i <= 64; ++i) writer_.ramp[i] = static_cast<uint8_t>(i * a / 64);
  }
  writer_.red = static_cast<uint8_t>(argb >> 16);
  writer_.green = static_cast<uint8_t>(argb >> 8);
  writer_.blue = static_cast<uint8_t>(argb);
}

int CD3DXFontManage::DrawString(const DrawStringArgs& args) {
  if (!args.text) return 0;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(args.text);
  int x = args.x, y = args.y;
  if (args.flags & 1) x = (x - MeasureFontString(this, args.text, args.raw)) / 2;
  const int lineStart = x;
  SetColour(args.colour);
  // Without a locked 32-bit target there is nothing to write into.
  if (!locked_ || !lock_.Valid() || lock_.format != PixelFormat::kA8R8G8B8) return 0;
  while (*p) {
    if (*p == '\\' && !args.raw) {
      if (p[1] == 'n') {
        x = lineStart;
        y += writer_.fontHeight;
        p += 2;
        continue;
      }
      if (std::strncmp(reinterpret_cast<const char*>(p + 1), "@COLOR@", 7) == 0) {
        p += 8;
        if (*p == '<') SetColour(ParseColourEscape(p));
        p = SkipPastClose(p);
        continue;
      }
      ++p;  // only the backslash; the next character is drawn normally
      if (!*p) break;
    }
    int len = 1;
    uint32_t code = ReadChar(p, &len);
    x += DrawFontGlyph(&writer_, code, lock_.bits, x, y, lock_.width, lock_.height, lock_.pitch);
    p += len;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------

int DrawFontGlyph(GlyphWriter* w, uint32_t code, uint8_t* bits, int x, int y, int targetWidth,
                  int targetHeight, int pitch) {
  if (!w || !w->face) return 0;
  glyph::GlyphBitmap& g = w->scratch;
  if (!w->face->Glyph(code, w->antialiased ? glyph::GlyphFormat::kGrey65 : glyph::GlyphFormat::kMono, &g))
    return 0;
  int advance = static_cast<int>(static_cast<float>(g.advance) * w->scaleX);
  if (!bits || g.boxWidth <= 0 || g.boxHeight <= 0 || g.bits.empty()) return advance;
  if (pitch < targetWidth * 4) return advance;

  // Source rows as the bitmap lays them out; a bitmap too small for its box draws nothing.
  size_t size = g.bits.size();
  size_t stride =
      w->antialiased ? (size / size_t(g.boxHeight)) & ~size_t(3) : size_t((g.boxWidth + 31) / 8) & ~size_t(3);
  size_t needRow = w->antialiased ? size_t(g.boxWidth) : size_t((g.boxWidth + 7) / 8);
  if (stride < needRow || stride * size_t(g.boxHeight) > size) return advance;

  const int left = x + g.originX;
  const int top = y + w->metrics.ascent - g.originY;
  // Clipped on all four sides: glyphs with a negative origin, or centred text wider than its
  // box, start left of column 0.
  const int c0 = std::max(0, -left), c1 = std::min(g.boxWidth, targetWidth - left);
  const int r0 = std::max(0, -top), r1 = std::min(g.boxHeight, targetHeight - top);
  const uint32_t rgb = (uint32_t(w->red) << 16) | (uint32_t(w->green) << 8) | w->blue;
  const uint32_t solid = (uint32_t(w->alpha) << 24) | rgb;
  for (int r = r0; r < r1; ++r) {
    const uint8_t* src = g.bits.data() + size_t(r) * stride;
    uint8_t* dstRow = bits + ptrdiff_t(top + r) * pitch;
    for (int c = c0; c < c1; ++c) {
      uint32_t v;
      if (w->antialiased)
        v = (uint32_t(w->ramp[std::min<uint8_t>(src[c], 64)]) << 24) | rgb;
      else
        v = (src[c >> 3] & (0x80 >> (c & 7))) ? solid : rgb;
      std::memcpy(dstRow + ptrdiff_t(left + c) * 4, &v, 4);
    }
  }
  return advance;
}

int MeasureFontString(CD3DXFontManage* manager, const char* text, int raw) {
  if (!manager || !text) return 0;
  GlyphWriter& w = manager->Writer();
  const auto fmt = w.antialiased ? glyph::GlyphFormat::kGrey65 : glyph::GlyphFormat::kMono;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(text);
  int width = 0;
  while (*p) {
    if (*p == '\\' && !raw) {
      if (p[1] == 'n') break;
      if (p[1] == '@') {
        while (*p && *p != '>') ++p;
        if (!*p) break;
        ++p;
        continue;
      }
      if (!p[1]) break;  // a final backslash: the zero after it ends the text
      p += 2;
      continue;
    }
    int len = 1;
    uint32_t code = ReadChar(p, &len);
    if (w.face && w.face->Glyph(code, fmt, &w.scratch)) width += w.scratch.advance;
    p += len;
  }
  return width;
}

void ReleaseGdiFont(GlyphWriter* writer) {
  if (writer) writer->face.reset();
}

// The face the one-off text pictures use: regular weight, grey levels, 32-bit.
static FontManageDesc TextFontDesc(int height, bool fullWidthFace) {
  FontManageDesc desc;
  desc.SetDefaults();
  desc.height = height;
  desc.weight = 400;
  desc.quality = 4;
  desc.textureFormat = kFontFormatA8R8G8B8;
  desc.SetFaceName(fullWidthFace ? kFullWidthFaceName : "MS UI Gothic");
  return desc;
}

bool RenderTextPixels(int height, const char* text, bool fullWidthFace, int raw, RenderedText* out) {
  CD3DXFontManageEx manager(TextFontDesc(height, fullWidthFace != 0));
  if (!manager.Writer().face || height <= 0 || height > 4096) return false;
  int width = MeasureFontString(&manager, text ? text : "", raw);
  out->width = width;
  out->height = height;
  int aw = TextureAllocSize(width), ah = TextureAllocSize(height);
  out->pixels.assign(size_t(aw) * ah * 4, 0);
  out->target = {out->pixels.data(), aw * 4, aw, ah, PixelFormat::kA8R8G8B8};
  manager.SetTargetPixels(out->target);
  manager.BeginDraw();
  DrawStringArgs args;
  args.text = text;
  args.colour = 0xFFFFFFFF;
  args.raw = raw;
  manager.DrawString(args);
  manager.EndDraw();
  return true;
}

TextureHandle* RenderTextTexture(int height, const char* text, int* outWidth, int fullWidthFace, int raw) {
  CD3DXFontManageEx manager(TextFontDesc(height, fullWidthFace != 0));
  const int width = MeasureFontString(&manager, text ? text : "", raw);
  // CreateTexture takes the device lock and leaves it on every path.
  TextureHandle* texture = CreateTexture(width, height, vt::gfx::FMT_A8R8G8B8);
  if (!texture) return nullptr;
  manager.SetTargetTexture(texture);
  manager.BeginDraw();
  DrawStringArgs args;
  args.text = text;
  args.colour = 0xFFFFFFFF;
  args.raw = raw;
  manager.DrawString(args);
  manager.EndDraw();
  if (outWidth) *outWidth = width;
  return texture;
}

}  // namespace vt::text
