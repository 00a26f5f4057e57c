// Choosing the online backend at start-up.
#include "platform/online/net/net_startup.h"

#include <mutex>

#include "app/lib_debug.h"
#include "platform/online/online_context.h"

namespace vt::online {

namespace {

std::mutex g_factoryMutex;
NetPlatformFactory g_factory;

void Log(const std::string& line) { DebugOutput(("online: " + line + "\n").c_str()); }

}  // namespace

void SetNetPlatformFactory(NetPlatformFactory factory) {
  std::lock_guard<std::mutex> lock(g_factoryMutex);
  g_factory = std::move(factory);
}

BackendChoice ChooseOnlineBackend(const OnlineClientOptions& options) {
  BackendChoice choice;
  Profile profile;
  ProfileLoad load = ProfileLoad::Missing;
  if (!options.profilePath.empty()) load = LoadProfile(options.profilePath, profile);
  if (load == ProfileLoad::Damaged) {
    Log("the profile " + options.profilePath + " is not used; starting offline");
    return choice;
  }
  std::string nameProblem;
  std::optional<std::string> persona;
  if (load == ProfileLoad::Loaded) {
    persona = PersonaNameOf(profile.name, nameProblem);
    if (persona) choice.personaName = *persona;
  }

  // The command line names the service over the profile.
  const std::string serviceText = !options.service.empty() ? options.service : profile.service;
  if (serviceText.empty()) return choice;  // the plain offline start: nothing is written
  std::string problem;
  std::optional<lobby::HostPort> service = lobby::ParseHostPort(serviceText, &problem);
  if (service && service->port == 0) problem = "the port is 0";
  if (!service || service->port == 0) {
    Log("the service address \"" + serviceText + "\" is not usable: " + problem + "; starting offline");
    return choice;
  }
  if (options.profilePath.empty()) {
    Log("a service is named but there is no profile to log in with (no --online-profile and no config "
        "folder); starting offline");
    return choice;
  }
  if (load == ProfileLoad::Loaded && !persona) {
    // The name is the player's to fix; a login under another name would not be theirs.
    Log("online profile " + options.profilePath + ": " + nameProblem + "; no login, starting offline");
    return choice;
  }
  if (load == ProfileLoad::Missing || !profile.hasSecret) {
    // Going online for the first time: the profile, or its key, is made now.
    std::optional<Profile> made = LoadOrCreateProfile(options.profilePath);
    if (!made) {
      Log("no usable profile at " + options.profilePath + "; starting offline");
      return choice;
    }
    profile = std::move(*made);
    persona = PersonaNameOf(profile.name, nameProblem);  // the name checked above, or a new one's
    if (!persona) return choice;
    choice.personaName = *persona;
  }
  choice.kind = BackendKind::Net;
  choice.net = NetClientConfig{*service, options.profilePath, std::move(profile), *persona};
  return choice;
}

std::unique_ptr<Platform> CreateOnlinePlatform(const OnlineClientOptions& options) {
  BackendChoice choice = ChooseOnlineBackend(options);
  if (choice.kind == BackendKind::Net) {
    NetPlatformFactory factory;
    {
      std::lock_guard<std::mutex> lock(g_factoryMutex);
      factory = g_factory;
    }
    if (!factory) {
      Log("the networked client is not available in this build; starting offline");
    } else if (std::unique_ptr<Platform> platform = factory(*choice.net)) {
      return platform;
    } else {
      Log("the networked client did not start; starting offline");
    }
  }
  return CreatePlatform(PlatformConfig{choice.personaName});
}

}  // namespace vt::online
