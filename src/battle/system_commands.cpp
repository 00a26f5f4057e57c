// The built-in system commands every character has: the throw, the circuit spark with its
// variants by fighting type, the combo burst, the dash cancel and the shield counter; and the
// throw escape of a held character.
#include <algorithm>
#include <array>
#include <string_view>

#include "battle/battle_math.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/command_input.h"
#include "battle/control_rules.h"
#include "battle/object_state.h"

namespace {

constexpr int kSystemPriority = 30000;

// System effects (particles) the commands start.
constexpr int kEffectSparkGround = 140;
constexpr int kEffectSparkAir = 141;
constexpr int kEffectHeat = 196;
constexpr int kEffectThrowEscape = 137;

// Matches a built-in notation against the character's history (flipped first after a turn).
bool Entered(BattleObject& o, std::string_view notation) {
  if (!o.playerRecord) return false;
  std::array<uint8_t, kMaxNotationChars + 1> code{};
  CompileNotation(code, notation);
  FlipInputHistory(o);
  return MatchCommandNotation(o.playerRecord->ext.history, code) != 0;
}

void Expire(BattleObject& o) { BattleSeamExpireInputHistory(&o); }

const CharaCommandTable* Table(const BattleObject& o) {
  return o.playerRecord ? o.playerRecord->ext.commandTable.get() : nullptr;
}

bool StandingOrCrouching(const BattleObject& o) {
  const int s = CurrentStance(o);
  return s == 0 || s == 2;
}

void QueueLocalAchievement(const BattleObject& o, int id) {
  if (BattleSeamIsLocalSide(o.side)) BattleSeamQueueAchievement(id);
}

bool HeatLikeMode(int mode) { return mode == 5 || mode == 2; }

int32_t OwnerMeter(BattleObject& o) { return GetGaugeOwner(o)->circuit; }

// Cancel from here with kind 255, or replace a chain attack in its first frame.
bool MayStartSystemMove(const BattleObject& o) {
  return CanCancel(o, 255) != 0 || IsFirstFrameChainReplacement(o);
}

void ClearSpendRequest(BattleObject& o) {
  o.pendingSpend = 0;
  o.pendingSpendMode = 0;
}

int CircuitSparkType1(BattleObject& o) {
  if (CanCancel(o, 255)) return SparkStance(o);
  if (!CanCancel(o, 0) && !CanCancel(o, 1) && !CanCancel(o, 2)) return 0;
  const CharaCommandTable* t = Table(o);
  if (!t) return 0;
  const bool air = CurrentStance(o) == 1;
  const int pattern = air ? t->sparkAir : t->sparkGround;
  if (pattern == 0) return 0;
  if (!ChangePattern(o, pattern, 0, kSystemPriority)) return 0;
  BattleSeamPushHudNotice(o.side, 17);
  if (!air) BattleSeamSpawnParticle(kEffectSparkGround, o.posX, o.posY);
  BattleSeamSpawnParticle(kEffectSparkAir, o.posX, o.posY);
  Expire(o);
  StartHeat(o);
  return 1;
}

int CircuitSparkType9(BattleObject& o) {
  if (!CanCancel(o, 255)) return 0;
  const int mode = GetGaugeMode(o);
  if (HeatLikeMode(mode) || (mode == 0 && OwnerMeter(o) >= 10000)) return SparkStance(o);
  // Entered without the meter: the input is used up and nothing happens.
  Expire(o);
  return 1;
}

// Step 4: the circuit spark, then (unless it started) the type-1 activation or the combo burst.
void SparkAndBurst(BattleObject& o) {
  if (BattleSeamIsGaugeLocked(&o) || o.held) return;
  const int input = Entered(o, "A+B+C") || o.aiSystemRequest != 0;
  const int sparkType = GetTypeParams(o.type).sparkType;
  if (CanSpark(o, input)) {
    int started = 0;
    if (sparkType == 2 || sparkType == 8) {
      StartHeat(o);
      started = 1;
    } else if (sparkType == 1) {
      started = CircuitSparkType1(o);
    } else if (sparkType == 9) {
      started = CircuitSparkType9(o);
    } else {
      started = SparkStance(o);
    }
    if (started) return;
  }
  if (sparkType == 1 && StandingOrCrouching(o) && input && MayStartSystemMove(o) && GetGaugeMode(o) == 0) {
    if (o.pendingPriority < kSystemPriority)
      ChangePattern(o, std_pattern::kSparkType1Cancel, 0, kSystemPriority);
    Expire(o);
    ClearSpendRequest(o);
    return;
  }
  if (CanBurst(o, input)) {
    const int32_t pattern = CurrentStance(o) == 1 ? std_pattern::kBurstAir : std_pattern::kBurstGround;
    const int32_t block[7] = {9, 0, pattern, 0, 0, 0, 0};
    QueueReaction(o, block);
  }
}

void DashCancel(BattleObject& o) {
  const int state = DashCancelState(o);
  if (state == 0 || !Entered(o, "6+A+B")) return;
  const CharaCommandTable* t = Table(o);
  const int pattern = !t ? 0 : state == 1 ? t->dashCancelGround : t->dashCancelAir;
  if (pattern == 0) return;
  ChangePattern(o, pattern, 1, kSystemPriority);
  Expire(o);
}

void ShieldCounter(BattleObject& o) {
  if (o.shieldState == 0 || o.held) return;
  const int sparkType = GetTypeParams(o.type).sparkType;
  bool pass = false;
  if (sparkType == 1) {
    pass = Entered(o, "236D");
  } else if (sparkType == 2 || sparkType == 8 || sparkType == 9) {
    pass = o.shieldedClass == 5 ? Entered(o, "236D") : true;
  }
  if (!pass) return;
  QueueLocalAchievement(o, 12);
  const CharaCommandTable* t = Table(o);
  if (!t) return;
  const int stance = CurrentStance(o);
  const int pattern = stance == 0   ? t->shieldCounterGround
                      : stance == 2 ? t->shieldCounterCrouch
                                    : t->shieldCounterAir;
  if (pattern == 0) return;
  ChangePattern(o, pattern, 1, kSystemPriority);
  Expire(o);
}

// The holder of a held character: the object that names it as held, else its parent.
BattleObject* HolderOf(BattleObject& o) {
  for (PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && r.obj.heldObject == &o) return &r.obj;
  for (int i = 0; i < g_PoolHighWater; ++i) {
    ObjectPoolSlot& s = g_ObjectPool[i];
    if (s.inUse && s.obj.heldObject == &o) return &s.obj;
  }
  return o.parent;
}

}  // namespace

int ThrowCommand(BattleObject& o, bool* ground, bool* replaced) {
  *ground = CurrentStance(o) != 1;
  *replaced = false;
  const CharaCommandTable* t = Table(o);
  if (!t) return 0;
  if (!(Entered(o, "-+A+D") || o.aiThrowRequest != 0)) return 0;
  const bool replace = IsFirstFrameChainReplacement(o);
  const bool can = (*ground ? CanCancel(o, 255) : CanCancel(o, 0)) != 0;
  if (!can && !replace) return 0;
  *replaced = !can && replace;
  const ThrowEntry& e = *ground ? t->groundThrow : t->airThrow;
  return e.enabled ? e.first : 0;
}

int SparkStance(BattleObject& o) {
  const int stance = CurrentStance(o);
  if (stance == 1) return 0;
  const int pattern = stance == 0 || stance == 2 ? std_pattern::kSparkStance : std_pattern::kStand;
  if (!ChangePattern(o, pattern, 1, kSystemPriority)) return 0;
  Expire(o);
  ClearSpendRequest(o);
  return 1;
}

void StartHeat(BattleObject& o) {
  BattleObject& g = *GetGaugeOwner(o);
  SetGaugeMode(o, GaugeModeLength(o, 1), 1, 0);
  g.circuit = 0;
  const TypeParams& t = GetTypeParams(g.type);
  g.guardQuality = std::clamp(g.guardQuality - 100.0f, 0.0f, std::max(t.gqMaxVal, 0.0f));
  g.guardQualityStop = static_cast<int16_t>(t.gqStopVal);
  BattleSeamSpawnParticle(kEffectHeat, o.posX, o.posY);
}

int CanSpark(BattleObject& o, int input) {
  const int mode = GetGaugeMode(o);
  switch (GetTypeParams(o.type).sparkType) {
    case 0:
      if (!StandingOrCrouching(o) || !MayStartSystemMove(o) || !input) return 0;
      if (HeatLikeMode(mode)) return 3;
      return mode == 0 && OwnerMeter(o) >= 10000;
    case 1:
      return input && HeatLikeMode(mode) ? 3 : 0;
    case 2:
    case 8:
      // No input: these types go into heat as soon as the meter is full.
      return o.hitReaction == 0 && mode == 0 &&
             OwnerMeter(o) >= GetTypeParams(GetGaugeOwner(o)->type).magicCircuitMax;
    case 9:
      return input ? 3 : 0;
    default:
      return 0;
  }
}

int CanBurst(BattleObject& o, int input) {
  if (CanCancel(o, 255)) return 0;
  if (o.hitReaction == 0 || o.hitStop != 0 || o.burstBlock != 0 || ReactionKind(o) == 8) return 0;
  const int stance = CurrentStance(o);
  const bool grounded = (stance == 0 || stance == 2) && o.hitReaction >= 0;
  const bool air = stance == 1 && o.hitFrames <= 9 && o.hitVectorStep == 0;
  if (!grounded && !air) return 0;
  BattleObject* modeOwner = &o;
  // In the four-player mode the side's owner decides the gauge mode.
  if ((g_GameModeFlags & 0x200) && o.side < 2) {
    const int active = g_SideStatus[o.side].activePlayer;
    if (active >= 0 && active < kPlayerSlots) modeOwner = &g_PlayerRecords[active].obj;
  }
  const int mode = modeOwner->gaugeMode;
  switch (GetTypeParams(o.type).sparkType) {
    case 0:
    case 1:
      return input && HeatLikeMode(mode);
    case 2:
    case 8:
      if (GetGaugeMode(o) == 0 && OwnerMeter(o) >= GetTypeParams(o.type).magicCircuitMax) return input;
      if (GetGaugeMode(o) != 1) return 0;
      if (input) return 1;
      return o.guarding == 0 && o.tradeMark == 0;
    case 9:
      return input && stance >= 0 && stance <= 2;
    default:
      return 0;
  }
}

int DashCancelState(const BattleObject& o) {
  if (FrameState(o).asmv != 0 || o.held || !CanCancel(o, 1)) return 0;
  const int stance = CurrentStance(o);
  if (stance == 0 || stance == 2) return 1;
  if (stance == 1) return 2;
  return 0;
}

int CheckSystemCommands(BattleObject& o) {
  if (!o.playerRecord || o.noCommand == 1) return 0;
  // 1. The partner call.
  if (BattleSeamCheckPartnerCallCommand(&o)) return 1;
  // 2. The round's command lock.
  if (g_CommandLock == 1 || g_CommandLock == 2) return 0;
  // 3. The throw.
  if (o.guarding == 0 && !o.held) {
    bool ground = false, replaced = false;
    const int pattern = ThrowCommand(o, &ground, &replaced);
    if (pattern != 0 && ChangePattern(o, pattern, 1, kSystemPriority)) {
      // The throw has no command number: its pattern number stands for it in the chain memory.
      if (!replaced) NoteChainNumber(o, pattern);
      Expire(o);
      if (ground) o.throwClashFrames = 5;
    }
  }
  // 4. The circuit spark and the burst.
  SparkAndBurst(o);
  // 5. The dash cancel.
  DashCancel(o);
  // 6. The shield counter.
  ShieldCounter(o);
  // 7. The CPU opponent's requests last one pass.
  o.aiSystemRequest = 0;
  o.aiThrowRequest = 0;
  return 0;
}

int ThrowEscape(BattleObject& o) {
  if (!o.held) return 0;
  BattleObject* holder = HolderOf(o);
  if (!holder) return 0;
  if (o.throwClashFrames == 0 && o.groundRecoveryAllowed == 0) return 0;
  if (o.heldSteps > 7) return 0;
  bool escape = false;
  if (o.controller == 0 || BattleSeamIsTrainingDummy(&o))
    escape = o.throwClashFrames != 0 || Entered(o, "A+D");
  else
    escape = BattleSeamCpuThrowEscape(&o) != 0;
  if (!escape) return 0;
  holder->recoveryDone = 1;
  holder->posY = 0;
  o.posY = 0;
  o.throwOffsetX = o.throwOffsetY = 0;
  // One unit in front of the holder, the two facing each other.
  o.posX = WrapAdd(holder->posX, holder->facing == 0 ? 1 : -1);
  o.facing = o.wantedFacing = holder->facing == 0 ? 1 : 0;
  holder->wantedFacing = holder->facing;
  const int32_t block[7] = {8, 0, 0, 0, 0, 0, 0};
  QueueReaction(o, block);
  QueueReaction(*holder, block);
  o.held = 0;
  o.holding = 0;
  o.heldObject = nullptr;
  holder->holding = 0;
  holder->heldObject = nullptr;
  BattleSeamSpawnParticle(kEffectThrowEscape, o.posX, o.posY);
  return 1;
}
