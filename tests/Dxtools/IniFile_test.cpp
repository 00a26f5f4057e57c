// The ini reader: key and value forms, comments, case, line ends (CR LF, CR, lone LF), sections
// found by index and by text search, enumeration, and the buffer-capacity rule of GetString.
#include "Dxtools/IniFile.h"

#include <gtest/gtest.h>

#include <cstring>

#include "FilePacFunc/FilePac.h"
#include "FilePacFunc/FilePacWriter.h"
#include "support/test_util.h"

namespace {

std::string Value(IniFile& ini, const char* section, const char* key) {
  const char* v = ini.FindKey(section, key);
  return v ? std::string(v, IniValueLength(v)) : std::string("<none>");
}

struct LookupCase {
  const char* name;
  std::string text;
  std::string section;
  std::string key;
  std::string expected;
};

class IniLookupTest : public testing::TestWithParam<LookupCase> {};

TEST_P(IniLookupTest, Finds) {
  IniFile ini;
  ini.LoadFromText(GetParam().text);
  EXPECT_EQ(Value(ini, GetParam().section.c_str(), GetParam().key.c_str()), GetParam().expected);
}

const std::string kLong32(32, 'S');

INSTANTIATE_TEST_SUITE_P(
    Cases, IniLookupTest,
    testing::Values(
        LookupCase{"blank_after_equals", "[S]\r\nKey= 5\r\n", "S", "Key", "5"},
        LookupCase{"tabs_around_equals", "[S]\r\nKey\t=\t5\r\n", "S", "Key", "5"},
        LookupCase{"spaces_before_equals", "[S]\r\nKey  =7\r\n", "S", "Key", "7"},
        LookupCase{"case_matters", "[S]\r\nKey=5\r\n", "S", "key", "<none>"},
        LookupCase{"section_case_matters", "[S]\r\nKey=5\r\n", "s", "Key", "<none>"},
        LookupCase{"comment_in_value", "[S]\r\nKey=value  // note\r\n", "S", "Key", "value"},
        LookupCase{"inner_spaces_kept", "[S]\r\nKey=a b c \t\r\n", "S", "Key", "a b c"},
        LookupCase{"comment_lines_skipped", "[S]\r\n// Key=1\r\n  // x\r\nKey=2\r\n", "S", "Key", "2"},
        LookupCase{"key_without_equals", "[S]\r\nKey\r\nKey=3\r\n", "S", "Key", "<none>"},
        LookupCase{"empty_value", "[S]\r\nKey=\r\n", "S", "Key", ""},
        LookupCase{"stops_at_next_section", "[S]\r\nA=1\r\n[T]\r\nKey=2\r\n", "S", "Key", "<none>"},
        LookupCase{"second_section", "[S]\r\nKey=1\r\n[T]\r\nKey=2\r\n", "T", "Key", "2"},
        LookupCase{"no_final_line_end", "[S]\r\nKey=last", "S", "Key", "last"},
        LookupCase{"lone_cr", "[S]\rKey=9\r", "S", "Key", "9"},
        LookupCase{"lone_lf", "[S]\nA=1\nKey=8\n", "S", "Key", "8"},
        LookupCase{"blank_lines_lf", "\n\n[S]\n\n\nKey=6\n", "S", "Key", "6"},
        LookupCase{"mixed_line_ends", "[S]\r\nA=1\nKey=4\r", "S", "Key", "4"},
        LookupCase{"value_stops_at_lf", "[S]\nKey=v\nNext=w\n", "S", "Key", "v"},
        LookupCase{"section_32_chars", "[" + kLong32 + "]\r\nKey=long\r\n", kLong32, "Key", "long"},
        LookupCase{"section_after_long_one", "[" + kLong32 + "]\r\nKey=long\r\n[B]\r\nKey=b\r\n", "B", "Key",
                   "b"},
        LookupCase{"sjis_value", "[S]\r\nKey=\x95\x5C\x83\x5C\r\n", "S", "Key", "\x95\x5C\x83\x5C"},
        LookupCase{"key_64_chars", "[S]\r\n" + std::string(70, 'k') + "=x\r\n", "S", std::string(64, 'k'),
                   "x"}),
    [](const testing::TestParamInfo<LookupCase>& info) { return info.param.name; });

TEST(IniFileTest, GetIntDefaults) {
  IniFile ini;
  ini.LoadFromText("[S]\r\nEmpty=\r\nNoEq\r\n=5\r\nNum= -12 // c\r\nNext=1\r\n");
  std::string key;
  ASSERT_TRUE(ini.SelectSection("S"));
  ASSERT_EQ(ini.NextKey(key), 1);
  EXPECT_EQ(key, "Empty");
  EXPECT_EQ(ini.GetInt(77), 0);  // atoi of an empty text, not the default
  ASSERT_EQ(ini.NextKey(key), 1);
  EXPECT_EQ(key, "Empty");  // no TAB or "=": nothing copied
  EXPECT_EQ(ini.GetInt(77), 77);
  ASSERT_EQ(ini.NextKey(key), 1);
  EXPECT_EQ(ini.GetInt(77), 77);  // "=" as the first character
  ASSERT_EQ(ini.NextKey(key), 1);
  EXPECT_EQ(key, "Num");
  EXPECT_EQ(ini.GetInt(77), -12);
  ASSERT_EQ(ini.NextKey(key), 1);
  ASSERT_EQ(ini.NextKey(key), 0);
}

TEST(IniFileTest, GetIntNeverReadsTheNextLine) {
  IniFile ini;
  ini.LoadFromText("[S]\r\nKey=\r\n42\r\n");
  std::string key;
  ini.SelectSection("S");
  ini.NextKey(key);
  EXPECT_EQ(ini.GetInt(5), 0);
}

TEST(IniFileTest, GetStringRespectsTheCapacity) {
  IniFile ini;
  ini.LoadFromText("[S]\r\nKey=abcdef\r\nNoEq\r\n");
  std::string key;
  ini.SelectSection("S");
  ini.NextKey(key);
  char buf[8];
  std::memset(buf, 'Z', sizeof(buf));
  EXPECT_EQ(ini.GetString(buf, 4), 3);  // capacity 4: three characters and the zero
  EXPECT_STREQ(buf, "abc");
  EXPECT_EQ(buf[4], 'Z');
  EXPECT_EQ(ini.GetString(buf, 7), 6);
  EXPECT_STREQ(buf, "abcdef");
  EXPECT_EQ(ini.GetString(buf, 0), 0);
  ini.NextKey(key);
  std::memset(buf, 'Z', sizeof(buf));
  EXPECT_EQ(ini.GetString(buf, 8), 0);  // no "=": buffer untouched
  EXPECT_EQ(buf[0], 'Z');
}

TEST(IniFileTest, EnumeratesASection) {
  IniFile ini;
  ini.LoadFromText("[A]\r\nx=1\r\n\r\n// c\r\ny\t=2\r\n[B]\r\nz=3\r\n");
  std::string key;
  std::vector<std::string> keys;
  ASSERT_TRUE(ini.SelectSection("A"));
  while (ini.NextKey(key)) keys.push_back(key + ":" + std::to_string(ini.GetInt(-1)));
  EXPECT_EQ(keys, (std::vector<std::string>{"x:1", "y:2"}));
  EXPECT_EQ(ini.LineCounter(), 3);
}

TEST(IniFileTest, RepeatedSelectionUsesTheCache) {
  IniFile ini;
  ini.LoadFromText("[A]\r\nx=1\r\n[B]\r\ny=2\r\n");
  ini.SelectSection("B");
  EXPECT_EQ(ini.SectionCacheHits(), 0);
  EXPECT_EQ(Value(ini, "B", "y"), "2");
  EXPECT_EQ(ini.SectionCacheHits(), 1);
  EXPECT_EQ(ini.SelectSection("Missing"), nullptr);
  std::string key;
  EXPECT_EQ(ini.NextKey(key), 0);  // no current line after a failed selection
}

TEST(IniFileTest, EmptyKeyReturnsTheHeaderLine) {
  IniFile ini;
  ini.LoadFromText("[A]\r\nx=1\r\n");
  const char* header = ini.FindKey("A", "");
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(std::string(header, 3), "[A]");
}

TEST(IniFileTest, LoadsPackFirstAndKeepsThePath) {
  GetPackList().Clear();
  vt::test::WriteFile("conf.ini", "[S]\r\nWhere=disk\r\n");
  IniFile ini;
  ASSERT_EQ(ini.Load(".\\conf.ini"), 1);
  EXPECT_EQ(Value(ini, "S", "Where"), "disk");
  EXPECT_EQ(ini.Path(), ".\\conf.ini");
  std::string text = "[S]\r\nWhere=pack\r\n";
  ASSERT_TRUE(
      WritePackFile("p.p", std::vector<PackWriterMember>{{".\\conf.ini", {text.begin(), text.end()}}}, {}));
  ASSERT_EQ(MountPack("p.p"), 1);
  ASSERT_EQ(ini.Load(".\\conf.ini"), 1);
  EXPECT_EQ(Value(ini, "S", "Where"), "pack");
  GetPackList().Clear();
  EXPECT_EQ(ini.Load("missing.ini"), 0);
  EXPECT_EQ(Value(ini, "S", "Where"), "<none>");
  ini.SetWriteMode(".\\System\\_App.ini");
  EXPECT_EQ(ini.GetInt(5), 0);
}

TEST(IniFileTest, ZeroByteEndsTheText) {
  IniFile ini;
  ini.LoadFromText(std::string("[S]\r\nA=1\r\n\0B=2\r\n", 16));
  EXPECT_EQ(Value(ini, "S", "A"), "1");
  EXPECT_EQ(Value(ini, "S", "B"), "<none>");
}

}  // namespace
