// How the graphics code reads game files: mounted packs first, then the disk. Tests may replace
// the pack side with a hook; without one the program's mounted packs are used. Paths are written as
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
// The disk path of a game path (the platform's path translation).
std::string GfxDiskPath(const std::string& gamePath);
bool GfxDiskFileExists(const std::string& gamePath);
// Pack first, then disk. Refuses files above 256 MiB.
bool ReadGfxFile(const std::string& gamePath, std::vector<uint8_t>* out, bool* fromPack = nullptr);
