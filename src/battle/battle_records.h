// Battle records: the object record every actor shares, the four character slots, the pool
// slots, the side records, the battle-wide integer block and the battle globals, with the
// match, round and slot resets and the state hash that covers every field of them.
//
// The object's fields are declared once in a field list (BATTLE_OBJECT_FIELDS) that expands
// into the record, the field-by-field hash and the width checks, so a field added later is
// hashed without further work. Widths and signedness are part of the behaviour: stores wrap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "Dxtools/Han6Files/han6_data.h"
#include "battle/game_mode.h"

struct BattleObject;
struct PlayerRecord;
struct CharaCommandTable;

// A box intersection of a pending hit, in screen pixels.
struct ScreenRect {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

inline constexpr int kPlayerSlots = 4;
inline constexpr int kObjectPoolSize = 1000;
inline constexpr int kPendingHits = 8;
inline constexpr int32_t kMaxLife = 11400;
inline constexpr uint8_t kCommonEffectData = 254;
inline constexpr uint8_t kKindAfterimage = 31;
inline constexpr uint8_t kKindChildFirst = 240;
inline constexpr uint8_t kKindSpawned = 255;

// X(type, name) for scalars, A(type, name, count) for arrays. Pointer fields are listed with
// P(type, name) and P-arrays with PA(type, name, count): the hash encodes them as slot
// references, never as addresses.
//
// The list is grouped by width (four-byte values, two-byte, one-byte, then pointers), so the
// values lie in one run without padding that the state hash reads straight from the record.
// Put a new field in the group of its width: one placed elsewhere is still hashed, as a run
// the hash copies aside, at a small cost per object.
#define BATTLE_OBJECT_FIELDS(X, A, P, PA)                                                \
  /* four-byte values */                                                                 \
  X(int32_t, pattern)                                                                    \
  X(int32_t, frame)                                                                      \
  X(int32_t, nextSprite)                                                                 \
  X(int32_t, frameTimer)                                                                 \
  X(int32_t, followerRequest)                                                            \
  X(int32_t, aiAirTechDelay)                                                             \
  X(int32_t, aiDownTechGate)                                                             \
  X(int32_t, reactionNew)                                                                \
  X(int32_t, reactionFrames)                                                             \
  A(int32_t, reaction, 7)                                                                \
  A(int32_t, pendingReaction, 7)                                                         \
  X(int32_t, chargeActive)                                                               \
  X(int32_t, chargeCount)                                                                \
  X(int32_t, chargeStep)                                                                 \
  X(int32_t, exGuardState)                                                               \
  X(int32_t, exGuardFrames)                                                              \
  X(int32_t, life)                                                                       \
  X(int32_t, redLife)                                                                    \
  X(float, guardGauge)                                                                   \
  X(float, guardHealRate)                                                                \
  X(int32_t, guardGaugeState)                                                            \
  X(int32_t, guardStopTimer)                                                             \
  X(float, guardQuality)                                                                 \
  X(int32_t, circuit)                                                                    \
  X(int32_t, heatTimer)                                                                  \
  X(int32_t, pendingSpend)                                                               \
  X(int32_t, pendingSpendMode)                                                           \
  X(int32_t, posX)                                                                       \
  X(int32_t, posY)                                                                       \
  X(int32_t, prevPosX)                                                                   \
  X(int32_t, prevPosY)                                                                   \
  X(int32_t, velX)                                                                       \
  X(int32_t, velY)                                                                       \
  X(int32_t, hitVelX)                                                                    \
  X(int32_t, hitVelY)                                                                    \
  X(int32_t, inertiaX)                                                                   \
  X(int32_t, inertiaSource)                                                              \
  X(int32_t, throwOffsetX)                                                               \
  X(int32_t, throwOffsetY)                                                               \
  X(int32_t, shieldFrames)                                                               \
  X(int32_t, hitSteps)                                                                   \
  X(int32_t, hitReaction)                                                                \
  A(ScreenRect, pendingHitRect, 8)                                                       \
  X(int32_t, freezeSerial)                                                               \
  X(float, juggleWeight)                                                                 \
  X(uint32_t, inputButtons)                                                              \
  X(uint32_t, inputReleased)                                                             \
  X(int32_t, rotationPivotX)                                                             \
  X(int32_t, rotationPivotY)                                                             \
  X(int32_t, rotation)                                                                   \
  X(float, scaleX)                                                                       \
  X(float, scaleY)                                                                       \
  X(int32_t, stepFrames)                                                                 \
  /* two-byte values */                                                                  \
  X(int16_t, type)                                                                       \
  X(uint16_t, spawnFlags)                                                                \
  X(uint16_t, flags)                                                                     \
  X(uint16_t, ownerCounterSlot)                                                          \
  X(uint16_t, followFrames)                                                              \
  X(uint16_t, followLimit)                                                               \
  X(int16_t, followX)                                                                    \
  X(int16_t, followY)                                                                    \
  X(int16_t, followDelay)                                                                \
  X(int16_t, anchorPoint)                                                                \
  A(int16_t, followWords, 4) /* the four follow words after the anchor */                \
  X(int16_t, aiStepFrames)                                                               \
  X(int16_t, aiRecord)                                                                   \
  X(int16_t, aiStep)                                                                     \
  X(int16_t, guardCount)                                                                 \
  X(int16_t, guardQualityStop)                                                           \
  X(int16_t, regenDelay)                                                                 \
  X(int16_t, gaugeModeMax)                                                               \
  X(int16_t, gaugeStartDelay)                                                            \
  X(int16_t, gaugeCount)                                                                 \
  X(int16_t, circuitBreakTimer)                                                          \
  X(int16_t, circuitBreakLength)                                                         \
  X(int16_t, circuitBreakRate)                                                           \
  X(int16_t, accX)                                                                       \
  X(int16_t, accY)                                                                       \
  X(int16_t, velXStop)                                                                   \
  X(int16_t, hitAccX)                                                                    \
  X(int16_t, hitAccY)                                                                    \
  X(int16_t, inertiaDecay)                                                               \
  X(int16_t, inertiaPattern)                                                             \
  X(int16_t, speedCapPattern)                                                            \
  A(int16_t, waveX, 4)                                                                   \
  A(int16_t, waveY, 4)                                                                   \
  X(uint16_t, contactFlags)                                                              \
  X(uint16_t, childContactFlags)                                                         \
  X(int16_t, drawPriority)                                                               \
  X(int16_t, priorityMode)                                                               \
  X(int16_t, airSteps)                                                                   \
  X(int16_t, heldSteps)                                                                  \
  X(int16_t, untechTime)                                                                 \
  X(int16_t, hitFrames)                                                                  \
  X(int16_t, armorFrames)                                                                \
  X(int16_t, reversedFrames)                                                             \
  A(int16_t, shortTimers, 3) /* the three short timers after it */                       \
  A(int16_t, charVars, 9)                                                                \
  X(uint16_t, aiLifeMarks)                                                               \
  X(int16_t, penalty)                                                                    \
  X(int16_t, penaltyHold)                                                                \
  X(int16_t, hitsTaken)                                                                  \
  X(int16_t, registeredHits)                                                             \
  X(int16_t, noPush)                                                                     \
  X(int16_t, juggleCount)                                                                \
  X(uint16_t, childCount)                                                                \
  X(int16_t, pendingPattern)                                                             \
  X(int16_t, pendingPriority)                                                            \
  X(int16_t, pendingFrame)                                                               \
  X(int16_t, pendingFramePriority)                                                       \
  /* throws and the frame effects' own words */                                          \
  A(int16_t, holdWords, 2)                                                               \
  /* velocity x, y and acceleration x, y kept by effect 6/111 */                         \
  A(int16_t, savedMotion, 4)                                                             \
  /* afterimage bookkeeping (pool objects of kind 31) */                                 \
  X(int16_t, afterLife)                                                                  \
  X(int16_t, afterPriorityFlag)                                                          \
  X(int16_t, afterScaleSpeedX)                                                           \
  X(int16_t, afterScaleSpeedY)                                                           \
  /* one-byte values */                                                                  \
  X(uint8_t, playerIndex)                                                                \
  X(uint8_t, charaIndex)                                                                 \
  X(uint8_t, fileCharaIndex)                                                             \
  X(uint8_t, controller)                                                                 \
  X(uint8_t, dataIndex)                                                                  \
  X(uint8_t, kind)                                                                       \
  X(uint8_t, colorIndex)                                                                 \
  X(uint8_t, conditionsPending)                                                          \
  X(uint8_t, effectsPending)                                                             \
  X(uint8_t, hitVectorFresh)                                                             \
  X(uint8_t, patternEnded)                                                               \
  X(uint8_t, loopCounter)                                                                \
  X(uint8_t, followMode)                                                                 \
  X(uint8_t, followBase)                                                                 \
  X(uint8_t, aiSystemRequest)                                                            \
  X(uint8_t, aiThrowRequest)                                                             \
  X(uint8_t, aiRandomPick)                                                               \
  X(uint8_t, cancelledOnContact)                                                         \
  X(uint8_t, gaugeMode)                                                                  \
  X(uint8_t, expireInputOnReset)                                                         \
  X(uint8_t, superCancel)                                                                \
  X(uint8_t, shieldState)                                                                \
  X(uint8_t, highJump)                                                                   \
  X(uint8_t, hitStop)                                                                    \
  X(uint8_t, hitStopPass)                                                                \
  X(uint8_t, hitStopRequest)                                                             \
  X(uint8_t, attackConnected)                                                            \
  X(uint8_t, pendingHitStop)                                                             \
  X(uint8_t, held)                                                                       \
  X(uint8_t, noCommand)                                                                  \
  X(uint8_t, partnerState)                                                               \
  X(uint8_t, hitsLeft)                                                                   \
  X(uint8_t, guarding)                                                                   \
  X(uint8_t, aiGuardDecision)                                                            \
  X(uint8_t, guardHold)                                                                  \
  X(uint8_t, downState)                                                                  \
  X(uint8_t, recoveryDone)                                                               \
  X(uint8_t, wallTouch)                                                                  \
  X(uint8_t, jumpCancelUsed)                                                             \
  X(uint8_t, burstBlock)                                                                 \
  X(uint8_t, tradeMark)                                                                  \
  X(uint8_t, strikeInvuln)                                                               \
  X(uint8_t, throwInvuln)                                                                \
  X(uint8_t, noHitFrames)                                                                \
  X(uint8_t, jumpStartFrames)                                                            \
  X(uint8_t, landingState)                                                               \
  X(uint8_t, requestSource)                                                              \
  X(uint8_t, recoveryFlags)                                                              \
  X(uint8_t, airRecoveryAllowed)                                                         \
  X(uint8_t, groundRecoveryAllowed)                                                      \
  X(uint8_t, techInvuln)                                                                 \
  X(uint8_t, throwClashFrames)                                                           \
  X(uint8_t, throwConnected)                                                             \
  X(uint8_t, hitStopLength)                                                              \
  X(uint8_t, pendingHitCount)                                                            \
  X(uint8_t, statusKind)                                                                 \
  X(uint8_t, statusTimer)                                                                \
  X(uint8_t, hitVectorStep)                                                              \
  X(uint8_t, hitVectorFacing)                                                            \
  X(uint8_t, hitVector)                                                                  \
  X(uint8_t, patternHold)                                                                \
  X(uint8_t, finishKind)                                                                 \
  X(uint8_t, airJumps)                                                                   \
  A(int8_t, actionCounters, 10)                                                          \
  X(uint8_t, airActions)                                                                 \
  X(uint8_t, auraEffect)                                                                 \
  X(uint8_t, trailColour)                                                                \
  X(uint8_t, trailCount)                                                                 \
  X(uint8_t, trailStride)                                                                \
  X(uint8_t, trailReset)                                                                 \
  X(uint8_t, flashKind)                                                                  \
  X(uint8_t, flashTimer)                                                                 \
  X(uint8_t, flashLength)                                                                \
  X(int8_t, counterState)                                                                \
  X(uint8_t, holding)                                                                    \
  X(uint8_t, shieldedClass)                                                              \
  X(uint8_t, inputDir)                                                                   \
  X(uint8_t, inputDirFacing)                                                             \
  X(uint8_t, side)                                                                       \
  X(uint8_t, removing)                                                                   \
  X(uint8_t, facing)                                                                     \
  X(uint8_t, wantedFacing)                                                               \
  X(uint8_t, turnMark)                                                                   \
  X(uint8_t, childPurge)                                                                 \
  X(uint8_t, patternChanged)                                                             \
  X(uint8_t, landed)                                                                     \
  X(uint8_t, landingJump)                                                                \
  X(uint8_t, prevStance)                                                                 \
  X(uint8_t, stepped)                                                                    \
  X(uint8_t, revivalsUsed)                                                               \
  X(uint8_t, finishCheck)                                                                \
  /* the marks of the throws and the frame effects */                                    \
  A(uint8_t, hitMarks, 2)                                                                \
  X(uint8_t, koWait)                                                                     \
  X(uint8_t, koVoicePlayed)                                                              \
  /* pose flags of the round flow: 0x01 knocked out, 0x10 posed (out of any combo) */    \
  X(uint8_t, poseFlags)                                                                  \
  /* afterimage colour (pool objects of kind 31) */                                      \
  X(uint8_t, afterColour)                                                                \
  /* re-entry depth of frame entry (bounded so effect chains cannot recurse for ever) */ \
  X(uint8_t, entryDepth)                                                                 \
  /* hit resolution: the defender's mark (cleared on landing) and the credited */        \
  /* owner's mark of an attack, and the damage display's frames left */                  \
  X(uint8_t, defenderMark)                                                               \
  X(uint8_t, ownerMark)                                                                  \
  X(uint8_t, damageDisplayFrames)                                                        \
  /* pointers */                                                                         \
  PA(Han6AttackData*, pendingHitAttack, 8)                                               \
  PA(BattleObject*, pendingHitAttacker, 8)                                               \
  P(BattleObject*, lastAttacker)                                                         \
  P(BattleObject*, target)                                                               \
  P(BattleObject*, heldObject)                                                           \
  P(BattleObject*, owner)                                                                \
  P(BattleObject*, parent)                                                               \
  P(BattleObject*, creditOwner)                                                          \
  P(BattleObject*, shieldedAttacker)                                                     \
  P(Han6Pattern*, patternRec)                                                            \
  P(Han6Frame*, frameRec)                                                                \
  P(Han6AttackData*, attackRec)                                                          \
  P(PlayerRecord*, playerRecord)                                                         \
  P(BattleObject*, partner)                                                              \
  P(FrameDataSet*, frameData)

#define BATTLE_DECLARE_FIELD(type, name) type name{};
#define BATTLE_DECLARE_ARRAY(type, name, n) type name[n]{};

struct BattleObject {
  BATTLE_OBJECT_FIELDS(BATTLE_DECLARE_FIELD, BATTLE_DECLARE_ARRAY, BATTLE_DECLARE_FIELD, BATTLE_DECLARE_ARRAY)
};

// The reaction block's first word.
inline int32_t& ReactionKind(BattleObject& o) { return o.reaction[0]; }

// The seven-channel run-length input history (filled by the command input code).
struct InputHistory {
  static constexpr int kChannels = 7;
  static constexpr int kEntries = 64;
  uint8_t value[kChannels][kEntries]{};
  uint16_t frames[kChannels][kEntries]{};
  int32_t head[kChannels]{};
  int32_t expired = 0;
};

// Chain-and-cancel memory of a character.
struct ChainMemory {
  uint32_t lowPatternBits = 0;  // patterns 1 to 9
  uint32_t numberBits[32]{};    // other used numbers, 1024 bits
  int32_t registrations = 0;
  int32_t movable = 0;
  int32_t pendingChain = -1;     // chain number noted for the next registration
  int32_t lastFiredCommand = 0;  // last command fired in the chain
  int32_t oldStateFree = 0;      // the free mark of the state left by the last change
};

struct PlayerExtension {
  std::unique_ptr<CharaCommandTable> commandTable;
  float recoveryRate = 0.0f;
  int16_t recoveryDelay = 0;
  int32_t timedState[3]{};      // the three words the round reset clears
  int32_t timedStateMore[5]{};  // further timed-state words, cleared per match
  ChainMemory chain;
  // From here up to macroMode: cleared together at every round start.
  InputHistory history;
  int32_t commandSerial = 0;
  int32_t lastCommand = 0;
  int32_t macroMode = 0;
};

struct PlayerRecord {
  uint8_t inUse = 0;
  BattleObject obj;
  PlayerExtension ext;
};

struct ObjectPoolSlot {
  uint8_t inUse = 0;
  uint8_t spawnedInUpdate = 0;
  BattleObject obj;
};

// One combo of a side: the hits and damage it has landed, its proration and meter percents
// (0 reads as 100) and the animation of its counter on screen. Eight per side in a ring.
struct ComboRecord {
  int16_t hits = 0;
  int32_t damage = 0;
  uint8_t recovery = 0;  // a hit landed after the defender recovered
  uint8_t ended = 0;
  int16_t proration = 0;
  int16_t meterPercent = 0;
  uint8_t visible = 0;
  int16_t framesSinceHit = 0;
  int16_t framesSinceDamage = 0;
  int32_t animState = 0;
  int32_t animTimer = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t alpha = 0;
};
inline constexpr int kComboRecords = 8;

// A side's round-damage record (the training damage display reads it).
struct RoundDamageRecord {
  int32_t hits = 0;
  int32_t comboHits = 0;  // hits of an unbroken combo
  int32_t damage = 0;
  int32_t rawDamage = 0;
  int32_t redDamage = 0;
  int32_t meterGained = 0;
};

struct SideStatus {
  int32_t activePlayer = 0;
  int32_t partnerControl = 0;
  int32_t partnerFrames = 0;
  int32_t hasPartner = 0;
  int32_t actionLock = 0;
  int32_t score = 0;
  int32_t prorationShown = 0;
  float attackFactor = 0.0f;
  int32_t hitsCounted = 0;
  int32_t bestCombo = 0;
  int32_t bestComboDamage = 0;
  int32_t bestStats[2]{};  // largest hits and damage seen in a round-damage record
  int32_t statIndex = 0;
  int32_t statShown = 0;
  RoundDamageRecord statRecords[2];
  uint8_t comboShown = 0;
  uint8_t comboIndex = 0;
  ComboRecord combos[kComboRecords];
  int32_t counterBanner = 0;
  int32_t notFreeFrames = 0;
  int32_t showPartner = 0;     // an inactive partner is drawn while set
  int32_t arcadeTotals[10]{};  // challenger count among them (index 9)
  // Round counters, cleared by every round start: the judge's count of the side's won rounds,
  // and the remaining life its active characters had when a time over was judged.
  int32_t roundsWon = 0;
  int32_t lifeTotal = 0;
  // Cleared for both sides by the VS screen before every match; nothing known reads it.
  int32_t perMatchWord = 0;
};

// A side's HUD block: six banner entries (entry 0 the newest), and the bottom status indicator.
struct HudBanner {
  uint8_t kind = 0;
  int16_t state = 0;  // 0 free, 1 new, 2 sliding in, 10 shown, 50 fading
  int16_t frames = 0;
  int16_t x = 0;
  int16_t y = 0;
  int16_t shift = 0;
  int32_t alpha = 0;
};
inline constexpr int kHudBanners = 6;
struct HudBlock {
  HudBanner banners[kHudBanners];
  int32_t indicatorMode = 0;
  int32_t indicatorPhase = 0;
  int16_t indicatorTimer = 0;
};
extern HudBlock g_HudBlocks[4];

// Character selections of the two sides (written by the character select and the replays).
struct PlayerSelection {
  int32_t controller = 0;
  int32_t color = 0;
  int32_t character = -1;
  int32_t fileSet = 0;
  int32_t side = 0;
  int32_t type = 0;
  int32_t decided = 0;
  int32_t ratio = 100;
  int32_t drawOption = 0;
  int32_t overrideMode = 0;
  int32_t overrideValue = 0;
};

// The battle-wide int32 block.
inline constexpr int kBattleStateSize = 1024;
inline constexpr int kBattleStateRow = 195;
inline constexpr int kBattleStateRows = 5;
struct BattleStateIndex {
  static constexpr int kScreenMode = 4;
  static constexpr int kScreenBreakProgress = 5;
  static constexpr int kGlobalFreezeRequest = 983;
  static constexpr int kMatchPoint0 = 984;
  static constexpr int kRoundMarks = 986;  // 986..1009
  static constexpr int kSpecialStage = 1010;
  static constexpr int kTrainingDisplay = 1011;
  static constexpr int kFreezeStarted = 1012;
};
// Row s word offsets.
inline int PlayerTimerIndex(int s, int i) { return kBattleStateRow * s + 8 + i; }
inline int PlayerTimerElapsedIndex(int s, int i) { return kBattleStateRow * s + 72 + i; }
inline int PlayerTimerStartIndex(int s, int i) { return kBattleStateRow * s + 136 + i; }
inline int FreezeTimerIndex(int s) { return kBattleStateRow * s + 200; }
inline int FreezeSerialIndex(int s) { return kBattleStateRow * s + 202; }

extern PlayerRecord g_PlayerRecords[kPlayerSlots];
extern ObjectPoolSlot g_ObjectPool[kObjectPoolSize];
// One past the highest pool slot taken since the pool was last cleared: the pool passes walk
// the slots below it (slots above were never taken, so no walk would find them in use). The
// spawns raise it; code that takes a slot any other way calls NotePoolSlotTaken.
extern int32_t g_PoolHighWater;
void NotePoolSlotTaken(const ObjectPoolSlot& slot);
// Frees every pool slot (the round start).
void ClearObjectPool();
extern SideStatus g_SideStatus[4];
extern int32_t g_BattleState[kBattleStateSize];
extern FrameDataSet g_FrameDataSets[kPlayerSlots];
extern FrameDataSet g_CommonFrameData;
extern PlayerRecord g_EffectOwner;
extern PlayerSelection g_PlayerSelections[2];
extern PlayerRecord* g_PlayerOrder[kPlayerSlots];

extern int32_t g_BattlePhase;
extern uint8_t g_Paused;
extern int32_t g_GlobalFreeze;
extern int16_t g_SlowMotion;
extern int16_t g_SlowMotionRequest;
extern uint32_t g_BattleFrame;
extern uint8_t g_InBattleUpdate;
extern uint8_t g_CommandLock;
extern uint8_t g_JudgeState;
extern int32_t g_BattleCounters[10];
extern int16_t g_ScreenShake;
extern int16_t g_ScreenShakeAxis;
// The frame-effect sound lock: cleared before an object's effect list runs; a sound effect
// that sets it keeps the rest of that list quiet.
extern uint8_t g_EffectSoundLock;
// The sound busy model: a requested effect slot counts as playing from the battle frame of
// its request (start) up to the frame before `until` (battle_sound.h).
inline constexpr int kBattleSoundSlots = 1500;
extern uint32_t g_SoundBusyStart[kBattleSoundSlots];
extern uint32_t g_SoundBusyUntil[kBattleSoundSlots];
// Clears the busy model and the sound lock (every round start: the frame count starts again).
void ResetSoundBusyModel();
// The round clock's speed, 0 (infinite) to 4; the scenes set it from the configuration.
extern uint8_t g_TimerSpeed;
// The local player's side (0 or 1): the side whose arcade route the battle reads.
extern uint8_t g_MainSide;
// The stage of the match (1..99) and its byte copy (the stage music), stored by the stage choice.
extern int32_t g_MatchStage;
extern uint8_t g_MatchStageByte;
extern int32_t g_RoundsToWin;
// Match input set by the scenes (tests and the harness set it directly): the damage level
// (0..4, index of the level factors; 2 is 1.0).
extern int32_t g_DamageLevel;
// The round flow's final-round word: 255 while the final round is played.
extern int32_t g_FinalRound;

// The side of an object as an index of the four side records and HUD blocks, or -1 when it
// is outside 0..3 (objects of the common-effect owner carry side 255). Records indexed by side
// skip an object without one.
inline int SideIndexOrNone(int side) { return side >= 0 && side < 4 ? side : -1; }

// True on the battle frames that slow motion skips (it runs, and the frame is not a multiple
// of 3): every per-step visual skips its work then.
inline bool IsSlowMotionSkipFrame() { return g_SlowMotion != 0 && g_BattleFrame % 3 != 0; }
// The battle-wide count of the grab achievement of the frame conditions (up to 10).
extern int32_t g_GrabAchievementCount;
// Meter the local side has gained by circuit charge in this battle (an achievement counter).
extern int32_t g_ChargeMeterTotal;
inline constexpr int32_t g_MaxLife = kMaxLife;

// Round reset of a character's extension (history and what follows, the timed-state words).
void ResetPlayerRoundState(PlayerRecord& record);
void InitPlayerRecord(PlayerRecord& record, int side, int32_t x, int facing);
void InitPartnerRecord(PlayerRecord& record, int side, int facing);
void ResetBattleCounters();
void InitMatchBattleState();
void ResetSideProgress(int side);
// The whole battle state back to program start (tests and the headless harness).
void ResetAllBattleGlobals();
int HasPattern(const BattleObject& object, int pattern);
void RelinkPlayerRecords();

// Slot reference of an object: 0..3 characters, 100..1099 pool objects, 2000 the common-effect
// owner, -1 null, -2 an object outside the battle arrays.
int32_t BattleObjectRef(const BattleObject* object);
BattleObject* BattleObjectFromRef(int32_t ref);

// A 64-bit hash over every battle global and record, field by field (padding never read),
// pointers as slot references, and the random streams; the same in every process, build and
// compiler (battle_state_hash.cpp).
uint64_t BattleStateHash();
// Field classes of that walk a hash may leave out.
enum BattleHashClass : uint32_t {
  // Changed by the stage draw: random stream 0 and battle-state word 4, which the background
  // moves by what it draws (the stage-animation option changes them); nothing in the battle
  // reads them.
  kHashStageDraw = 1u << 0,
  // The viewer's side: the generators' bookkeeping, the local side's counters, the main side
  // and what the clock and the judge note for it, the attack display.
  kHashViewer = 1u << 1,
  // What a replay cannot give back and the battle never reads: the winner call's record, the
  // screen break-up's cells, the afterimage trails (only the drawing reads them), and which of
  // the versus mode words the match ran under (a playback always runs under the player one).
  kHashReplayLoose = 1u << 2,
};
// The walk without the fields of the given classes.
uint64_t BattleStateHashWithout(uint32_t classes);
// The walk without the stage draw's, the viewer's and the replay-loose fields: recording and
// playback of a replay compare it frame by frame.
uint64_t ReplayStateHash();
// The hash of one object record alone, with a seed.
uint64_t HashBattleObject(const BattleObject& object, uint64_t seed);
