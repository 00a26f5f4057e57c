// The choice of online backend at start-up. The networked client is used when a service is named
// (--online-service, else the profile's `service`) and the profile can log in; otherwise the game
// starts offline, with the profile's name when it has a usable one. The networked client plugs in
// through a factory, so that start-up does not depend on it being built: without one, a named
// service logs that the client is not available and the game starts offline.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "lobby/host_port.h"
#include "platform/online/net/profile.h"
#include "platform/online/platform.h"

namespace vt::online {

// What the command line says about going online.
struct OnlineClientOptions {
  std::string service;      // --online-service host:port; "" when not given
  std::string profilePath;  // --online-profile, else DefaultProfilePath(); "" when there is none
};

// What the networked client starts from.
struct NetClientConfig {
  lobby::HostPort service;
  std::string profilePath;  // where the user id is written back after the first login
  Profile profile;          // with its secret
  std::string personaName;  // the profile's name in CP932
};

using NetPlatformFactory = std::function<std::unique_ptr<Platform>(const NetClientConfig&)>;

// Installed by the networked client; an empty function removes it.
void SetNetPlatformFactory(NetPlatformFactory factory);

enum class BackendKind { Offline, Net };

struct BackendChoice {
  BackendKind kind = BackendKind::Offline;
  std::string personaName;             // CP932; "" when no usable name (the offline backend shows "???")
  std::optional<NetClientConfig> net;  // set for Net
};

// Reads the options and the profile and decides; every reason not to go online is logged. A
// profile is made (with a new key) only when a service is named: an offline start writes nothing.
BackendChoice ChooseOnlineBackend(const OnlineClientOptions& options);

// The platform for the choice: the networked client from the factory, or the offline backend.
std::unique_ptr<Platform> CreateOnlinePlatform(const OnlineClientOptions& options);

}  // namespace vt::online
