// The object record's layout as the state hash reads it: the value fields' byte ranges, the
// padding-free runs they form (compile-time checks prove no padding byte is in a run) and the
// run hashed where it lies. Shared by the state hash and the AVX2 build of that run's hash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "battle/battle_records.h"

namespace record_hash {

// The record's value fields lie in runs of fields next to each other with no padding between
// them (found at compile time from the field list; the list's width groups make one run of
// nearly all of them). The longest run is hashed where it lies.
struct Span {
  size_t offset = 0;
  size_t size = 0;
};

static_assert(std::is_standard_layout_v<BattleObject>, "field offsets are read with offsetof");

#define SPAN_FIELD(type, name) Span{offsetof(BattleObject, name), sizeof(type)},
#define SPAN_ARRAY(type, name, n) Span{offsetof(BattleObject, name), sizeof(type) * (n)},
#define SPAN_NONE(...)
constexpr Span kValueFields[] = {BATTLE_OBJECT_FIELDS(SPAN_FIELD, SPAN_ARRAY, SPAN_NONE, SPAN_NONE)};
#undef SPAN_FIELD
#undef SPAN_ARRAY

#undef SPAN_NONE

// Field order in the list is declaration order, so the fields are ordered and disjoint.
static_assert([] {
  for (size_t i = 1; i < std::size(kValueFields); ++i)
    if (kValueFields[i].offset < kValueFields[i - 1].offset + kValueFields[i - 1].size) return false;
  return true;
}());

constexpr size_t CountRuns() {
  size_t runs = 0;
  for (size_t i = 0; i < std::size(kValueFields); ++i)
    runs += i == 0 || kValueFields[i - 1].offset + kValueFields[i - 1].size != kValueFields[i].offset;
  return runs;
}

constexpr std::array<Span, CountRuns()> MergeRuns() {
  std::array<Span, CountRuns()> runs{};
  size_t n = 0;
  for (size_t i = 0; i < std::size(kValueFields); ++i) {
    const Span& f = kValueFields[i];
    if (n > 0 && runs[n - 1].offset + runs[n - 1].size == f.offset) {
      runs[n - 1].size += f.size;
    } else {
      runs[n++] = f;
    }
  }
  return runs;
}

constexpr std::array<Span, CountRuns()> kRuns = MergeRuns();

constexpr size_t ValueBytes() {
  size_t bytes = 0;
  for (const Span& f : kValueFields) bytes += f.size;
  return bytes;
}

// No padding byte is ever hashed: every byte of every run belongs to exactly one value field.
static_assert([] {
  for (const Span& r : kRuns) {
    size_t covered = 0;
    for (const Span& f : kValueFields)
      if (f.offset >= r.offset && f.offset < r.offset + r.size) covered += f.size;
    if (covered != r.size) return false;
  }
  size_t total = 0;
  for (const Span& r : kRuns) total += r.size;
  return total == ValueBytes();
}());

constexpr size_t LongestRun() {
  size_t longest = 0;
  for (size_t i = 1; i < kRuns.size(); ++i)
    if (kRuns[i].size > kRuns[longest].size) longest = i;
  return longest;
}
constexpr size_t kInPlaceRun = LongestRun();
constexpr Span kInPlace = kRuns[kInPlaceRun];

// The width groups keep the values in one run (a field added outside its group costs a copied
// run, not a wrong hash; a list whose order scatters them would cost a copy of most of them).
static_assert(kInPlace.size * 4 >= ValueBytes() * 3,
              "the record's values should lie in one run: keep the field list grouped by width");

// The in-place run's XXH3 from battle_hash_avx2.cpp, built for AVX2 with the hash inlined at
// the run's length (the library's entry point dispatches at every call). Call it only when
// kInPlaceRunBuiltForAvx2 is set and the processor has AVX2; it gives the library's value.
uint64_t HashInPlaceRunAvx2(const uint8_t* record);
extern const bool kInPlaceRunBuiltForAvx2;

}  // namespace record_hash
