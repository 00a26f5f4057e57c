// The battle engine's seams: one named entry per operation that the records, the state machine,
// movement, the pool and the drivers call but that belongs to the later battle work (frame
// effects and conditions, command input and control, gauges, hits, camera, particles, sound,
// the round flow and the scenes). Each seam is a function pointer with a neutral default that
// does nothing (or answers "no"); the code that owns the operation installs its function at
// start-up, and tests install recorders. Calls go through the BattleSeam<Name> wrappers.
#pragma once

#include <cstdint>
#include <string>

struct BattleObject;
struct PlayerRecord;
struct Han6Effect;
struct Han6Condition;
struct Han6Box;

// Seams that answer an object use this spelling of the pointer type.
using BattleObjectPtr = BattleObject*;

// SEAM(return type, name, parameter list, argument list, default result expression)
#define BATTLE_SEAM_LIST(SEAM)                                                                             \
  /* frame effects of the non-spawning types, one record */                                                \
  SEAM(void, RunFrameEffect, (BattleObject * o, const Han6Effect* e), (o, e), )                            \
  SEAM(void, RunContinuousEffects, (BattleObject * o), (o), )                                              \
  /* frame conditions: one condition in a pass */                                                          \
  SEAM(void, EvalFrameCondition, (BattleObject * o, const Han6Condition* c, int phase), (o, c, phase), )   \
  /* end-of-pattern removal: 1 when the object removed itself */                                           \
  SEAM(int, EndOfPatternRemoval, (BattleObject * o), (o), 0)                                               \
  /* gauges, guard gauge, shield, timed states */                                                          \
  SEAM(void, TimedStateStep, (BattleObject * o, int anyButton), (o, anyButton), )                          \
  SEAM(void, GaugeBookkeepingStep, (BattleObject * o), (o), )                                              \
  SEAM(void, GuardShieldLockStep, (BattleObject * o), (o), )                                               \
  SEAM(int, ShieldHoldCheck, (BattleObject * o), (o), 0)                                                   \
  SEAM(void, AddCircuitMeter, (BattleObject * o, int amount), (o, amount), )                               \
  /* control rules */                                                                                      \
  SEAM(int, CanCancel, (BattleObject * o, int kind), (o, kind), 0)                                         \
  SEAM(int, CheckSystemCommands, (BattleObject * o), (o), 0)                                               \
  SEAM(int, ScanCommandList, (BattleObject * o), (o), -1)                                                  \
  SEAM(void, BaseMovement, (BattleObject * o, uint32_t buttons, int dir), (o, buttons, dir), )             \
  SEAM(void, ControlStep, (BattleObject * o), (o), )                                                       \
  /* command input */                                                                                      \
  SEAM(void, ReadBattlePad, (BattleObject * o), (o), )                                                     \
  SEAM(void, PushInputHistory, (BattleObject * o), (o), )                                                  \
  SEAM(void, CommandBookkeeping, (BattleObject * o), (o), )                                                \
  SEAM(void, ExpireInputHistory, (BattleObject * o), (o), )                                                \
  /* drawing support: the freeze gate, the trail, frame points */                                          \
  SEAM(int, MayActInFreeze, (BattleObject * o), (o), 0)                                                    \
  SEAM(void, PushTrail, (BattleObject * o), (o), )                                                         \
  SEAM(int, FramePoint, (BattleObject * o, int point, int32_t* x, int32_t* y, int32_t* angle),             \
       (o, point, x, y, angle), 0)                                                                         \
  /* hits */                                                                                               \
  SEAM(void, ApplyHitVector, (BattleObject * o, int vector, int facing), (o, vector, facing), )            \
  SEAM(void, CheckClashBoxes, (BattleObject * o), (o), )                                                   \
  SEAM(void, DetectHits, (BattleObject * o), (o), )                                                        \
  SEAM(void, DetectThrows, (BattleObject * o), (o), )                                                      \
  SEAM(void, ResolveHits, (BattleObject * o), (o), )                                                       \
  SEAM(void, SeparatePair, (BattleObject * a, BattleObject * b), (a, b), )                                 \
  SEAM(void, CutThrowLink, (BattleObject * o, int reactionTime), (o, reactionTime), )                      \
  /* round flow, scenes, replays, partners, CPU */                                                         \
  SEAM(int, IsPauseAllowed, (), (), 0)                                                                     \
  SEAM(void, UpdatePauseControl, (), (), )                                                                 \
  SEAM(void, ProcessPartnerSwap, (), (), )                                                                 \
  SEAM(void, RoundFlow, (), (), )                                                                          \
  SEAM(void, JudgeRound, (), (), )                                                                         \
  SEAM(void, DrawScreenFlash, (), (), )                                                                    \
  SEAM(void, AutoFacing, (BattleObject * o), (o), )                                                        \
  SEAM(void, ReplayInputHook, (BattleObject * o, int slot), (o, slot), )                                   \
  SEAM(void, ReplayFrameTick, (), (), )                                                                    \
  SEAM(void, PartnerControl, (BattleObject * o), (o), )                                                    \
  SEAM(void, CpuInput, (BattleObject * o), (o), )                                                          \
  SEAM(void, CpuAiFrame, (BattleObject * o), (o), )                                                        \
  SEAM(void, SetupMatchCamera, (), (), )                                                                   \
  /* camera, particles, sound, notices */                                                                  \
  SEAM(int32_t, CameraX, (), (), 0)                                                                        \
  SEAM(int32_t, CameraY, (), (), 0)                                                                        \
  SEAM(void, SpawnParticle, (int id, int32_t x, int32_t y), (id, x, y), )                                  \
  SEAM(void, RequestSound, (int slot), (slot), )                                                           \
  SEAM(void, PushHudNotice, (int side, int notice), (side, notice), )                                      \
  /* character list: entry count and the file sets of an entry (1 when it exists) */                       \
  SEAM(int, CharaListCount, (), (), 0)                                                                     \
  SEAM(int, CharaListFiles, (int index, std::string* file1, std::string* file2), (index, file1, file2), 0) \
  /* the loader's calls into sounds, the CPU patterns, the HUD and the stage */                            \
  SEAM(void, FreeCharacterSounds, (), (), )                                                                \
  SEAM(void, LoadCharacterCpuPatterns, (int slot), (slot), )                                               \
  SEAM(void, LoadCharacterSoundList, (int slot, int chara, int fileSet), (slot, chara, fileSet), )         \
  SEAM(void, LoadBattleHudGraphics, (int slot, int side, int chara), (slot, side, chara), )                \
  SEAM(void, LoadStageBgFile, (), (), )                                                                    \
  /* command notation compiler: text to codes ending in 0xFF; 1 when compiled */                           \
  SEAM(int, CompileCommandNotation, (const char* text, uint8_t* out), (text, out), 0)                      \
  /* command execution's calls into control rules and gauges; the neutral answers let a free */            \
  /* command through: a chain is allowed and only a zero cost is affordable */                             \
  SEAM(int, IsGuardStance, (BattleObject * o), (o), 0)                                                     \
  SEAM(int, GetCancelClass, (BattleObject * o, int kind), (o, kind), 0)                                    \
  SEAM(int, CanChainTo, (BattleObject * o, int pattern), (o, pattern), 1)                                  \
  SEAM(int, HasMeter, (BattleObject * o, int cost), (o, cost), cost == 0)                                  \
  SEAM(void, SpendMeter, (BattleObject * o, int cost), (o, cost), )                                        \
  /* seams added by the frame effects */                                                                   \
  /* (end of frame effects seams) */                                                                       \
  /* seams added by the frame conditions */                                                                \
  /* the sound busy-model: 1 while a character's sound slot (0..249) still plays */                        \
  SEAM(int, IsSoundSlotBusy, (BattleObject * o, int slot), (o, slot), 0)                                   \
  /* camera: the follow zoom, the screen edges (0 left, 1 right, 2 top, 3 bottom; the default is */        \
  /* a camera at zoom 1.0) and this frame's camera movement */                                             \
  SEAM(float, CameraZoom, (), (), 1.0f)                                                                    \
  SEAM(int32_t, GetScreenEdge, (int index), (index),                                                       \
       index == 0   ? BattleSeamCameraX() - 38912                                                          \
       : index == 1 ? BattleSeamCameraX() + 38912                                                          \
       : index == 2 ? BattleSeamCameraY() - 54272                                                          \
       : index == 3 ? BattleSeamCameraY() + 7168                                                           \
                    : 0)                                                                                   \
  SEAM(int32_t, CameraDeltaX, (), (), 0)                                                                   \
  SEAM(int32_t, CameraDeltaY, (), (), 0)                                                                   \
  /* box queries */                                                                                        \
  SEAM(BattleObjectPtr, FindOverlappingObject,                                                             \
       (BattleObject * self, int ownKind, int otherKind, int sideFilter, int groups, int attackFilter),    \
       (self, ownKind, otherKind, sideFilter, groups, attackFilter), nullptr)                              \
  SEAM(int, ProximityBoxesOverlap, (BattleObject * a, BattleObject * b), (a, b), 0)                        \
  /* control lookups and the throw search (mode 1 ground, 0 air) */                                        \
  SEAM(BattleObjectPtr, GetTargetOpponent, (BattleObject * o, int32_t * distance), (o, distance), nullptr) \
  SEAM(BattleObjectPtr, FindThrowTarget, (BattleObject * o, int mode, int range, int low, int span),       \
       (o, mode, range, low, span), nullptr)                                                               \
  /* the hit resolution's throw check (no objection by default) and the combo bookkeeping of a throw */    \
  SEAM(int, ThrowCheck, (BattleObject * thrower, BattleObject * target, int stateTest),                    \
       (thrower, target, stateTest), 1)                                                                    \
  SEAM(void, NoteComboThrow, (BattleObject * thrower, BattleObject * target), (thrower, target), )         \
  /* gauges: the start of a circuit charge */                                                              \
  SEAM(void, StartCharge, (BattleObject * o), (o), )                                                       \
  /* round flow, match and route facts */                                                                  \
  SEAM(int, HasRoundEndMark, (int side), (side), 0)                                                        \
  SEAM(int32_t, MatchStage, (), (), 0)                                                                     \
  SEAM(int32_t, RoundCounter, (), (), 0)                                                                   \
  SEAM(int, ArcadeVariant, (), (), 0)                                                                      \
  SEAM(int, IsGiantCharacter, (BattleObject * o), (o), 0)                                                  \
  SEAM(int, InTrainingPlayback, (BattleObject * o), (o), 0)                                                \
  SEAM(int32_t, RoutePlayerCharacter, (int side), (side), -1)                                              \
  /* achievements */                                                                                       \
  SEAM(int, IsLocalSide, (int side), (side), 0)                                                            \
  SEAM(void, SetAchievementStat, (int stat, int side, int value), (stat, side, value), )                   \
  SEAM(int, QueueAchievement, (int id), (id), 0)                                                           \
  /* a step towards an achievement whose counter the command hooks keep (their amounts) */                 \
  SEAM(void, CountAchievementProgress, (BattleObject * o, int achievement), (o, achievement), )            \
  /* (end of frame conditions seams) */                                                                    \
  /* seams added by the control rules and base movement */                                                 \
  /* (end of control rules and base movement seams) */                                                     \
  /* seams added by the gauges, shield and partners */                                                     \
  /* (end of gauges, shield and partners seams) */                                                         \
  /* seams added by the drawing support and the rest of the first battle work */                           \
  /* (end of drawing support and the rest of the first battle work seams) */                               \
  /* the scene's frame tick; without one the driver runs BattleFrameTick (battle_driver.h) */              \
  SEAM(void, FrameTick, (), (), )

#define BATTLE_SEAM_POINTER(ret, name, params, args, def) ret(*name) params = nullptr;
struct BattleSeams {
  BATTLE_SEAM_LIST(BATTLE_SEAM_POINTER)
};
#undef BATTLE_SEAM_POINTER

// The installed seams; a null entry takes the neutral default.
extern BattleSeams g_BattleSeams;
// Clears every entry back to the defaults.
void ResetBattleSeams();

#define BATTLE_SEAM_WRAPPER(ret, name, params, args, def) ret BattleSeam##name params;
BATTLE_SEAM_LIST(BATTLE_SEAM_WRAPPER)
#undef BATTLE_SEAM_WRAPPER
