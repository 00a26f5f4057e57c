// The movie player of the game over our FFmpeg player: open, play, position, stop, completion
// through the window thread, and the per-frame copy into the movie textures.
#include "Dxtools/Dshowtool/Dshowtool.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/DirectSoundApp/DirectSoundApp.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Sound/soundproc.h"
#include "app/lib_debug.h"
#include "platform/path_translate.h"
#include "platform/window_events.h"

std::unique_ptr<CDxDShowMovie> g_Movie;
std::atomic<int> g_MoviePlaying{0};
std::atomic<int> g_MovieLastEvent{0};
uint32_t g_MovieNotifyMessage = 0;
int g_MovieOpened = 0;

namespace {

// The logic thread drives the movie and the window thread handles its events: one lock for both.
std::recursive_mutex& MovieLock() {
  static std::recursive_mutex lock;
  return lock;
}

vt::movie::MoviePlayer::Clock g_movieClock;
bool g_warmUpDone = false;

// Bounded retries where the game repeated a call until the player agreed.
constexpr int kStateAttempts = 10;

const char* kOpeningMovie = ".\\Movie\\ZOLV_OP.mpeg";

void FreeTextures(MovieTextures* textures) {
  if (textures == nullptr) return;
  FreeTexture(textures->display);
  FreeTexture(textures->staging);
  *textures = MovieTextures{};
}

int RoundUpPow2(int v) {
  int p = 16;
  while (p < v) p <<= 1;
  return p;
}

std::unique_ptr<vt::movie::MoviePlayer> NewPlayer(bool withSound) {
  return std::make_unique<vt::movie::MoviePlayer>(g_movieClock,
                                                  withSound ? GetSoundDeviceRecord().device : nullptr);
}

void CloseMovieLocked() {
  if (!g_Movie) return;
  if (g_Movie->player) g_Movie->player->Close();
  g_Movie->openState = 2;
  g_Movie->playState = 0;
  g_Movie->frameFormat = 0;
  g_Movie->frameBuffer.clear();
}

// The opening movie is opened once at the first OpenMovie, as a warm-up. Its failure is logged
// and touches no other file (the title and VS backgrounds open without it).
void WarmUpOnce() {
  if (g_warmUpDone) return;
  g_warmUpDone = true;
  if (!vt::movie::ProbeMovieFile(vt::platform::ResolveGamePath(kOpeningMovie))) {
    DebugPrint("movie: warm-up with %s failed; other movies are not affected\n", kOpeningMovie);
  }
}

}  // namespace

void SetMovieClock(vt::movie::MoviePlayer::Clock clock) {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  g_movieClock = std::move(clock);
}

void CreateMovie() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  ReleaseMovie();
  g_Movie = std::make_unique<CDxDShowMovie>();
  g_MovieNotifyMessage = kMovieNotifyMessage;
}

void ReleaseMovie() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie) return;
  StopMovie();
  g_MoviePlaying = 0;
  if (g_Movie->player) g_Movie->player->SetNotify({});
  g_Movie.reset();
  g_MovieNotifyMessage = 0;
}

HRESULT OpenMovie(const char* path) {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (path == nullptr) return E_POINTER;
  if (!g_Movie) return E_FAIL;
  WarmUpOnce();
  CloseMovieLocked();
  std::string gamePath(path, strnlen(path, 260));
  g_Movie->player = NewPlayer(true);
  if (!g_Movie->player->Open(vt::platform::ResolveGamePath(gamePath), 24)) {
    CloseMovieLocked();
    return E_FAIL;
  }
  CDxDShowMovie& m = *g_Movie;
  m.frameWidth = m.player->width();
  m.frameHeight = m.player->height();
  m.frameFormat = kMovieFormatR8G8B8;
  m.bytesPerRow = m.frameWidth * 3;
  m.frameBuffer.assign(static_cast<size_t>(m.bytesPerRow) * m.frameHeight + 54, 0);
  m.lastFrameIndex = -1;
  m.openState = 1;
  m.path = gamePath;
  m.restartFlag = 0;
  return S_OK;
}

namespace {
void AttachNotify() {
  // The stand-in for the graph's notification message: the window thread handles the events.
  g_Movie->player->SetNotify([] { vt::platform::PostToWindowThread([] { HandleMovieEvents(); }); });
}
}  // namespace

int OpenMovieTexture(const char* path) {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  ReleaseMovie();
  CreateMovie();
  if (OpenMovie(path) != S_OK) return 0;
  AttachNotify();
  g_MovieOpened = 1;
  return 1;
}

int32_t MovieVolumeFromOptions() {
  std::optional<SoundGameOptions> options = GetSoundOptions();
  if (!options || options->BgmVolume > 20) return ApplyMuteRule(kSilentVolume);
  int32_t step = std::max(options->BgmVolume, 0);
  return ApplyMuteRule(static_cast<int32_t>(step * -166.66667));
}

int CreateMovieTextures(MovieTextures* textures) {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (textures == nullptr || !g_Movie || g_Movie->openState != 1) return 0;
  FreeTextures(textures);
  textures->frameWidth = g_Movie->frameWidth;
  textures->frameHeight = g_Movie->frameHeight;
  textures->width = RoundUpPow2(g_Movie->frameWidth);
  textures->height = RoundUpPow2(g_Movie->frameHeight);
  {
    auto device = LockD3DDevice();
    textures->display = CreateRenderTargetTexture(textures->width, textures->height, vt::gfx::FMT_X8R8G8B8);
    textures->staging = CreateSystemMemTexture(textures->width, textures->height, vt::gfx::FMT_X8R8G8B8);
  }
  if (textures->display == nullptr || textures->staging == nullptr) {
    DebugPrint("movie: no textures for %s\n", g_Movie->path.c_str());
    FreeTextures(textures);
    return 0;
  }
  PlayMovie();
  g_MoviePlaying = 1;
  g_Movie->player->SetVolume(MovieVolumeFromOptions());
  return 1;
}

void FreeMovieTextures(MovieTextures* textures) {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  ReleaseMovie();
  FreeTextures(textures);
}

int PlayMovie() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || g_Movie->openState != 1) return 0;
  vt::movie::MoviePlayer& p = *g_Movie->player;
  // Less than a second from the end (or the start, either way): play from the beginning.
  if (std::fabs(p.Duration() - p.Position()) < 1.0) p.Seek(0.0);
  bool ran = false;
  for (int i = 0; i < kStateAttempts && !ran; ++i)
    ran = p.Run() && p.GetState() == vt::movie::PlayState::kRunning;
  if (!ran) {
    DebugPrint("movie: %s does not start\n", g_Movie->path.c_str());
    StopMovie();
    g_MoviePlaying = 0;
    return 0;
  }
  g_Movie->playState = 2;
  return 1;
}

int SeekMovie(double seconds, bool pause) {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || g_Movie->openState != 1) return 0;
  vt::movie::MoviePlayer& p = *g_Movie->player;
  bool stopped = p.GetState() == vt::movie::PlayState::kStopped;
  if (!p.Seek(seconds)) return 0;
  if (stopped && pause) {
    p.Pause();
    p.Stop();
    g_Movie->playState = 3;
  }
  return 1;
}

int StopMovie() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || !g_Movie->player || g_Movie->openState != 1) return 0;
  vt::movie::MoviePlayer& p = *g_Movie->player;
  bool stopped = false;
  for (int i = 0; i < kStateAttempts && !stopped; ++i) {
    p.Stop();
    stopped = p.GetState() == vt::movie::PlayState::kStopped;
  }
  g_Movie->playState = 3;
  return stopped ? 1 : 0;
}

double GetMoviePosition() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || g_Movie->openState != 1) return -1.0;
  return g_Movie->player->Position();
}

double GetMovieDuration() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || g_Movie->openState != 1) return 0.0;
  return g_Movie->player->Duration();
}

int IsMoviePlaying() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || g_MoviePlaying == 0 || g_Movie->openState != 1) return 0;
  vt::movie::MoviePlayer& p = *g_Movie->player;
  int flag = (g_Movie->playState == 2 && p.Position() >= p.Duration()) ? 0 : 1;
  if (p.GetState() != vt::movie::PlayState::kRunning) flag = 0;
  g_MoviePlaying = flag;
  return flag;
}

int HandleMovieEvents() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || !g_Movie->player) return 1;
  int result = 1;
  int code = 0;
  while (g_Movie->player->GetEvent(&code)) {
    if (code == vt::movie::kEventComplete || code == vt::movie::kEventUserAbort) {
      StopMovie();
      g_MoviePlaying = 0;
      result = 0;
    }
    g_MovieLastEvent = code;
  }
  return result;
}

bool CopyFrameRows(const uint8_t* frame, int frameWidth, int frameHeight, int frameFormat,
                   const MovieSurface& s) {
  if (frame == nullptr || s.bits == nullptr || frameWidth <= 0 || frameHeight <= 0) return false;
  const int frameBpp = frameFormat == kMovieFormatR8G8B8 ? 3 : 4;
  const int surfaceBpp = s.format == kMovieFormatR8G8B8 ? 3 : 4;
  const bool same =
      frameFormat == s.format || (frameBpp == 4 && surfaceBpp == 4);  // X8R8G8B8 and A8R8G8B8 share a layout
  const bool expand = frameBpp == 3 && surfaceBpp == 4;
  if (!same && !expand) return false;
  const int rowBytes = frameWidth * frameBpp;
  const int rows = std::min(frameHeight, s.height);
  // Pixels per row: as many as both the frame and the surface have (not a byte count).
  const int pixels = std::min({frameWidth, s.width, s.pitch / surfaceBpp});
  for (int y = 0; y < rows; ++y) {
    const uint8_t* src = frame + static_cast<size_t>(frameHeight - 1 - y) * rowBytes;  // bottom-up
    uint8_t* dst = s.bits + static_cast<size_t>(y) * s.pitch;
    if (same) {
      std::memcpy(dst, src, static_cast<size_t>(pixels) * frameBpp);
    } else {
      for (int x = 0; x < pixels; ++x) {
        dst[4 * x] = src[3 * x];
        dst[4 * x + 1] = src[3 * x + 1];
        dst[4 * x + 2] = src[3 * x + 2];
        dst[4 * x + 3] = 255;
      }
    }
  }
  return true;
}

HRESULT CopyFrameToSurface(const MovieSurface& surface) {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || g_Movie->outputMode != 4 || g_Movie->frameFormat == 0 || surface.bits == nullptr) {
    return E_FAIL;
  }
  CDxDShowMovie& m = *g_Movie;
  double frameTime = m.player->AverageFrameTime();
  if (!(frameTime > 0.0)) frameTime = 1.0 / 60.0;
  double pos = m.player->Position();
  if (pos < 0.0) return E_FAIL;
  int64_t index = static_cast<int64_t>(pos / frameTime);
  if (index == m.lastFrameIndex) return S_FALSE;  // this frame is already in the surface
  m.lastFrameIndex = index;
  std::vector<uint8_t> bits;
  if (!m.player->GetCurrentFrame(&bits) || bits.size() < static_cast<size_t>(m.bytesPerRow) * m.frameHeight) {
    return E_FAIL;
  }
  std::memcpy(m.frameBuffer.data(), bits.data(), static_cast<size_t>(m.bytesPerRow) * m.frameHeight);
  if (!CopyFrameRows(m.frameBuffer.data(), m.frameWidth, m.frameHeight, m.frameFormat, surface))
    return E_FAIL;
  ++m.framesCopied;
  return S_OK;
}

void SetMovieRestartFlag() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (g_Movie) g_Movie->restartFlag = 1;
}

int RestartMovieAfterReset() {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (!g_Movie || g_Movie->restartFlag == 0 || g_Movie->path.empty()) return 0;
  double position = GetMoviePosition();
  bool wasRunning = g_Movie->playState == 2;
  std::string path = g_Movie->path;
  if (OpenMovie(path.c_str()) == S_OK) {
    AttachNotify();
    SeekMovie(position, true);
    g_Movie->player->SetVolume(MovieVolumeFromOptions());
    g_MoviePlaying = 1;
    if (wasRunning) PlayMovie();
  }
  g_Movie->restartFlag = 0;
  g_Movie->lastFrameIndex = -1;
  return 1;
}

void DrawMovieFrame(MovieTextures* textures, int priority) {
  std::lock_guard<std::recursive_mutex> lock(MovieLock());
  if (textures == nullptr || textures->display == nullptr || textures->staging == nullptr) return;
  int playing = IsMoviePlaying();
  double position = GetMoviePosition();
  int restarted = RestartMovieAfterReset();
  if (restarted != 0 && playing == 0) SeekMovie(position, true);
  if ((playing != 0 || restarted != 0) && g_D3DDevice != nullptr) {
    auto device = LockD3DDevice();
    vt::gfx::Rect frame{0, 0, std::min(textures->frameWidth, textures->width),
                        std::min(textures->frameHeight, textures->height)};
    DxTexture* staging = textures->staging->dx;
    if (void* bits = LockTexture(staging, &frame)) {
      MovieSurface surface{static_cast<uint8_t*>(bits), staging->lockPitch, frame.right, frame.bottom,
                           kMovieFormatX8R8G8B8};
      HRESULT hr = CopyFrameToSurface(surface);
      UnlockTexture(staging);
      if (hr == S_OK) {
        g_D3DDevice->CopySurface(HandleTexture(textures->staging), &frame, HandleTexture(textures->display),
                                 0, 0);
      }
    }
  }
  // Full screen, the frame's part of the texture, smoothly scaled.
  g_DrawFilterMode = 2;
  DrawSprite(&g_MainDrawList, textures->display, 0, 0, 640, 480, 0.0f, 0.0f,
             static_cast<float>(textures->frameWidth), static_cast<float>(textures->frameHeight), 0xFFFFFFFFu,
             0, priority);
  g_DrawFilterMode = 1;
}
