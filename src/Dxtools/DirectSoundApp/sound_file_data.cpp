// Whole-file reads for sounds: packs first through the installed hook, then the disk.
#include "Dxtools/DirectSoundApp/sound_file_data.h"

#include <dirent.h>
#include <strings.h>

#include <cstdio>
#include <mutex>

#include "app/lib_debug.h"

namespace {

std::mutex g_packMutex;
SoundPackReader g_packReader;

// Finds `name` in `dir` ignoring letter case (exact match first).
std::optional<std::string> FindEntry(const std::string& dir, const std::string& name) {
  std::string exact = dir.empty() ? name : dir + "/" + name;
  if (std::FILE* f = std::fopen(exact.c_str(), "rb")) {
    std::fclose(f);
    return exact;
  }
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return exact;  // a folder that opens as a file path is tried as it stands
  std::optional<std::string> found;
  while (dirent* e = readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) {
      found = dir.empty() ? std::string(e->d_name) : dir + "/" + e->d_name;
      break;
    }
  }
  closedir(d);
  return found ? found : exact;
}

}  // namespace

void SetSoundPackReader(SoundPackReader reader) {
  std::lock_guard<std::mutex> lock(g_packMutex);
  g_packReader = std::move(reader);
}

std::string ResolveGameDiskPath(const std::string& gamePath) {
  std::string path = gamePath;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  std::string resolved = (!path.empty() && path[0] == '/') ? "/" : "";
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
    if (!part.empty() && part != ".") {
      resolved = FindEntry(resolved, part).value_or(resolved + "/" + part);
    } else if (part == "." && resolved.empty()) {
      resolved = ".";
    }
    if (slash == std::string::npos) break;
    start = slash + 1;
  }
  return resolved;
}

std::optional<std::vector<uint8_t>> ReadGameDiskFile(const std::string& gamePath) {
  std::string resolved = ResolveGameDiskPath(gamePath);
  std::FILE* f = std::fopen(resolved.c_str(), "rb");
  if (f == nullptr) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  bool bad = std::ferror(f) != 0;
  std::fclose(f);
  if (bad) {
    DebugPrint("sound: %s: read error\n", gamePath.c_str());
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::vector<uint8_t>> ReadSoundDataFile(const std::string& gamePath) {
  SoundPackReader reader;
  {
    std::lock_guard<std::mutex> lock(g_packMutex);
    reader = g_packReader;
  }
  if (reader) {
    if (auto bytes = reader(gamePath)) return bytes;
  }
  return ReadGameDiskFile(gamePath);
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
