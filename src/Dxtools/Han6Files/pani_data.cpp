// Part-animation files: tagged and older-form readers with every read checked against the
// image, and the writers of both forms.
#include "Dxtools/Han6Files/pani_data.h"

#include <cstring>

#include "Dxtools/Han6Files/byte_stream.h"
#include "app/lib_debug.h"

using han6io::ByteCursor;
using han6io::InRange;
using han6io::LoadI32;
using han6io::Tag;

namespace {

constexpr char kPAniSignature[] = "PAniDataFile";
constexpr int kOldRefSize = 104;
constexpr int kOldPartSize = 84;
constexpr int kOldTextureSlots = 50;
constexpr int kOldTextureBlockSize = 3628;
constexpr size_t kOldPatternOffsets = 40;
constexpr size_t kOldPartOffsets = 4040;
constexpr size_t kOldPatternNames = 8040;
constexpr size_t kOldTextureBlock = 40040;
constexpr size_t kOldHeaderSize = 40044;

// Copies a 32-byte name only when it is NUL-terminated within its field.
void CopyShortName(char (&dst)[32], const uint8_t* src) {
  if (std::memchr(src, 0, 32) != nullptr) std::memcpy(dst, src, 32);
}

class TaggedReader {
 public:
  TaggedReader(std::span<const uint8_t> image, bool embedded, const char* name)
      : in_(image, 32), embedded_(embedded), name_(name) {}

  bool Read(PAniData& pani) {
    uint32_t tag;
    if (!in_.ReadU32(tag) || tag != Tag("_STR")) return Fail("no _STR after the header");
    for (;;) {
      if (!in_.ReadU32(tag)) return Fail("file ends before _END");
      if (tag == Tag("_END")) return true;
      if (tag == Tag("P_ST")) {
        if (!ReadPattern(pani)) return false;
      } else if (tag == Tag("PPST")) {
        if (!ReadPart(pani)) return false;
      } else if (tag == Tag("PGST")) {
        if (!ReadTexture(pani)) return false;
      }
      // Any other tag is skipped as its own 4 bytes.
    }
  }

 private:
  bool Fail(const char* what) {
    DebugPrint("%s: part animation rejected at byte %zu: %s\n", name_, in_.Pos(), what);
    return false;
  }
  bool Number(int32_t& n, int32_t limit, const char* what) {
    if (!in_.ReadI32(n)) return Fail("file ends inside a block");
    if (n < 0 || n > limit) return Fail(what);
    return true;
  }
  bool I32(int32_t& v) { return in_.ReadI32(v) || Fail("file ends inside a block"); }
  bool F32(float& v) { return in_.ReadF32(v) || Fail("file ends inside a block"); }
  bool Name(char (&dst)[32]) {
    if (!in_.ReadBytes(dst, 32)) return Fail("file ends inside a name");
    dst[31] = '\0';
    return true;
  }
  bool NextTag(uint32_t& tag) { return in_.ReadU32(tag) || Fail("file ends before the block's end tag"); }

  bool ReadPattern(PAniData& pani) {
    int32_t n;
    if (!Number(n, kPAniMaxNumber, "pattern number out of range")) return false;
    if (static_cast<size_t>(n) >= pani.patterns.size()) pani.patterns.resize(static_cast<size_t>(n) + 1);
    auto pattern = std::make_unique<PAniPattern>();
    for (uint32_t tag;;) {
      if (!NextTag(tag)) return false;
      if (tag == Tag("P_ED")) break;
      if (tag == Tag("PANM")) {
        if (!Name(pattern->name)) return false;
      } else if (tag == Tag("PRST")) {
        int32_t slot;
        if (!Number(slot, kPAniSlotCount - 1, "reference slot out of range")) return false;
        auto ref = std::make_unique<PAniPartRef>();
        if (!ReadRef(*ref)) return false;
        pattern->refs[slot] = std::move(ref);
      }
    }
    pani.patterns[n] = std::move(pattern);
    return true;
  }

  bool ReadRef(PAniPartRef& r) {
    for (uint32_t tag;;) {
      if (!NextTag(tag)) return false;
      if (tag == Tag("PRED")) return true;
      bool ok = true;
      if (tag == Tag("PRID"))
        ok = I32(r.partId);
      else if (tag == Tag("PRPR"))
        ok = I32(r.partPriority);
      else if (tag == Tag("PRXY"))
        ok = I32(r.x) && I32(r.y);
      else if (tag == Tag("PRPA"))
        ok = I32(r.prpa);
      else if (tag == Tag("PRZM"))
        ok = F32(r.zoomX) && F32(r.zoomY);
      else if (tag == Tag("PRAN"))
        ok = F32(r.angle);
      else if (tag == Tag("PRCL"))
        ok = in_.ReadU32(r.color) || Fail("file ends inside a block");
      else if (tag == Tag("PRSP"))
        ok = in_.ReadU32(r.specular) || Fail("file ends inside a block");
      // The only payloads narrower than four bytes.
      else if (tag == Tag("PRRV"))
        ok = in_.ReadU8(r.reverse) || Fail("file ends inside a block");
      else if (tag == Tag("PRAL"))
        ok = in_.ReadU8(r.blend) || Fail("file ends inside a block");
      else if (tag == Tag("PRFL"))
        ok = in_.ReadU8(r.filter) || Fail("file ends inside a block");
      if (!ok) return false;
    }
  }

  bool ReadPart(PAniData& pani) {
    int32_t n;
    if (!Number(n, kPAniPartCount - 1, "part number out of range")) return false;
    auto part = std::make_unique<PAniPart>();
    for (uint32_t tag;;) {
      if (!NextTag(tag)) return false;
      if (tag == Tag("PPED")) break;
      PAniPart& p = *part;
      bool ok = true;
      if (tag == Tag("PPNM"))
        ok = Name(p.name);
      else if (tag == Tag("PPTP"))
        ok = I32(p.texture);
      else if (tag == Tag("PPTX"))
        ok = I32(p.pptx);
      else if (tag == Tag("PPUV"))
        ok = I32(p.u) && I32(p.v) && I32(p.w) && I32(p.h);
      else if (tag == Tag("PPSS"))
        ok = I32(p.width) && I32(p.height);
      else if (tag == Tag("PPCC"))
        ok = I32(p.pivotX) && I32(p.pivotY);
      else if (tag == Tag("PPJP"))
        ok = I32(p.ppjp[0]) && I32(p.ppjp[1]);
      if (!ok) return false;
    }
    pani.parts[n] = std::move(part);
    return true;
  }

  bool ReadTexture(PAniData& pani) {
    int32_t n;
    if (!Number(n, kPAniMaxNumber, "texture number out of range")) return false;
    if (static_cast<size_t>(n) >= pani.textures.size()) pani.textures.resize(static_cast<size_t>(n) + 1);
    auto tex = std::make_unique<PAniTexture>();
    for (uint32_t tag;;) {
      if (!NextTag(tag)) return false;
      if (tag == Tag("PGED")) break;
      if (tag == Tag("PGNM")) {
        if (!Name(tex->name)) return false;
      } else if (tag == Tag("PGTP")) {
        if (!I32(tex->pgtp)) return false;
      } else if (tag == Tag("PGTX")) {
        int32_t w, h, bpp;
        if (!I32(w) || !I32(h) || !I32(bpp)) return false;
        if (bpp != 32) return Fail("texture bits per pixel other than 32");
        if (w <= 0 || h <= 0 || w > kPAniMaxTextureEdge || h > kPAniMaxTextureEdge)
          return Fail("texture size out of range");
        const size_t bytes = static_cast<size_t>(w) * h * 4;
        std::span<const uint8_t> pixels;
        if (!in_.View(bytes, pixels)) return Fail("texture pixels run past the end of the file");
        tex->width = w;
        tex->height = h;
        if (embedded_)
          tex->pixels.assign(pixels.begin(), pixels.end());
        else
          tex->pixels.clear();
      }
    }
    pani.textures[n] = std::move(tex);
    return true;
  }

  ByteCursor in_;
  bool embedded_;
  const char* name_;
};

}  // namespace

void (*g_PAniTextureFree)(TextureHandle* texture) = nullptr;

PAniData::PAniData() { patterns.resize(kPAniInitialPatterns); }
PAniData::~PAniData() {
  if (g_PAniTextureFree == nullptr) return;
  for (auto& t : textures)
    if (t != nullptr && t->texture != nullptr) g_PAniTextureFree(t->texture);
}

const PAniPart* PAniData::Part(int32_t number) const {
  return number >= 0 && number < kPAniPartCount ? parts[number].get() : nullptr;
}
const PAniTexture* PAniData::Texture(int32_t number) const {
  return number >= 0 && static_cast<size_t>(number) < textures.size() ? textures[number].get() : nullptr;
}
const PAniPattern* PAniData::Pattern(int32_t number) const {
  return number >= 0 && static_cast<size_t>(number) < patterns.size() ? patterns[number].get() : nullptr;
}

bool IsPAniImage(std::span<const uint8_t> image) {
  return image.size() >= 32 && std::memcmp(image.data(), kPAniSignature, sizeof kPAniSignature) == 0;
}

PAniData* ParsePAniDataTagged(std::span<const uint8_t> image, int embeddedPixels, const char* name) {
  if (!IsPAniImage(image)) {
    DebugPrint("%s: not a tagged part-animation file\n", name);
    return nullptr;
  }
  auto pani = std::make_unique<PAniData>();
  TaggedReader reader(image, embeddedPixels != 0, name);
  if (!reader.Read(*pani)) return nullptr;
  return pani.release();
}

PAniData* ParsePAniDataOld(std::span<const uint8_t> image, const char* name) {
  if (image.size() < kOldHeaderSize || LoadI32(image, 0) != 2 || LoadI32(image, 4) != 0x1234567) {
    DebugPrint("%s: not a part-animation file\n", name);
    return nullptr;
  }
  auto fail = [&](const char* what, int index) {
    DebugPrint("%s: old-form part animation rejected: %s (%d)\n", name, what, index);
    return nullptr;
  };
  auto pani = std::make_unique<PAniData>();
  for (int i = 0; i < kPAniInitialPatterns; ++i) {
    auto pattern = std::make_unique<PAniPattern>();
    CopyShortName(pattern->name, image.data() + kOldPatternNames + 32 * static_cast<size_t>(i));
    const int32_t off = LoadI32(image, kOldPatternOffsets + 4 * static_cast<size_t>(i));
    if (off != 0) {
      const int64_t block = 32 + static_cast<int64_t>(off);
      if (!InRange(block, kPAniSlotCount * kOldRefSize, image.size()))
        return fail("reference block outside", i);
      for (int s = 0; s < kPAniSlotCount; ++s) {
        const size_t e = static_cast<size_t>(block) + static_cast<size_t>(s) * kOldRefSize;
        const int32_t partId = LoadI32(image, e);
        if (partId == -1) continue;
        auto r = std::make_unique<PAniPartRef>();
        r->partId = partId;
        // Wrapping on purpose: any stored value maps to one position and back.
        r->x = static_cast<int32_t>(static_cast<uint32_t>(LoadI32(image, e + 4)) - 320u);
        r->y = static_cast<int32_t>(static_cast<uint32_t>(LoadI32(image, e + 8)) - 448u);
        r->prpa = LoadI32(image, e + 12);
        r->reverse = image[e + 16];
        r->blend = image[e + 17];
        r->filter = image[e + 18];
        r->zoomX = static_cast<float>(LoadI32(image, e + 20)) / 1000.0f;
        r->zoomY = static_cast<float>(LoadI32(image, e + 24)) / 1000.0f;
        r->angle = static_cast<float>(LoadI32(image, e + 28)) / 10000.0f;
        r->color = static_cast<uint32_t>(image[e + 32]) << 24 | static_cast<uint32_t>(image[e + 33]) << 16 |
                   static_cast<uint32_t>(image[e + 34]) << 8 | image[e + 35];
        r->specular = static_cast<uint32_t>(image[e + 36]) << 16 | static_cast<uint32_t>(image[e + 37]) << 8 |
                      image[e + 38];
        r->partPriority = image[e + 39];
        pattern->refs[s] = std::move(r);
      }
    }
    pani->patterns[i] = std::move(pattern);
  }
  for (int i = 0; i < kPAniPartCount; ++i) {
    const int32_t off = LoadI32(image, kOldPartOffsets + 4 * static_cast<size_t>(i));
    if (off == 0) continue;
    if (!InRange(off, kOldPartSize, image.size())) return fail("part record outside", i);
    const size_t p = static_cast<size_t>(off);
    auto part = std::make_unique<PAniPart>();
    part->texture = LoadI32(image, p);
    part->pptx = LoadI32(image, p + 4);
    part->u = LoadI32(image, p + 8);
    part->v = LoadI32(image, p + 12);
    part->w = LoadI32(image, p + 16);
    part->h = LoadI32(image, p + 20);
    part->width = LoadI32(image, p + 24);
    part->height = LoadI32(image, p + 28);
    part->pivotX = LoadI32(image, p + 32);
    part->pivotY = LoadI32(image, p + 36);
    CopyShortName(part->name, image.data() + p + 52);
    pani->parts[i] = std::move(part);
  }
  const int32_t tb = LoadI32(image, kOldTextureBlock);
  if (!InRange(tb, kOldTextureBlockSize, image.size())) return fail("texture block outside", tb);
  const size_t block = static_cast<size_t>(tb);
  int count = 0;
  for (int i = 0; i < kOldTextureSlots; ++i)
    if (LoadI32(image, block + 28 + 4 * static_cast<size_t>(i)) != 0) count = i + 1;
  pani->textures.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const int32_t off = LoadI32(image, block + 28 + 4 * static_cast<size_t>(i));
    if (off == 0) continue;
    const int32_t edge = LoadI32(image, block + 3428 + 4 * static_cast<size_t>(i));
    if (edge <= 0 || edge > kPAniMaxTextureEdge) return fail("texture size out of range", i);
    const int64_t bytes = static_cast<int64_t>(edge) * edge * 4;
    if (!InRange(static_cast<int64_t>(block) + off, bytes, image.size()))
      return fail("texture pixels outside", i);
    auto tex = std::make_unique<PAniTexture>();
    const uint8_t* nameAt = image.data() + block + 228 + 64 * static_cast<size_t>(i);
    if (std::memchr(nameAt, 0, 32) != nullptr) std::memcpy(tex->name, nameAt, 32);
    tex->pgtp = edge;
    tex->width = tex->height = edge;
    const uint8_t* px = image.data() + block + static_cast<size_t>(off);
    tex->pixels.assign(px, px + bytes);
    pani->textures[i] = std::move(tex);
  }
  return pani.release();
}

PAniData* ParsePAniData(std::span<const uint8_t> image, int embeddedPixels, const char* name) {
  if (IsPAniImage(image)) return ParsePAniDataTagged(image, embeddedPixels, name);
  return ParsePAniDataOld(image, name);
}

void FreePAniData(PAniData* pani) { delete pani; }

const PAniPartRef* GetPAniPartRef(const PAniData* pani, int pattern, int slot) {
  if (pani == nullptr || slot < 0 || slot >= kPAniSlotCount) return nullptr;
  const PAniPattern* p = pani->Pattern(pattern);
  return p != nullptr ? p->refs[slot].get() : nullptr;
}

std::vector<uint8_t> WritePAniData(const PAniData& pani) {
  han6io::ByteWriter out;
  out.PutFixedText(kPAniSignature, 32);
  out.PutTag("_STR");
  for (size_t n = 0; n < pani.patterns.size(); ++n) {
    const PAniPattern* p = pani.patterns[n].get();
    if (p == nullptr) continue;
    out.PutTag("P_ST");
    out.PutI32(static_cast<int32_t>(n));
    out.PutTag("PANM");
    out.PutFixedText(std::string_view(p->name, strnlen(p->name, 32)), 32);
    for (int s = 0; s < kPAniSlotCount; ++s) {
      const PAniPartRef* r = p->refs[s].get();
      if (r == nullptr) continue;
      out.PutTag("PRST");
      out.PutI32(s);
      out.PutTag("PRID");
      out.PutI32(r->partId);
      out.PutTag("PRPR");
      out.PutI32(r->partPriority);
      out.PutTag("PRXY");
      out.PutI32(r->x);
      out.PutI32(r->y);
      out.PutTag("PRPA");
      out.PutI32(r->prpa);
      out.PutTag("PRZM");
      out.PutF32(r->zoomX);
      out.PutF32(r->zoomY);
      out.PutTag("PRAN");
      out.PutF32(r->angle);
      out.PutTag("PRCL");
      out.PutU32(r->color);
      out.PutTag("PRSP");
      out.PutU32(r->specular);
      out.PutTag("PRRV");
      out.PutU8(r->reverse);
      out.PutTag("PRAL");
      out.PutU8(r->blend);
      out.PutTag("PRFL");
      out.PutU8(r->filter);
      out.PutTag("PRED");
    }
    out.PutTag("P_ED");
  }
  for (int n = 0; n < kPAniPartCount; ++n) {
    const PAniPart* p = pani.parts[n].get();
    if (p == nullptr) continue;
    out.PutTag("PPST");
    out.PutI32(n);
    out.PutTag("PPNM");
    out.PutFixedText(std::string_view(p->name, strnlen(p->name, 32)), 32);
    out.PutTag("PPTP");
    out.PutI32(p->texture);
    out.PutTag("PPTX");
    out.PutI32(p->pptx);
    out.PutTag("PPUV");
    for (int32_t v : {p->u, p->v, p->w, p->h}) out.PutI32(v);
    out.PutTag("PPSS");
    out.PutI32(p->width);
    out.PutI32(p->height);
    out.PutTag("PPCC");
    out.PutI32(p->pivotX);
    out.PutI32(p->pivotY);
    out.PutTag("PPJP");
    out.PutI32(p->ppjp[0]);
    out.PutI32(p->ppjp[1]);
    out.PutTag("PPED");
  }
  for (size_t n = 0; n < pani.textures.size(); ++n) {
    const PAniTexture* t = pani.textures[n].get();
    if (t == nullptr) continue;
    out.PutTag("PGST");
    out.PutI32(static_cast<int32_t>(n));
    out.PutTag("PGNM");
    out.PutFixedText(std::string_view(t->name, strnlen(t->name, 32)), 32);
    out.PutTag("PGTP");
    out.PutI32(t->pgtp);
    if (t->width > 0 && t->height > 0 &&
        t->pixels.size() == static_cast<size_t>(t->width) * static_cast<size_t>(t->height) * 4) {
      out.PutTag("PGTX");
      out.PutI32(t->width);
      out.PutI32(t->height);
      out.PutI32(32);
      out.PutBytes(t->pixels);
    }
    out.PutTag("PGED");
  }
  out.PutTag("_END");
  return out.Take();
}

namespace {
// A scaled value rounded to the nearest integer, held inside the int32 range.
int32_t Scaled(float v, float scale) {
  const double x = static_cast<double>(v) * scale;
  if (!(x > -2147483648.0)) return INT32_MIN;
  if (!(x < 2147483647.0)) return INT32_MAX;
  return static_cast<int32_t>(x + (x >= 0 ? 0.5 : -0.5));
}
}  // namespace

std::vector<uint8_t> WritePAniDataOld(const PAniData& pani) {
  han6io::ByteWriter out;
  out.PutI32(2);
  out.PutI32(0x1234567);
  out.PutZeros(kOldHeaderSize - 8);
  auto& bytes = out.Bytes();
  for (int i = 0; i < kPAniInitialPatterns && static_cast<size_t>(i) < pani.patterns.size(); ++i) {
    const PAniPattern* p = pani.patterns[i].get();
    if (p == nullptr) continue;
    std::memcpy(&bytes[kOldPatternNames + 32 * static_cast<size_t>(i)], p->name, 31);
    bool any = false;
    for (const auto& r : p->refs) any |= r != nullptr;
    if (!any) continue;
    out.PatchI32(kOldPatternOffsets + 4 * static_cast<size_t>(i), static_cast<int32_t>(out.Size() - 32));
    for (const auto& r : p->refs) {
      const size_t e = out.Size();
      out.PutZeros(kOldRefSize);
      if (r == nullptr) {
        out.PatchI32(e, -1);
        continue;
      }
      out.PatchI32(e, r->partId);
      out.PatchI32(e + 4, static_cast<int32_t>(static_cast<uint32_t>(r->x) + 320u));
      out.PatchI32(e + 8, static_cast<int32_t>(static_cast<uint32_t>(r->y) + 448u));
      out.PatchI32(e + 12, r->prpa);
      auto& b = out.Bytes();
      b[e + 16] = r->reverse;
      b[e + 17] = r->blend;
      b[e + 18] = r->filter;
      out.PatchI32(e + 20, Scaled(r->zoomX, 1000.0f));
      out.PatchI32(e + 24, Scaled(r->zoomY, 1000.0f));
      out.PatchI32(e + 28, Scaled(r->angle, 10000.0f));
      for (int k = 0; k < 4; ++k) b[e + 32 + k] = static_cast<uint8_t>(r->color >> (24 - 8 * k));
      for (int k = 0; k < 3; ++k) b[e + 36 + k] = static_cast<uint8_t>(r->specular >> (16 - 8 * k));
      b[e + 39] = static_cast<uint8_t>(r->partPriority);
    }
  }
  for (int i = 0; i < kPAniPartCount; ++i) {
    const PAniPart* p = pani.parts[i].get();
    if (p == nullptr) continue;
    out.PatchI32(kOldPartOffsets + 4 * static_cast<size_t>(i), static_cast<int32_t>(out.Size()));
    for (int32_t v : {p->texture, p->pptx, p->u, p->v, p->w, p->h, p->width, p->height, p->pivotX, p->pivotY})
      out.PutI32(v);
    out.PutZeros(12);
    out.PutBytes(p->name, 31);
    out.PutU8(0);
  }
  const size_t block = out.Size();
  out.PatchI32(kOldTextureBlock, static_cast<int32_t>(block));
  out.PutZeros(kOldTextureBlockSize);
  for (int i = 0; i < kOldTextureSlots && static_cast<size_t>(i) < pani.textures.size(); ++i) {
    const PAniTexture* t = pani.textures[i].get();
    if (t == nullptr || t->width != t->height || t->width <= 0 ||
        t->pixels.size() != static_cast<size_t>(t->width) * t->width * 4)
      continue;
    out.PatchI32(block + 28 + 4 * static_cast<size_t>(i), static_cast<int32_t>(out.Size() - block));
    std::memcpy(&out.Bytes()[block + 228 + 64 * static_cast<size_t>(i)], t->name, 31);
    out.PatchI32(block + 3428 + 4 * static_cast<size_t>(i), t->width);
    out.PutBytes(t->pixels);
  }
  return out.Take();
}
