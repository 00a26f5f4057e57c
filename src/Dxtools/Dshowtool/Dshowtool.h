// The game's movie player: one movie at a time, played into the scene's movie textures with its
// sound; its completion reaches the window thread as the movie notification.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/hresult.h"
#include "platform/movie/movie_player.h"

constexpr int kMovieFormatR8G8B8 = 20;
constexpr int kMovieFormatA8R8G8B8 = 21;
constexpr int kMovieFormatX8R8G8B8 = 22;
constexpr uint32_t kMovieNotifyMessage = 0x402;

// A locked texture region the frame is written into.
struct MovieSurface {
  uint8_t* bits = nullptr;
  int pitch = 0;
  int width = 0;
  int height = 0;
  int format = 0;
};

// The scene's movie textures: the display texture (a render target) that is drawn and the
// staging texture (system memory) the frame is copied into first, both X8R8G8B8 and the frame
// size rounded up to powers of two of at least 16.
struct TextureHandle;
struct MovieTextures {
  TextureHandle* display = nullptr;
  TextureHandle* staging = nullptr;
  int width = 0;
  int height = 0;
  int frameWidth = 0;
  int frameHeight = 0;
};

class CDxDShowMovie {
 public:
  int openState = 2;   // 1 opened, 2 closed
  int playState = 0;   // 0 none, 2 running, 3 stopped or positioned
  int outputMode = 4;  // texture output
  std::unique_ptr<vt::movie::MoviePlayer> player;
  int frameWidth = 0;
  int frameHeight = 0;
  int frameFormat = 0;
  int bytesPerRow = 0;
  std::vector<uint8_t> frameBuffer;
  int64_t lastFrameIndex = -1;
  std::atomic<int> restartFlag{0};
  std::string path;
  uint64_t framesCopied = 0;
};

extern std::unique_ptr<CDxDShowMovie> g_Movie;
extern std::atomic<int> g_MoviePlaying;
extern std::atomic<int> g_MovieLastEvent;
extern uint32_t g_MovieNotifyMessage;
extern int g_MovieOpened;

void CreateMovie();
void ReleaseMovie();
HRESULT OpenMovie(const char* path);
int OpenMovieTexture(const char* path);
int CreateMovieTextures(MovieTextures* textures);
void FreeMovieTextures(MovieTextures* textures);
int PlayMovie();
int SeekMovie(double seconds, bool pause);
int StopMovie();
double GetMoviePosition();
double GetMovieDuration();
int IsMoviePlaying();
int HandleMovieEvents();
void DrawMovieFrame(MovieTextures* textures, int priority);
int RestartMovieAfterReset();
HRESULT CopyFrameToSurface(const MovieSurface& surface);
// The window thread marks a device reset; the next drawn frame reopens the movie.
void SetMovieRestartFlag();

// Writes a bottom-up frame into a surface, top row first: rows as they are when the formats
// match, or 3 bytes expanded to 4 (alpha 255) from a 24-bit frame into a 32-bit surface; as many
// rows and pixels as both have. False for other format pairs.
bool CopyFrameRows(const uint8_t* frame, int frameWidth, int frameHeight, int frameFormat,
                   const MovieSurface& surface);

// The movie's sound volume: the music step (above 20 silent) and the mute rule.
int32_t MovieVolumeFromOptions();

// Tests: the clock new players run on (none: the steady clock).
void SetMovieClock(vt::movie::MoviePlayer::Clock clock);
