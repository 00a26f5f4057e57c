// SqliteStore.
#include "lobbyd/sqlite_store.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>

#include "lobby/stats.h"

namespace vt::lobbyd {

namespace {

// Forward migrations: entry i takes the schema from version i to i + 1.
const char* const kMigrations[] = {
    R"(CREATE TABLE users(id INTEGER PRIMARY KEY, pubkey BLOB UNIQUE, persona TEXT, country TEXT, region TEXT,
                          cloud_enabled INTEGER, quota_bytes INTEGER, created INTEGER, last_login INTEGER);
       CREATE TABLE friend_claims(user INTEGER, friend INTEGER, PRIMARY KEY(user, friend));
       CREATE TABLE boards(id INTEGER PRIMARY KEY, name TEXT UNIQUE, sort INTEGER, display INTEGER);
       CREATE TABLE entries(board INTEGER, user INTEGER, score INTEGER, details BLOB, ugc INTEGER, seq INTEGER,
                            updated INTEGER, PRIMARY KEY(board, user));
       CREATE INDEX entries_rank ON entries(board, score DESC, seq);
       CREATE TABLE stats(user INTEGER, app INTEGER, name TEXT, value INTEGER, PRIMARY KEY(user, app, name));
       CREATE TABLE achievements(user INTEGER, app INTEGER, name TEXT, unlocked_at INTEGER,
                                 PRIMARY KEY(user, app, name));
       CREATE TABLE files(user INTEGER, name TEXT, content BLOB, size INTEGER, updated INTEGER,
                          PRIMARY KEY(user, name));
       CREATE TABLE ugc(handle INTEGER PRIMARY KEY, owner INTEGER, name TEXT, content BLOB, size INTEGER,
                        shared_at INTEGER, UNIQUE(owner, name));
       CREATE TABLE meta(key TEXT PRIMARY KEY, value INTEGER);
       INSERT INTO meta(key, value) VALUES('seq', 0);)",
};
static_assert(std::size(kMigrations) == SqliteStore::kSchemaVersion);

std::vector<uint8_t> PackDetails(const std::vector<int32_t>& details) {
  std::vector<uint8_t> bytes;
  for (int32_t d : details)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(d) >> (8 * i)));
  return bytes;
}

std::vector<int32_t> UnpackDetails(const uint8_t* p, int size) {
  std::vector<int32_t> details;
  for (int i = 0; i + 4 <= size; i += 4)
    details.push_back(static_cast<int32_t>(uint32_t{p[i]} | uint32_t{p[i + 1]} << 8 |
                                           uint32_t{p[i + 2]} << 16 | uint32_t{p[i + 3]} << 24));
  return details;
}

void Log(const std::string& line) { std::fprintf(stderr, "lobbyd: %s\n", line.c_str()); }

}  // namespace

// A prepared statement with typed binds and column reads; finalised on scope exit.
class SqliteStore::Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement& bind(int i, int64_t v) {
    sqlite3_bind_int64(stmt_, i, v);
    return *this;
  }
  Statement& bind(int i, uint64_t v) { return bind(i, static_cast<int64_t>(v)); }
  Statement& bind(int i, std::string_view v) {
    sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Statement& bind(int i, const std::vector<uint8_t>& v) {
    // A zero-length blob still reads back as a blob, not as NULL.
    sqlite3_bind_blob(stmt_, i, v.empty() ? "" : static_cast<const void*>(v.data()),
                      static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  bool row() { return sqlite3_step(stmt_) == SQLITE_ROW; }
  bool run() { return sqlite3_step(stmt_) == SQLITE_DONE; }
  int64_t integer(int c) { return sqlite3_column_int64(stmt_, c); }
  std::string text(int c) {
    const unsigned char* t = sqlite3_column_text(stmt_, c);
    return t == nullptr ? std::string()
                        : std::string(reinterpret_cast<const char*>(t), sqlite3_column_bytes(stmt_, c));
  }
  std::vector<uint8_t> blob(int c) {
    const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, c));
    const int n = sqlite3_column_bytes(stmt_, c);
    return p == nullptr ? std::vector<uint8_t>() : std::vector<uint8_t>(p, p + n);
  }
  std::vector<int32_t> details(int c) {
    return UnpackDetails(static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, c)),
                         sqlite3_column_bytes(stmt_, c));
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

std::unique_ptr<SqliteStore> SqliteStore::Open(const std::string& path, std::string* error) {
  auto fail = [&](const std::string& why) -> std::unique_ptr<SqliteStore> {
    const std::string line = path + ": " + why;
    Log(line);
    if (error != nullptr) *error = line;
    return nullptr;
  };
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    const std::string why = db != nullptr ? sqlite3_errmsg(db) : "cannot open";
    sqlite3_close(db);
    return fail(why);
  }
  std::unique_ptr<SqliteStore> store(new SqliteStore(db));
  // A crash loses nothing committed; a power cut may lose the last transactions.
  if (!store->exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA busy_timeout=5000;"))
    return fail(sqlite3_errmsg(db));
  int version = 0;
  {
    Statement s(db, "PRAGMA user_version");
    if (s.row()) version = static_cast<int>(s.integer(0));
  }
  if (version > kSchemaVersion)
    return fail("schema version " + std::to_string(version) + " is newer than this service knows (" +
                std::to_string(kSchemaVersion) + "); refused");
  for (; version < kSchemaVersion; ++version) {
    const std::string sql = std::string("BEGIN; ") + kMigrations[version] +
                            "; PRAGMA user_version = " + std::to_string(version + 1) + "; COMMIT;";
    if (!store->exec(sql.c_str())) {
      const std::string why = sqlite3_errmsg(db);
      store->exec("ROLLBACK;");
      return fail("migration to schema version " + std::to_string(version + 1) + " failed: " + why);
    }
  }
  return store;
}

SqliteStore::~SqliteStore() { sqlite3_close(db_); }

bool SqliteStore::exec(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

using Guard = std::lock_guard<std::mutex>;

std::optional<StoredEntry> SqliteStore::entry(BoardHandle board, UserId user) {
  Guard g(mutex_);
  Statement s(db_, "SELECT score, details, ugc, seq FROM entries WHERE board = ? AND user = ?");
  s.bind(1, board).bind(2, user);
  if (!s.row()) return std::nullopt;
  return StoredEntry{user, static_cast<int32_t>(s.integer(0)), s.details(1),
                     static_cast<UgcHandle>(s.integer(2)), static_cast<uint64_t>(s.integer(3))};
}

void SqliteStore::putEntry(BoardHandle board, const StoredEntry& e) {
  Guard g(mutex_);
  Statement s(db_,
              "INSERT OR REPLACE INTO entries(board, user, score, details, ugc, seq, updated) "
              "VALUES(?, ?, ?, ?, ?, ?, strftime('%s','now'))");
  s.bind(1, board).bind(2, e.user).bind(3, int64_t{e.score}).bind(4, PackDetails(e.details)).bind(5, e.ugc);
  s.bind(6, e.seq).run();
}

int32_t SqliteStore::rankOf(BoardHandle board, UserId user) {
  Guard g(mutex_);
  // Two range counts on the rank index: higher scores, then the same score reached earlier.
  Statement s(
      db_,
      "SELECT 1 + (SELECT COUNT(*) FROM entries o WHERE o.board = e.board AND o.score > e.score) + "
      "(SELECT COUNT(*) FROM entries o WHERE o.board = e.board AND o.score = e.score AND o.seq < e.seq) "
      "FROM entries e WHERE e.board = ? AND e.user = ?");
  s.bind(1, board).bind(2, user);
  return s.row() ? static_cast<int32_t>(s.integer(0)) : 0;
}

int32_t SqliteStore::entryCount(BoardHandle board) {
  Guard g(mutex_);
  Statement s(db_, "SELECT COUNT(*) FROM entries WHERE board = ?");
  s.bind(1, board);
  return s.row() ? static_cast<int32_t>(s.integer(0)) : 0;
}

std::vector<StoredEntry> SqliteStore::entriesByRank(BoardHandle board, int32_t first, int32_t count) {
  Guard g(mutex_);
  std::vector<StoredEntry> out;
  if (first < 1 || count <= 0) return out;
  Statement s(db_,
              "SELECT user, score, details, ugc, seq FROM entries WHERE board = ? "
              "ORDER BY score DESC, seq ASC LIMIT ? OFFSET ?");
  s.bind(1, board).bind(2, int64_t{count}).bind(3, int64_t{first} - 1);
  while (s.row())
    out.push_back(StoredEntry{static_cast<UserId>(s.integer(0)), static_cast<int32_t>(s.integer(1)),
                              s.details(2), static_cast<UgcHandle>(s.integer(3)),
                              static_cast<uint64_t>(s.integer(4))});
  return out;
}

uint64_t SqliteStore::nextSeq() {
  Guard g(mutex_);
  Statement(db_, "UPDATE meta SET value = value + 1 WHERE key = 'seq'").run();
  Statement s(db_, "SELECT value FROM meta WHERE key = 'seq'");
  return s.row() ? static_cast<uint64_t>(s.integer(0)) : 0;
}

// Achievements live in their own table with the time they unlocked; the other statistics in
// theirs. Both are read back as values (achievements 0 or 1).
std::optional<int32_t> SqliteStore::stat(UserId user, std::string_view name) {
  Guard g(mutex_);
  const bool achievement = KindOfStat(name) == StatKind::Achievement;
  Statement s(db_, achievement ? "SELECT 1 FROM achievements WHERE user = ? AND app = ? AND name = ?"
                               : "SELECT value FROM stats WHERE user = ? AND app = ? AND name = ?");
  s.bind(1, user).bind(2, int64_t{kAppId}).bind(3, name);
  if (!s.row()) return std::nullopt;
  return static_cast<int32_t>(s.integer(0));
}

void SqliteStore::putStat(UserId user, std::string_view name, int32_t value) {
  Guard g(mutex_);
  if (KindOfStat(name) == StatKind::Achievement) {
    Statement s(db_, value != 0 ? "INSERT OR IGNORE INTO achievements(user, app, name, unlocked_at) "
                                  "VALUES(?, ?, ?, strftime('%s','now'))"
                                : "DELETE FROM achievements WHERE user = ? AND app = ? AND name = ?");
    s.bind(1, user).bind(2, int64_t{kAppId}).bind(3, name).run();
    return;
  }
  Statement s(db_, "INSERT OR REPLACE INTO stats(user, app, name, value) VALUES(?, ?, ?, ?)");
  s.bind(1, user).bind(2, int64_t{kAppId}).bind(3, name).bind(4, int64_t{value}).run();
}

std::optional<std::vector<uint8_t>> SqliteStore::file(UserId user, std::string_view name) {
  Guard g(mutex_);
  Statement s(db_, "SELECT content FROM files WHERE user = ? AND name = ?");
  s.bind(1, user).bind(2, name);
  if (!s.row()) return std::nullopt;
  return s.blob(0);
}

void SqliteStore::putFile(UserId user, std::string_view name, const std::vector<uint8_t>& content) {
  Guard g(mutex_);
  // One statement is one transaction: a crash leaves the old file or the new one, never a mix.
  Statement s(db_,
              "INSERT OR REPLACE INTO files(user, name, content, size, updated) "
              "VALUES(?, ?, ?, ?, strftime('%s','now'))");
  s.bind(1, user).bind(2, name).bind(3, content).bind(4, static_cast<int64_t>(content.size())).run();
}

bool SqliteStore::removeFile(UserId user, std::string_view name) {
  Guard g(mutex_);
  Statement s(db_, "DELETE FROM files WHERE user = ? AND name = ?");
  s.bind(1, user).bind(2, name).run();
  return sqlite3_changes(db_) > 0;
}

std::vector<std::string> SqliteStore::fileNames(UserId user) {
  Guard g(mutex_);
  std::vector<std::string> names;
  Statement s(db_, "SELECT name FROM files WHERE user = ? ORDER BY name");
  s.bind(1, user);
  while (s.row()) names.push_back(s.text(0));
  return names;
}

uint64_t SqliteStore::bytesUsed(UserId user) {
  Guard g(mutex_);
  Statement s(db_, "SELECT COALESCE(SUM(size), 0) FROM files WHERE user = ?");
  s.bind(1, user);
  return s.row() ? static_cast<uint64_t>(s.integer(0)) : 0;
}

std::optional<StoredShare> SqliteStore::shareByHandle(UgcHandle handle) {
  Guard g(mutex_);
  Statement s(db_, "SELECT owner, name, content FROM ugc WHERE handle = ?");
  s.bind(1, handle);
  if (!s.row()) return std::nullopt;
  return StoredShare{handle, static_cast<UserId>(s.integer(0)), s.text(1), s.blob(2)};
}

std::optional<StoredShare> SqliteStore::shareOf(UserId owner, std::string_view name) {
  Guard g(mutex_);
  Statement s(db_, "SELECT handle, content FROM ugc WHERE owner = ? AND name = ?");
  s.bind(1, owner).bind(2, name);
  if (!s.row()) return std::nullopt;
  return StoredShare{static_cast<UgcHandle>(s.integer(0)), owner, std::string(name), s.blob(1)};
}

void SqliteStore::putShare(const StoredShare& share) {
  Guard g(mutex_);
  Statement s(db_,
              "INSERT OR REPLACE INTO ugc(handle, owner, name, content, size, shared_at) "
              "VALUES(?, ?, ?, ?, ?, strftime('%s','now'))");
  s.bind(1, share.handle).bind(2, share.owner).bind(3, share.name).bind(4, share.content);
  s.bind(5, static_cast<int64_t>(share.content.size())).run();
}

bool SqliteStore::removeShare(UgcHandle handle) {
  Guard g(mutex_);
  Statement s(db_, "DELETE FROM ugc WHERE handle = ?");
  s.bind(1, handle).run();
  return sqlite3_changes(db_) > 0;
}

}  // namespace vt::lobbyd
