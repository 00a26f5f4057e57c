// The high-score table's operations and the two name entries (see name_entry.h).
#include "scene/name_entry.h"

#include <algorithm>
#include <cstring>

#include "app/input/input_hooks.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "scene/arcade_draw.h"
#include "scene/credits.h"

NameEntry g_NameEntries[2];

namespace {

TextureHandle* g_NameFont = nullptr;

NameEntry* EntryOf(int player) { return player >= 0 && player < 2 ? &g_NameEntries[player] : nullptr; }

uint64_t RowKey(const RankingRow& row) { return static_cast<uint64_t>(row.scoreHigh) << 32 | row.scoreLow; }

void SetDefaultInitials(NameEntry& e) {
  e.letters[0] = 'Z' - 'A';
  e.letters[1] = 'L' - 'A';
  e.letters[2] = 'V' - 'A';
  e.letters[3] = kEndKey;
  e.cursor = 3;
}

void StepLetter(NameEntry& e, int step) {
  int32_t& slot = e.letters[e.cursor];
  // Kept on purpose: the cursor never rests on slot 3 while letters are stepped (the entry
  // finishes the frame it gets there), but a cursor there stepping gives the end key.
  if (e.cursor == 3) {
    slot = kEndKey;
    return;
  }
  const int i = slot < 0 ? 0 : slot;
  slot = (i + kNameEntryLetterCount + step) % kNameEntryLetterCount;
}

void AdvanceCursor(NameEntry& e) {
  ++e.cursor;
  if (e.cursor > 2) {
    e.letters[3] = kEndKey;
    e.cursor = 3;
    return;
  }
  e.letters[e.cursor] = e.letters[e.cursor - 1];
}

// The name as it would be stored; a rejected one becomes the default initials.
void CheckEnteredName(int player, NameEntry& e) {
  char name[4];
  GetEntryName(player, name);
  if (IsRejectedName(name)) SetDefaultInitials(e);
}

void FinishEntry(NameEntry& e) {
  if (e.cursor >= 0 && e.cursor < 4) e.letters[e.cursor] = -1;
  e.state = kNameConfirming;
  e.counter = 0;
}

void TimeOutNameEntry(int player, NameEntry& e) {
  if (e.cursor == 0) SetDefaultInitials(e);
  if (e.letters[e.cursor] != kEndKey) {
    ++e.cursor;
    CheckEnteredName(player, e);
  }
  FinishEntry(e);
}

}  // namespace

uint64_t SideScoreKey(int side) {
  if (side < 0 || side > 3) return 0;
  const SideStatus& s = g_SideStatus[side];
  const int64_t count = static_cast<int64_t>(s.arcadeTotals[8]) + s.arcadeTotals[9];
  const uint64_t points = static_cast<uint64_t>(std::max<int32_t>(s.score, 0));
  return points * 100 + static_cast<uint64_t>(std::clamp<int64_t>(count, 0, 99));
}

int FindRankingPlace(const RankingTable& table, uint64_t key) {
  for (int i = 0; i < kRankingRows; ++i)
    if (RowKey(table.rows[i]) < key) return i;
  return -1;
}

int CheckRankingPlace(int side, int* place, uint64_t* key) {
  if (g_GameModeFlags == MODE_TEAM_BATTLE || !g_PlayData) return 0;
  const uint64_t k = SideScoreKey(side);
  const int p = FindRankingPlace(g_PlayData->ranking, k);
  if (p < 0 || RouteCharacter(side) < 0) return 0;
  if (place) *place = p;
  if (key) *key = k;
  return 1;
}

void InsertRankingRow(int table, const RankingRow& row) {
  if (table != 0 || !g_PlayData) return;
  RankingTable& t = g_PlayData->ranking;
  const int place = FindRankingPlace(t, RowKey(row));
  if (place < 0) return;
  for (int i = kRankingRows - 1; i > place; --i) t.rows[i] = t.rows[i - 1];
  t.rows[place] = row;
}

int RegisterRankingEntry(int player) {
  const NameEntry* e = EntryOf(player);
  if (!e || g_GameModeFlags == MODE_TEAM_BATTLE || !g_PlayData) return 0;
  if (FindRankingPlace(g_PlayData->ranking, e->scoreKey) < 0) return 0;
  RankingRow row{};
  row.scoreLow = static_cast<uint32_t>(e->scoreKey);
  row.scoreHigh = static_cast<uint32_t>(e->scoreKey >> 32);
  GetEntryName(player, row.initials);
  row.character = e->character;
  row.type = e->type;
  row.colour = e->colour;
  InsertRankingRow(0, row);
  return 1;
}

int TryStartNameEntry(int side) {
  int place = 0;
  uint64_t key = 0;
  if (!CheckRankingPlace(side, &place, &key)) return 0;
  NameEntryStart start{place + 1, key, RouteCharacter(side), 0, 0};
  if (const StoryBattleRoute* r = StoryBattleRouteOfSide(side)) {
    start.type = r->playerType;
    start.colour = r->playerColor;
  }
  OpenNameEntry(side, start);
  return 1;
}

void OpenNameEntry(int player, const NameEntryStart& start) {
  NameEntry* e = EntryOf(player);
  if (!e || e->state != kNameClosed) return;
  e->place = start.place;
  e->scoreKey = start.key;
  e->character = start.character;
  e->type = start.type;
  e->colour = start.colour;
  e->active = 1;
  e->cursor = 0;
  e->timeLeft = kNameEntryFrames;
  e->counter = 0;
  e->state = kNameEntering;
  std::fill(std::begin(e->letters), std::end(e->letters), -1);
  e->letters[0] = 0;
}

int HandleNameEntryInput(NameEntry& e, int direction, uint32_t buttons) {
  // Read as an assignment: at cursor 3 the word is the finish bit alone, so the entry finishes on
  // the frame after the third letter was decided, whatever is pressed.
  if (e.cursor == 3) buttons = 1u << 28;
  if (buttons & 1u) {
    int32_t& slot = e.letters[e.cursor];
    if (slot == kEndKey) return 2;
    if (slot == kBackKey) {
      if (e.cursor > 0) {
        slot = -1;
        --e.cursor;
      }
      e.letters[e.cursor] = kBackKey;
    } else {
      AdvanceCursor(e);
    }
    return 1;
  }
  if (buttons & (1u << 28)) {
    e.letters[e.cursor] = kEndKey;
    return 2;
  }
  if (direction == 4) {
    StepLetter(e, -1);
    return 1;
  }
  if (direction == 6) {
    StepLetter(e, 1);
    return 1;
  }
  return 0;
}

void UpdateNameEntry(int player, int direction, uint32_t buttons) {
  NameEntry* e = EntryOf(player);
  if (!e || !e->active) return;
  if (e->timeLeft > 0) --e->timeLeft;
  switch (e->state) {
    case kNameEntering:
      switch (HandleNameEntryInput(*e, direction, buttons)) {
        case 0:
          ++e->counter;
          if (e->timeLeft <= 0) TimeOutNameEntry(player, *e);
          break;
        case 1:
          e->counter = 0;
          break;
        default:
          if (e->cursor == 0) SetDefaultInitials(*e);
          CheckEnteredName(player, *e);
          FinishEntry(*e);
          break;
      }
      break;
    case kNameConfirming:
      if (e->counter >= kNameEntryConfirmFrames)
        e->state = kNameFinished;
      else
        ++e->counter;
      break;
    default:
      break;
  }
}

int IsNameEntryFinished(int player) {
  const NameEntry* e = EntryOf(player);
  return !e || !e->active || e->state == kNameClosed ? 1 : 0;
}

void GetEntryName(int player, char buffer[4]) {
  std::memset(buffer, 0, 4);
  const NameEntry* e = EntryOf(player);
  if (!e) return;
  for (int i = 0; i < 3; ++i) {
    const int32_t v = e->letters[i];
    buffer[i] = v >= 0 && v < kEndKey ? kNameEntryLetters[v] : '\0';
  }
}

int IsRejectedName(const char* name) {
  static constexpr const char* kRejected[] = {"",    " ",   "  ",  "   ", "AAA", "XXX", "XX ", "XX.",
                                              "XX_", "X X", "X.X", "X_X", "SEX", "DQN", "DOQ"};
  if (!name || std::strlen(name) > 3) return 1;
  for (const char* r : kRejected)
    if (std::strcmp(name, r) == 0) return 1;
  return 0;
}

void CloseNameEntries() {
  for (NameEntry& e : g_NameEntries) {
    e.state = kNameClosed;
    e.active = 0;
  }
}

void LoadNameEntryGraphics() {
  CloseNameEntries();
  arcade::Free(g_NameFont);
  g_NameFont = arcade::Load(".\\grp\\system\\P07Nam00");
}

void FreeNameEntryGraphics() {
  arcade::Free(g_NameFont);
  CloseNameEntries();
}

namespace {

constexpr int kPanelY = 2;
constexpr int kPanelPriority = 999;

void DrawCell(float x, float sx, float sy) {
  arcade::Quad(&g_MainDrawList, g_NameFont, x, kPanelY, 16, 24, sx, sy, 32, 32, 0xFFFFFFFFu, 0,
               kPanelPriority);
}

void DrawCharCell(float x, unsigned char ch) {
  const int c = ch < 32 ? 0 : ch - 32;
  DrawCell(x, static_cast<float>(c % 16 * 32), static_cast<float>(c / 16 * 32));
}

void DrawLetterSlot(float x, int32_t letter) {
  if (letter == kEndKey)
    DrawCell(x, 128, 192);
  else if (letter == kBackKey)
    DrawCell(x, 160, 192);
  else if (letter >= 0 && letter < kNameEntryLetterCount)
    DrawCharCell(x, static_cast<unsigned char>(kNameEntryLetters[letter]));
  else
    DrawCharCell(x, ' ');  // an empty slot shows the blank cell
}

void DrawEntryDigits(int x, uint64_t value, int count, bool showZeros) {
  bool leading = true;
  for (int i = count - 1; i >= 0; --i) {
    uint64_t p = 1;
    for (int k = 0; k < i; ++k) p *= 10;
    const int d = static_cast<int>(value / p % 10);
    const int at = x + (count - 1 - i) * 10;
    if (d != 0) leading = false;
    if (leading && !showZeros) continue;  // its position is kept
    DrawCharCell(static_cast<float>(at), static_cast<unsigned char>('0' + d));
  }
}

void DrawNameEntryPanel(const NameEntry& e, int x) {
  if (e.state == kNameClosed) return;
  DrawEntryDigits(x, static_cast<uint64_t>(std::max(e.place, 0)), 2, false);
  const int suffix = e.place >= 1 && e.place <= 3 ? e.place - 1 : 3;
  DrawCell(static_cast<float>(x + 24), static_cast<float>(suffix * 32), 192);
  DrawEntryDigits(x + 40, e.scoreKey, 9, true);
  for (int i = 0; i < 4; ++i) {
    bool shown = true;
    if (e.state == kNameEntering && i == e.cursor) shown = (e.counter / 20) % 2 == 0;
    if (e.state == kNameConfirming) shown = (e.counter / 8) % 2 == 0;
    if (shown) DrawLetterSlot(static_cast<float>(x + 136 + 16 * i), e.letters[i]);
  }
  DrawEntryDigits(x + 200, static_cast<uint64_t>(std::max(e.timeLeft, 0) / 60), 2, true);
}

}  // namespace

void DrawNameEntry(int player) {
  const NameEntry* e = EntryOf(player);
  if (!e || !e->active) return;
  DrawNameEntryPanel(*e, player == 0 ? 40 : 370);
}

void InstallNameEntry() {
  InputGameHooks& h = GetInputGameHooks();
  h.nameEntryState = [](int player) {
    const NameEntry* e = EntryOf(player);
    return e ? static_cast<int>(e->state) : static_cast<int>(kNameClosed);
  };
  h.setNameEntryState = [](int player, int state) {
    if (NameEntry* e = EntryOf(player)) e->state = state;
  };
  h.registerRankingEntry = RegisterRankingEntry;
  h.savePlayDataIfLoaded = [] {
    if (g_PlayData) SavePlayData();
  };
  h.updateNameEntry = UpdateNameEntry;
}
