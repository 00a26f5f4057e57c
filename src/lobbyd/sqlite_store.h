// The service's persistent store on SQLite: one file in WAL mode, one transaction per change, the
// schema versioned through PRAGMA user_version with forward migrations at open; a database
// written by a newer service is refused with a log line naming the file.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "lobby/store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vt::lobbyd {

using namespace vt::lobby;

class SqliteStore final : public Store {
 public:
  static constexpr int kSchemaVersion = 1;

  // ":memory:" or a file path. Null (and the reason in `error`, also logged) when the file cannot
  // be opened or migrated, or carries a newer schema.
  static std::unique_ptr<SqliteStore> Open(const std::string& path, std::string* error = nullptr);
  ~SqliteStore() override;

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
  class Statement;
  explicit SqliteStore(sqlite3* db) : db_(db) {}
  bool exec(const char* sql);

  std::mutex mutex_;
  sqlite3* db_;
};

}  // namespace vt::lobbyd
