// Reading and writing admin lines.
#include "lobbyd/admin_line.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "lobby/text_lines.h"

namespace vt::lobbyd {

namespace {

constexpr double kMaxLinkMs = 60000;
constexpr int64_t kMaxTimeOffset = int64_t{10} * 366 * 24 * 3600;  // ten years either way
constexpr int64_t kMaxFailCount = 1000000;
constexpr int64_t kMaxQuotaBytes = int64_t{1} << 40;

struct Token {
  std::string_view text;
  size_t end;  // offset in the line just past the token
};

std::vector<Token> Tokens(std::string_view line) {
  std::vector<Token> tokens;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t j = i;
    while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
    if (j > i) tokens.push_back({line.substr(i, j - i), j});
    i = j;
  }
  return tokens;
}

bool ParseUnsigned(std::string_view s, uint64_t& value) {
  if (s.empty() || s.size() > 20) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size();
}

bool ParseSigned(std::string_view s, int64_t& value) {
  const bool negative = !s.empty() && (s.front() == '-' || s.front() == '+');
  uint64_t magnitude = 0;
  if (!ParseUnsigned(negative ? s.substr(1) : s, magnitude) || magnitude > uint64_t{INT64_MAX}) return false;
  value = s.front() == '-' ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

bool ParseId(std::string_view s, lobby::IdKind kind, uint64_t& id) {
  return ParseUnsigned(s, id) && lobby::isValid(id, kind);
}

// A user id, or "*" (0) where any user is allowed.
bool ParseUser(std::string_view s, bool star, lobby::UserId& id) {
  if (star && s == "*") {
    id = 0;
    return true;
  }
  return ParseId(s, lobby::IdKind::User, id);
}

bool ParseNumber(std::string_view s, double low, double high, double& value) {
  if (s.empty() || s.front() == '+' || s.front() == '-') return false;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
  return ec == std::errc() && end == s.data() + s.size() && std::isfinite(value) && value >= low &&
         value <= high;
}

// The shortest fixed text that reads back as the same double (the smallest ones take over 300
// digits).
std::string Number(double v) {
  char buffer[512];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof(buffer), v, std::chars_format::fixed);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::string UserText(lobby::UserId id) { return id == 0 ? std::string("*") : std::to_string(id); }

struct FailureName {
  AdminFailure failure;
  const char* name;
};
constexpr FailureName kFailures[] = {{AdminFailure::Fail, "fail"},
                                     {AdminFailure::NoConnection, "no_connection"},
                                     {AdminFailure::Timeout, "timeout"},
                                     {AdminFailure::LimitExceeded, "limit_exceeded"},
                                     {AdminFailure::Drop, "drop"}};

bool IsOperationName(std::string_view s) {
  if (s.empty() || s.size() > 32) return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'))
      return false;
  return true;
}

bool ParseLinkParams(const std::vector<Token>& tokens, size_t first, lobby::LinkParams& link,
                     std::string& error) {
  link = lobby::LinkParams{};
  std::vector<std::string_view> seen;
  for (size_t i = first; i < tokens.size(); ++i) {
    const std::string_view t = tokens[i].text;
    const size_t eq = t.find('=');
    const std::string_view key = t.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? std::string_view{} : t.substr(eq + 1);
    for (std::string_view k : seen)
      if (k == key) {
        error = "link: " + std::string(key) + " is given twice";
        return false;
      }
    seen.push_back(key);
    bool ok = eq != std::string_view::npos;
    if (key == "latency") {
      ok = ok && ParseNumber(value, 0, kMaxLinkMs, link.latencyMs);
    } else if (key == "jitter") {
      ok = ok && ParseNumber(value, 0, kMaxLinkMs, link.jitterMs);
    } else if (key == "loss") {
      ok = ok && ParseNumber(value, 0, 1, link.loss);
    } else if (key == "duplicate") {
      ok = ok && ParseNumber(value, 0, 1, link.duplicate);
    } else if (key == "partition") {
      ok = ok && (value == "on" || value == "off");
      link.partitioned = value == "on";
    } else {
      ok = false;
    }
    if (!ok) {
      error = "link: \"" + std::string(t) +
              "\" is not latency=ms, jitter=ms (0-60000), loss=p, duplicate=p (0-1) or partition=on|off";
      return false;
    }
  }
  return true;
}

}  // namespace

// The test-mode verbs close the list.
bool IsTestModeVerb(AdminVerb verb) { return verb >= AdminVerb::TimeSet; }

bool ParseAdminLine(std::string_view line, bool testMode, AdminCommand& out, std::string& error) {
  out = AdminCommand{};
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() > kMaxAdminLineBytes) {
    error = "the line is longer than " + std::to_string(kMaxAdminLineBytes) + " bytes";
    return false;
  }
  for (char c : line)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) {
      error = "the line holds a control character";
      return false;
    }
  const std::vector<Token> t = Tokens(line);
  auto word = [&t](size_t i) { return i < t.size() ? t[i].text : std::string_view{}; };
  // The rest of the line after token i, for names and paths that may hold blanks.
  auto rest = [&t, line](size_t i) {
    return i < t.size() ? lobby::TrimBlanks(line.substr(t[i].end)) : std::string_view{};
  };
  auto usage = [&error](const char* text) {
    error = std::string("usage: ") + text;
    return false;
  };
  const std::string_view verb = word(0), sub = word(1);

  if (verb == "user" && sub == "list") {
    if (t.size() != 2) return usage("user list");
    out.verb = AdminVerb::UserList;
  } else if (verb == "user" && sub == "show") {
    if (t.size() != 3 || !ParseUser(word(2), false, out.user)) return usage("user show <user id>");
    out.verb = AdminVerb::UserShow;
  } else if (verb == "friend" && sub == "add") {
    if (t.size() != 4 || !ParseUser(word(2), false, out.user) || !ParseUser(word(3), false, out.other) ||
        out.user == out.other)
      return usage("friend add <user id> <another user id>");
    out.verb = AdminVerb::FriendAdd;
  } else if (verb == "kick") {
    if (t.size() != 2 || !ParseUser(word(1), false, out.user)) return usage("kick <user id>");
    out.verb = AdminVerb::Kick;
  } else if (verb == "board" && sub == "dump") {
    if (t.size() != 3 || !IsOperationName(word(2)) || word(2).size() > 63)
      return usage("board dump <board name>");
    out.verb = AdminVerb::BoardDump;
    out.text.assign(word(2));
  } else if (verb == "file" && sub == "stat") {
    if (t.size() < 4 || !ParseUser(word(2), false, out.user) ||
        rest(2).size() > lobby::limits::kMaxFileNameBytes)
      return usage("file stat <user id> <file name>");
    out.verb = AdminVerb::FileStat;
    out.text.assign(rest(2));
  } else if (verb == "backup") {
    if (t.size() < 2) return usage("backup <path>");
    out.verb = AdminVerb::Backup;
    out.text.assign(rest(0));
  } else if (verb == "shutdown") {
    if (t.size() != 1) return usage("shutdown");
    out.verb = AdminVerb::Shutdown;
  } else if (verb == "time" && sub == "set") {
    uint64_t seconds = 0;
    if (t.size() != 3 || !ParseUnsigned(word(2), seconds) || seconds > UINT32_MAX)
      return usage("time set <UTC seconds, 0-4294967295>");
    out.verb = AdminVerb::TimeSet;
    out.number = static_cast<int64_t>(seconds);
  } else if (verb == "time" && sub == "offset") {
    if (t.size() != 3 || !ParseSigned(word(2), out.number) || out.number < -kMaxTimeOffset ||
        out.number > kMaxTimeOffset)
      return usage("time offset <seconds, within ten years either way>");
    out.verb = AdminVerb::TimeOffset;
  } else if (verb == "link" && (sub == "set" || sub == "clear")) {
    const bool set = sub == "set";
    if (t.size() < 4 || !ParseUser(word(2), true, out.user) || !ParseUser(word(3), true, out.other) ||
        (!set && t.size() != 4))
      return usage(
          set ? "link set <from|*> <to|*> [latency=ms] [jitter=ms] [loss=p] [duplicate=p] [partition=on|off]"
              : "link clear <from|*> <to|*>");
    if (set && !ParseLinkParams(t, 4, out.link, error)) return false;
    out.verb = set ? AdminVerb::LinkSet : AdminVerb::LinkClear;
  } else if (verb == "fail") {
    uint64_t count = 0;
    bool known = t.size() == 4;
    if (t.size() == 5) {
      for (const FailureName& f : kFailures)
        if (word(4) == f.name) {
          out.failure = f.failure;
          known = true;
        }
    }
    if (!known || !IsOperationName(word(1)) || word(2) != "next" || !ParseUnsigned(word(3), count) ||
        count < 1 || count > static_cast<uint64_t>(kMaxFailCount))
      return usage("fail <operation> next <n, 1-1000000> [fail|no_connection|timeout|limit_exceeded|drop]");
    out.verb = AdminVerb::Fail;
    out.text.assign(word(1));
    out.number = static_cast<int64_t>(count);
  } else if (verb == "cloud") {
    if (t.size() != 3 || !ParseUser(word(1), false, out.user) || (word(2) != "on" && word(2) != "off"))
      return usage("cloud <user id> on|off");
    out.verb = AdminVerb::Cloud;
    out.on = word(2) == "on";
  } else if (verb == "quota") {
    uint64_t bytes = 0;
    if (t.size() != 3 || !ParseUser(word(1), false, out.user) || !ParseUnsigned(word(2), bytes) ||
        bytes > static_cast<uint64_t>(kMaxQuotaBytes))
      return usage("quota <user id> <bytes, up to 1 TiB>");
    out.verb = AdminVerb::Quota;
    out.number = static_cast<int64_t>(bytes);
  } else if (verb == "invite") {
    if (t.size() != 4 || !ParseUser(word(1), false, out.user) || !ParseUser(word(2), false, out.other) ||
        !ParseId(word(3), lobby::IdKind::Lobby, out.lobby) || out.user == out.other)
      return usage("invite <user id> <another user id> <lobby id>");
    out.verb = AdminVerb::Invite;
  } else {
    error = verb.empty() ? "an empty line" : "unknown command \"" + std::string(line.substr(0, 64)) + "\"";
    return false;
  }
  if (IsTestModeVerb(out.verb) && !testMode) {
    error = "\"" + std::string(verb) + "\" is only served with --test-mode";
    return false;
  }
  return true;
}

std::string FormatAdminLine(const AdminCommand& c) {
  const std::string user = UserText(c.user), other = UserText(c.other);
  switch (c.verb) {
    case AdminVerb::UserList:
      return "user list";
    case AdminVerb::UserShow:
      return "user show " + user;
    case AdminVerb::FriendAdd:
      return "friend add " + user + " " + other;
    case AdminVerb::Kick:
      return "kick " + user;
    case AdminVerb::BoardDump:
      return "board dump " + c.text;
    case AdminVerb::FileStat:
      return "file stat " + user + " " + c.text;
    case AdminVerb::Backup:
      return "backup " + c.text;
    case AdminVerb::Shutdown:
      return "shutdown";
    case AdminVerb::TimeSet:
      return "time set " + std::to_string(c.number);
    case AdminVerb::TimeOffset:
      return "time offset " + std::to_string(c.number);
    case AdminVerb::LinkSet: {
      const lobby::LinkParams defaults;
      std::string line = "link set " + user + " " + other;
      if (c.link.latencyMs != defaults.latencyMs) line += " latency=" + Number(c.link.latencyMs);
      if (c.link.jitterMs != defaults.jitterMs) line += " jitter=" + Number(c.link.jitterMs);
      if (c.link.loss != defaults.loss) line += " loss=" + Number(c.link.loss);
      if (c.link.duplicate != defaults.duplicate) line += " duplicate=" + Number(c.link.duplicate);
      if (c.link.partitioned) line += " partition=on";
      return line;
    }
    case AdminVerb::LinkClear:
      return "link clear " + user + " " + other;
    case AdminVerb::Fail: {
      std::string line = "fail " + c.text + " next " + std::to_string(c.number);
      for (const FailureName& f : kFailures)
        if (f.failure == c.failure && c.failure != AdminFailure::Fail) line += std::string(" ") + f.name;
      return line;
    }
    case AdminVerb::Cloud:
      return "cloud " + user + (c.on ? " on" : " off");
    case AdminVerb::Quota:
      return "quota " + user + " " + std::to_string(c.number);
    case AdminVerb::Invite:
      return "invite " + user + " " + other + " " + std::to_string(c.lobby);
  }
  return {};
}

}  // namespace vt::lobbyd
