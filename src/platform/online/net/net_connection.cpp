// NetPlatform's I/O thread: connecting with back-off, the hello and the signed login, reading and
// dispatching frames, pings and the lost-connection rule, the bounds of pending requests, and the
// events that keep the mirrors current.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/online/net/net_requests.h"

namespace vt::online::net {

namespace wire = lobby::wire;

std::chrono::seconds ReconnectDelay(int failedAttempts) {
  static constexpr int kDelays[] = {1, 2, 4};
  if (failedAttempts < 1) return std::chrono::seconds(0);
  if (failedAttempts <= 3) return std::chrono::seconds(kDelays[failedAttempts - 1]);
  return std::chrono::seconds(10);
}

NetPlatform::NetPlatform(NetOptions options)
    : options_(std::move(options)), publicKey_(lobby::PublicKeyOf(options_.seed)) {
  acceptedName_ = options_.name;
  wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  udp_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  markSubscription_ = dispatcher().subscribe<DrainMark>([this](const DrainMark& m) { onDrainMark(m); });
  io_ = std::thread([this] { ioLoop(); });
}

uint64_t NetPlatform::markCall() {
  uint64_t serial = 0;
  {
    std::lock_guard<std::mutex> guard(markMutex_);
    serial = ++lastCallSerial_;
  }
  dispatcher().post(Queue::Client, DrainMark{serial});
  return serial;
}

void NetPlatform::completeAfterMark(uint64_t serial, std::function<void()> complete) {
  {
    std::lock_guard<std::mutex> guard(markMutex_);
    if (drainedUpTo_ < serial) {
      held_results_.emplace_back(serial, std::move(complete));
      return;
    }
  }
  complete();
}

void NetPlatform::onDrainMark(const DrainMark& mark) {
  std::vector<std::function<void()>> released;
  {
    std::lock_guard<std::mutex> guard(markMutex_);
    drainedUpTo_ = std::max(drainedUpTo_, mark.serial);
    for (auto it = held_results_.begin(); it != held_results_.end();) {
      if (it->first <= drainedUpTo_) {
        released.push_back(std::move(it->second));
        it = held_results_.erase(it);
      } else {
        ++it;
      }
    }
  }
  // Queued during this drain: delivered in the next one.
  for (auto& complete : released) complete();
}

NetPlatform::~NetPlatform() {
  shutdown();
  if (udp_ >= 0) ::close(udp_);
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void NetPlatform::shutdown() {
  if (!stopping_.exchange(true)) {
    wake();
    // The I/O thread fails every pending request on its way out, which wakes every caller
    // blocked in a file call before the thread ends.
    if (io_.joinable()) io_.join();
    failAll(Result::NoConnection);
  }
  Platform::shutdown();
}

void NetPlatform::wake() {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t r = ::write(wakeFd_, &one, sizeof(one));
}

void NetPlatform::failAll(Result reason) {
  std::map<uint32_t, Pending> failed;
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    failed.swap(pending_);
  }
  for (auto& [id, p] : failed) p.onFail(reason);
}

bool NetPlatform::connectOnce() {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(options_.port);
  if (::getaddrinfo(options_.host.c_str(), port.c_str(), &hints, &found) != 0 || found == nullptr)
    return false;
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  bool ok = fd >= 0;
  if (ok && ::connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
    ok = errno == EINPROGRESS;
    if (ok) {
      // Bounded so a stop is never kept waiting by a silent address.
      pollfd p{fd, POLLOUT, 0};
      ok = ::poll(&p, 1, 2000) == 1;
      int error = 0;
      socklen_t len = sizeof(error);
      ok = ok && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
    }
  }
  if (ok) {
    // Datagrams go to the same host, at the port the login answer names.
    std::lock_guard<std::mutex> guard(peerMutex_);
    std::memcpy(&serviceAddr_, found->ai_addr, sizeof(serviceAddr_));
  }
  ::freeaddrinfo(found);
  if (!ok) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
  fd_ = fd;
  in_.clear();
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    sendFd_ = fd;
    out_.clear();
    wire::AppendMessage(out_, wire::Hello{});
  }
  phase_ = Phase::AwaitHelloAck;
  connectedAt_ = lastPong_ = lastPingSent_ = Clock::now();
  return true;
}

void NetPlatform::closeConnection(bool lost) {
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = sendFd_ = -1;
  }
  const bool wasReady = phase_ == Phase::Ready;
  phase_ = Phase::Down;
  loggedOn_.store(false);
  udpConfirmed_.store(false);
  fallback_.store(false);
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    out_.clear();
  }
  // Nothing waits for an answer that cannot come.
  failAll(Result::NoConnection);
  {
    // The service left every lobby of the connection; what was joined is gone, and sessions
    // waiting for a verdict will never get one.
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    joined_.clear();
    for (auto& [user, due] : verdictsDue_)
      dispatcher().post(Queue::Verifier, TicketVerdict{user, TicketResponse::NoAnswer});
    verdictsDue_.clear();
  }
  // A connection that was up tries again after a second; one that never got through backs off.
  (void)lost;
  failedAttempts_ = wasReady ? 1 : failedAttempts_ + 1;
  nextAttempt_ = Clock::now() + ReconnectDelay(failedAttempts_);
}

void NetPlatform::ioLoop() {
  nextAttempt_ = Clock::now();
  while (!stopping_.load()) {
    const Clock::time_point now = Clock::now();
    if (fd_ < 0 && !noReconnect_ && now >= nextAttempt_) {
      if (!connectOnce()) {
        ++failedAttempts_;
        nextAttempt_ = Clock::now() + ReconnectDelay(failedAttempts_);
      }
    }
    flushOut();
    pollfd fds[3] = {{wakeFd_, POLLIN, 0}, {fd_, POLLIN, 0}, {-1, POLLIN, 0}};
    // Woken at the next call's bound at the latest, so a call ends at its bound, not a tick later.
    int waitMs = 50;
    {
      std::lock_guard<std::mutex> guard(outMutex_);
      if (fd_ >= 0 && !out_.empty()) fds[1].events |= POLLOUT;
      for (const auto& [id, p] : pending_) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(p.deadline - Clock::now()).count();
        waitMs = std::clamp<int>(static_cast<int>(std::min<int64_t>(left, waitMs)), 0, waitMs);
      }
    }
    if (loggedOn_.load()) fds[2].fd = udp_;
    ::poll(fds, 3, waitMs);
    if ((fds[0].revents & POLLIN) != 0) {
      uint64_t v;
      [[maybe_unused]] ssize_t r = ::read(wakeFd_, &v, sizeof(v));
    }
    if (stopping_.load()) break;
    if (fd_ >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0) readFrames();
    if ((fds[2].revents & POLLIN) != 0) {
      std::lock_guard<std::mutex> guard(peerMutex_);
      drainUdp();
    }
    timers(Clock::now());
  }
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = sendFd_ = -1;
  }
  phase_ = Phase::Down;
  loggedOn_.store(false);
  failAll(Result::NoConnection);
}

void NetPlatform::flushOut() {
  std::lock_guard<std::mutex> guard(outMutex_);
  flushLocked();
}

void NetPlatform::flushLocked() {
  if (sendFd_ < 0) return;
  size_t sent = 0;
  while (sent < out_.size()) {
    const ssize_t n = ::send(sendFd_, out_.data() + sent, out_.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(sent));
}

void NetPlatform::readFrames() {
  uint8_t buffer[65536];
  for (;;) {
    const ssize_t n = ::recv(fd_, buffer, sizeof(buffer), MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      closeConnection(true);
      return;
    }
    if (n < 0) break;
    in_.insert(in_.end(), buffer, buffer + n);
  }
  size_t used = 0;
  while (fd_ >= 0) {
    wire::FrameHeader h;
    const std::span<const uint8_t> rest(in_.data() + used, in_.size() - used);
    const wire::FrameStatus s = wire::PeekFrame(rest, h);
    if (s == wire::FrameStatus::Incomplete) break;
    if (s != wire::FrameStatus::Complete) {
      warning(1, "lobby service: a frame that cannot be followed; reconnecting");
      closeConnection(true);
      return;
    }
    const size_t size = wire::kLengthBytes + h.length;
    handleFrame(h, rest.subspan(wire::kHeaderBytes, size - wire::kHeaderBytes));
    used += size;
  }
  if (fd_ >= 0) in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(used));
}

void NetPlatform::handleFrame(const wire::FrameHeader& h, std::span<const uint8_t> payload) {
  const wire::DecodeStatus status = wire::CheckClientBound(h, payload);
  if (status == wire::DecodeStatus::Ignored || status == wire::DecodeStatus::Unsupported) return;
  if (status == wire::DecodeStatus::Malformed) {
    warning(1, "lobby service: a malformed frame; reconnecting");
    closeConnection(true);
    return;
  }
  const auto type = static_cast<wire::MsgType>(h.type);
  switch (phase_) {
    case Phase::AwaitHelloAck:
      if (type == wire::MsgType::HelloAck) {
        const wire::HelloAck ack = *wire::DecodePayload<wire::HelloAck>(payload);
        maxOutstanding_ = std::clamp<uint32_t>(ack.limits.outstanding, 1, wire::kMaxOutstanding);
        wire::Login login;
        login.publicKey = publicKey_;
        login.personaName = options_.name;
        login.country = options_.country;
        login.region = options_.region;
        login.friends = options_.friends;
        wire::SignLogin(login, options_.seed, ack.nonce);
        {
          std::lock_guard<std::mutex> guard(outMutex_);
          wire::AppendMessage(out_, login);
        }
        phase_ = Phase::AwaitLoginOk;
      } else if (type == wire::MsgType::Refused) {
        warning(1, "lobby service: service version differs");
        noReconnect_ = true;
        closeConnection(false);
      } else {
        closeConnection(true);
      }
      return;
    case Phase::AwaitLoginOk:
      if (type == wire::MsgType::LoginOk) {
        onLoginOk(*wire::DecodePayload<wire::LoginOk>(payload));
      } else {
        if (type == wire::MsgType::Error) warning(1, "lobby service: login refused");
        closeConnection(true);
      }
      return;
    case Phase::Ready:
      break;
    case Phase::Down:
      return;
  }
  if ((h.flags & wire::kFlagEvent) != 0 && h.requestId == 0) {
    handleEvent(h, payload);
    return;
  }
  if (type == wire::MsgType::Pong) {
    lastPong_ = Clock::now();
    if (auto pong = wire::DecodePayload<wire::Pong>(payload)) {
      std::lock_guard<std::mutex> guard(timeMutex_);
      serverBase_ = pong->serverTime;
      serverBaseAt_ = lastPong_;
      serverKnown_ = true;
    }
  }
  // Any answer proves the service alive.
  lastPong_ = Clock::now();
  std::optional<Pending> p;
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    auto it = pending_.find(h.requestId);
    if (it == pending_.end()) return;  // late: its caller already timed out
    p = std::move(it->second);
    pending_.erase(it);
  }
  if ((h.flags & wire::kFlagError) != 0) {
    const auto error = wire::DecodePayload<wire::Error>(payload);
    Result reason = Result::Fail;
    if (error && error->code == wire::ErrorCode::Busy) reason = Result::Busy;
    if (error && error->code == wire::ErrorCode::RateLimited) reason = Result::RateLimited;
    p->onFail(reason);
    return;
  }
  p->onReply(payload);
}

void NetPlatform::onLoginOk(const wire::LoginOk& ok) {
  {
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    acceptedName_ = ok.acceptedName;
    statsReceived_ = false;
  }
  {
    std::lock_guard<std::mutex> guard(timeMutex_);
    serverBase_ = ok.serverTime;
    serverBaseAt_ = Clock::now();
    serverKnown_ = true;
  }
  cloudForAccount_.store(ok.cloudForAccount);
  cloudForApp_.store(ok.cloudForApp);
  selfId_.store(ok.user);
  resetPeersForLogin(ok);
  phase_ = Phase::Ready;
  failedAttempts_ = 0;
  lastPong_ = lastPingSent_ = Clock::now();
  ++logins_;
  if (options_.onLogin) options_.onLogin(ok.user);
  loggedOn_.store(true);
}

void NetPlatform::handleEvent(const wire::FrameHeader& h, std::span<const uint8_t> payload) {
  using T = wire::MsgType;
  switch (static_cast<T>(h.type)) {
    case T::Kicked: {
      const auto k = wire::DecodePayload<wire::Kicked>(payload);
      // A newer login with the same key took over: logging in again would only push it out.
      if (k && k->reason == wire::KickReason::Replaced) noReconnect_ = true;
      warning(1, "lobby service: the connection was ended by the service");
      closeConnection(true);
      return;
    }
    case T::LobbyDataChanged: {
      auto e = *wire::DecodePayload<wire::LobbyDataChanged>(payload);
      {
        std::lock_guard<std::mutex> guard(mirrorMutex_);
        auto it = joined_.find(e.lobby);
        if (it == joined_.end()) return;
        if (e.member == e.lobby) {
          if (it->second.writesInFlight == 0) it->second.data = std::move(e.data);
        } else if (e.member != selfId_.load() || it->second.writesInFlight == 0) {
          it->second.memberData[e.member] = std::move(e.data);
        }
      }
      dispatcher().post(Queue::Client, LobbyDataUpdate{e.lobby, e.member, true});
      return;
    }
    case T::LobbyMembers: {
      const auto e = *wire::DecodePayload<wire::LobbyMembers>(payload);
      std::lock_guard<std::mutex> guard(mirrorMutex_);
      auto it = joined_.find(e.lobby);
      if (it == joined_.end()) return;
      if (!it->second.closed) it->second.owner = e.owner;
      it->second.memberLimit = e.memberLimit;
      it->second.members = e.members;
      return;
    }
    case T::LobbyClosed: {
      const auto e = *wire::DecodePayload<wire::LobbyClosed>(payload);
      std::lock_guard<std::mutex> guard(mirrorMutex_);
      auto it = joined_.find(e.lobby);
      if (it != joined_.end()) {
        it->second.closed = true;
        it->second.owner = 0;
      }
      return;
    }
    case T::PeerUnreachable: {
      const auto e = *wire::DecodePayload<wire::PeerUnreachable>(payload);
      {
        std::lock_guard<std::mutex> guard(peerMutex_);
        accepted_.erase(e.user);
      }
      dispatcher().post(Queue::Client, P2PSessionFail{e.user, SessionError::TargetOffline});
      return;
    }
    case T::Invited: {
      const auto e = *wire::DecodePayload<wire::Invited>(payload);
      {
        std::lock_guard<std::mutex> guard(mirrorMutex_);
        names_[e.from] = e.fromName;
      }
      dispatcher().post(Queue::Client, JoinRequested{e.lobby, e.from});
      return;
    }
    case T::TicketVerdictEvent: {
      const auto e = *wire::DecodePayload<wire::TicketVerdictEvent>(payload);
      {
        std::lock_guard<std::mutex> guard(mirrorMutex_);
        verdictsDue_.erase(e.user);
      }
      dispatcher().post(Queue::Verifier, TicketVerdict{e.user, e.response});
      return;
    }
    case T::TimeChanged: {
      const auto e = *wire::DecodePayload<wire::TimeChanged>(payload);
      std::lock_guard<std::mutex> guard(timeMutex_);
      serverBase_ = e.serverTime;
      serverBaseAt_ = Clock::now();
      serverKnown_ = true;
      return;
    }
    case T::Packet: {
      const auto e = *wire::DecodePayload<wire::Packet>(payload);
      if (e.channel >= lobby::limits::kChannels || e.payload.empty() ||
          e.payload.size() > lobby::limits::kMaxPacketBytes)
        return;
      std::lock_guard<std::mutex> guard(peerMutex_);
      deliverPacket(e.from, e.channel, e.payload);
      return;
    }
    case T::UdpRegistered:
      udpConfirmed_.store(true);
      return;
    default:
      return;
  }
}

void NetPlatform::timers(Clock::time_point now) {
  if (phase_ != Phase::Down && phase_ != Phase::Ready && now - connectedAt_ > std::chrono::seconds(10)) {
    closeConnection(true);  // no answer to the hello or the login
    return;
  }
  if (phase_ == Phase::Ready) {
    if (now - lastPong_ >= timing::kPongLost) {
      warning(1, "lobby service: no answer for 15 s; the connection is lost");
      closeConnection(true);
      return;
    }
    if (now - lastPingSent_ >= timing::kPingEvery) {
      lastPingSent_ = now;
      std::lock_guard<std::mutex> guard(outMutex_);
      wire::AppendMessage(out_, wire::Ping{}, ++lastRequestId_ == 0 ? ++lastRequestId_ : lastRequestId_);
    }
    udpTimers(now);
  }
  // Calls past their bound end Timeout; the answer, if it ever comes, is dropped.
  std::vector<Pending> late;
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    for (auto it = pending_.begin(); it != pending_.end();) {
      if (it->second.deadline <= now) {
        late.push_back(std::move(it->second));
        it = pending_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Pending& p : late) p.onFail(Result::Timeout);
  // A begun session whose verdict never came ends with "no answer".
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  for (auto it = verdictsDue_.begin(); it != verdictsDue_.end();) {
    if (it->second <= now) {
      dispatcher().post(Queue::Verifier, TicketVerdict{it->first, TicketResponse::NoAnswer});
      it = verdictsDue_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace vt::online::net
