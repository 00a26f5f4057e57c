// The sample data builder's step registry: each generator file registers a step that writes
// its part of the sample game folder. Steps run in name order, so output is deterministic.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace mkdata {

using StepFn = std::function<bool(const std::filesystem::path& root)>;

bool RegisterStep(const std::string& name, StepFn fn);

// Writes bytes to root/relative (creating folders), replacing the file.
bool WriteBytes(const std::filesystem::path& root, const std::string& relative, const void* data, size_t size);
bool WriteText(const std::filesystem::path& root, const std::string& relative, const std::string& text);

}  // namespace mkdata

#define MKDATA_CONCAT2(a, b) a##b
#define MKDATA_CONCAT(a, b) MKDATA_CONCAT2(a, b)
#define MKDATA_STEP(name, fn) \
  static const bool MKDATA_CONCAT(mkdata_step_, __LINE__) = ::mkdata::RegisterStep(name, fn)
