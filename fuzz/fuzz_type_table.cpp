// Fuzz target: the type table reader and the finish list reader over arbitrary text, with the
// accessors at and past their bounds.
#include <cstdint>
#include <string_view>

#include "app/lib_debug.h"
#include "battle/battle_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  ParseTypeText(text, "fuzz_Type.txt");
  ParseFinishListText(text);
  int64_t sum = 0;
  for (int n = -1; n <= 10; ++n) sum += GetTypeParams(n).magicCircuitMax + GetTypeValue(n * 10);
  for (int f = -1; f <= 200; f += 7) sum += GetFinishKind(f, 5);
  return sum == 1 ? 0 : 0;
}
