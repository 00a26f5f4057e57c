// Part animations: round trips of both file forms, the readers' rules for numbers, slots and
// defaults, and damaged files (every truncation of a tagged file is refused).
#include "Dxtools/Han6Files/pani_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "Dxtools/Han6Files/byte_stream.h"
#include "app/lib_debug.h"

namespace {

struct PAniDeleter {
  void operator()(PAniData* p) const { FreePAniData(p); }
};
using PAniPtr = std::unique_ptr<PAniData, PAniDeleter>;

PAniPtr Parse(const std::vector<uint8_t>& bytes, int embedded = 1) {
  return PAniPtr(ParsePAniData(bytes, embedded, "test"));
}

std::unique_ptr<PAniData> Sample() {
  auto pani = std::make_unique<PAniData>();
  for (int t = 0; t < 2; ++t) {
    auto tex = std::make_unique<PAniTexture>();
    std::snprintf(tex->name, sizeof tex->name, "tex%d", t);
    tex->pgtp = 32;
    tex->width = tex->height = 32;
    tex->pixels.resize(32 * 32 * 4);
    for (size_t i = 0; i < tex->pixels.size(); ++i) tex->pixels[i] = static_cast<uint8_t>(i * 7 + t);
    pani->textures.push_back(std::move(tex));
  }
  for (int n : {0, 3, 999}) {
    auto part = std::make_unique<PAniPart>();
    std::snprintf(part->name, sizeof part->name, "part%d", n);
    part->texture = n % 2;
    part->pptx = 5;
    part->u = 8;
    part->v = 16;
    part->w = 24;
    part->h = 12;
    part->width = 48;
    part->height = 24;
    part->pivotX = 10;
    part->pivotY = -4;
    pani->parts[n] = std::move(part);
  }
  for (int n : {0, 7}) {
    auto pattern = std::make_unique<PAniPattern>();
    std::snprintf(pattern->name, sizeof pattern->name, "pat%d", n);
    for (int s : {0, 5, 39}) {
      auto r = std::make_unique<PAniPartRef>();
      r->partId = s == 39 ? 999 : 3;
      r->partPriority = s == 5 ? 130 : s;
      r->x = -20 + s;
      r->y = 33 - n;
      r->prpa = 2;
      r->zoomX = 1.5f;
      r->zoomY = 0.25f;
      r->angle = 0.25f;
      r->color = 0x80FF4020u;
      r->specular = 0x00102030u;
      r->reverse = static_cast<uint8_t>(s % 4);
      r->blend = s == 5 ? 1 : 0;
      r->filter = s == 0 ? 1 : 0;
      pattern->refs[s] = std::move(r);
    }
    pani->patterns[n] = std::move(pattern);
  }
  return pani;
}

void ExpectSame(const PAniData& a, const PAniData& b, bool withPixels, bool withPpjp = true) {
  for (size_t n = 0; n < std::max(a.patterns.size(), b.patterns.size()); ++n) {
    const PAniPattern* pa = a.Pattern(static_cast<int32_t>(n));
    const PAniPattern* pb = b.Pattern(static_cast<int32_t>(n));
    if (pa == nullptr || pb == nullptr) {
      // The older form makes every pattern 0..999; only compare references there.
      const PAniPattern* p = pa != nullptr ? pa : pb;
      if (p == nullptr) continue;
      for (const auto& r : p->refs) EXPECT_EQ(r, nullptr) << "pattern " << n;
      continue;
    }
    EXPECT_STREQ(pa->name, pb->name);
    for (int s = 0; s < kPAniSlotCount; ++s) {
      const PAniPartRef* ra = pa->refs[s].get();
      const PAniPartRef* rb = pb->refs[s].get();
      ASSERT_EQ(ra == nullptr, rb == nullptr) << n << "/" << s;
      if (ra == nullptr) continue;
      EXPECT_EQ(ra->partId, rb->partId);
      EXPECT_EQ(ra->partPriority, rb->partPriority);
      EXPECT_EQ(ra->x, rb->x);
      EXPECT_EQ(ra->y, rb->y);
      EXPECT_EQ(ra->prpa, rb->prpa);
      EXPECT_FLOAT_EQ(ra->zoomX, rb->zoomX);
      EXPECT_FLOAT_EQ(ra->zoomY, rb->zoomY);
      EXPECT_FLOAT_EQ(ra->angle, rb->angle);
      EXPECT_EQ(ra->color, rb->color);
      EXPECT_EQ(ra->specular, rb->specular);
      EXPECT_EQ(ra->reverse, rb->reverse);
      EXPECT_EQ(ra->blend, rb->blend);
      EXPECT_EQ(ra->filter, rb->filter);
    }
  }
  for (int n = 0; n < kPAniPartCount; ++n) {
    const PAniPart* pa = a.Part(n);
    const PAniPart* pb = b.Part(n);
    ASSERT_EQ(pa == nullptr, pb == nullptr) << "part " << n;
    if (pa == nullptr) continue;
    EXPECT_STREQ(pa->name, pb->name);
    EXPECT_EQ(std::memcmp(&pa->texture, &pb->texture, sizeof(int32_t) * 10), 0) << "part " << n;
    if (withPpjp) {
      EXPECT_EQ(pa->ppjp[0], pb->ppjp[0]);
    }
  }
  ASSERT_EQ(a.textures.size(), b.textures.size());
  for (size_t n = 0; n < a.textures.size(); ++n) {
    const PAniTexture* ta = a.textures[n].get();
    const PAniTexture* tb = b.textures[n].get();
    ASSERT_EQ(ta == nullptr, tb == nullptr);
    if (ta == nullptr) continue;
    EXPECT_STREQ(ta->name, tb->name);
    EXPECT_EQ(ta->pgtp, tb->pgtp);
    EXPECT_EQ(ta->width, tb->width);
    EXPECT_EQ(ta->height, tb->height);
    if (withPixels) {
      EXPECT_EQ(ta->pixels, tb->pixels);
    }
  }
}

TEST(PAniRoundTrip, TaggedFormKeepsEveryField) {
  auto sample = Sample();
  sample->parts[3]->ppjp[0] = 9;
  sample->parts[3]->ppjp[1] = -9;
  PAniPtr back = Parse(WritePAniData(*sample));
  ASSERT_NE(back, nullptr);
  ExpectSame(*sample, *back, true);
  EXPECT_EQ(back->parts[3]->ppjp[1], -9);
  // Without embedded pixels the image is stepped over and the sizes remain.
  PAniPtr bare = Parse(WritePAniData(*sample), 0);
  ASSERT_NE(bare, nullptr);
  EXPECT_TRUE(bare->textures[1]->pixels.empty());
  EXPECT_EQ(bare->textures[1]->width, 32);
  EXPECT_EQ(bare->Pattern(7)->refs[39]->partId, 999);
}

TEST(PAniRoundTrip, OlderFormKeepsEveryField) {
  auto sample = Sample();
  std::vector<uint8_t> bytes = WritePAniDataOld(*sample);
  EXPECT_FALSE(IsPAniImage(bytes));
  PAniPtr back = Parse(bytes);
  ASSERT_NE(back, nullptr);
  // The older form keeps the part priority in a byte and has no PPJP.
  ExpectSame(*sample, *back, true, false);
}

TEST(PAniOlderForm, ScaledValuesAndSparseTextures) {
  PAniData pani;
  pani.patterns[2] = std::make_unique<PAniPattern>();
  auto r = std::make_unique<PAniPartRef>();
  r->partId = 1;
  r->zoomX = 1.5f;
  r->angle = 0.25f;
  r->x = 0;
  pani.patterns[2]->refs[0] = std::move(r);
  pani.textures.resize(8);
  pani.textures[7] = std::make_unique<PAniTexture>();
  pani.textures[7]->width = pani.textures[7]->height = 4;
  pani.textures[7]->pixels.assign(64, 0xAB);
  std::vector<uint8_t> bytes = WritePAniDataOld(pani);
  // Stored values: zoom x 1500, angle 2500, x 0 + 320.
  const int32_t block = 32 + han6io::LoadI32(bytes, 40 + 4 * 2);
  EXPECT_EQ(han6io::LoadI32(bytes, static_cast<size_t>(block) + 20), 1500);
  EXPECT_EQ(han6io::LoadI32(bytes, static_cast<size_t>(block) + 28), 2500);
  EXPECT_EQ(han6io::LoadI32(bytes, static_cast<size_t>(block) + 4), 320);
  PAniPtr back = Parse(bytes);
  ASSERT_NE(back, nullptr);
  const PAniPartRef* ref = GetPAniPartRef(back.get(), 2, 0);
  ASSERT_NE(ref, nullptr);
  EXPECT_FLOAT_EQ(ref->zoomX, 1.5f);
  EXPECT_FLOAT_EQ(ref->angle, 0.25f);
  EXPECT_EQ(ref->x, 0);
  ASSERT_EQ(back->textures.size(), 8u);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(back->textures[i], nullptr);
  EXPECT_EQ(back->textures[7]->pgtp, 4);
  EXPECT_EQ(GetPAniPartRef(back.get(), 2, 1), nullptr);
  EXPECT_EQ(GetPAniPartRef(back.get(), -1, 0), nullptr);
  EXPECT_EQ(GetPAniPartRef(back.get(), 2, 40), nullptr);
}

// A tagged file written tag by tag, for the reader's rules.
struct TagFile {
  han6io::ByteWriter w;
  TagFile() {
    w.PutFixedText("PAniDataFile", 32);
    w.PutTag("_STR");
  }
  std::vector<uint8_t> End() {
    w.PutTag("_END");
    return w.Bytes();
  }
};

TEST(PAniTagged, DefaultsReplacementAndGrowth) {
  TagFile f;
  f.w.PutTag("P_ST");
  f.w.PutI32(1200);
  f.w.PutTag("PRST");
  f.w.PutI32(3);
  f.w.PutTag("PRID");
  f.w.PutI32(4);
  f.w.PutTag("PRED");
  f.w.PutTag("PRST");  // a second reference in slot 3 replaces the first
  f.w.PutI32(3);
  f.w.PutTag("PRXY");
  f.w.PutI32(5);
  f.w.PutI32(6);
  f.w.PutTag("ZZZZ");  // unknown: skipped as four bytes
  f.w.PutTag("PRED");
  f.w.PutTag("P_ED");
  PAniPtr pani = Parse(f.End());
  ASSERT_NE(pani, nullptr);
  EXPECT_EQ(pani->patterns.size(), 1201u);
  const PAniPartRef* r = GetPAniPartRef(pani.get(), 1200, 3);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->partId, -1);  // no PRID in the second block: draws nothing
  EXPECT_EQ(r->x, 5);
  EXPECT_FLOAT_EQ(r->zoomX, 1.0f);
  EXPECT_FLOAT_EQ(r->zoomY, 1.0f);
  EXPECT_EQ(r->color, 0xFFFFFFFFu);
}

TEST(PAniTagged, InvalidFilesAreRefused) {
  vt::SetDebugQuiet(true);
  struct Case {
    const char* what;
    std::vector<int32_t> words;  // after _STR, before _END
  };
  const int32_t P_ST = static_cast<int32_t>(han6io::Tag("P_ST"));
  const int32_t PRST = static_cast<int32_t>(han6io::Tag("PRST"));
  const int32_t PPST = static_cast<int32_t>(han6io::Tag("PPST"));
  const int32_t PGST = static_cast<int32_t>(han6io::Tag("PGST"));
  const int32_t PGTX = static_cast<int32_t>(han6io::Tag("PGTX"));
  const Case cases[] = {
      {"negative pattern", {P_ST, -1}},
      {"pattern past the cap", {P_ST, 65536}},
      {"slot 40", {P_ST, 0, PRST, 40}},
      {"negative slot", {P_ST, 0, PRST, -1}},
      {"part 1000", {PPST, 1000}},
      {"negative part", {PPST, -3}},
      {"negative texture", {PGST, -1}},
      {"texture past the cap", {PGST, 70000}},
      {"24-bit texture", {PGST, 0, PGTX, 2, 2, 24}},
      {"zero-width texture", {PGST, 0, PGTX, 0, 2, 32}},
      {"huge texture", {PGST, 0, PGTX, 100000, 100000, 32}},
      {"pixels past the end", {PGST, 0, PGTX, 64, 64, 32}},
  };
  for (const auto& tc : cases) {
    TagFile f;
    for (int32_t v : tc.words) f.w.PutI32(v);
    EXPECT_EQ(Parse(f.End()), nullptr) << tc.what;
  }
  TagFile noStart;
  noStart.w.Bytes().resize(32);
  EXPECT_EQ(Parse(noStart.End()), nullptr);
  vt::SetDebugQuiet(false);
}

TEST(PAniDamage, EveryTruncationOfATaggedFileIsRefused) {
  vt::SetDebugQuiet(true);
  auto sample = Sample();
  for (auto& t : sample->textures) {
    t->width = t->height = 2;
    t->pixels.resize(16);
  }
  const std::vector<uint8_t> bytes = WritePAniData(*sample);
  ASSERT_NE(Parse(bytes), nullptr);
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    EXPECT_EQ(Parse(cut), nullptr) << n;
  }
  vt::SetDebugQuiet(false);
}

TEST(PAniDamage, OlderFormOffsetsAreChecked) {
  vt::SetDebugQuiet(true);
  auto sample = Sample();
  const std::vector<uint8_t> base = WritePAniDataOld(*sample);
  const int32_t block = han6io::LoadI32(base, 40040);
  struct Case {
    const char* what;
    size_t at;
    int32_t value;
  } cases[] = {
      {"reference block past end", 40, static_cast<int32_t>(base.size())},
      {"reference block negative", 40 + 4 * 7, -40},
      {"part record past end", 4040 + 12, static_cast<int32_t>(base.size()) - 4},
      {"texture block past end", 40040, static_cast<int32_t>(base.size()) - 100},
      {"texture pixels past end", static_cast<size_t>(block) + 28 + 4, static_cast<int32_t>(base.size())},
      {"texture edge huge", static_cast<size_t>(block) + 3428 + 4, 1 << 20},
      {"texture edge zero", static_cast<size_t>(block) + 3428, 0},
  };
  for (const auto& tc : cases) {
    han6io::ByteWriter w;
    w.Bytes() = base;
    w.PatchI32(tc.at, tc.value);
    EXPECT_EQ(Parse(w.Bytes()), nullptr) << tc.what;
  }
  for (size_t n = 0; n < base.size(); n += 7) {
    std::vector<uint8_t> cut(base.begin(), base.begin() + static_cast<long>(n));
    PAniPtr p = Parse(cut);
    if (n < 40044) {
      EXPECT_EQ(p, nullptr) << n;
    }
  }
  vt::SetDebugQuiet(false);
}

}  // namespace
