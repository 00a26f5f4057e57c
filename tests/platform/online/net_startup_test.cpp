// The choice of backend at start-up: a named service (command line over profile) and a profile
// that can log in give the networked client; everything else starts offline with a log line
// saying why, and an offline start writes nothing. Profiles live in the test's folder.
#include "platform/online/net/net_startup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "platform/online/log_capture.h"
#include "platform/online/offline_platform.h"
#include "support/test_util.h"

namespace vt::online {
namespace {

namespace fs = std::filesystem;

const std::string kSecretLine = "secret = AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=\r\n";

using test::LogCapture;

struct Row {
  const char* label;
  const char* serviceOption;  // --online-service
  bool profilePath;           // false: no --online-profile and no config folder
  const char* profileText;    // null: no file
  BackendKind kind;
  const char* persona;  // CP932
  const char* host;     // for Net
  uint16_t port;
  const char* log;      // part of the log, "" for none
  bool profileWritten;  // the file differs from what was there (or now exists)
};

TEST(OnlineStartup, ANamedServiceAndAUsableProfileGoOnlineAndEverythingElseStartsOffline) {
  const std::string named = "name = Alice\r\n" + kSecretLine;
  const std::string withService = named + "service = 127.0.0.1:47800\r\n";
  const std::string noSecret = "name = Bob\r\nservice = 127.0.0.1:4000\r\n";
  const std::string japanese = "name = \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\r\n" + kSecretLine;
  const std::string emoji = "name = Al\xF0\x9F\x98\x80\r\n" + kSecretLine;
  const std::string damaged = "name = Alice\r\nsecret = AAECAwQF\r\n";
  const Row rows[] = {
      {"nothing at all", "", false, nullptr, BackendKind::Offline, "", "", 0, "", false},
      {"no service, no profile yet", "", true, nullptr, BackendKind::Offline, "", "", 0, "", false},
      {"no service: the profile's name offline", "", true, named.c_str(), BackendKind::Offline, "Alice", "",
       0, "", false},
      {"no service and no secret: nothing is made", "", true, "name = Bob\r\n", BackendKind::Offline, "Bob",
       "", 0, "", false},
      {"a Japanese name offline in CP932", "", true, japanese.c_str(), BackendKind::Offline,
       "\x83\x65\x83\x58\x83\x67", "", 0, "", false},
      {"the profile's service", "", true, withService.c_str(), BackendKind::Net, "Alice", "127.0.0.1", 47800,
       "", false},
      {"the command line over the profile", "[::1]:5000", true, withService.c_str(), BackendKind::Net,
       "Alice", "::1", 5000, "", false},
      {"first use: the profile is made", "127.0.0.1:4000", true, nullptr, BackendKind::Net, "Player",
       "127.0.0.1", 4000, "a new key was made", true},
      {"a profile without a key gets one", "", true, noSecret.c_str(), BackendKind::Net, "Bob", "127.0.0.1",
       4000, "a new key was made", true},
      {"a damaged profile is not used nor replaced", "127.0.0.1:4000", true, damaged.c_str(),
       BackendKind::Offline, "", "", 0, "line 2: the secret", false},
      {"a name that cannot be converted stops the login", "127.0.0.1:4000", true, emoji.c_str(),
       BackendKind::Offline, "", "", 0, "cannot be written in CP932; no login", false},
      {"a bad service option", "127.0.0.1", true, named.c_str(), BackendKind::Offline, "Alice", "", 0,
       "\"127.0.0.1\" is not usable: no port", false},
      {"a service on port 0", "127.0.0.1:0", true, named.c_str(), BackendKind::Offline, "Alice", "", 0,
       "the port is 0", false},
      {"a service but nowhere to keep a profile", "127.0.0.1:4000", false, nullptr, BackendKind::Offline, "",
       "", 0, "no profile to log in with", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    const fs::path dir = fs::current_path() / row.label;
    const fs::path path = dir / "online-profile.txt";
    fs::create_directories(dir);
    if (row.profileText != nullptr) test::WriteFile(path, row.profileText);
    const std::string before = fs::exists(path) ? test::ReadFile(path) : std::string("(none)");

    LogCapture log;
    const BackendChoice choice =
        ChooseOnlineBackend({row.serviceOption, row.profilePath ? path.string() : std::string()});
    EXPECT_EQ(choice.kind, row.kind);
    EXPECT_EQ(choice.personaName, row.persona);
    if (row.kind == BackendKind::Net) {
      ASSERT_TRUE(choice.net.has_value());
      EXPECT_EQ(choice.net->service.host, row.host);
      EXPECT_EQ(choice.net->service.port, row.port);
      EXPECT_EQ(choice.net->personaName, row.persona);
      EXPECT_EQ(choice.net->profilePath, path.string());
      EXPECT_TRUE(choice.net->profile.hasSecret);
    } else {
      EXPECT_FALSE(choice.net.has_value());
    }
    const std::string after = fs::exists(path) ? test::ReadFile(path) : std::string("(none)");
    EXPECT_EQ(after != before, row.profileWritten);
    if (row.profileWritten) {
      struct stat st {};
      ASSERT_EQ(::stat(path.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0600u);
    }
    if (row.log[0] == '\0') {
      EXPECT_EQ(log.text(), "");
    } else {
      EXPECT_NE(log.text().find(row.log), std::string::npos) << log.text();
    }
  }
}

TEST(OnlineStartup, TheNetworkedClientComesFromItsFactoryAndIsNotNeededToStart) {
  test::WriteFile("p.txt", "name = Alice\r\n" + kSecretLine);
  const OnlineClientOptions options{"127.0.0.1:4000", (fs::current_path() / "p.txt").string()};
  {
    LogCapture log;
    std::unique_ptr<Platform> p = CreateOnlinePlatform(options);
    EXPECT_FALSE(p->identity().loggedOn());
    EXPECT_EQ(p->identity().personaName(), "Alice");
    EXPECT_NE(log.text().find("the networked client is not available"), std::string::npos) << log.text();
  }

  NetClientConfig seen;
  int made = 0;
  SetNetPlatformFactory([&](const NetClientConfig& config) {
    seen = config;
    ++made;
    return std::make_unique<OfflinePlatform>("from the factory");
  });
  std::unique_ptr<Platform> p = CreateOnlinePlatform(options);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(p->identity().personaName(), "from the factory");
  EXPECT_EQ(seen.service.port, 4000);
  EXPECT_EQ(seen.profile.secret[31], 31);

  // Offline starts never ask the factory; a factory that gives nothing leaves the game offline.
  EXPECT_EQ(CreateOnlinePlatform({"", options.profilePath})->identity().personaName(), "Alice");
  EXPECT_EQ(made, 1);
  SetNetPlatformFactory([](const NetClientConfig&) { return std::unique_ptr<Platform>(); });
  {
    LogCapture log;
    EXPECT_EQ(CreateOnlinePlatform(options)->identity().personaName(), "Alice");
    EXPECT_NE(log.text().find("did not start"), std::string::npos);
  }
  SetNetPlatformFactory(nullptr);
}

}  // namespace
}  // namespace vt::online
