// Fades, screenshots and notices.
#include "Dxtools/GrpManager/grp_screen.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_files.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "app/lib_debug.h"
#include "platform/image.h"

using namespace vt::gfx;

void InitScreenFadeState(CScreenFadeData* fade) {
  if (!fade) return;
  fade->active = 1;
  std::memset(fade->reserved, 0, sizeof fade->reserved);
  fade->alpha = 255;
  fade->length = 30;
  fade->frame = 0;
}

void CScreenFadeData::Advance() {
  if (active && frame < length) ++frame;
}

// --- screenshots -----------------------------------------------------------------------------

namespace {
struct ShotFormat {
  const char* name;
  const char* extension;
};
const ShotFormat kShotFormats[] = {
    {"BMP", ".bmp"}, {"JPG", ".jpg"}, {"TGA", ".tga"}, {"PNG", ".png"}, {"DDS", ".dds"},
    {"PPS", ".ppm"}, {"DIB", ".dib"}, {"HDR", ".hdr"}, {"PFM", ".pfm"},
};
int g_shotFormat = 0;

// Reads a texture's rectangle (0, 0, w, h) as B, G, R, A rows.
bool ReadTexture(Texture* t, int w, int h, std::vector<uint8_t>* bgra) {
  Texture* source = t;
  TextureRef copy;
  if (t->IsRenderTarget()) {
    copy = g_D3DDevice->CreateTexture(t->Width(), t->Height(), 0, t->GetFormat(), POOL_SYSTEMMEM);
    if (!copy || g_D3DDevice->GetRenderTargetData(t, copy.get()) != kOk) return false;
    source = copy.get();
  }
  w = std::min<int>(w, static_cast<int>(source->Width()));
  h = std::min<int>(h, static_cast<int>(source->Height()));
  if (w <= 0 || h <= 0) return false;
  *bgra = DecodeToBgra(source->GetFormat(), source->Pixels().data(), source->Pitch(), w, h);
  // Formats without alpha are saved opaque.
  return true;
}
}  // namespace

void SetScreenshotFormat(const char* name) {
  g_shotFormat = 0;
  if (!name) return;
  for (int i = 0; i < 9; ++i)
    if (std::strcmp(name, kShotFormats[i].name) == 0) g_shotFormat = i;
}

int GetScreenshotFormat() { return g_shotFormat; }
const char* GetScreenshotExtension() { return kShotFormats[g_shotFormat].extension; }

int SaveScreenshot(TextureHandle* texture) {
  std::error_code ec;
  std::string folder = GfxDiskPath(".\\ScreenShot");
  if (!std::filesystem::is_directory(folder, ec)) std::filesystem::create_directory(folder, ec);
  const char* ext = GetScreenshotExtension();
  char name[64];
  int n = 0;
  for (;; ++n) {
    std::snprintf(name, sizeof name, "%s\\%08d%s", ".\\ScreenShot", n, ext);
    if (!GfxPackContains(name) && !std::filesystem::exists(GfxDiskPath(name), ec)) break;
    if (n == 99999999) break;
  }
  bool saved = false;
  std::vector<uint8_t> bgra;
  int w = 0, h = 0;
  if (g_D3DDevice) {
    Texture* t = texture ? HandleTexture(texture) : g_D3DDevice->GetBackBuffer().get();
    if (t) {
      if (texture && !t->IsRenderTarget()) {
        w = static_cast<int>(t->Width());
        h = static_cast<int>(t->Height());
      } else if (texture) {
        w = texture->dx->usedWidth;
        h = texture->dx->usedHeight;
        // The scene occupies only the 640 x 480 top-left of scene target 0.
        if (texture == GetSceneTarget(0)) {
          w = std::min(w, 640);
          h = std::min(h, 480);
        }
      } else {
        w = static_cast<int>(t->Width());
        h = static_cast<int>(t->Height());
      }
      if (ReadTexture(t, w, h, &bgra)) {
        w = std::min<int>(w, static_cast<int>(t->Width()));
        h = std::min<int>(h, static_cast<int>(t->Height()));
        saved = vt::image::SaveImage(GfxDiskPath(name), static_cast<vt::image::FileFormat>(g_shotFormat),
                                     bgra.data(), w, h);
      }
    }
  }
  char notice[96];
  if (saved) {
    std::snprintf(notice, sizeof notice, "save screenshot %08d%s", n, ext);
  } else {
    std::snprintf(notice, sizeof notice, "screenshot not saved %08d%s", n, ext);
    DebugPrint("%s: screenshot not saved\n", name);
  }
  PostScreenMessage(notice);
  return saved ? 1 : 0;
}

// --- notices ---------------------------------------------------------------------------------

namespace {
struct MessageList {
  std::mutex mutex;
  std::unique_ptr<std::vector<ScreenMessage>> list;
  std::function<double()> clock;
};

MessageList& Messages() {
  static MessageList m;
  return m;
}

double Now(MessageList& m) {
  if (m.clock) return m.clock();
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

void InitScreenMessages() {
  MessageList& m = Messages();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (!m.list) m.list = std::make_unique<std::vector<ScreenMessage>>();
}

void SetScreenMessageClock(std::function<double()> clock) {
  MessageList& m = Messages();
  std::lock_guard<std::mutex> lock(m.mutex);
  m.clock = std::move(clock);
}

void PostScreenMessage(const char* text) {
  MessageList& m = Messages();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (!m.list || !text) return;
  double now = Now(m);
  // Expired notices are dropped here (the list was never drained); live ones keep their lifetimes.
  std::erase_if(*m.list, [now](const ScreenMessage& s) { return now - s.started >= s.lifetime; });
  ScreenMessage s;
  s.text = text;
  s.lifetime = 2.0 + 0.05 * static_cast<double>(m.list->size());
  s.started = now;
  m.list->push_back(std::move(s));
}

void FreeScreenMessages() {
  MessageList& m = Messages();
  std::lock_guard<std::mutex> lock(m.mutex);
  m.list.reset();
}

std::vector<ScreenMessage> GetScreenMessages() {
  MessageList& m = Messages();
  std::lock_guard<std::mutex> lock(m.mutex);
  if (!m.list) return {};
  return *m.list;
}
