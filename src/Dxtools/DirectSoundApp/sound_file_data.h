// The sound file reader: a file named by name and extension, read whole into memory from the
// mounted packs or else the disk, handed on as a memory source.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Dxtools/DirectSoundApp/sound_source.h"

// Whole-file reads as the game names paths (".\se\normal_se\SE010.ogg"). The pack half is a
// hook the data-access layer installs (none: no packs mounted); the disk half resolves `\` and
// letter case against the working directory.
using SoundPackReader = std::function<std::optional<std::vector<uint8_t>>(const std::string& path)>;
void SetSoundPackReader(SoundPackReader reader);
std::optional<std::vector<uint8_t>> ReadSoundDataFile(const std::string& gamePath);
// The disk path of a game path: `\` becomes `/`, each name matched ignoring letter case.
std::string ResolveGameDiskPath(const std::string& gamePath);
// Disk only, with the game's path rules (used by the hook-less fallback and by tests).
std::optional<std::vector<uint8_t>> ReadGameDiskFile(const std::string& gamePath);

class CGetSoundFileDataBase {
 public:
  virtual ~CGetSoundFileDataBase() = default;
  virtual bool Open(const char* name, const char* extension) = 0;
  virtual void Close() = 0;
  virtual bool GetData(MemorySourceDesc* out) = 0;
};

class CGetSoundFileDataWin : public CGetSoundFileDataBase {
 public:
  bool Open(const char* name, const char* extension) override;
  void Close() override;
  bool GetData(MemorySourceDesc* out) override;

 private:
  std::optional<std::vector<uint8_t>> image_;
  std::string path_;
  int useCount_ = 0;
};
