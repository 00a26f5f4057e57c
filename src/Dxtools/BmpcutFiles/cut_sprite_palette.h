// Character palette files ("<name>.pal"): an int32 count N, then N palettes of 256 R, G, B, A
// entries, the layout of a cut-sprite sheet's global palette. Reader and writer.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

using CutSpritePalette = std::array<uint8_t, 1024>;

// Number of palettes the image really holds: the stored count, limited to the whole palettes
// present (a short file is logged with `name`); 0 for a damaged header.
int CountPaletteFileEntries(std::span<const uint8_t> image, const char* name = "");
// Copies palette `index` when it exists; false (nothing copied) otherwise.
bool ReadPaletteFileEntry(std::span<const uint8_t> image, int index, CutSpritePalette& out,
                          const char* name = "");
std::vector<uint8_t> WritePaletteFile(std::span<const CutSpritePalette> palettes);
