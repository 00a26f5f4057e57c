// Shift-JIS text utilities of the utility layer: safe file names from player names, the
// tokenizer of the game's text data files (words, quoted strings, comments, lines, integer
// literals), the cursor reader for fixed-width fields, and small string helpers.
// A lead byte 0x81..0x9F or 0xE0..0xFC followed by a trail byte 0x40..0x7E or 0x80..0xFC is one
// double-byte character and is always kept whole. Besides the end of the view, a zero byte or
// the byte 0x1A ends a text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// ---- File names ----

// Makes a file name from a player name: forbidden characters become their full-width forms,
// control bytes are dropped. At most 32 bytes; false when the name had to be cut (cut before the
// piece that did not fit, never inside a double-byte character).
bool MakeSafeFileName(std::string_view source, std::string& out);

// Replaces a reserved device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, any case) by its
// full-width form. Copies the result into buffer when it fits with its terminating zero (true);
// else the buffer holds "" (false). A size of 0 gives false.
bool AvoidReservedDeviceName(std::string_view name, char* buffer, size_t bufferSize);

// The part after the last path separator ("\" or "/", never a trail byte), or the whole path.
std::string GetFileNamePart(std::string_view path);

// ---- Tokenizer ----

// True when a double-byte character starts at pos (needs pos + 1 < the text's end).
bool IsSjisDoubleByteAt(std::string_view text, size_t pos);

// 2 when length cuts a double-byte character in two, 1 when a whole one starts at length, else 0.
int ClassifySjisPosition(std::string_view text, size_t length);

// 0 without "//" at pos; 1 after moving past the line end (or at an end-of-text byte); -1 at the end.
int SkipLineComment(std::string_view text, size_t& pos);
// 0 without "/*" at pos; 1 after the closing "*/"; -1 when the comment is not closed.
int SkipBlockComment(std::string_view text, size_t& pos);

enum : int {
  kSkipNoComments = 1,    // comments are not skipped
  kSkipStopAtLineEnd = 2  // return right after the first line end
};
// 1 at the end of the text, 0 at a non-blank character, 2 at an unclosed comment.
int SjisSkipBlanks(std::string_view text, size_t& pos, int flags = 0);
// 1 after passing the next line end (CR LF counts once), 0 at the end of the text.
int SjisSkipLine(std::string_view text, size_t& pos);

// Reads one blank-delimited word into out; returns the position where it stopped.
size_t SjisReadWord(std::string_view text, size_t pos, std::string& out);

// Results of SjisReadQuotedString besides a position.
constexpr int32_t kSjisEndOfText = -1;
constexpr int32_t kSjisSyntaxError = INT32_MIN;  // 0x80000000
// Reads a double-quoted string ("\\" stands for one backslash) into out. Returns the position
// after the closing quote, kSjisEndOfText, or kSjisSyntaxError. With emptyIsError, "" gives -1.
int32_t SjisReadQuotedString(std::string_view text, size_t pos, std::string& out, bool emptyIsError = false);
// 1 and the new position on success, else 0.
int SjisReadQuotedStringAt(std::string_view text, size_t& pos, std::string& out);

// Reads "-0x1_F", "0b101", "+12" and the like (32-bit wrapping). 1 and the value, or 0 (value 0)
// on a bad character or an empty text.
int ParseIntLiteral(std::string_view text, int32_t* out);

// Clamps value to [minimum, 18] and writes it as two characters (a blank or the tens digit, then
// the units digit) and a terminating zero.
void FormatTwoDigitNumber(char (&buffer)[3], int& value, int minimum);

// ---- Cursor reader over a text ----

namespace lib {

class CStringGetUtility {
 public:
  virtual ~CStringGetUtility() = default;
  virtual void Reset();
  virtual void Set(const char* text, size_t length, size_t position);
  virtual void SetString(std::string_view text, size_t position);

  // A run of decimal digits of at most width (1..255) digits; out gets it printed "%0*d".
  int GetNumber(int width, std::string* out);
  // Up to 8 hexadecimal digits, either letter case.
  int GetHex(uint32_t* out);
  // 1 when the text at the cursor equals literal; the matched bytes are copied into copy.
  int Match(std::string_view literal, std::string* copy);
  // Four groups of up to three digits separated by "."; out gets "192.168.000.001".
  int GetIPAddress(std::string* out);

  size_t Position() const { return pos_; }

 private:
  bool AtEnd() const;
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace lib

// ---- Strings ----

// Assigns the formatted text to s and returns it (an owned string: safe on any thread).
std::string& FormatToString(std::string& s, const char* format, ...) __attribute__((format(printf, 2, 3)));
// ASCII a..z upper-cased byte by byte (double-byte characters are not treated specially).
std::string ToUpperString(std::string_view source);
// Zero-fills count bytes; returns pointer.
void* ClearBytes(void* pointer, size_t count);
