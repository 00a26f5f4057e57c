// Pack archives: round trips through the writer, mount-order precedence, lookups in any letter
// case and either separator, damaged directories refused and member reads clamped.
#include "FilePacFunc/FilePac.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "Dxtools/D3D_Tools/d3d_files.h"
#include "Dxtools/DirectSoundApp/sound_file_data.h"
#include "FilePacFunc/FilePacWriter.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "support/test_util.h"

namespace {

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Pattern(size_t n, uint32_t seed) {
  std::vector<uint8_t> v(n);
  uint32_t x = seed;
  for (auto& b : v) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return v;
}

void PutI32(std::vector<uint8_t>& img, size_t at, int32_t v) { std::memcpy(img.data() + at, &v, 4); }
int32_t GetI32(const std::vector<uint8_t>& img, size_t at) {
  int32_t v;
  std::memcpy(&v, img.data() + at, 4);
  return v;
}

class PackTest : public testing::Test {
 protected:
  void SetUp() override {
    GetPackList().Clear();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    GetPackList().Clear();
    vt::SetDebugQuiet(false);
  }
  static std::string Load(std::string_view path) {
    DataBuffer b = LoadDataFile(path);
    return b ? std::string(b.text()) : std::string("<none>");
  }
};

struct OptionsCase {
  const char* name;
  PackWriterOptions options;
};

class PackRoundTripTest : public PackTest, public testing::WithParamInterface<OptionsCase> {};

TEST_P(PackRoundTripTest, EveryMemberReadsBack) {
  std::vector<PackWriterMember> members = {
      {".\\data\\alpha.txt", Bytes("alpha contents")},
      {".\\data\\beta.bin", Pattern(70000, 3)},
      {".\\grp\\system\\x.png", Pattern(1000, 4)},
      {".\\data\\empty.txt", {}},
      {"bare.txt", Bytes("no folder")},
      {".\\\x95\x5C\\\x83\x5C.txt", Bytes("sjis")},
  };
  ASSERT_TRUE(WritePackFile("pack.p", members, GetParam().options));
  CFilePac_File pack;
  ASSERT_TRUE(pack.Load("pack.p"));
  EXPECT_EQ(pack.Folders().size(), 4u);
  EXPECT_EQ(pack.Files().size(), members.size());
  ASSERT_EQ(MountPack("pack.p"), 1);
  for (const auto& m : members) {
    DataBuffer b = LoadDataFile(m.path);
    ASSERT_TRUE(b) << m.path;
    ASSERT_EQ(std::vector<uint8_t>(b.data(), b.data() + b.size()), m.data) << m.path;
    EXPECT_EQ(b.data()[b.size()], 0);
    EXPECT_EQ(b.data()[b.size() + 1], 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Options, PackRoundTripTest,
                         testing::Values(OptionsCase{"plain", {}},
                                         OptionsCase{"names", {0x5E0A1B2C, false, 1, 0}},
                                         OptionsCase{"content", {0x12345678, true, 7, 100}},
                                         OptionsCase{"step_zero", {-5, true, 0, 65536}}),
                         [](const testing::TestParamInfo<OptionsCase>& info) { return info.param.name; });

TEST_F(PackTest, ScrambledPackHidesNamesAndPrefixes) {
  std::vector<PackWriterMember> members = {{".\\data\\SECRETNAME.txt", Bytes("PLAINTEXTPLAINTEXT")}};
  std::vector<uint8_t> img = BuildPack(members, {0x1234, true, 3, 8});
  std::string s(img.begin(), img.end());
  EXPECT_EQ(s.find("SECRETNAME"), std::string::npos);
  // Only the first 8 bytes of the member are scrambled.
  EXPECT_EQ(s.find("PLAINTEXTPLAINTEXT"), std::string::npos);
  EXPECT_NE(s.find("TPLAINTEXT"), std::string::npos);
}

TEST_F(PackTest, FirstMountedPackWinsAndDiskComesLast) {
  ASSERT_TRUE(
      WritePackFile("0008.p", std::vector<PackWriterMember>{{".\\data\\a.txt", Bytes("from 0008")}}, {}));
  ASSERT_TRUE(WritePackFile("0003.p",
                            std::vector<PackWriterMember>{{".\\data\\a.txt", Bytes("from 0003")},
                                                          {".\\data\\b.txt", Bytes("b from 0003")}},
                            {77, true, 1, 4}));
  vt::test::WriteFile("data/a.txt", "from disk");
  vt::test::WriteFile("data/c.txt", "c from disk");
  vt::test::WriteFile("PackDataVersion/pack_0008_version.txt", "3\r\n");
  EXPECT_TRUE(MountPackFiles());
  EXPECT_EQ(GetPackList().Count(), 2u);
  EXPECT_EQ(Load(".\\data\\a.txt"), "from 0008");
  EXPECT_EQ(Load(".\\data\\b.txt"), "b from 0003");
  EXPECT_EQ(Load(".\\data\\c.txt"), "c from disk");
  CFileLoader disk;
  ASSERT_TRUE(disk.Open(".\\data\\a.txt", true));
  EXPECT_EQ(disk.GetMode(), CFileLoader::kModeDisk);
}

struct LookupCase {
  std::string path;
  bool found;
};

class PackLookupTest : public PackTest, public testing::WithParamInterface<LookupCase> {};

TEST_P(PackLookupTest, Finds) {
  std::vector<PackWriterMember> members = {{".\\Data\\Stage\\Bg01.TXT", Bytes("x")},
                                           {"Root.txt", Bytes("r")}};
  ASSERT_TRUE(WritePackFile("p.p", members, {99, false, 1, 0}));
  ASSERT_EQ(MountPack("p.p"), 1);
  EXPECT_EQ(GetPackList().Exists(GetParam().path), GetParam().found) << GetParam().path;
  EXPECT_EQ(GetPackList().Open(GetParam().path) != nullptr, GetParam().found);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, PackLookupTest,
    testing::Values(LookupCase{".\\data\\stage\\bg01.txt", true},
                    LookupCase{".\\DATA\\STAGE\\BG01.TXT", true}, LookupCase{"./data/stage/bg01.txt", true},
                    LookupCase{".\\data/stage\\Bg01.txt", true},
                    LookupCase{"data\\stage\\bg01.txt", false},  // folder names are exact
                    LookupCase{".\\data\\bg01.txt", false}, LookupCase{".\\data\\stage\\bg02.txt", false},
                    LookupCase{"root.txt", true},  // folder "" for a bare name
                    LookupCase{".\\root.txt", false}));

TEST_F(PackTest, NameInAnotherFolderIsNotReturned) {
  // Two folders, each with a file; the second folder's file is not found through the first.
  std::vector<PackWriterMember> members = {{".\\a\\one.txt", Bytes("1")}, {".\\b\\two.txt", Bytes("2")}};
  ASSERT_TRUE(WritePackFile("p.p", members, {}));
  CFilePac_File pack;
  ASSERT_TRUE(pack.Load("p.p"));
  int a = pack.FindFolder(".\\A");
  int b = pack.FindFolder(".\\b");
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_EQ(pack.FindFileInFolder(a, "two.txt"), nullptr);
  EXPECT_NE(pack.FindFileInFolder(b, "two.txt"), nullptr);
  EXPECT_EQ(pack.FindFileInFolder(7, "two.txt"), nullptr);
  EXPECT_EQ(pack.FindFileInFolder(-1, "two.txt"), nullptr);
}

TEST_F(PackTest, EmptyFolderDoesNotSeeTheNextFoldersFiles) {
  // An empty folder's first-file index is the next folder's first file.
  std::vector<PackWriterMember> members = {{".\\full\\x.txt", Bytes("x")}};
  std::vector<uint8_t> img = BuildPack(members, {});
  // Insert a second, empty folder record before the files: first file 0.
  std::vector<uint8_t> folder(kPackFolderRecordSize, 0);
  std::memcpy(folder.data() + 12, ".\\EMPTY", 7);
  img.insert(img.begin() + sizeof(PackHeader), folder.begin(), folder.end());
  PutI32(img, 32, 2);
  PutI32(img, 24, GetI32(img, 24) + static_cast<int32_t>(kPackFolderRecordSize));
  // The file now belongs to folder 1.
  PutI32(img, sizeof(PackHeader) + 2 * kPackFolderRecordSize + 4, 1);
  vt::test::WriteFile("p.p", std::string(img.begin(), img.end()));
  CFilePac_File pack;
  ASSERT_TRUE(pack.Load("p.p"));
  EXPECT_EQ(pack.FindMember(".\\empty\\x.txt"), nullptr);
  EXPECT_NE(pack.FindMember(".\\full\\x.txt"), nullptr);
}

TEST_F(PackTest, HashIsTheWeightedByteSum) {
  EXPECT_EQ(PackNameHash(""), 0);
  EXPECT_EQ(PackNameHash("A"), 0);
  EXPECT_EQ(PackNameHash("AB"), 66);
  EXPECT_EQ(PackNameHash("ABC"), 66 + 2 * 67);
  EXPECT_EQ(PackNameHash("\x01\x82"), -126);  // bytes are signed
}

// ---- Damaged packs ----

struct DamageCase {
  const char* name;
  void (*damage)(std::vector<uint8_t>&);
};

std::vector<uint8_t> GoodImage() {
  std::vector<PackWriterMember> members = {
      {".\\data\\a.txt", Bytes("aaaa")}, {".\\data\\b.txt", Bytes("bbbbbb")}, {".\\grp\\c.txt", Bytes("c")}};
  return BuildPack(members, {});
}
// Writes "0008.p", the good pack changed by the case, and a loose "data/a.txt" beside it.
void WriteChangedPack(const DamageCase& c) {
  std::vector<uint8_t> img = GoodImage();
  c.damage(img);
  vt::test::WriteFile("0008.p", std::string(img.begin(), img.end()));
  vt::test::WriteFile("data/a.txt", "disk a");
}
constexpr size_t kFolder0 = sizeof(PackHeader);
constexpr size_t kFile0 = sizeof(PackHeader) + 2 * kPackFolderRecordSize;

class PackDamageTest : public PackTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(PackDamageTest, RefusedLikeAMissingPack) {
  WriteChangedPack(GetParam());
  CFilePac_File pack;
  EXPECT_FALSE(pack.Load("0008.p"));
  EXPECT_FALSE(pack.IsMounted());
  EXPECT_EQ(MountPack("0008.p"), 0);
  EXPECT_EQ(GetPackList().Count(), 0u);
  EXPECT_EQ(Load(".\\data\\a.txt"), "disk a");
}

INSTANTIATE_TEST_SUITE_P(
    Damage, PackDamageTest,
    testing::Values(
        DamageCase{"truncated_header", [](std::vector<uint8_t>& img) { img.resize(51); }},
        DamageCase{"truncated_directory", [](std::vector<uint8_t>& img) { img.resize(kFile0 + 10); }},
        DamageCase{"negative_folders", [](std::vector<uint8_t>& img) { PutI32(img, 32, -1); }},
        DamageCase{"huge_files", [](std::vector<uint8_t>& img) { PutI32(img, 36, 0x7FFFFFFF); }},
        DamageCase{"data_offset_small", [](std::vector<uint8_t>& img) { PutI32(img, 24, 60); }},
        DamageCase{"data_offset_past_end", [](std::vector<uint8_t>& img) { PutI32(img, 24, 0x7FFFFFF0); }},
        DamageCase{"member_past_end", [](std::vector<uint8_t>& img) { PutI32(img, kFile0 + 8, 1000); }},
        DamageCase{"member_offset_negative", [](std::vector<uint8_t>& img) { PutI32(img, kFile0, -4); }},
        DamageCase{"member_offset_wraps",
                   [](std::vector<uint8_t>& img) {
                     PutI32(img, kFile0, 0x7FFFFFFF);
                     PutI32(img, kFile0 + 8, 0x7FFFFFFF);
                   }},
        DamageCase{"file_folder_out_of_range", [](std::vector<uint8_t>& img) { PutI32(img, kFile0 + 4, 2); }},
        DamageCase{"folder_first_file_out_of_range",
                   [](std::vector<uint8_t>& img) { PutI32(img, kFolder0 + 4, 9); }},
        DamageCase{"files_not_consecutive",
                   [](std::vector<uint8_t>& img) { PutI32(img, kFile0 + 4 + 44, 1); }},
        DamageCase{"negative_prefix", [](std::vector<uint8_t>& img) { PutI32(img, 48, -1); }}),
    [](const testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

// Header words the reader does not check: the pack still mounts and serves its members.
class PackUncheckedHeaderTest : public PackTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(PackUncheckedHeaderTest, MountsAndServesItsMembers) {
  WriteChangedPack(GetParam());
  ASSERT_EQ(MountPack("0008.p"), 1);
  EXPECT_EQ(GetPackList().Count(), 1u);
  EXPECT_EQ(Load(".\\data\\a.txt"), "aaaa");
  EXPECT_EQ(Load(".\\grp\\c.txt"), "c");
}

INSTANTIATE_TEST_SUITE_P(
    Unchecked, PackUncheckedHeaderTest,
    testing::Values(DamageCase{"other_signature", [](std::vector<uint8_t>& img) { img[0] = 'X'; }},
                    DamageCase{"zero_signature",
                               [](std::vector<uint8_t>& img) { std::fill_n(img.begin(), 16, uint8_t{0}); }},
                    DamageCase{"other_version", [](std::vector<uint8_t>& img) { PutI32(img, 16, 7); }}),
    [](const testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST_F(PackTest, NameWithoutItsZeroIsCutInsideTheField) {
  std::vector<uint8_t> img = GoodImage();
  // Fill a file name field completely (no zero byte): the reader stops at the field's end.
  std::memset(img.data() + kFile0 + 12, 'Q', kPackFileNameSize);
  vt::test::WriteFile("p.p", std::string(img.begin(), img.end()));
  CFilePac_File pack;
  ASSERT_TRUE(pack.Load("p.p"));
  EXPECT_EQ(pack.Files()[0].name, std::string(kPackFileNameSize - 1, 'Q'));
}

TEST_F(PackTest, ReadsAndSeeksStayInsideTheMember) {
  std::vector<PackWriterMember> members = {{".\\d\\first.bin", Bytes("0123456789")},
                                           {".\\d\\second.bin", Bytes("ABCDEFGHIJ")}};
  ASSERT_TRUE(WritePackFile("p.p", members, {0xABCD, true, 5, 6}));
  ASSERT_EQ(MountPack("p.p"), 1);
  std::unique_ptr<PackMemberReader> r = GetPackList().Open(".\\d\\first.bin");
  ASSERT_TRUE(r);
  char buf[32] = {};
  EXPECT_EQ(r->Read(buf, 4), 4u);
  EXPECT_EQ(std::string(buf, 4), "0123");
  EXPECT_EQ(r->Read(buf, 30), 6u);  // never into the next member
  EXPECT_EQ(std::string(buf, 6), "456789");
  EXPECT_EQ(r->Read(buf, 30), 0u);
  r->Seek(-1000, 1);
  EXPECT_EQ(r->Position(), 0u);
  EXPECT_EQ(r->Read(buf, 0), 10u);  // 0 reads the whole member, unscrambled from its first byte
  EXPECT_EQ(std::string(buf, 10), "0123456789");
  r->Seek(1000, 0);
  EXPECT_EQ(r->Position(), 10u);
  r->Seek(-3, 2);
  EXPECT_EQ(r->Read(buf, 3), 3u);
  EXPECT_EQ(std::string(buf, 3), "789");
  // After a seek into the scrambled prefix the bytes still come out right.
  r->Seek(2, 0);
  EXPECT_EQ(r->Read(buf, 5), 5u);
  EXPECT_EQ(std::string(buf, 5), "23456");
}

TEST_F(PackTest, LoaderTellIsThePositionInsideTheMember) {
  std::vector<PackWriterMember> members = {{".\\d\\pad.bin", Pattern(500, 1)},
                                           {".\\d\\m.bin", Bytes("hello world")}};
  ASSERT_TRUE(WritePackFile("p.p", members, {}));
  ASSERT_EQ(MountPack("p.p"), 1);
  CDataAccess access;
  ASSERT_TRUE(access.Open(".\\d\\m.bin"));
  EXPECT_EQ(access.GetSize(), 11u);
  char buf[8];
  EXPECT_EQ(access.Seek(6, 0), 6u);
  EXPECT_EQ(access.Read(buf, 5), 1u);
  EXPECT_EQ(std::string(buf, 5), "world");
  EXPECT_EQ(access.Tell(), 11u);
}

TEST_F(PackTest, SystemFilesAreReadFromDiskOnly) {
  std::vector<PackWriterMember> members = {{".\\System\\_App.ini", Bytes("from pack")},
                                           {".\\data\\x.txt", Bytes("pack x")}};
  ASSERT_TRUE(WritePackFile("p.p", members, {}));
  ASSERT_EQ(MountPack("p.p"), 1);
  EXPECT_EQ(Load(".\\System\\_App.ini"), "<none>");
  vt::test::WriteFile("System/_App.ini", "from disk");
  EXPECT_EQ(Load(".\\System\\_App.ini"), "from disk");
  EXPECT_EQ(Load(".\\system\\_app.ini"), "from disk");
  EXPECT_EQ(Load(".\\data\\x.txt"), "pack x");
}

TEST_F(PackTest, VersionFileMustReadThree) {
  struct {
    const char* text;
    bool ok;
  } cases[] = {{"3\r\n", true}, {"  3", true}, {"4", false}, {"", false}, {"3x", true}, {"x3", false}};
  for (const auto& c : cases) {
    vt::test::WriteFile("PackDataVersion/pack_0008_version.txt", c.text);
    EXPECT_EQ(CheckPackDataVersion(), c.ok) << c.text;
  }
  std::filesystem::remove("PackDataVersion/pack_0008_version.txt");
  EXPECT_FALSE(CheckPackDataVersion());
}

TEST_F(PackTest, GraphicsAndSoundReadersSeeThePacks) {
  std::vector<PackWriterMember> members = {{".\\Shader\\fx.txt", Bytes("pack shader")},
                                           {".\\se\\hit.ogg", Bytes("pack sound")}};
  ASSERT_TRUE(WritePackFile("p.p", members, {0x31, true, 4, 64}));
  vt::test::WriteFile("Shader/fx.txt", "disk shader");
  vt::test::WriteFile("se/other.ogg", "disk sound");
  ASSERT_EQ(MountPack("p.p"), 1);
  std::vector<uint8_t> out;
  bool fromPack = false;
  ASSERT_TRUE(ReadGfxFile(".\\Shader\\fx.txt", &out, &fromPack));
  EXPECT_TRUE(fromPack);
  EXPECT_EQ(std::string(out.begin(), out.end()), "pack shader");
  auto sound = ReadSoundDataFile(".\\se\\HIT.ogg");
  ASSERT_TRUE(sound);
  EXPECT_EQ(std::string(sound->begin(), sound->end()), "pack sound");
  auto disk = ReadSoundDataFile(".\\se\\other.ogg");
  ASSERT_TRUE(disk);
  EXPECT_EQ(std::string(disk->begin(), disk->end()), "disk sound");
}

}  // namespace
