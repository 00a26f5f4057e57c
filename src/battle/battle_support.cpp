// The freeze gate, the side lookups and the status marks.
#include "battle/battle_support.h"

namespace {

bool FreezeRuns(int row) { return g_BattleState[FreezeTimerIndex(row)] > 0; }

bool AnyFreezeRuns() {
  for (int s = 0; s < kBattleStateRows; ++s)
    if (FreezeRuns(s)) return true;
  return false;
}

}  // namespace

int CanActDuringFreeze(const BattleObject& o) {
  if (o.flags & 0x1000) return 1;
  if (g_GlobalFreeze != 0) return 0;
  if (g_BattleState[BattleStateIndex::kFreezeStarted] == 1) return 1;
  if (!AnyFreezeRuns()) return 1;
  if (o.kind >= kKindChildFirst) {
    // A child acts only in its owner's own freeze, marked for it and of the same serial.
    if (!o.owner) return 0;
    const int own = o.owner->playerIndex;
    return own < kBattleStateRows && FreezeRuns(own) && (o.flags & 0x40) &&
                   o.freezeSerial == g_BattleState[FreezeSerialIndex(own)]
               ? 1
               : 0;
  }
  return o.playerIndex < kBattleStateRows && FreezeRuns(o.playerIndex) ? 1 : 0;
}

int GetSidePlayerIndex(int side, int partner) {
  if (side < 0 || side > 3) return -1;
  if (g_GameModeFlags & 0x200) {
    int n = 0;
    for (int i = 0; i < kPlayerSlots; ++i) {
      const PlayerRecord& r = g_PlayerRecords[i];
      if (!r.inUse || r.obj.side != side) continue;
      if (n++ == partner) return i;
    }
    return -1;
  }
  const int active = g_SideStatus[side].activePlayer;
  if (partner == 0) return active;
  if (partner == 1 && (g_GameModeFlags & 0x100) && active >= 0 && active < kPlayerSlots) {
    const int32_t ref = BattleObjectRef(g_PlayerRecords[active].obj.partner);
    if (ref >= 0 && ref < kPlayerSlots) return ref;
  }
  return -1;
}

BattleObject* GetSidePlayer(int side, int partner) {
  // -1 (no partner) and any slot outside the four give none instead of a record beside them.
  const int i = GetSidePlayerIndex(side, partner);
  if (i < 0 || i >= kPlayerSlots || !g_PlayerRecords[i].inUse) return nullptr;
  return &g_PlayerRecords[i].obj;
}

void SetStatusMark(BattleObject& o, int kind) {
  switch (kind) {
    case 1:
    case 2:
    case 3:
    case 100:
      o.statusKind = static_cast<uint8_t>(kind);
      o.statusTimer = 120;
      break;
    case 4:
      o.statusKind = 4;
      o.reversedFrames = 600;
      break;
    case 255:
      o.statusKind = 0;
      break;
    default:
      break;
  }
}
