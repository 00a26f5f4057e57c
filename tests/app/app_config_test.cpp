// ".\System\_App.ini": missing file, missing keys, out-of-range values and the saved format.
#include "app/app_config.h"

#include <gtest/gtest.h>

#include "support/test_util.h"

namespace {

struct Case {
  const char* name;
  const char* file;  // nullptr = no file
  AppConfig expect;
};

TEST(AppConfig, LoadTable) {
  const Case cases[] = {
      {"no file: windowed 1280x720", nullptr, {0, 1, 1280, 720, 32, 0, 0, 0}},
      {"all keys",
       "[System]\r\nNoVsMovie= 1\r\nWindowed= 0\r\nScreenW= 800\r\nScreenH= 600\r\nBpp= 16\r\nPosX= "
       "5\r\nPosY= 7\r\nAspectRatio= 1\r\n",
       {1, 0, 800, 600, 16, 5, 7, 1}},
      // Without a size the window would be 0 x 0: the file-missing size applies.
      {"size keys missing", "[System]\r\nWindowed= 0\r\n", {0, 0, 1280, 720, 32, 0, 0, 0}},
      {"size zero or negative", "[System]\r\nScreenW= 0\r\nScreenH= -3\r\n", {0, 1, 1280, 720, 32, 0, 0, 0}},
      {"bpp 24 reads as 32, negative positions as 0",
       "[System]\r\nScreenW=640\r\nScreenH=480\r\nBpp=24\r\nPosX=-50\r\nPosY=-1\r\n",
       {0, 1, 640, 480, 32, 0, 0, 0}},
      {"other section ignored",
       "[Other]\r\nScreenW=1\r\n[System]\r\nScreenW=320\r\nScreenH=240\r\n",
       {0, 1, 320, 240, 32, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("System/_App.ini");
    if (c.file) vt::test::WriteFile("System/_App.ini", c.file);
    g_AppConfig = AppConfig{};
    g_AppConfig.PosX = 9;  // "kept" when the file is missing: only clamped
    g_AppConfig.PosY = 9;
    LoadAppConfig();
    const AppConfig& a = g_AppConfig;
    AppConfig e = c.expect;
    if (!c.file) e.PosX = e.PosY = 9;
    EXPECT_EQ(a.NoVsMovie, e.NoVsMovie) << c.name;
    EXPECT_EQ(a.Windowed, e.Windowed) << c.name;
    EXPECT_EQ(a.ScreenW, e.ScreenW) << c.name;
    EXPECT_EQ(a.ScreenH, e.ScreenH) << c.name;
    EXPECT_EQ(a.Bpp, e.Bpp) << c.name;
    EXPECT_EQ(a.PosX, e.PosX) << c.name;
    EXPECT_EQ(a.PosY, e.PosY) << c.name;
    EXPECT_EQ(a.AspectRatio, e.AspectRatio) << c.name;
  }
}

TEST(AppConfig, SaveWritesEveryKeyInOrderWithABlank) {
  g_AppConfig = AppConfig{0, 1, 1280, 720, 32, 3, 4, 2};
  SaveAppConfig();
  EXPECT_EQ(
      vt::test::ReadFile("System/_App.ini"),
      "[System]\r\nNoVsMovie= 0\r\nWindowed= 1\r\nScreenW= 1280\r\nScreenH= 720\r\nBpp= 32\r\nPosX= 3\r\n"
      "PosY= 4\r\nAspectRatio= 2\r\n");
  g_AppConfig = AppConfig{};
  LoadAppConfig();
  EXPECT_EQ(g_AppConfig.ScreenW, 1280);
  EXPECT_EQ(g_AppConfig.AspectRatio, 2);
}

TEST(AppConfig, AspectPairs) {
  struct {
    int ratio;
    float x, y;
  } cases[] = {{0, 4, 3}, {1, 16, 9}, {2, 16, 10}, {3, 4, 3}, {-1, 4, 3}};
  for (const auto& c : cases) {
    g_AppConfig.AspectRatio = c.ratio;
    float x, y;
    GetAspectRatio(&x, &y);
    EXPECT_EQ(x, c.x);
    EXPECT_EQ(y, c.y);
  }
}

TEST(DebugConfig, ReadOnlyWhenTheFileLoads) {
  g_DebugConfig = DebugConfig{};
  EXPECT_FALSE(LoadDebugConfig());
  vt::test::WriteFile("_Debug.ini", "[Debug]\r\nSSFormat=PNG  // comment\r\nFrameSkip=30.5\r\n");
  EXPECT_TRUE(LoadDebugConfig());
  EXPECT_EQ(g_DebugConfig.SSFormat, "PNG");
  EXPECT_FLOAT_EQ(g_DebugConfig.FrameSkip, 30.5f);
}

}  // namespace
