// Replays every file of a corpus folder through a fuzz target: the regression half of fuzzing.
//
// The replay keeps the memory limit the fuzz runs use (-malloc_limit_mb / -rss_limit_mb 2048):
// every C++ allocation is counted, and one allocation of the limit or more, or live allocations
// above it, end the replay with the name of the input, so an input that makes a reader allocate
// far beyond its size fails here as it does under the fuzzer. Counting the allocations (rather
// than limiting the address space) also works under AddressSanitizer, whose shadow memory
// would exhaust any address-space limit.
#include <malloc.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

constexpr size_t kMemoryLimit = size_t{2048} << 20;

std::atomic<size_t> g_liveBytes{0};
char g_currentInput[512] = "(none)";

[[noreturn]] void OverLimit(size_t request) {
  std::fprintf(stderr, "corpus input %s: an allocation of %zu bytes with %zu live goes beyond %zu MB\n",
               g_currentInput, request, g_liveBytes.load(), kMemoryLimit >> 20);
  std::abort();
}

void* Counted(void* p) {
  if (p != nullptr && g_liveBytes.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p) > kMemoryLimit)
    OverLimit(malloc_usable_size(p));
  return p;
}

void* Allocate(size_t size, size_t align, bool nothrow) {
  if (size >= kMemoryLimit) OverLimit(size);
  if (size == 0) size = 1;
  void* p = align <= alignof(std::max_align_t)
                ? std::malloc(size)
                : std::aligned_alloc(align, (size + align - 1) / align * align);
  if (p == nullptr && !nothrow) throw std::bad_alloc();
  return Counted(p);
}

void Release(void* p) {
  if (p == nullptr) return;
  g_liveBytes.fetch_sub(malloc_usable_size(p));
  std::free(p);
}

}  // namespace

void* operator new(size_t n) { return Allocate(n, 0, false); }
void* operator new[](size_t n) { return Allocate(n, 0, false); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Allocate(n, 0, true); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Allocate(n, 0, true); }
void* operator new(size_t n, std::align_val_t a) { return Allocate(n, static_cast<size_t>(a), false); }
void* operator new[](size_t n, std::align_val_t a) { return Allocate(n, static_cast<size_t>(a), false); }
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(n, static_cast<size_t>(a), true);
}
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
  return Allocate(n, static_cast<size_t>(a), true);
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Release(p); }

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::filesystem::path dir = argv[1];
  int count = 0;
  auto replay = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    std::snprintf(g_currentInput, sizeof g_currentInput, "%s", name.c_str());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  };
  if (std::filesystem::is_directory(dir)) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file()) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      replay(entry.path().string(), bytes);
      ++count;
    }
  }
  // An empty input is always part of the regression run.
  replay("(empty input)", {});
  std::printf("%d corpus inputs replayed\n", count);
  return 0;
}
