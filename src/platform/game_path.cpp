// Until the path translator lands: backslashes become slashes.
#include "platform/game_path.h"

namespace vt::platform {
std::string HostPathForGamePath(std::string_view gamePath) {
  std::string out(gamePath);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}
}  // namespace vt::platform
