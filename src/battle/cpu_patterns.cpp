// The ".cpf" reader and writer: explicit little-endian reads at fixed offsets into typed records.
#include "battle/cpu_patterns.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>

#include "app/file_loader.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"

CpuPatternFile g_CpuPatternSlots[kCpuPatternSlots];
CpuAiState g_CpuAiStates[kCpuPatternSlots];

namespace {
std::atomic<uint32_t> g_LoadCounts[kCpuPatternSlots];
}  // namespace

uint32_t CpuPatternLoadCount(int slot) {
  return slot >= 0 && slot < kCpuPatternSlots ? g_LoadCounts[slot].load() : 0;
}

namespace {

// Record offsets (within a record) and step offsets (within a step).
constexpr size_t kStepsEnd = kCpuPatternSteps * kCpuPatternStepSize;  // 1760

// A little-endian view of the slot: bytes past the file (or past the slot) read as 0.
class SlotReader {
 public:
  explicit SlotReader(std::span<const uint8_t> bytes)
      : bytes_(bytes.first(std::min(bytes.size(), kCpuPatternFileSize))) {}
  uint32_t U(size_t offset, int width) const {
    uint32_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | Byte(offset + static_cast<size_t>(i));
    return v;
  }
  uint8_t U8(size_t offset) const { return Byte(offset); }
  int16_t I16(size_t offset) const { return static_cast<int16_t>(U(offset, 2)); }
  int32_t I32(size_t offset) const { return static_cast<int32_t>(U(offset, 4)); }

 private:
  uint8_t Byte(size_t offset) const { return offset < bytes_.size() ? bytes_[offset] : 0; }
  std::span<const uint8_t> bytes_;
};

class SlotWriter {
 public:
  SlotWriter() : bytes_(kCpuPatternFileSize, 0) {}
  void U(size_t offset, uint32_t v, int width) {
    for (int i = 0; i < width; ++i)
      bytes_[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  }
  void I32(size_t offset, int32_t v) { U(offset, static_cast<uint32_t>(v), 4); }
  void I16(size_t offset, int16_t v) { U(offset, static_cast<uint16_t>(v), 2); }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

// One table of the record's int32 fields and their offsets, shared by the reader and the writer.
struct RecordField {
  size_t offset;
  int32_t CpuPatternRecord::*field;
};
constexpr RecordField kRecordFields[] = {
    {1760, &CpuPatternRecord::distanceMin},    {1764, &CpuPatternRecord::distanceMax},
    {1768, &CpuPatternRecord::heightWindow},   {1772, &CpuPatternRecord::heightMin},
    {1776, &CpuPatternRecord::heightMax},      {1780, &CpuPatternRecord::chance},
    {1792, &CpuPatternRecord::ownStance},      {1796, &CpuPatternRecord::targetStance},
    {1800, &CpuPatternRecord::targetFree},     {1804, &CpuPatternRecord::incomingAttack},
    {1808, &CpuPatternRecord::ownPatternOn},   {1812, &CpuPatternRecord::requiredPattern},
    {1816, &CpuPatternRecord::requiredFrame},  {1820, &CpuPatternRecord::ownLife},
    {1828, &CpuPatternRecord::targetHittable}, {1832, &CpuPatternRecord::interruptible},
    {1840, &CpuPatternRecord::minLevel},       {1844, &CpuPatternRecord::gauge},
    {1860, &CpuPatternRecord::weight},
};
constexpr size_t kCooldownOffset = 1836;
static_assert(kStepsEnd == 1760);

struct StepWord {
  size_t offset;
  int16_t CpuPatternStep::*field;
};
constexpr StepWord kStepWords[] = {
    {2, &CpuPatternStep::duration}, {4, &CpuPatternStep::randomExtra}, {6, &CpuPatternStep::commandId},
    {8, &CpuPatternStep::word8},    {10, &CpuPatternStep::word10},
};

}  // namespace

void ReadCpuPatternFile(std::span<const uint8_t> bytes, CpuPatternFile* out) {
  *out = CpuPatternFile{};
  const SlotReader in(bytes);
  out->guardRate = in.I32(0);
  for (int n = 0; n < kCpuPatternRecords; ++n) {
    CpuPatternRecord& r = out->records[n];
    const size_t base = kCpuPatternRecordOffset + kCpuPatternRecordSize * static_cast<size_t>(n);
    for (int s = 0; s < kCpuPatternSteps; ++s) {
      CpuPatternStep& st = r.steps[s];
      const size_t at = base + kCpuPatternStepSize * static_cast<size_t>(s);
      st.kind = in.U8(at);
      for (const StepWord& w : kStepWords) st.*w.field = in.I16(at + w.offset);
      st.flags = in.U(at + 24, 4);
      st.heldDirection = in.U8(at + 32);
      st.randomPickValue = in.U8(at + 33);
    }
    for (const RecordField& f : kRecordFields) r.*f.field = in.I32(base + f.offset);
    r.cooldown = in.I16(base + kCooldownOffset);
    // A negative chance or weight would keep the race draw from ever ending (or skew its sums):
    // both count as 0 from the load on.
    r.chance = std::max(r.chance, 0);
    r.weight = std::max(r.weight, 0);
  }
}

std::vector<uint8_t> WriteCpuPatternFile(const CpuPatternFile& file) {
  SlotWriter out;
  out.I32(0, file.guardRate);
  for (int n = 0; n < kCpuPatternRecords; ++n) {
    const CpuPatternRecord& r = file.records[n];
    const size_t base = kCpuPatternRecordOffset + kCpuPatternRecordSize * static_cast<size_t>(n);
    for (int s = 0; s < kCpuPatternSteps; ++s) {
      const CpuPatternStep& st = r.steps[s];
      const size_t at = base + kCpuPatternStepSize * static_cast<size_t>(s);
      out.U(at, st.kind, 1);
      for (const StepWord& w : kStepWords) out.I16(at + w.offset, st.*w.field);
      out.U(at + 24, st.flags, 4);
      out.U(at + 32, st.heldDirection, 1);
      out.U(at + 33, st.randomPickValue, 1);
    }
    for (const RecordField& f : kRecordFields) out.I32(base + f.offset, r.*f.field);
    out.I32(base + kCooldownOffset, r.cooldown);
  }
  return out.Take();
}

int LoadCpuPatternFile(std::string_view path, int slot) {
  if (slot < 0 || slot >= kCpuPatternSlots) return 0;
  CpuPatternFile& dest = g_CpuPatternSlots[slot];
  dest = CpuPatternFile{};
  g_LoadCounts[slot].fetch_add(1);
  CFileLoader loader;
  if (!loader.Open(path)) return 0;
  // Never more than the slot, whatever the file's size.
  const uint32_t count = std::min<uint32_t>(loader.GetSize(), static_cast<uint32_t>(kCpuPatternFileSize));
  std::vector<uint8_t> bytes(count);
  if (count > 0 && !loader.ReadAndWait(bytes.data(), count, count)) bytes.clear();
  // A read that stopped part way keeps what arrived; the rest of the slot stays zero.
  bytes.resize(std::min<size_t>(bytes.size(), loader.BytesRead()));
  loader.Close();
  ReadCpuPatternFile(bytes, &dest);
  g_CpuAiStates[slot] = CpuAiState{};
  return 1;
}

int LoadCharacterCpuPatterns(int player) {
  if (player < 0 || player >= kCpuPatternSlots) return 1;
  const BattleObject& o = g_PlayerRecords[player].obj;
  std::string names[2];
  if (!BattleSeamCharaListFiles(o.charaIndex, &names[0], &names[1])) {
    // No list entry: no file, so the slot stays zero as for a missing one.
    g_CpuPatternSlots[player] = CpuPatternFile{};
    return 1;
  }
  // As the character loader decides it: a second file name that is empty or begins with "0"
  // means one body.
  const bool twoBodies = !names[1].empty() && names[1][0] != '0';
  if (player >= 2 && twoBodies) return 1;
  const int bodies = player < 2 && twoBodies ? 2 : 1;
  for (int i = 0; i < bodies; ++i) {
    const int slot = player + 2 * i;
    char path[96];
    std::snprintf(path, sizeof path, "%s%s_%01d.cpf", ".\\data\\", names[i].c_str(), int{o.type});
    if (LoadCpuPatternFile(path, slot)) continue;
    std::snprintf(path, sizeof path, "%s%s.cpf", ".\\data\\", names[i].c_str());
    LoadCpuPatternFile(path, slot);
  }
  return 1;
}
