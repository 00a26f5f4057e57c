// The ini reader: loading, the section index, lookups and key enumeration.
#include "Dxtools/IniFile.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {
inline bool IsLineEnd(char c) { return c == '\r' || c == '\n' || c == '\0'; }
}  // namespace

size_t IniValueLength(const char* value) {
  if (!value) return 0;
  size_t n = 0;
  while (!IsLineEnd(value[n]) && !(value[n] == '/' && value[n + 1] == '/')) ++n;
  while (n > 0 && (value[n - 1] == ' ' || value[n - 1] == '\t')) --n;
  return n;
}

void IniFile::Clear() {
  owned_ = DataBuffer();
  text_ = {};
  index_.clear();
  lastSection_.clear();
  lastSectionLine_ = std::string_view::npos;
  current_ = std::string_view::npos;
}

int IniFile::Load(std::string_view path) {
  Clear();
  DataBuffer data = LoadDataFile(path);
  if (!data) return 0;
  owned_ = std::move(data);
  std::string_view text = owned_.text();
  text_ = text.substr(0, std::min(text.size(), text.find('\0')));
  path_.assign(path);
  writeMode_ = false;
  IndexSections();
  return 1;
}

void IniFile::LoadFromText(std::string_view text) {
  Clear();
  // Copied, so that every value pointer is followed by a zero byte.
  owned_ = DataBuffer::Allocate(static_cast<uint32_t>(text.size()));
  if (!owned_) return;
  if (!text.empty()) std::memcpy(owned_.data(), text.data(), text.size());
  text = owned_.text();
  text_ = text.substr(0, std::min(text.size(), text.find('\0')));
  writeMode_ = false;
  IndexSections();
}

void IniFile::SetWriteMode(std::string_view path) {
  Clear();
  path_.assign(path);
  writeMode_ = true;
}

size_t IniFile::SkipBlankLines(size_t pos) const {
  bool skipped;
  do {
    skipped = false;
    if (At(pos) == '\r') {
      ++pos;
      if (At(pos) == '\n') ++pos;
      skipped = true;
    } else if (At(pos) == '\n') {
      ++pos;
      skipped = true;
    }
    if (At(pos) == '\t') {
      ++pos;
      skipped = true;
    }
    if (At(pos) == ' ') {
      ++pos;
      skipped = true;
    }
    if (At(pos) == '/' && At(pos + 1) == '/') {
      pos = NextLine(pos);
      skipped = true;
    }
  } while (skipped && !IsEnd(pos));
  return pos;
}

size_t IniFile::NextLine(size_t pos) const {
  while (!IsLineEnd(At(pos))) ++pos;
  if (At(pos) == '\r') {
    ++pos;
    if (At(pos) == '\n') ++pos;
  } else if (At(pos) == '\n') {
    ++pos;
  }
  return pos;
}

size_t IniFile::FindEquals(size_t line) const {
  for (size_t p = line; !IsLineEnd(At(p)); ++p) {
    if (At(p) == '/' && At(p + 1) == '/') break;
    if (At(p) == '=') return p;
  }
  return std::string_view::npos;
}

std::string IniFile::LineKey(size_t line) const {
  size_t p = line;
  while (!IsLineEnd(At(p)) && At(p) != '\t' && At(p) != '=' && !(At(p) == '/' && At(p + 1) == '/')) ++p;
  size_t end = p;
  while (end > line && At(end - 1) == ' ') --end;
  return std::string(text_.substr(line, std::min(end - line, kMaxKeyLength)));
}

void IniFile::IndexSections() {
  size_t pos = 0;
  while (true) {
    pos = SkipBlankLines(pos);
    if (IsEnd(pos)) break;
    if (At(pos) == '[') {
      size_t close = text_.find(']', pos + 1);
      if (close != std::string_view::npos) {
        size_t len = close - pos - 1;
        if (len >= 1 && len <= kMaxSectionName)
          index_.push_back({std::string(text_.substr(pos + 1, len)), pos});
      }
    }
    size_t next = NextLine(pos);
    if (next == pos) break;
    pos = next;
  }
}

const char* IniFile::SelectSection(std::string_view name) {
  if (name == lastSection_ && lastSectionLine_ != std::string_view::npos) {
    ++cacheHits_;
    current_ = lastSectionLine_;
    return Ptr(current_);
  }
  size_t found = std::string_view::npos;
  for (const SectionEntry& e : index_) {
    if (e.name == name) {
      found = e.header;
      break;
    }
  }
  if (found == std::string_view::npos) {
    // Headers the index skipped (no "]" found, or 32 characters or more) are found by text.
    size_t pos = 0;
    while (true) {
      pos = SkipBlankLines(pos);
      if (IsEnd(pos)) break;
      if (At(pos) == '[' && text_.substr(pos + 1, name.size()) == name && At(pos + 1 + name.size()) == ']') {
        found = pos;
        break;
      }
      size_t next = NextLine(pos);
      if (next == pos) break;
      pos = next;
    }
  }
  if (found == std::string_view::npos) {
    current_ = std::string_view::npos;
    return nullptr;
  }
  if (name.size() <= kMaxSectionName) {
    lastSection_.assign(name);
    lastSectionLine_ = found;
  }
  current_ = found;
  return Ptr(found);
}

const char* IniFile::FindKey(std::string_view section, std::string_view key) {
  const char* header = SelectSection(section);
  if (!header) return nullptr;
  if (key.empty()) return header;
  size_t pos = current_;
  while (true) {
    size_t next = NextLine(pos);
    if (next == pos) return nullptr;
    pos = SkipBlankLines(next);
    if (IsEnd(pos) || At(pos) == '[') return nullptr;
    if (At(pos) == key[0] && LineKey(pos) == key) {
      size_t eq = FindEquals(pos);
      if (eq == std::string_view::npos) return nullptr;
      size_t v = eq + 1;
      while (At(v) == ' ' || At(v) == '\t') ++v;
      return Ptr(v);
    }
  }
}

int IniFile::NextKey(std::string& key) {
  ++lineCounter_;
  if (current_ == std::string_view::npos) return 0;
  size_t next = NextLine(current_);
  if (next == current_) return 0;
  size_t pos = SkipBlankLines(next);
  if (IsEnd(pos) || At(pos) == '[') return 0;
  current_ = pos;
  bool hasSeparator = false;
  for (size_t p = pos; !IsLineEnd(At(p)); ++p) {
    if (At(p) == '\t' || At(p) == '=') {
      hasSeparator = true;
      break;
    }
  }
  if (hasSeparator) key = LineKey(pos);
  return 1;
}

int IniFile::GetInt(int def) {
  if (writeMode_) return 0;
  if (current_ == std::string_view::npos) return def;
  size_t eq = FindEquals(current_);
  if (eq == std::string_view::npos || eq == current_) return def;
  size_t p = eq + 1;
  while (At(p) == ' ' || At(p) == '\t') ++p;
  // atoi of the rest of the line (never reading on into the next line).
  bool negative = false;
  if (At(p) == '-' || At(p) == '+') negative = At(p++) == '-';
  int64_t value = 0;
  while (At(p) >= '0' && At(p) <= '9') {
    value = std::min<int64_t>(value * 10 + (At(p) - '0'), int64_t{INT_MAX} + 1);
    ++p;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

int IniFile::GetString(char* buffer, size_t length) {
  if (writeMode_ || !buffer || length == 0) return 0;
  std::string value;
  int n = GetString(value, length - 1);
  if (current_ == std::string_view::npos || FindEquals(current_) == std::string_view::npos) return 0;
  std::memcpy(buffer, value.data(), value.size());
  buffer[value.size()] = '\0';
  return n;
}

int IniFile::GetString(std::string& out, size_t maxChars) {
  if (writeMode_ || current_ == std::string_view::npos) return 0;
  size_t eq = FindEquals(current_);
  if (eq == std::string_view::npos) return 0;
  size_t p = eq + 1;
  while (At(p) == ' ' || At(p) == '\t') ++p;
  size_t n = std::min(maxChars, IniValueLength(Ptr(p)));
  out.assign(text_.substr(p, n));
  return static_cast<int>(n);
}
