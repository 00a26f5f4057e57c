// The file reader (disk, pack member, memory image), the whole-file operations and `.EX3`
// companions.
#include "app/file_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

#include "FilePacFunc/FilePac.h"
#include "app/byte_pair.h"
#include "app/lib_debug.h"
#include "app/lib_sjis.h"
#include "platform/path_translate.h"

// ---- DataBuffer ----

DataBuffer DataBuffer::Allocate(uint32_t size) {
  DataBuffer b;
  if (size > 0xFFFFF000u) return b;  // the rounded capacity must stay a 32-bit size
  uint64_t rounded = (static_cast<uint64_t>(size) + 4095) & ~uint64_t{4095};
  uint64_t total = rounded + 8;
  b.bytes_.reset(new (std::nothrow) uint8_t[total]);
  if (!b.bytes_) return DataBuffer();
  b.capacity_ = static_cast<uint32_t>(rounded);
  b.size_ = size;
  // Only the tail is cleared: the data part is filled by the read (50 MB members stay cheap).
  std::memset(b.bytes_.get() + size, 0, total - size);
  return b;
}

void DataBuffer::SetSize(uint32_t size) {
  if (!bytes_) return;
  size_ = std::min(size, capacity_);
  bytes_[size_] = 0;
  bytes_[size_ + 1] = 0;
}

// ---- CFileLoader ----

CFileLoader::CFileLoader() = default;

CFileLoader::~CFileLoader() { Close(); }

bool IsDiskOnlyPath(std::string_view path) {
  std::vector<std::string> parts = vt::platform::SplitGamePath(path);
  return parts.size() >= 2 && ToUpperString(parts[0]) == "SYSTEM";
}

void CFileLoader::SetChunk(uint32_t chunkSize, uint32_t pauseMs) {
  chunkSize_ = chunkSize ? chunkSize : 0x200000;
  chunkPause_ = pauseMs;
}

int CFileLoader::Open(std::string_view path, bool diskOnly) {
  Close();
  if (!diskOnly && !IsDiskOnlyPath(path)) {
    member_ = GetPackList().Open(path);
    if (member_) {
      mode_ = kModePackMember;
      return 1;
    }
  }
  std::string disk = vt::platform::ResolveGamePath(path);
  int fd = ::open(disk.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return 0;
  }
  fd_ = fd;
  mode_ = kModeDisk;
  position_ = 0;
  return 1;
}

void CFileLoader::OpenImage(const void* data, uint32_t size) {
  Close();
  image_ = static_cast<const uint8_t*>(data);
  size_ = data ? size : 0;
  sizeKnown_ = true;
  mode_ = kModeMemory;
}

std::unique_ptr<CFileLoader> OpenMemoryImage(const void* data, uint32_t size) {
  auto loader = std::make_unique<CFileLoader>();
  loader->OpenImage(data, size);
  return loader;
}

uint32_t CFileLoader::GetSize() {
  switch (mode_) {
    case kModeMemory:
      return size_;
    case kModePackMember:
      return member_->Size();
    case kModeDisk: {
      if (!sizeKnown_) {
        struct stat st;
        if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
        size_ = static_cast<uint32_t>(std::min<uint64_t>(static_cast<uint64_t>(st.st_size), UINT32_MAX));
        sizeKnown_ = true;
      }
      return size_;
    }
    default:
      return 0;
  }
}

uint32_t CFileLoader::Seek(int32_t offset, int origin) {
  if (mode_ == kModePackMember) {
    member_->Seek(offset, origin);
    // The position within the member, as for disk files (the pack's absolute offset would make
    // a member's Tell differ from the same file's on disk).
    return member_->Position();
  }
  if (mode_ == kModeDisk && fd_ < 0) return 0;
  if (mode_ != kModeDisk && mode_ != kModeMemory) return 0;
  JoinWorker();
  int64_t size = GetSize();
  int64_t from = origin == 1 ? static_cast<int64_t>(position_) : origin == 2 ? size : 0;
  position_ = static_cast<uint64_t>(std::clamp<int64_t>(from + offset, 0, size));
  return static_cast<uint32_t>(position_);
}

int CFileLoader::Read(void* buffer, uint32_t bufferLength, uint32_t count) {
  JoinWorker();
  bool ready =
      mode_ == kModePackMember || (mode_ == kModeMemory && image_) || (mode_ == kModeDisk && fd_ >= 0);
  if (!ready) return 0;
  const uint32_t size = GetSize();
  uint32_t toRead = count == 0 ? size : std::min(count, size);
  if (buffer) {
    if (bufferLength == 0) return 0;
    owned_ = DataBuffer();
    target_ = static_cast<uint8_t*>(buffer);
    toRead = std::min(toRead, bufferLength);
  } else {
    owned_ = DataBuffer::Allocate(size);
    if (!owned_) return 0;
    target_ = owned_.data();
  }
  uint64_t position = mode_ == kModePackMember ? member_->Position() : position_;
  toRead = static_cast<uint32_t>(std::min<uint64_t>(toRead, size > position ? size - position : 0));
  bytesToRead_ = toRead;
  bytesRead_ = 0;
  if (mode_ == kModePackMember) {
    bytesRead_ = toRead ? member_->Read(target_, toRead) : 0;  // 0 would mean the whole member
    return 1;
  }
  if (mode_ == kModeMemory) {
    if (toRead) std::memcpy(target_, image_ + position_, toRead);
    position_ += toRead;
    bytesRead_ = toRead;
    return 1;
  }
  cancel_.store(false, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> lock(doneLock_);
    done_ = false;
  }
  try {
    worker_ = std::thread(&CFileLoader::WorkerMain, this);
  } catch (...) {
    std::lock_guard<std::mutex> lock(doneLock_);
    done_ = true;
    return 0;
  }
  return 1;
}

void CFileLoader::WorkerMain() {
  while (bytesRead_ < bytesToRead_) {
    uint32_t chunk = std::min(chunkSize_, bytesToRead_ - bytesRead_);
    ssize_t n = ::pread(fd_, target_ + bytesRead_, chunk, static_cast<off_t>(position_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    position_ += static_cast<uint64_t>(n);
    bytesRead_ += static_cast<uint32_t>(n);
    if (cancel_.load(std::memory_order_relaxed)) break;
    if (chunkPause_ && bytesRead_ < bytesToRead_) {
      std::this_thread::sleep_for(std::chrono::milliseconds(chunkPause_));
    }
  }
  std::lock_guard<std::mutex> lock(doneLock_);
  done_ = true;
  doneSignal_.notify_all();
}

int CFileLoader::Wait(uint32_t milliseconds) {
  if (!worker_.joinable()) return 2;
  {
    std::unique_lock<std::mutex> lock(doneLock_);
    if (milliseconds == kInfinite) {
      doneSignal_.wait(lock, [&] { return done_; });
    } else if (!doneSignal_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return done_; })) {
      return 0;
    }
  }
  worker_.join();
  return 2;
}

void CFileLoader::JoinWorker() {
  if (worker_.joinable()) Wait(kInfinite);
}

int CFileLoader::ReadAndWait(void* buffer, uint32_t bufferLength, uint32_t count) {
  if (!Read(buffer, bufferLength, count)) return 0;
  return Wait(kInfinite) == 2 ? 1 : 0;
}

DataBuffer CFileLoader::TakeBuffer() {
  JoinWorker();
  DataBuffer out = std::move(owned_);
  owned_ = DataBuffer();
  if (out) out.SetSize(bytesRead_);
  if (target_ == out.data()) target_ = nullptr;
  return out;
}

void CFileLoader::Close() {
  if (worker_.joinable()) {
    cancel_.store(true, std::memory_order_relaxed);
    Wait(kInfinite);
  }
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  member_.reset();
  owned_ = DataBuffer();
  image_ = nullptr;
  target_ = nullptr;
  position_ = 0;
  bytesRead_ = bytesToRead_ = 0;
  size_ = 0;
  sizeKnown_ = false;
  cancel_.store(false, std::memory_order_relaxed);
  mode_ = kModeClosed;
}

// ---- Whole-file operations ----

uint32_t GetDataFileSize(std::string_view path) {
  CFileLoader loader;
  if (!loader.Open(path)) return 0;
  return loader.GetSize();
}

namespace {
DataBuffer ReadWhole(CFileLoader& loader, std::string_view path) {
  if (!loader.ReadAndWait(nullptr, 0, 0)) {
    DebugPrint("LoadDataFile: cannot read %.*s\n", static_cast<int>(path.size()), path.data());
    return DataBuffer();
  }
  if (!loader.ReadComplete()) {
    DebugPrint("LoadDataFile: %.*s: read stopped after %u of %u bytes\n", static_cast<int>(path.size()),
               path.data(), loader.BytesRead(), loader.BytesToRead());
    return DataBuffer();
  }
  return loader.TakeBuffer();
}
}  // namespace

DataBuffer LoadDataFile(std::string_view path) {
  CFileLoader loader;
  if (!loader.Open(path)) return DataBuffer();
  return ReadWhole(loader, path);
}

std::string ChangeExtensionToEx3(std::string_view path) {
  // Only a "." inside the last component starts an extension (".\data\foo" gets ".EX3" appended).
  size_t componentStart = 0;
  size_t dot = std::string_view::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsSjisDoubleByteAt(path, i)) {
      ++i;
      continue;
    }
    if (path[i] == '\\' || path[i] == '/') {
      componentStart = i + 1;
      dot = std::string_view::npos;
    } else if (path[i] == '.' && i >= componentStart) {
      dot = i;
    }
  }
  std::string out(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
  out += ".EX3";
  return out;
}

DataBuffer LoadDataFileEx3(std::string_view path) {
  if (path.empty()) return DataBuffer();
  std::string companion = ChangeExtensionToEx3(path);
  CFileLoader loader;
  if (loader.Open(companion)) {
    DataBuffer packed = ReadWhole(loader, companion);
    loader.Close();
    if (packed) {
      // A companion of size 0 hides the plain file: kept on purpose, as the game does.
      if (packed.size() == 0) return DataBuffer();
      uint32_t declared = ex3::DeclaredLength(packed.bytes());
      ex3::ExpandResult r = ex3::ExpandResult::kTooShort;
      if (packed.size() >= ex3::kHeaderSize) {
        if (declared == 0) return DataBuffer();
        r = declared > ex3::kMaxExpandedLength ? ex3::ExpandResult::kTooLarge : ex3::ExpandResult::kOk;
      }
      if (r == ex3::ExpandResult::kOk) {
        DataBuffer out = DataBuffer::Allocate(declared);
        if (!out) return DataBuffer();
        r = ExpandBytePairs(std::span<uint8_t>(out.data(), declared), packed.bytes());
        if (r == ex3::ExpandResult::kOk) return out;
      }
      DebugPrint("LoadDataFileEx3: %s is damaged (%s); using %.*s\n", companion.c_str(),
                 ex3::ExpandResultText(r), static_cast<int>(path.size()), path.data());
    }
  }
  return LoadDataFile(path);
}

// ---- CDataAccess ----

int CDataAccess::Open(std::string_view path) {
  Close();
  return loader_.Open(path);
}

uint32_t CDataAccess::Read(void* buffer, uint32_t count) {
  if (!buffer || count == 0) return 0;
  if (!loader_.ReadAndWait(buffer, count, count)) return 0;
  return loader_.ReadComplete() ? 1 : 0;
}
