// Device manager: tools start and shutdown, device creation, presentation, reset and recovery,
// render-target switching, colour, matrix and format helpers.
#include "Dxtools/D3D_Tools/d3d_device.h"

#include <SDL.h>

#include <cmath>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_batch.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/lib_debug.h"
#include "platform/gfx/adapter.h"

using namespace vt::gfx;

D3DManager* g_D3DManager = nullptr;
D3DDevice* g_D3DDevice = nullptr;
SDL_Window* g_D3DWindow = nullptr;
D3DSurface* g_BackBufferSurface = nullptr;
AdapterInfo* g_AdapterInfo = nullptr;
float g_CutSpriteUvBias[4] = {0.0f, 0.0f, 0.0f, 0.0f};
D3DMatrix g_SpriteViewMatrix = D3DMatrix::Identity();
D3DMatrix g_SpriteProjMatrix = D3DMatrix::Identity();

namespace {
void (*g_resetFlushHook)() = nullptr;

void MirrorGlobals() {
  if (!g_D3DManager || !g_D3DManager->device) {
    g_D3DDevice = nullptr;
    g_BackBufferSurface = nullptr;
    return;
  }
  g_D3DDevice = g_D3DManager->device.get();
  g_D3DWindow = g_D3DManager->focusWindow;
  g_D3DManager->backBuffer = g_D3DManager->device->GetBackBuffer();
  g_BackBufferSurface = g_D3DManager->backBuffer.get();
}

void FillAdapterInfo(AdapterInfo& info) {
  info.displayMode = GetAdapterDisplayMode();
  info.identifier = GetAdapterIdentifier();
  info.modes = EnumAdapterModes(info.displayMode.format);
  info.caps = GetDeviceCaps();
  Format display = info.displayMode.format;
  info.displayFormat = CheckDeviceType(display, display, true) ? display : FMT_UNKNOWN;
  info.backBufferFormat16 = CheckDeviceType(display, FMT_X1R5G5B5, false) ? FMT_X1R5G5B5
                            : CheckDeviceType(display, FMT_R5G6B5, false) ? FMT_R5G6B5
                                                                          : FMT_UNKNOWN;
  info.backBufferFormat32 = CheckDeviceType(display, FMT_X8R8G8B8, false)   ? FMT_X8R8G8B8
                            : CheckDeviceType(display, FMT_A8R8G8B8, false) ? FMT_A8R8G8B8
                                                                            : FMT_UNKNOWN;
  info.textureFormat = CheckDeviceFormat(info.displayFormat, 0, FMT_A8R8G8B8)   ? FMT_A8R8G8B8
                       : CheckDeviceFormat(info.displayFormat, 0, FMT_A4R4G4B4) ? FMT_A4R4G4B4
                                                                                : FMT_UNKNOWN;
  if (info.identifier.VendorId == 0x1002) {
    g_CutSpriteUvBias[0] = 0.0f;
    g_CutSpriteUvBias[1] = 0.000195f;
    g_CutSpriteUvBias[2] = 0.0f;
    g_CutSpriteUvBias[3] = -0.0002f;
  }
}
}  // namespace

std::unique_lock<std::recursive_mutex> LockD3DDevice() {
  if (!g_D3DManager) return {};
  return std::unique_lock<std::recursive_mutex>(g_D3DManager->deviceLock);
}

int InitD3DTools() {
  if (g_D3DManager) return 1;
  g_D3DManager = new D3DManager();
  g_D3DManager->aspectW = 4.0f;
  g_D3DManager->aspectH = 3.0f;
  FillAdapterInfo(g_D3DManager->adapterInfo);
  g_AdapterInfo = &g_D3DManager->adapterInfo;
  g_D3DManager->frameTimer = std::chrono::steady_clock::now();
  g_D3DManager->appTimer = g_D3DManager->frameTimer;
  InitBatchRenderer(g_D3DManager);
  InitEffectTable();
  return 1;
}

D3DPresentParameters BuildPresentParameters(const DeviceRequest& request, const AdapterInfo& info) {
  D3DPresentParameters p;
  p.BackBufferWidth = static_cast<uint32_t>(std::max(request.width, 0));
  p.BackBufferHeight = static_cast<uint32_t>(std::max(request.height, 0));
  if (request.windowed) {
    p.BackBufferFormat = FMT_UNKNOWN;
    p.BackBufferCount = 0;
  } else {
    p.BackBufferFormat = request.bitsPerPixel == 16 ? info.backBufferFormat16 : info.backBufferFormat32;
    p.BackBufferCount = 1;
  }
  p.MultiSampleType = 0;
  p.SwapEffect = request.verticalSync ? SWAPEFFECT_DISCARD : SWAPEFFECT_COPY;
  p.hDeviceWindow = request.window;
  p.Windowed = request.windowed ? 1 : 0;
  p.EnableAutoDepthStencil = request.depthBuffer ? 1 : 0;
  p.AutoDepthStencilFormat = request.depthBuffer ? FMT_D16 : FMT_UNKNOWN;
  p.Flags = 0;
  p.FullScreen_RefreshRateInHz = (request.verticalSync && !request.windowed) ? 60 : 0;
  p.PresentationInterval = request.verticalSync ? PRESENT_INTERVAL_ONE : PRESENT_INTERVAL_IMMEDIATE;
  return p;
}

int CreateD3DDevice(const DeviceRequest& request) {
  if (!g_D3DManager || g_D3DManager->device) return 0;
  D3DPresentParameters params = BuildPresentParameters(request, g_D3DManager->adapterInfo);
  g_D3DManager->verticalSync = request.verticalSync;
  g_D3DManager->adapterInfo.caps = GetDeviceCaps();
  std::unique_ptr<D3DDevice> device;
  if (RecordingDeviceRequested() || request.window == nullptr) {
    device = D3DDevice::CreateRecording(params);
  } else {
    std::string error;
    device = D3DDevice::CreateGl(request.window, params, &error);
    if (!device) {
      DebugPrint("CreateD3DDevice: %s\n", error.c_str());
      return 0;
    }
  }
  if (!device->GetBackBuffer()) return 0;
  g_D3DManager->device = std::move(device);
  g_D3DManager->focusWindow = request.window;
  g_D3DManager->presentParams = params;
  SetActiveDevice(g_D3DManager->device.get());
  MirrorGlobals();
  SetDefaultRenderStates();
  return 1;
}

void ShutdownD3DTools() {
  if (!g_D3DManager) return;
  FreeEffectTable();
  FreeBatchRenderer();
  SetActiveDevice(nullptr);
  g_D3DManager->backBuffer = TextureRef();
  g_D3DManager->device.reset();
  delete g_D3DManager;
  g_D3DManager = nullptr;
  g_D3DDevice = nullptr;
  g_D3DWindow = nullptr;
  g_BackBufferSurface = nullptr;
  g_AdapterInfo = nullptr;
}

D3DPresentParameters GetPresentParameters() {
  if (!g_D3DManager || !g_D3DManager->device) return D3DPresentParameters{};
  return g_D3DManager->presentParams;
}

void SetPresentParameters(const D3DPresentParameters& params) {
  if (g_D3DManager) g_D3DManager->presentParams = params;
}

int PresentFrame(D3DManager* manager, float seconds) {
  if (!manager || !manager->device) return 0;
  using clock = std::chrono::steady_clock;
  if (seconds > 0.0f) {
    auto deadline = manager->frameTimer + std::chrono::duration<double>(seconds);
    // Sleep most of the wait, then yield until the deadline (the game busy-waits here).
    while (clock::now() < deadline) {
      auto left = deadline - clock::now();
      if (left > std::chrono::milliseconds(2))
        std::this_thread::sleep_for(left - std::chrono::milliseconds(1));
      else
        std::this_thread::yield();
    }
  }
  manager->device->Present();
  manager->frameTimer = clock::now();
  return 1;
}

int ResetDevice() {
  if (!g_D3DManager || !g_D3DManager->device) return 0;
  g_D3DManager->backBuffer = TextureRef();
  g_BackBufferSurface = nullptr;
  if (g_D3DManager->device->Reset(g_D3DManager->presentParams) != kOk) return 0;
  MirrorGlobals();
  SetDefaultRenderStates();
  return 1;
}

int32_t TestCooperativeLevel() {
  if (!g_D3DManager || !g_D3DManager->device) return kErrDeviceLost;
  return g_D3DManager->device->TestCooperativeLevel();
}

void SetDeviceResetFlushHook(void (*hook)()) { g_resetFlushHook = hook; }

int RecoverDevice() {
  LoseEffects();
  ReleaseDefaultPoolTextures();
  int ok = ResetDevice();
  RecreateDefaultPoolTextures();
  RestoreEffects();
  if (g_resetFlushHook) g_resetFlushHook();
  return ok;
}

float GetGraphicsTimerSeconds() {
  if (!g_D3DManager) return 0.0f;
  return std::chrono::duration<float>(std::chrono::steady_clock::now() - g_D3DManager->appTimer).count();
}

int ClearScreen(uint32_t flags, uint32_t colour) {
  if (!g_D3DDevice) return 0;
  return g_D3DDevice->Clear(flags, colour, 1.0f, 0) == kOk ? 1 : 0;
}

int SetRenderTargetTexture(TextureHandle* texture) {
  if (!g_D3DDevice) return 0;
  Texture* t = HandleTexture(texture);
  if (texture && !t) return 0;
  return g_D3DDevice->SetRenderTarget(0, t) == kOk ? 1 : 0;
}

void SaveRenderTargets(D3DSurface* saved[3]) {
  for (int i = 0; i < 3; ++i) {
    saved[i] = nullptr;
    if (g_D3DDevice) saved[i] = g_D3DDevice->GetRenderTarget(i).Detach();
  }
}

void RestoreRenderTargets(D3DSurface* const saved[3]) {
  if (!g_D3DDevice) return;
  for (int i = 0; i < 3; ++i) g_D3DDevice->SetRenderTarget(i, saved[i]);
}

void ReleaseRenderTargets(D3DSurface* saved[3]) {
  for (int i = 0; i < 3; ++i) {
    if (saved[i]) saved[i]->Release();
    saved[i] = nullptr;
  }
}

void GrowDepthBuffer(uint32_t width, uint32_t height) {
  if (g_D3DDevice) g_D3DDevice->GrowDepthBuffer(width, height);
}

void SetDefaultRenderStates() {
  g_DrawBlendMode = 1;
  g_DrawFilterMode = 1;
  if (!g_D3DDevice) return;
  g_D3DDevice->SetDefaultStates();
  g_D3DDevice->SetTexture(0, nullptr);
  g_D3DDevice->SetTexture(1, nullptr);
}

// --- colours ---------------------------------------------------------------------------------

uint32_t ModulateColour(uint32_t a, uint32_t b) {
  // Kept on purpose: a colour modulated with itself comes back unchanged.
  if (a == b) return a;
  uint32_t out = 0;
  for (int s = 0; s < 32; s += 8) out |= (((a >> s) & 0xFF) * ((b >> s) & 0xFF) / 255) << s;
  return out;
}

uint32_t ScaleColour(uint32_t c, float f) {
  if (f == 1.0f) return c;
  uint32_t out = c & 0xFF000000u;
  for (int s = 0; s < 24; s += 8) {
    float v = static_cast<float>((c >> s) & 0xFF) * f;
    uint32_t ch = v <= 0.0f ? 0u : std::min<uint32_t>(255u, static_cast<uint32_t>(v));
    out |= ch << s;
  }
  return out;
}

namespace {
uint32_t Lerp(uint32_t a, uint32_t b, float t, int channels) {
  if (t <= 0.0f) return a;
  if (t >= 1.0f) return b;
  uint32_t out = channels == 3 ? (a & 0xFF000000u) : 0u;
  for (int i = 0; i < channels; ++i) {
    int s = i * 8;
    uint32_t pb = static_cast<uint32_t>(static_cast<float>((b >> s) & 0xFF) * t);
    uint32_t pa = static_cast<uint32_t>(static_cast<float>((a >> s) & 0xFF) * (1.0f - t));
    out |= std::min<uint32_t>(255u, pa + pb) << s;
  }
  return out;
}
}  // namespace

uint32_t LerpColour(uint32_t a, uint32_t b, float t) { return Lerp(a, b, t, 3); }
uint32_t LerpColourAlpha(uint32_t a, uint32_t b, float t) { return Lerp(a, b, t, 4); }

// --- matrices --------------------------------------------------------------------------------

D3DMatrix D3DMatrix::Identity() {
  D3DMatrix r{};
  for (int i = 0; i < 4; ++i) r.m[i][i] = 1.0f;
  return r;
}

D3DMatrix D3DMatrix::Translation(float x, float y, float z) {
  D3DMatrix r = Identity();
  r.m[3][0] = x;
  r.m[3][1] = y;
  r.m[3][2] = z;
  return r;
}

D3DMatrix D3DMatrix::Scaling(float x, float y, float z) {
  D3DMatrix r = Identity();
  r.m[0][0] = x;
  r.m[1][1] = y;
  r.m[2][2] = z;
  return r;
}

// Left-handed rotations for row vectors.
D3DMatrix D3DMatrix::RotationX(float a) {
  D3DMatrix r = Identity();
  float c = std::cos(a), s = std::sin(a);
  r.m[1][1] = c;
  r.m[1][2] = s;
  r.m[2][1] = -s;
  r.m[2][2] = c;
  return r;
}

D3DMatrix D3DMatrix::RotationY(float a) {
  D3DMatrix r = Identity();
  float c = std::cos(a), s = std::sin(a);
  r.m[0][0] = c;
  r.m[0][2] = -s;
  r.m[2][0] = s;
  r.m[2][2] = c;
  return r;
}

D3DMatrix D3DMatrix::RotationZ(float a) {
  D3DMatrix r = Identity();
  float c = std::cos(a), s = std::sin(a);
  r.m[0][0] = c;
  r.m[0][1] = s;
  r.m[1][0] = -s;
  r.m[1][1] = c;
  return r;
}

void MultiplyMatrix(D3DMatrix* out, const D3DMatrix& a, const D3DMatrix& b) {
  D3DMatrix r{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += a.m[i][k] * b.m[k][j];
      r.m[i][j] = sum;
    }
  *out = r;
}

void TransformPoint(const D3DMatrix& m, float x, float y, float z, float out[4]) {
  for (int j = 0; j < 4; ++j) out[j] = x * m.m[0][j] + y * m.m[1][j] + z * m.m[2][j] + m.m[3][j];
}

void BuildLookAtMatrix(D3DMatrix* out, const D3DVector3& eye, const D3DVector3& target,
                       const D3DVector3& up) {
  auto normalise = [](D3DVector3 v) {
    float len = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (len > 0.0f) {
      v.x /= len;
      v.y /= len;
      v.z /= len;
    }
    return v;
  };
  auto cross = [](const D3DVector3& a, const D3DVector3& b) {
    return D3DVector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
  };
  auto dot = [](const D3DVector3& a, const D3DVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
  D3DVector3 z = normalise({target.x - eye.x, target.y - eye.y, target.z - eye.z});
  D3DVector3 x = normalise(cross(up, z));
  D3DVector3 y = cross(z, x);
  D3DMatrix r = D3DMatrix::Identity();
  r.m[0][0] = x.x;
  r.m[1][0] = x.y;
  r.m[2][0] = x.z;
  r.m[0][1] = y.x;
  r.m[1][1] = y.y;
  r.m[2][1] = y.z;
  r.m[0][2] = z.x;
  r.m[1][2] = z.y;
  r.m[2][2] = z.z;
  r.m[3][0] = -dot(x, eye);
  r.m[3][1] = -dot(y, eye);
  r.m[3][2] = -dot(z, eye);
  *out = r;
}

void ResetSpriteViewMatrix() { g_SpriteViewMatrix = D3DMatrix::Identity(); }
void ResetSpriteProjMatrix() { g_SpriteProjMatrix = D3DMatrix::Identity(); }

// --- formats ---------------------------------------------------------------------------------

int FormatBitsPerPixel(uint32_t format) {
  switch (format) {
    case FMT_R8G8B8:
      return 24;
    case FMT_A8R8G8B8:
    case FMT_X8R8G8B8:
    case FMT_D32:
      return 32;
    case FMT_R5G6B5:
    case FMT_X1R5G5B5:
    case FMT_A1R5G5B5:
    case FMT_A4R4G4B4:
    case FMT_D16:
      return 16;
    case FMT_A8:
    case FMT_P8:
      return 8;
    default:
      return 0;
  }
}

const char* D3DFormatName(uint32_t format) {
  struct Name {
    uint32_t format;
    const char* name;
  };
  static const Name kNames[] = {
      {FMT_R8G8B8, "D3DFMT_R8G8B8"},
      {FMT_A8R8G8B8, "D3DFMT_A8R8G8B8"},
      {FMT_X8R8G8B8, "D3DFMT_X8R8G8B8"},
      {FMT_R5G6B5, "D3DFMT_R5G6B5"},
      {FMT_X1R5G5B5, "D3DFMT_X1R5G5B5"},
      {FMT_A1R5G5B5, "D3DFMT_A1R5G5B5"},
      {FMT_A4R4G4B4, "D3DFMT_A4R4G4B4"},
      {FMT_R3G3B2, "D3DFMT_R3G3B2"},
      {FMT_A8, "D3DFMT_A8"},
      {FMT_A8R3G3B2, "D3DFMT_A8R3G3B2"},
      {FMT_X4R4G4B4, "D3DFMT_X4R4G4B4"},
      {FMT_A2B10G10R10, "D3DFMT_A2B10G10R10"},
      {FMT_G16R16, "D3DFMT_G16R16"},
      {FMT_A8P8, "D3DFMT_A8P8"},
      {FMT_P8, "D3DFMT_P8"},
      {FMT_L8, "D3DFMT_L8"},
      {FMT_A8L8, "D3DFMT_A8L8"},
      {FMT_A4L4, "D3DFMT_A4L4"},
      {FMT_V8U8, "D3DFMT_V8U8"},
      {FMT_L6V5U5, "D3DFMT_L6V5U5"},
      {FMT_X8L8V8U8, "D3DFMT_X8L8V8U8"},
      {FMT_Q8W8V8U8, "D3DFMT_Q8W8V8U8"},
      {FMT_V16U16, "D3DFMT_V16U16"},
      {FMT_A2W10V10U10, "D3DFMT_A2W10V10U10"},
      {FMT_CxV8U8, "D3DFMT_CxV8U8"},
      {FMT_D16_LOCKABLE, "D3DFMT_D16_LOCKABLE"},
      {FMT_D32, "D3DFMT_D32"},
      {FMT_D15S1, "D3DFMT_D15S1"},
      {FMT_D24S8, "D3DFMT_D24S8"},
      {FMT_D24X8, "D3DFMT_D24X8"},
      {FMT_D24X4S4, "D3DFMT_D24X4S4"},
      {FMT_D16, "D3DFMT_D16"},
      {FMT_L16, "D3DFMT_L16"},
      {FMT_D32F_LOCKABLE, "D3DFMT_D32F_LOCKABLE"},
      {FMT_D24FS8, "D3DFMT_D24FS8"},
      {FMT_VERTEXDATA, "D3DFMT_VERTEXDATA"},
      {FMT_INDEX16, "D3DFMT_INDEX16"},
      {FMT_INDEX32, "D3DFMT_INDEX32"},
      {FMT_Q16W16V16U16, "D3DFMT_Q16W16V16U16"},
      {FMT_R16F, "D3DFMT_R16F"},
      {FMT_G16R16F, "D3DFMT_G16R16F"},
      {FMT_A16B16G16R16F, "D3DFMT_A16B16G16R16F"},
      {FMT_R32F, "D3DFMT_R32F"},
      {FMT_G32R32F, "D3DFMT_G32R32F"},
      {FMT_A32B32G32R32F, "D3DFMT_A32B32G32R32F"},
      {FMT_MULTI2_ARGB8, "D3DFMT_MULTI2_ARGB8"},
      {FMT_DXT1, "D3DFMT_DXT1"},
      {FMT_DXT2, "D3DFMT_DXT2"},
      {FMT_YUY2, "D3DFMT_YUY2"},
      {FMT_DXT3, "D3DFMT_DXT3"},
      {FMT_DXT4, "D3DFMT_DXT4"},
      {FMT_DXT5, "D3DFMT_DXT5"},
      {FMT_G8R8_G8B8, "D3DFMT_G8R8_G8B8"},
      {FMT_R8G8_B8G8, "D3DFMT_R8G8_B8G8"},
      {FMT_UYVY, "D3DFMT_UYVY"},
  };
  for (const auto& n : kNames)
    if (n.format == format) return n.name;
  return "D3DFMT_UNKNOWN";
}
