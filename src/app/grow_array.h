// GrowArray: the growable array of pointers or fixed-size records used by the parsers, the
// ini reader and the draw lists. Two growth policies, as the game has them: Push/Resize grow by
// 1.25 through the source-tagged allocator; Reserve and the calls built on it grow by 1.3 (or
// a given factor) through malloc.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/hresult.h"

// The engine's allocator: records where an allocation was asked for (kept for leak reports).
void* TaggedAlloc(size_t size, const char* file, int line);
void TaggedFree(void* p);
// Number of live tagged allocations (for leak checks in tests).
long TaggedAllocCount();

struct GrowArray {
  int mode = 0;  // non-zero: items are pointers stored by value; 1: new items zero-filled
  uint8_t* items = nullptr;
  int itemSize = 0;  // 0 marks an unusable array
  int count = 0;
  int capacity = 0;
  bool tagged = false;  // storage came from TaggedAlloc (Push/Resize) rather than malloc

  GrowArray() = default;
  GrowArray(int mode, int itemSize) : mode(mode), itemSize(itemSize) {}
  ~GrowArray();
  GrowArray(const GrowArray&) = delete;
  GrowArray& operator=(const GrowArray&) = delete;

  HRESULT Push(const void* item);
  HRESULT Resize(int n);
  uint8_t* Reserve(int extra, double factor, int* capacityOut);
  HRESULT ResizeGrow(int n);
  HRESULT ResizeExact(int n);
  HRESULT PushBack(const void* item);
  void Clear();

  void* At(int i) const { return items + static_cast<size_t>(i) * itemSize; }
  // Pointer mode: the stored pointer.
  void* PointerAt(int i) const { return *reinterpret_cast<void* const*>(At(i)); }

 private:
  void Store(int index, const void* item);
  bool Reallocate(int newCapacity, bool useTagged);
};
