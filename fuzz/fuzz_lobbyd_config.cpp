// lobbyd.ini is the operator's to edit: any text must either read as a configuration whose limits
// are within the core's and which the writer writes back to the same configuration, or be refused
// with a reason.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "lobbyd/lobbyd_config.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vt::lobbyd::LobbydConfig config;
  std::string problem;
  if (!vt::lobbyd::ParseLobbydConfig(text, config, problem)) {
    if (problem.empty()) std::abort();
    return 0;
  }
  const vt::lobbyd::LobbydLimits core = vt::lobbyd::CoreLimits();
  for (const vt::lobbyd::LimitKey& limit : vt::lobbyd::LimitKeys())
    if (config.limits.*limit.field < 1 || config.limits.*limit.field > core.*limit.field) std::abort();
  vt::lobbyd::LobbydConfig again;
  if (!vt::lobbyd::ParseLobbydConfig(vt::lobbyd::FormatLobbydConfig(config), again, problem) ||
      !(again == config))
    std::abort();
  return 0;
}
