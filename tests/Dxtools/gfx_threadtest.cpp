// The recording device's texture register and the screen notices, used from several threads.
#include <gtest/gtest.h>

#include <thread>

#include "Dxtools/D3D_Tools/d3d_files.h"
#include "Dxtools/GrpManager/grp_screen.h"
#include "gfx_test_env.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

using GfxThreads = RecordingGfx;

TEST_F(GfxThreads, RegisterStaysConsistentUnderThreads) {
  size_t registered = DefaultPoolTextureCount();
  int count = g_TextureCount.load();
  auto churn = [] {
    for (int i = 0; i < 200; ++i) {
      TextureHandle* a = CreateRenderTargetTexture(16, 16, 0);
      TextureHandle* b = CreateTexture(16, 16, 0);
      FreeTexture(a);
      FreeTexture(b);
    }
  };
  std::thread t1(churn), t2(churn), t3(churn);
  t1.join();
  t2.join();
  t3.join();
  EXPECT_EQ(DefaultPoolTextureCount(), registered);
  EXPECT_EQ(g_TextureCount.load(), count);
}

TEST_F(GfxThreads, NoticesFromSeveralThreads) {
  SetScreenMessageClock(nullptr);
  auto post = [] {
    for (int i = 0; i < 500; ++i) PostScreenMessage("loader");
  };
  std::thread a(post), b(post);
  a.join();
  b.join();
  EXPECT_EQ(GetScreenMessages().size(), 1000u);
  FreeScreenMessages();
  PostScreenMessage("after free");  // no list: nothing happens
  EXPECT_TRUE(GetScreenMessages().empty());
  InitScreenMessages();
}

}  // namespace
}  // namespace vt::test
