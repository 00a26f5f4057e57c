// A small blocking client of the lobby service for tests, built on the protocol codec: raw
// bytes when a test needs to break the framing, typed messages otherwise, the handshake and a
// signed login, and a UDP socket speaking relay datagrams.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "lobby/control_codec.h"
#include "lobby/relay_datagram.h"

namespace vt::lobbyd::testing {

namespace wire = lobby::wire;
namespace relay = lobby::relay;

struct Frame {
  wire::FrameHeader header;
  std::vector<uint8_t> payload;
  bool is(wire::MsgType t) const { return header.type == static_cast<uint16_t>(t); }
  template <class M>
  M as() const {
    auto m = wire::DecodePayload<M>(payload);
    return m.value_or(M{});
  }
};

inline lobby::Seed SeedOf(uint8_t b) {
  lobby::Seed s{};
  s.fill(b);
  return s;
}

class RawClient {
 public:
  explicit RawClient(uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
  }
  ~RawClient() {
    if (fd_ >= 0) ::close(fd_);
    if (udp_ >= 0) ::close(udp_);
  }
  bool connected() const { return connected_; }
  void sendRaw(const std::vector<uint8_t>& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  template <class M>
  void send(const M& m, uint32_t requestId = 0) {
    std::vector<uint8_t> out;
    wire::AppendMessage(out, m, requestId);
    sendRaw(out);
  }

  // The next frame within the time-out; nullopt on time-out or when the service closed (closed()).
  std::optional<Frame> next(int timeoutMs = 3000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      wire::FrameHeader h;
      if (wire::PeekFrame(in_, h) == wire::FrameStatus::Complete) {
        Frame f{h, std::vector<uint8_t>(in_.begin() + wire::kHeaderBytes,
                                        in_.begin() + wire::kLengthBytes + h.length)};
        in_.erase(in_.begin(), in_.begin() + wire::kLengthBytes + h.length);
        return f;
      }
      const int left = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
              .count());
      if (left <= 0 || closed_) return std::nullopt;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, left) <= 0) continue;
      uint8_t buf[65536];
      const ssize_t n = ::recv(fd_, buf, sizeof(buf), 0);
      if (n <= 0) {
        closed_ = true;
        continue;
      }
      in_.insert(in_.end(), buf, buf + n);
    }
  }
  // The next frame of a type, skipping others (events in between).
  std::optional<Frame> waitFor(wire::MsgType type, int timeoutMs = 3000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      const int left = static_cast<int>(
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
              .count());
      if (left <= 0) return std::nullopt;
      std::optional<Frame> f = next(left);
      if (!f) return std::nullopt;
      if (f->is(type)) return f;
      skipped.push_back(*f);
    }
  }
  // True when the service closed the connection within the time-out.
  bool closedWithin(int timeoutMs = 3000) {
    while (next(timeoutMs)) {
    }
    return closed_;
  }
  template <class Request>
  typename Request::Reply call(const Request& r, int timeoutMs = 3000) {
    const uint32_t id = ++lastId_;
    send(r, id);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      std::optional<Frame> f = next(timeoutMs);
      if (!f) break;
      if (f->header.requestId == id && (f->header.flags & wire::kFlagResponse) != 0)
        return f->as<typename Request::Reply>();
      skipped.push_back(*f);
    }
    ADD_FAILURE() << "no reply to request type " << static_cast<int>(Request::kType);
    return {};
  }

  std::optional<wire::HelloAck> hello(uint16_t major = wire::kMajorVersion) {
    wire::Hello h;
    h.major = major;
    send(h);
    std::optional<Frame> f = next();
    if (!f || !f->is(wire::MsgType::HelloAck)) {
      last = f;
      return std::nullopt;
    }
    ack = f->as<wire::HelloAck>();
    return ack;
  }
  wire::Login makeLogin(const lobby::Seed& seed, const std::string& name) {
    wire::Login l;
    l.publicKey = lobby::PublicKeyOf(seed);
    l.personaName = name;
    l.country = "JP";
    wire::SignLogin(l, seed, ack.nonce);
    return l;
  }
  // Hello and a signed login; the LoginOk, or nullopt with the answer in `last`.
  std::optional<wire::LoginOk> login(const lobby::Seed& seed, const std::string& name) {
    if (!hello()) return std::nullopt;
    send(makeLogin(seed, name));
    last = next();
    if (!last || !last->is(wire::MsgType::LoginOk)) return std::nullopt;
    ok = last->as<wire::LoginOk>();
    return ok;
  }

  // UDP: a socket of its own on loopback; datagrams tagged with the login's key.
  int openUdp() {
    if (udp_ >= 0) ::close(udp_);
    udp_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(udp_, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    return udp_;
  }
  std::vector<uint8_t> datagram(relay::Kind kind, uint64_t target, std::vector<uint8_t> payload,
                                uint8_t channel = 0) {
    std::vector<uint8_t> out(relay::kMaxDatagramBytes);
    relay::Datagram d{kind, channel, ok.sessionId, ++counter, target, payload};
    out.resize(relay::Encode(d, ok.udpKey, out));
    return out;
  }
  void sendUdp(const std::vector<uint8_t>& bytes, int fd = -1) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(ok.udpPort);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd >= 0 ? fd : udp_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&a), sizeof(a));
  }
  // Registers until UdpRegistered arrives over TCP.
  bool registerUdp() {
    if (udp_ < 0) openUdp();
    for (int i = 0; i < 20; ++i) {
      sendUdp(datagram(relay::Kind::Register, 0, {}));
      if (waitFor(wire::MsgType::UdpRegistered, 150)) return true;
    }
    return false;
  }
  // The next relayed datagram, checked under the login's key and window.
  std::optional<std::pair<relay::Datagram, std::vector<uint8_t>>> receiveUdp(int timeoutMs = 2000,
                                                                             int fd = -1) {
    pollfd p{fd >= 0 ? fd : udp_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
    std::vector<uint8_t> buf(2048);
    const ssize_t n = ::recv(p.fd, buf.data(), buf.size(), 0);
    if (n <= 0) return std::nullopt;
    buf.resize(static_cast<size_t>(n));
    relay::Datagram d;
    if (relay::ParseHeader(buf, d) != relay::Drop::None || d.session != ok.sessionId ||
        relay::Authenticate(buf, ok.udpKey, window) != relay::Drop::None)
      return std::nullopt;
    std::vector<uint8_t> payload(d.payload.begin(), d.payload.end());
    return std::make_pair(d, payload);
  }

  wire::HelloAck ack;
  wire::LoginOk ok;
  std::optional<Frame> last;
  std::vector<Frame> skipped;
  uint32_t counter = 0;
  relay::ReplayWindow window;

 private:
  int fd_ = -1;
  int udp_ = -1;
  bool connected_ = false;
  bool closed_ = false;
  uint32_t lastId_ = 0;
  std::vector<uint8_t> in_;
};

}  // namespace vt::lobbyd::testing
