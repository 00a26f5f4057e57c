// Cloud files and shared content over a Store: name and size limits, the file count and the
// quota, reads always from the start, and one stable shared-content handle per (owner, file)
// that carries the last share's content and dies with the file.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "lobby/store.h"

namespace vt::lobby {

// 1-63 bytes of printable ASCII, no '/' or '\', not "." or "..".
bool IsValidFileName(std::string_view name);

// Replaces the file whole. False (old content intact) for a bad name, 0 bytes or over 1 MiB, a
// 65th file, or going over the quota.
bool WriteFile(Store& store, UserId user, std::string_view name, std::span<const uint8_t> bytes,
               uint64_t quota = limits::kQuotaBytes);

// Always from the start: min(size, capacity) bytes; 0 when missing.
int32_t ReadFile(Store& store, UserId user, std::string_view name, std::span<uint8_t> buffer);

// False when missing. Removing a file revokes its share.
bool RemoveFile(Store& store, UserId user, std::string_view name);

// The handle of the file's share: the same one for every share of the file, with the current
// content. NotFound for a missing file. `newHandle` makes the low bits of a new handle.
struct ShareOutcome {
  Result result = Result::Fail;
  UgcHandle handle = 0;
};
ShareOutcome ShareFile(Store& store, UserId owner, std::string_view name,
                       const std::function<uint64_t()>& newHandle);

// Bytes of shared content from an offset: 0 past the end.
int32_t ReadSharedBytes(std::span<const uint8_t> content, std::span<uint8_t> buffer, uint32_t offset);

}  // namespace vt::lobby
