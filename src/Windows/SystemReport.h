// The system report .\System\_Sysinfo.txt: operating system, processor, memory, display,
// adapter and driver, manufacturer and model, device capabilities and the texture-format
// table, written anew at every start. Every value has a probe; a probe that fails leaves its
// value empty (or its format check "-") and the report is still written.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct SystemReportCaps {
  unsigned vertexShaderVersion = 0;  // major in bits 8..15, minor in bits 0..7
  unsigned pixelShaderVersion = 0;
  int maxTextureWidth = 0, maxTextureHeight = 0;
  int maxTextureBlendStages = 0;
  float maxPointSize = 0;
  int maxPrimitiveCount = 0;
};

struct SystemReportValues {
  std::string os, cpu, memory, displayMode;
  std::string adapterDescription, displayMemory, driverVersion, directXVersion;
  std::string manufacturer, model;
  SystemReportCaps caps;
};

// The device's answer for one format of the table: kind 'F' full-screen display format,
// 'T' texture, 'D' depth-stencil, 'R' render-target texture.
using FormatCheck = std::function<bool(uint32_t format, char kind)>;

// The formats of the table, in their order.
std::span<const uint32_t> GetReportFormats();

std::string BuildSystemReport(const SystemReportValues& values, const FormatCheck& check);

// Where the report's values come from; the graphics device installs its capabilities and
// format checks, the rest are read from the machine.
struct SystemReportProbes {
  std::function<std::optional<std::string>(const char* path)> readFile;  // /etc, /proc, /sys
  std::function<std::string()> displayMode;
  // Adapter name and driver version (GL renderer and version).
  std::function<bool(std::string* adapter, std::string* driver, int* maxTextureSize)> adapter;
  std::function<std::optional<SystemReportCaps>()> caps;
  FormatCheck formatCheck;
};
// The probes in force (the machine's unless a test installed others).
SystemReportProbes& GetSystemReportProbes();
SystemReportProbes DefaultSystemReportProbes();

SystemReportValues CollectSystemReportValues(const SystemReportProbes& probes);

// Builds the report from the probes and writes .\System\_Sysinfo.txt in one write. False when
// the file could not be written (start-up goes on).
bool WriteSystemReport();
