// Stopwatch, millisecond timer and the fixed-rate tick counter.
#include "app/lib_timer.h"

#include <cmath>
#include <cstdlib>
#include <limits>

#include "platform/clock.h"

using vt::platform::GetClock;

void Stopwatch::Init() {
  frequency_ = GetClock().CounterFrequency();
  counterAvailable_ = frequency_ != 0 ? 1 : 0;
  Start();
}

void Stopwatch::Restart() {
  Init();
  elapsed_ = 0.0;
  Start();
}

void Stopwatch::Start() {
  if (counterAvailable_) {
    startStamp_ = GetClock().Counter();
  } else {
    startSeconds_ = static_cast<double>(GetClock().Milliseconds()) / 1000.0;
  }
}

double Stopwatch::Now() const {
  if (counterAvailable_) {
    return static_cast<double>(GetClock().Counter() - startStamp_) / static_cast<double>(frequency_);
  }
  return static_cast<double>(GetClock().Milliseconds()) / 1000.0 - startSeconds_;
}

void Stopwatch::Update() { elapsed_ = Now(); }

namespace {
int g_perfInitialised = 0;
uint64_t g_perfFrequency = 0;
uint64_t g_countsPerMs = 1;
}  // namespace

bool InitPerfFrequency() {
  if (!g_perfInitialised) {
    g_perfInitialised = 1;
    g_perfFrequency = GetClock().CounterFrequency();
    g_countsPerMs = g_perfFrequency / 1000;
    if (g_countsPerMs == 0) g_countsPerMs = 1;
  }
  return g_perfFrequency != 0;
}

uint64_t PerfCounterNow() { return GetClock().Counter(); }

uint32_t PerfCounterElapsedMs(uint64_t stamp) {
  InitPerfFrequency();
  return static_cast<uint32_t>((GetClock().Counter() - stamp) / g_countsPerMs);
}

uint32_t PerfCounterElapsed10us(uint64_t stamp) {
  InitPerfFrequency();
  return static_cast<uint32_t>((GetClock().Counter() - stamp) * 100 / g_countsPerMs);
}

int MsTimer::Start() {
  if (InitPerfFrequency()) {
    mode_ = 0;
    start_ = GetClock().Counter();
    return 1;
  }
  mode_ = 2;
  return 0;
}

int MsTimer::StartExpired() {
  int r = Start();
  if (mode_ == 0) start_ -= 33 * g_countsPerMs;
  return r;
}

uint32_t MsTimer::ElapsedMs() const {
  switch (mode_) {
    case 0:
      return PerfCounterElapsedMs(start_);
    case 1:
      return GetClock().Milliseconds() - static_cast<uint32_t>(start_);
    default:
      return 0;
  }
}

int CWaitPerformanceCounter::Setup(int a, int b, int reset) {
  uint64_t frequency = GetClock().CounterFrequency();
  if (a <= 0 || b <= 0 || frequency == 0) return 0;
  uint64_t c = frequency / static_cast<uint64_t>(b);
  period_ = static_cast<uint64_t>(a) * c;
  if (reset == 1) {
    stamp_ = GetClock().Counter();
    accumulated_ = 0;
  }
  error_ = 0.0;
  double lost = std::fabs(static_cast<double>(frequency) - static_cast<double>(b) * static_cast<double>(c));
  fraction_ = lost / b * a;
  return 1;
}

void CWaitPerformanceCounter::Update() {
  uint64_t now = GetClock().Counter();
  accumulated_ += static_cast<int64_t>(now - stamp_);
  stamp_ = now;
  if (accumulated_ < 0) accumulated_ = std::numeric_limits<int64_t>::max();
}

int CWaitPerformanceCounter::TickKeepingBacklog() {
  int64_t k = static_cast<int64_t>(error_);
  int64_t need = static_cast<int64_t>(period_) + k;
  if (accumulated_ < need) return 0;
  accumulated_ -= need;
  error_ += fraction_ - static_cast<double>(k);
  return 1;
}

int CWaitPerformanceCounter::TickDroppingBacklog() {
  Update();
  if (!TickKeepingBacklog()) return 0;
  if (accumulated_ > static_cast<int64_t>(period_)) accumulated_ = 0;
  return 1;
}

void CWaitPerformanceCounter::Restamp() {
  stamp_ = GetClock().Counter();
  error_ = 0.0;
}

void CWaitPerformanceCounter::ForceNextTick() {
  stamp_ = GetClock().Counter();
  accumulated_ = static_cast<int64_t>(period_) + static_cast<int64_t>(error_);
}
