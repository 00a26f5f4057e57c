// MemoryStore.
#include "lobby/memory_store.h"

#include <algorithm>

namespace vt::lobby {

using Guard = std::lock_guard<std::mutex>;

std::optional<StoredEntry> MemoryStore::entry(BoardHandle board, UserId user) {
  Guard g(mutex_);
  auto b = boards_.find(board);
  if (b == boards_.end()) return std::nullopt;
  auto e = b->second.entries.find(user);
  if (e == b->second.entries.end()) return std::nullopt;
  return e->second;
}

void MemoryStore::putEntry(BoardHandle board, const StoredEntry& entry) {
  Guard g(mutex_);
  Board& b = boards_[board];
  auto old = b.entries.find(entry.user);
  if (old != b.entries.end())
    b.order.erase(std::lower_bound(b.order.begin(), b.order.end(), KeyOf(old->second)));
  b.entries[entry.user] = entry;
  const RankKey key = KeyOf(entry);
  b.order.insert(std::lower_bound(b.order.begin(), b.order.end(), key), key);
  if (entry.seq > lastSeq_) lastSeq_ = entry.seq;
}

int32_t MemoryStore::rankOf(BoardHandle board, UserId user) {
  Guard g(mutex_);
  auto b = boards_.find(board);
  if (b == boards_.end()) return 0;
  auto e = b->second.entries.find(user);
  if (e == b->second.entries.end()) return 0;
  const auto& order = b->second.order;
  return static_cast<int32_t>(std::lower_bound(order.begin(), order.end(), KeyOf(e->second)) -
                              order.begin()) +
         1;
}

int32_t MemoryStore::entryCount(BoardHandle board) {
  Guard g(mutex_);
  auto b = boards_.find(board);
  return b == boards_.end() ? 0 : static_cast<int32_t>(b->second.entries.size());
}

std::vector<StoredEntry> MemoryStore::entriesByRank(BoardHandle board, int32_t first, int32_t count) {
  Guard g(mutex_);
  std::vector<StoredEntry> out;
  auto b = boards_.find(board);
  if (b == boards_.end() || first < 1 || count <= 0) return out;
  const auto& order = b->second.order;
  for (size_t i = static_cast<size_t>(first) - 1;
       i < order.size() && static_cast<int32_t>(out.size()) < count; ++i)
    out.push_back(b->second.entries.at(std::get<2>(order[i])));
  return out;
}

uint64_t MemoryStore::nextSeq() {
  Guard g(mutex_);
  return ++lastSeq_;
}

std::optional<int32_t> MemoryStore::stat(UserId user, std::string_view name) {
  Guard g(mutex_);
  auto it = stats_.find(std::make_pair(user, std::string(name)));
  if (it == stats_.end()) return std::nullopt;
  return it->second;
}

void MemoryStore::putStat(UserId user, std::string_view name, int32_t value) {
  Guard g(mutex_);
  stats_[std::make_pair(user, std::string(name))] = value;
}

std::optional<std::vector<uint8_t>> MemoryStore::file(UserId user, std::string_view name) {
  Guard g(mutex_);
  auto u = files_.find(user);
  if (u == files_.end()) return std::nullopt;
  auto f = u->second.find(name);
  if (f == u->second.end()) return std::nullopt;
  return f->second;
}

void MemoryStore::putFile(UserId user, std::string_view name, const std::vector<uint8_t>& content) {
  Guard g(mutex_);
  files_[user][std::string(name)] = content;
}

bool MemoryStore::removeFile(UserId user, std::string_view name) {
  Guard g(mutex_);
  auto u = files_.find(user);
  if (u == files_.end()) return false;
  auto f = u->second.find(name);
  if (f == u->second.end()) return false;
  u->second.erase(f);
  return true;
}

std::vector<std::string> MemoryStore::fileNames(UserId user) {
  Guard g(mutex_);
  std::vector<std::string> names;
  auto u = files_.find(user);
  if (u != files_.end())
    for (const auto& [name, content] : u->second) names.push_back(name);
  return names;
}

uint64_t MemoryStore::bytesUsed(UserId user) {
  Guard g(mutex_);
  uint64_t total = 0;
  auto u = files_.find(user);
  if (u != files_.end())
    for (const auto& [name, content] : u->second) total += content.size();
  return total;
}

std::optional<StoredShare> MemoryStore::shareByHandle(UgcHandle handle) {
  Guard g(mutex_);
  auto it = shares_.find(handle);
  if (it == shares_.end()) return std::nullopt;
  return it->second;
}

std::optional<StoredShare> MemoryStore::shareOf(UserId owner, std::string_view name) {
  Guard g(mutex_);
  for (const auto& [handle, share] : shares_)
    if (share.owner == owner && share.name == name) return share;
  return std::nullopt;
}

void MemoryStore::putShare(const StoredShare& share) {
  Guard g(mutex_);
  shares_[share.handle] = share;
}

bool MemoryStore::removeShare(UgcHandle handle) {
  Guard g(mutex_);
  return shares_.erase(handle) != 0;
}

}  // namespace vt::lobby
