// The online framework's application object with its two per-frame task lists, and its
// high-resolution timer, as the platform-neutral interfaces see them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A unit of per-frame work of the online layer (peer receive, net-battle control, peer send).
class QZ_Task {
 public:
  virtual ~QZ_Task() = default;
  virtual void Run() = 0;
  bool suspended = false;
  bool finished = false;  // set by the task: it is deleted after the list has run
};

class QZ_TaskList {
 public:
  void Add(std::unique_ptr<QZ_Task> task) { tasks_.push_back(std::move(task)); }
  // Runs every task that is not suspended, then deletes the finished ones; the number run.
  int Run();
  size_t size() const { return tasks_.size(); }

 private:
  std::vector<std::unique_ptr<QZ_Task>> tasks_;
};

class QZ_CApplication {
 public:
  virtual ~QZ_CApplication() = default;
  QZ_TaskList& FirstTaskList() { return first_; }
  QZ_TaskList& SecondTaskList() { return second_; }

 protected:
  QZ_TaskList first_;
  QZ_TaskList second_;
};

class QZWin_CApplication : public QZ_CApplication {
 public:
  QZWin_CApplication();
  uint32_t words[64] = {};
  int32_t word = -1;
  int32_t state = 1;
  int32_t flag = 1;
  uint32_t startMs = 0;
};

struct QZ_LocalDate {
  int64_t calendarTime = 0;
  char text[32] = {};  // ctime's text, at most 31 characters
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class QZ_Timer {
 public:
  virtual ~QZ_Timer() = default;
  virtual uint64_t Milliseconds() = 0;
  virtual uint64_t Microseconds() = 0;
  virtual void LocalDate(QZ_LocalDate* out) = 0;
};

class QZWin_HQTimer : public QZ_Timer {
 public:
  uint64_t Milliseconds() override;
  // Counter x 1000000 / frequency in 128-bit arithmetic: exact for any counter frequency
  // (dividing by frequency / 1000000 would divide by zero below 1 MHz).
  uint64_t Microseconds() override;
  void LocalDate(QZ_LocalDate* out) override;
};

// The timer holder: created once, keeps the timer and the frame period (16666 microseconds).
struct QZ_TimerHolder {
  QZWin_HQTimer timer;
  uint32_t framePeriodUs = 16666;
};
QZ_TimerHolder* CreateHQTimer();

// The process's application object (created by the online start-up; null before).
QZWin_CApplication* GetQZApplication();
void CreateQZApplication();
void DeleteQZApplication();
