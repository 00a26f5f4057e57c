// Disk files by game path: open modes (truncate or keep), seeks, the CR LF line writer and the
// safe whole-file save.
#include "app/lib_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/lib_debug.h"
#include "support/test_util.h"

namespace {

TEST(CFileTest, OpenModesKeepOrTruncate) {
  vt::test::WriteFile("Dir/File.bin", "0123456789");
  lib::CFile f;
  ASSERT_TRUE(f.OpenReadWrite(".\\dir\\file.bin", false));  // any letter case, "\" separators
  EXPECT_EQ(f.GetSize(), 10u);
  EXPECT_EQ(f.Seek(-3, 2), 7u);
  char buf[8] = {};
  EXPECT_EQ(f.Read(buf, 8), 3u);
  EXPECT_EQ(std::string(buf, 3), "789");
  EXPECT_EQ(f.Seek(2, 0), 2u);
  EXPECT_EQ(f.Write("ab", 2), 2u);
  EXPECT_EQ(f.Tell(), 4u);
  f.Close();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_EQ(vt::test::ReadFile("Dir/File.bin"), "01ab456789");
  ASSERT_TRUE(f.OpenWrite(".\\dir\\file.bin", true));
  EXPECT_EQ(f.GetSize(), 0u);
  EXPECT_EQ(f.Read(buf, 1), 0u);  // write access only
  f.Close();
  EXPECT_FALSE(f.OpenRead("missing.bin"));
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(f.OpenRead("Dir"));  // a folder is not a file
  EXPECT_EQ(f.Read(buf, 1), 0u);
}

TEST(CFileTest, TimesAreCalendarDates) {
  vt::test::WriteFile("t.txt", "x");
  lib::CFile f;
  ASSERT_TRUE(f.Open("t.txt"));
  lib::FileTime created, written;
  ASSERT_TRUE(f.GetTimes(&created, nullptr, &written));
  EXPECT_GE(written.year, 2020);
  EXPECT_GE(written.month, 1);
  EXPECT_LE(written.month, 12);
  EXPECT_GE(created.year, 2020);
}

TEST(FilePrintfTest, WritesLineFeedsAsCrLf) {
  lib::CFile f;
  ASSERT_TRUE(f.OpenWrite("out.txt", true));
  lib::FilePrintf(f, "a=%d\nb=%s\n", 5, "x");
  lib::FilePrintf(f, "%s", std::string(5000, 'z').c_str());  // cut at 4095 characters
  f.Close();
  std::string text = vt::test::ReadFile("out.txt");
  EXPECT_EQ(text.substr(0, 10), "a=5\r\nb=x\r\n");
  EXPECT_EQ(text.size(), 10u + 4095u);
}

TEST(SaveFileAtomicTest, ReplacesWholeOrNotAtAll) {
  const std::string bytes = "new contents";
  ASSERT_TRUE(lib::SaveFileAtomic(
      ".\\Saves\\x.dat",
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())));
  EXPECT_EQ(vt::test::ReadFile("Saves/x.dat"), bytes);
  EXPECT_FALSE(std::filesystem::exists("Saves/x.dat.tmp"));
  std::filesystem::create_directories("Saves/x.dat.tmp");
  vt::SetDebugQuiet(true);
  EXPECT_FALSE(lib::SaveFileAtomic(".\\Saves\\x.dat", std::span<const uint8_t>()));
  vt::SetDebugQuiet(false);
  EXPECT_EQ(vt::test::ReadFile("Saves/x.dat"), bytes);
}

}  // namespace
