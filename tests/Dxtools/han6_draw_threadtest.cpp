// The sprite texture cache shared by the logic thread and a worker that flushes it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "han6_draw_fixture.h"

namespace {

using namespace vt::test::han6;

TEST_F(Han6DrawTest, FlushOnAWorkerWhileTheLogicThreadAges) {
  SmallSheet s;
  std::atomic<bool> stop{false}, started{false};
  std::thread worker([&] {
    started = true;
    while (!stop.load()) {
      FlushHan6TextureCache();
      std::this_thread::yield();
    }
  });
  while (!started.load()) std::this_thread::yield();
  for (int frame = 0; frame < 2000; ++frame) {
    GetCutSpriteTexture(s.sheet.get(), 5, 5, 0, 0);
    AddHan6CacheEntry("f", 10000 + frame, nullptr, 64, false);
    AgeHan6TextureCache();
  }
  stop = true;
  worker.join();
  FlushHan6TextureCache();
  EXPECT_EQ(Han6CacheCountedBytes(), 0);
  EXPECT_EQ(backend_.created - 2, backend_.freed);  // every sprite texture freed (pages stay)
}

}  // namespace
