// The small text helpers the online layer's line formats share (the profile, lobbyd.ini, admin
// lines): blanks trimmed, and lines taken one at a time ending in LF or CR LF.
#pragma once

#include <string_view>

namespace vt::lobby {

// Without leading and trailing spaces and tabs.
inline std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// The first line of `text` without its LF or CR LF; `text` moves past it.
inline std::string_view TakeLine(std::string_view& text) {
  const size_t lf = text.find('\n');
  std::string_view line = text.substr(0, lf);
  text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

}  // namespace vt::lobby
