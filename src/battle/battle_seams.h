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
struct CutSpriteSheet;
struct PAniData;
struct ScreenRect;
struct Han6AttackData;
struct HitInfo;
struct TextureHandle;

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
  SEAM(void, ExpireInputHistory, (BattleObject * o), (o), )                                                \
  /* drawing support: the freeze gate, the trail, frame points */                                          \
  SEAM(int, MayActInFreeze, (BattleObject * o), (o), 0)                                                    \
  SEAM(void, PushTrail, (BattleObject * o), (o), )                                                         \
  SEAM(int, FramePoint, (BattleObject * o, int point, int32_t* x, int32_t* y, int32_t* angle),             \
       (o, point, x, y, angle), 0)                                                                         \
  /* hits */                                                                                               \
  SEAM(void, ApplyHitVector,                                                                               \
       (BattleObject * o, int vector, int step, int facing, int mirror, int noVelocity),                   \
       (o, vector, step, facing, mirror, noVelocity), )                                                    \
  SEAM(void, CheckClashBoxes, (BattleObject * o), (o), )                                                   \
  SEAM(void, DetectHits, (BattleObject * o), (o), )                                                        \
  SEAM(void, DetectThrows, (BattleObject * o), (o), )                                                      \
  SEAM(void, ResolveHits, (BattleObject * o), (o), )                                                       \
  SEAM(void, SeparatePair, (BattleObject * a, BattleObject * b, int32_t overlap), (a, b, overlap), )       \
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
  SEAM(int, CanChainTo, (BattleObject * o, int command), (o, command), 1)                                  \
  SEAM(int, HasMeter, (BattleObject * o, int cost), (o, cost), cost == 0)                                  \
  SEAM(void, SpendMeter, (BattleObject * o, int cost), (o, cost), )                                        \
  /* seams added by the frame effects */                                                                   \
  /* sound busy model: 1 while the character's voice slot (0..249; 255 any of them) plays */               \
  SEAM(int, IsSoundSlotBusy, (BattleObject * o, int slot), (o, slot), 0)                                   \
  /* particle pool: the three spawners, a block of x, y and the effect's parameters */                     \
  SEAM(void, SpawnParticleEffect, (int number, const int32_t* block, int flip, BattleObject* o),           \
       (number, block, flip, o), )                                                                         \
  SEAM(void, SpawnSystemEffect, (BattleObject * o, int code, const int32_t* block, int flip),              \
       (o, code, block, flip), )                                                                           \
  SEAM(void, SpawnCallEffect, (int code, const int32_t* block, int flip), (code, block, flip), )           \
  /* camera */                                                                                             \
  SEAM(void, ResetBattleCamera, (), (), )                                                                  \
  SEAM(void, SetFixedZoom, (int mode), (mode), )                                                           \
  SEAM(void, SetCameraHold, (int on), (on), )                                                              \
  SEAM(void, SetCameraFocus, (int slot), (slot), )                                                         \
  SEAM(void, SetCameraLock, (int on), (on), )                                                              \
  SEAM(void, StartZoomOverride, (int rampIn, int hold, int rampOut, float zoom),                           \
       (rampIn, hold, rampOut, zoom), )                                                                    \
  SEAM(void, StopZoomOverride, (), (), )                                                                   \
  /* a point of the drawing support that the object turns toward (1 when there is one) */                  \
  SEAM(int, GetTargetPoint, (BattleObject * o, int32_t depth, int32_t * x, int32_t * y), (o, depth, x, y), \
       0)                                                                                                  \
  /* the stage background's fade word */                                                                   \
  SEAM(void, SetBackgroundFade, (int value), (value), )                                                    \
  /* round flow: automatic facing with an offset */                                                        \
  SEAM(int, AutoFace, (BattleObject * o, int offset), (o, offset), -1)                                     \
  /* hits: box search, damage, knock-out, untech time */                                                   \
  SEAM(int, FindOverlappingObject,                                                                         \
       (BattleObject * self, int ownKind, int otherKind, int sideFilter, int groups, int attackFilter,     \
        BattleObject** found),                                                                             \
       (self, ownKind, otherKind, sideFilter, groups, attackFilter, found), 0)                             \
  SEAM(int, ScaleDamage, (BattleObject * defender, BattleObject * attacker, int base, int isHit),          \
       (defender, attacker, base, isHit), base)                                                            \
  SEAM(int, FinishKindFor, (BattleObject * attacker), (attacker), 3)                                       \
  SEAM(int, KnockOutAllowed, (BattleObject * o, int lethal), (o, lethal), lethal)                          \
  SEAM(int, UntechDecay, (BattleObject * o, int t), (o, t), t)                                             \
  /* combo bookkeeping and HUD: a throw's damage counted, the life bar shaken, the arcade score */         \
  SEAM(void, UpdateProration, (BattleObject * o, int value, int kind), (o, value, kind), )                 \
  SEAM(void, CountThrowDamage, (BattleObject * victim, BattleObject * thrower, int damage),                \
       (victim, thrower, damage), )                                                                        \
  SEAM(void, ShakeLifeBar, (BattleObject * o), (o), )                                                      \
  SEAM(int, ComboScoreOnHit, (BattleObject * attacker, int damage), (attacker, damage), 0)                 \
  /* gauges and partners */                                                                                \
  SEAM(int, AddGuardGauge, (BattleObject * o, int amount, int stop), (o, amount, stop), 0)                 \
  SEAM(void, AddGuardQuality, (BattleObject * o, float delta), (o, delta), )                               \
  SEAM(void, SetGaugeLock, (BattleObject * o, int timer, int rate), (o, timer, rate), )                    \
  SEAM(int, IsTakeoverDue, (BattleObject * o), (o), 0)                                                     \
  /* frame condition 21's test, used by the sound effects */                                               \
  SEAM(int, HasOpponentCharacter, (BattleObject * o, int chara), (o, chara), 0)                            \
  /* arcade route: the kind of the side's current stage; the ending voices */                              \
  SEAM(int, RouteStageKind, (int side), (side), 0)                                                         \
  SEAM(void, AchieveEndingFlags, (int voice), (voice), )                                                   \
  /* achievements: a side's counter of achievement id raised by amount; the new total */                   \
  SEAM(int, AddAchievementCounter, (int side, int id, int amount), (side, id, amount), 0)                  \
  /* (end of frame effects seams) */                                                                       \
  /* seams added by the frame conditions */                                                                \
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
  /* boxes: slot 9 of both objects overlaps */                                                             \
  SEAM(int, ProximityBoxesOverlap, (BattleObject * a, BattleObject * b), (a, b), 0)                        \
  /* the hit resolution's throw check (no objection by default) and the combo bookkeeping of a throw */    \
  SEAM(int, ThrowCheck, (BattleObject * thrower, BattleObject * target, int stateTest),                    \
       (thrower, target, stateTest), 1)                                                                    \
  SEAM(void, NoteComboThrow, (BattleObject * thrower, BattleObject * target), (thrower, target), )         \
  /* round flow, match and training facts */                                                               \
  SEAM(int, HasRoundEndMark, (int side), (side), 0)                                                        \
  SEAM(int, ArcadeVariant, (), (), 0)                                                                      \
  SEAM(int, InTrainingPlayback, (BattleObject * o), (o), 0)                                                \
  /* achievements: a side's progress of a statistic; a step towards an achievement whose counter */        \
  /* the command hooks keep (their amounts) */                                                             \
  SEAM(void, SetAchievementStat, (int stat, int side, int value), (stat, side, value), )                   \
  SEAM(void, CountAchievementProgress, (BattleObject * o, int achievement), (o, achievement), )            \
  /* (end of frame conditions seams) */                                                                    \
  /* seams added by the control rules and base movement */                                                 \
  SEAM(int, CheckPartnerCallCommand, (BattleObject * o), (o), 0)                                           \
  SEAM(int, IsGaugeLocked, (BattleObject * o), (o), 0)                                                     \
  SEAM(int, IsTrainingDummy, (BattleObject * o), (o), 0)                                                   \
  /* the CPU opponent's throw-escape decision: 1 escapes */                                                \
  SEAM(int, CpuThrowEscape, (BattleObject * o), (o), 0)                                                    \
  /* the throwable opponent (1 found, *target set); mode 1 ground, 0 air */                                \
  SEAM(int, FindThrowTarget,                                                                               \
       (BattleObject * o, int mode, int range, int low, int span, BattleObject** target),                  \
       (o, mode, range, low, span, target), 0)                                                             \
  /* (end of control rules and base movement seams) */                                                     \
  /* seams added by the gauges, shield and partners */                                                     \
  /* the partner call (the CPU opponent calls it) */                                                       \
  SEAM(int, PartnerCall, (BattleObject * o), (o), 0)                                                       \
  /* the circuit charge (frame condition 60 starts it) */                                                  \
  SEAM(void, StartCharge, (BattleObject * o), (o), )                                                       \
  /* what gauges and partners need of the character list, the round call, training, boxes,  */             \
  /* the HUD, facing and the camera */                                                                     \
  SEAM(int, GetCharacterTagType, (int chara), (chara), 0)                                                  \
  SEAM(int, RoundCallDone, (), (), 0)                                                                      \
  SEAM(void, TrainingShieldNotice, (BattleObject * o, int level), (o, level), )                            \
  /* 1 when the defender's box 9 (ten or more boxes) or one of boxes 1..8 meets the attacker's */          \
  /* attack boxes; the meeting rectangle in screen pixels goes to *out */                                  \
  SEAM(int, ShieldBoxesOverlap, (BattleObject * d, BattleObject * a, ScreenRect * out), (d, a, out), 0)    \
  SEAM(void, FacePartner, (BattleObject * o), (o), )                                                       \
  SEAM(int32_t, CameraTargetX, (), (), 0)                                                                  \
  /* the side's current round-damage record: its meter-gained word grows by amount */                      \
  SEAM(void, AddRoundMeterGained, (int side, int amount), (side, amount), )                                \
  /* (end of gauges, shield and partners seams) */                                                         \
  /* seams added by the drawing support and the rest of the first battle work */                           \
  /* the character list: giant characters (1 when the object's character is one) */                        \
  SEAM(int, IsGiantCharacter, (const BattleObject* o), (o), 0)                                             \
  /* boxes: the other's push box in world units {x1, y1, x2, y2}; 1 when it takes part in the push */      \
  SEAM(int, GetPushCandidateBox, (BattleObject * self, BattleObject * other, int32_t * out),               \
       (self, other, out), 0)                                                                              \
  /* camera: the x correction that brings an object and the one it carries inside the walls */             \
  SEAM(int32_t, HeldSpanEdgeCorrection, (BattleObject * o), (o), 0)                                        \
  /* camera: the special stage's fixed zoom (on, with the zoom) */                                         \
  SEAM(void, SetStageFixedZoom, (float zoom), (zoom), )                                                    \
  /* scenes: the story-script state and the characters' draw switch */                                     \
  SEAM(void, ResetStoryScriptState, (), (), )                                                              \
  SEAM(void, SetDrawCharactersOn, (int on), (on), )                                                        \
  /* save data: the SELECT_LANGUAGE option (0 Japanese, 1 English) */                                      \
  SEAM(int, SelectLanguage, (), (), 0)                                                                     \
  /* arcade routes: the main side's current route stage while its route is not finished: */                \
  /* {stage kind, 0-based stage index, text number, Ex texts} and the character's name; 1 when */          \
  /* such a stage exists */                                                                                \
  SEAM(int, MainRouteStage, (int32_t * info, std::string * name), (info, name), 0)                         \
  /* arcade routes: a side's route record back to its start (stage index, counts, flags; the */            \
  /* current text entry -1) */                                                                             \
  SEAM(void, ResetStoryBattleRoute, (int side), (side), )                                                  \
  /* arcade routes: the character a side chose when its route started, -1 when none */                     \
  SEAM(int, RouteCharacter, (int side), (side), -1)                                                        \
  /* achievements: the local-side test every hook asks first, the queue, the per-stage counters */         \
  SEAM(int, IsLocalSide, (int side), (side), 0)                                                            \
  SEAM(int, QueueAchievement, (int id), (id), 0)                                                           \
  SEAM(void, CloseStageAchievementCounters, (int stageKind), (stageKind), )                                \
  SEAM(void, WatchPatternAchievements, (BattleObject * o, int pattern), (o, pattern), )                    \
  SEAM(void, StepAchievementTimers, (BattleObject * o), (o), )                                             \
  SEAM(void, ResetRemovalAchievementCounter, (int side), (side), )                                         \
  /* training and replays: the dummy taken over by the player, the replay mode, a training setting */      \
  SEAM(int, IsDummyTakenOver, (), (), 0)                                                                   \
  SEAM(int, ReplayMode, (), (), 0)                                                                         \
  SEAM(int, TrainingSetting, (int entry), (entry), 0)                                                      \
  /* round flow: 1 while the screen is dimmed (the dim value is not 0) */                                  \
  SEAM(int, IsScreenDimmed, (), (), 0)                                                                     \
  /* sprite pages from page bitmap files, when the sheets carry no pixels of their own */                  \
  SEAM(int, LoadCutSpritePageBitmaps,                                                                      \
       (CutSpriteSheet * sheet, const char* name, const uint8_t* palette, const uint8_t* pageMap),         \
       (sheet, name, palette, pageMap), 0)                                                                 \
  SEAM(int, LoadPAniPageBitmaps, (PAniData * pani, const char* name), (pani, name), 0)                     \
  /* round flow and HUD: their per-round words, cleared with the battle counters */                        \
  SEAM(void, ResetRoundFlowWords, (), (), )                                                                \
  /* the battle draw around the pool objects: camera, characters, particles, HUD */                        \
  SEAM(void, UpdateBattleCamera, (), (), )                                                                 \
  SEAM(int, DrawCharactersOn, (), (), 1)                                                                   \
  SEAM(void, DrawCharacters, (), (), )                                                                     \
  SEAM(void, DrawParticles, (), (), )                                                                      \
  SEAM(void, UpdateDrawHud, (), (), )                                                                      \
  /* (end of drawing support and the rest of the first battle work seams) */                               \
  /* what the stage background reads of the camera and the fighters: the drawn zoom, whether any */        \
  /* fighter's heat mode is active, and the background hold timer (particle effect 2 sets it) */           \
  SEAM(float, CameraScale, (), (), 1.0f)                                                                   \
  SEAM(int, AnyHeatActive, (), (), 0)                                                                      \
  SEAM(int32_t, BgHoldTimer, (), (), 0)                                                                    \
  /* seams added by the character list and routes */                                                       \
  /* scenes: the battle HUD graphics of every slot freed (with the character data) */                      \
  SEAM(void, FreeBattleHudGraphics, (), (), )                                                              \
  /* seams added by hit resolution */                                                                      \
  /* the CPU's guard answer for a hit about to land (1 guards) */                                          \
  SEAM(int, CpuWantsToGuard, (BattleObject * o), (o), 0)                                                   \
  /* untech time, meter gain and circuit break of one resolved entry */                                    \
  SEAM(void, SetUntechTime, (BattleObject * defender, const HitInfo* info), (defender, info), )            \
  SEAM(void, MeterGainOnContact, (BattleObject * defender, BattleObject * attacker, const HitInfo* info),  \
       (defender, attacker, info), )                                                                       \
  SEAM(void, ApplyCircuitBreak, (BattleObject * o, int length, int flags), (o, length, flags), )           \
  /* combo bookkeeping: a hit or throw counted, the combo's meter percent, the damage totals of */         \
  /* the side's current combo and round-damage records */                                                  \
  SEAM(void, OnComboHit, (BattleObject * defender, BattleObject * attacker, const Han6AttackData* attack), \
       (defender, attacker, attack), )                                                                     \
  SEAM(void, SetComboMeterPercent, (int side, int percent), (side, percent), )                             \
  SEAM(void, AddComboDamage, (int side, int damage, int rawDamage, int redDamage),                         \
       (side, damage, rawDamage, redDamage), )                                                             \
  /* seams added by the battle clock and round set-up */                                                   \
  SEAM(void, ResetCpuAiStates, (), (), )                                                                   \
  /* (end of the battle clock's seams) */                                                                  \
  /* seams added by the round flow and the judge */                                                        \
  SEAM(void, ReplayRoundStart, (), (), )                                                                   \
  /* the scene's credit table: its two credit locks set (1) or cleared (0) */                              \
  SEAM(void, SetCreditLocks, (int on), (on), )                                                             \
  /* the winner call, from the winner-call record the judge fills (g_WinnerCallInfo) */                    \
  SEAM(void, StartWinnerCall, (), (), )                                                                    \
  SEAM(void, UpdateWinnerCall, (), (), )                                                                   \
  SEAM(void, DrawWinnerCall, (), (), )                                                                     \
  /* the stage's story dialogue: 0 when it could not be loaded (the fight then starts); while it */        \
  /* runs, 255 when it ended with a wipe out, 256 with a wipe in and a reset (neutral: ends at once) */    \
  SEAM(int, LoadStoryScript, (), (), 0)                                                                    \
  SEAM(int, RunStoryScript, (), (), 255)                                                                   \
  SEAM(void, EndStoryScript, (), (), )                                                                     \
  /* the arcade challenger screen and its clock in seconds */                                              \
  SEAM(void, StartChallengerScreen, (), (), )                                                              \
  SEAM(void, UpdateChallengerScreen, (), (), )                                                             \
  SEAM(void, DrawChallengerScreen, (), (), )                                                               \
  SEAM(float, ChallengerScreenClock, (), (), 0.0f)                                                         \
  /* arcade route: the extra route opened now after a main-side win (1); the extra route open */           \
  SEAM(int, CheckArcadeExtraRoute, (), (), 0)                                                              \
  SEAM(int, IsArcadeExtraRoute, (), (), 0)                                                                 \
  /* training: the pause that ends a training round */                                                     \
  SEAM(void, ToggleTrainingPause, (), (), )                                                                \
  /* online: a match is active; a side's rating result (0 win, 1 loss, 2 draw) queued and applied */       \
  /* (the online layer acts only in a rank match); the direct-netplay match result of a winner */          \
  SEAM(int, IsNetMatchActive, (), (), 0)                                                                   \
  SEAM(void, QueueRatingResult, (int side, int result), (side, result), )                                  \
  SEAM(void, ApplyMatchResult, (int side, int result), (side, result), )                                   \
  SEAM(int, CountNetVSMatchResult, (int winner), (winner), 0)                                              \
  /* (end of the round flow's seams) */                                                                    \
  /* seams added by the particle pool */                                                                   \
  /* (end of the particle pool's seams) */                                                                 \
  /* seams added by the character draw */                                                                  \
  /* the afterimage trail of a character slot: refilled from the present pose; image i drawn */            \
  SEAM(void, ResetTrail, (int slot, BattleObject* o), (slot, o), )                                         \
  SEAM(void, DrawAfterimage, (int slot, BattleObject* o, int i), (slot, o, i), )                           \
  /* (end of the character draw's seams) */                                                                \
  /* seams added by the screen break-up and HUD digits */                                                  \
  /* (end of the screen break-up's seams) */                                                               \
  /* seams added by the CPU opponent */                                                                    \
  /* (end of the CPU opponent's seams) */                                                                  \
  /* seams added by the CPU defence */                                                                     \
  /* (end of the CPU defence's seams) */                                                                   \
  /* seams added by the particle drawing */                                                                \
  /* (end of the particle drawing's seams) */                                                              \
  /* seams added by the HUD drawing and the afterimages */                                                 \
  /* (end of the HUD drawing's seams) */                                                                   \
  /* seams added by the replays */                                                                         \
  /* 1 while a replay records or plays a versus match: no live press reaches the round flow */             \
  SEAM(int, ReplayLocksLivePads, (), (), 0)                                                                \
  /* the round change: the replay's next round (hold cleared); 1 once a playback has used up its */        \
  /* rounds */                                                                                             \
  SEAM(int, ReplayNextRound, (), (), 0)                                                                    \
  /* (end of the replays' seams) */                                                                        \
  /* seams added by the call overlays */                                                                   \
  /* the pictures of the round call, its bars, the fight call and the knock-out call, queued */            \
  /* every frame their particle runs, paused or not */                                                     \
  SEAM(void, DrawRoundCall, (), (), )                                                                      \
  SEAM(void, DrawRoundCallBars, (), (), )                                                                  \
  SEAM(void, DrawFightCall, (), (), )                                                                      \
  SEAM(void, DrawKoCall, (), (), )                                                                         \
  /* the calls' textures, draw lists and render targets, loaded and freed with the system */               \
  /* effects' textures (the fight call's stay for the life of the process) */                              \
  SEAM(void, LoadCallGraphics, (), (), )                                                                   \
  SEAM(void, FreeCallGraphics, (), (), )                                                                   \
  /* (end of the call overlays' seams) */

#define BATTLE_SEAM_POINTER(ret, name, params, args, def) ret(*name) params = nullptr;
struct BattleSeams {
  BATTLE_SEAM_LIST(BATTLE_SEAM_POINTER)
};
#undef BATTLE_SEAM_POINTER

// The installed seams; a null entry takes the neutral default.
extern BattleSeams g_BattleSeams;
// Clears every entry back to the defaults.
void ResetBattleSeams();
// Several modules keep per-round words. Each adds its clear once (adding it again changes
// nothing), and the ResetRoundFlowWords row runs them all in the order they were added.
void AddRoundWordsReset(void (*clear)());

#define BATTLE_SEAM_WRAPPER(ret, name, params, args, def) ret BattleSeam##name params;
BATTLE_SEAM_LIST(BATTLE_SEAM_WRAPPER)
#undef BATTLE_SEAM_WRAPPER
