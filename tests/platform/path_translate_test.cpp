// Game paths on disk: both separators, any letter case, Shift-JIS trail bytes 0x5C kept inside
// names, and paths for files not yet created.
#include "platform/path_translate.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/test_util.h"

namespace {

using vt::platform::ResolveGamePath;
using vt::platform::SplitGamePath;

TEST(PathTranslateTest, SplitsShiftJisAware) {
  EXPECT_EQ(SplitGamePath(".\\data\\x.txt"), (std::vector<std::string>{"data", "x.txt"}));
  EXPECT_EQ(SplitGamePath("./a//b/"), (std::vector<std::string>{"a", "b"}));
  // 表 (95 5C) and ソ (83 5C) end in 0x5C: one component each.
  EXPECT_EQ(SplitGamePath(".\\\x95\x5C\\\x83\x5C.txt"),
            (std::vector<std::string>{"\x95\x5C", "\x83\x5C.txt"}));
  bool absolute = false;
  EXPECT_EQ(SplitGamePath("/tmp/x", &absolute), (std::vector<std::string>{"tmp", "x"}));
  EXPECT_TRUE(absolute);
  EXPECT_EQ(SplitGamePath("a\\..\\b"), (std::vector<std::string>{"a", "..", "b"}));
}

TEST(PathTranslateTest, ResolvesAnyLetterCase) {
  vt::test::WriteFile("Data/Stage/Bg01.TXT", "x");
  EXPECT_EQ(ResolveGamePath(".\\data\\stage\\bg01.txt"), "Data/Stage/Bg01.TXT");
  EXPECT_EQ(ResolveGamePath("DATA/STAGE/BG01.TXT"), "Data/Stage/Bg01.TXT");
  // Missing parts are kept as written, below the folders that exist.
  EXPECT_EQ(ResolveGamePath(".\\data\\New\\file.dat"), "Data/New/file.dat");
  EXPECT_EQ(ResolveGamePath("."), ".");
  EXPECT_EQ(ResolveGamePath(""), ".");
}

TEST(PathTranslateTest, ShiftJisNamesOnDisk) {
  vt::test::WriteFile("\x95\x5C/\x83\x5C.txt", "sjis");
  EXPECT_EQ(vt::test::ReadFile(ResolveGamePath(".\\\x95\x5C\\\x83\x5C.TXT")), "sjis");
}

TEST(PathTranslateTest, CacheNoticesRenames) {
  vt::test::WriteFile("Folder/a.txt", "1");
  EXPECT_EQ(ResolveGamePath("folder\\a.txt"), "Folder/a.txt");
  std::filesystem::rename("Folder", "FOLDER");
  EXPECT_EQ(ResolveGamePath("folder\\a.txt"), "FOLDER/a.txt");
}

TEST(PathTranslateTest, AbsolutePathsStayAbsolute) {
  vt::test::WriteFile("Abs/x.txt", "a");
  std::string abs = std::filesystem::absolute("abs").string() + "/X.TXT";
  EXPECT_EQ(vt::test::ReadFile(ResolveGamePath(abs)), "a");
}

}  // namespace
