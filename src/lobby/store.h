// Persistent state of the online service behind one interface: leaderboard entries, statistics,
// achievements, files and shared content. MemoryStore (here) and SqliteStore (the service) pass
// the same table of tests; everything ephemeral (lobbies, sessions, tickets) stays in the core.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lobby/types.h"

namespace vt::lobby {

struct StoredEntry {
  UserId user = 0;
  int32_t score = 0;
  std::vector<int32_t> details;
  UgcHandle ugc = 0;
  // Grows only when a score changes, so the earlier holder of a tied score stays ahead.
  uint64_t seq = 0;
};

struct StoredShare {
  UgcHandle handle = 0;
  UserId owner = 0;
  std::string name;
  std::vector<uint8_t> content;
};

class Store {
 public:
  virtual ~Store() = default;

  // Leaderboards (every board ranks descending: a higher score, then a smaller seq, is ahead).
  virtual std::optional<StoredEntry> entry(BoardHandle board, UserId user) = 0;
  virtual void putEntry(BoardHandle board, const StoredEntry& entry) = 0;
  // 1-based; 0 when the user has no entry.
  virtual int32_t rankOf(BoardHandle board, UserId user) = 0;
  virtual int32_t entryCount(BoardHandle board) = 0;
  // Entries of ranks first .. first + count - 1, in rank order.
  virtual std::vector<StoredEntry> entriesByRank(BoardHandle board, int32_t first, int32_t count) = 0;
  // A sequence number larger than every one handed out before.
  virtual uint64_t nextSeq() = 0;

  // Statistics and achievements (achievements are stored as 0/1).
  virtual std::optional<int32_t> stat(UserId user, std::string_view name) = 0;
  virtual void putStat(UserId user, std::string_view name, int32_t value) = 0;

  // Files: replaced whole.
  virtual std::optional<std::vector<uint8_t>> file(UserId user, std::string_view name) = 0;
  virtual void putFile(UserId user, std::string_view name, const std::vector<uint8_t>& content) = 0;
  virtual bool removeFile(UserId user, std::string_view name) = 0;
  virtual std::vector<std::string> fileNames(UserId user) = 0;  // in name order
  virtual uint64_t bytesUsed(UserId user) = 0;

  // Shared content: one stable handle per (owner, name).
  virtual std::optional<StoredShare> shareByHandle(UgcHandle handle) = 0;
  virtual std::optional<StoredShare> shareOf(UserId owner, std::string_view name) = 0;
  virtual void putShare(const StoredShare& share) = 0;
  virtual bool removeShare(UgcHandle handle) = 0;
};

}  // namespace vt::lobby
