// The main menu's and the stage select's sample pictures (`.\grp\MainMenu\Menu_Bg`, the stage
// views, name plates and cursor under `.\grp\BgSelect\`), and the net-match notice word list
// `NetVSKillInfoWord.ini` in both language folders.
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "canvas.h"
#include "glyph_cell.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgba;

std::unique_ptr<vt::glyph::GlyphFace> Face(int height, int weight = 700) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, weight, 4});
}

// A dark blue backdrop with slanted light bands, the list's side kept darker so the labels read.
bool WriteMenuBackground(const std::filesystem::path& root) {
  Canvas c(640, 480);
  c.VerticalGradient(0, 479, mkdata::Rgb8(18, 28, 60), mkdata::Rgb8(4, 6, 16));
  for (int i = 0; i < 7; ++i) {
    const float x = 260.0f + 60.0f * static_cast<float>(i);
    c.Line(x, 480.0f, x + 220.0f, 0.0f, 10.0f + 3.0f * static_cast<float>(i % 3),
           {0.35f, 0.55f, 1.0f, 0.10f + 0.03f * static_cast<float>(i % 4)});
  }
  c.Glow(470.0f, 200.0f, 260.0f, {0.4f, 0.6f, 1.0f, 0.35f});
  c.Rect(0.0f, 0.0f, 240.0f, 480.0f, {0.0f, 0.0f, 0.0f, 0.35f}, 24.0f);
  c.Rect(0.0f, 56.0f, 640.0f, 2.0f, {0.9f, 0.3f, 0.3f, 0.8f});
  c.Noise(0.02f, 25);
  auto face = Face(28, 900);
  if (face) mkdata::PaintText(c, *face, "VANTOREL", 400, 420, 220, 40, 2, {0.8f, 0.9f, 1.0f, 0.6f});
  return c.Save(root, "grp/MainMenu/Menu_Bg.png");
}

struct SampleStage {
  int number;
  const char* name;
  Rgba sky, ground;
};

// Stage 0 is the random choice; the others are the sample stages of the stage list.
const SampleStage kStages[] = {
    {0, "RANDOM", mkdata::Rgb8(60, 60, 70), mkdata::Rgb8(20, 20, 24)},
    {1, "HARBOUR", mkdata::Rgb8(230, 120, 70), mkdata::Rgb8(30, 40, 70)},
    {2, "GARDEN", mkdata::Rgb8(120, 190, 120), mkdata::Rgb8(40, 80, 30)},
    {3, "PRACTICE", mkdata::Rgb8(150, 150, 170), mkdata::Rgb8(60, 60, 80)},
    {4, "RUINS", mkdata::Rgb8(170, 140, 100), mkdata::Rgb8(70, 50, 40)},
};

bool WriteStageSelect(const std::filesystem::path& root) {
  auto big = Face(30), plate = Face(20), number = Face(40, 900);
  if (!big || !plate || !number) return false;
  char path[96], text[48];
  for (const SampleStage& s : kStages) {
    // The view: sky over ground with the stage's number large, so a screenshot shows the pick.
    Canvas view(256, 96);
    view.VerticalGradient(0, 60, s.sky, mkdata::Mix(s.sky, s.ground, 0.6f));
    view.VerticalGradient(60, 95, s.ground, mkdata::Mix(s.ground, {0, 0, 0, 1}, 0.5f));
    view.Noise(0.04f, static_cast<uint32_t>(s.number) * 7 + 1);
    std::snprintf(text, sizeof text, "%02d", s.number);
    if (s.number == 0) std::snprintf(text, sizeof text, "?");
    mkdata::PaintText(view, *number, text, 176, 20, 72, 56, 2);
    mkdata::PaintText(view, *big, s.name, 8, 56, 170, 36, 2);
    std::snprintf(path, sizeof path, "grp/BgSelect/stsel_view/chr_stsel_view%02d.png", s.number);
    if (!view.Save(root, path)) return false;
    // The plates: the name on a fading band; the Japanese plate carries the number in gold.
    for (int jp = 0; jp < 2; ++jp) {
      Canvas p(256, 32);
      p.Rect(0.0f, 4.0f, 256.0f, 24.0f, {0.0f, 0.0f, 0.0f, 0.55f}, 6.0f);
      std::snprintf(text, sizeof text, jp ? "No.%02d %s" : "%02d %s", s.number, s.name);
      mkdata::PaintText(p, *plate, text, 4, 2, 248, 28, 1,
                        jp ? mkdata::Rgb8(255, 210, 90) : Rgba{1.0f, 1.0f, 1.0f, 1.0f});
      std::snprintf(
          path, sizeof path,
          jp ? "grp/BgSelect/stsel_jp/chr_stsel_jp%02d.png" : "grp/BgSelect/stsel_en/chr_stsel_en%02d.png",
          s.number);
      if (!p.Save(root, path)) return false;
    }
  }
  // The cursor piece: a red frame with a soft glow.
  Canvas cursor(272, 40);
  cursor.Rect(2.0f, 2.0f, 268.0f, 36.0f, {0.9f, 0.25f, 0.25f, 0.35f}, 4.0f);
  cursor.Rect(4.0f, 4.0f, 264.0f, 32.0f, {0.0f, 0.0f, 0.0f, 0.0f});
  for (const float y : {2.0f, 36.0f}) cursor.Rect(2.0f, y, 268.0f, 2.0f, mkdata::Rgb8(255, 80, 80));
  for (const float x : {2.0f, 268.0f}) cursor.Rect(x, 2.0f, 2.0f, 36.0f, mkdata::Rgb8(255, 80, 80));
  return cursor.Save(root, "grp/BgSelect/stsel_cursor00.png");
}

// A quoted word list closed by the end marker; the same English words in both folders until
// the online work writes its own.
bool WriteKillInfoWords(const std::filesystem::path& root) {
  const char* words[] = {
      "Connection to the opponent was lost.", "The opponent left the match.", "The match was ended.",
      "Waiting for the connection...",        "Return to the network menu?",
  };
  std::string text;
  for (const char* w : words) text += std::string("\"") + w + "\"\r\n";
  text += R"("\\\\END\\\\")";
  text += "\r\n";
  return mkdata::WriteText(root, "Information/eng/NetVSKillInfoWord.ini", text) &&
         mkdata::WriteText(root, "Information/jpn/NetVSKillInfoWord.ini", text);
}

bool WriteMainMenuData(const std::filesystem::path& root) {
  return WriteMenuBackground(root) && WriteStageSelect(root) && WriteKillInfoWords(root);
}

}  // namespace

MKDATA_STEP("41_main_menu", WriteMainMenuData);
