// The backend when no online service is configured: not logged on, every asynchronous call
// unmade (handle 0), file calls false or 0, voice not initialised, the local clock for the
// server's. Nothing is ever queued, so the game plays offline and its online screens report
// "not logged on".
#pragma once

#include <string>

#include "platform/online/platform.h"

namespace vt::online {

class OfflinePlatform final : public Platform,
                              Identity,
                              Utils,
                              Lobbies,
                              Peers,
                              Auth,
                              Boards,
                              Stats,
                              Cloud,
                              Voice,
                              Overlay {
 public:
  // The profile's persona name; "" gives "???".
  explicit OfflinePlatform(std::string personaName = {});

  Identity& identity() override { return *this; }
  Utils& utils() override { return *this; }
  Lobbies& lobbies() override { return *this; }
  Peers& peers() override { return *this; }
  Auth& auth() override { return *this; }
  Boards& boards() override { return *this; }
  Stats& stats() override { return *this; }
  Cloud& cloud() override { return *this; }
  Voice& voice() override { return *this; }
  Overlay& overlay() override { return *this; }

 private:
  // Identity
  bool loggedOn() const override { return false; }
  UserId selfId() const override { return 0; }
  std::string personaName() const override { return personaName_; }
  std::string personaNameOf(UserId) const override { return {}; }
  // Utils
  std::string ipCountry() const override { return {}; }
  uint32_t serverTime() const override;
  uint32_t appId() const override { return lobby::kAppId; }
  bool networkAlive() const override { return false; }
  // Lobbies
  CallHandle create(int32_t, CallResult<LobbyCreated>&) override { return 0; }
  CallHandle join(LobbyId, CallResult<LobbyEntered>&) override { return 0; }
  void leave(LobbyId) override {}
  UserId owner(LobbyId) const override { return 0; }
  bool setData(LobbyId, std::string_view, std::string_view) override { return false; }
  std::string data(LobbyId, std::string_view) const override { return {}; }
  int32_t dataCount(LobbyId) const override { return 0; }
  bool dataByIndex(LobbyId, int32_t, std::string&, std::string&) const override { return false; }
  bool setMemberData(LobbyId, std::string_view, std::string_view) override { return false; }
  std::string memberData(LobbyId, UserId, std::string_view) const override { return {}; }
  int32_t memberCount(LobbyId) const override { return 0; }
  CallHandle search(const LobbyQuery&, CallResult<LobbyMatchList>&) override { return 0; }
  // Peers
  bool send(UserId, std::span<const uint8_t>, int) override { return false; }
  uint32_t nextPacketSize(int) override { return 0; }
  PacketRead read(int, std::span<uint8_t>) override { return {}; }
  bool acceptSession(UserId) override { return false; }
  PeerStats stats() const override { return {}; }
  // Auth
  TicketIssued getTicket(std::span<uint8_t>) override { return {}; }
  void cancelTicket(TicketHandle) override {}
  BeginSessionResult beginSession(std::span<const uint8_t>, UserId) override {
    return BeginSessionResult::InvalidTicket;
  }
  void endSession(UserId) override {}
  // Boards
  CallHandle find(std::string_view, CallResult<BoardFound>&) override { return 0; }
  CallHandle upload(BoardHandle, UploadMethod, int32_t, std::span<const int32_t>,
                    CallResult<ScoreUploaded>&) override {
    return 0;
  }
  CallHandle download(BoardHandle, DownloadKind, int32_t, int32_t, CallResult<ScoresDownloaded>&) override {
    return 0;
  }
  int32_t entryCount(BoardHandle) const override { return 0; }
  CallHandle attachUgc(BoardHandle, UgcHandle, CallResult<UgcAttached>&) override { return 0; }
  // Stats
  bool requestCurrent() override { return false; }
  bool getStat(std::string_view, int32_t&) const override { return false; }
  bool setStat(std::string_view, int32_t) override { return false; }
  bool getAchievement(std::string_view, bool&) const override { return false; }
  bool setAchievement(std::string_view) override { return false; }
  bool store() override { return false; }
  // Cloud
  bool cloudEnabledForAccount() const override { return false; }
  bool cloudEnabledForApp() const override { return false; }
  bool write(std::string_view, std::span<const uint8_t>) override { return false; }
  int32_t read(std::string_view, std::span<uint8_t>) override { return 0; }
  bool remove(std::string_view) override { return false; }
  bool exists(std::string_view) override { return false; }
  bool persisted(std::string_view) override { return false; }
  int32_t size(std::string_view) override { return 0; }
  bool quota(uint64_t& total, uint64_t& available) override {
    total = available = 0;
    return false;
  }
  CallHandle share(std::string_view, CallResult<FileShared>&) override { return 0; }
  CallHandle download(UgcHandle, int32_t, CallResult<UgcDownloaded>&) override { return 0; }
  int32_t readShared(UgcHandle, std::span<uint8_t>, uint32_t, bool) override { return 0; }
  // Voice
  void startRecording() override {}
  void stopRecording() override {}
  VoiceResult available(uint32_t& bytes) override {
    bytes = 0;
    return VoiceResult::NotInitialized;
  }
  VoiceResult get(std::span<uint8_t>, uint32_t& written) override {
    written = 0;
    return VoiceResult::NotInitialized;
  }
  VoiceResult decompress(std::span<const uint8_t>, std::span<uint8_t>, uint32_t& written, uint32_t) override {
    written = 0;
    return VoiceResult::NotInitialized;
  }
  int32_t captureDeviceCount() override { return 0; }
  // Overlay
  void showInviteOverlay(LobbyId) override {}
  void showStatsOverlay(UserId) override {}

  std::string personaName_;
};

}  // namespace vt::online
