// How the graphics code reads game files: mounted packs first, then the disk. The pack side is a
// hook that the data-access layer installs; without it only the disk is read. Paths are written as
// the game writes them (".\Shader\sh_chara.txt").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct GfxPackAccess {
  // True when a mounted pack holds the path.
  std::function<bool(const std::string& path)> contains;
  // Reads a pack member whole; false when no pack holds it or the read fails.
  std::function<bool(const std::string& path, std::vector<uint8_t>* out)> read;
};

void SetGfxPackAccess(GfxPackAccess access);
bool GfxPackContains(const std::string& gamePath);
// The disk path of a game path ("\" becomes "/", a leading ".\" is dropped; names resolve
// case-insensitively component by component when the exact name does not exist).
std::string GfxDiskPath(const std::string& gamePath);
bool GfxDiskFileExists(const std::string& gamePath);
// Pack first, then disk. Refuses files above 256 MiB.
bool ReadGfxFile(const std::string& gamePath, std::vector<uint8_t>* out, bool* fromPack = nullptr);
