// OnlineConformance on the service backend: the suite's own rows, run against an in-thread lobby
// service with NetPlatform clients. The rows are compiled in once more here, beside the sim
// backend, so the service rows run under the thread label (and ThreadSanitizer).
#include "conformance_test.cpp"  // NOLINT(bugprone-suspicious-include): the suite's rows
#include "platform/online/service_backend.h"

namespace vt::online::test {
namespace {

std::unique_ptr<World> MakeService() { return std::make_unique<ServiceBackend>(); }

INSTANTIATE_TEST_SUITE_P(ServiceBackends, OnlineConformance,
                         ::testing::Values(Backend{"service", MakeService}),
                         [](const ::testing::TestParamInfo<Backend>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vt::online::test
