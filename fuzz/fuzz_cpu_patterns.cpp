// Fuzz target: the CPU pattern file reader over arbitrary bytes (short, long and anything
// between), and the writer's round trip of whatever the reader made of them.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

#include "battle/cpu_patterns.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto first = std::make_unique<CpuPatternFile>();
  ReadCpuPatternFile(std::span<const uint8_t>(data, size), first.get());
  const std::vector<uint8_t> written = WriteCpuPatternFile(*first);
  if (written.size() != kCpuPatternFileSize) std::abort();
  auto second = std::make_unique<CpuPatternFile>();
  ReadCpuPatternFile(written, second.get());
  if (!(*first == *second)) std::abort();
  return 0;
}
