// Real clock on CLOCK_MONOTONIC, and the fake clock for tests.
#include "platform/clock.h"

#include <sched.h>
#include <time.h>

namespace vt::platform {
namespace {

class RealClock : public Clock {
 public:
  uint64_t Counter() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000ull + static_cast<uint64_t>(ts.tv_nsec);
  }
  uint64_t CounterFrequency() override { return 1000000000ull; }
  uint32_t Milliseconds() override { return static_cast<uint32_t>(Counter() / 1000000ull); }
  void SleepMs(uint32_t ms) override {
    timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0) {
    }
  }
  void Yield() override { sched_yield(); }
};

RealClock g_realClock;
Clock* g_clock = &g_realClock;

}  // namespace

Clock& GetClock() { return *g_clock; }
void SetClock(Clock* clock) { g_clock = clock != nullptr ? clock : &g_realClock; }

uint32_t FakeClock::Milliseconds() { return static_cast<uint32_t>(nowNs_ / 1000000ull); }

void FakeClock::SleepMs(uint32_t ms) {
  sleptMs_ += ms;
  ++sleeps_;
  AdvanceNs(static_cast<uint64_t>(ms) * 1000000ull);
}

void FakeClock::AdvanceNs(uint64_t ns) {
  nowNs_ += ns;
  // Counter ticks follow the nanoseconds at the configured frequency.
  ticks_ = frequency_ == 0
               ? 0
               : static_cast<uint64_t>((static_cast<unsigned __int128>(nowNs_) * frequency_) / 1000000000ull);
}

}  // namespace vt::platform
