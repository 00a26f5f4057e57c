// The admin socket's line protocol: one command a line, read into a record the service acts on.
// The parser is pure (no service state) so the admin client, the service and the fuzzer share it.
// Commands that bend the service's behaviour for tests (time, link, fail, cloud, quota, invite)
// are refused unless the service runs in test mode.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lobby/link_model.h"
#include "lobby/types.h"

namespace vt::lobbyd {

enum class AdminVerb {
  UserList,   // user list
  UserShow,   // user show <user>
  FriendAdd,  // friend add <user> <other>
  Kick,       // kick <user>
  BoardDump,  // board dump <board name>
  FileStat,   // file stat <user> <file name, to the line end>
  Backup,     // backup <path, to the line end>
  Shutdown,   // shutdown
  // Test mode only:
  TimeSet,     // time set <UTC seconds>
  TimeOffset,  // time offset <signed seconds>
  LinkSet,     // link set <from|*> <to|*> [latency=ms] [jitter=ms] [loss=p] [duplicate=p] [partition=on|off]
  LinkClear,   // link clear <from|*> <to|*>
  Fail,        // fail <operation> next <n> [fail|no_connection|timeout|limit_exceeded|drop]
  Cloud,       // cloud <user> on|off
  Quota,       // quota <user> <bytes>
  Invite,      // invite <user> <other> <lobby>
};

// What `fail` makes the next calls do: answer with a result, or never answer.
enum class AdminFailure { Fail, NoConnection, Timeout, LimitExceeded, Drop };

struct AdminCommand {
  AdminVerb verb = AdminVerb::UserList;
  lobby::UserId user = 0;    // the first user named; 0 is "*" in link commands
  lobby::UserId other = 0;   // the second user named; 0 is "*" in link commands
  lobby::LobbyId lobby = 0;  // invite
  std::string text;          // board name, file name, backup path or operation name
  int64_t number = 0;        // time set/offset seconds, fail count, quota bytes
  bool on = false;           // cloud
  AdminFailure failure = AdminFailure::Fail;
  lobby::LinkParams link;  // link set
};

// Lines longer than this are refused.
constexpr size_t kMaxAdminLineBytes = 4096;

bool IsTestModeVerb(AdminVerb verb);

// Reads one line (a trailing CR LF or LF is dropped). False, with a message for the admin in
// `error`, for an unknown or malformed command, a user that is not a user id, a lobby that is not
// a lobby id, a value out of range, a control character, or a test-mode command when `testMode`
// is false.
bool ParseAdminLine(std::string_view line, bool testMode, AdminCommand& out, std::string& error);

// The line ParseAdminLine reads back into the same command.
std::string FormatAdminLine(const AdminCommand& command);

}  // namespace vt::lobbyd
