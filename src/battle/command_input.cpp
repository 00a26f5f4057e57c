// Command input: pad read, input history, notation compiler, matcher and the command list.
#include "battle/command_input.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "battle/battle_driver.h"
#include "battle/battle_seams.h"
#include "battle/box_to_screen.h"
#include "battle/game_mode.h"
#include "battle/object_state.h"

namespace {

constexpr uint8_t kReverseMap[10] = {0, 9, 8, 7, 6, 5, 4, 3, 2, 1};
constexpr uint8_t kMirrorMap[10] = {0, 3, 2, 1, 6, 5, 4, 9, 8, 7};
constexpr uint16_t kMaxHeldFrames = 60000;
constexpr uint16_t kExpiredFrames = 30000;

// The shared buffer the built-in notations are compiled into at each use.
std::array<uint8_t, 20> g_NotationScratch = {kNotationEnd};

int Prev(int i) { return i == 0 ? InputHistory::kEntries - 1 : i - 1; }

// A matcher's private walk back in time over one history.
class InputHistoryCursor {
 public:
  explicit InputHistoryCursor(const InputHistory& h) : h_(h) {
    for (int c = 0; c < InputHistory::kChannels; ++c) {
      const int head = h.head[c] & (InputHistory::kEntries - 1);
      start_[c] = index_[c] = head;
      value_[c] = h.value[c][head];
      frames_[c] = h.frames[c][head];
    }
  }
  void StepBack() {
    for (int c = 0; c < InputHistory::kChannels; ++c) {
      if (frames_[c] == 0) continue;
      if (--frames_[c] != 0) continue;
      index_[c] = Prev(index_[c]);
      if (index_[c] == start_[c]) {
        value_[c] = 0;  // exhausted: stays here, frames 0
        continue;
      }
      value_[c] = h_.value[c][index_[c]];
      frames_[c] = h_.frames[c][index_[c]];
    }
  }
  uint8_t Value(int c) const { return value_[c]; }
  uint16_t Frames(int c) const { return frames_[c]; }

 private:
  const InputHistory& h_;
  int start_[InputHistory::kChannels];
  int index_[InputHistory::kChannels];
  uint8_t value_[InputHistory::kChannels];
  uint16_t frames_[InputHistory::kChannels];
};

bool IsDirectionCode(uint8_t c) {
  return c <= 9 || c == '-' || c == '|' || c == '<' || c == '>' || c == 'V' || c == '^';
}

bool DirectionFits(int code, uint8_t d) {
  switch (code) {
    case '-':
      return d == 4 || d == 6;
    case '|':
      return d == 2 || d == 8;
    case '<':
      return d == 1 || d == 4 || d == 7;
    case '>':
      return d == 3 || d == 6 || d == 9;
    case 'V':
      return d >= 1 && d <= 3;
    case '^':
      return d >= 7 && d <= 9;
    default:
      return d == code;
  }
}

bool MatchNotationToken(const InputHistoryCursor& cur, const NotationToken& t) {
  if (t.dir >= 0 && !DirectionFits(t.dir, cur.Value(0))) return false;
  for (int b = 0; b < 6; ++b) {
    if (!(t.mask & (1u << b))) continue;
    // The button went down at this moment or one frame before it.
    if (cur.Value(b + 1) != 1 || cur.Frames(b + 1) >= 3) return false;
  }
  return true;
}

bool TryToken(InputHistoryCursor& cur, const NotationToken& t, int tries) {
  for (int i = 0; i < tries; ++i) {
    if (i > 0) cur.StepBack();
    if (MatchNotationToken(cur, t)) return true;
  }
  return false;
}

const CommandEntry* EntryAt(const PlayerRecord& r, int index) {
  const CharaCommandTable* t = r.ext.commandTable.get();
  if (!t || index < 0 || static_cast<size_t>(index) >= t->commands.size()) return nullptr;
  return t->commands[static_cast<size_t>(index)].get();
}

std::span<const uint8_t> NotationOf(const CommandEntry& e) { return e.notation; }

// Seam adapters.
void PushSeam(BattleObject* o) {
  if (!o->playerRecord) return;
  uint8_t d = SaneDirection(o->inputDir);
  // Turning on the ground: the history is already relative to the side being turned to.
  if (o->wantedFacing != o->facing && CurrentStance(*o) != 1) d = MirrorDir(d);
  PushInputHistory(o->playerRecord->ext.history, d, (o->inputButtons >> 12) & 0xFFF);
}

void ExpireSeam(BattleObject* o) {
  if (o->playerRecord) ExpireInputHistory(o->playerRecord->ext.history);
}

int CompileSeam(const char* text, uint8_t* out) {
  // Command entries hold at most 19 characters plus the end byte.
  const std::string_view t(text, strnlen(text, kMaxNotationChars));
  CompileNotation(std::span<uint8_t>(out, kMaxNotationChars + 1), t);
  return 1;
}

int ScanSeam(BattleObject* o) { return o->playerRecord ? ScanCommandList(*o->playerRecord) : 0; }

void PadSeam(BattleObject* o) {
  if (!g_AppJoystick) return;
  const PadState& pad = g_AppJoystick->battleBank[static_cast<size_t>(BattlePadIndex(*o))];
  ReadBattlePadInto(pad, &o->inputDir, &o->inputButtons, &o->inputReleased, o->facing,
                    o->reversedFrames != 0);
}

}  // namespace

uint8_t ReverseDirection(uint8_t dir) { return dir <= 9 ? kReverseMap[dir] : 0; }
uint8_t MirrorDir(uint8_t dir) { return dir <= 9 ? kMirrorMap[dir] : 0; }

uint32_t ReadPadButtons(const PadState& pad, uint32_t* buttons, uint32_t* released) {
  const uint32_t last = *buttons;
  uint32_t held = 0;
  for (int b = 0; b < 5; ++b)
    if (pad.button[b] & PadState::kHeld) held |= 1u << b;
  if (pad.button[5] & PadState::kHeld) held |= 0x3;  // the A+B button
  uint32_t word = 0, rel = 0;
  for (int b = 0; b < 5; ++b) {
    const uint32_t heldBit = 0x1000u << b;
    if (held & (1u << b)) {
      word |= heldBit;
      if (!(last & heldBit)) word |= 1u << b;
    } else if (last & heldBit) {
      rel |= 1u << b;
    }
  }
  *buttons = word;
  *released = rel;
  return held;
}

void ReadBattlePadInto(const PadState& pad, uint8_t* dir, uint32_t* buttons, uint32_t* released, int facing,
                       int reversed) {
  uint8_t d = SaneDirection(pad.direction & 0x0F);
  if (reversed != 0) d = ReverseDirection(d);
  if (facing == 1) d = MirrorDir(d);
  *dir = d;
  ReadPadButtons(pad, buttons, released);
}

void PushInputHistory(InputHistory& h, int dir, uint32_t heldBits) {
  for (int c = 0; c < InputHistory::kChannels; ++c) {
    const uint8_t v = c == 0 ? SaneDirection(dir) : static_cast<uint8_t>((heldBits >> (c - 1)) & 1);
    int head = h.head[c] & (InputHistory::kEntries - 1);
    if (v != h.value[c][head]) {
      head = (head + 1) & (InputHistory::kEntries - 1);
      h.value[c][head] = v;
      h.frames[c][head] = 0;
    }
    h.head[c] = head;
    if (h.frames[c][head] < kMaxHeldFrames) ++h.frames[c][head];
  }
}

void ExpireInputHistory(InputHistory& h) {
  for (int c = 0; c < InputHistory::kChannels; ++c) {
    uint16_t& f = h.frames[c][h.head[c] & (InputHistory::kEntries - 1)];
    f = std::max(f, kExpiredFrames);
  }
}

int FlipInputHistory(BattleObject& o) {
  if (!o.playerRecord || CurrentStance(o) == 1 || o.facing == o.wantedFacing || o.turnMark != 1) return 0;
  for (uint8_t& v : o.playerRecord->ext.history.value[0]) v = MirrorDir(v);
  o.turnMark = 0;
  return 1;
}

int CompileNotation(std::span<uint8_t> out, std::string_view text) {
  if (out.empty()) return 0;
  const size_t n = std::min(text.size(), out.size() - 1);
  for (size_t i = 0; i < n; ++i) {
    const char ch = text[i];
    out[i] = ch >= '0' && ch <= '9' ? static_cast<uint8_t>(ch - '0') : static_cast<uint8_t>(ch);
  }
  out[n] = kNotationEnd;
  return static_cast<int>(n);
}

int ReadNotationToken(std::span<const uint8_t> notation, int p, NotationToken* token) {
  enum { kExpect, kAfterDirection, kAfterButton } state = kExpect;
  *token = NotationToken{};
  if (p < 0 || static_cast<size_t>(p) >= notation.size()) return kNotationInvalid;
  for (int i = p; i >= 0; --i) {
    const uint8_t c = notation[static_cast<size_t>(i)];
    if (IsDirectionCode(c)) {
      if (state != kExpect) return i;
      token->dir = c;
      state = kAfterDirection;
    } else if (c == '+') {
      if (state == kExpect) return kNotationInvalid;
      state = kExpect;
    } else if (c >= 'A' && c <= 'F') {
      if (state != kExpect) return i;
      token->mask |= static_cast<uint8_t>(1u << (c - 'A'));
      state = kAfterButton;
    } else {
      return kNotationInvalid;
    }
  }
  return -1;
}

int MatchCommandNotation(const InputHistory& h, std::span<const uint8_t> notation) {
  size_t len = 0;
  while (len < notation.size() && notation[len] != kNotationEnd) ++len;
  if (len == 0) return 0;
  notation = notation.first(len);
  InputHistoryCursor cur(h);
  NotationToken t;
  int p = ReadNotationToken(notation, static_cast<int>(len) - 1, &t);
  if (p == kNotationInvalid) return 0;
  if (!TryToken(cur, t, len == 1 ? 1 : 3)) return 0;
  while (p != -1) {
    p = ReadNotationToken(notation, p, &t);
    if (p == kNotationInvalid) return 0;
    if (!TryToken(cur, t, 9)) return 0;
  }
  return 1;
}

int MatchDirectionTap(BattleObject& o, int which) {
  static constexpr std::string_view kTaps[4] = {"08", "06", "02", "04"};
  if (which >= 0 && which < 4) CompileNotation(g_NotationScratch, kTaps[which]);
  if (!o.playerRecord) return 0;
  FlipInputHistory(o);
  return MatchCommandNotation(o.playerRecord->ext.history, g_NotationScratch);
}

bool CounterLimitPasses(const BattleObject& o, int limit) {
  if (limit <= 0) return true;
  if (limit < 100) return o.actionCounters[(limit % 100) / 10] < limit % 10;
  const int counter = limit / 100;
  if (counter >= static_cast<int>(std::size(g_BattleCounters))) return false;
  return g_BattleCounters[counter] < limit % 100;
}

int EvalExComCheck(PlayerRecord& r, const ExComCheck& check) {
  const BattleObject& o = r.obj;
  const int32_t type = check.type, p0 = check.p[0], p1 = check.p[1], p2 = check.p[2];
  // The character's own side of the comparison; any failure here fails the check.
  ScreenRect own{};
  if (type == 0) {
    if (p1 < 1 || (p0 != 0 && p0 != 1)) return 0;
    const Han6Box* box = FrameBox(o, p0);
    if (!box) return 0;
    BoxToScreen(o, *box, &own);
  } else if (type == 1) {
    const int32_t w = p0 >> 6;
    int32_t side = p2;
    // The sides are on screen: facing left exchanges them.
    if (o.facing == 1 && (side == 1 || side == 2)) side = 3 - side;
    const int32_t cx = WorldToScreenX(o.posX), cy = WorldToScreenY(o.posY);
    own.x1 = side == 1 ? cx : cx - w;
    own.x2 = side == 2 ? cx : cx + w;
    own.y1 = own.y2 = cy;  // a line at the character's height
  } else {
    return 0;
  }
  const int64_t slot = int64_t{p1} + 8;
  if (slot < 0 || slot > 255) return 0;
  for (int pi = 0; pi < g_PoolHighWater; ++pi) {
    const ObjectPoolSlot& s = g_ObjectPool[pi];
    // The character's own objects: children count for their owner.
    if (!s.inUse || s.obj.kind < kKindChildFirst || s.obj.owner != &o) continue;
    const Han6Box* box = FrameBox(s.obj, static_cast<int>(slot));
    if (!box) continue;
    ScreenRect b{};
    BoxToScreen(s.obj, *box, &b);
    // A non-zero horizontal overlap; vertically the extents may meet at an edge (the range
    // region has no height at all).
    if (std::min(own.x2, b.x2) - std::max(own.x1, b.x1) > 0 &&
        std::max(own.y1, b.y1) <= std::min(own.y2, b.y2))
      return 1;
  }
  return 0;
}

int CheckExComChecks(PlayerRecord& r, int index) {
  const CharaCommandTable* t = r.ext.commandTable.get();
  if (!t) return 0;
  for (const ExComCheck& c : t->exComChecks)
    if (c.commandId == index && !EvalExComCheck(r, c)) return 0;
  return 1;
}

static bool CommandLockAllows(const CommandEntry& e) {
  if (g_CommandLock == 2) return false;
  return g_CommandLock != 1 || (e.flags & 0x400);
}

int IsCommandAvailable(PlayerRecord& r, int index) {
  const CommandEntry* e = EntryAt(r, index);
  if (!e || !CheckExComChecks(r, index)) return 0;
  if (e->flags & 0x20) return 0;
  const BattleObject& o = r.obj;
  if (g_GameModeFlags & 0x300) {
    if (e->partner == 1) return 0;
  } else {
    const int hasPartner = o.side < 4 ? g_SideStatus[o.side].hasPartner : 0;
    if (e->partner == 1 && hasPartner == 0) return 0;
    if (e->partner == 2 && hasPartner == 1) return 0;
  }
  if (!CommandLockAllows(*e)) return 0;
  return CounterLimitPasses(o, e->counterLimit) ? 1 : 0;
}

int CheckCommandConditions(BattleObject& o, const CommandEntry& e, int mode, uint32_t* marks) {
  *marks = 0;
  if (!CommandLockAllows(e) || !CounterLimitPasses(o, e.counterLimit)) return 0;
  const Han6FrameState& s = FrameState(o);
  uint32_t m = 0;
  int result = 1;
  if (s.asmv != 0) {
    result = s.asmv + 1;
  } else if ((e.flags & 0x4000) && o.patternRec && o.patternRec->psts == 1 && o.stepFrames == 0 &&
             o.playerRecord && o.playerRecord->ext.chain.oldStateFree != 0) {
    result = 2;
  } else if (mode == 1) {
    result = 1;
  } else if (BattleSeamIsGuardStance(&o)) {
    m |= 4;
  } else {
    if ((s.asf1 & 0x4) && e.cancelKind == 0) return 0;
    if (o.guarding != 0 && o.hitFrames < 12) {
      if (!(e.flags & 0x40) || (e.flags & 0x8)) return 0;
      m |= 1;
    } else {
      if (e.flags & 0x2000) {
        if (BattleSeamGetCancelClass(&o, e.cancelKind) != 2) return 0;
      } else if (e.flags & 0x8) {
        return 0;
      }
      const int c = BattleSeamCanCancel(&o, e.cancelKind);
      if (c == 0) return 0;
      if (c == 2) m |= 2;
      if (o.contactFlags & 0x4) m |= 8;
    }
  }
  if (e.airLimit != 0) {
    if (o.airActions >= e.airLimit) return 0;
    if (s.stance == 1 && (o.posY >= -8192 || o.velY < 0)) return 0;
  }
  if ((e.flags & 0x1000) && !(m & 1)) return 0;
  if (s.stance == 0 && !(e.flags & 0x1)) return 0;
  if (s.stance == 1 && !(e.flags & 0x2)) return 0;
  if (s.stance == 2 && !(e.flags & 0x4)) return 0;
  if (!BattleSeamHasMeter(&o, static_cast<int>(e.cost))) return 0;
  *marks = m;
  return result;
}

int ExecuteCommand(PlayerRecord& r, int index) {
  const CommandEntry* e = EntryAt(r, index);
  if (!e) return 0;
  BattleObject& o = r.obj;
  if (e->partner == 1) {
    // The one counter decoder: a limit of 100 or more reads the battle-wide counters.
    if (!o.partner || FrameState(*o.partner).asmv != 1 || !CounterLimitPasses(*o.partner, e->counterLimit))
      return 0;
  }
  uint32_t marks = 0;
  const int res = CheckCommandConditions(o, *e, 0, &marks);
  if (res == 0) return 0;
  if (res != 2 && e->cancelKind == 0) {
    if (o.noHitFrames != 0) o.noHitFrames = 1;
    if (!BattleSeamCanChainTo(&o, index)) return 0;
  }
  const int superCancel = (marks >> 1) & 1;
  const int priority = (5 + superCancel) * 1000 - index;
  if (!ChangePattern(o, static_cast<int>(e->pattern), (e->flags & 0x800) ? 1 : 0, priority)) return 0;
  if (e->cost != 0) BattleSeamSpendMeter(&o, static_cast<int>(e->cost));
  r.ext.chain.lastFiredCommand = index;
  // The chain memory marks the command as used when its pattern begins.
  NoteChainNumber(o, index);
  o.hitReaction = 0;
  o.superCancel = static_cast<uint8_t>(superCancel);
  o.expireInputOnReset = (e->flags & 0x10) ? 1 : 0;
  if (marks & 2) o.guardHold = 0;
  if (marks & 8) o.cancelledOnContact = 1;
  if (marks & 1) {
    const int32_t block[7] = {4, 0, 0, 0, 0, 0, 0};
    QueueReaction(o, block);
  }
  RunCommandAchievementHooks(o, index);
  return 1;
}

int ScanCommandList(PlayerRecord& r) {
  const CharaCommandTable* t = r.ext.commandTable.get();
  if (!t) return 0;
  for (size_t i = 0; i < t->commands.size(); ++i) {
    const int index = static_cast<int>(i);
    const CommandEntry* e = t->commands[i].get();
    if (!e || !IsCommandAvailable(r, index)) continue;
    FlipInputHistory(r.obj);
    if (!MatchCommandNotation(r.ext.history, NotationOf(*e))) continue;
    if (ExecuteCommand(r, index)) return index;
  }
  return -1;
}

CommandAchievementCounters g_CommandAchievementCounters;

void RunCommandAchievementHooks(const BattleObject& o, int index) {
  if (!BattleSeamIsLocalSide(o.side)) return;
  CommandAchievementCounters& c = g_CommandAchievementCounters;
  auto any = [index](std::initializer_list<int> list) {
    return std::find(list.begin(), list.end(), index) != list.end();
  };
  if (o.charaIndex == 35 && any({70, 71, 73}) && ++c.chara35 == 10) BattleSeamQueueAchievement(45);
  if (o.charaIndex == 20) {
    const int add = any({25, 61, 63}) ? 1 : index == 27 ? 4 : index == 62 ? 3 : any({26, 28}) ? 6 : 0;
    if (add != 0) {
      const int before = c.chara20;
      c.chara20 += add;
      if (before < 20 && c.chara20 >= 20) BattleSeamQueueAchievement(46);
    }
  }
  if (o.charaIndex == 13 && ((index >= 30 && index <= 33) || (index >= 35 && index <= 38))) c.chara13Flag = 1;
  // Counts up to a limit and queues the achievement when it gets there.
  auto upTo = [](int32_t& count, int limit, int id) {
    if (count >= limit) return;
    if (++count == limit) BattleSeamQueueAchievement(id);
  };
  // The route characters' commands end the hooks (the 169/170 hook is not tried then).
  switch (BattleSeamRouteCharacter(o.side)) {
    case 9:
      if (index != 5) break;
      if (o.pendingSpendMode != 3) upTo(c.route9, 3, 28);
      return;
    case 12:
      if (index != 7) break;
      upTo(c.route12, 2, 31);
      return;
    case 22:
      if (index != 168) break;
      upTo(c.route22, 2, 37);
      return;
    case 23:
      if (index != 80) break;
      BattleSeamQueueAchievement(38);
      return;
    case 28:
      if (any({32, 42, 82, 107, 112})) upTo(c.route28, 5, 39);
      break;
    default:
      break;
  }
  if (index == 169 || index == 170) BattleSeamQueueAchievement(11);
}

void ReadHumanPlayersInput(int* dir, uint32_t* pressed, uint32_t* held) {
  *dir = 0;
  *pressed = 0;
  if (held) *held = 0;
  if (!g_AppJoystick) return;
  const InputGameHooks& hooks = GetInputGameHooks();
  bool sides[2] = {true, true};
  const int32_t mode = g_GameModeFlags;
  const bool mainOnly =
      (mode >= MODE_ARCADE && mode <= MODE_CPU_VS_CPU) || mode == MODE_TEAM_BATTLE || mode == MODE_TRAINING;
  // In arcade a direct-netplay session lets both players confirm.
  if (mainOnly && !(mode == MODE_ARCADE && hooks.directMatchSide() >= 0)) {
    const int main = hooks.mainSide() & 1;
    sides[main ^ 1] = false;
  }
  const bool allCpu = g_PlayerSelections[0].controller == 1 && g_PlayerSelections[1].controller == 1;
  for (int side = 0; side < 2; ++side) {
    if (!sides[side] || (g_PlayerSelections[side].controller == 1 && !allCpu)) continue;
    const PadState& pad = g_AppJoystick->menuBank[static_cast<size_t>(side)];
    // The later side's direction wins; a nibble past 9 reads as neutral like every direction
    // that enters the game.
    if (pad.menuDirection & PadState::kChanged) *dir = SaneDirection(pad.menuDirection & 0x0F);
    pad.GetButtonMasks(pressed, held);
  }
}

void InstallCommandInputSeams() {
  BattleSeams& s = g_BattleSeams;
  s.PushInputHistory = PushSeam;
  s.ExpireInputHistory = ExpireSeam;
  s.CompileCommandNotation = CompileSeam;
  s.ScanCommandList = ScanSeam;
}

void InstallBattlePadSeam() { g_BattleSeams.ReadBattlePad = PadSeam; }
