// The utility layer's logging and reporting: log-file writers (lib::CLog, lib::CLockLog), the
// semaphore wrapper, the logging settings object, the thread-handle owner, the fatal and
// warning reports (AppAssert, AppWarn) and the date/time number checks.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <memory>
#include <semaphore>
#include <string>
#include <thread>

namespace lib {

// Log-file writer: nothing is written until a file is set.
class CLog {
 public:
  virtual ~CLog() = default;
  virtual void SetFile(const char* path, bool deleteFlag);
  virtual void DeleteFile(bool flag);
  virtual void PrintTimed(const char* format, ...) __attribute__((format(printf, 2, 3)));
  virtual void Print(const char* format, ...) __attribute__((format(printf, 2, 3)));
  virtual void WriteRaw(const char* text);
  virtual void PrintRaw(const char* format, ...) __attribute__((format(printf, 2, 3)));
  virtual void PrintTimedConfirm(const char* format, ...) __attribute__((format(printf, 2, 3)));
  virtual void PrintTimedInfo(const char* format, ...) __attribute__((format(printf, 2, 3)));
  virtual bool Show();
  virtual void Clear();

  const std::string& path() const { return path_; }
  // Writes one line with the flags 4 time stamp, 1 information box, 2 confirmation box.
  void WriteLine(int flags, const char* format, va_list args);

 private:
  std::string path_;
};

// Semaphore wrapper. The game's named semaphores become process-wide semaphores looked up
// by name (a named OS semaphore would survive a crash while held and block every later run).
class CSemaphore {
 public:
  ~CSemaphore();
  bool Create(const char* name);  // count 1, maximum 1
  int Lock();                     // 0 acquired, -1 no semaphore
  int Unlock();                   // 1 released, 0 no semaphore
  void Close();                   // waits for it, releases it and forgets it
  bool exists() const { return sem_ != nullptr; }

 private:
  std::shared_ptr<std::binary_semaphore> sem_;
};

class CLockLog {
 public:
  virtual ~CLockLog();
  virtual void SetFile(const char* path, bool deleteFlag);
  virtual void CloseLock();
  void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
  CLog& log() { return log_; }

 private:
  CSemaphore sem_;
  CLog log_;
};

// Logging settings: module name, time format, level and level names. No writer consults it.
class CLogging {
 public:
  static CLogging& Instance();
  virtual ~CLogging() = default;
  virtual const char* ModuleName() const { return moduleName_.c_str(); }
  virtual int GetLevel() const { return level_; }
  virtual void SetLevel(int level) { level_ = level; }
  virtual const char* TimeFormat() const { return timeFormat_.c_str(); }
  virtual void SetTimeFormat(const char* format);
  virtual const char* LevelName(int level) const;
  virtual void SetLevelName(int level, const char* name);

 private:
  std::string moduleName_ = "tk_lib";
  std::string timeFormat_ = "%y/%m/%d %H:%M.%S";
  int level_ = 0;
  std::string levelNames_[5] = {"debug", "info", "warning", "error", "critical"};
};

// Owns a thread; the destructor waits for it without a time-out.
class CBeginThreadEx {
 public:
  CBeginThreadEx() = default;
  template <class F>
  explicit CBeginThreadEx(F&& f) : thread_(std::forward<F>(f)) {}
  ~CBeginThreadEx() {
    if (thread_.joinable()) thread_.join();
  }
  std::thread& thread() { return thread_; }

 private:
  std::thread thread_;
};

}  // namespace lib

// Fatal report: "assert.txt" and a box captioned "Error"; then the program quits. Returns 0.
int AppAssert(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Warning report: "assert.txt" and a box captioned "Continue"; the program goes on. Returns 1.
int AppWarn(const char* format, ...) __attribute__((format(printf, 1, 2)));

// n as YYYYMMDD: year up to 9999, month up to 12, day below 32 (no lower bounds, no calendar).
int IsValidDateNumber(uint32_t n);
// n as HHMMSS: hours up to 23, minutes and seconds below 60.
int IsValidTimeNumber(uint32_t n);

namespace vt {
// Formats the local time with the log's time format ("%y/%m/%d %H:%M.%S").
std::string FormatLogTime();
}  // namespace vt
