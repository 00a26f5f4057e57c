// The battle data tables and the character command file, from small inline texts.
#include <cmath>
#include <cstring>
#include <string>

#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_text.h"
#include "battle/chara_command.h"
#include "battle/object_state.h"
#include "battle_fixture.h"
#include "support/test_util.h"

namespace {

using battle_test::BattleTest;
using BattleTables = BattleTest;

TEST_F(BattleTables, TypeFileWithOneSectionLeavesTheOtherRowsZero) {
  vt::SetDebugQuiet(true);
  ParseTypeText(
      "[System]\r\nUkemiTime_MinusVal=0\r\nValue_042=17\r\n[Type_3]\r\nSparkType=9\r\nGQ_MaxVal=1.5\r\n"
      "DamageVal_Air=0.75 // comment\r\n",
      "t");
  vt::SetDebugQuiet(false);
  for (int n = 0; n < 10; ++n) {
    if (n == 3) continue;
    EXPECT_EQ(GetTypeParams(n).magicCircuitMax, 0) << n;
    EXPECT_EQ(GetTypeParams(n).ggMaxVal, 0.0f) << n;
  }
  const TypeParams& t = GetTypeParams(3);
  EXPECT_EQ(t.sparkType, 9);
  EXPECT_EQ(t.magicCircuitMax, 30000);  // default inside a present section
  EXPECT_EQ(t.gqMaxVal, 1.5f);
  EXPECT_EQ(t.damageAir, 0.75f);
  EXPECT_EQ(t.damageCrouch, 1.08f);
  EXPECT_EQ(t.gqRecoverVal, 0.002f);
  EXPECT_EQ(g_TypeSystem.ukemiMinus, 0);
  EXPECT_EQ(g_TypeSystem.ukemiLimit, 4);
  EXPECT_EQ(GetTypeValue(42), 17);
  EXPECT_EQ(GetTypeValue(100), 0);
  EXPECT_EQ(GetTypeValue(-1), 0);
  EXPECT_EQ(GetTypeParams(10).magicCircuitMax, 0);
  EXPECT_EQ(GetTypeParams(-1).magicCircuitMax, 0);
}

TEST_F(BattleTables, GaugeRatioOfAZeroTypeRowIsZeroNotADivisionByZero) {
  // Type 5 has no section: its circuit maximum is 0.
  ParseTypeText("[Type_0]\r\n", "t");
  battle_test::TestFrameData data;
  data.Pattern(0, {{}});
  BattleObject& o = battle_test::PlaceCharacter(0, data.Set(), 0);
  o.type = 5;
  o.circuit = 20000;
  EXPECT_EQ(GaugeRatio(o), 0.0f);
  SetGaugeMode(o, 600, 1, 0);
  EXPECT_EQ(o.gaugeModeMax, 30000);  // ratio 0 gives the longest mode
  EXPECT_EQ(o.heatTimer, 600);
  o.gaugeMode = 0;
  o.type = 0;
  o.circuit = 15000;
  EXPECT_EQ(GaugeRatio(o), 0.5f);
  SetGaugeMode(o, 600, 2, 0);
  EXPECT_EQ(o.gaugeModeMax, 1200);
}

const char kVectors[] =
    "// motion vectors\r\n"
    "0 0 0 0 0\r\n"
    "3 100 -200 5 6\r\n"
    "-1 9 9 9 9\r\n"    // negative id: skipped
    "5000 9 9 9 9\r\n"  // above 4095: skipped
    "END\r\n"
    "7 bounce 2 11 2 9 0\r\n"
    "3 26 27 20 4 10001\r\n"
    "3 28 29 30 5 0\r\n"
    "9 none 0 1 1 0 0\r\n"
    "12 long_name_of_more_than_thirty_one_chars 7 0 0 0 0\r\n"
    "3 1 0 1 0 1\r\n3 2 0 2 0 0\r\n3 3 0 3 0 0\r\n3 4 0 4 0 0\r\n3 5 0 5 0 0\r\n3 6 0 6 0 0\r\n3 7 0 7 0 "
    "0\r\n"
    "13 after 1 0 0 0 0\r\n"
    "0 77 0 0 0 0\r\n"
    "END\r\n"
    "1 2 3 4 5 6 7\r\n"
    "640\r\n"
    "0\r\n";

TEST_F(BattleTables, VectorFileTables) {
  vt::SetDebugQuiet(true);
  ParseVectorText(kVectors, "v");
  vt::SetDebugQuiet(false);
  ASSERT_EQ(g_VectorTables.motion.size(), 4u);
  ASSERT_EQ(g_VectorTables.hit.size(), 14u);
  MotionVector m;
  GetMotionOfHitVector(7, 0, &m);
  EXPECT_EQ(m.vx, 100);
  EXPECT_EQ(m.vy, -200);
  EXPECT_EQ(m.ay, 6);
  EXPECT_EQ(GetHitVectorPattern(7, 1, 0), 28);
  EXPECT_EQ(GetHitVectorPattern(7, 1, 1), 29);
  EXPECT_EQ(GetHitVectorStun(7, 0), 20);
  EXPECT_EQ(GetHitVectorFlags(7, 0), 0x11u);
  EXPECT_EQ(g_VectorTables.hit[7].invuln, 11);
  // n = 0: no sub-lines, zero motion.
  GetMotionOfHitVector(9, 0, &m);
  EXPECT_EQ(m.vx, 0);
  EXPECT_EQ(GetHitVectorPattern(9, 0, 0), 0);
  // More than five sub-lines: the sixth and seventh are skipped and the next header is read.
  EXPECT_EQ(g_VectorTables.hit[12].count, 5);
  EXPECT_EQ(GetHitVectorPattern(12, 4, 0), 5);
  EXPECT_EQ(std::string(g_VectorTables.hit[12].name).size(), 31u);
  EXPECT_EQ(GetHitVectorPattern(13, 0, 0), 77);
  EXPECT_EQ(g_VectorTables.battleBytes[6], 7);
  EXPECT_EQ(g_VectorTables.pushNormal, 640);
  EXPECT_EQ(g_VectorTables.pushFinish, 640);  // a second value of 0 takes the first
  // Out of range reads as zero.
  EXPECT_EQ(GetHitVectorPattern(14, 0, 0), 0);
  EXPECT_EQ(GetHitVectorPattern(-1, 0, 0), 0);
  EXPECT_EQ(GetHitVectorPattern(7, 5, 0), 0);
  // A lower-level vector with a replacement is replaced.
  EXPECT_EQ(ResolveHitVector(7, 9), 9);  // no replacement named
  g_VectorTables.hit[9].replacement = 13;
  EXPECT_EQ(ResolveHitVector(7, 9), 13);
  EXPECT_EQ(ResolveHitVector(9, 7), 7);
}

TEST_F(BattleTables, VectorFileFollowsTheAlternativeTableSetting) {
  // Each file names a different push value in its last section.
  vt::test::WriteFile("data/vector.txt", "END\r\nEND\r\n0 0 0 0 0 0 0\r\n100\r\n0\r\n");
  vt::test::WriteFile("data/old/vector.txt", "END\r\nEND\r\n0 0 0 0 0 0 0\r\n200\r\n0\r\n");
  GameData config{};
  GameData* const saved = g_GameData;
  const struct {
    GameData* config;
    int32_t alt, push;
  } cases[] = {{nullptr, 0, 100}, {&config, 0, 100}, {&config, 1, 200}};
  for (const auto& c : cases) {
    config.AltVectorTable = c.alt;
    g_GameData = c.config;
    EXPECT_EQ(LoadVectorTable(), 1);
    EXPECT_EQ(g_VectorTables.pushNormal, c.push) << c.alt;
  }
  g_GameData = saved;
  FreeVectorTable();
}

TEST_F(BattleTables, FinishListKinds) {
  ParseFinishListText("[FinishList]\r\n[CharaNo_004]\r\nAD=0,5,0,7\r\nLA=9\r\n");
  const struct {
    int finish, pattern, kind;
  } cases[] = {{4, 5, 20}, {4, 7, 20}, {4, 0, 3}, {4, 9, 21}, {3, 5, 3}, {200, 5, 3}, {-1, 5, 3}};
  for (const auto& c : cases)
    EXPECT_EQ(GetFinishKind(c.finish, c.pattern), c.kind) << c.finish << " " << c.pattern;
  ParseFinishListText("[CharaNo_004]\r\nAD=5\r\n");  // no FinishList section: unused
  EXPECT_EQ(GetFinishKind(4, 5), 3);
}

// The sample data's writer: what it writes reads back as the same lists, absent entries and
// entries outside the 200 slots are left out.
TEST_F(BattleTables, FinishListWrittenReadsBack) {
  FinishEntry a{true, 1, {120, 121}, {}}, b{true, 199, {}, {7}}, absent{false, 2, {5}, {}},
      outside{true, 200, {5}, {}};
  ParseFinishListText(WriteFinishListText({a, b, absent, outside}));
  const struct {
    int finish, pattern, kind;
  } cases[] = {{1, 120, 20}, {1, 121, 20}, {1, 7, 3}, {199, 7, 21}, {2, 5, 3}, {0, 120, 3}};
  for (const auto& c : cases)
    EXPECT_EQ(GetFinishKind(c.finish, c.pattern), c.kind) << c.finish << " " << c.pattern;
}

TEST(BattleDigits, DigitFlagsFollowTheRule) {
  const struct {
    int64_t value;
    uint32_t bits;
  } cases[] = {{10000007, 0x81}, {10000111, 0x87}, {0, 0}, {111111111, 0xFF}, {20, 0x2}};
  for (const auto& c : cases) EXPECT_EQ(battle_text::DigitFlagsToBits(c.value), c.bits) << c.value;
}

const char kCommands[] =
    "// id notation flagsA flagsB pattern cost partner limit air\r\n"
    "0  236A   10000007 0 100 0 0 0 0\r\n"
    "2  623C\t10000111 100000 110 1000 1 35 2 // comment\r\n"
    "2  41236A 1 0 999 0 0 0 0\r\n"                // duplicate id: the first wins
    "5  2+A    7 1000 120\r\n"                     // missing fields read 0
    "6  6A     1 0 130 0 0 300 0\r\n"              // a one-byte field above 255: refused
    "7  12345678901234567890 1 0 140 0 0 0 0\r\n"  // 20 characters: refused
    "4294967295 A 1 0 1 0 0 0 0\r\n"               // id far above 1023: refused
    "-3 A 1 0 1 0 0 0 0\r\n"
    "END\r\n"
    "[ThrowParam]\r\nGround=0,5\r\nAir=45,6\r\n"
    "[Status]\r\nAirJumpNum=1\r\nCharaGravity_AddY=170\r\nGuard=0.5,0.75\r\n"
    "[ExComCheck]\r\nNum=2\r\n000_CheckNum=5\r\n000_Type=1\r\n000_P4=-9\r\n";

TEST_F(BattleTables, CommandFileLines) {
  vt::SetDebugQuiet(true);
  auto t = ParseCharaCommandFile(kCommands, "c");
  vt::SetDebugQuiet(false);
  ASSERT_EQ(t->commands.size(), 8u);  // sized by the highest id up to 1023 (7), plus one
  ASSERT_TRUE(t->commands[0]);
  EXPECT_STREQ(t->commands[0]->notationText, "236A");
  // Compiled by the reader itself, whatever battle seams are installed (the fixture's are neutral).
  const uint8_t compiled236A[] = {2, 3, 6, 'A', 0xFF};
  EXPECT_EQ(std::memcmp(t->commands[0]->notation, compiled236A, sizeof compiled236A), 0);
  EXPECT_EQ(t->commands[0]->cancelKind, 1);
  EXPECT_EQ(t->commands[0]->flags, 0x1u);  // 10000007: only the units digit is a flag digit set
  EXPECT_EQ(t->commands[0]->pattern, 100u);
  EXPECT_FALSE(t->commands[1]);  // gap
  ASSERT_TRUE(t->commands[2]);
  EXPECT_EQ(t->commands[2]->pattern, 110u);  // first line with the id
  EXPECT_EQ(t->commands[2]->flags, 0x7u | 0x2000u | 0x800u | 0x8u);
  EXPECT_EQ(t->commands[2]->cost, 1000u);
  EXPECT_EQ(t->commands[2]->partner, 1);
  EXPECT_EQ(t->commands[2]->counterLimit, 35);
  EXPECT_EQ(t->commands[2]->airLimit, 2);
  ASSERT_TRUE(t->commands[5]);
  EXPECT_EQ(t->commands[5]->flags, 0x1u | 0x800u);
  EXPECT_EQ(t->commands[5]->cost, 0u);
  EXPECT_FALSE(t->commands[3]);
  EXPECT_FALSE(t->commands[4]);
  // The ini half.
  EXPECT_EQ(t->groundThrow.enabled, 0);
  EXPECT_EQ(t->groundThrow.first, 0);
  EXPECT_EQ(t->groundThrow.second, 5);
  EXPECT_EQ(t->airThrow.enabled, 1);
  EXPECT_EQ(t->airThrow.first, 45);
  EXPECT_EQ(t->airJumps, 1);
  EXPECT_EQ(t->gravityAddY, 170);
  EXPECT_EQ(t->gravityMaxX, 1000);
  EXPECT_EQ(t->guardRatio[0], 0.5f);
  EXPECT_EQ(t->guardRatio[1], 0.75f);
  EXPECT_EQ(t->guardRatio[2], 1.0f);
  ASSERT_EQ(t->exComChecks.size(), 2u);
  EXPECT_EQ(t->exComChecks[0].commandId, 5);
  EXPECT_EQ(t->exComChecks[0].type, 1);
  EXPECT_EQ(t->exComChecks[0].p[4], -9);
  EXPECT_EQ(t->exComChecks[1].commandId, 0);  // record 1 has no keys
}

TEST_F(BattleTables, CommandFileEdgeCases) {
  vt::SetDebugQuiet(true);
  // Without "END" the whole file is the list and the ini half is empty.
  auto t = ParseCharaCommandFile("1 A 1 0 10 0 0 0 0\r\n[Status]\r\nAirJumpNum=3\r\n", "c");
  EXPECT_EQ(t->airJumps, 0);
  ASSERT_EQ(t->commands.size(), 2u);
  // A cost the meter code would read as negative, or a pattern outside 0..32767, refuses the line;
  // the whole-spend cost stays.
  const struct {
    const char* line;
    bool kept;
    uint32_t cost;
  } costs[] = {
      {"1 A 1 0 10 -5 0 0 0\r\n", false, 0},
      {"1 A 1 0 10 4294967291 0 0 0\r\n", false, 0},
      {"1 A 1 0 10 2147483648 0 0 0\r\n", false, 0},
      {"1 A 1 0 10 2147483647 0 0 0\r\n", true, 2147483647u},
      {"1 A 1 0 10 65535 0 0 0\r\n", true, 65535u},
      // The pattern must be a pattern number a request can carry.
      {"1 A 1 0 -1 0 0 0 0\r\n", false, 0},
      {"1 A 1 0 32768 0 0 0 0\r\n", false, 0},
      {"1 A 1 0 32767 0 0 0 0\r\n", true, 0},
  };
  for (const auto& c : costs) {
    t = ParseCharaCommandFile(c.line, "c");
    ASSERT_EQ(t->commands.size(), 2u) << c.line;
    EXPECT_EQ(t->commands[1] != nullptr, c.kept) << c.line;
    if (t->commands[1]) {
      EXPECT_EQ(t->commands[1]->cost, c.cost) << c.line;
    }
  }
  // Num out of range is capped; a long ThrowParam value is cut.
  t = ParseCharaCommandFile(
      "END\r\n[ExComCheck]\r\nNum=100000\r\n[ThrowParam]\r\nGround=1,2" + std::string(300, ' ') + "x\r\n",
      "c");
  EXPECT_EQ(t->exComChecks.size(), 256u);
  EXPECT_EQ(t->groundThrow.enabled, 1);
  EXPECT_EQ(t->groundThrow.second, 2);
  t = ParseCharaCommandFile("END\r\n[ExComCheck]\r\nNum=-4\r\n", "c");
  EXPECT_TRUE(t->exComChecks.empty());
  vt::SetDebugQuiet(false);
  EXPECT_EQ(CountCommandLines(""), 0u);
}

// "Guard" is read as four comma-separated reals: reading stops at the first value that is not
// a number or not followed by a comma, and the ratios not reached keep 1.0.
TEST_F(BattleTables, CommandFileGuardRatios) {
  const struct {
    const char* value;
    float want[4];
  } cases[] = {
      {"0.5,0.75,0.25,2", {0.5f, 0.75f, 0.25f, 2.0f}},
      {"0.5, 0.75", {0.5f, 0.75f, 1.0f, 1.0f}},
      {"0.5,,0.25,0.3", {0.5f, 1.0f, 1.0f, 1.0f}},
      {"0.5x,0.25", {0.5f, 1.0f, 1.0f, 1.0f}},
      {"x", {1.0f, 1.0f, 1.0f, 1.0f}},
      {"nan,0.5", {1.0f, 1.0f, 1.0f, 1.0f}},
      {"0.5,inf,0.5", {0.5f, 1.0f, 1.0f, 1.0f}},
      {"1e40,0.5", {1.0f, 1.0f, 1.0f, 1.0f}},
  };
  vt::SetDebugQuiet(true);
  for (const auto& c : cases) {
    auto t = ParseCharaCommandFile(std::string("END\r\n[Status]\r\nGuard=") + c.value + "\r\n", "c");
    for (int i = 0; i < 4; ++i) EXPECT_EQ(t->guardRatio[i], c.want[i]) << c.value << " ratio " << i;
  }
  vt::SetDebugQuiet(false);
}

TEST_F(BattleTables, CommandFileLoadKeepsTheOldTableWhenMissing) {
  vt::test::WriteFile("data/x_0_c.txt", "3 A 1 0 10 0 0 0 0\r\nEND\r\n");
  PlayerRecord& r = g_PlayerRecords[0];
  ASSERT_EQ(LoadCharaCommandFile(r, ".\\data\\x_0_c.txt"), 1);
  ASSERT_TRUE(r.ext.commandTable);
  CharaCommandTable* before = r.ext.commandTable.get();
  EXPECT_EQ(LoadCharaCommandFile(r, ".\\data\\missing_c.txt"), 0);
  EXPECT_EQ(r.ext.commandTable.get(), before);
}

}  // namespace
