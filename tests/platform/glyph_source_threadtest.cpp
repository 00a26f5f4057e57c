// The process-wide glyph source used from several threads at once.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "Dxtools/Text/font_manage.h"
#include "platform/glyph/glyph_source.h"

namespace vt::glyph {
namespace {

// Faces opened and used on several threads at once (the process-wide source is shared): every
// thread gets the same pixels as a lone render.
TEST(GlyphSourceTest, ThreadsRenderTheSameLineIndependently) {
  const char* line = "\x93\xfa\x96\x7b\x8c\xea ABC \x82\xa0\x82\xa2";
  text::RenderedText reference;
  ASSERT_TRUE(text::RenderTextPixels(18, line, false, 0, &reference));
  std::vector<text::RenderedText> results(4);
  std::vector<std::thread> threads;
  for (auto& r : results)
    threads.emplace_back([&r, line] {
      for (int i = 0; i < 5; ++i) text::RenderTextPixels(18, line, i % 2 == 1, 0, &r);
    });
  for (auto& t : threads) t.join();
  for (const auto& r : results) {
    EXPECT_EQ(r.width, reference.width);
    EXPECT_EQ(r.pixels, reference.pixels);
  }
}

}  // namespace
}  // namespace vt::glyph
