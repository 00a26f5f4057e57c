// Lobby rules: creation with the per-user limit, joins, leaving (the owner leaving closes the
// lobby; the last member leaving deletes it), owner-only lobby data and own-entry member data
// within the key limits, the updates every member gets, and search over the open lobbies.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "lobby/search.h"
#include "lobby/types.h"

namespace vt::lobby {

struct LobbyRecord {
  LobbySnapshot view;  // owner 0 once closed
  std::string ownerRegion;
  uint64_t created = 0;
  bool closed = false;
  std::vector<UserId> members;  // in order of entry
  std::map<UserId, KeyValues> memberData;
};

// A data update addressed to one member: member == lobby for lobby data.
struct LobbyUpdate {
  UserId to = 0;
  LobbyId lobby = 0;
  UserId member = 0;
};

// Keys: 1-63 bytes of [A-Za-z0-9_]. Values: 0-63 bytes without NUL, so the game's 64-byte
// buffers never cut one.
bool IsValidLobbyKey(std::string_view key);
bool IsValidLobbyValue(std::string_view value);

class LobbyBook {
 public:
  // InvalidParam for a member limit outside 1-16; LimitExceeded when the owner is already in four
  // lobbies. The creator is owner and only member.
  Result create(UserId owner, std::string_view ownerRegion, int32_t maxMembers, LobbyId id);
  // Success (also when already in), DoesNotExist (also closed), Full, Error (the user is in four
  // lobbies already). On entry the joiner gets one lobby update and one per member with data.
  JoinResponse join(UserId user, LobbyId lobby, std::vector<LobbyUpdate>& updates);
  void leave(UserId user, LobbyId lobby);
  // Leaves every lobby of a user that went away.
  void leaveAll(UserId user);
  // Owner only, within the limits; every member gets one update per actual change.
  bool setData(UserId caller, LobbyId lobby, std::string_view key, std::string_view value,
               std::vector<LobbyUpdate>& updates);
  // Own entry only, members only, within the limits.
  bool setMemberData(UserId caller, LobbyId lobby, std::string_view key, std::string_view value,
                     std::vector<LobbyUpdate>& updates);

  const LobbyRecord* find(LobbyId lobby) const;
  bool isMember(UserId user, LobbyId lobby) const;
  int32_t lobbyCountOf(UserId user) const;
  std::vector<LobbySnapshot> search(const LobbyQuery& query, std::string_view searcherRegion) const;
  size_t size() const { return lobbies_.size(); }
  void clear() { lobbies_.clear(); }

 private:
  void notifyMembers(const LobbyRecord& lobby, UserId member, std::vector<LobbyUpdate>& updates) const;

  uint64_t lastCreated_ = 0;
  std::map<LobbyId, LobbyRecord> lobbies_;
};

}  // namespace vt::lobby
