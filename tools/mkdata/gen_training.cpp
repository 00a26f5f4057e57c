// The training mode's sample files:
// ".\data\deku.cpf", the dummy pattern file that STAND, JUMP and CROUCH load: a zero slot (guard
// rate 0, no records), written by the ".cpf" writer; the stance itself comes from the dummy's
// enemy-status rules.
// ".\RepDummy\RepD_@CPUNAME@_@CPUSTYLE@.dmr", the dummy file under the name the default template
// gives (no template file in the sample set, so every dummy character shares it), recorded for
// the duelist as the dummy on side 2: slot 0 walks in and jabs, slot 4 crouches, blocks low and
// sweeps; the other eight slots are empty.
#include <vector>

#include "Replay/replay_file.h"
#include "battle/cpu_patterns.h"
#include "mkdata.h"

namespace {

constexpr uint32_t kButtonA = 0x1;
constexpr uint32_t kButtonC = 0x4;

// Appends `frames` frames of one input to the dummy's stream 0. `pressed` buttons count as pressed
// on the first of those frames and held on the rest.
void Hold(ReplayRound& round, uint8_t lever, uint32_t buttons, int frames) {
  for (int f = 0; f < frames; ++f) {
    const uint32_t word = (buttons << 12) | (f == 0 ? buttons : 0);
    round.streams[0].Append({lever, 1, ReplayInputEntry::Pack(word, 0)});
  }
}

bool WriteTraining(const std::filesystem::path& root) {
  const std::vector<uint8_t> deku = WriteCpuPatternFile(CpuPatternFile{});
  if (!mkdata::WriteBytes(root, "data/deku.cpf", deku.data(), deku.size())) return false;

  CReplayFile file;
  file.header.players[1].character = 1;  // the duelist in the sample list
  file.rounds.resize(10);
  ReplayRound& walkIn = file.rounds[0];
  Hold(walkIn, 6, 0, 40);
  Hold(walkIn, 5, kButtonA, 6);
  Hold(walkIn, 5, 0, 20);
  ReplayRound& lowGame = file.rounds[4];
  Hold(lowGame, 1, 0, 30);
  Hold(lowGame, 2, kButtonC, 8);
  Hold(lowGame, 5, 0, 20);
  for (ReplayRound& r : file.rounds) r.Rewind();
  const std::vector<uint8_t> bytes = file.Serialise();
  return mkdata::WriteBytes(root, "RepDummy/RepD_@CPUNAME@_@CPUSTYLE@.dmr", bytes.data(), bytes.size());
}

}  // namespace

MKDATA_STEP("71_training", WriteTraining);
