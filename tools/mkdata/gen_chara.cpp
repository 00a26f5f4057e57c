// The first sample character ("tester"), drawn procedurally: a round-headed figure in a few
// flat colours, in clearly readable poses. Writes its cut-sprite sheet, colour palettes, a
// part-animation file and a frame-data project of two data files (the second, listed later,
// overrides the standing pattern of the first), plus the common effects project.
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "Dxtools/BmpcutFiles/cut_sprite_palette.h"
#include "Dxtools/Han6Files/han6_project.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "han6_builder.h"
#include "mkdata.h"

namespace {

using mkdata::BoxDef;
using mkdata::CanvasSprite;
using mkdata::FrameDataBuilder;
using mkdata::IndexCanvas;

// Palette indexes of the figure.
enum : uint8_t { kOutline = 1, kSkin, kShirt, kPants, kHair, kShoes, kBelt, kEye };

// Sprite size and where the feet stand: the sprite frame's origin is at (128, 224).
constexpr int kW = 112, kH = 176;
constexpr int kFeetX = 56, kFeetY = 172;

struct P {
  float x, y;  // relative to the feet, up negative
};

// A pose: the joints of the figure.
struct Pose {
  P head, neck, hip;
  P elbowL, handL, elbowR, handR;
  P kneeL, footL, kneeR, footR;
};

Pose Stand(float breathe) {
  return {{0, -140 + breathe}, {0, -118 + breathe}, {0, -70}, {-16, -95}, {-12, -72}, {16, -95},
          {12, -72},           {-10, -36},          {-12, 0}, {10, -36},  {12, 0}};
}

Pose Walk(int phase) {
  const float s = std::sin(phase * 3.14159265f / 2);
  Pose p = Stand(0);
  p.kneeL = {-6 + 10 * s, -36};
  p.footL = {-8 + 18 * s, 0};
  p.kneeR = {6 - 10 * s, -36};
  p.footR = {8 - 18 * s, 0};
  p.handL = {-12 - 10 * s, -74};
  p.handR = {12 + 10 * s, -74};
  return p;
}

Pose Crouch() {
  return {{4, -92},  {2, -72},   {-2, -34}, {-10, -56}, {8, -44}, {16, -58},
          {24, -46}, {-22, -20}, {-16, 0},  {18, -20},  {14, 0}};
}

Pose Jump() {
  return {{0, -150},  {0, -128},  {0, -80},  {-20, -112}, {-26, -134}, {20, -112},
          {26, -134}, {-14, -54}, {-8, -30}, {14, -54},   {8, -30}};
}

Pose Punch(int stage) {
  Pose p = Stand(0);
  p.head.x += 4;
  p.neck.x += 3;
  if (stage == 1) {
    p.elbowR = {34, -104};
    p.handR = {58, -106};
  } else {
    p.elbowR = {22, -100};
    p.handR = {30, -108};
  }
  p.elbowL = {-6, -98};
  p.handL = {6, -110};
  return p;
}

Pose Kick(int stage) {
  Pose p = Stand(0);
  p.head.x -= 6;
  p.neck.x -= 4;
  if (stage == 1) {
    p.kneeR = {28, -62};
    p.footR = {60, -66};
  } else {
    p.kneeR = {22, -50};
    p.footR = {30, -24};
  }
  return p;
}

Pose Hurt() {
  Pose p = Stand(0);
  p.head = {-14, -134};
  p.neck = {-10, -114};
  p.handL = {-30, -84};
  p.handR = {-4, -80};
  return p;
}

Pose Guard() {
  Pose p = Stand(0);
  p.elbowL = {10, -100};
  p.handL = {18, -124};
  p.elbowR = {18, -96};
  p.handR = {24, -118};
  return p;
}

CutSpriteImage DrawPose(int number, const char* name, const Pose& pose) {
  IndexCanvas c(kW, kH);
  auto X = [](const P& p) { return kFeetX + p.x; };
  auto Y = [](const P& p) { return kFeetY + p.y; };
  // Back limbs first, so the front ones overlap them.
  c.Limb(X(pose.hip), Y(pose.hip), X(pose.kneeL), Y(pose.kneeL), 7, kPants, kOutline);
  c.Limb(X(pose.kneeL), Y(pose.kneeL), X(pose.footL), Y(pose.footL), 6, kPants, kOutline);
  c.Ball(X(pose.footL) + 3, Y(pose.footL) - 3, 5, kShoes, kOutline);
  c.Limb(X(pose.neck), Y(pose.neck), X(pose.elbowL), Y(pose.elbowL), 5, kShirt, kOutline);
  c.Limb(X(pose.elbowL), Y(pose.elbowL), X(pose.handL), Y(pose.handL), 4, kSkin, kOutline);
  c.Limb(X(pose.neck), Y(pose.neck) + 8, X(pose.hip), Y(pose.hip), 13, kShirt, kOutline);
  c.Rect(static_cast<int>(X(pose.hip)) - 12, static_cast<int>(Y(pose.hip)) - 3,
         static_cast<int>(X(pose.hip)) + 12, static_cast<int>(Y(pose.hip)) + 2, kBelt);
  c.Limb(X(pose.hip), Y(pose.hip), X(pose.kneeR), Y(pose.kneeR), 7, kPants, kOutline);
  c.Limb(X(pose.kneeR), Y(pose.kneeR), X(pose.footR), Y(pose.footR), 6, kPants, kOutline);
  c.Ball(X(pose.footR) + 3, Y(pose.footR) - 3, 5, kShoes, kOutline);
  c.Ball(X(pose.head), Y(pose.head), 14, kSkin, kOutline);
  c.Segment(X(pose.head) - 13, Y(pose.head) - 8, X(pose.head) + 9, Y(pose.head) - 11, 5, kHair);
  c.Disc(X(pose.head) + 6, Y(pose.head) - 2, 2, kEye);
  c.Limb(X(pose.neck), Y(pose.neck), X(pose.elbowR), Y(pose.elbowR), 5, kShirt, kOutline);
  c.Limb(X(pose.elbowR), Y(pose.elbowR), X(pose.handR), Y(pose.handR), 4, kSkin, kOutline);
  c.Ball(X(pose.handR), Y(pose.handR), 4, kSkin, kOutline);
  return CanvasSprite(number, name, 0, kW, kH, kFeetX, kFeetY, std::move(c.pixels));
}

// Four colourways: shirt, pants, hair. Entry 0 transparent, entry 1 the outline.
CutSpritePalette MakePalette(int way) {
  static const uint8_t shirts[4][3] = {{200, 40, 40}, {40, 90, 200}, {40, 160, 60}, {230, 200, 40}};
  static const uint8_t pants[4][3] = {{40, 40, 60}, {220, 220, 220}, {90, 60, 30}, {60, 20, 90}};
  static const uint8_t hair[4][3] = {{30, 20, 10}, {240, 230, 200}, {160, 40, 20}, {20, 20, 20}};
  CutSpritePalette p{};
  auto set = [&](int i, uint8_t r, uint8_t g, uint8_t b) {
    p[4 * i] = r;
    p[4 * i + 1] = g;
    p[4 * i + 2] = b;
    p[4 * i + 3] = 255;
  };
  set(kOutline, 0, 0, 0);  // pure black: the page fix-up turns it into (1, 1, 1)
  set(kSkin, 240, 200, 160);
  set(kShirt, shirts[way][0], shirts[way][1], shirts[way][2]);
  set(kPants, pants[way][0], pants[way][1], pants[way][2]);
  set(kHair, hair[way][0], hair[way][1], hair[way][2]);
  set(kShoes, 70, 50, 40);
  set(kBelt, 120, 90, 20);
  set(kEye, 20, 20, 40);
  return p;
}

// Sprite numbers of the character.
enum : int16_t {
  kSprStand = 0,  // 0..2 breathing
  kSprWalk = 10,  // 10..13
  kSprCrouch = 20,
  kSprJump = 30,
  kSprPunch = 40,  // 40..41
  kSprKick = 50,   // 50..51
  kSprHurt = 60,
  kSprGuard = 70,
};

const BoxDef kPush{-14, -120, 14, 0};
const BoxDef kBody{-18, -150, 18, 0};
const BoxDef kLow{-20, -96, 20, 0};

mkdata::FrameDef& Body(mkdata::FrameDef& f, uint8_t stance = 0, bool free = true) {
  f.hurt = {kPush, stance == 2 ? kLow : kBody};
  f.state = mkdata::StandingState(stance, free);
  return f;
}

void DeclareMoves(FrameDataBuilder& b) {
  auto& stand = b.Pattern(0, "stand");
  for (int i : {0, 1, 2, 1}) Body(stand.Frame(static_cast<int16_t>(kSprStand + i), 10));
  stand.Loop(0);
  auto& walk = b.Pattern(10, "walk forward");
  for (int i = 0; i < 4; ++i) Body(walk.Frame(static_cast<int16_t>(kSprWalk + i), 6)).offsetX = 0;
  walk.Loop(0);
  auto& back = b.Pattern(11, "walk back");
  for (int i = 3; i >= 0; --i) Body(back.Frame(static_cast<int16_t>(kSprWalk + i), 7));
  back.Loop(0);
  auto& crouch = b.Pattern(13, "crouch");
  Body(crouch.Frame(kSprCrouch, 30), 2).hurt = {kPush, kLow};
  crouch.Loop(0);
  auto& jump = b.Pattern(35, "jump");
  Body(jump.Frame(kSprJump, 40), 1, false);
  jump.EndInto(0);
  auto& punch = b.Pattern(200, "punch");
  Body(punch.Frame(kSprPunch + 1, 3), 0, false);
  {
    auto& hit = Body(punch.Frame(kSprPunch, 4), 0, false);
    hit.attack = {{20, -118, 66, -96}};
    hit.hit = mkdata::Strike(300, 1, 1);
  }
  Body(punch.Frame(kSprPunch + 1, 6), 0, false);
  punch.EndInto(0);
  auto& kick = b.Pattern(210, "kick");
  Body(kick.Frame(kSprKick + 1, 5), 0, false);
  {
    auto& hit = Body(kick.Frame(kSprKick, 5), 0, false);
    hit.attack = {{24, -78, 70, -54}};
    hit.hit = mkdata::Strike(500, 2, 2);
  }
  Body(kick.Frame(kSprKick + 1, 8), 0, false);
  kick.EndInto(0);
  auto& hurt = b.Pattern(300, "hurt");
  Body(hurt.Frame(kSprHurt, 14), 0, false);
  hurt.EndInto(0);
  auto& guard = b.Pattern(320, "guard");
  Body(guard.Frame(kSprGuard, 12), 0, false);
  guard.EndInto(0);
  // A pattern drawn from the part animation: a pulsing aura over the standing pose.
  auto& aura = b.Pattern(500, "aura");
  for (int i = 0; i < 2; ++i) {
    auto& f = aura.Frame(0, 8);
    f.spriteKind = 1;
    f.sprite = static_cast<int16_t>(i);
  }
  aura.Loop(0);
}

std::unique_ptr<PAniData> MakeAuraPAni() {
  auto owned = std::make_unique<PAniData>();
  PAniData& pani = *owned;
  // Part coordinates are in a 256 x 256 space: the texture is that size, the ring in its corner.
  mkdata::ColorCanvas ring(256, 256);
  ring.Ring(32, 32, 18, 30, 120, 200, 255);
  auto tex = std::make_unique<PAniTexture>();
  std::snprintf(tex->name, sizeof tex->name, "aura");
  tex->pgtp = 0;
  tex->width = tex->height = 256;
  tex->pixels = ring.pixels;
  pani.textures.push_back(std::move(tex));
  auto part = std::make_unique<PAniPart>();
  std::snprintf(part->name, sizeof part->name, "ring");
  part->u = 0;
  part->v = 0;
  part->w = 64;
  part->h = 64;
  part->width = 64;
  part->height = 64;
  part->pivotX = 32;
  part->pivotY = 32;
  pani.parts[0] = std::move(part);
  for (int n = 0; n < 2; ++n) {
    auto pattern = std::make_unique<PAniPattern>();
    std::snprintf(pattern->name, sizeof pattern->name, "aura%d", n);
    for (int s = 0; s < 2; ++s) {
      auto r = std::make_unique<PAniPartRef>();
      r->partId = 0;
      r->partPriority = s;
      r->y = -70;
      r->zoomX = r->zoomY = 1.5f + 0.5f * n + 0.75f * s;
      r->angle = 0.125f * (n + s);
      r->color = s == 0 ? 0xC0FFFFFFu : 0x80FFFFFFu;
      r->blend = 1;
      r->filter = 1;
      r->reverse = static_cast<uint8_t>(s);
      pattern->refs[s] = std::move(r);
    }
    pani.patterns[n] = std::move(pattern);
  }
  return owned;
}

bool WriteProject(const std::filesystem::path& root, const std::string& projectFile, Han6Project project) {
  project.projectPath = ".\\data\\" + projectFile;
  return mkdata::WriteText(root, "data/" + projectFile, WriteHan6ProjectText(project));
}

bool WriteCharacter(const std::filesystem::path& root) {
  CutSpriteSheetBuilder sheet(16);
  sheet.SetPalette(MakePalette(0));
  for (int i = 0; i < 3; ++i) sheet.Add(DrawPose(kSprStand + i, "stand", Stand(static_cast<float>(i * 2))));
  for (int i = 0; i < 4; ++i) sheet.Add(DrawPose(kSprWalk + i, "walk", Walk(i)));
  sheet.Add(DrawPose(kSprCrouch, "crouch", Crouch()));
  sheet.Add(DrawPose(kSprJump, "jump", Jump()));
  for (int i = 0; i < 2; ++i) sheet.Add(DrawPose(kSprPunch + i, "punch", Punch(1 - i)));
  for (int i = 0; i < 2; ++i) sheet.Add(DrawPose(kSprKick + i, "kick", Kick(1 - i)));
  sheet.Add(DrawPose(kSprHurt, "hurt", Hurt()));
  sheet.Add(DrawPose(kSprGuard, "guard", Guard()));
  const auto cut = WriteCutSpriteFile(sheet.Build());

  std::vector<CutSpritePalette> palettes;
  for (int way = 0; way < 4; ++way) palettes.push_back(MakePalette(way));
  const auto pal = WritePaletteFile(palettes);

  FrameDataBuilder base;
  DeclareMoves(base);
  // The later-listed file overrides the standing pattern: a slower breath.
  FrameDataBuilder extra;
  auto& stand = extra.Pattern(0, "stand (slow)");
  for (int i : {0, 1, 2, 2, 1}) Body(stand.Frame(static_cast<int16_t>(kSprStand + i), 12));
  stand.Loop(0);
  const auto aura = MakeAuraPAni();

  Han6Project project;
  project.projectName = "tester";
  project.dataFiles = {"tester_0.ha6", "tester_0_add.ha6"};
  project.cutSpriteFiles = {"tester.cut"};
  project.paniFiles = {"tester.pan"};
  const auto data = base.Write(), data2 = extra.Write(), pan = WritePAniData(*aura);
  return mkdata::WriteBytes(root, "data/tester.cut", cut.data(), cut.size()) &&
         mkdata::WriteBytes(root, "data/tester.pal", pal.data(), pal.size()) &&
         mkdata::WriteBytes(root, "data/tester_0.ha6", data.data(), data.size()) &&
         mkdata::WriteBytes(root, "data/tester_0_add.ha6", data2.data(), data2.size()) &&
         mkdata::WriteBytes(root, "data/tester.pan", pan.data(), pan.size()) &&
         WriteProject(root, "tester_0.txt", project);
}

// The common effects: sparks and dust as 32-bit sprites, a ring from a part animation.
bool WriteEffects(const std::filesystem::path& root) {
  CutSpriteSheetBuilder sheet(16);
  auto colour = [](int number, const char* name, const mkdata::ColorCanvas& c) {
    return CanvasSprite(number, name, 1, c.width, c.height, c.width / 2, c.height / 2, c.pixels);
  };
  for (int i = 0; i < 4; ++i) {
    mkdata::ColorCanvas hit(64, 64);
    hit.Star(32, 32, 6.0f + 2 * i, 14.0f + 5 * i, 8, 255, static_cast<uint8_t>(230 - 40 * i), 80);
    sheet.Add(colour(i, "hit spark", hit));
    mkdata::ColorCanvas guard(64, 64);
    guard.Ring(32, 32, 8.0f + 5 * i, 14.0f + 5 * i, 120, 180, 255);
    sheet.Add(colour(10 + i, "guard spark", guard));
    mkdata::ColorCanvas dust(48, 32);
    dust.Glow(16, 20, 8.0f + 2 * i, 200, 190, 170);
    dust.Glow(32, 22, 6.0f + 2 * i, 200, 190, 170);
    sheet.Add(colour(20 + i, "dust", dust));
  }
  const auto cut = WriteCutSpriteFile(sheet.Build());

  FrameDataBuilder b;
  auto spark = [&](int number, const char* title, int16_t first, uint8_t blend) {
    auto& p = b.Pattern(number, title);
    for (int i = 0; i < 4; ++i) {
      auto& f = p.Frame(static_cast<int16_t>(first + i), 3);
      f.blendMode = blend;
      f.alpha = static_cast<uint8_t>(255 - 40 * i);
      f.scaleX = f.scaleY = 1.0f + 0.25f * i;
      f.rotationZ = 0.05f * i;
    }
    p.EndInto(-1);
  };
  spark(0, "hit spark", 0, 2);
  spark(1, "guard spark", 10, 2);
  spark(2, "dust", 20, 1);
  auto& ring = b.Pattern(3, "ring");
  for (int i = 0; i < 2; ++i) {
    auto& f = ring.Frame(static_cast<int16_t>(i), 6);
    f.spriteKind = 1;
  }
  ring.EndInto(-1);
  const auto data = b.Write();
  const auto pan = WritePAniData(*MakeAuraPAni());

  Han6Project project;
  project.projectName = "effect";
  project.dataFiles = {"effect.ha6"};
  project.cutSpriteFiles = {"effect.cut"};
  project.paniFiles = {"effect.pan"};
  return mkdata::WriteBytes(root, "data/effect.cut", cut.data(), cut.size()) &&
         mkdata::WriteBytes(root, "data/effect.ha6", data.data(), data.size()) &&
         mkdata::WriteBytes(root, "data/effect.pan", pan.data(), pan.size()) &&
         WriteProject(root, "effect.txt", project);
}

}  // namespace

MKDATA_STEP("20_chara_tester", WriteCharacter);
MKDATA_STEP("21_common_effects", WriteEffects);
