// The offline backend's only behaviour beyond its fixed answers.
#include "platform/online/offline_platform.h"

#include <ctime>

namespace vt::online {

OfflinePlatform::OfflinePlatform(std::string personaName)
    : personaName_(personaName.empty() ? std::string("???") : std::move(personaName)) {}

uint32_t OfflinePlatform::serverTime() const { return static_cast<uint32_t>(std::time(nullptr)); }

}  // namespace vt::online
