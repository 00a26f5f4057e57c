// The file reader and whole-file operations: buffer rules, chunked worker reads, cancelling,
// short reads refused, memory images, and `.EX3` companions (preferred, damaged, size 0).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "FilePacFunc/FilePac.h"
#include "FilePacFunc/FilePacWriter.h"
#include "app/byte_pair.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "support/test_util.h"

namespace {

class FileLoaderTest : public testing::Test {
 protected:
  void SetUp() override {
    GetPackList().Clear();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override { vt::SetDebugQuiet(false); }
};

std::string Text(const DataBuffer& b) { return b ? std::string(b.text()) : std::string("<none>"); }

TEST_F(FileLoaderTest, EmptyFileGivesATerminatedBuffer) {
  vt::test::WriteFile("empty.txt", "");
  DataBuffer b = LoadDataFile("empty.txt");
  ASSERT_TRUE(b);
  EXPECT_EQ(b.size(), 0u);
  EXPECT_EQ(b.data()[0], 0);
  EXPECT_EQ(b.data()[1], 0);
  EXPECT_EQ(GetDataFileSize("empty.txt"), 0u);
  EXPECT_FALSE(LoadDataFile("missing.txt"));
  EXPECT_EQ(GetDataFileSize("missing.txt"), 0u);
}

TEST_F(FileLoaderTest, PathsResolveIgnoringCaseAndSeparators) {
  vt::test::WriteFile("Data/Sub/File.TXT", "x");
  EXPECT_EQ(Text(LoadDataFile(".\\data\\sub\\file.txt")), "x");
  EXPECT_EQ(Text(LoadDataFile("./DATA/SUB/FILE.TXT")), "x");
  EXPECT_EQ(Text(LoadDataFile(".\\Data\\Sub\\")), "<none>");  // a folder is not a file
}

TEST_F(FileLoaderTest, CallerBufferRules) {
  vt::test::WriteFile("f.bin", "0123456789");
  CFileLoader loader;
  ASSERT_TRUE(loader.Open("f.bin"));
  char buf[32] = {};
  EXPECT_EQ(loader.Read(buf, 0, 4), 0);                     // a caller buffer of length 0 fails
  EXPECT_EQ(loader.ReadAndWait(buf, sizeof(buf), 100), 1);  // count beyond the file: the whole file
  EXPECT_EQ(loader.BytesRead(), 10u);
  EXPECT_EQ(std::string(buf, 10), "0123456789");
  loader.Seek(0, 0);
  EXPECT_EQ(loader.ReadAndWait(buf, 3, 0), 1);  // a smaller buffer limits the read
  EXPECT_EQ(loader.BytesRead(), 3u);
  EXPECT_EQ(loader.Seek(0, 1), 3u);
  EXPECT_EQ(loader.Seek(-100, 1), 0u);
  EXPECT_EQ(loader.Seek(100, 0), 10u);
  EXPECT_EQ(loader.ReadAndWait(buf, sizeof(buf), 0), 1);
  EXPECT_EQ(loader.BytesRead(), 0u);
}

TEST_F(FileLoaderTest, ChunkedReadsAssembleTheWholeFile) {
  std::string data;
  for (int i = 0; i < 20000; ++i) data.push_back(static_cast<char>('a' + i % 26));
  vt::test::WriteFile("big.txt", data);
  CFileLoader loader;
  loader.SetChunk(777, 0);
  ASSERT_TRUE(loader.Open("big.txt"));
  ASSERT_EQ(loader.ReadAndWait(nullptr, 0, 0), 1);
  ASSERT_TRUE(loader.ReadComplete());
  DataBuffer b = loader.TakeBuffer();
  EXPECT_EQ(Text(b), data);
  EXPECT_EQ(b.capacity() % 4096, 0u);
}

TEST_F(FileLoaderTest, WaitReportsARunningReadAndCloseCancelsIt) {
  vt::test::WriteFile("slow.bin", std::string(100000, 'z'));
  CFileLoader loader;
  loader.SetChunk(1000, 5);  // 100 chunks with 5 ms pauses: half a second
  ASSERT_TRUE(loader.Open("slow.bin"));
  ASSERT_EQ(loader.Read(nullptr, 0, 0), 1);
  EXPECT_EQ(loader.Wait(0), 0);
  auto start = std::chrono::steady_clock::now();
  loader.Close();  // sets the cancel flag and waits for the current chunk
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_EQ(loader.GetMode(), CFileLoader::kModeClosed);
  EXPECT_EQ(loader.Wait(0), 2);
}

TEST_F(FileLoaderTest, ReadThatEndsEarlyIsNotComplete) {
  vt::test::WriteFile("shrinks.bin", std::string(5000, 'q'));
  CFileLoader loader;
  ASSERT_TRUE(loader.Open("shrinks.bin"));
  EXPECT_EQ(loader.GetSize(), 5000u);  // the size is known before the file shrinks
  std::filesystem::resize_file("shrinks.bin", 1000);
  ASSERT_EQ(loader.ReadAndWait(nullptr, 0, 0), 1);
  EXPECT_FALSE(loader.ReadComplete());
  EXPECT_EQ(loader.BytesRead(), 1000u);

  CDataAccess access;
  vt::test::WriteFile("shrinks.bin", std::string(5000, 'q'));
  ASSERT_TRUE(access.Open("shrinks.bin"));
  EXPECT_EQ(access.GetSize(), 5000u);
  std::filesystem::resize_file("shrinks.bin", 10);
  char buf[100];
  EXPECT_EQ(access.Read(buf, 100), 0u);  // fewer bytes than asked: a failed read
}

TEST_F(FileLoaderTest, MemoryImage) {
  const char bytes[] = "memory image";
  auto loader = OpenMemoryImage(bytes, 12);
  EXPECT_EQ(loader->GetMode(), CFileLoader::kModeMemory);
  EXPECT_EQ(loader->GetSize(), 12u);
  loader->Seek(7, 0);
  char buf[8] = {};
  EXPECT_EQ(loader->ReadAndWait(buf, sizeof(buf), 0), 1);
  EXPECT_EQ(std::string(buf, loader->BytesRead()), "image");
  auto none = OpenMemoryImage(nullptr, 5);
  EXPECT_EQ(none->Read(buf, sizeof(buf), 0), 0);
  CFileLoader closed;
  EXPECT_EQ(closed.Read(buf, sizeof(buf), 0), 0);
  EXPECT_EQ(closed.GetSize(), 0u);
}

// ---- .EX3 companions ----

struct Ex3NameCase {
  std::string path;
  std::string expected;
};

class ChangeExtensionTest : public testing::TestWithParam<Ex3NameCase> {};

TEST_P(ChangeExtensionTest, OnlyTheLastComponentsDotCounts) {
  EXPECT_EQ(ChangeExtensionToEx3(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ChangeExtensionTest,
                         testing::Values(Ex3NameCase{".\\data\\foo.txt", ".\\data\\foo.EX3"},
                                         Ex3NameCase{".\\data\\foo", ".\\data\\foo.EX3"},
                                         Ex3NameCase{".\\data.v2\\foo", ".\\data.v2\\foo.EX3"},
                                         Ex3NameCase{"foo.tar.gz", "foo.tar.EX3"},
                                         Ex3NameCase{"foo", "foo.EX3"}, Ex3NameCase{"./a.b/c", "./a.b/c.EX3"},
                                         Ex3NameCase{".\\\x95\x5C.x\\y", ".\\\x95\x5C.x\\y.EX3"}));

void WriteEx3(const std::string& path, const std::string& text) {
  std::vector<uint8_t> img = ex3::EncodeBytePairs(std::vector<uint8_t>(text.begin(), text.end()));
  vt::test::WriteFile(path, std::string(img.begin(), img.end()));
}

TEST_F(FileLoaderTest, CompanionIsPreferredAndTerminated) {
  vt::test::WriteFile("data/t.txt", "plain");
  WriteEx3("data/t.EX3", "expanded text expanded text expanded text");
  DataBuffer b = LoadDataFileEx3(".\\data\\t.txt");
  ASSERT_TRUE(b);
  EXPECT_EQ(Text(b), "expanded text expanded text expanded text");
  EXPECT_EQ(b.data()[b.size()], 0);
}

TEST_F(FileLoaderTest, CompanionOfANameWithoutExtension) {
  WriteEx3("data/noext.EX3", "from companion");
  EXPECT_EQ(Text(LoadDataFileEx3(".\\data\\noext")), "from companion");
  vt::test::WriteFile("data/other", "plain only");
  EXPECT_EQ(Text(LoadDataFileEx3(".\\data\\other")), "plain only");
  EXPECT_EQ(Text(LoadDataFileEx3(".\\data\\missing")), "<none>");
  EXPECT_EQ(Text(LoadDataFileEx3("")), "<none>");
}

TEST_F(FileLoaderTest, EmptyCompanionHidesThePlainFile) {
  // Kept as the game does it: a companion of size 0 yields nothing even with the plain file there.
  vt::test::WriteFile("data/t.txt", "plain");
  vt::test::WriteFile("data/t.EX3", "");
  EXPECT_EQ(Text(LoadDataFileEx3(".\\data\\t.txt")), "<none>");
}

TEST_F(FileLoaderTest, DamagedCompanionCountsAsMissing) {
  vt::test::WriteFile("data/t.txt", "plain");
  struct {
    const char* name;
    std::string image;
  } cases[] = {
      {"short", std::string(40, '\0')},
      {"huge",
       [] {
         std::string s(72, '\0');
         s[68] = s[69] = s[70] = s[71] = '\xFF';
         return s +
                "\xFF\x80\xFE\x00\x01"
                "a";
       }()},
      {"cycle",
       [] {
         std::string s(72, '\0');
         s[68] = 100;
         return s + std::string(
                        "\xFF\x81"
                        "a"
                        "\x00\x80"
                        "b"
                        "\xFD\x00\x01\x80",
                        10);
       }()},
  };
  for (const auto& c : cases) {
    vt::test::WriteFile("data/t.EX3", c.image);
    EXPECT_EQ(Text(LoadDataFileEx3(".\\data\\t.txt")), "plain") << c.name;
  }
}

TEST_F(FileLoaderTest, CompanionInsideAPackIsPreferred) {
  std::string text = "packed text packed text packed text";
  std::vector<uint8_t> image = ex3::EncodeBytePairs(std::vector<uint8_t>(text.begin(), text.end()));
  std::vector<PackWriterMember> members = {{".\\story\\s1.txt", {'p', 'l', 'a', 'i', 'n'}},
                                           {".\\story\\s1.EX3", image}};
  ASSERT_TRUE(WritePackFile("p.p", members, {0x99, true, 2, 40}));
  ASSERT_EQ(MountPack("p.p"), 1);
  vt::test::WriteFile("story/s1.txt", "disk plain");
  EXPECT_EQ(Text(LoadDataFileEx3(".\\story\\s1.txt")), text);
  EXPECT_EQ(Text(LoadDataFile(".\\story\\s1.txt")), "plain");
  GetPackList().Clear();
}

}  // namespace
