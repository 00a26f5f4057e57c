// Shift-JIS utilities: safe file names, the tokenizer, integer literals and the cursor reader.
#include "app/lib_sjis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// ---- MakeSafeFileName ----

struct SafeNameCase {
  std::string source;
  std::string expected;
  bool fits;
};

class MakeSafeFileNameTest : public testing::TestWithParam<SafeNameCase> {};

TEST_P(MakeSafeFileNameTest, Converts) {
  std::string out;
  EXPECT_EQ(MakeSafeFileName(GetParam().source, out), GetParam().fits);
  EXPECT_EQ(out, GetParam().expected);
  EXPECT_LE(out.size(), 32u);
}

std::string Repeat(std::string_view piece, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeSafeFileNameTest,
    testing::Values(SafeNameCase{"a:b",
                                 "a\x81\x46"
                                 "b",
                                 true},
                    SafeNameCase{"<>:\"/\\|?*",
                                 "\x81\x83\x81\x84\x81\x46\x81\x68\x81\x5E\x81\x8F\x81\x62\x81\x48\x81\x96",
                                 true},
                    // 17 double-byte characters: the first 16 fit, the name is cut.
                    SafeNameCase{Repeat("\x82\xA0", 17), Repeat("\x82\xA0", 16), false},
                    // A double-byte character whose trail byte is 0x5C stays whole (not a "\").
                    SafeNameCase{"\x95\x5C", "\x95\x5C", true},
                    SafeNameCase{std::string("a\x01\tb\0c", 6), "abc", true},
                    // 31 bytes then a replacement of 2: cut before it.
                    SafeNameCase{Repeat("x", 31) + "?", Repeat("x", 31), false},
                    SafeNameCase{Repeat("x", 32), Repeat("x", 32), true}));

// ---- AvoidReservedDeviceName ----

struct DeviceCase {
  std::string name;
  size_t bufferSize;
  std::string expected;
  bool ok;
};

class AvoidReservedDeviceNameTest : public testing::TestWithParam<DeviceCase> {};

TEST_P(AvoidReservedDeviceNameTest, Replaces) {
  char buffer[64];
  std::memset(buffer, 'Z', sizeof(buffer));
  const DeviceCase& c = GetParam();
  EXPECT_EQ(AvoidReservedDeviceName(c.name, buffer, c.bufferSize), c.ok);
  if (c.bufferSize > 0) {
    EXPECT_EQ(std::string(buffer), c.expected);
  }
  // Never writes past the buffer.
  EXPECT_EQ(buffer[std::min<size_t>(c.bufferSize, 63)], c.bufferSize >= 64 ? buffer[63] : 'Z');
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AvoidReservedDeviceNameTest,
    testing::Values(DeviceCase{"com3", 64, "\x82\x62\x82\x6E\x82\x6C\x82\x52", true},  // ＣＯＭ３
                    DeviceCase{"CON", 64, "\x82\x62\x82\x6E\x82\x6D", true},
                    DeviceCase{"nul", 64, "\x82\x6D\x82\x74\x82\x6B", true},
                    DeviceCase{"LpT9", 64, "\x82\x6B\x82\x6F\x82\x73\x82\x58", true},
                    DeviceCase{"COM10", 64, "COM10", true}, DeviceCase{"COM0", 64, "COM0", true},
                    DeviceCase{"CONSOLE", 64, "CONSOLE", true},
                    // The full-width form needs 7 bytes: 6 does not fit.
                    DeviceCase{"CON", 6, "", false}, DeviceCase{"CON", 7, "\x82\x62\x82\x6E\x82\x6D", true},
                    DeviceCase{"abc", 3, "", false}, DeviceCase{"abc", 0, "", false}));

// ---- File names and extensions ----

TEST(GetFileNamePartTest, TakesTheLastComponent) {
  EXPECT_EQ(GetFileNamePart(".\\data\\foo.txt"), "foo.txt");
  EXPECT_EQ(GetFileNamePart("foo.txt"), "foo.txt");
  EXPECT_EQ(GetFileNamePart("a/b/c"), "c");
  EXPECT_EQ(GetFileNamePart(".\\data\\"), "");
  // ソ (83 5C) ends in 0x5C: not a separator.
  EXPECT_EQ(GetFileNamePart(".\\grp\\\x83\x5C.txt"), "\x83\x5C.txt");
  EXPECT_EQ(GetFileNamePart("\x83\x5C\\x"), "x");
}

// ---- Double-byte detection ----

TEST(SjisTest, DoubleByteNeedsItsTrailInsideTheText) {
  EXPECT_TRUE(IsSjisDoubleByteAt("\x82\xA0", 0));
  EXPECT_FALSE(IsSjisDoubleByteAt("\x82", 0));  // trail beyond the end
  EXPECT_FALSE(IsSjisDoubleByteAt("a\x82", 1));
  EXPECT_FALSE(IsSjisDoubleByteAt("\x82\"", 0));  // not a trail byte
  EXPECT_EQ(ClassifySjisPosition("ab\x82\xA0", 2), 1);
  EXPECT_EQ(ClassifySjisPosition("ab\x82\xA0", 3), 2);
  EXPECT_EQ(ClassifySjisPosition("ab\x82\xA0", 4), 0);
  EXPECT_EQ(ClassifySjisPosition("abc", 1), 0);
}

// ---- Skipping ----

struct SkipLineCase {
  std::string text;
  size_t start;
  int result;
  size_t end;
};

class SjisSkipLineTest : public testing::TestWithParam<SkipLineCase> {};

TEST_P(SjisSkipLineTest, Skips) {
  size_t pos = GetParam().start;
  EXPECT_EQ(SjisSkipLine(GetParam().text, pos), GetParam().result);
  EXPECT_EQ(pos, GetParam().end);
}

INSTANTIATE_TEST_SUITE_P(Cases, SjisSkipLineTest,
                         testing::Values(SkipLineCase{"ab\r\ncd", 0, 1, 4}, SkipLineCase{"ab\rcd", 0, 1, 3},
                                         SkipLineCase{"ab\ncd", 0, 1, 3}, SkipLineCase{"ab\n\ncd", 0, 1, 3},
                                         SkipLineCase{"abc", 0, 0, 3}, SkipLineCase{"a\x1A\nb", 0, 0, 1},
                                         // 95 5C is one character: its 5C is no separator
                                         SkipLineCase{"\x95\x5C\r\nx", 0, 1, 4}));

TEST(SjisTest, SkipBlanksReportsEndsAndUnclosedComments) {
  size_t pos = 0;
  EXPECT_EQ(SjisSkipBlanks("  \t\r\n// c\r\n/* x */ a", pos), 0);
  EXPECT_EQ(pos, 19u);
  pos = 0;
  EXPECT_EQ(SjisSkipBlanks("   ", pos), 1);
  pos = 0;
  EXPECT_EQ(SjisSkipBlanks(" /* open", pos), 2);
  pos = 0;
  EXPECT_EQ(SjisSkipBlanks(" \x1A a", pos), 1);
  pos = 0;
  EXPECT_EQ(SjisSkipBlanks(" // c", pos), 1);
  pos = 0;
  EXPECT_EQ(SjisSkipBlanks("// c\r\nx", pos, kSkipNoComments), 0);
  EXPECT_EQ(pos, 0u);
  pos = 0;
  EXPECT_EQ(SjisSkipBlanks("  \r\n  x", pos, kSkipStopAtLineEnd), 0);
  EXPECT_EQ(pos, 4u);
}

TEST(SjisTest, CommentSkippers) {
  size_t pos = 0;
  EXPECT_EQ(SkipLineComment("// x\ny", pos), 1);
  EXPECT_EQ(pos, 5u);
  pos = 0;
  EXPECT_EQ(SkipLineComment("// x", pos), -1);
  pos = 0;
  EXPECT_EQ(SkipLineComment("/ x", pos), 0);
  pos = 0;
  EXPECT_EQ(SkipBlockComment("/* \x81*/ */x", pos), 1);  // 81 2A is no character: "*/" ends it
  pos = 0;
  EXPECT_EQ(SkipBlockComment("/* \x82\x2Fx", pos), -1);
}

// ---- Words and quoted strings ----

TEST(SjisTest, ReadWordSkipsCommentLinesAndStopsAtTheBlank) {
  std::string text = "   // comment\r\nabc def";
  std::string word;
  size_t end = SjisReadWord(text, 0, word);
  EXPECT_EQ(word, "abc");
  EXPECT_EQ(end, text.find(' ', 15));
  end = SjisReadWord(text, end, word);
  EXPECT_EQ(word, "def");
  EXPECT_EQ(end, text.size());
}

TEST(SjisTest, ReadWordKeepsDoubleByteCharacters) {
  std::string word;
  SjisReadWord("\x95\x5C\x83\x5C/*c*/x", 0, word);
  EXPECT_EQ(word, "\x95\x5C\x83\x5C");
  SjisReadWord(
      "ab\x1A"
      "cd",
      0, word);
  EXPECT_EQ(word, "ab");
  SjisReadWord(std::string("ab\0cd", 5), 0, word);
  EXPECT_EQ(word, "ab");
}

struct QuotedCase {
  std::string text;
  bool emptyIsError;
  int32_t result;  // position, -1 or INT32_MIN
  std::string out;
};

class SjisReadQuotedStringTest : public testing::TestWithParam<QuotedCase> {};

TEST_P(SjisReadQuotedStringTest, Reads) {
  std::string out;
  const QuotedCase& c = GetParam();
  EXPECT_EQ(SjisReadQuotedString(c.text, 0, out, c.emptyIsError), c.result);
  if (c.result >= 0) {
    EXPECT_EQ(out, c.out);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SjisReadQuotedStringTest,
    testing::Values(QuotedCase{"\"abc\" x", false, 5, "abc"},
                    QuotedCase{"  \r\n// c\r\n\"a\"", false, 13, "a"},
                    QuotedCase{"abc", false, kSjisSyntaxError, ""}, QuotedCase{"", false, kSjisEndOfText, ""},
                    QuotedCase{"  ", false, kSjisEndOfText, ""}, QuotedCase{"\"a\\\\b\"", false, 6, "a\\b"},
                    QuotedCase{"\"a\\b\"", false, 5, "a\\b"},
                    // The trail byte 5C of 表 is not an escape and the quote after it closes.
                    QuotedCase{"\"\x95\x5C\"", false, 4, "\x95\x5C"},
                    QuotedCase{"\"\x83\x5C\\\\\"", false, 6, "\x83\x5C\\"}, QuotedCase{"\"\"", false, 2, ""},
                    QuotedCase{"\"\"", true, kSjisEndOfText, ""},
                    QuotedCase{"\"abc", false, kSjisSyntaxError, ""},
                    QuotedCase{"\"a\x1A\"", false, kSjisSyntaxError, ""},
                    QuotedCase{"/* open \"a\"", false, kSjisSyntaxError, ""}));

TEST(SjisTest, ReadQuotedStringAtMovesOnlyOnSuccess) {
  std::string out;
  size_t pos = 0;
  EXPECT_EQ(SjisReadQuotedStringAt("\"a\" \"b\"", pos, out), 1);
  EXPECT_EQ(pos, 3u);
  EXPECT_EQ(SjisReadQuotedStringAt("\"a\" \"b\"", pos, out), 1);
  EXPECT_EQ(out, "b");
  size_t bad = 0;
  EXPECT_EQ(SjisReadQuotedStringAt("x", bad, out), 0);
  EXPECT_EQ(bad, 0u);
}

// ---- Integer literals ----

struct IntCase {
  std::string text;
  int result;
  int32_t value;
};

class ParseIntLiteralTest : public testing::TestWithParam<IntCase> {};

TEST_P(ParseIntLiteralTest, Parses) {
  int32_t value = 12345;
  EXPECT_EQ(ParseIntLiteral(GetParam().text, &value), GetParam().result) << GetParam().text;
  EXPECT_EQ(value, GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseIntLiteralTest,
    testing::Values(IntCase{"-0x1_F", 1, -31}, IntCase{"1_000", 1, 1000}, IntCase{"0b101", 1, 5},
                    IntCase{"12a", 0, 0}, IntCase{"", 0, 0}, IntCase{"0x", 1, 0}, IntCase{"+42", 1, 42},
                    IntCase{"0xfFfFfFfF", 1, -1}, IntCase{"4294967297", 1, 1},  // 32-bit wrapping
                    IntCase{"-2147483648", 1, INT32_MIN}, IntCase{"0x1G", 0, 0}, IntCase{"1 2", 0, 0}));

TEST(SjisTest, FormatTwoDigitNumberClamps) {
  char buf[3];
  int v = 7;
  FormatTwoDigitNumber(buf, v, 1);
  EXPECT_STREQ(buf, " 7");
  v = 25;
  FormatTwoDigitNumber(buf, v, 1);
  EXPECT_STREQ(buf, "18");
  EXPECT_EQ(v, 18);
  v = 0;
  FormatTwoDigitNumber(buf, v, 3);
  EXPECT_STREQ(buf, " 3");
  EXPECT_EQ(v, 3);
}

// ---- Cursor reads ----

TEST(CStringGetUtilityTest, NumbersHexMatchesAndAddresses) {
  lib::CStringGetUtility cur;
  std::string out;
  cur.SetString("0042x", 0);
  EXPECT_EQ(cur.GetNumber(3, &out), 1);
  EXPECT_EQ(out, "004");
  EXPECT_EQ(cur.GetNumber(5, &out), 1);
  EXPECT_EQ(out, "00002");
  EXPECT_EQ(cur.Position(), 4u);  // the ending "x" is left in place
  EXPECT_EQ(cur.GetNumber(2, &out), 0);
  EXPECT_EQ(cur.Position(), 5u);  // the failing character is consumed
  EXPECT_EQ(cur.GetNumber(256, &out), 0);

  uint32_t hex = 0;
  cur.SetString("dEaDbEeF12", 0);
  EXPECT_EQ(cur.GetHex(&hex), 1);
  EXPECT_EQ(hex, 0xDEADBEEFu);
  EXPECT_EQ(cur.Position(), 8u);

  cur.SetString("ABC", 0);
  std::string copy;
  EXPECT_EQ(cur.Match("AB", &copy), 1);
  EXPECT_EQ(copy, "AB");
  EXPECT_EQ(cur.Match("CD", nullptr), 0);

  cur.SetString("192.168.0.1", 0);
  EXPECT_EQ(cur.GetIPAddress(&out), 1);
  EXPECT_EQ(out, "192.168.000.001");
  cur.SetString("1.2.3", 0);
  EXPECT_EQ(cur.GetIPAddress(&out), 0);
  cur.SetString("1.2.x.4", 0);
  EXPECT_EQ(cur.GetIPAddress(&out), 0);
}

TEST(StringTest, FormatAndUpperReturnOwnedStrings) {
  std::string s;
  EXPECT_EQ(FormatToString(s, "%s-%04d", "ab", 7), "ab-0007");
  std::string longText(5000, 'x');
  EXPECT_EQ(FormatToString(s, "%s!", longText.c_str()).size(), 5001u);
  EXPECT_EQ(ToUpperString("abc\x82\xA0z1"), "ABC\x82\xA0Z1");
  std::string a = ToUpperString("one");
  std::string b = ToUpperString("two");
  EXPECT_EQ(a, "ONE");  // a second call never changes the first result
}

}  // namespace
