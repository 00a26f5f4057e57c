// The service's loop: sockets, the epoll set, framing of control connections, their time-outs and
// closing, and the public face of Service.
#include "lobbyd/service.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>

#include "lobbyd/service_impl.h"

namespace vt::lobbyd {

namespace wire = lobby::wire;

namespace {
constexpr int kTickMs = 100;
// A client that does not read its answers stops being read (its requests wait in the kernel).
constexpr size_t kMaxPendingOutput = 4 * 1024 * 1024;

bool ParseListen(const std::string& text, sockaddr_in& out) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = text.substr(0, colon);
  char* end = nullptr;
  const long port = std::strtol(text.c_str() + colon + 1, &end, 10);
  if (end == text.c_str() + colon + 1 || *end != '\0' || port < 0 || port > 65535) return false;
  std::memset(&out, 0, sizeof(out));
  out.sin_family = AF_INET;
  out.sin_port = htons(static_cast<uint16_t>(port));
  return inet_pton(AF_INET, host.c_str(), &out.sin_addr) == 1;
}

bool IsLoopback(const sockaddr_storage& a) {
  return a.ss_family == AF_INET &&
         (ntohl(reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr) >> 24) == 127;
}

bool SameHost(const sockaddr_storage& a, const sockaddr_storage& b) {
  return a.ss_family == AF_INET && b.ss_family == AF_INET &&
         reinterpret_cast<const sockaddr_in&>(a).sin_addr.s_addr ==
             reinterpret_cast<const sockaddr_in&>(b).sin_addr.s_addr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Impl: set-up and the loop.

Service::Impl::~Impl() {
  for (auto& [fd, c] : connections_) ::close(fd);
  closeAdmin();
  for (int fd : {epoll_, listen_, udp_, timer_, wake_, egressTimer_})
    if (fd >= 0) ::close(fd);
}

int64_t Service::Impl::nowUs() const {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

uint32_t Service::Impl::serverTime() const {
  const int64_t now =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
          .count();
  return static_cast<uint32_t>(now + timeOffset_);
}

bool Service::Impl::open(std::string* error) {
  // The caller reports the reason (the executable on standard error).
  auto failed = [&](const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
  };
  sockaddr_in addr{};
  if (!ParseListen(options_.listen, addr)) return failed("cannot read the listen address " + options_.listen);
  std::string why;
  if (!ServableLobbydConfig(options_.config, why)) return failed("the configuration is not served: " + why);
  // The store first: its migrations make the tables the directory shares.
  store_ = SqliteStore::Open(options_.db, &why);
  if (!store_) return failed(why);
  users_ = UserDirectory::Open(options_.db, &why);
  if (!users_) return failed(why);
  if (options_.idSeed) {
    ids_.seed(*options_.idSeed);
    seededIds_ = true;
  }

  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  const int one = 1;
  ::setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
  if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(listen_, 128) != 0)
    return failed("cannot listen on " + options_.listen + ": " + std::strerror(errno));
  socklen_t len = sizeof(addr);
  ::getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  // UDP on the same port number, so one address serves both.
  udp_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  // Room for bursts while the loop is busy elsewhere (the kernel caps it at its own maximum).
  const int udpBuffer = 4 * 1024 * 1024;
  ::setsockopt(udp_, SOL_SOCKET, SO_RCVBUF, &udpBuffer, sizeof(udpBuffer));
  if (::bind(udp_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0)
    return failed("cannot bind UDP port " + std::to_string(port_) + ": " + std::strerror(errno));

  epoll_ = ::epoll_create1(EPOLL_CLOEXEC);
  timer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  egressTimer_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
  itimerspec timing{};
  timing.it_interval.tv_nsec = kTickMs * 1000000L;
  timing.it_value.tv_nsec = kTickMs * 1000000L;
  ::timerfd_settime(timer_, 0, &timing, nullptr);
  for (int fd : {listen_, udp_, timer_, wake_, egressTimer_}) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev);
  }
  return openAdmin(error);
}

void Service::Impl::wake() {
  const uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof(one));
}

void Service::Impl::post(std::function<void()> command) {
  {
    std::lock_guard<std::mutex> guard(commandsMutex_);
    commands_.push_back(std::move(command));
  }
  wake();
}

void Service::Impl::loop() {
  epoll_event events[64];
  while (!stopping_) {
    const int n = ::epoll_wait(epoll_, events, 64, -1);
    if (n < 0 && errno != EINTR) break;
    for (int i = 0; i < n && !stopping_; ++i) {
      const int fd = events[i].data.fd;
      if (fd == wake_) {
        uint64_t v;
        [[maybe_unused]] ssize_t r = ::read(wake_, &v, sizeof(v));
        std::vector<std::function<void()>> commands;
        {
          std::lock_guard<std::mutex> guard(commandsMutex_);
          commands.swap(commands_);
        }
        for (auto& command : commands) command();
      } else if (fd == timer_) {
        uint64_t v;
        [[maybe_unused]] ssize_t r = ::read(timer_, &v, sizeof(v));
        tick();
      } else if (fd == egressTimer_) {
        uint64_t v;
        [[maybe_unused]] ssize_t r = ::read(egressTimer_, &v, sizeof(v));
        releaseEgress();
      } else if (fd == listen_) {
        acceptAll();
      } else if (fd == udp_) {
        readDatagrams();
      } else if (fd == admin_) {
        acceptAdmin();
      } else if (adminClients_.count(fd) != 0) {
        readAdmin(fd);
      } else {
        auto it = connections_.find(fd);
        if (it == connections_.end()) continue;
        Connection& c = *it->second;
        if ((events[i].events & EPOLLOUT) != 0) flush(c);
        if ((events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0) readFrom(c);
      }
      reap();
    }
  }
  // Leaving: every connection ends as after an outage.
  while (!connections_.empty()) closeConnection(*connections_.begin()->second);
  closeAdmin();
  loopEnded_ = true;
}

// ---------------------------------------------------------------------------------------------
// Connections.

void Service::Impl::acceptAll() {
  for (;;) {
    sockaddr_storage peer{};
    socklen_t len = sizeof(peer);
    const int fd = ::accept4(listen_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (!IsLoopback(peer)) {
      int same = 0;
      for (auto& [other, c] : connections_) same += SameHost(c->peer, peer) ? 1 : 0;
      if (same >= options_.config.limits.connectionsPerAddress) {
        ::close(fd);
        continue;
      }
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    auto c = std::make_unique<Connection>();
    c->fd = fd;
    c->serial = nextSerial_++;
    c->peer = peer;
    c->openedUs = c->heardUs = nowUs();
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev);
    connections_[fd] = std::move(c);
    count([](ServiceCounters& k) { ++k.connectionsOpen; });
  }
}

void Service::Impl::readFrom(Connection& c) {
  uint8_t buffer[16384];
  for (;;) {
    if (c.closing || c.out.size() - c.outSent > kMaxPendingOutput) break;
    const ssize_t n = ::recv(c.fd, buffer, sizeof(buffer), 0);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
      closeConnection(c);
      return;
    }
    if (n < 0) return;
    c.heardUs = nowUs();
    c.in.insert(c.in.end(), buffer, buffer + n);
    size_t used = 0;
    while (!c.closing) {
      wire::FrameHeader h;
      const std::span<const uint8_t> rest(c.in.data() + used, c.in.size() - used);
      const wire::FrameStatus s = wire::PeekFrame(rest, h);
      if (s == wire::FrameStatus::Incomplete) break;
      if (s != wire::FrameStatus::Complete) {
        // A length that cannot be a frame: the stream cannot be followed any further.
        count([](ServiceCounters& k) { ++k.malformedFrames; });
        fail(c, wire::ErrorCode::Malformed, 0, true);
        break;
      }
      const size_t size = wire::kLengthBytes + h.length;
      handleFrame(c, h, rest.subspan(wire::kHeaderBytes, size - wire::kHeaderBytes));
      used += size;
    }
    c.in.erase(c.in.begin(), c.in.begin() + static_cast<std::ptrdiff_t>(used));
  }
}

void Service::Impl::flush(Connection& c) {
  while (c.outSent < c.out.size()) {
    const ssize_t n = ::send(c.fd, c.out.data() + c.outSent, c.out.size() - c.outSent, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      c.out.clear();
      c.outSent = 0;
      c.closing = true;
      break;
    }
    c.outSent += static_cast<size_t>(n);
  }
  if (c.outSent == c.out.size()) {
    c.out.clear();
    c.outSent = 0;
  }
  // Level-triggered: a connection that is closing, or whose answers pile up unread, is not read
  // until that changes.
  const bool reading = !c.closing && c.out.size() - c.outSent <= kMaxPendingOutput;
  const uint32_t events = (reading ? EPOLLIN : 0) | (c.out.empty() ? 0 : EPOLLOUT);
  if (events != c.events) {
    c.events = events;
    epoll_event ev{};
    ev.events = events;
    ev.data.fd = c.fd;
    ::epoll_ctl(epoll_, EPOLL_CTL_MOD, c.fd, &ev);
  }
}

void Service::Impl::reap() {
  // A closing connection goes once its last answer is out (the tick closes it if it never
  // drains). Closing happens here only, so no handler frees a connection under its caller.
  std::vector<Connection*> done;
  for (auto& [fd, c] : connections_)
    if (c->closing && c->out.empty()) done.push_back(c.get());
  for (Connection* c : done) closeConnection(*c);
}

void Service::Impl::fail(Connection& c, wire::ErrorCode code, uint32_t requestId, bool close) {
  wire::AppendMessage(c.out, wire::Error{code}, requestId);
  if (close) {
    ::shutdown(c.fd, SHUT_RD);
    c.closing = true;
  }
  flush(c);
}

void Service::Impl::closeConnection(Connection& c) {
  const int fd = c.fd;
  if (c.user != 0) userGone(c);
  ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
  ::close(fd);
  connections_.erase(fd);
  count([](ServiceCounters& k) { --k.connectionsOpen; });
}

Connection* Service::Impl::connectionOf(UserId user) {
  auto it = online_.find(user);
  return it == online_.end() ? nullptr : it->second;
}

void Service::Impl::tick() {
  settleVerdicts(true);
  const int64_t now = nowUs();
  std::vector<Connection*> late;
  for (auto& [fd, c] : connections_) {
    const bool loginLate =
        c->phase != Connection::Phase::Ready && now - c->openedUs >= options_.loginTimeoutMs * 1000;
    const bool silent = now - c->heardUs >= options_.idleTimeoutMs * 1000;
    // A closing connection whose peer does not read its last answer is not waited for.
    const bool stuck = c->closing && now - c->heardUs >= 2000000;
    if (loginLate || silent || stuck) late.push_back(c.get());
  }
  for (Connection* c : late) {
    if (c->phase != Connection::Phase::Ready && !c->closing) {
      count([](ServiceCounters& k) { ++k.loginsRefused; });
    }
    closeConnection(*c);
  }
}

// ---------------------------------------------------------------------------------------------
// Service.

Service::Service(ServiceOptions options) : impl_(std::make_unique<Impl>(std::move(options))) {}

Service::~Service() { stop(); }

bool Service::start(std::string* error) {
  if (!impl_->open(error)) return false;
  impl_->thread_ = std::thread([this] { impl_->loop(); });
  return true;
}

bool Service::run(std::string* error) {
  if (!impl_->open(error)) return false;
  impl_->loop();
  return true;
}

uint16_t Service::tcpPort() const { return impl_->port_; }
uint16_t Service::udpPort() const { return impl_->port_; }

void Service::stop() {
  if (impl_->wake_ < 0) return;
  // From the loop itself (an admin handler): the loop ends after this turn; nothing to join.
  if (impl_->thread_.joinable() && impl_->thread_.get_id() == std::this_thread::get_id()) {
    impl_->stopping_ = true;
    return;
  }
  impl_->post([this] { impl_->stopping_ = true; });
  if (impl_->thread_.joinable()) impl_->thread_.join();
}

bool Service::stopped() const { return impl_->loopEnded_; }

ServiceCounters Service::counters() const {
  std::lock_guard<std::mutex> guard(impl_->countersMutex_);
  return impl_->counters_;
}

bool Service::admin(const std::function<void(AdminOps&)>& fn) {
  if (impl_->wake_ < 0 || impl_->loopEnded_) return false;
  std::promise<void> done;
  std::future<void> finished = done.get_future();
  impl_->post([this, &fn, &done] {
    fn(*impl_);
    done.set_value();
  });
  // A loop that ends first never runs it.
  while (finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
    if (impl_->loopEnded_) return false;
  return true;
}

void Service::kick(lobby::UserId user) {
  impl_->post([this, user] { impl_->kick(user); });
}

void Service::setServerTime(uint32_t utcSeconds) {
  impl_->post([this, utcSeconds] { impl_->setServerTime(utcSeconds); });
}

}  // namespace vt::lobbyd
