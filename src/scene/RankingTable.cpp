// The top-10 score table's defaults and its load-time check.
#include "scene/RankingTable.h"

#include <cstring>

void ResetRankingTable(RankingTable& table) {
  static constexpr uint32_t kScores[kRankingRows] = {856000, 666600, 270000, 255000, 240000,
                                                     225000, 210000, 195000, 180000, 165000};
  std::memset(&table, 0, sizeof(table));
  table.magic = kRankingTableMagic;
  for (int i = 0; i < kRankingRows; ++i) {
    RankingRow& row = table.rows[i];
    row.scoreLow = kScores[i];
    std::memcpy(row.initials, "ZLV", 4);
    row.character = i;
    row.type = i % 3;
  }
}

bool CheckRankingTable(RankingTable& table) {
  bool valid = table.magic == kRankingTableMagic;
  for (RankingRow& row : table.rows) {
    row.initials[3] = '\0';
    if (row.character < 0 || row.character > kRankingMaxCharacter || row.type < 0 || row.type > 2)
      valid = false;
  }
  return valid;
}
