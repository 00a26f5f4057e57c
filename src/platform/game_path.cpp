// Game paths become host paths through the path translator.
#include "platform/game_path.h"

#include "platform/path_translate.h"

namespace vt::platform {
std::string HostPathForGamePath(std::string_view gamePath) { return ResolveGamePath(gamePath); }
}  // namespace vt::platform
