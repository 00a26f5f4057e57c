// Fuzz target: the ini reader over arbitrary text: section selection (index and text search),
// key lookups, enumeration and bounded value copies.
#include <cstdint>
#include <string>
#include <string_view>

#include "Dxtools/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  IniFile ini;
  ini.LoadFromText(text);
  static const char* kSections[] = {"System", "S", "Japanese", "English", "", "A"};
  static const char* kKeys[] = {"ScreenW", "Key", "A", "", "x"};
  for (const char* section : kSections) {
    for (const char* key : kKeys) {
      const char* v = ini.FindKey(section, key);
      if (v) (void)IniValueLength(v);
    }
    if (ini.SelectSection(section)) {
      std::string key, value;
      char small[4];
      for (int i = 0; i < 1000 && ini.NextKey(key); ++i) {
        ini.GetInt(-1);
        ini.GetString(small, sizeof(small));
        ini.GetString(value, 512);
      }
    }
  }
  return 0;
}
