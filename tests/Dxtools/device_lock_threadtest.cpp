// The device lock between the rendering (logic) thread and threads that make textures: a worker
// creating, filling and freeing textures, as the character loader and the movie do, while scene
// frames render and present them; and a scene frame that waits while another thread holds the
// lock.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "gfx_test_env.h"
#include "platform/clock.h"
#include "scene/scene_frame.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

class DeviceLockThreadTest : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    // The frame's pacing waits on a fake clock: no real wait, and every frame is due.
    vt::platform::SetClock(&clock_);
    GetSceneProcess().pacing.Init();
  }
  void TearDown() override {
    vt::platform::SetClock(nullptr);
    RecordingGfx::TearDown();
  }
  vt::platform::FakeClock clock_;

  // One scene frame as the logic thread draws it: scene targets bound and cleared, a sprite queued,
  // then the game's frame drawing renders, paces (on the fake clock) and presents.
  static void SceneFrame(TextureHandle* sprite) {
    BindSceneRenderTargets();
    if (sprite != nullptr) DrawSprite(nullptr, sprite, 10, 10, 32, 32, 0, 0, 32, 32, ~0u, 0, 100);
    DrawSceneFrame();
  }

  static size_t Presents() {
    size_t n = 0;
    for (const auto& r : g_D3DDevice->Records()) n += r.kind == DeviceRecord::kPresent;
    return n;
  }
};

TEST_F(DeviceLockThreadTest, TexturesMadeOnAWorkerAreDrawnWhileFramesRenderAndPresent) {
  // The recorder's CPU fills of its targets stand in for the GPU work of a render.
  g_D3DDevice->SetTargetPixelFills(true);
  constexpr int kTextures = 60;
  std::mutex handOff;
  std::vector<TextureHandle*> ready;
  std::atomic<bool> workerDone{false};
  std::thread worker([&] {
    for (int i = 0; i < kTextures; ++i) {
      // Managed textures written through their locks, and a default-pool target now and then.
      TextureHandle* t = CreateTexture(32, 32, FMT_A8R8G8B8);
      ASSERT_NE(t, nullptr);
      {
        auto device = LockD3DDevice();
        auto* p = static_cast<uint32_t*>(LockTexture(t->dx, nullptr));
        ASSERT_NE(p, nullptr);
        for (int k = 0; k < 32 * GetTexturePitch(t) / 4; ++k) p[k] = 0xFF000000u | static_cast<uint32_t>(i);
        UnlockTexture(t->dx);
      }
      if (i % 10 == 0) FreeTexture(CreateRenderTargetTexture(64, 64, FMT_A8R8G8B8));
      std::lock_guard<std::mutex> lock(handOff);
      ready.push_back(t);
    }
    workerDone.store(true, std::memory_order_release);
  });

  std::set<uint64_t> published;
  size_t frames = 0;
  auto drawOneFrame = [&] {
    TextureHandle* sprite = nullptr;
    {
      std::lock_guard<std::mutex> lock(handOff);
      if (!ready.empty()) {
        sprite = ready.front();
        ready.erase(ready.begin());
      }
    }
    if (sprite != nullptr) published.insert(HandleTexture(sprite)->Serial());
    SceneFrame(sprite);
    ++frames;
    FreeTexture(sprite);  // the frame's reference went back at its render
  };
  while (!workerDone.load(std::memory_order_acquire)) drawOneFrame();
  worker.join();
  while (!ready.empty()) drawOneFrame();

  EXPECT_EQ(published.size(), static_cast<size_t>(kTextures));
  EXPECT_EQ(Presents(), frames);
  std::set<uint64_t> drawn;
  for (const auto& r : g_D3DDevice->Records())
    if (r.kind == DeviceRecord::kDraw) drawn.insert(r.textureSerial);
  for (uint64_t serial : published) EXPECT_EQ(drawn.count(serial), 1u) << "texture " << serial;
}

TEST_F(DeviceLockThreadTest, SceneFrameWaitsWhileAnotherThreadHoldsTheDeviceLock) {
  std::atomic<bool> presented{false};
  auto held = LockD3DDevice();  // a loader making a texture
  std::thread logic([&] {
    SceneFrame(nullptr);
    presented.store(true, std::memory_order_release);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(presented.load(std::memory_order_acquire)) << "rendered and presented without the device lock";
  held.unlock();
  logic.join();
  EXPECT_TRUE(presented.load(std::memory_order_acquire));
  EXPECT_EQ(Presents(), 1u);
}

}  // namespace
}  // namespace vt::test
