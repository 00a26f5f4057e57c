// Connects the graphics and sound file readers to the mounted packs: they ask the pack list
// first and fall back to the disk themselves.
#include "FilePacFunc/pack_hooks.h"

#include <mutex>

#include "Dxtools/D3D_Tools/d3d_files.h"
#include "Dxtools/DirectSoundApp/sound_file_data.h"
#include "FilePacFunc/FilePac.h"

namespace {

// A member read whole; nullopt when no pack holds the path or the read stops short.
std::optional<std::vector<uint8_t>> ReadMember(const std::string& path) {
  std::unique_ptr<PackMemberReader> reader = GetPackList().Open(path);
  if (!reader) return std::nullopt;
  std::vector<uint8_t> bytes(reader->Size());
  if (!bytes.empty() && reader->Read(bytes.data(), reader->Size()) != bytes.size()) return std::nullopt;
  return bytes;
}

}  // namespace

void InstallPackReaders() {
  static std::once_flag once;
  std::call_once(once, [] {
    GfxPackAccess access;
    access.contains = [](const std::string& path) { return GetPackList().Exists(path); };
    access.read = [](const std::string& path, std::vector<uint8_t>* out) {
      std::optional<std::vector<uint8_t>> bytes = ReadMember(path);
      if (!bytes) return false;
      *out = std::move(*bytes);
      return true;
    };
    SetGfxPackAccess(std::move(access));
    SetSoundPackReader(ReadMember);
  });
}
