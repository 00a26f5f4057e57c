// Filtering and ordering of lobby searches.
#include "lobby/search.h"

#include <algorithm>

namespace vt::lobby {

std::optional<int64_t> ParseStrictDecimal(std::string_view text) {
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 19) return std::nullopt;
  // Accumulate the magnitude in u64: 19 digits never overflow it.
  uint64_t magnitude = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
  }
  constexpr uint64_t kMaxPositive = static_cast<uint64_t>(INT64_MAX);
  if (negative) {
    if (magnitude > kMaxPositive + 1) return std::nullopt;
    return magnitude == kMaxPositive + 1 ? INT64_MIN : -static_cast<int64_t>(magnitude);
  }
  if (magnitude > kMaxPositive) return std::nullopt;
  return static_cast<int64_t>(magnitude);
}

std::string_view FindValue(const KeyValues& data, std::string_view key) {
  for (const auto& [k, v] : data)
    if (k == key) return v;
  return {};
}

namespace {

// Every code other than 0-5 compares for equality, as the game's table maps it.
template <class T>
bool Compare(const T& lobbyValue, const T& filterValue, int32_t cmp) {
  switch (cmp) {
    case kLess:
      return lobbyValue < filterValue;
    case kGreater:
      return lobbyValue > filterValue;
    case kLessEqual:
      return lobbyValue <= filterValue;
    case kGreaterEqual:
      return lobbyValue >= filterValue;
    case kNotEqual:
      return lobbyValue != filterValue;
    default:
      return lobbyValue == filterValue;
  }
}

bool HasKey(const KeyValues& data, std::string_view key) {
  for (const auto& [k, v] : data)
    if (k == key) return true;
  return false;
}

// |a - b| without overflow.
uint64_t AbsDifference(int64_t a, int64_t b) {
  return a >= b ? static_cast<uint64_t>(a) - static_cast<uint64_t>(b)
                : static_cast<uint64_t>(b) - static_cast<uint64_t>(a);
}

}  // namespace

bool PassesFilter(const KeyValues& data, const LobbyFilter& filter) {
  switch (filter.kind) {
    case FilterKind::Near:
      return true;
    case FilterKind::Numeric: {
      // Absent or malformed fails every numeric filter, "not equal" included.
      if (!HasKey(data, filter.key)) return false;
      std::optional<int64_t> value = ParseStrictDecimal(FindValue(data, filter.key));
      return value.has_value() && Compare(*value, filter.number, filter.cmp);
    }
    case FilterKind::String:
      // Byte-wise: equality is exact, the others lexicographic on unsigned bytes.
      return Compare(FindValue(data, filter.key), std::string_view(filter.text), filter.cmp);
  }
  return false;
}

bool IsValidQuery(const LobbyQuery& query) {
  if (query.filters.size() > static_cast<size_t>(limits::kSearchFilters)) return false;
  for (const LobbyFilter& f : query.filters)
    if (f.key.empty() || f.key.size() > limits::kMaxKeyBytes) return false;
  return true;
}

std::vector<LobbySnapshot> SearchLobbies(std::span<const SearchCandidate> lobbies, const LobbyQuery& query,
                                         std::string_view searcherRegion) {
  struct Found {
    const SearchCandidate* lobby;
    std::vector<std::pair<bool, uint64_t>> nearKeys;  // (absent or malformed, distance) per near filter
    bool sameRegion;
  };
  std::vector<Found> found;
  for (const SearchCandidate& c : lobbies) {
    const LobbySnapshot& s = *c.snapshot;
    if (c.closed || s.memberCount >= s.memberLimit) continue;
    const bool sameRegion = !searcherRegion.empty() && c.ownerRegion == searcherRegion;
    if (query.distance == Distance::Close && !sameRegion) continue;
    bool pass = true;
    for (const LobbyFilter& f : query.filters)
      if (!PassesFilter(s.data, f)) {
        pass = false;
        break;
      }
    if (!pass) continue;
    Found entry{&c, {}, sameRegion};
    for (const LobbyFilter& f : query.filters) {
      if (f.kind != FilterKind::Near) continue;
      std::optional<int64_t> value = ParseStrictDecimal(FindValue(s.data, f.key));
      entry.nearKeys.emplace_back(!value.has_value(), value ? AbsDifference(*value, f.number) : 0);
    }
    found.push_back(std::move(entry));
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    if (a.nearKeys != b.nearKeys) return a.nearKeys < b.nearKeys;
    if (a.sameRegion != b.sameRegion) return a.sameRegion;
    return a.lobby->created < b.lobby->created;
  });
  const size_t cap = static_cast<size_t>(std::clamp(query.cap, 1, limits::kSearchResults));
  std::vector<LobbySnapshot> result;
  for (size_t i = 0; i < found.size() && i < cap; ++i) result.push_back(*found[i].lobby->snapshot);
  return result;
}

}  // namespace vt::lobby
