// Leaderboard rules over a Store: the built-in boards, keep-best and force-update uploads with
// ranks, and the three kinds of download. Ranks are 1-based; a tie goes to whoever reached the
// score first.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "lobby/store.h"

namespace vt::lobby {

// "ARCADE_SCORE_POINT", "RANK_MATCH_POINT" and "TEST"; 0 for any other name (clients never
// create boards).
BoardHandle FindBoard(std::string_view name);

struct UploadOutcome {
  bool success = false;
  int32_t score = 0;
  bool changed = false;
  int32_t newRank = 0;
  int32_t previousRank = 0;  // 0 when there was no entry
};

// Always the caller's own entry. KeepBest changes nothing (details included) unless the score is
// better; ForceUpdate replaces score and details. Fails for an unknown board or over 64 details.
UploadOutcome UploadScore(Store& store, BoardHandle board, UserId user, UploadMethod method, int32_t score,
                          std::span<const int32_t> details);

struct DownloadOutcome {
  bool success = false;
  int32_t total = 0;
  std::vector<BoardEntry> entries;  // persona names are filled by the caller
};

// Global: ranks start..end (start clamped to 1; end < start gives none). AroundUser: the
// caller's rank + start .. + end, clamped; none without an own entry. Friends: the caller and the
// given friends in rank order, range ignored. At most 1000 entries.
DownloadOutcome DownloadScores(Store& store, BoardHandle board, UserId caller, DownloadKind kind,
                               int32_t start, int32_t end, std::span<const UserId> friends);

// Attaches shared content to the caller's own entry: NotFound without one.
Result AttachUgc(Store& store, BoardHandle board, UserId user, UgcHandle ugc);

}  // namespace vt::lobby
