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
  LocalTime LocalNow() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    return {t.tm_year + 1900,
            t.tm_mon + 1,
            t.tm_mday,
            t.tm_hour,
            t.tm_min,
            t.tm_sec,
            static_cast<int>(ts.tv_nsec / 1000000)};
  }
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

void FakeClock::SetLocalTime(const LocalTime& t) {
  local_ = t;
  localSetNs_ = nowNs_;
}

LocalTime FakeClock::LocalNow() {
  ++localReads_;
  // The set time plus the time advanced since, through the C calendar (UTC, so no zone moves it).
  tm t{};
  t.tm_year = local_.year - 1900;
  t.tm_mon = local_.month - 1;
  t.tm_mday = local_.day;
  t.tm_hour = local_.hour;
  t.tm_min = local_.minute;
  t.tm_sec = local_.second;
  const uint64_t ms = static_cast<uint64_t>(local_.millisecond) + (nowNs_ - localSetNs_) / 1000000ull;
  time_t secs = timegm(&t) + static_cast<time_t>(ms / 1000);
  tm out{};
  gmtime_r(&secs, &out);
  return {out.tm_year + 1900,         out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec,
          static_cast<int>(ms % 1000)};
}

void FakeClock::AdvanceNs(uint64_t ns) {
  nowNs_ += ns;
  // Counter ticks follow the nanoseconds at the configured frequency.
  ticks_ = frequency_ == 0
               ? 0
               : static_cast<uint64_t>((static_cast<unsigned __int128>(nowNs_) * frequency_) / 1000000000ull);
}

}  // namespace vt::platform
