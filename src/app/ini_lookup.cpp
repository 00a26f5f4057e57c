#include "app/ini_lookup.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/game_path.h"

namespace vt {

bool IniLookup::LoadFromDisk(const char* gamePath) {
  std::ifstream in(platform::HostPathForGamePath(gamePath), std::ios::binary);
  if (!in) return false;
  text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

const char* IniLookup::FindKey(const char* section, const char* key) const {
  std::string header = std::string("[") + section + "]";
  size_t pos = 0;
  bool inSection = false;
  while (pos < text_.size()) {
    size_t end = text_.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text_.size();
    std::string line = text_.substr(pos, end - pos);
    size_t s = line.find_first_not_of(" \t");
    if (s != std::string::npos && line[s] == '[') {
      inSection = line.compare(s, header.size(), header) == 0;
    } else if (inSection && s != std::string::npos) {
      size_t eq = line.find('=');
      std::string k = line.substr(s, (eq == std::string::npos ? line.size() : eq) - s);
      size_t tab = k.find('\t');
      if (tab != std::string::npos) k.resize(tab);
      while (!k.empty() && k.back() == ' ') k.pop_back();
      if (k == key) {
        if (eq == std::string::npos) return nullptr;
        size_t v = pos + eq + 1;
        while (v < text_.size() && (text_[v] == ' ' || text_[v] == '\t')) ++v;
        return text_.c_str() + v;
      }
    }
    pos = end;
    while (pos < text_.size() && (text_[pos] == '\r' || text_[pos] == '\n')) ++pos;
  }
  return nullptr;
}

size_t IniValueLength(const char* value) {
  size_t n = 0;
  while (value[n] != '\0' && value[n] != '\r' && value[n] != '\n' &&
         !(value[n] == '/' && value[n + 1] == '/'))
    ++n;
  while (n > 0 && (value[n - 1] == ' ' || value[n - 1] == '\t')) --n;
  return n;
}

}  // namespace vt
