// Fuzz target: `.EX3` images of arbitrary bytes are expanded into a bounded buffer; and the input
// taken as plain data must survive a round trip through the encoder.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "app/byte_pair.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> image(data, size);
  std::vector<uint8_t> out(std::min<uint32_t>(ex3::DeclaredLength(image), 1u << 20));
  ExpandBytePairs(out, image);

  if (size <= 4096) {
    std::vector<uint8_t> img = ex3::EncodeBytePairs(image, 1 + size % 700);
    std::vector<uint8_t> back(size);
    if (ExpandBytePairs(back, img) != ex3::ExpandResult::kOk || !std::equal(back.begin(), back.end(), data)) {
      std::abort();
    }
  }
  return 0;
}
