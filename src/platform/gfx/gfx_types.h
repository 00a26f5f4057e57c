// Plain types of the graphics device stand-in: result codes, pixel formats with the numeric codes
// the game stores, pools, presentation parameters, adapter answers, render-state values.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

namespace vt::gfx {

// Result codes (the values the game compares against are kept).
enum : int32_t {
  kOk = 0,
  kErrDeviceLost = static_cast<int32_t>(0x88760868u),
  kErrDeviceNotReset = static_cast<int32_t>(0x88760869u),
  kErrNotAvailable = static_cast<int32_t>(0x8876086Au),
  kErrOutOfVideoMemory = static_cast<int32_t>(0x8876017Cu),
  kErrInvalidCall = static_cast<int32_t>(0x8876086Cu),
  kErrOutOfMemory = static_cast<int32_t>(0x8007000Eu),
  kErrFail = static_cast<int32_t>(0x80004005u),
};

constexpr uint32_t MakeFourCC(char a, char b, char c, char d) {
  return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
         (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
         (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

// Pixel formats by their stored numeric codes. Memory layout is little-endian words:
// A8R8G8B8 is the bytes B, G, R, A.
enum Format : uint32_t {
  FMT_UNKNOWN = 0,
  FMT_R8G8B8 = 20,
  FMT_A8R8G8B8 = 21,
  FMT_X8R8G8B8 = 22,
  FMT_R5G6B5 = 23,
  FMT_X1R5G5B5 = 24,
  FMT_A1R5G5B5 = 25,
  FMT_A4R4G4B4 = 26,
  FMT_R3G3B2 = 27,
  FMT_A8 = 28,
  FMT_A8R3G3B2 = 29,
  FMT_X4R4G4B4 = 30,
  FMT_A2B10G10R10 = 31,
  FMT_A8B8G8R8 = 32,
  FMT_X8B8G8R8 = 33,
  FMT_G16R16 = 34,
  FMT_A2R10G10B10 = 35,
  FMT_A16B16G16R16 = 36,
  FMT_A8P8 = 40,
  FMT_P8 = 41,
  FMT_L8 = 50,
  FMT_A8L8 = 51,
  FMT_A4L4 = 52,
  FMT_V8U8 = 60,
  FMT_L6V5U5 = 61,
  FMT_X8L8V8U8 = 62,
  FMT_Q8W8V8U8 = 63,
  FMT_V16U16 = 64,
  FMT_A2W10V10U10 = 67,
  FMT_D16_LOCKABLE = 70,
  FMT_D32 = 71,
  FMT_D15S1 = 73,
  FMT_D24S8 = 75,
  FMT_D24X8 = 77,
  FMT_D24X4S4 = 79,
  FMT_D16 = 80,
  FMT_D32F_LOCKABLE = 82,
  FMT_D24FS8 = 83,
  FMT_L16 = 81,
  FMT_VERTEXDATA = 100,
  FMT_INDEX16 = 101,
  FMT_INDEX32 = 102,
  FMT_Q16W16V16U16 = 110,
  FMT_R16F = 111,
  FMT_G16R16F = 112,
  FMT_A16B16G16R16F = 113,
  FMT_R32F = 114,
  FMT_G32R32F = 115,
  FMT_A32B32G32R32F = 116,
  FMT_CxV8U8 = 117,
  FMT_DXT1 = MakeFourCC('D', 'X', 'T', '1'),
  FMT_DXT2 = MakeFourCC('D', 'X', 'T', '2'),
  FMT_DXT3 = MakeFourCC('D', 'X', 'T', '3'),
  FMT_DXT4 = MakeFourCC('D', 'X', 'T', '4'),
  FMT_DXT5 = MakeFourCC('D', 'X', 'T', '5'),
  FMT_MULTI2_ARGB8 = MakeFourCC('M', 'E', 'T', '1'),
  FMT_YUY2 = MakeFourCC('Y', 'U', 'Y', '2'),
  FMT_UYVY = MakeFourCC('U', 'Y', 'V', 'Y'),
  FMT_G8R8_G8B8 = MakeFourCC('G', 'R', 'G', 'B'),
  FMT_R8G8_B8G8 = MakeFourCC('R', 'G', 'B', 'G'),
};

// Formats that textures of this device can hold (the others are names only).
bool IsTextureFormatSupported(Format format);
bool IsBlockCompressed(Format format);
// Bytes per pixel of an uncompressed texture format (0 for block formats and unknown ones).
int BytesPerPixel(Format format);
// Bytes of one row of blocks or pixels for a width.
int RowPitch(Format format, int width);
// Rows of blocks or pixels for a height.
int RowCount(Format format, int height);

enum Pool : uint32_t { POOL_DEFAULT = 0, POOL_MANAGED = 1, POOL_SYSTEMMEM = 2, POOL_SCRATCH = 3 };
enum : uint32_t { USAGE_RENDERTARGET = 1, USAGE_DEPTHSTENCIL = 2 };

enum SwapEffect : uint32_t { SWAPEFFECT_DISCARD = 1, SWAPEFFECT_FLIP = 2, SWAPEFFECT_COPY = 3 };
enum : uint32_t {
  PRESENT_INTERVAL_DEFAULT = 0,
  PRESENT_INTERVAL_ONE = 1,
  PRESENT_INTERVAL_IMMEDIATE = 0x80000000u
};

struct PresentParameters {
  uint32_t BackBufferWidth = 0;
  uint32_t BackBufferHeight = 0;
  Format BackBufferFormat = FMT_UNKNOWN;
  uint32_t BackBufferCount = 0;
  uint32_t MultiSampleType = 0;
  uint32_t MultiSampleQuality = 0;
  uint32_t SwapEffect = 0;
  SDL_Window* hDeviceWindow = nullptr;
  int32_t Windowed = 0;
  int32_t EnableAutoDepthStencil = 0;
  Format AutoDepthStencilFormat = FMT_UNKNOWN;
  uint32_t Flags = 0;
  uint32_t FullScreen_RefreshRateInHz = 0;
  uint32_t PresentationInterval = 0;
};

struct DisplayMode {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint32_t RefreshRate = 0;
  Format format = FMT_UNKNOWN;
};

struct AdapterIdentifier {
  std::string Driver;
  std::string Description;
  uint32_t VendorId = 0;
  uint32_t DeviceId = 0;
  uint64_t DriverVersion = 0;
};

// Shader versions are encoded as 0xFFFF0000 | major << 8 | minor for pixel shaders and
// 0xFFFE0000 | ... for vertex shaders.
struct DeviceCaps {
  uint32_t PixelShaderVersion = 0;
  uint32_t VertexShaderVersion = 0;
  uint32_t MaxVertexIndex = 0;
  uint32_t MaxTextureWidth = 0;
  uint32_t MaxTextureHeight = 0;
  uint32_t NumSimultaneousRTs = 0;
  uint32_t MaxAnisotropy = 0;
};

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct Viewport {
  uint32_t X = 0, Y = 0, Width = 0, Height = 0;
  float MinZ = 0.0f, MaxZ = 1.0f;
};

struct LockedRect {
  int32_t Pitch = 0;
  void* pBits = nullptr;
};

struct SurfaceDesc {
  Format format = FMT_UNKNOWN;
  uint32_t Type = 1;  // surface
  uint32_t Usage = 0;
  Pool pool = POOL_MANAGED;
  uint32_t MultiSampleType = 0;
  uint32_t MultiSampleQuality = 0;
  uint32_t Width = 0;
  uint32_t Height = 0;
};

// Clear flags.
enum : uint32_t { CLEAR_TARGET = 1, CLEAR_ZBUFFER = 2, CLEAR_STENCIL = 4 };

// Blend factors and operations (the device's numbering).
enum BlendFactor : uint8_t {
  BLEND_ZERO = 1,
  BLEND_ONE = 2,
  BLEND_SRCCOLOR = 3,
  BLEND_INVSRCCOLOR = 4,
  BLEND_SRCALPHA = 5,
  BLEND_INVSRCALPHA = 6,
  BLEND_DESTALPHA = 7,
  BLEND_INVDESTALPHA = 8,
  BLEND_DESTCOLOR = 9,
  BLEND_INVDESTCOLOR = 10,
};
enum BlendOp : uint8_t { BLENDOP_ADD = 1, BLENDOP_SUBTRACT = 2, BLENDOP_REVSUBTRACT = 3 };

struct BlendState {
  bool enable = true;
  BlendOp op = BLENDOP_ADD;
  BlendFactor src = BLEND_SRCALPHA;
  BlendFactor dst = BLEND_INVSRCALPHA;
  bool separateAlpha = false;
  BlendOp opAlpha = BLENDOP_ADD;
  BlendFactor srcAlpha = BLEND_ONE;
  BlendFactor dstAlpha = BLEND_ZERO;
  bool operator==(const BlendState&) const = default;
};

enum TextureFilter : uint8_t { FILTER_NONE = 0, FILTER_POINT = 1, FILTER_LINEAR = 2, FILTER_ANISOTROPIC = 3 };

enum PrimitiveType : uint32_t { PT_POINTLIST = 1, PT_LINELIST = 2, PT_TRIANGLELIST = 4 };

// Flexible vertex format bits used by the game.
enum : uint32_t {
  FVF_XYZ = 0x002,
  FVF_XYZRHW = 0x004,
  FVF_NORMAL = 0x010,
  FVF_DIFFUSE = 0x040,
  FVF_SPECULAR = 0x080,
  FVF_TEX1 = 0x100,
  FVF_TEX8 = 0x800,
};
// The one vertex layout the device renders: x, y, z, rhw, diffuse, specular, u, v (32 bytes).
constexpr uint32_t kScreenVertexFvf = FVF_XYZRHW | FVF_DIFFUSE | FVF_SPECULAR | FVF_TEX1;
constexpr uint32_t kScreenVertexStride = 32;

struct ScreenVertex {
  float x, y, z, rhw;
  uint32_t diffuse;
  uint32_t specular;
  float u, v;
};
static_assert(sizeof(ScreenVertex) == 32);

constexpr int kMaxRenderTargets = 3;

}  // namespace vt::gfx
