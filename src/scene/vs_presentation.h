// The VS presentation: the 9.4-second "versus" show (movie or still with music, flashes,
// portraits, name plates, two masked cut-ins with sweeping light bands, the information panels)
// drawn from the small VsInfo record while the character loader works, with its clock and the
// layout pieces kept apart so they can be checked on their own.
#pragma once

#include <cstdint>

struct VsInfoEntry {
  int32_t character = 0;
  int32_t hidden = 0;  // 1: the mystery opponent ("99" pictures, black portrait, flash and cut-in)
  char name[32] = {};
  int32_t controller = 0;
  int32_t slotSide = 0;  // the selection index
  int32_t colour = 0;
  int32_t type = 0;
};
struct VsInfo {
  uint32_t count = 0;
  VsInfoEntry entries[4];
};
extern VsInfo g_VsInfo;

// The show's clock (seconds), its frame counter and the finished word (1 from 9.4 s on, until
// the next load).
extern float g_VsScreenTime;
extern int32_t g_VsScreenFrames;
extern int32_t g_VsScreenFinished;

inline constexpr float kVsShowLength = 9.4f;
inline constexpr char kVsMovie[] = ".\\dat\\dat_m_vs.d";
inline constexpr int kVsBgm = 84;

// Fills g_VsInfo from the two player selections; `hiddenSide` is the slot shown as the mystery
// opponent (-1 none).
void BuildVsInfo(int hiddenSide);

void LoadVsScreen();
// Once per frame before drawing; returns g_VsScreenFinished.
int UpdateVsScreen();
void DrawVsScreen();
void FreeVsScreen();

// True while the show plays its movie (false on the still background).
bool VsScreenHasMovie();

// The clock's next value: without a movie one frame on; with one the movie's position, 9.4 when
// the movie has stopped, one frame on when the position is not known (negative).
float NextVsClock(float clock, bool movie, bool moviePlaying, double moviePosition);

// Offset (pixels) and alpha (0..255) of panel row `row` of `side` at panel progress n (0..1).
struct VsPanelSlide {
  float offset = 0.0f;
  float alpha = 0.0f;
};
VsPanelSlide CalcVsPanelSlide(int side, int row, float n);

// The picture index of a type (style) 0..9: style art and caption row, command-list picture.
int VsStyleIndex(int type);
int VsCommandListIndex(int type);

// What LoadVsScreen found, for the checks: a texture per picture (null when missing).
struct TextureHandle;
struct VsSidePictures {
  TextureHandle* name = nullptr;
  TextureHandle* colourStrip = nullptr;
  TextureHandle* commandList = nullptr;
  TextureHandle* portrait = nullptr;
  TextureHandle* flash = nullptr;
  TextureHandle* plate = nullptr;
  TextureHandle* cut = nullptr;
  TextureHandle* mask = nullptr;
  TextureHandle* target = nullptr;
};
const VsSidePictures& GetVsSidePictures(int side);
TextureHandle* GetVsStillBackground();
