// Fuzz target: the probe and the header read of a replay file, over a file holding arbitrary
// bytes. The probe's answer follows the first 20 bytes; the header read takes every field that
// lies inside the file and leaves the ones past its end as they were.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "Replay/replay_file.h"

namespace {

uint32_t U32At(const uint8_t* data, size_t at) {
  return data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) | (static_cast<uint32_t>(data[at + 3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string file = "fuzz_replay_header_" + std::to_string(getpid()) + ".rep";
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const bool magic =
      size >= 16 && std::strncmp(reinterpret_cast<const char*>(data), "ZOLVReplayFile", 16) == 0;
  const int want = !magic ? -2 : size < 20 ? -3 : U32At(data, 16) == kReplayVersion ? 1 : -3;
  if (ProbeReplayFile(file) != want) std::abort();

  constexpr uint32_t kUntouched = 0xDEADBEEFu;
  ReplayFileHeader h;
  h.version = h.stage = h.players[1].colour = kUntouched;
  if (ReadReplayFileHeader(&h, file) != 1) std::abort();
  // A field wholly inside the file is read, one wholly past its end keeps its value (one cut by
  // the end takes the bytes that are there).
  auto check = [&](uint32_t got, size_t at) {
    if (size >= at + 4 ? got != U32At(data, at) : size <= at ? got != kUntouched : false) std::abort();
  };
  check(h.version, 16);
  check(h.stage, 40);
  check(h.players[1].colour, 88);
  std::remove(file.c_str());
  return 0;
}
