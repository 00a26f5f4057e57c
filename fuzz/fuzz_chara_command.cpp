// Fuzz target: the character command file reader (the list, the digit flags and the ini half)
// and the lookups the battle makes on the table it builds.
#include <cstdint>
#include <string_view>

#include "app/lib_debug.h"
#include "battle/chara_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto table = ParseCharaCommandFile(text, "fuzz_c.txt");
  uint32_t sum = 0;
  for (const auto& e : table->commands)
    if (e) sum += e->pattern + e->flags + e->notationText[0];
  for (const ExComCheck& c : table->exComChecks) sum += static_cast<uint32_t>(c.commandId);
  return sum == 0xFFFFFFFFu ? 0 : 0;
}
