// Frame-data projects: the ini that names a character's (or the common effects') data files,
// cut-sprite file and part-animation file, its writer, and the loading of a whole project
// into a `FrameDataSet` (later-listed data files override earlier ones pattern by pattern).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Dxtools/Han6Files/han6_data.h"

struct Han6Project {
  std::string projectPath;
  std::string projectName;                                        // at most 63 characters
  std::vector<std::string> dataFiles, cutSpriteFiles, paniFiles;  // names relative to the project's folder
};

// Looks a value up in the project ini: true and the value (comment and trailing blanks
// removed) when section/key exists.
using Han6IniLookup = std::function<bool(const char* section, const char* key, std::string& value)>;
// Reads a whole file (packs first, then the disk); nullopt when it is missing.
using Han6FileSource = std::function<std::optional<std::vector<uint8_t>>(const std::string& path)>;

// Builds a project from its ini values; null when it names no project.
Han6Project* BuildHan6Project(const std::string& path, const Han6IniLookup& lookup);
void FreeHan6Project(Han6Project* project);
// The project path up to and including its last backslash, followed by the name.
std::string Han6ProjectFilePath(const Han6Project& project, const std::string& name);
// The project as ini text (CR LF line ends).
std::string WriteHan6ProjectText(const Han6Project& project);

// Loads the project's data files (last listed first), its first cut-sprite file and its first
// part-animation file into the set through `source`. Returns 1, or 0 with `error` set to the
// missing part's message (an empty project gives 0 without a message).
int LoadHan6ProjectData(FrameDataSet& set, const Han6Project* project, const Han6FileSource& source,
                        std::string* error = nullptr, int embeddedPixels = 1);
