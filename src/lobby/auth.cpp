// Tickets and verifier sessions.
#include "lobby/auth.h"

#include <cstring>

namespace vt::lobby {

namespace {
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get32(const uint8_t* p) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= uint32_t{p[i]} << (8 * i);
  return v;
}
uint64_t Get64(const uint8_t* p) {
  uint64_t v = 0;
  for (int i = 0; i < 8; ++i) v |= uint64_t{p[i]} << (8 * i);
  return v;
}
}  // namespace

std::array<uint8_t, limits::kTicketBytes> EncodeTicket(const Ticket& t) {
  std::array<uint8_t, limits::kTicketBytes> b{};
  std::memcpy(b.data(), "VTK1", 4);
  Put32(b.data() + 4, t.appId);
  Put64(b.data() + 8, t.user);
  std::memcpy(b.data() + 16, t.id.data(), t.id.size());
  Put32(b.data() + 32, t.issued);
  return b;
}

bool TicketBook::isLive(const Live& t, uint32_t now) const {
  return !t.cancelled && !(now > t.issued && now - t.issued > kTicketLifetimeSeconds);
}

void TicketBook::prune(uint32_t now) {
  for (auto it = tickets_.begin(); it != tickets_.end();) {
    bool held = false;
    for (const auto& [verifier, byUser] : sessions_) {
      auto s = byUser.find(it->second.user);
      held = held || (s != byUser.end() && s->second == it->second.id);
    }
    if (!held && !isLive(it->second, now))
      it = tickets_.erase(it);
    else
      ++it;
  }
}

std::optional<TicketBook::Issued> TicketBook::issue(UserId user, uint32_t now, const TicketId& id) {
  prune(now);
  if (liveTickets(user, now) >= limits::kLiveTickets) return std::nullopt;
  if (++lastHandle_ == 0) ++lastHandle_;
  tickets_[lastHandle_] = Live{user, id, now, false};
  return Issued{lastHandle_, EncodeTicket(Ticket{kAppId, user, id, now})};
}

std::vector<VerdictNotice> TicketBook::notify(UserId user, const TicketId& id, TicketResponse response) {
  std::vector<VerdictNotice> notices;
  for (const auto& [verifier, byUser] : sessions_) {
    auto it = byUser.find(user);
    if (it != byUser.end() && it->second == id) notices.push_back({verifier, user, response});
  }
  return notices;
}

std::vector<VerdictNotice> TicketBook::cancel(UserId owner, TicketHandle handle) {
  auto it = tickets_.find(handle);
  if (it == tickets_.end() || it->second.user != owner || it->second.cancelled) return {};
  it->second.cancelled = true;
  return notify(owner, it->second.id, TicketResponse::TicketCanceled);
}

BeginSessionResult TicketBook::begin(UserId verifier, std::span<const uint8_t> bytes, UserId claimed,
                                     uint32_t now) {
  if (bytes.size() != limits::kTicketBytes || std::memcmp(bytes.data(), "VTK", 3) != 0)
    return BeginSessionResult::InvalidTicket;
  if (bytes[3] != '1') return BeginSessionResult::InvalidVersion;
  Ticket t;
  t.appId = Get32(bytes.data() + 4);
  t.user = Get64(bytes.data() + 8);
  std::memcpy(t.id.data(), bytes.data() + 16, t.id.size());
  t.issued = Get32(bytes.data() + 32);
  if (t.user != claimed || !isValid(t.user, IdKind::User)) return BeginSessionResult::InvalidTicket;
  if (t.appId != kAppId) return BeginSessionResult::GameMismatch;
  auto& byUser = sessions_[verifier];
  if (byUser.count(claimed) != 0) return BeginSessionResult::DuplicateRequest;
  // A ticket from the future (clock skew) is as good as a fresh one.
  if (now > t.issued && now - t.issued > kTicketLifetimeSeconds) return BeginSessionResult::ExpiredTicket;
  byUser[claimed] = t.id;
  return BeginSessionResult::Ok;
}

void TicketBook::end(UserId verifier, UserId user) {
  auto it = sessions_.find(verifier);
  if (it == sessions_.end()) return;
  it->second.erase(user);
  if (it->second.empty()) sessions_.erase(it);
}

TicketResponse TicketBook::verdict(UserId verifier, UserId user, bool userLoggedOn) const {
  auto v = sessions_.find(verifier);
  if (v == sessions_.end()) return TicketResponse::NoLicenseOrWrongUser;
  auto s = v->second.find(user);
  if (s == v->second.end()) return TicketResponse::NoLicenseOrWrongUser;
  for (const auto& [handle, live] : tickets_) {
    if (live.id != s->second) continue;
    if (live.user != user) return TicketResponse::NoLicenseOrWrongUser;
    if (live.cancelled) return TicketResponse::TicketCanceled;
    return userLoggedOn ? TicketResponse::Ok : TicketResponse::UserNotConnected;
  }
  return TicketResponse::NoLicenseOrWrongUser;
}

std::vector<VerdictNotice> TicketBook::logOff(UserId user) {
  std::vector<VerdictNotice> notices;
  for (auto it = tickets_.begin(); it != tickets_.end();) {
    if (it->second.user == user) {
      if (!it->second.cancelled) {
        std::vector<VerdictNotice> n = notify(user, it->second.id, TicketResponse::UserNotConnected);
        notices.insert(notices.end(), n.begin(), n.end());
      }
      it = tickets_.erase(it);
    } else {
      ++it;
    }
  }
  sessions_.erase(user);
  return notices;
}

int TicketBook::liveTickets(UserId user, uint32_t now) const {
  int n = 0;
  for (const auto& [handle, live] : tickets_)
    if (live.user == user && isLive(live, now)) ++n;
  return n;
}

}  // namespace vt::lobby
