// The conformance suite's service backend: an in-thread lobby service on 127.0.0.1 with an
// ephemeral port and a temporary database, and NetPlatform clients that log in to it. A frame
// drains every client's two queues, then waits out the rest of a paced 1/60 s, so rows that
// count frames count real time as they do in the game.
#pragma once

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "lobbyd/service.h"
#include "platform/online/net/net_platform.h"
#include "platform/online/world.h"

namespace vt::online::test {

class ServiceBackend final : public World {
 public:
  // The service's settings: the game's own unless a test lowers them.
  explicit ServiceBackend(std::optional<lobbyd::LobbydConfig> config = std::nullopt) : config_(std::move(config)) {
    static int serial = 0;
    dir_ = std::filesystem::temp_directory_path() /
           ("vt-service-backend-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(dir_);
    startService("127.0.0.1:0");
    port_ = service_->tcpPort();
    nextFrame_ = std::chrono::steady_clock::now();
  }
  ~ServiceBackend() override {
    for (auto& u : users_) u->shutdown();
    users_.clear();
    service_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string name() const override { return "service"; }

  Platform& addUser(const UserOptions& options) override {
    net::NetOptions o;
    o.port = port_;
    o.name = options.name;
    o.country = options.country;
    o.region = options.region;
    // A fixed seed per user of the world: the same user after a restart.
    o.seed.fill(0);
    o.seed[0] = static_cast<uint8_t>(users_.size() + 1);
    o.seed[1] = 0x5A;
    o.udpBlocked = udpBlocked_;
    users_.push_back(std::make_unique<net::NetPlatform>(std::move(o)));
    net::NetPlatform& p = *users_.back();
    waitFor([&] { return p.identity().loggedOn(); });
    return p;
  }

  void step() override {
    using std::chrono::steady_clock;
    constexpr auto kFrame = std::chrono::microseconds(16667);
    // Frames follow a fixed schedule, so that they count real time as the clients' bounds do: a
    // frame that ran late (a loaded machine) is made up by shorter ones. Time spent between
    // frames (a login, an admin call) is not frame time: the schedule starts afresh after it.
    const auto entry = steady_clock::now();
    if (entry - lastStepEnd_ > kFrame) nextFrame_ = entry;
    for (auto& u : users_) {
      u->runCallbacks();
      u->runVerifierCallbacks();
    }
    nextFrame_ += kFrame;
    std::this_thread::sleep_until(nextFrame_);
    lastStepEnd_ = steady_clock::now();
  }

  void setServerTime(uint32_t t) override {
    service_->setServerTime(t);
    waitFor([&] {
      for (auto& u : users_)
        if (u->identity().loggedOn() && u->utils().serverTime() != t) return false;
      return true;
    });
  }
  void makeFriends(Platform& a, Platform& b) override {
    const UserId ia = a.identity().selfId(), ib = b.identity().selfId();
    service_->admin([&](lobbyd::AdminOps& ops) { ops.addFriends(ia, ib); });
    settle();
  }
  // The cloud switch reaches a client with its login answer: the service's switch, then a new
  // login.
  void setCloud(Platform& u, bool on) override {
    auto& p = Net(u);
    const int logins = p.logins();
    const UserId id = p.identity().selfId();
    service_->admin([&](lobbyd::AdminOps& ops) { ops.setCloud(id, on); });
    service_->kick(p.identity().selfId());
    waitFor([&] { return p.logins() > logins && p.identity().loggedOn(); });
  }
  void setQuota(Platform& u, uint64_t bytes) override {
    const UserId id = u.identity().selfId();
    service_->admin([&](lobbyd::AdminOps& ops) { ops.setQuota(id, bytes); });
    settle();
  }
  bool chooseInvitee(Platform& from, UserId to) override { return Net(from).chooseInvitee(to); }
  // The service can only withhold answers, so a failed call ends Timeout at its own bound: rows
  // ask for no other result here.
  void failNext(Platform& u, int calls, Result result) override {
    EXPECT_EQ(result, Result::Timeout) << "the service fails calls only by withholding the answer";
    withhold(u, calls, false);
  }
  void dropAnswers(Platform& u, int calls) override { withhold(u, calls, true); }
  // A crash of the user's game: its connection ends and it never comes back.
  void disconnect(Platform& u) override { Net(u).shutdown(); }
  void speak(Platform& u, std::span<const int16_t> samples) override { Net(u).feedMicrophone(samples); }
  // A new service on the same file and port; the clients log on again by themselves.
  void restartService(int downFrames) override {
    service_.reset();
    waitFor([&] {
      for (auto& u : users_)
        if (u->identity().loggedOn()) return false;
      return true;
    });
    for (int i = 0; i < downFrames; ++i) std::this_thread::sleep_for(std::chrono::microseconds(16667));
    startService("127.0.0.1:" + std::to_string(port_));
  }

  lobbyd::Service& service() { return *service_; }
  net::NetPlatform& user(size_t i) { return *users_[i]; }
  // Clients added from now on send no datagrams, as behind a firewall that blocks UDP.
  void blockUdp(bool blocked) { udpBlocked_ = blocked; }

  template <class Done>
  static bool waitFor(Done done, std::chrono::milliseconds bound = std::chrono::milliseconds(5000)) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (!done()) {
      if (std::chrono::steady_clock::now() > until) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }

 private:
  void withhold(Platform& u, int calls, bool act) {
    const UserId id = u.identity().selfId();
    ASSERT_TRUE(
        service_->admin([&](lobbyd::AdminOps& ops) { ASSERT_TRUE(ops.withholdAnswers(id, calls, act)); }));
  }
  static net::NetPlatform& Net(Platform& p) { return static_cast<net::NetPlatform&>(p); }
  void startService(const std::string& listen) {
    lobbyd::ServiceOptions o;
    o.listen = listen;
    o.db = (dir_ / "service.db").string();
    o.testMode = true;
    if (config_) o.config = *config_;
    service_ = std::make_unique<lobbyd::Service>(o);
    std::string error;
    if (!service_->start(&error)) ADD_FAILURE() << "the service did not start: " << error;
  }
  // Admin operations run on the service's loop before its next turn; give it that turn.
  static void settle() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

  std::optional<lobbyd::LobbydConfig> config_;
  std::filesystem::path dir_;
  std::unique_ptr<lobbyd::Service> service_;
  uint16_t port_ = 0;
  bool udpBlocked_ = false;
  std::vector<std::unique_ptr<net::NetPlatform>> users_;
  std::chrono::steady_clock::time_point nextFrame_;
  std::chrono::steady_clock::time_point lastStepEnd_;
};

}  // namespace vt::online::test
