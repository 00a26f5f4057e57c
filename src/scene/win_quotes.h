// Win quotes: the per-character quote table read from the story folder's "_win.txt" file, its
// compiled ".wmt" copy beside the data, the choice of a quote for the finished match (with each
// side's use counts) and the volume the quote's voice plays at.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kWinQuoteMax = 100;
inline constexpr uint8_t kWinQuoteAnyOpponent = 255;

// Condition flags of a quote.
inline constexpr int16_t kWinQuoteMainWon = 1;
inline constexpr int16_t kWinQuoteMainLost = 2;
inline constexpr int16_t kWinQuoteAdmitsGeneric = 512;

// The in-memory entry and the ".wmt" record are the same 550 bytes.
#pragma pack(push, 1)
struct WinQuote {
  uint8_t opponent;  // character the quote is for; 255 any opponent
  uint8_t zero;
  int16_t flags;
  uint16_t picture;  // second number of the winner picture
  char voice[32];    // voice file name without extension
  char text[512];    // Shift-JIS with message markup
};
#pragma pack(pop)
static_assert(sizeof(WinQuote) == 550);

struct WinQuoteTable {
  uint32_t count = 0;
  WinQuote entries[kWinQuoteMax] = {};
};
extern WinQuoteTable g_WinQuoteTable;

// Parses a quote file's text into `table` (cleared first); returns the count. A file is read up
// to its "END" line or its end, at most 100 quotes; a voice name is cut to 31 bytes and a text to
// 511 (never inside a double-byte character), both always terminated.
uint32_t ParseWinQuotes(std::string_view text, WinQuoteTable& table);
// The ".wmt" bytes: the count (little-endian), then the records as they are in memory.
std::vector<uint8_t> SerialiseWinQuotes(const WinQuoteTable& table);

// The quote file of character c: the winning side's story path for a decided match, the plain
// one in the language of the options for a draw. Empty for a character the list does not hold.
std::string WinQuotePath(int character);
// Fills g_WinQuoteTable for character c (empty when the character or its file is missing) and
// writes ".\data\<name>.wmt"; a file that cannot be written is skipped.
void LoadWinQuotes(int character);

// What the choice depends on, taken from the match words by ChooseWinQuote.
struct WinQuoteMatch {
  bool network = false;  // mode bit 0x100 or 0x200
  bool arcade = false;
  bool mainSideWon = false;
  int loser = 0;  // the losing character
};
WinQuoteMatch CurrentWinQuoteMatch();
// The quote index for the match; `history` (100 use counts, or null) prefers the least used
// quotes and counts the chosen one. Ties are broken with one draw of random stream 1.
int ChooseWinQuoteFrom(const WinQuoteTable& table, const WinQuoteMatch& match, uint8_t* history);
int ChooseWinQuote(uint8_t* history);
// Side 0 or 1 chooses with that side's route history; any other value (a CPU winner) without.
int ChooseWinQuoteForSide(int side);

// The winner voice's volume from the stored music volume (hundredths of a decibel): the
// attenuation grows by half, clamped to the silent floor; silent when `muted`.
int32_t WinnerVoiceVolume(int32_t storedMusicVolume, bool muted);
