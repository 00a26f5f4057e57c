// The replay file format: layout, reader and writer.
#include "Replay/replay_file.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "app/lib_file.h"

namespace {

constexpr char kMagic[] = "ZOLVReplayFile";
// A round on disk holds at least its seeds, reserved words, four stream counts, the log count and
// the start state.
constexpr size_t kMinRoundBytes = 128 + 12 + 16 + 4 + kReplayStartStateSize;
constexpr size_t kEntryBytes = 6;

// Little-endian writer.
class Writer {
 public:
  void U8(uint8_t v) { out_.push_back(v); }
  void U16(uint16_t v) {
    U8(static_cast<uint8_t>(v));
    U8(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) U8(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Bytes(const void* p, size_t n) {
    const auto* b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  std::vector<uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

// Little-endian reader that fails (and stays failed) at the first field past the end.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> b) : b_(b) {}
  bool ok() const { return ok_; }
  size_t Remaining() const { return b_.size() - at_; }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return b_[at_++];
  }
  uint16_t U16() {
    if (!Need(2)) return 0;
    const uint16_t v = static_cast<uint16_t>(b_[at_] | (b_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  uint32_t U32() {
    if (!Need(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(b_[at_ + i]) << (8 * i);
    at_ += 4;
    return v;
  }
  void Bytes(void* p, size_t n) {
    if (!Need(n)) return;
    std::memcpy(p, b_.data() + at_, n);
    at_ += n;
  }

 private:
  bool Need(size_t n) {
    if (ok_ && Remaining() >= n) return true;
    ok_ = false;
    return false;
  }
  std::span<const uint8_t> b_;
  size_t at_ = 0;
  bool ok_ = true;
};

void WriteHeader(Writer& w, const ReplayFileHeader& h) {
  w.Bytes(h.magic, sizeof h.magic);
  w.U32(h.version);
  w.U32(h.reserved0);
  for (uint16_t d : h.date) w.U16(d);
  w.U32(h.reserved1);
  w.U32(h.stage);
  w.U32(h.cpuLevel);
  w.U32(h.damageLevel);
  w.U32(h.roundsToWin);
  w.U32(h.timerSpeed);
  for (const ReplayFileHeader::Player& p : h.players) {
    w.U32(p.controller);
    w.U32(p.character);
    w.U32(p.type);
    w.U32(p.colour);
  }
}

void ReadHeader(Reader& r, ReplayFileHeader& h) {
  r.Bytes(h.magic, sizeof h.magic);
  h.version = r.U32();
  h.reserved0 = r.U32();
  for (uint16_t& d : h.date) d = r.U16();
  h.reserved1 = r.U32();
  h.stage = r.U32();
  h.cpuLevel = r.U32();
  h.damageLevel = r.U32();
  h.roundsToWin = r.U32();
  h.timerSpeed = r.U32();
  for (ReplayFileHeader::Player& p : h.players) {
    p.controller = r.U32();
    p.character = r.U32();
    p.type = r.U32();
    p.colour = r.U32();
  }
}

void WriteStartState(Writer& w, const ReplayRoundStartState& s) {
  w.U32(s.size);
  w.U32(s.finalRound);
  for (const ReplayRoundStartState::Side& side : s.sides) {
    w.U32(side.size);
    w.U32(side.markCount);
    for (uint32_t m : side.marks) w.U32(m);
    w.U32(side.sideFlag);
  }
  for (const ReplayRoundStartState::Meter& m : s.meters) {
    w.U32(m.size);
    w.U32(m.circuit);
  }
}

void ReadStartState(Reader& r, ReplayRoundStartState& s) {
  s.size = r.U32();
  s.finalRound = r.U32();
  for (ReplayRoundStartState::Side& side : s.sides) {
    side.size = r.U32();
    side.markCount = r.U32();
    for (uint32_t& m : side.marks) m = r.U32();
    side.sideFlag = r.U32();
  }
  for (ReplayRoundStartState::Meter& m : s.meters) {
    m.size = r.U32();
    m.circuit = r.U32();
  }
}

bool HasReplayMagic(const char magic[16]) {
  // Compared as a zero-terminated text: a byte after the name that is not 0 makes another magic.
  return std::strncmp(magic, kMagic, 16) == 0;
}

}  // namespace

// ---- header ----

void ReplayFileHeader::Init() {
  std::memset(magic, 0, sizeof magic);
  std::memcpy(magic, kMagic, sizeof kMagic - 1);
  version = kReplayVersion;
  reserved0 = reserved1 = 0;
  std::fill(std::begin(date), std::end(date), uint16_t{0});
  stage = 0;
  cpuLevel = 2;
  roundsToWin = 2;
  timerSpeed = 2;
  players[0] = players[1] = Player{};
}

std::string ReplayFileHeader::FormatDate() const {
  char text[64];
  std::snprintf(text, sizeof text, "%d/%02d/%02d %02d:%02d:%02d", date[0], date[1], date[2], date[3], date[4],
                date[5]);
  return text;
}

// ---- input ----

uint32_t ReplayInputEntry::Pack(uint32_t buttonWord, uint32_t thirdWord) {
  return ((buttonWord >> 12) & 0xFFu) | ((buttonWord & 0xFFu) << 8) | ((thirdWord & 0xFFu) << 16);
}

void ReplayInputStream::Append(const ReplayInputEntry& entry) {
  if (!entries.empty() && runIndex < entries.size()) {
    ReplayInputEntry& run = entries[runIndex];
    if (run.lever == entry.lever && run.buttons == entry.buttons && run.repeat < kReplayRunLimit) {
      ++run.repeat;
      ++position;
      ++length;
      return;
    }
  }
  ReplayInputEntry fresh = entry;
  fresh.repeat = 1;
  entries.push_back(fresh);
  runIndex = static_cast<uint32_t>(entries.size() - 1);
  ++position;
  ++length;
}

// ---- rounds ----

void ReplayRound::Clear() {
  for (ReplayInputStream& s : streams) s = ReplayInputStream{};
  frameCounter = 0;
  reserved[0] = 0;
}

void ReplayRound::Rewind() {
  frameCounter = 0;
  for (ReplayInputStream& s : streams) {
    s.position = 0;
    s.runIndex = 0;
    s.repeatPosition = 0;
  }
}

void ReplayRound::Step() {
  for (ReplayInputStream& s : streams) {
    if (s.runIndex >= s.entries.size()) continue;
    if (++s.repeatPosition >= s.entries[s.runIndex].repeat) {
      s.repeatPosition = 0;
      ++s.runIndex;
    }
    ++s.position;
  }
  ++frameCounter;
}

int ReplayRound::IsFinished() const {
  for (const ReplayInputStream& s : streams)
    if (s.runIndex < s.entries.size()) return 0;
  return 1;
}

uint32_t ReplayRound::GetPosition() const {
  uint32_t p = 0;
  for (const ReplayInputStream& s : streams) p = std::max(p, s.position);
  return p;
}

uint32_t ReplayRound::GetLength() {
  uint32_t longest = 0;
  for (ReplayInputStream& s : streams) {
    if (s.length == 0) {
      uint64_t sum = 0;
      for (const ReplayInputEntry& e : s.entries) sum += e.repeat;
      s.length = static_cast<uint32_t>(std::min<uint64_t>(sum, UINT32_MAX));
    }
    longest = std::max(longest, s.length);
  }
  return longest;
}

void ReplayRound::Release() {
  for (ReplayInputStream& s : streams) s = ReplayInputStream{};
  randomLog.clear();
  randomLog.shrink_to_fit();
}

// ---- the file ----

std::vector<uint8_t> CReplayFile::Serialise() const {
  Writer w;
  WriteHeader(w, header);
  w.U32(static_cast<uint32_t>(rounds.size()));
  for (const ReplayRound& round : rounds) {
    for (uint32_t s : round.seeds) w.U32(s);
    for (uint32_t r : round.reserved) w.U32(r);
    for (const ReplayInputStream& s : round.streams) {
      w.U32(static_cast<uint32_t>(s.entries.size()));
      for (const ReplayInputEntry& e : s.entries) {
        w.U8(e.repeat);  // the repeat comes first on disk
        w.U8(e.lever);
        w.U32(e.buttons);
      }
    }
    w.U32(static_cast<uint32_t>(round.randomLog.size()));
    for (uint32_t v : round.randomLog) w.U32(v);
    WriteStartState(w, round.startState);
  }
  return w.Take();
}

int CReplayFile::Save(std::string_view file) {
  path = std::string(file);
  const std::vector<uint8_t> bytes = Serialise();
  return lib::SaveFileAtomic(file, bytes) ? 1 : 0;
}

int CReplayFile::Parse(std::span<const uint8_t> bytes, std::string_view source) {
  auto fail = [&](const std::string& why) {
    errorText = std::string(source) + ": " + why;
    DebugPrint("replay %s\n", errorText.c_str());
    return 0;
  };
  Reader r(bytes);
  ReplayFileHeader h;
  h.damageLevel = header.damageLevel;
  ReadHeader(r, h);
  if (!r.ok()) return fail("the file is shorter than a replay header");
  if (!HasReplayMagic(h.magic)) return fail("not a replay file");
  if (h.version != kReplayVersion) return fail("replay version not supported");
  // A file that ends right after its header is a replay of no rounds (its count reads as 0).
  const uint32_t count = r.Remaining() == 0 ? 0 : r.U32();
  if (!r.ok()) return fail("the file ends inside the round count");
  if (count >= kReplayRoundCountLimit) return fail("リプレイファイルのサイズが大きすぎる");
  if (count > r.Remaining() / kMinRoundBytes) return fail("the round count is larger than the file holds");

  std::vector<ReplayRound> parsed(count);
  for (uint32_t n = 0; n < count; ++n) {
    ReplayRound& round = parsed[n];
    const std::string where = "round " + std::to_string(n);
    for (uint32_t& s : round.seeds) s = r.U32();
    for (uint32_t& v : round.reserved) v = r.U32();
    for (int k = 0; k < kReplayStreams; ++k) {
      ReplayInputStream& s = round.streams[k];
      const uint32_t entries = r.U32();
      if (!r.ok()) return fail(where + " ends early");
      if (entries > r.Remaining() / kEntryBytes)
        return fail(where + " stream " + std::to_string(k) + ": more entries than the file holds");
      s.entries.resize(entries);
      for (uint32_t i = 0; i < entries; ++i) {
        ReplayInputEntry& e = s.entries[i];
        e.repeat = r.U8();
        e.lever = r.U8();
        e.buttons = r.U32();
        // A run of 0 frames would hold playback on it for the rest of the round, and the lever
        // indexes ten-entry maps.
        const std::string entry = where + " stream " + std::to_string(k) + " entry " + std::to_string(i);
        if (r.ok() && e.repeat == 0) return fail(entry + ": a run of 0 frames");
        if (r.ok() && e.lever > 9)
          return fail(entry + ": lever " + std::to_string(e.lever) + " outside 0..9");
      }
    }
    const uint32_t logCount = r.U32();
    if (!r.ok()) return fail(where + " ends early");
    if (logCount > r.Remaining() / 4) return fail(where + ": a random log longer than the file holds");
    round.randomLog.resize(logCount);
    for (uint32_t& v : round.randomLog) v = r.U32();
    ReadStartState(r, round.startState);
    if (!r.ok()) return fail(where + " ends early");
    for (int side = 0; side < 2; ++side)
      if (round.startState.sides[side].markCount > kReplayMarks)
        return fail(where + " side " + std::to_string(side) + ": " +
                    std::to_string(round.startState.sides[side].markCount) + " round marks, at most 10");
  }
  header = h;
  rounds = std::move(parsed);
  path = std::string(source);
  errorText.clear();
  return 1;
}

int CReplayFile::Load(std::string_view file) {
  lib::CFile f;
  if (!f.OpenRead(file)) {
    errorText = std::string(file) + ": the file cannot be opened";
    DebugPrint("replay %s\n", errorText.c_str());
    return 0;
  }
  std::vector<uint8_t> bytes(f.GetSize());
  if (!bytes.empty() && f.Read(bytes.data(), static_cast<uint32_t>(bytes.size())) != bytes.size()) {
    errorText = std::string(file) + ": the file cannot be read";
    DebugPrint("replay %s\n", errorText.c_str());
    return 0;
  }
  return Parse(bytes, file);
}

void CReplayFile::AppendInput(int slot, const ReplayInputEntry& entry) {
  if (slot < 0 || slot >= kReplayStreams) return;
  if (roundIndex >= rounds.size()) {
    rounds.emplace_back();
    roundIndex = static_cast<uint32_t>(rounds.size() - 1);
  }
  rounds[roundIndex].streams[slot].Append(entry);
}

ReplayInputEntry CReplayFile::ReadInput(int slot) const {
  if (slot < 0 || slot >= kReplayStreams || roundIndex >= rounds.size()) return {};
  const ReplayInputStream& s = rounds[roundIndex].streams[slot];
  if (s.runIndex >= s.entries.size()) return {};
  return s.entries[s.runIndex];
}

uint32_t CReplayFile::RewindAll() {
  errorText.clear();
  for (ReplayRound& r : rounds) r.Rewind();
  roundIndex = 0;
  return static_cast<uint32_t>(rounds.size());
}

int CReplayFile::GetRoundStartState(uint32_t round, ReplayRoundStartState* out) const {
  if (round >= rounds.size() || out == nullptr) return 0;
  *out = rounds[round].startState;
  return 1;
}

// ---- headers of other files ----

int ProbeReplayFile(std::string_view file) {
  lib::CFile f;
  if (!f.OpenRead(file)) return -1;
  uint8_t head[20] = {};
  const uint32_t got = f.Read(head, sizeof head);
  char magic[16];
  std::memcpy(magic, head, 16);
  if (got < 16 || !HasReplayMagic(magic)) return -2;
  if (got < 20) return -3;
  const uint32_t version =
      head[16] | (head[17] << 8) | (head[18] << 16) | (static_cast<uint32_t>(head[19]) << 24);
  return version == kReplayVersion ? 1 : -3;
}

int ReadReplayFileHeader(ReplayFileHeader* header, std::string_view file) {
  if (header == nullptr) return 0;
  CDataAccess f;
  if (f.Open(file) == 0) return 0;
  uint8_t bytes[kReplayHeaderSize] = {};
  const uint32_t size = std::min<uint32_t>(f.GetSize(), kReplayHeaderSize);
  if (size > 0 && f.Read(bytes, size) == 0) return 0;
  // Fields past a short file's end keep their values: read what is there over a copy.
  std::vector<uint8_t> have(bytes, bytes + size);
  Writer w;
  WriteHeader(w, *header);
  std::vector<uint8_t> merged = w.Take();
  std::copy(have.begin(), have.end(), merged.begin());
  Reader r(merged);
  ReadHeader(r, *header);
  return 1;
}
