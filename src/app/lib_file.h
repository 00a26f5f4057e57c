// The utility layer's file interface: the abstract `lib::CAccess`, its disk implementation
// `lib::CFile`, the CR LF line writer `FilePrintf`, and the safe whole-file save used by every
// writer of user data (temporary file, fsync, rename).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lib {

// Abstract file access. Origins for Seek: 0 start, 1 current, 2 end.
class CAccess {
 public:
  virtual ~CAccess() = default;
  virtual uint32_t Read(void* buffer, uint32_t count) = 0;
  virtual uint32_t Write(const void* buffer, uint32_t count) = 0;
  virtual uint32_t GetSize() = 0;
  virtual uint32_t Seek(int32_t offset, int origin) = 0;
  virtual void Close() = 0;
  virtual uint32_t Tell() { return Seek(0, 1); }
};

// Calendar time of a file, local time (the fields of the game's system-time record).
struct FileTime {
  uint16_t year = 0;
  uint16_t month = 0;
  uint16_t dayOfWeek = 0;
  uint16_t day = 0;
  uint16_t hour = 0;
  uint16_t minute = 0;
  uint16_t second = 0;
  uint16_t milliseconds = 0;
};

// A disk file opened by a game path (".\System\x.dat"; see platform/path_translate.h).
class CFile : public CAccess {
 public:
  CFile() = default;
  ~CFile() override;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  uint32_t Read(void* buffer, uint32_t count) override;
  uint32_t Write(const void* buffer, uint32_t count) override;
  uint32_t GetSize() override;
  uint32_t Seek(int32_t offset, int origin) override;
  void Close() override;

  bool OpenRead(std::string_view path);
  bool Open(std::string_view path) { return OpenRead(path); }
  // Write access; created anew when truncate is set, else opened or created.
  bool OpenWrite(std::string_view path, bool truncate);
  bool OpenReadWrite(std::string_view path, bool truncate);
  bool IsOpen() const { return fd_ >= 0; }
  // Any of the three may be null. Linux keeps no creation time on every file system: the
  // birth time is used where the kernel reports it, else the modification time.
  bool GetTimes(FileTime* created, FileTime* accessed, FileTime* written);

 private:
  bool OpenWith(std::string_view path, int flags);
  int fd_ = -1;
};

// Formats (at most 4095 characters) and writes through the writer with each LF as CR LF.
void FilePrintf(CAccess& writer, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Writes bytes to a game path safely: a temporary file beside it, fsync, then rename over the
// old file, so a crash or a full disk never leaves a half-written file. Logs a failure.
bool SaveFileAtomic(std::string_view path, std::span<const uint8_t> bytes);

}  // namespace lib
