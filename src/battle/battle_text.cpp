// Field scanning for the battle's text tables.
#include "battle/battle_text.h"

#include <charconv>
#include <cstring>

#include "Dxtools/IniFile.h"
#include "app/lib_sjis.h"

namespace battle_text {

std::vector<Line> SplitFields(std::string_view text) {
  std::vector<Line> out;
  size_t pos = 0;
  int number = 0;
  // A zero byte ends the text (buffers are NUL-terminated).
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    ++number;
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    const size_t comment = line.find("//");
    if (comment != std::string_view::npos) line = line.substr(0, comment);
    Line l;
    l.number = number;
    size_t i = 0;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t') ++j;
      if (j > i) l.fields.push_back(line.substr(i, j - i));
      i = j;
    }
    if (!l.fields.empty()) out.push_back(std::move(l));
  }
  return out;
}

int64_t ParseInt(std::string_view field, bool* ok) {
  if (!field.empty() && field[0] == '+') field.remove_prefix(1);
  int64_t v = 0;
  const auto r = std::from_chars(field.data(), field.data() + field.size(), v);
  const bool good = r.ec == std::errc() && r.ptr != field.data();
  if (ok) *ok = good;
  return good ? v : 0;
}

float ParseReal(std::string_view field, float def) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
  if (!field.empty() && field[0] == '+') field.remove_prefix(1);
  float v = 0.0f;
  const auto r = std::from_chars(field.data(), field.data() + field.size(), v);
  return r.ec == std::errc() && r.ptr != field.data() ? v : def;
}

std::vector<int64_t> ParseIntList(std::string_view text) {
  std::vector<int64_t> out;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos) comma = text.size();
    std::string_view item = text.substr(pos, comma - pos);
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    out.push_back(ParseInt(item));
    pos = comma + 1;
  }
  return out;
}

std::optional<std::string> IniValue(IniFile& ini, std::string_view section, std::string_view key) {
  const char* v = ini.FindKey(section, key);
  if (!v) return std::nullopt;
  size_t n = 0;
  while (v[n] != '\0' && v[n] != '\r' && v[n] != '\n' && !(v[n] == '/' && v[n + 1] == '/')) ++n;
  while (n > 0 && (v[n - 1] == ' ' || v[n - 1] == '\t')) --n;
  return std::string(v, n);
}

uint32_t DigitFlagsToBits(int64_t value) {
  value %= 100000000;
  uint32_t bits = 0;
  for (int i = 0; i < 8; ++i) {
    if (value % 10 != 0) bits |= 1u << i;
    value /= 10;
  }
  return bits;
}

namespace {

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }
bool IsComment(const char* p) { return p[0] == '/' && p[1] == '/'; }

}  // namespace

const char* SkipToNextLine(const char* p) {
  while (*p != '\0' && !IsLineEnd(*p)) ++p;
  if (*p == '\r') {
    ++p;
    if (*p == '\n') ++p;
  } else if (*p == '\n') {
    ++p;
  }
  return p;
}

namespace {

// SkipBlanks and SkipSpacesOnLine: one TAB, one blank and a comment per round (after one CR
// and one LF when line ends are passed too), while a round moves and the text goes on.
const char* SkipRuns(const char* p, bool lineEnds) {
  const char* start;
  do {
    start = p;
    if (lineEnds && *p == '\r') ++p;
    if (lineEnds && *p == '\n') ++p;
    if (*p == '\t') ++p;
    if (*p == ' ') ++p;
    if (IsComment(p)) p = SkipToNextLine(p + 2);
  } while (p != start && *p != '\0');
  return p;
}

}  // namespace

const char* SkipBlanks(const char* p) { return SkipRuns(p, true); }

const char* SkipSpacesOnLine(const char* p) { return SkipRuns(p, false); }

int32_t ReadNumber(const char* p) {
  while (*p == ' ' || *p == '\t' || IsLineEnd(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  uint32_t v = 0;
  for (; *p >= '0' && *p <= '9'; ++p) v = v * 10u + static_cast<uint32_t>(*p - '0');
  return static_cast<int32_t>(negative ? 0u - v : v);
}

const char* NextField(const char* p) {
  p = SkipSpacesOnLine(p);
  const char* start = p;
  for (;; ++p) {
    if (IsLineEnd(*p) || IsComment(p)) return p;
    if (*p == ' ' || *p == '\t') {
      while (*p == ' ' || *p == '\t') ++p;
      return p;
    }
    if (*p == '\0') return start;
  }
}

std::string_view CutAtCharacter(std::string_view value, size_t maxBytes) {
  size_t n = 0;
  while (n < value.size()) {
    const size_t step = IsSjisDoubleByteAt(value, n) ? 2 : 1;
    if (n + step > maxBytes) break;
    n += step;
  }
  return value.substr(0, n);
}

bool StaysInGameFolder(std::string_view value) {
  if (value.empty()) return true;
  if (value[0] == '\\' || value[0] == '/') return false;
  const unsigned char first = static_cast<unsigned char>(value[0]);
  if (value.size() >= 2 && value[1] == ':' && ((first | 0x20) >= 'a' && (first | 0x20) <= 'z')) return false;
  size_t component = 0;
  for (size_t i = 0; i <= value.size();) {
    if (i == value.size() || value[i] == '\\' || value[i] == '/') {
      if (value.substr(component, i - component) == "..") return false;
      component = ++i;
      continue;
    }
    i += IsSjisDoubleByteAt(value, i) ? 2 : 1;
  }
  return true;
}

}  // namespace battle_text
