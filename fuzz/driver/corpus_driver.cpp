// Replays every file of a corpus folder through a fuzz target: the regression half of fuzzing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::filesystem::path dir = argv[1];
  int count = 0;
  if (std::filesystem::is_directory(dir)) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
      ++count;
    }
  }
  // An empty input is always part of the regression run.
  LLVMFuzzerTestOneInput(nullptr, 0);
  std::printf("%d corpus inputs replayed\n", count);
  return 0;
}
