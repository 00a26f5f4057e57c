// Shift-JIS text utilities: safe file names, the data-file tokenizer, the cursor reader and the
// small string helpers.
#include "app/lib_sjis.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/path_translate.h"

using vt::platform::IsSjisLeadByte;
using vt::platform::IsSjisTrailByte;

namespace {

inline unsigned char At(std::string_view text, size_t pos) { return static_cast<unsigned char>(text[pos]); }

// The end position, a zero byte or 0x1A.
inline bool IsEndOfText(std::string_view text, size_t pos) {
  return pos >= text.size() || text[pos] == '\0' || text[pos] == '\x1A';
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

// ---- File names ----

bool MakeSafeFileName(std::string_view source, std::string& out) {
  static constexpr struct {
    char ascii;
    char wide[2];
  } kReplacements[] = {
      {'<', {'\x81', '\x83'}}, {'>', {'\x81', '\x84'}}, {':', {'\x81', '\x46'}},
      {'"', {'\x81', '\x68'}}, {'/', {'\x81', '\x5E'}}, {'\\', {'\x81', '\x8F'}},
      {'|', {'\x81', '\x62'}}, {'?', {'\x81', '\x48'}}, {'*', {'\x81', '\x96'}},
  };
  constexpr size_t kMaxBytes = 32;
  out.clear();
  size_t i = 0;
  while (i < source.size()) {
    char piece[2];
    size_t pieceLen = 0;
    if (IsSjisDoubleByteAt(source, i)) {
      piece[0] = source[i];
      piece[1] = source[i + 1];
      pieceLen = 2;
      i += 2;
    } else {
      unsigned char c = At(source, i++);
      if (c <= 0x1F) continue;
      pieceLen = 1;
      piece[0] = static_cast<char>(c);
      for (const auto& r : kReplacements) {
        if (r.ascii == static_cast<char>(c)) {
          piece[0] = r.wide[0];
          piece[1] = r.wide[1];
          pieceLen = 2;
          break;
        }
      }
    }
    if (out.size() + pieceLen > kMaxBytes) return false;
    out.append(piece, pieceLen);
  }
  return true;
}

bool AvoidReservedDeviceName(std::string_view name, char* buffer, size_t bufferSize) {
  if (!buffer || bufferSize == 0) return false;
  std::string upper;
  for (char c : name) upper.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
  bool reserved = upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL";
  if (!reserved && upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) &&
      upper[3] >= '1' && upper[3] <= '9') {
    reserved = true;
  }
  std::string result;
  if (reserved) {
    for (char c : upper) {
      result.push_back('\x82');
      // Full-width Latin capitals start at 82 60, full-width digits at 82 4F.
      result.push_back(IsDigit(c) ? static_cast<char>(0x4F + (c - '0'))
                                  : static_cast<char>(0x60 + (c - 'A')));
    }
  } else {
    result.assign(name);
  }
  if (result.size() + 1 > bufferSize) {
    buffer[0] = '\0';
    return false;
  }
  std::memcpy(buffer, result.data(), result.size());
  buffer[result.size()] = '\0';
  return true;
}

std::string GetFileNamePart(std::string_view path) {
  size_t start = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsSjisDoubleByteAt(path, i)) {
      ++i;
      continue;
    }
    if (path[i] == '\\' || path[i] == '/') start = i + 1;
  }
  return std::string(path.substr(start));
}

// ---- Tokenizer ----

bool IsSjisDoubleByteAt(std::string_view text, size_t pos) {
  return pos + 1 < text.size() && IsSjisLeadByte(At(text, pos)) && IsSjisTrailByte(At(text, pos + 1));
}

int ClassifySjisPosition(std::string_view text, size_t length) {
  size_t i = 0;
  while (i < length && i < text.size()) {
    if (IsSjisDoubleByteAt(text, i)) {
      if (i + 1 == length) return 2;
      i += 2;
    } else {
      ++i;
    }
  }
  return (i == length && IsSjisDoubleByteAt(text, length)) ? 1 : 0;
}

int SkipLineComment(std::string_view text, size_t& pos) {
  if (pos + 1 >= text.size() || text[pos] != '/' || text[pos + 1] != '/') return 0;
  pos += 2;
  while (true) {
    if (pos >= text.size()) return -1;
    char c = text[pos];
    if (c == '\0' || c == '\x1A') return 1;
    if (c == '\r') {
      ++pos;
      if (pos < text.size() && text[pos] == '\n') ++pos;
      return 1;
    }
    if (c == '\n') {
      ++pos;
      return 1;
    }
    pos += IsSjisDoubleByteAt(text, pos) ? 2 : 1;
  }
}

int SkipBlockComment(std::string_view text, size_t& pos) {
  if (pos + 1 >= text.size() || text[pos] != '/' || text[pos + 1] != '*') return 0;
  pos += 2;
  while (true) {
    if (IsEndOfText(text, pos)) return -1;
    if (text[pos] == '*' && pos + 1 < text.size() && text[pos + 1] == '/') {
      pos += 2;
      return 1;
    }
    pos += IsSjisDoubleByteAt(text, pos) ? 2 : 1;
  }
}

int SjisSkipBlanks(std::string_view text, size_t& pos, int flags) {
  while (true) {
    if (IsEndOfText(text, pos)) return 1;
    char c = text[pos];
    if (c == ' ' || c == '\t') {
      ++pos;
    } else if (c == '\r' || c == '\n') {
      ++pos;
      if (c == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
      if (flags & kSkipStopAtLineEnd) return 0;
    } else if (c == '/' && !(flags & kSkipNoComments)) {
      int r = SkipLineComment(text, pos);
      if (r == -1) return 1;
      if (r == 1) {
        // A line comment ends with its line end, which counts as the first line end.
        if ((flags & kSkipStopAtLineEnd) && pos > 0 && (text[pos - 1] == '\n' || text[pos - 1] == '\r'))
          return 0;
        continue;
      }
      r = SkipBlockComment(text, pos);
      if (r == -1) return 2;
      if (r == 0) return 0;
    } else {
      return 0;
    }
  }
}

int SjisSkipLine(std::string_view text, size_t& pos) {
  while (!IsEndOfText(text, pos)) {
    char c = text[pos];
    if (c == '\r' || c == '\n') {
      ++pos;
      if (c == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
      return 1;
    }
    pos += IsSjisDoubleByteAt(text, pos) ? 2 : 1;
  }
  return 0;
}

size_t SjisReadWord(std::string_view text, size_t pos, std::string& out) {
  out.clear();
  while (pos < text.size()) {
    if (IsSjisDoubleByteAt(text, pos)) {
      out.append(text.substr(pos, 2));
      pos += 2;
      continue;
    }
    char c = text[pos];
    if (c == '\0') break;
    if (c == '\r' || c == '\n' || c == '\x1A') {
      if (!out.empty()) break;
      ++pos;
      if (c == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
      continue;
    }
    if (c == '/' && pos + 1 < text.size() && (text[pos + 1] == '/' || text[pos + 1] == '*')) {
      int r = text[pos + 1] == '/' ? SkipLineComment(text, pos) : SkipBlockComment(text, pos);
      if (r == -1) pos = text.size();
      if (!out.empty()) break;
      continue;
    }
    if (c == ' ' || c == '\t') {
      if (!out.empty()) break;
      ++pos;
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20) {
      ++pos;
      continue;
    }
    out.push_back(c);
    ++pos;
  }
  return pos;
}

int32_t SjisReadQuotedString(std::string_view text, size_t pos, std::string& out, bool emptyIsError) {
  out.clear();
  int r = SjisSkipBlanks(text, pos, 0);
  if (r == 2) return kSjisSyntaxError;
  if (r == 1) return kSjisEndOfText;
  if (text[pos] != '"') return kSjisSyntaxError;
  ++pos;
  while (true) {
    if (pos >= text.size()) return kSjisSyntaxError;
    if (IsSjisDoubleByteAt(text, pos)) {
      out.append(text.substr(pos, 2));
      pos += 2;
      continue;
    }
    char c = text[pos];
    if (c == '\0' || c == '\x1A') return kSjisSyntaxError;
    if (c == '"') {
      ++pos;
      break;
    }
    if (c == '\\' && pos + 1 < text.size() && text[pos + 1] == '\\') {
      out.push_back('\\');
      pos += 2;
      continue;
    }
    out.push_back(c);
    ++pos;
  }
  if (emptyIsError && out.empty()) return kSjisEndOfText;
  if (pos > static_cast<size_t>(INT32_MAX)) return kSjisSyntaxError;
  return static_cast<int32_t>(pos);
}

int SjisReadQuotedStringAt(std::string_view text, size_t& pos, std::string& out) {
  int32_t r = SjisReadQuotedString(text, pos, out, false);
  if (r < 0) return 0;
  pos = static_cast<size_t>(r);
  return 1;
}

int ParseIntLiteral(std::string_view text, int32_t* out) {
  if (out) *out = 0;
  size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  if (text.empty()) return 0;
  size_t i = 0;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') negative = text[i++] == '-';
  uint32_t base = 10;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'b' || text[i + 1] == 'B')) {
    base = 2;
    i += 2;
  }
  uint32_t value = 0;  // wrapping arithmetic, as the game's 32-bit ints
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '_') continue;
    int d = base == 16 ? HexValue(c) : (IsDigit(c) ? c - '0' : -1);
    if (d < 0) return 0;
    value = value * base + static_cast<uint32_t>(d);
  }
  if (negative) value = 0u - value;
  if (out) *out = static_cast<int32_t>(value);
  return 1;
}

void FormatTwoDigitNumber(char (&buffer)[3], int& value, int minimum) {
  value = std::min(value, 18);
  value = std::max(value, minimum);
  value = std::clamp(value, 0, 18);
  buffer[0] = value >= 10 ? static_cast<char>('0' + value / 10) : ' ';
  buffer[1] = static_cast<char>('0' + value % 10);
  buffer[2] = '\0';
}

// ---- Cursor reader ----

namespace lib {

void CStringGetUtility::Reset() {
  text_ = {};
  pos_ = 0;
}

void CStringGetUtility::Set(const char* text, size_t length, size_t position) {
  text_ = text ? std::string_view(text, length) : std::string_view();
  pos_ = std::min(position, text_.size());
}

void CStringGetUtility::SetString(std::string_view text, size_t position) {
  text_ = text;
  pos_ = std::min(position, text_.size());
}

bool CStringGetUtility::AtEnd() const { return pos_ >= text_.size() || text_[pos_] == '\0'; }

int CStringGetUtility::GetNumber(int width, std::string* out) {
  if (width < 1 || width > 255) return 0;
  uint32_t value = 0;
  int digits = 0;
  while (digits < width && !AtEnd() && IsDigit(text_[pos_])) {
    value = value * 10 + static_cast<uint32_t>(text_[pos_] - '0');
    ++pos_;
    ++digits;
  }
  if (digits == 0) {
    if (!AtEnd()) ++pos_;  // the failing character is consumed
    return 0;
  }
  if (out) {
    char buf[300];
    std::snprintf(buf, sizeof(buf), "%0*d", width, static_cast<int>(value));
    out->assign(buf);
  }
  return 1;
}

int CStringGetUtility::GetHex(uint32_t* out) {
  uint32_t value = 0;
  int digits = 0;
  while (digits < 8 && !AtEnd() && HexValue(text_[pos_]) >= 0) {
    value = (value << 4) | static_cast<uint32_t>(HexValue(text_[pos_]));
    ++pos_;
    ++digits;
  }
  if (digits == 0) {
    if (!AtEnd()) ++pos_;
    return 0;
  }
  if (out) *out = value;
  return 1;
}

int CStringGetUtility::Match(std::string_view literal, std::string* copy) {
  for (char c : literal) {
    if (AtEnd()) return 0;
    if (text_[pos_++] != c) return 0;
  }
  if (copy) copy->assign(literal);
  return 1;
}

int CStringGetUtility::GetIPAddress(std::string* out) {
  std::string result;
  for (int group = 0; group < 4; ++group) {
    if (group > 0) {
      if (AtEnd()) return 0;
      if (text_[pos_++] != '.') return 0;
      result.push_back('.');
    }
    int value = 0;
    int digits = 0;
    while (digits < 3 && !AtEnd() && IsDigit(text_[pos_])) {
      value = value * 10 + (text_[pos_++] - '0');
      ++digits;
    }
    if (digits == 0) {
      if (!AtEnd()) ++pos_;
      return 0;
    }
    char buf[8];
    std::snprintf(buf, sizeof(buf), "%0*d", 3, value);
    result += buf;
  }
  if (out) *out = result;
  return 1;
}

}  // namespace lib

// ---- Strings ----

std::string& FormatToString(std::string& s, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n < 0) {
    s.clear();
  } else {
    s.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(s.data(), s.size(), format, args);
    s.resize(static_cast<size_t>(n));
  }
  va_end(args);
  return s;
}

std::string ToUpperString(std::string_view source) {
  std::string out(source);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

void* ClearBytes(void* pointer, size_t count) {
  if (pointer && count) std::memset(pointer, 0, count);
  return pointer;
}
