// File-level entry points of the sprite and frame-data formats: whole files are read through the
// file reader (mounted packs first, then the disk) and parsed from memory; projects are read
// with the ini reader. Part-animation textures are made from their embedded images on reading
// (through the sprite texture backend); cut-sprite pages are made by CreateCutSpritePages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Dxtools/Han6Files/han6_project.h"

struct CutSpriteSheet;
struct PAniData;

// Reads a whole game file; nullopt when it is missing.
std::optional<std::vector<uint8_t>> ReadHan6GameFile(const std::string& path);

int IsCutSpriteFile(std::string_view path);
CutSpriteSheet* LoadCutSpriteSheet(std::string_view path, int embeddedPixels);

int IsPAniFile(std::string_view path);
PAniData* LoadPAniData(std::string_view path, int embeddedPixels);
PAniData* LoadPAniDataOld(std::string_view path);

int LoadHan6DataFile(std::string_view path, Han6PatternSet* set);
Han6Project* LoadHan6Project(std::string_view path);
// LoadHan6ProjectData over the game files, with the program-wide embedded-pixels switch.
int LoadHan6ProjectData(FrameDataSet& set, const Han6Project* project, std::string* error = nullptr);
