// How NetPlatform sends requests: frames queued for the I/O thread, pending answers with their
// bounds, asynchronous calls completed through the Dispatcher and synchronous round trips that
// block only their caller. Included by the platform's own sources only.
#pragma once

#include <condition_variable>
#include <memory>

#include "platform/online/net/net_platform.h"

namespace vt::online::net {

// The rate limiters' clock.
inline int64_t MicrosNow() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

template <class M>
bool NetPlatform::queueFrame(const M& message, uint32_t requestId) {
  bool ok = false;
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    ok = lobby::wire::AppendMessage(out_, message, requestId);
    // Written from the caller's thread at once, so the service sees a client's requests in the
    // order they were made, ahead of whatever others do after them.
    if (ok) flushLocked();
  }
  if (ok) wake();
  return ok;
}

template <class M>
bool NetPlatform::request(const M& message, Clock::duration bound,
                          std::function<void(std::span<const uint8_t>)> onReply,
                          std::function<void(Result)> onFail) {
  if (!loggedOn_.load() || stopping_.load()) return false;
  {
    std::lock_guard<std::mutex> guard(outMutex_);
    if (pending_.size() >= maxOutstanding_.load()) return false;
    const uint32_t id = ++lastRequestId_ == 0 ? ++lastRequestId_ : lastRequestId_;
    if (!lobby::wire::AppendMessage(out_, message, id)) return false;
    pending_[id] = Pending{Clock::now() + bound, std::move(onReply), std::move(onFail)};
    flushLocked();
  }
  wake();
  return true;
}

template <class M, class Event>
CallHandle NetPlatform::call(const M& message, Clock::duration bound, CallResult<Event>& result,
                             std::function<Event(const typename M::Reply&)> ok,
                             std::function<Event(Result)> failed, std::function<void(const Event&)> undo) {
  if (!loggedOn_.load()) return 0;
  const CallHandle handle = dispatcher().bind(result);
  Dispatcher* d = &dispatcher();
  const uint64_t serial = markCall();
  auto onReply = [this, d, handle, serial, ok, failed, undo](std::span<const uint8_t> payload) {
    auto reply = lobby::wire::DecodePayload<typename M::Reply>(payload);
    if (!reply) {
      completeAfterMark(serial, [d, handle, failed] { d->complete(handle, failed(Result::Fail)); });
      return;
    }
    Event event = ok(*reply);
    std::function<void()> ifUndelivered;
    if (undo) ifUndelivered = [undo, event] { undo(event); };
    completeAfterMark(serial,
                      [d, handle, event = std::move(event), ifUndelivered = std::move(ifUndelivered)] {
                        d->complete(handle, event, ifUndelivered);
                      });
  };
  auto onFail = [this, d, handle, serial, failed](Result reason) {
    completeAfterMark(serial, [d, handle, failed, reason] { d->complete(handle, failed(reason)); });
  };
  if (!request(message, bound, std::move(onReply), std::move(onFail))) {
    result.cancel();
    return 0;
  }
  return handle;
}

template <class M>
std::optional<typename M::Reply> NetPlatform::roundTrip(const M& message, Clock::time_point deadline) {
  struct State {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::optional<typename M::Reply> reply;
  };
  auto state = std::make_shared<State>();
  auto finish = [state](std::optional<typename M::Reply> reply) {
    std::lock_guard<std::mutex> guard(state->mutex);
    state->reply = std::move(reply);
    state->done = true;
    state->cv.notify_all();
  };
  const bool sent = request(
      message, deadline - Clock::now(),
      [finish](std::span<const uint8_t> payload) {
        finish(lobby::wire::DecodePayload<typename M::Reply>(payload));
      },
      [finish](Result) { finish(std::nullopt); });
  if (!sent) return std::nullopt;
  std::unique_lock<std::mutex> lock(state->mutex);
  // The I/O thread ends every pending request at its deadline, on a lost connection and at
  // shutdown; the wait's own bound is a second guard should that thread be gone.
  state->cv.wait_until(lock, deadline + std::chrono::milliseconds(500), [&] { return state->done; });
  return state->reply;
}

}  // namespace vt::online::net
