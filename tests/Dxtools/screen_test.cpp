// Fades, screenshots (numbering, formats, failures, the scene rectangle) and notices on the
// recording device.
#include <gtest/gtest.h>

#include <filesystem>

#include "Dxtools/D3D_Tools/d3d_files.h"
#include "Dxtools/GrpManager/grp_screen.h"
#include "gfx_test_env.h"
#include "platform/image.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

TEST(ScreenFade, AdvanceStopsAtTheLength) {
  CScreenFadeDrraw fade;
  InitScreenFadeState(&fade);
  EXPECT_EQ(fade.alpha, 255);
  EXPECT_EQ(fade.length, 30);
  for (int i = 0; i < 40; ++i) fade.Advance();
  EXPECT_EQ(fade.frame, 30);
  fade.active = 0;
  fade.frame = 3;
  fade.Advance();
  EXPECT_EQ(fade.frame, 3);
}

TEST(ScreenshotFormat, NamesToExtensions) {
  struct Case {
    const char* name;
    int format;
    const char* extension;
  };
  const Case cases[] = {
      {"BMP", 0, ".bmp"}, {"JPG", 1, ".jpg"},   {"TGA", 2, ".tga"}, {"PNG", 3, ".png"},
      {"DDS", 4, ".dds"}, {"PPS", 5, ".ppm"},  // kept on purpose: the portable pixmap is named "PPS"
      {"DIB", 6, ".dib"}, {"HDR", 7, ".hdr"},   {"PFM", 8, ".pfm"}, {"PPM", 0, ".bmp"},
      {"png", 0, ".bmp"}, {nullptr, 0, ".bmp"},
  };
  for (const Case& c : cases) {
    SetScreenshotFormat(c.name);
    EXPECT_EQ(GetScreenshotFormat(), c.format) << (c.name ? c.name : "null");
    EXPECT_STREQ(GetScreenshotExtension(), c.extension) << (c.name ? c.name : "null");
  }
  SetScreenshotFormat(nullptr);
}

class ScreenTest : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    SetScreenMessageClock([this] { return now_; });
  }
  void TearDown() override {
    SetScreenMessageClock(nullptr);
    SetGfxPackAccess({});
    SetScreenshotFormat(nullptr);
    RecordingGfx::TearDown();
  }
  double now_ = 100.0;
};

TEST_F(ScreenTest, NumberingSkipsFilesAndPackMembers) {
  std::filesystem::create_directory("ScreenShot");
  WriteFile("ScreenShot/00000000.bmp", "x");
  WriteFile("ScreenShot/00000001.bmp", "x");
  SetGfxPackAccess({[](const std::string& p) { return p == ".\\ScreenShot\\00000002.bmp"; }, nullptr});
  ASSERT_EQ(SaveScreenshot(nullptr), 1);
  EXPECT_TRUE(std::filesystem::exists("ScreenShot/00000003.bmp"));
  EXPECT_EQ(GetScreenMessages().back().text, "save screenshot 00000003.bmp");
}

TEST_F(ScreenTest, EveryFormatWritesAFileOurReadersAccept) {
  // Asked to, the recorder keeps cleared colours, so the back buffer holds a known picture.
  g_D3DDevice->SetTargetPixelFills(true);
  ClearScreen(CLEAR_TARGET, 0xFF204080u);
  for (const char* name : {"BMP", "JPG", "TGA", "PNG", "DDS", "PPS", "DIB", "HDR", "PFM"}) {
    SetScreenshotFormat(name);
    ASSERT_EQ(SaveScreenshot(nullptr), 1) << name;
  }
  // Numbers count per extension: each format starts at 0.
  for (const char* ext : {".bmp", ".jpg", ".tga", ".png", ".dds", ".ppm", ".dib", ".hdr", ".pfm"}) {
    char file[64];
    std::snprintf(file, sizeof file, "ScreenShot/%08d%s", 0, ext);
    std::string bytes = ReadFile(file);
    vt::image::Image img;
    ASSERT_TRUE(vt::image::DecodeImage({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, &img))
        << file;
    EXPECT_EQ(img.info.width, 1280u) << file;
    EXPECT_EQ(img.info.height, 720u) << file;
    const uint8_t* p = img.pixels.data();
    uint8_t bgra[4];
    ReadPixelBgra(img.info.format, p, img.pitch, 5, 5, bgra);
    EXPECT_NEAR(bgra[0], 0x80, 3) << file;
    EXPECT_NEAR(bgra[1], 0x40, 3) << file;
    EXPECT_NEAR(bgra[2], 0x20, 3) << file;
  }
}

TEST_F(ScreenTest, SceneTargetSavesOnlyTheSceneRectangle) {
  ASSERT_EQ(CreateFrameRenderTargets(), 1);
  BindSceneRenderTargets();
  RestoreBackBufferTargets();
  SetScreenshotFormat("PNG");
  ASSERT_EQ(SaveScreenshot(g_SceneTargets[0]), 1);
  vt::image::ImageInfo info;
  std::string bytes = ReadFile("ScreenShot/00000000.png");
  ASSERT_TRUE(vt::image::GetImageInfo({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, &info));
  EXPECT_EQ(info.width, 640u);
  EXPECT_EQ(info.height, 480u);
  // Another render target saves its used size; a managed texture its allocated size.
  TextureHandle* rt = CreateRenderTargetTexture(100, 50, 0);
  TextureHandle* managed = CreateTexture(100, 50, 0);
  ASSERT_EQ(SaveScreenshot(rt), 1);
  ASSERT_EQ(SaveScreenshot(managed), 1);
  bytes = ReadFile("ScreenShot/00000001.png");
  ASSERT_TRUE(vt::image::GetImageInfo({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, &info));
  EXPECT_EQ(info.width, 100u);
  bytes = ReadFile("ScreenShot/00000002.png");
  ASSERT_TRUE(vt::image::GetImageInfo({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, &info));
  EXPECT_EQ(info.width, 128u);
  FreeTexture(rt);
  FreeTexture(managed);
}

TEST_F(ScreenTest, FailedSaveIsReportedAsFailed) {
  WriteFile("ScreenShot", "a file where the folder should be");
  EXPECT_EQ(SaveScreenshot(nullptr), 0);
  ASSERT_FALSE(GetScreenMessages().empty());
  EXPECT_EQ(GetScreenMessages().back().text.rfind("screenshot not saved", 0), 0u);
}

TEST_F(ScreenTest, NoticeLifetimesAndExpiry) {
  for (int i = 0; i < 4; ++i) PostScreenMessage("n");
  auto list = GetScreenMessages();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_DOUBLE_EQ(list[0].lifetime, 2.0);
  EXPECT_DOUBLE_EQ(list[3].lifetime, 2.15);
  // 2.12 s later the first three have expired and are dropped when the next one is posted; the
  // fourth (2.15 s) is still shown and keeps its lifetime.
  now_ += 2.12;
  PostScreenMessage("late");
  list = GetScreenMessages();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_DOUBLE_EQ(list[0].lifetime, 2.15);
  EXPECT_EQ(list[1].text, "late");
  EXPECT_DOUBLE_EQ(list[1].lifetime, 2.05);
}

}  // namespace
}  // namespace vt::test
