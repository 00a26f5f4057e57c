// Fuzz target: the battle rules on untrusted frame data. The input bytes build a small world
// in memory (two characters and the common effects, each a few patterns whose frames carry
// effects, conditions, states and boxes with every number taken from the input, plus a command
// list), install the rule seams as the game does, and run a few dozen battle frames with pad
// input from the input too. Numbers lean towards the known types and the extreme values.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_driver.h"
#include "battle/battle_draw.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/battle_rules.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/chara_command.h"
#include "battle/object_state.h"
#include "battle/partners.h"

namespace {

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
  int32_t I32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | U8();
    return static_cast<int32_t>(v);
  }
  int16_t I16() { return static_cast<int16_t>(static_cast<uint16_t>(U8() << 8 | U8())); }
  // A number: mostly one of the values rules trip on, sometimes any 32-bit value.
  int32_t Number() {
    static constexpr int32_t kValues[] = {0,
                                          -1,
                                          1,
                                          2,
                                          3,
                                          4,
                                          5,
                                          6,
                                          9,
                                          10,
                                          11,
                                          17,
                                          99,
                                          100,
                                          101,
                                          119,
                                          120,
                                          255,
                                          256,
                                          999,
                                          1000,
                                          1023,
                                          1024,
                                          9999,
                                          10000,
                                          30000,
                                          32767,
                                          32768,
                                          65535,
                                          65536,
                                          -2,
                                          -10,
                                          -100,
                                          -1000,
                                          -30000,
                                          -32768,
                                          -32769,
                                          0x40000000,
                                          -0x40000000,
                                          std::numeric_limits<int32_t>::min(),
                                          std::numeric_limits<int32_t>::min() + 1,
                                          std::numeric_limits<int32_t>::max(),
                                          std::numeric_limits<int32_t>::max() - 1};
    constexpr uint8_t kCount = sizeof kValues / sizeof kValues[0];
    const uint8_t b = U8();
    if (b < 4 * kCount) return kValues[b % kCount];
    if (b < 0xF0) return static_cast<int32_t>(b) - 0xC0;  // small values, some negative
    return I32();
  }
  bool Done() const { return pos_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// Pattern numbers the rules and the control code use, and some far ones.
int32_t PatternNumber(Bytes& in) {
  static constexpr int16_t kNumbers[] = {0,  1,  2,  3,  10, 11, 12,  13,  17,  18,  20,  30,  31,
                                         35, 40, 41, 50, 52, 90, 100, 101, 110, 200, 300, 400, 999};
  const uint8_t b = in.U8();
  if (b < 200) return kNumbers[b % (sizeof kNumbers / sizeof kNumbers[0])];
  return static_cast<uint16_t>(in.I16()) % 1000;
}

int32_t EffectType(Bytes& in) {
  static constexpr int32_t kTypes[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 30, 101, 108, 111, 1000, 10002};
  const uint8_t b = in.U8();
  if (b < 240) return kTypes[b % (sizeof kTypes / sizeof kTypes[0])];
  return in.Number();
}

int32_t EffectNumber(Bytes& in, int32_t type) {
  static constexpr int32_t kSpecial[] = {0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,
                                         13,  14,  15,  16,  17,  18,  19,  20,  21,  22,  23,  24,  50,
                                         100, 101, 102, 103, 105, 106, 107, 110, 111, 112, 113, 114, 150,
                                         151, 152, 153, 155, 200, 252, 253, 254, 255, 1100};
  const uint8_t b = in.U8();
  if (type == 6 && b < 240) return kSpecial[b % (sizeof kSpecial / sizeof kSpecial[0])];
  if (b < 240) return b % 8;
  return in.Number();
}

int32_t ConditionType(Bytes& in) {
  const uint8_t b = in.U8();
  if (b < 42) return b + 1;
  static constexpr int32_t kMore[] = {50, 52, 53, 54, 55, 60, 70, 100, 150, 151};
  if (b < 242) return kMore[b % (sizeof kMore / sizeof kMore[0])];
  return in.Number();
}

void BuildPatterns(Bytes& in, Han6PatternSet& set) {
  const int patterns = 1 + in.U8() % 6;
  for (int p = 0; p < patterns; ++p) {
    const int32_t number = p == 0 ? 0 : PatternNumber(in);
    auto pat = std::make_unique<Han6Pattern>();
    pat->psts = in.U8() % 4;
    pat->plvl = in.U8() % 4;
    pat->pflg = in.U8();
    const int frames = 1 + in.U8() % 4;
    for (int f = 0; f < frames; ++f) {
      Han6Frame fr;
      fr.spriteKind = 1;
      fr.duration = static_cast<uint16_t>(in.U8() % 6);
      fr.endAction = in.U8() % 4;
      fr.flowFlags = in.U8();
      fr.jumpTarget = static_cast<int16_t>(in.U8() % 4 == 0 ? in.I16() : PatternNumber(in));
      fr.landingTarget = static_cast<int16_t>(PatternNumber(in));
      fr.loopCount = static_cast<int16_t>(in.U8() % 4);
      fr.loopExitTarget = static_cast<int16_t>(in.U8() % 5);
      fr.priority = static_cast<int16_t>(in.U8());
      const uint8_t shape = in.U8();
      if (shape & 1) {
        Han6FrameState st;
        st.stance = in.U8() % 4;
        st.asmv = in.U8();
        st.asys = in.U8();
        st.ascn = in.U8();
        st.ascs = in.U8();
        st.asaa = in.U8();
        st.asct = in.U8();
        st.asf0 = in.Number();
        st.asf1 = in.Number();
        st.asmx = in.I16();
        if (shape & 2) {
          Han6Motion m;
          m.flags = in.U8();
          m.velocityX = in.I16();
          m.velocityY = in.I16();
          m.accelerationX = in.I16();
          m.accelerationY = in.I16();
          st.motion = m;
        }
        pat->statePool.push_back(st);
        fr.state = &pat->statePool.back();
      }
      if (shape & 4) {
        Han6AttackData a;
        a.atgd = in.Number();
        a.level = in.U8() % 4;
        a.atkk = in.U8();
        for (int16_t& v : a.hitVectors) v = static_cast<int16_t>(in.U8());
        pat->attackPool.push_back(a);
        fr.attack = &pat->attackPool.back();
        pat->boxPool.push_back(Han6Box{in.I16(), in.I16(), in.I16(), in.I16()});
        fr.attackBoxes.push_back(&pat->boxPool.back());
        fr.attackBoxCount = 1;
      }
      const int boxes = (shape >> 3) % 13;
      for (int b = 0; b < boxes; ++b) {
        if (in.U8() % 5 == 0) {
          fr.boxes.push_back(nullptr);
          continue;
        }
        pat->boxPool.push_back(Han6Box{static_cast<int16_t>(-20 - in.U8()),
                                       static_cast<int16_t>(-100 - in.U8()),
                                       static_cast<int16_t>(20 + in.U8()), static_cast<int16_t>(in.U8())});
        fr.boxes.push_back(&pat->boxPool.back());
      }
      fr.boxCount = static_cast<uint8_t>(fr.boxes.size());
      const int effects = in.U8() % 4;
      for (int e = 0; e < effects; ++e) {
        Han6Effect rec;
        rec.type = EffectType(in);
        rec.number = EffectNumber(in, rec.type);
        for (int32_t& v : rec.params) v = in.Number();
        pat->effectPool.push_back(rec);
        fr.effects.push_back(&pat->effectPool.back());
      }
      fr.effectCount = static_cast<uint8_t>(fr.effects.size());
      const int conditions = in.U8() % 4;
      for (int c = 0; c < conditions; ++c) {
        Han6Condition rec;
        rec.type = ConditionType(in);
        for (int32_t& v : rec.params) v = in.Number();
        pat->conditionPool.push_back(rec);
        fr.conditions.push_back(&pat->conditionPool.back());
      }
      fr.conditionCount = static_cast<uint8_t>(fr.conditions.size());
      pat->frames.push_back(std::move(fr));
    }
    set.patterns[static_cast<size_t>(number)] = std::move(pat);
  }
}

// A command list in the file's own text form, numbers from the input.
std::string BuildCommandText(Bytes& in) {
  static constexpr const char* kNotations[] = {"A",   "B",    "C",    "D",    "E",      "2A",      "6B",
                                               "2+A", "236A", "623C", "214B", "41236A", "020202D", "66",
                                               "44",  "8",    "2",    "22C",  "A+B",    "6A"};
  std::string text;
  const int lines = in.U8() % 8;
  for (int i = 0; i < lines; ++i) {
    const int id = in.U8() % 3 == 0 ? in.Number() : in.U8() % 40;
    text += std::to_string(id) + " " + kNotations[in.U8() % (sizeof kNotations / sizeof kNotations[0])];
    text += " " + std::to_string(static_cast<uint32_t>(in.I32()) % 100000000u);
    text += " " + std::to_string(static_cast<uint32_t>(in.I32()) % 1000000u);
    text += " " + std::to_string(PatternNumber(in));
    text += " " + std::to_string(in.Number());
    text += " " + std::to_string(in.U8() % 3);
    text += " " + std::to_string(in.U8());
    text += " " + std::to_string(in.U8() % 4) + "\r\n";
  }
  text += "END\r\n[ThrowParam]\r\nGround=" + std::to_string(in.U8() % 2) + "," + std::to_string(in.Number());
  text += "\r\nAir=" + std::to_string(in.U8() % 2) + "," + std::to_string(in.Number());
  text += "\r\n[Status]\r\nAirJumpNum=" + std::to_string(in.U8() % 4) + "\r\n";
  const int checks = in.U8() % 3;
  text += "[ExComCheck]\r\nNum=" + std::to_string(checks) + "\r\n";
  for (int i = 0; i < checks; ++i) {
    char key[8];
    std::snprintf(key, sizeof key, "%03d_", i);
    text += std::string(key) + "CheckNum=" + std::to_string(in.U8() % 40) + "\r\n";
    text += std::string(key) + "Type=" + std::to_string(in.U8() % 4) + "\r\n";
    for (int k = 0; k < 6; ++k)
      text += std::string(key) + "P" + std::to_string(k) + "=" + std::to_string(in.Number()) + "\r\n";
  }
  return text;
}

void FillTypeRow(Bytes& in, TypeParams& t) {
  static constexpr float kFloats[] = {0.0f, 1.0f, 0.5f, 2.0f, -1.0f, 100.0f, 1000.0f, 0.01f};
  // The type file's reader takes anything the float parser does, "inf" and "nan" included.
  static constexpr float kExtremes[] = {3.0e38f,
                                        -3.0e38f,
                                        std::numeric_limits<float>::infinity(),
                                        -std::numeric_limits<float>::infinity(),
                                        std::numeric_limits<float>::quiet_NaN(),
                                        1.0e-30f,
                                        2147483648.0f,
                                        -2147483904.0f};
  auto f = [&in] {
    const uint8_t b = in.U8();
    return b < 0xF0 ? kFloats[b % 8] : kExtremes[b % 8];
  };
  auto n = [&in] { return in.U8() % 2 ? in.Number() : static_cast<int32_t>(in.U8()) * 100; };
  t.sparkType = n();
  t.magicCircuitMax = n();
  t.circuitSpark = n();
  t.reverseBeat = n();
  t.isReduce = n();
  t.isExGuard = n();
  t.isExReduce = n();
  t.shieldType = n();
  t.exShieldStand = n();
  t.exShieldCrouch = n();
  t.exShieldAir = n();
  t.shieldKeepTime = n();
  t.shieldCost = n();
  t.advancingCount = n();
  t.advancingVec = n();
  t.mcPlusVal = f();
  t.mcGuardPlus = n();
  t.vsDamageVal = f();
  t.guardGround = f();
  t.guardAir = f();
  t.guardCrouch = f();
  t.gqStopVal = n();
  t.gqRecoverVal = f();
  t.gqMaxVal = f();
  t.ggMaxVal = f();
  t.ggHealVal = f();
  t.ggHealPlusVal = f();
  t.ggRecoverVal = n();
  t.ggStopVal = n();
  t.ggCorrectVal = f();
}

// The pads of 64 frames as they enter the game: raw directions (anything 0..15 a damaged replay
// or peer could carry) and held buttons, which the joystick's banks turn into presses and
// releases.
struct Pads {
  uint8_t dir[64][2] = {};
  uint8_t buttons[64][2] = {};
};

Pads& CurrentPads() {
  static Pads p;
  return p;
}

// Motion and hit vector tables, read from the end of the input so the bytes at the front
// keep building the same world: a few entries with counts 0..5 and numbers from the input.
void FillVectorTables(const uint8_t* data, size_t size) {
  const size_t tail = std::min<size_t>(size, 256);
  std::vector<uint8_t> reversed(data + size - tail, data + size);
  std::reverse(reversed.begin(), reversed.end());
  Bytes in(reversed.data(), reversed.size());
  VectorTables& v = g_VectorTables;
  v.motion.resize(in.U8() % 6);
  for (MotionVector& m : v.motion) {
    m.vx = in.Number();
    m.vy = in.Number();
    m.ax = in.Number();
    m.ay = in.Number();
  }
  v.hit.resize(in.U8() % 12);
  for (HitVector& h : v.hit) {
    h.count = in.U8() % 6;
    h.invuln = in.Number();
    h.level = in.Number();
    h.replacement = in.Number();
    h.fifth = in.Number();
    for (int k = 0; k < h.count; ++k) {
      HitVectorStep& st = h.steps[k];
      st.motion = in.U8() % 2 ? in.Number() : in.U8() % 8;
      st.pattern = PatternNumber(in);
      st.pattern2 = PatternNumber(in);
      st.stun = in.Number();
      st.fifth = in.Number();
      st.flags = in.U8();
    }
  }
  for (uint8_t& b : v.battleBytes) b = in.U8();
  v.pushNormal = in.Number();
  v.pushFinish = in.Number();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  Bytes in(data, size);
  ResetAllBattleGlobals();
  ResetBattleSeams();
  // Headless: the battle's drawing steps change their state and queue nothing.
  g_BattleDrawSubmit = false;
  g_VectorTables = VectorTables{};
  FillVectorTables(data, size);
  for (TypeParams& t : g_TypeParams) t = TypeParams{};
  SeedRandomGeneratorsFrom(in.U8());
  g_RandDrawCount = 0;

  InstallBattleRules();
  // The pads reach the battle as the game's: raw port states, the joystick's banks, its pad read.
  if (!g_AppJoystick) StartAppJoystick();
  g_AppJoystick->ClearAll();

  const int frames = 8 + in.U8() % 40;
  auto sets = std::make_unique<Han6PatternSet[]>(3);
  for (int i = 0; i < 2; ++i) {
    FillTypeRow(in, g_TypeParams[i]);
    BuildPatterns(in, sets[i]);
    const std::string commands = BuildCommandText(in);
    PlayerRecord& r = g_PlayerRecords[i];
    g_FrameDataSets[i].patterns = &sets[i];
    r.inUse = 1;
    r.obj.playerIndex = static_cast<uint8_t>(i);
    r.ext.commandTable = ParseCharaCommandFile(commands, "fuzz");
    g_PlayerSelections[i].character = i;
    g_PlayerSelections[i].side = i;
    g_PlayerSelections[i].type = i;
    g_PlayerSelections[i].decided = 1;
  }
  BuildPatterns(in, sets[2]);
  g_CommonFrameData.patterns = &sets[2];
  RelinkPlayerRecords();
  InitMatchBattleState();

  ClearObjectPool();
  ResetBattleCounters();
  for (int side = 0; side < 2; ++side) ResetPartnerRound(side);
  for (int i = 0; i < 2; ++i) {
    PlayerRecord& r = g_PlayerRecords[i];
    InitPlayerRecord(r, i, i == 0 ? -128 * 128 : 128 * 128, i);
    r.obj.type = static_cast<int16_t>(i);
    r.obj.life = r.obj.redLife = kMaxLife;
    r.obj.circuit = in.U8() % 2 ? in.Number() : 0;
    r.obj.pattern = 0;
    r.obj.frame = 0;
    ResetActionState(r.obj);
    SetPattern(r.obj);
  }
  g_CommandLock = 0;
  g_BattlePhase = 1;

  Pads& pads = CurrentPads();
  pads = Pads{};
  for (int f = 0; f < 64 && !in.Done(); ++f)
    for (int s = 0; s < 2; ++s) {
      const uint8_t b = in.U8();
      pads.dir[f][s] = b & 0x0F;
      pads.buttons[f][s] = b >> 4 | (in.U8() & 0x10);
    }
  for (int f = 0; f < frames; ++f) {
    const HarnessPad framePads[2] = {{pads.dir[f % 64][0], pads.buttons[f % 64][0]},
                                     {pads.dir[f % 64][1], pads.buttons[f % 64][1]}};
    HarnessFeedPads(framePads);
    RunBattleFrame();
  }

  ResetAllBattleGlobals();
  g_FrameDataSets[0] = g_FrameDataSets[1] = g_CommonFrameData = FrameDataSet{};
  ResetBattleSeams();
  return 0;
}
