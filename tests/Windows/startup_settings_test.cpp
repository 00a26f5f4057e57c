// Start-up settings pages and the system report.
#include <SDL.h>
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "Windows/StartUpDialog.h"
#include "Windows/SystemReport.h"
#include "platform/gfx/gfx_types.h"
#include "support/test_util.h"

namespace {

class StartUpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetStartUpDialogHooks();
    savedProbes_ = GetSystemReportProbes();
    // No machine probes in unit tests: every one fails unless a test says otherwise.
    GetSystemReportProbes() = SystemReportProbes{};
  }
  void TearDown() override {
    GetStartUpDialogHooks() = saved_;
    GetSystemReportProbes() = savedProbes_;
  }
  StartUpDialogHooks saved_;
  SystemReportProbes savedProbes_;
};

// Neither 16 nor 32 bits per pixel forces full screen; Bpp and AspectRatio are always reset.
TEST_F(StartUpTest, DesktopDepthRule) {
  struct Case {
    int bits;
    int windowedAfter;
  } cases[] = {{32, 1}, {16, 1}, {24, 0}, {8, 0}, {0, 0}};
  for (const Case& c : cases) {
    GetStartUpDialogHooks().desktopBitsPerPixel = [&] { return c.bits; };
    int windowed = 1, bpp = 16, aspect = 1;
    EXPECT_EQ(RunStartUpDialogPages({&windowed, &bpp, &aspect}), 1);
    EXPECT_EQ(windowed, c.windowedAfter) << c.bits;
    EXPECT_EQ(bpp, 32);
    EXPECT_EQ(aspect, 0);
  }
}

TEST_F(StartUpTest, UserNameAndCommentCutToTheirFields) {
  std::string name, comment;
  auto& hooks = GetStartUpDialogHooks();
  hooks.desktopBitsPerPixel = [] { return 32; };
  struct Case {
    std::string nameIn, commentIn, nameOut, commentOut;
  } cases[] = {
      {"ABCDEFGHIJKLMNOPQRST", std::string(40, 'c'), "ABCDEFGHIJKLMNOP", std::string(32, 'c')},
      {"short", "", "short", ""},
      // A double-byte character straddling byte 16 is left out whole.
      {std::string(15, 'a') + "\x82\xa0", "", std::string(15, 'a'), ""},
      {std::string(14, 'a') + "\x82\xa0" + "z", "", std::string(14, 'a') + "\x82\xa0", ""},
  };
  for (const Case& c : cases) {
    hooks.getNetUserName = [&] { return c.nameIn; };
    hooks.getNetComment = [&] { return c.commentIn; };
    hooks.setNetUserName = [&](std::string_view s) { name = s; };
    hooks.setNetComment = [&](std::string_view s) { comment = s; };
    int windowed = 1, bpp = 32, aspect = 0;
    RunStartUpDialogPages({&windowed, &bpp, &aspect});
    EXPECT_EQ(name, c.nameOut);
    EXPECT_EQ(comment, c.commentOut);
  }
}

// With every probe failing the report is still written whole, every format row "-".
TEST_F(StartUpTest, ReportWrittenWhenEveryProbeFails) {
  ASSERT_TRUE(WriteSystemReport());
  const std::string text = vt::test::ReadFile("System/_Sysinfo.txt");
  EXPECT_EQ(text.rfind("[ OS ]\r\n\r\n[ CPU ]\r\n\r\n[ MEMORY ]\r\n\r\n[ DISPLAY ]\r\n\r\n\r\n[ "
                       "DisplayAdapter ]\r\n\r\n RAM\r\n"
                       "DriverVersion : \r\n\r\n[ DirectX ]\r\n\r\n[ SystemManufacturer ]\r\n\r\n\r\n\r\n"
                       "[ DirectX Info ]\r\nVertexShader 0.0\r\nPixelShader 0.0\r\nMaxTextureSize : 0x0\r\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("[ TextureFormat  (F)ull,(T)exture,(D)epth,(R)ender ]\r\nD3DFMT_R8G8B8 (----)\r\n"
                      "D3DFMT_A8R8G8B8 (----)\r\n"),
            std::string::npos);
  EXPECT_TRUE(text.ends_with("D3DFMT_A32B32G32R32F (----)\r\n\r\n"));
  size_t rows = 0;
  for (size_t p = text.find("D3DFMT_"); p != std::string::npos; p = text.find("D3DFMT_", p + 1)) ++rows;
  EXPECT_EQ(rows, 55u);
}

TEST_F(StartUpTest, ReportValuesFromTheMachine) {
  std::map<std::string, std::string> files = {
      {"/etc/os-release", "NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"},
      {"/proc/sys/kernel/ostype", "Linux\n"},
      {"/proc/sys/kernel/osrelease", "6.1.0-18-amd64\n"},
      {"/proc/cpuinfo",
       "processor\t: 0\nmodel name\t: Test CPU @ 3.00GHz\n\nprocessor\t: 1\nmodel name\t: Test CPU @ "
       "3.00GHz\n"},
      {"/proc/meminfo", "MemTotal:       16318012 kB\nMemFree: 1 kB\n"},
      {"/sys/class/dmi/id/sys_vendor", "Maker Inc.\n"},
  };
  SystemReportProbes& p = GetSystemReportProbes();
  p.readFile = [&](const char* path) -> std::optional<std::string> {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
  p.displayMode = [] { return std::string("1920 x 1080 (32 bit) (60Hz)"); };
  p.adapter = [](std::string* a, std::string* d, int* max) {
    *a = "llvmpipe";
    *d = "4.5 (Core Profile) Mesa";
    *max = 8192;
    return true;
  };
  p.formatCheck = [](uint32_t format, char kind) {
    return format == vt::gfx::FMT_A8R8G8B8 ? kind != 'D' : format == vt::gfx::FMT_D24S8 && kind == 'D';
  };
  ASSERT_TRUE(WriteSystemReport());
  const std::string text = vt::test::ReadFile("System/_Sysinfo.txt");
  for (const char* expected :
       {"[ OS ]\r\nDebian GNU/Linux 12 (bookworm) (Linux 6.1.0-18-amd64)\r\n",
        "[ CPU ]\r\nTest CPU @ 3.00GHz (2 CPUs)\r\n", "[ MEMORY ]\r\n15935MB RAM\r\n",
        "[ DISPLAY ]\r\n1920 x 1080 (32 bit) (60Hz)\r\n\r\n",
        "[ DisplayAdapter ]\r\nllvmpipe\r\n RAM\r\nDriverVersion : 4.5 (Core Profile) Mesa\r\n",
        "[ SystemManufacturer ]\r\nMaker Inc.\r\n\r\n\r\n",
        "VertexShader 3.0\r\nPixelShader 3.0\r\nMaxTextureSize : 8192x8192\r\n", "D3DFMT_A8R8G8B8 (FT-R)\r\n",
        "D3DFMT_D24S8 (--D-)\r\n", "D3DFMT_R8G8B8 (----)\r\n"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  }
}

TEST_F(StartUpTest, ReportNotWrittenWhenTheFileCannotBeCreated) {
  vt::test::WriteFile("System", "a file where the folder should be");
  EXPECT_FALSE(WriteSystemReport());
}

}  // namespace
