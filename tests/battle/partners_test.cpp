// Partner characters: the call input and its refusals, the assist partner's follow and run,
// the tag battle's waiting member and exchange, the takeover body and the shared gauges. The
// tag-battle paths have no mode starter yet, so they are driven here directly.
#include "battle/partners.h"

#include <cstddef>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "battle/battle_driver.h"
#include "battle/chara_command.h"
#include "battle/command_input.h"
#include "battle/gauges.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::SeamCalls;
using battle_test::TestFrameData;
using Partners = BattleTest;

FrameDef Frame(uint8_t stance, uint8_t free) {
  FrameDef f;
  f.duration = 100;
  f.endAction = 3;
  f.stance = stance;
  f.free = free;
  return f;
}

int g_TagType = 1;

// Side 0: slot 0 active, slot 2 its partner; side 1: slot 1 alone.
struct PairWorld {
  TestFrameData data;
  BattleObject* a = nullptr;  // active member
  BattleObject* m = nullptr;  // waiting member
  BattleObject* foe = nullptr;
  explicit PairWorld(int32_t gameMode = 0) {
    g_GameModeFlags = gameMode;
    data.Pattern(0, {Frame(0, 1), Frame(1, 1), Frame(2, 1)});
    data.Pattern(10, {Frame(0, 1)});
    data.Pattern(53, {Frame(0, 0)});
    data.Pattern(245, {Frame(0, 1)});
    data.Pattern(60, {Frame(0, 0), Frame(0, 0)});
    a = &PlaceCharacter(0, data.Set(), 0);
    foe = &PlaceCharacter(1, data.Set(), 50000, 1);
    m = &PlaceCharacter(2, data.Set(), -100000);
    m->side = 0;
    m->partnerState = 1;
    a->partner = m;
    m->partner = a;
    g_SideStatus[0].hasPartner = 1;
    g_SideStatus[0].activePlayer = 0;
    for (BattleObject* o : {a, m, foe}) Enter(*o, 0);
    g_TagType = 1;
    g_BattleSeams.GetCharacterTagType = [](int) { return g_TagType; };
    g_BattleSeams.AutoFace = [](BattleObject* o, int) {
      SeamCalls().push_back("autoface " + std::to_string(o->playerIndex));
      return 1;
    };
    g_BattleSeams.FacePartner = [](BattleObject* o) {
      SeamCalls().push_back("facepartner " + std::to_string(o->playerIndex));
    };
  }
  static void Enter(BattleObject& o, int pattern, int frame = 0) {
    o.pattern = pattern;
    o.frame = frame;
    o.pendingPattern = o.pendingPriority = -1;
    RefreshFramePointers(o);
  }
  SideStatus& Side() { return g_SideStatus[0]; }
};

// Pushes each direction for two frames, then a frame with D held.
void EnterDownTaps(BattleObject& o, std::string_view dirs) {
  InputHistory& h = o.playerRecord->ext.history;
  for (char c : dirs) {
    PushInputHistory(h, c - '0', 0);
    PushInputHistory(h, c - '0', 0);
  }
  PushInputHistory(h, 0, 0x8);
}

// ---- the call ----

TEST_F(Partners, LongerInputIsLeftToTheCommandList) {
  const struct {
    const char* name;
    uint8_t mode;
    int32_t circuit;
    int result;
  } cases[] = {
      {"10000 circuit: the long input is not a call", 0, 10000, 0},
      {"9999 circuit: it is a call", 0, 9999, 1},
      {"gauge mode 2: not a call", 2, 0, 0},
      {"gauge mode 1: a call", 1, 0, 1},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    PairWorld w;
    w.a->gaugeMode = c.mode;
    w.a->circuit = c.circuit;
    EnterDownTaps(*w.a, "020202");
    EXPECT_EQ(CheckPartnerCallCommand(*w.a), c.result) << c.name;
    EXPECT_EQ(w.Side().partnerControl, c.result) << c.name;
    EXPECT_EQ(w.a->pendingPattern, c.result ? 53 : -1) << c.name;
  }
  // The short input alone is a call whatever the meter; another character kind is never one.
  battle_test::ResetWorld();
  PairWorld w;
  w.a->circuit = 30000;
  EnterDownTaps(*w.a, "0202");
  EXPECT_EQ(CheckPartnerCallCommand(*w.a), 1);
  battle_test::ResetWorld();
  PairWorld w2;
  g_TagType = 0;
  EnterDownTaps(*w2.a, "0202");
  EXPECT_EQ(CheckPartnerCallCommand(*w2.a), 0);
}

TEST_F(Partners, PartnerCallRefusals) {
  enum Setup {
    kNone,
    kFourPlayer,
    kIntro,
    kNoPartner,
    kJudged,
    kBusy,
    kAirborne,
    kNoCancel,
    kHit,
    kPartnerAir
  };
  const struct {
    const char* name;
    int32_t gameMode;
    Setup setup;
    int result;
    int32_t control;
  } cases[] = {
      {"four-player mode", 0x200, kFourPlayer, 0, 0},
      {"round intro lock", 0, kIntro, 0, 0},
      {"no partner: consumed without effect", 0, kNoPartner, 1, 0},
      {"round decided", 0, kJudged, 0, 0},
      {"tag: accepted", 0x101, kNone, 1, 200},
      {"tag: a call already running", 0x101, kBusy, 0, 100},
      {"tag: airborne caller", 0x101, kAirborne, 0, 0},
      {"tag: no cancel", 0x101, kNoCancel, 0, 0},
      {"assist: accepted", 0, kNone, 1, 1},
      {"assist: in a hit reaction, consumed anyway", 0, kHit, 1, 0},
      {"assist: airborne partner, consumed anyway", 0, kPartnerAir, 1, 0},
      {"assist: restarts a running call", 0, kBusy, 1, 1},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    PairWorld w(c.gameMode);
    static int cancel;
    cancel = c.setup == kNoCancel ? 0 : 1;
    g_BattleSeams.CanCancel = [](BattleObject*, int) { return cancel; };
    switch (c.setup) {
      case kIntro:
        g_CommandLock = 2;
        break;
      case kNoPartner:
        w.Side().hasPartner = 0;
        break;
      case kJudged:
        g_JudgeState = 1;
        break;
      case kBusy:
        w.Side().partnerControl = 100;
        break;
      case kAirborne:
        PairWorld::Enter(*w.a, 0, 1);
        break;
      case kHit:
        w.a->hitReaction = 5;
        break;
      case kPartnerAir:
        PairWorld::Enter(*w.m, 0, 1);
        break;
      default:
        break;
    }
    EXPECT_EQ(PartnerCall(*w.a), c.result) << c.name;
    EXPECT_EQ(w.Side().partnerControl, c.control) << c.name;
    const bool tagAccepted = c.control == 200;
    EXPECT_EQ(w.a->strikeInvuln, tagAccepted ? 2 : 0) << c.name;
    EXPECT_EQ(w.a->pendingPattern, c.control == 1 ? 53 : -1) << c.name;
  }
}

TEST_F(Partners, TagCallPatternWhenATableSetsOne) {
  PairWorld w(0x101);
  g_BattleSeams.CanCancel = [](BattleObject*, int kind) { return kind == 1 ? 1 : 0; };
  w.a->playerRecord->ext.commandTable = std::make_unique<CharaCommandTable>();
  w.a->playerRecord->ext.commandTable->tagCallPattern = 60;
  EXPECT_EQ(PartnerCall(*w.a), 1);
  EXPECT_EQ(w.a->pendingPattern, 60);
  EXPECT_EQ(w.a->pendingPriority, 9999);
}

// ---- assist partner ----

TEST_F(Partners, AssistFollowDistances) {
  const struct {
    const char* name;
    int pattern;
    int32_t distance;
    const char* call;
    int16_t pending;
  } cases[] = {
      {"300 pixels away stands and faces", 0, 38400, "autoface 2", -1},
      {"one unit more walks", 0, 38401, "facepartner 2", 10},
      {"walking stops within 150 pixels", 10, 19200, "autoface 2", 0},
      {"walking goes on beyond", 10, 19201, "", -1},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    PairWorld w;
    w.a->posX = 0;
    w.m->posX = -c.distance;
    PairWorld::Enter(*w.m, c.pattern);
    AssistPartnerStep(*w.m);
    const std::string call = SeamCalls().empty() ? "" : SeamCalls().front();
    EXPECT_EQ(call, c.call) << c.name;
    EXPECT_EQ(w.m->pendingPattern, c.pending) << c.name;
    EXPECT_EQ(w.m->partnerState, 1) << c.name;
  }
}

TEST_F(Partners, AssistShareGaugesAndRunsItsAction) {
  PairWorld w;
  w.a->life = 5000;
  w.a->redLife = 6000;
  w.a->circuit = 12345;
  w.a->guardGauge = 77.0f;
  w.a->guardQuality = 0.5f;
  // Called: the partner turns to its target, runs, and acts once past the point 150 pixels in
  // front of the caller.
  PairWorld::Enter(*w.a, 53);
  w.Side().partnerControl = 1;
  w.m->facing = w.m->wantedFacing = 1;
  AssistPartnerStep(*w.m);
  EXPECT_EQ(w.m->life, 5000);
  EXPECT_EQ(w.m->redLife, 6000);
  EXPECT_EQ(w.m->circuit, 12345);
  EXPECT_EQ(w.m->guardGauge, 77.0f);
  EXPECT_EQ(w.m->guardQuality, 0.5f);
  EXPECT_EQ(w.Side().partnerControl, 2);
  EXPECT_EQ(w.m->facing, 0);  // steered right toward the target
  AssistPartnerStep(*w.m);
  EXPECT_EQ(w.m->pendingPattern, 245);
  PairWorld::Enter(*w.m, 245);
  w.m->posX = 19201;
  AssistPartnerStep(*w.m);
  EXPECT_EQ(w.m->posX, 19200);
  EXPECT_EQ(w.m->pendingPattern, 53);
  EXPECT_EQ(w.m->pendingPriority, 300);
  EXPECT_EQ(w.Side().partnerControl, 3);
  // Acting in a frame that is not free: standing by in state 2 of its own.
  PairWorld::Enter(*w.m, 60);
  AssistPartnerStep(*w.m);
  EXPECT_EQ(w.m->partnerState, 2);
  // Once the caller leaves its call pose the partner is reset.
  PairWorld::Enter(*w.m, 53);
  PairWorld::Enter(*w.a, 0);
  AssistPartnerStep(*w.m);
  EXPECT_EQ(w.Side().partnerControl, 0);
  EXPECT_EQ(w.m->pendingPattern, 0);
  EXPECT_EQ(w.m->pendingPriority, 1000);
}

TEST_F(Partners, AssistHandOver) {
  const struct {
    const char* name;
    int32_t hitReaction;
    int16_t armor;
    int32_t control;
    int32_t active;
  } cases[] = {
      {"free: handed over", 0, 0, 0, 2},
      {"in a hit reaction: back to the action", 3, 0, 3, 0},
      {"in a hit reaction under armour: handed over", 3, 5, 0, 2},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    PairWorld w;
    w.Side().partnerControl = 4;
    w.a->hitReaction = c.hitReaction;
    w.a->armorFrames = c.armor;
    w.a->life = 4000;
    w.m->velX = 300;
    w.m->posY = -5000;
    w.m->noCommand = 1;
    ProcessPartnerSwap();
    EXPECT_EQ(w.Side().partnerControl, c.control) << c.name;
    EXPECT_EQ(w.Side().activePlayer, c.active) << c.name;
    if (c.active == 2) {
      EXPECT_EQ(w.m->life, 4000) << c.name;
      EXPECT_EQ(w.m->velX, 0) << c.name;
      EXPECT_EQ(w.m->posY, 0) << c.name;
      EXPECT_EQ(w.m->posX, -100000) << c.name;
      EXPECT_EQ(w.m->noCommand, 0) << c.name;
      EXPECT_EQ(w.m->airJumps, 127) << c.name;
      EXPECT_EQ(w.a->noPush, 1) << c.name;
      EXPECT_EQ(w.a->partnerState, 1) << c.name;
      EXPECT_EQ(w.m->partnerState, 0) << c.name;
    }
  }
}

TEST_F(Partners, NoExchangeInTheFourPlayerMode) {
  const struct {
    const char* name;
    int32_t gameMode;
    int32_t control;
  } cases[] = {
      {"a count of 4 raised by partner contact", 0x200, 4},
      {"an exchange pending", 0x300, 255},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    PairWorld w(c.gameMode);
    w.Side().partnerControl = c.control;
    ProcessPartnerSwap();
    EXPECT_EQ(w.Side().activePlayer, 0) << c.name;
    EXPECT_EQ(w.Side().partnerControl, c.control) << c.name;
    EXPECT_EQ(w.a->partnerState, 0) << c.name;
  }
}

// ---- tag battle ----

TEST_F(Partners, TagExchange) {
  const struct {
    const char* name;
    int32_t life, redLife;
    int32_t hitReaction;
    uint8_t finishKind;
    int32_t redAfter;
    int32_t control;
  } cases[] = {
      {"half the recoverable life is lost", 6000, 6999, 0, 0, 6499, 100},
      {"nothing to lose", 6000, 6000, 0, 0, 6000, 100},
      {"the leaving member is knocked out", 6000, 6999, 0, 1, 6499, 101},
      {"the active member is being hit: dropped", 6000, 6999, 4, 0, 6999, 254},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    PairWorld w(0x101);
    w.Side().partnerControl = 255;
    w.m->life = c.life;
    w.m->redLife = c.redLife;
    w.a->hitReaction = c.hitReaction;
    w.a->finishKind = c.finishKind;
    w.a->circuit = 20000;
    w.a->gaugeMode = 1;
    w.a->heatTimer = 123;
    w.a->life = 100;
    ProcessPartnerSwap();
    EXPECT_EQ(w.m->redLife, c.redAfter) << c.name;
    EXPECT_EQ(w.Side().partnerControl, c.control) << c.name;
    if (c.control != 254) {
      EXPECT_EQ(w.Side().activePlayer, 2) << c.name;
      EXPECT_EQ(w.m->life, c.life) << c.name;  // life stays its own
      EXPECT_EQ(w.m->circuit, 20000) << c.name;
      EXPECT_EQ(w.m->gaugeMode, 1) << c.name;
      EXPECT_EQ(w.m->heatTimer, 123) << c.name;
      EXPECT_EQ(w.m->airJumps, 127) << c.name;
      EXPECT_EQ(w.a->partnerState, 1) << c.name;
      EXPECT_EQ(w.m->partnerState, 0) << c.name;
    } else {
      EXPECT_EQ(w.Side().activePlayer, 0) << c.name;
    }
  }
}

TEST_F(Partners, TagWaitingMemberStates) {
  PairWorld w(0x101);
  static int32_t edge;
  g_BattleSeams.HeldSpanEdgeCorrection = [](BattleObject*) { return edge; };
  // 0: parked off stage.
  PairWorld::Enter(*w.m, 10);
  w.a->circuit = 777;
  TagPartnerStep(*w.m);
  EXPECT_EQ(w.m->posX, -65536);
  EXPECT_EQ(w.m->pendingPattern, 0);
  EXPECT_EQ(w.m->circuit, 777);
  // 100: leaving; out once airborne and more than 50 units past the walls.
  w.Side().partnerControl = 100;
  PairWorld::Enter(*w.m, 0, 1);
  edge = 50;
  TagPartnerStep(*w.m);
  EXPECT_EQ(w.Side().partnerControl, 100);
  EXPECT_EQ(w.m->strikeInvuln, 2);
  edge = -51;
  TagPartnerStep(*w.m);
  EXPECT_EQ(w.Side().partnerControl, 101);
  EXPECT_EQ(w.Side().partnerFrames, 0);
  // 101: a knocked-out member waits; once revived it is parked and returns after 120 frames,
  // at once when they have already passed.
  w.m->finishKind = 1;
  for (int i = 0; i < 200; ++i) TagPartnerStep(*w.m);
  EXPECT_EQ(w.Side().partnerControl, 101);
  w.m->finishKind = 0;
  TagPartnerStep(*w.m);
  EXPECT_EQ(w.Side().partnerControl, 0);
  EXPECT_EQ(w.m->posX, -65536);
  // 200: the entry (no entry pattern: the state simply moves on).
  w.Side().partnerControl = 200;
  TagPartnerStep(*w.m);
  EXPECT_EQ(w.Side().partnerControl, 255);
}

TEST_F(Partners, TagEntryPatternPlacesTheMemberBehindTheCameraTarget) {
  PairWorld w(0x101);
  g_BattleSeams.CameraTargetX = [] { return int32_t{1000}; };
  w.m->playerRecord->ext.commandTable = std::make_unique<CharaCommandTable>();
  w.m->playerRecord->ext.commandTable->tagEntryPattern = 60;
  w.a->facing = w.a->wantedFacing = 1;
  w.m->posY = -300;
  w.Side().partnerControl = 200;
  TagPartnerStep(*w.m);
  EXPECT_EQ(w.m->pattern, 60);  // carried out at once
  EXPECT_EQ(w.m->facing, 1);
  EXPECT_EQ(w.m->posX, 1000 + 40960);
  EXPECT_EQ(w.m->posY, 0);
  EXPECT_EQ(w.Side().partnerControl, 255);
}

// ---- takeover body ----

TEST_F(Partners, TakeoverDue) {
  const struct {
    const char* name;
    int tagType;
    uint8_t finishKind;
    int32_t gameMode;
    uint8_t controller;
    int32_t otherMatchPoint;
    int due;
  } cases[] = {
      {"training", 255, 1, 0x1010, 0, 0, 1},
      {"not knocked out", 255, 0, 0x1010, 0, 0, 0},
      {"not a takeover character", 1, 1, 0x1010, 0, 0, 0},
      {"arcade, human", 255, 1, 0x10, 0, 1, 0},
      {"arcade, CPU", 255, 1, 0x10, 1, 1, 0},
      {"versus, the other side at match point", 255, 1, 0x1, 0, 1, 1},
      {"versus, not at match point", 255, 1, 0x1, 0, 0, 0},
  };
  for (const auto& c : cases) {
    battle_test::ResetWorld();
    PairWorld w(c.gameMode);
    g_TagType = c.tagType;
    w.a->finishKind = c.finishKind;
    w.a->controller = c.controller;
    g_BattleState[BattleStateIndex::kMatchPoint0 + 1] = c.otherMatchPoint;
    EXPECT_EQ(IsTakeoverDue(*w.a), c.due) << c.name;
  }
}

TEST_F(Partners, TakeoverTakesTheBodyOnceARound) {
  PairWorld w;
  g_TagType = 255;
  BattleObject& a = *w.a;
  BattleObject& m = *w.m;
  // The parked body.
  TakeoverPartnerStep(m);
  EXPECT_EQ(m.posX, 256000);
  a.facing = a.wantedFacing = 1;
  a.posX = 1234;
  a.posY = -567;
  a.velX = 89;
  a.hitStop = 7;
  a.reaction[3] = 42;
  a.pendingHitRect[7] = ScreenRect{1, 2, 3, 4};
  a.hitReaction = 9;
  a.airJumps = 2;
  a.finishKind = 1;
  a.life = 0;
  a.circuit = 4321;
  a.charaIndex = 7;
  a.actionCounters[0] = 3;
  PairWorld::Enter(a, 60, 1);
  // Links to the old body: a character's target, and a pool object's target, hold, shield
  // link and parent.
  w.foe->target = &a;
  ObjectPoolSlot& slot = g_ObjectPool[3];
  slot.inUse = 1;
  NotePoolSlotTaken(slot);
  slot.obj.target = &a;
  slot.obj.heldObject = &a;
  slot.obj.shieldedAttacker = &a;
  slot.obj.parent = &a;
  a.target = w.foe;
  static int deaths = 0;
  deaths = 0;
  // The old body's knock-out effect asks whether a takeover is due: counted there.
  a.playerRecord->ext.commandTable = std::make_unique<CharaCommandTable>();
  a.playerRecord->ext.commandTable->koEffect = 5;
  g_BattleSeams.IsTakeoverDue = [](BattleObject*) {
    ++deaths;
    return 0;
  };
  // Held by a throw: waits.
  w.Side().partnerControl = 1;
  a.held = 1;
  TakeoverPartnerStep(m);
  EXPECT_EQ(w.Side().partnerControl, 1);
  a.held = 0;
  TakeoverPartnerStep(m);
  EXPECT_EQ(w.Side().partnerControl, 255);
  EXPECT_EQ(w.Side().activePlayer, 2);
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(m.posX, 1234);
  EXPECT_EQ(m.posY, -567);
  EXPECT_EQ(m.velX, 89);
  EXPECT_EQ(m.facing, 1);
  EXPECT_EQ(m.hitStop, 7);
  EXPECT_EQ(m.reaction[3], 42);
  EXPECT_EQ(m.pendingHitRect[7].y2, 4);
  EXPECT_EQ(m.hitReaction, 9);
  EXPECT_EQ(m.airJumps, 2);
  EXPECT_EQ(m.finishKind, 1);
  EXPECT_EQ(m.pattern, 60);
  EXPECT_EQ(m.frame, 1);
  EXPECT_EQ(m.hitsTaken, -1);
  // Identity, gauges and counters are not taken (the gauges are shared by the step itself).
  EXPECT_EQ(m.charaIndex, 0);
  EXPECT_EQ(m.actionCounters[0], 0);
  EXPECT_EQ(m.circuit, 4321);
  EXPECT_EQ(m.playerIndex, 2);
  EXPECT_EQ(w.foe->target, &m);
  EXPECT_EQ(slot.obj.target, &m);
  EXPECT_EQ(slot.obj.heldObject, &m);
  EXPECT_EQ(slot.obj.shieldedAttacker, &m);
  EXPECT_EQ(slot.obj.owner, &m);
  EXPECT_EQ(slot.obj.creditOwner, &m);
  EXPECT_EQ(slot.obj.parent, &a);
  EXPECT_EQ(a.target, nullptr);
  EXPECT_EQ(a.partnerState, 1);
  EXPECT_EQ(m.partnerState, 0);
  // Neither a partner-contact raise (256) nor a new knock-out starts another one this round.
  ++w.Side().partnerControl;
  TakeoverPartnerStep(a);
  EXPECT_EQ(w.Side().activePlayer, 2);
  EXPECT_EQ(deaths, 1);
}

// Every scalar and array field of the record by name, as a byte range.
struct FieldBytes {
  std::string name;
  size_t offset, size;
  bool pointer;
};
std::vector<FieldBytes> ObjectFields() {
  std::vector<FieldBytes> v;
#define SCALAR(type, name) v.push_back({#name, offsetof(BattleObject, name), sizeof(type), false});
#define ARRAY(type, name, n) v.push_back({#name, offsetof(BattleObject, name), sizeof(type) * (n), false});
#define POINTER(type, name) v.push_back({#name, offsetof(BattleObject, name), sizeof(type), true});
#define POINTERS(type, name, n) v.push_back({#name, offsetof(BattleObject, name), sizeof(type) * (n), true});
  BATTLE_OBJECT_FIELDS(SCALAR, ARRAY, POINTER, POINTERS)
#undef SCALAR
#undef ARRAY
#undef POINTER
#undef POINTERS
  return v;
}

// The takeover body takes exactly the listed action state of the old body and the shared gauges;
// every other field of its own stays, but for the few the takeover sets itself.
TEST_F(Partners, TakeoverTakesExactlyTheListedFields) {
  const std::set<std::string> taken = {
      "posX", "posY", "prevPosX", "prevPosY", "facing", "wantedFacing", "velX", "velY", "accX", "accY",
      "velXStop", "hitVelX", "hitVelY", "hitAccX", "hitAccY", "inertiaX", "inertiaSource", "inertiaDecay",
      "inertiaPattern", "throwOffsetX", "throwOffsetY", "contactFlags", "childContactFlags", "reactionNew",
      "reactionFrames", "reaction", "pendingReaction", "pattern", "frame", "pendingPattern",
      "pendingPriority", "conditionsPending", "effectsPending", "hitVectorFresh", "hitStop", "hitStopPass",
      "attackConnected", "pendingHitStop", "held", "downState", "burstBlock", "juggleWeight", "strikeInvuln",
      "throwInvuln", "noHitFrames", "jumpStartFrames", "airSteps", "heldSteps", "untechTime", "hitFrames",
      "recoveryFlags", "airRecoveryAllowed", "groundRecoveryAllowed", "techInvuln", "hitSteps", "hitReaction",
      "hitVectorStep", "hitVectorFacing", "hitVector", "patternHold", "finishKind", "airJumps",
      "throwClashFrames", "throwConnected", "hitStopLength", "pendingHitCount", "statusKind", "statusTimer",
      "hitsTaken", "stepFrames", "stepped", "finishCheck", "landed", "landingJump", "pendingHitAttack",
      "pendingHitRect", "pendingHitAttacker",
      // the shared gauges
      "life", "redLife", "heatTimer", "gaugeMode", "gaugeModeMax", "circuit", "guardGauge", "guardHealRate",
      "guardGaugeState", "guardStopTimer", "guardCount", "guardQualityStop", "guardQuality"};
  // Set by the takeover itself, and the links and frame pointers it moves or refreshes.
  const std::set<std::string> set = {"rotationPivotX", "rotationPivotY", "rotation", "partnerState",
                                     "parent",         "patternRec",     "frameRec", "attackRec"};
  const std::vector<FieldBytes> fields = ObjectFields();
  size_t known = 0;
  for (const FieldBytes& f : fields) known += taken.count(f.name);
  ASSERT_EQ(known, taken.size()) << "a listed field is missing from the record";

  PairWorld w;
  g_TagType = 255;
  BattleObject& a = *w.a;
  BattleObject& m = *w.m;
  // Distinct bytes in every non-pointer field of both bodies; then the few that must make sense.
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].pointer) continue;
    std::memset(reinterpret_cast<char*>(&a) + fields[i].offset, static_cast<int>(0x10 + i % 0x60),
                fields[i].size);
    std::memset(reinterpret_cast<char*>(&m) + fields[i].offset, static_cast<int>(0x70 + i % 0x60),
                fields[i].size);
  }
  Han6AttackData attack;
  for (BattleObject* o : {&a, &m}) {
    o->kind = 0;
    o->side = 0;
    o->type = 0;
    o->playerIndex = o == &a ? 0 : 2;
  }
  a.held = 0;
  PairWorld::Enter(a, 60, 1);
  for (int i = 0; i < kPendingHits; ++i) {
    a.pendingHitAttack[i] = &attack;
    a.pendingHitAttacker[i] = w.foe;
    m.pendingHitAttack[i] = nullptr;
    m.pendingHitAttacker[i] = nullptr;
  }
  const BattleObject aBefore = a;
  const BattleObject mBefore = m;
  w.Side().partnerControl = 1;
  TakeoverPartnerStep(m);
  ASSERT_EQ(w.Side().partnerControl, 255);

  const auto bytes = [](const BattleObject& o, const FieldBytes& f) {
    const char* p = reinterpret_cast<const char*>(&o) + f.offset;
    return std::string(p, f.size);
  };
  // Step 5 of the takeover writes these after the copy.
  const std::set<std::string> reset = {"held", "hitFrames", "hitVectorStep", "hitsTaken"};
  for (const FieldBytes& f : fields) {
    if (set.count(f.name)) continue;
    if (reset.count(f.name)) continue;
    const BattleObject& expected = taken.count(f.name) ? aBefore : mBefore;
    EXPECT_EQ(bytes(m, f), bytes(expected, f)) << f.name;
    if (f.name != "target" && f.name != "heldObject" && f.name != "shieldedAttacker") {
      EXPECT_EQ(bytes(a, f), bytes(aBefore, f)) << "the old body's " << f.name;
    }
  }
  EXPECT_EQ(m.held, 0);
  EXPECT_EQ(m.hitFrames, 0);
  EXPECT_EQ(m.hitVectorStep, 0);
  EXPECT_EQ(m.hitsTaken, -1);
  EXPECT_EQ(m.rotation, 0);
  EXPECT_EQ(m.rotationPivotX, 0);
  EXPECT_EQ(m.rotationPivotY, 0);
  EXPECT_EQ(m.parent, nullptr);
  EXPECT_EQ(m.partnerState, 0);
  EXPECT_EQ(a.partnerState, 1);
}

// The round start gives the side back its first slot and a fresh partner control: the takeover
// that was spent last round can happen again.
TEST_F(Partners, RoundStartAllowsAnotherTakeover) {
  PairWorld w;
  g_TagType = 255;
  w.Side().partnerControl = 1;
  TakeoverPartnerStep(*w.m);
  ASSERT_EQ(w.Side().activePlayer, 2);
  ASSERT_EQ(w.Side().partnerControl, 255);
  w.Side().partnerFrames = 77;
  g_SideStatus[1].partnerControl = 254;
  ResetPartnerRound(0);
  EXPECT_EQ(w.Side().activePlayer, 0);
  EXPECT_EQ(w.Side().partnerControl, 0);
  EXPECT_EQ(w.Side().partnerFrames, 0);
  EXPECT_EQ(g_SideStatus[1].partnerControl, 254);  // only the side asked for
  ResetPartnerRound(1);
  EXPECT_EQ(g_SideStatus[1].partnerControl, 0);
  EXPECT_EQ(g_SideStatus[1].activePlayer, 1);
  // The next round: slot 2 is the waiting body again and takes over once more.
  w.m->partnerState = 1;
  w.a->partnerState = 0;
  PairWorld::Enter(*w.a, 0);
  w.Side().partnerControl = 1;
  TakeoverPartnerStep(*w.m);
  EXPECT_EQ(w.Side().activePlayer, 2);
  EXPECT_EQ(w.Side().partnerControl, 255);
}

TEST_F(Partners, TakeoverIntoAMissingPatternStartsFromTheTop) {
  PairWorld w;
  g_TagType = 255;
  TestFrameData other;
  other.Pattern(0, {Frame(0, 1)});
  w.m->frameData = other.Set();
  PairWorld::Enter(*w.a, 60, 1);
  w.Side().partnerControl = 1;
  TakeoverPartnerStep(*w.m);
  EXPECT_EQ(w.m->pattern, 0);
  EXPECT_EQ(w.m->frame, 0);
  EXPECT_NE(w.m->frameRec, nullptr);
}

// The tag call through whole battle frames: the waiting member enters in the frame after the
// call, the exchange happens at the start of the next one, and from then on the member that
// left is the one the partner step drives.
TEST_F(Partners, TagCallThroughBattleFrames) {
  InstallGaugeAndPartnerSeams();
  g_BattleSeams.CanCancel = [](BattleObject*, int) { return 1; };
  PairWorld w(0x101);
  g_BattlePhase = 1;
  w.m->circuit = 0;
  w.a->circuit = 9000;
  ASSERT_EQ(PartnerCall(*w.a), 1);
  EXPECT_EQ(w.Side().partnerControl, 200);
  RunBattleFrame();
  EXPECT_EQ(w.Side().partnerControl, 255);
  EXPECT_EQ(w.Side().activePlayer, 0);
  EXPECT_EQ(w.m->circuit, 9000);  // the waiting member shares the meter
  RunBattleFrame();
  EXPECT_EQ(w.Side().activePlayer, 2);
  EXPECT_EQ(w.Side().partnerControl, 100);
  EXPECT_EQ(w.a->partnerState, 1);
  EXPECT_EQ(w.m->partnerState, 0);
  EXPECT_EQ(w.a->strikeInvuln, 2);  // the leaving member is driven by the partner step now
}

}  // namespace
