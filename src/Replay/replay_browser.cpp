// The replay file browser: listing and header reading on its worker, the cursor, folders and the
// choice on the logic thread, and the drawing of the list, the folder line and the preview.
#include "Replay/replay_browser.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/font_manage.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/lib_debug.h"
#include "app/text_list.h"
#include "battle/chara_list.h"
#include "platform/path_translate.h"

namespace fs = std::filesystem;

namespace {

// Texts in the game's Shift-JIS.
// "一つ上のフォルダへ" (one folder up), shown for "..".
constexpr const char* kTextFolderUp = "\x88\xEA\x82\xC2\x8F\xE3\x82\xCC\x83t\x83H\x83\x8B\x83_\x82\xD6";
// " 「フォルダが存在しません」" (the folder does not exist), after the folder line.
constexpr const char* kTextLineNoFolder =
    " \x81u\x83t\x83H\x83\x8B\x83_\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81v";
// " 「リプレイファイルが存在しません」" (no replay file exists), after the folder line.
constexpr const char* kTextLineNoFiles =
    " \x81u\x83\x8A\x83v\x83\x8C\x83"
    "C\x83t\x83@\x83"
    "C\x83\x8B\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81v";
// "リプレイファイルのバージョンが違います" (the replay file's version differs).
constexpr const char* kTextOtherVersion =
    "\x83\x8A\x83v\x83\x8C\x83"
    "C\x83t\x83@\x83"
    "C\x83\x8B\x82\xCC\x83o\x81[\x83W\x83\x87\x83\x93\x82\xAA\x88\xE1\x82\xA2\x82\xDC\x82\xB7";
// "ファイルが存在しないか、不明なファイルです" (the file does not exist or is unknown).
constexpr const char* kTextBadFile =
    "\x83t\x83@\x83"
    "C\x83\x8B\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xC8\x82\xA2\x82\xA9\x81"
    "A\x95s\x96\xBE\x82\xC8\x83t\x83@\x83"
    "C\x83\x8B\x82\xC5\x82\xB7";
// "親フォルダが存在しません、一度ファイルメニューを終了させてください" (the parent folder does not
// exist; close the file menu once).
constexpr const char* kTextNoParent =
    "\x90"
    "e\x83t\x83H\x83\x8B\x83_\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81"
    "A\x88\xEA\x93x\x83t\x83@\x83"
    "C\x83\x8B\x83\x81\x83j\x83\x85\x81[\x82\xF0\x8FI\x97\xB9\x82\xB3\x82\xB9\x82\xC4\x82\xAD\x82\xBE\x82\xB3"
    "\x82\xA2";
// "フォルダが存在しません" (the folder does not exist).
constexpr const char* kTextNoFolder =
    "\x83t\x83H\x83\x8B\x83_\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1";
// "不明なキャラクター" (unknown character).
constexpr const char* kTextUnknownCharacter = "\x95s\x96\xBE\x82\xC8\x83L\x83\x83\x83\x89\x83N\x83^\x81[";

constexpr int kSoundCursor = 152;
constexpr int kRowTop = 74;
constexpr int kRowStep = 22;
constexpr int kLineWidth = 512, kLineHeight = 32;
constexpr int kInfoWidth = 1024, kInfoHeight = 128;
constexpr int kSmallIconWidth = 40, kSmallIconHeight = 16;
constexpr int kLargeIconWidth = 128, kLargeIconHeight = 64;

bool HasReplayExtension(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot);
  for (char& c : ext)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return ext == ".REP";
}

bool IsHostDirectory(const std::string& gamePath) {
  std::error_code ec;
  return fs::is_directory(vt::platform::ResolveGamePath(gamePath), ec);
}

// A new texture holding the lines (20 pixels apart) in one colour, made under the device lock.
// Null when the texture cannot be made or locked; the caller tries again later.
TextureHandle* RenderLines(vt::text::CD3DXFontManage& font, int width, int height,
                           const std::vector<std::string>& lines, uint32_t colour) {
  const auto device = LockD3DDevice();
  TextureHandle* t = CreateTexture(width, height, vt::gfx::FMT_A8R8G8B8);
  if (t == nullptr) return nullptr;
  font.SetTargetTexture(t);
  font.BeginDraw();
  if (!font.Locked()) {
    font.SetTargetTexture(nullptr);
    FreeTexture(t);
    return nullptr;
  }
  const vt::text::PixelTarget& p = font.LockedTarget();
  for (int y = 0; y < p.height; ++y)
    std::memset(p.bits + static_cast<size_t>(y) * p.pitch, 0, size_t(p.width) * 4);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    vt::text::DrawStringArgs a;
    a.y = static_cast<int>(i) * 20;
    a.text = lines[i].c_str();
    a.colour = colour;
    a.raw = 1;  // names are bytes: a backslash in one is no escape
    font.DrawString(a);
  }
  font.EndDraw();
  font.SetTargetTexture(nullptr);
  return t;
}

std::string IconName(int variant, uint32_t character) {
  // variant: 0 large 1P, 1 large 2P, 2 small 1P, 3 small 2P
  char name[96];
  const int side = (variant & 1) + 1;
  if (variant < 2)
    std::snprintf(name, sizeof name, "%srip_cha%01dP_%02d", ".\\grp\\replay\\rep_cha\\", side,
                  static_cast<int>(character));
  else
    std::snprintf(name, sizeof name, "%srip_cha%01dP_s%02d", ".\\grp\\replay\\rep_cha_s\\", side,
                  static_cast<int>(character));
  return name;
}

void FreeAll(std::vector<TextureHandle*>& textures) {
  for (TextureHandle* t : textures) FreeTexture(t);
  textures.clear();
}

}  // namespace

// ---- preview texts ----

std::string ReplayCharacterDisplayName(uint32_t character) {
  // Names are shown as the character list gives them, in either language.
  if (character >= static_cast<uint32_t>(CharaListItemCount())) return "";
  const CharaListEntry* e = GetCharaListEntry(static_cast<int>(character));
  if (e == nullptr) return "";  // no such entry: outside the list as well
  if (e->Name[0] == '\0') return kTextUnknownCharacter;
  return std::string(e->Name, strnlen(e->Name, sizeof e->Name));
}

std::string ReplayStyleTag(uint32_t type) {
  switch (type) {
    case 0:
      return "[C]";
    case 1:
      return "[F]";
    case 2:
      return "[H]";
    case 9:
      return "[E]";
    default:
      break;
  }
  if (type >= 3 && type <= 8) return "??? Style No." + std::to_string(type);
  return "??? Style Error";
}

bool ReplayIconAllowed(uint32_t character) {
  return character < static_cast<uint32_t>(kReplayIconRecords) &&
         GetCharaListEntry(static_cast<int>(character)) != nullptr;
}

std::vector<std::string> ReplayPreviewLines(const ReplayFileHeader& h, std::string_view text69) {
  static const char* const kDamage[] = {"LOWEST", "LOW", "NORMAL", "HIGH", "HIGHEST"};
  static const char* const kTimer[] = {"INFINITY", "SLOW", "NORMAL", "FAST", "FASTEST"};
  std::vector<std::string> lines(5);
  for (int p = 0; p < 2; ++p) {
    const ReplayFileHeader::Player& pl = h.players[p];
    if (p == 1) lines[0] += " VS ";
    if (pl.controller != 0) lines[0] += "<CPU>";
    lines[0] += ReplayCharacterDisplayName(pl.character);
    lines[0] += ReplayStyleTag(pl.type);
  }
  char buf[96];
  std::snprintf(buf, sizeof buf, h.roundsToWin == 1 ? "%dWIN BATTLE " : "%dWINS BATTLE ",
                static_cast<int32_t>(h.roundsToWin));
  lines[1] = buf;
  std::snprintf(buf, sizeof buf, "DAMAGE [%s]  TIMER [%s]",
                h.damageLevel < 5 ? kDamage[h.damageLevel] : "N/A",
                h.timerSpeed < 5 ? kTimer[h.timerSpeed] : "N/A");
  lines[2] = buf;
  lines[3] = h.FormatDate();
  lines[4] = std::string(text69);
  return lines;
}

// ---- life ----

CReplayFilerLayer::CReplayFilerLayer() {
  icons_.reserve(128);
  shown_.resize(kReplayListLimit);
}

CReplayFilerLayer::~CReplayFilerLayer() { Close(); }

const ReplayFileEntry* CReplayFilerLayer::ShownEntry(int index) const {
  if (index < 0 || index >= ShownCount()) return nullptr;
  return shown_[static_cast<size_t>(index)].get();
}

void CReplayFilerLayer::Open() {
  if (worker_.joinable()) return;
  state = kBrowsing;
  inputDirection = 0;
  inputButton = 0;
  icons_.assign(kReplayIconRecords, IconRecord{});
  vt::text::FontManageDesc desc;
  desc.SetDefaults();  // the UI face, which the glyph layer answers with its Japanese face
  desc.height = 20;
  desc.quality = 4;
  font_ = std::make_unique<vt::text::CD3DXFontManage>(desc);
  firstVisible_.store(0);
  cursor_.store(0);
  depth = 0;
  cursorStack.assign(1, 0);
  folderStack_.clear();
  backgroundTexture = LoadTexture(".\\grp\\replay\\rep_BG");
  iconSheet = LoadTexture(".\\grp\\replay\\rep_icon00");
  std::error_code ec;
  const fs::path opened = fs::canonical(vt::platform::ResolveGamePath(folder), ec);
  openedHost_ = ec ? std::string() : opened.string();
  text69_ = GetGameText(69);
  infoRequest_.fetch_add(1, std::memory_order_acq_rel);
  workerState_.store(kWorkerScan, std::memory_order_release);
  running_.store(true, std::memory_order_release);
  workerAlive_.store(true, std::memory_order_release);
  worker_ = std::thread(&CReplayFilerLayer::WorkerMain, this);
}

void CReplayFilerLayer::Close() {
  running_.store(false, std::memory_order_release);
  if (worker_.joinable()) worker_.join();
  workerAlive_.store(false);
  ReleaseShown();
  std::vector<TextureHandle*> textures;
  {
    std::lock_guard<std::mutex> g(lock_);
    textures.swap(parked_);
    textures.push_back(pathTexture_);
    textures.push_back(infoTexture_);
    pathTexture_ = infoTexture_ = nullptr;
    infoEntry_ = -1;
    infoLines_.clear();
    pathLine_.clear();
    for (IconRecord& r : icons_)
      for (TextureHandle*& t : r.textures) {
        textures.push_back(t);
        t = nullptr;
      }
    icons_.clear();
  }
  textures.push_back(backgroundTexture);
  textures.push_back(iconSheet);
  backgroundTexture = iconSheet = nullptr;
  FreeAll(textures);
  font_.reset();
}

// ---- worker ----

bool CReplayFilerLayer::Aborted() const {
  const int32_t s = workerState_.load(std::memory_order_acquire);
  return !running_.load(std::memory_order_acquire) || s == kWorkerStop || s == kWorkerIdle;
}

void CReplayFilerLayer::WorkerMain() {
  while (running_.load(std::memory_order_acquire)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    int32_t s = workerState_.load(std::memory_order_acquire);
    switch (s) {
      case kWorkerStop:
        workerState_.compare_exchange_strong(s, kWorkerIdle, std::memory_order_acq_rel);
        break;
      case kWorkerScan:
        ScanFolder();
        BuildPathTexture();
        // A stop that came meanwhile wins: it is answered on the next pass.
        workerState_.compare_exchange_strong(s, kWorkerFill, std::memory_order_acq_rel);
        break;
      case kWorkerFill:
        FillNext();
        if (pathPending_ && !Aborted()) BuildPathTexture();
        RenderVisibleNames();
        LoadRequestedIcons();
        if (!Aborted()) BuildInfoTexture();
        break;
      default:
        break;
    }
  }
  workerAlive_.store(false, std::memory_order_release);
}

void CReplayFilerLayer::ScanFolder() {
  // The shown list is empty here: the logic thread empties it before asking for a scan.
  pendingFolders_.clear();
  pendingFiles_.clear();
  pendingFileIndex_ = 0;
  fillDone_.store(false, std::memory_order_release);
  {
    std::lock_guard<std::mutex> g(lock_);
    if (pathTexture_) parked_.push_back(pathTexture_);
    if (infoTexture_) parked_.push_back(infoTexture_);
    pathTexture_ = infoTexture_ = nullptr;
    infoEntry_ = -1;
    infoLines_.clear();
  }
  const std::string host = vt::platform::ResolveGamePath(folder);
  std::error_code ec;
  if (!fs::is_directory(host, ec)) {
    scanResult = -1;
    return;
  }
  fs::directory_iterator it(host, ec);
  if (ec) {
    scanResult = -2;
    return;
  }
  // The whole listing, sorted by bytes with "." and ".." first, so that the first 1000 items are
  // the same on every file system.
  std::vector<std::string> names;
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) break;
    names.push_back(it->path().filename().string());
  }
  std::sort(names.begin(), names.end());
  names.insert(names.begin(), {".", ".."});
  scanResult = 1;
  const size_t n = std::min<size_t>(names.size(), kReplayListLimit);
  for (size_t i = 0; i < n; ++i) {
    const std::string& name = names[i];
    if (name == "." || (name == ".." && depth == 0)) continue;
    auto e = std::make_unique<ReplayFileEntry>();
    e->name = name;
    e->path = folder + "\\" + name;
    const bool dir = name == ".." || fs::is_directory(fs::path(host) / name, ec);
    e->isFolder = dir ? 1 : 0;
    (dir ? pendingFolders_ : pendingFiles_).push_back(std::move(e));
  }
}

void CReplayFilerLayer::BuildPathTexture() {
  std::string line = folder;
  std::replace(line.begin(), line.end(), '\\', '/');
  if (scanResult == -1) line += kTextLineNoFolder;
  if (scanResult == -2) line += kTextLineNoFiles;
  TextureHandle* t = font_ ? RenderLines(*font_, kLineWidth, kLineHeight, {line}, 0xFFFFFFFF) : nullptr;
  pathPending_ = t == nullptr;  // tried again on the filling passes
  std::lock_guard<std::mutex> g(lock_);
  if (pathTexture_) parked_.push_back(pathTexture_);
  pathTexture_ = t;
  pathLine_ = line;
}

void CReplayFilerLayer::FillNext() {
  uint32_t count = shownCount_.load(std::memory_order_relaxed);
  auto publish = [&](std::unique_ptr<ReplayFileEntry> e) {
    shown_[count] = std::move(e);
    shownCount_.store(++count, std::memory_order_release);
  };
  if (!pendingFolders_.empty()) {
    for (auto& e : pendingFolders_) publish(std::move(e));
    pendingFolders_.clear();
    return;
  }
  if (pendingFileIndex_ >= pendingFiles_.size()) {
    if (!fillDone_.load(std::memory_order_relaxed)) fillDone_.store(true, std::memory_order_release);
    return;
  }
  std::unique_ptr<ReplayFileEntry> e = std::move(pendingFiles_[pendingFileIndex_++]);
  if (!HasReplayExtension(e->name)) return;
  const int probe = ProbeReplayFile(e->path);
  if (probe != 1 && probe != -3) return;
  e->probe.store(probe, std::memory_order_relaxed);
  if (probe == 1) {
    if (ReadReplayFileHeader(&e->header, e->path) == 1)
      e->hasHeader = true;
    else
      e->probe.store(-1, std::memory_order_relaxed);
  }
  publish(std::move(e));
}

void CReplayFilerLayer::RenderVisibleNames() {
  const int count = static_cast<int>(shownCount_.load(std::memory_order_relaxed));
  const int first = firstVisible_.load(std::memory_order_relaxed);
  for (int i = std::max(first, 0); i < std::min(first + kReplayVisibleRows, count); ++i) {
    if (Aborted()) return;
    ReplayFileEntry* e = shown_[static_cast<size_t>(i)].get();
    {
      std::lock_guard<std::mutex> g(lock_);
      if (e->nameTexture != nullptr) continue;
    }
    const int32_t probe = e->probe.load(std::memory_order_relaxed);
    const uint32_t colour = probe == -1 ? 0xFF646464u : probe == -3 ? 0xFFFF6464u : 0xFFFFFFFFu;
    TextureHandle* t =
        RenderLines(*font_, kLineWidth, kLineHeight, {e->name == ".." ? kTextFolderUp : e->name}, colour);
    if (t == nullptr) continue;  // left undrawn, tried again on the next pass
    {
      std::lock_guard<std::mutex> g(lock_);
      const int fv = firstVisible_.load(std::memory_order_relaxed);
      // Published only while the row is still wanted as rendered; else it was never shown.
      if (e->nameTexture == nullptr && i >= fv && i < fv + kReplayVisibleRows &&
          e->probe.load(std::memory_order_relaxed) == probe) {
        e->nameTexture = t;
        t = nullptr;
      }
    }
    if (t) FreeTexture(t);
  }
}

void CReplayFilerLayer::LoadRequestedIcons() {
  for (int c = 0; c < kReplayIconRecords; ++c) {
    uint8_t requests = 0;
    {
      std::lock_guard<std::mutex> g(lock_);
      if (c >= static_cast<int>(icons_.size())) return;
      requests = icons_[c].requests;
    }
    if (requests == 0) continue;
    for (int side = 0; side < 2; ++side) {
      if (!(requests & (1 << side))) continue;
      for (int variant : {side, side + 2}) {
        if (Aborted()) return;
        {
          std::lock_guard<std::mutex> g(lock_);
          if (icons_[c].textures[variant] != nullptr) continue;
        }
        TextureHandle* t = nullptr;
        {
          const auto device = LockD3DDevice();
          t = LoadTexture(IconName(variant, static_cast<uint32_t>(c)).c_str());
        }
        if (t == nullptr) continue;  // the next request tries again
        {
          std::lock_guard<std::mutex> g(lock_);
          if (icons_[c].textures[variant] == nullptr) {
            icons_[c].textures[variant] = t;
            t = nullptr;
          }
        }
        if (t) FreeTexture(t);
      }
    }
    std::lock_guard<std::mutex> g(lock_);
    icons_[c].requests &= static_cast<uint8_t>(~requests);
  }
}

void CReplayFilerLayer::BuildInfoTexture() {
  // Each request of the logic thread has a number; the preview says which one it answers, so a
  // request that comes while one is being built is never taken as answered.
  const uint32_t request = infoRequest_.load(std::memory_order_acquire);
  if (request == infoBuiltWorker_) return;
  const int count = static_cast<int>(shownCount_.load(std::memory_order_relaxed));
  const int c = cursor_.load(std::memory_order_relaxed);
  std::vector<std::string> lines;
  if (c >= 0 && c < count) {
    const ReplayFileEntry& e = *shown_[static_cast<size_t>(c)];
    const int32_t probe = e.probe.load(std::memory_order_relaxed);
    if (probe == -3) {
      lines = {kTextOtherVersion};
    } else if (probe == -1) {
      lines = {!e.isFolder ? kTextBadFile : e.name == ".." ? kTextNoParent : kTextNoFolder};
    } else if (probe == 1 && !e.isFolder) {
      if (e.hasHeader) lines = ReplayPreviewLines(e.header, text69_);
    }
  } else if (!fillDone_.load(std::memory_order_acquire)) {
    return;  // the entry under the cursor is not listed yet: the preview waits for it
  }
  TextureHandle* t = RenderLines(*font_, kInfoWidth, kInfoHeight, lines, 0xFFFFFFFF);
  if (t == nullptr) return;  // tried again on the next pass
  infoBuiltWorker_ = request;
  std::lock_guard<std::mutex> g(lock_);
  infoBuilt_ = request;
  if (infoTexture_) parked_.push_back(infoTexture_);
  infoTexture_ = t;
  infoEntry_ = c;
  infoLines_ = std::move(lines);
}

// ---- logic thread ----

void CReplayFilerLayer::StopWorker() {
  workerState_.store(kWorkerStop, std::memory_order_release);
  while (workerAlive_.load(std::memory_order_acquire) &&
         workerState_.load(std::memory_order_acquire) != kWorkerIdle)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void CReplayFilerLayer::ReleaseShown() {
  // Only with the worker idle or ended.
  std::vector<TextureHandle*> textures;
  const uint32_t count = shownCount_.load(std::memory_order_acquire);
  {
    std::lock_guard<std::mutex> g(lock_);
    for (uint32_t i = 0; i < count; ++i) {
      if (shown_[i] && shown_[i]->nameTexture) textures.push_back(shown_[i]->nameTexture);
      shown_[i].reset();
    }
    shownCount_.store(0, std::memory_order_release);
  }
  FreeAll(textures);
  pendingFolders_.clear();
  pendingFiles_.clear();
  pendingFileIndex_ = 0;
  fillDone_.store(false, std::memory_order_release);
}

void CReplayFilerLayer::ReleaseNameTexture(ReplayFileEntry* entry) {
  TextureHandle* t = nullptr;
  {
    std::lock_guard<std::mutex> g(lock_);
    std::swap(t, entry->nameTexture);
  }
  FreeTexture(t);
}

void CReplayFilerLayer::FollowCursor(int cursor) {
  const int count = ShownCount();
  int fv = firstVisible_.load(std::memory_order_relaxed);
  if (cursor < fv) fv = cursor;
  if (cursor > fv + kReplayVisibleRows - 1) fv = cursor - (kReplayVisibleRows - 1);
  if (fv > count - (kReplayVisibleRows - 1)) fv = count - (kReplayVisibleRows - 1);
  if (fv < 0) fv = 0;
  firstVisible_.store(fv, std::memory_order_relaxed);
}

void CReplayFilerLayer::ChangeFolder(const ReplayFileEntry& entry) {
  int cursor = 0;
  if (entry.name == "..") {
    if (depth == 0 || folderStack_.empty()) return;
    folder = folderStack_.back();
    folderStack_.pop_back();
    --depth;
    cursorStack.pop_back();
    cursor = cursorStack.back();
  } else {
    // Only folders that lie inside the opening folder, and not too deep: a link could lead out
    // of it (and a delete with it) or round in a loop.
    const std::string next = folder + "\\" + entry.name;
    if (depth + 1 > kReplayFolderDepthLimit || next.size() > kReplayFolderPathLimit || openedHost_.empty())
      return;
    std::error_code ec;
    const std::string resolved = fs::canonical(vt::platform::ResolveGamePath(next), ec).string();
    if (ec || resolved.size() <= openedHost_.size() ||
        resolved.compare(0, openedHost_.size(), openedHost_) != 0 || resolved[openedHost_.size()] != '/')
      return;
    cursorStack.back() = Cursor();
    folderStack_.push_back(folder);
    folder = next;
    ++depth;
    cursorStack.push_back(0);
  }
  StopWorker();
  ReleaseShown();
  cursor_.store(cursor, std::memory_order_relaxed);
  firstVisible_.store(std::max(0, cursor - (kReplayVisibleRows - 1)), std::memory_order_relaxed);
  infoRequest_.fetch_add(1, std::memory_order_acq_rel);
  workerState_.store(kWorkerScan, std::memory_order_release);
}

void CReplayFilerLayer::Update() {
  state = kBrowsing;
  const int count = ShownCount();
  if (count > 0) {
    const int cursor = Cursor();
    int next = cursor;
    switch (inputDirection) {
      case 2:
        next += 1;
        break;
      case 8:
        next -= 1;
        break;
      case 4:
        next -= kReplayVisibleRows;
        break;
      case 6:
        next += kReplayVisibleRows;
        break;
      default:
        break;
    }
    next = std::clamp(next, 0, count - 1);
    FollowCursor(next);
    if (next != cursor) {
      cursor_.store(next, std::memory_order_relaxed);
      g_SeRequest[kSoundCursor] = 1;
      infoRequest_.fetch_add(1, std::memory_order_acq_rel);
    }
  }
  if (inputButton == 2) {
    state = kCancelled;
    return;
  }
  if (inputButton != 1 || count == 0) return;
  ReplayFileEntry* e = shown_[static_cast<size_t>(Cursor())].get();
  if (e->probe.load(std::memory_order_relaxed) == -3) return;
  if (e->isFolder) {
    if (IsHostDirectory(e->path)) {
      ChangeFolder(*e);
      return;
    }
    e->probe.store(-1, std::memory_order_relaxed);
  } else {
    if (ProbeReplayFile(e->path) == 1) {
      state = kChosen;
      return;
    }
    e->probe.store(-1, std::memory_order_relaxed);
  }
  ReleaseNameTexture(e);
  infoRequest_.fetch_add(1, std::memory_order_acq_rel);
}

int CReplayFilerLayer::SelectByName(std::string_view name) {
  const int count = ShownCount();
  for (int i = 0; i < count; ++i) {
    if (shown_[static_cast<size_t>(i)]->name != name) continue;
    if (i == Cursor()) return 2;
    cursor_.store(i, std::memory_order_relaxed);
    FollowCursor(i);
    infoRequest_.fetch_add(1, std::memory_order_acq_rel);
    return 1;
  }
  return 0;
}

void CReplayFilerLayer::FreeParked() {
  std::vector<TextureHandle*> textures;
  {
    std::lock_guard<std::mutex> g(lock_);
    textures.swap(parked_);
  }
  FreeAll(textures);
}

bool CReplayFilerLayer::HasPreview() {
  std::lock_guard<std::mutex> g(lock_);
  return infoTexture_ != nullptr && infoEntry_ == Cursor() &&
         infoBuilt_ == infoRequest_.load(std::memory_order_acquire);
}

std::vector<std::string> CReplayFilerLayer::PreviewLines() {
  std::lock_guard<std::mutex> g(lock_);
  return infoLines_;
}

std::string CReplayFilerLayer::FolderLine() {
  std::lock_guard<std::mutex> g(lock_);
  return pathLine_;
}

bool CReplayFilerLayer::HasNameTexture(int index) {
  const ReplayFileEntry* e = ShownEntry(index);
  if (e == nullptr) return false;
  std::lock_guard<std::mutex> g(lock_);
  return e->nameTexture != nullptr;
}

void CReplayFilerLayer::RequestIcons(const ReplayFileHeader& h, TextureHandle** p1, TextureHandle** p2,
                                     bool large) {
  // Under lock_. An index outside the records or the character list asks for nothing.
  TextureHandle* out[2] = {};
  for (int p = 0; p < 2; ++p) {
    const uint32_t c = h.players[p].character;
    if (!ReplayIconAllowed(c) || c >= icons_.size()) continue;
    icons_[c].requests |= static_cast<uint8_t>(1 << p);
    out[p] = icons_[c].textures[(large ? 0 : 2) + p];
  }
  // A pair is drawn only when both are there.
  *p1 = out[0] && out[1] ? out[0] : nullptr;
  *p2 = out[0] && out[1] ? out[1] : nullptr;
}

void CReplayFilerLayer::Draw() {
  if (state == kCreated) return;
  FreeParked();
  const int count = ShownCount();
  const int fv = FirstVisible();
  const int cursor = Cursor();
  // Rows that left the window give their names back.
  std::vector<TextureHandle*> leaving;
  {
    std::lock_guard<std::mutex> g(lock_);
    for (int i = 0; i < count; ++i) {
      ReplayFileEntry* e = shown_[static_cast<size_t>(i)].get();
      if ((i < fv || i >= fv + kReplayVisibleRows) && e->nameTexture) {
        leaving.push_back(e->nameTexture);
        e->nameTexture = nullptr;
      }
    }
  }
  FreeAll(leaving);
  // The worker never frees what it published, so what is read here stays valid while drawn.
  std::lock_guard<std::mutex> g(lock_);

  vt::text::DrawOutlinedText(32, 30, "REPLAY FILE SELECT", 255, 255, 16, 16, 0, layer);
  g_DrawFilterMode = 2;
  if (pathTexture_)
    DrawSprite(nullptr, pathTexture_, 64, 50, 409, 32, 0, 0, kLineWidth, kLineHeight, 0xFFFFFFFF, 0, layer);
  for (int i = fv; i < std::min(fv + kReplayVisibleRows, count); ++i) {
    const ReplayFileEntry& e = *shown_[static_cast<size_t>(i)];
    const int y = kRowTop + (i - fv) * kRowStep;
    const int32_t probe = e.probe.load(std::memory_order_relaxed);
    if (iconSheet) {
      const int column = probe == -3 ? 1 : 0;
      const int row = e.name == ".." ? 0 : e.isFolder ? 1 : 2;
      DrawSprite(nullptr, iconSheet, 48, y - 4, 32, 24, static_cast<float>(column * 32),
                 static_cast<float>(row * 24), 32, 24, 0xFFFFFFFF, 0, layer);
    }
    if (i == cursor)
      DrawRect(nullptr, 0, y, 640, 18, 0xFF964040, 0x00964040, 0xFF964040, 0x00964040, layer - 1);
    if (e.nameTexture)
      DrawSprite(nullptr, e.nameTexture, 84, y - 2, 409, 32, 0, 0, kLineWidth, kLineHeight, 0xFFFFFFFF, 0,
                 layer);
    if (!e.isFolder && probe == 1 && e.hasHeader) {
      TextureHandle *a = nullptr, *b = nullptr;
      RequestIcons(e.header, &a, &b, false);
      if (a && b) {
        DrawSprite(nullptr, a, 504, y, 40, 16, 0, 0, kSmallIconWidth, kSmallIconHeight, 0xFFFFFFFF, 0, layer);
        DrawSprite(nullptr, b, 522, y, 40, 16, 0, 0, kSmallIconWidth, kSmallIconHeight, 0xFFFFFFFF, 0, layer);
      }
    }
  }
  // Commands of one priority are drawn last-queued first: what lies on top is queued first.
  vt::text::DrawOutlinedText(32, 337, "Information", 255, 255, 10, 14, 0, layer);
  if (infoTexture_)
    DrawSprite(nullptr, infoTexture_, 32, 364, 819, 128, 0, 0, kInfoWidth, kInfoHeight, 0xFFFFFFFF, 0, layer);
  g_DrawFilterMode = 1;
  if (const ReplayFileEntry* e = cursor < count ? shown_[static_cast<size_t>(cursor)].get() : nullptr;
      e && !e->isFolder && e->probe.load(std::memory_order_relaxed) == 1 && e->hasHeader) {
    TextureHandle *a = nullptr, *b = nullptr;
    RequestIcons(e->header, &a, &b, true);
    if (a && b) {
      DrawSprite(nullptr, a, 412, 396, 128, 64, 0, 0, kLargeIconWidth, kLargeIconHeight, 0xFFFFFFFF, 0,
                 layer);
      DrawSprite(nullptr, b, 492, 396, 128, 64, 0, 0, kLargeIconWidth, kLargeIconHeight, 0xFFFFFFFF, 0,
                 layer);
    }
  }
  DrawRect(nullptr, 0, 351, 640, 1, 0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, layer);
  DrawRect(nullptr, 0, 472, 640, 1, 0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, layer);
  DrawRect(nullptr, 0, 348, 640, 128, 0xB4000000, 0xB4000000, 0xB4000000, 0xB4000000, layer);
  if (count > kReplayVisibleRows) {
    DrawRect(nullptr, 610, 72 + fv * 260 / count, 12, kReplayVisibleRows * 260 / count, 0xFFE6E6E6,
             0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, layer);
    DrawRect(nullptr, 608, 70, 16, 264, 0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000, layer);
    DrawRect(nullptr, 607, 69, 18, 266, 0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, 0xFFE6E6E6, layer);
  }
}
