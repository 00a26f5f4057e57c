// Control rules: the lookups of opponents and partners, the cancel and chain rules, the
// built-in system commands (throw, circuit spark and burst, dash cancel, shield counter), the
// base movement controller (walk, crouch, jump, guard, normal attacks, air jumps), the
// recovery inputs after a hit, the throw escape and the search for a throwable opponent.
#pragma once

#include <cstdint>

#include "battle/battle_records.h"

// Standard pattern numbers every character's frame data provides.
namespace std_pattern {
inline constexpr int kStand = 0;
inline constexpr int kWalkForward = 10;
inline constexpr int kWalkBack = 11;
inline constexpr int kCrouchDown = 12;
inline constexpr int kCrouch = 13;
inline constexpr int kStandUp = 14;
inline constexpr int kGuard = 17;
inline constexpr int kCrouchGuard = 18;
inline constexpr int kJumpForward = 35;
inline constexpr int kJumpUp = 36;
inline constexpr int kJumpBack = 37;
inline constexpr int kSparkStance = 260;
inline constexpr int kBurstGround = 262;
inline constexpr int kBurstAir = 263;
inline constexpr int kSparkType1Cancel = 265;
}  // namespace std_pattern

// ---- lookups ----
// 2 when an attack of another side is coming within 200 pixels and is in its first step, 1 when
// one is coming, 0 when none.
int FindIncomingAttack(const BattleObject& o);
BattleObject* FindFarthestCharacter(const BattleObject& o, int32_t* distance);
BattleObject* FindNearestOpponent(const BattleObject& o, int32_t* distance);
BattleObject* FindNearestOpponentXY(const BattleObject& o, int32_t* dx, int32_t* dy);
BattleObject* GetTargetOpponent(BattleObject& o, int32_t* distance);
int IsSideActive(const BattleObject& o);
BattleObject* GetActiveMember(BattleObject& o);
BattleObject* GetInactiveMember(BattleObject& o);
// Mode 1 ground, 0 air; range, low and span in pixels (x 256 units).
BattleObject* FindThrowTarget(BattleObject& o, int mode, int range, int low, int span);

// ---- cancel and chain rules ----
int GetCancelClass(const BattleObject& o, int kind);
int CanCancel(const BattleObject& o, int kind);
int IsGuardStance(const BattleObject& o);
int CanCancelNormal(const BattleObject& o);
int CanJumpCancel(const BattleObject& o);
int GetChainRank(const BattleObject& o, int pattern);
// The chain rule for a command of the character's list (by its number).
int CanChainTo(BattleObject& o, int command);
int CanChainToPattern(BattleObject& o, int pattern);
// The first step of a chain attack entered from a free state (a command of flag 0x4000 may
// replace it).
bool IsFirstFrameChainReplacement(const BattleObject& o);

// ---- system commands ----
// 1 when a partner call took over the character this frame, else 0.
int CheckSystemCommands(BattleObject& o);
// The system commands' pieces, reachable for tests.
int ThrowCommand(BattleObject& o, bool* ground, bool* replaced);
int CanSpark(BattleObject& o, int input);
int CanBurst(BattleObject& o, int input);
int SparkStance(BattleObject& o);
void StartHeat(BattleObject& o);
int DashCancelState(const BattleObject& o);

// ---- base movement ----
void BaseMovement(BattleObject& o, uint32_t buttons, int dir);
int NormalAttack(BattleObject& o, uint32_t buttons, int dir, int code);
int AirJump(BattleObject& o, int dir);
int AutoGuard(BattleObject& o);
int CanWalk(const BattleObject& o);

// ---- recoveries and the throw escape ----
int RecoveryInput(BattleObject& o, uint32_t buttons, int dir);
// The tests a recovery passes (the player's taps and the CPU's automatic recoveries share them):
// on the ground early in a knock-down, in the air once the untech time has run.
bool CanGroundRecover(const BattleObject& o);
bool CanAirRecover(const BattleObject& o);
void DoRecovery(BattleObject& o, int kind);
// 1 when the held character escaped.
int ThrowEscape(BattleObject& o);

// Installs CanCancel, the system commands, base movement, the control step (the throw escape),
// IsGuardStance, GetCancelClass, CanChainTo and FindThrowTarget into the battle seams.
void InstallControlRuleSeams();
