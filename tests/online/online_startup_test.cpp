// The command line's online options reach the platform's start: a named service and a test
// profile give the networked client's platform, and without options the start stays offline.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "app/app_main.h"
#include "app/lib_debug.h"
#include "online/online_client.h"
#include "platform/online/net/net_startup.h"
#include "platform/online/offline_platform.h"
#include "platform/online/online_context.h"
#include "support/test_util.h"

namespace {

TEST(OnlineStartupOptions, TheServiceAndProfileOptionsAreTheProgramsNotTheGames) {
  const LaunchOptions o = ParseLaunchOptions(
      {"/T", "--online-service", "127.0.0.1:47800", "+connect_lobby", "5", "--online-profile", "me.txt"});
  EXPECT_EQ(o.onlineService, "127.0.0.1:47800");
  EXPECT_EQ(o.onlineProfile, "me.txt");
  EXPECT_EQ(o.commandLine, "/T +connect_lobby 5");
  const LaunchOptions none = ParseLaunchOptions({"--online-service"});  // no value: left to the game
  EXPECT_EQ(none.onlineService, "");
  EXPECT_EQ(none.commandLine, "--online-service");
}

TEST(OnlineStartupOptions, InitUsesTheNetworkedClientForANamedService) {
  const std::string profile = (std::filesystem::current_path() / "profile.txt").string();
  vt::test::WriteFile(profile, "name = Alice\r\n");
  std::string service;
  vt::online::SetNetPlatformFactory([&](const vt::online::NetClientConfig& config) {
    service = vt::lobby::FormatHostPort(config.service);
    return std::make_unique<vt::online::OfflinePlatform>("networked");
  });
  vt::SetDebugQuiet(true);
  OnlineClientSetOptions({"127.0.0.1:47801", profile});
  ASSERT_TRUE(OnlineClientInit());
  EXPECT_EQ(vt::online::CurrentContext()->platform().identity().personaName(), "networked");
  EXPECT_EQ(service, "127.0.0.1:47801");
  OnlineClientShutdown();

  // Without options (as every other test starts) the start is offline and reads no profile.
  OnlineClientSetOptions({});
  ASSERT_TRUE(OnlineClientInit());
  EXPECT_EQ(vt::online::CurrentContext()->platform().identity().personaName(), "???");
  OnlineClientShutdown();
  vt::SetDebugQuiet(false);
  vt::online::SetNetPlatformFactory(nullptr);
}

}  // namespace
