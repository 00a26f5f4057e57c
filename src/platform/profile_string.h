// The profile-string writer: sets "key=value" in a section of a text configuration file.
// It creates the file, replaces the first line of the key in its section or appends the key at
// the section's end, appends a missing section, keeps every other line as it stands, and ends
// lines with CR LF. Sections and keys match ignoring ASCII letter case, as the game's platform
// did. The file is replaced atomically (temporary file, fsync, rename).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vt::platform {

// path is a game path (".\System\_App.ini"); false when the file could not be written.
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view path);

// Several keys of one section in one write (one read, one atomic replace).
bool WriteProfileStrings(std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values, std::string_view path);

// The pure text transform (for tests and for writers that batch several keys).
std::string SetProfileString(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value);

// Writes bytes to a host path through a temporary file, fsync and rename.
bool WriteFileAtomically(const std::string& hostPath, std::string_view bytes);

}  // namespace vt::platform
