// Tickets: beginSession's answers 0 to 5, the verdicts, and the second verdict that follows a
// cancellation or the owner's log-off, naming the ticket's user.
#include "lobby/auth.h"

#include <gtest/gtest.h>

#include <vector>

namespace vt::lobby {
namespace {

const UserId kA = MakeId(IdKind::User, 1);
const UserId kB = MakeId(IdKind::User, 2);
const UserId kC = MakeId(IdKind::User, 3);
constexpr uint32_t kNow = 1700000000;

TicketId Id(uint8_t n) {
  TicketId id{};
  id.fill(n);
  return id;
}

std::vector<uint8_t> Bytes(const TicketBook::Issued& t) { return {t.bytes.begin(), t.bytes.end()}; }

TEST(Tickets, BeginSessionAnswers) {
  const struct {
    const char* name;
    int mutate;  // 0 none, 1 truncate, 2 magic, 3 version, 4 app id
    UserId claimed;
    uint32_t at;
    BeginSessionResult result;
  } rows[] = {
      {"valid", 0, kA, kNow, BeginSessionResult::Ok},
      {"claimed as another user", 0, kC, kNow, BeginSessionResult::InvalidTicket},
      {"truncated", 1, kA, kNow, BeginSessionResult::InvalidTicket},
      {"bad magic", 2, kA, kNow, BeginSessionResult::InvalidTicket},
      {"unknown version", 3, kA, kNow, BeginSessionResult::InvalidVersion},
      {"another app", 4, kA, kNow, BeginSessionResult::GameMismatch},
      {"ten minutes old", 0, kA, kNow + 600, BeginSessionResult::Ok},
      {"eleven minutes old", 0, kA, kNow + 660, BeginSessionResult::ExpiredTicket},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    TicketBook book;
    std::vector<uint8_t> bytes = Bytes(*book.issue(kA, kNow, Id(1)));
    ASSERT_EQ(bytes.size(), 36u);
    if (row.mutate == 1) bytes.pop_back();
    if (row.mutate == 2) bytes[0] = 'X';
    if (row.mutate == 3) bytes[3] = '2';
    if (row.mutate == 4) bytes[4] = 2;
    EXPECT_EQ(book.begin(kB, bytes, row.claimed, row.at), row.result);
  }
}

TEST(Tickets, SessionsAndVerdicts) {
  TicketBook book;
  auto a = *book.issue(kA, kNow, Id(1));
  // The Init sequence's self-check: one's own ticket validates.
  EXPECT_EQ(book.begin(kA, Bytes(a), kA, kNow), BeginSessionResult::Ok);
  EXPECT_EQ(book.verdict(kA, kA, true), TicketResponse::Ok);
  // A's ticket at B.
  EXPECT_EQ(book.begin(kB, Bytes(a), kA, kNow), BeginSessionResult::Ok);
  EXPECT_EQ(book.verdict(kB, kA, true), TicketResponse::Ok);
  EXPECT_EQ(book.verdict(kB, kA, false), TicketResponse::UserNotConnected);
  EXPECT_EQ(book.begin(kB, Bytes(a), kA, kNow), BeginSessionResult::DuplicateRequest);
  book.end(kB, kA);
  EXPECT_EQ(book.verdict(kB, kA, true), TicketResponse::NoLicenseOrWrongUser);  // no session
  EXPECT_EQ(book.begin(kB, Bytes(a), kA, kNow), BeginSessionResult::Ok);
  // A well-formed ticket nobody registered.
  std::array<uint8_t, 36> forged = EncodeTicket({kAppId, kC, Id(9), kNow});
  EXPECT_EQ(book.begin(kB, forged, kC, kNow), BeginSessionResult::Ok);
  EXPECT_EQ(book.verdict(kB, kC, true), TicketResponse::NoLicenseOrWrongUser);
}

TEST(Tickets, CancellationAndLogOffFollowWithAVerdictNamingTheTicketsUser) {
  TicketBook book;
  auto a = *book.issue(kA, kNow, Id(1));
  auto c = *book.issue(kC, kNow, Id(3));
  ASSERT_EQ(book.begin(kA, Bytes(a), kA, kNow), BeginSessionResult::Ok);  // the host's self-check
  ASSERT_EQ(book.begin(kB, Bytes(a), kA, kNow), BeginSessionResult::Ok);
  ASSERT_EQ(book.begin(kB, Bytes(c), kC, kNow), BeginSessionResult::Ok);
  EXPECT_TRUE(book.cancel(kB, a.handle).empty());  // only the owner cancels
  std::vector<VerdictNotice> cancelled = book.cancel(kA, a.handle);
  ASSERT_EQ(cancelled.size(), 2u);
  EXPECT_EQ(cancelled[0].verifier, kA);
  EXPECT_EQ(cancelled[1].verifier, kB);
  for (const VerdictNotice& n : cancelled) {
    EXPECT_EQ(n.user, kA);
    EXPECT_EQ(n.response, TicketResponse::TicketCanceled);
  }
  EXPECT_TRUE(book.cancel(kA, a.handle).empty());  // once
  EXPECT_EQ(book.verdict(kB, kA, true), TicketResponse::TicketCanceled);

  std::vector<VerdictNotice> gone = book.logOff(kC);
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0].verifier, kB);
  EXPECT_EQ(gone[0].user, kC);
  EXPECT_EQ(gone[0].response, TicketResponse::UserNotConnected);
}

TEST(Tickets, SixteenLiveTicketsPerUser) {
  TicketBook book;
  std::vector<TicketHandle> handles;
  for (int i = 0; i < 16; ++i) {
    auto t = book.issue(kA, kNow, Id(static_cast<uint8_t>(i)));
    ASSERT_TRUE(t.has_value());
    EXPECT_NE(t->handle, 0u);
    handles.push_back(t->handle);
  }
  EXPECT_FALSE(book.issue(kA, kNow, Id(99)).has_value());
  EXPECT_TRUE(book.issue(kB, kNow, Id(99)).has_value());  // counted per user
  book.cancel(kA, handles[0]);
  EXPECT_TRUE(book.issue(kA, kNow, Id(100)).has_value());
}

TEST(Tickets, ATicketPastItsTenMinutesNoLongerCountsAsLiveButItsSessionStillAnswers) {
  TicketBook book;
  std::vector<TicketBook::Issued> issued;
  for (int i = 0; i < 16; ++i) issued.push_back(*book.issue(kA, kNow, Id(static_cast<uint8_t>(i))));
  ASSERT_EQ(book.begin(kB, Bytes(issued[3]), kA, kNow), BeginSessionResult::Ok);
  EXPECT_FALSE(book.issue(kA, kNow + kTicketLifetimeSeconds, Id(50)).has_value());  // at the limit: live
  const uint32_t later = kNow + kTicketLifetimeSeconds + 1;
  for (int i = 0; i < 16; ++i)
    ASSERT_TRUE(book.issue(kA, later, Id(static_cast<uint8_t>(60 + i))).has_value());
  EXPECT_FALSE(book.issue(kA, later, Id(99)).has_value());
  // The session begun in time keeps its ticket.
  EXPECT_EQ(book.verdict(kB, kA, true), TicketResponse::Ok);
}

}  // namespace
}  // namespace vt::lobby
