// Clocks behind an injectable interface: the monotonic nanosecond counter stands in for the
// performance counter, the millisecond count for the multimedia timer. Tests install a fake
// clock whose time moves only when told (or when something sleeps on it).
#pragma once

#include <cstdint>

namespace vt::platform {

// A calendar time in local time.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Performance-counter stand-in: counts and counts per second (0 = no counter).
  virtual uint64_t Counter() = 0;
  virtual uint64_t CounterFrequency() = 0;
  // Multimedia-timer stand-in: milliseconds since an arbitrary start, wrapping at 2^32.
  virtual uint32_t Milliseconds() = 0;
  virtual void SleepMs(uint32_t ms) = 0;
  // Gives up the rest of the time slice.
  virtual void Yield() = 0;
  // The calendar's local time now.
  virtual LocalTime LocalNow() = 0;
};

// The clock every timer of the game reads; the real one unless a test installed another.
Clock& GetClock();
// Installs a clock (nullptr restores the real one). Not thread-safe: set it before threads start.
void SetClock(Clock* clock);

// A clock for tests: time advances only through Advance* and SleepMs.
class FakeClock : public Clock {
 public:
  explicit FakeClock(uint64_t frequency = 1000000000ull) : frequency_(frequency) {}
  uint64_t Counter() override { return ticks_; }
  uint64_t CounterFrequency() override { return frequency_; }
  uint32_t Milliseconds() override;
  void SleepMs(uint32_t ms) override;
  void Yield() override { AdvanceNs(yieldNs_); }
  // The calendar time set by the test, moved on by the time advanced since it was set.
  LocalTime LocalNow() override;
  void SetLocalTime(const LocalTime& t);
  int localReads() const { return localReads_; }
  void AdvanceNs(uint64_t ns);
  void SetYieldNs(uint64_t ns) { yieldNs_ = ns; }
  uint64_t nowNs() const { return nowNs_; }
  uint64_t sleptMs() const { return sleptMs_; }
  int sleeps() const { return sleeps_; }

 private:
  uint64_t frequency_;
  uint64_t nowNs_ = 0;
  uint64_t ticks_ = 0;
  uint64_t yieldNs_ = 100000;
  uint64_t sleptMs_ = 0;
  int sleeps_ = 0;
  LocalTime local_{2000, 1, 1, 0, 0, 0, 0};
  uint64_t localSetNs_ = 0;
  int localReads_ = 0;
};

}  // namespace vt::platform
