// Fuzz target: stage data files through the checked reader.
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/lib_debug.h"
#include "scene/stage_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  auto r = ReadStageFile(std::span<const uint8_t>(data, size), "fuzz");
  if (r == nullptr) return 0;
  // Whatever the reader keeps must hold what the animation relies on.
  for (const auto& o : r->objects) {
    if (o == nullptr) continue;
    if (o->frameCount == 0 || o->frameCount > kStageMaxFrames || o->frames.size() != o->frameCount)
      __builtin_trap();
    if (o->bucket < 0 || o->bucket >= kStageBucketCount) __builtin_trap();
  }
  return 0;
}
