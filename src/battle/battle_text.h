// Field scanning shared by the battle's text tables: lines (CR LF or LF), "//" comments,
// fields separated by blanks or tabs, decimal numbers (malformed ones read as 0), and the ini
// value lookup that stops at the line end and at a comment.
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

}  // namespace battle_text
