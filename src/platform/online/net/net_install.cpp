// The start-up choice's factory for the networked client: the profile's key, name and places.
#include "platform/online/net/net_install.h"

#include <memory>

#include "platform/online/net/net_platform.h"
#include "platform/online/net/net_startup.h"

namespace vt::online {

void InstallNetPlatform() {
  SetNetPlatformFactory([](const NetClientConfig& config) -> std::unique_ptr<Platform> {
    net::NetOptions options;
    options.host = config.service.host;
    options.port = config.service.port;
    options.seed = config.profile.secret;
    options.name = config.personaName;
    options.country = config.profile.country;
    options.region = config.profile.region;
    options.friends = config.profile.friends;
    if (!config.profilePath.empty())
      options.onLogin = [path = config.profilePath, secret = config.profile.secret](UserId user) {
        RecordUserId(path, secret, user);
      };
    return std::make_unique<net::NetPlatform>(std::move(options));
  });
}

}  // namespace vt::online
