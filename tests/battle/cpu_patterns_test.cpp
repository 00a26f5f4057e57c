// CPU pattern files: every field at its offset (writer and reader against a hand table of
// offsets), short and long files, ignored bytes, the shared byte 10, the load-time mends of
// negative chances and weights, the int16 cooldown, and the load from disk.
#include "battle/cpu_patterns.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FilePacFunc/FilePac.h"
#include "FilePacFunc/FilePacWriter.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "support/test_util.h"

namespace {

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | b.at(at + i);
  return v;
}

// Each field a distinct value, different per record and step.
std::unique_ptr<CpuPatternFile> DistinctFile() {
  auto f = std::make_unique<CpuPatternFile>();
  f->guardRate = 0x01020304;
  for (int n = 0; n < kCpuPatternRecords; ++n) {
    CpuPatternRecord& r = f->records[n];
    for (int s = 0; s < kCpuPatternSteps; ++s) {
      CpuPatternStep& st = r.steps[s];
      const int k = n * 64 + s;
      st.kind = static_cast<uint8_t>(k);
      st.duration = static_cast<int16_t>(k + 1000);
      st.randomExtra = static_cast<int16_t>(k + 2000);
      st.commandId = static_cast<int16_t>(k + 3000);
      st.word8 = static_cast<int16_t>(-k - 4000);
      st.word10 = static_cast<int16_t>(k + 5000);
      st.flags = 0x80000000u | static_cast<uint32_t>(k);
      st.heldDirection = static_cast<uint8_t>(s + 1);
      st.randomPickValue = static_cast<uint8_t>(s + 100);
    }
    int32_t v = n * 1000;
    for (int32_t* p : {&r.distanceMin, &r.distanceMax, &r.heightWindow, &r.heightMin, &r.heightMax, &r.chance,
                       &r.ownStance, &r.targetStance, &r.targetFree, &r.incomingAttack, &r.ownPatternOn,
                       &r.requiredPattern, &r.requiredFrame, &r.ownLife, &r.targetHittable, &r.interruptible,
                       &r.minLevel, &r.gauge, &r.weight})
      *p = ++v;
    r.cooldown = static_cast<int16_t>(-n - 1);
  }
  return f;
}

TEST(CpuPatternFile, EveryFieldAtItsOffsetAndBack) {
  const auto f = DistinctFile();
  const std::vector<uint8_t> b = WriteCpuPatternFile(*f);
  ASSERT_EQ(b.size(), 189388u);
  EXPECT_EQ(Le(b, 0, 4), 0x01020304u);
  for (int n : {0, 1, 57, 99}) {
    const CpuPatternRecord& r = f->records[n];
    const size_t base = 188 + 1892 * static_cast<size_t>(n);
    for (int s : {0, 1, 39}) {
      const CpuPatternStep& st = r.steps[s];
      const size_t at = base + 44 * static_cast<size_t>(s);
      EXPECT_EQ(Le(b, at, 1), st.kind);
      EXPECT_EQ(static_cast<int16_t>(Le(b, at + 2, 2)), st.duration);
      EXPECT_EQ(static_cast<int16_t>(Le(b, at + 4, 2)), st.randomExtra);
      EXPECT_EQ(static_cast<int16_t>(Le(b, at + 6, 2)), st.commandId);
      EXPECT_EQ(static_cast<int16_t>(Le(b, at + 8, 2)), st.word8);
      EXPECT_EQ(static_cast<int16_t>(Le(b, at + 10, 2)), st.word10);
      EXPECT_EQ(Le(b, at + 24, 4), st.flags);
      EXPECT_EQ(Le(b, at + 32, 1), st.heldDirection);
      EXPECT_EQ(Le(b, at + 33, 1), st.randomPickValue);
    }
    const struct {
      size_t offset;
      int32_t value;
    } fields[] = {{1760, r.distanceMin},    {1764, r.distanceMax},  {1768, r.heightWindow},
                  {1772, r.heightMin},      {1776, r.heightMax},    {1780, r.chance},
                  {1792, r.ownStance},      {1796, r.targetStance}, {1800, r.targetFree},
                  {1804, r.incomingAttack}, {1808, r.ownPatternOn}, {1812, r.requiredPattern},
                  {1816, r.requiredFrame},  {1820, r.ownLife},      {1828, r.targetHittable},
                  {1832, r.interruptible},  {1836, r.cooldown},     {1840, r.minLevel},
                  {1844, r.gauge},          {1860, r.weight}};
    for (const auto& field : fields)
      EXPECT_EQ(static_cast<int32_t>(Le(b, base + field.offset, 4)), field.value)
          << n << " at " << field.offset;
  }
  auto back = std::make_unique<CpuPatternFile>();
  ReadCpuPatternFile(b, back.get());
  EXPECT_TRUE(*back == *f);
}

TEST(CpuPatternFile, ShortFilesReadZeroFilledAndLongOnesStopAtTheSlot) {
  const auto f = DistinctFile();
  std::vector<uint8_t> b = WriteCpuPatternFile(*f);
  auto got = std::make_unique<CpuPatternFile>();

  // Ending two bytes into record 2's distance minimum: records 0 and 1 whole, the minimum's
  // low half, nothing after it.
  const size_t cut = 188 + 1892 * 2 + 1760 + 2;
  ReadCpuPatternFile(std::span<const uint8_t>(b).first(cut), got.get());
  EXPECT_TRUE(got->records[1] == f->records[1]);
  EXPECT_EQ(got->records[2].steps[39], f->records[2].steps[39]);
  EXPECT_EQ(got->records[2].distanceMin, f->records[2].distanceMin & 0xFFFF);
  EXPECT_EQ(got->records[2].distanceMax, 0);
  EXPECT_TRUE(got->records[3] == CpuPatternRecord{});

  // Nothing at all, and half a guard rate.
  ReadCpuPatternFile({}, got.get());
  EXPECT_TRUE(*got == CpuPatternFile{});
  const uint8_t half[] = {0x32, 0x01};
  ReadCpuPatternFile(half, got.get());
  EXPECT_EQ(got->guardRate, 0x132);

  // Bytes past the slot are never read.
  std::vector<uint8_t> longer = b;
  longer.resize(b.size() + 5000, 0xEE);
  ReadCpuPatternFile(longer, got.get());
  EXPECT_TRUE(*got == *f);
}

TEST(CpuPatternFile, BytesTheGameDoesNotReadAreIgnored) {
  const auto f = DistinctFile();
  std::vector<uint8_t> b = WriteCpuPatternFile(*f);
  auto fill = [&](size_t from, size_t count) {
    for (size_t i = 0; i < count; ++i) b[from + i] = 0xA5;
  };
  fill(4, 184);
  for (int n = 0; n < kCpuPatternRecords; ++n) {
    const size_t base = 188 + 1892 * static_cast<size_t>(n);
    for (int s = 0; s < kCpuPatternSteps; ++s) {
      const size_t at = base + 44 * static_cast<size_t>(s);
      fill(at + 1, 1);
      fill(at + 12, 12);
      fill(at + 28, 4);
      fill(at + 34, 10);
    }
    fill(base + 1784, 8);
    fill(base + 1824, 4);
    fill(base + 1848, 12);
    fill(base + 1864, 28);
  }
  auto got = std::make_unique<CpuPatternFile>();
  ReadCpuPatternFile(b, got.get());
  EXPECT_TRUE(*got == *f);
}

struct ValueCase {
  const char* name;
  size_t offset;  // within record 5
  uint32_t stored;
  int32_t chance, weight, cooldown;
};
const ValueCase kValueCases[] = {
    // A chance or weight below 0 counts as 0.
    {"negative chance", 1780, 0xFFFFFFF6u, 0, 0, 0},
    {"most negative weight", 1860, 0x80000000u, 0, 0, 0},
    {"large weight kept", 1860, 0x7FFFFFFFu, 0, 0x7FFFFFFF, 0},
    // The cooldown keeps its low 16 bits, sign and all.
    {"cooldown wider than int16", 1836, 0x00012345u, 0, 0, 0x2345},
    {"cooldown 65535 is -1", 1836, 0x0000FFFFu, 0, 0, -1},
    {"negative cooldown", 1836, 0xFFFFFFC4u, 0, 0, -60},
};

TEST(CpuPatternFile, LoadTimeValues) {
  for (const ValueCase& c : kValueCases) {
    std::vector<uint8_t> b(189388, 0);
    const size_t at = 188 + 1892 * 5 + c.offset;
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(c.stored >> (8 * i));
    auto got = std::make_unique<CpuPatternFile>();
    ReadCpuPatternFile(b, got.get());
    const CpuPatternRecord& r = got->records[5];
    EXPECT_EQ(r.chance, c.chance) << c.name;
    EXPECT_EQ(r.weight, c.weight) << c.name;
    EXPECT_EQ(r.cooldown, c.cooldown) << c.name;
  }
}

// Byte 10 is both an ordinary step's end-if-free bit and the low byte of kind 19's fifth
// record number.
TEST(CpuPatternFile, ByteTenServesBothReadings) {
  struct Case {
    uint8_t byte10, byte11;
    bool endsWhenFree;
    int16_t fifth;
  };
  for (const Case c : {Case{0x01, 0x00, true, 1}, Case{0x63, 0x00, true, 99}, Case{0x00, 0x01, false, 256},
                       Case{0x02, 0x00, false, 2}, Case{0xFF, 0xFF, true, -1}}) {
    std::vector<uint8_t> b(188 + 1892 * 2, 0);
    const size_t at = 188 + 1892 + 44 * 3;
    b[at + 10] = c.byte10;
    b[at + 11] = c.byte11;
    auto got = std::make_unique<CpuPatternFile>();
    ReadCpuPatternFile(b, got.get());
    const CpuPatternStep& st = got->records[1].steps[3];
    EXPECT_EQ(st.EndsWhenFree(), c.endsWhenFree) << int{c.byte10};
    EXPECT_EQ(st.JumpRecord(4), c.fifth) << int{c.byte10};
  }
  CpuPatternStep st;
  st.duration = 7;
  st.randomExtra = 8;
  st.commandId = 9;
  st.word8 = 10;
  st.word10 = 11;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(st.JumpRecord(i), 7 + i);
  EXPECT_EQ(st.JumpRecord(5), 0);
  EXPECT_EQ(st.JumpRecord(-1), 0);
}

class CpuPatternLoad : public testing::Test {
 protected:
  void TearDown() override {
    for (CpuPatternFile& s : g_CpuPatternSlots) s = CpuPatternFile{};
    for (CpuAiState& s : g_CpuAiStates) s = CpuAiState{};
    for (PlayerRecord& r : g_PlayerRecords) r.obj = BattleObject{};
    ResetBattleSeams();
  }
  // A file whose only mark is its guard rate.
  static void WriteMarked(const std::string& path, int32_t guardRate) {
    CpuPatternFile f;
    f.guardRate = guardRate;
    const std::vector<uint8_t> b = WriteCpuPatternFile(f);
    vt::test::WriteFile(path, std::string(b.begin(), b.end()));
  }
};

TEST_F(CpuPatternLoad, FoundMissingLongAndOutsideTheSlots) {
  const auto f = DistinctFile();
  std::vector<uint8_t> b = WriteCpuPatternFile(*f);
  b.resize(b.size() + 300, 0x5A);
  vt::test::WriteFile("data/alpha_0.cpf", std::string(b.begin(), b.end()));
  // A load clears its slot's AI state, and only that one.
  for (CpuAiState& st : g_CpuAiStates) {
    st.record = 4;
    st.waitTimer = 8;
    st.cooldown[99] = 60;
  }
  ASSERT_EQ(LoadCpuPatternFile(".\\data\\alpha_0.cpf", 2), 1);
  EXPECT_TRUE(g_CpuPatternSlots[2] == *f);
  EXPECT_TRUE(g_CpuAiStates[2] == CpuAiState{});
  EXPECT_EQ(g_CpuAiStates[1].record, 4);
  EXPECT_EQ(g_CpuAiStates[3].cooldown[99], 60);
  // A missing file leaves the AI state alone.
  EXPECT_EQ(LoadCpuPatternFile(".\\data\\nobody.cpf", 3), 0);
  EXPECT_EQ(g_CpuAiStates[3].waitTimer, 8);

  // A missing file leaves the slot zero, whatever it held.
  EXPECT_EQ(LoadCpuPatternFile(".\\data\\nobody.cpf", 2), 0);
  EXPECT_TRUE(g_CpuPatternSlots[2] == CpuPatternFile{});

  // A short file.
  vt::test::WriteFile("data/short.cpf", std::string(b.begin(), b.begin() + 188 + 1892));
  ASSERT_EQ(LoadCpuPatternFile(".\\data\\short.cpf", 0), 1);
  EXPECT_EQ(g_CpuPatternSlots[0].guardRate, f->guardRate);
  EXPECT_TRUE(g_CpuPatternSlots[0].records[0] == f->records[0]);
  EXPECT_TRUE(g_CpuPatternSlots[0].records[1] == CpuPatternRecord{});

  for (int slot : {-1, 4}) EXPECT_EQ(LoadCpuPatternFile(".\\data\\alpha_0.cpf", slot), 0) << slot;
}

// A pack member comes before the disk file of the same name, and is read no further than the
// slot either.
TEST_F(CpuPatternLoad, PackBeforeDisk) {
  GetPackList().Clear();
  WriteMarked("data/beta.cpf", 30);
  CpuPatternFile packed;
  packed.guardRate = 50;
  packed.records[99].weight = 7;
  std::vector<uint8_t> b = WriteCpuPatternFile(packed);
  b.resize(b.size() + 100, 0x77);
  ASSERT_TRUE(WritePackFile("0000.p", std::vector<PackWriterMember>{{".\\data\\beta.cpf", b}}, {}));
  ASSERT_EQ(MountPack("0000.p"), 1);
  EXPECT_EQ(LoadCpuPatternFile(".\\data\\beta.cpf", 1), 1);
  EXPECT_TRUE(g_CpuPatternSlots[1] == packed);
  GetPackList().Clear();
  EXPECT_EQ(LoadCpuPatternFile(".\\data\\beta.cpf", 1), 1);
  EXPECT_EQ(g_CpuPatternSlots[1].guardRate, 30);
}

// Character 0 has one body ("alpha"; the second name "0"), character 1 two ("twin" and
// "twin2"), character 2 an empty second name; other characters have no list entry.
TEST_F(CpuPatternLoad, CharacterFilesByTypeThenFallbackIntoTheirSlots) {
  g_BattleSeams.CharaListFiles = [](int index, std::string* file1, std::string* file2) {
    const char* names[3][2] = {{"alpha", "0"}, {"twin", "twin2"}, {"solo", ""}};
    if (index < 0 || index > 2) return 0;
    *file1 = names[index][0];
    *file2 = names[index][1];
    return 1;
  };
  WriteMarked("data/alpha_2.cpf", 20);
  WriteMarked("data/alpha.cpf", 10);
  WriteMarked("data/twin.cpf", 30);
  WriteMarked("data/twin2_0.cpf", 41);
  WriteMarked("data/solo.cpf", 50);
  struct Case {
    const char* name;
    int player, chara, type;
    int32_t before[4];  // guard rates the slots hold before the load
    int32_t after[4];
  };
  const Case cases[] = {
      {"the type's own file", 0, 0, 2, {0, 0, 0, 0}, {20, 0, 0, 0}},
      {"the fallback name", 0, 0, 3, {0, 0, 0, 0}, {10, 0, 0, 0}},
      {"partner slot, one body", 2, 0, 2, {0, 0, 0, 0}, {0, 0, 20, 0}},
      {"two bodies fill p and p + 2", 1, 1, 0, {0, 0, 0, 0}, {0, 30, 0, 41}},
      {"two bodies: the second by its own type name", 0, 1, 0, {0, 0, 0, 7}, {30, 0, 41, 7}},
      {"slot 3 of a two-body side loads nothing", 3, 1, 0, {0, 0, 0, 41}, {0, 0, 0, 41}},
      {"an empty second name is one body", 2, 2, 0, {0, 0, 0, 0}, {0, 0, 50, 0}},
      {"a missing file zeroes the slot", 0, 0, 9, {5, 0, 0, 0}, {10, 0, 0, 0}},
      {"no list entry zeroes the slot", 1, 7, 0, {0, 5, 0, 0}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    for (int i = 0; i < 4; ++i) g_CpuPatternSlots[i].guardRate = c.before[i];
    g_PlayerRecords[c.player].obj.charaIndex = static_cast<uint8_t>(c.chara);
    g_PlayerRecords[c.player].obj.type = static_cast<int16_t>(c.type);
    EXPECT_EQ(LoadCharacterCpuPatterns(c.player), 1) << c.name;
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(g_CpuPatternSlots[i].guardRate, c.after[i]) << c.name << ", slot " << i;
  }
  // A missing file with no fallback either.
  g_BattleSeams.CharaListFiles = [](int, std::string* file1, std::string* file2) {
    *file1 = "nobody";
    *file2 = "0";
    return 1;
  };
  g_CpuPatternSlots[0].guardRate = 9;
  EXPECT_EQ(LoadCharacterCpuPatterns(0), 1);
  EXPECT_EQ(g_CpuPatternSlots[0].guardRate, 0);
}

}  // namespace
