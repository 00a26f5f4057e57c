// Boxes and the geometric questions of the battle: box lists and their placement, rectangle
// overlaps, the box searches of the frame conditions and spawned objects, the separation of two
// pushing characters, clashes, and the detection that registers strikes and throws into the
// targets' pending-hit lists (resolved later, defender by defender).
#pragma once

#include <cstdint>
#include <span>

#include "battle/battle_records.h"

// The kinds of box lists: every attack box, the push box (slot 0), the hurt boxes (slots 1..8);
// a kind n of 3 or more is the single slot n + 6 (3 the shield box, 5 the clash box).
inline constexpr int kAttackBoxList = 0;
inline constexpr int kPushBoxList = 1;
inline constexpr int kHurtBoxList = 2;
inline constexpr int kShieldBoxList = 3;
inline constexpr int kClashBoxList = 5;

// Room of the placement arrays: attack boxes of a strike, of a throw. Frames with more place the
// first ones and ignore the rest.
inline constexpr int kStrikeBoxRoom = 10;
inline constexpr int kThrowBoxRoom = 8;

// A walk over one box list of an object's current frame; entries may be null (skipped).
struct BoxIterator {
  int next = 0;
  int count = 0;
  const BattleObject* owner = nullptr;
  Han6Box* const* first = nullptr;
};

// 1 when the rectangles overlap (touching edges do not); the intersection goes to out if given.
int BoxesOverlap(const ScreenRect& a, const ScreenRect& b, ScreenRect* out);
// 1 when the point lies strictly inside.
int PointInBox(const ScreenRect& r, int32_t x, int32_t y);
// Sets the iterator to the object's list of that kind; 0 when the list is empty (a negative kind
// gives an empty list).
int BoxListBegin(BoxIterator* it, const BattleObject& o, int kind);
// Places the list's non-null boxes on the screen into consecutive rects, as many as there is
// room for; returns how many.
int PlaceBoxList(std::span<ScreenRect> rects, BoxIterator& it);
// Walks the list, placing each box and testing it against the n rects in order; 1 at the first
// overlap, with the intersection in out (when given).
int BoxListHitsAny(const ScreenRect* rects, int n, ScreenRect* out, BoxIterator& it);

// Slot 9 of both objects exists and overlaps.
int ProximityBoxesOverlap(const BattleObject& a, const BattleObject& b);
// The defender's box 9 (with ten or more slots) or one of its boxes 1..8 meets the attacker's
// attack boxes; the meeting rectangle goes to out.
int ShieldBoxesOverlap(const BattleObject& defender, const BattleObject& attacker, ScreenRect* out);
int MatchesAttackFilter(const Han6AttackData& attack, int filter);
// The first object whose list touches self's list (characters, then with groups 2 the pool).
BattleObject* FindOverlappingObject(BattleObject& self, int ownKind, int otherKind, int sideFilter,
                                    int groups, int attackFilter);

// Moves two pushing objects apart by their overlap width (world units).
void SeparatePair(BattleObject& a, BattleObject& b, int32_t overlap);

// Clashes: the attack boxes, or the clash box, of self against the clash boxes of the other
// side; 1 when one clashed.
int CheckAttackClash(BattleObject& self);
int CheckClashBoxes(BattleObject& self);
void ApplyClashReaction(BattleObject& o, BattleObject& other);

int CanHitStance(int stance, int32_t reaction, int guarding, int32_t atgd, int held);
void DetectHits(BattleObject& attacker);
void DetectThrows(BattleObject& attacker);

// Installs the box, push, clash and detection operations and the freeze gate into the seams.
void InstallHitDetectionSeams();
