// Palette file reading with the count checked against the file, and writing.
#include "Dxtools/BmpcutFiles/cut_sprite_palette.h"

#include <algorithm>
#include <cstring>

#include "Dxtools/Han6Files/byte_stream.h"
#include "app/lib_debug.h"

int CountPaletteFileEntries(std::span<const uint8_t> image, const char* name) {
  if (image.size() < 4) {
    DebugPrint("%s: palette file too short\n", name);
    return 0;
  }
  const int32_t stored = han6io::LoadI32(image, 0);
  if (stored < 0) {
    DebugPrint("%s: negative palette count %d\n", name, stored);
    return 0;
  }
  const int64_t present = static_cast<int64_t>(image.size() - 4) / 1024;
  if (stored > present) {
    DebugPrint("%s: palette count %d but only %lld palettes in the file\n", name, stored,
               static_cast<long long>(present));
    return static_cast<int>(present);
  }
  return stored;
}

bool ReadPaletteFileEntry(std::span<const uint8_t> image, int index, CutSpritePalette& out,
                          const char* name) {
  if (index < 0 || index >= CountPaletteFileEntries(image, name)) return false;
  std::memcpy(out.data(), image.data() + 4 + static_cast<size_t>(index) * 1024, 1024);
  return true;
}

std::vector<uint8_t> WritePaletteFile(std::span<const CutSpritePalette> palettes) {
  han6io::ByteWriter out;
  out.PutI32(static_cast<int32_t>(palettes.size()));
  for (const auto& p : palettes) out.PutBytes(p.data(), p.size());
  return out.Take();
}
