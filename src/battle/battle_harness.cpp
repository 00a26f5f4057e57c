// The headless battle harness.
#include "battle/battle_harness.h"

#include <string>

#include "app/random.h"
#include "battle/battle_driver.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/chara_loader.h"
#include "battle/command_input.h"
#include "battle/control_rules.h"
#include "battle/frame_conditions.h"
#include "battle/frame_effects.h"
#include "battle/gauges.h"
#include "battle/hit_detection.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"
#include "battle/partners.h"

namespace {

struct HarnessState {
  std::string names[2];
  const HarnessScript* script = nullptr;
  uint32_t frame = 0;
  uint8_t held[kPlayerSlots] = {};
};

HarnessState& State() {
  static HarnessState s;
  return s;
}

int ListCount() { return 2; }

int ListFiles(int index, std::string* file1, std::string* file2) {
  if (index < 0 || index > 1) return 0;
  *file1 = State().names[index];
  file2->assign(1, '0');  // no second body
  return 1;
}

// The pad of a side: the direction made relative to the facing, held and pressed buttons.
void ReadPad(BattleObject* o) {
  HarnessState& h = State();
  const HarnessPad pad = h.script ? (*h.script)(h.frame, o->side) : HarnessPad{};
  const uint8_t dir = pad.dir < 10 ? pad.dir : 0;
  o->inputDir = o->facing == 1 ? MirrorDirection(dir) : dir;
  const uint8_t held = pad.buttons & 0x1F;
  const uint8_t pressed = held & static_cast<uint8_t>(~h.held[o->playerIndex & 3]);
  const uint8_t released = h.held[o->playerIndex & 3] & static_cast<uint8_t>(~held);
  h.held[o->playerIndex & 3] = held;
  o->inputButtons = static_cast<uint32_t>(pressed) | (static_cast<uint32_t>(held) << 12);
  o->inputReleased = released;
}

// Stand-in for the automatic facing: face the other side's active character.
void Face(BattleObject* o) {
  const int other = o->playerIndex == 0 ? 1 : 0;
  const BattleObject& t = g_PlayerRecords[other].obj;
  o->target = const_cast<BattleObject*>(&t);
  if (t.posX != o->posX) o->wantedFacing = t.posX < o->posX ? 1 : 0;
}

void InstallStandIns() {
  InstallCommandInputSeams();
  // frame effects installer
  InstallFrameEffectSeams();

  // frame conditions installer
  InstallFrameConditionSeams();

  // control rules installer
  InstallControlRuleSeams();

  // gauges, shield and partners installer
  InstallGaugeAndPartnerSeams();

  // drawing support and first-battle-work installer
  InstallHitDetectionSeams();

  BattleSeams& s = g_BattleSeams;
  s.CharaListCount = ListCount;
  s.CharaListFiles = ListFiles;
  if (!s.ReadBattlePad) s.ReadBattlePad = ReadPad;
  if (!s.AutoFacing) s.AutoFacing = Face;
}

}  // namespace

bool HarnessLoadMatch(const HarnessCharacter& side0, const HarnessCharacter& side1, bool thread,
                      uint32_t randomSeed) {
  ResetAllBattleGlobals();
  HarnessState& h = State();
  h = HarnessState{};
  h.names[0] = side0.file1;
  h.names[1] = side1.file1;
  InstallStandIns();
  LoadTypeFile();
  LoadVectorTable();
  const HarnessCharacter* c[2] = {&side0, &side1};
  for (int i = 0; i < 2; ++i) {
    PlayerSelection& s = g_PlayerSelections[i];
    s = PlayerSelection{};
    s.character = i;
    s.side = i;
    s.type = c[i]->type;
    s.color = c[i]->color;
    s.decided = 1;
  }
  if (thread) {
    CCharaDataLoader& loader = GetCharaDataLoader();
    loader.allCpu = 0;
    loader.progress = 0;
    if (!loader.Start()) return false;
    WaitCharaDataLoader();
  } else {
    CharaLoadSetup setups[4];
    BuildCharaLoadSetups(setups, 0);
    LoadCharacters(setups, nullptr);
  }
  RelinkPlayerRecords();
  for (int i = 0; i < 2; ++i) {
    if (!g_PlayerRecords[i].inUse || !g_FrameDataSets[i].patterns) return false;
  }
  InitMatchBattleState();
  SeedRandomGeneratorsFrom(randomSeed);
  HarnessPrepareRound();
  return true;
}

void HarnessPrepareRound() {
  ClearObjectPool();
  ResetBattleCounters();
  for (int side = 0; side < 2; ++side) ResetPartnerRound(side);
  for (int i = 0; i < kPlayerSlots; ++i) {
    PlayerRecord& r = g_PlayerRecords[i];
    if (!r.inUse) continue;
    const int side = i & 1;
    InitPlayerRecord(r, side, side == 0 ? -128 * 128 : 128 * 128, side);
    r.obj.pattern = 0;
    r.obj.frame = 0;
    ResetActionState(r.obj);
    SetPattern(r.obj);
  }
  g_CommandLock = 0;
  g_BattlePhase = 1;
  RunWarmUpFrames();
  State().frame = 0;
}

uint64_t HarnessRunFrame(const HarnessScript& script) {
  HarnessState& h = State();
  h.script = &script;
  BattleUpdate();
  BattleDrawHalf();
  h.script = nullptr;
  ++h.frame;
  return BattleStateHash();
}

HarnessScript HarnessDefaultScript(uint32_t seed) {
  return [seed](uint32_t frame, int side) {
    // Moves held for 24 frames each, chosen by a small integer hash of the seed, side and slot.
    static constexpr HarnessPad kMoves[] = {{0, 0}, {6, 0}, {4, 0}, {2, 0}, {8, 0}, {9, 0}, {6, 1}, {0, 1},
                                            {0, 2}, {0, 4}, {2, 2}, {0, 8}, {9, 1}, {7, 4}, {3, 1}, {6, 0}};
    const uint32_t slot = frame / 24;
    uint32_t x = seed * 2654435761u ^ (slot * 40503u + static_cast<uint32_t>(side) * 977u);
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    HarnessPad pad = kMoves[x % 16];
    const uint32_t t = frame % 24;
    if (pad.buttons == 8) {
      // The D slot enters a quarter circle forward with A ("236A"); side 1 starts facing left,
      // so its forward is screen direction 4.
      static constexpr uint8_t kQuarter[3] = {2, 3, 6};
      pad.dir = t < 9 ? kQuarter[t / 3] : 0;
      if (side == 1) pad.dir = MirrorDirection(pad.dir);
      pad.buttons = t == 8 || t == 9 ? 1 : 0;
      return pad;
    }
    // Buttons are pressed on the first frames of a slot only, then released.
    if (t >= 4) pad.buttons = 0;
    return pad;
  };
}

void HarnessRelease() {
  for (FrameDataSet& s : g_FrameDataSets) FreeFrameDataSetContents(s);
  FreeFrameDataSetContents(g_CommonFrameData);
  ResetAllBattleGlobals();
  ResetBattleSeams();
}
