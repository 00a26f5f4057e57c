// Fuzz target: the DDS reader (headers, pixel formats, sizes) and the pixel decoders behind it.
#include <cstddef>
#include <cstdint>

#include "app/lib_debug.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::span<const uint8_t> bytes(data, size);
  vt::image::ImageInfo info;
  vt::image::GetImageInfo(bytes, &info, "fuzz.dds");
  vt::image::Image img;
  if (vt::image::ReadDds(bytes, &img, "fuzz.dds")) {
    // Decode everything the reader accepted, as an upload would.
    vt::gfx::DecodeToBgra(img.info.format, img.pixels.data(), img.pitch, static_cast<int>(img.info.width),
                          static_cast<int>(img.info.height));
  }
  return 0;
}
