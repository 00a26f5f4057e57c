// The stage-file reader against its writer: a round trip of every field, each damaged field
// dropped with one log line naming the file, and the file cut at every offset.
#include "scene/stage_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "app/lib_debug.h"
#include "scene/stage_fixture.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

StageFileDesc RichDesc() {
  StageFileDesc d;
  StageObjectDesc o;
  o.number = 3;
  o.scroll = 64;
  o.bucket = 0x12340000u | 120;  // only the low 16 bits are the bucket
  o.foreground = 1;
  o.linear = 1;
  StageFrameDesc f = SpriteFrame(2, 9, 5);
  f.x = -12;
  f.y = 34;
  f.blend = 2;
  f.alpha = 77;
  f.target = 1;
  f.blendNext = 1;
  f.exitFrame = 2;
  f.loopCount = 3;
  f.clearX = 1;
  f.setY = 1;
  f.vx = -300;
  f.vy = 5;
  f.ax = 7;
  f.ay = -8;
  f.conditions[0] = 1;
  f.spawns[7] = 0;
  o.frames = {f, SpriteFrame(1), SpriteFrame(0, 1, 0)};
  o.conditions = {StageEventDesc{}, StageEventDesc{1, 0, -1, 1280, 0, 1, 0}};
  o.spawns = {StageEventDesc{2, 4, 10, 20, 30, 40, 2}};
  d.objects.push_back(o);
  StageObjectDesc spawned;
  spawned.number = 4;
  spawned.spawnOnly = 1;
  spawned.bucket = 255;
  spawned.frames = {SpriteFrame(0)};
  d.objects.push_back(spawned);
  AddSmallBlockA(d, 512);
  d.patterns[0].refs[0] = StagePartRef{0, 5, -6, 3, 1, 1, 1500, 250, 200, 10, 20, 30, 1, 2, 3, 9};
  d.blockB = SolidSheet(3);
  return d;
}

TEST(StageFile, RoundTripKeepsEveryField) {
  const StageFileDesc d = RichDesc();
  StageFileLayout lay;
  const std::vector<uint8_t> bytes = WriteStageFile(d, &lay);
  auto r = ReadStageFile(bytes, "rich");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->problem, "");
  EXPECT_EQ(r->headerLength, lay.blockBOffset);
  for (int i = 0; i < kStageObjectCount; ++i) EXPECT_EQ(r->objects[i] != nullptr, i == 3 || i == 4) << i;
  const StageObject& o = *r->objects[3];
  EXPECT_EQ(o.frameCount, 3u);
  EXPECT_EQ(o.scroll, 64);
  EXPECT_EQ(o.bucket, 120);
  EXPECT_EQ(o.foreground, 1);
  EXPECT_EQ(o.linear, 1);
  EXPECT_EQ(o.spawnOnly, 0);
  const StageFrame& f = o.frames[0];
  const StageFrameDesc& w = d.objects[0].frames[0];
  EXPECT_EQ(f.image, 10002);
  EXPECT_EQ(f.x, w.x);
  EXPECT_EQ(f.y, w.y);
  EXPECT_EQ(f.duration, 9);
  EXPECT_EQ(f.blend, 2);
  EXPECT_EQ(f.alpha, 77);
  EXPECT_EQ(f.endAction, 5);
  EXPECT_EQ(f.target, 1);
  EXPECT_EQ(f.blendNext, 1);
  EXPECT_EQ(f.exitFrame, 2);
  EXPECT_EQ(f.loopCount, 3);
  EXPECT_EQ(f.clearX, 1);
  EXPECT_EQ(f.clearY, 0);
  EXPECT_EQ(f.setX, 0);
  EXPECT_EQ(f.setY, 1);
  EXPECT_EQ(f.vx, -300);
  EXPECT_EQ(f.vy, 5);
  EXPECT_EQ(f.ax, 7);
  EXPECT_EQ(f.ay, -8);
  EXPECT_EQ(f.conditions[0], 1);
  EXPECT_EQ(f.conditions[1], -1);
  EXPECT_EQ(f.spawns[7], 0);
  ASSERT_EQ(o.conditions.size(), 2u);
  EXPECT_EQ(o.conditions[1].type, 1);
  EXPECT_EQ(o.conditions[1].a4, -1);
  EXPECT_EQ(o.conditions[1].a8, 1280);
  EXPECT_EQ(o.conditions[1].a16, 1);
  ASSERT_EQ(o.spawns.size(), 1u);
  EXPECT_EQ(o.spawns[0].type, 2);
  EXPECT_EQ(o.spawns[0].object, 4);
  EXPECT_EQ(o.spawns[0].a12, 30);
  EXPECT_EQ(o.spawns[0].count20, 2);
  EXPECT_EQ(o.spawns[0].axis20, 2);
  EXPECT_EQ(r->objects[4]->spawnOnly, 1);
  EXPECT_EQ(r->objects[4]->bucket, 255);
  ASSERT_NE(r->blockA, nullptr);
  const StagePartRef& ref = r->blockA->patterns[0]->refs[0];
  EXPECT_EQ(ref.x, 5);
  EXPECT_EQ(ref.y, -6);
  EXPECT_EQ(ref.flip, 3);
  EXPECT_EQ(ref.zoomX, 1500);
  EXPECT_EQ(ref.zoomY, 250);
  EXPECT_EQ(ref.alpha, 200);
  EXPECT_EQ(ref.blue, 30);
  EXPECT_EQ(ref.addBlue, 3);
  EXPECT_EQ(ref.priority, 9);
  EXPECT_EQ(r->blockA->patterns[0]->refs[1].part, -1);
  EXPECT_EQ(r->blockA->patterns[1], nullptr);
  const StagePartDef& p = *r->blockA->parts[0];
  EXPECT_EQ(p.sx, 16);
  EXPECT_EQ(p.sh, 48);
  EXPECT_EQ(p.pivotY, 24);
  ASSERT_NE(r->blockA->images[0], nullptr);
  EXPECT_EQ(r->blockA->images[0]->size, 512);
  EXPECT_EQ(r->blockA->images[0]->bgra.size(), 512u * 512u * 4u);
  std::unique_ptr<CutSpriteSheet, void (*)(CutSpriteSheet*)> sheet(ParseCutSpriteSheet(r->blockB, 1, "b"),
                                                                   FreeCutSpriteSheet);
  ASSERT_NE(sheet, nullptr);
  EXPECT_NE(sheet->Record(2), nullptr);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }

// One damaged field per row: the reader keeps the file, drops what the field spoils and logs the
// problem once with the file name.
TEST(StageFile, DamagedFieldsAreDroppedWithOneLogLine) {
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&, const StageFileLayout&)> damage;
    const char* problem;
    std::function<void(const StageFileData&)> check;
  };
  const auto obj = [](const StageFileLayout& l) { return size_t{l.objectOffset[3]}; };
  const auto blockA = [](const StageFileLayout& l) { return size_t{l.blockAOffset}; };
  const std::vector<Case> cases = {
      {"object offset past the header", [](auto& b, auto& l) { Put32(b, 84 + 4 * 3, l.blockBOffset - 10); },
       "object record outside the header region", [](auto& r) { EXPECT_EQ(r.objects[3], nullptr); }},
      {"frames past the header",
       [](auto& b, auto& l) {
         Put32(b, 84 + 4 * 3, l.blockBOffset - 100);
         Put32(b, l.blockBOffset - 100, 3);
         Put32(b, l.blockBOffset - 100 + 8, 0);
       },
       "frames outside the header region", [](auto& r) { EXPECT_EQ(r.objects[3], nullptr); }},
      {"bucket 300", [&](auto& b, auto& l) { Put32(b, obj(l) + 8, 300); }, "draw bucket outside 0..299",
       [](auto& r) { EXPECT_EQ(r.objects[3], nullptr); }},
      {"condition record number past the header",
       [&](auto& b, auto& l) { Put32(b, obj(l) + 60 + 100, 0x7000); },
       "event record outside the header region",
       [](auto& r) {
         ASSERT_NE(r.objects[3], nullptr);
         EXPECT_EQ(r.objects[3]->frames[0].conditions[0], -1);
       }},
      {"spawn records offset wrapped", [&](auto& b, auto& l) { Put32(b, obj(l) + 16, 0xFFFFFF00u); },
       "event record outside the header region",
       [](auto& r) { EXPECT_EQ(r.objects[3]->frames[0].spawns[7], -1); }},
      {"pattern offset past block A",
       [&](auto& b, auto& l) { Put32(b, blockA(l) + kStageBlockAPatterns, l.blockASize - 100); },
       "pattern outside block A", [](auto& r) { EXPECT_EQ(r.blockA->patterns[0], nullptr); }},
      {"part offset past block A",
       [&](auto& b, auto& l) { Put32(b, blockA(l) + kStageBlockAParts, 0xFFFFFFF0u); },
       "part definition outside block A", [](auto& r) { EXPECT_EQ(r.blockA->parts[0], nullptr); }},
      {"image pixels past block A",
       [&](auto& b, auto& l) {
         Put32(b, blockA(l) + l.directoryOffset + kStageDirectoryOffsets, l.blockASize);
       },
       "image pixels outside block A", [](auto& r) { EXPECT_EQ(r.blockA->images[0], nullptr); }},
      {"image size above 2048",
       [&](auto& b, auto& l) { Put32(b, blockA(l) + l.directoryOffset + kStageDirectorySizes, 40000); },
       "image size outside 1..2048", [](auto& r) { EXPECT_EQ(r.blockA->images[0], nullptr); }},
      {"image directory past block A",
       [&](auto& b, auto& l) { Put32(b, blockA(l) + kStageBlockADirectory, l.blockASize - 8); },
       "image directory outside block A", [](auto& r) { EXPECT_EQ(r.blockA->parts[0], nullptr); }},
      {"part rectangle outside its scaled image",
       [&](auto& b, auto& l) {
         uint32_t off = 0;
         std::memcpy(&off, b.data() + blockA(l) + kStageBlockAParts, 4);
         Put32(b, blockA(l) + off + 16, 250);  // 16 + 250 > 256, x 2 for the 512 image
       },
       "part source rectangle outside its image", [](auto& r) { EXPECT_EQ(r.blockA->parts[0], nullptr); }},
      {"block A past the file", [](auto& b, auto&) { Put32(b, 24, 0x7FFFFFFF); }, "block A outside the file",
       [](auto& r) { EXPECT_EQ(r.blockA, nullptr); }},
      {"block B past the file", [](auto& b, auto& l) { Put32(b, 32, l.blockBSize + 1); },
       "block B outside the file", [](auto& r) { EXPECT_TRUE(r.blockB.empty()); }},
      {"sprite number past the sheet's slots",
       [&](auto& b, auto& l) {
         const uint16_t image = 10000 + 3000;
         std::memcpy(b.data() + obj(l) + 60 + 132, &image, 2);  // frame 1
       },
       "sprite number above 2999",
       [](auto& r) {
         ASSERT_NE(r.objects[3], nullptr);
         EXPECT_EQ(r.objects[3]->frames.size(), 3u) << "the frame keeps its place";
       }},
  };
  const std::string trace = (std::filesystem::current_path() / "trace.txt").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    StageFileLayout lay;
    std::vector<uint8_t> bytes = WriteStageFile(RichDesc(), &lay);
    c.damage(bytes, lay);
    std::filesystem::remove(trace);
    vt::SetDebugTraceFile(trace);
    vt::SetDebugQuiet(true);
    auto r = ReadStageFile(bytes, "Bg/damaged.dat");
    vt::SetDebugTraceFile("");
    vt::SetDebugQuiet(false);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->problem.rfind(c.problem, 0), 0u) << r->problem;
    c.check(*r);
    const std::string log = ReadFile(trace);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("Bg/damaged.dat"), std::string::npos) << log;
  }
}

TEST(StageFile, FramesAboveTheByteRangeAreCappedAt256) {
  StageFileDesc d;
  StageObjectDesc o;
  o.frames.assign(300, SpriteFrame(0));
  d.objects.push_back(o);
  d.blockB = SolidSheet(1);
  vt::SetDebugQuiet(true);
  auto r = ReadStageFile(WriteStageFile(d), "long");
  vt::SetDebugQuiet(false);
  ASSERT_NE(r, nullptr);
  ASSERT_NE(r->objects[0], nullptr);
  EXPECT_EQ(r->objects[0]->frameCount, 256u);
  EXPECT_EQ(r->objects[0]->frames.size(), 256u);
}

TEST(StageFile, FilesWithoutAHeaderRegionAreRefused) {
  StageFileDesc d;
  AddSmallBlockA(d);
  std::vector<uint8_t> bytes = WriteStageFile(d);
  vt::SetDebugQuiet(true);
  EXPECT_NE(ReadStageFile(bytes, "a"), nullptr);
  Put32(bytes, 20, 0);  // the only block, block A, at offset 0
  EXPECT_EQ(ReadStageFile(bytes, "a0"), nullptr);
  Put32(bytes, 24, 0);  // no block at all
  EXPECT_EQ(ReadStageFile(bytes, "none"), nullptr);
  Put32(bytes, 32, 4);
  Put32(bytes, 28, static_cast<uint32_t>(bytes.size() + 1));  // header past the end
  EXPECT_EQ(ReadStageFile(bytes, "past"), nullptr);
  vt::SetDebugQuiet(false);
}

TEST(StageFile, EveryCutOfTheFileIsReadOrRefusedSafely) {
  StageFileDesc d = RichDesc();
  d.images[0].size = 64;
  d.images[0].bgra.resize(64 * 64 * 4);
  d.parts[0].def.sw = 16;
  d.parts[0].def.sh = 16;
  d.parts[0].def.sx = 0;
  d.parts[0].def.sy = 0;
  const std::vector<uint8_t> bytes = WriteStageFile(d);
  vt::SetDebugQuiet(true);
  int read = 0;
  for (size_t n = 0; n < bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    read += ReadStageFile(cut, "cut") != nullptr;
  }
  vt::SetDebugQuiet(false);
  EXPECT_GT(read, 0);
}

}  // namespace
}  // namespace vt::test
