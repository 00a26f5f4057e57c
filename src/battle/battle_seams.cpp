// The seam table and its wrappers.
#include "battle/battle_seams.h"

BattleSeams g_BattleSeams;

void ResetBattleSeams() { g_BattleSeams = BattleSeams{}; }

namespace {
constexpr int kMaxRoundWordResets = 16;
void (*g_RoundWordResets[kMaxRoundWordResets])() = {};
int g_RoundWordResetCount = 0;

void RunRoundWordResets() {
  for (int i = 0; i < g_RoundWordResetCount; ++i) g_RoundWordResets[i]();
}
}  // namespace

void AddRoundWordsReset(void (*clear)()) {
  // A row reset to its default (or replaced) starts the list again.
  if (g_BattleSeams.ResetRoundFlowWords != RunRoundWordResets) {
    g_RoundWordResetCount = 0;
    g_BattleSeams.ResetRoundFlowWords = RunRoundWordResets;
  }
  for (int i = 0; i < g_RoundWordResetCount; ++i)
    if (g_RoundWordResets[i] == clear) return;
  if (g_RoundWordResetCount < kMaxRoundWordResets) g_RoundWordResets[g_RoundWordResetCount++] = clear;
}

#define BATTLE_SEAM_DEFINE(ret, name, params, args, def)    \
  ret BattleSeam##name params {                             \
    if (g_BattleSeams.name) return g_BattleSeams.name args; \
    return def;                                             \
  }
#define BATTLE_SEAM_DEFINE_VOID(ret, name, params, args, def) \
  void BattleSeam##name params {                              \
    if (g_BattleSeams.name) g_BattleSeams.name args;          \
  }

// void seams have an empty default expression; "return ;" would not compile for non-void, so
// the two shapes are told apart by the return type.
#define BATTLE_SEAM_PICK(ret, name, params, args, def) BATTLE_SEAM_PICK_##ret(ret, name, params, args, def)
#define BATTLE_SEAM_PICK_void(ret, name, params, args, def) \
  BATTLE_SEAM_DEFINE_VOID(ret, name, params, args, def)
#define BATTLE_SEAM_PICK_int(ret, name, params, args, def) BATTLE_SEAM_DEFINE(ret, name, params, args, def)
#define BATTLE_SEAM_PICK_int32_t(ret, name, params, args, def) \
  BATTLE_SEAM_DEFINE(ret, name, params, args, def)
#define BATTLE_SEAM_PICK_float(ret, name, params, args, def) BATTLE_SEAM_DEFINE(ret, name, params, args, def)

BATTLE_SEAM_LIST(BATTLE_SEAM_PICK)
