// The push pass: which characters and objects push each other (the candidate box rules) and
// that a pushed pair ends apart.
#include "battle/object_move.h"

#include <cstdint>

#include "battle/battle_standins.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::TestFrameData;
using PushPass = BattleTest;

// Two overlapping push boxes (20 pixels either side of each anchor, 10 pixels apart); the
// separation moves both by half the overlap.
void Separate(BattleObject* a, BattleObject* b) {
  int32_t ax1, ax2, ay1, ay2, bx1, bx2, by1, by2;
  if (!PushBox(*a, &ax1, &ax2, &ay1, &ay2) || !PushBox(*b, &bx1, &bx2, &by1, &by2)) return;
  const int32_t d = std::min(ax2, bx2) - std::max(ax1, bx1);
  a->posX += a->posX < b->posX ? -d / 2 : d / 2;
  b->posX += a->posX < b->posX ? d / 2 : -d / 2;
}

TEST_F(PushPass, CandidateBoxRules) {
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  stand.free = 1;
  stand.pushBox = true;
  data.Pattern(0, {stand});
  const struct {
    const char* name;
    uint8_t side1;
    uint8_t partnerState1;
    uint8_t held1;
    int16_t noPush0;
    bool pushed;     // the first character's candidate box of the second
    bool separated;  // the pair after the pass
  } cases[] = {
      {"opponents push", 1, 0, 0, 0, true, true},
      {"the same side passes through", 0, 0, 0, 0, false, false},
      {"a waiting partner is not pushed", 1, 1, 0, 0, false, false},
      {"a held character is not pushed", 1, 0, 1, 0, false, false},
      // It pushes nobody, but the other still pushes it.
      {"a character exempt from pushing", 1, 0, 0, 4095, false, true},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    InstallFirstBattleStandIns();
    g_BattleSeams.SeparatePair = Separate;
    BattleObject& a = PlaceCharacter(0, data.Set(), 0);
    BattleObject& b = PlaceCharacter(1, data.Set(), 10 * 128);
    SetPattern(a);
    SetPattern(b);
    b.side = c.side1;
    b.partnerState = c.partnerState1;
    b.held = c.held1;
    a.noPush = c.noPush0;
    int32_t box[4] = {};
    EXPECT_EQ(PushCandidateBox(&a, &b, box), c.pushed ? 1 : 0) << c.name;
    if (c.pushed) {
      EXPECT_EQ(box[0], (10 - 20) * 128) << c.name;
      EXPECT_EQ(box[1], -100 * 128) << c.name;
      EXPECT_EQ(box[2], (10 + 20) * 128) << c.name;
      EXPECT_EQ(box[3], 0) << c.name;
    }
    PushApartCharacters();
    const int32_t gap = b.posX - a.posX;
    if (c.separated)
      EXPECT_GE(gap, 40 * 128) << c.name;
    else
      EXPECT_EQ(gap, 10 * 128) << c.name;
  }
}

}  // namespace

namespace {

// A character pushed into the wall stays at the wall and its pusher is moved back with it by
// the wall's correction, so the pair ends the pass apart.
TEST_F(PushPass, PusherFollowsTheWallCorrection) {
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  stand.free = 1;
  stand.pushBox = true;
  data.Pattern(0, {stand});
  InstallFirstBattleStandIns();
  g_BattleSeams.SeparatePair = Separate;
  BattleObject& b = PlaceCharacter(1, data.Set(), kStageHalfWidth - 5 * 128);
  BattleObject& a = PlaceCharacter(0, data.Set(), b.posX - 10 * 128);
  SetPattern(a);
  SetPattern(b);
  PushApartCharacters();
  EXPECT_EQ(b.posX, kStageHalfWidth);
  EXPECT_EQ(b.posX - a.posX, 40 * 128);  // the boxes just touch
}

// The push box of an object placed near the end of the int range wraps at 32 bits like the
// position it hangs from.
TEST_F(PushPass, PushBoxNearTheRangeEndWraps) {
  TestFrameData data;
  FrameDef stand;
  stand.pushBox = true;  // 20 pixels either side, 100 up
  data.Pattern(0, {stand});
  BattleObject& a = PlaceCharacter(0, data.Set(), INT32_MAX);
  SetPattern(a);
  a.posY = INT32_MIN;
  int32_t x1, x2, y1, y2;
  ASSERT_TRUE(PushBox(a, &x1, &x2, &y1, &y2));
  EXPECT_EQ(x1, INT32_MAX - 20 * 128);
  EXPECT_EQ(x2, INT32_MIN + 20 * 128 - 1);
  EXPECT_EQ(y1, INT32_MAX - 100 * 128 + 1);
  EXPECT_EQ(y2, INT32_MIN);
}

}  // namespace
