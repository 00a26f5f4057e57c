// The two delivery queues and the bookkeeping of pending calls and subscribers. Lock order: a
// slot's lock before the dispatcher's mutex; handlers run with no dispatcher lock held.
#include "platform/online/dispatcher.h"

namespace vt::online {

namespace {
std::vector<std::shared_ptr<detail::SlotBase>> LockAll(
    const std::vector<std::weak_ptr<detail::SlotBase>>& weak) {
  std::vector<std::shared_ptr<detail::SlotBase>> slots;
  for (const auto& w : weak)
    if (auto s = w.lock()) slots.push_back(std::move(s));
  return slots;
}
}  // namespace

Dispatcher::~Dispatcher() {
  std::vector<std::weak_ptr<detail::SlotBase>> weak;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto& [handle, slot] : pending_) weak.push_back(slot);
    for (auto& [type, byId] : subscribers_)
      for (auto& [id, slot] : byId) weak.push_back(slot);
    pending_.clear();
    subscribers_.clear();
  }
  // Owners that outlive the platform must not reach back into it.
  for (auto& slot : LockAll(weak)) {
    std::lock_guard<std::recursive_mutex> slotGuard(slot->lock);
    slot->dispatcher = nullptr;
    slot->handle = 0;
  }
}

void Dispatcher::push(Queue queue, Entry entry) {
  std::lock_guard<std::mutex> guard(mutex_);
  queues_[static_cast<int>(queue)].push_back(std::move(entry));
}

size_t Dispatcher::drain(Queue queue) {
  std::vector<Entry> entries;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    entries.swap(queues_[static_cast<int>(queue)]);
  }
  for (Entry& entry : entries) {
    if (entry.handle != 0)
      deliverCall(entry);
    else
      deliverEvent(entry);
  }
  return entries.size();
}

void Dispatcher::deliverCall(Entry& entry) {
  std::shared_ptr<detail::SlotBase> slot;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = pending_.find(entry.handle);
    if (it != pending_.end()) {
      slot = it->second.lock();
      pending_.erase(it);
    }
  }
  if (slot != nullptr) {
    std::lock_guard<std::recursive_mutex> slotGuard(slot->lock);
    // Cancelled (or rebound) between the lookup and here: the handle no longer matches.
    if (slot->handle == entry.handle) {
      slot->handle = 0;
      entry.deliver(*slot);
      return;
    }
  }
  if (entry.undelivered) entry.undelivered();
}

void Dispatcher::deliverEvent(Entry& entry) {
  std::vector<std::weak_ptr<detail::SlotBase>> weak;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    auto it = subscribers_.find(entry.type);
    if (it == subscribers_.end()) return;
    for (auto& [id, slot] : it->second) weak.push_back(slot);
  }
  for (auto& slot : LockAll(weak)) {
    std::lock_guard<std::recursive_mutex> slotGuard(slot->lock);
    if (slot->live && slot->dispatcher == this) entry.deliver(*slot);
  }
}

std::vector<CallHandle> Dispatcher::pendingCalls() const {
  std::lock_guard<std::mutex> guard(mutex_);
  std::vector<CallHandle> handles;
  for (auto& [handle, slot] : pending_) handles.push_back(handle);
  return handles;
}

bool Dispatcher::isPending(CallHandle handle) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return pending_.count(handle) != 0;
}

size_t Dispatcher::queued(Queue queue) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return queues_[static_cast<int>(queue)].size();
}

void Dispatcher::clear() {
  std::vector<std::weak_ptr<detail::SlotBase>> weak;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto& [handle, slot] : pending_) weak.push_back(slot);
    pending_.clear();
    queues_[0].clear();
    queues_[1].clear();
  }
  for (auto& slot : LockAll(weak)) {
    std::lock_guard<std::recursive_mutex> slotGuard(slot->lock);
    slot->handle = 0;
  }
}

void Dispatcher::forgetCall(CallHandle handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  pending_.erase(handle);
}

void Dispatcher::forgetSubscriber(std::type_index type, uint64_t id) {
  std::lock_guard<std::mutex> guard(mutex_);
  auto it = subscribers_.find(type);
  if (it != subscribers_.end()) it->second.erase(id);
}

}  // namespace vt::online
