// The store the simulated world runs on: everything in ordered containers, so iteration order is
// defined. Thread-safe: the worker-thread file calls and the logic thread may meet here.
#pragma once

#include <map>
#include <mutex>
#include <tuple>

#include "lobby/store.h"

namespace vt::lobby {

class MemoryStore final : public Store {
 public:
  std::optional<StoredEntry> entry(BoardHandle board, UserId user) override;
  void putEntry(BoardHandle board, const StoredEntry& entry) override;
  int32_t rankOf(BoardHandle board, UserId user) override;
  int32_t entryCount(BoardHandle board) override;
  std::vector<StoredEntry> entriesByRank(BoardHandle board, int32_t first, int32_t count) override;
  uint64_t nextSeq() override;

  std::optional<int32_t> stat(UserId user, std::string_view name) override;
  void putStat(UserId user, std::string_view name, int32_t value) override;

  std::optional<std::vector<uint8_t>> file(UserId user, std::string_view name) override;
  void putFile(UserId user, std::string_view name, const std::vector<uint8_t>& content) override;
  bool removeFile(UserId user, std::string_view name) override;
  std::vector<std::string> fileNames(UserId user) override;
  uint64_t bytesUsed(UserId user) override;

  std::optional<StoredShare> shareByHandle(UgcHandle handle) override;
  std::optional<StoredShare> shareOf(UserId owner, std::string_view name) override;
  void putShare(const StoredShare& share) override;
  bool removeShare(UgcHandle handle) override;

 private:
  // Rank order: higher score first, then smaller seq.
  using RankKey = std::tuple<int64_t, uint64_t, UserId>;  // (-score, seq, user)
  struct Board {
    std::map<UserId, StoredEntry> entries;
    std::vector<RankKey> order;  // sorted: ranks are indices
  };
  static RankKey KeyOf(const StoredEntry& e) { return {-int64_t{e.score}, e.seq, e.user}; }

  std::mutex mutex_;
  uint64_t lastSeq_ = 0;
  std::map<BoardHandle, Board> boards_;
  std::map<std::pair<UserId, std::string>, int32_t, std::less<>> stats_;
  std::map<UserId, std::map<std::string, std::vector<uint8_t>, std::less<>>> files_;
  std::map<UgcHandle, StoredShare> shares_;
};

}  // namespace vt::lobby
