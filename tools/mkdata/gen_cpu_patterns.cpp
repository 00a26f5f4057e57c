// The sample characters' CPU pattern files, written by the ".cpf" writer:
// ".\data\duelist_0.cpf" (the type's own name) fights with every kind of record a match needs:
// an interruptible approach, a poke, a low, a jump-in, an anti-air, the "236A" special and the
// "236C" super through their command ids, a throw, a chooser that jumps to other records, a
// back-off with a cooldown and a record kept for level 3 and up.
// ".\data\tester.cpf" (the fallback name) has no attacks: it walks, jumps, crouches and shields,
// and guards by its rate. A copy of it with another guard rate is staged for pack 0000.p, so a
// run shows that the pack is read before the disk.
#include <vector>

#include "battle/cpu_patterns.h"
#include "mkdata.h"

namespace {

// The duelist's command ids (its command file's order).
constexpr int16_t kCommand236C = 0;
constexpr int16_t kCommand236A = 1;
constexpr int16_t kCommand623C = 2;

// Step kinds used here.
enum : uint8_t {
  kIdle = 0,
  kForward = 1,
  kBack = 2,
  kDown = 3,
  kUp = 4,
  kUpForward = 5,
  kPressA = 7,
  kPressB = 8,
  kPressC = 9,
  kPressD = 10,
  kDownA = 11,
  kCommand = 16,
  kThrow = 17,
  kJump = 19,
};

CpuPatternStep Step(uint8_t kind, int16_t frames, uint32_t flags = 0, uint8_t held = 0) {
  CpuPatternStep s;
  s.kind = kind;
  s.duration = frames;
  s.flags = flags;
  s.heldDirection = held;
  return s;
}

CpuPatternStep CommandStep(int16_t id) {
  CpuPatternStep s = Step(kCommand, 2);
  s.commandId = id;
  return s;
}

CpuPatternRecord& Record(CpuPatternFile& f, int n, int32_t chance, int32_t weight, int32_t dmin, int32_t dmax,
                         std::initializer_list<CpuPatternStep> steps) {
  CpuPatternRecord& r = f.records[n];
  r.chance = chance;
  r.weight = weight;
  r.distanceMin = dmin;
  r.distanceMax = dmax;
  int i = 0;
  for (const CpuPatternStep& s : steps) r.steps[i++] = s;
  return r;
}

CpuPatternFile Duelist() {
  CpuPatternFile f;
  f.guardRate = 50;
  // 1 approach: walks in from afar; any other pick may replace it.
  CpuPatternStep walk = Step(kForward, 20, kCpuStepEndRecord | kCpuStepEndNear, 1);
  walk.randomExtra = 10;
  Record(f, 1, 100, 20, 80, 10000, {walk}).interruptible = 1;
  // 2 poke: A, then stand still and end. Its cooldown makes a failed roll wait the level's
  // reaction delay.
  Record(f, 2, 80, 30, 0, 60, {Step(kPressA, 4), Step(kIdle, 10, kCpuStepEndRecord)}).cooldown = 20;
  // 3 low: crouching A, held down, then end.
  Record(f, 3, 70, 25, 0, 60, {Step(kDownA, 4, 0, 4), Step(kDown, 8, kCpuStepEndRecord, 4)}).cooldown = 30;
  // 4 jump-in: up-forward, C on the way down, land.
  Record(f, 4, 50, 15, 60, 140, {Step(kUpForward, 12), Step(kPressC, 4), Step(kIdle, 20, kCpuStepEndRecord)});
  // 5 anti-air: the rising special against an airborne target.
  CpuPatternRecord& antiAir =
      Record(f, 5, 90, 40, 0, 100, {CommandStep(kCommand623C), Step(kIdle, 30, kCpuStepEndRecord)});
  antiAir.targetStance = 2;
  // 6 "236A": the projectile special at mid range.
  Record(f, 6, 60, 15, 60, 300, {CommandStep(kCommand236A), Step(kIdle, 30, kCpuStepEndRecord)});
  // 7 throw: up close, against a target that can be hit.
  Record(f, 7, 60, 20, 0, 25, {Step(kThrow, 2), Step(kIdle, 20, kCpuStepEndRecord)}).targetHittable = 1;
  // 8 chooser: jumps to the poke, the low or the throw.
  CpuPatternStep choose = Step(kJump, 0);
  choose.duration = 2;
  choose.randomExtra = 3;
  choose.commandId = 7;
  Record(f, 8, 40, 10, 0, 120, {choose});
  // 9 back-off: walks back, then rests a second before it may back off again.
  Record(f, 9, 50, 10, 0, 40, {Step(kBack, 15, kCpuStepEndRecord, 2)}).cooldown = 60;
  // 10 "236C": the super, once the gauge allows it.
  Record(f, 10, 100, 50, 0, 200, {CommandStep(kCommand236C), Step(kIdle, 60, kCpuStepEndRecord)}).gauge = 2;
  // 11 from level 3: B, and on contact the crouching A.
  CpuPatternRecord& combo = Record(
      f, 11, 70, 20, 0, 70,
      {Step(kPressB, 8, kCpuStepWatchContact), Step(kDownA, 4, 0, 4), Step(kIdle, 12, kCpuStepEndRecord)});
  combo.minLevel = 3;
  return f;
}

CpuPatternFile Tester(int32_t guardRate) {
  CpuPatternFile f;
  f.guardRate = guardRate;
  Record(f, 1, 100, 10, 80, 10000, {Step(kForward, 30, kCpuStepEndRecord | kCpuStepEndNear, 1)})
      .interruptible = 1;
  Record(f, 2, 60, 10, 0, 80, {Step(kBack, 20, kCpuStepEndRecord, 2)});
  Record(f, 3, 40, 5, 0, 0, {Step(kUp, 30, kCpuStepEndRecord)});
  // Shield against an attack on its way.
  Record(f, 4, 80, 20, 0, 0, {Step(kPressD, 6, kCpuStepEndRecord)}).incomingAttack = 1;
  Record(f, 5, 50, 5, 0, 0, {Step(kDown, 20, kCpuStepEndRecord, 4)}).cooldown = 30;
  return f;
}

bool Write(const std::filesystem::path& root, const std::string& relative, const CpuPatternFile& f) {
  const std::vector<uint8_t> bytes = WriteCpuPatternFile(f);
  return mkdata::WriteBytes(root, relative, bytes.data(), bytes.size());
}

bool WriteCpuPatterns(const std::filesystem::path& root) {
  return Write(root, "data/duelist_0.cpf", Duelist()) && Write(root, "data/tester.cpf", Tester(30)) &&
         Write(root, "pack_0000/data/tester.cpf", Tester(40));
}

}  // namespace

MKDATA_STEP("62_cpu_patterns", WriteCpuPatterns);
