// The seam table and its wrappers.
#include "battle/battle_seams.h"

BattleSeams g_BattleSeams;

void ResetBattleSeams() { g_BattleSeams = BattleSeams{}; }

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
