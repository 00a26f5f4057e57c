// The conformance suite's view of a world of users, whatever backend runs it. A frame drains
// every user's two queues, then lets the world move on.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/online/platform.h"
#include "platform/online/sim/sim_world.h"

namespace vt::online::test {

using sim::UserOptions;

class World {
 public:
  virtual ~World() = default;
  virtual std::string name() const = 0;
  virtual Platform& addUser(const UserOptions& options) = 0;
  // One frame.
  virtual void step() = 0;
  bool runUntil(const std::function<bool()>& done, int maxFrames) {
    for (int i = 0; i < maxFrames && !done(); ++i) step();
    return done();
  }
  void steps(int frames) {
    for (int i = 0; i < frames; ++i) step();
  }

  // Admin operations.
  virtual void setServerTime(uint32_t utcSeconds) = 0;
  virtual void makeFriends(Platform& a, Platform& b) = 0;
  virtual void setCloud(Platform& user, bool on) = 0;
  virtual void setQuota(Platform& user, uint64_t bytes) = 0;
  virtual bool chooseInvitee(Platform& from, UserId to) = 0;
  virtual void failNext(Platform& user, int calls, Result result) = 0;
  // The service acts on the user's next calls but their answers never arrive.
  virtual void dropAnswers(Platform& user, int calls) = 0;
  virtual void disconnect(Platform& user) = 0;
  // Queues 16 kHz samples on the user's scripted microphone.
  virtual void speak(Platform& user, std::span<const int16_t> samples) = 0;
  virtual void restartService(int downFrames) = 0;
};

class SimBackend final : public World {
 public:
  explicit SimBackend(sim::WorldOptions options = {}) : world_(options) {}
  std::string name() const override { return "sim"; }
  Platform& addUser(const UserOptions& options) override {
    sim::SimPlatform& p = world_.addUser(options);
    users_.push_back(&p);
    return p;
  }
  void step() override {
    for (sim::SimPlatform* p : users_) {
      p->runCallbacks();
      p->runVerifierCallbacks();
    }
    world_.step();
  }
  void setServerTime(uint32_t t) override { world_.setServerTime(t); }
  void makeFriends(Platform& a, Platform& b) override { world_.makeFriends(Sim(a), Sim(b)); }
  void setCloud(Platform& u, bool on) override { world_.setCloud(Sim(u), on); }
  void setQuota(Platform& u, uint64_t bytes) override { world_.setQuota(Sim(u), bytes); }
  bool chooseInvitee(Platform& from, UserId to) override { return world_.chooseInvitee(Sim(from), to); }
  void failNext(Platform& u, int calls, Result r) override { world_.failNext(Sim(u), calls, r); }
  void dropAnswers(Platform& u, int calls) override { world_.dropAnswers(Sim(u), calls); }
  void disconnect(Platform& u) override { world_.disconnect(Sim(u)); }
  void speak(Platform& u, std::span<const int16_t> samples) override { world_.speak(Sim(u), samples); }
  void restartService(int downFrames) override { world_.restartService(downFrames); }

  sim::SimWorld& sim() { return world_; }

 private:
  static sim::SimPlatform& Sim(Platform& p) { return static_cast<sim::SimPlatform&>(p); }
  sim::SimWorld world_;
  std::vector<sim::SimPlatform*> users_;
};

using WorldFactory = std::function<std::unique_ptr<World>()>;

}  // namespace vt::online::test
