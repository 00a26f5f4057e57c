// Leaderboard uploads and downloads.
#include "lobby/boards.h"

#include <algorithm>
#include <array>

namespace vt::lobby {

namespace {
constexpr std::array<std::string_view, 3> kBoards = {"ARCADE_SCORE_POINT", "RANK_MATCH_POINT", "TEST"};

bool IsBoard(BoardHandle board) {
  return isValid(board, IdKind::Leaderboard) && (board & kIdLowMask) <= kBoards.size();
}

BoardEntry ToEntry(const StoredEntry& e, int32_t rank) {
  return BoardEntry{e.user, rank, e.score, e.details, e.ugc, {}};
}
}  // namespace

BoardHandle FindBoard(std::string_view name) {
  for (size_t i = 0; i < kBoards.size(); ++i)
    if (kBoards[i] == name) return MakeId(IdKind::Leaderboard, i + 1);
  return 0;
}

UploadOutcome UploadScore(Store& store, BoardHandle board, UserId user, UploadMethod method, int32_t score,
                          std::span<const int32_t> details) {
  UploadOutcome out;
  out.score = score;
  if (!IsBoard(board) || details.size() > static_cast<size_t>(limits::kBoardDetails)) return out;
  out.success = true;
  out.previousRank = store.rankOf(board, user);
  std::optional<StoredEntry> old = store.entry(board, user);
  const bool better = !old || score > old->score;
  if (method == UploadMethod::KeepBest && !better) {
    out.newRank = out.previousRank;
    return out;
  }
  StoredEntry e = old.value_or(StoredEntry{});
  e.user = user;
  e.details.assign(details.begin(), details.end());
  out.changed = !old || old->score != score;
  if (out.changed) {
    e.score = score;
    e.seq = store.nextSeq();
  }
  store.putEntry(board, e);
  out.newRank = store.rankOf(board, user);
  return out;
}

DownloadOutcome DownloadScores(Store& store, BoardHandle board, UserId caller, DownloadKind kind,
                               int32_t start, int32_t end, std::span<const UserId> friends) {
  DownloadOutcome out;
  if (!IsBoard(board)) return out;
  out.success = true;
  out.total = store.entryCount(board);
  int64_t first = 0, last = -1;
  switch (kind) {
    case DownloadKind::Global:
      first = std::max<int64_t>(start, 1);
      last = end;
      break;
    case DownloadKind::AroundUser: {
      const int32_t rank = store.rankOf(board, caller);
      if (rank == 0) return out;  // no position
      first = std::max<int64_t>(int64_t{rank} + start, 1);
      last = int64_t{rank} + end;
      break;
    }
    case DownloadKind::Friends: {
      std::vector<std::pair<int32_t, StoredEntry>> ranked;
      std::vector<UserId> users(friends.begin(), friends.end());
      users.push_back(caller);
      std::sort(users.begin(), users.end());
      users.erase(std::unique(users.begin(), users.end()), users.end());
      for (UserId u : users)
        if (std::optional<StoredEntry> e = store.entry(board, u))
          ranked.emplace_back(store.rankOf(board, u), *e);
      std::sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
      for (const auto& [rank, e] : ranked) {
        if (out.entries.size() >= static_cast<size_t>(limits::kDownloadEntries)) break;
        out.entries.push_back(ToEntry(e, rank));
      }
      return out;
    }
  }
  last = std::min<int64_t>(last, out.total);
  if (last < first) return out;
  const int64_t count = std::min<int64_t>(last - first + 1, limits::kDownloadEntries);
  int32_t rank = static_cast<int32_t>(first);
  for (const StoredEntry& e : store.entriesByRank(board, rank, static_cast<int32_t>(count)))
    out.entries.push_back(ToEntry(e, rank++));
  return out;
}

Result AttachUgc(Store& store, BoardHandle board, UserId user, UgcHandle ugc) {
  if (!IsBoard(board)) return Result::InvalidParam;
  std::optional<StoredEntry> e = store.entry(board, user);
  if (!e) return Result::NotFound;
  e->ugc = ugc;
  store.putEntry(board, *e);
  return Result::Ok;
}

}  // namespace vt::lobby
