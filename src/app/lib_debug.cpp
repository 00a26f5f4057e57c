// Debugger output on Linux: standard error plus an optional trace file, serialised by a mutex.
#include "app/lib_debug.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace {
std::mutex g_debugMutex;
std::FILE* g_traceFile = nullptr;
bool g_quiet = false;
std::atomic<void (*)(const char*)> g_observer{nullptr};
}  // namespace

void DebugOutput(const char* text) {
  if (text == nullptr) return;
  {
    std::lock_guard<std::mutex> lock(g_debugMutex);
    if (!g_quiet) {
      std::fputs(text, stderr);
      std::fflush(stderr);
    }
    if (g_traceFile != nullptr) {
      std::fputs(text, g_traceFile);
      std::fflush(g_traceFile);
    }
  }
  if (auto* observer = g_observer.load(std::memory_order_acquire)) observer(text);
}

void DebugPrint(const char* format, ...) {
  char buffer[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  DebugOutput(buffer);
}

namespace vt {

void SetDebugTraceFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_debugMutex);
  if (g_traceFile != nullptr) std::fclose(g_traceFile);
  g_traceFile = path.empty() ? nullptr : std::fopen(path.c_str(), "ab");
}

void SetDebugObserver(void (*observer)(const char* text)) {
  g_observer.store(observer, std::memory_order_release);
}

void SetDebugQuiet(bool quiet) {
  std::lock_guard<std::mutex> lock(g_debugMutex);
  g_quiet = quiet;
}

}  // namespace vt
