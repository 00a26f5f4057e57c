// A text scene on the GL device with the sample game folder's fonts: Japanese and English glyph
// text, Japanese messages with ruby, an English message, outlined and small system-font text.
// Set VT_TEXT_SCENE_PNG to a path to keep the picture.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/font_manage.h"
#include "Dxtools/Text/system_font.h"
#include "gfx_test_env.h"
#include "platform/image.h"

namespace vt::text {
namespace {

using namespace vt::gfx;

class TextSceneGl : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("text scene", 640, 480));
    for (const char* name : {"_sysfont.ini", "fontl.fnt", "fonts.fnt", "font.fnt", "fontl_eng.fnt", "grp"})
      std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / name, name,
                            std::filesystem::copy_options::recursive);
  }
  void TearDown() override {
    SetMessageLanguageQuery(nullptr);
    FreeBitmapFonts();
    FreeStoryFonts();
    StopGl();
  }
};

TEST_F(TextSceneGl, JapaneseAndEnglishThroughAllThreePaths) {
  LoadSystemFonts();
  LoadStoryFonts();
  for (int i = 0; i < kStoryFontCount; ++i) ASSERT_NE(g_StoryFonts[i], nullptr) << i;
  for (const SystemFont& f : g_SystemFonts) ASSERT_NE(f.texture, nullptr);

  // Glyph text: "日本語とEnglishのテスト 123".
  int textWidth = 0;
  TextureHandle* line = RenderTextTexture(22,
                                          "\x93\xfa\x96\x7b\x8c\xea\x82\xc6"
                                          "English\x82\xcc\x83\x65\x83\x58\x83\x67 123",
                                          &textWidth, 0, 0);
  ASSERT_NE(line, nullptr);
  EXPECT_GT(textWidth, 150);
  // Messages: "漢字<かんじ>のテスト■ＡＢＣ" with readings, and an English one.
  TextureHandle* jp = RenderMessageTexture(16, 512,
                                           "\x8a\xbf\x8e\x9a<\x82\xa9\x82\xf1\x82\xb6>"
                                           "\x82\xcc\x83\x65\x83\x58\x83\x67\x81\xa1\x82\x60\x82\x61\x82\x62",
                                           g_StoryFonts[0], g_StoryFonts[1]);
  SetMessageLanguageQuery([] { return true; });
  TextureHandle* en =
      RenderMessageTexture(16, 32, "Hello, world! An English message.", g_StoryFonts[3], nullptr);
  ASSERT_NE(jp, nullptr);
  ASSERT_NE(en, nullptr);

  TextureHandle* target = CreateRenderTargetTexture(640, 480, FMT_A8R8G8B8);
  ASSERT_NE(target, nullptr);
  SetRenderTargetTexture(target);
  ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF202050u);
  DrawSprite(nullptr, line, 20, 20, textWidth, 22, 0, 0, float(textWidth), 22, 0xFFFFFFFFu, 0, 300);
  DrawMessageTexture(jp, 0, 80, 640, 12, 0, 256, 640, 12, 0xFFFFFFFFu, 0, 44);  // readings
  DrawMessageTexture(jp, 0, 94, 640, 40, 0, 0, 640, 40, 0xFFFFFFFFu, 0, 44);
  DrawMessageTexture(en, 0, 150, 640, 20, 0, 0, 640, 20, 0xFFFFFFFFu, 0, 44);
  EXPECT_EQ(DrawOutlinedText(320, 200, "OUTLINED TEXT 0123", 255, 255, 16, 24, 1, 10), 1);
  EXPECT_EQ(DrawSmallText(20, 240, "small text"), 1);
  EXPECT_EQ(DrawSysFontText(20, 280, "MENU ITEM", 255, 255, 2, 1, 14, 24, 11, 1), 1);
  ASSERT_EQ(RenderMain(), 1);

  Texture* rt = HandleTexture(target);
  TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
  ASSERT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
  const std::vector<uint8_t>& px = sys->Pixels();
  const int w = static_cast<int>(sys->Width());
  if (const char* keep = std::getenv("VT_TEXT_SCENE_PNG"))
    vt::image::SaveImage(keep, vt::image::kFilePng, px.data(), w, static_cast<int>(sys->Height()));
  // Bright (text) and black (outline) pixels per region.
  auto count = [&](int x0, int y0, int x1, int y1, bool black) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const uint8_t* p = px.data() + (size_t(y) * w + x) * 4;
        n += black ? (p[0] < 16 && p[1] < 16 && p[2] < 16) : (p[0] > 200 && p[1] > 200 && p[2] > 200);
      }
    return n;
  };
  EXPECT_GT(count(20, 20, 20 + textWidth, 42, false), 150);  // glyph text
  EXPECT_EQ(count(20 + textWidth + 4, 20, 640, 42, false), 0);
  EXPECT_GT(count(0, 80, 640, 92, false), 20);       // readings
  EXPECT_GT(count(16, 94, 200, 114, false), 100);    // first message line
  EXPECT_GT(count(16, 114, 100, 134, false), 30);    // second line "ＡＢＣ"
  EXPECT_GT(count(0, 150, 640, 170, false), 100);    // English message
  EXPECT_GT(count(100, 196, 540, 228, false), 200);  // outlined text, centred on 320
  EXPECT_GT(count(100, 196, 540, 228, true), 50);    // and its black outline
  EXPECT_EQ(count(0, 196, 100, 228, false), 0);
  EXPECT_GT(count(20, 240, 300, 264, false), 50);  // small text
  EXPECT_GT(count(20, 280, 200, 304, false), 50);  // menu font, fixed cells

  SetRenderTargetTexture(nullptr);
  ResetDrawList(&g_MainDrawList);
  FreeTexture(target);
  FreeTexture(line);
  FreeTexture(jp);
  FreeTexture(en);
}

}  // namespace
}  // namespace vt::text
