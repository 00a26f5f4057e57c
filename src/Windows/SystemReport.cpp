// The system report: values read from the machine (os-release, /proc, DMI in sysfs, SDL's
// desktop mode, a short-lived GL context for the adapter) and the device's format answers.
#include "Windows/SystemReport.h"

#include <SDL.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "app/lib_debug.h"
#include "platform/game_path.h"
#include "platform/gfx/adapter.h"
#include "platform/profile_string.h"

namespace {

constexpr const char* kReportPath = ".\\System\\_Sysinfo.txt";

constexpr uint32_t kFormats[] = {
    vt::gfx::FMT_R8G8B8,
    vt::gfx::FMT_A8R8G8B8,
    vt::gfx::FMT_X8R8G8B8,
    vt::gfx::FMT_R5G6B5,
    vt::gfx::FMT_X1R5G5B5,
    vt::gfx::FMT_A1R5G5B5,
    vt::gfx::FMT_A4R4G4B4,
    vt::gfx::FMT_R3G3B2,
    vt::gfx::FMT_A8,
    vt::gfx::FMT_A8R3G3B2,
    vt::gfx::FMT_X4R4G4B4,
    vt::gfx::FMT_A2B10G10R10,
    vt::gfx::FMT_G16R16,
    vt::gfx::FMT_A8P8,
    vt::gfx::FMT_P8,
    vt::gfx::FMT_L8,
    vt::gfx::FMT_L16,
    vt::gfx::FMT_A8L8,
    vt::gfx::FMT_A4L4,
    vt::gfx::FMT_V8U8,
    vt::gfx::FMT_Q8W8V8U8,
    vt::gfx::FMT_V16U16,
    vt::gfx::FMT_Q16W16V16U16,
    vt::gfx::FMT_CxV8U8,
    vt::gfx::FMT_L6V5U5,
    vt::gfx::FMT_X8L8V8U8,
    vt::gfx::FMT_A2W10V10U10,
    vt::gfx::FMT_MULTI2_ARGB8,
    vt::gfx::FMT_G8R8_G8B8,
    vt::gfx::FMT_R8G8_B8G8,
    vt::gfx::FMT_DXT1,
    vt::gfx::FMT_DXT2,
    vt::gfx::FMT_DXT3,
    vt::gfx::FMT_DXT4,
    vt::gfx::FMT_DXT5,
    vt::gfx::FMT_UYVY,
    vt::gfx::FMT_YUY2,
    vt::gfx::FMT_D16_LOCKABLE,
    vt::gfx::FMT_D32,
    vt::gfx::FMT_D15S1,
    vt::gfx::FMT_D24S8,
    vt::gfx::FMT_D24X8,
    vt::gfx::FMT_D24X4S4,
    vt::gfx::FMT_D32F_LOCKABLE,
    vt::gfx::FMT_D24FS8,
    vt::gfx::FMT_D16,
    vt::gfx::FMT_VERTEXDATA,
    vt::gfx::FMT_INDEX16,
    vt::gfx::FMT_INDEX32,
    vt::gfx::FMT_R16F,
    vt::gfx::FMT_G16R16F,
    vt::gfx::FMT_A16B16G16R16F,
    vt::gfx::FMT_R32F,
    vt::gfx::FMT_G32R32F,
    vt::gfx::FMT_A32B32G32R32F,
};
static_assert(std::size(kFormats) == 55);

std::string FirstLine(std::string s) {
  const size_t e = s.find_first_of("\r\n");
  if (e != std::string::npos) s.resize(e);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

// The value of "key" in a "key<sep>value" listing (os-release, cpuinfo, meminfo).
std::string FieldOf(const std::string& text, std::string_view key, char sep) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t p = line.find(sep);
    if (p == std::string::npos) continue;
    std::string k = line.substr(0, p);
    while (!k.empty() && (k.back() == ' ' || k.back() == '\t')) k.pop_back();
    if (k != key) continue;
    std::string v = line.substr(p + 1);
    const size_t b = v.find_first_not_of(" \t");
    v = b == std::string::npos ? "" : v.substr(b);
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return FirstLine(v);
  }
  return {};
}

std::optional<std::string> ReadWholeFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return text;
}

std::string SdlDisplayMode() {
  SDL_DisplayMode mode;
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0 || SDL_GetDesktopDisplayMode(0, &mode) != 0) return {};
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d x %d (%d bit) (%dHz)", mode.w, mode.h,
                SDL_BYTESPERPIXEL(mode.format) == 4 ? 32 : static_cast<int>(SDL_BITSPERPIXEL(mode.format)),
                mode.refresh_rate);
  return buf;
}

// A hidden window with a GL 3.3 core context just long enough to ask the driver its name.
bool GlAdapter(std::string* adapter, std::string* driver, int* maxTextureSize) {
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) return false;
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_Window* w = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!w) return false;
  bool ok = false;
  if (SDL_GLContext ctx = SDL_GL_CreateContext(w)) {
    using GetString = const unsigned char* (*)(unsigned);
    using GetIntegerv = void (*)(unsigned, int*);
    auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    auto getIntegerv = reinterpret_cast<GetIntegerv>(SDL_GL_GetProcAddress("glGetIntegerv"));
    if (getString && getIntegerv) {
      const unsigned char* renderer = getString(0x1F01);  // GL_RENDERER
      const unsigned char* version = getString(0x1F02);   // GL_VERSION
      if (renderer) *adapter = reinterpret_cast<const char*>(renderer);
      if (version) *driver = reinterpret_cast<const char*>(version);
      getIntegerv(0x0D33, maxTextureSize);  // GL_MAX_TEXTURE_SIZE
      ok = renderer != nullptr;
    }
    SDL_GL_DeleteContext(ctx);
  }
  SDL_DestroyWindow(w);
  if (previousContext) SDL_GL_MakeCurrent(previousWindow, previousContext);
  return ok;
}

}  // namespace

std::span<const uint32_t> GetReportFormats() { return kFormats; }

std::string BuildSystemReport(const SystemReportValues& v, const FormatCheck& check) {
  std::string out;
  auto line = [&out](std::string_view s) {
    out += s;
    out += "\r\n";
  };
  char buf[256];
  line("[ OS ]");
  line(v.os);
  line("[ CPU ]");
  line(v.cpu);
  line("[ MEMORY ]");
  line(v.memory);
  line("[ DISPLAY ]");
  line(v.displayMode);
  line("");
  line("[ DisplayAdapter ]");
  line(v.adapterDescription);
  line(v.displayMemory + " RAM");
  line("DriverVersion : " + v.driverVersion);
  line("");
  line("[ DirectX ]");
  line(v.directXVersion);
  line("[ SystemManufacturer ]");
  line(v.manufacturer);
  line(v.model);
  line("");
  line("[ DirectX Info ]");
  const SystemReportCaps& c = v.caps;
  std::snprintf(buf, sizeof buf, "VertexShader %u.%u", (c.vertexShaderVersion >> 8) & 0xFF,
                c.vertexShaderVersion & 0xFF);
  line(buf);
  std::snprintf(buf, sizeof buf, "PixelShader %u.%u", (c.pixelShaderVersion >> 8) & 0xFF,
                c.pixelShaderVersion & 0xFF);
  line(buf);
  std::snprintf(buf, sizeof buf, "MaxTextureSize : %dx%d", c.maxTextureWidth, c.maxTextureHeight);
  line(buf);
  std::snprintf(buf, sizeof buf, "MaxTextureBlendStages : %d", c.maxTextureBlendStages);
  line(buf);
  std::snprintf(buf, sizeof buf, "MaxPointSize : %d", static_cast<int>(c.maxPointSize));
  line(buf);
  std::snprintf(buf, sizeof buf, "MaxPrimitiveCount : %d", c.maxPrimitiveCount);
  line(buf);
  line("");
  line("[ TextureFormat  (F)ull,(T)exture,(D)epth,(R)ender ]");
  for (uint32_t format : kFormats) {
    std::string row = std::string(D3DFormatName(format)) + " (";
    for (char kind : {'F', 'T', 'D', 'R'}) row += (check && check(format, kind)) ? kind : '-';
    row += ")";
    line(row);
  }
  line("");
  return out;
}

SystemReportProbes DefaultSystemReportProbes() {
  SystemReportProbes p;
  p.readFile = ReadWholeFile;
  p.displayMode = SdlDisplayMode;
  p.adapter = [](std::string* adapter, std::string* driver, int* maxTextureSize) {
    if (GlAdapter(adapter, driver, maxTextureSize)) return true;
    // No GL context to ask: the device's own identification.
    const vt::gfx::AdapterIdentifier id = vt::gfx::GetAdapterIdentifier();
    *adapter = id.Description;
    *driver = id.Driver;
    return false;
  };
  p.caps = []() -> std::optional<SystemReportCaps> {
    const vt::gfx::DeviceCaps d = vt::gfx::GetDeviceCaps();
    SystemReportCaps c;
    c.vertexShaderVersion = d.VertexShaderVersion & 0xFFFF;
    c.pixelShaderVersion = d.PixelShaderVersion & 0xFFFF;
    c.maxTextureWidth = static_cast<int>(d.MaxTextureWidth);
    c.maxTextureHeight = static_cast<int>(d.MaxTextureHeight);
    return c;
  };
  p.formatCheck = [](uint32_t format, char kind) {
    const auto f = static_cast<vt::gfx::Format>(format);
    const vt::gfx::Format desktop = vt::gfx::GetAdapterDisplayMode().format;
    switch (kind) {
      case 'F':
        return vt::gfx::CheckDeviceType(f, f, false);
      case 'T':
        return vt::gfx::CheckDeviceFormat(desktop, 0, f);
      case 'D':
        return vt::gfx::CheckDeviceFormat(desktop, vt::gfx::USAGE_DEPTHSTENCIL, f);
      default:
        return vt::gfx::CheckDeviceFormat(desktop, vt::gfx::USAGE_RENDERTARGET, f);
    }
  };
  return p;
}

SystemReportProbes& GetSystemReportProbes() {
  static SystemReportProbes probes = DefaultSystemReportProbes();
  return probes;
}

SystemReportValues CollectSystemReportValues(const SystemReportProbes& probes) {
  SystemReportValues v;
  auto read = [&](const char* path) -> std::string {
    if (!probes.readFile) return {};
    return probes.readFile(path).value_or(std::string());
  };
  // OS: the distribution's name and the kernel.
  std::string pretty = FieldOf(read("/etc/os-release"), "PRETTY_NAME", '=');
  const std::string kernel = FirstLine(read("/proc/sys/kernel/ostype"));
  const std::string release = FirstLine(read("/proc/sys/kernel/osrelease"));
  std::string kernelText = kernel.empty() ? release : release.empty() ? kernel : kernel + " " + release;
  v.os = pretty.empty() ? kernelText : kernelText.empty() ? pretty : pretty + " (" + kernelText + ")";
  // CPU: the first model name and the number of processors listed.
  const std::string cpuinfo = read("/proc/cpuinfo");
  v.cpu = FieldOf(cpuinfo, "model name", ':');
  int cpus = 0;
  for (size_t pos = cpuinfo.find("processor"); pos != std::string::npos;
       pos = cpuinfo.find("\nprocessor", pos + 1)) {
    ++cpus;
  }
  if (!v.cpu.empty() && cpus > 0) v.cpu += " (" + std::to_string(cpus) + " CPUs)";
  // Memory: MemTotal in megabytes.
  const std::string total = FieldOf(read("/proc/meminfo"), "MemTotal", ':');
  if (!total.empty()) {
    const long long kb = std::atoll(total.c_str());
    if (kb > 0) v.memory = std::to_string(kb / 1024) + "MB RAM";
  }
  if (probes.displayMode) v.displayMode = probes.displayMode();
  int maxTexture = 0;
  bool haveAdapter = false;
  if (probes.adapter) haveAdapter = probes.adapter(&v.adapterDescription, &v.driverVersion, &maxTexture);
  v.manufacturer = FirstLine(read("/sys/class/dmi/id/sys_vendor"));
  v.model = FirstLine(read("/sys/class/dmi/id/product_name"));
  if (probes.caps) {
    if (auto caps = probes.caps()) v.caps = *caps;
  } else if (haveAdapter) {
    // A GL 3.3 core context covers shader model 3.0.
    v.caps.vertexShaderVersion = v.caps.pixelShaderVersion = 0x300;
    v.caps.maxTextureWidth = v.caps.maxTextureHeight = maxTexture;
  }
  return v;
}

bool WriteSystemReport() {
  const SystemReportProbes& probes = GetSystemReportProbes();
  const std::string text = BuildSystemReport(CollectSystemReportValues(probes), probes.formatCheck);
  if (!vt::platform::WriteFileAtomically(vt::platform::HostPathForGamePath(kReportPath), text)) {
    DebugPrint("%s: could not be written\n", kReportPath);
    return false;
  }
  return true;
}
