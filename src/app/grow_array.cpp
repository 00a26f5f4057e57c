// GrowArray growth policies and the tagged allocator.
#include "app/grow_array.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {
std::atomic<long> g_taggedCount{0};
}

void* TaggedAlloc(size_t size, const char*, int) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (p != nullptr) ++g_taggedCount;
  return p;
}

void TaggedFree(void* p) {
  if (p == nullptr) return;
  --g_taggedCount;
  std::free(p);
}

long TaggedAllocCount() { return g_taggedCount.load(); }

GrowArray::~GrowArray() { Clear(); }

void GrowArray::Clear() {
  if (tagged) {
    TaggedFree(items);
  } else {
    std::free(items);
  }
  items = nullptr;
  count = capacity = 0;
}

bool GrowArray::Reallocate(int newCapacity, bool useTagged) {
  size_t bytes = static_cast<size_t>(newCapacity) * static_cast<size_t>(itemSize);
  uint8_t* fresh =
      static_cast<uint8_t*>(useTagged ? TaggedAlloc(bytes, __FILE__, __LINE__) : std::malloc(bytes));
  if (fresh == nullptr) return false;
  if (items != nullptr) std::memcpy(fresh, items, static_cast<size_t>(count) * itemSize);
  if (tagged) {
    TaggedFree(items);
  } else {
    std::free(items);
  }
  items = fresh;
  tagged = useTagged;
  capacity = newCapacity;
  return true;
}

void GrowArray::Store(int index, const void* item) {
  if (mode != 0) {
    std::memcpy(At(index), &item, sizeof(void*));
  } else {
    std::memcpy(At(index), item, static_cast<size_t>(itemSize));
  }
}

HRESULT GrowArray::Push(const void* item) {
  if (itemSize == 0) return E_FAIL;
  if (items == nullptr || count >= capacity) {
    int newCapacity = capacity == 0 ? 16 : static_cast<int>((count + 1) * 1.25);
    if (newCapacity <= count) newCapacity = count + 1;
    if (!Reallocate(newCapacity, true)) return E_OUTOFMEMORY;
  }
  Store(count++, item);
  return S_OK;
}

HRESULT GrowArray::Resize(int n) {
  if (itemSize == 0 || n <= count) return E_FAIL;
  if (capacity < n && !Reallocate(static_cast<int>(n * 1.25), true)) return E_OUTOFMEMORY;
  if (mode == 1) std::memset(At(count), 0, static_cast<size_t>(n - count) * itemSize);
  count = n;
  return S_OK;
}

uint8_t* GrowArray::Reserve(int extra, double factor, int* capacityOut) {
  if (itemSize == 0) return nullptr;
  int needed = count + (extra > 1 ? extra : 1);
  if (items != nullptr && capacity >= needed) {
    if (capacityOut) *capacityOut = capacity;
    return items;
  }
  int newCapacity;
  if (factor == 0.0) {
    newCapacity = capacity == 0 ? (needed > 16 ? needed : 16) : static_cast<int>(needed * 1.3);
  } else if (factor > 1.0) {
    newCapacity = capacity == 0 ? (needed > 16 ? needed : 16) : static_cast<int>(needed * factor);
  } else {
    newCapacity = needed;
  }
  if (!Reallocate(newCapacity, false)) return nullptr;
  if (capacityOut) *capacityOut = capacity;
  return items;
}

HRESULT GrowArray::ResizeGrow(int n) {
  if (itemSize == 0 || n <= count) return E_FAIL;
  if (Reserve(n - count, 0.0, nullptr) == nullptr) return E_OUTOFMEMORY;
  if (mode == 1) std::memset(At(count), 0, static_cast<size_t>(n - count) * itemSize);
  count = n;
  return S_OK;
}

HRESULT GrowArray::ResizeExact(int n) {
  if (itemSize == 0 || n <= count) return E_FAIL;
  if (Reserve(n - count, 1.0, nullptr) == nullptr) return E_OUTOFMEMORY;
  if (mode == 1) std::memset(At(count), 0, static_cast<size_t>(n - count) * itemSize);
  count = n;
  return S_OK;
}

HRESULT GrowArray::PushBack(const void* item) {
  if (itemSize == 0) return E_FAIL;
  if (Reserve(1, 0.0, nullptr) == nullptr) return E_OUTOFMEMORY;
  Store(count++, item);
  return S_OK;
}
