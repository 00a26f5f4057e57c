// The service's users: a public key's stable user id, the persona, country and region of the
// last login, the cloud switch and quota, and the friend claims (a friendship is a mutual pair).
// Kept in the users and friend_claims tables of the service's database file, on a connection of
// its own beside the store's, so ids survive restarts.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lobby/identity.h"
#include "lobby/types.h"

struct sqlite3;

namespace vt::lobbyd {

using lobby::PublicKey;
using lobby::UserId;

struct UserRecord {
  UserId id = 0;
  std::string persona;
  std::string country;
  std::string region;
  bool cloudEnabled = true;
  uint64_t quota = lobby::limits::kQuotaBytes;
};

class UserDirectory {
 public:
  // Null (and the reason in `error`) when the file cannot be opened.
  static std::unique_ptr<UserDirectory> Open(const std::string& path, std::string* error = nullptr);
  ~UserDirectory();

  std::optional<UserRecord> byKey(const PublicKey& key);
  std::optional<UserRecord> byId(UserId id);
  // Registers a new key under `id`; false when the id or key is taken.
  bool add(const PublicKey& key, const UserRecord& user, uint32_t now);
  // The persona, country and region of a login.
  void updateLogin(const UserRecord& user, uint32_t now);
  void setCloud(UserId id, bool enabled);
  void setQuota(UserId id, uint64_t bytes);
  // Replaces a user's claims (the friend ids its profile lists).
  void setClaims(UserId id, const std::vector<UserId>& friends);
  void addClaim(UserId id, UserId friendId);
  // Users who claim each other.
  std::vector<UserId> friendsOf(UserId id);
  std::vector<UserRecord> all();
  // A consistent copy of the whole database file (VACUUM INTO a new file).
  bool backup(const std::string& path);

 private:
  explicit UserDirectory(sqlite3* db) : db_(db) {}
  sqlite3* db_;
};

}  // namespace vt::lobbyd
