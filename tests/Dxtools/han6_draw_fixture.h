// The pattern-frame drawing tests' doubles: CPU textures behind the texture backend, a sink
// that records draws, the fixture that installs both, and small sheets and frame data.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "Dxtools/Han6Draw/han6_draw.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/byte_stream.h"
#include "Dxtools/Han6Files/han6_file_loading.h"
#include "Dxtools/Han6Files/han6_project.h"
#include "Dxtools/Han6Files/pani_data.h"

namespace vt::test::han6 {

// CPU textures; the handle is an opaque pointer to one.
struct FakeTexture {
  int w = 0, h = 0;
  CutPixelFormat format = CutPixelFormat::kA8R8G8B8;
  std::vector<uint8_t> pixels;
};

class FakeBackend : public Han6TextureBackend {
 public:
  bool powerOfTwo = true;
  int created = 0, freed = 0;
  std::mutex mutex;

  static FakeTexture* Of(TextureHandle* t) { return reinterpret_cast<FakeTexture*>(t); }
  TextureHandle* CreateTexture(int width, int height, CutPixelFormat format, bool, int& texW,
                               int& texH) override {
    auto* t = new FakeTexture;
    auto up = [&](int v) {
      if (!powerOfTwo) return v;
      int p = 1;
      while (p < v) p <<= 1;
      return p;
    };
    t->w = texW = up(width);
    t->h = texH = up(height);
    t->format = format;
    t->pixels.assign(static_cast<size_t>(t->w) * t->h * CutPixelFormatBytes(format), 0);
    std::lock_guard<std::mutex> lock(mutex);
    ++created;
    return reinterpret_cast<TextureHandle*>(t);
  }
  uint8_t* Lock(TextureHandle* t, int& pitch) override {
    pitch = Of(t)->w * CutPixelFormatBytes(Of(t)->format);
    return Of(t)->pixels.data();
  }
  void Unlock(TextureHandle*) override {}
  void Free(TextureHandle* t) override {
    if (t == nullptr) return;
    // Handles below 4096 are made-up test entries, not textures.
    if (reinterpret_cast<uintptr_t>(t) >= 4096) delete Of(t);
    std::lock_guard<std::mutex> lock(mutex);
    ++freed;
  }
  void TextureSize(TextureHandle* t, int& w, int& h) override {
    w = Of(t)->w;
    h = Of(t)->h;
  }
  CutSpritePageView PageView(TextureHandle* page) override {
    return {Of(page)->pixels.data(), Of(page)->format};
  }
  bool Display16() override { return false; }
};

struct SheetDeleter {
  void operator()(CutSpriteSheet* s) const { FreeCutSpriteSheet(s); }
};
using SheetPtr = std::unique_ptr<CutSpriteSheet, SheetDeleter>;

class RecordingSink : public Han6DrawSink {
 public:
  std::vector<Han6Quad> quads;
  float bias[4] = {0, 0, 0, 0};
  void Queue(GrpDrawList*, const Han6Quad& q) override { quads.push_back(q); }
  const float* UvBias() const override { return bias; }
};

class Han6DrawTest : public testing::Test {
 protected:
  void SetUp() override {
    SetHan6TextureBackend(&backend_);
    SetHan6DrawSink(&sink_);
    FlushHan6TextureCache();
  }
  void TearDown() override {
    FlushHan6TextureCache();
    SetHan6DrawSink(nullptr);
    SetHan6TextureBackend(nullptr);
  }
  FakeBackend backend_;
  RecordingSink sink_;
};

// A sheet with one 8-bit sprite (number 5, 32 x 48 at the origin) and one colour sprite (7).
struct SmallSheet {
  SheetPtr sheet;
  SmallSheet() {
    CutSpriteSheetBuilder b(16);
    std::array<uint8_t, 1024> pal{};
    pal[4 * 3] = 200;
    b.SetPalette(pal);
    CutSpriteImage a;
    a.number = 5;
    a.name = "eight";
    a.pixelType = 0;
    a.left = 128;
    a.top = 224;
    a.width = 32;
    a.height = 48;
    a.pixels.assign(32 * 48, 3);
    b.Add(a);
    CutSpriteImage c = a;
    c.number = 7;
    c.name = "colour";
    c.pixelType = 1;
    c.pixels.assign(32 * 48 * 4, 0x80);
    b.Add(c);
    sheet.reset(ParseCutSpriteSheet(WriteCutSpriteFile(b.Build()), 1, "small"));
    CreateCutSpritePages(sheet.get(), nullptr, nullptr, 0, 0);
  }
};

// A pattern set with frames given as data-file tags.
inline std::unique_ptr<Han6PatternSet> Frames(const std::function<void(han6io::ByteWriter&)>& body) {
  han6io::ByteWriter w;
  w.PutFixedText("Vazuvu6DataFile", 32);
  w.PutTag("_STR");
  w.PutI32(0);
  body(w);
  w.PutTag("_END");
  std::unique_ptr<Han6PatternSet> set(InitHan6PatternSet());
  EXPECT_EQ(ParseHan6DataFile(w.Bytes(), *set, "frames"), 1);
  return set;
}

// Pattern 0 with one frame per image block, each block given as tag/value pairs.
inline void OneFramePattern(han6io::ByteWriter& w, int number,
                            const std::vector<std::function<void(han6io::ByteWriter&)>>& frames) {
  w.PutTag("PSTR");
  w.PutI32(number);
  w.PutTag("PDS2");
  w.PutI32(4);
  w.PutI32(static_cast<int32_t>(frames.size()));
  for (const auto& f : frames) {
    w.PutTag("FSTR");
    w.PutTag("AFST");
    f(w);
    w.PutTag("AFED");
    w.PutTag("FEND");
  }
  w.PutTag("PEND");
}

}  // namespace vt::test::han6
