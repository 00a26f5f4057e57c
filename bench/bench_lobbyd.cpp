// The lobby service on loopback, started by the benchmark: one relay hop for 64-byte and
// 1200-byte payloads against a direct UDP hop, and control calls (a lobby data write, a board
// lookup). Each reports p50 and p99 in microseconds beside the mean.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "lobby/control_codec.h"
#include "lobby/relay_datagram.h"
#include "lobbyd/service.h"

namespace {

namespace wire = vt::lobby::wire;
namespace relay = vt::lobby::relay;

// A logged-on client with a UDP socket, blocking and minimal.
struct BenchClient {
  int tcp = -1, udp = -1;
  wire::LoginOk ok;
  uint32_t counter = 0;
  std::vector<uint8_t> in;

  explicit BenchClient(uint16_t port, uint8_t seedByte) {
    tcp = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(tcp, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    send(wire::Hello{});
    const auto ack = next()->payload;
    const auto hello = *wire::DecodePayload<wire::HelloAck>(ack);
    vt::lobby::Seed seed{};
    seed.fill(seedByte);
    wire::Login login;
    login.publicKey = vt::lobby::PublicKeyOf(seed);
    login.personaName = "bench";
    wire::SignLogin(login, seed, hello.nonce);
    send(login);
    ok = *wire::DecodePayload<wire::LoginOk>(next()->payload);
    udp = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(udp, reinterpret_cast<sockaddr*>(&local), sizeof(local));
    for (;;) {
      sendDatagram(relay::Kind::Register, 0, {});
      auto f = next(200);
      if (f && f->type == static_cast<uint16_t>(wire::MsgType::UdpRegistered)) break;
    }
  }
  ~BenchClient() {
    ::close(tcp);
    ::close(udp);
  }
  template <class M>
  void send(const M& m, uint32_t id = 0) {
    std::vector<uint8_t> out;
    wire::AppendMessage(out, m, id);
    ::send(tcp, out.data(), out.size(), MSG_NOSIGNAL);
  }
  struct Frame {
    uint16_t type;
    std::vector<uint8_t> payload;
  };
  std::optional<Frame> next(int timeoutMs = 2000) {
    for (;;) {
      wire::FrameHeader h;
      if (wire::PeekFrame(in, h) == wire::FrameStatus::Complete) {
        Frame f{h.type, std::vector<uint8_t>(in.begin() + wire::kHeaderBytes,
                                             in.begin() + wire::kLengthBytes + h.length)};
        in.erase(in.begin(), in.begin() + wire::kLengthBytes + h.length);
        return f;
      }
      pollfd p{tcp, POLLIN, 0};
      if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
      uint8_t buf[65536];
      const ssize_t n = ::recv(tcp, buf, sizeof(buf), 0);
      if (n <= 0) return std::nullopt;
      in.insert(in.end(), buf, buf + n);
    }
  }
  void sendDatagram(relay::Kind kind, uint64_t target, const std::vector<uint8_t>& payload) {
    uint8_t out[relay::kMaxDatagramBytes];
    const size_t n = relay::Encode({kind, 0, ok.sessionId, ++counter, target, payload}, ok.udpKey, out);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(ok.udpPort);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(udp, out, n, 0, reinterpret_cast<sockaddr*>(&a), sizeof(a));
  }
  bool receive() {
    pollfd p{udp, POLLIN, 0};
    if (::poll(&p, 1, 1000) <= 0) return false;
    uint8_t buf[2048];
    return ::recv(udp, buf, sizeof(buf), 0) > 0;
  }
};

struct Fixture {
  vt::lobbyd::Service service{[] {
    vt::lobbyd::ServiceOptions o;
    o.listen = "127.0.0.1:0";
    return o;
  }()};
  std::optional<BenchClient> a, b;
  Fixture() {
    service.start();
    a.emplace(service.tcpPort(), 1);
    b.emplace(service.tcpPort(), 2);
  }
};

void Percentiles(benchmark::State& state, std::vector<double>& us) {
  if (us.empty()) return;
  std::sort(us.begin(), us.end());
  state.counters["p50_us"] = us[us.size() / 2];
  state.counters["p99_us"] = us[us.size() * 99 / 100];
}

template <class Fn>
void Timed(benchmark::State& state, Fn&& fn) {
  std::vector<double> us;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!fn()) state.SkipWithError("lost");
    us.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
  }
  Percentiles(state, us);
}

// One hop through the relay. A pair may send 300 packets a second with a burst of 600, so a run
// stays inside the burst: 500 hops.
void BM_RelayHop(benchmark::State& state) {
  Fixture f;
  const std::vector<uint8_t> payload(static_cast<size_t>(state.range(0)), 7);
  Timed(state, [&] {
    f.a->sendDatagram(relay::Kind::Data, f.b->ok.user, payload);
    return f.b->receive();
  });
}
BENCHMARK(BM_RelayHop)->Arg(64)->Arg(1200)->Iterations(500)->UseRealTime();

void BM_DirectUdpHop(benchmark::State& state) {
  Fixture f;
  sockaddr_in to{};
  socklen_t len = sizeof(to);
  ::getsockname(f.b->udp, reinterpret_cast<sockaddr*>(&to), &len);
  const std::vector<uint8_t> payload(static_cast<size_t>(state.range(0)) + relay::kOverheadBytes, 7);
  Timed(state, [&] {
    ::sendto(f.a->udp, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&to), len);
    return f.b->receive();
  });
}
BENCHMARK(BM_DirectUdpHop)->Arg(64)->Arg(1200)->Iterations(500)->UseRealTime();

void BM_SetDataRoundTrip(benchmark::State& state) {
  Fixture f;
  f.a->send(wire::LobbyCreate{4}, 1);
  const auto created = *wire::DecodePayload<wire::LobbyCreate::Reply>(f.a->next()->payload);
  uint32_t i = 0;
  Timed(state, [&] {
    f.a->send(wire::LobbySetData{created.lobby, "K", std::to_string(++i)}, i + 10);
    // The reply, then the owner's own data update.
    return f.a->next().has_value() && f.a->next().has_value();
  });
}
// Lobby writes are limited to 30 a second (burst 60): a run stays inside the burst.
BENCHMARK(BM_SetDataRoundTrip)->Iterations(55)->UseRealTime();

void BM_BoardFindRoundTrip(benchmark::State& state) {
  Fixture f;
  uint32_t i = 0;
  Timed(state, [&] {
    f.a->send(wire::BoardFind{"RANK_MATCH_POINT"}, ++i);
    return f.a->next().has_value();
  });
}
BENCHMARK(BM_BoardFindRoundTrip)->Iterations(5000)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
