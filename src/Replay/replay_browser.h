// The replay file browser of the replay select scene: lists the sub-folders and replay files of a
// folder on a worker thread of its own (one file probed and its header read per pass), lets the
// player move through the list twelve rows at a time, enter and leave sub-folders and choose a
// file, and previews the header of the entry under the cursor.
//
// Sharing between the logic thread (Update, Draw, SelectByName, Close) and the worker:
// - the shown list lives in fixed room; the worker fills a slot and then publishes the count with
//   release, the logic thread reads the count with acquire and only the slots below it;
// - entries never go away while the worker runs: the list is emptied only after the worker has
//   acknowledged a stop (workerState 0 answered by 1) or has ended;
// - name textures, the preview, the folder line and the icon records are swapped under one mutex;
//   the worker renders into textures nobody else knows and publishes them, and a texture the
//   logic thread may have queued for drawing is freed on the logic thread only (a replaced
//   preview or folder line is parked and freed at the next Draw, after the frame that drew it).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Replay/replay_file.h"

struct TextureHandle;
namespace vt::text {
class CD3DXFontManage;
}

// Listing results looked at per folder (skipped ones included), icon records, visible rows.
inline constexpr int kReplayListLimit = 1000;
inline constexpr int kReplayIconRecords = 100;
inline constexpr int kReplayVisibleRows = 12;
// Folders are entered only this deep below the opening folder and while the path stays this short.
inline constexpr int kReplayFolderDepthLimit = 32;
inline constexpr size_t kReplayFolderPathLimit = 1024;

struct ReplayFileEntry {
  uint32_t isFolder = 0;
  // Files: the probe (1 or -3 once listed), -1 when the file later fails. Folders: 0, or -1 when
  // the folder has gone. Written by both threads.
  std::atomic<int32_t> probe{0};
  std::string name;  // bytes as the disk gives them
  std::string path;  // folder + "\" + name
  // Read when the file was listed, before the entry is published; fixed afterwards.
  bool hasHeader = false;
  ReplayFileHeader header;
  TextureHandle* nameTexture = nullptr;  // under the browser's mutex
};

class CReplayFilerLayer {
 public:
  CReplayFilerLayer();
  virtual ~CReplayFilerLayer();
  CReplayFilerLayer(const CReplayFilerLayer&) = delete;
  CReplayFilerLayer& operator=(const CReplayFilerLayer&) = delete;

  enum State : int32_t { kCreated = 0, kOpenRequested = 1, kBrowsing = 2, kChosen = 3, kCancelled = 4 };
  enum WorkerState : int32_t { kWorkerStop = 0, kWorkerIdle = 1, kWorkerScan = 2, kWorkerFill = 3 };

  // Logic thread.
  void Open();
  void Update();
  // 2 the cursor already was on the entry of that name, 1 it moved there, 0 no such entry.
  int SelectByName(std::string_view name);
  void Draw();
  void Close();

  // What the logic thread may read of the shown list.
  int ShownCount() const { return static_cast<int>(shownCount_.load(std::memory_order_acquire)); }
  const ReplayFileEntry* ShownEntry(int index) const;
  const ReplayFileEntry* CursorEntry() const { return ShownEntry(Cursor()); }
  int Cursor() const { return cursor_.load(std::memory_order_relaxed); }
  int FirstVisible() const { return firstVisible_.load(std::memory_order_relaxed); }
  int Depth() const { return depth; }
  const std::string& Folder() const { return folder; }
  int32_t WorkerStateNow() const { return workerState_.load(std::memory_order_acquire); }
  // The folder is listed and every pending file looked at (the list is complete).
  bool FillDone() const { return fillDone_.load(std::memory_order_acquire); }
  TextureHandle* BackgroundTexture() const { return backgroundTexture; }
  // Whether the preview of the current cursor entry exists, and what it and the folder line show.
  bool HasPreview();
  std::vector<std::string> PreviewLines();
  std::string FolderLine();
  bool HasNameTexture(int index);

  int32_t state = kCreated;
  int32_t layer = 0;
  std::string rootFolder = ".";
  std::string folder = ".";
  int32_t inputDirection = 0;  // 2, 4, 6, 8 or 0
  int32_t inputButton = 0;     // 1 decide, 2 cancel
  int32_t scanResult = 0;      // 1 listed, -1 no such folder, -2 nothing could be listed
  TextureHandle* backgroundTexture = nullptr;
  TextureHandle* iconSheet = nullptr;

 private:
  struct IconRecord {
    uint8_t requests = 0;             // bit 0 first-player icons, bit 1 second-player icons
    TextureHandle* textures[4] = {};  // large 1P, large 2P, small 1P, small 2P
  };

  void WorkerMain();
  bool Aborted() const;
  void ScanFolder();
  void BuildPathTexture();
  void FillNext();
  void RenderVisibleNames();
  void LoadRequestedIcons();
  void BuildInfoTexture();

  // Logic-thread helpers.
  void StopWorker();
  void ReleaseShown();
  void ReleaseNameTexture(ReplayFileEntry* entry);
  void FollowCursor(int cursor);
  void ChangeFolder(const ReplayFileEntry& entry);
  void FreeParked();
  void RequestIcons(const ReplayFileHeader& h, TextureHandle** p1, TextureHandle** p2, bool large);

  // Worker-owned while it runs (written by the logic thread only while the worker is idle).
  std::vector<std::unique_ptr<ReplayFileEntry>> pendingFolders_;
  std::vector<std::unique_ptr<ReplayFileEntry>> pendingFiles_;
  size_t pendingFileIndex_ = 0;
  std::vector<std::unique_ptr<ReplayFileEntry>> shown_;  // kReplayListLimit slots, never resized
  std::atomic<uint32_t> shownCount_{0};
  std::atomic<bool> fillDone_{false};
  std::atomic<int> cursor_{0};
  std::atomic<int> firstVisible_{0};
  std::atomic<uint32_t> infoRequest_{0};  // preview requests of the logic thread
  uint32_t infoBuiltWorker_ = 0;          // the worker's own copy of the request last answered
  int depth = 0;
  std::vector<int> cursorStack;
  std::string openedHost_;  // the opening folder on disk, resolved: folders are entered only inside
  std::string text69_;      // taken on the logic thread at Open
  std::vector<std::string> folderStack_;             // the folders above, to go back up exactly
  std::unique_ptr<vt::text::CD3DXFontManage> font_;  // used by the worker only

  std::mutex lock_;  // over the four texture groups below and the icon records
  TextureHandle* pathTexture_ = nullptr;
  bool pathPending_ = false;  // worker-side: the folder line still has to be made
  TextureHandle* infoTexture_ = nullptr;
  int infoEntry_ = -1;      // the shown index the preview was built for
  uint32_t infoBuilt_ = 0;  // and the request it answers
  std::vector<TextureHandle*> parked_;
  std::vector<std::string> infoLines_;  // what the preview shows
  std::string pathLine_;                // what the folder line shows
  std::vector<IconRecord> icons_;

  std::thread worker_;
  std::atomic<bool> running_{false};
  std::atomic<bool> workerAlive_{false};
  std::atomic<int32_t> workerState_{kWorkerIdle};
};

// The character's display name in the preview: the character list's Name in either language,
// "unknown character" for an entry without a name, "" for an index outside the list.
std::string ReplayCharacterDisplayName(uint32_t character);
// "[C]", "[F]", "[H]", "??? Style No.3".."??? Style No.8", "[E]", "??? Style Error".
std::string ReplayStyleTag(uint32_t type);
// The five preview lines of a valid replay's header (line 0 Shift-JIS, line 4 as given).
std::vector<std::string> ReplayPreviewLines(const ReplayFileHeader& h, std::string_view text69);
// Whether a header's character may have an icon: inside the icon records and in the list.
bool ReplayIconAllowed(uint32_t character);
