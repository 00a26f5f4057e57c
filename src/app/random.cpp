// The subtractive random streams and the online code's Mersenne twisters.
#include "app/random.h"

#include <ctime>
#include <random>

#include "platform/clock.h"

RandStream g_RandStreams[kRandStreamCount];
int32_t g_RandLastValue = 0;
int32_t g_RandDrawCount = 0;

namespace {
constexpr int32_t kMbig = 2147483647;
constexpr int32_t kMseed = 161803398;

// All arithmetic is 32-bit and wraps, as the game computes it.
inline int32_t Sub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t Add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
}  // namespace

void SeedRandStream(int s, int32_t seed) {
  if (s < 0 || s >= kRandStreamCount) return;
  SeedOwnRandStream(g_RandStreams[s], seed);
}

void SeedOwnRandStream(RandStream& r, int32_t seed) {
  // |INT_MIN| wraps to INT_MIN itself, as the game's 32-bit abs does.
  int32_t absSeed = seed < 0 ? Sub(0, seed) : seed;
  int32_t mj = Sub(kMseed, absSeed);
  r.table[55] = mj;
  int32_t mk = 1;
  for (int i = 1; i <= 54; ++i) {
    int ii = (21 * i) % 55;
    r.table[ii] = mk;
    mk = Sub(mj, mk);
    if (mk < 0) mk = Add(mk, kMbig);
    mj = r.table[ii];
  }
  for (int k = 0; k < 4; ++k) {
    for (int i = 1; i <= 55; ++i) {
      r.table[i] = Sub(r.table[i], r.table[1 + (i + 30) % 55]);
      if (r.table[i] < 0) r.table[i] = Add(r.table[i], kMbig);
    }
  }
  r.index = 0;
}

int32_t RandStreamNext(int s) {
  if (s < 0 || s >= kRandStreamCount) return 0;
  return OwnRandStreamNext(g_RandStreams[s]);
}

int32_t OwnRandStreamNext(RandStream& r) {
  if (++r.index >= 56 || r.index < 1) r.index = 1;
  int j = r.index <= 34 ? r.index + 21 : r.index - 34;
  int32_t v = Sub(r.table[r.index], r.table[j]);
  if (v < 0) v = Add(v, kMbig);
  r.table[r.index] = v;
  return v;
}

int32_t RandNext() {
  g_RandLastValue = RandStreamNext(kRandCommonStream);
  g_RandDrawCount = Add(g_RandDrawCount, 1);
  return g_RandLastValue;
}

int32_t RandInt(int32_t n) {
  double v =
      static_cast<double>(RandStreamNext(kRandCommonStream)) * (1.0 / 2147483647.0) * static_cast<double>(n);
  return static_cast<int32_t>(v);
}

double RandFloat() { return static_cast<double>(RandStreamNext(kRandCommonStream)) / 2147483647.0; }

double RandSignedFloat() {
  return static_cast<double>(RandStreamNext(kRandCommonStream)) / 2147483647.0 * 2.0 - 1.0;
}

void SeedRandomGeneratorsFrom(uint32_t seconds) {
  SeedRandStream(kRandCommonStream, static_cast<int32_t>(seconds));
  g_RandDrawCount = 10;
  for (int s = 0; s < 10; ++s) {
    g_RandLastValue = RandStreamNext(kRandCommonStream);
    SeedRandStream(s, g_RandLastValue);
  }
}

// The seed is the calendar's seconds, read through the clock: under the frame clock the start-up
// seed is the same on every run.
void SeedRandomGenerators() {
  const vt::platform::LocalTime t = vt::platform::GetClock().LocalNow();
  std::tm c{};
  c.tm_year = t.year - 1900;
  c.tm_mon = t.month - 1;
  c.tm_mday = t.day;
  c.tm_hour = t.hour;
  c.tm_min = t.minute;
  c.tm_sec = t.second;
  SeedRandomGeneratorsFrom(static_cast<uint32_t>(timegm(&c)));
}

namespace {
std::mt19937& Twister(int which) {
  static std::mt19937 twisters[2];  // default-constructed generators are seeded with 5489
  return twisters[which & 1];
}
}  // namespace

void SeedMersenneTwister(int which, uint32_t seed) { Twister(which).seed(seed); }

uint32_t MersenneTwisterNext(int which) { return static_cast<uint32_t>(Twister(which)()); }

int32_t DrawRandom31() { return static_cast<int32_t>(MersenneTwisterNext(0) >> 1); }
