// Game-file access of the graphics code: pack hook, then disk with case-insensitive lookup.
#include "Dxtools/D3D_Tools/d3d_files.h"

#include <filesystem>
#include <fstream>
#include <mutex>

#include "FilePacFunc/FilePac.h"
#include "app/lib_debug.h"
#include "platform/path_translate.h"

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
  if (a.contains) return a.contains(gamePath);
  return GetPackList().Exists(gamePath);
}

namespace {
bool ReadPackMember(const std::string& gamePath, std::vector<uint8_t>* out) {
  std::unique_ptr<PackMemberReader> reader = GetPackList().Open(gamePath);
  if (!reader) return false;
  if (reader->Size() > (256u << 20)) {
    DebugPrint("%s: pack member too large\n", gamePath.c_str());
    return false;
  }
  out->resize(reader->Size());
  if (reader->Read(out->data(), reader->Size()) != reader->Size()) {
    DebugPrint("%s: short read from pack\n", gamePath.c_str());
    out->clear();
    return false;
  }
  return true;
}
}  // namespace

std::string GfxDiskPath(const std::string& gamePath) { return vt::platform::ResolveGamePath(gamePath); }

bool GfxDiskFileExists(const std::string& gamePath) {
  std::error_code ec;
  return fs::is_regular_file(GfxDiskPath(gamePath), ec);
}

bool ReadGfxFile(const std::string& gamePath, std::vector<uint8_t>* out, bool* fromPack) {
  out->clear();
  if (fromPack) *fromPack = false;
  GfxPackAccess a = Access();
  if (a.contains) {
    if (a.contains(gamePath)) {
      if (fromPack) *fromPack = true;
      return a.read && a.read(gamePath, out);
    }
  } else if (GetPackList().Exists(gamePath)) {
    if (fromPack) *fromPack = true;
    return ReadPackMember(gamePath, out);
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
