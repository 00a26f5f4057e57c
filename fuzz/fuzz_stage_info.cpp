// Fuzz target: the text of a stage's info file through the info reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "Dxtools/IniFile.h"
#include "app/lib_debug.h"
#include "scene/stage_bg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vt::SetDebugQuiet(true);
  IniFile ini;
  ini.LoadFromText(std::string_view(reinterpret_cast<const char*>(data), size));
  StageInfo info;
  std::string dropFile;
  ReadStageInfo(ini, &info, &dropFile);
  // What the tables and the drops rely on.
  if (info.lightCount < 0 || info.lightCount > kStageMaxLights) __builtin_trap();
  if (info.dropCount < 0 || info.dropCount > kStageMaxDrops) __builtin_trap();
  if (info.dropOn != 0 && info.dropType == 0 && info.patternCount < 1) __builtin_trap();
  if (dropFile.size() > 32) __builtin_trap();
  return 0;
}
