// Admin lines come from whoever can reach the admin socket: any bytes must either read as a
// command that writes back to a line reading the same command, or be refused with a message.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lobbyd/admin_line.h"

namespace {

bool Same(const vt::lobbyd::AdminCommand& a, const vt::lobbyd::AdminCommand& b) {
  return a.verb == b.verb && a.user == b.user && a.other == b.other && a.lobby == b.lobby &&
         a.text == b.text && a.number == b.number && a.on == b.on && a.failure == b.failure &&
         a.link.latencyMs == b.link.latencyMs && a.link.jitterMs == b.link.jitterMs &&
         a.link.loss == b.link.loss && a.link.duplicate == b.link.duplicate &&
         a.link.partitioned == b.link.partitioned;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  for (bool testMode : {false, true}) {
    vt::lobbyd::AdminCommand command;
    std::string error;
    if (!vt::lobbyd::ParseAdminLine(line, testMode, command, error)) {
      if (error.empty()) std::abort();
      continue;
    }
    if (!testMode && vt::lobbyd::IsTestModeVerb(command.verb)) std::abort();
    vt::lobbyd::AdminCommand again;
    if (!vt::lobbyd::ParseAdminLine(vt::lobbyd::FormatAdminLine(command), testMode, again, error))
      std::abort();
    if (!Same(command, again)) std::abort();
  }
  return 0;
}
