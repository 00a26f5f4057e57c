// lobbyd.ini: what a service operator may set — the app id, the leaderboards with their sort
// order, the statistics schema, the achievements and the limits. The file is optional and every
// section in it is too: what it leaves out keeps the game's own values, built in here. Limits may
// only be lowered: the rules are written for the core's limits, and a client is entitled to them
// nowhere else than where an operator chose less.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lobby/stats.h"

namespace vt::lobbyd {

enum class BoardSort { Descending, Ascending };
enum class BoardDisplay { Numeric, Seconds, Milliseconds };

struct BoardConfig {
  std::string name;
  BoardSort sort = BoardSort::Descending;
  BoardDisplay display = BoardDisplay::Numeric;
  bool operator==(const BoardConfig&) const = default;
};

struct StatConfig {
  std::string name;
  lobby::StatKind kind = lobby::StatKind::BitSet;  // BitSet or Counter
  bool operator==(const StatConfig&) const = default;
};

// Every limit an operator may lower, at the core's values by default.
struct LobbydLimits {
  int64_t lobbiesPerUser;
  int64_t lobbyMembers;
  int64_t lobbyKeys;
  int64_t memberKeys;
  int64_t searchFilters;
  int64_t searchResults;
  int64_t liveTickets;
  int64_t boardDetails;
  int64_t downloadEntries;
  int64_t files;
  int64_t fileBytes;
  int64_t quotaBytes;
  int64_t invitesPerMinute;
  int64_t lobbyWritesPerSecond;
  int64_t searchesPerSecond;
  int64_t uploadsPerSecond;
  int64_t statStoresPerSecond;
  int64_t fileCallsPerSecond;
  int64_t downloadsPerSecond;
  int64_t packetsPerSecond;      // per sender
  int64_t packetBytesPerSecond;  // per sender
  int64_t pairPacketsPerSecond;  // per (sender, target)
  int64_t connectionsPerAddress;
  int64_t outstandingRequests;
  bool operator==(const LobbydLimits&) const = default;
};

// The core's limits: the highest value each limit may take.
LobbydLimits CoreLimits();

// One limit as the file names it, and where it lives in LobbydLimits.
struct LimitKey {
  const char* key;
  int64_t LobbydLimits::*field;
};
// Every limit, in the order the writer writes them.
const std::vector<LimitKey>& LimitKeys();

struct LobbydConfig {
  uint32_t appId = 0;
  std::vector<BoardConfig> boards;
  std::vector<StatConfig> stats;
  std::vector<std::string> achievements;
  LobbydLimits limits{};
  bool operator==(const LobbydConfig&) const = default;
};

// The game's: app id 1, the boards "ARCADE_SCORE_POINT", "RANK_MATCH_POINT" and "TEST" (all
// descending), the eleven bit-set statistics and the counter, "ACHIEVE_ID_01" to "ACHIEVE_ID_53",
// and the core's limits.
LobbydConfig DefaultLobbydConfig();

// Reads lobbyd.ini over the defaults: [service] app_id; [boards] "NAME = descending|ascending
// [numeric|seconds|milliseconds]"; [stats] "name = bits|counter"; [achievements] one name a line;
// [limits] "key = value". A [boards], [stats] or [achievements] section replaces that list whole;
// [limits] changes the limits it names. "#" and ";" start comment lines. False, with the line and
// the reason in `problem`, for an unknown section or key, a malformed or repeated line, a name
// outside 1-63 bytes of [A-Za-z0-9_], more statistics or achievements than the core keeps, or a
// limit outside 1 to the core's value.
bool ParseLobbydConfig(std::string_view text, LobbydConfig& out, std::string& problem);

// The text ParseLobbydConfig reads back (CR LF, every section written).
std::string FormatLobbydConfig(const LobbydConfig& config);

// Reads the file over the defaults. False, with the reason in `error` and a log line naming the
// file, when it cannot be read or is refused; a missing file is an error too, since an operator
// who names a configuration expects it to be used.
bool LoadLobbydConfig(const std::string& path, LobbydConfig& out, std::string* error = nullptr);

// Whether the service can serve the configuration as it stands: the game's app id (its tickets and
// statistics name app 1), boards of the game's (a board the game does not know has no handle), all
// descending, and statistics and achievements of the game's schema with their kinds. False, with
// the reason in `problem`, otherwise. A served subset leaves the rest out: a board left out is not
// found, a statistic left out is neither sent nor stored.
bool ServableLobbydConfig(const LobbydConfig& config, std::string& problem);

// Writes the file through a temporary file and a rename.
bool SaveLobbydConfig(const std::string& path, const LobbydConfig& config);

}  // namespace vt::lobbyd
