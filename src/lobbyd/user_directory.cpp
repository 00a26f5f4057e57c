// UserDirectory over SQLite.
#include "lobbyd/user_directory.h"

#include <sqlite3.h>

namespace vt::lobbyd {

namespace {
// A prepared statement finalised on scope exit.
struct Stmt {
  Stmt(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &s, nullptr); }
  ~Stmt() { sqlite3_finalize(s); }
  Stmt& bind(int i, int64_t v) {
    sqlite3_bind_int64(s, i, v);
    return *this;
  }
  Stmt& bind(int i, const std::string& v) {
    sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& bind(int i, const PublicKey& k) {
    sqlite3_bind_blob(s, i, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
    return *this;
  }
  bool row() { return sqlite3_step(s) == SQLITE_ROW; }
  bool run() { return sqlite3_step(s) == SQLITE_DONE; }
  int64_t integer(int c) { return sqlite3_column_int64(s, c); }
  std::string text(int c) {
    const unsigned char* t = sqlite3_column_text(s, c);
    return t == nullptr ? std::string()
                        : std::string(reinterpret_cast<const char*>(t), sqlite3_column_bytes(s, c));
  }
  sqlite3_stmt* s = nullptr;
};

constexpr const char* kColumns = "id, persona, country, region, cloud_enabled, quota_bytes";

UserRecord ReadUser(Stmt& s) {
  return UserRecord{static_cast<UserId>(s.integer(0)),  s.text(1), s.text(2), s.text(3), s.integer(4) != 0,
                    static_cast<uint64_t>(s.integer(5))};
}
}  // namespace

std::unique_ptr<UserDirectory> UserDirectory::Open(const std::string& path, std::string* error) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                      nullptr) != SQLITE_OK) {
    if (error != nullptr) *error = path + ": " + (db != nullptr ? sqlite3_errmsg(db) : "cannot open");
    sqlite3_close(db);
    return nullptr;
  }
  // The store's migrations make these tables in a file; an in-memory database is private to its
  // connection, so the directory makes them itself there (the same columns).
  sqlite3_exec(
      db,
      "PRAGMA busy_timeout=5000;"
      "CREATE TABLE IF NOT EXISTS users(id INTEGER PRIMARY KEY, pubkey BLOB UNIQUE, persona TEXT,"
      " country TEXT, region TEXT, cloud_enabled INTEGER, quota_bytes INTEGER, created INTEGER,"
      " last_login INTEGER);"
      "CREATE TABLE IF NOT EXISTS friend_claims(user INTEGER, friend INTEGER, PRIMARY KEY(user, friend));",
      nullptr, nullptr, nullptr);
  return std::unique_ptr<UserDirectory>(new UserDirectory(db));
}

UserDirectory::~UserDirectory() { sqlite3_close(db_); }

std::optional<UserRecord> UserDirectory::byKey(const PublicKey& key) {
  Stmt s(db_, (std::string("SELECT ") + kColumns + " FROM users WHERE pubkey = ?").c_str());
  s.bind(1, key);
  if (!s.row()) return std::nullopt;
  return ReadUser(s);
}

std::optional<UserRecord> UserDirectory::byId(UserId id) {
  Stmt s(db_, (std::string("SELECT ") + kColumns + " FROM users WHERE id = ?").c_str());
  s.bind(1, static_cast<int64_t>(id));
  if (!s.row()) return std::nullopt;
  return ReadUser(s);
}

bool UserDirectory::add(const PublicKey& key, const UserRecord& u, uint32_t now) {
  Stmt s(db_,
         "INSERT INTO users(id, pubkey, persona, country, region, cloud_enabled, quota_bytes, created, "
         "last_login)"
         " VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
  s.bind(1, static_cast<int64_t>(u.id)).bind(2, key).bind(3, u.persona).bind(4, u.country).bind(5, u.region);
  s.bind(6, u.cloudEnabled ? 1 : 0).bind(7, static_cast<int64_t>(u.quota)).bind(8, now).bind(9, now);
  return s.run();
}

void UserDirectory::updateLogin(const UserRecord& u, uint32_t now) {
  Stmt s(db_, "UPDATE users SET persona = ?, country = ?, region = ?, last_login = ? WHERE id = ?");
  s.bind(1, u.persona).bind(2, u.country).bind(3, u.region).bind(4, now).bind(5, static_cast<int64_t>(u.id));
  s.run();
}

void UserDirectory::setCloud(UserId id, bool enabled) {
  Stmt s(db_, "UPDATE users SET cloud_enabled = ? WHERE id = ?");
  s.bind(1, enabled ? 1 : 0).bind(2, static_cast<int64_t>(id));
  s.run();
}

void UserDirectory::setQuota(UserId id, uint64_t bytes) {
  Stmt s(db_, "UPDATE users SET quota_bytes = ? WHERE id = ?");
  s.bind(1, static_cast<int64_t>(bytes)).bind(2, static_cast<int64_t>(id));
  s.run();
}

void UserDirectory::setClaims(UserId id, const std::vector<UserId>& friends) {
  sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  {
    Stmt s(db_, "DELETE FROM friend_claims WHERE user = ?");
    s.bind(1, static_cast<int64_t>(id));
    s.run();
  }
  for (UserId f : friends) addClaim(id, f);
  sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
}

void UserDirectory::addClaim(UserId id, UserId friendId) {
  Stmt s(db_, "INSERT OR IGNORE INTO friend_claims(user, friend) VALUES(?, ?)");
  s.bind(1, static_cast<int64_t>(id)).bind(2, static_cast<int64_t>(friendId));
  s.run();
}

std::vector<UserId> UserDirectory::friendsOf(UserId id) {
  Stmt s(
      db_,
      "SELECT a.friend FROM friend_claims a JOIN friend_claims b ON b.user = a.friend AND b.friend = a.user"
      " WHERE a.user = ? ORDER BY a.friend");
  s.bind(1, static_cast<int64_t>(id));
  std::vector<UserId> out;
  while (s.row()) out.push_back(static_cast<UserId>(s.integer(0)));
  return out;
}

std::vector<UserRecord> UserDirectory::all() {
  Stmt s(db_, (std::string("SELECT ") + kColumns + " FROM users ORDER BY id").c_str());
  std::vector<UserRecord> out;
  while (s.row()) out.push_back(ReadUser(s));
  return out;
}

bool UserDirectory::backup(const std::string& path) {
  Stmt s(db_, "VACUUM INTO ?");
  s.bind(1, path);
  return s.run();
}

}  // namespace vt::lobbyd
