// Delivery of call results and events. A backend completes calls and posts events from any
// thread; nothing reaches the game except inside the two drains on the logic thread: the client
// queue (runCallbacks, at the end of the frame) and the verifier queue (ticket verdicts, from the
// ticket manager's own callback pass). A call and its binding to a CallResult are one step, so a
// worker can never register after its result arrived; a cancelled or destroyed CallResult is
// never called.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <typeindex>
#include <vector>

#include "lobby/types.h"

namespace vt::online {

using lobby::CallHandle;

class Dispatcher;

namespace detail {

// The shared state of a CallResult or Subscription. The recursive lock is held while the handler
// runs, so an owner destroyed on another thread waits for a running handler to end, and a handler
// may destroy its own owner.
struct SlotBase {
  std::recursive_mutex lock;
  Dispatcher* dispatcher = nullptr;
  CallHandle handle = 0;
  bool live = true;
};

template <class Event>
struct CallSlot : SlotBase {
  std::function<void(const Event&)> onResult;
};

template <class Event>
struct SubscriberSlot : SlotBase {
  std::function<void(const Event&)> onEvent;
};

}  // namespace detail

template <class Event>
class CallResult {
 public:
  explicit CallResult(std::function<void(const Event&)> onResult)
      : slot_(std::make_shared<detail::CallSlot<Event>>()) {
    slot_->onResult = std::move(onResult);
  }
  ~CallResult() { cancel(); }
  CallResult(const CallResult&) = delete;
  CallResult& operator=(const CallResult&) = delete;

  bool pending() const {
    std::lock_guard<std::recursive_mutex> guard(slot_->lock);
    return slot_->handle != 0;
  }
  // 0 when no call is pending; already 0 when the handler runs.
  CallHandle handle() const {
    std::lock_guard<std::recursive_mutex> guard(slot_->lock);
    return slot_->handle;
  }
  void cancel();

 private:
  friend class Dispatcher;
  std::shared_ptr<detail::CallSlot<Event>> slot_;
};

template <class Event>
class Subscription {
 public:
  Subscription() = default;
  ~Subscription() { reset(); }
  Subscription(Subscription&& other) noexcept : slot_(std::move(other.slot_)) {}
  Subscription& operator=(Subscription&& other) noexcept {
    if (this != &other) {
      reset();
      slot_ = std::move(other.slot_);
    }
    return *this;
  }
  bool active() const { return slot_ != nullptr; }
  void reset();

 private:
  friend class Dispatcher;
  std::shared_ptr<detail::SubscriberSlot<Event>> slot_;
};

enum class Queue { Client, Verifier };

class Dispatcher {
 public:
  Dispatcher() = default;
  ~Dispatcher();
  Dispatcher(const Dispatcher&) = delete;
  Dispatcher& operator=(const Dispatcher&) = delete;

  // Makes a new call handle and binds it to the CallResult, cancelling the call it still waited
  // for. The backend starts the call with the handle it gets back, in the same step.
  template <class Event>
  CallHandle bind(CallResult<Event>& result) {
    result.cancel();
    std::lock_guard<std::recursive_mutex> slotGuard(result.slot_->lock);
    std::lock_guard<std::mutex> guard(mutex_);
    const CallHandle handle = ++lastHandle_;
    result.slot_->dispatcher = this;
    result.slot_->handle = handle;
    pending_[handle] = result.slot_;
    return handle;
  }

  // Queues the result of a call for the next client drain. When the caller cancelled the call
  // before the drain, `ifUndelivered` runs there instead (on the logic thread), so a backend can
  // undo what a result nobody will read has done.
  template <class Event>
  void complete(CallHandle handle, Event event, std::function<void()> ifUndelivered = {}) {
    Entry entry;
    entry.handle = handle;
    entry.deliver = [event = std::move(event)](detail::SlotBase& slot) {
      static_cast<detail::CallSlot<Event>&>(slot).onResult(event);
    };
    entry.undelivered = std::move(ifUndelivered);
    push(Queue::Client, std::move(entry));
  }

  // Queues an event for every subscriber of its type, in subscription order.
  template <class Event>
  void post(Queue queue, Event event) {
    Entry entry;
    entry.type = std::type_index(typeid(Event));
    entry.deliver = [event = std::move(event)](detail::SlotBase& slot) {
      static_cast<detail::SubscriberSlot<Event>&>(slot).onEvent(event);
    };
    push(queue, std::move(entry));
  }

  template <class Event>
  Subscription<Event> subscribe(std::function<void(const Event&)> onEvent) {
    Subscription<Event> subscription;
    subscription.slot_ = std::make_shared<detail::SubscriberSlot<Event>>();
    subscription.slot_->onEvent = std::move(onEvent);
    subscription.slot_->dispatcher = this;
    std::lock_guard<std::mutex> guard(mutex_);
    subscription.slot_->handle = ++lastSubscriber_;
    subscribers_[std::type_index(typeid(Event))][subscription.slot_->handle] = subscription.slot_;
    return subscription;
  }

  // Runs what was queued before the drain began; what is queued meanwhile waits for the next.
  // Returns the number of entries taken from the queue.
  size_t runCallbacks() { return drain(Queue::Client); }
  size_t runVerifierCallbacks() { return drain(Queue::Verifier); }

  // Calls still waiting for their result (bound and not yet delivered or cancelled).
  std::vector<CallHandle> pendingCalls() const;
  bool isPending(CallHandle handle) const;
  size_t queued(Queue queue) const;
  // Drops everything queued and forgets every pending call (the platform's shutdown).
  void clear();

  // The owners' side: forget a call or a subscriber (the slot lock is held by the caller).
  void forgetCall(CallHandle handle);
  void forgetSubscriber(std::type_index type, uint64_t id);

 private:
  struct Entry {
    CallHandle handle = 0;  // a call result; 0 for an event
    std::type_index type = std::type_index(typeid(void));
    std::function<void(detail::SlotBase&)> deliver;
    std::function<void()> undelivered;
  };
  void push(Queue queue, Entry entry);
  size_t drain(Queue queue);
  void deliverCall(Entry& entry);
  void deliverEvent(Entry& entry);

  mutable std::mutex mutex_;
  CallHandle lastHandle_ = 0;
  uint64_t lastSubscriber_ = 0;
  std::map<CallHandle, std::weak_ptr<detail::SlotBase>> pending_;
  std::map<std::type_index, std::map<uint64_t, std::weak_ptr<detail::SlotBase>>> subscribers_;
  std::vector<Entry> queues_[2];
};

template <class Event>
void CallResult<Event>::cancel() {
  std::lock_guard<std::recursive_mutex> guard(slot_->lock);
  if (slot_->handle != 0 && slot_->dispatcher != nullptr) slot_->dispatcher->forgetCall(slot_->handle);
  slot_->handle = 0;
}

template <class Event>
void Subscription<Event>::reset() {
  if (slot_ == nullptr) return;
  {
    std::lock_guard<std::recursive_mutex> guard(slot_->lock);
    if (slot_->live && slot_->dispatcher != nullptr)
      slot_->dispatcher->forgetSubscriber(std::type_index(typeid(Event)), slot_->handle);
    slot_->live = false;
  }
  slot_.reset();
}

}  // namespace vt::online
