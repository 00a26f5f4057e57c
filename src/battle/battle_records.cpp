// Battle records, globals, their resets and the battle state hash.
#include "battle/battle_records.h"

#include <cstring>
#include <type_traits>

#include "app/random.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_seams.h"
#include "battle/chara_command.h"
#include "battle/chara_loader.h"
#include "battle/command_input.h"

PlayerRecord g_PlayerRecords[kPlayerSlots];
ObjectPoolSlot g_ObjectPool[kObjectPoolSize];
int32_t g_PoolHighWater;
SideStatus g_SideStatus[4];
int32_t g_BattleState[kBattleStateSize];
FrameDataSet g_FrameDataSets[kPlayerSlots];
FrameDataSet g_CommonFrameData;
PlayerRecord g_EffectOwner;
PlayerSelection g_PlayerSelections[2];
PlayerRecord* g_PlayerOrder[kPlayerSlots] = {&g_PlayerRecords[0], &g_PlayerRecords[1], &g_PlayerRecords[2],
                                             &g_PlayerRecords[3]};

int32_t g_BattlePhase;
uint8_t g_Paused;
int32_t g_GlobalFreeze;
int16_t g_SlowMotion;
int16_t g_SlowMotionRequest;
uint32_t g_BattleFrame;
uint8_t g_InBattleUpdate;
uint8_t g_CommandLock;
uint8_t g_JudgeState;
int32_t g_ChargeMeterTotal;
int32_t g_BattleCounters[10];
int16_t g_ScreenShake;
int16_t g_ScreenShakeAxis;
uint8_t g_EffectSoundLock;
uint32_t g_SoundBusyStart[kBattleSoundSlots];
uint32_t g_SoundBusyUntil[kBattleSoundSlots];
int32_t g_GameMode;
int32_t g_MatchStage;
uint8_t g_MatchStageByte;
int32_t g_RoundsToWin = 2;
int32_t g_GrabAchievementCount;

namespace {

void ResetPlayerOrder() {
  for (int i = 0; i < kPlayerSlots; ++i) g_PlayerOrder[i] = &g_PlayerRecords[i];
}

// The object is cleared except the listed survivors.
void ClearObjectKeeping(BattleObject& o, bool keepLife) {
  BattleObject kept;
  kept.life = o.life;
  kept.redLife = o.redLife;
  kept.circuit = o.circuit;
  kept.frameRec = o.frameRec;
  kept.attackRec = o.attackRec;
  kept.frameData = o.frameData;
  kept.playerIndex = o.playerIndex;
  kept.charaIndex = o.charaIndex;
  kept.fileCharaIndex = o.fileCharaIndex;
  kept.controller = o.controller;
  kept.colorIndex = o.colorIndex;
  if (!keepLife) kept.life = kept.redLife = g_MaxLife;
  o = kept;
}

void PrepareCommon(PlayerRecord& record, int side, int facing) {
  BattleObject& o = record.obj;
  o.side = static_cast<uint8_t>(side);
  // The common-effect owner is prepared with a side outside 0..1: it has no selection and
  // plays type 0 (reading a selection there would index far outside the two records).
  if (side >= 0 && side <= 1) {
    // Selections come from replays and peers: the type is taken from a checked copy, as the
    // loader does (a type outside 0..9 plays type 0).
    PlayerSelection s = g_PlayerSelections[side];
    ValidatePlayerSelection(s, "round preparation");
    o.type = static_cast<int16_t>(SelectedType(s));
  } else {
    o.type = 0;
  }
  o.posY = 0;
  o.facing = o.wantedFacing = static_cast<uint8_t>(facing);
  o.dataIndex = o.playerIndex;
  o.playerRecord = &record;
  o.owner = &o;
  o.parent = nullptr;
  o.creditOwner = nullptr;
  o.priorityMode = 0;
  o.scaleX = o.scaleY = 1.0f;
  o.pendingPattern = o.pendingFrame = -1;
  o.pendingPriority = o.pendingFramePriority = -1;
  o.pendingReaction[0] = o.pendingReaction[1] = -1;
  o.hitVector = 255;
  record.inUse = 1;
}

}  // namespace

void ResetPlayerRoundState(PlayerRecord& record) {
  PlayerExtension& e = record.ext;
  e.history = InputHistory{};
  e.commandSerial = 0;
  e.lastCommand = 0;
  e.timedState[0] = e.timedState[1] = e.timedState[2] = 0;
  e.recoveryRate = 1.0f;
  e.recoveryDelay = 0;
  BattleObject& o = record.obj;
  o.heatTimer = 0;
  o.gaugeMode = 0;
  o.gaugeModeMax = 0;
  o.gaugeStartDelay = 0;
  o.gaugeCount = 0;
  o.stepFrames = 0;
}

void InitPlayerRecord(PlayerRecord& record, int side, int32_t x, int facing) {
  ResetPlayerRoundState(record);
  ClearObjectKeeping(record.obj, true);
  PrepareCommon(record, side, facing);
  record.obj.posX = x;
  record.obj.drawPriority = 128;
}

void InitPartnerRecord(PlayerRecord& record, int side, int facing) {
  ResetPlayerRoundState(record);
  ClearObjectKeeping(record.obj, false);
  PrepareCommon(record, side, facing);
  record.obj.posX = 0;
  record.obj.drawPriority = 120;
  record.obj.partnerState = 1;
}

void ResetBattleCounters() {
  g_GlobalFreeze = 0;
  g_BattleState[BattleStateIndex::kGlobalFreezeRequest] = 0;
  g_BattleState[BattleStateIndex::kFreezeStarted] = 0;
  g_BattleFrame = 0;
  g_JudgeState = 0;
  g_ScreenShake = 0;
  g_ScreenShakeAxis = 0;
  for (int i = 0; i < 9; ++i) g_BattleCounters[i] = 0;
  for (int s = 0; s < kBattleStateRows; ++s) {
    for (int i = 0; i < 64; ++i) {
      g_BattleState[PlayerTimerIndex(s, i)] = 0;
      g_BattleState[PlayerTimerStartIndex(s, i)] = 0;
    }
    g_BattleState[FreezeTimerIndex(s)] = 0;
    g_BattleState[FreezeSerialIndex(s)] = 0;
  }
  // A slow-motion request left by the last round would otherwise start the next one slowed.
  g_SlowMotionRequest = 0;
  // The busy model counts in battle frames, which start again at 0 here.
  ResetSoundBusyModel();
  // The processing order is re-sorted from the slot order each round, so a round starts the
  // same however the last one ended.
  ResetPlayerOrder();
  BattleSeamResetRoundFlowWords();
}

void InitMatchBattleState() {
  for (int side = 0; side < 2; ++side) {
    g_BattleState[BattleStateIndex::kMatchPoint0 + side] = 0;
    // Round marks: per side twelve words, wins first, then the rounds needed.
    for (int i = 0; i < 12; ++i) g_BattleState[BattleStateIndex::kRoundMarks + 12 * side + i] = 0;
    g_BattleState[BattleStateIndex::kRoundMarks + 12 * side + 1] = g_RoundsToWin;
  }
  for (int i = 0; i < 4; ++i) {
    g_SideStatus[i].activePlayer = i & 1;
    g_SideStatus[i].partnerControl = 0;
    g_SideStatus[i].partnerFrames = 0;
    g_SideStatus[i].score = 0;
  }
  BattleSeamSetupMatchCamera();
  SetupSpecialStage();
  g_CommandAchievementCounters = CommandAchievementCounters{};
  BattleSeamResetStoryScriptState();
  // State that would otherwise survive from the last match and make a replay or a peer that
  // starts fresh disagree: the macro mode, the tenth battle counter, the event timers' elapsed
  // counts, the extension words the round reset leaves, and the slow-motion request.
  g_BattleCounters[9] = 0;
  g_GrabAchievementCount = 0;
  for (int s = 0; s < kBattleStateRows; ++s)
    for (int i = 0; i < 64; ++i) g_BattleState[PlayerTimerElapsedIndex(s, i)] = 0;
  for (PlayerRecord& r : g_PlayerRecords) {
    PlayerExtension& e = r.ext;
    e.macroMode = 0;
    for (int32_t& w : e.timedState) w = 0;
    for (int32_t& w : e.timedStateMore) w = 0;
    e.chain = ChainMemory{};
    e.recoveryRate = 0.0f;
    e.recoveryDelay = 0;
  }
  g_SlowMotionRequest = 0;
  g_ChargeMeterTotal = 0;
}

void ResetSideProgress(int side) {
  for (int s = 0; s < 2; ++s) {
    if (side >= 0 && side != s) continue;
    for (int32_t& v : g_SideStatus[s].arcadeTotals) v = 0;
    BattleSeamResetStoryBattleRoute(s);
  }
}

void ResetAllBattleGlobals() {
  for (PlayerRecord& r : g_PlayerRecords) {
    r.inUse = 0;
    r.obj = BattleObject{};
    r.ext.commandTable.reset();
    PlayerExtension fresh;
    r.ext.recoveryRate = fresh.recoveryRate;
    r.ext.recoveryDelay = 0;
    for (int32_t& w : r.ext.timedState) w = 0;
    for (int32_t& w : r.ext.timedStateMore) w = 0;
    r.ext.chain = ChainMemory{};
    r.ext.history = InputHistory{};
    r.ext.commandSerial = r.ext.lastCommand = r.ext.macroMode = 0;
  }
  g_EffectOwner.inUse = 0;
  g_EffectOwner.obj = BattleObject{};
  ClearObjectPool();
  for (SideStatus& s : g_SideStatus) s = SideStatus{};
  std::memset(g_BattleState, 0, sizeof g_BattleState);
  for (PlayerSelection& s : g_PlayerSelections) s = PlayerSelection{};
  ResetPlayerOrder();
  g_BattlePhase = 0;
  g_Paused = 0;
  g_GlobalFreeze = 0;
  g_SlowMotion = g_SlowMotionRequest = 0;
  g_BattleFrame = 0;
  g_InBattleUpdate = 0;
  g_CommandLock = 0;
  g_JudgeState = 0;
  for (int32_t& c : g_BattleCounters) c = 0;
  g_ScreenShake = g_ScreenShakeAxis = 0;
  ResetSoundBusyModel();
  g_GameMode = 0;
  g_RoundsToWin = 2;
  g_GrabAchievementCount = 0;
  g_ChargeMeterTotal = 0;
  g_SpecialStageOffsetX = g_SpecialStageOffsetY = 0;
  g_CommandAchievementCounters = CommandAchievementCounters{};
}

void ResetSoundBusyModel() {
  g_EffectSoundLock = 0;
  for (uint32_t& v : g_SoundBusyStart) v = 0;
  for (uint32_t& v : g_SoundBusyUntil) v = 0;
}

void NotePoolSlotTaken(const ObjectPoolSlot& slot) {
  const int32_t index = static_cast<int32_t>(&slot - g_ObjectPool);
  if (index >= 0 && index < kObjectPoolSize && index + 1 > g_PoolHighWater) g_PoolHighWater = index + 1;
}

void ClearObjectPool() {
  for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
  g_PoolHighWater = 0;
}

int HasPattern(const BattleObject& object, int pattern) {
  if (!object.frameData || !object.frameData->patterns || pattern < 0 || pattern >= kHan6PatternSlots)
    return 0;
  return object.frameData->patterns->patterns[static_cast<size_t>(pattern)] != nullptr ? 1 : 0;
}

void RelinkPlayerRecords() {
  for (int i = 0; i < kPlayerSlots; ++i) {
    if (!g_PlayerRecords[i].inUse) continue;
    g_PlayerRecords[i].inUse = 1;
    g_PlayerRecords[i].obj.frameData = &g_FrameDataSets[i];
  }
}

int32_t BattleObjectRef(const BattleObject* object) {
  if (!object) return -1;
  for (int i = 0; i < kPlayerSlots; ++i)
    if (object == &g_PlayerRecords[i].obj) return i;
  if (object == &g_EffectOwner.obj) return 2000;
  const auto* base = reinterpret_cast<const char*>(&g_ObjectPool[0]);
  const auto* p = reinterpret_cast<const char*>(object);
  if (p >= base && p < base + sizeof g_ObjectPool) {
    const size_t index = static_cast<size_t>(p - base) / sizeof(ObjectPoolSlot);
    if (&g_ObjectPool[index].obj == object) return 100 + static_cast<int32_t>(index);
  }
  return -2;
}

BattleObject* BattleObjectFromRef(int32_t ref) {
  if (ref >= 0 && ref < kPlayerSlots) return &g_PlayerRecords[ref].obj;
  if (ref >= 100 && ref < 100 + kObjectPoolSize) return &g_ObjectPool[ref - 100].obj;
  if (ref == 2000) return &g_EffectOwner.obj;
  return nullptr;
}

namespace {

constexpr uint64_t kFnvPrime = 1099511628211ull;

// One multiply per field: the value (zero-extended to its width) is folded in whole.
uint64_t Mix(uint64_t h, uint64_t v, int bytes) {
  h ^= v + (static_cast<uint64_t>(bytes) << 56);
  h *= kFnvPrime;
  return h ^ (h >> 29);
}

template <typename T>
uint64_t HashValue(uint64_t h, const T& v) {
  if constexpr (std::is_same_v<T, float>) {
    uint32_t bits;
    std::memcpy(&bits, &v, 4);
    return Mix(h, bits, 4);
  } else if constexpr (std::is_same_v<T, ScreenRect>) {
    h = HashValue(h, v.x1);
    h = HashValue(h, v.y1);
    h = HashValue(h, v.x2);
    return HashValue(h, v.y2);
  } else {
    static_assert(std::is_integral_v<T>);
    return Mix(h, static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(v)), sizeof(T));
  }
}

int32_t PointerRef(const BattleObject* p) { return BattleObjectRef(p); }
int32_t PointerRef(const PlayerRecord* p) {
  if (!p) return -1;
  for (int i = 0; i < kPlayerSlots; ++i)
    if (p == &g_PlayerRecords[i]) return i;
  return p == &g_EffectOwner ? 2000 : -2;
}
int32_t PointerRef(const FrameDataSet* p) {
  if (!p) return -1;
  for (int i = 0; i < kPlayerSlots; ++i)
    if (p == &g_FrameDataSets[i]) return i;
  return p == &g_CommonFrameData ? 254 : -2;
}
// Frame-data records follow from the pattern and frame numbers; only their presence is state.
int32_t PointerRef(const Han6Pattern* p) { return p ? 1 : 0; }
int32_t PointerRef(const Han6Frame* p) { return p ? 1 : 0; }
int32_t PointerRef(const Han6AttackData* p) { return p ? 1 : 0; }

}  // namespace

uint64_t HashBattleObject(const BattleObject& o, uint64_t h) {
#define HASH_FIELD(type, name) h = HashValue(h, o.name);
#define HASH_ARRAY(type, name, n) \
  for (int i = 0; i < (n); ++i) h = HashValue(h, o.name[i]);
#define HASH_PTR(type, name) h = HashValue(h, PointerRef(o.name));
#define HASH_PTR_ARRAY(type, name, n) \
  for (int i = 0; i < (n); ++i) h = HashValue(h, PointerRef(o.name[i]));
  BATTLE_OBJECT_FIELDS(HASH_FIELD, HASH_ARRAY, HASH_PTR, HASH_PTR_ARRAY)
#undef HASH_FIELD
#undef HASH_ARRAY
#undef HASH_PTR
#undef HASH_PTR_ARRAY
  return h;
}

namespace {

uint64_t HashExtension(const PlayerExtension& e, uint64_t h) {
  h = HashValue(h, static_cast<int32_t>(e.commandTable != nullptr));
  h = HashValue(h, e.recoveryRate);
  h = HashValue(h, e.recoveryDelay);
  for (int32_t w : e.timedState) h = HashValue(h, w);
  for (int32_t w : e.timedStateMore) h = HashValue(h, w);
  h = HashValue(h, e.chain.lowPatternBits);
  for (uint32_t w : e.chain.numberBits) h = HashValue(h, w);
  h = HashValue(h, e.chain.registrations);
  h = HashValue(h, e.chain.movable);
  h = HashValue(h, e.chain.pendingChain);
  h = HashValue(h, e.chain.lastFiredCommand);
  h = HashValue(h, e.chain.oldStateFree);
  for (int c = 0; c < InputHistory::kChannels; ++c) {
    for (int i = 0; i < InputHistory::kEntries; ++i) {
      h = HashValue(h, e.history.value[c][i]);
      h = HashValue(h, e.history.frames[c][i]);
    }
    h = HashValue(h, e.history.head[c]);
  }
  h = HashValue(h, e.history.expired);
  h = HashValue(h, e.commandSerial);
  h = HashValue(h, e.lastCommand);
  return HashValue(h, e.macroMode);
}

uint64_t HashSide(const SideStatus& s, uint64_t h) {
  for (int32_t v : {s.activePlayer, s.partnerControl, s.partnerFrames, s.hasPartner, s.actionLock, s.score,
                    s.prorationShown, s.hitsCounted, s.bestCombo, s.bestComboDamage, s.counterBanner,
                    s.notFreeFrames, s.showPartner})
    h = HashValue(h, v);
  h = HashValue(h, s.attackFactor);
  for (int32_t v : s.arcadeTotals) h = HashValue(h, v);
  return h;
}

}  // namespace

uint64_t BattleStateHash() {
  uint64_t h = 14695981039346656037ull;
  for (const PlayerRecord& r : g_PlayerRecords) {
    h = HashValue(h, r.inUse);
    h = HashBattleObject(r.obj, h);
    h = HashExtension(r.ext, h);
  }
  h = HashValue(h, g_EffectOwner.inUse);
  h = HashBattleObject(g_EffectOwner.obj, h);
  for (const ObjectPoolSlot& s : g_ObjectPool) {
    h = HashValue(h, s.inUse);
    h = HashValue(h, s.spawnedInUpdate);
    // A free slot's leftovers are only read through stale references, and whatever such a
    // read changes shows in live state; a spawn writes the slot whole. Hashing live slots
    // keeps the hash cheap enough to take every frame.
    if (s.inUse) h = HashBattleObject(s.obj, h);
  }
  for (const SideStatus& s : g_SideStatus) h = HashSide(s, h);
  for (int32_t v : g_BattleState) h = HashValue(h, v);
  for (PlayerRecord* p : g_PlayerOrder) h = HashValue(h, PointerRef(p));
  h = HashValue(h, g_BattlePhase);
  h = HashValue(h, g_Paused);
  h = HashValue(h, g_GlobalFreeze);
  h = HashValue(h, g_SlowMotion);
  h = HashValue(h, g_SlowMotionRequest);
  h = HashValue(h, g_BattleFrame);
  h = HashValue(h, g_InBattleUpdate);
  h = HashValue(h, g_CommandLock);
  h = HashValue(h, g_JudgeState);
  for (int32_t v : g_BattleCounters) h = HashValue(h, v);
  h = HashValue(h, g_ScreenShake);
  h = HashValue(h, g_ScreenShakeAxis);
  h = HashValue(h, g_GrabAchievementCount);
  h = HashValue(h, g_ChargeMeterTotal);
  h = HashValue(h, g_SpecialStageOffsetX);
  h = HashValue(h, g_SpecialStageOffsetY);
  h = HashValue(h, g_EffectSoundLock);
  for (int i = 0; i < kBattleSoundSlots; ++i) {
    h = HashValue(h, g_SoundBusyStart[i]);
    h = HashValue(h, g_SoundBusyUntil[i]);
  }
  for (const RandStream& s : g_RandStreams) {
    h = HashValue(h, s.index);
    for (int32_t v : s.table) h = HashValue(h, v);
  }
  h = HashValue(h, g_RandLastValue);
  h = HashValue(h, g_RandDrawCount);
  return h;
}
