// The winner screen the winner demo shows: its clock and particles, the winner's pictures, the
// win quote written unit by unit from its text picture, and the quote's voice.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TextureHandle;
namespace vt::text {
struct FntFont;
}
using vt::text::FntFont;

struct WinnerScreenParticle {
  float x = 0, y = 0, speed = 0;
  int32_t row = 0;
};

struct WinnerScreenState {
  int32_t frames = 0;
  float t = 0.0f;  // seconds: frames / 60
  int32_t drawKind = 0;
  int32_t quoteStarted = 0;
  int32_t quoteFrames = 0;  // the quote frame counter n
  int32_t voiceStarted = 0;
  int32_t labelSide = 0;  // 0, 1, or 2 a CPU or other winner
  int32_t character = -1;
  int32_t picture = 0;
  WinnerScreenParticle particles[10];
  std::string quoteText;  // with markup
  std::string walkText;   // without
  std::string voice;
  TextureHandle* quotePicture = nullptr;
  TextureHandle* chara = nullptr;
  TextureHandle* charaRed = nullptr;
  TextureHandle* name = nullptr;
};

// The screen's own parts under .\grp\win_qz\ and the online rank plate; a missing one is not
// drawn.
struct WinnerScreenParts {
  TextureHandle* letters = nullptr;  // win_font00: "WINNER", lit copies 6 cells on
  TextureHandle* labels = nullptr;   // win_font01: the player label, lit copies 8 cells on
  TextureHandle* light = nullptr;    // win_light00
  TextureHandle* plates = nullptr;   // win_player00: caption row 0, player plates rows 1..3
  TextureHandle* spell = nullptr;    // win_spell00: one 512 x 32 particle strip per row
  TextureHandle* wave[2] = {};       // win_wave00, one copy per scrolling layer
  TextureHandle* band = nullptr;     // win_win01
  TextureHandle* lines = nullptr;    // win_win02
  TextureHandle* rankPlate = nullptr;
  TextureHandle* icons = nullptr;   // the quote icons of the language
  TextureHandle* target = nullptr;  // 640 x 480: the masked background is rendered here
};
WinnerScreenParts& GetWinnerScreenParts();

// When each element starts (seconds); a draw (kind 1) starts everything at 0 and shows only the
// background.
enum WinnerElement : int {
  kWinLetters,
  kWinLabel,
  kWinLight,
  kWinBand,
  kWinBackground,
  kWinChara,
  kWinPlates,
  kWinRank,
  kWinQuote,
  kWinElementCount
};
// The element's clock at the screen's clock t: t - its start, 0 before the start.
float WinnerElementClock(int element, float t, int drawKind);

// Where letter k of a row that drops (the "WINNER" letters, dy -32) or rises (the player label,
// dy +32) onto `baseY` stands at t, and its brightness 0..1 (0: not drawn yet).
struct WinnerLetter {
  float y = 0, o = 0;
};
WinnerLetter PlaceWinnerLetter(float t, int k, float baseY, float dy);

// The two rows of the online rank plates, by side: read through the after-match sequence's
// result rows (offline: none).
bool WinnerRankPlatesShown();
WinnerScreenState& GetWinnerScreen();

// One 2-byte unit of the walk as DrawWinQuoteText draws it.
struct QuoteUnit {
  uint16_t code = 0;
  int32_t x = 0, y = 0;  // screen position
  int32_t u = 0, v = 0;  // picture position
  int32_t ws = 0, wd = 0;
  int32_t alpha = 0;
};
struct QuoteWalk {
  std::vector<QuoteUnit> units;  // the due units, in order
  int32_t completeLines = 0;
  int32_t partialUnits = 0;  // units shown on the line still being written
  int result = 0;            // 1 once the last unit was shown (or no quote)
};
// The walk of the quote text after n frames, from (x, y). English widths come from `font`
// (glyph width, drawn at 0.8); Japanese units take 24 from the picture and `jpnWidth` on screen.
// A unit cut by the text's end (an odd byte before the NUL) ends the walk.
QuoteWalk WalkWinQuoteText(std::string_view walk, int n, int x, int y, bool english, const FntFont* font,
                           int jpnWidth = 18);

// Queues the due units of a walk from (x, y): glyphs with their black copy, the icons, and the
// readings over the complete lines and the line being written.
void DrawWinQuoteUnits(const QuoteWalk& w, int x, int y);

// The quote for the screen: text (with markup) and voice name; the text picture is made here.
void MakeWinQuoteText(std::string_view text);
// Loads the screen for a winner (labels side, character, picture); drawKind 1 shows the
// background layer only (a draw). Ten particles take their places from random stream 1.
void LoadWinnerScreen(int drawKind);
// Per frame while the demo's input gate is open: clock, particles (respawns from the common
// stream), quote start at 2.5 s.
void UpdateWinnerScreen();
void DrawWinnerScreen();
// The demo's per-frame call; 1 once the quote text is complete (always 1 but for kind 0).
int UpdateDrawWinnerScreen(int kind, int gate);
// Starts the quote's voice at the winner volume; 1 when a stream started.
int StartWinnerVoice();
void FreeWinnerScreenParts();
void FreeWinnerScreenTarget();
