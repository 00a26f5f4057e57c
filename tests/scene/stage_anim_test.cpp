// The running stage on the recording device: frame steps, loops and ends, motion, spawns and
// their random draws, position conditions, the queued order of the depth lists, block A's parts,
// the background override, the heat blur, the fade modes, the stage-animation option and the
// drop layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_draw.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "scene/stage_bg.h"
#include "scene/stage_fixture.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

int32_t g_camX = 0, g_camY = 0;
int g_heat = 0;

class StageAnim : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    vt::SetDebugQuiet(true);
    InstallStageSeams();
    g_camX = g_camY = 0;
    g_heat = 0;
    g_BattleSeams.CameraX = [] { return g_camX; };
    g_BattleSeams.CameraY = [] { return g_camY; };
    g_BattleSeams.AnyHeatActive = [] { return g_heat; };
    ResetAllBattleGlobals();
    SeedRandStream(0, 1234);
  }
  void TearDown() override {
    ResetStageBg();
    FreeStageList();
    FlushHan6TextureCache();
    ResetBattleSeams();
    ResetBattleDrawSeams();
    ResetAllBattleGlobals();
    g_StageFadeLevel = 0;
    g_GameData = savedGameData_;
    vt::SetDebugQuiet(false);
    RecordingGfx::TearDown();
  }

  // Writes the stage (and its info text) as stage 1 and builds it.
  void Build(const StageFileDesc& d, const std::string& info = "") {
    const std::vector<uint8_t> bytes = WriteStageFile(d);
    WriteFile("Bg/t.dat", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!info.empty()) WriteFile("Bg/tInfo.txt", info);
    WriteFile("Bg/BgList.ini", "[Bg_001]\r\nDataFile=t\r\n");
    ASSERT_EQ(LoadBgList(), 1);
    ResetStageBg();
    LoadStageBgFile(1, 0);
    BuildStageBg();
  }

  static void Passes() {
    AdvanceStageObjects();
    UpdateStageObjectMotion();
    RunStageSpawnEvents();
    RunStagePositionConditions();
    UpdateDropObjects();
    UpdateHeatBlurState();
  }

  // The commands at a priority in the order they are drawn.
  static std::vector<const GrpDrawCommand*> Drawn(int priority) {
    std::vector<const GrpDrawCommand*> out;
    for (const GrpDrawCommand* c = g_MainDrawList.slots[priority].next; c && c->kind != kDrawKindHead;
         c = c->next)
      out.push_back(c);
    return out;
  }

  // Sprite number of a command's texture, from the stage's preloaded cache entries (-1: none).
  static int SpriteOf(const GrpDrawCommand* c) {
    for (const Han6CacheEntry& e : Han6CacheSnapshot())
      if (HandleTexture(e.texture) == c->texture) return e.key & 0xFFFF;
    return -1;
  }

  GameData* savedGameData_ = g_GameData;
};

StageObjectDesc Obj(int number, std::vector<StageFrameDesc> frames, uint32_t bucket = 0) {
  StageObjectDesc o;
  o.number = number;
  o.bucket = bucket;
  o.frames = std::move(frames);
  return o;
}

StageFileDesc Stage(std::vector<StageObjectDesc> objects, int sprites = 4) {
  StageFileDesc d;
  d.objects = std::move(objects);
  d.blockB = SolidSheet(sprites);
  return d;
}

// Number of stream-0 draws between a saved stream and the current one.
int DrawsSince(const RandStream& saved, int limit = 16) {
  RandStream probe = saved;
  for (int n = 0; n <= limit; ++n) {
    if (std::memcmp(&probe, &g_RandStreams[0], sizeof probe) == 0) return n;
    std::swap(probe, g_RandStreams[0]);
    RandStreamNext(0);
    std::swap(probe, g_RandStreams[0]);
  }
  return -1;
}

TEST_F(StageAnim, LoopCountPlaysFramesOneAndTwoThreeTimes) {
  StageFrameDesc f0 = SpriteFrame(0, 1, 1), f1 = SpriteFrame(0, 1, 1), f2 = SpriteFrame(0, 1, 5),
                 f3 = SpriteFrame(0, 1, 6);
  f0.loopCount = 3;
  f2.target = 1;
  f2.exitFrame = 3;
  Build(Stage({Obj(0, {f0, f1, f2, f3})}));
  std::vector<int> frames;
  for (int i = 0; i < 9; ++i) {
    Passes();
    frames.push_back(g_StageObjects[0].frame);
  }
  EXPECT_EQ(frames, (std::vector<int>{1, 2, 1, 2, 1, 2, 3, 3, 3}));
}

TEST_F(StageAnim, EndsAndJumps) {
  struct Case {
    const char* what;
    std::vector<StageFrameDesc> frames;
    int steps;
    bool alive;
    int frame;
  };
  StageFrameDesc end0 = SpriteFrame(0, 2, 0);
  StageFrameDesc jump = SpriteFrame(0, 1, 2);
  jump.target = 0;
  StageFrameDesc jumpPast = SpriteFrame(0, 1, 4);
  jumpPast.target = 7;
  StageFrameDesc stay = SpriteFrame(0, 1, 9);
  std::vector<StageFrameDesc> many(256, SpriteFrame(0, 1, 1));
  const std::vector<Case> cases = {
      {"end action 0 frees after its duration", {end0}, 2, false, 0},
      {"end action 0 holds before", {end0}, 1, true, 0},
      {"a step past the last frame frees", {SpriteFrame(0, 1, 1), SpriteFrame(0, 1, 1)}, 2, false, 0},
      {"jump back", {SpriteFrame(0, 1, 1), jump}, 2, true, 0},
      {"jump past the count frees", {jumpPast}, 1, false, 0},
      {"6 and above stay", {stay}, 5, true, 0},
      {"255 + 1 ends a 256-frame object instead of wrapping", many, 256, false, 0},
      {"255 is reached", many, 255, true, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Build(Stage({Obj(0, c.frames)}));
    for (int i = 0; i < c.steps; ++i) Passes();
    EXPECT_EQ(g_StageObjects[0].active != 0, c.alive);
    if (c.alive) {
      EXPECT_EQ(g_StageObjects[0].frame, c.frame);
    }
  }
}

TEST_F(StageAnim, MotionStartsOnTheSecondStepOfAFrame) {
  StageFrameDesc f = SpriteFrame(0, 100, 6);
  f.setX = 1;
  f.vx = 100;
  f.ax = 10;
  f.setY = 1;
  f.vy = -7;
  Build(Stage({Obj(0, {f})}));
  std::vector<int32_t> xs, ys;
  for (int i = 0; i < 4; ++i) {
    Passes();
    xs.push_back(g_StageObjects[0].x);
    ys.push_back(g_StageObjects[0].y);
  }
  EXPECT_EQ(xs, (std::vector<int32_t>{0, 100, 210, 330}));
  EXPECT_EQ(ys, (std::vector<int32_t>{0, -7, -14, -21}));
}

TEST_F(StageAnim, PositionConditions) {
  struct Case {
    const char* what;
    int32_t target, threshold, axis, test;
    int steps;
    bool alive;
    int frame;
  };
  const std::vector<Case> cases = {
      {"target -1 removes on the first step past the threshold", -1, 250, 0, 0, 4, false, 0},
      {"not yet past", -1, 250, 0, 0, 3, true, 0},
      {"test 1 fires below the threshold", -1, 1000, 0, 1, 1, false, 0},
      {"y axis", -1, -1, 1, 1, 1, true, 0},
      {"jump to frame 1", 1, 0, 0, 0, 3, true, 1},
      {"jump past the count frees", 5, 0, 0, 0, 3, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StageFrameDesc f = SpriteFrame(0, 100, 6);
    f.setX = 1;
    f.vx = 100;
    f.conditions[2] = 0;
    StageObjectDesc o = Obj(0, {f, SpriteFrame(1, 100, 6)});
    o.conditions = {StageEventDesc{1, 0, c.target, c.threshold, c.axis, c.test, 0}};
    Build(Stage({o}));
    for (int i = 0; i < c.steps; ++i) Passes();
    EXPECT_EQ(g_StageObjects[0].active != 0, c.alive);
    if (c.alive) {
      EXPECT_EQ(g_StageObjects[0].frame, c.frame);
    }
  }
}

TEST_F(StageAnim, SpawnPlacement) {
  struct Case {
    int16_t parentScroll, childScroll;
    int32_t parentX, parentY, camX, camY, a, b;
    int32_t x, y;
  };
  const std::vector<Case> cases = {
      {256, 256, 0, 0, 0, 0, 3, -2, 384, -256},
      {256, 0, 0, 0, 0, 0, 0, 0, 24576, 0},
      {256, 256, 1280, 640, 5000, 700, 0, 0, 1280, 640},
      {1, 1, 0, 0, 1000, 0, 0, 0, 0, 0},                  // each product truncates toward zero
      {256, 128, 1 << 30, 0, 0, 0, 1, 0, 1073754240, 0},  // 64-bit intermediates
      {64, 256, 12800, 0, 12800, 5120, 0, 0, -5632, 3840},
  };
  for (const Case& c : cases) {
    StageObjectDesc parent = Obj(0, {SpriteFrame(0, 100, 6)});
    parent.scroll = c.parentScroll;
    parent.frames[0].spawns[0] = 0;
    parent.spawns = {StageEventDesc{1, 1, c.a, c.b, 0, 0, 0}};
    StageObjectDesc child = Obj(1, {SpriteFrame(1, 100, 6)});
    child.spawnOnly = 1;
    child.scroll = c.childScroll;
    Build(Stage({parent, child}));
    g_camX = c.camX;
    g_camY = c.camY;
    AdvanceStageObjects();  // running from here
    g_StageObjects[0].x = c.parentX;
    g_StageObjects[0].y = c.parentY;
    g_StageObjects[0].eventsDone = 0;
    RunStageSpawnEvents();
    const StageObjectState& s = g_StageObjects[1];
    ASSERT_EQ(s.active, 1);
    EXPECT_EQ(s.object, 1);
    EXPECT_EQ(s.x, c.x) << c.parentScroll << " " << c.childScroll;
    EXPECT_EQ(s.y, c.y);
    EXPECT_EQ(s.scroll, c.childScroll);
  }
}

TEST_F(StageAnim, SpawnDrawCounts) {
  struct Case {
    const char* what;
    StageEventDesc e;
    int draws;
    bool spawned;
  };
  const std::vector<Case> cases = {
      {"type 1", {1, 1, 0, 0, 0, 0, 0}, 0, true},
      {"type 2", {2, 1, 0, 0, 10, 10, 1}, 3, true},
      {"type 2 equal bounds", {2, 1, 5, 5, 5, 5, 1}, 3, true},
      {"type 2 reversed bounds", {2, 1, 10, 10, 0, 0, 1}, 1, true},
      {"type 2 count 0 counts as 1", {2, 1, 0, 0, 3, 3, 0}, 3, true},
      {"type 100", {100, 0, 10, 20, 1, 3, 0}, 2, false},
      {"type 100 equal bounds", {100, 0, 10, 10, 1, 1, 0}, 0, false},
      {"type 100 reversed bounds", {100, 0, 20, 10, 3, 1, 1}, 0, false},
      {"type 100 names another object", {100, 2, 10, 20, 1, 3, 0}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StageObjectDesc parent = Obj(0, {SpriteFrame(0, 100, 6)});
    parent.frames[0].spawns[0] = 0;
    parent.spawns = {c.e};
    StageObjectDesc child = Obj(1, {SpriteFrame(1, 100, 6)});
    child.spawnOnly = 1;
    Build(Stage({parent, child}));
    AdvanceStageObjects();
    const RandStream saved = g_RandStreams[0];
    RunStageSpawnEvents();
    EXPECT_EQ(DrawsSince(saved), c.draws);
    EXPECT_EQ(g_StageObjects[1].active != 0, c.spawned);
    if (c.e.type == 2 && c.spawned) {
      EXPECT_GE(g_StageObjects[1].x, 128 * std::min(c.e.a4, c.e.a12));
      EXPECT_LE(g_StageObjects[1].x, 128 * std::max(c.e.a4, c.e.a12));
    }
    if (std::string(c.what) == "type 100 equal bounds") {
      EXPECT_EQ(g_StageObjects[0].vx, 10);
      EXPECT_EQ(g_StageObjects[0].ax, 1);
    }
    if (std::string(c.what) == "type 100 reversed bounds") {
      EXPECT_EQ(g_StageObjects[0].vy, 20) << "the lower bound, no draw";
      EXPECT_EQ(g_StageObjects[0].ay, 3);
    }
  }
}

TEST_F(StageAnim, SpawnWithEveryStateBusyChangesNothing) {
  StageObjectDesc parent = Obj(0, {SpriteFrame(0, 100, 6)});
  parent.frames[0].spawns[0] = 0;
  parent.spawns = {StageEventDesc{1, 1, 0, 0, 0, 0, 0}};
  StageObjectDesc child = Obj(1, {SpriteFrame(1, 100, 6)});
  child.spawnOnly = 1;
  Build(Stage({parent, child}));
  AdvanceStageObjects();
  for (int i = 1; i < kStageObjectCount; ++i) {
    g_StageObjects[i] = g_StageObjects[0];
    g_StageObjects[i].eventsDone = 1;
  }
  RunStageSpawnEvents();
  for (const StageObjectState& s : g_StageObjects) EXPECT_EQ(s.object, 0);
}

TEST_F(StageAnim, QueuedOrderIsAscendingBucketThenState) {
  Build(Stage({Obj(0, {SpriteFrame(0, 100, 6)}, 5), Obj(1, {SpriteFrame(1, 100, 6)}, 2),
               Obj(2, {SpriteFrame(2, 100, 6)}, 5), Obj(3, {SpriteFrame(3, 100, 6)}, 299)}));
  ResetDrawList(&g_MainDrawList);
  DrawStageBg(1);
  std::vector<int> sprites;
  for (const GrpDrawCommand* c : Drawn(10)) sprites.push_back(SpriteOf(c));
  EXPECT_EQ(sprites, (std::vector<int>{1, 0, 2, 3}));
}

TEST_F(StageAnim, BlockAPartsByPriorityAndBlendedZoom) {
  StageFileDesc d = Stage({});
  AddSmallBlockA(d, 256);
  // Three parts of widths 10, 20 and 30 in slots 0, 1, 2 with priorities 5, 1, 5.
  d.parts.clear();
  for (int p = 0; p < 3; ++p) d.parts.push_back(StagePartDesc{p, {0, 0, 0, 16, 16, 10 * (p + 1), 10, 0, 0}});
  StagePatternDesc& pat = d.patterns[0];
  const uint8_t prio[3] = {5, 1, 5};
  for (int s = 0; s < 3; ++s) {
    pat.refs[s].part = s;
    pat.refs[s].priority = prio[s];
  }
  StagePatternDesc next = pat;
  next.number = 1;
  next.refs[0].zoomX = 2000;
  d.patterns.push_back(next);
  StageFrameDesc f0;
  f0.image = 0;
  f0.duration = 4;
  f0.blendNext = 1;
  StageFrameDesc f1;
  f1.image = 1;
  f1.duration = 4;
  d.objects = {Obj(0, {f0, f1})};
  Build(d);
  AdvanceStageObjects();
  AdvanceStageObjects();  // timer 2 of 4: halfway toward the next pattern
  ResetDrawList(&g_MainDrawList);
  DrawStageLayers(&g_MainDrawList, 1.0f);
  std::vector<float> widths;
  for (const GrpDrawCommand* c : Drawn(10)) widths.push_back(c->v[1].x - c->v[0].x);
  // Queued lower priority first (equal ones by slot); the list draws the last queued first.
  EXPECT_EQ(widths, (std::vector<float>{30.0f, 15.0f, 20.0f}));
}

TEST_F(StageAnim, BackgroundOverride) {
  TextureHandle* flare = SolidTexture(512, 512, 0xFFFFFFFFu);
  g_StageFlareTexture = flare;
  struct Request {
    int kind, row, timer, value;
  };
  struct Case {
    const char* what;
    std::vector<Request> requests;
    int result;
    float brightness;
    uint32_t fill;  // colour of the last fill at priority 266 (drawn first), 0: none
  };
  const std::vector<Case> cases = {
      {"none", {}, 0, 1.0f, 0},
      {"kind 0 small", {{0, 0, 5, 3}}, 0, 0.8f, 0x18000000u},
      {"kind 0 from 15 on", {{0, 0, 5, 20}}, 0, 0.0f, 0x78000000u},
      {"kind 1", {{1, 2, 1, 0}}, 1, 0.0f, 0xFF000000u},
      {"kind 2", {{2, 0, 1, 0}}, 1, 0.0f, 0xFF3232C8u},
      {"kind 5", {{5, 0, 1, 0}}, 1, 0.0f, 0xFFC81414u},
      {"kind 4", {{4, 0, 1, 0}}, 1, 0.0f, 0xFFFFFFFFu},
      {"kinds from 63 down: 31 before 2", {{2, 0, 1, 0}, {31, 0, 1, 4}}, 0, 1.0f - 4.0f / 15.0f, 0x7C000000u},
      {"kinds 6..30 and above 32 pass over",
       {{2, 0, 1, 0}, {40, 0, 9, 0}, {10, 0, 9, 0}},
       1,
       0.0f,
       0xFF3232C8u},
      {"the largest timer wins, ties to the lower row",
       {{0, 1, 5, 3}, {0, 3, 5, 10}, {0, 4, 2, 14}},
       0,
       0.8f,
       0x18000000u},
      {"burst", {{32, 0, 1, 20}}, 1, 0.0f, 0xFF000000u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::fill(std::begin(g_BattleState), std::end(g_BattleState), 0);
    for (const Request& r : c.requests) {
      g_BattleState[8 + r.kind + kBattleStateRow * r.row] = r.timer;
      g_BattleState[72 + r.kind + kBattleStateRow * r.row] = r.value;
    }
    ResetDrawList(&g_MainDrawList);
    EXPECT_EQ(DrawBattleBackgroundOverride(&g_MainDrawList), c.result);
    EXPECT_FLOAT_EQ(g_StageBrightness, c.brightness);
    const auto fills = Drawn(266);
    if (c.fill == 0) {
      EXPECT_TRUE(fills.empty());
    } else {
      ASSERT_FALSE(fills.empty());
      EXPECT_EQ(fills.front()->v[0].diffuse, c.fill);
    }
  }
  // The burst's alpha around e = 8, 52 and 53.
  for (auto [e, alpha] :
       std::vector<std::pair<int, uint32_t>>{{8, 0}, {9, 16}, {52, 255}, {53, 255}, {60, 143}, {70, 0}}) {
    std::fill(std::begin(g_BattleState), std::end(g_BattleState), 0);
    g_BattleState[8 + 31] = 1;
    g_BattleState[72 + 31] = e;
    ResetDrawList(&g_MainDrawList);
    DrawBattleBackgroundOverride(&g_MainDrawList);
    const auto cmds = Drawn(266);
    ASSERT_EQ(cmds.size(), 17u) << e;  // black, then backdrop, ten rays, ring and four orbs
    EXPECT_EQ(cmds[1]->v[0].diffuse >> 24, alpha) << e;
    EXPECT_EQ(cmds[1]->blendMode, 2);
  }
  g_StageFlareTexture = nullptr;
  FreeTexture(flare);
}

TEST_F(StageAnim, CoveredScreenDrawsOnlyTheAlwaysBucketInBlack) {
  StageObjectDesc fg = Obj(2, {SpriteFrame(2, 100, 6)}, 255);
  fg.foreground = 1;
  Build(Stage({Obj(0, {SpriteFrame(0, 100, 6)}, 255), Obj(1, {SpriteFrame(1, 100, 6)}, 3), fg}));
  AdvanceStageObjects();
  g_BattleState[8 + 1] = 1;  // kind 1: opaque black
  ResetDrawList(&g_MainDrawList);
  DrawStageLayers(&g_MainDrawList, 1.0f);
  const auto bg = Drawn(10);
  ASSERT_EQ(bg.size(), 1u);
  EXPECT_EQ(SpriteOf(bg[0]), 0);
  EXPECT_EQ(bg[0]->v[0].diffuse & 0xFFFFFFu, 0u);
  const auto front = Drawn(600);
  ASSERT_EQ(front.size(), 1u);
  EXPECT_EQ(SpriteOf(front[0]), 2);
}

TEST_F(StageAnim, HeatBlurStatesAndForegroundObjects) {
  StageObjectDesc fg = Obj(1, {SpriteFrame(1, 1000, 6)}, 4);
  fg.foreground = 1;
  Build(Stage({Obj(0, {SpriteFrame(0, 1000, 6)}, 4), fg}));
  std::vector<int> states;
  auto frame = [&](int heat) {
    g_heat = heat;
    ResetDrawList(&g_MainDrawList);
    DrawStageBg(1);
    states.push_back(g_HeatBlur.state);
  };
  frame(0);
  frame(1);
  for (int i = 0; i < 15; ++i) frame(1);
  EXPECT_EQ(states[0], 0);
  EXPECT_EQ(states[1], 1);
  EXPECT_EQ(states.back(), 100);
  EXPECT_EQ(Drawn(600).size(), 0u) << "foreground objects vanish while the blur holds";
  EXPECT_EQ(Drawn(10).size(), 1u);
  frame(0);
  EXPECT_EQ(g_HeatBlur.state, 255);
  frame(1);
  EXPECT_EQ(g_HeatBlur.state, 1) << "heat again returns to rising";
  int rising = 0;
  while (g_HeatBlur.state == 1 && rising < 40) {
    frame(0);
    ++rising;
  }
  EXPECT_GE(rising, 15) << "rising runs on without heat, x += 1/15";
  EXPECT_LE(rising, 16);
  EXPECT_EQ(g_HeatBlur.state, 100);
  frame(0);
  EXPECT_EQ(g_HeatBlur.state, 255);
  int falling = 0;
  while (g_HeatBlur.state == 255 && falling < 60) {
    frame(0);
    ++falling;
  }
  EXPECT_GE(falling, 30);
  EXPECT_LE(falling, 32);
  EXPECT_EQ(g_HeatBlur.state, 0);
  EXPECT_EQ(DrawHeatPointBlur(), 0.0f);
}

TEST_F(StageAnim, FadeModesStepPerForegroundObject) {
  struct Case {
    int mode, level, objects;
    int wantMode, wantLevel;
  };
  const std::vector<Case> cases = {
      {2, 100, 2, 2, 112}, {2, 250, 1, 0, 0}, {3, 3, 1, 1, 0},
      {3, 100, 2, 3, 88},  {1, 0, 2, 1, 0},   {0, 77, 2, 0, 77},
  };
  for (const Case& c : cases) {
    std::vector<StageObjectDesc> objects;
    for (int i = 0; i < c.objects; ++i) {
      StageObjectDesc o = Obj(i, {SpriteFrame(i, 100, 6)}, 4);
      o.foreground = 1;
      objects.push_back(o);
    }
    objects.push_back(Obj(5, {SpriteFrame(3, 100, 6)}, 4));  // background: not counted
    Build(Stage(objects));
    AdvanceStageObjects();
    g_BattleState[BattleStateIndex::kScreenMode] = c.mode;
    g_StageFadeLevel = c.level;
    ResetDrawList(&g_MainDrawList);
    DrawStageLayers(&g_MainDrawList, 1.0f);
    EXPECT_EQ(g_BattleState[BattleStateIndex::kScreenMode], c.wantMode) << c.mode << " " << c.level;
    EXPECT_EQ(g_StageFadeLevel, c.wantLevel) << c.mode << " " << c.level;
  }
}

TEST_F(StageAnim, StageAnimationOptionFreezesAfterTwoFrames) {
  GameData data{};
  data.StageAnimation = 1;
  g_GameData = &data;
  StageFrameDesc f = SpriteFrame(0, 1000, 6);
  f.setX = 1;
  f.vx = 128;
  Build(Stage({Obj(0, {f})}), "[Data]\r\nDropObj=1\r\nDropObj_Type=1\r\n");
  EXPECT_EQ(g_StageInfo.dropOn, 0) << "the drop layer is off at build";
  for (int i = 0; i < 6; ++i) DrawStageBg(1);
  EXPECT_EQ(g_StageObjects[0].timer, 2);
  EXPECT_EQ(g_StageObjects[0].x, 128) << "moved on its second frame, then stood still";
  data.StageAnimation = 0;
  DrawStageBg(1);
  EXPECT_EQ(g_StageObjects[0].timer, 3);
}

TEST_F(StageAnim, StopRulesHoldTheObjects) {
  struct Case {
    const char* what;
    std::function<void()> set;
    bool held;
  };
  int32_t hold = 0;
  static int32_t* holdPtr = nullptr;
  holdPtr = &hold;
  g_BattleSeams.BgHoldTimer = [] { return *holdPtr; };
  const std::vector<Case> cases = {
      {"running", [] {}, false},
      {"paused", [] { g_Paused = 1; }, true},
      {"global freeze", [] { g_GlobalFreeze = 3; }, true},
      {"slow-motion skip frame", [] { g_SlowMotion = 5, g_BattleFrame = 4; }, true},
      {"slow-motion step frame", [] { g_SlowMotion = 5, g_BattleFrame = 6; }, false},
      {"hold timer", [&] { hold = 180; }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Build(Stage({Obj(0, {SpriteFrame(0, 1000, 6)})}));
    ResetAllBattleGlobals();
    hold = 0;
    c.set();
    Passes();
    EXPECT_EQ(g_StageObjects[0].timer, c.held ? 0 : 1);
  }
}

TEST_F(StageAnim, DropLayers) {
  // Type 1: streaks restart past y 64, one x and one phase draw each.
  Build(Stage({}), "[Data]\r\nDropObj=1\r\nDropObj_Type=1\r\nDropObj_Max=3\r\n");
  ASSERT_EQ(g_StageInfo.dropOn, 1);
  g_DropObjects[0].y = 63.0f;
  g_DropObjects[0].vy = 2.0f;
  g_DropObjects[1].y = -500.0f;
  g_DropObjects[2].y = -500.0f;
  RandStream saved = g_RandStreams[0];
  UpdateDropObjects();
  EXPECT_EQ(g_DropObjects[0].y, -1024.0f);
  EXPECT_EQ(DrawsSince(saved), 2);
  ResetDrawList(&g_MainDrawList);
  DrawDropObjects(&g_MainDrawList);
  EXPECT_EQ(Drawn(522).size(), 3u);
  // Five draws per streak at the start: x, y, angle, speed, phase.
  saved = g_RandStreams[0];
  InitDropObjects();
  EXPECT_EQ(DrawsSince(saved, 700), 15);
  // Type 0: six draws per drop at the start (x, y, pattern, vy, vx, phase), three at a restart.
  Build(Stage({}), "[Data]\r\nDropObj=1\r\nDropObj_Type=0\r\nDropObj_PatNum=4\r\nDropObj_FrameNum=4\r\n");
  ASSERT_EQ(g_StageInfo.dropOn, 1);
  for (const DropObject& d : g_DropObjects) EXPECT_LT(d.pattern, 4);
  saved = g_RandStreams[0];
  InitDropObjects();
  EXPECT_EQ(DrawsSince(saved, 700), 600);
  for (DropObject& d : g_DropObjects) d.y = -900.0f;
  g_DropObjects[7].y = 10.0f;
  g_DropObjects[7].alpha = 10;
  saved = g_RandStreams[0];
  UpdateDropObjects();
  EXPECT_EQ(DrawsSince(saved), 3);
  EXPECT_EQ(g_DropObjects[7].y, -1024.0f);
  EXPECT_EQ(g_DropObjects[7].alpha, 255);
  // Type -1: the room, scaled by the brightness.
  Build(Stage({}), "[Data]\r\nDropObj=1\r\n");
  ResetDrawList(&g_MainDrawList);
  DrawDropObjects(&g_MainDrawList);
  const auto room = Drawn(8);
  EXPECT_EQ(room.size(), 14u * 7u * 2u + 14u * 9u + 7u * 9u * 2u);
  std::vector<uint32_t> full;
  for (const GrpDrawCommand* c : room) full.push_back(c->v[0].diffuse);
  EXPECT_NE(std::count(full.begin(), full.end(), 0xFF406464u), 0) << "a back-wall tile";
  EXPECT_NE(std::count(full.begin(), full.end(), 0xFF203232u), 0) << "a darkened back-wall tile";
  g_StageBrightness = 0.0f;
  ResetDrawList(&g_MainDrawList);
  DrawDropObjects(&g_MainDrawList);
  for (const GrpDrawCommand* c : Drawn(8)) EXPECT_EQ(c->v[0].diffuse, 0xFF000000u);
  g_StageBrightness = 1.0f;
  // Another type: neither moves nor draws.
  Build(Stage({}), "[Data]\r\nDropObj=1\r\nDropObj_Type=4\r\n");
  saved = g_RandStreams[0];
  UpdateDropObjects();
  ResetDrawList(&g_MainDrawList);
  DrawDropObjects(&g_MainDrawList);
  EXPECT_EQ(DrawsSince(saved), 0);
  EXPECT_EQ(Drawn(522).size() + Drawn(8).size(), 0u);
}

// The petal layer's passes at the drop priority in the order they are queued (the list draws them
// the other way round): target 1 added over the screen, target 1 again under the update pass,
// the petals, then the untextured ready quad. Target 1 is read from the screen-sized corner the
// scene's picture occupies.
TEST_F(StageAnim, PetalLayerQueuesItsBloomPassesInOrder) {
  std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / "Shader", "Shader",
                        std::filesystem::copy_options::recursive);
  std::filesystem::create_directories("Bg");
  std::filesystem::copy_file(std::filesystem::path(VT_SAMPLE_DIR) / "Bg/petal.bmp", "Bg/petal.bmp");
  ASSERT_EQ(CreateFrameRenderTargets(), 1);
  LoadShaderEffects();
  Build(Stage({}),
        "[Data]\r\nDropObj=1\r\nDropObj_Type=0\r\nDropObjFile=petal\r\nDropObj_PatNum=4\r\n"
        "DropObj_FrameNum=4\r\nDropObj_W=16\r\nDropObj_H=16\r\n");
  vt::gfx::Texture* petals = HandleTexture(g_StageInfo.dropTexture);
  ASSERT_NE(petals, nullptr);
  ResetDrawList(&g_MainDrawList);
  DrawDropObjects(&g_MainDrawList);
  std::vector<const GrpDrawCommand*> queued = Drawn(522);
  std::reverse(queued.begin(), queued.end());
  auto technique = [](const GrpDrawCommand* c) -> std::string {
    if (c->effectTag == 0 || c->effectTag >= g_EffectTags.size()) return "";
    const CDxEffTag* tag = g_EffectTags[c->effectTag];
    for (const auto& slot : g_EffectSlots)
      if (slot && slot->effect.get() == tag->Effect() && slot->technique == tag->Technique())
        return slot->techniqueName;
    return "?";
  };
  ASSERT_EQ(queued.size(), 2u + kStageMaxDrops + 1u);
  vt::gfx::Texture* target1 = HandleTexture(GetSceneTarget(1));
  for (int i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(queued[i]->texture, target1);
    EXPECT_FLOAT_EQ(queued[i]->v[3].x - queued[i]->v[0].x, 640.0f);
    EXPECT_FLOAT_EQ(queued[i]->v[3].u, 640.0f / static_cast<float>(target1->Width()));
    EXPECT_FLOAT_EQ(queued[i]->v[3].v, 480.0f / static_cast<float>(target1->Height()));
  }
  EXPECT_EQ(technique(queued[0]), "");
  EXPECT_EQ(queued[0]->blendMode, 2);
  EXPECT_EQ(queued[0]->filterMode, 2);
  EXPECT_EQ(technique(queued[1]), "TecSakuraBloom_Update");
  for (size_t i = 2; i < 2 + kStageMaxDrops; ++i) {
    EXPECT_EQ(technique(queued[i]), "TecSakuraBloom") << i;
    EXPECT_EQ(queued[i]->texture, petals) << i;
  }
  EXPECT_EQ(technique(queued.back()), "TecSakuraBloom_Ready");
  EXPECT_EQ(queued.back()->texture, nullptr);
  ReleaseEffectTags();
  FreeShaderEffects();
}

}  // namespace
}  // namespace vt::test
