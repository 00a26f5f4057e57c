// Data access figures: member lookup in a pack of 10,000 members, whole-file reads of a 50 MB
// member against the same file on disk, and `.EX3` expansion throughput.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "FilePacFunc/FilePac.h"
#include "FilePacFunc/FilePacWriter.h"
#include "app/byte_pair.h"
#include "app/file_loader.h"

namespace fs = std::filesystem;

namespace {

fs::path WorkDir() {
  static fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("vt_bench_data_" + std::to_string(::getpid()));
    fs::create_directories(d);
    return d;
  }();
  return dir;
}

std::string MemberPath(int i) {
  return ".\\data\\folder" + std::to_string(i % 10) + "\\member" + std::to_string(i) + ".txt";
}

void BM_PackLookup(benchmark::State& state) {
  static bool ready = [] {
    std::vector<PackWriterMember> members;
    for (int i = 0; i < 10000; ++i) members.push_back({MemberPath(i), {static_cast<uint8_t>(i)}});
    WritePackFile((WorkDir() / "lookup.p").string(), members, {0x1234, false, 1, 0});
    return true;
  }();
  (void)ready;
  CFilePac_File pack;
  pack.Load((WorkDir() / "lookup.p").string());
  std::vector<std::string> paths;
  std::mt19937 gen(1);
  for (int i = 0; i < 1024; ++i) paths.push_back(MemberPath(static_cast<int>(gen() % 10000)));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pack.FindMember(paths[i++ & 1023]));
  }
}
BENCHMARK(BM_PackLookup);

constexpr size_t kBigSize = 50u << 20;

void PrepareBig() {
  static bool ready = [] {
    std::vector<uint8_t> data(kBigSize);
    std::mt19937 gen(7);
    for (auto& b : data) b = static_cast<uint8_t>(gen());
    {
      std::ofstream out(WorkDir() / "big.bin", std::ios::binary);
      out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    std::vector<PackWriterMember> members = {{".\\pack\\big.bin", std::move(data)}};
    WritePackFile((WorkDir() / "big.p").string(), members, {0x42, true, 3, 256});
    GetPackList().Clear();
    MountPack((WorkDir() / "big.p").string());
    return true;
  }();
  (void)ready;
}

void BM_ReadWholeFromDisk(benchmark::State& state) {
  PrepareBig();
  std::string path = (WorkDir() / "big.bin").string();
  for (auto _ : state) {
    DataBuffer b = LoadDataFile(path);
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBigSize));
}
BENCHMARK(BM_ReadWholeFromDisk)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadWholeFromPack(benchmark::State& state) {
  PrepareBig();
  for (auto _ : state) {
    DataBuffer b = LoadDataFile(".\\pack\\big.bin");
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(kBigSize));
}
BENCHMARK(BM_ReadWholeFromPack)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExpandBytePairs(benchmark::State& state) {
  // Text-like data: words from a small vocabulary, the kind of file companions are made for.
  static const std::vector<uint8_t> image = [] {
    const char* words[] = {"Pattern", "Frame", "Damage", "=",  "0x1F", "//",
                           "Hit",     "Guard", "\r\n",   "  ", "100",  "\x95\x5C\x8E\xA6",
                           "Se",      "Voice", "Cancel", "Box"};
    std::mt19937 gen(3);
    std::vector<uint8_t> data;
    while (data.size() < (2u << 20)) {
      const char* w = words[gen() % 16];
      data.insert(data.end(), w, w + std::char_traits<char>::length(w));
      data.push_back(' ');
    }
    return ex3::EncodeBytePairs(data);
  }();
  std::vector<uint8_t> out(ex3::DeclaredLength(image));
  for (auto _ : state) {
    if (ExpandBytePairs(out, image) != ex3::ExpandResult::kOk) state.SkipWithError("expansion failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.size()));
  state.counters["ratio"] = static_cast<double>(image.size()) / static_cast<double>(out.size());
}
BENCHMARK(BM_ExpandBytePairs)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  GetPackList().Clear();
  std::error_code ec;
  fs::remove_all(WorkDir(), ec);
  return 0;
}
