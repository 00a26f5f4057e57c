// The UDP relay: sessions opened at login, datagrams checked (length, version, session, tag,
// replay window) and counted when dropped, endpoints registered and moved only by authenticated
// datagrams, and forwarding within the token buckets to UDP or, without it, the control
// connection. Payloads are never read.
#include <sys/socket.h>
#include <sys/timerfd.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "lobbyd/service_impl.h"

namespace vt::lobbyd {

namespace wire = lobby::wire;
namespace relay = lobby::relay;

namespace {
constexpr int64_t kUnreachableEveryUs = 2 * 1000000;
constexpr int64_t kSessionInUseUs = 120 * 1000000LL;
bool SameEndpoint(const sockaddr_storage& a, socklen_t alen, const sockaddr_storage& b, socklen_t blen) {
  return alen == blen && std::memcmp(&a, &b, alen) == 0;
}
}  // namespace

uint32_t Service::Impl::openSession(UserId user, relay::UdpKey& key) {
  uint32_t id = 0;
  do {
    std::array<uint8_t, 4> b{};
    lobby::RandomBytes(b);
    id = uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
  } while (id == 0 || sessions_.count(id) != 0);
  lobby::RandomBytes(key);
  UdpSession& s = sessions_[id];
  s.user = user;
  s.key = key;
  // The sender's budgets, as lobbyd.ini sets them (bursts of twice the rate).
  const double packets = static_cast<double>(limits().packetsPerSecond);
  const double bytes = static_cast<double>(limits().packetBytesPerSecond);
  s.packets = lobby::TokenBucket(packets, 2 * packets);
  s.bytes = lobby::TokenBucket(bytes, 2 * bytes);
  sessionOf_[user] = id;
  return id;
}

void Service::Impl::closeSession(uint32_t session) {
  auto it = sessions_.find(session);
  if (it == sessions_.end()) return;
  auto of = sessionOf_.find(it->second.user);
  if (of != sessionOf_.end() && of->second == session) sessionOf_.erase(of);
  sessions_.erase(it);
}

void Service::Impl::readDatagrams() {
  uint8_t buffer[relay::kMaxDatagramBytes + 1];
  for (int budget = 0; budget < 256; ++budget) {
    sockaddr_storage from{};
    socklen_t fromLen = sizeof(from);
    const ssize_t n =
        ::recvfrom(udp_, buffer, sizeof(buffer), MSG_TRUNC, reinterpret_cast<sockaddr*>(&from), &fromLen);
    if (n < 0) return;
    if (udpBlocked_) continue;
    auto drop = [&](relay::Drop d) {
      count([d](ServiceCounters& k) { ++k.udpDrops[static_cast<size_t>(d)]; });
    };
    // MSG_TRUNC gives the real length, so an oversize datagram is seen as such, not cut.
    const std::span<const uint8_t> bytes(buffer, std::min<size_t>(static_cast<size_t>(n), sizeof(buffer)));
    if (static_cast<size_t>(n) > relay::kMaxDatagramBytes) {
      drop(relay::Drop::BadLength);
      continue;
    }
    relay::Datagram d;
    relay::Drop r = relay::ParseHeader(bytes, d);
    auto s = sessions_.find(d.session);
    if (r == relay::Drop::None && s == sessions_.end()) r = relay::Drop::UnknownSession;
    if (r == relay::Drop::None) r = relay::Authenticate(bytes, s->second.key, s->second.window);
    if (r != relay::Drop::None) {
      drop(r);
      continue;
    }
    UdpSession& session = s->second;
    // Only an authenticated datagram moves the endpoint, so nobody can steer a user's packets
    // elsewhere by spoofing its session id.
    if (!session.hasEndpoint || !SameEndpoint(session.endpoint, session.endpointLen, from, fromLen)) {
      if (session.hasEndpoint) count([](ServiceCounters& k) { ++k.endpointMoves; });
      session.hasEndpoint = true;
      session.endpoint = from;
      session.endpointLen = fromLen;
    }
    if (d.kind == relay::Kind::Register) {
      if (Connection* c = connectionOf(session.user)) send(*c, wire::UdpRegistered{});
    } else if (d.kind == relay::Kind::Data) {
      forward(session, d.peer, d.channel, d.payload);
    }
  }
}

void Service::Impl::forward(UdpSession& from, UserId target, uint8_t channel,
                            std::span<const uint8_t> payload) {
  if (payload.empty() || payload.size() > lobby::limits::kMaxPacketBytes ||
      channel >= lobby::limits::kChannels || target == from.user) {
    count([](ServiceCounters& k) { ++k.udpDrops[static_cast<size_t>(relay::Drop::BadLength)]; });
    return;
  }
  const int64_t now = nowUs();
  // A pair idle for 2 s has refilled to its burst, as good as a new one: such pairs are dropped
  // when many pile up.
  if (from.pairs.size() >= 256)
    std::erase_if(from.pairs, [&](const auto& e) { return now - e.second.lastUs >= 2 * 1000000; });
  const double pairRate = static_cast<double>(limits().pairPacketsPerSecond);
  auto pair = from.pairs.try_emplace(target, UdpSession::Pair{{pairRate, 2 * pairRate}, now}).first;
  pair->second.lastUs = now;
  // The sender's budget first: a flood to many targets is bounded as a whole.
  if (!from.packets.take(now) || !from.bytes.take(now, static_cast<double>(payload.size())) ||
      !pair->second.bucket.take(now)) {
    count([](ServiceCounters& k) { ++k.rateLimited; });
    return;
  }
  if (connectionOf(target) == nullptr) {
    unreachable(from, target);
    return;
  }
  // Test mode: a link set between the two delays, loses or duplicates what passes here.
  auto link = links_.find({from.user, target});
  if (link == links_.end()) {
    deliver(from.user, target, channel, payload);
    return;
  }
  for (int64_t delayUs : link->second->decide()) {
    if (delayUs <= 0) {
      deliver(from.user, target, channel, payload);
      continue;
    }
    egress_.emplace(now + delayUs, Delayed{from.user, target, channel, {payload.begin(), payload.end()}});
  }
  armEgress();
}

void Service::Impl::deliver(UserId from, UserId target, uint8_t channel, std::span<const uint8_t> payload) {
  Connection* to = connectionOf(target);
  if (to == nullptr) return;  // gone while a delayed packet waited
  auto ts = sessionOf_.find(target);
  UdpSession* targetSession = ts == sessionOf_.end() ? nullptr : &sessions_[ts->second];
  if (targetSession != nullptr && targetSession->hasEndpoint) {
    uint8_t out[relay::kMaxDatagramBytes];
    relay::Datagram d{relay::Kind::Data, channel, ts->second, ++targetSession->outCounter, from, payload};
    const size_t n = relay::Encode(d, targetSession->key, out);
    ::sendto(udp_, out, n, MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&targetSession->endpoint),
             targetSession->endpointLen);
    count([](ServiceCounters& k) { ++k.udpForwarded; });
    return;
  }
  // A target without UDP gets its packets over the control connection.
  send(*to, wire::Packet{from, channel, std::vector<uint8_t>(payload.begin(), payload.end())});
  count([](ServiceCounters& k) { ++k.tcpForwarded; });
}

void Service::Impl::armEgress() {
  itimerspec timing{};
  if (!egress_.empty()) {
    const int64_t wait = std::max<int64_t>(egress_.begin()->first - nowUs(), 1);
    timing.it_value.tv_sec = wait / 1000000;
    timing.it_value.tv_nsec = (wait % 1000000) * 1000;
  }
  ::timerfd_settime(egressTimer_, 0, &timing, nullptr);
}

void Service::Impl::releaseEgress() {
  const int64_t now = nowUs();
  while (!egress_.empty() && egress_.begin()->first <= now) {
    Delayed d = std::move(egress_.begin()->second);
    egress_.erase(egress_.begin());
    deliver(d.from, d.to, d.channel, d.payload);
  }
  armEgress();
}

bool Service::Impl::setLink(UserId from, UserId to, const lobby::LinkParams& params) {
  if (!options_.testMode) return false;
  auto& slot = links_[{from, to}];
  if (!slot) slot = std::make_unique<lobby::LinkModel>(options_.idSeed.value_or(0), from, to);
  slot->set(params);
  return true;
}

bool Service::Impl::clearLink(UserId from, UserId to) {
  if (!options_.testMode) return false;
  links_.erase({from, to});
  return true;
}

void Service::Impl::peersLoggedOff(UserId user, uint32_t session) {
  const int64_t now = nowUs();
  auto inUse = [&](const UdpSession::Pair& p) { return now - p.lastUs < kSessionInUseUs; };
  std::set<UserId> told;
  if (auto own = sessions_.find(session); own != sessions_.end())
    for (const auto& [target, pair] : own->second.pairs)
      if (inUse(pair)) told.insert(target);
  for (auto& [id, other] : sessions_) {
    if (other.user == user) continue;
    auto pair = other.pairs.find(user);
    if (pair != other.pairs.end() && inUse(pair->second)) told.insert(other.user);
  }
  for (UserId peer : told) {
    auto s = sessionOf_.find(peer);
    if (s == sessionOf_.end() || s->second == session) continue;
    UdpSession& peerSession = sessions_[s->second];
    peerSession.pairs.erase(user);
    peerSession.unreachableSentUs.erase(user);  // the logging off is news, whatever was said before
    unreachable(peerSession, user);
  }
}

void Service::Impl::unreachable(UdpSession& from, UserId target) {
  const int64_t now = nowUs();
  // Forget targets told about long ago, so a sender trying many ids cannot grow this without end.
  if (from.unreachableSentUs.size() >= 256)
    std::erase_if(from.unreachableSentUs,
                  [&](const auto& e) { return now - e.second >= kUnreachableEveryUs; });
  auto [it, fresh] = from.unreachableSentUs.try_emplace(target, now);
  if (!fresh && now - it->second < kUnreachableEveryUs) return;
  it->second = now;
  if (Connection* c = connectionOf(from.user)) {
    send(*c, wire::PeerUnreachable{target});
    count([](ServiceCounters& k) { ++k.unreachableSent; });
  }
}

}  // namespace vt::lobbyd
