// Random streams against golden draws from an independent reference (reference/rand_streams.py,
// written from the algorithm's description), the draw helpers and the Mersenne twister.
#include "app/random.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

struct GoldenCase {
  int32_t seed;
  std::vector<int32_t> draws;  // the first 60: past the index wrap after 55
};

const GoldenCase kGolden[] = {
    {0, {1559595546, 1755192844, 1649316166, 1198642031, 442452829,  1200195957, 1945678308, 949569752,
         2099272109, 587775847,  626863973,  1003550677, 1358625013, 1008269081, 2109153755, 65212616,
         1851925803, 2137491580, 1454235444, 675580731,  1754296375, 1821177336, 2130093701, 70062080,
         1503113964, 1130186590, 2005789796, 1476653312, 1174277203, 174182291,  401846963,  973512717,
         638171722,  2122881600, 1380182313, 1638451829, 65271247,   818200948,  736891500,  2056119311,
         1084756724, 1537539262, 255459778,  587232589,  1947978014, 1706746116, 724046315,  981848395,
         315304373,  475269784,  880625662,  1543454120, 1331075398, 1047903413, 418573418,  1885901857,
         1772582790, 1579254086, 1843011714, 1459749886}},
    {1, {534011718,  237820880,  1002897798, 1657007234, 1412011072, 929393559,  760389092,  2026928803,
         217468053,  1379662799, 61497087,   532638534,  687431273,  2125508764, 1464848243, 1406361028,
         607156385,  1321446349, 1512368656, 1507096884, 2039633683, 200550235,  345545550,  820276643,
         1713579631, 363927940,  1704637349, 659767626,  1767440095, 1903678842, 1194650126, 1539174560,
         1501726364, 29236707,   2130037697, 1731519511, 1844137836, 134224868,  1104652174, 1127983490,
         585887566,  2134161410, 1484135457, 830250430,  932725007,  1450422331, 1454666067, 1015490648,
         525100016,  759101347,  1130118952, 363842328,  744291659,  1485403625, 848563345,  333461483,
         2039758977, 182621155,  2090911250, 1048083132}},
    {-1, {534011718,  237820880,  1002897798, 1657007234, 1412011072, 929393559,  760389092,  2026928803,
          217468053,  1379662799, 61497087,   532638534,  687431273,  2125508764, 1464848243, 1406361028,
          607156385,  1321446349, 1512368656, 1507096884, 2039633683, 200550235,  345545550,  820276643,
          1713579631, 363927940,  1704637349, 659767626,  1767440095, 1903678842, 1194650126, 1539174560,
          1501726364, 29236707,   2130037697, 1731519511, 1844137836, 134224868,  1104652174, 1127983490,
          585887566,  2134161410, 1484135457, 830250430,  932725007,  1450422331, 1454666067, 1015490648,
          525100016,  759101347,  1130118952, 363842328,  744291659,  1485403625, 848563345,  333461483,
          2039758977, 182621155,  2090911250, 1048083132}},
    {-2147483648,
     {534011718,  237820880,  1002897804, 1657007234, 1412011072, 929393557,  760389092,  2026928803,
      217468053,  1379662787, 61497087,   532638534,  687431259,  2125508764, 1464848243, 1406361028,
      607156365,  1321446349, 1512368656, 1507096854, 2039633683, 200550235,  345545550,  820276635,
      1713579631, 363927940,  1704637331, 659767626,  1767440095, 1903678844, 1194650126, 1539174560,
      1501726364, 29236719,   2130037697, 1731519511, 1844137830, 134224868,  1104652174, 1127983492,
      585887596,  2134161410, 1484135457, 830250442,  932725007,  1450422331, 1454666081, 1015490668,
      525100016,  759101347,  1130118970, 363842328,  744291659,  1485403655, 848563347,  333461483,
      2039758977, 182621169,  2090911250, 1048083132}},
    {123456789,
     {1091672793, 381850644,  1335622286, 865414785,  1968738143, 1473299219, 172313993,  1943666776,
      1194741859, 1565172553, 1352562307, 2136987127, 2047240136, 1014899853, 1964172757, 1181460116,
      1909624377, 205353635,  1401613831, 1677713511, 1757731197, 1613997923, 1922712093, 1169579647,
      835826490,  1583859300, 1413227762, 1783772118, 242901601,  301230507,  1588695364, 1959208924,
      2091625609, 1427790573, 636026905,  294994596,  1160280753, 327605879,  285483769,  1772028210,
      1878366973, 1318857401, 792792591,  932344130,  1603142907, 1266618821, 1787500092, 1142153545,
      1706506403, 810370709,  2071792715, 1266860658, 1035539113, 1885231591, 977271804,  1625158517,
      606622198,  166042639,  29588295,   384878843}}};

class RandGoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(RandGoldenTest, MatchesReference) {
  const GoldenCase& c = GetParam();
  for (int s : {0, 7, kRandCommonStream}) {
    SeedRandStream(s, c.seed);
    EXPECT_EQ(g_RandStreams[s].index, 0);
    for (size_t i = 0; i < c.draws.size(); ++i) {
      ASSERT_EQ(RandStreamNext(s), c.draws[i]) << "seed " << c.seed << " stream " << s << " draw " << i;
    }
    EXPECT_EQ(g_RandStreams[s].index, 5);  // 60 draws: 55, then 1..5 again
  }
}

INSTANTIATE_TEST_SUITE_P(Seeds, RandGoldenTest, testing::ValuesIn(kGolden));

TEST(RandTest, NegatedSeedGivesTheSameSequence) {
  for (int32_t x : {1, 5, 161803398, 2147483647}) {
    SeedRandStream(0, x);
    SeedRandStream(1, -x);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(RandStreamNext(0), RandStreamNext(1)) << x;
  }
}

TEST(RandTest, SeedZeroStaysInRange) {
  SeedRandStream(3, 0);
  for (int i = 0; i < 10000; ++i) {
    int32_t v = RandStreamNext(3);
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 2147483646);
  }
}

TEST(RandTest, StreamsAreIndependent) {
  SeedRandStream(0, 99);
  SeedRandStream(1, 99);
  int32_t a = RandStreamNext(0);
  RandStreamNext(2);
  EXPECT_EQ(RandStreamNext(1), a);
  EXPECT_EQ(RandStreamNext(-1), 0);
  EXPECT_EQ(RandStreamNext(11), 0);
}

TEST(RandTest, CommonDrawHelpers) {
  SeedRandStream(kRandCommonStream, 1);
  g_RandDrawCount = 0;
  g_RandLastValue = -5;
  // RandInt, RandFloat and RandSignedFloat advance the stream but keep the last value and count.
  EXPECT_EQ(RandInt(0), 0);
  EXPECT_EQ(RandInt(1), 0);
  int32_t third = RandInt(1000);
  EXPECT_GE(third, 0);
  EXPECT_LT(third, 1000);
  double f = RandFloat();
  EXPECT_GE(f, 0.0);
  EXPECT_LT(f, 1.0);
  double g = RandSignedFloat();
  EXPECT_GE(g, -1.0);
  EXPECT_LT(g, 1.0);
  EXPECT_EQ(g_RandDrawCount, 0);
  EXPECT_EQ(g_RandLastValue, -5);
  int32_t v = RandNext();
  EXPECT_EQ(g_RandLastValue, v);
  EXPECT_EQ(g_RandDrawCount, 1);
  // RandInt(n) is the value times 1/2147483647 times n, truncated.
  SeedRandStream(kRandCommonStream, 1);
  for (int i = 0; i < 5; ++i) RandStreamNext(kRandCommonStream);
  int32_t sixth = RandStreamNext(kRandCommonStream);
  SeedRandStream(kRandCommonStream, 1);
  for (int i = 0; i < 5; ++i) RandStreamNext(kRandCommonStream);
  EXPECT_EQ(RandInt(-7), static_cast<int32_t>(sixth * (1.0 / 2147483647.0) * -7.0));
}

TEST(RandTest, StartUpSeedingChainsFromTheCommonStream) {
  SeedRandomGeneratorsFrom(1234567);
  EXPECT_EQ(g_RandDrawCount, 10);
  // Streams 0..9 are seeded with the common stream's first ten draws.
  SeedRandStream(kRandCommonStream, 1234567);
  std::vector<int32_t> seeds;
  for (int i = 0; i < 10; ++i) seeds.push_back(RandStreamNext(kRandCommonStream));
  SeedRandomGeneratorsFrom(1234567);
  EXPECT_EQ(g_RandLastValue, seeds[9]);
  for (int s = 0; s < 10; ++s) {
    int32_t got = RandStreamNext(s);
    SeedRandStream(10, seeds[s]);
    EXPECT_EQ(got, RandStreamNext(10)) << s;
  }
}

TEST(MersenneTwisterTest, Seed5489GivesThePublishedOutputs) {
  SeedMersenneTwister(1, 5489);
  uint32_t v = 0;
  for (int i = 0; i < 10000; ++i) v = MersenneTwisterNext(1);
  EXPECT_EQ(v, 4123659995u);
  SeedMersenneTwister(0, 5489);
  EXPECT_EQ(DrawRandom31(), static_cast<int32_t>(3499211612u >> 1));
}

}  // namespace
