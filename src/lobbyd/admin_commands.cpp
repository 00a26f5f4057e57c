// Admin lines to service operations.
#include "lobbyd/admin_commands.h"

#include <strings.h>

#include <cstdio>

#include "lobby/boards.h"
#include "lobby/control_codec.h"
#include "lobbyd/admin_line.h"
#include "lobbyd/service.h"

namespace vt::lobbyd {
namespace {

using lobby::wire::MsgType;

// The operations `fail` names: the requests, by their message names, any letter case.
struct NamedRequest {
  const char* name;
  MsgType type;
};
constexpr NamedRequest kRequests[] = {
    {"LobbyCreate", MsgType::LobbyCreate},
    {"LobbyJoin", MsgType::LobbyJoin},
    {"LobbyLeave", MsgType::LobbyLeave},
    {"LobbySetData", MsgType::LobbySetData},
    {"LobbySetMemberData", MsgType::LobbySetMemberData},
    {"LobbySearch", MsgType::LobbySearch},
    {"TicketIssue", MsgType::TicketIssue},
    {"TicketCancel", MsgType::TicketCancel},
    {"TicketBegin", MsgType::TicketBegin},
    {"TicketEnd", MsgType::TicketEnd},
    {"BoardFind", MsgType::BoardFind},
    {"BoardUpload", MsgType::BoardUpload},
    {"BoardDownload", MsgType::BoardDownload},
    {"BoardAttachUgc", MsgType::BoardAttachUgc},
    {"StatsRequest", MsgType::StatsRequest},
    {"StatsStore", MsgType::StatsStore},
    {"FileWrite", MsgType::FileWrite},
    {"FileRead", MsgType::FileRead},
    {"FileRemove", MsgType::FileRemove},
    {"FileStat", MsgType::FileStat},
    {"FileQuota", MsgType::FileQuota},
    {"FileShare", MsgType::FileShare},
    {"UgcDownload", MsgType::UgcDownload},
    {"Invite", MsgType::Invite},
};

const NamedRequest* FindRequest(const std::string& name) {
  for (const NamedRequest& r : kRequests)
    if (strcasecmp(r.name, name.c_str()) == 0) return &r;
  return nullptr;
}

std::string Answer(bool ok, const char* why) { return ok ? "ok" : std::string("error: ") + why; }

std::string UserLine(const UserRecord& u, bool online) {
  char line[256];
  std::snprintf(line, sizeof line, "%llu %s %s %s cloud=%s quota=%llu%s",
                static_cast<unsigned long long>(u.id), u.persona.c_str(),
                u.country.empty() ? "-" : u.country.c_str(), u.region.empty() ? "-" : u.region.c_str(),
                u.cloudEnabled ? "on" : "off", static_cast<unsigned long long>(u.quota),
                online ? " online" : "");
  return line;
}

}  // namespace

std::string RunAdminLine(AdminOps& ops, std::string_view line) {
  AdminCommand c;
  std::string error;
  if (!ParseAdminLine(line, ops.testMode(), c, error)) return "error: " + error;
  switch (c.verb) {
    case AdminVerb::UserList:
    case AdminVerb::UserShow: {
      std::string out;
      bool found = false;
      for (const UserRecord& u : ops.users()) {
        if (c.verb == AdminVerb::UserShow && u.id != c.user) continue;
        found = true;
        if (!out.empty()) out += "\n";
        out += UserLine(u, ops.isOnline(u.id));
      }
      if (c.verb == AdminVerb::UserShow && !found) return "error: no such user";
      return out.empty() ? "no users" : out;
    }
    case AdminVerb::FriendAdd:
      ops.addFriends(c.user, c.other);
      return "ok";
    case AdminVerb::Kick:
      return Answer(ops.kick(c.user), "user not connected");
    case AdminVerb::BoardDump: {
      const lobby::BoardHandle board = lobby::FindBoard(c.text);
      if (board == 0) return "error: no such board";
      std::string out;
      int rank = 0;
      for (const lobby::StoredEntry& e : ops.boardEntries(board)) {
        char row[96];
        std::snprintf(row, sizeof row, "%s%d %llu %d", out.empty() ? "" : "\n", ++rank,
                      static_cast<unsigned long long>(e.user), e.score);
        out += row;
      }
      return out.empty() ? "no entries" : out;
    }
    case AdminVerb::FileStat: {
      const std::optional<uint64_t> size = ops.fileSize(c.user, c.text);
      return size ? std::to_string(*size) + " bytes" : "error: no such file";
    }
    case AdminVerb::Backup:
      return Answer(ops.backup(c.text), "backup failed");
    case AdminVerb::Shutdown:
      ops.shutdown();
      return "ok";
    case AdminVerb::TimeSet:
      if (c.number < 0 || c.number > UINT32_MAX) return "error: time out of range";
      return Answer(ops.setServerTime(static_cast<uint32_t>(c.number)), "refused");
    case AdminVerb::TimeOffset:
      return Answer(ops.offsetServerTime(c.number), "refused");
    case AdminVerb::LinkSet:
      return Answer(ops.setLink(c.user, c.other, c.link), "refused");
    case AdminVerb::LinkClear:
      return Answer(ops.clearLink(c.user, c.other), "refused");
    case AdminVerb::Fail: {
      // The service can only withhold answers: every failure kind reaches the caller as its own
      // time-out (the simulated world serves the other kinds).
      const NamedRequest* r = FindRequest(c.text);
      if (!r) return "error: no such operation";
      if (c.number < 0 || c.number > 1000000) return "error: count out of range";
      return Answer(ops.failNext(r->type, static_cast<int>(c.number)), "refused");
    }
    case AdminVerb::Cloud:
      return Answer(ops.setCloud(c.user, c.on), "no such user");
    case AdminVerb::Quota:
      if (c.number < 0) return "error: quota out of range";
      return Answer(ops.setQuota(c.user, static_cast<uint64_t>(c.number)), "no such user");
    case AdminVerb::Invite:
      return Answer(ops.invite(c.user, c.other, c.lobby), "refused");
  }
  return "error: unknown command";
}

}  // namespace vt::lobbyd
