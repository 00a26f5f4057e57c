// Scripted scenarios: the battle sample character driven by pad scripts in the headless
// harness walks, crouches, jumps, air-jumps, guards, chains its normals, fires its specials and
// dashes, throws and escapes throws; every scenario runs twice and its per-frame state hashes agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/lib_debug.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/object_state.h"

namespace {

// A pad held by one side over frames [from, to); the direction is relative to the side's
// starting facing (6 toward the opponent), buttons A 0x1, B 0x2, C 0x4, D 0x8.
struct Hold {
  uint32_t from, to;
  int side;
  uint8_t dir;
  uint8_t buttons = 0;
};

struct Sample {
  int pattern[2];
  int32_t life[2];
  int32_t circuit[2];
  uint8_t held[2];
  int32_t x[2], y[2];
  uint8_t throwClash[2];
  float guardGauge[2];
  int32_t guardState[2];
  uint8_t hitStop[2];
  int16_t slowMotion;
  std::vector<std::pair<int, int32_t>> pool;  // pattern, x of each live pool object
};

struct Trace {
  std::vector<uint64_t> hashes;
  std::vector<Sample> samples;
  // The patterns a side went through, in order, without repeats.
  std::vector<int> Patterns(int side) const {
    std::vector<int> out;
    for (const Sample& s : samples)
      if (out.empty() || out.back() != s.pattern[side]) out.push_back(s.pattern[side]);
    return out;
  }
  bool Saw(int side, int pattern) const {
    const std::vector<int> p = Patterns(side);
    return std::find(p.begin(), p.end(), pattern) != p.end();
  }
  int32_t MinY(int side) const {
    int32_t m = 0;
    for (const Sample& s : samples) m = std::min(m, s.y[side]);
    return m;
  }
};

HarnessScript Script(std::vector<Hold> holds) {
  return [holds = std::move(holds)](uint32_t frame, int side) {
    HarnessPad pad;
    for (const Hold& h : holds) {
      if (h.side != side || frame < h.from || frame >= h.to) continue;
      // Side 1 starts on the right facing left: its forward is screen direction 4.
      pad.dir = side == 1 ? MirrorDirection(h.dir) : h.dir;
      pad.buttons = h.buttons;
    }
    return pad;
  };
}

class BattleScenario : public battle_test::HarnessSampleTest {
 protected:
  static Trace Play(const std::vector<Hold>& holds, int frames,
                    const std::function<void(int frame)>& setup = {}) {
    Trace run;
    if (!HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree)) return run;
    const HarnessScript script = Script(holds);
    for (int i = 0; i < frames; ++i) {
      if (setup) setup(i);
      run.hashes.push_back(HarnessRunFrame(script));
      Sample s;
      for (int side = 0; side < 2; ++side) {
        const BattleObject& o = g_PlayerRecords[side].obj;
        s.pattern[side] = o.pattern;
        s.x[side] = o.posX;
        s.y[side] = o.posY;
        s.throwClash[side] = o.throwClashFrames;
        s.life[side] = o.life;
        s.circuit[side] = o.circuit;
        s.held[side] = o.held;
        s.guardGauge[side] = o.guardGauge;
        s.guardState[side] = o.guardGaugeState;
        s.hitStop[side] = o.hitStop;
      }
      s.slowMotion = g_SlowMotion;
      for (int k = 0; k < g_PoolHighWater; ++k)
        if (g_ObjectPool[k].inUse) s.pool.emplace_back(g_ObjectPool[k].obj.pattern, g_ObjectPool[k].obj.posX);
      run.samples.push_back(std::move(s));
    }
    HarnessRelease();
    return run;
  }

  // Plays the script twice; the two runs must agree frame by frame.
  static Trace PlayTwice(const std::vector<Hold>& holds, int frames,
                         const std::function<void(int frame)>& setup = {}) {
    const Trace a = Play(holds, frames, setup);
    const Trace b = Play(holds, frames, setup);
    EXPECT_EQ(a.hashes.size(), static_cast<size_t>(frames));
    EXPECT_EQ(a.hashes, b.hashes);
    return a;
  }

  // PlayTwice with one side's holds joined to the other's.
  static Trace PlayTwice(std::vector<Hold> holds, const std::vector<Hold>& more, int frames) {
    holds.insert(holds.end(), more.begin(), more.end());
    return PlayTwice(holds, frames);
  }
};

TEST_F(BattleScenario, WalksForwardAndBack) {
  const Trace r = PlayTwice({{10, 40, 0, 6}, {60, 90, 0, 4}}, 100);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(0, 10));
  EXPECT_TRUE(r.Saw(0, 11));
  const int32_t start = r.samples[5].x[0];
  EXPECT_GT(r.samples[45].x[0], start);  // forward is toward +x for side 0
  EXPECT_LT(r.samples[95].x[0], r.samples[45].x[0]);
  EXPECT_EQ(r.samples.back().pattern[0], 0);  // back to the stand once the stick is released
}

TEST_F(BattleScenario, CrouchesAndStandsUp) {
  const Trace r = PlayTwice({{10, 40, 0, 2}}, 60);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_EQ(r.samples[20].pattern[0], 13);
  // Released, the crouch stands up and the stand follows.
  EXPECT_EQ(r.Patterns(0), (std::vector<int>{0, 12, 13, 14, 0}));
  EXPECT_EQ(r.samples.back().pattern[0], 0);
}

TEST_F(BattleScenario, JumpsTheWayTheStickPoints) {
  struct Case {
    uint8_t dir;
    int pattern;
    int drift;  // sign of the x movement in the air
  };
  const Case cases[] = {{9, 35, 1}, {8, 36, 0}, {7, 37, -1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dir);
    const Trace r = PlayTwice({{10, 12, 0, c.dir}}, 40);
    ASSERT_EQ(r.samples.size(), 40u);
    EXPECT_EQ(r.Patterns(0)[1], c.pattern);
    const int32_t dx = r.samples[30].x[0] - r.samples[10].x[0];
    EXPECT_EQ((dx > 0) - (dx < 0), c.drift);
    EXPECT_LT(r.samples[20].y[0], 0);
  }
}

TEST_F(BattleScenario, JumpsAndAirJumpsOnceAfterNeutral) {
  // Up, back to neutral in the air, up-forward: one air jump; a second try does nothing.
  const Trace r =
      PlayTwice({{10, 14, 0, 8}, {14, 24, 0, 0}, {24, 27, 0, 9}, {27, 34, 0, 0}, {34, 37, 0, 8}}, 160);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(0, 36));
  EXPECT_TRUE(r.Saw(0, 38));
  EXPECT_FALSE(r.Saw(0, 39));
  EXPECT_LT(r.MinY(0), -20000);
  EXPECT_EQ(r.samples.back().y[0], 0);
  EXPECT_EQ(r.samples.back().pattern[0], 0);
}

// Side 0's guard stun (the guard vector's two patterns) and whether it lost any life.
bool GuardedUnhurt(const Trace& r) {
  return (r.Saw(0, 17) || r.Saw(0, 18)) && r.samples.back().life[0] == r.samples.front().life[0];
}

TEST_F(BattleScenario, GuardsAgainstAnAttackWhileHoldingBack) {
  // Side 1 walks in and swings C; side 0 holds back and guards it: guard stun, no damage.
  const Trace r = PlayTwice({{5, 30, 1, 6}, {31, 33, 1, 0, 0x4}, {33, 60, 0, 4}}, 70);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(1, 3));
  EXPECT_TRUE(GuardedUnhurt(r));
}

TEST_F(BattleScenario, GuardsAProjectileAndTakesItsChip) {
  // Side 1 fires the orb, a special that chips; side 0 holds back once it is on its way and
  // guards it: guard stun, no hit reaction, and only the chip (an eighth of 400) comes off.
  const Trace r =
      PlayTwice({{10, 13, 1, 2}, {13, 16, 1, 3}, {16, 19, 1, 6}, {18, 20, 1, 6, 0x1}, {30, 50, 0, 4}}, 60);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(1, 100));
  EXPECT_TRUE(r.Saw(0, 17));
  EXPECT_FALSE(r.Saw(0, 20));
  const int32_t lost = r.samples.front().life[0] - r.samples.back().life[0];
  EXPECT_GT(lost, 0);
  EXPECT_LE(lost, 400 / 8);
}

TEST_F(BattleScenario, ChainsABC) {
  const Trace r = PlayTwice({{10, 12, 0, 0, 0x1}, {15, 17, 0, 0, 0x2}, {21, 23, 0, 0, 0x4}}, 60);
  ASSERT_FALSE(r.samples.empty());
  const std::vector<int> p = r.Patterns(0);
  const std::vector<int> expected = {0, 1, 2, 3, 0};
  EXPECT_EQ(p, expected);
}

TEST_F(BattleScenario, ReverseBeatTakesAWeakerNormalOnlyOnce) {
  // The sample types allow reverse beats: B may go back down to A, but A may not climb to B
  // again, B having been used in this chain.
  const Trace r = PlayTwice({{10, 12, 0, 0, 0x2}, {16, 18, 0, 0, 0x1}, {21, 23, 0, 0, 0x2}}, 60);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_EQ(r.Patterns(0), (std::vector<int>{0, 2, 1, 0}));
}

TEST_F(BattleScenario, FiresAProjectileThatTravels) {
  const Trace r = PlayTwice({{10, 13, 1, 2}, {13, 16, 1, 3}, {16, 19, 1, 6}, {18, 20, 1, 6, 0x1}}, 80);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(1, 100));
  int first = -1, last = -1;
  int32_t x0 = 0, x1 = 0;
  for (size_t i = 0; i < r.samples.size(); ++i)
    for (const auto& [pattern, x] : r.samples[i].pool)
      if (pattern == 400) {
        if (first < 0) {
          first = static_cast<int>(i);
          x0 = x;
        }
        last = static_cast<int>(i);
        x1 = x;
      }
  ASSERT_GE(first, 0) << "no projectile spawned";
  EXPECT_GT(last - first, 20);
  EXPECT_LT(x1, x0 - 20000);  // side 1 fires toward -x
}

TEST_F(BattleScenario, MeterSpecialSpendsItsCost) {
  // "236C" costs 10000: with a full bar it starts and takes its cost, without one the C press
  // is a standing C.
  const std::vector<Hold> input = {{10, 13, 0, 2}, {13, 16, 0, 3}, {16, 19, 0, 6}, {18, 20, 0, 6, 0x4}};
  const Trace paid = PlayTwice(input, 80, [](int frame) {
    if (frame == 0) g_PlayerRecords[0].obj.circuit = 15000;
  });
  ASSERT_FALSE(paid.samples.empty());
  EXPECT_TRUE(paid.Saw(0, 120));
  // The cost is taken as the special starts (its hits gain meter afterwards).
  const auto started = std::find_if(paid.samples.begin(), paid.samples.end(),
                                    [](const Sample& s) { return s.pattern[0] == 120; });
  ASSERT_NE(started, paid.samples.end());
  EXPECT_EQ(started->circuit[0], 5000);
  int orbs = 0;
  for (const Sample& s : paid.samples) orbs = std::max(orbs, static_cast<int>(s.pool.size()));
  EXPECT_GE(orbs, 2);
  // The round starts the bar at 10000, the cost itself: one short of it is no bar.
  const Trace unpaid = PlayTwice(input, 80, [](int frame) {
    if (frame == 0) g_PlayerRecords[0].obj.circuit = 9999;
  });
  EXPECT_FALSE(unpaid.Saw(0, 120));
  EXPECT_TRUE(unpaid.Saw(0, 3));
}

TEST_F(BattleScenario, RisingSpecialLeavesTheGroundAndLands) {
  const Trace r = PlayTwice({{10, 13, 0, 6}, {13, 16, 0, 2}, {16, 19, 0, 3}, {18, 20, 0, 3, 0x4}}, 120);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(0, 130));
  EXPECT_LT(r.MinY(0), -10000);
  EXPECT_EQ(r.samples.back().y[0], 0);
}

TEST_F(BattleScenario, DashesAndBackdashes) {
  const Trace r = PlayTwice(
      {{10, 12, 0, 6}, {12, 14, 0, 0}, {14, 16, 0, 6}, {50, 52, 0, 4}, {52, 54, 0, 0}, {54, 56, 0, 4}}, 100);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(0, 45));
  EXPECT_TRUE(r.Saw(0, 46));
  EXPECT_GT(r.samples[40].x[0] - r.samples[12].x[0], 10000);
  EXPECT_LT(r.samples[90].x[0], r.samples[50].x[0] - 8000);
}

TEST_F(BattleScenario, ThrowStartsFromForwardAD) {
  // Side 0 walks up to side 1 and enters the throw; the throw-clash window opens.
  const Trace r = PlayTwice({{5, 50, 0, 6}, {50, 53, 0, 6, 0x9}}, 70);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(0, 110));
  bool clash = false;
  for (const Sample& s : r.samples) clash = clash || s.throwClash[0] == 5;
  EXPECT_TRUE(clash);
}

TEST_F(BattleScenario, DashCancelsAnAttackThatMadeContact) {
  // Side 0 walks in and hits with standing B, then forward with A+B while it is out: the hit's
  // contact allows the dash cancel. From afar the same B misses and does not cancel.
  const Trace r = PlayTwice({{5, 40, 0, 6}, {40, 42, 0, 0, 0x2}, {47, 49, 0, 6, 0x3}}, 90);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_EQ(r.Patterns(0), (std::vector<int>{0, 10, 2, 45, 0}));
  const Trace miss = PlayTwice({{10, 12, 0, 0, 0x2}, {17, 19, 0, 6, 0x3}}, 60);
  EXPECT_FALSE(miss.Saw(0, 45));
}

TEST_F(BattleScenario, JumpCancelsAnAttackThatHit) {
  const Trace r = PlayTwice({{5, 40, 0, 6}, {40, 42, 0, 0, 0x2}, {47, 52, 0, 8}}, 110);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_EQ(r.Patterns(0), (std::vector<int>{0, 10, 2, 36, 0}));
  EXPECT_LT(r.MinY(0), -10000);
  // A miss leaves the attack to run out.
  const Trace miss = PlayTwice({{10, 12, 0, 0, 0x2}, {17, 22, 0, 8}}, 80);
  const std::vector<int> p = miss.Patterns(0);
  ASSERT_GE(p.size(), 3u);
  EXPECT_EQ(p[1], 2);
  EXPECT_EQ(p[2], 0);
}

// Side 0 walks in for 35 frames (to 70 pixels from side 1), close enough for its normals.
constexpr uint32_t kInReach = 40;

// The life side 1 lost at each blow, in order.
std::vector<int32_t> Blows(const Trace& r, int side) {
  std::vector<int32_t> out;
  for (size_t i = 1; i < r.samples.size(); ++i)
    if (r.samples[i].life[side] < r.samples[i - 1].life[side])
      out.push_back(r.samples[i - 1].life[side] - r.samples[i].life[side]);
  return out;
}

TEST_F(BattleScenario, ChainOfThreeHitsIsProrated) {
  // A, B and C chained into side 1 from close by: three blows, the later ones scaled down by
  // the combo below their own damage (B 500, C 800).
  constexpr uint32_t kClose = kInReach + 8;  // 56 pixels: A reaches too
  const Trace r = PlayTwice({{5, kClose, 0, 6},
                             {kClose, kClose + 2, 0, 0, 0x1},
                             {kClose + 5, kClose + 7, 0, 0, 0x2},
                             {kClose + 14, kClose + 16, 0, 0, 0x4}},
                            90);
  ASSERT_FALSE(r.samples.empty());
  const std::vector<int> p = r.Patterns(0);
  ASSERT_GE(p.size(), 5u);
  const std::vector<int32_t> blows = Blows(r, 1);
  ASSERT_EQ(blows.size(), 3u);
  EXPECT_EQ(blows[0], 300);  // the first hit is not scaled
  // The recorded final state of this pair, for other builds and processes to match.
  std::printf("chain pair: %016llx\n", static_cast<unsigned long long>(r.hashes.back()));
  EXPECT_EQ(r.hashes.back(), 0xd20a1649adb32b69ull);
  EXPECT_LT(blows[1], 500);
  EXPECT_LT(blows[2], 800);
}

TEST_F(BattleScenario, KnockOutFallsAndLies) {
  // Side 1 on its last bit of life takes a standing C: the blow knocks it out, it falls through
  // the knock-out vector and lies down.
  const Trace r = PlayTwice({{5, kInReach, 0, 6}, {kInReach, kInReach + 2, 0, 0, 0x4}}, 400, [](int frame) {
    if (frame == 1) g_PlayerRecords[1].obj.life = 100;
  });
  ASSERT_FALSE(r.samples.empty());
  EXPECT_EQ(r.samples.back().life[1], 0);
  EXPECT_TRUE(r.Saw(1, 27));
  EXPECT_TRUE(r.Saw(1, 29));
  EXPECT_FALSE(r.Saw(1, 20));
}

TEST_F(BattleScenario, SwingsThatMeetClash) {
  // Both swing standing C on the same frame within reach: the swings meet each other's clash
  // box, both spend their hit and nobody is hurt. Side 1 standing still takes the hit.
  const std::vector<Hold> both = {
      {5, kInReach, 0, 6}, {kInReach, kInReach + 2, 0, 0, 0x4}, {kInReach, kInReach + 2, 1, 0, 0x4}};
  const Trace r = PlayTwice(both, 80);
  ASSERT_FALSE(r.samples.empty());
  EXPECT_TRUE(r.Saw(0, 3));
  EXPECT_TRUE(r.Saw(1, 3));
  EXPECT_EQ(r.samples.back().life[0], r.samples.front().life[0]);
  EXPECT_EQ(r.samples.back().life[1], r.samples.front().life[1]);
  const Trace alone = PlayTwice({{5, kInReach, 0, 6}, {kInReach, kInReach + 2, 0, 0, 0x4}}, 80);
  EXPECT_LT(alone.samples.back().life[1], alone.samples.front().life[1]);
}

// The guard gauge starts a round empty and refills to GG_MaxVal (10000) over its recovery time
// (180 steps), during which guards take nothing from it; these pairs wait until it is full. Side
// 0 crouches and side 1 walks in from frame 190 and strikes low; side 0 guards crouching, holding
// down-back. Held all along, the back-press window has closed (a plain guard); pressed fewer than
// 8 steps before the blow lands, it is an instant guard.
constexpr uint32_t kGaugeFull = 190;

TEST_F(BattleScenario, InstantGuardKeepsTheGuardGaugeAndStopsShorter) {
  // Crouching B: 450 damage, as much guard-gauge damage, level 2 (8 steps of hit stop).
  const std::vector<Hold> attack = {{kGaugeFull, 228, 1, 6}, {228, 230, 1, 2, 0x2}};
  const Trace plain = PlayTwice({{200, 260, 0, 1}}, attack, 260);
  const Trace instant = PlayTwice({{200, 229, 0, 2}, {229, 260, 0, 1}}, attack, 260);
  ASSERT_EQ(plain.samples.size(), 260u);
  ASSERT_EQ(instant.samples.size(), 260u);
  auto minGauge = [](const Trace& r) {
    float m = r.samples[kGaugeFull].guardGauge[0];
    for (size_t i = kGaugeFull; i < r.samples.size(); ++i) m = std::min(m, r.samples[i].guardGauge[0]);
    return m;
  };
  auto maxStop = [](const Trace& r) {
    int m = 0;
    for (const Sample& x : r.samples) m = std::max(m, static_cast<int>(x.hitStop[0]));
    return m;
  };
  for (const Trace* r : {&plain, &instant}) {
    EXPECT_EQ(r->samples[kGaugeFull].guardGauge[0], 10000.0f);
    EXPECT_TRUE(r->Saw(1, 5));
    EXPECT_TRUE(r->Saw(0, 18));   // the crouching guard's stun
    EXPECT_FALSE(r->Saw(0, 21));  // never the crouching hit reaction
    EXPECT_EQ(r->samples.back().life[0], kMaxLife);
  }
  // The plain guard takes the attack's guard damage from the gauge; the instant guard gives
  // GG_MaxVal / 20 back instead, which a full gauge cannot hold.
  EXPECT_EQ(minGauge(plain), 10000.0f - 450.0f);
  EXPECT_EQ(minGauge(instant), 10000.0f);
  // The instant guard's stop is 2 steps shorter (the samples are taken after the step that
  // counts the first one off).
  EXPECT_EQ(maxStop(plain), 8 - 1);
  EXPECT_EQ(maxStop(instant), 8 - 2 - 1);
  // And the defender gains more meter from it (half the attack's meter instead of 15 %).
  const int32_t gainPlain = plain.samples.back().circuit[0] - plain.samples[kGaugeFull].circuit[0];
  const int32_t gainInstant = instant.samples.back().circuit[0] - instant.samples[kGaugeFull].circuit[0];
  EXPECT_GT(gainInstant, gainPlain);
}

TEST_F(BattleScenario, GuardCrushBreaksTheGaugeAndStaggers) {
  // Side 1 walks in and rises with "623C", whose guard-gauge damage is a full gauge. Guarded
  // plainly, the gauge falls to 0: a guard crush (the gauge broken and refilling, 30 steps of
  // slow motion, the crouching crush stagger and its recovery), and no hit. An instant guard of
  // the same blow takes nothing from the gauge and nothing is crushed.
  const std::vector<Hold> rising = {
      {kGaugeFull, 228, 1, 6}, {228, 231, 1, 2}, {231, 234, 1, 3}, {233, 235, 1, 3, 0x4}};
  const Trace crushed = PlayTwice({{200, 330, 0, 1}}, rising, 330);
  const Trace instant = PlayTwice({{200, 236, 0, 2}, {236, 330, 0, 1}}, rising, 330);
  ASSERT_EQ(crushed.samples.size(), 330u);
  ASSERT_EQ(instant.samples.size(), 330u);
  EXPECT_TRUE(crushed.Saw(1, 130));
  auto crushAt = std::find_if(crushed.samples.begin() + kGaugeFull, crushed.samples.end(),
                              [](const Sample& x) { return x.guardState[0] == 2; });
  ASSERT_NE(crushAt, crushed.samples.end());
  EXPECT_EQ(crushAt->guardGauge[0], 0.0f);
  // The slow motion requested by the crush runs from the next step.
  const auto slow =
      std::max_element(crushed.samples.begin(), crushed.samples.end(),
                       [](const Sample& x, const Sample& y) { return x.slowMotion < y.slowMotion; });
  EXPECT_EQ(slow->slowMotion, 30);
  const std::vector<int> p = crushed.Patterns(0);
  const auto stagger = std::find(p.begin(), p.end(), 282);
  ASSERT_NE(stagger, p.end());
  ASSERT_NE(stagger + 1, p.end());
  EXPECT_EQ(*(stagger + 1), 283);
  EXPECT_FALSE(crushed.Saw(0, 26));
  EXPECT_EQ(crushed.samples.back().life[0], kMaxLife);

  EXPECT_TRUE(instant.Saw(0, 18));
  EXPECT_FALSE(instant.Saw(0, 282));
  for (size_t i = kGaugeFull; i < instant.samples.size(); ++i) {
    EXPECT_EQ(instant.samples[i].guardState[0], 1) << i;
    EXPECT_EQ(instant.samples[i].slowMotion, 0) << i;
  }
}

// Side 0 walks in from the round start (both sides 128 pixels from the centre) and enters
// forward+A+D; the throw's first frame searches for a target within the ground reach of 48
// pixels (12288 units) in front.
struct ThrowCase {
  const char* name;
  uint32_t walkUntil;        // side 0 walks forward from frame 5 and throws at this frame
  std::vector<Hold> victim;  // side 1's pad
  bool caught, escaped;
};

TEST_F(BattleScenario, ThrowCatchesHoldsDamagesAndReleasesOrIsEscaped) {
  // Walking 55 frames at 384 units a frame closes the 32768-unit gap to 11648; 40 frames leave
  // 17408, out of reach. The victim is caught on frame 62 and may escape up to its eighth held
  // step (frame 69).
  const ThrowCase cases[] = {
      {"out of reach", 45, {}, false, false},
      {"in reach", 60, {}, true, false},
      {"escaped at once", 60, {{62, 64, 1, 0, 0x9}}, true, true},
      {"escaped on the last step", 60, {{69, 71, 1, 0, 0x9}}, true, true},
      {"escape too late", 60, {{70, 72, 1, 0, 0x9}}, true, false},
      // Caught in its own standing C (not a free state): the throw may not be escaped.
      {"caught mid-attack", 60, {{56, 58, 1, 0, 0x4}, {63, 65, 1, 0, 0x9}}, true, false},
      // Both throw on the same frame: the one caught is inside its own throw-clash window.
      {"throw clash", 60, {{60, 63, 1, 6, 0x9}}, true, true},
  };
  for (const ThrowCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Trace r =
        PlayTwice({{5, c.walkUntil, 0, 6}, {c.walkUntil, c.walkUntil + 3, 0, 6, 0x9}}, c.victim, 140);
    ASSERT_EQ(r.samples.size(), 140u);
    EXPECT_TRUE(r.Saw(0, 110));
    EXPECT_EQ(r.Saw(1, 28) || r.Saw(1, 280), c.caught);
    if (!c.caught) {
      EXPECT_EQ(r.samples.back().life[1], kMaxLife);
      continue;
    }
    const Sample& held = r.samples[62];
    if (c.escaped) {
      // Both are pushed apart into the escape pattern; the victim takes no damage.
      EXPECT_TRUE(r.Saw(0, 280));
      EXPECT_TRUE(r.Saw(1, 280));
      EXPECT_FALSE(r.Saw(1, 26));
      EXPECT_EQ(r.samples.back().life[1], kMaxLife);
    } else {
      // Held on the thrower, damaged on the damage frame, released in front and knocked down.
      EXPECT_EQ(held.held[1], 1);
      EXPECT_EQ(held.pattern[1], 28);
      EXPECT_EQ(held.x[1], held.x[0]);
      EXPECT_FALSE(r.Saw(1, 280));
      EXPECT_TRUE(r.Saw(1, 26));
      EXPECT_EQ(r.samples.back().life[1], kMaxLife - 1200);
      EXPECT_EQ(r.samples.back().held[1], 0);
      // Released 60 offset units (x 256 on a cut-sprite frame) in front of the thrower, the
      // knock-down vector applied in the thrower's facing carries it farther away through its
      // fall (900 a step for some thirty steps); the thrower stays where it threw.
      const int32_t release = held.x[0] + 60 * 256;
      EXPECT_EQ(r.samples.back().x[0], held.x[0]);
      EXPECT_GT(r.samples.back().x[1], release + 25 * 900);
      EXPECT_EQ(r.samples.back().pattern[1], 0);
    }
  }
}

// The air recovery after a real launch: side 0 walks in and hits with crouching C, whose vector
// throws side 1 up and away in a falling reaction (negative reaction frames) with an untech time
// of 16 steps. The hit frames count from the end of the hit stop (frame 59); a button pressed once
// fewer than 3 steps are left (frame 72 on) is kept and recovers at the first step the untech
// time has run out, through the recovery vectors 93 to 95. A press earlier than that is dropped.
TEST_F(BattleScenario, RecoversInTheAirWithAButtonAndTheStick) {
  struct Case {
    const char* name;
    std::vector<Hold> pad;
    bool recovers;
    int drift;  // sign of side 1's x movement after the recovery, toward its forward is -x
  };
  const Case cases[] = {
      {"no button", {}, false, 0},
      {"pressed too early", {{62, 64, 1, 0, 0x1}}, false, 0},
      {"neutral", {{72, 74, 1, 0, 0x1}}, true, 0},
      {"forward", {{72, 74, 1, 6, 0x1}, {74, 90, 1, 6}}, true, -1},
      {"back", {{72, 74, 1, 4, 0x2}, {74, 90, 1, 4}}, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Trace r = PlayTwice({{5, 40, 0, 6}, {40, 42, 0, 2, 0x4}}, c.pad, 130);
    ASSERT_EQ(r.samples.size(), 130u);
    EXPECT_TRUE(r.Saw(0, 6));
    EXPECT_TRUE(r.Saw(1, 26));
    EXPECT_LT(r.samples.back().life[1], kMaxLife);
    EXPECT_EQ(r.Saw(1, 291), c.recovers);
    EXPECT_EQ(r.samples.back().y[1], 0);
    EXPECT_EQ(r.samples.back().pattern[1], 0);
    if (!c.recovers) {
      // The launch carries side 1 away from side 0 until it lands, and the stand stops it there.
      EXPECT_GT(r.samples[70].x[1], r.samples[60].x[1]);
      EXPECT_EQ(r.samples.back().x[1], r.samples[110].x[1]);
      continue;
    }
    size_t at = 0;
    while (r.samples[at].pattern[1] != 291) ++at;
    EXPECT_EQ(at, 75u);  // the first step with the untech time run out
    // The recovery's vector lifts the character again above the launch's peak.
    const int32_t peak = std::min_element(r.samples.begin(), r.samples.begin() + static_cast<long>(at),
                                          [](const Sample& x, const Sample& y) { return x.y[1] < y.y[1]; })
                             ->y[1];
    EXPECT_LT(r.MinY(1), peak);
    const int32_t dx = r.samples[at + 6].x[1] - r.samples[at].x[1];
    EXPECT_EQ((dx > 0) - (dx < 0), c.drift);
  }
}

}  // namespace
