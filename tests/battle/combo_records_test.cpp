// Combo records, proration, the arcade score of a hit, the banner queues and the HUD update.
#include "battle/combo_records.h"

#include "battle/battle_fixture.h"
#include "battle/damage_scaling.h"
#include "battle/game_mode.h"
#include "battle/gauges.h"
#include "battle/object_state.h"

namespace {

using namespace battle_test;

class Combo : public BattleTest {
 public:
  BattleObject* a = nullptr;
  BattleObject* d = nullptr;
  void SetUp() override {
    BattleTest::SetUp();
    a = &PlaceCharacter(0, nullptr, -10000);
    d = &PlaceCharacter(1, nullptr, 10000, 1);
  }
  ComboRecord& Current(int side) { return g_SideStatus[side].combos[g_SideStatus[side].comboIndex]; }
  // Side 0 lands n hits on side 1, which is held (in a combo) while they land.
  void Hits(int n) {
    for (int i = 0; i < n; ++i) OnComboHit(*d, *a, nullptr);
  }
};

TEST_F(Combo, ProrationKinds) {
  struct Case {
    int16_t start;
    int value, kind;
    int16_t expected;
  } cases[] = {
      {80, 70, 0, 70},
      {0, 70, 0, 70},
      {60, 70, 0, 60},
      {70, 80, 1, 56},
      {0, 80, 1, 80},
      {56, 10, 2, 46},
      {0, 10, 2, 90},
      {5, 10, 2, 1},
      {50, 0, 1, 1},
      {50, -5, 1, 1},
      {80, -10, 0, 1},
      {1, 40000, 2, 1},
      {100, 40000, 1, INT16_MAX},
      {50, 70, 3, 50},  // a kind from data outside 0..2 changes nothing
      {0, 70, -1, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    Current(0).proration = c.start;
    g_SideStatus[0].prorationShown = c.start;
    UpdateProration(*a, c.value, c.kind);
    EXPECT_EQ(Current(0).proration, c.expected) << c.start << " " << c.value << " kind " << c.kind;
    EXPECT_EQ(g_SideStatus[0].prorationShown, c.expected);
  }
}

TEST_F(Combo, OnComboHit) {
  struct Case {
    const char* name;
    int32_t atf1;
    uint8_t aths, atht;
    int16_t armor;
    int16_t hits, hitsCounted, proration;
  } cases[] = {
      {"a plain hit", 0, 0, 0, 0, 1, 1, 0},
      {"under armour: the round counts it, the combo not", 0, 0, 0, 5, 0, 1, 0},
      {"0x20: not counted at all", 0x20, 0, 0, 0, 0, 0, 0},
      {"the attack's proration", 0, 70, 0, 0, 1, 1, 70},
      {"0x4 skips the proration", 0x4, 70, 0, 0, 1, 1, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    Han6AttackData at;
    at.atf1 = c.atf1;
    at.aths = c.aths;
    at.atht = c.atht;
    d->armorFrames = c.armor;
    Current(0).framesSinceHit = 9;
    OnComboHit(*d, *a, &at);
    EXPECT_EQ(Current(0).hits, c.hits) << c.name;
    EXPECT_EQ(g_SideStatus[0].hitsCounted, c.hitsCounted) << c.name;
    EXPECT_EQ(Current(0).proration, c.proration) << c.name;
    EXPECT_EQ(g_SideStatus[0].prorationShown, c.proration) << c.name;
    EXPECT_EQ(Current(0).framesSinceHit, c.hits ? 0 : 9) << c.name;
  }
}

TEST_F(Combo, TheRecoveryFlagNeedsARecoveredDefenderAndNotTheFirstHit) {
  d->recoveryDone = 1;
  Hits(1);
  EXPECT_EQ(Current(0).recovery, 0);  // the record's first hit
  Hits(1);
  EXPECT_EQ(Current(0).recovery, 1);
  SetUp();
  Hits(2);
  EXPECT_EQ(Current(0).recovery, 0);
}

TEST_F(Combo, DamageGoesToTheComboAndTheRoundRecord) {
  Hits(1);
  AddComboDamage(a->side, 300, 400, 50);
  AddComboDamage(a->side, 200, 250, 0);
  EXPECT_EQ(Current(0).damage, 500);
  const RoundDamageRecord& r = g_SideStatus[0].statRecords[0];
  EXPECT_EQ(r.damage, 500);
  EXPECT_EQ(r.rawDamage, 650);
  EXPECT_EQ(r.redDamage, 50);
  // A thrown victim: the hit and the amount are counted.
  CountThrowDamage(*d, *a, 1000);
  EXPECT_EQ(Current(0).hits, 2);
  EXPECT_EQ(Current(0).damage, 1500);
}

TEST_F(Combo, IsSideOutOfCombo) {
  TestFrameData data;
  FrameDef busy;
  FrameDef free;
  free.free = 1;
  data.Pattern(0, {busy, free});
  d->frameData = data.Set();
  struct Case {
    const char* name;
    uint8_t held;
    int32_t reaction;
    int frame;  // 0 not free, 1 free
    uint16_t contact;
    uint8_t pose, kind;
    int16_t slow;
    uint32_t battleFrame;
    int out;
  } cases[] = {
      {"standing", 0, 0, 1, 0, 0, 0, 0, 0, 1},
      {"held", 1, 0, 1, 0, 0, 0, 0, 0, 0},
      {"reeling, not free", 0, 10, 0, 0, 0, 0, 0, 0, 0},
      {"reaction in a free state", 0, 10, 1, 0, 0, 0, 0, 0, 1},
      {"reaction in a free state with contact", 0, 10, 1, 0x2, 0, 0, 0, 0, 0},
      {"posed", 1, 10, 0, 0, 0x10, 0, 0, 0, 1},
      {"not a character", 1, 10, 0, 0, 0, 255, 0, 0, 1},
      {"slow-motion skip frame", 0, 0, 1, 0, 0, 0, 5, 4, 0},
      {"slow-motion frame that steps", 0, 0, 1, 0, 0, 0, 5, 6, 1},
  };
  for (const Case& c : cases) {
    d->held = c.held;
    d->hitReaction = c.reaction;
    d->pattern = 0;
    d->frame = c.frame;
    RefreshFramePointers(*d);
    d->contactFlags = c.contact;
    d->poseFlags = c.pose;
    d->kind = c.kind;
    g_SlowMotion = c.slow;
    g_BattleFrame = c.battleFrame;
    EXPECT_EQ(IsSideOutOfCombo(1), c.out) << c.name;
    EXPECT_EQ(IsOtherSideOutOfCombo(0), c.out) << c.name;
  }
}

TEST_F(Combo, ScoreBandsAndTheCasesWithoutScore) {
  struct Band {
    int32_t damage, score;
  } bands[] = {{-5, 1},   {99, 1},    {100, 2},   {299, 4},   {499, 8},    {699, 10},   {899, 15},
               {999, 20}, {1199, 30}, {1499, 50}, {1999, 80}, {2000, 100}, {30000, 100}};
  g_GameModeFlags = 0x10;
  int32_t total = 0;
  for (const Band& b : bands) {
    EXPECT_EQ(ComboScoreOnHit(*a, b.damage), b.score) << b.damage;
    total += b.score;
  }
  EXPECT_EQ(g_SideStatus[0].score, total);

  struct Zero {
    const char* name;
    void (*setup)(Combo&);
  } zeros[] = {
      {"CPU attacker", [](Combo& t) { t.a->controller = 1; }},
      {"versus player", [](Combo&) { g_GameModeFlags = 0x1; }},
      {"versus CPU", [](Combo&) { g_GameModeFlags = 0x11; }},
      {"CPU against CPU", [](Combo&) { g_GameModeFlags = 0x12; }},
      {"training", [](Combo&) { g_GameModeFlags = MODE_TRAINING; }},
      {"final round", [](Combo&) { g_FinalRound = 255; }},
      {"judged", [](Combo&) { g_JudgeState = 1; }},
      {"no side", [](Combo& t) { t.a->side = 255; }},
  };
  for (const Zero& z : zeros) {
    SetUp();
    g_GameModeFlags = 0x10;
    z.setup(*this);
    EXPECT_EQ(ComboScoreOnHit(*a, 500), 0) << z.name;
    EXPECT_EQ(g_SideStatus[0].score, 0) << z.name;
  }
}

TEST_F(Combo, TheBannerQueue) {
  for (int kind = 0; kind < 7; ++kind) PushBanner(0, kind);
  const HudBanner* b = g_HudBlocks[0].banners;
  for (int j = 0; j < kHudBanners; ++j) {
    EXPECT_EQ(b[j].kind, 6 - j) << j;  // the oldest (kind 0) fell off the end
    EXPECT_EQ(b[j].state, 1) << j;
    EXPECT_EQ(b[j].shift, j == 0 ? 0 : 8) << j;
  }
  EXPECT_EQ(g_HudBlocks[1].banners[0].state, 0);
}

TEST_F(Combo, ABannerSlidesInStaysAndFades) {
  struct Side {
    int side;
    int16_t start, step;
  } sides[] = {{0, -160, 20}, {1, 640, -20}};
  for (const Side& s : sides) {
    SetUp();
    PushBanner(s.side, 4);
    HudBanner& b = g_HudBlocks[s.side].banners[0];
    UpdateDrawHud();
    EXPECT_EQ(b.state, 2);
    EXPECT_EQ(b.x, s.start);
    EXPECT_EQ(b.alpha, 255);
    EXPECT_EQ(b.y, 392);
    for (int i = 1; i <= 7; ++i) {
      UpdateDrawHud();
      if (i < 7) {
        EXPECT_EQ(b.x, s.start + s.step * i);
      }
    }
    EXPECT_EQ(b.state, 10);
    for (int i = 0; i < 60; ++i) UpdateDrawHud();
    EXPECT_EQ(b.state, 50);
    for (int i = 0; i < 15; ++i) UpdateDrawHud();
    EXPECT_EQ(b.alpha, 15);
    UpdateDrawHud();
    EXPECT_EQ(b.state, 0);
  }
}

TEST_F(Combo, AMovedBannerSettlesIntoItsRow) {
  PushBanner(0, 1);
  PushBanner(0, 2);
  const HudBanner& moved = g_HudBlocks[0].banners[1];
  UpdateDrawHud();
  EXPECT_EQ(moved.y, 7 * 3 - 24 + 392);
  for (int i = 0; i < 7; ++i) UpdateDrawHud();
  EXPECT_EQ(moved.shift, 0);
  EXPECT_EQ(moved.y, 392 - 24);
}

TEST_F(Combo, PausedBannersHoldStill) {
  PushBanner(0, 1);
  g_SideStatus[0].counterBanner = 60;
  g_Paused = 1;
  UpdateDrawHud();
  EXPECT_EQ(g_HudBlocks[0].banners[0].state, 1);
  EXPECT_EQ(g_SideStatus[0].counterBanner, 60);
  g_Paused = 0;
  UpdateDrawHud();
  EXPECT_EQ(g_SideStatus[0].counterBanner, 59);
}

TEST_F(Combo, ABannerKindPastTheTableAnimatesWithoutASprite) {
  PushBanner(1, 18);
  UpdateDrawHud();
  EXPECT_EQ(g_HudBlocks[1].banners[0].kind, 18);
  EXPECT_EQ(g_HudBlocks[1].banners[0].state, 2);
  int32_t r[4] = {-1, -1, -1, -1};
  EXPECT_FALSE(BannerRect(18, r));
  EXPECT_FALSE(BannerRect(255, r));
  EXPECT_FALSE(BannerRect(-1, r));
  ASSERT_TRUE(BannerRect(17, r));
  EXPECT_EQ(r[0], 352);
  EXPECT_EQ(r[1], 184);
  EXPECT_EQ(r[2], 128);
  EXPECT_EQ(r[3], 24);
}

TEST_F(Combo, ObjectsWithoutASideKeepNoRecords) {
  BattleObject& e = g_EffectOwner.obj;
  e.side = 255;
  g_HudBlocks[3].banners[0].kind = 99;
  PushBanner(255, 4);
  PushBanner(4, 4);
  AddRoundMeterGained(255, 500);
  UpdateProration(e, 50, 0);
  OnComboHit(*d, e, nullptr);
  AddComboDamage(e.side, 100, 100, 0);
  EXPECT_EQ(ComboScoreOnHit(e, 100), 0);
  EXPECT_EQ(CurrentComboRecord(e), nullptr);
  for (int s = 0; s < 4; ++s) {
    EXPECT_EQ(g_SideStatus[s].combos[0].hits, 0);
    EXPECT_EQ(g_SideStatus[s].combos[0].proration, 0);
    EXPECT_EQ(g_SideStatus[s].statRecords[0].meterGained, 0);
    EXPECT_EQ(g_HudBlocks[s].banners[0].state, 0);
  }
}

TEST_F(Combo, ResetHudBannersClearsTheBlocksAndCounterBanners) {
  PushBanner(0, 3);
  g_HudBlocks[1].indicatorTimer = 9;
  g_SideStatus[0].counterBanner = g_SideStatus[1].counterBanner = 60;
  ResetHudBanners();
  EXPECT_EQ(g_HudBlocks[0].banners[0].state, 0);
  EXPECT_EQ(g_HudBlocks[1].indicatorTimer, 0);
  EXPECT_EQ(g_SideStatus[0].counterBanner + g_SideStatus[1].counterBanner, 0);
}

// The counter of a combo, and the ring advance it gates.
TEST_F(Combo, TwoHitsSlideTheCounterInWithinTwelveFrames) {
  d->held = 1;
  Hits(1);
  UpdateDrawHud();
  EXPECT_EQ(Current(0).animState, 0);  // a single hit shows no counter
  Hits(1);
  UpdateDrawHud();
  const ComboRecord& r = g_SideStatus[0].combos[0];
  EXPECT_EQ(r.animState, 10);
  EXPECT_EQ(r.x, -276);
  EXPECT_EQ(r.visible, 1);
  for (int i = 0; i < 12; ++i) UpdateDrawHud();
  EXPECT_EQ(r.animState, 100);
  EXPECT_EQ(r.x, 0);
}

TEST_F(Combo, TheComboEndsWhenTheOtherSideIsOutOfIt) {
  d->held = 1;
  Hits(3);
  AddComboDamage(a->side, 700, 800, 0);
  UpdateDrawHud();
  EXPECT_EQ(g_SideStatus[0].comboIndex, 0);
  EXPECT_EQ(g_HudBlocks[1].indicatorTimer, 19);  // re-armed to 20, then counted down
  EXPECT_EQ(g_SideStatus[0].statRecords[0].hits, 3);
  EXPECT_EQ(g_SideStatus[0].statRecords[0].comboHits, 3);
  d->held = 0;
  UpdateDrawHud();
  SideStatus& s = g_SideStatus[0];
  EXPECT_EQ(s.comboIndex, 1);
  EXPECT_EQ(s.combos[0].ended, 1);
  EXPECT_EQ(s.combos[1].hits, 0);
  EXPECT_EQ(s.bestCombo, 3);
  EXPECT_EQ(s.bestComboDamage, 700);
  // The round-damage display keeps the ended combo; the next one goes into the other record.
  EXPECT_EQ(s.statIndex, 1);
  EXPECT_EQ(s.statShown, 0);
  EXPECT_EQ(s.statRecords[0].damage, 700);
  // The counter finishes sliding in, notices the end, waits 30 frames and fades; the display
  // moves on.
  for (int i = 0; i < 11; ++i) UpdateDrawHud();
  EXPECT_EQ(s.combos[0].animState, 100);
  UpdateDrawHud();
  EXPECT_EQ(s.combos[0].animState, 110);
  for (int i = 0; i < 29; ++i) UpdateDrawHud();
  EXPECT_EQ(s.combos[0].animState, 110);
  UpdateDrawHud();
  EXPECT_EQ(s.combos[0].animState, 255);
  EXPECT_EQ(s.comboShown, 1);
  // The next combo's first data makes its round-damage record the shown one.
  d->held = 1;
  Hits(1);
  AddComboDamage(a->side, 100, 100, 0);
  UpdateDrawHud();
  EXPECT_EQ(s.statShown, 1);
  EXPECT_EQ(s.statRecords[0].damage, 0);
  EXPECT_EQ(s.statRecords[1].damage, 100);
}

TEST_F(Combo, AFadingCounterSinksAndHides) {
  ComboRecord& r = g_SideStatus[1].combos[2];
  r.animState = 255;
  r.alpha = 255;
  r.y = 108;
  r.visible = 1;
  int32_t y = 108;
  for (int i = 1; i <= 15; ++i) {
    UpdateDrawHud();
    y += i / 4;
    EXPECT_EQ(r.y, y) << i;
    EXPECT_EQ(r.alpha, 255 - 16 * i) << i;
  }
  UpdateDrawHud();
  EXPECT_EQ(r.alpha, 0);
  EXPECT_EQ(r.visible, 0);
  EXPECT_EQ(r.animState, -1);
}

TEST_F(Combo, TheRingWaitsForTheCounterDisplay) {
  // The next record is still the one the counter display holds: the combo may not end.
  SideStatus& s = g_SideStatus[0];
  s.comboIndex = 3;
  s.comboShown = 4;
  Hits(2);
  ComboTracker();
  EXPECT_EQ(s.comboIndex, 3);
  EXPECT_EQ(s.combos[3].ended, 0);
  s.comboShown = 3;
  ComboTracker();
  EXPECT_EQ(s.comboIndex, 4);
  // The ring wraps from 7 to 0.
  s.comboIndex = 7;
  s.comboShown = 7;
  Hits(2);
  ComboTracker();
  EXPECT_EQ(s.comboIndex, 0);
}

TEST_F(Combo, ALoneHitStaysInItsRecord) {
  // A record holding one hit never ends, so a later lone hit becomes its second hit and the
  // counter shows 2 (kept on purpose: nothing in the round resets the record).
  Hits(1);
  for (int i = 0; i < 100; ++i) UpdateDrawHud();
  EXPECT_EQ(g_SideStatus[0].comboIndex, 0);
  Hits(1);
  UpdateDrawHud();
  const ComboRecord& r = g_SideStatus[0].combos[0];
  EXPECT_EQ(r.hits, 2);
  EXPECT_EQ(r.ended, 1);
  EXPECT_EQ(r.animState, 10);
}

TEST_F(Combo, TheTrackerHoldsOnSlowMotionSkipFrames) {
  Hits(2);
  g_SlowMotion = 30;
  g_BattleFrame = 1;
  ComboTracker();
  EXPECT_EQ(g_SideStatus[0].comboIndex, 0);
  g_BattleFrame = 3;
  ComboTracker();
  EXPECT_EQ(g_SideStatus[0].comboIndex, 1);
}

TEST_F(Combo, TheIndicatorRunsDownAndItsModeReturnsTo0) {
  TellGuardDisplay(0, 2);
  HudBlock& h = g_HudBlocks[0];
  EXPECT_EQ(h.indicatorTimer, 16);
  for (int i = 0; i < 15; ++i) UpdateDrawHud();
  EXPECT_EQ(h.indicatorMode, 2);
  UpdateDrawHud();
  EXPECT_EQ(h.indicatorMode, 0);
  EXPECT_EQ(h.indicatorTimer, 0);
  // Mode 0 (the window closed) does not start the timer.
  TellGuardDisplay(0, 0);
  EXPECT_EQ(h.indicatorTimer, 0);
}

TEST_F(Combo, TheSeamsReachTheRecords) {
  InstallComboAndDamageSeams();
  g_TypeParams[0].magicCircuitMax = 30000;
  g_TypeParams[0].mcPlusVal = 1.0f;
  // A full meter pushes banner 16 and the gain goes to the round-damage record.
  AddCircuitMeter(*a, 30000, 0, 0);
  EXPECT_EQ(g_HudBlocks[0].banners[0].kind, 16);
  EXPECT_EQ(g_HudBlocks[0].banners[0].state, 1);
  EXPECT_EQ(g_SideStatus[0].statRecords[0].meterGained, 30000);
  EXPECT_EQ(a->circuit, 20000);
  BattleSeamPushHudNotice(1, 7);
  EXPECT_EQ(g_HudBlocks[1].banners[0].kind, 7);
  BattleSeamUpdateProration(a, 80, 0);
  EXPECT_EQ(Current(0).proration, 80);
  BattleSeamNoteComboThrow(a, d);
  EXPECT_EQ(Current(0).hits, 1);
  // The round reset clears the bookkeeping and the HUD.
  ResetBattleCounters();
  EXPECT_EQ(Current(0).hits, 0);
  EXPECT_EQ(g_SideStatus[0].statRecords[0].meterGained, 0);
  EXPECT_EQ(g_HudBlocks[0].banners[0].state, 0);
}

TEST_F(Combo, TheStateHashCoversTheRecordsAndTheHud) {
  const uint64_t base = BattleStateHash();
  struct Change {
    const char* name;
    void (*apply)();
  } changes[] = {
      {"a banner", [] { g_HudBlocks[1].banners[5].alpha = 1; }},
      {"the indicator", [] { g_HudBlocks[0].indicatorPhase = 1; }},
      {"a combo record", [] { g_SideStatus[1].combos[7].animTimer = 1; }},
      {"the shown record", [] { g_SideStatus[0].comboShown = 1; }},
      {"a round-damage record", [] { g_SideStatus[0].statRecords[1].meterGained = 1; }},
      {"the damage level", [] { g_DamageLevel = 3; }},
      {"the main side", [] { g_MainSide = 1; }},
      {"the final round", [] { g_FinalRound = 255; }},
  };
  for (const Change& c : changes) {
    SetUp();
    EXPECT_EQ(BattleStateHash(), base);
    c.apply();
    EXPECT_NE(BattleStateHash(), base) << c.name;
  }
}

}  // namespace
