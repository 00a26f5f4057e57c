// Character data loading: the per-slot load setups built from the two sides' selections, the
// loader thread that fills the four character slots (frame data, palette, sprite pages, command
// file, record reset, CPU patterns, sounds, HUD graphics, stage), its progress word, and the
// checks that keep selections from replays and peers inside what the loader can read.
//
// Who may touch the character data when. The loader thread writes, without a lock, the four
// slots' battle records (`g_PlayerRecords`), `g_FrameDataSets` and the common effect set, the
// side records' partner marks and attack factors, the slots' CPU patterns, their sound slots
// (every character voice slot is freed first, then refilled), their HUD graphics and the stage
// background. That is safe because nothing else reads or writes any of them from `Start` until
// the thread has been joined (`JoinThread`, or a `WaitCharaDataLoader` that returned 1): the
// logic thread meanwhile runs the VS screen and asks only `HasThread`, `IsFinished` and the
// progress word (an atomic). The join is the hand-over; after it the logic thread owns all of it
// again. The loader's textures are made under the device lock, and its screen notices go
// through the notice list's own lock. The sound front end, which walks every effect slot each
// frame, passes the character sound slots by from Start until the join (BeginLoaderSoundSlots).
// Debug builds check the rule where battle code reads a slot (CheckCharaSlotRead).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
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
// The common effect set from ".\data\effect.txt", its sprite pages, and the effect owner that
// plays it (in use, side 255). Always 1; a missing set is logged, leaves the owner as it was
// and leaves the set empty, so common-effect spawns find no frame and are removed at once.
int LoadCommonEffectData();
// Frees the four slots' frame data and command tables (the slots become free), the common
// effect set and the battle HUD graphics (start-up, and the scenes when they leave the battle).
void FreeCharacterData();
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

  // Waits until the load thread has ended its work or quit is requested; true when it ended.
  // A finishing load wakes the waiter at once; a quit request is seen within 10 ms.
  bool WaitForLoadEnd();

 protected:
  // Marks a new load running (before its thread starts) and its end (last thing the thread does).
  void NoteLoadStarting();
  void NoteLoadEnded();
  bool LoadEnded() const { return ended_.load(std::memory_order_acquire); }

 private:
  std::atomic<bool> ended_{false};
  std::mutex endMutex_;
  std::condition_variable endSignal_;
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
};

CCharaDataLoader& GetCharaDataLoader();
// Waits for a running load and joins it (the result of JoinThread); 0 at once when no thread is
// held. The wait also ends on quit, then without the join and returning 0: the load may still be
// writing, so the caller touches nothing of it (the join at exit waits for it).
int WaitCharaDataLoader();

// Debug builds stop the program when any thread but the loader's reads character slot `slot`
// (0..3) from Start until the join; release builds check nothing.
#ifdef NDEBUG
inline void CheckCharaSlotRead(int) {}
#else
void CheckCharaSlotRead(int slot);
#endif
