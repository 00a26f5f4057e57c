// The high-score table's operations (place search, row insertion, registering a finished entry)
// and the two players' name entries typed on the letter wheel of the credit line: their records,
// the per-frame input step, the panel drawing and the one operation that stores a finished entry.
#pragma once

#include <cstdint>

#include "scene/RankingTable.h"

// "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._& @": a letter is its index; the blank is the back key,
// "@" the end key (it never enters a name).
inline constexpr char kNameEntryLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._& @";
inline constexpr int kNameEntryLetterCount = 41;
inline constexpr int kBackKey = 39;
inline constexpr int kEndKey = 40;
inline constexpr int kNameEntryFrames = 3600;
inline constexpr int kNameEntryConfirmFrames = 120;

enum NameEntryStateId : int32_t {
  kNameEntering = 0,
  kNameConfirming = 1,
  kNameFinished = 2,
  kNameClosed = 3,
};

struct NameEntry {
  uint8_t active = 0;
  int32_t letters[4] = {-1, -1, -1, -1};  // -1 empty; slot 3 only ever holds the end key
  int32_t timeLeft = 0;
  int32_t counter = 0;
  int32_t cursor = 0;
  int32_t place = 0;  // 1-based
  uint64_t scoreKey = 0;
  int32_t state = kNameClosed;
  int32_t character = 0;
  int32_t type = 0;
  int32_t colour = 0;
};
extern NameEntry g_NameEntries[2];

struct NameEntryStart {
  int32_t place = 0;
  uint64_t key = 0;
  int32_t character = 0;
  int32_t type = 0;
  int32_t colour = 0;
};

// The side's score key: points x 100 + min(count, 99), count the two counters the score display
// shows beside the points. Computed in 64 bits so no total wraps the key.
uint64_t SideScoreKey(int side);

// Index of the first row whose key is strictly below `key` (a tie goes below), -1 when none.
int FindRankingPlace(const RankingTable& table, uint64_t key);
// 1 with place and key written when the side's score enters the table.
int CheckRankingPlace(int side, int* place, uint64_t* key);
// Moves the rows from the first smaller key down (row 9 drops out) and writes the row there;
// a first argument other than 0, or no smaller key, does nothing.
void InsertRankingRow(int table, const RankingRow& row);
int RegisterRankingEntry(int player);

int TryStartNameEntry(int side);
void OpenNameEntry(int player, const NameEntryStart& start);
// 0 nothing done, 1 handled, 2 finished.
int HandleNameEntryInput(NameEntry& entry, int direction, uint32_t buttons);
void UpdateNameEntry(int player, int direction, uint32_t buttons);
int IsNameEntryFinished(int player);
// Three characters and a NUL; an empty or end-key slot gives NUL.
void GetEntryName(int player, char buffer[4]);
int IsRejectedName(const char* name);
// Both records closed and hidden (start-up and shutdown).
void CloseNameEntries();

void LoadNameEntryGraphics();
void FreeNameEntryGraphics();
void DrawNameEntry(int player);

// The name-entry input hooks and the entry's share of the credit table.
void InstallNameEntry();
