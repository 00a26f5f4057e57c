// Command input: the notation tokenizer, the matcher's timing windows, flip on turn, expiry,
// the pad read, the counter-limit decoder and the command conditions.
#include "battle/command_input.h"

#include <cstring>
#include <string>
#include <vector>

#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "app/input/pad_state.h"
#include "battle/box_to_screen.h"
#include "battle/object_state.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using CommandInput = BattleTest;

struct Frame {
  int dir;
  uint32_t held;  // bit 0 A .. bit 5 F
  int count = 1;
};

InputHistory History(const std::vector<Frame>& frames) {
  InputHistory h;
  for (const Frame& f : frames)
    for (int i = 0; i < f.count; ++i) PushInputHistory(h, f.dir, f.held);
  return h;
}

int Match(const InputHistory& h, std::string_view text) {
  uint8_t code[20];
  CompileNotation(code, text);
  return MatchCommandNotation(h, code);
}

// Tokens from the last backwards, "dir+mask" with the direction as digit or class character.
std::string Tokens(std::string_view text) {
  uint8_t code[20];
  const int n = CompileNotation(code, text);
  std::string out;
  int p = n - 1;
  while (p >= 0) {
    NotationToken t;
    const int next = ReadNotationToken(std::span<const uint8_t>(code, static_cast<size_t>(n)), p, &t);
    if (next == kNotationInvalid) return "invalid";
    if (!out.empty()) out += ' ';
    if (t.dir >= 0) out += t.dir <= 9 ? static_cast<char>('0' + t.dir) : static_cast<char>(t.dir);
    for (int b = 0; b < 6; ++b)
      if (t.mask & (1 << b)) out += static_cast<char>('A' + b);
    if (next == -1) break;
    p = next;
  }
  return out;
}

TEST(CommandNotation, TokenizerReadsBackwards) {
  const struct {
    const char* text;
    const char* tokens;
  } cases[] = {
      {"236A", "A 6 3 2"},
      {"2+A", "2A"},  // one token: direction and button together
      {"2A", "A 2"},  // two tokens: A entered, 2 before it
      {"A+B+6", "6AB"},
      {"AB", "B A"},
      {"0202D", "D 2 0 2 0"},  // byte 0 inside: read as neutral, not as an end
      {"-|<>V^", "^ V > < | -"},
      {"A+", "invalid"},
      {"2++A", "invalid"},
      {"236a", "invalid"},
      {"2 A", "invalid"},
  };
  for (const auto& c : cases) EXPECT_EQ(Tokens(c.text), c.tokens) << c.text;
}

TEST(CommandNotation, CompiledFormKeepsByteZeroAndEnds) {
  uint8_t code[20];
  EXPECT_EQ(CompileNotation(code, "0202D"), 5);
  const uint8_t want[] = {0, 2, 0, 2, 'D', kNotationEnd};
  EXPECT_EQ(std::memcmp(code, want, sizeof want), 0);
  // Too long for the buffer: cut, still ended.
  uint8_t small[4];
  EXPECT_EQ(CompileNotation(small, "236A"), 3);
  EXPECT_EQ(small[3], kNotationEnd);
}

TEST(CommandMatcher, TimingWindows) {
  const uint32_t A = 1;
  const struct {
    const char* name;
    std::vector<Frame> frames;
    const char* notation;
    int want;
  } cases[] = {
      {"A pressed now", {{0, 0, 5}, {0, A, 1}}, "A", 1},
      {"A pressed one frame ago", {{0, 0, 5}, {0, A, 2}}, "A", 1},
      {"A held three frames", {{0, 0, 5}, {0, A, 3}}, "A", 0},
      {"A tapped one frame ago, single character tries only now", {{0, 0, 5}, {0, A, 1}, {0, 0, 1}}, "A", 0},
      {"A held 3, released, pressed again", {{0, A, 3}, {0, 0, 1}, {0, A, 1}}, "A", 1},
      {"2+A with A held 4 frames", {{0, 0, 5}, {2, A, 4}}, "2+A", 1},
      {"2+A with A held 5 frames", {{0, 0, 5}, {2, A, 5}}, "2+A", 0},
      {"2+A tapped two frames ago", {{0, 0, 5}, {2, A, 1}, {2, 0, 2}}, "2+A", 1},
      {"2+A tapped three frames ago", {{0, 0, 5}, {2, A, 1}, {2, 0, 3}}, "2+A", 0},
      {"2+A needs the direction at the press", {{0, 0, 5}, {3, A, 1}}, "2+A", 0},
      {"236A with 7 neutral frames between 3 and 6", {{2, 0}, {3, 0}, {0, 0, 7}, {6, A}}, "236A", 1},
      {"236A with 8 neutral frames between 3 and 6", {{2, 0}, {3, 0}, {0, 0, 8}, {6, A}}, "236A", 0},
      {"236A with 6 held 7 frames before A", {{2, 0}, {3, 0}, {6, 0, 7}, {6, A}}, "236A", 1},
      {"236A with 6 held 8 frames before A", {{2, 0}, {3, 0}, {6, 0, 8}, {6, A}}, "236A", 0},
      {"a held direction serves two equal tokens", {{0, 0, 3}, {6, 0, 2}}, "66", 1},
      {"class characters", {{1, 0}, {4, 0}, {0, 0}, {9, A}}, "V<^+A", 1},
      {"neutral direction 0 in a tap", {{0, 0, 3}, {8, 0}}, "08", 1},
      {"tap without neutral in the window", {{6, 0, 10}, {8, 0}}, "08", 0},
      {"invalid notation never matches", {{2, 0}, {3, 0}, {6, A}}, "236a", 0},
      {"empty notation never matches", {{0, A}}, "", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Match(History(c.frames), c.notation), c.want) << c.name;
}

TEST(CommandMatcher, ExpiryWrapAndSaturation) {
  InputHistory h = History({{2, 0}, {3, 0}, {6, 1}});
  ASSERT_EQ(Match(h, "236A"), 1);
  ExpireInputHistory(h);
  EXPECT_EQ(Match(h, "236A"), 0);
  EXPECT_EQ(Match(h, "A"), 0);

  // 70 changes wrap the 64 entries; the newest ones still match.
  InputHistory w;
  for (int i = 0; i < 70; ++i) PushInputHistory(w, i % 2 ? 6 : 4, 0);
  EXPECT_EQ(w.head[0], 70 % 64);
  EXPECT_EQ(Match(w, "4646"), 1);

  InputHistory s = History({{6, 0, 60005}});
  EXPECT_EQ(s.frames[0][s.head[0]], 60000);
}

TEST(CommandMatcher, DirectionsOutOfRangeEnterAsNeutral) {
  InputHistory h;
  PushInputHistory(h, 13, 0);
  EXPECT_EQ(h.value[0][h.head[0]], 0);
  PushInputHistory(h, -1, 0);
  EXPECT_EQ(h.value[0][h.head[0]], 0);
  EXPECT_EQ(MirrorDir(15), 0);
  EXPECT_EQ(ReverseDirection(10), 0);

  const struct {
    uint8_t raw;
    int facing, reversed;
    uint8_t want;
  } cases[] = {
      {0x0C, 0, 0, 0}, {0x8F, 1, 1, 0}, {0x86, 0, 0, 6}, {0x06, 1, 0, 4},
      {0x06, 0, 1, 4}, {0x06, 1, 1, 6}, {0x03, 0, 1, 7}, {0x03, 1, 0, 1},
  };
  for (const auto& c : cases) {
    PadState pad;
    pad.direction = c.raw;
    uint8_t dir = 99;
    uint32_t buttons = 0, released = 0;
    ReadBattlePadInto(pad, &dir, &buttons, &released, c.facing, c.reversed);
    EXPECT_EQ(dir, c.want) << int(c.raw) << " facing " << c.facing << " reversed " << c.reversed;
  }
}

TEST(CommandInputPad, ButtonWords) {
  const struct {
    const char* name;
    uint32_t last;
    uint8_t bytes[6];
    uint32_t word, released, held;
  } cases[] = {
      {"A goes down", 0, {1, 0, 0, 0, 0, 0}, 0x1001, 0, 0x1},
      {"A stays down", 0x1001, {1, 0, 0, 0, 0, 0}, 0x1000, 0, 0x1},
      {"A comes up", 0x1000, {0, 0, 0, 0, 0, 0}, 0, 0x1, 0},
      {"A+B button holds A and B", 0x1000, {0, 0, 0, 0, 0, 1}, 0x3002, 0, 0x3},
      {"E and only bit 0 counts as held", 0, {2, 0, 0, 0, 1, 0}, 0x10010, 0, 0x10},
  };
  for (const auto& c : cases) {
    PadState pad;
    for (int i = 0; i < 6; ++i) pad.button[i] = c.bytes[i];
    uint32_t word = c.last, released = 99;
    EXPECT_EQ(ReadPadButtons(pad, &word, &released), c.held) << c.name;
    EXPECT_EQ(word, c.word) << c.name;
    EXPECT_EQ(released, c.released) << c.name;
  }
}

// One character in slot 0 standing in a frame whose state the test sets.
class CommandWorld : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    frame_.state = &state_;
    PlayerRecord& r = g_PlayerRecords[0];
    r.inUse = 1;
    r.obj.playerRecord = &r;
    r.obj.frameRec = &frame_;
    r.ext.commandTable = std::make_unique<CharaCommandTable>();
  }
  BattleObject& O() { return g_PlayerRecords[0].obj; }
  PlayerRecord& R() { return g_PlayerRecords[0]; }
  CommandEntry& AddCommand(uint32_t id, const char* notation, uint32_t flags, uint32_t pattern) {
    auto& list = R().ext.commandTable->commands;
    if (list.size() <= id) list.resize(id + 1);
    list[id] = std::make_unique<CommandEntry>();
    CommandEntry& e = *list[id];
    e.id = id;
    CompileNotation(e.notation, notation);
    e.flags = flags;
    e.pattern = pattern;
    return e;
  }
  Han6Frame frame_;
  Han6FrameState state_;
};

TEST_F(CommandWorld, FlipOnTurnHappensOnceAndNotInTheAir) {
  InstallCommandInputSeams();
  O().facing = 0;
  O().wantedFacing = 1;
  // While turning, a pushed 6 is recorded relative to the side being turned to.
  O().inputDir = 6;
  BattleSeamPushInputHistory(&O());
  EXPECT_EQ(R().ext.history.value[0][R().ext.history.head[0]], 4);

  R().ext.history = History({{0, 0, 3}, {6, 0}});
  O().turnMark = 1;
  state_.stance = 1;
  EXPECT_EQ(FlipInputHistory(O()), 0);  // airborne: not flipped
  state_.stance = 0;
  EXPECT_EQ(FlipInputHistory(O()), 1);
  EXPECT_EQ(Match(R().ext.history, "04"), 1);
  EXPECT_EQ(O().turnMark, 0);
  EXPECT_EQ(FlipInputHistory(O()), 0);  // once per turn
  EXPECT_EQ(Match(R().ext.history, "04"), 1);
}

TEST_F(CommandWorld, CounterLimitDecoder) {
  const struct {
    int limit;
    int counterIndex, counterValue;  // action counter
    int battleIndex, battleValue;    // battle-wide counter
    bool pass;
  } cases[] = {
      {0, 0, 100, 0, 0, true},   {23, 2, 3, 0, 0, false},  {23, 2, 2, 0, 0, true},
      {9, 0, 8, 0, 0, true},     {9, 0, 9, 0, 0, false},   {150, 5, 100, 1, 49, true},
      {150, 0, 0, 1, 50, false}, {255, 5, 0, 2, 54, true}, {255, 5, 0, 2, 55, false},
      {100, 0, 0, 1, 0, false},
  };
  for (const auto& c : cases) {
    BattleObject& o = O();
    for (int8_t& v : o.actionCounters) v = 0;
    for (int32_t& v : g_BattleCounters) v = 0;
    o.actionCounters[c.counterIndex] = static_cast<int8_t>(c.counterValue);
    g_BattleCounters[c.battleIndex] = c.battleValue;
    EXPECT_EQ(CounterLimitPasses(o, c.limit), c.pass) << "limit " << c.limit;
    // The availability pre-test uses the same decoder (a limit of 100 or more no longer reads
    // past the ten action counters).
    CommandEntry& e = AddCommand(0, "A", 0x1, 1);
    e.counterLimit = static_cast<uint8_t>(c.limit);
    EXPECT_EQ(IsCommandAvailable(R(), 0), c.pass ? 1 : 0) << "limit " << c.limit;
  }
}

int g_CancelAnswer = 0;
int g_CancelClass = 0;

TEST_F(CommandWorld, CheckCommandConditions) {
  g_BattleSeams.CanCancel = [](BattleObject*, int) { return g_CancelAnswer; };
  g_BattleSeams.GetCancelClass = [](BattleObject*, int) { return g_CancelClass; };
  struct Setup {
    uint8_t free = 0, stance = 0;
    int32_t asf1 = 0;
    uint8_t lock = 0;
    uint8_t guarding = 0;
    int16_t hitFrames = 0;
    int cancel = 0, cancelClass = 0;
    uint16_t contact = 0;
    int32_t posY = 0, velY = 0;
    uint8_t airActions = 0;
  };
  const struct {
    const char* name;
    Setup s;
    uint32_t flags;
    uint8_t kind, air;
    uint32_t cost;
    int mode;
    int result;
    uint32_t marks;
  } cases[] = {
      {"free standing state: movable + 1", {.free = 1}, 0x1, 0, 0, 0, 0, 2, 0},
      {"standing needs flag 0x1", {.free = 1}, 0x2, 0, 0, 0, 0, 0, 0},
      {"crouching needs flag 0x4", {.free = 1, .stance = 2}, 0x1, 0, 0, 0, 0, 0, 0},
      {"lock 2 refuses all", {.free = 1, .lock = 2}, 0x401, 0, 0, 0, 0, 0, 0},
      {"lock 1 needs flag 0x400", {.free = 1, .lock = 1}, 0x1, 0, 0, 0, 0, 0, 0},
      {"lock 1 with flag 0x400", {.free = 1, .lock = 1}, 0x401, 0, 0, 0, 0, 2, 0},
      {"no cancel", {.cancel = 0}, 0x1, 1, 0, 0, 0, 0, 0},
      {"mode 1 skips the cancel checks", {.cancel = 0}, 0x1, 1, 0, 0, 1, 1, 0},
      {"cancel", {.cancel = 1}, 0x1, 1, 0, 0, 0, 1, 0},
      {"super cancel on contact", {.cancel = 2, .contact = 4}, 0x1, 2, 0, 0, 0, 1, 0xA},
      {"flag 0x8 refuses a cancel", {.cancel = 1}, 0x9, 1, 0, 0, 0, 0, 0},
      {"flag 0x2000 needs cancel class 2", {.cancel = 1, .cancelClass = 1}, 0x2001, 1, 0, 0, 0, 0, 0},
      {"flag 0x2000 with class 2", {.cancel = 1, .cancelClass = 2}, 0x2001, 1, 0, 0, 0, 1, 0},
      {"ASF1 0x4 refuses normals", {.asf1 = 4, .cancel = 1}, 0x1, 0, 0, 0, 0, 0, 0},
      {"ASF1 0x4 lets specials", {.asf1 = 4, .cancel = 1}, 0x1, 1, 0, 0, 0, 1, 0},
      {"guard-cancel window", {.guarding = 1, .hitFrames = 11}, 0x41, 1, 0, 0, 0, 1, 1},
      {"guard-cancel needs flag 0x40", {.guarding = 1, .hitFrames = 11}, 0x1, 1, 0, 0, 0, 0, 0},
      {"guard-cancel refuses flag 0x8", {.guarding = 1, .hitFrames = 11}, 0x49, 1, 0, 0, 0, 0, 0},
      {"window closed at 12", {.guarding = 1, .hitFrames = 12, .cancel = 1}, 0x41, 1, 0, 0, 0, 1, 0},
      {"flag 0x1000 needs the window", {.cancel = 1}, 0x1001, 1, 0, 0, 0, 0, 0},
      {"air limit: high and falling", {.free = 1, .stance = 1, .posY = -8193}, 0x2, 1, 1, 0, 0, 2, 0},
      {"air limit: too low", {.free = 1, .stance = 1, .posY = -8192}, 0x2, 1, 1, 0, 0, 0, 0},
      {"air limit: rising", {.free = 1, .stance = 1, .posY = -9000, .velY = -1}, 0x2, 1, 1, 0, 0, 0, 0},
      {"air limit: used up", {.free = 1, .stance = 1, .posY = -9000, .airActions = 1}, 0x2, 1, 1, 0, 0, 0, 0},
      {"no meter for a cost", {.free = 1}, 0x1, 2, 0, 500, 0, 0, 0},
  };
  for (const auto& c : cases) {
    state_ = Han6FrameState{};
    state_.asmv = c.s.free;
    state_.stance = c.s.stance;
    state_.asf1 = c.s.asf1;
    g_CommandLock = c.s.lock;
    g_CancelAnswer = c.s.cancel;
    g_CancelClass = c.s.cancelClass;
    BattleObject& o = O();
    o.guarding = c.s.guarding;
    o.hitFrames = c.s.hitFrames;
    o.contactFlags = c.s.contact;
    o.posY = c.s.posY;
    o.velY = c.s.velY;
    o.airActions = c.s.airActions;
    CommandEntry e;
    e.flags = c.flags;
    e.cancelKind = c.kind;
    e.airLimit = c.air;
    e.cost = c.cost;
    uint32_t marks = 99;
    EXPECT_EQ(CheckCommandConditions(o, e, c.mode, &marks), c.result) << c.name;
    if (c.result != 0) {
      EXPECT_EQ(marks, c.marks) << c.name;
    }
  }
}

TEST_F(CommandWorld, ScanFiresTheFirstExecutableMatch) {
  state_.asmv = 1;
  AddCommand(0, "236A", 0x20 | 0x1, 100);  // disabled
  AddCommand(1, "A", 0x1, 1);
  AddCommand(2, "A", 0x1, 2);
  AddCommand(3, "B", 0x1, 3);
  R().ext.history = History({{2, 0}, {3, 0}, {6, 1}});
  O().pendingPriority = -1;
  EXPECT_EQ(ScanCommandList(R()), 1);
  EXPECT_EQ(O().pendingPattern, 1);
  EXPECT_EQ(O().pendingPriority, 5000 - 1);
  EXPECT_EQ(R().ext.chain.lastFiredCommand, 1);
  // A refused execution lets a later entry fire in the same frame: pattern 1 is pending with a
  // higher priority, so entry 2 loses too, and nothing fires.
  EXPECT_EQ(ScanCommandList(R()), -1);
  // No command list: 0 (base movement is skipped).
  R().ext.commandTable.reset();
  EXPECT_EQ(ScanCommandList(R()), 0);
}

// Executing command 3: exactly the documented fields change, and a refusal changes none but
// the hit-stop byte of a normal attack.
TEST_F(CommandWorld, ExecuteCommandFields) {
  static int cancelAnswer, chainAnswer, spent;
  g_BattleSeams.CanCancel = [](BattleObject*, int) { return cancelAnswer; };
  g_BattleSeams.CanChainTo = [](BattleObject*, int) { return chainAnswer; };
  g_BattleSeams.HasMeter = [](BattleObject*, int) { return 1; };
  g_BattleSeams.SpendMeter = [](BattleObject*, int cost) { spent = cost; };
  const struct {
    const char* name;
    uint8_t free, guarding;
    int cancel, chain;
    uint16_t contact;
    uint8_t kind;
    uint32_t flags, cost;
    int16_t startPattern;
    int result;
    int16_t priority;                                          // -1: no request
    uint8_t superCancel, expire, guardHold, onContact, noHit;  // the contact mark is only ever set
    int32_t reaction;                                          // queued reaction kind, -1 none
    int spent;                                                 // -1 none
  } cases[] = {
      {"free special, history expiry flag", 1, 0, 0, 1, 0, 1, 0x11, 0, 0, 1, 4997, 0, 1, 1, 9, 7, -1, -1},
      {"super cancel on contact with a cost", 0, 0, 2, 1, 4, 2, 0x1, 500, 0, 1, 5997, 1, 0, 0, 1, 7, -1, 500},
      {"guard cancel queues reaction 4", 0, 1, 0, 1, 0, 1, 0x41, 0, 0, 1, 4997, 0, 0, 1, 9, 7, 4, -1},
      {"normal refused by the chain rule", 0, 0, 1, 0, 0, 0, 0x1, 0, 0, 0, -1, 9, 9, 1, 9, 1, -1, -1},
      {"normal chained", 0, 0, 1, 1, 0, 0, 0x1, 0, 0, 1, 4997, 0, 0, 1, 9, 1, -1, -1},
      {"normal from a free state skips the chain rule", 1, 0, 0, 0, 0, 0, 0x1, 0, 0, 1, 4997, 0, 0, 1, 9, 7,
       -1, -1},
      {"same pattern refused", 1, 0, 0, 1, 0, 1, 0x1, 0, 40, 0, -1, 9, 9, 1, 9, 7, -1, -1},
      {"same pattern with flag 0x800", 1, 0, 0, 1, 0, 1, 0x801, 0, 40, 1, 4997, 0, 0, 1, 9, 7, -1, -1},
  };
  for (const auto& c : cases) {
    state_ = Han6FrameState{};
    state_.asmv = c.free;
    cancelAnswer = c.cancel;
    chainAnswer = c.chain;
    spent = -1;
    BattleObject& o = O();
    o.guarding = c.guarding;
    o.hitFrames = 5;
    o.contactFlags = c.contact;
    o.pattern = c.startPattern;
    o.pendingPattern = -1;
    o.pendingPriority = -1;
    for (int32_t& v : o.pendingReaction) v = -1;
    o.hitReaction = 3;
    o.superCancel = o.expireInputOnReset = o.cancelledOnContact = 9;
    o.guardHold = 1;
    o.noHitFrames = 7;
    R().ext.chain.lastFiredCommand = -1;
    CommandEntry& e = AddCommand(3, "A", c.flags, 40);
    e.cancelKind = c.kind;
    e.cost = c.cost;
    EXPECT_EQ(ExecuteCommand(R(), 3), c.result) << c.name;
    EXPECT_EQ(o.pendingPriority, c.priority) << c.name;
    EXPECT_EQ(o.pendingPattern, c.result ? 40 : -1) << c.name;
    EXPECT_EQ(o.superCancel, c.superCancel) << c.name;
    EXPECT_EQ(o.expireInputOnReset, c.expire) << c.name;
    EXPECT_EQ(o.guardHold, c.guardHold) << c.name;
    EXPECT_EQ(o.cancelledOnContact, c.onContact) << c.name;
    EXPECT_EQ(o.noHitFrames, c.noHit) << c.name;
    EXPECT_EQ(o.pendingReaction[0], c.reaction) << c.name;
    EXPECT_EQ(o.pendingReaction[1], c.reaction == -1 ? -1 : 0) << c.name;
    EXPECT_EQ(spent, c.spent) << c.name;
    EXPECT_EQ(o.hitReaction, c.result ? 0 : 3) << c.name;
    EXPECT_EQ(R().ext.chain.lastFiredCommand, c.result ? 3 : -1) << c.name;
  }
}

// Both entries match; the lower one is a normal the chain rule refuses, so the higher one fires
// in the same frame.
TEST_F(CommandWorld, ScanGoesOnPastARefusedExecution) {
  g_BattleSeams.CanCancel = [](BattleObject*, int) { return 1; };
  g_BattleSeams.CanChainTo = [](BattleObject*, int) { return 0; };
  AddCommand(1, "A", 0x1, 11).cancelKind = 0;
  AddCommand(2, "A", 0x1, 12).cancelKind = 1;
  R().ext.history = History({{0, 0, 3}, {0, 1}});
  O().pendingPriority = -1;
  EXPECT_EQ(ScanCommandList(R()), 2);
  EXPECT_EQ(O().pendingPattern, 12);
  EXPECT_EQ(R().ext.chain.lastFiredCommand, 2);
}

TEST_F(CommandWorld, PartnerCommandUsesTheCounterDecoder) {
  state_.asmv = 1;
  PlayerRecord& pr = g_PlayerRecords[2];
  Han6Frame pf;
  Han6FrameState ps;
  ps.asmv = 1;
  pf.state = &ps;
  pr.obj.frameRec = &pf;
  O().partner = &pr.obj;
  g_SideStatus[0].hasPartner = 1;
  CommandEntry& e = AddCommand(0, "A", 0x1, 7);
  e.partner = 1;
  e.counterLimit = 150;
  g_BattleCounters[1] = 50;
  O().pendingPriority = -1;
  EXPECT_EQ(ExecuteCommand(R(), 0), 0);
  g_BattleCounters[1] = 49;
  EXPECT_EQ(ExecuteCommand(R(), 0), 1);
  O().partner = nullptr;
}

}  // namespace

namespace {

TEST_F(CommandWorld, DirectionTapsFromNeutral) {
  const struct {
    int dir, which, want;
  } cases[] = {
      {8, 0, 1}, {6, 1, 1}, {2, 2, 1}, {4, 3, 1}, {6, 3, 0}, {9, 0, 0},
  };
  for (const auto& c : cases) {
    R().ext.history = History({{0, 0, 3}, {c.dir, 0}});
    EXPECT_EQ(MatchDirectionTap(O(), c.which), c.want) << c.dir << " tap " << c.which;
  }
  // Other values match the last compiled tap ("08") again.
  R().ext.history = History({{0, 0, 3}, {4, 0}});
  EXPECT_EQ(MatchDirectionTap(O(), 7), 0);
  R().ext.history = History({{0, 0, 3}, {8, 0}});
  EXPECT_EQ(MatchDirectionTap(O(), 7), 1);
}

}  // namespace

namespace {

// The box conversion the command checks compare in: mirrored facing left, doubled for a cut
// sprite, at the anchor's screen point (with the held offset while held).
TEST(BoxToScreen, MirrorDoubleAndHeldOffset) {
  battle_test::ResetWorld();
  Han6Frame f;
  f.spriteKind = 0;  // cut sprite
  BattleObject o{};
  o.frameRec = &f;
  o.facing = 1;
  ScreenRect r{};
  EXPECT_EQ(BoxToScreen(o, Han6Box{-10, -20, 10, 0}, &r), 432);
  EXPECT_EQ(r.x1, 300);
  EXPECT_EQ(r.y1, 392);
  EXPECT_EQ(r.x2, 340);
  EXPECT_EQ(r.y2, 432);
  f.spriteKind = 1;
  o.facing = 0;
  o.posX = -129;  // the shift is arithmetic: -2 pixels
  o.held = 1;
  o.throwOffsetY = -128 * 5;
  BoxToScreen(o, Han6Box{4, -8, 0, 0}, &r);
  EXPECT_EQ(r.x1, 318);
  EXPECT_EQ(r.x2, 322);
  EXPECT_EQ(r.y1, 419);
  EXPECT_EQ(r.y2, 427);
}

// A pool object of the character (slot 0) with boxes in slots 8 and 9 of its frame.
class ExComWorld : public CommandWorld {
 protected:
  void SetUp() override {
    CommandWorld::SetUp();
    frame_.spriteKind = 1;
    own_ = Han6Box{-20, -100, 20, 0};
    frame_.boxes = {&own_};
    frame_.boxCount = 1;
    poolFrame_.spriteKind = 1;
    poolFrame_.boxes.assign(10, nullptr);
    poolFrame_.boxes[8] = poolFrame_.boxes[9] = &poolBox_;
    poolFrame_.boxCount = 10;
    ObjectPoolSlot& s = g_ObjectPool[0];
    s.inUse = 1;
    NotePoolSlotTaken(s);
    s.obj.kind = kKindSpawned;
    s.obj.owner = &O();
    s.obj.frameRec = &poolFrame_;
  }
  BattleObject& Pool() { return g_ObjectPool[0].obj; }
  Han6Box own_, poolBox_;
  Han6Frame poolFrame_;
};

TEST_F(ExComWorld, BoxAndRangeChecks) {
  const struct {
    const char* name;
    int32_t type, p0, p1, p2;
    uint8_t facing;
    int32_t poolX;  // pixels from the character
    Han6Box box;    // the pool object's box
    bool otherOwner;
    int want;
  } cases[] = {
      {"box 0 against an overlapping box", 0, 0, 1, 0, 0, 30, {-15, -50, 15, -10}, false, 1},
      {"box slot P1 + 8 must be 9 or more", 0, 0, 0, 0, 0, 30, {-15, -50, 15, -10}, false, 0},
      {"P0 other than 0 and 1", 0, 2, 1, 0, 0, 30, {-15, -50, 15, -10}, false, 0},
      {"P0 1 without an own box 1", 0, 1, 1, 0, 0, 30, {-15, -50, 15, -10}, false, 0},
      {"edges touching across", 0, 0, 1, 0, 0, 35, {-15, -50, 15, -10}, false, 0},
      {"edges meeting on top, overlapping across", 0, 0, 1, 0, 0, 0, {-5, -130, 5, -100}, false, 1},
      {"slot past the pool frame's count", 0, 0, 3, 0, 0, 30, {-15, -50, 15, -10}, false, 0},
      {"another character's object", 0, 0, 1, 0, 0, 30, {-15, -50, 15, -10}, true, 0},
      {"range to the right", 1, 64 << 6, 1, 1, 0, 40, {-5, -50, 5, 10}, false, 1},
      {"range to the left misses it", 1, 64 << 6, 1, 2, 0, 40, {-5, -50, 5, 10}, false, 0},
      {"facing left exchanges the sides", 1, 64 << 6, 1, 2, 1, 40, {-5, -50, 5, 10}, false, 1},
      {"range both sides", 1, 64 << 6, 1, 0, 0, -40, {-5, -50, 5, 10}, false, 1},
      {"range beyond the reach", 1, 30 << 6, 1, 0, 0, 40, {-5, -50, 5, 10}, false, 0},
      {"range above the character's height", 1, 64 << 6, 1, 0, 0, 40, {-5, -50, 5, -1}, false, 0},
      {"range box at the height's edge", 1, 64 << 6, 1, 0, 0, 40, {-5, -50, 5, 0}, false, 1},
      {"unknown type", 2, 0, 1, 0, 0, 0, {-15, -50, 15, -10}, false, 0},
  };
  BattleObject stranger{};
  for (const auto& c : cases) {
    O().facing = c.facing;
    Pool().facing = 0;
    Pool().posX = c.poolX * 128;
    Pool().owner = c.otherOwner ? &stranger : &O();
    poolBox_ = c.box;
    ExComCheck check;
    check.type = c.type;
    check.p[0] = c.p0;
    check.p[1] = c.p1;
    check.p[2] = c.p2;
    EXPECT_EQ(EvalExComCheck(R(), check), c.want) << c.name;
  }
}

TEST_F(ExComWorld, CommandGuardedByACheck) {
  state_.asmv = 1;
  AddCommand(4, "A", 0x1, 9);
  ExComCheck check;
  check.commandId = 4;
  check.type = 0;
  check.p[1] = 1;
  R().ext.commandTable->exComChecks.push_back(check);
  poolBox_ = Han6Box{-15, -50, 15, -10};
  Pool().posX = 200 * 128;  // far away: the check fails
  EXPECT_EQ(IsCommandAvailable(R(), 4), 0);
  Pool().posX = 0;
  EXPECT_EQ(IsCommandAvailable(R(), 4), 1);
}

// The achievement hooks of fired commands: local side only, per character and route character.
TEST_F(CommandWorld, AchievementHooks) {
  static std::vector<int> queued;
  static int local, route;
  g_BattleSeams.IsLocalSide = [](int) { return local; };
  g_BattleSeams.RouteCharacter = [](int) { return route; };
  g_BattleSeams.QueueAchievement = [](int id) {
    queued.push_back(id);
    return 0;
  };
  auto repeat = [](int command, int n) { return std::vector<int>(static_cast<size_t>(n), command); };
  const struct {
    const char* name;
    uint8_t chara;
    int route, local, spendMode;
    std::vector<int> commands;
    std::vector<int> want;
  } cases[] = {
      {"35: nine times", 35, -1, 1, 0, repeat(70, 9), {}},
      {"35: exactly the tenth", 35, -1, 1, 0, repeat(73, 11), {45}},
      {"35: another side's", 35, -1, 0, 0, repeat(70, 10), {}},
      {"20: weighted total reaches 20 once", 20, -1, 1, 0, {27, 26, 62, 25, 62, 28, 61}, {46}},
      {"20: 19 is not enough", 20, -1, 1, 0, {28, 28, 62, 62, 25}, {}},
      {"route 9: three counted", 0, 9, 1, 0, repeat(5, 4), {28}},
      {"route 9: not with spend mode 3", 0, 9, 1, 3, repeat(5, 4), {}},
      {"route 12", 0, 12, 1, 0, repeat(7, 2), {31}},
      {"route 22", 0, 22, 1, 0, repeat(168, 3), {37}},
      {"route 23", 0, 23, 1, 0, {80}, {38}},
      {"route 28: five counted", 0, 28, 1, 0, {32, 42, 82, 107, 112, 32}, {39}},
      {"169 and 170", 0, -1, 1, 0, {169, 170}, {11, 11}},
      {"a route command ends the hooks", 0, 23, 1, 0, {80, 169}, {38, 11}},
  };
  for (const auto& c : cases) {
    g_CommandAchievementCounters = CommandAchievementCounters{};
    queued.clear();
    local = c.local;
    route = c.route;
    O().charaIndex = c.chara;
    O().pendingSpendMode = c.spendMode;
    for (int command : c.commands) RunCommandAchievementHooks(O(), command);
    EXPECT_EQ(queued, c.want) << c.name;
  }
  // Character 13's flag; and the hooks run from a fired command.
  g_CommandAchievementCounters = CommandAchievementCounters{};
  O().charaIndex = 13;
  route = -1;
  RunCommandAchievementHooks(O(), 34);
  EXPECT_EQ(g_CommandAchievementCounters.chara13Flag, 0);
  RunCommandAchievementHooks(O(), 35);
  EXPECT_EQ(g_CommandAchievementCounters.chara13Flag, 1);
  state_.asmv = 1;
  AddCommand(169, "A", 0x1, 9);
  O().pendingPriority = -1;
  queued.clear();
  EXPECT_EQ(ExecuteCommand(R(), 169), 1);
  EXPECT_EQ(queued, std::vector<int>{11});
  // The match set-up starts the counts again.
  g_CommandAchievementCounters.chara35 = 9;
  InitMatchBattleState();
  EXPECT_EQ(g_CommandAchievementCounters.chara35, 0);
}

}  // namespace

namespace {

// Any human player may confirm: the players the game mode lets act, CPU sides skipped unless
// both are CPU; the later side's triggered direction wins, the button masks are ORed.
TEST(HumanPlayersInput, SidesByModeAndController) {
  battle_test::ResetWorld();
  CAppJoystick joy;
  CAppJoystick* previous = g_AppJoystick;
  g_AppJoystick = &joy;
  InputGameHooks& hooks = GetInputGameHooks();
  const InputGameHooks saved = hooks;
  static int mainSide, directSide;
  hooks.mainSide = [] { return mainSide; };
  hooks.directMatchSide = [] { return directSide; };
  joy.menuBank[0].menuDirection = PadState::kChanged | 6;
  joy.menuBank[0].button[0] = PadState::kPressed | PadState::kHeld;
  joy.menuBank[1].button[1] = PadState::kPressed | PadState::kHeld;
  joy.menuBank[1].button[2] = PadState::kHeld;
  const struct {
    const char* name;
    int32_t mode;
    int main, direct;
    int32_t cpu0, cpu1;
    uint8_t dir1;  // side 1's menu direction byte
    int dir;
    uint32_t pressed, held;
  } cases[] = {
      {"versus: both, the later direction wins", 0x1, 0, -1, 0, 0, 0x82, 2, 0x3, 0x7},
      {"versus: an untriggered direction is none", 0x1, 0, -1, 0, 0, 0x02, 6, 0x3, 0x7},
      {"versus: a direction past 9 reads neutral", 0x1, 0, -1, 0, 0, 0x8D, 0, 0x3, 0x7},
      {"tag: both", 0x101, 1, -1, 0, 0, 0x82, 2, 0x3, 0x7},
      {"arcade: the main side 0", 0x10, 0, -1, 0, 0, 0x82, 6, 0x1, 0x1},
      {"arcade: the main side 1", 0x10, 1, -1, 0, 0, 0x82, 2, 0x2, 0x6},
      {"arcade in a direct session: both", 0x10, 0, 1, 0, 0, 0x82, 2, 0x3, 0x7},
      {"versus cpu in a direct session: the main side", 0x11, 0, 1, 0, 0, 0x82, 6, 0x1, 0x1},
      {"training: the main side", 0x1010, 0, -1, 0, 0, 0x82, 6, 0x1, 0x1},
      {"team battle: the main side", 0x30, 1, -1, 0, 0, 0x82, 2, 0x2, 0x6},
      {"other modes: both", 0x20, 0, -1, 0, 0, 0x82, 2, 0x3, 0x7},
      {"a cpu side is skipped", 0x1, 0, -1, 0, 1, 0x82, 6, 0x1, 0x1},
      {"both cpu: both", 0x1, 0, -1, 1, 1, 0x82, 2, 0x3, 0x7},
  };
  for (const auto& c : cases) {
    g_GameModeFlags = c.mode;
    mainSide = c.main;
    directSide = c.direct;
    g_PlayerSelections[0].controller = c.cpu0;
    g_PlayerSelections[1].controller = c.cpu1;
    joy.menuBank[1].menuDirection = c.dir1;
    int dir = -1;
    uint32_t pressed = 99, held = 99;
    ReadHumanPlayersInput(&dir, &pressed, &held);
    EXPECT_EQ(dir, c.dir) << c.name;
    EXPECT_EQ(pressed, c.pressed) << c.name;
    EXPECT_EQ(held, c.held) << c.name;
    ReadHumanPlayersInput(&dir, &pressed, nullptr);  // the held mask may be left out
    EXPECT_EQ(pressed, c.pressed) << c.name;
  }
  hooks = saved;
  g_AppJoystick = previous;
  battle_test::ResetWorld();
}

}  // namespace
