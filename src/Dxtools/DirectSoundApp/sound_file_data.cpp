// Whole-file reads for sounds through the game's file reader (packs first, then the disk).
#include "Dxtools/DirectSoundApp/sound_file_data.h"

#include <cstdio>

#include "app/file_loader.h"

std::optional<std::vector<uint8_t>> ReadSoundDataFile(const std::string& gamePath) {
  DataBuffer buffer = LoadDataFile(gamePath);
  if (!buffer) return std::nullopt;
  return std::vector<uint8_t>(buffer.data(), buffer.data() + buffer.size());
}

bool CGetSoundFileDataWin::Open(const char* name, const char* extension) {
  Close();
  if (name == nullptr || extension == nullptr) return false;
  char path[300];
  std::snprintf(path, sizeof path, "%s.%s", name, extension);
  path_ = path;
  image_ = ReadSoundDataFile(path_);
  if (image_) ++useCount_;
  return image_.has_value();
}

void CGetSoundFileDataWin::Close() { image_.reset(); }

bool CGetSoundFileDataWin::GetData(MemorySourceDesc* out) {
  if (out == nullptr || !image_) return false;
  // The image moves into a shared handle: from here on the source owns it.
  *out = MakeMemorySource(std::move(*image_), path_);
  image_.reset();
  return true;
}
