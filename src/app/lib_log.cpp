// Log writers, semaphores, the fatal/warning reports and the date checks.
#include "app/lib_log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>

#include "app/app_state.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace lib {
namespace {

// Appends bytes to a file, opening and closing it for every write as the game does.
void AppendToFile(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (f == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string FormatV(size_t capacity, const char* format, va_list args) {
  std::string buffer(capacity, '\0');
  int n = std::vsnprintf(buffer.data(), capacity, format, args);
  if (n < 0) n = 0;
  buffer.resize(std::min<size_t>(static_cast<size_t>(n), capacity - 1));
  return buffer;
}

}  // namespace

void CLog::SetFile(const char* path, bool deleteFlag) {
  path_ = path != nullptr ? path : "";
  DeleteFile(deleteFlag);
}

void CLog::DeleteFile(bool flag) {
  if (path_.empty() || !flag) return;
  struct stat st {};
  if (::stat(path_.c_str(), &st) == 0) std::remove(path_.c_str());
}

void CLog::WriteLine(int flags, const char* format, va_list args) {
  if (path_.empty()) return;
  std::string message = FormatV(1024, format, args);
  std::string out;
  if (flags & 4) out += WithCrLf(vt::FormatLogTime()) + " ";
  out += WithCrLf(message);
  if (message.empty() || message.back() != '\n') out += "\r\n";
  AppendToFile(path_, out);
  if (flags & 1) {
    vt::platform::ShowMessageBox(
        nullptr, {"Information", message, vt::platform::BoxButtons::Ok, vt::platform::BoxIcon::Information});
  } else if (flags & 2) {
    std::string text = message + "\n\n続行しますか？";
    if (text.size() > 255) text.resize(255);
    auto answer = vt::platform::ShowMessageBox(
        nullptr, {"エラー", text, vt::platform::BoxButtons::YesNo, vt::platform::BoxIcon::Error});
    if (answer == vt::platform::BoxAnswer::No) std::_Exit(1);
  }
}

#define VT_LOG_FORWARD(flags)     \
  va_list args;                   \
  va_start(args, format);         \
  WriteLine(flags, format, args); \
  va_end(args)

void CLog::Print(const char* format, ...) { VT_LOG_FORWARD(0); }
void CLog::PrintTimed(const char* format, ...) { VT_LOG_FORWARD(4); }
void CLog::PrintTimedConfirm(const char* format, ...) { VT_LOG_FORWARD(6); }
void CLog::PrintTimedInfo(const char* format, ...) { VT_LOG_FORWARD(5); }
#undef VT_LOG_FORWARD

void CLog::WriteRaw(const char* text) {
  if (path_.empty() || text == nullptr) return;
  AppendToFile(path_, text);
}

void CLog::PrintRaw(const char* format, ...) {
  if (path_.empty()) return;
  va_list args;
  va_start(args, format);
  std::string text = FormatV(1024, format, args);
  va_end(args);
  AppendToFile(path_, text);
}

bool CLog::Show() {
  struct stat st {};
  if (path_.empty() || ::stat(path_.c_str(), &st) != 0) return false;
  pid_t pid = fork();
  if (pid == 0) {
    execlp("xdg-open", "xdg-open", path_.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid > 0;
}

void CLog::Clear() {
  if (path_.empty()) return;
  if (std::FILE* f = std::fopen(path_.c_str(), "wb")) std::fclose(f);
}

namespace {
std::mutex g_semaphoreMutex;
std::map<std::string, std::weak_ptr<std::binary_semaphore>> g_semaphores;
}  // namespace

CSemaphore::~CSemaphore() { Close(); }

bool CSemaphore::Create(const char* name) {
  Close();
  std::lock_guard<std::mutex> lock(g_semaphoreMutex);
  auto& slot = g_semaphores[name != nullptr ? name : ""];
  sem_ = slot.lock();
  if (!sem_) {
    sem_ = std::make_shared<std::binary_semaphore>(1);
    slot = sem_;
  }
  return true;
}

int CSemaphore::Lock() {
  if (!sem_) return -1;
  sem_->acquire();
  return 0;
}

int CSemaphore::Unlock() {
  if (!sem_) return 0;
  sem_->release();
  return 1;
}

void CSemaphore::Close() {
  if (!sem_) return;
  sem_->acquire();
  sem_->release();
  sem_.reset();
}

CLockLog::~CLockLog() { CloseLock(); }

void CLockLog::SetFile(const char* path, bool deleteFlag) {
  sem_.Close();
  if (path != nullptr && *path != '\0') sem_.Create("LockLog");
  log_.SetFile(path, deleteFlag);
}

void CLockLog::CloseLock() { sem_.Close(); }

void CLockLog::Printf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(1024, format, args);
  va_end(args);
  if (log_.path().empty()) return;
  sem_.Lock();
  log_.WriteRaw(text.c_str());
  sem_.Unlock();
}

CLogging& CLogging::Instance() {
  static CLogging instance;
  return instance;
}

void CLogging::SetTimeFormat(const char* format) {
  timeFormat_ = format != nullptr ? std::string(format).substr(0, 256) : "";
}

const char* CLogging::LevelName(int level) const {
  return level >= 0 && level < 5 ? levelNames_[level].c_str() : nullptr;
}

void CLogging::SetLevelName(int level, const char* name) {
  if (level >= 0 && level < 5 && name != nullptr) levelNames_[level] = name;
}

}  // namespace lib

namespace {

// One report at a time: the file write and the box are serialised across threads.
std::mutex g_reportMutex;

int Report(const char* caption, bool quit, const char* format, va_list args) {
  char buffer[1024];  // per call: reports may come from several threads at once
  std::vsnprintf(buffer, sizeof buffer, format, args);
  std::lock_guard<std::mutex> lock(g_reportMutex);
  if (std::FILE* f = std::fopen("assert.txt", "wb")) {
    std::fputs(buffer, f);
    std::fclose(f);
  }
  vt::platform::ShowMessageBox(nullptr,
                               {caption, buffer, vt::platform::BoxButtons::Ok, vt::platform::BoxIcon::Error});
  if (quit) vt::RequestQuit();
  return quit ? 0 : 1;
}

}  // namespace

int AppAssert(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int r = Report("Error", true, format, args);
  va_end(args);
  return r;
}

int AppWarn(const char* format, ...) {
  va_list args;
  va_start(args, format);
  int r = Report("Continue", false, format, args);
  va_end(args);
  return r;
}

int IsValidDateNumber(uint32_t n) {
  uint32_t year = n / 10000, month = n / 100 % 100, day = n % 100;
  return year <= 9999 && month <= 12 && day < 32 ? 1 : 0;
}

int IsValidTimeNumber(uint32_t n) {
  uint32_t hours = n / 10000, minutes = n / 100 % 100, seconds = n % 100;
  return hours <= 23 && minutes < 60 && seconds < 60 ? 1 : 0;
}

namespace vt {
std::string FormatLogTime() {
  // The calendar through the clock (the frame clock gives the same stamps on every run).
  const platform::LocalTime t = platform::GetClock().LocalNow();
  std::tm local{};
  local.tm_year = t.year - 1900;
  local.tm_mon = t.month - 1;
  local.tm_mday = t.day;
  local.tm_hour = t.hour;
  local.tm_min = t.minute;
  local.tm_sec = t.second;
  char buffer[64];
  std::strftime(buffer, sizeof buffer, "%y/%m/%d %H:%M.%S", &local);
  return buffer;
}
}  // namespace vt
