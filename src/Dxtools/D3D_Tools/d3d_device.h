// The device layer: the one device manager (g_D3DManager) with its adapter description, stored
// presentation parameters, device lock and timers; device creation, presentation, reset and the
// lost-device recovery; render-target switching; colour, matrix and format helpers.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gfx/device.h"

struct SDL_Window;
struct TextureHandle;
struct BatchRenderer;

using D3DDevice = vt::gfx::Device;
using D3DPresentParameters = vt::gfx::PresentParameters;
using D3DSurface = vt::gfx::Texture;

struct AdapterInfo {
  vt::gfx::DisplayMode displayMode;
  std::vector<vt::gfx::DisplayMode> modes;
  vt::gfx::DeviceCaps caps;
  vt::gfx::AdapterIdentifier identifier;
  vt::gfx::Format displayFormat = vt::gfx::FMT_UNKNOWN;
  vt::gfx::Format backBufferFormat16 = vt::gfx::FMT_UNKNOWN;
  vt::gfx::Format backBufferFormat32 = vt::gfx::FMT_UNKNOWN;
  vt::gfx::Format textureFormat = vt::gfx::FMT_UNKNOWN;
};

// What start-up asks for.
struct DeviceRequest {
  SDL_Window* window = nullptr;
  int windowed = 1;
  int width = 1280;
  int height = 720;
  int bitsPerPixel = 32;
  int depthBuffer = 1;
  int verticalSync = 0;
};

struct D3DManager {
  std::unique_ptr<D3DDevice> device;
  vt::gfx::TextureRef backBuffer;
  SDL_Window* focusWindow = nullptr;
  float aspectW = 4.0f;
  float aspectH = 3.0f;
  int adapter = 0;
  AdapterInfo adapterInfo;
  D3DPresentParameters presentParams;
  std::recursive_mutex deviceLock;
  std::chrono::steady_clock::time_point frameTimer;
  std::chrono::steady_clock::time_point appTimer;
  int verticalSync = 0;
};

extern D3DManager* g_D3DManager;
extern D3DDevice* g_D3DDevice;
extern SDL_Window* g_D3DWindow;
extern D3DSurface* g_BackBufferSurface;
extern AdapterInfo* g_AdapterInfo;
// Texture-coordinate bias of the part-animation quads and ring drawing (non-zero on vendor 0x1002).
extern float g_CutSpriteUvBias[4];

// The device lock (a recursive lock, as a critical section is).
std::unique_lock<std::recursive_mutex> LockD3DDevice();

int InitD3DTools();
int CreateD3DDevice(const DeviceRequest& request);
void ShutdownD3DTools();
D3DPresentParameters GetPresentParameters();
// Stores changed parameters in the manager (the screen-mode switch, before the reset).
void SetPresentParameters(const D3DPresentParameters& params);
D3DPresentParameters BuildPresentParameters(const DeviceRequest& request, const AdapterInfo& info);
int PresentFrame(D3DManager* manager, float seconds);
int ResetDevice();
// The device's cooperative-level answer (0 OK; D3DERR_DEVICELOST / D3DERR_DEVICENOTRESET codes).
int32_t TestCooperativeLevel();
// The window thread's recovery sequence: lose effects, release default-pool textures, reset,
// recreate them, restore effects, flush the sprite cache. Makes no GL call.
int RecoverDevice();
// Hook for the sprite texture cache flush at the end of the recovery (set by its owner).
void SetDeviceResetFlushHook(void (*hook)());
float GetGraphicsTimerSeconds();
int ClearScreen(uint32_t flags, uint32_t colour);
int SetRenderTargetTexture(TextureHandle* texture);
void SaveRenderTargets(D3DSurface* saved[3]);
void RestoreRenderTargets(D3DSurface* const saved[3]);
void ReleaseRenderTargets(D3DSurface* saved[3]);
void GrowDepthBuffer(uint32_t width, uint32_t height);
void SetDefaultRenderStates();

// Colour helpers on 32-bit ARGB values.
uint32_t ModulateColour(uint32_t a, uint32_t b);
uint32_t ScaleColour(uint32_t c, float f);
uint32_t LerpColour(uint32_t a, uint32_t b, float t);
uint32_t LerpColourAlpha(uint32_t a, uint32_t b, float t);

// Matrices with row vectors (p' = p * M), as the game's maths assume.
struct D3DVector3 {
  float x, y, z;
};
struct D3DMatrix {
  float m[4][4];
  static D3DMatrix Identity();
  static D3DMatrix Translation(float x, float y, float z);
  static D3DMatrix Scaling(float x, float y, float z);
  static D3DMatrix RotationX(float radians);
  static D3DMatrix RotationY(float radians);
  static D3DMatrix RotationZ(float radians);
};
void BuildLookAtMatrix(D3DMatrix* out, const D3DVector3& eye, const D3DVector3& target, const D3DVector3& up);
void MultiplyMatrix(D3DMatrix* out, const D3DMatrix& a, const D3DMatrix& b);
// Transforms (x, y, z, 1) as a row vector.
void TransformPoint(const D3DMatrix& m, float x, float y, float z, float out[4]);
extern D3DMatrix g_SpriteViewMatrix;
extern D3DMatrix g_SpriteProjMatrix;
void ResetSpriteViewMatrix();
void ResetSpriteProjMatrix();

int FormatBitsPerPixel(uint32_t format);
const char* D3DFormatName(uint32_t format);
