// The platform's start, warning hook, frame drain and shutdown as start-up wires them through
// the application's default services.
#include "online/online_client.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "app/app_services.h"
#include "app/lib_debug.h"
#include "platform/online/online_context.h"
#include "support/test_util.h"

namespace {

struct Tick {
  int n = 0;
};

TEST(OnlineClient, WithNoServiceTheGameStartsOfflineAndTheFrameDrainsItsPlatform) {
  vt::AppServices& services = vt::Services();
  ASSERT_TRUE(services.InitOnlineClient());
  vt::online::OnlineContext* context = vt::online::CurrentContext();
  ASSERT_NE(context, nullptr);
  vt::online::Platform& platform = context->platform();
  EXPECT_FALSE(platform.identity().loggedOn());
  EXPECT_FALSE(platform.utils().networkAlive());

  int ticks = 0;
  auto sub = platform.subscribe<Tick>([&](const Tick&) { ++ticks; });
  platform.dispatcher().post(vt::online::Queue::Client, Tick{});
  EXPECT_EQ(ticks, 0);
  services.RunOnlineCallbacks();  // the frame's drain after FlushAchievements
  EXPECT_EQ(ticks, 1);

  services.ShutdownOnlineClient();
  EXPECT_EQ(vt::online::CurrentContext(), nullptr);
  services.RunOnlineCallbacks();  // nothing to drain after shutdown
}

TEST(OnlineClient, APlatformWarningReachesTheDebugOutput) {
  vt::AppServices& services = vt::Services();
  ASSERT_TRUE(services.InitOnlineClient());
  services.InstallOnlineWarningHook();
  vt::SetDebugQuiet(true);
  vt::SetDebugTraceFile("trace.txt");
  vt::online::CurrentContext()->platform().warning(1, "lobby data refused\n");
  vt::SetDebugTraceFile("");
  vt::SetDebugQuiet(false);
  services.ShutdownOnlineClient();
  EXPECT_EQ(vt::test::ReadFile("trace.txt"), "lobby data refused\n");
}

TEST(OnlineClient, TheTestSwitchStillMakesTheStartFail) {
  OnlineClientForceInitFailure(true);
  EXPECT_FALSE(OnlineClientInit());
  EXPECT_EQ(vt::online::CurrentContext(), nullptr);
  OnlineClientForceInitFailure(false);
  setenv("VT_ONLINE_INIT_FAIL", "1", 1);
  EXPECT_FALSE(OnlineClientInit());
  unsetenv("VT_ONLINE_INIT_FAIL");
  EXPECT_TRUE(OnlineClientInit());
  OnlineClientShutdown();
}

}  // namespace
