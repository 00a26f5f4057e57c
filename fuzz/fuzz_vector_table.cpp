// Fuzz target: the vector table reader (two passes that must stay in step) and every accessor
// over ids and sub-lines at and past the table's ends.
#include <cstdint>
#include <string_view>

#include "app/lib_debug.h"
#include "battle/battle_tables.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::string_view text(reinterpret_cast<const char*>(data), size);
  ParseVectorText(text, "fuzz_vector.txt");
  int64_t sum = 0;
  const int ids = static_cast<int>(g_VectorTables.hit.size()) + 2;
  for (int id = -1; id < ids && id < 5000; ++id) {
    for (int k = -1; k <= 5; ++k) {
      MotionVector m;
      GetMotionOfHitVector(id, k, &m);
      sum += m.vx + GetHitVectorPattern(id, k, 0) + GetHitVectorPattern(id, k, 1) + GetHitVectorStun(id, k) +
             GetHitVectorFlags(id, k);
    }
    sum += ResolveHitVector(id, id + 1);
  }
  return sum == 1 ? 0 : 0;
}
