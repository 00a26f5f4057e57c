// Cloud file calls made on a worker (the game's task thread) while the logic thread steps the
// world and drains: every read sees one whole version of the file, and shares bound on the
// worker are answered on the logic thread.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/online/sim/sim_world.h"

namespace vt::online::sim {
namespace {

TEST(SimWorldThreads, FileCallsOnAWorkerWhileTheLogicThreadDrains) {
  SimWorld world({.seed = 5});
  SimPlatform& a = world.addUser({.name = "Alice", .country = "JP"});
  SimPlatform& b = world.addUser({.name = "Bob", .country = "JP"});
  std::atomic<bool> done{false};
  std::atomic<int> torn{0}, shares{0};
  std::thread worker([&] {
    CallResult<FileShared> shared([&](const FileShared& e) {
      if (e.result == Result::Ok) ++shares;
    });
    std::vector<uint8_t> back(1640);
    for (int i = 0; i < 100; ++i) {
      // Four file calls an iteration stay inside 20 a second of virtual time.
      const uint64_t start = world.frame();
      while (world.frame() < start + 13) std::this_thread::yield();
      const std::vector<uint8_t> card(1640, static_cast<uint8_t>(i));
      ASSERT_TRUE(a.cloud().write("DCARD.UMS", card));
      if (a.cloud().read("DCARD.UMS", back) == 1640)
        for (uint8_t x : back)
          if (x != back[0]) ++torn;
      EXPECT_EQ(a.cloud().size("DCARD.UMS"), 1640);
      if (i % 10 == 0) a.cloud().share("DCARD.UMS", shared);
      ASSERT_TRUE(a.cloud().write("DISCONNECT.UMS", std::vector<uint8_t>(4, 1)));
      ASSERT_TRUE(a.cloud().remove("DISCONNECT.UMS"));
    }
    while (shared.pending()) std::this_thread::yield();
    done = true;
  });
  // Meanwhile the logic thread runs frames with calls of its own.
  CallResult<LobbyMatchList> search([](const LobbyMatchList&) {});
  while (!done) {
    if (!search.pending()) b.lobbies().search({}, search);
    a.runCallbacks();
    b.runCallbacks();
    world.step();
  }
  worker.join();
  a.runCallbacks();
  EXPECT_EQ(torn, 0);
  EXPECT_GE(shares, 1);
}

}  // namespace
}  // namespace vt::online::sim
