// Values shared by the online service's rules and the platform the game calls: ids with their
// kind tags, result codes, the limits both backends enforce, and the plain records that carry
// lobby snapshots, search queries and leaderboard entries.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vt::lobby {

// Ids are u64 with a kind tag in the top byte and non-zero low 56 bits. They stay below 2^63 so
// the "%lld" texts the game writes ("ownerID", "PLAYER_ID", "hDCODE") read back unchanged.
using UserId = uint64_t;
using LobbyId = uint64_t;
using UgcHandle = uint64_t;
using BoardHandle = uint64_t;
using CallHandle = uint64_t;
using TicketHandle = uint32_t;

enum class IdKind : uint8_t { User = 0x01, Lobby = 0x02, SharedContent = 0x03, Leaderboard = 0x04 };

constexpr uint64_t kIdLowMask = (uint64_t{1} << 56) - 1;

constexpr uint64_t MakeId(IdKind kind, uint64_t low) {
  return (uint64_t{static_cast<uint8_t>(kind)} << 56) | (low & kIdLowMask);
}
constexpr IdKind KindOf(uint64_t id) { return static_cast<IdKind>(id >> 56); }

// What the game's id validity test stands for: a known kind tag and a non-zero serial. The game's
// loopback form (low word 0x7F000001, high word 0) and the "none" handles 0 and all-ones have no
// tag and are never valid.
constexpr bool isValid(uint64_t id) {
  const uint8_t tag = static_cast<uint8_t>(id >> 56);
  return tag >= 0x01 && tag <= 0x04 && (id & kIdLowMask) != 0;
}
constexpr bool isValid(uint64_t id, IdKind kind) { return isValid(id) && KindOf(id) == kind; }

// Outcomes of asynchronous calls. Ok and StatsReverted keep the numbers the game tests.
enum class Result : int32_t {
  Ok = 1,
  Fail = 2,
  NoConnection = 3,
  InvalidParam = 4,
  Busy = 5,
  NotFound = 6,
  AccessDenied = 7,
  StatsReverted = 8,
  Timeout = 9,
  LimitExceeded = 10,
  RateLimited = 11,
};

// Join outcomes, as the game's join handler reads them.
enum class JoinResponse : int32_t { Success = 1, DoesNotExist = 2, Full = 3, Error = 4 };

enum class Distance : int32_t { Close = 0, Default = 1, Far = 2, Worldwide = 3 };
enum class FilterKind : int32_t { Numeric, String, Near };

// Comparison codes read "lobby value cmp filter value": 0 <, 1 >, 2 =, 3 <=, 4 >=, 5 !=; any
// other code compares for equality.
enum ComparisonCode : int32_t {
  kLess = 0,
  kGreater = 1,
  kEqual = 2,
  kLessEqual = 3,
  kGreaterEqual = 4,
  kNotEqual = 5
};

struct LobbyFilter {
  std::string key;
  FilterKind kind = FilterKind::String;
  int32_t cmp = kEqual;
  std::string text;    // String filters
  int64_t number = 0;  // Numeric and Near filters
};

struct LobbyQuery {
  Distance distance = Distance::Default;
  std::vector<LobbyFilter> filters;
  int32_t cap = 50;
};

using KeyValues = std::vector<std::pair<std::string, std::string>>;  // keys in order of first set

// What a search hands to a user who is not a member.
struct LobbySnapshot {
  LobbyId lobby = 0;
  UserId owner = 0;
  int32_t memberCount = 0;
  int32_t memberLimit = 0;
  KeyValues data;
};

enum class UploadMethod : int32_t { KeepBest = 1, ForceUpdate = 2 };
enum class DownloadKind : int32_t { Global = 0, AroundUser = 1, Friends = 2 };

// Immediate answers when a verifier begins a session with a ticket.
enum class BeginSessionResult : int32_t {
  Ok = 0,
  InvalidTicket = 1,
  DuplicateRequest = 2,
  InvalidVersion = 3,
  GameMismatch = 4,
  ExpiredTicket = 5,
};

// Ticket verdicts: 0 ok; 1 user not connected; 2 unknown or not this user's; 3 cancelled;
// 4 expired; 5 no answer in time.
enum class TicketResponse : int32_t {
  Ok = 0,
  UserNotConnected = 1,
  NoLicenseOrWrongUser = 2,
  TicketCanceled = 3,
  Expired = 4,
  NoAnswer = 5,
};

struct BoardEntry {
  UserId user = 0;
  int32_t rank = 0;
  int32_t score = 0;
  std::vector<int32_t> details;
  UgcHandle ugc = 0;
  std::string personaName;
};

// Limits the rules enforce, identical on every backend.
namespace limits {
constexpr int kLobbiesPerUser = 4;
constexpr int kMinMembers = 1;
constexpr int kMaxMembers = 16;
constexpr int kLobbyKeys = 48;
constexpr int kMemberKeys = 8;
constexpr size_t kMaxKeyBytes = 63;
constexpr size_t kMaxValueBytes = 63;
constexpr int kSearchFilters = 16;
constexpr int kSearchResults = 50;
constexpr size_t kMaxPacketBytes = 1200;
constexpr int kChannels = 4;
constexpr int kHeldPackets = 16;
constexpr int kInboundPackets = 1024;
constexpr size_t kInboundBytes = 512 * 1024;
constexpr size_t kTicketBytes = 36;
constexpr int kLiveTickets = 16;
constexpr int kBoardDetails = 64;
constexpr int kDownloadEntries = 1000;
constexpr int kStats = 64;
constexpr int kAchievements = 128;
constexpr size_t kMaxFileNameBytes = 63;
constexpr size_t kMaxFileBytes = 1024 * 1024;
constexpr int kFiles = 64;
constexpr uint64_t kQuotaBytes = 16ull * 1024 * 1024;
constexpr int kInvitesPerMinute = 10;
constexpr size_t kMaxPersonaBytes = 31;
}  // namespace limits

constexpr uint32_t kAppId = 1;

}  // namespace vt::lobby
