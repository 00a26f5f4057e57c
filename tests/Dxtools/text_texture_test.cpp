// The text renderers on textures and draw lists (recording device): glyph text and messages
// rendered into new textures, message sprites, system fonts loaded from ".\_sysfont.ini" and
// queued as sprites, and the story fonts.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/fnt_writer.h"
#include "Dxtools/Text/font_manage.h"
#include "Dxtools/Text/system_font.h"
#include "gfx_test_env.h"
#include "platform/glyph/glyph_source.h"
#include "platform/image.h"
#include "support/test_util.h"

namespace vt::text {
namespace {

struct Queued {
  int priority;
  const GrpDrawCommand* command;
};

// The main list's commands in chain order with their priorities.
std::vector<Queued> QueuedCommands() {
  std::vector<Queued> out;
  int priority = 0;
  for (const GrpDrawCommand* c = &g_MainDrawList.slots[0]; c; c = c->next) {
    if (c->kind == kDrawKindHead)
      priority = static_cast<int>(c - g_MainDrawList.slots);
    else
      out.push_back({priority, c});
  }
  return out;
}

class TextTextureTest : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    glyph::SetGlyphSource(&fake);
  }
  void TearDown() override {
    glyph::SetGlyphSource(nullptr);
    SetMessageLanguageQuery(nullptr);
    FreeBitmapFonts();
    for (SystemFont& f : g_SystemFonts) f = SystemFont{};
    FreeStoryFonts();
    RecordingGfx::TearDown();
  }
  static uint32_t Pixel(TextureHandle* t, int x, int y) {
    auto* bits = static_cast<uint8_t*>(LockTexture(t->dx, nullptr));
    uint32_t v;
    std::memcpy(&v, bits + size_t(y) * t->dx->lockPitch + size_t(x) * 4, 4);
    UnlockTexture(t->dx);
    return v;
  }
  glyph::FakeGlyphSource fake{{12, 4, 16}, {}};
};

TEST_F(TextTextureTest, RenderTextTextureIsSizedToTheText) {
  int width = -1;
  TextureHandle* t = RenderTextTexture(20, "ABC", &width, 0, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(width, 30);
  EXPECT_EQ(t->dx->usedWidth, 30);
  EXPECT_EQ(t->dx->usedHeight, 20);
  EXPECT_EQ(t->dx->desc.Width, 32u);
  EXPECT_EQ(t->dx->desc.Height, 32u);
  EXPECT_EQ(t->dx->desc.format, vt::gfx::FMT_A8R8G8B8);
  EXPECT_FALSE(t->dx->locked);
  EXPECT_EQ(Pixel(t, 0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(t, 9, 0), 0u);  // between the 8-pixel boxes
  EXPECT_EQ(Pixel(t, 20, 11), 0xFFFFFFFFu);
  FreeTexture(t);
}

TEST_F(TextTextureTest, DrawStringIntoACallersTexture) {
  FontManageDesc desc;
  desc.SetDefaults();
  desc.quality = 4;
  CD3DXFontManage m(desc);
  TextureHandle* t = CreateTexture(100, 20, vt::gfx::FMT_A8R8G8B8);
  m.SetTargetTexture(t);
  EXPECT_EQ(m.TargetWidth(), 128);
  EXPECT_EQ(m.TargetHeight(), 32);
  m.BeginDraw();
  EXPECT_TRUE(t->dx->locked);
  DrawStringArgs a;
  a.x = 100;
  a.text = "AB";
  a.flags = 1;  // centred in 100: starts at (100 - 20) / 2
  a.colour = 0xFF102030;
  m.DrawString(a);
  m.EndDraw();
  EXPECT_FALSE(t->dx->locked);
  EXPECT_EQ(Pixel(t, 40, 0), 0xFF102030u);
  EXPECT_EQ(Pixel(t, 39, 0), 0u);
  FreeTexture(t);
  // A 16-bit texture is not written: the glyph writer writes 32-bit pixels only.
  TextureHandle* t16 = CreateTexture(16, 16, vt::gfx::FMT_A4R4G4B4);
  m.SetTargetTexture(t16);
  m.BeginDraw();
  m.DrawString(a);
  m.EndDraw();
  auto* bits = static_cast<uint16_t*>(LockTexture(t16->dx, nullptr));
  EXPECT_EQ(bits[0], 0u);
  UnlockTexture(t16->dx);
  FreeTexture(t16);
}

FntWriteSpec SmallFont() {
  FntWriteSpec layout;
  layout.width = 8;
  layout.height = 8;
  layout.bitsPerPixel = 4;
  for (uint32_t code : {0x8ABFu, 0x8260u}) {
    FntGlyphSpec g;
    g.code = code;
    g.levels.assign(64, 15);
    layout.glyphs.push_back(g);
  }
  return layout;
}

TEST_F(TextTextureTest, MessageTextureAndItsSprite) {
  std::vector<uint8_t> image = WriteFntFont(SmallFont());
  FntFont font;
  ASSERT_EQ(BindFntFont(&font, image), 1);
  EXPECT_EQ(RenderMessageTexture(0, 64, "\x8a\xbf", nullptr, nullptr), nullptr);
  TextureHandle* t = RenderMessageTexture(10, 64, "\x8a\xbf\x82\x60", &font, nullptr);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->dx->usedWidth, 1024);
  EXPECT_EQ(t->dx->usedHeight, 64);
  EXPECT_EQ(t->dx->desc.format, vt::gfx::FMT_A8R8G8B8);
  EXPECT_FALSE(t->dx->locked);
  EXPECT_EQ(Pixel(t, 10, 0), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(t, 18, 7), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(t, 9, 0), 0u);
  TextureHandle* empty = RenderMessageTexture(10, 64, "\\\x8a\xbf", &font, nullptr);
  EXPECT_EQ(Pixel(empty, 10, 0), 0u);
  ASSERT_EQ(DrawMessageTexture(t, 5, 6, 1024, 64, 0, 0, 1024, 64, 0xFFFFFFFF, 0, 100), 1);
  auto q = QueuedCommands();
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0].priority, 356);
  EXPECT_EQ(q[0].command->texture, HandleTexture(t));
  ResetDrawList(&g_MainDrawList);
  FreeTexture(t);
  FreeTexture(empty);
}

TEST_F(TextTextureTest, SystemFontsFromTheIniFile) {
  // Character widths for "A" and "=": the "<=>" line's key ends at its "=", so it never matches
  // and "=" takes Default (kept as the game reads it).
  vt::test::WriteFile("_sysfont.ini",
                      "[DATA00]\r\nFontWidth = 8\r\nFontHeight = 12\r\nFontWidthNum = 16\r\nDefault = 9\r\n"
                      "<A>=12\r\n<=>=5\r\n< >=3\r\n\r\n[DATA02]\r\nFontWidth=16\r\nFontHeight=24\r\n"
                      "FontWidthNum=16\r\n");
  std::vector<uint8_t> white(size_t(128) * 72 * 4, 0xFF);
  std::filesystem::create_directories("grp/system");
  ASSERT_TRUE(vt::image::SaveImage("grp/system/DBGFNT00.png", vt::image::kFilePng, white.data(), 128, 72));
  LoadSystemFonts();
  const SystemFont& f0 = g_SystemFonts[0];
  EXPECT_EQ(f0.FontWidth, 8);
  EXPECT_EQ(f0.Width('A'), 12);
  EXPECT_EQ(f0.Width('='), 9);
  EXPECT_EQ(f0.Width(' '), 3);
  EXPECT_EQ(f0.Width('B'), 9);
  ASSERT_NE(f0.texture, nullptr);
  EXPECT_EQ(f0.texture->dx->usedWidth, 128);
  // DATA01 is missing: its keys take their defaults; no texture for fonts 1 and 2.
  EXPECT_EQ(g_SystemFonts[1].FontWidthNum, 1);
  EXPECT_EQ(g_SystemFonts[1].defaultWidth, 16);
  EXPECT_EQ(g_SystemFonts[2].texture, nullptr);

  g_DrawFilterMode = 1;
  g_DrawBlendMode = 3;
  ASSERT_EQ(DrawSysFontText(10, 20, "A=A", 255, 128, 4, 0, -1, -1, 0, 0), 1);
  auto q = QueuedCommands();
  ASSERT_EQ(q.size(), 3u);
  // Newest first within the priority: the last "A" leads the chain.
  EXPECT_EQ(q[0].priority, 260);
  EXPECT_EQ(q[0].command->v[0].x, 10 + 12 + 9);
  EXPECT_EQ(q[2].command->v[0].x, 10);
  EXPECT_EQ(q[2].command->v[0].y, 20);
  EXPECT_EQ(q[2].command->v[0].diffuse, 0x80FFFFFFu);
  EXPECT_EQ(q[2].command->filterMode, 2);
  EXPECT_EQ(q[2].command->texture, HandleTexture(f0.texture));
  EXPECT_EQ(g_DrawFilterMode, 1);
  EXPECT_EQ(g_DrawBlendMode, 1);
  ResetDrawList(&g_MainDrawList);
  // Font 2 has no texture: the call succeeds and queues nothing.
  EXPECT_EQ(DrawOutlinedText(0, 0, "AB", 255, 255, 16, 24, 0, 0), 1);
  EXPECT_TRUE(QueuedCommands().empty());
}

TEST_F(TextTextureTest, WithoutTheIniFileEveryDrawReturnsZero) {
  g_SystemFonts[0].FontWidthNum = 16;  // left over from an earlier load
  LoadSystemFonts();
  for (int font = 0; font < kSystemFontCount; ++font)
    EXPECT_EQ(DrawSysFontText(0, 0, "ABC", 255, 255, 0, font, -1, -1, 0, 0), 0) << font;
  EXPECT_EQ(DrawSmallText(0, 0, "ABC"), 0);
  DrawOutlinedText(0, 0, "ABC", 255, 255, 8, 12, 1, 0);
  EXPECT_TRUE(QueuedCommands().empty());
}

TEST_F(TextTextureTest, StoryFontsBindWhatExists) {
  std::vector<uint8_t> image = WriteFntFont(SmallFont());
  vt::test::WriteFile("fontl.fnt", std::string(image.begin(), image.end()));
  vt::test::WriteFile("font.fnt", "damaged");
  LoadStoryFonts();
  ASSERT_NE(g_StoryFonts[0], nullptr);
  EXPECT_EQ(g_StoryFonts[0]->width, 8);
  EXPECT_EQ(g_StoryFonts[1], nullptr);  // missing
  EXPECT_EQ(g_StoryFonts[2], nullptr);  // damaged
  EXPECT_EQ(g_StoryFonts[3], nullptr);
  FreeStoryFonts();
  EXPECT_EQ(g_StoryFonts[0], nullptr);
}

}  // namespace
}  // namespace vt::text
