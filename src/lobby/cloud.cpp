// Cloud file rules.
#include "lobby/cloud.h"

#include <algorithm>
#include <cstring>

namespace vt::lobby {

bool IsValidFileName(std::string_view name) {
  if (name.empty() || name.size() > limits::kMaxFileNameBytes || name == "." || name == "..") return false;
  for (char c : name)
    if (c < 0x20 || c > 0x7E || c == '/' || c == '\\') return false;
  return true;
}

bool WriteFile(Store& store, UserId user, std::string_view name, std::span<const uint8_t> bytes,
               uint64_t quota) {
  if (!IsValidFileName(name) || bytes.empty() || bytes.size() > limits::kMaxFileBytes) return false;
  std::optional<std::vector<uint8_t>> old = store.file(user, name);
  if (!old && store.fileNames(user).size() >= static_cast<size_t>(limits::kFiles)) return false;
  const uint64_t used = store.bytesUsed(user) - (old ? old->size() : 0);
  if (used + bytes.size() > quota) return false;
  store.putFile(user, name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return true;
}

int32_t ReadFile(Store& store, UserId user, std::string_view name, std::span<uint8_t> buffer) {
  std::optional<std::vector<uint8_t>> content = store.file(user, name);
  if (!content) return 0;
  const size_t n = std::min(content->size(), buffer.size());
  if (n != 0) std::memcpy(buffer.data(), content->data(), n);
  return static_cast<int32_t>(n);
}

bool RemoveFile(Store& store, UserId user, std::string_view name) {
  if (!store.removeFile(user, name)) return false;
  if (std::optional<StoredShare> share = store.shareOf(user, name)) store.removeShare(share->handle);
  return true;
}

ShareOutcome ShareFile(Store& store, UserId owner, std::string_view name,
                       const std::function<uint64_t()>& newHandle) {
  std::optional<std::vector<uint8_t>> content = store.file(owner, name);
  if (!content) return {Result::NotFound, 0};
  StoredShare share = store.shareOf(owner, name).value_or(StoredShare{});
  if (share.handle == 0) {
    share.handle = MakeId(IdKind::SharedContent, newHandle());
    share.owner = owner;
    share.name = std::string(name);
  }
  share.content = std::move(*content);
  store.putShare(share);
  return {Result::Ok, share.handle};
}

int32_t ReadSharedBytes(std::span<const uint8_t> content, std::span<uint8_t> buffer, uint32_t offset) {
  if (offset >= content.size()) return 0;
  const size_t n = std::min(content.size() - offset, buffer.size());
  if (n != 0) std::memcpy(buffer.data(), content.data() + offset, n);
  return static_cast<int32_t>(n);
}

}  // namespace vt::lobby
