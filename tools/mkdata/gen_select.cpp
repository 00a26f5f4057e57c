// Character select sample data: the style sets of the roster's extra data names ("trio" in
// styles 0..2 on the duelist's data, "solo" in style 1 only on the tester's), the select-screen
// frame data of every data name (`.\data\_csel\csel_<name>.txt`: pattern 0 an idle loop,
// patterns 1 and 2 decision poses, drawn with the fighter's own sprites) with its 36 colours
// (`.\data\_csel\<name>.pal`), and the pictures the previews show: the portraits
// (`Chara\csel_c<nn>`), the palette chip sheets (`Palette\color_c<nn>`, which the battle HUD
// reads as well) and the name plate sheets of both sides. Every picture is lettered with the
// character's number and name, so that a screenshot shows what was picked.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_palette.h"
#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Files/han6_project.h"
#include "Dxtools/IniFile.h"
#include "canvas.h"
#include "glyph_cell.h"
#include "han6_builder.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"
#include "sample_roster.h"
#include "scene/chara_preview.h"

namespace fs = std::filesystem;

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

// The select's picture folder, spelt as the battle HUD's pictures spell it (one folder on disk).
constexpr const char* kSelectFolder = "grp/C_Sel_QZ/";

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Copy(const fs::path& root, const std::string& from, const std::string& to) {
  const std::vector<uint8_t> bytes = ReadAll(root / from);
  if (bytes.empty()) {
    std::fprintf(stderr, "mkdata: %s is missing\n", from.c_str());
    return false;
  }
  return mkdata::WriteBytes(root, to, bytes.data(), bytes.size());
}

bool WriteProject(const fs::path& root, const std::string& relative, Han6Project project) {
  std::string gamePath = ".";
  for (const auto& part : fs::path(relative)) gamePath += "\\" + part.string();
  project.projectPath = gamePath;
  return mkdata::WriteText(root, relative, WriteHan6ProjectText(project));
}

// The project fields of a fighter's project file.
bool LoadProjectFields(const fs::path& root, const std::string& file, Han6Project& out) {
  const std::vector<uint8_t> bytes = ReadAll(root / "data" / file);
  IniFile ini;
  ini.LoadFromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  Han6Project* p =
      BuildHan6Project(".\\data\\" + file, [&ini](const char* section, const char* key, std::string& value) {
        const char* found = ini.FindKey(section, key);
        if (found == nullptr) return false;
        value.assign(found, IniValueLength(found));
        return true;
      });
  if (p == nullptr) {
    std::fprintf(stderr, "mkdata: data/%s names no project\n", file.c_str());
    return false;
  }
  out = *p;
  FreeHan6Project(p);
  return true;
}

// ---- the extra data names' style sets ----

// A style set of a data name on a fighter's data: the project, the command file and the palette
// file the character loader reads for style n.
bool WriteStyleSet(const fs::path& root, const std::string& name, const std::string& fighter,
                   const std::vector<int>& styles) {
  Han6Project base;
  const std::string project = fighter + "_0.txt";
  if (!LoadProjectFields(root, project, base)) return false;
  for (int n : styles) {
    const std::string stem = name + "_" + std::to_string(n);
    Han6Project p = base;
    p.projectName = name;
    if (!WriteProject(root, "data/" + stem + ".txt", p) ||
        !Copy(root, "data/" + fighter + "_0_c.txt", "data/" + stem + "_c.txt"))
      return false;
  }
  return Copy(root, "data/" + fighter + ".pal", "data/" + name + ".pal");
}

// ---- the select-screen frame data ----

// An 8-bit palette entry turned round the colour wheel by `turn` (0..1) and scaled in
// brightness; its alpha stays.
void TurnEntry(uint8_t* e, float turn, float bright) {
  const float r = e[0] / 255.0f, g = e[1] / 255.0f, b = e[2] / 255.0f;
  const float hi = std::max({r, g, b}), lo = std::min({r, g, b}), d = hi - lo;
  float h = 0.0f;
  if (d > 0.0f) {
    if (hi == r)
      h = std::fmod((g - b) / d + 6.0f, 6.0f) / 6.0f;
    else if (hi == g)
      h = ((b - r) / d + 2.0f) / 6.0f;
    else
      h = ((r - g) / d + 4.0f) / 6.0f;
  }
  h = std::fmod(h + turn, 1.0f);
  const float v = std::min(1.0f, hi * bright), sat = hi > 0.0f ? d / hi : 0.0f, c = v * sat;
  const float x = c * (1.0f - std::fabs(std::fmod(h * 6.0f, 2.0f) - 1.0f)), m = v - c;
  float rgb[3];
  switch (static_cast<int>(h * 6.0f) % 6) {
    case 0:
      rgb[0] = c, rgb[1] = x, rgb[2] = 0;
      break;
    case 1:
      rgb[0] = x, rgb[1] = c, rgb[2] = 0;
      break;
    case 2:
      rgb[0] = 0, rgb[1] = c, rgb[2] = x;
      break;
    case 3:
      rgb[0] = 0, rgb[1] = x, rgb[2] = c;
      break;
    case 4:
      rgb[0] = x, rgb[1] = 0, rgb[2] = c;
      break;
    default:
      rgb[0] = c, rgb[1] = 0, rgb[2] = x;
      break;
  }
  for (int k = 0; k < 3; ++k) e[k] = static_cast<uint8_t>(std::lround((rgb[k] + m) * 255.0f));
}

// 36 colours from the fighter's first palette: the six of a group turn round the wheel, each
// group a little darker than the one before. Entries 0 (clear) and 1 (ink) stay.
std::vector<uint8_t> SelectPalettes(const std::vector<uint8_t>& fighterPalettes, float shift) {
  CutSpritePalette first{};
  if (!ReadPaletteFileEntry(fighterPalettes, 0, first)) return {};
  std::vector<CutSpritePalette> out;
  for (int colour = 0; colour < 36; ++colour) {
    CutSpritePalette p = first;
    const float turn = shift + static_cast<float>(colour % 6) / 6.0f + static_cast<float>(colour / 6) / 36.0f;
    const float bright = 1.0f - 0.08f * static_cast<float>(colour / 6);
    for (int i = 2; i < 256; ++i) TurnEntry(&p[4 * i], turn, bright);
    out.push_back(p);
  }
  return WritePaletteFile(out);
}

// The fighter's sprites that carry one of the names, in number order.
std::vector<int16_t> SpritesNamed(const CutSpriteSheet& sheet, std::initializer_list<const char*> names) {
  std::vector<int16_t> out;
  for (int n = 0; n < kCutSpriteSlotCount; ++n) {
    const CutSpriteRecord* r = sheet.Record(n);
    if (r == nullptr) continue;
    for (const char* name : names)
      if (std::string(r->name) == name) out.push_back(static_cast<int16_t>(n));
  }
  return out;
}

// `.\data\_csel\csel_<name>.txt` with its data file, the fighter's sprites and 36 colours.
bool WriteSelectFrameData(const fs::path& root, const mkdata::SampleDataName& d, float shift) {
  const std::string fighter = d.fighter, name = d.name;
  const std::vector<uint8_t> cut = ReadAll(root / "data" / (fighter + ".cut"));
  std::unique_ptr<CutSpriteSheet, void (*)(CutSpriteSheet*)> sheet(
      ParseCutSpriteSheet(cut, 1, fighter.c_str()), FreeCutSpriteSheet);
  if (!sheet) {
    std::fprintf(stderr, "mkdata: data/%s.cut cannot be read\n", fighter.c_str());
    return false;
  }
  const std::vector<int16_t> idle = SpritesNamed(*sheet, {"stand"});
  const std::vector<int16_t> first = SpritesNamed(*sheet, {"punch", "jab"});
  const std::vector<int16_t> second = SpritesNamed(*sheet, {"kick"});
  if (idle.empty() || first.empty() || second.empty()) {
    std::fprintf(stderr, "mkdata: data/%s.cut lacks the select poses\n", fighter.c_str());
    return false;
  }
  mkdata::FrameDataBuilder b;
  auto& loop = b.Pattern(0, "select idle");
  for (int16_t sprite : idle) loop.Frame(sprite, 10);
  for (auto it = idle.rbegin() + 1; it + 1 < idle.rend(); ++it) loop.Frame(*it, 10);
  loop.Loop(0);
  // A decision pose plays through and holds its last frame.
  auto pose = [&b](int number, const char* title, const std::vector<int16_t>& sprites) {
    auto& p = b.Pattern(number, title);
    for (int16_t sprite : sprites) p.Frame(sprite, 5);
    p.Loop(static_cast<int16_t>(sprites.size() - 1));
  };
  pose(1, "select decision 1", first);
  pose(2, "select decision 2", second);
  const std::vector<uint8_t> data = b.Write();
  const std::vector<uint8_t> palettes = SelectPalettes(ReadAll(root / "data" / (fighter + ".pal")), shift);
  if (palettes.empty()) return false;
  Han6Project project;
  project.projectName = "csel_" + name;
  project.dataFiles = {"csel_" + name + ".ha6"};
  project.cutSpriteFiles = {name + ".cut"};
  const std::string folder = "data/_csel/";
  return mkdata::WriteBytes(root, folder + name + ".cut", cut.data(), cut.size()) &&
         mkdata::WriteBytes(root, folder + "csel_" + name + ".ha6", data.data(), data.size()) &&
         mkdata::WriteBytes(root, folder + name + ".pal", palettes.data(), palettes.size()) &&
         WriteProject(root, folder + "csel_" + name + ".txt", project);
}

// ---- pictures ----

const Rgba kInk = {0.05f, 0.05f, 0.1f, 1.0f};
const Rgba kWhite = {1, 1, 1, 1};

// The tone of a character's pictures: the battle HUD's two for the drawn fighters, then round
// the colour wheel.
Rgba CharacterTone(int number) {
  if (number == 0) return Rgb8(70, 120, 210);
  if (number == 1) return Rgb8(200, 80, 60);
  const float h = static_cast<float>(number % 12) / 12.0f;
  return Rgb8(static_cast<int>(110 + 110 * std::cos(6.2832f * h)),
              static_cast<int>(110 + 110 * std::cos(6.2832f * (h - 0.333f))),
              static_cast<int>(110 + 110 * std::cos(6.2832f * (h - 0.667f))));
}

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  auto face = vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, 700, 4});
  if (!face) std::fprintf(stderr, "mkdata: no sans face for the select pictures\n");
  return face;
}

// Portraits, 512 x 512: a see-through wash of the character's tone with a faint figure, its
// number large at the top and its name. The select draws the animated character under the
// portrait, so most of the picture lets it show through.
bool WritePortraits(const fs::path& root) {
  auto big = Face(128), small = Face(44);
  if (!big || !small) return false;
  for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
    const Rgba tone = CharacterTone(e.number);
    Canvas c(512, 512);
    Rgba top = mkdata::Mix(tone, kWhite, 0.35f), bottom = mkdata::Mix(tone, kInk, 0.55f);
    top.a = 0.55f;
    bottom.a = 0.0f;
    c.VerticalGradient(0, 511, top, bottom);
    Rgba figure = mkdata::Mix(tone, kInk, 0.7f);
    figure.a = 0.3f;
    c.Ellipse(256.0f, 230.0f, 60.0f, 72.0f, figure);
    c.Ellipse(256.0f, 440.0f, 130.0f, 120.0f, figure);
    char number[8];
    std::snprintf(number, sizeof number, "%02d", e.number);
    if (!mkdata::PaintText(c, *big, number, 0, 24, 512, 128, 3) ||
        !mkdata::PaintText(c, *small, e.name, 0, 150, 512, 44, 2))
      return false;
    char file[96];
    std::snprintf(file, sizeof file, "%sChara/csel_c%02d.png", kSelectFolder, e.number);
    if (!c.Save(root, file)) return false;
  }
  return true;
}

// Palette chips: 36 colours in cells of 32 x 16 (colour n at ((n mod 8) x 32, (n div 8) x 16)),
// the 28 x 10 swatch read from two pixels in and three down. The select's colour list and the
// battle HUD read the same sheets.
bool WritePaletteChips(const fs::path& root) {
  for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
    Canvas c(256, 128);
    for (int n = 0; n < 36; ++n) {
      const float hue = float(n) / 36.0f;
      const Rgba base =
          mkdata::Mix(CharacterTone(e.number), Rgb8(int(255 * hue), int(255 * (1 - hue)), 128), 0.6f);
      c.Rect(n % 8 * 32 + 2, n / 8 * 16 + 3, 28, 10, base);
    }
    char name[96];
    std::snprintf(name, sizeof name, "%sPalette/color_c%02d.png", kSelectFolder, e.number);
    if (!c.Save(root, name)) return false;
  }
  return true;
}

// Name plates of both sides: the big sheet in 168 x 32 cells (column n / 16, row n % 16), the
// small one in 168 x 24 cells (column n / 21, row n % 21), n the character's name number.
bool WriteNamePlates(const fs::path& root) {
  auto big = Face(26), small = Face(18);
  if (!big || !small) return false;
  for (int side = 0; side < 2; ++side) {
    Canvas large(512, 512), little(512, 512);
    const Rgba plate = side == 0 ? Rgb8(40, 70, 150, 0.85f) : Rgb8(150, 50, 40, 0.85f);
    for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
      const int n = CharaNameNumber(e.number);
      if (n < 0) continue;
      const int bx = n / 16 * 168, by = n % 16 * 32, sx = n / 21 * 168, sy = n % 21 * 24;
      large.Rect(static_cast<float>(bx + 1), static_cast<float>(by + 1), 166.0f, 30.0f, plate);
      little.Rect(static_cast<float>(sx + 1), static_cast<float>(sy + 1), 166.0f, 22.0f,
                  mkdata::Mix(plate, kInk, 0.4f));
      char number[8];
      std::snprintf(number, sizeof number, "%02d", e.number);
      if (!mkdata::PaintText(large, *big, e.name, bx, by + 3, 168, 26, 1) ||
          !mkdata::PaintText(little, *small, number, sx, sy + 3, 168, 18, 1))
        return false;
    }
    char name[96];
    std::snprintf(name, sizeof name, "%scsel_name00_%d.png", kSelectFolder, side);
    if (!large.Save(root, name)) return false;
    std::snprintf(name, sizeof name, "%scsel_name01_%d.png", kSelectFolder, side);
    if (!little.Save(root, name)) return false;
  }
  return true;
}

bool WriteSelectData(const fs::path& root) {
  if (!WriteStyleSet(root, "trio", "duelist", {0, 1, 2}) || !WriteStyleSet(root, "solo", "tester", {1}))
    return false;
  float shift = 0.0f;
  for (const mkdata::SampleDataName& d : mkdata::kSampleDataNames) {
    if (!WriteSelectFrameData(root, d, shift)) return false;
    shift += 0.25f;
  }
  return true;
}

bool WriteSelectPictures(const fs::path& root) {
  return WritePortraits(root) && WritePaletteChips(root) && WriteNamePlates(root);
}

}  // namespace

// After the fighters and the battle tables, whose files the select's data shares.
MKDATA_STEP("27_select_data", WriteSelectData);
MKDATA_STEP("34_select_pictures", WriteSelectPictures);
