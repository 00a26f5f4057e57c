// The one reader of data files: `CFileLoader` reads a disk file (on a worker thread, in 2 MiB
// chunks), a pack member or a memory image with the same calls; the whole-file operations
// (`GetDataFileSize`, `LoadDataFile`, `LoadDataFileEx3`) and the file object `CDataAccess` sit on
// top. Opening a name asks the mounted packs first, then the disk; files under ".\System\" are
// the player's own and are read from the disk only.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>

#include "app/lib_file.h"

class PackMemberReader;

// A whole-file buffer owned by whoever holds it: the data, then at least two zero bytes (text
// files can be parsed in place). Capacity is the size rounded up to 4 KiB, plus 8 bytes.
class DataBuffer {
 public:
  DataBuffer() = default;
  // Null (false) when memory runs out.
  static DataBuffer Allocate(uint32_t size);

  explicit operator bool() const { return bytes_ != nullptr; }
  uint8_t* data() { return bytes_.get(); }
  const uint8_t* data() const { return bytes_.get(); }
  uint32_t size() const { return size_; }
  uint32_t capacity() const { return capacity_; }
  std::span<const uint8_t> bytes() const { return {bytes_.get(), size_}; }
  std::string_view text() const { return {reinterpret_cast<const char*>(bytes_.get()), size_}; }
  const char* c_str() const { return reinterpret_cast<const char*>(bytes_.get()); }
  // Shrinks the data to size bytes (at most the allocation) and re-terminates it.
  void SetSize(uint32_t size);

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
};

class CFileLoader {
 public:
  enum Mode : int {
    kModeDisk = 0,
    kModeWriteHandle = 1,
    kModeMemory = 2,
    kModePackMember = 3,
    kModeClosed = 4
  };
  static constexpr uint32_t kInfinite = 0xFFFFFFFFu;

  CFileLoader();
  ~CFileLoader();
  CFileLoader(const CFileLoader&) = delete;
  CFileLoader& operator=(const CFileLoader&) = delete;

  // Closes first; then the packs (unless diskOnly or the path is under ".\System\"), then the disk.
  int Open(std::string_view path, bool diskOnly = false);
  // Over bytes the caller keeps alive (not owned).
  void OpenImage(const void* data, uint32_t size);

  uint32_t GetSize();
  // Origins 0 start / 1 current / 2 end; the position stays within 0..size. Returns it.
  uint32_t Seek(int32_t offset, int origin);
  // Reads count bytes (0 = all) from the position into buffer (bufferLength bytes) or, with no
  // buffer, into an owned whole-file buffer. 1 when started (disk) or done, 0 on failure.
  int Read(void* buffer, uint32_t bufferLength, uint32_t count);
  int ReadAndWait(void* buffer, uint32_t bufferLength, uint32_t count);
  // 2 when the read has finished or there is no worker, 0 while it still runs.
  int Wait(uint32_t milliseconds = kInfinite);
  void Close();

  // After the read: bytes transferred and requested; complete when they are equal.
  uint32_t BytesRead() const { return bytesRead_; }
  uint32_t BytesToRead() const { return bytesToRead_; }
  bool ReadComplete() const { return bytesRead_ == bytesToRead_; }
  // Hands the owned whole-file buffer to the caller (sized to the bytes read); the loader forgets it.
  DataBuffer TakeBuffer();
  int GetMode() const { return mode_; }
  void SetChunk(uint32_t chunkSize, uint32_t pauseMs);

 private:
  void JoinWorker();
  void WorkerMain();

  int fd_ = -1;
  const uint8_t* image_ = nullptr;
  uint64_t position_ = 0;
  int mode_ = kModeClosed;
  uint32_t bytesRead_ = 0;
  uint32_t bytesToRead_ = 0;
  uint32_t size_ = 0;
  bool sizeKnown_ = false;
  DataBuffer owned_;
  uint8_t* target_ = nullptr;
  std::thread worker_;
  std::mutex doneLock_;
  std::condition_variable doneSignal_;
  bool done_ = true;
  std::atomic<bool> cancel_{false};
  uint32_t chunkSize_ = 0x200000;
  uint32_t chunkPause_ = 0;
  std::unique_ptr<PackMemberReader> member_;
};

// A new loader over the bytes (not owned).
std::unique_ptr<CFileLoader> OpenMemoryImage(const void* data, uint32_t size);

// True for paths under ".\System\" (any letter case), which are read from the disk only.
bool IsDiskOnlyPath(std::string_view path);

uint32_t GetDataFileSize(std::string_view path);
// The whole file with two zero bytes after it; null when missing or when the read failed part way.
DataBuffer LoadDataFile(std::string_view path);
// From the ".EX3" companion when one exists (a damaged one is logged and counts as missing),
// else the plain file. A companion of size 0, or declaring length 0, gives null (kept as the
// game does: it hides the plain file).
DataBuffer LoadDataFileEx3(std::string_view path);
// Replaces the extension of the last path component with ".EX3", or appends ".EX3".
std::string ChangeExtensionToEx3(std::string_view path);

// The file object over one loader (reading only). Read returns 1 when that many bytes (or as
// many as remain) were read, else 0 - not a byte count.
class CDataAccess : public lib::CAccess {
 public:
  ~CDataAccess() override { Close(); }
  uint32_t Read(void* buffer, uint32_t count) override;
  uint32_t Write(const void*, uint32_t) override { return 0; }
  uint32_t GetSize() override { return loader_.GetSize(); }
  uint32_t Seek(int32_t offset, int origin) override { return loader_.Seek(offset, origin); }
  void Close() override { loader_.Close(); }
  int Open(std::string_view path);

 private:
  CFileLoader loader_;
};
