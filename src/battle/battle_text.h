// Field scanning shared by the battle's text tables: lines (CR LF or LF), "//" comments,
// fields separated by blanks or tabs, decimal numbers (malformed ones read as 0), and the ini
// value lookup that stops at the line end and at a comment. Also the four line scanners of the
// plain-number tables (story-battle routes), and the checks a data value passes before it
// becomes part of a file path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile;

namespace battle_text {

// The fields of every non-empty line (comments removed), in order; each with its line number.
struct Line {
  int number = 0;
  std::vector<std::string_view> fields;
};
std::vector<Line> SplitFields(std::string_view text);

// Decimal integer (optional sign); malformed or out of int64 range reads as 0. `ok` tells.
int64_t ParseInt(std::string_view field, bool* ok = nullptr);
// A real through std::from_chars; malformed reads as `def`.
float ParseReal(std::string_view field, float def);
// Comma-separated integers.
std::vector<int64_t> ParseIntList(std::string_view text);

// The value text of section/key up to the line end or a "//" comment, blanks trimmed.
std::optional<std::string> IniValue(IniFile& ini, std::string_view section, std::string_view key);

// Digit flags: each non-zero decimal digit (units first) sets bits 0x1 .. 0x80.
uint32_t DigitFlagsToBits(int64_t value);

// ---- Line scanners over a zero-terminated text; each returns the new position ----

// After the next line end: a CR (and one LF right after it) or a lone LF; the terminating zero
// when no line end follows. A lone LF ends a line too, so tables saved with LF line ends read
// as they do with CR LF ones.
const char* SkipToNextLine(const char* p);
// Passes any run of line ends, TABs, blanks and "//" comment lines.
const char* SkipBlanks(const char* p);
// Passes TABs, blanks and "//" comments (a comment together with its line end); a line end
// stops it.
const char* SkipSpacesOnLine(const char* p);
// The number at p: leading blanks, TABs and line ends skipped, an optional sign, the decimal
// digits that follow; no digits read as 0. Digits past the int32 range wrap (modulo 2^32), so
// a damaged table reads the same everywhere.
int32_t ReadNumber(const char* p);
// The next field of the line: after SkipSpacesOnLine, at a line end or "//" that position (no
// further field); after a field's trailing run of TABs and blanks; at the end of the text the
// field's own start.
const char* NextField(const char* p);

// ---- Data values that become parts of file paths ----

// The longest start of value of at most maxBytes bytes that does not cut a Shift-JIS
// double-byte character in two.
std::string_view CutAtCharacter(std::string_view value, size_t maxBytes);
// False when value would leave the game folder as part of a path: a leading "\" or "/", a
// drive letter ("C:"), or a ".." component (separators are "\" and "/", never the trail byte
// of a double-byte character).
bool StaysInGameFolder(std::string_view value);

}  // namespace battle_text
