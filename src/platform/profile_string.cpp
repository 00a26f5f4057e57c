// Profile-string writer.
#include "platform/profile_string.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/game_path.h"

namespace vt::platform {
namespace {

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return false;
  }
  return true;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Splits into lines without their ends (CR LF, CR or LF all end a line).
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t i = 0;
  while (i < text.size()) {
    size_t j = i;
    while (j < text.size() && text[j] != '\r' && text[j] != '\n') ++j;
    lines.emplace_back(text.substr(i, j - i));
    if (j < text.size() && text[j] == '\r') ++j;
    if (j < text.size() && text[j] == '\n') ++j;
    i = j;
  }
  return lines;
}

// The section name of a header line, or false.
bool SectionOf(std::string_view line, std::string_view* name) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return false;
  size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  *name = Trim(line.substr(1, close - 1));
  return true;
}

}  // namespace

std::string SetProfileString(std::string_view text, std::string_view section, std::string_view key,
                             std::string_view value) {
  std::vector<std::string> lines = SplitLines(text);
  std::string newLine = std::string(key) + "=" + std::string(value);
  int sectionStart = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view name;
    if (SectionOf(lines[i], &name) && EqualsNoCase(name, section)) {
      sectionStart = static_cast<int>(i);
      break;
    }
  }
  if (sectionStart < 0) {
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(newLine);
  } else {
    size_t end = lines.size();
    size_t lastKeyLine = static_cast<size_t>(sectionStart);
    bool replaced = false;
    for (size_t i = static_cast<size_t>(sectionStart) + 1; i < lines.size(); ++i) {
      std::string_view name;
      if (SectionOf(lines[i], &name)) {
        end = i;
        break;
      }
      std::string_view line = lines[i];
      if (!Trim(line).empty()) lastKeyLine = i;
      size_t eq = line.find('=');
      if (eq != std::string_view::npos && EqualsNoCase(Trim(line.substr(0, eq)), key)) {
        lines[i] = newLine;
        replaced = true;
        break;
      }
    }
    (void)end;
    if (!replaced) lines.insert(lines.begin() + static_cast<long>(lastKeyLine) + 1, newLine);
  }
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

bool WriteFileAtomically(const std::string& hostPath, std::string_view bytes) {
  std::filesystem::path target(hostPath);
  std::error_code ec;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  std::string temp = hostPath + ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      ::close(fd);
      std::remove(temp.c_str());
      return false;
    }
    done += static_cast<size_t>(n);
  }
  bool ok = ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || std::rename(temp.c_str(), hostPath.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

bool WriteProfileStrings(std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values, std::string_view path) {
  std::string host = HostPathForGamePath(path);
  std::string text;
  {
    std::ifstream in(host, std::ios::binary);
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  for (const auto& [key, value] : values) text = SetProfileString(text, section, key, value);
  return WriteFileAtomically(host, text);
}

bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value,
                        std::string_view path) {
  return WriteProfileStrings(section, {{std::string(key), std::string(value)}}, path);
}

}  // namespace vt::platform
