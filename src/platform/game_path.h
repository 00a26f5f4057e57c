// Host path of a game path (".\System\x.ini"): the one place the spine's platform services
// turn the game's Windows-style relative paths into files here.
#pragma once

#include <string>
#include <string_view>

namespace vt::platform {
std::string HostPathForGamePath(std::string_view gamePath);
}
