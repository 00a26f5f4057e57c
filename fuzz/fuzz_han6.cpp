// Fuzz target: frame-data files. Whatever was read is written back and must read again in full.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Dxtools/Han6Files/han6_data.h"
#include "app/lib_debug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  Han6PatternSet* set = InitHan6PatternSet();
  ParseHan6DataFile(std::span<const uint8_t>(data, size), *set, "fuzz");
  for (int p = 0; p < kHan6PatternSlots; ++p) {
    for (int f = 0; GetHan6Frame(set, p, f) != nullptr; ++f) {
      const Han6Frame* frame = GetHan6Frame(set, p, f);
      for (const Han6Box* b : frame->boxes) IsHan6BoxValid(b);
      for (const Han6Box* b : frame->attackBoxes) IsHan6BoxValid(b);
    }
  }
  std::vector<uint8_t> again = WriteHan6DataFile(*set);
  Han6PatternSet* back = InitHan6PatternSet();
  if (ParseHan6DataFile(again, *back, "fuzz-again") != 1) __builtin_trap();
  FreeHan6PatternSet(back);
  FreeHan6PatternSet(set);
  return 0;
}
