// The per-frame driver: pass order and gates through a call recorder, and the button macro.
#include "battle/battle_driver.h"

#include <cstdint>
#include <string>
#include <vector>

#include "battle/battle_clock.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::SeamCalls;
using battle_test::TestFrameData;

std::string Joined() {
  std::string s;
  for (const std::string& c : SeamCalls()) s += (s.empty() ? "" : " ") + c;
  return s;
}

// The clock is called directly, not through a seam: it shows as "tick" where its first step
// (the stepped flag, written even while paused) has overwritten this mark.
constexpr int32_t kClockNotRun = -7;

void Note(const std::string& call) {
  if (g_BattleTimeStepped != kClockNotRun) {
    SeamCalls().push_back("tick");
    g_BattleTimeStepped = kClockNotRun;
  }
  SeamCalls().push_back(call);
}

void InstallRecorder() {
  g_BattleTimeStepped = kClockNotRun;
  g_BattleSeams.ProcessPartnerSwap = [] { Note("swap"); };
  g_BattleSeams.EvalFrameCondition = [](BattleObject*, const Han6Condition*, int phase) {
    Note("cond" + std::to_string(phase));
  };
  g_BattleSeams.ResolveHits = [](BattleObject*) { Note("resolve"); };
  g_BattleSeams.RoundFlow = [] { Note("flow"); };
  g_BattleSeams.JudgeRound = [] { Note("judge"); };
  g_BattleSeams.DrawScreenFlash = [] { Note("flash"); };
  g_BattleSeams.DetectHits = [](BattleObject*) { Note("detect"); };
  g_BattleSeams.ReadBattlePad = [](BattleObject*) { Note("pad"); };
  g_BattleSeams.BaseMovement = [](BattleObject*, uint32_t, int) { Note("base"); };
}

class BattleDriver : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    FrameDef f;
    f.duration = 100;
    f.endAction = 3;
    f.free = 1;
    f.conditions.push_back(Han6Condition{});
    data_.Pattern(0, {f});
    BattleObject& o = battle_test::PlaceCharacter(0, data_.Set(), 0);
    SetPattern(o);
    g_BattlePhase = 1;
    InstallRecorder();
  }
  TestFrameData data_;
};

TEST_F(BattleDriver, PassOrderAndGates) {
  const struct {
    const char* name;
    uint8_t paused;
    int32_t globalFreeze;
    int16_t slowMotion;
    uint32_t frame;
    int32_t phase;
    int pauseAllowed;
    const char* calls;
  } cases[] = {
      {"running", 0, 0, 0, 5, 1, 0, "swap cond3 resolve cond0 tick flow judge pad base flash cond1 detect"},
      {"paused", 1, 0, 0, 5, 1, 0, "tick flow flash"},
      {"global freeze", 0, 5, 0, 5, 1, 0, "tick flow judge pad flash"},
      {"slow motion, skipped frame", 0, 0, 10, 4, 1, 0, "tick flow flash"},
      {"slow motion, stepping frame", 0, 0, 10, 2, 1, 0, "tick flow judge pad base flash cond1 detect"},
      // Before the round's first phase only the partner swap and the unconditional steps run.
      {"phase 0", 0, 0, 0, 5, 0, 0, "swap tick flow flash"},
      // The pause control runs first, and only when the pause is allowed.
      {"pause allowed", 0, 0, 0, 5, 1, 1,
       "pause swap cond3 resolve cond0 tick flow judge pad base flash cond1 detect"},
      {"pause allowed, paused", 1, 0, 0, 5, 1, 1, "pause tick flow flash"},
  };
  static int pauseAllowed;
  g_BattleSeams.IsPauseAllowed = [] { return pauseAllowed; };
  g_BattleSeams.UpdatePauseControl = [] { Note("pause"); };
  for (const auto& c : cases) {
    SeamCalls().clear();
    g_Paused = c.paused;
    g_GlobalFreeze = c.globalFreeze;
    g_SlowMotion = c.slowMotion;
    g_BattleFrame = c.frame;
    g_BattlePhase = c.phase;
    pauseAllowed = c.pauseAllowed;
    RunBattleFrame();
    EXPECT_EQ(Joined(), c.calls) << c.name;
    EXPECT_EQ(g_InBattleUpdate, 0) << c.name;
  }
}

TEST_F(BattleDriver, ButtonMacro) {
  const struct {
    uint32_t buttons;
    uint8_t dir, stance;
    int32_t modeBefore;
    uint32_t want;
    int32_t mode;
  } cases[] = {
      {0x10, 6, 0, 0, 0x10 | 0x9009, 2}, {0x10, 4, 0, 0, 0x10 | 0x9009, 2}, {0x10, 2, 0, 0, 0x10 | 0x3003, 3},
      {0x10, 0, 0, 0, 0x10 | 0x7007, 1}, {0x10, 8, 0, 1, 0x10, 0},          {0x10000, 0, 0, 1, 0x17000, 1},
      {0x10000, 0, 2, 1, 0x17000, 1},    {0x10000, 0, 1, 1, 0x10000, 0},    {0x10000, 6, 0, 1, 0x10000, 0},
      {0x10000, 0, 0, 2, 0x10000, 0},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    TestFrameData data;
    FrameDef f;
    f.stance = c.stance;
    data.Pattern(0, {f});
    BattleObject& o = battle_test::PlaceCharacter(0, data.Set(), 0);
    SetPattern(o);
    o.inputButtons = c.buttons;
    o.inputDir = c.dir;
    g_PlayerRecords[0].ext.macroMode = c.modeBefore;
    ApplyButtonMacro(o);
    EXPECT_EQ(o.inputButtons, c.want) << c.buttons << " dir " << int(c.dir);
    EXPECT_EQ(g_PlayerRecords[0].ext.macroMode, c.mode) << c.buttons << " dir " << int(c.dir);
  }
}

// Training: the player may drive the dummy from the other side's pad (every character reads
// its pad, nothing goes to the replay, the dummy's AI rests) or record it from there.
TEST_F(BattleDriver, TrainingPadsAndTheDummysAi) {
  static int takenOver, replayMode;
  g_BattleSeams.IsDummyTakenOver = [] { return takenOver; };
  g_BattleSeams.ReplayMode = [] { return replayMode; };
  g_BattleSeams.ReplayInputHook = [](BattleObject*, int) { SeamCalls().push_back("replay"); };
  g_BattleSeams.CpuInput = [](BattleObject*) { SeamCalls().push_back("cpuinput"); };
  g_BattleSeams.CpuAiFrame = [](BattleObject*) { SeamCalls().push_back("ai"); };
  BattleObject& o = g_PlayerRecords[0].obj;
  const struct {
    const char* name;
    int32_t mode;
    int takenOver, replay;
    uint8_t controller;
    int pad;
    const char* calls;
  } cases[] = {
      {"player in versus", 0x1, 1, 1, 0, 0, "pad replay base"},
      {"cpu in versus", 0x1, 1, 0, 1, 0, "cpuinput ai base"},
      {"training dummy", 0x1010, 0, 0, 1, 0, "cpuinput ai base"},
      {"training dummy taken over", 0x1010, 1, 0, 1, 1, "pad base"},
      {"training, replay records", 0x1010, 0, 1, 0, 1, "pad replay base"},
      {"training dummy taken over while a replay plays", 0x1010, 1, 2, 1, 1, "pad ai base"},
  };
  for (const auto& c : cases) {
    SeamCalls().clear();
    g_GameModeFlags = c.mode;
    takenOver = c.takenOver;
    replayMode = c.replay;
    o.controller = c.controller;
    EXPECT_EQ(BattlePadIndex(o), c.pad) << c.name;
    UpdateCharacters();
    EXPECT_EQ(Joined(), c.calls) << c.name;
  }
}

// The screen direction: the reverse map (point reflection) while the controls are reversed,
// then the mirror map facing left.
TEST_F(BattleDriver, ScreenDirection) {
  static uint8_t dir;
  g_BattleSeams.ReadBattlePad = [](BattleObject* o) { o->inputDir = dir; };
  BattleObject& o = g_PlayerRecords[0].obj;
  const struct {
    uint8_t dir;
    int16_t reversed;
    uint8_t facing;
    uint8_t screen;
  } cases[] = {{6, 0, 0, 6},
               {6, 0, 1, 4},
               {3, 0, 1, 1},
               {3, 5, 0, 7},
               {3, 5, 1, 9},
               {9, 5, 0, 1},
               {0, 5, 1, 0},
               {12, 0, 0, 0},
               // A count set below zero by a frame effect still reverses: the pad read takes
               // any non-zero count as reversed, and the screen direction must agree with it.
               {6, -3, 0, 4},
               {3, -1, 1, 9}};
  for (const auto& c : cases) {
    dir = c.dir;
    o.reversedFrames = c.reversed;
    o.facing = o.wantedFacing = c.facing;
    ReadCharacterInput();
    EXPECT_EQ(o.inputDirFacing, c.screen) << int{c.dir} << " " << c.reversed << " " << int{c.facing};
  }
}

// The battle draw: camera, then (while characters are shown) characters, pool objects and
// particles, then the HUD.
TEST_F(BattleDriver, DrawBattleOrder) {
  static int shown;
  g_BattleSeams.UpdateBattleCamera = [] { SeamCalls().push_back("camera"); };
  g_BattleSeams.DrawCharactersOn = [] { return shown; };
  g_BattleSeams.DrawCharacters = [] { SeamCalls().push_back("characters"); };
  g_BattleSeams.DrawParticles = [] { SeamCalls().push_back("particles"); };
  g_BattleSeams.UpdateDrawHud = [] { SeamCalls().push_back("hud"); };
  for (int on : {1, 0}) {
    SeamCalls().clear();
    shown = on;
    DrawBattle();
    EXPECT_EQ(Joined(), on ? "camera characters particles hud" : "camera hud");
  }
}

// The stuck recovery, case by case: released from a spawned holder that let go, put back into
// the tumble when stuck in the air, and left alone while a character holds it.
TEST_F(BattleDriver, StuckRecovery) {
  enum Holder { kNone, kCharacter, kSpawnedLetGo, kSpawnedStillHolds, kMissing };
  const struct {
    const char* name;
    Holder holder;
    int16_t pendingPriority;
    const char* calls;
    int32_t pattern, pendingPattern, posX, posY;
    int32_t startX = 1000, offsetX = 300;
  } cases[] = {
      {"stuck in the air, nothing queued", kNone, -1, "vector7 facing1", 0, 26, 1000, -500},
      {"stuck in the air, a change queued", kNone, 5, "vector7 facing1", 0, -1, 1000, -500},
      {"held with no holder", kMissing, -1, "vector7 facing1", 0, 26, 1000, -500},
      {"held by a character", kCharacter, -1, "", 0, -1, 1000, -500},
      {"spawned holder let go", kSpawnedLetGo, -1, "vector7 facing0 cut20", 26, 26, 1300, 0},
      {"spawned holder still holds", kSpawnedStillHolds, -1, "", 0, -1, 1000, -500},
      // the offset moves the position as every position store does: wrapping at the range's end
      {"let go at the end of the range", kSpawnedLetGo, -1, "vector7 facing0 cut20", 26, 26, INT32_MIN + 199,
       0, INT32_MAX - 100, 300},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    InstallRecorder();
    g_BattleSeams.ApplyHitVector = [](BattleObject*, int vector, int, int facing, int, int) {
      SeamCalls().push_back("vector" + std::to_string(vector) + " facing" + std::to_string(facing));
    };
    g_BattleSeams.CutThrowLink = [](BattleObject*, int time) {
      SeamCalls().push_back("cut" + std::to_string(time));
    };
    TestFrameData data;
    FrameDef air;
    air.duration = 100;
    air.endAction = 3;
    air.stance = 1;
    air.free = 1;
    data.Pattern(0, {air});
    BattleObject& o = battle_test::PlaceCharacter(0, data.Set(), 1000, 1);
    BattleObject& thrower = battle_test::PlaceCharacter(1, data.Set(), 5000);
    SetPattern(o);
    SetPattern(thrower);
    o.posX = c.startX;
    o.posY = -500;
    o.throwOffsetX = c.offsetX;
    o.throwOffsetY = 700;  // the release would put it below the ground
    o.hitReaction = -1;
    o.pendingPattern = -1;
    o.pendingPriority = c.pendingPriority;
    ObjectPoolSlot& slot = g_ObjectPool[0];
    switch (c.holder) {
      case kNone:
        break;
      case kMissing:
        o.held = 1;
        break;
      case kCharacter:
        o.held = 1;
        o.parent = &thrower;
        thrower.heldObject = &o;
        break;
      case kSpawnedLetGo:
      case kSpawnedStillHolds:
        slot.inUse = 1;
        NotePoolSlotTaken(slot);
        slot.obj.kind = kKindSpawned;
        slot.obj.owner = &thrower;
        if (c.holder == kSpawnedStillHolds) slot.obj.heldObject = &o;
        o.held = 2;
        o.parent = &slot.obj;
        break;
    }
    SeamCalls().clear();
    StuckRecovery(o);
    EXPECT_EQ(Joined(), c.calls) << c.name;
    EXPECT_EQ(o.pattern, c.pattern) << c.name;
    EXPECT_EQ(o.pendingPattern, c.pendingPattern) << c.name;
    EXPECT_EQ(o.posX, c.posX) << c.name;
    EXPECT_EQ(o.posY, c.posY) << c.name;
  }
}

// An effect that keeps entering its own frame stops at the re-entry limit; the frame entered
// there keeps its effects for the next effect pass instead of losing them.
TEST_F(BattleDriver, EffectPassKeepsEffectsDeferredAtTheReentryLimit) {
  static int runs;
  runs = 0;
  g_BattleSeams.RunFrameEffect = [](BattleObject* o, const Han6Effect*) {
    ++runs;
    o->frame = 0;
    o->frameTimer = 0;
    SetPattern(*o);
  };
  TestFrameData data;
  FrameDef f;
  f.duration = 100;
  f.endAction = 3;
  f.effects.push_back(battle_test::Effect(50, 0));
  data.Pattern(0, {f});
  BattleObject& o = battle_test::PlaceCharacter(0, data.Set(), 0);
  o.entryDepth = kMaxEntryDepth;  // enter without running the effects
  SetPattern(o);
  o.entryDepth = 0;
  ASSERT_EQ(runs, 0);
  ASSERT_NE(o.effectsPending, 0);
  RunCharacterEffects();
  EXPECT_EQ(runs, kMaxEntryDepth + 1);
  EXPECT_NE(o.effectsPending, 0) << "the frame entered at the limit keeps its effects pending";
  EXPECT_EQ(o.entryDepth, 0);
  RunCharacterEffects();
  EXPECT_EQ(runs, 2 * (kMaxEntryDepth + 1));
}

TEST_F(BattleDriver, WarmUpLeavesTheUpdateFlagSet) {
  RunWarmUpFrames();
  EXPECT_EQ(g_InBattleUpdate, 1);
}

}  // namespace

namespace {

// A projectile spawned by a character's frame effect during the update: it skips the update
// of the frame that spawned it, then steps and moves every frame.
TEST(BattleTrace, ProjectileGoldenTrace) {
  battle_test::ResetWorld();
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  stand.free = 1;
  data.Pattern(0, {stand});
  FrameDef fire;
  fire.duration = 1;
  fire.endAction = 0;
  fire.effects.push_back(battle_test::Effect(1, 300, {10, -20}));  // relative: 100 + 300
  data.Pattern(100, {fire});
  FrameDef orb;
  orb.duration = 2;
  std::vector<FrameDef> orbFrames(3, orb);
  orbFrames[0].motion = battle_test::Motion(0x11, 1024, 0, 0, 0);
  orbFrames[2].endAction = 3;
  data.Pattern(400, orbFrames);
  BattleObject& c = battle_test::PlaceCharacter(0, data.Set(), 0);
  SetPattern(c);
  g_BattlePhase = 1;
  ChangePattern(c, 100, 0, 10);
  std::string trace;
  for (int i = 0; i < 6; ++i) {
    RunBattleFrame();
    const BattleObject& o = g_ObjectPool[0].obj;
    trace += std::to_string(o.pattern) + ":" + std::to_string(o.frame) + ":" + std::to_string(o.posX) + ":" +
             std::to_string(o.posY) + " ";
  }
  EXPECT_EQ(trace,
            "400:0:1280:-2560 400:0:2304:-2560 400:1:3328:-2560 400:1:4352:-2560 400:2:5376:-2560 "
            "400:2:6400:-2560 ");
  EXPECT_EQ(c.pattern, 0);
  battle_test::ResetWorld();
}

}  // namespace

namespace {

// One jump through the whole update: velocity set on entering the airborne frame, gravity added
// before each move, the landing step interpolated back to where the path met the ground, and
// the landing flow's pattern taken by the next state step.
TEST(BattleTrace, JumpGoldenTrace) {
  battle_test::ResetWorld();
  TestFrameData data;
  FrameDef stand;
  stand.duration = 100;
  stand.endAction = 3;
  stand.free = 1;
  stand.motion = battle_test::Motion(0x11, 0, 0, 0, 0);
  data.Pattern(0, {stand});
  FrameDef air;
  air.duration = 100;
  air.endAction = 3;
  air.stance = 1;
  air.flow = 0x01;
  air.landing = 0;
  air.motion = battle_test::Motion(0x11, 256, -1200, 0, 300);
  data.Pattern(35, {air});
  BattleObject& c = battle_test::PlaceCharacter(0, data.Set(), 0);
  SetPattern(c);
  g_BattlePhase = 1;
  ChangePattern(c, 35, 0, 10);
  std::string trace;
  for (int i = 0; i < 9; ++i) {
    RunBattleFrame();
    trace += std::to_string(c.pattern) + ":" + std::to_string(c.posX) + ":" + std::to_string(c.posY) + " ";
  }
  // Step 8 falls to y = 1200 with dx 256: the landing puts x back by 256 x 1200 / 1200.
  EXPECT_EQ(trace,
            "35:256:-900 35:512:-1500 35:768:-1800 35:1024:-1800 35:1280:-1500 35:1536:-900 35:1792:0 "
            "35:1792:0 0:1792:0 ");
  battle_test::ResetWorld();
}

}  // namespace
