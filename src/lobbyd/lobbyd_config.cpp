// Reading and writing lobbyd.ini, and the game's built-in values.
#include "lobbyd/lobbyd_config.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "lobby/boards.h"
#include "lobby/text_lines.h"
#include "lobby/types.h"
#include "platform/profile_string.h"

namespace vt::lobbyd {

namespace {

namespace limits = lobby::limits;

constexpr size_t kMaxConfigBytes = 1024 * 1024;
constexpr size_t kMaxNameBytes = 63;
constexpr int kMaxBoards = 256;

struct Section {
  enum Kind { None, Service, Boards, Stats, Achievements, Limits } kind = None;
};

bool IsName(std::string_view s) {
  if (s.empty() || s.size() > kMaxNameBytes) return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
  return true;
}

bool ParseCount(std::string_view s, int64_t& value) {
  if (s.empty() || s.size() > 18) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  value = v;
  return true;
}

// The words of a value, split at blanks.
std::vector<std::string_view> Words(std::string_view s) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    size_t j = i;
    while (j < s.size() && s[j] != ' ' && s[j] != '\t') ++j;
    if (j > i) words.push_back(s.substr(i, j - i));
    i = j;
  }
  return words;
}

const char* SortWord(BoardSort sort) { return sort == BoardSort::Ascending ? "ascending" : "descending"; }

const char* DisplayWord(BoardDisplay display) {
  switch (display) {
    case BoardDisplay::Seconds:
      return "seconds";
    case BoardDisplay::Milliseconds:
      return "milliseconds";
    default:
      return "numeric";
  }
}

bool ParseBoard(std::string_view key, std::string_view value, BoardConfig& board, std::string& problem) {
  board.name.assign(key);
  const std::vector<std::string_view> words = Words(value);
  if (words.empty() || words.size() > 2) {
    problem = "a board is \"NAME = descending|ascending [numeric|seconds|milliseconds]\"";
    return false;
  }
  if (words[0] == "descending") {
    board.sort = BoardSort::Descending;
  } else if (words[0] == "ascending") {
    board.sort = BoardSort::Ascending;
  } else {
    problem = "the sort order \"" + std::string(words[0]) + "\" is not descending or ascending";
    return false;
  }
  board.display = BoardDisplay::Numeric;
  if (words.size() == 2) {
    if (words[1] == "seconds") {
      board.display = BoardDisplay::Seconds;
    } else if (words[1] == "milliseconds") {
      board.display = BoardDisplay::Milliseconds;
    } else if (words[1] != "numeric") {
      problem = "the display \"" + std::string(words[1]) + "\" is not numeric, seconds or milliseconds";
      return false;
    }
  }
  return true;
}

// The line's effect in its section; false with the reason.
bool ApplyLine(Section section, std::string_view key, std::string_view value, bool hasEquals,
               LobbydConfig& out, std::string& problem) {
  if (section.kind == Section::Achievements) {
    if (hasEquals || !IsName(key)) {
      problem = "an achievement is one name of 1-63 bytes of [A-Za-z0-9_] a line";
      return false;
    }
    if (out.achievements.size() == static_cast<size_t>(limits::kAchievements)) {
      problem = "more than " + std::to_string(limits::kAchievements) + " achievements";
      return false;
    }
    out.achievements.emplace_back(key);
    return true;
  }
  if (!hasEquals) {
    problem = "not \"key = value\"";
    return false;
  }
  switch (section.kind) {
    case Section::Service: {
      int64_t appId = 0;
      if (key != "app_id") {
        problem = "[service] knows only app_id";
        return false;
      }
      if (!ParseCount(value, appId) || appId < 1 || appId > INT32_MAX) {
        problem = "app_id is not a number of 1-2147483647";
        return false;
      }
      out.appId = static_cast<uint32_t>(appId);
      return true;
    }
    case Section::Boards: {
      if (!IsName(key)) {
        problem = "a board name is 1-63 bytes of [A-Za-z0-9_]";
        return false;
      }
      if (out.boards.size() == kMaxBoards) {
        problem = "more than " + std::to_string(kMaxBoards) + " boards";
        return false;
      }
      BoardConfig board;
      if (!ParseBoard(key, value, board, problem)) return false;
      out.boards.push_back(board);
      return true;
    }
    case Section::Stats: {
      if (!IsName(key)) {
        problem = "a statistic name is 1-63 bytes of [A-Za-z0-9_]";
        return false;
      }
      if (out.stats.size() == static_cast<size_t>(limits::kStats)) {
        problem = "more than " + std::to_string(limits::kStats) + " statistics";
        return false;
      }
      StatConfig stat{std::string(key)};
      if (value == "bits") {
        stat.kind = lobby::StatKind::BitSet;
      } else if (value == "counter") {
        stat.kind = lobby::StatKind::Counter;
      } else {
        problem = "a statistic is bits or counter";
        return false;
      }
      out.stats.push_back(stat);
      return true;
    }
    case Section::Limits: {
      const LobbydLimits core = CoreLimits();
      for (const LimitKey& limit : LimitKeys()) {
        if (key != limit.key) continue;
        int64_t v = 0;
        const int64_t most = core.*limit.field;
        if (!ParseCount(value, v) || v < 1 || v > most) {
          problem = std::string(limit.key) + " = " + std::string(value) + " is outside 1-" +
                    std::to_string(most) + " (limits may only be lowered)";
          return false;
        }
        out.limits.*limit.field = v;
        return true;
      }
      problem = "no limit is called \"" + std::string(key) + "\"";
      return false;
    }
    default:
      problem = "a line before the first section";
      return false;
  }
}

}  // namespace

LobbydLimits CoreLimits() {
  LobbydLimits l{};
  l.lobbiesPerUser = limits::kLobbiesPerUser;
  l.lobbyMembers = limits::kMaxMembers;
  l.lobbyKeys = limits::kLobbyKeys;
  l.memberKeys = limits::kMemberKeys;
  l.searchFilters = limits::kSearchFilters;
  l.searchResults = limits::kSearchResults;
  l.liveTickets = limits::kLiveTickets;
  l.boardDetails = limits::kBoardDetails;
  l.downloadEntries = limits::kDownloadEntries;
  l.files = limits::kFiles;
  l.fileBytes = static_cast<int64_t>(limits::kMaxFileBytes);
  l.quotaBytes = static_cast<int64_t>(limits::kQuotaBytes);
  l.invitesPerMinute = limits::kInvitesPerMinute;
  // The call rates of lobby::UserRateLimits (its bursts are twice these, five searches).
  l.lobbyWritesPerSecond = 30;
  l.searchesPerSecond = 2;
  l.uploadsPerSecond = 4;
  l.statStoresPerSecond = 2;
  l.fileCallsPerSecond = 20;
  l.downloadsPerSecond = 8;
  // The relay's token buckets and the gateway's caps.
  l.packetsPerSecond = 600;
  l.packetBytesPerSecond = 512 * 1024;
  l.pairPacketsPerSecond = 300;
  l.connectionsPerAddress = 16;
  l.outstandingRequests = 64;
  return l;
}

const std::vector<LimitKey>& LimitKeys() {
  static const std::vector<LimitKey> keys = {
      {"lobbies_per_user", &LobbydLimits::lobbiesPerUser},
      {"lobby_members", &LobbydLimits::lobbyMembers},
      {"lobby_keys", &LobbydLimits::lobbyKeys},
      {"member_keys", &LobbydLimits::memberKeys},
      {"search_filters", &LobbydLimits::searchFilters},
      {"search_results", &LobbydLimits::searchResults},
      {"live_tickets", &LobbydLimits::liveTickets},
      {"board_details", &LobbydLimits::boardDetails},
      {"download_entries", &LobbydLimits::downloadEntries},
      {"files", &LobbydLimits::files},
      {"file_bytes", &LobbydLimits::fileBytes},
      {"quota_bytes", &LobbydLimits::quotaBytes},
      {"invites_per_minute", &LobbydLimits::invitesPerMinute},
      {"lobby_writes_per_second", &LobbydLimits::lobbyWritesPerSecond},
      {"searches_per_second", &LobbydLimits::searchesPerSecond},
      {"uploads_per_second", &LobbydLimits::uploadsPerSecond},
      {"stat_stores_per_second", &LobbydLimits::statStoresPerSecond},
      {"file_calls_per_second", &LobbydLimits::fileCallsPerSecond},
      {"downloads_per_second", &LobbydLimits::downloadsPerSecond},
      {"packets_per_second", &LobbydLimits::packetsPerSecond},
      {"packet_bytes_per_second", &LobbydLimits::packetBytesPerSecond},
      {"pair_packets_per_second", &LobbydLimits::pairPacketsPerSecond},
      {"connections_per_address", &LobbydLimits::connectionsPerAddress},
      {"outstanding_requests", &LobbydLimits::outstandingRequests},
  };
  return keys;
}

bool ServableLobbydConfig(const LobbydConfig& config, std::string& problem) {
  if (config.appId != lobby::kAppId) {
    problem = "app_id " + std::to_string(config.appId) +
              " is not served: the game's tickets and statistics name app " + std::to_string(lobby::kAppId);
    return false;
  }
  for (const BoardConfig& b : config.boards) {
    if (lobby::FindBoard(b.name) == 0) {
      problem = "board " + b.name + " is not one of the game's";
      return false;
    }
    if (b.sort != BoardSort::Descending) {
      problem = "board " + b.name + ": only descending boards are served";
      return false;
    }
  }
  for (const StatConfig& s : config.stats) {
    if (lobby::KindOfStat(s.name) != s.kind) {
      problem = "statistic " + s.name + " is not one of the game's of that kind";
      return false;
    }
  }
  for (const std::string& a : config.achievements) {
    if (lobby::KindOfStat(a) != lobby::StatKind::Achievement) {
      problem = "achievement " + a + " is not one of the game's";
      return false;
    }
  }
  return true;
}

LobbydConfig DefaultLobbydConfig() {
  LobbydConfig c;
  c.appId = lobby::kAppId;
  for (const char* name : {"ARCADE_SCORE_POINT", "RANK_MATCH_POINT", "TEST"}) c.boards.push_back({name});
  for (const char* name : {"stat_03_00", "stat_03_01", "stat_06_00", "stat_06_01", "stat_06_02", "stat_06_03",
                           "stat_06_04", "stat_06_05", "stat_07_00", "stat_07_01", "stat_26_00"})
    c.stats.push_back({name, lobby::StatKind::BitSet});
  c.stats.push_back({"stat_30_00", lobby::StatKind::Counter});
  for (int n = 1; n <= 53; ++n) {
    char name[16];
    std::snprintf(name, sizeof(name), "ACHIEVE_ID_%02d", n);
    c.achievements.emplace_back(name);
  }
  c.limits = CoreLimits();
  return c;
}

bool ParseLobbydConfig(std::string_view text, LobbydConfig& out, std::string& problem) {
  out = DefaultLobbydConfig();
  if (text.size() > kMaxConfigBytes) {
    problem = "larger than 1 MiB";
    return false;
  }
  if (text.find('\0') != std::string_view::npos) {
    problem = "holds a NUL byte";
    return false;
  }
  Section section;
  std::set<std::string, std::less<>> sections, keys;
  int lineNumber = 0;
  auto fail = [&](const std::string& why) {
    problem = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };
  while (!text.empty()) {
    ++lineNumber;
    std::string_view line = lobby::TakeLine(text);
    line = lobby::TrimBlanks(line);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return fail("a section header is \"[name]\"");
      const std::string_view name = lobby::TrimBlanks(line.substr(1, line.size() - 2));
      if (name == "service") {
        section.kind = Section::Service;
      } else if (name == "boards") {
        section.kind = Section::Boards;
        out.boards.clear();
      } else if (name == "stats") {
        section.kind = Section::Stats;
        out.stats.clear();
      } else if (name == "achievements") {
        section.kind = Section::Achievements;
        out.achievements.clear();
      } else if (name == "limits") {
        section.kind = Section::Limits;
      } else {
        return fail("no section is called [" + std::string(name) + "]");
      }
      if (!sections.emplace(name).second) return fail("[" + std::string(name) + "] is given twice");
      continue;
    }
    const size_t eq = line.find('=');
    const bool hasEquals = eq != std::string_view::npos;
    const std::string_view key = hasEquals ? lobby::TrimBlanks(line.substr(0, eq)) : line;
    const std::string_view value = hasEquals ? lobby::TrimBlanks(line.substr(eq + 1)) : std::string_view{};
    if (key.empty()) return fail("not \"key = value\"");
    // A statistic and an achievement share one namespace: the client sets both by name.
    static constexpr const char* kScope[] = {"", "service:", "board:", "stat:", "stat:", "limit:"};
    if (section.kind != Section::None && !keys.emplace(kScope[section.kind] + std::string(key)).second)
      return fail("\"" + std::string(key) + "\" is given twice");
    if (!ApplyLine(section, key, value, hasEquals, out, problem)) return fail(problem);
  }
  // A list the file leaves out keeps the game's, which may hold a name the file gave the other.
  std::set<std::string_view> names;
  for (const StatConfig& stat : out.stats) names.insert(stat.name);
  for (const std::string& achievement : out.achievements)
    if (names.count(achievement) != 0) {
      problem = "\"" + achievement + "\" is both a statistic and an achievement";
      return false;
    }
  return true;
}

std::string FormatLobbydConfig(const LobbydConfig& config) {
  std::string out = "[service]\r\napp_id = " + std::to_string(config.appId) + "\r\n\r\n[boards]\r\n";
  for (const BoardConfig& b : config.boards)
    out += b.name + " = " + SortWord(b.sort) + " " + DisplayWord(b.display) + "\r\n";
  out += "\r\n[stats]\r\n";
  for (const StatConfig& s : config.stats)
    out += s.name + (s.kind == lobby::StatKind::Counter ? " = counter\r\n" : " = bits\r\n");
  out += "\r\n[achievements]\r\n";
  for (const std::string& a : config.achievements) out += a + "\r\n";
  out += "\r\n[limits]\r\n";
  for (const LimitKey& limit : LimitKeys())
    out += std::string(limit.key) + " = " + std::to_string(config.limits.*limit.field) + "\r\n";
  return out;
}

bool LoadLobbydConfig(const std::string& path, LobbydConfig& out, std::string* error) {
  std::string problem;
  std::error_code ec;
  const uintmax_t size = std::filesystem::file_size(path, ec);
  std::ifstream in(path, std::ios::binary);
  if (ec || !in) {
    problem = "cannot be read";
  } else if (size > kMaxConfigBytes) {
    problem = "larger than 1 MiB";
  } else {
    std::string text;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) problem = "cannot be read";
    if (problem.empty() && ParseLobbydConfig(text, out, problem)) return true;
  }
  const std::string line = "configuration " + path + ": " + problem;
  std::fprintf(stderr, "lobbyd: %s\n", line.c_str());
  if (error != nullptr) *error = line;
  return false;
}

bool SaveLobbydConfig(const std::string& path, const LobbydConfig& config) {
  return platform::WriteFileAtomically(path, FormatLobbydConfig(config));
}

}  // namespace vt::lobbyd
