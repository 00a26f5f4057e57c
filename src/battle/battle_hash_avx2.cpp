// The object record's value run hashed with XXH3 built for AVX2 and inlined at the run's
// constant length. This file alone is compiled for AVX2 (x86-64 builds); the state hash calls
// it only on processors that have AVX2. It must not include the library's dispatch header.
#include "battle/battle_hash_layout.h"

#if defined(__AVX2__)
#define XXH_INLINE_ALL
#endif
#include <xxhash.h>

namespace record_hash {

#if defined(__AVX2__)
const bool kInPlaceRunBuiltForAvx2 = true;
#else
const bool kInPlaceRunBuiltForAvx2 = false;
#endif

uint64_t HashInPlaceRunAvx2(const uint8_t* record) {
  return XXH3_64bits(record + kInPlace.offset, kInPlace.size);
}

}  // namespace record_hash
