// Link decisions and token buckets.
#include "lobby/link_model.h"

#include <algorithm>

namespace vt::lobby {

namespace {
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}
// A uniform double in [0, 1) from the top 53 bits: the same on every compiler and library.
double Unit(std::mt19937_64& r) { return static_cast<double>(r() >> 11) * (1.0 / 9007199254740992.0); }
}  // namespace

LinkModel::LinkModel(uint64_t worldSeed, UserId from, UserId to)
    : seed_(Mix(Mix(Mix(worldSeed) ^ from) ^ to)), random_(seed_) {}

std::vector<int64_t> LinkModel::decide() {
  // Four draws per packet whatever the outcome, so one packet's fate never shifts the next's.
  const double lossDraw = Unit(random_);
  const double duplicateDraw = Unit(random_);
  const double jitter[2] = {Unit(random_), Unit(random_)};
  std::vector<int64_t> delays;
  if (params_.partitioned || lossDraw < params_.loss) return delays;
  const int copies = duplicateDraw < params_.duplicate ? 2 : 1;
  for (int i = 0; i < copies; ++i) {
    const double ms = params_.latencyMs + (jitter[i] * 2 - 1) * params_.jitterMs;
    delays.push_back(static_cast<int64_t>(std::max(0.0, ms) * 1000.0));
  }
  return delays;
}

bool TokenBucket::take(int64_t nowUs, double tokens) {
  if (nowUs > lastUs_) {
    tokens_ = std::min(burst_, tokens_ + rate_ * static_cast<double>(nowUs - lastUs_) / 1e6);
    lastUs_ = nowUs;
  }
  if (tokens_ < tokens) return false;
  tokens_ -= tokens;
  return true;
}

void UserRateLimits::setRates(const std::array<double, kKinds>& perSecond) {
  static constexpr double kDefaultRates[kKinds] = {30, 2, 4, 2, 20, 8};
  static constexpr double kDefaultBursts[kKinds] = {60, 5, 8, 4, 40, 16};
  std::lock_guard<std::mutex> guard(mutex_);
  for (int k = 0; k < kKinds; ++k)
    buckets_[k] = TokenBucket(perSecond[k], perSecond[k] * kDefaultBursts[k] / kDefaultRates[k]);
}

bool UserRateLimits::allow(Kind kind, int64_t nowUs) {
  std::lock_guard<std::mutex> guard(mutex_);
  return buckets_[kind].take(nowUs);
}

}  // namespace vt::lobby
