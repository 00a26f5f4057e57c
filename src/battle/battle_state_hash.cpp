// The battle state hash. Every battle record and global is gathered, field by field at its own
// width, into a byte stream (little-endian, padding never read, pointers as slot references)
// and the stream is hashed with XXH3, so every process, build and compiler gives the same value.
//
// Adding state to the hash is one line: a field of the object record goes into its field list
// (battle_records.h), any other field into the matching Put list below.
// The stream state lives on the stack: its layout comes from the header of the same package.
#define XXH_STATIC_LINKING_ONLY
#include <xxhash.h>
#if defined(__x86_64__) || defined(__i386__)
// The library picks the widest vector unit at run time (AVX2 runs the hash three times as fast
// as the SSE2 baseline); every unit gives the same value.
#include <xxh_x86dispatch.h>
#endif

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

#include "app/random.h"
#include "battle/battle_camera.h"
#include "battle/battle_clock.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_records.h"
#include "battle/chara_loader.h"
#include "battle/character_draw.h"
#include "battle/combo_records.h"
#include "battle/hit_resolution.h"
#include "battle/particle_pool.h"
#include "battle/round_calls.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"
#include "battle/story_routes.h"

namespace {

static_assert(std::endian::native == std::endian::little,
              "the stream holds each field's little-endian bytes");

// What may be copied into the stream byte for byte: integers, float32 (its bits: -0.0 and 0.0
// differ, as the state does) and records without padding, or arrays of these.
template <typename T>
constexpr bool kStreamable =
    std::is_integral_v<std::remove_all_extents_t<T>> || std::is_same_v<std::remove_all_extents_t<T>, float> ||
    std::has_unique_object_representations_v<std::remove_all_extents_t<T>>;

// The gathered bytes go to XXH3 in chunks small enough to stay in the first-level cache.
class HashStream {
 public:
  HashStream() { XXH3_64bits_reset(&state_); }

  // Room for n more bytes (n at most the chunk size); the caller writes all n.
  uint8_t* Reserve(size_t n) {
    if (used_ + n > sizeof chunk_) Flush();
    uint8_t* at = chunk_ + used_;
    used_ += n;
    return at;
  }
  template <typename T>
  void Put(const T& v) {
    static_assert(kStreamable<T> && sizeof(T) <= kChunk);
    std::memcpy(Reserve(sizeof v), &v, sizeof v);
  }
  uint64_t Digest() {
    Flush();
    return XXH3_64bits_digest(&state_);
  }

  static constexpr size_t kChunk = 16384;

 private:
  void Flush() {
    XXH3_64bits_update(&state_, chunk_, used_);
    used_ = 0;
  }

  XXH3_state_t state_;
  alignas(64) uint8_t chunk_[kChunk];
  size_t used_ = 0;
};

// Slot references in place of addresses, as BattleObjectRef gives them. About thirty pointers
// per object are turned into references, so the common cases (null, a pool object) take
// arithmetic only.
[[gnu::noinline]] int32_t OtherObjectRef(const BattleObject* p) { return BattleObjectRef(p); }

inline int32_t Ref(const BattleObject* p) {
  const uintptr_t d = reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(&g_ObjectPool[0].obj);
  const uintptr_t slot = d / sizeof(ObjectPoolSlot);
  if (d < sizeof g_ObjectPool && slot * sizeof(ObjectPoolSlot) == d) return 100 + static_cast<int32_t>(slot);
  return p ? OtherObjectRef(p) : -1;
}
int32_t Ref(const PlayerRecord* p) {
  if (!p) return -1;
  for (int i = 0; i < kPlayerSlots; ++i)
    if (p == &g_PlayerRecords[i]) return i;
  return p == &g_EffectOwner ? 2000 : -2;
}
int32_t Ref(const FrameDataSet* p) {
  if (!p) return -1;
  for (int i = 0; i < kPlayerSlots; ++i)
    if (p == &g_FrameDataSets[i]) return i;
  return p == &g_CommonFrameData ? 254 : -2;
}

// Frame-data records follow from the pattern and frame numbers; only their presence is state,
// one bit each.
template <typename T>
constexpr bool kPresenceOnly =
    std::is_same_v<T, Han6Pattern*> || std::is_same_v<T, Han6Frame*> || std::is_same_v<T, Han6AttackData*>;

// The object record in the stream: its value fields first, in list order, copied as runs of
// fields that lie next to each other with no padding between them (runs found at compile time
// from the field list), then a 32-bit slot reference per object pointer and a word of presence
// bits for the frame-data pointers.
struct Span {
  size_t offset = 0;
  size_t size = 0;
};

static_assert(std::is_standard_layout_v<BattleObject>, "field offsets are read with offsetof");

#define SPAN_FIELD(type, name) Span{offsetof(BattleObject, name), sizeof(type)},
#define SPAN_ARRAY(type, name, n) Span{offsetof(BattleObject, name), sizeof(type) * (n)},
#define SPAN_NONE(...)
constexpr Span kValueFields[] = {BATTLE_OBJECT_FIELDS(SPAN_FIELD, SPAN_ARRAY, SPAN_NONE, SPAN_NONE)};
#undef SPAN_FIELD
#undef SPAN_ARRAY

#define CHECK_FIELD(type, name, ...) \
  static_assert(kStreamable<type>, #name " cannot be copied into the hash stream");
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

constexpr size_t CountRuns() {
  size_t runs = 0;
  for (size_t i = 0; i < std::size(kValueFields); ++i)
    runs += i == 0 || kValueFields[i - 1].offset + kValueFields[i - 1].size != kValueFields[i].offset;
  return runs;
}

constexpr std::array<Span, CountRuns()> MergeRuns() {
  std::array<Span, CountRuns()> runs{};
  size_t n = 0;
  for (size_t i = 0; i < std::size(kValueFields); ++i) {
    const Span& f = kValueFields[i];
    if (n > 0 && runs[n - 1].offset + runs[n - 1].size == f.offset) {
      runs[n - 1].size += f.size;
    } else {
      runs[n++] = f;
    }
  }
  return runs;
}

constexpr std::array<Span, CountRuns()> kRuns = MergeRuns();

constexpr size_t ValueBytes() {
  size_t bytes = 0;
  for (const Span& f : kValueFields) bytes += f.size;
  return bytes;
}

constexpr size_t kObjectBytes = ValueBytes() + 4 * kPointerRefs + 4;

// Field order in the list is declaration order, so the runs are ordered and disjoint.
static_assert([] {
  for (size_t i = 1; i < std::size(kValueFields); ++i)
    if (kValueFields[i].offset < kValueFields[i - 1].offset + kValueFields[i - 1].size) return false;
  return true;
}());

template <size_t... I>
uint8_t* CopyRuns(uint8_t* out, const uint8_t* object, std::index_sequence<I...>) {
  // Every size is a constant, so each copy is a few moves.
  ((std::memcpy(out, object + kRuns[I].offset, kRuns[I].size), out += kRuns[I].size), ...);
  return out;
}

void WriteObject(uint8_t* out, const BattleObject& o) {
  out = CopyRuns(out, reinterpret_cast<const uint8_t*>(&o), std::make_index_sequence<kRuns.size()>{});
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
#define REF_FIELD(type, name) add(o.name);
#define REF_ARRAY(type, name, n) _Pragma("GCC unroll 8") for (int i = 0; i < (n); ++i) add(o.name[i]);
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
}

void PutGlobals(HashStream& w) {
  w.Put(g_BattleState);
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
  w.Put(g_GrabAchievementCount);
  w.Put(g_ChargeMeterTotal);
  w.Put(HitResolutionHashWord());
  w.Put(g_SpecialStageOffsetX);
  w.Put(g_SpecialStageOffsetY);
  w.Put(g_EffectSoundLock);
  w.Put(g_SoundBusyStart);
  w.Put(g_SoundBusyUntil);
  // Both sides' story-battle routes, whole (the stages the judge and the frame effects read, the
  // arcade counters the battle raises); the character list is read-only data and stays out.
  w.Put(g_StoryBattleRoutes);
  w.Put(g_MainSide);
  for (const RandStream& s : g_RandStreams) {
    w.Put(s.index);
    w.Put(s.table);
  }
  w.Put(g_RandLastValue);
  w.Put(g_RandDrawCount);
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
  w.Put(g_WinnerCallInfo);
  w.Put(g_MatchWinnerSide);
  w.Put(g_WinnerCharacter);
  w.Put(g_LoserCharacter);
  w.Put(g_MainSideLost);
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
  static_assert(kStreamable<Packed> && sizeof(Packed) == 76);
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

}  // namespace

uint64_t HashBattleObject(const BattleObject& object, uint64_t seed) {
  uint8_t bytes[kObjectBytes];
  WriteObject(bytes, object);
  return XXH3_64bits_withSeed(bytes, sizeof bytes, seed);
}

uint64_t BattleStateHash() {
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
  uint8_t* marks = w.Reserve(2 * kObjectPoolSize);
  int16_t live[kObjectPoolSize];
  int n = 0;
  for (int i = 0; i < kObjectPoolSize; ++i) {
    const ObjectPoolSlot& s = g_ObjectPool[i];
    marks[2 * i] = s.inUse;
    marks[2 * i + 1] = s.spawnedInUpdate;
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
  return w.Digest();
}
