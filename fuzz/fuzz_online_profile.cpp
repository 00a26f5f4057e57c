// The online profile is a text file the player edits: any text must either read as a profile
// that the writer writes back unchanged, or be refused with a reason; the persona name check
// must never read or write out of bounds, whatever bytes the name holds.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/online/net/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vt::online::Profile profile;
  std::string problem;
  if (!vt::online::ParseProfile(text, profile, problem)) {
    if (problem.empty()) std::abort();
    return 0;
  }
  (void)vt::online::PersonaNameOf(profile.name, problem);
  (void)vt::online::EffectiveRegion(profile);
  // What was read is written so that it reads back the same.
  const std::string written = vt::online::FormatProfile(profile);
  vt::online::Profile again;
  if (!vt::online::ParseProfile(written, again, problem)) std::abort();
  if (vt::online::FormatProfile(again) != written) std::abort();
  return 0;
}
