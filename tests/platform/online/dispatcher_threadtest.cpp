// Threads around the dispatcher: results completed on a worker while the logic thread drains,
// and CallResults destroyed on a worker while their calls are in flight.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/online/dispatcher.h"
#include "platform/online/events.h"

namespace vt::online {
namespace {

TEST(DispatcherThreads, WorkerCompletionsAreAllDeliveredOnTheDrainingThread) {
  Dispatcher d;
  constexpr int kCalls = 2000;
  std::vector<std::unique_ptr<CallResult<FileShared>>> results;
  std::atomic<int> delivered{0};
  const std::thread::id logic = std::this_thread::get_id();
  std::atomic<bool> wrongThread{false};
  std::vector<CallHandle> handles;
  for (int i = 0; i < kCalls; ++i) {
    results.push_back(std::make_unique<CallResult<FileShared>>([&](const FileShared&) {
      if (std::this_thread::get_id() != logic) wrongThread = true;
      ++delivered;
    }));
    handles.push_back(d.bind(*results.back()));
  }
  std::thread worker([&] {
    for (CallHandle h : handles) d.complete(h, FileShared{Result::Ok, h});
  });
  while (delivered < kCalls) {
    d.runCallbacks();
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_EQ(delivered, kCalls);
  EXPECT_FALSE(wrongThread);
}

TEST(DispatcherThreads, AResultDestroyedOnAWorkerNeverFiresAfterItsDestruction) {
  Dispatcher d;
  constexpr int kCalls = 500;
  std::vector<std::atomic<bool>> destroyed(kCalls);
  std::atomic<int> afterDestruction{0};
  std::vector<std::unique_ptr<CallResult<UgcDownloaded>>> results;
  for (int i = 0; i < kCalls; ++i) {
    results.push_back(std::make_unique<CallResult<UgcDownloaded>>([&, i](const UgcDownloaded&) {
      if (destroyed[i]) ++afterDestruction;
    }));
    d.complete(d.bind(*results.back()), UgcDownloaded{Result::Ok, 1, 0, 0, "DCARD.UMS"});
  }
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < kCalls; ++i) {
      results[i].reset();
      destroyed[i] = true;  // a handler still running finished inside reset
    }
    done = true;
  });
  while (!done) d.runCallbacks();
  worker.join();
  d.runCallbacks();
  EXPECT_EQ(afterDestruction, 0);
}

}  // namespace
}  // namespace vt::online
