// Lobby life and data: create, join answers, leaving (the owner closes, the last deletes), the
// four-lobby limit, owner-only data with one update per change, member data, and the key limits.
#include "lobby/lobbies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vt::lobby {
namespace {

const UserId kA = MakeId(IdKind::User, 1);
const UserId kB = MakeId(IdKind::User, 2);
const UserId kC = MakeId(IdKind::User, 3);
LobbyId L(int n) { return MakeId(IdKind::Lobby, n); }

TEST(Lobbies, LifeFromCreationToDeletion) {
  LobbyBook book;
  std::vector<LobbyUpdate> u;
  EXPECT_EQ(book.create(kA, "JP", 0, L(1)), Result::InvalidParam);
  EXPECT_EQ(book.create(kA, "JP", 17, L(1)), Result::InvalidParam);
  ASSERT_EQ(book.create(kA, "JP", 2, L(1)), Result::Ok);
  EXPECT_EQ(book.find(L(1))->view.owner, kA);
  EXPECT_EQ(book.find(L(1))->view.memberCount, 1);
  EXPECT_EQ(book.join(kB, L(9), u), JoinResponse::DoesNotExist);
  EXPECT_EQ(book.join(kB, L(1), u), JoinResponse::Success);
  EXPECT_EQ(book.join(kB, L(1), u), JoinResponse::Success);  // rejoining changes nothing
  EXPECT_EQ(book.find(L(1))->view.memberCount, 2);
  EXPECT_EQ(book.join(kC, L(1), u), JoinResponse::Full);
  EXPECT_EQ(book.search({}, "JP").size(), 0u);  // full: never found
  book.leave(kB, L(1));
  EXPECT_EQ(book.find(L(1))->view.memberCount, 1);
  EXPECT_EQ(book.search({}, "JP").size(), 1u);
  EXPECT_EQ(book.join(kB, L(1), u), JoinResponse::Success);
  // The owner leaves: closed for good, the guest stays until it leaves.
  book.leave(kA, L(1));
  ASSERT_NE(book.find(L(1)), nullptr);
  EXPECT_TRUE(book.find(L(1))->closed);
  EXPECT_EQ(book.find(L(1))->view.owner, 0u);
  EXPECT_EQ(book.join(kC, L(1), u), JoinResponse::DoesNotExist);
  EXPECT_EQ(book.search({}, "JP").size(), 0u);
  EXPECT_FALSE(book.setData(kA, L(1), "MATCH_TYPE", "0", u));
  book.leave(kB, L(1));
  EXPECT_EQ(book.find(L(1)), nullptr);  // the last member gone: deleted
}

TEST(Lobbies, FourLobbiesPerUser) {
  LobbyBook book;
  std::vector<LobbyUpdate> u;
  for (int i = 1; i <= 3; ++i) ASSERT_EQ(book.create(kA, "", 4, L(i)), Result::Ok);
  ASSERT_EQ(book.create(kB, "", 4, L(10)), Result::Ok);
  EXPECT_EQ(book.join(kA, L(10), u), JoinResponse::Success);  // the fourth
  EXPECT_EQ(book.create(kA, "", 4, L(4)), Result::LimitExceeded);
  ASSERT_EQ(book.create(kC, "", 4, L(11)), Result::Ok);
  EXPECT_EQ(book.join(kA, L(11), u), JoinResponse::Error);
  book.leave(kA, L(1));
  EXPECT_EQ(book.create(kA, "", 4, L(4)), Result::Ok);
}

TEST(Lobbies, DataIsTheOwnersAndEveryChangeReachesEveryMemberOnce) {
  LobbyBook book;
  std::vector<LobbyUpdate> u;
  ASSERT_EQ(book.create(kA, "", 4, L(1)), Result::Ok);
  ASSERT_TRUE(book.setData(kA, L(1), "name", "room", u));  // at once, before anyone joined
  ASSERT_EQ(u.size(), 1u);
  EXPECT_EQ(u[0].to, kA);
  EXPECT_EQ(u[0].member, L(1));
  ASSERT_EQ(book.join(kB, L(1), u), JoinResponse::Success);
  u.clear();
  EXPECT_FALSE(book.setData(kB, L(1), "name", "mine", u));  // owner only
  EXPECT_TRUE(book.setData(kA, L(1), "name", "room", u));   // same value: no update
  EXPECT_TRUE(u.empty());
  EXPECT_TRUE(book.setData(kA, L(1), "ownerID", "1", u));
  EXPECT_TRUE(book.setData(kA, L(1), "name", "hall", u));
  EXPECT_EQ(u.size(), 4u);  // two changes, two members
  const KeyValues& data = book.find(L(1))->view.data;
  ASSERT_EQ(data.size(), 2u);
  EXPECT_EQ(data[0], (std::pair<std::string, std::string>{"name", "hall"}));  // order of first set
  EXPECT_EQ(data[1].first, "ownerID");
  EXPECT_EQ(FindValue(data, "absent"), "");
}

TEST(Lobbies, MemberDataIsOwnAndAJoinerLearnsEveryMembersData) {
  LobbyBook book;
  std::vector<LobbyUpdate> u;
  ASSERT_EQ(book.create(kA, "", 4, L(1)), Result::Ok);
  EXPECT_FALSE(book.setMemberData(kB, L(1), "hDCODE", "5", u));  // not a member
  EXPECT_TRUE(book.setMemberData(kA, L(1), "hDCODE", "216172782113783809", u));
  ASSERT_EQ(book.join(kB, L(1), u), JoinResponse::Success);
  u.clear();
  ASSERT_EQ(book.join(kC, L(1), u), JoinResponse::Success);
  // One update for the lobby data, one for A's member data; none for B, who has none.
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(u[0].member, L(1));
  EXPECT_EQ(u[1].member, kA);
  u.clear();
  EXPECT_TRUE(book.setMemberData(kC, L(1), "hDCODE", "7", u));
  ASSERT_EQ(u.size(), 3u);
  for (const LobbyUpdate& x : u) EXPECT_EQ(x.member, kC);
  book.leave(kC, L(1));
  EXPECT_EQ(book.find(L(1))->memberData.count(kC), 0u);
}

TEST(Lobbies, KeyAndValueLimitsAcceptedAtTheLimitAndRefusedOnePast) {
  const struct {
    std::string key, value;
    bool ok;
  } rows[] = {
      {std::string(63, 'K'), std::string(63, 'v'), true},
      {std::string(64, 'K'), "v", false},
      {"KEY", std::string(64, 'v'), false},
      {"", "v", false},
      {"KEY", "", true},
      {"KEY", std::string("a\0b", 3), false},
      {"BAD-KEY", "v", false},
      {"BAD KEY", "v", false},
      {"KEY", "\x82\xa0 with CP932", true},
  };
  for (const auto& row : rows) {
    LobbyBook book;
    std::vector<LobbyUpdate> u;
    ASSERT_EQ(book.create(kA, "", 2, L(1)), Result::Ok);
    EXPECT_EQ(book.setData(kA, L(1), row.key, row.value, u), row.ok)
        << row.key.size() << " " << row.value.size();
    EXPECT_EQ(book.setMemberData(kA, L(1), row.key, row.value, u), row.ok);
  }
  LobbyBook book;
  std::vector<LobbyUpdate> u;
  ASSERT_EQ(book.create(kA, "", 2, L(1)), Result::Ok);
  for (int i = 0; i < 48; ++i) ASSERT_TRUE(book.setData(kA, L(1), "K" + std::to_string(i), "v", u));
  EXPECT_FALSE(book.setData(kA, L(1), "K48", "v", u));  // the 49th key
  EXPECT_TRUE(book.setData(kA, L(1), "K0", "w", u));    // an existing key still changes
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(book.setMemberData(kA, L(1), "M" + std::to_string(i), "v", u));
  EXPECT_FALSE(book.setMemberData(kA, L(1), "M8", "v", u));
}

}  // namespace
}  // namespace vt::lobby
