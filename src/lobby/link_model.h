// What a simulated link does to each packet: loss, duplication, latency with jitter (reordering
// follows from it) and partition. Every decision comes from the link's own generator, seeded
// from the world seed and the directed pair, drawn in a fixed order per packet, so a seed
// replays bit for bit.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

#include "lobby/types.h"

namespace vt::lobby {

struct LinkParams {
  double latencyMs = 0;
  double jitterMs = 0;   // uniform in [-jitter, +jitter], never below zero delay
  double loss = 0;       // probability a packet is lost
  double duplicate = 0;  // probability a delivered packet arrives twice
  bool partitioned = false;
};

class LinkModel {
 public:
  LinkModel(uint64_t worldSeed, UserId from, UserId to);
  void set(const LinkParams& params) { params_ = params; }
  const LinkParams& params() const { return params_; }
  uint64_t seed() const { return seed_; }
  // The delays in microseconds of the copies that arrive: none (lost), one or two.
  std::vector<int64_t> decide();

 private:
  uint64_t seed_;
  std::mt19937_64 random_;
  LinkParams params_;
};

// A token bucket in virtual microseconds: `rate` tokens a second, at most `burst` saved.
class TokenBucket {
 public:
  TokenBucket(double rate, double burst) : rate_(rate), burst_(burst), tokens_(burst) {}
  bool take(int64_t nowUs, double tokens = 1);

 private:
  double rate_, burst_, tokens_;
  int64_t lastUs_ = 0;
};

// The per-user call rates every backend enforces (bursts of twice the rate).
class UserRateLimits {
 public:
  enum Kind { LobbyWrite, Search, Upload, StatsStore, FileCall, Download, kKinds };
  // True when the call may be made now; thread-safe (file calls come from the task thread).
  bool allow(Kind kind, int64_t nowUs);
  // A service's operator may lower the rates: each kind's burst keeps its ratio to its rate.
  // Call before the first allow().
  void setRates(const std::array<double, kKinds>& perSecond);

 private:
  std::mutex mutex_;
  TokenBucket buckets_[kKinds] = {{30, 60}, {2, 5}, {4, 8}, {2, 4}, {20, 40}, {8, 16}};
};

}  // namespace vt::lobby
