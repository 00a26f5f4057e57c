// Sample data of the replay select: its background, the row icon sheet, the large and small
// character icons of every sample character (number and side drawn in), and two replays
// recorded from short scripted matches on the sample characters, the second in a sub-folder.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "Replay/replay_controller.h"
#include "app/game_wiring.h"
#include "app/lib_debug.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"
#include "sample_roster.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

const Rgba kWhite{1, 1, 1, 1};

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, 700, 4});
}

void Letter(Canvas& c, const std::string& text, int x, int y, int w, int h, int height,
            const Rgba& ink = kWhite) {
  auto face = Face(height);
  if (face) mkdata::PaintText(c, *face, text.c_str(), x, y, w, h, 1, ink);
}

bool WriteBackground(const std::filesystem::path& root) {
  Canvas c(640, 480);
  c.VerticalGradient(0, 479, Rgb8(18, 26, 58), Rgb8(6, 8, 20));
  for (int i = 0; i < 12; ++i) c.Rect(0, 72.0f + i * 22, 640, 1, Rgb8(60, 80, 140, 0.35f));
  c.Glow(560, 60, 180, Rgb8(90, 120, 220, 0.35f));
  c.Noise(0.03f, 26);
  Letter(c, "REPLAY", 380, 0, 260, 48, 40, Rgb8(80, 100, 170, 0.6f));
  return c.Save(root, "grp/replay/rep_BG.png");
}

// 2 columns (0 playable, 1 another version) by 3 rows (0 up, 1 folder, 2 file) of 32 x 24.
bool WriteIconSheet(const std::filesystem::path& root) {
  Canvas c(64, 72);
  for (int col = 0; col < 2; ++col) {
    const Rgba tint = col == 0 ? Rgb8(240, 220, 120) : Rgb8(255, 100, 100);
    const float x = col * 32.0f;
    // ".." : an arrow up
    c.Line(x + 16, 4, x + 16, 20, 3, tint);
    c.Line(x + 16, 4, x + 9, 11, 3, tint);
    c.Line(x + 16, 4, x + 23, 11, 3, tint);
    // folder
    c.Rect(x + 4, 24 + 6, 10, 4, tint);
    c.Rect(x + 4, 24 + 9, 24, 12, tint);
    // file
    c.Rect(x + 8, 48 + 2, 16, 20, col == 0 ? Rgb8(230, 230, 240) : Rgb8(255, 150, 150));
    c.Rect(x + 11, 48 + 7, 10, 2, Rgb8(60, 60, 80));
    c.Rect(x + 11, 48 + 12, 10, 2, Rgb8(60, 60, 80));
  }
  return c.Save(root, "grp/replay/rep_icon00.png");
}

bool WriteCharacterIcons(const std::filesystem::path& root) {
  for (const auto& e : mkdata::kSampleRoster) {
    for (int side = 1; side <= 2; ++side) {
      const Rgba top = side == 1 ? Rgb8(70, 110, 220) : Rgb8(220, 80, 70);
      const Rgba bottom = side == 1 ? Rgb8(20, 30, 90) : Rgb8(90, 20, 20);
      char label[64], file[96];
      Canvas large(128, 64);
      large.VerticalGradient(0, 63, top, bottom);
      std::snprintf(label, sizeof label, "%dP %02d", side, e.number);
      Letter(large, label, 0, 2, 128, 30, 24);
      Letter(large, e.name, 0, 34, 128, 26, 18);
      std::snprintf(file, sizeof file, "grp/replay/rep_cha/rip_cha%dP_%02d.png", side, e.number);
      if (!large.Save(root, file)) return false;
      Canvas small(40, 16);
      small.VerticalGradient(0, 15, top, bottom);
      std::snprintf(label, sizeof label, "%d:%02d", side, e.number);
      Letter(small, label, 0, 0, 40, 16, 13);
      std::snprintf(file, sizeof file, "grp/replay/rep_cha_s/rip_cha%dP_s%02d.png", side, e.number);
      if (!small.Save(root, file)) return false;
    }
  }
  return true;
}

bool WritePictures(const std::filesystem::path& root) {
  return WriteBackground(root) && WriteIconSheet(root) && WriteCharacterIcons(root);
}

// One versus match of one round to win, recorded by the replay controller as the VS screen and
// the battle scene drive it, played on the harness from its scripted pads, then saved.
bool RecordMatch(const HarnessCharacter& a, const HarnessCharacter& b, const std::string& file) {
  ReplayController& c = g_ReplayController;
  c.Reset();
  c.mode = 1;
  g_MainSide = 0;
  if (!HarnessLoadMatch(a, b, false, RoundStart::kGame, 7, {MODE_VS_PLAYER, 2, 0, 0})) return false;
  g_CpuLevel = 2;
  g_RoundsToWin = 1;
  g_TimerSpeed = 2;
  g_DamageLevel = 2;
  SyncReplaySettings();
  SyncReplayStageAndPlayers();
  c.recordingAllowed = 1;
  c.hold = 0;
  c.ClearRounds();
  HarnessPrepareRound();
  const HarnessMatchResult r = HarnessRunMatch(HarnessScriptedMatch(), 20000);
  HarnessRelease();
  c.mode = 0;
  // A fixed date, so that the sample folder is the same on every build.
  const uint16_t date[6] = {2026, 12, 1, 12, 30, static_cast<uint16_t>(file.size() % 60)};
  std::copy(std::begin(date), std::end(date), std::begin(c.file.header.date));
  const bool ok = r.ending != 0 && c.file.Save(file) == 1;
  if (!ok) std::fprintf(stderr, "mkdata: replay %s not recorded (ending %d)\n", file.c_str(), r.ending);
  c.Reset();
  return ok;
}

bool WriteReplays(const std::filesystem::path& root) {
  std::error_code ec;
  const std::filesystem::path back = std::filesystem::current_path(ec);
  std::filesystem::current_path(root, ec);
  if (ec) return false;
  vt::SetDebugQuiet(true);
  InstallGameWiring();
  bool ok = HarnessLoadCharaList() &&
            RecordMatch({"duelist", 0, 0}, {"tester", 0, 1}, ".\\ReplayVS\\sample_match.rep") &&
            RecordMatch({"tester", 0, 2}, {"duelist", 0, 3}, ".\\ReplayVS\\Sample\\sample_rematch.rep");
  vt::SetDebugQuiet(false);
  std::filesystem::current_path(back, ec);
  return ok && !ec;
}

}  // namespace

MKDATA_STEP("37_replay_browser", WritePictures);
MKDATA_STEP("96_replay_samples", WriteReplays);
