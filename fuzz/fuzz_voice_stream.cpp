// Voice streams come from peers: decompression must refuse damaged ones without reading past the
// input or writing past the output, at any output size.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/online/voice.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::vector<uint8_t> large(1 << 18), small(440);
  uint32_t written = 0;
  const std::span<const uint8_t> in(data, size);
  vt::online::DecompressVoice(in, large, written, 11000);
  if (written > large.size()) __builtin_trap();
  vt::online::DecompressVoice(in, small, written, 11000);
  if (written > small.size()) __builtin_trap();
  return 0;
}
