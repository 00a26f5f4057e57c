// The replay browser probes files and reads their headers from a worker while the logic thread
// goes on: probes and header reads over real files from several threads at once give every
// thread the answers a lone call gives (and, under ThreadSanitizer, no race).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Replay/replay_file.h"
#include "app/lib_file.h"

namespace {

struct Case {
  std::string file;
  int probe;
  int header;
  uint32_t stage;
};

TEST(ReplayProbeThreads, ConcurrentProbesAndHeaderReadsAgree) {
  CReplayFile replay;
  replay.header.stage = 7;
  replay.header.date[0] = 2026;
  replay.rounds.resize(2);
  replay.rounds[1].randomLog.assign(600, 0x1234u);
  ASSERT_EQ(replay.Save(".\\ReplayVS\\good.rep"), 1);
  std::vector<uint8_t> other = replay.Serialise();
  other[16] = 3;  // another version
  ASSERT_TRUE(lib::SaveFileAtomic(".\\ReplayVS\\old.rep", other));
  other[3] = 'x';  // another magic
  ASSERT_TRUE(lib::SaveFileAtomic(".\\ReplayVS\\bad.rep", other));

  const std::vector<Case> cases = {
      {".\\ReplayVS\\good.rep", 1, 1, 7},
      {".\\ReplayVS\\old.rep", -3, 1, 7},
      {".\\ReplayVS\\bad.rep", -2, 1, 7},
      {".\\ReplayVS\\missing.rep", -1, 0, 99},
  };
  std::atomic<int> wrong{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&cases, &wrong, t] {
      for (int i = 0; i < 200; ++i) {
        const Case& c = cases[static_cast<size_t>(i + t) % cases.size()];
        ReplayFileHeader h;
        h.stage = 99;
        if (ProbeReplayFile(c.file) != c.probe) ++wrong;
        if (ReadReplayFileHeader(&h, c.file) != c.header || h.stage != c.stage) ++wrong;
      }
    });
  }
  for (std::thread& w : workers) w.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
