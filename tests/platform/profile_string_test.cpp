// The profile-string writer's table: creation, in-place replacement, appended keys and
// sections, every other line kept, CR LF ends.
#include "platform/profile_string.h"

#include <gtest/gtest.h>

#include "support/test_util.h"

namespace {

using vt::platform::SetProfileString;

TEST(ProfileString, Table) {
  struct Case {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  } cases[] = {
      {"creates", "", "System", "ScreenW", " 1280", "[System]\r\nScreenW= 1280\r\n"},
      {"replaces in place", "[System]\r\nA=1\r\nScreenW=5\r\nB=2\r\n", "System", "ScreenW", " 640",
       "[System]\r\nA=1\r\nScreenW= 640\r\nB=2\r\n"},
      {"only the first key line", "[S]\r\nK=1\r\nK=2\r\n", "S", "K", "3", "[S]\r\nK=3\r\nK=2\r\n"},
      {"appends key at the section end", "[S]\r\nA=1\r\n\r\n[T]\r\nB=2\r\n", "S", "K", "9",
       "[S]\r\nA=1\r\nK=9\r\n\r\n[T]\r\nB=2\r\n"},
      {"appends section", "; comment\r\n[T]\r\nB=2", "S", "K", "1",
       "; comment\r\n[T]\r\nB=2\r\n[S]\r\nK=1\r\n"},
      {"keeps comments and other keys", "// top\r\n[S]\r\n// note\r\nX = 1\r\nK=old\r\n", "S", "K", "new",
       "// top\r\n[S]\r\n// note\r\nX = 1\r\nK=new\r\n"},
      {"ignores letter case", "[system]\r\nscreenw=1\r\n", "System", "ScreenW", "2",
       "[system]\r\nScreenW=2\r\n"},
      {"LF-only file gets CR LF", "[S]\nA=1\n", "S", "A", "2", "[S]\r\nA=2\r\n"},
      {"key in a later section only", "[T]\r\nK=1\r\n[S]\r\n", "S", "K", "2", "[T]\r\nK=1\r\n[S]\r\nK=2\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SetProfileString(c.before, c.section, c.key, c.value), c.after) << c.name;
  }
}

TEST(ProfileString, WritesThroughGamePathsAndCreatesFolders) {
  ASSERT_TRUE(vt::platform::WriteProfileString("System", "Bpp", " 32", ".\\System\\_App.ini"));
  ASSERT_TRUE(vt::platform::WriteProfileString("System", "PosX", " 0", ".\\System\\_App.ini"));
  EXPECT_EQ(vt::test::ReadFile("System/_App.ini"), "[System]\r\nBpp= 32\r\nPosX= 0\r\n");
}

TEST(ProfileString, AFailedWriteKeepsTheOldFile) {
  vt::test::WriteFile("cfg.ini", "[S]\r\nA=1\r\n");
  std::filesystem::create_directory("cfg.ini.tmp");  // the temporary file cannot be created
  EXPECT_FALSE(vt::platform::WriteProfileString("S", "A", "2", "cfg.ini"));
  EXPECT_EQ(vt::test::ReadFile("cfg.ini"), "[S]\r\nA=1\r\n");
}

}  // namespace
