// The automatic facing.
#include "battle/battle_facing.h"

#include <cstdint>
#include <cstdlib>

#include "battle/battle_records.h"

namespace {

constexpr int64_t kStartDistance = 3000000;
// In the four-player mode a fighter behind the object must be this much nearer to take the
// choice from one in front, so a character does not keep turning between two close opponents.
constexpr int64_t kBehindMargin = 1024;
constexpr int64_t kPartnerReach = 65536;

bool FourPlayerMode() { return (g_GameModeFlags & 0x200) != 0; }

// The turn rule: the wanted facing points at x (unchanged when level with it); a turn noticed
// now, with the facing agreeing before, is marked for the input history.
void TurnToward(BattleObject& o, int64_t x) {
  const bool turningBefore = o.facing != o.wantedFacing;
  if (x < o.posX) o.wantedFacing = 1;
  if (x > o.posX) o.wantedFacing = 0;
  if (o.facing != o.wantedFacing && !turningBefore) o.turnMark = 1;
}

}  // namespace

int AutoFace(BattleObject& o, int offset) {
  int chosen = -1;
  int64_t best = kStartDistance;
  for (int i = 0; i < kPlayerSlots; ++i) {
    const PlayerRecord& r = g_PlayerRecords[i];
    const BattleObject& c = r.obj;
    if (!r.inUse || &c == &o || c.side == o.side || c.partnerState != 0) continue;
    const int64_t dx = int64_t{c.posX} - o.posX;
    const int64_t d = std::llabs(dx);
    // Behind: on the side the object turns its back to.
    const bool behind = o.facing == 1 ? dx > 0 : dx < 0;
    bool take;
    if (behind)
      take = FourPlayerMode() ? best - d > kBehindMargin : d < best;
    else
      take = d < best || (d == best && chosen >= 0);
    if (take) {
      chosen = i;
      best = d;
    }
  }
  if (chosen < 0) return -1;
  const BattleObject& t = g_PlayerRecords[chosen].obj;
  // The offset lies in front of the chosen fighter.
  const int64_t shift = int64_t{offset} * 256;
  TurnToward(o, int64_t{t.posX} + (t.facing == 1 ? -shift : shift));
  return chosen;
}

void AutoFacing(BattleObject& o) { AutoFace(o, 0); }

void FacePartner(BattleObject& o) {
  const BattleObject* p = o.partner;
  if (!p || std::llabs(int64_t{p->posX} - o.posX) > kPartnerReach) return;
  TurnToward(o, p->posX);
}
