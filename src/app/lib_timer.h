// Timing primitives of the utility layer: the Stopwatch (performance counter, or the
// millisecond timer when there is none), the millisecond timer, the elapsed-time helpers and
// the fixed-rate tick counter. All read the platform clock, so tests can drive them.
#pragma once

#include <cstdint>

class Stopwatch {
 public:
  virtual ~Stopwatch() = default;
  void Init();
  void Restart();
  void Start();
  void Update();
  // Seconds since the start stamp.
  double Now() const;
  double elapsed() const { return elapsed_; }
  bool counterAvailable() const { return counterAvailable_ != 0; }

 protected:
  int counterAvailable_ = 0;
  uint64_t frequency_ = 0;
  uint64_t startStamp_ = 0;
  double startSeconds_ = 0.0;
  double elapsed_ = 0.0;
};

// Reads the counter frequency once; false when there is no counter.
bool InitPerfFrequency();
uint64_t PerfCounterNow();
uint32_t PerfCounterElapsedMs(uint64_t stamp);
uint32_t PerfCounterElapsed10us(uint64_t stamp);

class MsTimer {
 public:
  int Start();
  int StartExpired();
  uint32_t ElapsedMs() const;
  int mode() const { return mode_; }

 private:
  int mode_ = 2;  // 0 performance counter, 1 multimedia timer, 2 none
  uint64_t start_ = 0;
};

class CWaitCounterBase {
 public:
  virtual ~CWaitCounterBase() = default;
  virtual int Setup(int a, int b, int reset) = 0;
  virtual void Restamp() = 0;
  virtual int TickDroppingBacklog() = 0;
  virtual int TickKeepingBacklog() = 0;
  virtual void Update() = 0;
  virtual void ForceNextTick() = 0;
};

// Ticks a times per b seconds on the performance counter, carrying the rounding error.
class CWaitPerformanceCounter : public CWaitCounterBase {
 public:
  int Setup(int a, int b, int reset) override;
  void Restamp() override;
  int TickDroppingBacklog() override;
  int TickKeepingBacklog() override;
  void Update() override;
  void ForceNextTick() override;

 private:
  uint64_t stamp_ = 0;
  int64_t accumulated_ = 0;
  uint64_t period_ = 0;
  double fraction_ = 0.0;
  double error_ = 0.0;
};
