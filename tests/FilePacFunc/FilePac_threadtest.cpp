// Members of one pack, and loose files, read by several threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>

#include "FilePacFunc/FilePac.h"
#include "FilePacFunc/FilePacWriter.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "support/test_util.h"

namespace {

// Clears the mounted packs around a test.
struct PackScope {
  PackScope() {
    GetPackList().Clear();
    vt::SetDebugQuiet(true);
  }
  ~PackScope() {
    GetPackList().Clear();
    vt::SetDebugQuiet(false);
  }
};

// Bytes that differ by position and member, so a read from the wrong place changes the sum.
std::vector<uint8_t> Pattern(size_t n, int member) {
  std::vector<uint8_t> v(n);
  for (size_t k = 0; k < n; ++k)
    v[k] = static_cast<uint8_t>((k * 131 + static_cast<size_t>(member) * 7919) >> 3);
  return v;
}

// Four threads read members of one pack at once and compare checksums.
TEST(PackThreads, ThreadsReadMembersOfOnePackAtOnce) {
  PackScope scope;
  std::vector<PackWriterMember> members;
  for (int i = 0; i < 8; ++i) {
    members.push_back(
        {".\\data\\m" + std::to_string(i) + ".bin", Pattern(50000 + 1000 * static_cast<size_t>(i), i)});
  }
  ASSERT_TRUE(WritePackFile("p.p", members, {0x777, true, 9, 300}));
  ASSERT_EQ(MountPack("p.p"), 1);
  std::vector<uint64_t> expected;
  for (const auto& m : members)
    expected.push_back(std::accumulate(m.data.begin(), m.data.end(), uint64_t{0}));
  // Loose files too: disk reads run on worker threads and resolve names through the shared cache.
  std::string loose(30000, 'L');
  vt::test::WriteFile("Loose/File.bin", loose);
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        size_t i = static_cast<size_t>((t + round) % 8);
        DataBuffer b = LoadDataFile(members[i].path);
        uint64_t sum = b ? std::accumulate(b.data(), b.data() + b.size(), uint64_t{0}) : 0;
        if (!b || b.size() != members[i].data.size() || sum != expected[i]) ++failures;
        // Interleaved partial reads through one reader per thread.
        auto r = GetPackList().Open(members[(i + 1) % 8].path);
        uint8_t chunk[700];
        uint64_t part = 0;
        uint32_t n;
        while (r && (n = r->Read(chunk, sizeof(chunk))) > 0)
          part += std::accumulate(chunk, chunk + n, uint64_t{0});
        if (part != expected[(i + 1) % 8]) ++failures;
        DataBuffer disk = LoadDataFile(round % 2 ? ".\\loose\\file.bin" : "./LOOSE/FILE.BIN");
        if (!disk || disk.text() != loose) ++failures;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
