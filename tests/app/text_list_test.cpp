// Game texts (both languages, uneven sections, out-of-range numbers) and quoted text lists (end
// marker, escapes, comments, damaged files, retry after a failed load).
#include "app/text_list.h"

#include <gtest/gtest.h>

#include "app/lib_debug.h"
#include "app/save_data.h"
#include "support/test_util.h"

namespace {

class GameTextTest : public testing::Test {
 protected:
  void SetUp() override {
    vt::SetDebugQuiet(true);
    g_GameData = nullptr;
  }
  void TearDown() override {
    g_GameTextTable.clear();
    g_GameData = nullptr;
    vt::SetDebugQuiet(false);
  }
};

TEST_F(GameTextTest, LanguagesAndUnevenSections) {
  LoadGameTextFrom(
      "[Japanese]\r\nT0=\x82\xA0\x82\xA2\r\nT1=\x95\x5C\x8E\xA6  // comment\r\nT2=three\r\n"
      "[English]\r\nT0=zero\r\nT1=one\r\n");
  ASSERT_EQ(g_GameTextTable.size(), 3u);
  EXPECT_EQ(GetGameText(0), "zero");  // no record loaded: English
  EXPECT_EQ(GetGameText(2), "");      // fewer English lines: empty
  LoadGameData();
  g_GameData->SELECT_LANGUAGE = 0;
  EXPECT_EQ(GetGameText(1), "\x95\x5C\x8E\xA6");
  g_GameData->SELECT_LANGUAGE = 1;
  EXPECT_EQ(GetGameText(1), "one");
  // Extra English lines are ignored.
  LoadGameTextFrom("[Japanese]\r\nA=a\r\n[English]\r\nA=x\r\nB=y\r\n");
  ASSERT_EQ(g_GameTextTable.size(), 1u);
  EXPECT_EQ(GetGameText(0), "x");
}

TEST_F(GameTextTest, NumbersOutsideTheTableGiveEmptyTexts) {
  LoadGameTextFrom("");
  EXPECT_EQ(GetGameText(66), "");
  EXPECT_EQ(GetGameText(-1), "");
  LoadGameText();  // no .\GameText.ini: the table stays empty
  EXPECT_TRUE(g_GameTextTable.empty());
  EXPECT_EQ(GetGameText(67), "");
}

TEST_F(GameTextTest, LoadsTheFileAndCutsLongValues) {
  std::string longValue(600, 'v');
  vt::test::WriteFile("GameText.ini", "[Japanese]\r\nA=" + longValue + "\r\n[English]\r\nA=e\r\n");
  LoadGameText();
  ASSERT_EQ(g_GameTextTable.size(), 1u);
  EXPECT_EQ(g_GameTextTable[0].japanese.size(), 512u);
}

// ---- Text lists ----

struct ListCase {
  const char* name;
  std::string text;
  bool loads;
  std::vector<std::string> entries;
};

class TextListTest : public testing::TestWithParam<ListCase> {};

TEST_P(TextListTest, Loads) {
  const ListCase& c = GetParam();
  TextList list;
  vt::SetDebugQuiet(true);
  EXPECT_EQ(list.LoadFromText(c.text), c.loads ? 1 : 0);
  vt::SetDebugQuiet(false);
  ASSERT_EQ(list.Count(), c.entries.size());
  for (size_t i = 0; i < c.entries.size(); ++i) {
    std::string e;
    EXPECT_TRUE(list.GetEntry(i, e));
    EXPECT_EQ(e, c.entries[i]);
  }
  std::string beyond = "x";
  EXPECT_FALSE(list.GetEntry(c.entries.size(), beyond));
  EXPECT_EQ(beyond, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextListTest,
    testing::Values(
        ListCase{"simple", "\"one\" \"two\"\r\n\"\\\\\\\\END\\\\\\\\\"", true, {"one", "two"}},
        ListCase{"escapes", "\"a\\\\\\\\b\" \"c\\\\d\"\r\n\"\\\\\\\\END\\\\\\\\\"", true, {"a\\\\b", "c\\d"}},
        ListCase{"empty_entry", "\"\" \"x\" \"\\\\\\\\END\\\\\\\\\"", true, {"", "x"}},
        ListCase{
            "comments", "\"a\" // \"no\"\r\n/* \"no\" */ \"b\" \"\\\\\\\\END\\\\\\\\\"", true, {"a", "b"}},
        ListCase{"sjis",
                 "\"\x95\x5C\" \"\x83\x5C\\\\\\\\\" \"\\\\\\\\END\\\\\\\\\"",
                 true,
                 {"\x95\x5C", "\x83\x5C\\\\"}},
        ListCase{"after_marker_ignored", "\"a\" \"\\\\\\\\END\\\\\\\\\" garbage", true, {"a"}},
        ListCase{"no_marker", "\"a\" \"b\"", false, {}},
        ListCase{"eof_byte_before_marker", "\"a\" \x1A \"\\\\\\\\END\\\\\\\\\"", false, {}},
        ListCase{"not_a_string", "\"a\" b \"\\\\\\\\END\\\\\\\\\"", false, {}},
        ListCase{"unclosed", "\"a\" \"b", false, {}}, ListCase{"empty", "", false, {}}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.name; });

class TestTextInfo : public CTextInfoIndex {
 public:
  std::string GetPath() const override { return ".\\data\\list.txt"; }
};

TEST(TextInfoIndexTest, FailedLoadIsRetried) {
  vt::SetDebugQuiet(true);
  TestTextInfo info;
  EXPECT_EQ(info.Load(), 0);  // missing
  vt::test::WriteFile("data/list.txt", "\"a\" \"b\"");
  EXPECT_EQ(info.Load(), 0);  // no end marker
  EXPECT_EQ(info.List(), nullptr);
  vt::test::WriteFile("data/list.txt", "\"a\" \"b\" \"\\\\\\\\END\\\\\\\\\"");
  EXPECT_EQ(info.Load(), 1);
  ASSERT_NE(info.List(), nullptr);
  EXPECT_EQ(info.List()->Count(), 2u);
  vt::test::WriteFile("data/list.txt", "broken");
  EXPECT_EQ(info.Load(), 1);  // already loaded: kept
  vt::SetDebugQuiet(false);
}

}  // namespace

// Game texts are data: only the first "%s" receives the argument, any other conversion is text.
TEST(FormatGameText, FirstPercentSOnlyOthersLiteral) {
  struct Case {
    const char* format;
    const char* arg;
    const char* want;
  } cases[] = {
      {"Saved as %s.", "a.rep", "Saved as a.rep."},
      {"%s", "x", "x"},
      {"No argument here.", "x", "No argument here."},
      {"%d files: %s", "a.rep", "%d files: a.rep"},
      {"%s and %s", "a.rep", "a.rep and %s"},
      {"100%% %s %n", "n", "100%% n %n"},
      {"%s", "%s%d", "%s%d"},  // the argument is never read as a format
      {"", "x", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatGameText(c.format, c.arg), c.want) << c.format;
}
