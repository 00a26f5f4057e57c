// The service's insides, shared by the loop (service.cpp), the gateway (gateway.cpp: handshake,
// login and requests into the core) and the relay (relay.cpp: UDP datagrams and forwarding).
// Everything here runs on the loop thread, except the command queue and the counters.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "lobby/auth.h"
#include "lobby/control_codec.h"
#include "lobby/link_model.h"
#include "lobby/lobbies.h"
#include "lobby/relay_datagram.h"
#include "lobbyd/service.h"
#include "lobbyd/sqlite_store.h"
#include "lobbyd/user_directory.h"

namespace vt::lobbyd {

using lobby::LobbyId;
using lobby::UserId;

struct Connection {
  enum class Phase { AwaitHello, AwaitLogin, Ready };
  int fd = -1;
  uint64_t serial = 0;
  sockaddr_storage peer{};
  Phase phase = Phase::AwaitHello;
  std::array<uint8_t, lobby::wire::kNonceBytes> nonce{};
  int64_t openedUs = 0;
  int64_t heardUs = 0;
  std::vector<uint8_t> in;
  std::vector<uint8_t> out;
  size_t outSent = 0;
  bool closing = false;  // close once the output is flushed; read nothing more
  bool muted = false;    // test mode: answers to the request being handled are lost
  uint32_t events = 1;   // EPOLLIN, as registered at accept
  // After the login.
  UserId user = 0;
  UserRecord record;
  uint32_t session = 0;
  lobby::UserRateLimits rates;
  std::map<lobby::TicketId, lobby::TicketHandle> tickets;  // the user's tickets by id
  std::set<LobbyId> lobbies;                               // joined or created, until left
  std::deque<int64_t> invites;                             // times of the last minute's invitations
  // Files arriving in chunks: replaced only when every chunk is in.
  struct PendingWrite {
    uint32_t total = 0;
    std::vector<uint8_t> bytes;
  };
  std::map<std::string, PendingWrite, std::less<>> writes;
};

// One user's UDP session: the key it tags with, the window of its counters, where it was last
// heard from, and the counter of what the relay sends it.
struct UdpSession {
  UserId user = 0;
  lobby::relay::UdpKey key{};
  lobby::relay::ReplayWindow window;
  bool hasEndpoint = false;
  sockaddr_storage endpoint{};
  socklen_t endpointLen = 0;
  uint32_t outCounter = 0;
  lobby::TokenBucket packets{600, 1200};
  lobby::TokenBucket bytes{512 * 1024, 1024 * 1024};
  struct Pair {
    lobby::TokenBucket bucket;  // 300/s, burst 600
    int64_t lastUs = 0;
  };
  std::map<UserId, Pair> pairs;                 // by target
  std::map<UserId, int64_t> unreachableSentUs;  // PeerUnreachable at most once per 2 s
};

class Service::Impl final : public AdminOps {
 public:
  explicit Impl(ServiceOptions options) : options_(std::move(options)) {}
  ~Impl();

  bool open(std::string* error);
  void loop();
  void wake();
  void post(std::function<void()> command);

  // Clocks: monotonic microseconds for timers and buckets; service UTC seconds.
  int64_t nowUs() const;
  uint32_t serverTime() const;

  // service.cpp
  void acceptAll();
  void readFrom(Connection& c);
  void flush(Connection& c);
  void closeConnection(Connection& c);
  void reap();
  void tick();
  template <class M>
  void send(Connection& c, const M& message, uint32_t requestId = 0) {
    if (c.muted && requestId != 0) return;
    lobby::wire::AppendMessage(c.out, message, requestId);
    flush(c);
  }
  template <class Request>
  void reply(Connection& c, uint32_t requestId, const typename Request::Reply& r) {
    if (c.muted) return;
    lobby::wire::AppendReply<Request>(c.out, requestId, r);
    flush(c);
  }
  void fail(Connection& c, lobby::wire::ErrorCode code, uint32_t requestId, bool close);
  // What lobbyd.ini serves (gateway.cpp).
  const LobbydLimits& limits() const { return options_.config.limits; }
  bool boardServed(lobby::BoardHandle board) const;
  bool statServed(std::string_view name) const;
  lobby::wire::StatList servedStats(UserId user);
  // Whether a write stays within lobbyd.ini's key and file counts (a key or file already there
  // always does).
  bool keyFits(UserId user, const lobby::wire::LobbySetData& m, bool lobbyData) const;
  bool fileFits(UserId user, std::string_view name);
  Connection* connectionOf(UserId user);

  // gateway.cpp
  void handleFrame(Connection& c, const lobby::wire::FrameHeader& h, std::span<const uint8_t> payload);
  void handleHello(Connection& c, std::span<const uint8_t> payload);
  void handleLogin(Connection& c, std::span<const uint8_t> payload);
  void handleRequest(Connection& c, const lobby::wire::FrameHeader& h, std::span<const uint8_t> payload);
  void handleRequestNow(Connection& c, const lobby::wire::FrameHeader& h, std::span<const uint8_t> payload);
  void userGone(Connection& c);
  void sendLobbyUpdates(const std::vector<lobby::LobbyUpdate>& updates);
  void sendMembers(LobbyId lobby);
  void leaveLobby(Connection& c, LobbyId lobby);
  uint64_t newIdLow();

  // relay.cpp
  void readDatagrams();
  // Forwards one packet from a logged-on sender: budgets, the target's reachability, then UDP or
  // the control connection. Shared by relayed datagrams and SendPacket requests.
  void forward(UdpSession& from, UserId target, uint8_t channel, std::span<const uint8_t> payload);
  void unreachable(UdpSession& from, UserId target);
  // A user logged off: whoever had a session in use with it (a packet either way in the last
  // 120 s) hears PeerUnreachable at once, not only when it sends again.
  void peersLoggedOff(UserId user, uint32_t session);
  // Hands a packet to the target over UDP, or over its control connection without UDP.
  void deliver(UserId from, UserId target, uint8_t channel, std::span<const uint8_t> payload);
  // Test mode: packets a link delays wait here until due.
  struct Delayed {
    UserId from = 0;
    UserId to = 0;
    uint8_t channel = 0;
    std::vector<uint8_t> payload;
  };
  std::multimap<int64_t, Delayed> egress_;  // by due time
  std::map<std::pair<UserId, UserId>, std::unique_ptr<lobby::LinkModel>> links_;
  int egressTimer_ = -1;
  void armEgress();
  void releaseEgress();
  uint32_t openSession(UserId user, lobby::relay::UdpKey& key);
  void closeSession(uint32_t session);

  // A verifier's begin that came before the ticket's registration waits up to 2 s for it.
  struct PendingVerdict {
    UserId verifier = 0;
    UserId user = 0;
    int64_t untilUs = 0;
  };
  std::vector<PendingVerdict> pendingVerdicts_;
  // Sends the verdicts that are known now (or, with `expire`, whose wait ended).
  void settleVerdicts(bool expire);

  // AdminOps (admin.cpp).
  std::vector<UserRecord> users() override;
  bool isOnline(UserId user) override { return connectionOf(user) != nullptr; }
  bool kick(UserId user) override;
  void addFriends(UserId a, UserId b) override;
  std::vector<lobby::StoredEntry> boardEntries(lobby::BoardHandle board) override;
  std::optional<uint64_t> fileSize(UserId user, std::string_view name) override;
  bool backup(const std::string& path) override;
  void shutdown() override { stopping_ = true; }
  bool testMode() const override { return options_.testMode; }
  bool setServerTime(uint32_t utcSeconds) override;
  bool offsetServerTime(int64_t seconds) override;
  bool setCloud(UserId user, bool enabled) override;
  bool setQuota(UserId user, uint64_t bytes) override;
  bool failNext(lobby::wire::MsgType request, int n) override;
  bool withholdAnswers(UserId user, int n, bool act) override;
  bool blockUdp(bool blocked) override;
  bool invite(UserId from, UserId to, LobbyId lobby) override;
  bool setLink(UserId from, UserId to, const lobby::LinkParams& params) override;
  bool clearLink(UserId from, UserId to) override;
  // The admin socket.
  bool openAdmin(std::string* error);
  void acceptAdmin();
  void closeAdmin();
  void readAdmin(int fd);
  std::map<int, std::string> adminClients_;  // fd -> the start of an unfinished line
  int admin_ = -1;
  std::map<uint16_t, int> failNext_;  // request type -> answers still to drop
  struct Withheld {
    int n = 0;
    bool act = false;
  };
  std::map<UserId, Withheld> withheld_;  // by user
  bool udpBlocked_ = false;

  ServiceOptions options_;
  std::unique_ptr<SqliteStore> store_;
  std::unique_ptr<UserDirectory> users_;
  lobby::LobbyBook lobbies_;
  lobby::TicketBook tickets_;
  std::mt19937_64 ids_;
  bool seededIds_ = false;

  int epoll_ = -1, listen_ = -1, udp_ = -1, timer_ = -1, wake_ = -1;
  uint16_t port_ = 0;
  uint64_t nextSerial_ = 1;
  std::map<int, std::unique_ptr<Connection>> connections_;  // by fd
  std::map<UserId, Connection*> online_;
  std::map<uint32_t, UdpSession> sessions_;
  std::map<UserId, uint32_t> sessionOf_;
  int64_t timeOffset_ = 0;  // test mode: service seconds minus the system's

  std::mutex commandsMutex_;
  std::vector<std::function<void()>> commands_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> loopEnded_{false};
  std::thread thread_;

  mutable std::mutex countersMutex_;
  ServiceCounters counters_;
  template <class Fn>
  void count(Fn&& fn) {
    std::lock_guard<std::mutex> guard(countersMutex_);
    fn(counters_);
  }
};

}  // namespace vt::lobbyd
