// The sound file reader: a file named by name and extension, read whole into memory from the
// mounted packs or else the disk, handed on as a memory source.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Dxtools/DirectSoundApp/sound_source.h"

// A whole data file (packs first, then the disk); none when missing.
std::optional<std::vector<uint8_t>> ReadSoundDataFile(const std::string& gamePath);

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
