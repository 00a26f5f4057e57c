// Fuzz target: the win quote file parser and the quote walk over whatever text it keeps.
#include <cstdint>
#include <string_view>

#include "scene/win_quotes.h"
#include "scene/winner_screen.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static WinQuoteTable table;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const uint32_t n = ParseWinQuotes(text, table);
  if (n > kWinQuoteMax) __builtin_trap();
  for (uint32_t i = 0; i < n; ++i) {
    const WinQuote& q = table.entries[i];
    if (q.voice[31] != '\0' || q.text[511] != '\0') __builtin_trap();
    const std::string_view walk(q.text);
    WalkWinQuoteText(walk, 2000, 60, 338, false, nullptr);
  }
  // The walk over the raw bytes too: an odd length and stray NULs must stop it inside the text.
  WalkWinQuoteText(text.substr(0, 1024), static_cast<int>(size % 4000), 0, 0, false, nullptr);
  SerialiseWinQuotes(table);
  return 0;
}
