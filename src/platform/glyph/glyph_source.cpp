// Glyph source over FreeType and fontconfig, the Shift-JIS to Unicode conversion (iconv
// "CP932") and the process-wide source selection.
#include "platform/glyph/glyph_source.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include <iconv.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include "app/lib_debug.h"

namespace vt::glyph {

// ---------------------------------------------------------------------------------------------
// Shift-JIS to Unicode

namespace {

struct Cp932Converter {
  iconv_t cd = reinterpret_cast<iconv_t>(-1);
  Cp932Converter() { cd = iconv_open("UTF-32LE", "CP932"); }
  ~Cp932Converter() {
    if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  }
};

}  // namespace

uint32_t ShiftJisToUnicode(uint32_t code) {
  if (code == 0 || code > 0xFFFF) return 0;
  if (code < 0x80) return code;  // CP932 keeps ASCII as it is (the backslash included)
  thread_local Cp932Converter conv;
  if (conv.cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char in[2];
  size_t inLeft = 0;
  if (code < 0x100) {
    in[0] = static_cast<char>(code);
    inLeft = 1;
  } else {
    in[0] = static_cast<char>(code >> 8);
    in[1] = static_cast<char>(code & 0xFF);
    inLeft = 2;
  }
  unsigned char out[8] = {};
  char* inPtr = in;
  char* outPtr = reinterpret_cast<char*>(out);
  size_t outLeft = sizeof(out);
  iconv(conv.cd, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
  size_t r = iconv(conv.cd, &inPtr, &inLeft, &outPtr, &outLeft);
  if (r == static_cast<size_t>(-1) || inLeft != 0 || sizeof(out) - outLeft < 4) return 0;
  return static_cast<uint32_t>(out[0]) | (static_cast<uint32_t>(out[1]) << 8) |
         (static_cast<uint32_t>(out[2]) << 16) | (static_cast<uint32_t>(out[3]) << 24);
}

// ---------------------------------------------------------------------------------------------
// Face names

namespace {

// The faces the game asks for and the installed families that stand in for them, best first.
// Names are matched in UTF-8 and in the game's own Shift-JIS bytes.
struct FaceMapping {
  const char* name;
  const char* families[4];
};
const FaceMapping kFaceMap[] = {
    {"MS UI Gothic", {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP", nullptr}},
    {"\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",  // ＭＳ ゴシック
     {"IPAGothic", "IPAPGothic", "Noto Sans Mono CJK JP", nullptr}},
    {"\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E",  // the same name in Shift-JIS
     {"IPAGothic", "IPAPGothic", "Noto Sans Mono CJK JP", nullptr}},
    {"monospace", {"DejaVu Sans Mono", "IPAGothic", nullptr, nullptr}},
};

bool SameFamily(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

// fontconfig match for one family; "" unless the matched font really is that family.
std::string MatchFamily(const char* family, bool exact) {
  FcPattern* pat = FcPatternCreate();
  if (!pat) return {};
  FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  if (!exact) FcPatternAddString(pat, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(nullptr, pat, FcMatchPattern);
  FcDefaultSubstitute(pat);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pat, &result);
  std::string file;
  if (match) {
    FcChar8* path = nullptr;
    FcChar8* got = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
        FcPatternGetString(match, FC_FAMILY, 0, &got) == FcResultMatch) {
      bool ok = !exact;
      for (int i = 0; exact && !ok && FcPatternGetString(match, FC_FAMILY, i, &got) == FcResultMatch; ++i)
        ok = SameFamily(reinterpret_cast<const char*>(got), family);
      if (ok) file = reinterpret_cast<const char*>(path);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pat);
  return file;
}

std::mutex g_resolveMutex;
std::map<std::string, std::string, std::less<>> g_resolved;

}  // namespace

std::string ResolveFaceFile(std::string_view face) {
  std::lock_guard lock(g_resolveMutex);
  if (auto it = g_resolved.find(face); it != g_resolved.end()) return it->second;
  static const bool fcReady = [] {
    if (!FcInit()) return false;
    // fontconfig keeps its configuration until told to let go; release it at exit.
    std::atexit(FcFini);
    return true;
  }();
  if (!fcReady) return {};
  std::string file;
  for (const FaceMapping& m : kFaceMap) {
    if (face != m.name) continue;
    for (const char* fam : m.families) {
      if (!fam) break;
      file = MatchFamily(fam, true);
      if (!file.empty()) break;
    }
    break;
  }
  // A face the table does not know: the installed family of that name, else any Japanese face.
  if (file.empty() && !face.empty()) file = MatchFamily(std::string(face).c_str(), true);
  if (file.empty()) file = MatchFamily("IPAGothic", true);
  if (file.empty()) file = MatchFamily("sans-serif", false);
  if (file.empty())
    DebugPrint("glyph: no installed face stands in for \"%.*s\"\n", int(face.size()), face.data());
  g_resolved.emplace(std::string(face), file);
  return file;
}

// ---------------------------------------------------------------------------------------------
// FreeType source

namespace {

struct FtLibrary {
  FT_Library lib = nullptr;
  std::mutex mutex;  // FT_New_Face / FT_Done_Face on one library must not overlap
  FtLibrary() {
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
  }
  ~FtLibrary() {
    if (lib) FT_Done_FreeType(lib);
  }
};

class FtFace : public GlyphFace {
 public:
  FtFace(std::shared_ptr<FtLibrary> lib, FT_Face face, const FaceRequest& req)
      : lib_(std::move(lib)), face_(face), bold_(req.weight >= 600) {
    // Heights beyond any screen are cut down rather than rasterised at absurd sizes.
    int height = std::clamp(req.height, 1, 4096);
    // The game's heights are cell heights (ascent + descent), measured as the Windows metrics
    // of the face measure them; the em size follows from that.
    long cellAscent = face->ascender, cellDescent = -face->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      cellAscent = os2->usWinAscent;
      cellDescent = os2->usWinDescent;
    }
    long cellUnits = std::max(1L, cellAscent + cellDescent);
    FT_Size_RequestRec sr{};
    sr.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
    sr.height = static_cast<FT_Long>(int64_t(height) * face->units_per_EM * 64 / cellUnits);
    FT_Request_Size(face_, &sr);
    metrics_.ascent = static_cast<int>((int64_t(cellAscent) * height + cellUnits / 2) / cellUnits);
    metrics_.height = height;
    metrics_.descent = height - metrics_.ascent;
  }
  ~FtFace() override {
    std::lock_guard lock(lib_->mutex);
    FT_Done_Face(face_);
  }
  TextMetrics Metrics() const override { return metrics_; }

  bool Glyph(uint32_t code, GlyphFormat format, GlyphBitmap* out) override {
    uint64_t key = (uint64_t(code) << 1) | (format == GlyphFormat::kMono ? 1 : 0);
    if (auto it = cache_.find(key); it != cache_.end()) {
      *out = it->second;
      return true;
    }
    uint32_t uc = ShiftJisToUnicode(code);
    if (uc == 0) return false;
    FT_UInt index = FT_Get_Char_Index(face_, uc);
    if (index == 0) return false;
    bool mono = format == GlyphFormat::kMono;
    FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Glyph(face_, index, flags) != 0) return false;
    FT_GlyphSlot slot = face_->glyph;
    if (bold_ && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_Embolden(&slot->outline, 64);
    if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bm = slot->bitmap;
    GlyphBitmap g;
    g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.originX = slot->bitmap_left;
    g.originY = slot->bitmap_top;
    if (bm.width > 0 && bm.rows > 0 && bm.buffer) {
      g.boxWidth = static_cast<int>(bm.width);
      g.boxHeight = static_cast<int>(bm.rows);
      int rowBytes = mono ? MonoRowBytes(g.boxWidth) : GreyRowBytes(g.boxWidth);
      g.bits.assign(size_t(rowBytes) * g.boxHeight, 0);
      for (int r = 0; r < g.boxHeight; ++r) {
        const uint8_t* src = bm.buffer + ptrdiff_t(r) * bm.pitch;
        uint8_t* dst = g.bits.data() + size_t(r) * rowBytes;
        for (int c = 0; c < g.boxWidth; ++c) {
          int v = 0;  // 0..255 coverage
          if (bm.pixel_mode == FT_PIXEL_MODE_MONO)
            v = (src[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0;
          else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY)
            v = bm.num_grays > 1 ? src[c] * 255 / (bm.num_grays - 1) : src[c];
          if (mono) {
            if (v >= 128) dst[c >> 3] |= uint8_t(0x80 >> (c & 7));
          } else {
            dst[c] = static_cast<uint8_t>((v * 64 + 127) / 255);
          }
        }
      }
    }
    if (cache_.size() >= 4096) cache_.clear();
    cache_.emplace(key, g);
    *out = std::move(g);
    return true;
  }

 private:
  std::shared_ptr<FtLibrary> lib_;
  FT_Face face_;
  bool bold_;
  TextMetrics metrics_;
  std::unordered_map<uint64_t, GlyphBitmap> cache_;
};

class FreeTypeSource : public GlyphSource {
 public:
  FreeTypeSource() : lib_(std::make_shared<FtLibrary>()) {}
  std::unique_ptr<GlyphFace> OpenFace(const FaceRequest& request) override {
    if (!lib_->lib) return nullptr;
    std::string file = ResolveFaceFile(request.face);
    if (file.empty()) return nullptr;
    FT_Face face = nullptr;
    {
      std::lock_guard lock(lib_->mutex);
      if (FT_New_Face(lib_->lib, file.c_str(), 0, &face) != 0) {
        DebugPrint("glyph: cannot open face file %s\n", file.c_str());
        return nullptr;
      }
    }
    return std::make_unique<FtFace>(lib_, face, request);
  }

 private:
  std::shared_ptr<FtLibrary> lib_;
};

std::atomic<GlyphSource*> g_override{nullptr};

}  // namespace

std::unique_ptr<GlyphSource> MakeFreeTypeGlyphSource() { return std::make_unique<FreeTypeSource>(); }

GlyphSource& CurrentGlyphSource() {
  if (GlyphSource* s = g_override.load(std::memory_order_acquire)) return *s;
  static FreeTypeSource source;
  return source;
}

void SetGlyphSource(GlyphSource* source) { g_override.store(source, std::memory_order_release); }

// ---------------------------------------------------------------------------------------------
// Fake source

class FakeFace : public GlyphFace {
 public:
  FakeFace(const FakeGlyphSource& src) : src_(src) {}
  TextMetrics Metrics() const override { return src_.metrics_; }
  bool Glyph(uint32_t code, GlyphFormat format, GlyphBitmap* out) override {
    FakeGlyphSource::Box b = src_.box_;
    for (const auto& [c, box] : src_.overrides_)
      if (c == code) b = box;
    out->boxWidth = b.width;
    out->boxHeight = b.height;
    out->originX = b.originX;
    out->originY = b.originY;
    out->advance = b.advance;
    out->bits.clear();
    if (b.width <= 0 || b.height <= 0) {
      out->boxWidth = out->boxHeight = 0;
      return true;
    }
    if (format == GlyphFormat::kMono) {
      int rb = MonoRowBytes(b.width);
      out->bits.assign(size_t(rb) * b.height, 0);
      for (int r = 0; r < b.height; ++r)
        for (int c = 0; c < b.width; ++c)
          if (b.level > 0) out->bits[size_t(r) * rb + (c >> 3)] |= uint8_t(0x80 >> (c & 7));
    } else {
      int rb = GreyRowBytes(b.width);
      out->bits.assign(size_t(rb) * b.height, 0);
      for (int r = 0; r < b.height; ++r)
        for (int c = 0; c < b.width; ++c)
          out->bits[size_t(r) * rb + c] =
              uint8_t(b.level >= 0 ? std::min(b.level, 64) : (r * b.width + c) % 65);
    }
    return true;
  }

 private:
  const FakeGlyphSource& src_;
};

std::unique_ptr<GlyphFace> FakeGlyphSource::OpenFace(const FaceRequest& request) {
  ++facesOpened;
  lastRequest = request;
  return std::make_unique<FakeFace>(*this);
}

}  // namespace vt::glyph
