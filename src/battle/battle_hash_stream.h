// The byte stream the battle hashes are computed over: fields gathered at their own widths
// (little-endian, padding never read) into a chunk on the stack, each full chunk hashed with
// XXH3 seeded by the digest of the chunks before it. The value depends on the bytes and the
// order of the Reserve calls only, so every process, build and compiler agrees.
#pragma once

#include <xxhash.h>
#if defined(__x86_64__) || defined(__i386__)
// The library picks the widest vector unit at run time (AVX2 runs the hash three times as fast
// as the SSE2 baseline); every unit gives the same value.
#include <xxh_x86dispatch.h>
#endif

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

static_assert(std::endian::native == std::endian::little,
              "the stream holds each field's little-endian bytes");

// What may be copied into the stream byte for byte: integers, float32 (its bits: -0.0 and 0.0
// differ, as the state does) and records without padding, or arrays of these.
template <typename T>
constexpr bool kHashStreamable =
    std::is_integral_v<std::remove_all_extents_t<T>> || std::is_same_v<std::remove_all_extents_t<T>, float> ||
    std::has_unique_object_representations_v<std::remove_all_extents_t<T>>;

// Whole chunks go to the one-shot hash rather than the library's streaming state, which reads
// its input four stripes per call and runs at less than half the one-shot speed.
class HashStream {
 public:
  static constexpr size_t kChunk = 16384;
  static constexpr size_t kInPlaceBytes = 512;

  // Room for n more bytes (n at most the chunk size); the caller writes all n.
  uint8_t* Reserve(size_t n) {
    if (used_ + n > kChunk) Flush();
    uint8_t* at = chunk_ + used_;
    used_ += n;
    return at;
  }
  // A value of kInPlaceBytes or more (a whole table) is hashed where it lies and its digest goes
  // into the stream: cheaper than copying it, and as sure.
  template <typename T>
  void Put(const T& v) {
    static_assert(kHashStreamable<T>);
    if constexpr (sizeof v >= kInPlaceBytes) {
      const uint64_t digest = XXH3_64bits(&v, sizeof v);
      std::memcpy(Reserve(8), &digest, 8);
    } else {
      std::memcpy(Reserve(sizeof v), &v, sizeof v);
    }
  }
  uint64_t Digest() {
    Flush();
    return digest_;
  }

 private:
  void Flush() {
    digest_ = XXH3_64bits_withSeed(chunk_, used_, digest_);
    used_ = 0;
  }

  uint64_t digest_ = 0;
  size_t used_ = 0;
  alignas(64) uint8_t chunk_[kChunk];
};
