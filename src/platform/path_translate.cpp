// Windows-style game paths to POSIX disk paths, with case-insensitive component lookup.
#include "platform/path_translate.h"

#include <dirent.h>
#include <sys/stat.h>

#include <mutex>
#include <string>
#include <unordered_map>

namespace vt::platform {

namespace {

// Cache of "parent dir \0 lower-cased name" -> actual name on disk. A hit is re-checked with
// lstat, so renames and deletions are noticed; misses are never cached (files appear later).
std::mutex g_cacheLock;
std::unordered_map<std::string, std::string>& Cache() {
  static std::unordered_map<std::string, std::string> cache;
  return cache;
}

std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (dir == "/") return "/" + name;
  return dir + "/" + name;
}

// Finds `name` in directory `dir` ("" = current directory) ignoring ASCII case.
bool FindInDir(const std::string& dir, const std::string& name, std::string* actual) {
  std::string exact = Join(dir, name);
  if (Exists(exact)) {
    *actual = name;
    return true;
  }
  std::string key = dir;
  key.push_back('\0');
  key += LowerAscii(name);
  {
    std::lock_guard<std::mutex> lock(g_cacheLock);
    auto it = Cache().find(key);
    if (it != Cache().end()) {
      if (Exists(Join(dir, it->second))) {
        *actual = it->second;
        return true;
      }
      Cache().erase(it);
    }
  }
  DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return false;
  std::string lowered = LowerAscii(name);
  bool found = false;
  while (dirent* e = ::readdir(d)) {
    std::string_view entry(e->d_name);
    if (entry.size() == name.size() && LowerAscii(entry) == lowered) {
      *actual = std::string(entry);
      found = true;
      break;
    }
  }
  ::closedir(d);
  if (found) {
    std::lock_guard<std::mutex> lock(g_cacheLock);
    Cache()[key] = *actual;
  }
  return found;
}

}  // namespace

std::vector<std::string> SplitGamePath(std::string_view path, bool* absolute) {
  std::vector<std::string> parts;
  if (absolute) *absolute = !path.empty() && path[0] == '/';
  std::string current;
  auto flush = [&] {
    if (!current.empty() && current != ".") parts.push_back(current);
    current.clear();
  };
  for (size_t i = 0; i < path.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(path[i]);
    if (IsSjisLeadByte(b) && i + 1 < path.size() &&
        IsSjisTrailByte(static_cast<unsigned char>(path[i + 1]))) {
      current.push_back(path[i]);
      current.push_back(path[i + 1]);
      ++i;
      continue;
    }
    if (b == '\\' || b == '/') {
      flush();
      continue;
    }
    current.push_back(static_cast<char>(b));
  }
  flush();
  return parts;
}

std::string ResolveGamePath(std::string_view path) {
  bool absolute = false;
  std::vector<std::string> parts = SplitGamePath(path, &absolute);
  std::string dir = absolute ? "/" : "";
  bool resolving = true;
  for (const std::string& part : parts) {
    std::string actual = part;
    if (resolving && part != "..") resolving = FindInDir(dir, part, &actual);
    dir = Join(dir, actual);
  }
  if (dir.empty()) return std::string(".");
  return dir;
}

void ClearPathCache() {
  std::lock_guard<std::mutex> lock(g_cacheLock);
  Cache().clear();
}

}  // namespace vt::platform
