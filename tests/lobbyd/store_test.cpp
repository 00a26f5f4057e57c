// The store table: MemoryStore and SqliteStore through the same rows (boards with tied ranks,
// statistics and achievements, files replaced whole, shared content with stable handles, users
// kept apart), then what only the file store must do: keep everything across a reopen, refuse a
// newer schema, and survive a writer killed mid-stream with every file old or new.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "lobby/boards.h"
#include "lobby/cloud.h"
#include "lobby/memory_store.h"
#include "lobby/stats.h"
#include "lobbyd/sqlite_store.h"

namespace vt::lobby {
namespace {

struct StoreKind {
  const char* name;
  std::function<std::unique_ptr<Store>()> make;
};

class StoreTable : public ::testing::TestWithParam<StoreKind> {
 protected:
  void SetUp() override {
    store = GetParam().make();
    ASSERT_NE(store, nullptr);
  }
  std::unique_ptr<Store> store;
};

const UserId kA = MakeId(IdKind::User, 1);
const UserId kB = MakeId(IdKind::User, 2);
const UserId kC = MakeId(IdKind::User, 3);

TEST_P(StoreTable, BoardsRankTiesByWhoReachedTheScoreFirst) {
  const BoardHandle board = FindBoard("RANK_MATCH_POINT");
  const std::vector<int32_t> details = {-1, 0, 7, INT32_MAX};
  EXPECT_EQ(UploadScore(*store, board, kA, UploadMethod::KeepBest, 100, details).newRank, 1);
  EXPECT_EQ(UploadScore(*store, board, kB, UploadMethod::KeepBest, 100, {}).newRank, 2);
  EXPECT_EQ(UploadScore(*store, board, kC, UploadMethod::KeepBest, 101, {}).newRank, 1);
  EXPECT_EQ(store->rankOf(board, kA), 2);
  EXPECT_EQ(store->rankOf(board, kB), 3);
  EXPECT_EQ(store->rankOf(board, MakeId(IdKind::User, 9)), 0);
  EXPECT_EQ(store->entry(board, kA)->details, details);
  std::vector<UserId> order;
  for (const StoredEntry& e : store->entriesByRank(board, 1, 10)) order.push_back(e.user);
  EXPECT_EQ(order, (std::vector<UserId>{kC, kA, kB}));
  EXPECT_EQ(store->entriesByRank(board, 3, 10).size(), 1u);
  EXPECT_EQ(store->entryCount(board), 3);
  EXPECT_EQ(store->entryCount(FindBoard("TEST")), 0);
  const uint64_t s1 = store->nextSeq(), s2 = store->nextSeq();
  EXPECT_GT(s2, s1);
}

TEST_P(StoreTable, StatisticsAndAchievements) {
  EXPECT_FALSE(store->stat(kA, "stat_30_00").has_value());
  EXPECT_EQ(StoreStats(*store, kA, {{"stat_30_00", 12}, {"stat_06_01", -8}, {"ACHIEVE_ID_53", 1}}),
            Result::Ok);
  EXPECT_EQ(StoreStats(*store, kA, {{"stat_30_00", 11}, {"ACHIEVE_ID_53", 0}}), Result::StatsReverted);
  const StatValues a = LoadStats(*store, kA);
  EXPECT_EQ(a.at("stat_30_00"), 12);
  EXPECT_EQ(a.at("stat_06_01"), -8);
  EXPECT_EQ(a.at("ACHIEVE_ID_53"), 1);
  EXPECT_EQ(a.at("ACHIEVE_ID_52"), 0);
  EXPECT_EQ(LoadStats(*store, kB).at("stat_30_00"), 0);
}

TEST_P(StoreTable, FilesAreReplacedWholeAndUsersKeptApart) {
  ASSERT_TRUE(WriteFile(*store, kA, "DCARD.UMS", std::vector<uint8_t>(1640, 1)));
  ASSERT_TRUE(WriteFile(*store, kA, "DCARD.UMS", std::vector<uint8_t>(10, 2)));
  EXPECT_EQ(*store->file(kA, "DCARD.UMS"), std::vector<uint8_t>(10, 2));
  ASSERT_TRUE(WriteFile(*store, kA, "DISCONNECT.UMS", std::vector<uint8_t>{0, 0, 0}));  // zero bytes survive
  EXPECT_EQ(*store->file(kA, "DISCONNECT.UMS"), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(store->fileNames(kA), (std::vector<std::string>{"DCARD.UMS", "DISCONNECT.UMS"}));
  EXPECT_EQ(store->bytesUsed(kA), 13u);
  EXPECT_FALSE(store->file(kB, "DCARD.UMS").has_value());
  EXPECT_EQ(store->bytesUsed(kB), 0u);
  EXPECT_TRUE(RemoveFile(*store, kA, "DISCONNECT.UMS"));
  EXPECT_FALSE(RemoveFile(*store, kA, "DISCONNECT.UMS"));
}

TEST_P(StoreTable, SharedContentKeepsItsHandle) {
  uint64_t counter = 100;
  auto next = [&] { return ++counter; };
  ASSERT_TRUE(WriteFile(*store, kA, "DCARD.UMS", std::vector<uint8_t>(5, 1)));
  const UgcHandle h = ShareFile(*store, kA, "DCARD.UMS", next).handle;
  ASSERT_TRUE(WriteFile(*store, kA, "DCARD.UMS", std::vector<uint8_t>(6, 2)));
  EXPECT_EQ(ShareFile(*store, kA, "DCARD.UMS", next).handle, h);
  std::optional<StoredShare> s = store->shareByHandle(h);
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->owner, kA);
  EXPECT_EQ(s->name, "DCARD.UMS");
  EXPECT_EQ(s->content, std::vector<uint8_t>(6, 2));
  EXPECT_EQ(store->shareOf(kA, "DCARD.UMS")->handle, h);
  EXPECT_FALSE(store->shareOf(kB, "DCARD.UMS").has_value());
  ASSERT_TRUE(RemoveFile(*store, kA, "DCARD.UMS"));
  EXPECT_FALSE(store->shareByHandle(h).has_value());
}

std::string TempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::to_string(::getpid()) + "_" + name)).string();
}

INSTANTIATE_TEST_SUITE_P(
    Stores, StoreTable,
    ::testing::Values(StoreKind{"memory", [] { return std::unique_ptr<Store>(new MemoryStore()); }},
                      StoreKind{"sqlite_memory",
                                [] { return std::unique_ptr<Store>(lobbyd::SqliteStore::Open(":memory:")); }},
                      StoreKind{"sqlite_file",
                                [] {
                                  const std::string path = TempPath("table.db");
                                  std::filesystem::remove(path);
                                  return std::unique_ptr<Store>(lobbyd::SqliteStore::Open(path));
                                }}),
    [](const ::testing::TestParamInfo<StoreKind>& info) { return std::string(info.param.name); });

TEST(SqliteStore, EverythingSurvivesAReopen) {
  const std::string path = TempPath("reopen.db");
  std::filesystem::remove(path);
  const BoardHandle board = FindBoard("ARCADE_SCORE_POINT");
  UgcHandle handle = 0;
  {
    auto store = lobbyd::SqliteStore::Open(path);
    ASSERT_NE(store, nullptr);
    UploadScore(*store, board, kA, UploadMethod::KeepBest, 50, std::vector<int32_t>{1, 2});
    UploadScore(*store, board, kB, UploadMethod::KeepBest, 50, {});
    StoreStats(*store, kA, {{"stat_30_00", 3}, {"ACHIEVE_ID_02", 1}});
    WriteFile(*store, kA, "DCARD.UMS", std::vector<uint8_t>(1640, 4));
    handle = ShareFile(*store, kA, "DCARD.UMS", [] { return 77; }).handle;
  }
  auto store = lobbyd::SqliteStore::Open(path);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->rankOf(board, kA), 1);
  EXPECT_EQ(store->rankOf(board, kB), 2);
  EXPECT_EQ(store->entry(board, kA)->details, (std::vector<int32_t>{1, 2}));
  // Sequence numbers go on growing after a reopen, so the tie holds.
  EXPECT_EQ(UploadScore(*store, board, MakeId(IdKind::User, 5), UploadMethod::KeepBest, 50, {}).newRank, 3);
  EXPECT_EQ(LoadStats(*store, kA).at("stat_30_00"), 3);
  EXPECT_EQ(LoadStats(*store, kA).at("ACHIEVE_ID_02"), 1);
  EXPECT_EQ(store->file(kA, "DCARD.UMS")->size(), 1640u);
  EXPECT_EQ(store->shareByHandle(handle)->content.size(), 1640u);
  store.reset();
  std::filesystem::remove(path);
}

TEST(SqliteStore, ANewerSchemaIsRefusedWithALogLineNamingTheFile) {
  const std::string path = TempPath("newer.db");
  std::filesystem::remove(path);
  {
    auto store = lobbyd::SqliteStore::Open(path);
    ASSERT_NE(store, nullptr);
  }
  {
    // A later service moved the schema on.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 2", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
  }
  std::string error;
  testing::internal::CaptureStderr();
  EXPECT_EQ(lobbyd::SqliteStore::Open(path, &error), nullptr);
  const std::string logged = testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find(path), std::string::npos);
  EXPECT_NE(error.find("newer"), std::string::npos);
  EXPECT_NE(logged.find(path), std::string::npos);
  std::filesystem::remove(path);
}

TEST(SqliteStore, AWriterKilledMidStreamLeavesEveryFileOldOrNew) {
  const std::string path = TempPath("killed.db");
  std::filesystem::remove(path);
  ASSERT_NE(lobbyd::SqliteStore::Open(path), nullptr);  // create the schema first
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Each version of a file is one byte value throughout, with a size that depends on it.
    auto store = lobbyd::SqliteStore::Open(path);
    for (uint32_t i = 1;; ++i) {
      for (int f = 0; f < 4; ++f)
        store->putFile(kA, "F" + std::to_string(f),
                       std::vector<uint8_t>(1000 + (i % 200) * 97, static_cast<uint8_t>(i)));
      // Once every file has a first version the parent may kill at any moment.
      if (i == 1) (void)!::write(ready[1], "1", 1);
    }
  }
  ::close(ready[1]);
  // However slow the machine, the kill falls after the first versions, in the middle of the
  // stream of later ones.
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1);
  ::close(ready[0]);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  auto store = lobbyd::SqliteStore::Open(path);
  ASSERT_NE(store, nullptr);
  int files = 0;
  for (int f = 0; f < 4; ++f) {
    std::optional<std::vector<uint8_t>> content = store->file(kA, "F" + std::to_string(f));
    if (!content) continue;
    ++files;
    ASSERT_FALSE(content->empty());
    const uint8_t v = (*content)[0];
    for (uint8_t x : *content) ASSERT_EQ(x, v) << "F" << f << " mixes two versions";
    // The size belongs to the version the bytes say (i % 256 == v for some i with that size).
    bool matches = false;
    for (uint32_t i = v; i < 100000 && !matches; i += 256) matches = content->size() == 1000 + (i % 200) * 97;
    EXPECT_TRUE(matches) << "F" << f << " size " << content->size();
  }
  EXPECT_GT(files, 0);
  store.reset();
  std::filesystem::remove(path);
  std::filesystem::remove(path + "-wal");
  std::filesystem::remove(path + "-shm");
}

}  // namespace
}  // namespace vt::lobby
