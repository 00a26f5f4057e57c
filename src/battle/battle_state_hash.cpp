// The battle state hash. Every battle record and global goes, field by field at its own width,
// into a byte stream (little-endian, padding never read, pointers as slot references) hashed
// with XXH3, so every process, build and compiler gives the same value.
//
// Adding state to the hash is one line: a field of the object record goes into its field list
// (battle_records.h), any other field into the matching Put list below.
#include <array>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

#include "app/random.h"
#include "battle/afterimage.h"
#include "battle/battle_camera.h"
#include "battle/battle_clock.h"
#include "battle/battle_hash_layout.h"
#include "battle/battle_hash_stream.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_loader.h"
#include "battle/character_draw.h"
#include "battle/combo_records.h"
#include "battle/cpu_defence.h"
#include "battle/cpu_patterns.h"
#include "battle/game_mode.h"
#include "battle/hit_resolution.h"
#include "battle/particle_pool.h"
#include "battle/round_calls.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"
#include "battle/story_routes.h"

namespace {

// The field classes the walk in progress leaves out (marked below by class).
uint32_t g_LeftOut = 0;
bool LeavesOut(uint32_t fieldClass) { return (g_LeftOut & fieldClass) != 0; }

// The game-mode word as the replay hash sees it: the versus modes count as one. A replay is played
// under the versus word whatever versus mode recorded it (the file keeps no mode), and the battle
// reads the three alike; the live-pad reads that tell them apart answer "no press" while a replay
// records or plays.
int32_t ReplayGameModeWord(int32_t mode) {
  return mode == MODE_VS_CPU || mode == MODE_CPU_VS_CPU ? MODE_VS_PLAYER : mode;
}

using record_hash::kInPlace;
using record_hash::kInPlaceRun;
using record_hash::kRuns;
using record_hash::ValueBytes;

// The object record in the stream: the digest of its value run, read where it lies, then any
// other runs' bytes in list order, a 32-bit slot reference per object pointer and a word of
// presence bits for the frame-data pointers.
//
// Where the processor has AVX2 the run's hash is the inlined AVX2 build; its value is the
// library's. (Read before this is set, the flag is false and the library serves.)
const bool g_InPlaceRunAvx2 = [] {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  return record_hash::kInPlaceRunBuiltForAvx2 && __builtin_cpu_supports("avx2") != 0;
#else
  return false;
#endif
}();

// Slot references in place of addresses, the values BattleObjectRef gives. About thirty
// pointers per object are turned into references, so each test is arithmetic: no loop, no call.
template <size_t kStride, size_t kCount>
int32_t SlotIn(const void* p, const void* first) {
  const uintptr_t d = reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(first);
  const uintptr_t slot = d / kStride;
  return d < kStride * kCount && slot * kStride == d ? static_cast<int32_t>(slot) : -1;
}

inline int32_t Ref(const BattleObject* p) {
  if (!p) return -1;
  if (const int32_t s = SlotIn<sizeof(ObjectPoolSlot), kObjectPoolSize>(p, &g_ObjectPool[0].obj); s >= 0)
    return 100 + s;
  if (const int32_t s = SlotIn<sizeof(PlayerRecord), kPlayerSlots>(p, &g_PlayerRecords[0].obj); s >= 0)
    return s;
  return p == &g_EffectOwner.obj ? 2000 : -2;
}
inline int32_t Ref(const PlayerRecord* p) {
  if (!p) return -1;
  if (const int32_t s = SlotIn<sizeof(PlayerRecord), kPlayerSlots>(p, &g_PlayerRecords[0]); s >= 0) return s;
  return p == &g_EffectOwner ? 2000 : -2;
}
inline int32_t Ref(const FrameDataSet* p) {
  if (!p) return -1;
  if (const int32_t s = SlotIn<sizeof(FrameDataSet), kPlayerSlots>(p, &g_FrameDataSets[0]); s >= 0) return s;
  return p == &g_CommonFrameData ? 254 : -2;
}

// Frame-data records follow from the pattern and frame numbers; only their presence is state,
// one bit each.
template <typename T>
constexpr bool kPresenceOnly =
    std::is_same_v<T, Han6Pattern*> || std::is_same_v<T, Han6Frame*> || std::is_same_v<T, Han6AttackData*>;

#define SPAN_NONE(...)
#define CHECK_FIELD(type, name, ...) \
  static_assert(kHashStreamable<type>, #name " cannot be copied into the hash stream");
BATTLE_OBJECT_FIELDS(CHECK_FIELD, CHECK_FIELD, SPAN_NONE, SPAN_NONE)
#undef CHECK_FIELD

#define COUNT_REF(type, name) +(kPresenceOnly<type> ? 0 : 1)
#define COUNT_REFS(type, name, n) +(kPresenceOnly<type> ? 0 : (n))
#define COUNT_BIT(type, name) +(kPresenceOnly<type> ? 1 : 0)
#define COUNT_BITS(type, name, n) +(kPresenceOnly<type> ? (n) : 0)
constexpr size_t kPointerRefs = 0 BATTLE_OBJECT_FIELDS(SPAN_NONE, SPAN_NONE, COUNT_REF, COUNT_REFS);
constexpr size_t kPresenceBits = 0 BATTLE_OBJECT_FIELDS(SPAN_NONE, SPAN_NONE, COUNT_BIT, COUNT_BITS);
static_assert(kPresenceBits <= 32);
#undef COUNT_REF
#undef COUNT_REFS
#undef COUNT_BIT
#undef COUNT_BITS
#undef SPAN_NONE

constexpr size_t kObjectBytes = 8 + ValueBytes() - kInPlace.size + 4 * kPointerRefs + 4;

template <size_t... I>
uint8_t* CopyOtherRuns(uint8_t* out, const uint8_t* object, std::index_sequence<I...>) {
  // Every size is a constant, so each copy is a few moves.
  ((I != kInPlaceRun ? (std::memcpy(out, object + kRuns[I].offset, kRuns[I].size), out += kRuns[I].size)
                     : out),
   ...);
  return out;
}

void WriteObject(uint8_t* out, const BattleObject& o) {
  const auto* record = reinterpret_cast<const uint8_t*>(&o);
  // The pointers lie past the values: their lines are fetched while the values are hashed.
  for (size_t at = kInPlace.offset + kInPlace.size; at < sizeof o; at += 64) __builtin_prefetch(record + at);
  __builtin_prefetch(record + sizeof o - 1);
  const uint64_t values = g_InPlaceRunAvx2 ? record_hash::HashInPlaceRunAvx2(record)
                                           : XXH3_64bits(record + kInPlace.offset, kInPlace.size);
  std::memcpy(out, &values, 8);
  out = CopyOtherRuns(out + 8, record, std::make_index_sequence<kRuns.size()>{});
  // References in list order, then the presence bits in list order.
  uint32_t presence = 0;
  int bit = 0;
  const auto add = [&](auto* p) {
    if constexpr (kPresenceOnly<decltype(p)>) {
      presence |= static_cast<uint32_t>(p != nullptr) << bit++;
    } else {
      const int32_t ref = Ref(p);
      std::memcpy(out, &ref, 4);
      out += 4;
    }
  };
  // Arrays of object pointers are mostly all null, written at once as references -1.
  const auto add_array = [&](const auto& array) {
    if constexpr (!kPresenceOnly<std::remove_cvref_t<decltype(array[0])>>) {
      uintptr_t any = 0;
      for (const auto* p : array) any |= reinterpret_cast<uintptr_t>(p);
      if (any == 0) {
        std::memset(out, 0xff, 4 * std::size(array));
        out += 4 * std::size(array);
        return;
      }
    }
    for (auto* p : array) add(p);
  };
#define REF_FIELD(type, name) add(o.name);
#define REF_ARRAY(type, name, n) add_array(o.name);
#define REF_NONE(...)
  BATTLE_OBJECT_FIELDS(REF_NONE, REF_NONE, REF_FIELD, REF_ARRAY)
#undef REF_FIELD
#undef REF_ARRAY
#undef REF_NONE
  std::memcpy(out, &presence, 4);
}

void PutObject(HashStream& w, const BattleObject& o) { WriteObject(w.Reserve(kObjectBytes), o); }

void PutExtension(HashStream& w, const PlayerExtension& e) {
  w.Put(static_cast<int32_t>(e.commandTable != nullptr));
  w.Put(e.recoveryRate);
  w.Put(e.recoveryDelay);
  w.Put(e.timedState);
  w.Put(e.timedStateMore);
  w.Put(e.chain.lowPatternBits);
  w.Put(e.chain.numberBits);
  w.Put(e.chain.registrations);
  w.Put(e.chain.movable);
  w.Put(e.chain.pendingChain);
  w.Put(e.chain.lastFiredCommand);
  w.Put(e.chain.oldStateFree);
  w.Put(e.history.value);
  w.Put(e.history.frames);
  w.Put(e.history.head);
  w.Put(e.history.expired);
  w.Put(e.commandSerial);
  w.Put(e.lastCommand);
  w.Put(e.macroMode);
}

void PutSide(HashStream& w, const SideStatus& s) {
  w.Put(s.activePlayer);
  w.Put(s.partnerControl);
  w.Put(s.partnerFrames);
  w.Put(s.hasPartner);
  w.Put(s.actionLock);
  w.Put(s.score);
  w.Put(s.prorationShown);
  w.Put(s.hitsCounted);
  w.Put(s.bestCombo);
  w.Put(s.bestComboDamage);
  w.Put(s.counterBanner);
  w.Put(s.notFreeFrames);
  w.Put(s.showPartner);
  w.Put(s.attackFactor);
  w.Put(s.arcadeTotals);
  w.Put(s.roundsWon);
  w.Put(s.lifeTotal);
}

// The VS screen's per-match side word.
void PutVsScreenWords(HashStream& w) {
  for (const SideStatus& s : g_SideStatus) w.Put(s.perMatchWord);
}

void PutGlobals(HashStream& w) {
  if (LeavesOut(kHashStageDraw | kHashViewer)) {
    // Word 4 is changed by the stage draw (it moves it by the objects it draws, which the
    // viewer's stage-animation option changes); word 1011 is the viewer's attack display.
    int32_t state[kBattleStateSize];
    std::memcpy(state, g_BattleState, sizeof state);
    if (LeavesOut(kHashStageDraw)) state[BattleStateIndex::kScreenMode] = 0;
    if (LeavesOut(kHashViewer)) state[BattleStateIndex::kTrainingDisplay] = 0;
    w.Put(state);
  } else {
    w.Put(g_BattleState);
  }
  for (const PlayerRecord* p : g_PlayerOrder) w.Put(Ref(p));
  w.Put(g_BattlePhase);
  w.Put(g_Paused);
  w.Put(g_GlobalFreeze);
  w.Put(g_SlowMotion);
  w.Put(g_SlowMotionRequest);
  w.Put(g_BattleFrame);
  w.Put(g_InBattleUpdate);
  w.Put(g_CommandLock);
  w.Put(g_JudgeState);
  w.Put(g_BattleCounters);
  w.Put(g_ScreenShake);
  w.Put(g_ScreenShakeAxis);
  // Viewer's: they count for the local side only.
  if (!LeavesOut(kHashViewer)) {
    w.Put(g_GrabAchievementCount);
    w.Put(g_ChargeMeterTotal);
  }
  w.Put(HitResolutionHashWord());
  w.Put(g_SpecialStageOffsetX);
  w.Put(g_SpecialStageOffsetY);
  w.Put(g_EffectSoundLock);
  w.Put(g_SoundBusyStart);
  w.Put(g_SoundBusyUntil);
  // Both sides' story-battle routes, whole (the stages the judge and the frame effects read, the
  // arcade counters the battle raises); the character list is read-only data and stays out.
  if (LeavesOut(kHashReplayLoose)) {
    // Left out of the replay hash (a pair of empty routes stands in their place, so a match that
    // never touched them hashes as before): the select fills both routes and a playback's start
    // sets them its own way, so recording and playback hold different routes by design; a versus
    // battle, the only kind a replay holds, reads of them only the chosen characters, for the
    // local side's achievements.
    const StoryBattleRoute empty[2];
    w.Put(empty);
  } else if (LeavesOut(kHashViewer)) {
    // Viewer's: the play-time counter (progress value 4), which the battle
    // clock raises on the main side's route, the viewer's side during a playback; a versus
    // battle reads neither route's counter.
    StoryBattleRoute routes[2];
    std::memcpy(static_cast<void*>(routes), static_cast<const void*>(g_StoryBattleRoutes), sizeof routes);
    for (StoryBattleRoute& r : routes) r.progress[4] = 0;
    w.Put(routes);
  } else {
    w.Put(g_StoryBattleRoutes);
  }
  // Viewer's: the side whose player drives the menus, the viewer's during a playback; a versus
  // match's battle does not read it.
  if (!LeavesOut(kHashViewer)) w.Put(g_MainSide);
  // Stream 0 is changed by the stage draw, which draws from it as many times as it draws objects
  // (nothing in the battle reads it). Viewer's: the last value and draw count, bookkeeping that
  // recording moves and playback does not (nothing in the battle reads either).
  for (int i = LeavesOut(kHashStageDraw) ? 1 : 0; i < kRandStreamCount; ++i) {
    w.Put(g_RandStreams[i].index);
    w.Put(g_RandStreams[i].table);
  }
  if (!LeavesOut(kHashViewer)) {
    w.Put(g_RandLastValue);
    w.Put(g_RandDrawCount);
  }
  // The combo rings, round-damage records, banner queues and HUD blocks gate the proration.
  w.Put(HashComboAndHudState());
}

// The camera words and the zoom override (the matrices follow from them and only draw).
void PutCamera(HashStream& w) {
  w.Put(g_CameraX);
  w.Put(g_CameraY);
  w.Put(g_CameraTargetX);
  w.Put(g_CameraTargetY);
  w.Put(g_CameraSavedX);
  w.Put(g_CameraSavedY);
  w.Put(g_CameraDeltaX);
  w.Put(g_CameraDeltaY);
  w.Put(g_CameraZoom);
  w.Put(g_CameraTargetZoom);
  w.Put(g_CameraScale);
  w.Put(g_ZoomSteadyFrames);
  w.Put(g_CameraSnap);
  w.Put(g_CameraHold);
  w.Put(g_CameraFocus);
  w.Put(g_CameraFollow);
  w.Put(g_CameraEdge);
  const ZoomOverride& z = g_ZoomOverride;
  w.Put(z.active);
  w.Put(z.zoom);
  w.Put(z.rampIn);
  w.Put(z.hold);
  w.Put(z.rampOut);
  w.Put(z.frame);
  w.Put(z.weight);
  w.Put(g_FixedZoomOn);
  w.Put(g_FixedZoom);
  w.Put(g_StorySwayOn);
  w.Put(g_StoryCameraY);
}

// The round flow and the judge: their globals and round words, the winner-call record and the
// match results, and the calls' state the judge and the particles wait on; with the two match
// settings the round clock and the music read.
void PutRoundFlow(HashStream& w) {
  w.Put(g_RoundTimer);
  w.Put(g_RoundWinner);
  w.Put(g_RoundResultKind);
  w.Put(g_MatchOutcome);
  w.Put(g_RoundRestart);
  w.Put(g_JudgeAbort);
  w.Put(g_SkipLatched);
  w.Put(g_RoundBonus);
  w.Put(g_ScreenFlashAlpha);
  w.Put(g_ScreenFlashMode);
  w.Put(g_DimValue);
  w.Put(g_DimTarget);
  w.Put(g_RoundFade);
  w.Put(g_AttractDemo);
  // Left out of the replay hash: the winner call's record, which the judgement fills before the
  // call draws it and nothing in the battle reads; between judgements it still holds the last
  // round's, which a playback that jumps to a round's start does not have.
  if (!LeavesOut(kHashReplayLoose)) w.Put(g_WinnerCallInfo);
  w.Put(g_MatchWinnerSide);
  w.Put(g_WinnerCharacter);
  w.Put(g_LoserCharacter);
  // Viewer's: the same result seen from the main side, the viewer's during a
  // playback (the winner side above carries the match's own result).
  if (!LeavesOut(kHashViewer)) w.Put(g_MainSideLost);
  w.Put(g_MatchPerfectWins);
  w.Put(g_MatchRoundsLost);
  w.Put(g_RoundFlowWords);
}

// The live particles in slot order, each with its slot, its fields at their widths and its
// anchor and object as slot references; then the live count and the spark count. Free slots are
// left out: a spawn clears its slot whole.
void PutParticles(HashStream& w) {
  struct Packed {
    int32_t slot;
    int32_t x, y, z;
    int32_t p[7];
    int32_t state;
    int32_t anchor, object;
    int16_t kind, life, maxLife;
    int16_t vx, vy, vz, ax, ay, az;
    uint8_t flip, ignoreFreeze;
  };
  static_assert(kHashStreamable<Packed> && sizeof(Packed) == 76);
  int32_t live = 0;
  for (int32_t i = 0; i < g_ParticleHighWater; ++i) {
    const Particle& q = g_ParticlePool[i];
    if (!q.inUse) continue;
    ++live;
    const Packed v = {
        i,         q.x,           q.y,           q.z,           {q.p0, q.p1, q.p2, q.p3, q.p4, q.p5, q.p6},
        q.state,   Ref(q.anchor), Ref(q.object), q.kind,        q.life,
        q.maxLife, q.vx,          q.vy,          q.vz,          q.ax,
        q.ay,      q.az,          q.flip,        q.ignoreFreeze};
    w.Put(v);
  }
  w.Put(live);
  w.Put(g_SparkCount);
}

// The calls' clocks and flags that the particles and the judge wait for, and the break-up's
// cells (its progress is a word of the battle state block).
void PutRoundCallsAndScreenBreak(HashStream& w) {
  w.Put(g_RoundCall.T);
  w.Put(g_RoundCall.done);
  w.Put(g_RoundCallBars.t);
  w.Put(g_RoundCallBars.typingTime);
  w.Put(g_RoundCallBars.state);
  w.Put(g_FightCall.t);
  w.Put(g_FightCall.released);
  w.Put(g_FightCall.done);
  w.Put(g_KoCall.KoKind);
  w.Put(g_KoCall.extra);
  w.Put(g_KoCall.t);
  w.Put(g_KoCall.frameCount);
  w.Put(g_KoCall.done);
  w.Put(g_RoundCallRound);
  w.Put(g_RoundCallWins);
  w.Put(g_RoundCallFirst);
  w.Put(g_RoundCallDone);
  // Left out of the replay hash: the break-up's cells, whose drifts the round's set-up draws from
  // the common generator before the replay's round start reseeds it (so they follow whatever the
  // process drew before the match); only the drawing reads them.
  if (LeavesOut(kHashReplayLoose)) return;
  // A row of cells at a time: four float32 each, no padding.
  static_assert(sizeof(ScreenBreakCell) == 4 * sizeof(float));
  constexpr size_t kRowBytes = sizeof(ScreenBreakCell) * kScreenBreakColumns;
  for (int r = 0; r < kScreenBreakRows; ++r)
    std::memcpy(w.Reserve(kRowBytes), &g_ScreenBreakCells[r * kScreenBreakColumns], kRowBytes);
}

// The character draw's words: the heat pulse counters and the story script's per-slot draw
// switches (a hidden character makes no aura or status spawns).
void PutCharacterDraw(HashStream& w) {
  w.Put(g_HeatPulseCount);
  w.Put(g_StoryCharacterVisible);
}

// The battle clock's counters, the timer speed, the stage byte and the round counter.
void PutBattleClock(HashStream& w) {
  w.Put(g_TrailHidden);
  w.Put(g_BgHoldTimer);
  w.Put(g_JudgeTimer);
  w.Put(g_BattleTimeStepped);
  w.Put(g_FightTime);
  w.Put(g_BattleStepCount);
  w.Put(g_BattleClockFrozen);
  w.Put(g_TimerSpeed);
  w.Put(g_MatchStageByte);
  w.Put(g_RoundCounter);
}

// The CPU defence's words: the recovery modes in force and the training dummy's timers.
void PutCpuDefence(HashStream& w) {
  w.Put(g_AirRecoveryMode);
  w.Put(g_DownRecoveryMode);
  w.Put(g_TrainingActionTimer);
  w.Put(g_TrainingIdleFrames);
  w.Put(g_TrainingTechFrame);
}

// The HUD drawing and the afterimages' state: the four trail rings, entry by entry (the frame
// and state pointers only as whether the entry has a frame, which decides the drawing).
void PutHudDrawAndAfterimages(HashStream& w) {
  // Left out of the replay hash: the trails, the fighters' last positions kept for drawing their
  // afterimages. Only the drawing reads them and the positions they hold are in the hash already;
  // a round's set-up keeps the last round's, which a playback that jumps to a round's start has
  // from another frame.
  if (LeavesOut(kHashReplayLoose)) return;
  for (const auto& ring : g_AfterimageTrail)
    for (const TrailEntry& e : ring) {
      w.Put(e.x);
      w.Put(e.y);
      w.Put(e.pattern);
      w.Put(e.frame);
      w.Put(e.nextSprite);
      w.Put(e.frameTimer);
      w.Put(e.facing);
      w.Put(static_cast<uint8_t>(e.frameRec != nullptr));
    }
}

// The battle HUD's heat-active word: its rise spawns the heat effect into the pool.
void PutBattleHud(HashStream& w) { w.Put(g_HudHeatActive); }

// The CPU opponent's per-slot states: running record and step mirrors, the wait timer and the
// record cooldowns (the pattern files are data and stay out).
void PutCpuAi(HashStream& w) {
  for (const CpuAiState& s : g_CpuAiStates) {
    w.Put(s.record);
    w.Put(s.step);
    w.Put(s.stepFrames);
    w.Put(s.waitTimer);
    w.Put(s.cooldown);
  }
}

// The battle scene's words the engine reads: the mode, the match rules, the arcade variant and
// the battle world's draw switch (the last two answered by the scene through their seams).
void PutBattleScene(HashStream& w) {
  w.Put(LeavesOut(kHashReplayLoose) ? ReplayGameModeWord(g_GameModeFlags) : g_GameModeFlags);
  w.Put(g_CpuLevel);
  w.Put(g_DamageLevel);
  w.Put(g_RoundsToWin);
  w.Put(static_cast<int32_t>(BattleSeamArcadeVariant()));
  w.Put(static_cast<int32_t>(BattleSeamDrawCharactersOn()));
}

}  // namespace

uint64_t HashBattleObject(const BattleObject& object, uint64_t seed) {
  uint8_t bytes[kObjectBytes];
  WriteObject(bytes, object);
  return XXH3_64bits_withSeed(bytes, sizeof bytes, seed);
}

uint64_t ReplayStateHash() { return BattleStateHashWithout(kHashStageDraw | kHashViewer | kHashReplayLoose); }

uint64_t BattleStateHash() { return BattleStateHashWithout(0); }

uint64_t BattleStateHashWithout(uint32_t classes) {
  g_LeftOut = classes;
  for (int i = 0; i < kPlayerSlots; ++i) CheckCharaSlotRead(i);
  HashStream w;
  for (const PlayerRecord& r : g_PlayerRecords) {
    w.Put(r.inUse);
    PutObject(w, r.obj);
    PutExtension(w, r.ext);
  }
  w.Put(g_EffectOwner.inUse);
  PutObject(w, g_EffectOwner.obj);
  // A free slot's leftovers are only read through stale references, and whatever such a read
  // changes shows in live state; a spawn writes the slot whole. So the pool gives every slot's
  // two marks, then the live objects in slot order. The marks are gathered without a branch
  // (which slots are live follows no pattern a predictor could learn).
  static_assert(2 * kObjectPoolSize <= HashStream::kChunk);
  static_assert(offsetof(ObjectPoolSlot, inUse) == 0 && offsetof(ObjectPoolSlot, spawnedInUpdate) == 1,
                "a slot's two marks are read as one pair");
  uint8_t* marks = w.Reserve(2 * kObjectPoolSize);
  int16_t live[kObjectPoolSize];
  int n = 0;
  for (int i = 0; i < kObjectPoolSize; ++i) {
    const ObjectPoolSlot& s = g_ObjectPool[i];
    std::memcpy(marks + 2 * i, &s.inUse, 2);
    live[n] = static_cast<int16_t>(i);
    n += s.inUse != 0;
  }
  for (int k = 0; k < n; ++k) PutObject(w, g_ObjectPool[live[k]].obj);
  for (const SideStatus& s : g_SideStatus) PutSide(w, s);
  PutGlobals(w);
  PutCamera(w);
  PutRoundFlow(w);
  PutParticles(w);
  PutRoundCallsAndScreenBreak(w);
  PutCharacterDraw(w);
  PutBattleClock(w);
  PutCpuDefence(w);
  PutHudDrawAndAfterimages(w);
  PutBattleHud(w);
  PutCpuAi(w);
  PutBattleScene(w);
  PutVsScreenWords(w);
  g_LeftOut = 0;
  return w.Digest();
}
