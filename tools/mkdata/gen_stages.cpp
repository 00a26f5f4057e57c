// The sample stages: `.\Bg\BgList.ini`, three stage files with their info files (a harbour at dusk
// from a sprite sheet, a temple garden in spring from a parts-animation block, a practice room
// over the checkered room), the petal sheet of the garden's drop layer, and `.\grp\system\Flare00`
// for the background override's burst.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "canvas.h"
#include "mkdata.h"
#include "scene/stage_file.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

constexpr float kPi = 3.14159265f;

void AddSprite(CutSpriteSheetBuilder& b, int number, const Canvas& c) {
  CutSpriteImage im;
  im.number = number;
  im.name = "bg" + std::to_string(number);
  im.pixelType = 1;
  im.left = 128;
  im.top = 224;
  im.width = c.Width();
  im.height = c.Height();
  im.pixels = c.Bgra();
  b.Add(std::move(im));
}

StageFrameDesc Frame(int image, int x, int y, int duration, int endAction, int target = 0) {
  StageFrameDesc f;
  f.image = static_cast<int16_t>(image);
  f.x = static_cast<int16_t>(x);
  f.y = static_cast<int16_t>(y);
  f.duration = static_cast<uint16_t>(duration);
  f.endAction = static_cast<uint8_t>(endAction);
  f.target = static_cast<uint8_t>(target);
  return f;
}

StageObjectDesc Object(int number, int scroll, int bucket, std::vector<StageFrameDesc> frames) {
  StageObjectDesc o;
  o.number = number;
  o.scroll = static_cast<int16_t>(scroll);
  o.bucket = static_cast<uint32_t>(bucket);
  o.frames = std::move(frames);
  return o;
}

bool WriteStage(const std::filesystem::path& root, const std::string& name, const StageFileDesc& d,
                const std::string& info) {
  const std::vector<uint8_t> bytes = WriteStageFile(d);
  return mkdata::WriteBytes(root, "Bg/" + name + ".dat", bytes.data(), bytes.size()) &&
         mkdata::WriteText(root, "Bg/" + name + "Info.txt", info);
}

// ---- Stage 1: a harbour at dusk ----

Canvas DuskSky() {
  Canvas c(644, 484);
  c.VerticalGradient(0, 200, Rgb8(28, 30, 78), Rgb8(120, 70, 120));
  c.VerticalGradient(200, 330, Rgb8(120, 70, 120), Rgb8(246, 150, 80));
  c.VerticalGradient(330, 484, Rgb8(246, 150, 80), Rgb8(250, 190, 120));
  // The sun sits low, its lower edge behind the town's roofs.
  c.Glow(500, 222, 150, Rgb8(255, 190, 110, 0.55f));
  c.Ellipse(500, 222, 26, 26, Rgb8(255, 236, 190), 2.0f);
  for (int i = 0; i < 40; ++i) {
    const float x = static_cast<float>(mkdata::HashNoise(i * 7 + 1) % 644);
    const float y = static_cast<float>(mkdata::HashNoise(i * 13 + 5) % 150);
    c.Ellipse(x, y, 1.0f, 1.0f, Rgb8(230, 230, 255, 0.7f), 0.8f);
  }
  return c;
}

Canvas HillsAndTown() {
  Canvas c(760, 180);
  for (int x = 0; x < 760; ++x) {
    const float h = 70 + 26 * std::sin(x * 0.011f) + 14 * std::sin(x * 0.031f + 1.0f);
    c.Rect(static_cast<float>(x), 180 - h, 1, h, Rgb8(70, 52, 88));
  }
  for (int i = 0; i < 34; ++i) {
    const int w = 16 + static_cast<int>(mkdata::HashNoise(i + 100) % 22);
    const int h = 30 + static_cast<int>(mkdata::HashNoise(i + 300) % 70);
    const int x = 120 + i * 15 + static_cast<int>(mkdata::HashNoise(i + 500) % 10);
    c.Rect(static_cast<float>(x), static_cast<float>(180 - h), static_cast<float>(w), static_cast<float>(h),
           Rgb8(42, 36, 60));
    for (int wy = 180 - h + 5; wy < 172; wy += 8)
      for (int wx = x + 3; wx < x + w - 3; wx += 6)
        if (mkdata::HashNoise(static_cast<uint32_t>(wx * 977 + wy)) % 3 == 0)
          c.Rect(wx, wy, 2, 3, Rgb8(255, 214, 120));
  }
  return c;
}

Canvas Sea(int phase) {
  Canvas c(880, 80);
  c.VerticalGradient(0, 80, Rgb8(150, 90, 110), Rgb8(40, 50, 90));
  for (int row = 0; row < 9; ++row) {
    const float y = 4 + row * 8.5f;
    for (int x = 0; x < 880; x += 24) {
      const float off = static_cast<float>((row * 11 + phase * 8) % 24);
      c.Rect(x + off, y, 10 + row, 1.5f, Rgb8(255, 200, 150, 0.55f - row * 0.04f), 0.5f);
    }
  }
  return c;
}

Canvas Cloud() {
  Canvas c(180, 50);
  c.Ellipse(60, 30, 50, 16, Rgb8(255, 190, 200, 0.9f), 6);
  c.Ellipse(105, 24, 45, 18, Rgb8(255, 200, 210, 0.9f), 6);
  c.Ellipse(140, 32, 30, 12, Rgb8(250, 180, 190, 0.9f), 6);
  c.Blur(2);
  return c;
}

Canvas Gull(bool up) {
  Canvas c(28, 14);
  const Rgba ink = Rgb8(30, 26, 40);
  c.Line(2, up ? 2 : 10, 14, 8, 2, ink);
  c.Line(14, 8, 26, up ? 2 : 10, 2, ink);
  return c;
}

Canvas Boat() {
  Canvas c(110, 44);
  c.Rect(10, 28, 90, 10, Rgb8(50, 34, 40));
  c.Rect(20, 38, 70, 4, Rgb8(36, 24, 30));
  c.Line(52, 4, 52, 28, 3, Rgb8(40, 30, 36));
  c.Rect(54, 6, 30, 20, Rgb8(240, 220, 200));
  return c;
}

Canvas Quay() {
  Canvas c(1000, 80);
  c.VerticalGradient(0, 80, Rgb8(90, 80, 86), Rgb8(40, 36, 44));
  for (int x = 0; x < 1000; x += 50) c.Rect(x, 0, 2, 80, Rgb8(30, 26, 34));
  c.Rect(0, 0, 1000, 5, Rgb8(130, 110, 110));
  c.Noise(0.05f, 77);
  return c;
}

Canvas LanternGlow() {
  Canvas c(64, 64);
  c.Glow(32, 32, 32, Rgb8(255, 180, 90));
  return c;
}

Canvas LanternPost() {
  Canvas c(16, 90);
  c.Rect(6, 20, 4, 70, Rgb8(30, 26, 32));
  c.Rect(2, 6, 12, 14, Rgb8(255, 210, 130));
  c.Rect(1, 2, 14, 4, Rgb8(30, 26, 32));
  return c;
}

Canvas Bollard() {
  Canvas c(30, 60);
  c.Rect(5, 14, 20, 46, Rgb8(24, 20, 26), 1.0f);
  c.Ellipse(15, 12, 13, 8, Rgb8(40, 34, 40), 1.0f);
  c.Rect(9, 16, 3, 40, Rgb8(90, 70, 80, 0.7f));
  return c;
}

bool WriteHarbour(const std::filesystem::path& root) {
  CutSpriteSheetBuilder b;
  AddSprite(b, 0, DuskSky());
  AddSprite(b, 1, HillsAndTown());
  for (int i = 0; i < 3; ++i) AddSprite(b, 2 + i, Sea(i));
  AddSprite(b, 5, Cloud());
  AddSprite(b, 6, Gull(true));
  AddSprite(b, 7, Gull(false));
  AddSprite(b, 8, Boat());
  AddSprite(b, 9, Quay());
  AddSprite(b, 10, LanternGlow());
  AddSprite(b, 11, LanternPost());
  AddSprite(b, 12, Bollard());

  StageFileDesc d;
  d.blockB = b.Build();
  // Sky, fixed on screen (opaque).
  d.objects.push_back(Object(0, 0, 0, {Frame(10000, -321, -433, 1, 6)}));
  // Hills and town.
  d.objects.push_back(Object(1, 64, 2, {Frame(10001, -380, -282, 1, 6)}));
  // The sea: frames 0-1-2 three times through (loop count 3, exit frame 3), then a jump back.
  StageFrameDesc s0 = Frame(10002, -440, -102, 12, 1), s1 = Frame(10003, -440, -102, 12, 1),
                 s2 = Frame(10004, -440, -102, 12, 5, 1), s3 = Frame(10003, -440, -102, 24, 2, 0);
  s0.loopCount = 3;
  s2.exitFrame = 3;
  d.objects.push_back(Object(2, 160, 4, {s0, s1, s2, s3}));
  // Clouds: a type-100 spawn chooses each one's drift.
  for (int i = 0; i < 2; ++i) {
    StageFrameDesc f = Frame(10005, i == 0 ? -260 : 70, i == 0 ? -380 : -340, 1, 6);
    f.blend = 1;
    f.alpha = 210;
    f.spawns[0] = 0;
    StageObjectDesc o = Object(3 + i, 32, 3, {f});
    o.spawns = {StageEventDesc{100, 0, 16, 64, 0, 0, 0}};
    d.objects.push_back(o);
  }
  // Gulls: a spawner picks one of two flapping gulls at a random height every two seconds;
  // a position condition removes them past the right edge.
  StageFrameDesc spawner = Frame(10000 + 2999, 0, 0, 120, 2, 0);
  spawner.spawns[0] = 0;
  StageObjectDesc spawnerObj = Object(30, 128, 6, {spawner});
  spawnerObj.spawns = {StageEventDesc{2, 20, -420, -330, -400, -250, 2}};
  d.objects.push_back(spawnerObj);
  for (int g = 0; g < 2; ++g) {
    StageFrameDesc up = Frame(10006, -14, -7, 8 + 3 * g, 1), down = Frame(10007, -14, -7, 8 + 3 * g, 2, 0);
    up.setX = 1;
    up.vx = static_cast<int16_t>(190 + 60 * g);
    up.conditions[0] = 0;
    down.conditions[0] = 0;
    StageObjectDesc o = Object(20 + g, 128, 6, {up, down});
    o.spawnOnly = 1;
    o.conditions = {StageEventDesc{1, 0, -1, 128 * 440, 0, 0, 0}};
    d.objects.push_back(o);
  }
  // A boat that crosses once and ends.
  StageFrameDesc boat = Frame(10008, -560, -126, 900, 0);
  boat.setX = 1;
  boat.vx = 180;
  d.objects.push_back(Object(31, 180, 5, {boat}));
  // The quay.
  d.objects.push_back(Object(10, 256, 20, {Frame(10009, -500, -32, 1, 6)}));
  // Lantern posts; each spawns its flickering glow (additive, always drawn).
  for (int i = 0; i < 2; ++i) {
    const int x = i == 0 ? -150 : 170;
    StageFrameDesc post = Frame(10011, x - 8, -110, 1, 6);
    post.spawns[0] = 0;
    StageObjectDesc o = Object(40 + i, 256, 30, {post});
    o.spawns = {StageEventDesc{1, 42, x, -96, 0, 0, 0}};
    d.objects.push_back(o);
  }
  StageFrameDesc g0 = Frame(10010, -32, -32, 7, 1), g1 = Frame(10010, -32, -32, 5, 2, 0);
  g0.blend = g1.blend = 2;
  g0.alpha = 230;
  g1.alpha = 190;
  StageObjectDesc glow = Object(42, 256, kStageAlwaysBucket, {g0, g1});
  glow.spawnOnly = 1;
  d.objects.push_back(glow);
  // Mooring posts in front of the fighters, filtered linearly.
  const int posts[3] = {-270, 60, 310};
  for (int i = 0; i < 3; ++i) {
    StageObjectDesc o = Object(50 + i, 300, 10, {Frame(10012, posts[i], -10, 1, 6)});
    o.foreground = 1;
    o.linear = 1;
    d.objects.push_back(o);
  }
  const std::string info =
      "[Data]\r\nLightNum=2\r\nLight00Pos=362\r\nLight00Power=260\r\nLight01Pos=682\r\nLight01Power=260\r\n"
      "DropObj=1\r\nDropObj_Type=1\r\nDropObj_Max=70\r\nDropObj_Alpha=60\r\nDropObj_H=30\r\nDropObj_Wait="
      "9\r\n";
  return WriteStage(root, "harbour", d, info);
}

// ---- Stage 2: a temple garden in spring ----

StageImageDesc Image(int number, const Canvas& c) {
  StageImageDesc im;
  im.number = number;
  im.size = c.Width();
  im.bgra = c.Bgra();
  return im;
}

StagePartDesc Part(int number, int image, int sx, int sy, int sw, int sh, int w, int h, int px, int py) {
  return StagePartDesc{number, StagePartDef{image, sx, sy, sw, sh, w, h, px, py}};
}

StagePartRef Ref(int part, int x, int y, int priority, int zoom = 1000, uint8_t flip = 0) {
  StagePartRef r;
  r.part = part;
  r.x = x;
  r.y = y;
  r.priority = static_cast<uint8_t>(priority);
  r.zoomX = r.zoomY = zoom;
  r.flip = flip;
  return r;
}

StagePatternDesc Pattern(int number, std::vector<StagePartRef> refs) {
  StagePatternDesc p;
  p.number = number;
  for (StagePartRef& r : p.refs) r.part = -1;
  for (size_t i = 0; i < refs.size(); ++i) p.refs[i] = refs[i];
  return p;
}

Canvas GardenBackdrop() {
  Canvas c(512, 512);
  c.VerticalGradient(0, 250, Rgb8(120, 170, 230), Rgb8(220, 232, 245));
  c.Rect(0, 220, 512, 90, Rgb8(236, 230, 214));
  c.Rect(0, 206, 512, 16, Rgb8(60, 60, 70));
  for (int x = 0; x < 512; x += 64) c.Rect(x, 222, 6, 88, Rgb8(120, 80, 60));
  c.VerticalGradient(310, 512, Rgb8(96, 140, 80), Rgb8(60, 100, 60));
  c.Noise(0.03f, 11);
  return c;
}

Canvas GardenAtlas() {
  Canvas c(256, 256);
  // Trunk (0, 0, 48, 160).
  c.Rect(12, 0, 24, 160, Rgb8(92, 60, 52), 3);
  c.Rect(18, 0, 6, 160, Rgb8(120, 84, 70, 0.7f), 2);
  // Branch with a few blossoms (48, 0, 96, 40).
  c.Line(52, 30, 140, 12, 6, Rgb8(86, 56, 50));
  for (int i = 0; i < 5; ++i) c.Ellipse(70 + i * 15, 18 - i * 2, 7, 6, Rgb8(250, 190, 210), 2);
  // Blossom cluster (48, 40, 64, 64).
  for (int i = 0; i < 9; ++i) {
    const float a = i * 0.7f;
    c.Ellipse(80 + 18 * std::cos(a), 72 + 18 * std::sin(a), 14, 12, Rgb8(252, 196 - i * 4, 216, 0.95f), 4);
  }
  // Stone lantern (144, 0, 48, 96).
  c.Rect(160, 60, 16, 36, Rgb8(150, 150, 150), 1);
  c.Rect(150, 30, 36, 30, Rgb8(170, 170, 165), 1);
  c.Rect(158, 38, 20, 14, Rgb8(255, 220, 140));
  c.Rect(146, 20, 44, 10, Rgb8(130, 130, 128), 1);
  // Veranda planks (0, 160, 256, 48).
  c.Rect(0, 160, 256, 48, Rgb8(150, 100, 60));
  for (int y = 160; y < 208; y += 12) c.Rect(0, y, 256, 2, Rgb8(100, 64, 40));
  // Shimmer (192, 0, 64, 32) and pond (192, 32, 64, 40).
  c.Glow(224, 16, 20, Rgb8(220, 240, 255));
  c.Ellipse(224, 52, 30, 18, Rgb8(50, 90, 110), 2);
  return c;
}

bool WriteGarden(const std::filesystem::path& root) {
  StageFileDesc d;
  d.blockA = true;
  d.images = {Image(0, GardenBackdrop()), Image(1, GardenAtlas())};
  // Source rectangles are given for a 256-pixel image: image 0 (512) doubles them.
  d.parts = {Part(0, 0, 0, 0, 256, 256, 660, 480, 330, 432), Part(1, 1, 0, 0, 48, 160, 72, 240, 36, 240),
             Part(2, 1, 48, 0, 96, 40, 192, 80, 10, 40),     Part(3, 1, 48, 40, 64, 64, 110, 110, 55, 55),
             Part(4, 1, 144, 0, 48, 96, 64, 128, 32, 128),   Part(5, 1, 0, 160, 256, 48, 900, 110, 450, 0),
             Part(6, 1, 192, 0, 64, 32, 120, 30, 60, 15),    Part(7, 1, 192, 32, 64, 40, 360, 70, 180, 35)};
  // The list draws the part queued last first, so lower priorities end up on top.
  auto tree = [](int number, int sway, int zoom) {
    return Pattern(
        number, {Ref(1, 0, 0, 9), Ref(2, 0, -200 + sway / 2, 5), Ref(2, 0, -150, 5, zoom, 1),
                 Ref(3, 110 + sway, -250, 1, zoom), Ref(3, -90 + sway, -230, 1), Ref(3, 20 + sway, -300, 1),
                 Ref(3, -140 + sway, -170, 2, zoom, 2), Ref(3, 150 + sway, -180, 2)});
  };
  d.patterns = {Pattern(0, {Ref(0, 0, 0, 0)}),
                Pattern(1, {Ref(5, 0, -60, 0)}),
                tree(2, 0, 1000),
                tree(3, 8, 1080),
                tree(4, -6, 960),
                Pattern(5, {Ref(4, 0, 0, 0)})};
  for (int k = 0; k < 2; ++k) {
    StagePatternDesc p =
        Pattern(6 + k, {Ref(7, 0, 0, 9), Ref(6, -90 + 20 * k, -8, 1, 900 + 300 * k),
                        Ref(6, 40 - 15 * k, 6, 1, 1200 - 300 * k), Ref(6, 110, -4, 1, 800 + 200 * k)});
    for (int s = 1; s < 4; ++s) p.refs[s].additive = 1;
    d.patterns.push_back(p);
  }
  d.objects.push_back(Object(0, 32, 0, {Frame(0, 0, 0, 1, 6)}));
  // The pond lies on the grass behind the lanterns, its near edge under the veranda.
  StageFrameDesc p0 = Frame(6, 150, -78, 45, 1), p1 = Frame(7, 150, -78, 45, 2, 0);
  p0.blendNext = p1.blendNext = 1;
  d.objects.push_back(Object(1, 256, 14, {p0, p1}));
  std::vector<StageFrameDesc> sway = {Frame(2, -170, -40, 50, 1), Frame(3, -170, -40, 50, 1),
                                      Frame(4, -170, -40, 50, 2, 0)};
  for (StageFrameDesc& f : sway) f.blendNext = 1;
  StageObjectDesc treeObj = Object(2, 256, 10, sway);
  treeObj.linear = 1;
  d.objects.push_back(treeObj);
  d.objects.push_back(Object(3, 256, 15, {Frame(5, 40, -30, 1, 6)}));
  d.objects.push_back(Object(4, 256, 15, {Frame(5, 260, -30, 1, 6)}));
  d.objects.push_back(Object(5, 256, 20, {Frame(1, 0, 0, 1, 6)}));
  const std::string info =
      "[Data]\r\nLightNum=2\r\nLight00Pos=552\r\nLight00Power=220\r\nLight01Pos=772\r\nLight01Power=220\r\n"
      "DropObj=1\r\nDropObj_Type=0\r\nDropObjFile=petal\r\nDropObj_PatNum=4\r\nDropObj_FrameNum=4\r\n"
      "DropObj_Wait=6\r\nDropObj_W=16\r\nDropObj_H=16\r\n";
  // Petals: 4 patterns (rows) of 4 turning frames (columns), 16 x 16 cells with alpha. Their
  // colour is a deep pink: the bloom passes add their glow on top, which lightens them.
  Canvas petals(64, 64);
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) {
      const float squash = 0.35f + 0.65f * std::fabs(std::cos(col * kPi / 4.0f));
      petals.Ellipse(col * 16 + 8.0f, row * 16 + 8.0f, 6.0f * squash + 1.0f, 4.0f + row * 0.5f,
                     Rgb8(235, 110 - row * 10, 150 - row * 6), 1.5f);
    }
  return WriteStage(root, "garden", d, info) && petals.Save(root, "Bg/petal.bmp");
}

// ---- Stage 3: a practice room ----

bool WritePractice(const std::filesystem::path& root) {
  CutSpriteSheetBuilder b;
  Canvas face(96, 96);
  face.Ellipse(48, 48, 46, 46, Rgb8(30, 30, 34), 1.5f);
  face.Ellipse(48, 48, 40, 40, Rgb8(245, 245, 236), 1.5f);
  for (int i = 0; i < 12; ++i) {
    const float a = i * kPi / 6.0f;
    face.Line(48 + 32 * std::sin(a), 48 - 32 * std::cos(a), 48 + 37 * std::sin(a), 48 - 37 * std::cos(a), 3,
              Rgb8(30, 30, 34));
  }
  AddSprite(b, 0, face);
  for (int i = 0; i < 8; ++i) {
    Canvas hand(96, 96);
    const float a = i * kPi / 4.0f;
    hand.Line(48, 48, 48 + 30 * std::sin(a), 48 - 30 * std::cos(a), 4, Rgb8(200, 30, 30));
    hand.Ellipse(48, 48, 4, 4, Rgb8(30, 30, 34), 1);
    AddSprite(b, 1 + i, hand);
  }
  Canvas sign(200, 40);
  sign.Rect(0, 0, 200, 40, Rgb8(30, 60, 120), 1);
  for (int i = 0; i < 8; ++i) sign.Rect(12 + i * 23, 10, 14, 20, Rgb8(240, 240, 250), 1);
  AddSprite(b, 9, sign);
  Canvas strip(200, 6);
  strip.Fill(Rgb8(255, 255, 255));
  AddSprite(b, 10, strip);

  StageFileDesc d;
  d.blockB = b.Build();
  d.objects.push_back(Object(0, 200, 5, {Frame(10000, -48, -340, 1, 6)}));
  std::vector<StageFrameDesc> hand;
  for (int i = 0; i < 8; ++i) hand.push_back(Frame(10001 + i, -48, -340, 20, i == 7 ? 2 : 1, 0));
  d.objects.push_back(Object(1, 200, 6, hand));
  d.objects.push_back(Object(2, 0, kStageAlwaysBucket, {Frame(10009, -300, -420, 1, 6)}));
  StageFrameDesc invert = Frame(10010, -300, -404, 1, 6);
  invert.blend = 3;
  invert.alpha = 255;
  d.objects.push_back(Object(3, 0, kStageAlwaysBucket, {invert}));
  return WriteStage(root, "practice", d, "[Data]\r\nDropObj=1\r\nDropObj_Type=-1\r\n");
}

// The burst's texture: backdrop, ray, ring and orbs at the places the override reads them from.
bool WriteFlare(const std::filesystem::path& root) {
  Canvas c(512, 512, Rgba{0, 0, 0, 1});
  // The backdrop's glow fills its 288 x 192 rectangle and fades to nothing at its edges: the burst
  // stretches that rectangle over most of the screen, where a glow cut by the rectangle (or one
  // reaching into the ring and orbs beside it) shows as hard-edged boxes.
  for (int y = 0; y < 192; ++y)
    for (int x = 0; x < 288; ++x) {
      const float nx = (static_cast<float>(x) + 0.5f - 144.0f) / 144.0f;
      const float ny = (static_cast<float>(y) + 0.5f - 96.0f) / 96.0f;
      const float r = std::sqrt(nx * nx + ny * ny);
      if (r >= 1.0f) continue;
      const float k = (1.0f - r) * (1.0f - r);
      c.Blend(x, y, mkdata::Mix(Rgb8(255, 170, 90), Rgb8(255, 240, 200), k), std::min(1.0f, 1.6f * k));
    }
  for (int y = 32; y < 288; ++y) {
    const float k = 1.0f - static_cast<float>(y - 32) / 256.0f;
    for (int x = 480; x < 512; ++x) {
      const float across = 1.0f - std::fabs(static_cast<float>(x) - 495.5f) / 16.0f;
      c.Blend(x, y, Rgb8(255, 220, 160), across * across * k);
    }
  }
  c.Ellipse(72, 280, 64, 64, Rgb8(255, 210, 150), 6);
  c.Ellipse(72, 280, 52, 52, Rgba{0, 0, 0, 1}, 6);
  c.Glow(328, 232, 40, Rgb8(255, 255, 230));
  c.Glow(496, 16, 16, Rgb8(200, 230, 255));
  c.Glow(384, 96, 96, Rgb8(255, 150, 80));
  c.Glow(216, 280, 72, Rgb8(255, 200, 120));
  return c.Save(root, "grp/system/Flare00.png");
}

bool WriteStages(const std::filesystem::path& root) {
  bool ok = WriteHarbour(root) && WriteGarden(root) && WritePractice(root) && WriteFlare(root);
  // Entry 4's data file is missing on purpose: the list drops it. StageColorVal is the heat
  // blur's colour correction, 0 leaving the picture's brightness as it is: small values keep
  // the blurred stage close to the unblurred one.
  ok &= mkdata::WriteText(
      root, "Bg/BgList.ini",
      "[Bg_001]\r\nDataFile=harbour\r\nInfoFile=1\r\nIsSelectAble=1\r\nStageColorVal=0.12\r\n"
      "[Bg_002]\r\nDataFile=garden\r\nInfoFile=1\r\nIsSelectAble=1\r\nStageColorVal=0.08\r\n"
      "[Bg_003]\r\nDataFile=practice\r\nInfoFile=1\r\nIsSelectAble=1\r\nIsGiantStage=1\r\n"
      "StageColorVal=0.05\r\n"
      "[Bg_004]\r\nDataFile=ruins\r\nIsSelectAble=1\r\nStageColorVal=0.1\r\n");
  return ok;
}

}  // namespace

MKDATA_STEP("26_stages", WriteStages);
