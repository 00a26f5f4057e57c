// `.EX3` byte-pair expansion: round trips through the encoder, hand-made tables, and damaged
// images (deep nesting, cycles, bad tables, wrong lengths) refused without reading or writing
// out of bounds.
#include "app/byte_pair.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> Image(uint32_t declared, std::vector<uint8_t> payload) {
  std::vector<uint8_t> img(ex3::kHeaderSize + payload.size(), 0);
  for (int i = 0; i < 4; ++i) img[ex3::kLengthOffset + i] = static_cast<uint8_t>(declared >> (8 * i));
  std::copy(payload.begin(), payload.end(), img.begin() + ex3::kHeaderSize);
  return img;
}

ex3::ExpandResult Expand(const std::vector<uint8_t>& img, std::vector<uint8_t>& out) {
  out.assign(ex3::DeclaredLength(img), 0xCC);
  return ExpandBytePairs(out, img);
}

struct RoundTripCase {
  const char* name;
  std::vector<uint8_t> data;
  size_t blockSize;
};

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed, int alphabet) {
  std::mt19937 gen(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(gen() % static_cast<uint32_t>(alphabet));
  return v;
}

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::vector<uint8_t> Repeated(const std::string& s, int n) {
  std::string t;
  for (int i = 0; i < n; ++i) t += s;
  return Text(t);
}

class BytePairRoundTripTest : public testing::TestWithParam<RoundTripCase> {};

TEST_P(BytePairRoundTripTest, ExpandsToTheOriginal) {
  const RoundTripCase& c = GetParam();
  std::vector<uint8_t> img = ex3::EncodeBytePairs(c.data, c.blockSize);
  EXPECT_EQ(ex3::DeclaredLength(img), c.data.size());
  std::vector<uint8_t> out;
  ASSERT_EQ(Expand(img, out), ex3::ExpandResult::kOk);
  EXPECT_EQ(out, c.data);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BytePairRoundTripTest,
    testing::Values(RoundTripCase{"random_full", RandomBytes(20000, 1, 256), 8192},
                    RoundTripCase{"random_small_alphabet", RandomBytes(30000, 2, 12), 4096},
                    RoundTripCase{"text", Repeated("[Japanese]\r\nText0=\x82\xA0\x82\xA2 hello //c\r\n", 400),
                                  8192},
                    // One long run nests pairs deeply; the encoder keeps within the 32-byte stack.
                    RoundTripCase{"one_run", std::vector<uint8_t>(60000, 'a'), 65535},
                    RoundTripCase{"one_byte", Text("x"), 8192},
                    RoundTripCase{"two_blocks_of_one", Text("xy"), 1}),
    [](const testing::TestParamInfo<RoundTripCase>& info) { return info.param.name; });

TEST(BytePairTest, AllLiteralTableCopiesPackedBytes) {
  // 0xFF: codes 0..127 literal; entry for 128 is itself (literal); 0xFE: codes 129..255 literal.
  std::vector<uint8_t> img = Image(5, {0xFF, 0x80, 0xFE, 0x00, 0x05, 'h', 'e', 'l', 'l', 'o'});
  std::vector<uint8_t> out;
  ASSERT_EQ(Expand(img, out), ex3::ExpandResult::kOk);
  EXPECT_EQ(std::string(out.begin(), out.end()), "hello");
}

TEST(BytePairTest, NestingThreeDeep) {
  // 0x80 -> (0x81, 'c'), 0x81 -> (0x82, 'b'), 0x82 -> ('a', 'a'): 0x80 = "aabc".
  std::vector<uint8_t> img = Image(8, {0xFF,                 // 0..127 literal, then one entry for 128
                                       0x81, 'c',            //
                                       0x01,                 // two entries: 129, 130
                                       0x82, 'b', 'a', 'a',  //
                                       0xFC,                 // 131..255 literal
                                       0x00, 0x02, 0x80, 0x80});
  std::vector<uint8_t> out;
  ASSERT_EQ(Expand(img, out), ex3::ExpandResult::kOk);
  EXPECT_EQ(std::string(out.begin(), out.end()), "aabcaabc");
}

struct DamageCase {
  const char* name;
  std::vector<uint8_t> image;
  ex3::ExpandResult expected;
};

std::vector<uint8_t> DeepChain(int depth) {
  // Codes 128.. each expand to (next code, 'x'); the last to ('a', 'a'). Expanding 128 needs a
  // stack of depth + 1 bytes.
  auto entry = [](std::vector<uint8_t>& p, int i, int depth) {
    if (i + 1 < depth) {
      p.push_back(static_cast<uint8_t>(129 + i));
      p.push_back('x');
    } else {
      p.push_back('a');
      p.push_back('a');
    }
  };
  std::vector<uint8_t> p = {0xFF};  // 0..127 literal, then the entry for 128
  entry(p, 0, depth);
  p.push_back(static_cast<uint8_t>(depth - 2));  // the other depth - 1 entries
  for (int i = 1; i < depth; ++i) entry(p, i, depth);
  p.push_back(static_cast<uint8_t>(127 + (128 - depth)));
  p.insert(p.end(), {0x00, 0x01, 0x80});
  return p;
}

class BytePairDamageTest : public testing::TestWithParam<DamageCase> {};

TEST_P(BytePairDamageTest, RefusedWithoutOverrun) {
  const DamageCase& c = GetParam();
  std::vector<uint8_t> out;
  EXPECT_EQ(Expand(c.image, out), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BytePairDamageTest,
    testing::Values(
        DamageCase{"short_header", std::vector<uint8_t>(71, 0), ex3::ExpandResult::kTooShort},
        DamageCase{"huge_length", Image(0xFFFFFFFFu, {0xFF, 0x80, 0xFE, 0, 1, 'a'}),
                   ex3::ExpandResult::kTooLarge},
        // 0x80 -> (0x81, 'a'), 0x81 -> (0x80, 'b'): a cycle never ends on its own.
        DamageCase{"cycle", Image(100, {0xFF, 0x81, 'a', 0x00, 0x80, 'b', 0xFD, 0x00, 0x01, 0x80}),
                   ex3::ExpandResult::kTooDeep},
        // A self-reference through its right byte: 0x80 -> ('a', 0x80).
        DamageCase{"right_cycle", Image(1000, {0xFF, 'a', 0x80, 0xFE, 0x00, 0x01, 0x80}),
                   ex3::ExpandResult::kOverflow},
        DamageCase{"too_deep", Image(40, DeepChain(40)), ex3::ExpandResult::kTooDeep},
        DamageCase{"deep_but_fits", Image(32, DeepChain(31)), ex3::ExpandResult::kOk},
        // Counts that run the table past code 255 (128 entries, or 128 literals, from code 129).
        DamageCase{"table_overrun", Image(1, {0xFF, 0x80, 0x7F, 'a'}), ex3::ExpandResult::kBadTable},
        DamageCase{"literal_overrun", Image(1, {0xFF, 0x80, 0xFF}), ex3::ExpandResult::kBadTable},
        DamageCase{"longer_than_declared", Image(3, {0xFF, 0x80, 0xFE, 0x00, 0x05, 'h', 'e', 'l', 'l', 'o'}),
                   ex3::ExpandResult::kOverflow},
        DamageCase{"shorter_than_declared", Image(9, {0xFF, 0x80, 0xFE, 0x00, 0x05, 'h', 'e', 'l', 'l', 'o'}),
                   ex3::ExpandResult::kShort},
        // Packed size beyond the payload: reads yield zero bytes until the declared length is passed.
        DamageCase{"truncated_payload", Image(4, {0xFF, 0x80, 0xFE, 0x10, 0x00, 'h'}),
                   ex3::ExpandResult::kOverflow},
        DamageCase{"empty_payload", Image(5, {}), ex3::ExpandResult::kShort},
        DamageCase{"empty_is_fine_for_zero", Image(0, {}), ex3::ExpandResult::kOk}),
    [](const testing::TestParamInfo<DamageCase>& info) { return info.param.name; });

TEST(BytePairTest, NeverWritesPastTheGivenOutput) {
  std::vector<uint8_t> img = ex3::EncodeBytePairs(Repeated("abcabc", 100));
  std::vector<uint8_t> out(10, 0);
  EXPECT_EQ(ExpandBytePairs(std::span<uint8_t>(out.data(), 5), img), ex3::ExpandResult::kOverflow);
  EXPECT_EQ(out[5], 0);
}

}  // namespace
