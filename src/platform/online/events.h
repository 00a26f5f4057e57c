// The results and events the platform delivers, one record per kind; each names the platform
// call result or callback of the game's online classes that it stands for.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lobby/types.h"

namespace vt::online {

using lobby::BoardEntry;
using lobby::BoardHandle;
using lobby::JoinResponse;
using lobby::LobbyId;
using lobby::LobbySnapshot;
using lobby::Result;
using lobby::TicketResponse;
using lobby::UgcHandle;
using lobby::UserId;

// Lobby creation result.
struct LobbyCreated {
  Result result = Result::Fail;
  LobbyId lobby = 0;
};

// Lobby entry result.
struct LobbyEntered {
  LobbyId lobby = 0;
  JoinResponse response = JoinResponse::Error;
};

// A lobby search result: at most the query's cap of snapshots, in the search order.
struct LobbyMatchList {
  Result result = Result::Fail;
  std::vector<LobbySnapshot> lobbies;
};

// Lobby data changed (member == lobby) or a member's data changed.
struct LobbyDataUpdate {
  LobbyId lobby = 0;
  UserId member = 0;
  bool success = true;
};

// A remote's first packet is held until its session is accepted.
struct P2PSessionRequest {
  UserId remote = 0;
};

enum class SessionError : int32_t { TargetOffline = 1, Timeout = 2, Unreachable = 3 };

struct P2PSessionFail {
  UserId remote = 0;
  SessionError error = SessionError::Unreachable;
};

// Delivered in the verifier queue only. `user` is the ticket's user, so a verifier can tell a
// guest's verdict from its own self-check.
struct TicketVerdict {
  UserId user = 0;
  TicketResponse response = TicketResponse::Ok;
};

struct BoardFound {
  BoardHandle board = 0;
  bool found = false;
};

struct ScoreUploaded {
  bool success = false;
  BoardHandle board = 0;
  int32_t score = 0;
  bool changed = false;
  int32_t newRank = 0;
  int32_t previousRank = 0;
};

// Entries are valid inside the handler only, as the game reads them there.
struct ScoresDownloaded {
  bool success = false;
  BoardHandle board = 0;
  int32_t total = 0;
  std::vector<BoardEntry> entries;
};

struct UgcAttached {
  Result result = Result::Fail;
  BoardHandle board = 0;
  UgcHandle ugc = 0;
};

struct StatsReceived {
  uint32_t appId = 0;
  Result result = Result::Fail;
};

struct StatsStored {
  uint32_t appId = 0;
  Result result = Result::Fail;
};

struct FileShared {
  Result result = Result::Fail;
  UgcHandle ugc = 0;
};

struct UgcDownloaded {
  Result result = Result::Fail;
  UgcHandle ugc = 0;
  int32_t size = 0;
  UserId owner = 0;
  std::string name;
};

// An invitee accepted an invitation to a lobby.
struct JoinRequested {
  LobbyId lobby = 0;
  UserId from = 0;
};

}  // namespace vt::online
