// Minimal key lookup over an ini file for the spine's own configuration files, until the
// game's ini reader is in place.
#pragma once

#include <string>

namespace vt {

class IniLookup {
 public:
  bool Load(const char* gamePath) { return LoadFromDisk(gamePath); }
  bool LoadFromDisk(const char* gamePath);
  // The value text after "=" (blanks skipped) of key in section, or nullptr.
  const char* FindKey(const char* section, const char* key) const;

 private:
  std::string text_;
};

size_t IniValueLength(const char* value);

}  // namespace vt
