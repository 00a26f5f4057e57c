// The top-10 score table kept inside the play-data record: its rows, the defaults and the check
// made when the record is loaded.
#pragma once

#include <cstdint>

struct RankingRow {
  uint32_t scoreLow;  // score key, unsigned 64-bit, low word first
  uint32_t scoreHigh;
  char initials[4];  // up to three letters, zero-terminated
  int32_t reserved0;
  int32_t character;
  int32_t type;  // fighting type 0..2
  int32_t colour;
  int32_t reserved1;
};
static_assert(sizeof(RankingRow) == 32);

constexpr uint32_t kRankingTableMagic = 0xFFF00002u;
constexpr int kRankingRows = 10;
// Character indexes run 0..63 (the character-to-record table covers them all).
constexpr int32_t kRankingMaxCharacter = 63;

struct RankingTable {
  uint32_t magic;
  uint32_t reserved;
  RankingRow rows[kRankingRows];
};
static_assert(sizeof(RankingTable) == 328);

// Header word, reserved 0 and the ten default rows ("ZLV", characters 0..9, types 0,1,2,...).
void ResetRankingTable(RankingTable& table);
// Forces each row's initials to end in a zero byte; false when the header word is wrong or a
// row's character or type is out of range (the table is then reset like a wrong header word).
bool CheckRankingTable(RankingTable& table);
