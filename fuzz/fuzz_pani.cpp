// Fuzz target: part-animation files of both forms; a parsed file is written back and read again.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Dxtools/Han6Files/pani_data.h"
#include "app/lib_debug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  PAniData* pani = ParsePAniData(std::span<const uint8_t>(data, size), 1, "fuzz");
  if (pani == nullptr) return 0;
  std::vector<uint8_t> again = WritePAniData(*pani);
  PAniData* back = ParsePAniData(again, 1, "fuzz-again");
  if (back == nullptr) __builtin_trap();  // what the writer writes the reader must read
  FreePAniData(back);
  FreePAniData(pani);
  return 0;
}
