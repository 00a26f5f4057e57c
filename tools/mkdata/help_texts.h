// The help-text files under .\Information\ (sections [Font] and [Information], CR LF,
// Shift-JIS), shared by the steps that write one.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace mkdata {

struct HelpText {
  std::string key;
  std::string english;
  std::string japanese;  // UTF-8 here, written as Shift-JIS
};

// Writes Information/eng/<name> and Information/jpn/<name>; false (with a message) when a text
// holds "//", which the ini reader would take for a comment.
bool WriteHelpFile(const std::filesystem::path& root, const std::string& name,
                   const std::vector<HelpText>& texts);

}  // namespace mkdata
