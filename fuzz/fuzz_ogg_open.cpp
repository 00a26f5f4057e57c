// Fuzz target: opening an Ogg Vorbis image from memory and decoding from it with a loop.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Dxtools/DirectSoundApp/sound_source.h"
#include "app/lib_debug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  int released = 0;
  {
    COggSource source;
    MemorySourceDesc desc =
        MakeMemorySource(std::vector<uint8_t>(data, data + size), "fuzz.ogg", [&] { ++released; });
    if (source.Open(desc) == 1) {
      if (source.totalSize() % source.format().blockAlign != 0) __builtin_trap();
      // The first byte picks a loop position, past the end included.
      source.SetLoopPos(size > 0 ? data[0] / 16.0 - 2.0 : 0.0);
      std::vector<uint8_t> buffer(16384);
      for (int i = 0; i < 4; ++i) {
        uint32_t got = source.Read(buffer.data(), static_cast<uint32_t>(buffer.size()), (i & 1) != 0);
        if (got > buffer.size()) __builtin_trap();
      }
    }
  }
  if (released != 1) __builtin_trap();  // the image is let go exactly once
  return 0;
}
