// The help-text files under .\Information\ for other generators: one key list written in both
// language folders (sections [Font] and [Information], CR LF, the Japanese texts in Shift-JIS).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mkdata {

struct HelpEntry {
  std::string key;
  std::string english;
  std::string japanese;  // UTF-8 here, written as Shift-JIS
};

// Writes Information/eng/<name> and Information/jpn/<name>; false when a text holds "//" (the ini
// reader would take it for a comment) or a file could not be written.
bool WriteHelpTextFiles(const std::filesystem::path& root, const std::string& name,
                        const std::vector<HelpEntry>& texts);

}  // namespace mkdata
