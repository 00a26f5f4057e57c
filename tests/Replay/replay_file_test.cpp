// The replay file format: a golden file assembled here byte by byte from the layout (so the
// writer and the reader cannot agree on a wrong one), the run-length streams, the probe and
// header read, damaged files refused without touching what was loaded, and safe saving.
#include "Replay/replay_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/path_translate.h"

namespace {

struct Bytes {
  std::vector<uint8_t> b;
  Bytes& u8(uint8_t v) {
    b.push_back(v);
    return *this;
  }
  Bytes& u16(uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
  Bytes& u32(uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& text(const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) u8(i < std::strlen(s) ? static_cast<uint8_t>(s[i]) : 0);
    return *this;
  }
};

// One round: two short streams, a three-value log, a non-default start state.
std::vector<uint8_t> Golden() {
  Bytes f;
  f.text("ZOLVReplayFile", 16).u32(0xC0000004u).u32(0);        // 0, 16, 20
  f.u16(2026).u16(12).u16(11).u16(13).u16(45).u16(30).u32(0);  // date 24..35, 36
  f.u32(3).u32(1).u32(2).u32(2).u32(3);                        // stage 40 .. timer 56
  f.u32(0).u32(1).u32(0).u32(5);                               // player 1 at 60
  f.u32(1).u32(2).u32(1).u32(7);                               // player 2 at 76
  EXPECT_EQ(f.b.size(), 92u);
  f.u32(1);  // round count
  for (uint32_t i = 0; i < 32; ++i) f.u32(i <= 10 ? 100 + i : 0);
  f.u32(0).u32(255).u32(255);
  f.u32(2).u8(3).u8(5).u32(0x00250101u).u8(1).u8(6).u32(0);  // stream 0: repeat, lever, buttons
  f.u32(1).u8(4).u8(2).u32(0x00001F01u);                     // stream 1
  f.u32(0).u32(0);                                           // streams 2 and 3
  f.u32(3).u32(11).u32(22).u32(33);                          // log
  f.u32(144).u32(255);                                       // start state: size, final round
  f.u32(52).u32(1).u32(3);
  for (int i = 1; i < 10; ++i) f.u32(0);
  f.u32(1);
  f.u32(52).u32(0);
  for (int i = 0; i < 10; ++i) f.u32(0);
  f.u32(0);
  f.u32(8).u32(100).u32(8).u32(200).u32(8).u32(0).u32(8).u32(0);
  return f.b;
}

void WriteFile(const std::string& game, const std::vector<uint8_t>& bytes) {
  const std::string host = vt::platform::ResolveGamePath(game);
  const std::filesystem::path folder = std::filesystem::path(host).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder);
  std::ofstream(host, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<uint8_t> ReadFile(const std::string& game) {
  std::ifstream in(vt::platform::ResolveGamePath(game), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(ReplayFile, GoldenFileLoadsItsValuesAndSavesByteIdentical) {
  const std::vector<uint8_t> golden = Golden();
  CReplayFile f;
  ASSERT_EQ(f.Parse(golden, "golden"), 1) << f.errorText;
  EXPECT_EQ(f.header.stage, 3u);
  EXPECT_EQ(f.header.cpuLevel, 1u);
  EXPECT_EQ(f.header.timerSpeed, 3u);
  EXPECT_EQ(f.header.players[1].colour, 7u);
  EXPECT_EQ(f.header.FormatDate(), "2026/12/11 13:45:30");
  ASSERT_EQ(f.rounds.size(), 1u);
  const ReplayRound& r = f.rounds[0];
  EXPECT_EQ(r.seeds[10], 110u);
  EXPECT_EQ(r.reserved[2], 255u);
  ASSERT_EQ(r.streams[0].entries.size(), 2u);
  EXPECT_EQ(r.streams[0].entries[0], (ReplayInputEntry{5, 3, 0x00250101u}));
  EXPECT_EQ(r.streams[1].entries[0].ButtonWord(), 0x101Fu);
  EXPECT_EQ(r.randomLog, (std::vector<uint32_t>{11, 22, 33}));
  EXPECT_EQ(r.startState.finalRound, 255u);
  EXPECT_EQ(r.startState.sides[0].marks[0], 3u);
  EXPECT_EQ(r.startState.sides[0].sideFlag, 1u);
  EXPECT_EQ(r.startState.meters[1].circuit, 200u);
  EXPECT_EQ(f.Serialise(), golden);
}

TEST(ReplayFile, EmptyFileAndEmptyRoundSizes) {
  CReplayFile f;
  EXPECT_EQ(f.Serialise().size(), 96u);
  f.rounds.emplace_back();
  EXPECT_EQ(f.Serialise().size(), 96u + 304u);
}

TEST(ReplayFile, RunsHoldAtMost248FramesAndAChangeStartsARun) {
  ReplayInputStream same;
  for (int i = 0; i < 249; ++i) same.Append({5, 0, 0x10});
  ASSERT_EQ(same.entries.size(), 2u);
  EXPECT_EQ(same.entries[0].repeat, 248);
  EXPECT_EQ(same.entries[1].repeat, 1);
  EXPECT_EQ(same.position, 249u);
  ReplayInputStream alternating;
  for (int i = 0; i < 6; ++i) alternating.Append({static_cast<uint8_t>(i % 2 ? 6 : 4), 0, 0});
  EXPECT_EQ(alternating.entries.size(), 6u);
}

TEST(ReplayFile, PackingKeepsTheHeldAndPressedBytesAndTheThirdWordsLowByte) {
  const uint32_t packed = ReplayInputEntry::Pack(0x1F1F, 0x25);
  EXPECT_EQ(packed & 0xFF, 0x01u);
  EXPECT_EQ((packed >> 8) & 0xFF, 0x1Fu);
  EXPECT_EQ((packed >> 16) & 0xFF, 0x25u);
  EXPECT_EQ(packed >> 24, 0u);
  const ReplayInputEntry e{5, 1, packed};
  EXPECT_EQ(e.ButtonWord(), 0x101Fu);
  EXPECT_EQ(e.ThirdWord(), 0x25u);
}

TEST(ReplayFile, StepReadsEachRunForItsRepeatThenAZeroEntry) {
  CReplayFile f;
  ASSERT_EQ(f.Parse(Golden(), "golden"), 1);
  f.RewindAll();
  std::vector<int> levers;
  for (int i = 0; i < 6; ++i) {
    levers.push_back(f.ReadInput(0).lever);
    f.rounds[0].Step();
  }
  EXPECT_EQ(levers, (std::vector<int>{5, 5, 5, 6, 0, 0}));
  EXPECT_EQ(f.ReadInput(0), ReplayInputEntry{});
  EXPECT_EQ(f.rounds[0].GetLength(), 4u);
  EXPECT_EQ(f.rounds[0].GetPosition(), 4u);
  EXPECT_EQ(f.rounds[0].IsFinished(), 1);
  EXPECT_EQ(f.rounds[0].frameCounter, 6u);
}

TEST(ReplayFile, ProbeTable) {
  const std::vector<uint8_t> golden = Golden();
  std::vector<uint8_t> badMagic = golden;
  badMagic[14] = 'X';  // the byte after the name must end it
  std::vector<uint8_t> otherVersion = golden;
  otherVersion[16] = 0x03;
  const std::vector<uint8_t> shortFile(golden.begin(), golden.begin() + 18);
  const struct {
    const char* name;
    const std::vector<uint8_t>* bytes;
    int want;
  } cases[] = {{"a replay", &golden, 1},
               {"byte 14 not 0", &badMagic, -2},
               {"under 20 bytes with the magic", &shortFile, -3},
               {"another version", &otherVersion, -3},
               {"missing", nullptr, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = std::string(".\\ReplayVS\\probe_") + std::to_string(c.want + 10) + ".rep";
    if (c.bytes) WriteFile(path, *c.bytes);
    EXPECT_EQ(ProbeReplayFile(path), c.want);
  }
}

TEST(ReplayFile, HeaderReadOfOneFileLeavesAMissingOneUntouched) {
  WriteFile(".\\ReplayVS\\h.rep", Golden());
  ReplayFileHeader h;
  h.Init();
  ASSERT_EQ(ReadReplayFileHeader(&h, ".\\ReplayVS\\h.rep"), 1);
  EXPECT_EQ(h.stage, 3u);
  ReplayFileHeader before = h;
  EXPECT_EQ(ReadReplayFileHeader(&h, ".\\ReplayVS\\none.rep"), 0);
  EXPECT_EQ(h, before);
}

// Little-endian u32 at an offset of a byte copy.
std::vector<uint8_t> With(std::vector<uint8_t> b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  return b;
}

TEST(ReplayFile, DamagedFilesAreRefusedAndTheLoadedReplayStays) {
  const std::vector<uint8_t> golden = Golden();
  // Offsets in the golden file: round count 92, stream 0's count 236, its first entry 240,
  // the log count 276 (after stream 0's two entries, stream 1's count and entry and two counts),
  // side 0's mark count 300.
  const size_t kStream0 = 96 + 128 + 12;
  const size_t kLog = kStream0 + 4 + 12 + 4 + 6 + 8;
  const size_t kMarks = kLog + 16 + 8 + 4;
  std::vector<uint8_t> repeat0 = golden;
  repeat0[kStream0 + 4] = 0;
  std::vector<uint8_t> lever12 = golden;
  lever12[kStream0 + 5] = 12;
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"bad magic", With(golden, 0, 0x12345678), "not a replay file"},
      {"version 0xC0000003", With(golden, 16, 0xC0000003u), "version"},
      {"round count 0x1E00000", With(golden, 92, 0x1E00000u), "リプレイファイルのサイズが大きすぎる"},
      {"round count 0x1DFFFFF", With(golden, 92, 0x1DFFFFFu), "larger than the file holds"},
      {"huge stream count", With(golden, kStream0, 0xFFFFFFF0u), "more entries"},
      {"huge log count", With(golden, kLog, 0x40000000u), "random log"},
      {"repeat 0", repeat0, "stream 0 entry 0: a run of 0 frames"},
      {"lever 12", lever12, "lever 12"},
      {"mark count 11", With(golden, kMarks, 11), "11 round marks"},
  };
  CReplayFile f;
  ASSERT_EQ(f.Parse(golden, "golden"), 1);
  const std::vector<uint8_t> loaded = f.Serialise();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(f.Parse(c.bytes, "damaged.rep"), 0);
    EXPECT_NE(f.errorText.find("damaged.rep"), std::string::npos) << f.errorText;
    EXPECT_NE(f.errorText.find(c.message), std::string::npos) << f.errorText;
    EXPECT_EQ(f.Serialise(), loaded);
    EXPECT_EQ(f.path, "golden");
  }
  // Every cut of the golden file is refused, but the cut right after the header, which is a
  // replay of no rounds.
  for (size_t n = 0; n < golden.size(); ++n) {
    CReplayFile g;
    const int ok = g.Parse(std::span<const uint8_t>(golden.data(), n), "cut");
    EXPECT_EQ(ok, n == 92 ? 1 : 0) << "cut at " << n;
    if (n == 92) EXPECT_TRUE(g.rounds.empty());
  }
}

TEST(ReplayFile, MissingFileIsRefusedNamingIt) {
  CReplayFile f;
  ASSERT_EQ(f.Parse(Golden(), "golden"), 1);
  EXPECT_EQ(f.Load(".\\ReplayVS\\gone.rep"), 0);
  EXPECT_NE(f.errorText.find("gone.rep"), std::string::npos);
  EXPECT_EQ(f.rounds.size(), 1u);
  EXPECT_EQ(f.path, "golden");
}

TEST(ReplayFile, SaveMakesTheFolderAndLoadReadsItBack) {
  CReplayFile f;
  ASSERT_EQ(f.Parse(Golden(), "golden"), 1);
  ASSERT_EQ(f.Save(".\\ReplayVS\\saved.rep"), 1);
  EXPECT_EQ(ReadFile(".\\ReplayVS\\saved.rep"), Golden());
  CReplayFile g;
  ASSERT_EQ(g.Load(".\\ReplayVS\\saved.rep"), 1);
  EXPECT_EQ(g.rounds, f.rounds);
  EXPECT_EQ(g.path, ".\\ReplayVS\\saved.rep");
}

TEST(ReplayFile, FailedSaveReportsZeroAndKeepsTheOldFile) {
  CReplayFile f;
  ASSERT_EQ(f.Parse(Golden(), "golden"), 1);
  // The folder path is a regular file.
  WriteFile(".\\Blocked", {1, 2, 3});
  EXPECT_EQ(f.Save(".\\Blocked\\x.rep"), 0);
  EXPECT_EQ(ReadFile(".\\Blocked"), (std::vector<uint8_t>{1, 2, 3}));

  // A write cut short by a file-size limit (permission bits do not stop root): in a child.
  const std::vector<uint8_t> old = {9, 9, 9};
  WriteFile(".\\ReplayVS\\limit.rep", old);
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{200, 200};
    setrlimit(RLIMIT_FSIZE, &lim);
    CReplayFile big;
    big.rounds.resize(4);
    _exit(big.Save(".\\ReplayVS\\limit.rep") == 0 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the cut save must report 0";
  EXPECT_EQ(ReadFile(".\\ReplayVS\\limit.rep"), old);
}

}  // namespace
