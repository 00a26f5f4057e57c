// Fuzz target: bitmap files through the image reader, and the header size that size-0 callers
// rely on.
#include <cstddef>
#include <cstdint>

#include "app/lib_debug.h"
#include "platform/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  std::span<const uint8_t> bytes(data, size);
  uint32_t header = vt::image::BitmapFileSize(bytes);
  if (header != 0 && header <= size) bytes = bytes.first(header);
  vt::image::ImageInfo info;
  vt::image::GetImageInfo(bytes, &info, "fuzz.bmp");
  vt::image::Image img;
  vt::image::DecodeImage(bytes, &img, "fuzz.bmp");
  return 0;
}
