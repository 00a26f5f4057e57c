// lobbyd::Service: the lobby service on one event-loop thread (epoll, a timerfd tick, an eventfd
// to wake it). It accepts control connections, frames them, runs the handshake and the signed
// login, hands requests to the lobby core over the SQLite store, keeps connections alive, and
// relays peer packets over authenticated UDP or, for clients without UDP, over the control
// connection. Tests run it in a thread of their own; the executable runs the same loop.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "lobby/control_codec.h"
#include "lobby/link_model.h"
#include "lobby/relay_datagram.h"
#include "lobby/store.h"
#include "lobby/types.h"
#include "lobbyd/lobbyd_config.h"
#include "lobbyd/user_directory.h"

namespace vt::lobbyd {

class AdminOps;
// Answers one admin line (without its newline) on the loop thread; the answer goes back as one
// or more lines.
using AdminHandler = std::function<std::string(AdminOps& ops, std::string_view line)>;

struct ServiceOptions {
  std::string listen = "127.0.0.1:47800";  // host:port; port 0 picks a free one
  std::string db = ":memory:";
  bool testMode = false;
  bool registrationOpen = true;
  // Ids from a fixed seed for reproducible runs; libsodium's random bytes otherwise.
  std::optional<uint64_t> idSeed;
  // The protocol's timings; lobbyd.ini and tests may shorten them.
  int64_t loginTimeoutMs = 10000;
  int64_t idleTimeoutMs = 20000;
  // lobbyd.ini: the boards and statistics served and the limits, lowered where the operator
  // chose; start() refuses what the service cannot serve (ServableLobbydConfig).
  LobbydConfig config = DefaultLobbydConfig();
  // The admin socket (UNIX, mode 0600, one command a line); none when empty.
  std::string adminPath;
  AdminHandler adminHandler;
};

// What admin commands reach. Every call runs on the loop thread (inside an AdminHandler, or
// posted there by Service's own methods). The test-mode operations answer false outside test
// mode and change nothing.
class AdminOps {
 public:
  virtual ~AdminOps() = default;
  virtual std::vector<UserRecord> users() = 0;
  virtual bool isOnline(lobby::UserId user) = 0;
  // False when the user is not connected.
  virtual bool kick(lobby::UserId user) = 0;
  virtual void addFriends(lobby::UserId a, lobby::UserId b) = 0;
  // Entries in rank order (at most 1000).
  virtual std::vector<lobby::StoredEntry> boardEntries(lobby::BoardHandle board) = 0;
  virtual std::optional<uint64_t> fileSize(lobby::UserId user, std::string_view name) = 0;
  // A consistent copy of the database (VACUUM INTO).
  virtual bool backup(const std::string& path) = 0;
  virtual void shutdown() = 0;
  virtual bool testMode() const = 0;
  // Test mode.
  virtual bool setServerTime(uint32_t utcSeconds) = 0;
  virtual bool offsetServerTime(int64_t seconds) = 0;
  virtual bool setCloud(lobby::UserId user, bool enabled) = 0;
  virtual bool setQuota(lobby::UserId user, uint64_t bytes) = 0;
  // The next `n` requests of a type get no answer at all, so callers meet their own time-outs.
  virtual bool failNext(lobby::wire::MsgType request, int n) = 0;
  // The next `n` requests of one user (its pings aside) get no answer. With `act` the service
  // carries each out first, so only the answer is lost; what an unanswered create or join did is
  // undone, as the caller never learns the lobby. Without `act` they are not run at all.
  virtual bool withholdAnswers(lobby::UserId user, int n, bool act) = 0;
  // Every datagram is dropped unread, as behind a firewall: clients fall back to TCP.
  virtual bool blockUdp(bool blocked) = 0;
  virtual bool invite(lobby::UserId from, lobby::UserId to, lobby::LobbyId lobby) = 0;
  // Relayed packets from one user to another pass a link model (latency, jitter, loss,
  // duplicates, partition), seeded from --id-seed and the pair so a run replays.
  virtual bool setLink(lobby::UserId from, lobby::UserId to, const lobby::LinkParams& params) = 0;
  virtual bool clearLink(lobby::UserId from, lobby::UserId to) = 0;
};

// What the service counted since it started. Relay drops by reason: every datagram that fails a
// check is counted here and never delivered.
struct ServiceCounters {
  std::array<uint64_t, static_cast<size_t>(lobby::relay::Drop::kCount)> udpDrops{};
  uint64_t udpForwarded = 0;
  uint64_t tcpForwarded = 0;     // peer packets handed over the control connection
  uint64_t rateLimited = 0;      // packets over a sender's or a pair's budget
  uint64_t unreachableSent = 0;  // PeerUnreachable events
  uint64_t endpointMoves = 0;
  uint64_t malformedFrames = 0;
  uint64_t unsupportedFrames = 0;
  uint64_t loginsRefused = 0;
  uint64_t logins = 0;
  uint64_t connectionsOpen = 0;
  uint64_t requests = 0;
};

class Service {
 public:
  explicit Service(ServiceOptions options);
  ~Service();  // stops the loop if it runs
  Service(const Service&) = delete;
  Service& operator=(const Service&) = delete;

  // Opens the store, binds TCP and UDP on one port and starts the loop thread. False (and the
  // reason in `error`) when the database or the address cannot be used.
  bool start(std::string* error = nullptr);
  // Runs the loop on the calling thread until stop() (the executable's way).
  bool run(std::string* error = nullptr);
  uint16_t tcpPort() const;
  uint16_t udpPort() const;
  // Wakes the loop through its eventfd; joins the thread when start() made one. Safe from any
  // thread and from a signal handler's forwarding thread.
  void stop();
  // True once the loop ended (stop(), a shutdown command, or a failure of the loop).
  bool stopped() const;

  ServiceCounters counters() const;

  // Runs `fn` on the loop thread with the admin operations and waits for it (tests, and
  // operators without the socket). False when the loop is not running. Not for the loop thread
  // itself: an admin handler already has the operations.
  bool admin(const std::function<void(AdminOps&)>& fn);
  void kick(lobby::UserId user);
  void setServerTime(uint32_t utcSeconds);  // test mode only

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vt::lobbyd
