// Authentication tickets in place of the local game server: there is none, so sessions are keyed
// by the ticket's user id (the game's messages 63 and 66 carry the sender's user id where a game
// server id stood). A ticket is 36 bytes: "VTK1", app id, user id, a 16-byte random ticket id and
// its issue time, little-endian.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "lobby/types.h"

namespace vt::lobby {

using TicketId = std::array<uint8_t, 16>;

struct Ticket {
  uint32_t appId = 0;
  UserId user = 0;
  TicketId id{};
  uint32_t issued = 0;  // service time, UTC seconds
};

std::array<uint8_t, limits::kTicketBytes> EncodeTicket(const Ticket& ticket);

constexpr uint32_t kTicketLifetimeSeconds = 10 * 60;

// A verifier to tell, and the user whose ticket it holds.
struct VerdictNotice {
  UserId verifier = 0;
  UserId user = 0;
  TicketResponse response = TicketResponse::Ok;
};

// The ephemeral ticket state: live tickets per user and the verifiers' sessions.
class TicketBook {
 public:
  struct Issued {
    TicketHandle handle = 0;
    std::array<uint8_t, limits::kTicketBytes> bytes{};
  };
  // Registers a new ticket in the same step as it is made; none while 16 are live. A ticket is
  // live until cancelled or past the ten minutes within which a session may begin with it.
  std::optional<Issued> issue(UserId user, uint32_t now, const TicketId& id);
  // Revokes the owner's ticket; verifiers with a session on it are told TicketCanceled.
  std::vector<VerdictNotice> cancel(UserId owner, TicketHandle handle);
  // The immediate answer of a verifier's begin (0-5). On Ok the session is open and `verdict`
  // gives what the service answers.
  BeginSessionResult begin(UserId verifier, std::span<const uint8_t> bytes, UserId claimed, uint32_t now);
  void end(UserId verifier, UserId user);
  // The service's answer for a session's ticket.
  TicketResponse verdict(UserId verifier, UserId user, bool userLoggedOn) const;
  // The owner logged off: its tickets are revoked and verifiers with a session are told
  // UserNotConnected; the sessions it held as a verifier end.
  std::vector<VerdictNotice> logOff(UserId user);
  int liveTickets(UserId user, uint32_t now) const;

 private:
  struct Live {
    UserId user = 0;
    TicketId id{};
    uint32_t issued = 0;
    bool cancelled = false;
  };
  bool isLive(const Live& ticket, uint32_t now) const;
  // Forgets cancelled and expired tickets that no session holds, so a long-lived service does
  // not keep every ticket ever made.
  void prune(uint32_t now);
  std::vector<VerdictNotice> notify(UserId user, const TicketId& id, TicketResponse response);

  TicketHandle lastHandle_ = 0;
  std::map<TicketHandle, Live> tickets_;
  // verifier -> ticket user -> ticket id
  std::map<UserId, std::map<UserId, TicketId>> sessions_;
};

}  // namespace vt::lobby
