// lobbyd::Service: the lobby service on one event-loop thread (epoll, a timerfd tick, an eventfd
// to wake it). It accepts control connections, frames them, runs the handshake and the signed
// login, hands requests to the lobby core over the SQLite store, keeps connections alive, and
// relays peer packets over authenticated UDP or, for clients without UDP, over the control
// connection. Tests run it in a thread of their own; the executable runs the same loop.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "lobby/relay_datagram.h"
#include "lobby/types.h"

namespace vt::lobbyd {

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

  // Operations for the admin socket and tests; they run on the loop thread before the next turn.
  void kick(lobby::UserId user);
  void setServerTime(uint32_t utcSeconds);  // test mode only
  void setCloud(lobby::UserId user, bool enabled);
  void setQuota(lobby::UserId user, uint64_t bytes);
  void addFriends(lobby::UserId a, lobby::UserId b);

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vt::lobbyd
