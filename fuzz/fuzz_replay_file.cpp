// Fuzz target: the replay file parser over arbitrary bytes. Whatever it accepts writes back to
// the same bytes' meaning: the written file parses again to an equal replay.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "Replay/replay_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CReplayFile first;
  if (first.Parse(std::span<const uint8_t>(data, size), "fuzz") == 0) {
    if (first.errorText.empty()) std::abort();
    return 0;
  }
  const std::vector<uint8_t> written = first.Serialise();
  CReplayFile second;
  if (second.Parse(written, "fuzz") != 1) std::abort();
  if (!(second.header == first.header) || !(second.rounds == first.rounds)) std::abort();
  return 0;
}
