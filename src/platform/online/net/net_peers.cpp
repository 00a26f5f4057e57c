// NetPlatform's peer packets: tagged datagrams through the service's relay on a non-blocking UDP
// socket (recvmmsg), each checked for its tag and against the replay window before delivery; the
// registration until the service confirms it, then a keep-alive; the fallback over the control
// connection when no confirmation came within 3 s; held packets of sessions not yet accepted.
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "platform/online/net/net_requests.h"

namespace vt::online::net {

namespace wire = lobby::wire;
namespace relay = lobby::relay;

void NetPlatform::resetPeersForLogin(const wire::LoginOk& ok) {
  std::lock_guard<std::mutex> guard(peerMutex_);
  // A new login is a new session with a new key: the old window means nothing any more.
  udpSession_ = UdpSession{};
  udpSession_.id = ok.sessionId;
  udpSession_.key = ok.udpKey;
  serviceAddr_.sin_port = htons(ok.udpPort);
  lastRegister_ = {};
  lastKeepalive_ = Clock::now();
  udpConfirmed_.store(false);
  fallback_.store(false);
  accepted_.clear();
  held_.clear();
}

// peerMutex_ held.
bool NetPlatform::sendDatagram(relay::Kind kind, UserId target, int channel,
                               std::span<const uint8_t> payload) {
  if (options_.udpBlocked || udpSession_.id == 0) return false;
  uint8_t out[relay::kMaxDatagramBytes];
  const relay::Datagram d{
      kind, static_cast<uint8_t>(channel), udpSession_.id, ++udpSession_.outCounter, target, payload};
  const size_t n = relay::Encode(d, udpSession_.key, out);
  if (n == 0) return false;
  return ::sendto(udp_, out, n, MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&serviceAddr_),
                  sizeof(serviceAddr_)) == static_cast<ssize_t>(n);
}

void NetPlatform::udpTimers(Clock::time_point now) {
  std::lock_guard<std::mutex> guard(peerMutex_);
  if (!udpConfirmed_.load()) {
    if (!fallback_.load() && now - connectedAt_ >= timing::kUdpConfirm) {
      // Nothing confirmed the datagrams: packets go over the control connection from now on.
      fallback_.store(true);
      warning(2, "lobby service: UDP not confirmed; packets go over the control connection");
    }
    if (now - lastRegister_ >= timing::kRegisterEvery) {
      lastRegister_ = now;
      sendDatagram(relay::Kind::Register, 0, 0, {});
    }
  } else if (now - lastKeepalive_ >= timing::kKeepaliveEvery) {
    lastKeepalive_ = now;
    sendDatagram(relay::Kind::Keepalive, 0, 0, {});
  }
  expireHeld(now);
}

// peerMutex_ held.
void NetPlatform::drainUdp() {
  constexpr unsigned kBatch = 32;
  static thread_local uint8_t buffers[kBatch][relay::kMaxDatagramBytes + 1];
  for (int rounds = 0; rounds < 64; ++rounds) {
    mmsghdr msgs[kBatch];
    iovec iov[kBatch];
    std::memset(msgs, 0, sizeof(msgs));
    for (unsigned i = 0; i < kBatch; ++i) {
      iov[i] = {buffers[i], sizeof(buffers[i])};
      msgs[i].msg_hdr.msg_iov = &iov[i];
      msgs[i].msg_hdr.msg_iovlen = 1;
    }
    const int n = ::recvmmsg(udp_, msgs, kBatch, MSG_DONTWAIT, nullptr);
    if (n <= 0) return;
    for (int i = 0; i < n; ++i) {
      const size_t length = msgs[i].msg_len;
      const bool truncated = (msgs[i].msg_hdr.msg_flags & MSG_TRUNC) != 0;
      const std::span<const uint8_t> bytes(buffers[i],
                                           std::min<size_t>(length, relay::kMaxDatagramBytes + 1));
      relay::Datagram d;
      relay::Drop drop = truncated ? relay::Drop::BadLength : relay::ParseHeader(bytes, d);
      if (drop == relay::Drop::None && (d.session != udpSession_.id || udpSession_.id == 0))
        drop = relay::Drop::UnknownSession;
      if (drop == relay::Drop::None) drop = relay::Authenticate(bytes, udpSession_.key, udpSession_.window);
      if (drop == relay::Drop::None && (d.kind != relay::Kind::Data || d.channel >= lobby::limits::kChannels))
        drop = relay::Drop::BadVersion;
      if (drop != relay::Drop::None) {
        ++udpDrops_;  // silent, counted, never delivered
        continue;
      }
      // Whatever the service relays proves the path: no need to wait for the confirmation.
      deliverPacket(d.peer, d.channel, d.payload);
    }
    if (static_cast<unsigned>(n) < kBatch) return;
  }
}

// peerMutex_ held.
void NetPlatform::deliverPacket(UserId from, int channel, std::span<const uint8_t> bytes) {
  const Clock::time_point now = Clock::now();
  const size_t ch = static_cast<size_t>(channel);
  auto acc = accepted_.find(from);
  if (acc != accepted_.end()) {
    acc->second = now;
    if (inbox_[ch].size() >= static_cast<size_t>(lobby::limits::kInboundPackets) ||
        inboxBytes_[ch] + bytes.size() > lobby::limits::kInboundBytes) {
      ++peerStats_.droppedQueueFull;  // the newest are dropped
      return;
    }
    inboxBytes_[ch] += bytes.size();
    inbox_[ch].push_back({from, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    return;
  }
  Held& held = held_[from];
  if (held.packets.empty()) {
    held.since = now;
    dispatcher().post(Queue::Client, P2PSessionRequest{from});
  }
  if (held.packets.size() >= static_cast<size_t>(lobby::limits::kHeldPackets)) {
    ++peerStats_.droppedUnaccepted;
    return;
  }
  held.packets.emplace_back(channel, Packet{from, std::vector<uint8_t>(bytes.begin(), bytes.end())});
}

// peerMutex_ held.
void NetPlatform::expireHeld(Clock::time_point now) {
  for (auto it = held_.begin(); it != held_.end();) {
    if (now - it->second.since >= timing::kHeldFor) {
      // Unaccepted for 10 s: dropped; the remote's next packet asks again.
      peerStats_.droppedUnaccepted += it->second.packets.size();
      it = held_.erase(it);
    } else {
      ++it;
    }
  }
}

bool NetPlatform::send(UserId to, std::span<const uint8_t> bytes, int channel) {
  if (!loggedOn_.load() || bytes.empty() || bytes.size() > lobby::limits::kMaxPacketBytes ||
      to == selfId_.load() || channel < 0 || channel >= lobby::limits::kChannels)
    return false;
  std::unique_lock<std::mutex> lock(peerMutex_);
  const int64_t nowUs = MicrosNow();
  // The service's budgets, kept here too so a flood is refused before it costs the wire.
  auto pair = pairBuckets_.try_emplace(to, 300, 600).first;
  if (!sendBucket_.take(nowUs) || !pair->second.take(nowUs)) {
    ++peerStats_.droppedRateLimited;
    return false;
  }
  accepted_[to] = Clock::now();  // sending accepts the session implicitly
  ++peerStats_.sent;
  if (!fallback_.load()) {
    sendDatagram(relay::Kind::Data, to, channel, bytes);
    return true;
  }
  lock.unlock();
  wire::SendPacket packet;
  packet.target = to;
  packet.channel = static_cast<uint8_t>(channel);
  packet.payload.assign(bytes.begin(), bytes.end());
  queueFrame(packet, 0);
  return true;
}

uint32_t NetPlatform::nextPacketSize(int channel) {
  if (channel < 0 || channel >= lobby::limits::kChannels) return 0;
  std::lock_guard<std::mutex> guard(peerMutex_);
  drainUdp();
  expireHeld(Clock::now());
  const auto& box = inbox_[channel];
  return box.empty() ? 0 : static_cast<uint32_t>(box.front().bytes.size());
}

PacketRead NetPlatform::read(int channel, std::span<uint8_t> buffer) {
  if (channel < 0 || channel >= lobby::limits::kChannels) return {};
  std::lock_guard<std::mutex> guard(peerMutex_);
  drainUdp();
  return TakeOldestPacket(inbox_[channel], inboxBytes_[channel], buffer, peerStats_);
}

bool NetPlatform::acceptSession(UserId remote) {
  if (!loggedOn_.load()) return false;
  std::lock_guard<std::mutex> guard(peerMutex_);
  drainUdp();
  expireHeld(Clock::now());
  accepted_[remote] = Clock::now();
  auto it = held_.find(remote);
  if (it == held_.end()) return true;
  for (auto& [channel, packet] : it->second.packets) {
    inboxBytes_[channel] += packet.bytes.size();
    inbox_[channel].push_back(std::move(packet));
  }
  held_.erase(it);
  return true;
}

PeerStats NetPlatform::stats() const {
  std::lock_guard<std::mutex> guard(peerMutex_);
  return peerStats_;
}

}  // namespace vt::online::net
