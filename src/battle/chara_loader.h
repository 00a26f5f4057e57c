// Character data loading: the per-slot load setups built from the two sides' selections, the
// loader thread that fills the four character slots (frame data, palette, sprite pages, command
// file, record reset, CPU patterns, sounds, HUD graphics, stage), its progress word, and the
// checks that keep selections from replays and peers inside what the loader can read.
#pragma once

#include <atomic>
#include <cstdint>
#include <string_view>
#include <thread>

#include "battle/battle_records.h"

using CharaLoadSetup = PlayerSelection;

// Puts a selection's fields into the ranges the loader reads (logging what it changed). The
// replay and network code call it where selections enter; the loader calls it again.
// Returns true when the selection was already valid.
bool ValidatePlayerSelection(PlayerSelection& s, std::string_view source);
// The fighting type a selection plays: the override type in override mode 2, else its own.
int SelectedType(const PlayerSelection& s);

void MakeMainLoadSetup(int i, CharaLoadSetup& s, int allCpu);
void MakePartnerLoadSetup(int i, CharaLoadSetup& s, int allCpu);
void BuildCharaLoadSetups(CharaLoadSetup setups[4], int allCpu);
int LoadFrameDataSet(FrameDataSet* set, std::string_view path);
// The common effect set from ".\data\effect.txt".
int LoadCommonEffectSet();
int LoadCharacters(CharaLoadSetup setups[4], std::atomic<uint32_t>* progress);

class CCharaDataLoader {
 public:
  virtual ~CCharaDataLoader() = default;
  virtual int Start() = 0;
  virtual int JoinThread() = 0;
  virtual int HasThread() = 0;
  virtual int IsFinished() = 0;
  uint32_t LoadAll();

  std::atomic<uint32_t> progress{0};
  int32_t allCpu = 0;
};

class CCharaDataLoaderWin : public CCharaDataLoader {
 public:
  ~CCharaDataLoaderWin() override;
  // Flushes the sprite cache on the calling (logic) thread, then starts the load thread.
  int Start() override;
  int JoinThread() override;
  int HasThread() override;
  int IsFinished() override;

 private:
  std::thread thread_;
  std::atomic<bool> finished_{false};
};

CCharaDataLoader& GetCharaDataLoader();
// Waits for a running load and joins it; 0 at once when no thread is held.
int WaitCharaDataLoader();
