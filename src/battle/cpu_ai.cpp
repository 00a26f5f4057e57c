// The CPU opponent: level rules, searches and the pattern player.
#include "battle/cpu_ai.h"

#include <algorithm>
#include <atomic>

#include "Dxtools/Han6Files/han6_data.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_seams.h"
#include "battle/battle_support.h"
#include "battle/battle_tables.h"
#include "battle/chara_command.h"
#include "battle/command_input.h"
#include "battle/control_rules.h"
#include "battle/cpu_defence.h"
#include "battle/game_mode.h"
#include "battle/object_state.h"
#include "battle/story_routes.h"

namespace {

// The training setting that says what drives the dummy, and its "CPU" value.
constexpr int kTrainingEnemyStatus = 0;
constexpr int kEnemyStatusCpu = 3;

bool InTraining() { return g_GameModeFlags == MODE_TRAINING; }
// Training with the dummy not driven by its own CPU patterns: the AI then leaves the input slots.
bool TrainingNotCpu() {
  return InTraining() && BattleSeamTrainingSetting(kTrainingEnemyStatus) != kEnemyStatusCpu;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kCpuPatternSlots; }
bool ValidRecord(int record) { return record >= 1 && record < kCpuPatternRecords; }

// One row per level -2..4: reaction delay, shield chance after no guard, while shielding.
struct LevelRow {
  int delay, shieldAfterNoGuard, shieldWhileShielding;
};
constexpr LevelRow kLevelRows[7] = {{125, 0, 0},  {90, 0, 0},  {60, 0, 0}, {40, 10, 0},
                                    {15, 15, 35}, {8, 30, 40}, {0, 40, 50}};
// A replay header or a peer can give any level: rows are looked up clamped to the table.
const LevelRow& LevelRowOf(int level) { return kLevelRows[std::clamp(level, -2, 4) + 2]; }

int32_t HorizontalDistance(const BattleObject& a, const BattleObject& b) {
  const int64_t d = int64_t{a.posX} - b.posX;
  return static_cast<int32_t>((d < 0 ? -d : d) >> 8);
}
int32_t HeightOf(const BattleObject& a, const BattleObject& b) {
  return static_cast<int32_t>((int64_t{a.posY} - b.posY) >> 8);
}

// Stance conditions on a frame state's stance (0 standing, 1 airborne, 2 crouching).
bool StancePasses(int32_t condition, int stance) {
  switch (condition) {
    case 1:
      return stance != 1;
    case 2:
      return stance == 1;
    case 3:
      return stance == 0;
    case 4:
      return stance == 2;
    default:
      return true;
  }
}

bool LifePasses(int32_t condition, int32_t life) {
  switch (condition) {
    case 1:
      return life <= g_MaxLife / 2;
    case 2:
      return life <= g_MaxLife / 4;
    case 3:
      return life <= g_MaxLife / 8;
    case 4:
      return life <= g_MaxLife / 16;
    case 5:
      return life == g_MaxLife;
    default:
      return true;
  }
}

// The gauge mode the AI reads: its own, or in the four-player mode its side's active
// character's.
int GaugeModeOf(BattleObject& o) {
  if (g_GameModeFlags & kFourPlayerFlag) {
    const int side = SideIndexOrNone(o.side);
    if (BattleObject* a = side >= 0 ? GetSidePlayer(side, 0) : nullptr) return a->gaugeMode;
  }
  return o.gaugeMode;
}

bool GaugePasses(int32_t condition, BattleObject& o) {
  const int g = GaugeModeOf(o);
  const BattleObject& owner = *GetGaugeOwner(o);
  const int64_t q = owner.circuit;
  const int64_t third = GetTypeParams(owner.type).magicCircuitMax / 3;
  const bool heat = g != 0 && g != 255;
  switch (condition) {
    case 1:
      return g == 0 && q < third;
    case 2:
      return heat || (g == 0 && q >= third);
    case 3:
      return heat || (g == 0 && q >= third * 2);
    case 4:
      return heat;
    case 5:
      return g != 255 && g != 3;
    default:
      return true;
  }
}

// A negative cooldown would count down through the int16 wrap for up to 65,535 frames: it
// counts as 0.
int16_t CooldownOf(const CpuPatternRecord& r) { return std::max<int16_t>(r.cooldown, 0); }

// The held direction codes of a step (byte 32) as numpad directions.
uint8_t HeldDirection(uint8_t code) {
  static constexpr uint8_t kDirs[9] = {0, 6, 4, 8, 2, 3, 1, 9, 7};
  return code < 9 ? kDirs[code] : 0;
}

// Direction and pressed buttons of a step kind (kind 19 with no target acts as kind 0).
struct KindInput {
  uint8_t dir;
  uint32_t press;
};
KindInput KindInputOf(uint8_t kind) {
  static constexpr KindInput kKinds[15] = {{0, 0},   {6, 0},   {4, 0},   {2, 0},   {8, 0},
                                           {9, 0},   {7, 0},   {0, 0x1}, {0, 0x2}, {0, 0x4},
                                           {0, 0x8}, {2, 0x1}, {2, 0x2}, {2, 0x4}, {2, 0x8}};
  return kind < 15 ? kKinds[kind] : KindInput{0, 0};
}
// The held bit a step keeps with flag 0x10: kinds 7..10 and 11..14 hold A, B, C, D.
uint32_t HeldButtonOf(uint8_t kind) {
  if (kind >= 7 && kind <= 10) return 0x1000u << (kind - 7);
  if (kind >= 11 && kind <= 14) return 0x1000u << (kind - 11);
  return 0;
}

const CpuPatternRecord* RecordOf(int slot, int record) {
  if (!ValidSlot(slot) || record < 0 || record >= kCpuPatternRecords) return nullptr;
  return &g_CpuPatternSlots[slot].records[record];
}

void MirrorStep(const BattleObject& o, int slot) {
  CpuAiState& s = g_CpuAiStates[slot];
  s.record = o.aiRecord;
  s.step = o.aiStep;
  s.stepFrames = o.aiStepFrames;
}

int32_t SideActionLock(const BattleObject& o) {
  const int side = SideIndexOrNone(o.side);
  return side >= 0 ? g_SideStatus[side].actionLock : 0;
}

// The capped race draw logs once per slot and file load.
std::atomic<uint32_t> g_RaceCapLoggedLoad[kCpuPatternSlots];

void StartStep(PlayerRecord& player, int record, int step, int slot, int jumps);

void ApplyStepInput(PlayerRecord& player, int slot, int jumps) {
  BattleObject& o = player.obj;
  const CpuPatternRecord* rec = RecordOf(slot, o.aiRecord);
  if (!rec || o.aiStep < 0 || o.aiStep >= kCpuPatternSteps) return;
  const CpuPatternStep& st = rec->steps[o.aiStep];
  MirrorStep(o, slot);
  o.attackConnected = 0;
  KindInput in = KindInputOf(st.kind);
  switch (st.kind) {
    case 16:
      // An id outside the character's command table does nothing (the availability test answers
      // 0 for it).
      if (g_CommandLock == 0 && IsCommandAvailable(player, st.commandId))
        ExecuteCommand(player, st.commandId);
      break;
    case 17:
      o.aiThrowRequest = 1;
      break;
    case 18:
      o.aiSystemRequest = 1;
      break;
    case 19: {
      // Record numbers outside 1..99 are file errors and are passed over.
      int16_t targets[5];
      int count = 0;
      for (int i = 0; i < 5; ++i) {
        const int16_t r = st.JumpRecord(i);
        if (ValidRecord(r)) targets[count++] = r;
      }
      if (count == 0) break;  // as kind 0
      // The jump past the limit ends the record, without its draw.
      if (jumps >= kCpuMaxJumps) {
        ClearCpuAction(o, slot);
        return;
      }
      const int j = RandNext() % count;  // draw: kind 19's jump
      ClearCpuAction(o, slot);
      StartStep(player, targets[j], 0, slot, jumps + 1);
      return;
    }
    default:
      break;
  }
  if (SideActionLock(o) != 0 && in.dir != 4 && in.dir != 6) in.dir = 0;
  if (!TrainingNotCpu()) {
    o.inputDir = in.dir;
    PressCpuButtons(o, in.press);
  }
}

void StartStep(PlayerRecord& player, int record, int step, int slot, int jumps) {
  BattleObject& o = player.obj;
  const CpuPatternRecord* rec = RecordOf(slot, record);
  // Record 0 is never started; a record that runs past its last step ends there (the bytes after
  // step 39 are its conditions, not steps).
  if (!rec || record == 0 || step < 0 || step >= kCpuPatternSteps) {
    ClearCpuAction(o, slot);
    return;
  }
  const CpuPatternStep& st = rec->steps[step];
  if (st.kind == 19) {
    o.aiStepFrames = 10;
  } else {
    if (st.EndsWhenFree() && FrameState(o).asmv != 0) {
      ClearCpuAction(o, slot);
      return;
    }
    int32_t frames = st.duration;
    if (st.randomExtra > 0) frames += RandNext() % st.randomExtra;  // draw: extra frames
    o.aiStepFrames = static_cast<int16_t>(frames);
  }
  o.aiRecord = static_cast<int16_t>(record);
  o.aiStep = static_cast<int16_t>(step);
  MirrorStep(o, slot);
  if (st.flags & kCpuStepRandomPick)
    o.aiRandomPick = static_cast<uint8_t>(std::clamp(st.randomPickValue + 1, 1, 3));
  ApplyStepInput(player, slot, jumps);
}

// The race draw over the candidates: k = draw % count + 1 walks to the k-th candidate with a
// non-zero chance (a chance-0 candidate is counted but never walked) and adds its weight; the
// first to reach the heaviest weight wins. Sums are 64-bit, and the draws are capped: a heaviest
// weight held by a candidate that is never walked would keep the light ones drawing for about
// as many draws as that weight.
int RaceDraw(const int32_t chance[], const int32_t weight[], int count, int32_t heaviest, int slot) {
  int64_t accumulated[kCpuPatternRecords] = {};
  for (int draw = 0; draw < kCpuRaceDrawCap; ++draw) {
    const int k = RandNext() % count + 1;  // draw: race
    int seen = 0;
    for (int n = 0; n < kCpuPatternRecords; ++n) {
      if (chance[n] == 0) continue;
      if (++seen != k) continue;
      accumulated[n] += weight[n];
      if (accumulated[n] >= heaviest) return n;
      break;
    }
  }
  // Weights that never reach the heaviest in reasonable time (the heaviest held by a candidate
  // that can never be drawn): the drawable candidate furthest along, the earliest on a tie.
  int best = -1;
  for (int n = 0; n < kCpuPatternRecords; ++n)
    if (chance[n] != 0 && (best < 0 || accumulated[n] > accumulated[best])) best = n;
  const uint32_t load = CpuPatternLoadCount(slot);
  if (g_RaceCapLoggedLoad[slot].exchange(load) != load)
    DebugPrint("CPU patterns of slot %d: no choice after %d race draws, record %d taken\n", slot,
               kCpuRaceDrawCap, best);
  return best;
}

}  // namespace

int EffectiveCpuLevel() {
  int64_t level = g_CpuLevel;
  if (g_GameModeFlags == MODE_ARCADE) {
    if (const StoryBattleRoute* r = StoryBattleRouteOfSide(g_MainSide)) {
      if (r->stageIndex == 0)
        level -= 2;
      else if (r->stageIndex == 1 || r->stageIndex == 2)
        level -= 1;
      level = std::max<int64_t>(level, -2);
    }
  }
  return static_cast<int>(std::max<int64_t>(level, INT32_MIN));
}

int CpuReactionDelay() { return LevelRowOf(EffectiveCpuLevel()).delay; }

int RollCpuShieldChance(int column) {
  if (column != 0 && column != 1) return 0;
  const LevelRow& row = LevelRowOf(EffectiveCpuLevel());
  const int chance = column == 0 ? row.shieldAfterNoGuard : row.shieldWhileShielding;
  if (chance == 0) return 0;
  const int d = RandNext() % 100;  // draw: shield chance
  return chance >= d ? 1 : 0;
}

int RollCpuGuardRate(int slot) {
  if (!ValidSlot(slot)) return 0;
  int64_t rate = g_CpuPatternSlots[slot].guardRate;
  if (rate == 0) return 0;
  if (rate != 100) {
    // In 64 bits: a huge rate from a file must not wrap; no clamp before the formula.
    rate = std::min<int64_t>(std::max<int64_t>(rate + 8 * (int64_t{EffectiveCpuLevel()} - 3), 0) + 8, 80);
  }
  const int d = RandNext() % 100;  // draw: guard rate
  return rate >= d ? 1 : 0;
}

BattleObject* FindNearestOpponentInRange(BattleObject& o, int32_t distanceMin, int32_t distanceMax,
                                         int32_t heightMin, int32_t heightMax) {
  if (distanceMin > distanceMax) return nullptr;
  if (distanceMin == 0 && distanceMax == 0) distanceMax = 10000;
  const bool heightTest = !(heightMin == 0 && heightMax == 0) && heightMin <= heightMax;
  BattleObject* best = nullptr;
  int32_t bestD = 0;
  for (PlayerRecord& r : g_PlayerRecords) {
    BattleObject& c = r.obj;
    if (!r.inUse || &c == &o || c.side == o.side || c.partnerState == 1) continue;
    const int32_t d = HorizontalDistance(o, c);
    if (d < distanceMin || d > distanceMax) continue;
    if (heightTest) {
      const int32_t h = HeightOf(o, c);
      if (h < heightMin || h > heightMax) continue;
    }
    if (!best || d < bestD) {  // the earlier slot wins a tie
      best = &c;
      bestD = d;
    }
  }
  return best;
}

int FramesUntilAttackLive(BattleObject& o, Han6AttackData* outAttack) {
  constexpr int kNone = 0xFFFF;
  const Han6AttackData* out = nullptr;
  const auto answer = [&](int v) {
    if (outAttack) *outAttack = out ? *out : Han6AttackData{};
    return v;
  };
  if (!o.frameData || !o.frameData->patterns) return answer(kNone);
  int i = o.hitStop != 0 ? o.hitStop - 1 : 0;
  if (i >= 3) return answer(kNone);
  Han6PatternSet* set = o.frameData->patterns;
  int frame = o.frame;
  const Han6Frame* f = GetHan6Frame(set, o.pattern, frame);
  if (!f) return answer(kNone);
  bool live = o.hitsLeft != 0;
  int loop = o.loopCounter;
  // A prediction only: 64-bit locals, nothing stored.
  int64_t y = o.posY, vy = o.velY, ay = o.accY;
  out = f->attack;
  if (f->attack && live) return answer(0);
  int64_t left = std::max<int64_t>(int64_t{f->duration} - o.frameTimer - 1, 0);
  while (i < 3) {
    int next = -1;
    bool go = false;
    if (y > 0) {
      y = 0;
      if (f->landingTarget != -1) {
        next = f->landingTarget;
        go = true;
      }
    } else if (left <= 0) {
      switch (f->endAction) {
        case 0:
          return answer(kNone);
        case 1:
          next = frame + 1;
          go = true;
          break;
        case 2:
          if ((f->flowFlags & 0x2) && loop == 0) {
            next = f->loopExitTarget + ((f->flowFlags & 0x8) ? frame : 0);
          } else {
            next = f->jumpTarget + ((f->flowFlags & 0x4) ? frame : 0);
            if (loop != 0) --loop;
          }
          go = true;
          break;
        default:
          break;
      }
    }
    if (go) {
      f = GetHan6Frame(set, o.pattern, next);
      if (!f) return answer(kNone);
      frame = next;
      if (f->state && f->state->asaa != 0) live = true;
      if (f->loopCount != 0) loop = f->loopCount;
      left = f->duration;
      if (f->state && f->state->motion) {
        const Han6Motion& m = *f->state->motion;
        if ((m.flags & 0xF) == 1) vy = ay = 0;
        vy += m.velocityY;
        ay += m.accelerationY;
      }
      out = f->attack;
    }
    if (f->attack && live) return answer(i);
    vy += ay;
    --left;
    y += vy;
    ++i;
  }
  return answer(kNone);
}

BattleObject* FindImminentThreat(BattleObject& o) {
  const auto counts = [&o](const BattleObject& c) {
    return &c != &o && c.side != o.side && c.kind != kKindAfterimage && c.partnerState != 1;
  };
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && counts(r.obj) && FramesUntilAttackLive(r.obj, nullptr) <= 2) return &r.obj;
  // Slots at or above the high-water mark were never taken.
  for (int n = 0; n < g_PoolHighWater; ++n) {
    ObjectPoolSlot& s = g_ObjectPool[n];
    if (s.inUse && counts(s.obj) && FramesUntilAttackLive(s.obj, nullptr) <= 2) return &s.obj;
  }
  return nullptr;
}

void PressCpuButtons(BattleObject& o, uint32_t buttons) {
  static constexpr uint32_t kButtons[6] = {0x1, 0x2, 0x4, 0x8, 0x10, 0x20};
  uint32_t in = o.inputButtons;
  for (const uint32_t b : kButtons) {
    if (!(buttons & b))
      in &= ~b;
    else if (!(in & b))
      in |= b | (b << 12);
  }
  o.inputButtons = in;
}

int PickCpuPattern(BattleObject& o, int slot, int busy) {
  if (!ValidSlot(slot)) return -1;
  const CpuPatternFile& file = g_CpuPatternSlots[slot];
  CpuAiState& state = g_CpuAiStates[slot];
  if (busy != 0) {
    const CpuPatternRecord* running = RecordOf(slot, o.aiRecord);
    if (!running || running->interruptible != 1) return -1;
  }
  int32_t chance[kCpuPatternRecords] = {};
  int32_t weight[kCpuPatternRecords] = {};
  int64_t sum = 0;
  int count = 0;
  int32_t heaviest = 0;
  const int stance = FrameState(o).stance;
  for (int n = 1; n < kCpuPatternRecords; ++n) {
    const CpuPatternRecord& r = file.records[n];
    if (state.cooldown[n] != 0) continue;               // a
    if (busy != 0 && r.interruptible == 1) continue;    // b
    if (r.minLevel > g_CpuLevel) continue;              // c: the level as given, not lowered
    if (!(r.distanceMin == 0 && r.distanceMax == 0)) {  // d
      const bool window = r.heightWindow != 0;
      BattleObject* t = FindNearestOpponentInRange(o, r.distanceMin, r.distanceMax, window ? r.heightMin : 0,
                                                   window ? r.heightMax : 0);
      if (!t) continue;
      // A target without a frame reads the shared all-zero state: standing and not free.
      const Han6FrameState& ts = FrameState(*t);
      if (!StancePasses(r.targetStance, ts.stance)) continue;
      if (r.targetFree == 1 && ts.asmv != 1) continue;
      if (r.targetFree == 2 && ts.asmv == 1) continue;
      if (r.targetHittable != 0 && !(t->hitReaction >= 0 && t->downState <= 2)) continue;
    }
    if (!StancePasses(r.ownStance, stance)) continue;  // e
    if (!LifePasses(r.ownLife, o.life)) continue;      // f
    if (r.ownPatternOn != 0 &&                         // g
        (o.pattern != r.requiredPattern || (r.requiredFrame != 255 && o.frame != r.requiredFrame)))
      continue;
    if (!GaugePasses(r.gauge, o)) continue;                             // h
    if (r.incomingAttack != 0 && FindIncomingAttack(o) == 0) continue;  // i
    if (r.weight == 0) continue;                                        // j
    chance[n] = r.chance;
    weight[n] = r.weight;
    sum += r.chance;
    ++count;
    heaviest = std::max(heaviest, r.weight);
  }
  if (sum == 0 || count == 0) return -1;
  const int chosen = RaceDraw(chance, weight, count, heaviest, slot);
  if (chosen < 0) return -1;
  const CpuPatternRecord& r = file.records[chosen];
  state.cooldown[chosen] = CooldownOf(r);
  const int d = RandNext() % 100;  // draw: chance roll
  if (d <= r.chance) return chosen;
  if (CooldownOf(r) != 0) state.waitTimer = CpuReactionDelay();
  return -1;
}

void StartCpuStep(PlayerRecord& player, int record, int step, int slot) {
  if (!ValidSlot(slot)) return;
  StartStep(player, record, step, slot, 0);
}

void ApplyCpuStepInput(PlayerRecord& player, int slot) {
  if (!ValidSlot(slot)) return;
  ApplyStepInput(player, slot, 0);
}

void ClearCpuAction(BattleObject& o, int slot) {
  o.aiRecord = o.aiStep = o.aiStepFrames = 0;
  if (ValidSlot(slot)) MirrorStep(o, slot);
  if (!TrainingNotCpu()) {
    o.inputDir = 0;
    o.inputButtons = 0;
  }
}

void TickCpuStep(PlayerRecord& player, int slot) {
  BattleObject& o = player.obj;
  // No record running: nothing to count down (record 0 is never started).
  const CpuPatternRecord* rec = ValidRecord(o.aiRecord) ? RecordOf(slot, o.aiRecord) : nullptr;
  if (!rec || o.aiStep < 0 || o.aiStep >= kCpuPatternSteps) return;
  CpuAiState& state = g_CpuAiStates[slot];
  --o.aiStepFrames;
  --state.stepFrames;
  const CpuPatternStep& s = rec->steps[o.aiStep];
  const uint32_t f = s.flags;
  if (o.aiStepFrames <= 0) {
    if (f & (kCpuStepEndRecord | kCpuStepClearAction))
      ClearCpuAction(o, slot);
    else
      StartCpuStep(player, o.aiRecord, o.aiStep + 1, slot);
  } else if ((f & kCpuStepWatchContact) && o.attackConnected != 0) {
    const bool confirmed = (f & kCpuStepContactNeeds2) ? (o.contactFlags & 0x2) != 0 : o.contactFlags != 0;
    if (confirmed) {
      if (f & kCpuStepEndRecord)
        ClearCpuAction(o, slot);
      else
        StartCpuStep(player, o.aiRecord, o.aiStep + 1, slot);
    }
  } else {
    o.inputDir = HeldDirection(s.heldDirection);
    if (f & kCpuStepKeepButton) o.inputButtons |= HeldButtonOf(s.kind);
  }
  if ((f & kCpuStepEndNear) && FindNearestOpponentInRange(o, 0, 45, 0, 0)) ClearCpuAction(o, slot);
}

void CpuAiFrame(PlayerRecord& player, int slot) {
  if (!ValidSlot(slot)) return;
  BattleObject& o = player.obj;
  if (o.noCommand != 0 || g_CommandLock == 2 || BattleSeamIsDummyTakenOver()) return;
  const int g = GaugeModeOf(o);
  const CharaCommandTable* table = player.ext.commandTable.get();
  if (!table) return;
  CpuAiState& state = g_CpuAiStates[slot];
  for (int16_t& c : state.cooldown)
    if (c > 0) --c;
  TickCpuStep(player, slot);
  CpuAutoRecovery(player);
  if (FrameState(o).asmv == 0 || o.held != 0) {
    if (InTraining())
      TrainingGuardDecision(o, 0);
    else if (ReactionKind(o) == 5)
      o.aiGuardDecision = 1;
    return;
  }
  bool allow = true;
  bool skipHeat = false;
  if (BattleSeamGetCharacterTagType(o.charaIndex) == 1) {
    if (TrainingNotCpu()) {
      skipHeat = true;
    } else if (g_CommandLock == 0) {
      bool tryNow;
      if (g_GameModeFlags & kTagBattleFlag) {
        const int side = SideIndexOrNone(o.side);
        const bool active = side >= 0 && g_SideStatus[side].activePlayer == o.playerIndex;
        const BattleObject& p = active && o.partner ? *o.partner : o;
        const int32_t third = g_MaxLife / 3;
        tryNow = o.life < third && (p.life > third || 3 * int64_t{o.life} < p.life);
        if (!tryNow) tryNow = RandNext() % 512 == 0;  // draw: tag swap
      } else {
        tryNow = RandNext() % 256 == 0;  // draw: tag swap
      }
      if (tryNow && BattleSeamPartnerCall(&o) != 0) allow = false;
    }
  }
  if (!skipHeat) {
    const bool heatRules =
        !(TrainingNotCpu() || g_CommandLock != 0 || SideActionLock(o) != 0 || (table->flags & 0x40));
    if (heatRules) {
      if (g == 2 && o.life < g_MaxLife / 3 && RandNext() % 128 == 0) o.aiSystemRequest = 1;  // draw: heat
      if (!allow) return;
    }
  }
  if (state.waitTimer != 0) {
    --state.waitTimer;
  } else {
    const int r = PickCpuPattern(o, slot, o.aiStepFrames);
    if (r >= 0) StartCpuStep(player, r, 0, slot);
  }
  if (InTraining())
    TrainingGuardDecision(o, 1);
  else if (o.aiGuardDecision == 0)
    o.aiGuardDecision = RollCpuGuardRate(slot) ? 1 : 2;
}

void ResetCpuAiStates() {
  for (CpuAiState& s : g_CpuAiStates) s = CpuAiState{};
  for (int i = 0; i < kCpuPatternSlots && i < kPlayerSlots; ++i) {
    BattleObject& o = g_PlayerRecords[i].obj;
    o.aiAirTechDelay = o.aiDownTechGate = 0;
    o.aiStepFrames = o.aiRecord = o.aiStep = 0;
    o.aiSystemRequest = o.aiThrowRequest = o.aiRandomPick = o.aiGuardDecision = 0;
    o.inputDir = 0;
    o.inputButtons = 0;
  }
}

void InstallCpuAiSeams() {
  BattleSeams& s = g_BattleSeams;
  s.CpuAiFrame = [](BattleObject* o) {
    const int32_t slot = BattleObjectRef(o);
    if (slot >= 0 && slot < kCpuPatternSlots) CpuAiFrame(g_PlayerRecords[slot], slot);
  };
  s.LoadCharacterCpuPatterns = [](int slot) { LoadCharacterCpuPatterns(slot); };
  s.ResetCpuAiStates = ResetCpuAiStates;
}
