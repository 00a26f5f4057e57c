// Fuzz target for the staff roll's layout file: the reader, then the roll run to its end over
// what it read.
#include <cstdint>
#include <string_view>

#include "app/lib_debug.h"
#include "scene/staff_roll.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  static StaffRollEntry entries[kStaffRollEntries];
  float speed = 1.0f;
  const int count =
      ParseStaffRollText(std::string_view(reinterpret_cast<const char*>(data), size), entries, &speed);
  if (count < 0 || count >= kStaffRollEntries || entries[count].TPage != -1 || !(speed > 0.0f))
    __builtin_trap();
  return 0;
}
