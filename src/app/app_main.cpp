// Process entry (single instance, game folder) and the application body that brackets
// start-up, the window loop and shutdown.
#include "app/app_main.h"

#include <SDL.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "app/app_services.h"
#include "app/app_state.h"
#include "app/app_window.h"
#include "app/e2e_run.h"
#include "app/frame_loop.h"
#include "app/lib_debug.h"
#include "app/startup.h"
#include "online/online_client.h"
#include "platform/message_box.h"
#include "platform/online/net/net_install.h"
#include "platform/online/net/net_startup.h"
#include "platform/single_instance.h"
#include "platform/window_events.h"

LaunchOptions ParseLaunchOptions(const std::vector<std::string>& args) {
  LaunchOptions o;
  std::vector<std::string> game;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--data" && i + 1 < args.size()) {
      o.dataFolder = args[++i];
    } else if (a == "--frames" && i + 1 < args.size()) {
      o.autoQuitFrames = std::strtol(args[++i].c_str(), nullptr, 10);
    } else if (a == "--trace" && i + 1 < args.size()) {
      o.traceFile = args[++i];
    } else if (a == "--online-service" && i + 1 < args.size()) {
      o.onlineService = args[++i];
    } else if (a == "--online-profile" && i + 1 < args.size()) {
      o.onlineProfile = args[++i];
    } else if (a == "--input-script" && i + 1 < args.size()) {
      o.inputScript = args[++i];
    } else if (a == "--report" && i + 1 < args.size()) {
      o.reportFile = args[++i];
    } else if (a == "--play-replay" && i + 1 < args.size()) {
      o.playReplay = args[++i];
    } else if (a == "--unpaced") {
      o.unpaced = true;
    } else {
      game.push_back(a);
    }
  }
  for (size_t i = 0; i < game.size(); ++i) {
    if (i) o.commandLine += ' ';
    o.commandLine += game[i];
  }
  return o;
}

int64_t ParseConnectLobby(const std::vector<std::string>& gameArgs) {
  int64_t lobby = 0;
  for (size_t i = 0; i + 1 < gameArgs.size(); ++i) {
    if (gameArgs[i] != "+connect_lobby") continue;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(gameArgs[i + 1].c_str(), &end, 10);
    lobby = (errno == 0 && end != gameArgs[i + 1].c_str()) ? static_cast<int64_t>(v) : 0;
  }
  return lobby;
}

bool MarkFirstBoot() {
  struct stat st {};
  if (::stat("./System/__Win1stBootEnd", &st) != 0) {
    if (::stat("./System/", &st) != 0 || !S_ISDIR(st.st_mode)) ::mkdir("./System", 0755);
    if (::stat("./System/__Win1stBootEnd", &st) != 0 || !S_ISDIR(st.st_mode))
      ::mkdir("./System/__Win1stBootEnd", 0755);
  }
  return true;
}

bool PrepareApplication(const std::string& commandLine) {
  g_TestMode = commandLine.compare(0, 2, "/T") == 0 ? 1 : 0;
  // Sockets need no start-up call here.
  g_AppRunState = new AppRunState;
  g_AppRunState->testMode = g_TestMode;
  MarkFirstBoot();
  vt::Services().SetCreditsStartupFlag();
  return true;
}

int RunApplication(const std::string& commandLine) {
  vt::AppServices& s = vt::Services();
  if (PrepareApplication(commandLine)) {
    if (!s.InitOnlineClient()) {
      vt::platform::ShowMessageBox(
          nullptr, {"Fatal Error", "Steam must be running to play this game (SteamAPI_Init() failed).\n",
                    vt::platform::BoxButtons::Ok, vt::platform::BoxIcon::Error});
      delete g_AppRunState;
      g_AppRunState = nullptr;
      return 1;  // a failed start is not reported as success
    }
    s.InstallOnlineWarningHook();
    if (CreateMainWindow()) {
      g_LogicRunning = false;
      if (InitGraphicsSystem()) {
        g_LogicRunning = true;
        InitAppResources();
      }
      RunWindowLoop();
    }
  }
  ShutdownApplication();
  if (SDL_WasInit(0) != 0) SDL_Quit();
  return 0;
}

namespace {

std::string ExecutableFolder() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : exe.parent_path().string();
}

}  // namespace

int VantorelMain(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  LaunchOptions options = ParseLaunchOptions(args);
  // The frame clock goes in before anything reads a time.
  if (options.unpaced) vt::e2e::UseFrameClock();
  vt::ProcessStartCounter();
  std::string folder = options.dataFolder.empty() ? ExecutableFolder() : options.dataFolder;
  // Files named on the command line are the caller's, relative to where the game was started.
  for (std::string* file : {&options.traceFile, &options.inputScript, &options.reportFile, &options.playReplay})
    if (!file->empty()) *file = std::filesystem::absolute(*file).string();
  // The profile path is the player's, relative to where they started the game, not the game folder.
  vt::online::InstallNetPlatform();
  OnlineClientSetOptions(
      {options.onlineService, options.onlineProfile.empty()
                                  ? vt::online::DefaultProfilePath()
                                  : std::filesystem::absolute(options.onlineProfile).string()});
  if (::chdir(folder.c_str()) != 0) {
    std::fprintf(stderr, "vantorel: cannot use game folder %s\n", folder.c_str());
    return 2;
  }
  if (!options.traceFile.empty()) vt::SetDebugTraceFile(options.traceFile);
  // The replay is named relative to the game folder, as the report shows paths.
  if (!options.playReplay.empty()) options.playReplay = std::filesystem::proximate(options.playReplay).string();
  std::vector<std::string> gameArgs;
  for (const auto& a : args) gameArgs.push_back(a);
  g_ConnectLobbyId = ParseConnectLobby(gameArgs);

  vt::platform::SingleInstance instance("Vantorel.lock");
  if (!instance.owned()) {
    vt::platform::SingleInstance::RequestRaise("Vantorel.lock");
    return 0;
  }
  // The first instance raises its window when a later one asks.
  uint32_t lastCheck = 0;
  vt::platform::AddPumpHook([&instance, &lastCheck] {
    uint32_t now = SDL_GetTicks();
    if (now - lastCheck < 250) return;
    lastCheck = now;
    if (instance.TakeRaiseRequest() && g_MainWindow != nullptr) SDL_RaiseWindow(g_MainWindow);
  });
  vt::SetAutoQuitFrames(options.autoQuitFrames);
  if (!options.inputScript.empty() || !options.reportFile.empty() || !options.playReplay.empty() ||
      options.unpaced) {
    std::string error;
    if (!vt::e2e::StartEndToEndRun({options.inputScript, options.reportFile, options.playReplay, options.unpaced},
                                   &error)) {
      std::fprintf(stderr, "vantorel: %s\n", error.c_str());
      vt::e2e::StopEndToEndRun();
      return 2;
    }
  }
  return vt::e2e::FinishEndToEndRun(RunApplication(options.commandLine));
}
