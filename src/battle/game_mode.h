// The game mode word and its values. The scenes set the word; the battle tests it by equality or
// by bits.
#pragma once

#include <cstdint>

extern int32_t g_GameModeFlags;

inline constexpr int32_t MODE_VS_PLAYER = 0x1;  // also replays, the attract demo and online
inline constexpr int32_t MODE_ARCADE = 0x10;
inline constexpr int32_t MODE_VS_CPU = 0x11;
inline constexpr int32_t MODE_CPU_VS_CPU = 0x12;
inline constexpr int32_t MODE_TEAM_BATTLE = 0x30;
inline constexpr int32_t MODE_TAG_BATTLE = 0x101;
inline constexpr int32_t MODE_TRAINING = 0x1010;
inline constexpr int32_t MODE_NETWORK = -1;

// Bit 0x100: tag battle (MODE_TAG_BATTLE and MODE_NETWORK carry it).
inline constexpr int32_t kTagBattleFlag = 0x100;
// Bit 0x200: the battle reads it as the four-player mode (every slot active, no partner
// control). Only MODE_NETWORK carries it, and the online layer sets MODE_VS_PLAYER before a
// match starts, so no battle the game starts takes the branch; it is kept for a word that has it.
inline constexpr int32_t kFourPlayerFlag = 0x200;

// The CPU difficulty in force (0..4; a replay or a peer may give any value). A match input the
// scenes set before the battle; never read from the options mid-match.
extern int32_t g_CpuLevel;
