// Battle records, globals and their resets.
#include "battle/battle_records.h"

#include <cstring>

#include "battle/battle_camera.h"
#include "battle/battle_clock.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_seams.h"
#include "battle/chara_command.h"
#include "battle/chara_loader.h"
#include "battle/character_draw.h"
#include "battle/command_input.h"
#include "battle/cpu_defence.h"
#include "battle/hit_resolution.h"
#include "battle/particle_pool.h"
#include "battle/round_calls.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"
#include "battle/story_routes.h"

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
int32_t g_GameModeFlags;
int32_t g_CpuLevel;
uint8_t g_TimerSpeed;
uint8_t g_MainSide;
int32_t g_MatchStage;
uint8_t g_MatchStageByte;
int32_t g_RoundsToWin = 2;
int32_t g_DamageLevel = 2;
int32_t g_FinalRound;
HudBlock g_HudBlocks[4];
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
  // A new match starts at its first round with the clock's words at 0: the last match left the
  // round counter where it ended (a battle scene entered with it above 0 skips the first-round
  // set-up and keeps the old match's end state, so that the new match never ends), and its fight
  // time (which would end an attract demo at its first frame), and the end request the last match
  // ended with (the new one would end at its first frame).
  ResetBattleClockForMatch();
  g_RoundRestart = 0;
  // The judge's records of the last match's result: a new match has none yet (they are battle
  // state, and a replay's playback of the new match starts without them).
  g_MatchWinnerSide = g_WinnerCharacter = g_LoserCharacter = g_MainSideLost = 0;
  g_WinnerCallInfo = WinnerCallInfo{};
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
  // The CPU's recoveries: random in every mode, neutral in training (whose reset then copies the
  // training menu's options over them).
  g_AirRecoveryMode = g_DownRecoveryMode = g_GameModeFlags == MODE_TRAINING ? 0 : 4;
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
  ClearParticlePool();
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
  g_GameModeFlags = 0;
  g_CpuLevel = 0;
  g_MainSide = 0;
  for (StoryBattleRoute& r : g_StoryBattleRoutes) r = StoryBattleRoute{};
  g_RoundsToWin = 2;
  g_DamageLevel = 2;
  g_FinalRound = 0;
  g_HudHeatActive = 0;
  for (HudBlock& b : g_HudBlocks) b = HudBlock{};
  g_GrabAchievementCount = 0;
  g_ChargeMeterTotal = 0;
  g_SpecialStageOffsetX = g_SpecialStageOffsetY = 0;
  g_CommandAchievementCounters = CommandAchievementCounters{};
  ResetBattleCameraState();
  g_LastFinishKind = 3;
  // The round's modules: the clock, the round flow and judge, the calls, the break-up cells and
  // the character draw's words start every match the same.
  ResetBattleClockForMatch();
  ResetRoundFlowState();
  ResetRoundCalls();
  std::memset(g_ScreenBreakCells, 0, sizeof g_ScreenBreakCells);
  ResetCharacterDrawState();
  ResetCpuDefenceState();
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
    CheckCharaSlotRead(i);
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
