// The offline backend: not logged on, every asynchronous call unmade, nothing ever queued.
#include "platform/online/offline_platform.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace vt::online {
namespace {

TEST(OfflinePlatform, AnswersNotLoggedOn) {
  OfflinePlatform p;
  EXPECT_FALSE(p.identity().loggedOn());
  EXPECT_EQ(p.identity().selfId(), 0u);
  EXPECT_EQ(p.identity().personaName(), "???");
  EXPECT_EQ(OfflinePlatform("Alice").identity().personaName(), "Alice");
  EXPECT_FALSE(p.utils().networkAlive());
  EXPECT_EQ(p.utils().appId(), 1u);
  EXPECT_GT(p.utils().serverTime(), 1600000000u);  // the local UTC clock
  EXPECT_FALSE(p.stats().requestCurrent());
  EXPECT_FALSE(p.cloud().cloudEnabledForAccount());
  EXPECT_FALSE(p.cloud().cloudEnabledForApp());
  uint32_t bytes = 7;
  EXPECT_EQ(p.voice().available(bytes), VoiceResult::NotInitialized);
  EXPECT_EQ(bytes, 0u);
  EXPECT_TRUE(p.auth().secure());
}

TEST(OfflinePlatform, EveryAsynchronousCallIsUnmadeAndNothingIsQueued) {
  OfflinePlatform p;
  int delivered = 0;
  CallResult<LobbyCreated> created([&](const LobbyCreated&) { ++delivered; });
  CallResult<LobbyEntered> entered([&](const LobbyEntered&) { ++delivered; });
  CallResult<LobbyMatchList> listed([&](const LobbyMatchList&) { ++delivered; });
  CallResult<BoardFound> found([&](const BoardFound&) { ++delivered; });
  CallResult<ScoreUploaded> uploaded([&](const ScoreUploaded&) { ++delivered; });
  CallResult<ScoresDownloaded> downloaded([&](const ScoresDownloaded&) { ++delivered; });
  CallResult<UgcAttached> attached([&](const UgcAttached&) { ++delivered; });
  CallResult<FileShared> shared([&](const FileShared&) { ++delivered; });
  CallResult<UgcDownloaded> fetched([&](const UgcDownloaded&) { ++delivered; });
  const std::array<int32_t, 16> details{};
  const std::vector<std::pair<const char*, std::function<CallHandle()>>> calls = {
      {"create", [&] { return p.lobbies().create(4, created); }},
      {"join", [&] { return p.lobbies().join(lobby::MakeId(lobby::IdKind::Lobby, 1), entered); }},
      {"search", [&] { return p.lobbies().search({}, listed); }},
      {"find", [&] { return p.boards().find("RANK_MATCH_POINT", found); }},
      {"upload", [&] { return p.boards().upload(1, UploadMethod::KeepBest, 5, details, uploaded); }},
      {"download", [&] { return p.boards().download(1, DownloadKind::Global, 1, 10, downloaded); }},
      {"attachUgc", [&] { return p.boards().attachUgc(1, 2, attached); }},
      {"share", [&] { return p.cloud().share("DCARD.UMS", shared); }},
      {"ugcDownload", [&] { return p.cloud().download(3, 0, fetched); }},
  };
  for (const auto& [name, call] : calls) EXPECT_EQ(call(), 0u) << name;
  uint8_t packet[4] = {1, 2, 3, 4};
  EXPECT_FALSE(p.peers().send(lobby::MakeId(lobby::IdKind::User, 9), packet, 0));
  EXPECT_FALSE(p.cloud().write("DCARD.UMS", packet));
  EXPECT_EQ(p.cloud().read("DCARD.UMS", packet), 0);
  std::array<uint8_t, 1024> ticket{};
  EXPECT_EQ(p.auth().getTicket(ticket).handle, 0u);
  EXPECT_EQ(p.dispatcher().queued(Queue::Client), 0u);
  EXPECT_EQ(p.dispatcher().queued(Queue::Verifier), 0u);
  EXPECT_EQ(p.runCallbacks(), 0u);
  EXPECT_EQ(delivered, 0);
  EXPECT_TRUE(p.dispatcher().pendingCalls().empty());
}

}  // namespace
}  // namespace vt::online
