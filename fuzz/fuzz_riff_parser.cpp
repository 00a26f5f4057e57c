// Fuzz target: the RIFF/WAV chunk walk over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Dxtools/DirectSoundApp/sound_source.h"
#include "app/lib_debug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::span<const uint8_t> image(data, size);
  WavImage wav;
  if (ParseWavImage(image, "fuzz.wav", &wav)) {
    // Whatever is accepted lies inside the image and is whole blocks of a playable format.
    if (wav.samples.data() < data || wav.samples.data() + wav.samples.size() > data + size) __builtin_trap();
    if (wav.samples.size() % wav.format.blockAlign != 0 || !vt::audio::IsPlayableFormat(wav.format)) {
      __builtin_trap();
    }
    volatile uint32_t sum = 0;
    for (uint8_t b : wav.samples) sum = sum + b;
  }
  return 0;
}
