// Leaderboards on the memory store: keep-best and force-update with ranks and ties, the three
// download kinds with their ranges, and attached content.
#include "lobby/boards.h"

#include <gtest/gtest.h>

#include <vector>

#include "lobby/memory_store.h"

namespace vt::lobby {
namespace {

UserId U(int n) { return MakeId(IdKind::User, n); }

TEST(Boards, OnlyTheBuiltInBoardsAreFound) {
  EXPECT_NE(FindBoard("ARCADE_SCORE_POINT"), 0u);
  EXPECT_NE(FindBoard("RANK_MATCH_POINT"), 0u);
  EXPECT_NE(FindBoard("TEST"), 0u);
  EXPECT_NE(FindBoard("TEST"), FindBoard("RANK_MATCH_POINT"));
  EXPECT_EQ(FindBoard("rank_match_point"), 0u);
  EXPECT_EQ(FindBoard(""), 0u);
  EXPECT_TRUE(isValid(FindBoard("TEST"), IdKind::Leaderboard));
}

TEST(Boards, KeepBestAndForceUpdateWithRanksAndTies) {
  MemoryStore store;
  const BoardHandle board = FindBoard("RANK_MATCH_POINT");
  const std::vector<int32_t> d1 = {1, 1}, d2 = {2, 2};
  struct Step {
    int user;
    UploadMethod method;
    int32_t score;
    const std::vector<int32_t>* details;
    bool changed;
    int32_t newRank, previousRank;
    int32_t storedScore;
    const std::vector<int32_t>* storedDetails;
  };
  const auto K = UploadMethod::KeepBest, F = UploadMethod::ForceUpdate;
  const Step steps[] = {
      {1, K, 100, &d1, true, 1, 0, 100, &d1},
      {1, K, 50, &d2, false, 1, 1, 100, &d1},   // not better: nothing changes, details included
      {1, K, 100, &d2, false, 1, 1, 100, &d1},  // equal is not better
      {2, K, 150, &d1, true, 1, 0, 150, &d1},   // user 2 goes ahead
      {1, K, 150, &d2, true, 2, 2, 150, &d2},   // ties 150: user 2 reached it first
      {3, F, 150, &d1, true, 3, 0, 150, &d1},   // third at the same score
      {2, F, 150, &d2, false, 1, 1, 150, &d2},  // same score forced: details replaced, place kept
      {2, F, 50, &d1, true, 3, 1, 50, &d1},     // forced down
      {2, F, 150, &d1, true, 3, 3, 150, &d1},   // back to 150, now reached last
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    const Step& s = steps[i];
    SCOPED_TRACE(i);
    UploadOutcome out = UploadScore(store, board, U(s.user), s.method, s.score, *s.details);
    EXPECT_TRUE(out.success);
    EXPECT_EQ(out.score, s.score);
    EXPECT_EQ(out.changed, s.changed);
    EXPECT_EQ(out.newRank, s.newRank);
    EXPECT_EQ(out.previousRank, s.previousRank);
    std::optional<StoredEntry> e = store.entry(board, U(s.user));
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->score, s.storedScore);
    EXPECT_EQ(e->details, *s.storedDetails);
  }
  // Other boards are untouched.
  EXPECT_EQ(store.entryCount(FindBoard("TEST")), 0);
}

TEST(Boards, UploadLimits) {
  MemoryStore store;
  const BoardHandle board = FindBoard("TEST");
  std::vector<int32_t> details(64, 7);
  EXPECT_TRUE(UploadScore(store, board, U(1), UploadMethod::ForceUpdate, 1, details).success);
  details.push_back(7);
  EXPECT_FALSE(UploadScore(store, board, U(1), UploadMethod::ForceUpdate, 2, details).success);
  EXPECT_EQ(store.entry(board, U(1))->score, 1);
  EXPECT_FALSE(UploadScore(store, 0, U(1), UploadMethod::ForceUpdate, 1, {}).success);
  EXPECT_FALSE(
      UploadScore(store, MakeId(IdKind::Leaderboard, 4), U(1), UploadMethod::ForceUpdate, 1, {}).success);
}

std::vector<int32_t> Ranks(const DownloadOutcome& out) {
  std::vector<int32_t> ranks;
  for (const BoardEntry& e : out.entries) ranks.push_back(e.rank);
  return ranks;
}
std::vector<int32_t> Range(int32_t a, int32_t b) {
  std::vector<int32_t> v;
  for (int32_t i = a; i <= b; ++i) v.push_back(i);
  return v;
}

TEST(Boards, DownloadRanges) {
  MemoryStore store;
  const BoardHandle board = FindBoard("ARCADE_SCORE_POINT");
  // 40 entries: user n scores 1000 - 10 n, so user n holds rank n.
  for (int n = 1; n <= 40; ++n) UploadScore(store, board, U(n), UploadMethod::KeepBest, 1000 - 10 * n, {});
  const struct {
    const char* name;
    DownloadKind kind;
    int caller;
    int32_t start, end;
    std::vector<int32_t> ranks;
  } rows[] = {
      {"global 1-31", DownloadKind::Global, 1, 1, 31, Range(1, 31)},
      {"global from 0", DownloadKind::Global, 1, 0, 3, Range(1, 3)},
      {"global past the end", DownloadKind::Global, 1, 35, 60, Range(35, 40)},
      {"global start past total", DownloadKind::Global, 1, 41, 60, {}},
      {"global end before start", DownloadKind::Global, 1, 5, 4, {}},
      {"around rank 3", DownloadKind::AroundUser, 3, -50, 50, Range(1, 40)},
      {"around rank 20", DownloadKind::AroundUser, 20, -2, 2, Range(18, 22)},
      {"around, after only", DownloadKind::AroundUser, 20, 1, 3, Range(21, 23)},
      {"around without an entry", DownloadKind::AroundUser, 99, -5, 5, {}},
      {"friends ignore the range", DownloadKind::Friends, 30, 1, 1, {5, 12, 30}},
  };
  const std::vector<UserId> friends = {U(12), U(5), U(77)};  // 77 has no entry
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    DownloadOutcome out = DownloadScores(store, board, U(row.caller), row.kind, row.start, row.end, friends);
    EXPECT_TRUE(out.success);
    EXPECT_EQ(out.total, 40);
    EXPECT_EQ(Ranks(out), row.ranks);
    for (const BoardEntry& e : out.entries) EXPECT_EQ(e.user, U(e.rank));
  }
}

TEST(Boards, AroundUserOnALargeBoardGivesAtMost101AndGlobalAtMost1000) {
  MemoryStore store;
  const BoardHandle board = FindBoard("RANK_MATCH_POINT");
  for (int n = 1; n <= 1200; ++n) UploadScore(store, board, U(n), UploadMethod::KeepBest, 5000 - n, {});
  EXPECT_EQ(Ranks(DownloadScores(store, board, U(600), DownloadKind::AroundUser, -50, 50, {})),
            Range(550, 650));
  EXPECT_EQ(DownloadScores(store, board, U(1), DownloadKind::Global, 1, 1200, {}).entries.size(), 1000u);
}

TEST(Boards, ContentAttachesOnlyToAnOwnEntry) {
  MemoryStore store;
  const BoardHandle board = FindBoard("RANK_MATCH_POINT");
  const UgcHandle ugc = MakeId(IdKind::SharedContent, 9);
  EXPECT_EQ(AttachUgc(store, board, U(1), ugc), Result::NotFound);
  UploadScore(store, board, U(1), UploadMethod::ForceUpdate, 10, {});
  EXPECT_EQ(AttachUgc(store, board, U(1), ugc), Result::Ok);
  EXPECT_EQ(DownloadScores(store, board, U(1), DownloadKind::Global, 1, 1, {}).entries.at(0).ugc, ugc);
  // A later score keeps the attachment.
  UploadScore(store, board, U(1), UploadMethod::ForceUpdate, 20, {});
  EXPECT_EQ(store.entry(board, U(1))->ugc, ugc);
}

}  // namespace
}  // namespace vt::lobby
