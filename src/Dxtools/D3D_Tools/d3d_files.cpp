// Game-file access of the graphics code: pack hook, then disk with case-insensitive lookup.
#include "Dxtools/D3D_Tools/d3d_files.h"

#include <strings.h>

#include <filesystem>
#include <fstream>
#include <mutex>

#include "app/lib_debug.h"

namespace fs = std::filesystem;

namespace {
std::mutex g_accessMutex;
GfxPackAccess g_access;

GfxPackAccess Access() {
  std::lock_guard<std::mutex> lock(g_accessMutex);
  return g_access;
}
}  // namespace

void SetGfxPackAccess(GfxPackAccess access) {
  std::lock_guard<std::mutex> lock(g_accessMutex);
  g_access = std::move(access);
}

bool GfxPackContains(const std::string& gamePath) {
  GfxPackAccess a = Access();
  return a.contains && a.contains(gamePath);
}

std::string GfxDiskPath(const std::string& gamePath) {
  std::string p = gamePath;
  for (char& c : p)
    if (c == '\\') c = '/';
  while (p.rfind("./", 0) == 0) p.erase(0, 2);
  if (p.empty()) return ".";
  std::error_code ec;
  if (fs::exists(p, ec)) return p;
  // Resolve each component without regard to case.
  fs::path resolved = p[0] == '/' ? fs::path("/") : fs::path(".");
  fs::path rel = p[0] == '/' ? fs::path(p).relative_path() : fs::path(p);
  for (const fs::path& part : rel) {
    fs::path exact = resolved / part;
    if (fs::exists(exact, ec)) {
      resolved = exact;
      continue;
    }
    bool found = false;
    for (const auto& entry : fs::directory_iterator(resolved, ec)) {
      if (strcasecmp(entry.path().filename().c_str(), part.c_str()) == 0) {
        resolved = entry.path();
        found = true;
        break;
      }
    }
    if (!found) return p;
  }
  std::string out = resolved.lexically_normal().string();
  return out;
}

bool GfxDiskFileExists(const std::string& gamePath) {
  std::error_code ec;
  return fs::is_regular_file(GfxDiskPath(gamePath), ec);
}

bool ReadGfxFile(const std::string& gamePath, std::vector<uint8_t>* out, bool* fromPack) {
  out->clear();
  if (fromPack) *fromPack = false;
  GfxPackAccess a = Access();
  if (a.contains && a.read && a.contains(gamePath)) {
    if (fromPack) *fromPack = true;
    return a.read(gamePath, out);
  }
  std::string disk = GfxDiskPath(gamePath);
  std::error_code ec;
  if (!fs::is_regular_file(disk, ec)) return false;
  auto size = fs::file_size(disk, ec);
  if (ec || size > (256u << 20)) {
    DebugPrint("%s: file too large or unreadable\n", gamePath.c_str());
    return false;
  }
  std::ifstream in(disk, std::ios::binary);
  if (!in) return false;
  out->resize(static_cast<size_t>(size));
  in.read(reinterpret_cast<char*>(out->data()), static_cast<std::streamsize>(size));
  if (static_cast<uint64_t>(in.gcount()) != size) {
    DebugPrint("%s: short read\n", gamePath.c_str());
    out->clear();
    return false;
  }
  return true;
}
