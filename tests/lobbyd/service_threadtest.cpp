// The service's loop against clients on other threads: concurrent logins and calls, admin
// operations and counter reads from the test thread, packets relayed between two users while
// others call, and a stop while clients are still connected (run under ThreadSanitizer too).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "lobby/boards.h"
#include "lobbyd/raw_client.h"
#include "lobbyd/service.h"

namespace vt::lobbyd {
namespace {

using testing::RawClient;
using testing::SeedOf;
namespace wire = lobby::wire;
namespace relay = lobby::relay;

TEST(ServiceThreads, ClientsOnManyThreadsAndAStopWhileConnected) {
  ServiceOptions o;
  o.listen = "127.0.0.1:0";
  o.testMode = true;
  Service svc(o);
  ASSERT_TRUE(svc.start());
  const uint16_t port = svc.tcpPort();

  std::atomic<int> completed{0};
  std::vector<std::thread> clients;
  for (int t = 0; t < 6; ++t) {
    clients.emplace_back([&, t] {
      RawClient c(port);
      auto ok = c.login(SeedOf(static_cast<uint8_t>(10 + t)), "User" + std::to_string(t));
      if (!ok) return;
      for (int i = 0; i < 20; ++i) {
        const auto created = c.call(wire::LobbyCreate{4});
        if (created.result == lobby::Result::Ok) {
          c.call(wire::LobbySetData{created.lobby, "K", std::to_string(i)});
          c.call(wire::LobbyLeave{created.lobby});
        }
        c.call(wire::FileWrite{"f" + std::to_string(i % 3), 0, 3, {1, 2, 3}});
        c.call(wire::BoardUpload{lobby::FindBoard("TEST"), lobby::UploadMethod::ForceUpdate, i, {}});
        ++completed;
      }
    });
  }
  // Two users exchanging relayed packets meanwhile.
  std::thread relayPair([&] {
    RawClient a(port), b(port);
    if (!a.login(SeedOf(1), "A") || !b.login(SeedOf(2), "B") || !a.registerUdp() || !b.registerUdp()) return;
    for (int i = 0; i < 50; ++i) {
      a.sendUdp(a.datagram(relay::Kind::Data, b.ok.user, {static_cast<uint8_t>(i)}));
      if (b.receiveUdp(1000)) ++completed;
    }
  });
  for (int i = 0; i < 20; ++i) {
    svc.setServerTime(1700000000 + i);
    (void)svc.counters();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  for (auto& t : clients) t.join();
  relayPair.join();
  EXPECT_EQ(completed.load(), 6 * 20 + 50);

  // Clients still connected when the service stops see their connections end.
  RawClient last(port);
  ASSERT_TRUE(last.login(SeedOf(99), "Last"));
  std::thread stopper([&] { svc.stop(); });
  EXPECT_TRUE(last.closedWithin(3000));
  stopper.join();
  EXPECT_EQ(svc.counters().connectionsOpen, 0u);
}

}  // namespace
}  // namespace vt::lobbyd
