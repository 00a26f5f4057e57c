// The generated round data as the battle loads and plays it: the duelist's intro, win and lose
// poses, lying knock-out frame, super rush and heat start (the tester has none of them), and
// the common effects of the round, each of which removes itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "app/lib_debug.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/chara_command.h"
#include "battle/chara_loader.h"
#include "battle/object_pool.h"
#include "battle/object_state.h"

namespace {

const Han6Pattern* PatternOf(const FrameDataSet* data, int n) {
  if (!data || !data->patterns || n < 0 || static_cast<size_t>(n) >= data->patterns->patterns.size())
    return nullptr;
  return data->patterns->patterns[static_cast<size_t>(n)].get();
}

// The effects of the given type and number in a pattern, with the index of their frame.
std::vector<std::pair<size_t, const Han6Effect*>> EffectsOf(const Han6Pattern& p, int type, int number) {
  std::vector<std::pair<size_t, const Han6Effect*>> out;
  for (size_t i = 0; i < p.frames.size(); ++i)
    for (const Han6Effect* e : p.frames[i].effects)
      if (e && e->type == type && e->number == number) out.emplace_back(i, e);
  return out;
}

// The last frame ends the pattern into `next`.
bool EndsInto(const Han6Pattern& p, int next) {
  return !p.frames.empty() && p.frames.back().endAction == 0 && p.frames.back().jumpTarget == next;
}

HarnessScript Neutral() {
  return [](uint32_t, int) { return HarnessPad{}; };
}

// Side 0 holds `dir` with `buttons` over frames [from, to).
struct Hold {
  uint32_t from, to;
  uint8_t dir, buttons;
};
HarnessScript Side0(std::vector<Hold> holds) {
  return [holds = std::move(holds)](uint32_t frame, int side) {
    HarnessPad pad;
    for (const Hold& h : holds)
      if (side == 0 && frame >= h.from && frame < h.to) pad = {h.dir, h.buttons};
    return pad;
  };
}

class SampleRoundData : public battle_test::HarnessSampleTest {};

// The duelist carries every round pattern and the tester none, so both paths of the round
// (poses played, poses skipped) have a sample character.
TEST_F(SampleRoundData, DuelistHasTheRoundPatternsTheTesterNone) {
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"tester", 0, 1}, false, RoundStart::kFightersFree));
  const BattleObject& duelist = g_PlayerRecords[0].obj;
  const BattleObject& tester = g_PlayerRecords[1].obj;
  for (int n : {50, 52, 248}) {
    SCOPED_TRACE(n);
    EXPECT_EQ(HasPattern(tester, n), 0);
    ASSERT_EQ(HasPattern(duelist, n), 1);
    EXPECT_TRUE(EndsInto(*PatternOf(duelist.frameData, n), 0));
  }
  // The intro marks itself done on its last frame only.
  const Han6Pattern& intro = *PatternOf(duelist.frameData, 50);
  const auto marks = EffectsOf(intro, 6, 254);
  ASSERT_EQ(marks.size(), 1u);
  EXPECT_EQ(marks[0].first, intro.frames.size() - 1);

  // The knock-out fall lands lying in a frame that sets the pose flag.
  const Han6Pattern& fall = *PatternOf(duelist.frameData, 27);
  ASSERT_FALSE(fall.frames.empty());
  const Han6Pattern* down = PatternOf(duelist.frameData, fall.frames[0].landingTarget);
  ASSERT_TRUE(down);
  EXPECT_EQ(EffectsOf(*down, 6, 255).size(), 1u);

  // The heat start is the spark pattern and carries system code 26.
  ASSERT_TRUE(PatternOf(duelist.frameData, 260));
  EXPECT_EQ(EffectsOf(*PatternOf(duelist.frameData, 260), 2, 26).size(), 1u);
  EXPECT_FALSE(PatternOf(tester.frameData, 260));
}

// The super is a command of the duelist's list; its pattern starts the super-move effect with a
// freeze, lights an aura and leaves a streak that the common set plays, and strikes with a status
// mark.
TEST_F(SampleRoundData, SuperCommandNamesPatternsThatExist) {
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"tester", 0, 1}, false, RoundStart::kFightersFree));
  const BattleObject& duelist = g_PlayerRecords[0].obj;
  const CharaCommandTable* table = g_PlayerRecords[0].ext.commandTable.get();
  ASSERT_TRUE(table);
  const Han6Pattern* super = nullptr;
  for (const auto& c : table->commands) {
    const Han6Pattern* p = c ? PatternOf(duelist.frameData, static_cast<int>(c->pattern)) : nullptr;
    if (!p || EffectsOf(*p, 2, 50).empty()) continue;
    EXPECT_EQ(c->cancelKind, 2);
    EXPECT_GT(c->cost, 0u);
    super = p;
  }
  ASSERT_TRUE(super);
  for (const auto& [frame, e] : EffectsOf(*super, 2, 50)) EXPECT_NE(e->params[2], 3);  // with its freeze
  const auto aura = EffectsOf(*super, 6, 0);
  ASSERT_EQ(aura.size(), 1u);
  const auto streak = EffectsOf(*super, 2, 261);
  ASSERT_EQ(streak.size(), 1u);
  for (int n : {aura[0].second->params[0], streak[0].second->params[4] + 64}) {
    const Han6Pattern* p = PatternOf(&g_CommonFrameData, n);
    ASSERT_TRUE(p) << n;
    EXPECT_TRUE(EndsInto(*p, -1)) << n;
  }
  int status = 0;
  for (const Han6Frame& f : super->frames)
    if (f.attack) status = f.attack->atkk;
  EXPECT_GE(status, 1);
  EXPECT_LE(status, 3);
}

// Every common effect the round's particles, heat and status marks spawn by number is played and
// removed by the battle itself.
TEST_F(SampleRoundData, RoundCommonEffectsRemoveThemselves) {
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  const int numbers[] = {90, 100, 101, 102, 179, 186, 187, 302};
  std::vector<BattleObject*> spawned;
  for (int n : numbers) {
    BattleObject* o = SpawnEngineEffect(g_PlayerRecords[0].obj, n, 0, -60, 0, 0);
    ASSERT_TRUE(o) << n;
    EXPECT_EQ(o->pattern, n);
    spawned.push_back(o);
  }
  const HarnessScript script = Neutral();
  for (int i = 0; i < 60; ++i) HarnessRunFrame(script);
  for (const ObjectPoolSlot& s : g_ObjectPool)
    EXPECT_FALSE(s.inUse && s.obj.dataIndex == kCommonEffectData) << "pattern " << s.obj.pattern;
}

// Intro and poses play through to the stand; only the intro sets the intro byte, on entering its
// last frame.
TEST_F(SampleRoundData, IntroAndPosesPlayToTheStand) {
  const struct {
    int pattern;
    uint8_t introByte;
  } cases[] = {{50, 1}, {52, 0}, {248, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.pattern);
    ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
    BattleObject& o = g_PlayerRecords[0].obj;
    o.koWait = 0;
    o.pattern = c.pattern;
    o.frame = 0;
    o.frameTimer = 0;
    SetPattern(o);
    const size_t last = PatternOf(o.frameData, c.pattern)->frames.size() - 1;
    const HarnessScript script = Neutral();
    int frames = 0;
    while (o.pattern == c.pattern && frames < 600) {
      HarnessRunFrame(script);
      ++frames;
      if (o.pattern == c.pattern && o.koWait) {
        EXPECT_EQ(o.frame, static_cast<int>(last));
      }
    }
    EXPECT_EQ(o.pattern, 0);
    EXPECT_GT(frames, 30);
    EXPECT_EQ(o.koWait, c.introByte);
    HarnessRelease();
  }
}

// "214D" with meter: the rush lights the aura, strikes with status mark 3, and a knock-out by it
// ends with the fallen fighter lying with the pose flag. "A+B+C" with meter starts the heat
// pattern.
TEST_F(SampleRoundData, SuperAndHeatStartFromTheirInputs) {
  const std::vector<Hold> rush = {{10, 14, 2, 0}, {14, 18, 1, 0}, {18, 22, 4, 0}, {22, 24, 4, 0x8}};
  const struct {
    const char* name;
    std::vector<Hold> pad;
    int32_t victimLife;  // 0: unchanged
    int pattern;
    bool status, lying;
  } cases[] = {
      {"super", rush, 0, 140, true, false},
      {"super knocks out", rush, 1, 140, true, true},
      {"heat start", {{10, 12, 0, 0x7}}, 0, 260, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
    BattleObject& a = g_PlayerRecords[0].obj;
    BattleObject& d = g_PlayerRecords[1].obj;
    a.circuit = 20000;
    if (c.victimLife) d.life = c.victimLife;
    const HarnessScript script = Side0(c.pad);
    bool saw = false, aura = false, status = false, lying = false;
    for (int i = 0; i < 240; ++i) {
      HarnessRunFrame(script);
      saw |= a.pattern == c.pattern;
      aura |= a.pattern == c.pattern && a.auraEffect != 0 &&
              PatternOf(&g_CommonFrameData, a.auraEffect - 1) != nullptr;
      status |= d.statusKind == 3 && d.statusTimer > 0;
      lying |= d.pattern == 29 && (d.patternHold & 0x10) != 0;
    }
    EXPECT_TRUE(saw);
    EXPECT_EQ(aura, c.pattern == 140);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(lying, c.lying);
    EXPECT_EQ(a.pattern, 0);
    HarnessRelease();
  }
}

}  // namespace
