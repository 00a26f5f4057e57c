// The lobby service on loopback, started by the benchmark: one relay hop for 64-byte and
// 1200-byte payloads against a direct UDP hop, and control calls (a lobby data write, a board
// lookup). Each reports p50 and p99 in microseconds beside the mean. Then the service's capacity:
// relayed packets a second through its one loop, logins a second, the game's rank search over
// 10,000 lobbies as a client sees it, and the memory an idle connection holds.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "lobby/boards.h"
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

  // `withUdp` false: a control connection only, logged on.
  explicit BenchClient(uint16_t port, uint32_t seedNo, bool withUdp = true) {
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
    for (int i = 0; i < 4; ++i) seed[static_cast<size_t>(i)] = static_cast<uint8_t>(seedNo >> (8 * i));
    seed[31] = 0xB7;
    wire::Login login;
    login.publicKey = vt::lobby::PublicKeyOf(seed);
    login.personaName = "bench";
    // One region for every client, so the rank query's "close" distance finds the others.
    login.region = "kanto";
    wire::SignLogin(login, seed, hello.nonce);
    send(login);
    ok = *wire::DecodePayload<wire::LoginOk>(next()->payload);
    if (!withUdp) return;
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
    if (udp >= 0) ::close(udp);
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

// A 1640-byte file (a card's size) read back whole.
void BM_FileReadRoundTrip(benchmark::State& state) {
  Fixture f;
  wire::FileWrite w;
  w.name = "DCARD.UMS";
  w.total = 1640;
  w.chunk.assign(1640, 7);
  f.a->send(w, 1);
  f.a->next();
  uint32_t i = 1;
  size_t bytes = 0;
  Timed(state, [&] {
    f.a->send(wire::FileRead{"DCARD.UMS", 0, 1640}, ++i);
    auto frame = f.a->next();
    if (!frame) return false;
    bytes = wire::DecodePayload<wire::FileRead::Reply>(frame->payload)->total;
    return true;
  });
  state.counters["bytes"] = static_cast<double>(bytes);
}
// File calls are limited to 20 a second (burst 40): a run stays inside the burst.
BENCHMARK(BM_FileReadRoundTrip)->Iterations(30)->UseRealTime();

void BM_ScoreUploadRoundTrip(benchmark::State& state) {
  Fixture f;
  const vt::lobby::BoardHandle board = vt::lobby::FindBoard("RANK_MATCH_POINT");
  uint32_t i = 0;
  Timed(state, [&] {
    ++i;
    f.a->send(wire::BoardUpload{board, vt::lobby::UploadMethod::ForceUpdate, static_cast<int32_t>(i), {}}, i);
    return f.a->next().has_value();
  });
}
// Uploads are limited to 4 a second (burst 8): a run stays inside the burst.
BENCHMARK(BM_ScoreUploadRoundTrip)->Iterations(6)->UseRealTime();

std::unique_ptr<vt::lobbyd::Service> LoopbackService() {
  vt::lobbyd::ServiceOptions o;
  o.listen = "127.0.0.1:0";
  auto service = std::make_unique<vt::lobbyd::Service>(o);
  service->start();
  return service;
}

// Relayed packets a second through the service's one loop. Every sender's budget (600 packets a
// second, bursts of 1200) and every pair's (300, bursts of 600) hold, so the load is many
// senders, each spending its burst on two targets; a thread drains every receiver meanwhile. Each
// run waits out the refill first.
void BM_RelayThroughput(benchmark::State& state) {
  constexpr int kClients = 48;
  constexpr int kPerTarget = 600;
  const std::unique_ptr<vt::lobbyd::Service> running = LoopbackService();
  vt::lobbyd::Service& service = *running;
  std::vector<std::unique_ptr<BenchClient>> clients;
  for (int i = 0; i < kClients; ++i)
    clients.push_back(std::make_unique<BenchClient>(service.tcpPort(), 100 + i));
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> received{0};
  std::thread drain([&] {
    std::vector<pollfd> fds;
    for (auto& c : clients) fds.push_back({c->udp, POLLIN, 0});
    uint8_t buf[2048];
    while (!stop.load()) {
      if (::poll(fds.data(), fds.size(), 20) <= 0) continue;
      for (pollfd& p : fds)
        if (p.revents & POLLIN)
          while (::recv(p.fd, buf, sizeof(buf), MSG_DONTWAIT) > 0) received.fetch_add(1);
    }
  });
  const std::vector<uint8_t> payload(static_cast<size_t>(state.range(0)), 7);
  uint64_t total = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));  // every budget full again
    const uint64_t before = received.load();
    const auto t0 = std::chrono::steady_clock::now();
    for (int k = 0; k < kPerTarget; ++k)
      for (int i = 0; i < kClients; ++i) {
        clients[static_cast<size_t>(i)]->sendDatagram(
            relay::Kind::Data, clients[static_cast<size_t>((i + 1) % kClients)]->ok.user, payload);
        clients[static_cast<size_t>(i)]->sendDatagram(
            relay::Kind::Data, clients[static_cast<size_t>((i + 2) % kClients)]->ok.user, payload);
      }
    const uint64_t sent = uint64_t{2} * kPerTarget * kClients;
    // Until every packet is in, or nothing came for 200 ms.
    uint64_t last = received.load();
    auto lastChange = std::chrono::steady_clock::now();
    auto end = lastChange;
    while (received.load() - before < sent) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const uint64_t now = received.load();
      if (now != last) {
        last = now;
        lastChange = end = std::chrono::steady_clock::now();
      } else if (std::chrono::steady_clock::now() - lastChange > std::chrono::milliseconds(200)) {
        break;
      }
    }
    if (received.load() - before >= sent) end = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(end - t0).count());
    total += received.load() - before;
  }
  stop = true;
  drain.join();
  state.counters["packets_per_s"] =
      benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
  state.counters["delivered"] =
      static_cast<double>(total) / (static_cast<double>(state.iterations()) * 2 * kPerTarget * kClients);
}
BENCHMARK(BM_RelayThroughput)
    ->Arg(64)
    ->Arg(1200)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Logins a second: connect, hello, a signed login (Ed25519 on both sides) and the LoginOk, for
// keys the service has not seen (registration) and, the second time, for known keys.
void BM_Logins(benchmark::State& state) {
  const std::unique_ptr<vt::lobbyd::Service> running = LoopbackService();
  vt::lobbyd::Service& service = *running;
  uint32_t next = 1000;
  const bool known = state.range(0) != 0;
  if (known)
    for (uint32_t i = 0; i < 512; ++i) BenchClient(service.tcpPort(), 1000 + i, false);
  for (auto _ : state) {
    BenchClient c(service.tcpPort(), known ? 1000 + (next++ % 512) : next++, false);
    if (c.ok.user == 0) state.SkipWithError("no login");
  }
  state.counters["logins_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Logins)->Arg(0)->Arg(1)->Iterations(500)->UseRealTime()->Unit(benchmark::kMicrosecond);

long ResidentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * ::sysconf(_SC_PAGESIZE);
}

// The memory an idle, logged-on connection holds in the service (the process's resident size,
// which also holds the benchmark's side of each socket, a few hundred bytes), and how many the
// open-file limit allows: one descriptor each on the service's side. The per-address cap (16)
// does not apply to loopback.
void BM_IdleConnections(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const std::unique_ptr<vt::lobbyd::Service> running = LoopbackService();
    vt::lobbyd::Service& service = *running;
    std::vector<std::unique_ptr<BenchClient>> warm;
    for (int i = 0; i < 16; ++i)
      warm.push_back(std::make_unique<BenchClient>(service.tcpPort(), 50000 + i, false));
    const long before = ResidentBytes();
    std::vector<std::unique_ptr<BenchClient>> clients;
    for (int i = 0; i < n; ++i)
      clients.push_back(std::make_unique<BenchClient>(service.tcpPort(), 60000 + i, false));
    const long after = ResidentBytes();
    state.counters["bytes_per_connection"] = static_cast<double>(after - before) / n;
  }
  rlimit files{};
  ::getrlimit(RLIMIT_NOFILE, &files);
  state.counters["open_file_limit"] = static_cast<double>(files.rlim_cur);
}
BENCHMARK(BM_IdleConnections)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The game's rank query (12 filters, close) over 10,000 lobbies, as a client sees it: the round
// trip of one search, with the service's own search time in it (bench_online's BM_RankSearch has
// the search alone). 2500 owners with four lobbies each, the keys the query reads set on each.
void BM_RankSearchRoundTrip(benchmark::State& state) {
  using vt::lobby::FilterKind;
  using vt::lobby::LobbyFilter;
  constexpr int kOwners = 2500;
  const std::unique_ptr<vt::lobbyd::Service> running = LoopbackService();
  vt::lobbyd::Service& service = *running;
  std::vector<std::unique_ptr<BenchClient>> owners;
  uint32_t id = 1;
  for (int i = 0; i < kOwners; ++i) {
    owners.push_back(std::make_unique<BenchClient>(service.tcpPort(), 200000 + i, false));
    BenchClient& c = *owners.back();
    for (int l = 0; l < 4; ++l) {
      const int n = i * 4 + l;
      c.send(wire::LobbyCreate{2}, ++id);
      const auto created = *wire::DecodePayload<wire::LobbyCreate::Reply>(c.next()->payload);
      auto set = [&](const char* k, const std::string& v) {
        c.send(wire::LobbySetData{created.lobby, k, v}, ++id);
      };
      set("GAME_VERSION", "3");
      set("PLAYER_PSR", std::to_string(1000 + (n * 37) % 1000));
      set("SEARCH_PSR_MAX", "1800");
      set("SEARCH_PSR_MIN", "1200");
      set("PLAYER_AREA", "1");
      set("SEARCH_INCOMPLETER", "0");
      set("SEARCH_INCOMP_FILTER", "0");
      set("BTL_STARTED", "0");
      set("MATCH_TYPE", "0");
      set("HOST_NAME", "host" + std::to_string(i));
      // Ten replies and ten data updates.
      for (int r = 0; r < 20; ++r) c.next();
    }
  }
  BenchClient searcher(service.tcpPort(), 7, false);
  wire::LobbySearch s;
  s.query.distance = vt::lobby::Distance::Close;
  auto num = [](const char* k, int32_t cmp, int64_t v) {
    return LobbyFilter{k, FilterKind::Numeric, cmp, {}, v};
  };
  s.query.filters = {num("GAME_VERSION", vt::lobby::kEqual, 3),
                     LobbyFilter{"PLAYER_PSR", FilterKind::Near, vt::lobby::kEqual, {}, 1500},
                     num("SEARCH_PSR_MAX", vt::lobby::kGreaterEqual, 1500),
                     num("SEARCH_PSR_MIN", vt::lobby::kLessEqual, 1500),
                     num("PLAYER_PSR", vt::lobby::kGreaterEqual, 1300),
                     num("PLAYER_PSR", vt::lobby::kLessEqual, 1700),
                     num("PLAYER_AREA", vt::lobby::kEqual, 1),
                     num("SEARCH_INCOMPLETER", vt::lobby::kEqual, 0),
                     num("SEARCH_INCOMP_FILTER", vt::lobby::kEqual, 0),
                     num("BTL_STARTED", vt::lobby::kEqual, 0),
                     LobbyFilter{"HOST_NAME", FilterKind::String, vt::lobby::kNotEqual, "me", 0},
                     num("MATCH_TYPE", vt::lobby::kEqual, 0)};
  size_t found = 0;
  Timed(state, [&] {
    searcher.send(s, ++id);
    auto f = searcher.next();
    if (!f) return false;
    found = wire::DecodePayload<wire::LobbySearch::Reply>(f->payload)->lobbies.size();
    return true;
  });
  state.counters["results"] = static_cast<double>(found);
}
// Searches are limited to 2 a second with a burst of 5: a run stays inside the burst.
BENCHMARK(BM_RankSearchRoundTrip)->Iterations(5)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
