// mkdata <folder>: writes the sample game folder, deterministically, from code.
#include <cstdio>
#include <fstream>
#include <map>

#include "mkdata.h"

namespace mkdata {

static std::map<std::string, StepFn>& Steps() {
  static std::map<std::string, StepFn> steps;
  return steps;
}

bool RegisterStep(const std::string& name, StepFn fn) {
  Steps()[name] = std::move(fn);
  return true;
}

bool WriteBytes(const std::filesystem::path& root, const std::string& relative, const void* data,
                size_t size) {
  std::filesystem::path path = root / relative;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(out);
}

bool WriteText(const std::filesystem::path& root, const std::string& relative, const std::string& text) {
  return WriteBytes(root, relative, text.data(), text.size());
}

}  // namespace mkdata

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: mkdata <game folder>\n");
    return 2;
  }
  std::filesystem::path root = argv[1];
  std::filesystem::create_directories(root);
  for (auto& [name, fn] : mkdata::Steps()) {
    if (!fn(root)) {
      std::fprintf(stderr, "mkdata: step %s failed\n", name.c_str());
      return 1;
    }
  }
  return 0;
}
