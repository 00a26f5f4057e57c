// The admin socket (UNIX, mode 0600, one command a line, answered by the configured handler)
// and the operations its commands reach.
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "lobbyd/service_impl.h"

namespace vt::lobbyd {

namespace wire = lobby::wire;

namespace {
constexpr size_t kMaxAdminLine = 4096;
}

bool Service::Impl::openAdmin(std::string* error) {
  if (options_.adminPath.empty()) return true;
  sockaddr_un addr{};
  if (options_.adminPath.size() >= sizeof(addr.sun_path)) {
    if (error != nullptr) *error = options_.adminPath + ": the admin socket's path is too long";
    return false;
  }
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, options_.adminPath.c_str(), options_.adminPath.size() + 1);
  ::unlink(options_.adminPath.c_str());
  admin_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  // Mode 0600 before listen(): nobody can connect in between, as nothing listens yet.
  if (::bind(admin_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
      ::chmod(options_.adminPath.c_str(), 0600) != 0 || ::listen(admin_, 8) != 0) {
    if (error != nullptr) *error = options_.adminPath + ": " + std::strerror(errno);
    return false;
  }
  epoll_event ev{};
  ev.events = EPOLLIN;
  ev.data.fd = admin_;
  ::epoll_ctl(epoll_, EPOLL_CTL_ADD, admin_, &ev);
  return true;
}

void Service::Impl::closeAdmin() {
  for (auto& [fd, pending] : adminClients_) ::close(fd);
  adminClients_.clear();
  if (admin_ >= 0) {
    ::close(admin_);
    ::unlink(options_.adminPath.c_str());
    admin_ = -1;
  }
}

void Service::Impl::acceptAdmin() {
  for (;;) {
    const int fd = ::accept4(admin_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    ::epoll_ctl(epoll_, EPOLL_CTL_ADD, fd, &ev);
    adminClients_[fd];
  }
}

void Service::Impl::readAdmin(int fd) {
  std::string& pending = adminClients_[fd];
  char buffer[4096];
  const ssize_t n = ::recv(fd, buffer, sizeof(buffer), 0);
  bool done = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
  if (n > 0) pending.append(buffer, static_cast<size_t>(n));
  for (size_t eol; !done && (eol = pending.find('\n')) != std::string::npos;) {
    std::string line = pending.substr(0, eol);
    pending.erase(0, eol + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string answer =
        options_.adminHandler ? options_.adminHandler(*this, line) : std::string("error: no admin commands");
    if (answer.empty() || answer.back() != '\n') answer.push_back('\n');
    // Answers are short and the operator waits for them: a blocking send is fine here.
    const int flags = 0;
    for (size_t sent = 0; sent < answer.size();) {
      const ssize_t w = ::send(fd, answer.data() + sent, answer.size() - sent, MSG_NOSIGNAL | flags);
      if (w <= 0 && errno != EAGAIN) {
        done = true;
        break;
      }
      if (w > 0) sent += static_cast<size_t>(w);
    }
  }
  if (pending.size() > kMaxAdminLine) done = true;
  if (done) {
    ::epoll_ctl(epoll_, EPOLL_CTL_DEL, fd, nullptr);
    ::close(fd);
    adminClients_.erase(fd);
  }
}

std::vector<UserRecord> Service::Impl::users() { return users_->all(); }

bool Service::Impl::kick(UserId user) {
  Connection* c = connectionOf(user);
  if (c == nullptr) return false;
  send(*c, wire::Kicked{wire::KickReason::Admin});
  userGone(*c);
  c->closing = true;
  flush(*c);
  return true;
}

void Service::Impl::addFriends(UserId a, UserId b) {
  users_->addClaim(a, b);
  users_->addClaim(b, a);
}

std::vector<lobby::StoredEntry> Service::Impl::boardEntries(lobby::BoardHandle board) {
  return store_->entriesByRank(board, 1, lobby::limits::kDownloadEntries);
}

std::optional<uint64_t> Service::Impl::fileSize(UserId user, std::string_view name) {
  auto f = store_->file(user, name);
  if (!f) return std::nullopt;
  return f->size();
}

bool Service::Impl::backup(const std::string& path) { return users_->backup(path); }

bool Service::Impl::setServerTime(uint32_t utcSeconds) {
  if (!options_.testMode) return false;
  timeOffset_ = 0;
  return offsetServerTime(int64_t{utcSeconds} - int64_t{serverTime()});
}

bool Service::Impl::offsetServerTime(int64_t seconds) {
  if (!options_.testMode) return false;
  timeOffset_ += seconds;
  for (auto& [user, c] : online_) send(*c, wire::TimeChanged{serverTime()});
  return true;
}

bool Service::Impl::setCloud(UserId user, bool enabled) {
  if (!options_.testMode) return false;
  users_->setCloud(user, enabled);
  if (Connection* c = connectionOf(user)) c->record.cloudEnabled = enabled;
  return true;
}

bool Service::Impl::setQuota(UserId user, uint64_t bytes) {
  if (!options_.testMode) return false;
  users_->setQuota(user, bytes);
  if (Connection* c = connectionOf(user)) c->record.quota = bytes;
  return true;
}

bool Service::Impl::failNext(wire::MsgType request, int n) {
  if (!options_.testMode) return false;
  failNext_[static_cast<uint16_t>(request)] = n;
  return true;
}

bool Service::Impl::withholdAnswers(UserId user, int n, bool act) {
  if (!options_.testMode) return false;
  withheld_[user] = {n, act};
  return true;
}

bool Service::Impl::blockUdp(bool blocked) {
  if (!options_.testMode) return false;
  udpBlocked_ = blocked;
  return true;
}

bool Service::Impl::invite(UserId from, UserId to, LobbyId lobby) {
  if (!options_.testMode) return false;
  Connection* target = connectionOf(to);
  Connection* sender = connectionOf(from);
  if (target == nullptr || sender == nullptr) return false;
  send(*target, wire::Invited{lobby, from, sender->record.persona});
  return true;
}

}  // namespace vt::lobbyd
