// Lobby search: which lobbies a query finds and in which order. Comparisons read "lobby value cmp
// filter value"; numeric filters need a strict decimal lobby value; near filters only order;
// closed and full lobbies are never found; the order is the near keys, then lobbies whose owner
// shares the searcher's region, then older first.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "lobby/types.h"

namespace vt::lobby {

// A lobby as the search sees it.
struct SearchCandidate {
  const LobbySnapshot* snapshot = nullptr;
  std::string_view ownerRegion;
  uint64_t created = 0;  // creation order: smaller is older
  bool closed = false;
};

// A strict decimal: optional "-", 1-19 digits, within int64. Anything else (absent, empty,
// spaces, a "+", overflow) is malformed.
std::optional<int64_t> ParseStrictDecimal(std::string_view text);

// "" when the key is absent.
std::string_view FindValue(const KeyValues& data, std::string_view key);

// Whether one lobby's data passes one filter (near filters always pass).
bool PassesFilter(const KeyValues& data, const LobbyFilter& filter);

// False when the query breaks a limit (more than 16 filters, a key outside 1-63 bytes).
bool IsValidQuery(const LobbyQuery& query);

// The snapshots a search hands back, at most the query's cap (clamped to 1-50).
std::vector<LobbySnapshot> SearchLobbies(std::span<const SearchCandidate> lobbies, const LobbyQuery& query,
                                         std::string_view searcherRegion);

}  // namespace vt::lobby
