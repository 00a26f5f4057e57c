// Lobby life and data.
#include "lobby/lobbies.h"

#include <algorithm>

namespace vt::lobby {

namespace {
bool SetValue(KeyValues& data, std::string_view key, std::string_view value, size_t maxKeys, bool& changed) {
  for (auto& [k, v] : data) {
    if (k != key) continue;
    changed = v != value;
    v = std::string(value);
    return true;
  }
  if (data.size() >= maxKeys) return false;
  data.emplace_back(std::string(key), std::string(value));
  changed = true;
  return true;
}
}  // namespace

bool IsValidLobbyKey(std::string_view key) {
  if (key.empty() || key.size() > limits::kMaxKeyBytes) return false;
  for (char c : key)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
  return true;
}

bool IsValidLobbyValue(std::string_view value) {
  return value.size() <= limits::kMaxValueBytes && value.find('\0') == std::string_view::npos;
}

Result LobbyBook::create(UserId owner, std::string_view ownerRegion, int32_t maxMembers, LobbyId id) {
  if (maxMembers < limits::kMinMembers || maxMembers > limits::kMaxMembers) return Result::InvalidParam;
  if (lobbyCountOf(owner) >= limits::kLobbiesPerUser) return Result::LimitExceeded;
  LobbyRecord& r = lobbies_[id];
  r.view = LobbySnapshot{id, owner, 1, maxMembers, {}};
  r.ownerRegion = std::string(ownerRegion);
  r.created = ++lastCreated_;
  r.members = {owner};
  return Result::Ok;
}

JoinResponse LobbyBook::join(UserId user, LobbyId lobby, std::vector<LobbyUpdate>& updates) {
  auto it = lobbies_.find(lobby);
  if (it == lobbies_.end() || it->second.closed) return JoinResponse::DoesNotExist;
  LobbyRecord& r = it->second;
  if (!isMember(user, lobby)) {
    if (r.view.memberCount >= r.view.memberLimit) return JoinResponse::Full;
    if (lobbyCountOf(user) >= limits::kLobbiesPerUser) return JoinResponse::Error;
    r.members.push_back(user);
    r.view.memberCount = static_cast<int32_t>(r.members.size());
  }
  // The new member mirrors everything: one update for the lobby data and one per member with
  // member data (a new guest learns the host's card handle this way).
  updates.push_back({user, lobby, lobby});
  for (UserId m : r.members) {
    auto d = r.memberData.find(m);
    if (d != r.memberData.end() && !d->second.empty()) updates.push_back({user, lobby, m});
  }
  return JoinResponse::Success;
}

void LobbyBook::leave(UserId user, LobbyId lobby) {
  auto it = lobbies_.find(lobby);
  if (it == lobbies_.end()) return;
  LobbyRecord& r = it->second;
  auto m = std::find(r.members.begin(), r.members.end(), user);
  if (m == r.members.end()) return;
  r.members.erase(m);
  r.memberData.erase(user);
  r.view.memberCount = static_cast<int32_t>(r.members.size());
  // Ownership never moves: the owner leaving closes the lobby for good.
  if (r.view.owner == user) {
    r.closed = true;
    r.view.owner = 0;
  }
  if (r.members.empty()) lobbies_.erase(it);
}

void LobbyBook::leaveAll(UserId user) {
  std::vector<LobbyId> mine;
  for (const auto& [id, r] : lobbies_)
    if (std::find(r.members.begin(), r.members.end(), user) != r.members.end()) mine.push_back(id);
  for (LobbyId id : mine) leave(user, id);
}

void LobbyBook::notifyMembers(const LobbyRecord& r, UserId member, std::vector<LobbyUpdate>& updates) const {
  for (UserId m : r.members) updates.push_back({m, r.view.lobby, member});
}

bool LobbyBook::setData(UserId caller, LobbyId lobby, std::string_view key, std::string_view value,
                        std::vector<LobbyUpdate>& updates) {
  auto it = lobbies_.find(lobby);
  if (it == lobbies_.end() || it->second.closed || it->second.view.owner != caller) return false;
  if (!IsValidLobbyKey(key) || !IsValidLobbyValue(value)) return false;
  bool changed = false;
  if (!SetValue(it->second.view.data, key, value, limits::kLobbyKeys, changed)) return false;
  if (changed) notifyMembers(it->second, lobby, updates);
  return true;
}

bool LobbyBook::setMemberData(UserId caller, LobbyId lobby, std::string_view key, std::string_view value,
                              std::vector<LobbyUpdate>& updates) {
  if (!isMember(caller, lobby) || !IsValidLobbyKey(key) || !IsValidLobbyValue(value)) return false;
  LobbyRecord& r = lobbies_.at(lobby);
  bool changed = false;
  if (!SetValue(r.memberData[caller], key, value, limits::kMemberKeys, changed)) return false;
  if (changed) notifyMembers(r, caller, updates);
  return true;
}

const LobbyRecord* LobbyBook::find(LobbyId lobby) const {
  auto it = lobbies_.find(lobby);
  return it == lobbies_.end() ? nullptr : &it->second;
}

bool LobbyBook::isMember(UserId user, LobbyId lobby) const {
  const LobbyRecord* r = find(lobby);
  return r != nullptr && std::find(r->members.begin(), r->members.end(), user) != r->members.end();
}

int32_t LobbyBook::lobbyCountOf(UserId user) const {
  int32_t n = 0;
  for (const auto& [id, r] : lobbies_)
    if (std::find(r.members.begin(), r.members.end(), user) != r.members.end()) ++n;
  return n;
}

std::vector<LobbySnapshot> LobbyBook::search(const LobbyQuery& query, std::string_view searcherRegion) const {
  std::vector<SearchCandidate> candidates;
  candidates.reserve(lobbies_.size());
  for (const auto& [id, r] : lobbies_) candidates.push_back({&r.view, r.ownerRegion, r.created, r.closed});
  return SearchLobbies(candidates, query, searcherRegion);
}

}  // namespace vt::lobby
