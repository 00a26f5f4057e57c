// Start-up and shutdown order, and what each failing step shows and decides.
#include "app/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "FilePacFunc/FilePac.h"
#include "app/app_config.h"
#include "app/app_main.h"
#include "app/app_state.h"
#include "platform/message_box.h"
#include "recording_services.h"
#include "support/test_util.h"

namespace {

using vt::platform::BoxAnswer;
using vt::platform::ScriptedMessageBoxes;
using vt::test::RecordingServices;
using Calls = std::vector<std::string>;

const Calls kGraphicsOrder = {"InitInputManager", "ResetJoystickButtonMaps", "InitD3DTools",
                              "InitGrpManager",   "MountPackFiles",          "LoadNetConnectFile",
                              "GetShaderModel3",  "RunStartUpDialogPages",   "SaveNetConnectFile",
                              "CreateD3DDevice",  "SetAspectAndClear"};

Calls Prefix(const std::string& last) {
  auto it = std::find(kGraphicsOrder.begin(), kGraphicsOrder.end(), last);
  return Calls(kGraphicsOrder.begin(), it + 1);
}

struct FailureCase {
  const char* failing;
  std::vector<BoxAnswer> answers;
  bool expectResult;
  const char* caption;  // "" = no box
  const char* text;
  const char* lastCall;
};

class InitGraphicsFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(InitGraphicsFailure, ShowsItsBoxAndStopsThere) {
  const FailureCase& c = GetParam();
  RecordingServices services;
  if (*c.failing) services.failing.insert(c.failing);
  ScriptedMessageBoxes boxes(c.answers);
  g_AppConfig = AppConfig{};
  EXPECT_EQ(InitGraphicsSystem(), c.expectResult);
  EXPECT_EQ(services.calls(), Prefix(c.lastCall));
  if (*c.caption == '\0') {
    EXPECT_TRUE(boxes.shown().empty());
  } else {
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].caption, c.caption);
    EXPECT_NE(boxes.shown()[0].text.find(c.text), std::string::npos) << boxes.shown()[0].text;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, InitGraphicsFailure,
    testing::Values(
        FailureCase{"InitInputManager", {}, false, "", "", "InitInputManager"},
        FailureCase{
            "InitD3DTools", {}, false, "Error", "Failed setting Direct3D to defaults.", "InitD3DTools"},
        FailureCase{"MountPackFiles",
                    {},
                    false,
                    "Error",
                    "Failed loading the data file. \nPlease reinstall.",
                    "MountPackFiles"},
        FailureCase{"GetShaderModel3",
                    {BoxAnswer::No},
                    false,
                    "Video Card Confrimation Screen",
                    "(Used graphics card: Test Adapter)\n\nContinue operation?",
                    "GetShaderModel3"},
        FailureCase{"GetShaderModel3",
                    {BoxAnswer::Yes},
                    true,
                    "Video Card Confrimation Screen",
                    "Shader 3.0 or greater",
                    "SetAspectAndClear"},
        FailureCase{"RunStartUpDialogPages", {}, false, "", "", "RunStartUpDialogPages"},
        FailureCase{
            "CreateD3DDevice", {}, false, "Error", "Failed creating the Direct3D device.", "CreateD3DDevice"},
        FailureCase{"", {}, true, "", "", "SetAspectAndClear"}));

TEST(InitGraphicsSystem, DeviceRequestAndAspectComeFromTheConfiguration) {
  RecordingServices services;
  vt::test::WriteFile("System/_App.ini",
                      "[System]\r\nWindowed= 0\r\nScreenW= 1024\r\nScreenH= 600\r\nAspectRatio= 2\r\n");
  ASSERT_TRUE(InitGraphicsSystem());
  EXPECT_FALSE(services.request.windowed);
  EXPECT_EQ(services.request.width, 1024);
  EXPECT_EQ(services.request.height, 600);
  EXPECT_EQ(services.request.bitsPerPixel, 32);
  EXPECT_TRUE(services.request.depthBuffer);
  EXPECT_FALSE(services.request.verticalSync);
  EXPECT_FLOAT_EQ(services.aspectX, 16.0f);
  EXPECT_FLOAT_EQ(services.aspectY, 10.0f);
  // The start-up dialog step saved the configuration, each number after a blank.
  EXPECT_NE(vt::test::ReadFile("System/_App.ini").find("ScreenW= 1024\r\n"), std::string::npos);
}

TEST(InitAppResources, OrderAndTheMissingTargetStillLoadsTheData) {
  // The wiring runs before anything loads, in test mode too (which stops after the seeds).
  const Calls wiredAndLoaded = {"ResetCredits",
                                "ResetFrameRateCounters",
                                "InitOnlineSystem",
                                "CreateOnlineModeManager",
                                "LoadRankingTexture",
                                "SetEmbeddedSpritePixels",
                                "LoadDebugIni",
                                "SeedRandomGenerators",
                                "CreateFrameRenderTargets",
                                "InstallGameWiring",
                                "CreateAchievementUnlocker",
                                "LoadSaveDataAndTexts",
                                "InitSound",
                                "SavePlayData",
                                "SeedRandomGenerators",
                                "FreeCharacterData"};
  const struct Case {
    bool targetFails;
    int testMode;
  } cases[] = {{false, 0}, {true, 0}, {false, 1}};
  for (const Case& c : cases) {
    RecordingServices services;
    if (c.targetFails) services.failing.insert("CreateFrameRenderTargets");
    g_TestMode = c.testMode;
    EXPECT_EQ(InitAppResources(), !c.targetFails);
    g_TestMode = 0;
    Calls expected = wiredAndLoaded;
    if (c.testMode == 0) {
      expected.push_back("LoadCommonResources");
      expected.push_back("SetFirstScene");
    }
    EXPECT_EQ(services.calls(), expected) << c.targetFails << c.testMode;
  }
}

TEST(InitAppResources, TestModeLoadsNothingBeyondTheSeeds) {
  RecordingServices services;
  g_TestMode = 1;
  LoadCommonResources();
  g_TestMode = 0;
  EXPECT_EQ(services.calls(), (Calls{"SeedRandomGenerators", "FreeCharacterData"}));
}

TEST(Shutdown, OrderAndAppIniWritten) {
  RecordingServices services;
  g_AppRunState = new AppRunState;
  g_AppConfig = AppConfig{};
  ShutdownApplication();
  EXPECT_EQ(g_AppRunState, nullptr);
  EXPECT_EQ(services.calls(),
            (Calls{"ReleaseFrameRenderTargets", "FreeCommonResources", "DeleteOnlineSystem",
                   "ShutdownD3DTools", "ShutdownGrpManager", "ReleaseInputManager", "ShutdownOnlineClient"}));
  EXPECT_TRUE(std::filesystem::exists("System/_App.ini"));
}

TEST(RunApplication, OnlineClientFailureShowsFatalErrorAndFails) {
  RecordingServices services;
  services.failing.insert("InitOnlineClient");
  ScriptedMessageBoxes boxes;
  EXPECT_NE(RunApplication(""), 0);
  ASSERT_EQ(boxes.shown().size(), 1u);
  EXPECT_EQ(boxes.shown()[0].caption, "Fatal Error");
  EXPECT_EQ(boxes.shown()[0].text, "Steam must be running to play this game (SteamAPI_Init() failed).\n");
  EXPECT_EQ(g_AppRunState, nullptr);
  // Nothing of the window or the graphics started, and nothing was shut down twice.
  EXPECT_EQ(services.calls(), (Calls{"SetCreditsStartupFlag", "InitOnlineClient"}));
  EXPECT_TRUE(std::filesystem::is_directory("System/__Win1stBootEnd"));
}

TEST(PrepareApplication, TestSwitchIsTheFirstTwoCharacters) {
  struct Case {
    const char* line;
    uint8_t test;
  } cases[] = {{"/T", 1}, {"/Tx +connect_lobby 5", 1}, {"/t", 0}, {" /T", 0}, {"", 0}};
  for (const auto& c : cases) {
    RecordingServices services;
    ASSERT_TRUE(PrepareApplication(c.line));
    EXPECT_EQ(g_TestMode, c.test) << c.line;
    EXPECT_EQ(g_AppRunState->testMode, c.test);
    delete g_AppRunState;
    g_AppRunState = nullptr;
  }
  g_TestMode = 0;
}

TEST(CommandLine, ConnectLobbyTable) {
  struct Case {
    std::vector<std::string> args;
    int64_t lobby;
  } cases[] = {
      {{"+connect_lobby", "109775241021931"}, 109775241021931},
      {{"+connect_lobby", "1", "+connect_lobby", "-42"}, -42},  // the last wins
      {{"+connect_lobby"}, 0},                                  // as the last argument: ignored
      {{"+CONNECT_LOBBY", "7"}, 0},                             // case-sensitive
      {{"/T", "+connect_lobby", "9223372036854775807"}, INT64_MAX},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseConnectLobby(c.args), c.lobby);
}

TEST(CommandLine, OwnOptionsAreSplitFromTheGameLine) {
  LaunchOptions o =
      ParseLaunchOptions({"--data", "/g", "/T", "--frames", "120", "+connect_lobby", "5", "--trace", "t"});
  EXPECT_EQ(o.dataFolder, "/g");
  EXPECT_EQ(o.autoQuitFrames, 120);
  EXPECT_EQ(o.traceFile, "t");
  EXPECT_EQ(o.commandLine, "/T +connect_lobby 5");
}

}  // namespace

namespace {
TEST(CheckPackDataVersion, Table) {
  struct Case {
    const char* text;  // nullptr = no file
    bool ok;
  } cases[] = {{"3\r\n", true},  {"3 // pack version\r\n", true},
               {"03", true},     {"  \r\n3", true},
               {"4\r\n", false}, {"", false},
               {nullptr, false}, {"3x", true}};
  for (const auto& c : cases) {
    std::filesystem::remove_all("PackDataVersion");
    if (c.text) vt::test::WriteFile("PackDataVersion/pack_0008_version.txt", c.text);
    EXPECT_EQ(CheckPackDataVersion(), c.ok) << (c.text ? c.text : "(none)");
  }
}
}  // namespace
