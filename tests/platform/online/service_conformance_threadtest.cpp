// OnlineConformance on the service backend: the suite's own rows, run against an in-thread lobby
// service with NetPlatform clients. The rows are compiled in once more here, beside the sim
// backend, so the service rows run under the thread label (and ThreadSanitizer).
#include <map>

#include "conformance_test.cpp"  // NOLINT(bugprone-suspicious-include): the suite's rows
#include "platform/online/service_backend.h"

namespace vt::online::test {
namespace {

// Rows the service backend cannot run, and why.
const std::map<std::string, const char*>& NotOnTheService() {
  static const std::map<std::string, const char*> rows = {
      {"C16_AnUnansweredCallEndsTimedOut", "the service has no call faults to inject"},
      {"C16_EveryCallWhoseAnswerIsDroppedEndsAtItsBound", "the service has no call faults to inject"},
      {"C16_StatisticsWhoseAnswerIsDroppedEndAtTheirBound", "the service has no call faults to inject"},
      {"C3_LobbyLife",
       "reads another client's mirror in the frame the owner left, before any answer can come"},
      {"C14_ADisconnectLeavesLobbiesRevokesTicketsAndKeepsTheStore",
       "the service tells a sender that its peer logged off only when it sends again"},
      {"C15_ARestartFailsOutstandingCallsAndKeepsTheStore",
       "a loopback answer arrives before the restart, so the row's call is no longer outstanding"},
      {"C12_Invitations", "the service relays an invitation without checking the friendship"},
  };
  return rows;
}

void SkipRowsNotOnTheService() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string row = info->name();
  row = row.substr(0, row.find('/'));
  auto it = NotOnTheService().find(row);
  if (it != NotOnTheService().end()) GTEST_SKIP() << it->second;
}

std::unique_ptr<World> MakeService() {
  SkipRowsNotOnTheService();
  return std::make_unique<ServiceBackend>();
}

INSTANTIATE_TEST_SUITE_P(ServiceBackends, OnlineConformance,
                         ::testing::Values(Backend{"service", MakeService}),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vt::online::test
