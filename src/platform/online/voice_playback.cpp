// The talker's voice on the mixer. The queue is shared by the owner (submits, counts, release)
// and the mixing thread (plays, notices); notices run under their own lock so that release can
// wait for one in progress, and only for a bounded time.
#include "platform/online/voice_playback.h"

#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace vt::online {

namespace {
// Takes the lock if it comes free within the bound. Polled rather than a timed mutex, whose
// clock-based wait the thread checker cannot follow.
bool LockWithin(std::mutex& mutex, std::chrono::milliseconds bound) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!mutex.try_lock()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return true;
}
}  // namespace

class MixerVoice::State final : public audio::MixSource {
 public:
  State(uint32_t rate, BlockEnd onBlockEnd)
      : rate_(rate), step_((uint64_t{rate} << 32) / audio::kDeviceRate), onBlockEnd_(std::move(onBlockEnd)) {}

  bool MixInto(int32_t* acc, uint32_t frames) override {
    if (closing_.load(std::memory_order_acquire)) return false;
    std::vector<uint64_t> ended;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      for (uint32_t i = 0; i < frames && !blocks_.empty(); ++i) {
        const Block& b = blocks_.front();
        const int32_t s = b.samples[static_cast<size_t>(pos_ >> 32)];
        acc[2 * i] += s;
        acc[2 * i + 1] += s;
        pos_ += step_;
        if ((pos_ >> 32) >= b.samples.size()) {
          pos_ -= uint64_t{b.samples.size()} << 32;
          ended.push_back(b.context);
          blocks_.pop_front();
        }
      }
      // What is left of the pass is silence: a starved voice waits for its next block.
    }
    if (!ended.empty()) {
      std::lock_guard<std::mutex> notices(noticeMutex_);
      if (closing_.load(std::memory_order_acquire)) return false;
      if (onBlockEnd_)
        for (uint64_t context : ended) onBlockEnd_(context);
    }
    return true;
  }

  bool submit(std::span<const int16_t> samples, uint64_t context) {
    if (samples.empty() || closing_.load(std::memory_order_acquire)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (blocks_.size() >= kMaxQueuedBlocks) return false;
    blocks_.push_back({std::vector<int16_t>(samples.begin(), samples.end()), context});
    return true;
  }

  size_t queued() {
    std::lock_guard<std::mutex> lock(mutex_);
    return blocks_.size();
  }

  void release() {
    closing_.store(true, std::memory_order_release);
    // A notice in progress ends before the owner goes; a mixer stalled inside one is not waited
    // for beyond the bound.
    if (LockWithin(noticeMutex_, kReleaseWait)) noticeMutex_.unlock();
    // The mixing thread reads blocks only under this lock, so none it still reads is freed;
    // when it cannot be had in time the blocks go with the state when the mixer lets go of it.
    if (LockWithin(mutex_, kReleaseWait)) {
      blocks_.clear();
      mutex_.unlock();
    }
  }

  uint32_t rate() const { return rate_; }

 private:
  struct Block {
    std::vector<int16_t> samples;
    uint64_t context = 0;
  };
  const uint32_t rate_;
  const uint64_t step_;  // source samples per output frame, 32.32 fixed point
  const BlockEnd onBlockEnd_;
  std::atomic<bool> closing_{false};
  std::mutex mutex_;
  std::mutex noticeMutex_;
  std::deque<Block> blocks_;
  uint64_t pos_ = 0;  // in the front block, 32.32 fixed point
};

std::unique_ptr<MixerVoice> MixerVoice::Create(std::shared_ptr<audio::SoundDevice> device, uint32_t rate,
                                               BlockEnd onBlockEnd) {
  if (device == nullptr || !audio::IsPlayableFormat(audio::MakePcmFormat(1, rate, 16))) return nullptr;
  auto state = std::make_shared<State>(rate, std::move(onBlockEnd));
  device->AddSource(state);
  return std::unique_ptr<MixerVoice>(new MixerVoice(std::move(state)));
}

MixerVoice::~MixerVoice() { state_->release(); }

bool MixerVoice::Submit(std::span<const int16_t> samples, uint64_t context) {
  return state_->submit(samples, context);
}

size_t MixerVoice::Queued() const { return state_->queued(); }

uint32_t MixerVoice::rate() const { return state_->rate(); }

}  // namespace vt::online
