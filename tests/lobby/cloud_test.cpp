// Cloud files and shared content: the limits table, reads from the start, the quota, and
// stable share handles that revoke with the file.
#include "lobby/cloud.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lobby/memory_store.h"

namespace vt::lobby {
namespace {

const UserId kA = MakeId(IdKind::User, 1);
const UserId kB = MakeId(IdKind::User, 2);

std::vector<uint8_t> Bytes(size_t n, uint8_t fill) { return std::vector<uint8_t>(n, fill); }

TEST(Cloud, NamesAndSizesAcceptedAtTheLimitAndRefusedOnePast) {
  const struct {
    std::string name;
    size_t size;
    bool ok;
  } rows[] = {
      {"DCARD.UMS", 1640, true},
      {"a", 1, true},
      {std::string(63, 'n'), 1, true},
      {std::string(64, 'n'), 1, false},
      {"", 1, false},
      {"a/b", 1, false},
      {"a\\b", 1, false},
      {".", 1, false},
      {"..", 1, false},
      {"...", 1, true},
      {"caf\xc3\xa9", 1, false},
      {"tab\t", 1, false},
      {"DISCONNECT.UMS", 0, false},
      {"bb.rep", 1024 * 1024, true},
      {"bb.rep", 1024 * 1024 + 1, false},
  };
  for (const auto& row : rows) {
    MemoryStore store;
    EXPECT_EQ(WriteFile(store, kA, row.name, Bytes(row.size, 7)), row.ok) << row.name << " " << row.size;
    EXPECT_EQ(store.file(kA, row.name).has_value(), row.ok);
  }
}

TEST(Cloud, FileCountAndQuotaKeepTheOldContent) {
  MemoryStore store;
  for (int i = 0; i < 64; ++i) ASSERT_TRUE(WriteFile(store, kA, "f" + std::to_string(i), Bytes(10, 1)));
  EXPECT_FALSE(WriteFile(store, kA, "f64", Bytes(10, 1)));  // a 65th file
  EXPECT_TRUE(WriteFile(store, kA, "f0", Bytes(20, 2)));    // replacing one is not a new file
  EXPECT_TRUE(WriteFile(store, kB, "f64", Bytes(10, 1)));   // users are counted apart

  MemoryStore small;
  ASSERT_TRUE(WriteFile(small, kA, "DCARD.UMS", Bytes(60, 1), 100));
  EXPECT_TRUE(WriteFile(small, kA, "x", Bytes(40, 2), 100));           // exactly at the quota
  EXPECT_FALSE(WriteFile(small, kA, "DCARD.UMS", Bytes(61, 3), 100));  // one past
  EXPECT_EQ(*small.file(kA, "DCARD.UMS"), Bytes(60, 1));
  EXPECT_TRUE(WriteFile(small, kA, "DCARD.UMS", Bytes(59, 4), 100));  // the old size is freed first
}

TEST(Cloud, ReadsAreAlwaysFromTheStartAndRemoveTwiceFails) {
  MemoryStore store;
  std::vector<uint8_t> content = {1, 2, 3, 4, 5};
  ASSERT_TRUE(WriteFile(store, kA, "DISCONNECT.UMS", content));
  std::vector<uint8_t> small(3, 0), large(8, 0xEE);
  EXPECT_EQ(ReadFile(store, kA, "DISCONNECT.UMS", small), 3);
  EXPECT_EQ(small, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ReadFile(store, kA, "DISCONNECT.UMS", small), 3);  // again from the start
  EXPECT_EQ(small, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ReadFile(store, kA, "DISCONNECT.UMS", large), 5);
  EXPECT_EQ(large, (std::vector<uint8_t>{1, 2, 3, 4, 5, 0xEE, 0xEE, 0xEE}));  // nothing past the size
  EXPECT_EQ(ReadFile(store, kB, "DISCONNECT.UMS", large), 0);                 // users isolated
  EXPECT_TRUE(RemoveFile(store, kA, "DISCONNECT.UMS"));
  EXPECT_FALSE(RemoveFile(store, kA, "DISCONNECT.UMS"));
  EXPECT_EQ(ReadFile(store, kA, "DISCONNECT.UMS", large), 0);
}

TEST(Cloud, OneStableHandlePerFileWithTheLastSharesContent) {
  MemoryStore store;
  uint64_t counter = 0;
  auto next = [&] { return ++counter; };
  EXPECT_EQ(ShareFile(store, kA, "DCARD.UMS", next).result, Result::NotFound);
  ASSERT_TRUE(WriteFile(store, kA, "DCARD.UMS", Bytes(1640, 1)));
  ShareOutcome first = ShareFile(store, kA, "DCARD.UMS", next);
  ASSERT_EQ(first.result, Result::Ok);
  EXPECT_TRUE(isValid(first.handle, IdKind::SharedContent));
  // Saving again without sharing leaves the shared content as it was.
  ASSERT_TRUE(WriteFile(store, kA, "DCARD.UMS", Bytes(1640, 2)));
  EXPECT_EQ(store.shareByHandle(first.handle)->content, Bytes(1640, 1));
  ShareOutcome second = ShareFile(store, kA, "DCARD.UMS", next);
  EXPECT_EQ(second.handle, first.handle);
  EXPECT_EQ(store.shareByHandle(first.handle)->content, Bytes(1640, 2));
  EXPECT_EQ(store.shareByHandle(first.handle)->owner, kA);
  EXPECT_EQ(store.shareByHandle(first.handle)->name, "DCARD.UMS");
  // Another owner's file of the same name gets its own handle.
  ASSERT_TRUE(WriteFile(store, kB, "DCARD.UMS", Bytes(3, 3)));
  EXPECT_NE(ShareFile(store, kB, "DCARD.UMS", next).handle, first.handle);
  // Deleting the file revokes the handle.
  ASSERT_TRUE(RemoveFile(store, kA, "DCARD.UMS"));
  EXPECT_FALSE(store.shareByHandle(first.handle).has_value());
}

TEST(Cloud, SharedReadsAtOffsets) {
  const std::vector<uint8_t> content = {10, 11, 12, 13, 14};
  std::vector<uint8_t> buffer(2, 0);
  const struct {
    uint32_t offset;
    int32_t n;
    std::vector<uint8_t> bytes;
  } rows[] = {{0, 2, {10, 11}}, {3, 2, {13, 14}}, {4, 1, {14, 0}}, {5, 0, {0, 0}}, {0xFFFFFFFF, 0, {0, 0}}};
  for (const auto& row : rows) {
    std::fill(buffer.begin(), buffer.end(), 0);
    EXPECT_EQ(ReadSharedBytes(content, buffer, row.offset), row.n) << row.offset;
    EXPECT_EQ(buffer, row.bytes) << row.offset;
  }
}

}  // namespace
}  // namespace vt::lobby
