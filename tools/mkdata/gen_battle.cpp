// Battle sample data: the second sample character ("duelist", a blocky figure in its own
// colours with the moves the battle engine plays: stand, walks, crouch, turns, guards, jumps
// and air jumps with gravity and landing, six ground and three air attacks that chain by rank,
// reactions, a tumble, a projectile special, a rising special, a meter special that throws two
// projectiles, dash and backdash, a ground throw with its held and escape patterns, and for the
// round an intro, win and lose poses, a super with its freeze and a heat start), the
// command files of both sample characters, ".\data\_Type.txt" with
// all ten type sections, ".\data\vector.txt" with the vectors the engine names, the common
// effects the engine spawns by number, and ".\charaselect.txt" listing the select's roster.
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "Dxtools/BmpcutFiles/cut_sprite_palette.h"
#include "Dxtools/Han6Files/han6_project.h"
#include "Dxtools/IniFile.h"
#include "battle/battle_tables.h"
#include "battle/battle_text.h"
#include "battle/story_routes.h"
#include "han6_builder.h"
#include "mkdata.h"
#include "sample_roster.h"

namespace {

using mkdata::BoxDef;
using mkdata::CanvasSprite;
using mkdata::FrameDef;
using mkdata::IndexCanvas;
using mkdata::PatternDef;

enum : uint8_t { kInk = 1, kArmour, kTrim, kVisor, kFist };

// Sprite numbers.
enum : int16_t {
  kStand = 0,  // 0..1
  kWalk = 10,  // 10..11
  kCrouch = 20,
  kJump = 30,
  kGuard = 40,
  kJab = 50,   // 50 wind-up, 51 extended
  kKick = 60,  // 60, 61
  kHurt = 70,
  kTumble = 80,
  kOrb = 90,  // 90, 91
};

constexpr int kW = 96, kH = 160, kFeetX = 48, kFeetY = 156;

CutSpritePalette Palette(int way) {
  static const uint8_t armour[4][3] = {{60, 110, 170}, {170, 60, 60}, {80, 150, 80}, {150, 150, 160}};
  CutSpritePalette p{};
  auto set = [&](int i, uint8_t r, uint8_t g, uint8_t b) {
    p[4 * i] = r;
    p[4 * i + 1] = g;
    p[4 * i + 2] = b;
    p[4 * i + 3] = 255;
  };
  set(kInk, 0, 0, 0);
  set(kArmour, armour[way][0], armour[way][1], armour[way][2]);
  set(kTrim, 230, 200, 90);
  set(kVisor, 120, 240, 250);
  set(kFist, 200, 200, 210);
  return p;
}

// A blocky figure: crouch lowers the body, lean shifts the head, reach extends an arm or leg.
CutSpriteImage Figure(int number, const char* name, int crouch, int lean, int armReach, int legReach,
                      int stride) {
  IndexCanvas c(kW, kH);
  const int top = 20 + crouch;
  auto box = [&](int x0, int y0, int x1, int y1, uint8_t v) {
    c.Rect(x0 - 1, y0 - 1, x1 + 1, y1 + 1, kInk);
    c.Rect(x0, y0, x1, y1, v);
  };
  box(kFeetX - 16 - stride, top + 70, kFeetX - 6 - stride, kFeetY, kArmour);  // back leg
  box(kFeetX + 6 + stride, top + 70, kFeetX + 16 + stride + legReach, kFeetY - legReach / 2, kArmour);
  box(kFeetX - 20, top + 24, kFeetX + 20, top + 72, kArmour);  // torso
  c.Rect(kFeetX - 20, top + 66, kFeetX + 20, top + 70, kTrim);
  box(kFeetX - 13 + lean, top, kFeetX + 13 + lean, top + 22, kArmour);  // head
  c.Rect(kFeetX - 2 + lean, top + 7, kFeetX + 11 + lean, top + 12, kVisor);
  box(kFeetX + 10, top + 30, kFeetX + 22 + armReach, top + 40, kArmour);  // arm
  box(kFeetX + 20 + armReach, top + 28, kFeetX + 30 + armReach, top + 42, kFist);
  return CanvasSprite(number, name, 0, kW, kH, kFeetX, kFeetY, std::move(c.pixels));
}

CutSpriteImage Orb(int number, int r) {
  IndexCanvas c(32, 32);
  c.Ball(16, 16, static_cast<float>(r), kVisor, kInk);
  return CanvasSprite(number, "orb", 0, 32, 32, 16, 16, std::move(c.pixels));
}

const BoxDef kPush{-16, -120, 16, 0};
const BoxDef kHurtHigh{-20, -140, 20, 0};
const BoxDef kHurtLow{-20, -90, 20, 0};

Han6FrameState State(uint8_t stance, bool free, std::optional<Han6Motion> motion = std::nullopt) {
  Han6FrameState s = mkdata::StandingState(stance, free);
  s.motion = motion;
  return s;
}

Han6Motion Move(uint8_t flags, int16_t vx, int16_t vy, int16_t ax, int16_t ay) {
  Han6Motion m;
  m.flags = flags;
  m.velocityX = vx;
  m.velocityY = vy;
  m.accelerationX = ax;
  m.accelerationY = ay;
  return m;
}

// A state with its cancel classes: normal attacks (ASCN) and specials and supers (ASCS).
Han6FrameState Cancels(Han6FrameState s, uint8_t normal, uint8_t special) {
  s.ascn = normal;
  s.ascs = special;
  return s;
}

FrameDef& Frame(PatternDef& p, int16_t sprite, uint16_t duration, Han6FrameState state) {
  FrameDef& f = p.Frame(sprite, duration);
  f.hurt = {kPush, state.stance == 2 ? kHurtLow : kHurtHigh};
  f.state = state;
  return f;
}

// An attack record: damage, level, guard bits, hit vectors per stance of the one struck and
// the spark row. Recoverable damage is half the damage, the guard gauge takes as much as the
// damage, meter is a tenth; guards use the guard-stun vectors of the stance (20 standing, 21
// crouching, 22 in the air).
Han6AttackData Attacking(int16_t damage, uint8_t level, int32_t guard, const int16_t (&vectors)[3],
                         int16_t spark) {
  Han6AttackData a = mkdata::Strike(damage, level, vectors[0]);
  a.atgd = guard;
  for (int i = 0; i < 3; ++i) a.hitVectors[i] = vectors[i];
  a.guardVectors[0] = 20;
  a.guardVectors[1] = 22;
  a.guardVectors[2] = 21;
  a.atgs = static_cast<int16_t>(damage / 2);
  a.atkz = damage;
  a.athe[0] = spark;
  a.athe[1] = 0;  // the spark row's sound
  return a;
}

// Common effect patterns (".\data\effect.txt") that the duelist's own data names: the aura its
// super carries (the aura effect value is the pattern + 1) and the motion streak of its rush
// (system code 261 spawns pattern P4 + 64).
constexpr int32_t kAuraPattern = 61;
constexpr int32_t kStreakParam = 1;
constexpr int32_t kStreakPattern = kStreakParam + 64;

Han6Effect MakeEffect(int32_t type, int32_t number, std::initializer_list<int32_t> params) {
  Han6Effect e;
  e.type = type;
  e.number = number;
  int i = 0;
  for (int32_t v : params) e.params[i++] = v;
  return e;
}

// Box slot 11 holds a frame's clash box; the slots between hold boxes of no size, which meet
// nothing.
void ClashBox(FrameDef& f, BoxDef box) {
  while (f.hurt.size() < 11) f.hurt.push_back({0, 0, 0, 0});
  f.hurt.push_back(box);
}

// What a round needs beyond fighting: the intro, the win and lose poses, the super with its
// freeze, aura and streak, and the heat start.
void DeclareRoundPatterns(std::vector<PatternDef>& ps) {
  auto pat = [&](int n, const char* title) -> PatternDef& { return ps.emplace_back(n, title); };
  const Han6Motion halt = Move(0x11, 0, 0, 0, 0);
  {
    // The intro: the round waits for its last frame to mark the intro done (6/254); it then
    // stands in pattern 0 like every fighter that has no intro.
    auto& p = pat(50, "intro");
    Frame(p, kCrouch, 24, State(0, false, halt));
    Frame(p, kGuard, 20, State(0, false));
    Frame(p, kJab + 1, 30, State(0, false));
    Frame(p, kStand, 8, State(0, false)).effects.push_back(MakeEffect(6, 254, {}));
    p.EndInto(0);
  }
  {
    auto& p = pat(52, "win pose");
    Frame(p, kJab, 10, State(0, false, halt));
    Frame(p, kJab + 1, 50, State(0, false));
    Frame(p, kStand, 20, State(0, false));
    p.EndInto(0);
  }
  {
    auto& p = pat(248, "lose pose");
    Frame(p, kHurt, 40, State(0, false, halt));
    Frame(p, kCrouch, 40, State(2, false));
    p.EndInto(0);
  }
  {
    // "214D": a rush. The start shows the portrait and freezes the battle for 40 frames
    // (system code 50; P2 0 is not the "no freeze" 3, P3 0 is cut-in slot 0 and, as the freeze's
    // own P3, a global freeze of P4 frames) and lights the aura for the rest of the move.
    auto& p = pat(140, "super rush");
    FrameDef& start = Frame(p, kGuard, 6, State(0, false, halt));
    start.effects.push_back(MakeEffect(2, 50, {0, -80, 0, 0, 40}));
    start.effects.push_back(MakeEffect(6, 0, {kAuraPattern}));
    // The rush leaves a streak behind it (system code 261, stretched by distance / 256 / P3).
    FrameDef& rush = Frame(p, kWalk, 10, State(0, false, Move(0x11, 1600, 0, 0, 0)));
    rush.effects.push_back(MakeEffect(2, 261, {0, -70, 0, 1, kStreakParam}));
    Han6FrameState strike = State(0, false, halt);
    strike.asaa = 1;
    FrameDef& hit = Frame(p, kJab + 1, 6, strike);
    hit.attack = {{16, -120, 80, -60}};
    hit.hit = Attacking(1500, 5, 0x7, {13, 13, 13}, 2);
    hit.hit->atf1 = 0x4;  // knocks down
    hit.hit->atkk = 3;    // and leaves the struck one with status mark 3
    Frame(p, kJab, 20, State(0, false));
    p.EndInto(0);
  }
  {
    // The heat start of "A+B+C" (the spark pattern 260): system code 26 switches the gauge
    // mode and spawns the start effects.
    auto& p = pat(260, "heat start");
    Frame(p, kGuard, 20, State(0, false, halt)).effects.push_back(MakeEffect(2, 26, {0, -70}));
    Frame(p, kStand, 10, State(0, false));
    p.EndInto(0);
  }
}

// Declares the patterns; `landing` lists (pattern, frame) pairs whose frames land into pattern 0.
void DeclareDuelist(std::vector<PatternDef>& ps) {
  const Han6Motion halt = Move(0x11, 0, 0, 0, 0);
  auto pat = [&](int n, const char* title) -> PatternDef& { return ps.emplace_back(n, title); };
  {
    auto& p = pat(0, "stand");
    Frame(p, kStand, 12, State(0, true, halt));
    Frame(p, kStand + 1, 12, State(0, true));
    p.Loop(0);
  }
  {
    auto& p = pat(10, "walk forward");
    Frame(p, kWalk, 8, State(0, true, Move(0x10, 384, 0, 0, 0)));
    Frame(p, kWalk + 1, 8, State(0, true));
    p.Loop(0);
  }
  {
    auto& p = pat(11, "walk back");
    Frame(p, kWalk + 1, 9, State(0, true, Move(0x10, -288, 0, 0, 0)));
    Frame(p, kWalk, 9, State(0, true));
    p.Loop(0);
  }
  {
    auto& p = pat(12, "crouch down");
    Frame(p, kCrouch, 3, State(2, false, halt));
    p.EndInto(13);
  }
  {
    // Base movement keeps a crouch while the stick stays down; with the stick released the
    // crouch's own input condition stands the character up.
    auto& p = pat(13, "crouch");
    FrameDef& f = Frame(p, kCrouch, 30, State(2, true, halt));
    Han6Condition release;
    release.type = 7;
    release.params[0] = 0;    // stick neutral
    release.params[1] = 255;  // whatever the buttons
    release.params[2] = 14;   // stand up
    f.conditions.push_back(release);
    p.Loop(0);
  }
  {
    auto& p = pat(14, "stand up");
    Frame(p, kCrouch, 3, State(2, false));
    p.EndInto(0);
  }
  {
    auto& p = pat(15, "turn");
    Frame(p, kStand, 3, State(0, false, halt));
    p.EndInto(0);
  }
  {
    auto& p = pat(16, "crouch turn");
    Frame(p, kCrouch, 3, State(2, false, halt));
    p.EndInto(13);
  }
  {
    auto& p = pat(17, "guard");
    Frame(p, kGuard, 12, State(0, false, halt));
    p.EndInto(0);
  }
  {
    auto& p = pat(18, "crouch guard");
    Frame(p, kGuard, 12, State(2, false, halt));
    p.EndInto(13);
  }
  // Jumps forward, up and back (base movement requests them for 9, 8 and 7).
  const int16_t jumpX[3] = {320, 0, -320};
  for (int j = 0; j < 3; ++j) {
    auto& p = pat(35 + j, j == 0 ? "jump forward" : j == 1 ? "jump up" : "jump back");
    Frame(p, kCrouch, 3, State(0, false, halt));
    Frame(p, kJump, 200, State(1, true, Move(0x11, jumpX[j], -2200, 0, 150)));
    p.EndInto(0);
  }
  // The normals. Levels set the hit stop (vector.txt's row by level); a strike's hit vectors are
  // per stance of the one struck (standing, air, crouching) and so are its guard vectors.
  // Stand B and the air normals are overheads (no crouching guard), crouch B is a low (no
  // standing guard), the rest are guardable everywhere; crouch C launches.
  struct Attack {
    int n;
    const char* title;
    uint8_t stance;
    int16_t sprite;
    int arm;
    int16_t damage;
    uint8_t level;
    int32_t guard;
    int16_t vectors[3];
    int16_t spark;
  };
  const Attack attacks[] = {{1, "stand A", 0, kJab, 1, 300, 1, 0x7, {10, 18, 16}, 0},
                            {2, "stand B", 0, kKick, 2, 500, 2, 0x3, {11, 18, 16}, 1},
                            {3, "stand C", 0, kKick, 3, 800, 4, 0x7, {12, 18, 17}, 2},
                            {4, "crouch A", 2, kJab, 1, 280, 1, 0x7, {10, 18, 16}, 0},
                            {5, "crouch B", 2, kKick, 2, 450, 2, 0x6, {11, 18, 16}, 1},
                            {6, "crouch C", 2, kKick, 3, 700, 5, 0x7, {33, 33, 33}, 6},
                            {7, "air A", 1, kJab, 1, 300, 2, 0x3, {10, 18, 16}, 3},
                            {8, "air B", 1, kKick, 2, 500, 3, 0x3, {11, 18, 16}, 4},
                            {9, "air C", 1, kKick, 3, 750, 4, 0x3, {12, 18, 17}, 5}};
  for (const Attack& a : attacks) {
    auto& p = pat(a.n, a.title);
    const bool air = a.stance == 1;
    // The wind-up is a counter-hit window.
    Han6FrameState windUp = State(a.stance, false, air ? std::nullopt : std::optional(halt));
    windUp.asct = 1;
    Frame(p, a.sprite, static_cast<uint16_t>(2 + a.arm), windUp);
    // From the strike on: A and B chain into a stronger normal even on a miss, every normal
    // cancels into a special once it has made contact.
    Han6FrameState active = Cancels(State(a.stance, false), a.arm < 3 ? 2 : 0, 1);
    active.asaa = 1;
    active.asct = 1;
    FrameDef& hit = Frame(p, static_cast<int16_t>(a.sprite + 1), 3, active);
    hit.attack = {{16, a.stance == 2 ? -70 : -110, 40 + 12 * a.arm, a.stance == 2 ? -50 : -90}};
    hit.hit = Attacking(a.damage, a.level, a.guard, a.vectors, a.spark);
    if (a.n == 3) {
      // Standing C's swing meets an opposing swing in front of the body: two of them clash.
      ClashBox(hit, {16, -120, 56, -80});
    }
    Frame(p, a.sprite, static_cast<uint16_t>(4 + 3 * a.arm),
          Cancels(State(a.stance, false), a.arm < 3 ? 2 : 0, 1));
    p.EndInto(a.stance == 2 ? 13 : 0);
    if (air) p.Frames().back().endAction = 3;  // held until the landing ends it
  }
  {
    auto& p = pat(20, "hit high");
    Frame(p, kHurt, 14, State(0, false, Move(0x11, -200, 0, 20, 0)));
    p.EndInto(0);
  }
  {
    auto& p = pat(19, "air guard");
    Frame(p, kGuard, 200, State(1, false));
    p.EndInto(0);
  }
  {
    // The knock-out fall and the lying figure it lands into.
    auto& p = pat(27, "knocked out");
    Frame(p, kTumble, 200, State(1, false, Move(0x11, 0, -600, 0, 150)));
    p.EndInto(29);
  }
  {
    // Lying still: the judge counts a knocked-out fighter as landed once 6/255 has set its pose
    // flag.
    auto& p = pat(29, "down");
    Frame(p, kTumble, 60, State(2, false, halt)).effects.push_back(MakeEffect(6, 255, {}));
    p.Loop(0);
  }
  {
    auto& p = pat(21, "hit low");
    Frame(p, kHurt, 14, State(2, false, Move(0x11, -200, 0, 20, 0)));
    p.EndInto(13);
  }
  {
    // The knock-down reaction: its motion record takes both axes of a hit vector's motion
    // (with y only, the x part would wait for the next frame that sets x, the landing's stand).
    auto& p = pat(26, "tumble");
    Frame(p, kTumble, 200, State(1, false, Move(0x11, 0, -600, 0, 150)));
    p.EndInto(0);
  }
  {
    auto& p = pat(100, "orb throw");
    Frame(p, kJab, 8, State(0, false, halt));
    FrameDef& fire = Frame(p, kJab + 1, 16, State(0, false));
    Han6Effect e;
    e.type = 1;
    e.number = 300;    // relative: 300 past the spawner's pattern 100 is the orb, 400
    e.params[0] = 60;  // in front of the hand
    e.params[1] = -100;
    e.params[3] = 0x0004;  // gone when its own state becomes free
    fire.effects.push_back(e);
    Frame(p, kJab, 10, State(0, false));
    p.EndInto(0);
  }
  {
    auto& p = pat(400, "orb");
    for (int i = 0; i < 20; ++i) {
      FrameDef& f = p.Frame(static_cast<int16_t>(kOrb + (i & 1)), 3);
      f.state = State(0, false, i == 0 ? std::optional(Move(0x11, 1024, 0, 0, 0)) : std::nullopt);
      if (i == 0) f.state->asaa = 1;  // one hit, counted from its launch
      f.attack = {{-12, -12, 12, 12}};
      // A special: a guard still costs an eighth of its damage.
      f.hit = Attacking(400, 2, 0x7, {10, 18, 16}, 1);
      f.hit->atf1 = 0x1;
    }
    FrameDef& end = p.Frame(kOrb, 1);
    end.state = State(0, true);
    p.EndInto(0);
  }
  // Air jumps (forward, up, back): a second rise from wherever the character is.
  for (int j = 0; j < 3; ++j) {
    static constexpr int16_t kAirX[3] = {320, 0, -320};
    auto& p = pat(38 + j, j == 0 ? "air jump forward" : j == 1 ? "air jump up" : "air jump back");
    Frame(p, kJump, 200, State(1, true, Move(0x11, kAirX[j], -1800, 0, 150)));
    p.EndInto(0);
  }
  {
    auto& p = pat(45, "dash");
    Frame(p, kWalk, 14, State(0, false, Move(0x11, 1400, 0, -90, 0)));
    Frame(p, kStand, 4, State(0, false, halt));
    p.EndInto(0);
  }
  {
    auto& p = pat(46, "backdash");
    Frame(p, kWalk + 1, 16, State(0, false, Move(0x11, -1200, 0, 70, 0)));
    Frame(p, kStand, 4, State(0, false, halt));
    p.EndInto(0);
  }
  {
    // The ground throw: a reach for the opponent; on a catch frame 2 takes hold, frame 3
    // damages, frame 4 throws the victim down the screen with a knockdown vector.
    auto& p = pat(110, "throw");
    FrameDef& reach = Frame(p, kJab + 1, 3, State(0, false, halt));
    Han6Condition attempt;
    attempt.type = 52;
    attempt.params[0] = 2;  // the catch frame
    attempt.params[1] = 0;  // the ground entry of the command file
    reach.conditions.push_back(attempt);
    Frame(p, kJab, 14, State(0, false));  // missed
    p.Frames().back().endAction = 0;
    p.Frames().back().jump = 0;
    FrameDef& hold = Frame(p, kJab + 1, 10, State(0, false));
    Han6Effect take;
    take.type = 4;
    take.number = 28;     // the victim's held pattern
    take.params[0] = 40;  // in front of the thrower
    hold.effects.push_back(take);
    FrameDef& damage = Frame(p, kKick + 1, 8, State(0, false));
    Han6Effect dmg;
    dmg.type = 5;
    dmg.number = 1;
    dmg.params[0] = 1200;  // damage
    dmg.params[2] = 8;     // hit-stop
    dmg.params[5] = 300;   // red damage
    damage.effects.push_back(dmg);
    FrameDef& release = Frame(p, kKick, 12, State(0, false));
    Han6Effect let;
    let.type = 4;
    let.number = 26;  // thrown into the tumble
    let.params[0] = 60;
    let.params[3] = 0x05;  // released at once, on the ground
    let.params[4] = 13;    // the knockdown vector
    let.params[5] = 40;    // reaction time
    release.effects.push_back(let);
    p.EndInto(0);
  }
  {
    auto& p = pat(28, "held");
    Frame(p, kHurt, 200, State(0, false));
    p.EndInto(0);
  }
  {
    // The recoveries after a hit: a roll on the ground, a flip in the air that lands. Their
    // first frames carry a motion record, which takes the recovery vector's pending motion.
    auto& p = pat(290, "ground recovery");
    Frame(p, kCrouch, 14, State(2, false, halt));
    Frame(p, kStand, 4, State(0, false, halt));
    p.EndInto(0);
  }
  {
    auto& p = pat(291, "air recovery");
    Frame(p, kJump, 200, State(1, false, halt));
    p.EndInto(0);
  }
  {
    auto& p = pat(280, "throw escaped");
    Frame(p, kGuard, 10, State(0, false, Move(0x11, -600, 0, 40, 0)));
    p.EndInto(281);
  }
  {
    auto& p = pat(281, "escape recovery");
    Frame(p, kStand, 6, State(0, false, halt));
    p.EndInto(0);
  }
  {
    // A guard crushed while crouching: the stagger that the crush reaction holds for 60 steps,
    // then its recovery. (Standing, the crush shares 280 and 281 with the throw escape.)
    auto& p = pat(282, "crouching guard crushed");
    Frame(p, kHurt, 60, State(2, false, halt));
    p.EndInto(283);
  }
  {
    auto& p = pat(283, "crouching crush recovery");
    Frame(p, kCrouch, 6, State(2, false, halt));
    p.EndInto(13);
  }
  {
    // "623C": a rising strike that leaves the ground and lands back into the stand.
    auto& p = pat(130, "rising strike");
    // Armoured through its start-up: a blow taken there does not interrupt it.
    FrameDef& start = Frame(p, kCrouch, 4, State(0, false, halt));
    Han6Effect armour;
    armour.type = 6;
    armour.number = 10;
    armour.params[0] = 0;
    armour.params[1] = 4;
    start.effects.push_back(armour);
    Han6FrameState rise = State(1, false, Move(0x11, 200, -2000, 0, 150));
    rise.asaa = 1;
    FrameDef& up = Frame(p, kKick + 1, 12, rise);
    up.attack = {{0, -160, 50, -40}};
    up.hit = Attacking(900, 6, 0x7, {13, 13, 13}, 2);
    up.hit->atf1 = 0x4;    // knocks down
    up.hit->atkz = 10000;  // a guard against it takes a full guard gauge: a guard crush
    Frame(p, kTumble, 200, State(1, false));
    p.EndInto(0);
  }
  {
    // The meter special: a larger wind-up that throws two orbs.
    auto& p = pat(120, "double orb");
    Frame(p, kJab, 14, State(0, false, halt));
    FrameDef& fire = Frame(p, kJab + 1, 10, State(0, false));
    for (int i = 0; i < 2; ++i) {
      Han6Effect e;
      e.type = 1;
      e.number = 280;  // relative: the orb, 400
      e.params[0] = 60 + 40 * i;
      e.params[1] = -100;
      e.params[3] = 0x0004;
      fire.effects.push_back(e);
    }
    Frame(p, kJab, 16, State(0, false));
    p.EndInto(0);
  }
  DeclareRoundPatterns(ps);
}

bool WriteDuelist(const std::filesystem::path& root) {
  CutSpriteSheetBuilder sheet(16);
  sheet.SetPalette(Palette(0));
  sheet.Add(Figure(kStand, "stand", 0, 0, 0, 0, 0));
  sheet.Add(Figure(kStand + 1, "stand", 2, 0, 0, 0, 0));
  sheet.Add(Figure(kWalk, "walk", 0, 2, 0, 0, 6));
  sheet.Add(Figure(kWalk + 1, "walk", 0, -2, 0, 0, -4));
  sheet.Add(Figure(kCrouch, "crouch", 40, 0, 0, 0, 4));
  sheet.Add(Figure(kJump, "jump", 10, 0, 4, 10, 0));
  sheet.Add(Figure(kGuard, "guard", 6, -6, -8, 0, 0));
  sheet.Add(Figure(kJab, "jab", 0, 2, 4, 0, 2));
  sheet.Add(Figure(kJab + 1, "jab", 0, 4, 30, 0, 2));
  sheet.Add(Figure(kKick, "kick", 4, -2, 0, 0, 0));
  sheet.Add(Figure(kKick + 1, "kick", 4, -4, 0, 36, 0));
  sheet.Add(Figure(kHurt, "hurt", 6, -10, -6, 0, 0));
  sheet.Add(Figure(kTumble, "tumble", 30, -14, -10, 14, 0));
  sheet.Add(Orb(kOrb, 9));
  sheet.Add(Orb(kOrb + 1, 12));
  const auto cut = WriteCutSpriteFile(sheet.Build());
  std::vector<CutSpritePalette> palettes;
  for (int way = 0; way < 4; ++way) palettes.push_back(Palette(way));
  const auto pal = WritePaletteFile(palettes);

  std::vector<PatternDef> defs;
  DeclareDuelist(defs);
  Han6PatternSet set;
  for (const PatternDef& s : defs) {
    auto p = s.Build();
    // Airborne frames land into pattern 0 (the landing flow flag names a pattern).
    for (Han6Frame& f : p->frames) {
      if (f.state && f.state->stance == 1 && s.Number() != 26) {
        f.flowFlags |= 0x01;
        f.landingTarget = s.Number() == 27 ? 29 : 0;
      }
    }
    // The normal attacks take part in chains, ranked A 1, B 2, C 3.
    if (s.Number() >= 1 && s.Number() <= 9) {
      p->psts = 1;
      p->plvl = (s.Number() - 1) % 3 + 1;
    }
    if (s.Number() == 26) {
      p->frames[0].flowFlags |= 0x01;
      p->frames[0].landingTarget = 0;
    }
    set.patterns[static_cast<size_t>(s.Number())] = std::move(p);
  }
  const auto data = WriteHan6DataFile(set);

  Han6Project project;
  project.projectName = "duelist";
  project.projectPath = ".\\data\\duelist_0.txt";
  project.dataFiles = {"duelist_0.ha6"};
  project.cutSpriteFiles = {"duelist.cut"};
  return mkdata::WriteBytes(root, "data/duelist.cut", cut.data(), cut.size()) &&
         mkdata::WriteBytes(root, "data/duelist.pal", pal.data(), pal.size()) &&
         mkdata::WriteBytes(root, "data/duelist_0.ha6", data.data(), data.size()) &&
         mkdata::WriteText(root, "data/duelist_0.txt", WriteHan6ProjectText(project));
}

// The command file of a sample character. The normal attacks are not in the list: base movement
// starts them and chains them by rank. The tester's list is empty (its frame data has none of
// the duelist's specials, dashes or throw).
std::string CommandFile(bool specials) {
  std::string t = "// id  notation  flagsA    flagsB    pattern cost partner limit air\r\n";
  if (specials)
    t += "0      236C      20000101  0         120     10000 0     0     0\r\n"
         "1      236A      10000101  0         100     0    0       0     0\r\n"
         "2      623C      10000101  0         130     0    0       0     0\r\n"
         "3      606       00001001  0         45      0    0       0     0\r\n"
         "4      404       00001001  0         46      0    0       0     0\r\n"
         "5      214D      20000101  0         140     10000 0     0     0\r\n";
  t += "END\r\n"
       "\r\n";
  t +=
      specials ? "[ThrowParam]\r\nGround=110,48\r\nAir=0,0\r\n" : "[ThrowParam]\r\nGround=0,0\r\nAir=0,0\r\n";
  // Only the duelist has air-jump patterns.
  t += specials ? "[Status]\r\nAirJumpNum=1\r\nCancelDash_Ground=45\r\n" : "[Status]\r\nAirJumpNum=0\r\n";
  t += "CharaGravity_AddY=150\r\nCharaGravity_MaxX=1000\r\n";
  // The duelist takes a little less as its life runs low; its knock-out voice has a rare take.
  t += specials ? "Guard=1.0,0.95,0.9,0.85\r\nKoRareVoice=1\r\n" : "Guard=1.0,1.0,1.0,1.0\r\n";
  t += "[ExComCheck]\r\nNum=0\r\n";
  return t;
}

std::string TypeFile() {
  std::string t =
      "[System]\r\nFloatLimit=1.5\r\nFloatLimitHit=0\r\nUkemiTime_StartVal=0.5\r\nUkemiTime_MinusVal=16\r\n"
      "UkemiTime_LimitVal=4\r\nMC_PlusHoseiStart=0.4\r\nMC_PlusHoseiMax=2.0\r\nMC_ChargeCntPlus=30\r\n"
      "MC_ChargePlus=10\r\nMC_ChargePlusMax=999\r\n";
  static const int kSpark[10] = {0, 1, 2, 0, 1, 2, 8, 9, 8, 0};
  for (int n = 0; n < 10; ++n) {
    // Shield windows: a few frames of exact shield (one fewer in the air), a held shield that
    // costs meter each frame; guarding drains the guard gauge more in the air and from the
    // second guard of a sequence on.
    char s[1024];
    std::snprintf(
        s, sizeof s,
        "[Type_%d]\r\nSparkType=%d\r\nMagicCircuitMax=%d\r\nReverseBeat=1\r\nIsExGuard=1\r\n"
        "ShieldType=%d\r\nExShieldTime_Stand=%d\r\nExShieldTime_Crouch=%d\r\nExShieldTime_Air=%d\r\n"
        "ShieldKeepTime=20\r\nShieldCost=%d\r\nHeat_HpPlus=12\r\nSableHeat_HpPlus=20\r\n"
        "DamageVal_Air=0.88\r\nDamageVal_Crouch=1.08\r\nGuardVal_Ground=1.0\r\nGuardVal_Air=1.25\r\n"
        "GuardVal_Crouch=1.0\r\nGQ_StopVal=180\r\nGQ_RecoverVal=0.002\r\n"
        "GQ_MaxVal=2.0\r\nGG_MaxVal=10000\r\nGG_HealVal=0\r\nGG_HealPlusVal=0.02\r\nGG_RecoverVal=180\r\n"
        "GG_StopVal=360\r\nGG_CorrectVal=1.1\r\nIsReduce=1\r\nMC_PlusVal=1.0\r\nMC_GuardPlus=1\r\n"
        "VSDamageVal=1.0\r\nDamageVal_Ground=1.0\r\nAttackRatio_Heat=1.1\r\nDefenceRatio_Heat=0.9\r\n"
        "AttackRatio_SableHeat=1.05\r\nDefenceRatio_SableHeat=0.95\r\nAttackRatio_Max=1.2\r\n"
        "DefenceRatio_Max=0.85\r\n",
        n, kSpark[n], n == 2 || n == 8 ? 20000 : 30000, n % 3, 4 + n % 2, 4 + n % 2, 3, 20 + 5 * (n % 3));
    t += s;
  }
  return t;
}

std::string VectorFile() {
  // Motion vectors: id vx vy ax ay. A hit, guard, throw or knock-out applies its vector in the
  // attacker's facing, so a positive x carries the one struck away from the attacker; the
  // recoveries (90..95), the throw escape's push (1) and the air guard crush (32) are applied in
  // the character's own facing, where a negative x moves it back.
  std::string t =
      "0 0 0 0 0\r\n"
      "1 -600 0 40 0\r\n"
      "2 900 -1600 0 140\r\n"
      "3 -400 -2400 0 150\r\n"
      "4 1200 0 -60 0\r\n"
      "5 0 -900 0 150\r\n"
      "6 0 0 0 0\r\n"
      "7 -900 0 60 0\r\n"
      "8 900 0 -60 0\r\n"
      "9 500 -1300 0 150\r\n"
      "10 0 -1500 0 150\r\n"
      "11 -500 -1300 0 150\r\n"
      "12 300 0 -20 0\r\n"
      "13 700 -1200 0 150\r\n"
      "14 600 0 -40 0\r\n"
      "15 500 -1300 0 150\r\n"
      "16 400 -2400 0 150\r\n"
      "END\r\n";
  // Hit vectors: id name n invuln level replacement fifth (untech time; above 0 a knock-out
  // redirects the vector into 99); sub-lines: motion pattern pattern2 stun pushLength flags
  // (0x8 no push).
  const char* entries[] = {
      // The knock-out without a vector of its own, the finishing blow on a spent reaction and
      // the knock-out fall.
      "0 ko 1 8 9 0 0\r\n13 27 27 0 0 10000\r\n",
      "98 finish 2 8 9 0 24\r\n2 26 26 0 30 10000\r\n5 26 26 40 0 10100\r\n",
      "99 ko_fall 1 8 9 0 0\r\n13 27 27 0 0 10000\r\n",
      "1 recoil 1 8 0 0 0\r\n1 20 21 14 10 0\r\n",
      "2 heavy_fall 2 8 4 0 20\r\n2 26 26 0 20 10000\r\n5 26 26 20 0 10100\r\n",
      "7 wall_leave 1 8 0 0 0\r\n4 26 26 0 0 10000\r\n",
      // The throw's hold: no motion, no push.
      "8 held 1 0 0 0 0\r\n0 28 28 0 0 1000\r\n",
      // The guard crush in the air: up and back.
      "32 air_crush 2 8 5 0 16\r\n3 26 26 0 20 10000\r\n5 26 26 20 0 10000\r\n",
      // Crouch C's launch: up and away, a falling reaction (negative reaction frames) in which
      // the hit frames count on towards the untech time, so the air recovery opens.
      "33 launch 2 8 5 0 16\r\n16 26 26 -1 20 10000\r\n5 26 26 20 0 10000\r\n",
      // Standing reactions (a knock-out on them falls through 99); a weaker blow on a heavier reaction keeps
      // the heavier one's
      // replacement (light on heavy gives medium).
      "10 light 1 8 1 0 10\r\n14 20 20 12 10 0\r\n",
      "11 medium 1 8 2 0 10\r\n14 20 20 16 12 0\r\n",
      "12 heavy 1 8 4 11 10\r\n4 20 20 20 14 0\r\n",
      "13 knockdown 2 8 6 0 20\r\n2 26 26 0 20 10000\r\n5 26 26 30 0 10100\r\n",
      "14 wall_bounce 2 8 3 0 0\r\n4 26 26 0 20 1\r\n2 26 26 30 0 10000\r\n",
      "15 sweep 1 8 2 0 0\r\n5 26 26 30 0 10000\r\n",
      // Crouching reactions, light and heavy, and the air hit.
      "16 crouch_light 1 8 1 0 10\r\n12 21 21 12 10 0\r\n",
      "17 crouch_heavy 1 8 4 16 10\r\n14 21 21 20 14 0\r\n",
      "18 air_hit 2 8 2 0 12\r\n15 26 26 0 10 10000\r\n5 26 26 12 0 10000\r\n",
      // Guard stun standing, crouching and in the air (the guarding variant is the reaction).
      "20 guard 1 8 0 0 0\r\n12 17 17 10 8 0\r\n",
      "21 crouch_guard 1 8 0 0 0\r\n12 18 18 10 8 0\r\n",
      "22 air_guard 1 8 0 0 0\r\n0 19 19 10 0 1000\r\n",
      // The recoveries (90 + kind): on the ground up, back, forward; in the air forward, neutral,
      // back.
      "90 tech_up 1 0 0 0 0\r\n6 290 290 0 0 0\r\n",
      "91 tech_back 1 0 0 0 0\r\n7 290 290 0 0 0\r\n",
      "92 tech_forward 1 0 0 0 0\r\n8 290 290 0 0 0\r\n",
      "93 air_tech_forward 1 0 0 0 0\r\n9 291 291 0 0 0\r\n",
      "94 air_tech 1 0 0 0 0\r\n10 291 291 0 0 0\r\n",
      "95 air_tech_back 1 0 0 0 0\r\n11 291 291 0 0 0\r\n",
  };
  for (const char* e : entries) t += e;
  // Hit stop by level 0..6, then the push-back lengths of a normal and a finishing push.
  t += "END\r\n0 6 8 10 12 14 16\r\n640\r\n1280\r\n";
  return t;
}

// The finish list: the duelist (list entry 1) ends a round with a special finish by its
// meter special.
std::string FinishListFile() {
  FinishEntry duelist;
  duelist.present = true;
  duelist.number = 1;
  duelist.ad = {120};
  return WriteFinishListText({duelist});
}

// The character list: every character of the select's grid (the sample roster), on the data
// sets of the two drawn fighters. Tester and Duelist stay numbers 0 and 1, which the battle
// tests and the harness pick. A partner's second body is the entry whose data it shares.
std::string CharaSelectFile() {
  auto bodyOf = [](const char* file) -> const char* {
    for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster)
      if (std::string(e.file1) == file) return e.name;
    return file;
  };
  std::string text;
  for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
    char section[512];
    std::snprintf(section, sizeof section,
                  "[CharaNo_%03d]\r\nName=%s\r\nFile1=%s\r\nFile2=%s\r\nGiantFlag=0\r\nTagType=%d\r\n"
                  "CharaNum1=%s\r\nCharaNum2=%s\r\n\r\n",
                  e.number, e.name, e.file1, e.file2, e.tagType, e.name,
                  e.file2[0] == '0' ? e.name : bodyOf(e.file2));
    text += section;
  }
  return text;
}

// The duelist's story-battle table (the same in both language folders): two routes of two
// fights each, the last one's stage with flag 0x2, no story texts.
std::string DuelistStoryTable() {
  auto stage = [](int32_t opponent, int32_t number, int32_t flags) {
    RouteStage s;
    s.opponent = opponent;
    s.stage = number;
    s.flags = flags;
    s.textNumber = -1;
    return s;
  };
  return WriteStoryBattleTable({{stage(0, 1, 0), stage(1, 2, 0x2)}, {stage(1, 3, 0), stage(0, 4, 0x2)}});
}

bool WriteBattleTables(const std::filesystem::path& root) {
  return mkdata::WriteText(root, "charaselect.txt", CharaSelectFile()) &&
         mkdata::WriteText(root, "story/battle/eng/Duelist_table.txt", DuelistStoryTable()) &&
         mkdata::WriteText(root, "story/battle/jpn/Duelist_table.txt", DuelistStoryTable()) &&
         mkdata::WriteText(root, "data/_Type.txt", TypeFile()) &&
         mkdata::WriteText(root, "data/vector.txt", VectorFile()) &&
         mkdata::WriteText(root, "_FinishList.txt", FinishListFile()) &&
         mkdata::WriteText(root, "data/duelist_0_c.txt", CommandFile(true)) &&
         mkdata::WriteText(root, "data/tester_0_c.txt", CommandFile(false));
}

// The common effects the engine spawns by number (landing dust 4, wall slide 18, landing mark
// 50, wall bounce 67, gauge entry 101/301, gauge sparks 104..108/304..308; of the hits: the
// clash spark 5, circuit break 53 with its flash 100/300, counter hit 85, guard sparks 92
// (gauge low), 93 and 135 (instant guard), the guard crush 94 (the guard crush's common-effect
// object), special critical 151 and critical 170; the round's super, heat, status, aura and streak effects),
// drawn with the common set's sprites. Each ends with a type-2 condition on its last frame, which removes a
// spawned object at its pattern's end. They go in a data file of their own, listed first in the common
// project so that patterns the effects file defines itself keep precedence.
bool WriteBattleEffects(const std::filesystem::path& root) {
  std::vector<PatternDef> defs;
  auto effect = [&](int number, const char* title, int16_t first, uint8_t blend) {
    PatternDef& p = defs.emplace_back(number, title);
    for (int i = 0; i < 4; ++i) {
      FrameDef& f = p.Frame(static_cast<int16_t>(first + i), 3);
      f.blendMode = blend;
      f.alpha = static_cast<uint8_t>(255 - 40 * i);
    }
    Han6Condition remove;
    remove.type = 2;
    remove.params[2] = 1;  // when the pattern has ended
    p.Frames().back().conditions.push_back(remove);
    p.EndInto(-1);
  };
  effect(4, "landing dust", 20, 1);
  effect(18, "wall slide", 20, 1);
  effect(50, "landing mark", 20, 1);
  effect(67, "wall bounce", 0, 2);
  effect(101, "gauge entry", 10, 2);
  effect(301, "gauge entry (dark)", 10, 2);
  for (int i = 0; i < 5; ++i) {
    effect(104 + i, "gauge spark", 0, 2);
    effect(304 + i, "gauge spark (dark)", 10, 2);
  }
  effect(5, "clash spark", 0, 2);
  effect(53, "circuit break", 10, 2);
  effect(85, "counter hit", 0, 2);
  effect(92, "guard spark (gauge low)", 10, 2);
  effect(93, "guard spark", 10, 2);
  effect(94, "guard crush", 0, 2);
  effect(100, "circuit break flash", 0, 2);
  effect(135, "instant guard", 10, 2);
  effect(151, "special critical", 0, 2);
  effect(170, "critical", 0, 2);
  effect(300, "circuit break flash (dark)", 10, 2);
  // Of the round's particles and the character draw: the super's flash 90, the heat start's
  // flash 186 and ring 187 and its full-circuit bursts 302 and 102 (the heat auras are 100 and
  // 101 above), status mark 3's spark 179, the duelist's aura and its rush's streak.
  effect(90, "super flash", 0, 2);
  effect(102, "heat burst", 0, 2);
  effect(179, "status spark", 0, 2);
  effect(186, "heat start flash", 0, 2);
  effect(187, "heat start ring", 10, 2);
  effect(302, "heat burst (full circuit)", 10, 2);
  effect(kAuraPattern, "aura", 10, 2);
  effect(kStreakPattern, "motion streak", 20, 2);
  Han6PatternSet set;
  for (const PatternDef& d : defs) set.patterns[static_cast<size_t>(d.Number())] = d.Build();
  const auto data = WriteHan6DataFile(set);

  std::ifstream in(root / "data" / "effect.txt", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  IniFile ini;
  ini.LoadFromText(text);
  Han6Project* project = BuildHan6Project(".\\data\\effect.txt",
                                          [&ini](const char* section, const char* key, std::string& value) {
                                            const auto v = battle_text::IniValue(ini, section, key);
                                            if (v) value = *v;
                                            return v.has_value();
                                          });
  if (!project) return false;
  project->dataFiles.insert(project->dataFiles.begin(), "effect_battle.ha6");
  const std::string written = WriteHan6ProjectText(*project);
  FreeHan6Project(project);
  return mkdata::WriteBytes(root, "data/effect_battle.ha6", data.data(), data.size()) &&
         mkdata::WriteText(root, "data/effect.txt", written);
}

}  // namespace

MKDATA_STEP("22_chara_duelist", WriteDuelist);
MKDATA_STEP("24_common_battle_effects", WriteBattleEffects);
MKDATA_STEP("23_battle_tables", WriteBattleTables);
