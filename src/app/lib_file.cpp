// Disk files by game path, the CR LF line writer and the safe whole-file save.
#include "app/lib_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "app/lib_debug.h"
#include "platform/path_translate.h"
#include "platform/profile_string.h"

namespace lib {

CFile::~CFile() { Close(); }

void CFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool CFile::OpenWith(std::string_view path, int flags) {
  Close();
  std::string disk = vt::platform::ResolveGamePath(path);
  int fd = ::open(disk.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // Only regular files: a folder opened for reading would fail every read later anyway.
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

bool CFile::OpenRead(std::string_view path) { return OpenWith(path, O_RDONLY); }

bool CFile::OpenWrite(std::string_view path, bool truncate) {
  return OpenWith(path, O_WRONLY | O_CREAT | (truncate ? O_TRUNC : 0));
}

bool CFile::OpenReadWrite(std::string_view path, bool truncate) {
  return OpenWith(path, O_RDWR | O_CREAT | (truncate ? O_TRUNC : 0));
}

uint32_t CFile::Read(void* buffer, uint32_t count) {
  if (fd_ < 0 || !buffer) return 0;
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

uint32_t CFile::Write(const void* buffer, uint32_t count) {
  if (fd_ < 0 || !buffer) return 0;
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

uint32_t CFile::GetSize() {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  return static_cast<uint32_t>(st.st_size);
}

uint32_t CFile::Seek(int32_t offset, int origin) {
  if (fd_ < 0) return 0;
  int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  off_t pos = ::lseek(fd_, offset, whence);
  if (pos < 0) return 0;
  return static_cast<uint32_t>(pos);
}

namespace {
bool ToFileTime(const struct timespec& ts, FileTime* out) {
  if (!out) return true;
  struct tm local;
  time_t secs = ts.tv_sec;
  if (!localtime_r(&secs, &local)) return false;
  out->year = static_cast<uint16_t>(local.tm_year + 1900);
  out->month = static_cast<uint16_t>(local.tm_mon + 1);
  out->dayOfWeek = static_cast<uint16_t>(local.tm_wday);
  out->day = static_cast<uint16_t>(local.tm_mday);
  out->hour = static_cast<uint16_t>(local.tm_hour);
  out->minute = static_cast<uint16_t>(local.tm_min);
  out->second = static_cast<uint16_t>(local.tm_sec);
  out->milliseconds = static_cast<uint16_t>(ts.tv_nsec / 1000000);
  return true;
}
}  // namespace

bool CFile::GetTimes(FileTime* created, FileTime* accessed, FileTime* written) {
  if (fd_ < 0) return false;
  struct statx sx;
  if (::statx(fd_, "", AT_EMPTY_PATH, STATX_BTIME | STATX_ATIME | STATX_MTIME, &sx) != 0) return false;
  auto conv = [](const struct statx_timestamp& t) {
    struct timespec ts;
    ts.tv_sec = t.tv_sec;
    ts.tv_nsec = t.tv_nsec;
    return ts;
  };
  struct timespec birth = conv((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime);
  return ToFileTime(birth, created) && ToFileTime(conv(sx.stx_atime), accessed) &&
         ToFileTime(conv(sx.stx_mtime), written);
}

void FilePrintf(CAccess& writer, const char* format, ...) {
  char text[4096];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  if (n < 0) return;
  size_t len = std::strlen(text);
  std::string out;
  out.reserve(len + 16);
  for (size_t i = 0; i < len; ++i) {
    if (text[i] == '\n') out.push_back('\r');
    out.push_back(text[i]);
  }
  writer.Write(out.data(), static_cast<uint32_t>(out.size()));
}

bool SaveFileAtomic(std::string_view path, std::span<const uint8_t> bytes) {
  std::string disk = vt::platform::ResolveGamePath(path);
  std::string_view view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (!vt::platform::WriteFileAtomically(disk, view)) {
    DebugPrint("SaveFileAtomic: writing %s failed: %s\n", disk.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace lib
