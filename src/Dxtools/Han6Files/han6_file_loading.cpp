// Reading the sprite and frame-data files through the file reader and the ini reader.
#include "Dxtools/Han6Files/han6_file_loading.h"

#include <cstring>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "Dxtools/IniFile.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"

namespace {

// The first 32 bytes of a file, when it has them.
bool ReadHeader(std::string_view path, uint8_t (&header)[32]) {
  CFileLoader loader;
  if (!loader.Open(path)) return false;
  if (loader.GetSize() < 32) return false;
  return loader.ReadAndWait(header, sizeof header, sizeof header) != 0 && loader.BytesRead() == sizeof header;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadHan6GameFile(const std::string& path) {
  DataBuffer buffer = LoadDataFile(path);
  if (!buffer) return std::nullopt;
  return std::vector<uint8_t>(buffer.data(), buffer.data() + buffer.size());
}

int IsCutSpriteFile(std::string_view path) {
  uint8_t header[32];
  return ReadHeader(path, header) && std::memcmp(header, "BMP Cutter3", 11) == 0 ? 1 : 0;
}

CutSpriteSheet* LoadCutSpriteSheet(std::string_view path, int embeddedPixels) {
  if (!IsCutSpriteFile(path)) return nullptr;
  DataBuffer buffer = LoadDataFile(path);
  if (!buffer) return nullptr;
  return ParseCutSpriteSheet(buffer.bytes(), embeddedPixels, std::string(path).c_str());
}

int IsPAniFile(std::string_view path) {
  uint8_t header[32];
  return ReadHeader(path, header) && IsPAniImage(header) ? 1 : 0;
}

PAniData* LoadPAniData(std::string_view path, int embeddedPixels) {
  if (!IsPAniFile(path)) return LoadPAniDataOld(path);
  DataBuffer buffer = LoadDataFile(path);
  if (!buffer) return nullptr;
  PAniData* pani = ParsePAniDataTagged(buffer.bytes(), embeddedPixels, std::string(path).c_str());
  CreatePAniTextures(pani);  // the textures are made as the file is read
  return pani;
}

PAniData* LoadPAniDataOld(std::string_view path) {
  DataBuffer buffer = LoadDataFile(path);
  if (!buffer) return nullptr;
  PAniData* pani = ParsePAniDataOld(buffer.bytes(), std::string(path).c_str());
  CreatePAniTextures(pani);
  return pani;
}

int LoadHan6DataFile(std::string_view path, Han6PatternSet* set) {
  if (set == nullptr) return 0;
  set->pooled = 1;
  DataBuffer buffer = LoadDataFile(path);
  if (!buffer) return 0;
  return ParseHan6DataFile(buffer.bytes(), *set, std::string(path).c_str());
}

Han6Project* LoadHan6Project(std::string_view path) {
  IniFile ini;
  if (!ini.Load(path)) return nullptr;
  return BuildHan6Project(std::string(path),
                          [&ini](const char* section, const char* key, std::string& value) {
                            const char* found = ini.FindKey(section, key);
                            if (found == nullptr) return false;
                            value.assign(found, IniValueLength(found));
                            return true;
                          });
}

int LoadHan6ProjectData(FrameDataSet& set, const Han6Project* project, std::string* error) {
  const int result = LoadHan6ProjectData(set, project, ReadHan6GameFile, error, g_EmbeddedSpritePixels);
  // Part-animation textures are made as their file is read, like the loader above.
  CreatePAniTextures(set.pani);
  return result;
}
