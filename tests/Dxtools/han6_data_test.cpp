// Frame data: the tag tables, storage and discard rules, a full round trip through the writer,
// page marking, project loading with overrides, and damaged files (reading stops and keeps
// what was complete).
#include "Dxtools/Han6Files/han6_data.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Files/byte_stream.h"
#include "Dxtools/Han6Files/han6_file_loading.h"
#include "Dxtools/Han6Files/han6_project.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "app/lib_debug.h"
#include "support/test_util.h"

namespace {

// A data file written word by word.
class DataFile {
 public:
  DataFile() {
    w_.PutFixedText("Vazuvu6DataFile", 32);
    w_.PutTag("_STR");
    w_.PutI32(0);
  }
  DataFile& T(const char (&tag)[5]) {
    w_.PutTag(tag);
    return *this;
  }
  DataFile& I(int32_t v) {
    w_.PutI32(v);
    return *this;
  }
  DataFile& F(float v) {
    w_.PutF32(v);
    return *this;
  }
  // PDS2 with all eight counts.
  DataFile& Pools(int32_t frames, int32_t boxes, int32_t effects, int32_t conditions, int32_t attacks,
                  int32_t states) {
    T("PDS2").I(32).I(frames).I(boxes).I(effects).I(conditions).I(attacks).I(0).I(states).I(0);
    return *this;
  }
  std::vector<uint8_t> End() {
    w_.PutTag("_END");
    return w_.Bytes();
  }
  std::vector<uint8_t> Bytes() { return w_.Bytes(); }

 private:
  han6io::ByteWriter w_;
};

using SetPtr = std::unique_ptr<Han6PatternSet>;

SetPtr Load(const std::vector<uint8_t>& bytes, int* result = nullptr) {
  SetPtr set(InitHan6PatternSet());
  int r = ParseHan6DataFile(bytes, *set, "test");
  if (result != nullptr) *result = r;
  return set;
}

// One pooled pattern with one frame whose image block holds `words` (a tag table row).
using Filler = std::function<void(DataFile&)>;
Han6Frame OneFrame(const Filler& fill, const char (&block)[5], const char (&end)[5], int* result = nullptr) {
  DataFile f;
  f.T("PSTR").I(0).Pools(1, 0, 0, 0, 1, 1).T("FSTR").T(block);
  fill(f);
  f.T(end).T("FEND").T("PEND");
  SetPtr set = Load(f.End(), result);
  Han6Frame* frame = GetHan6Frame(set.get(), 0, 0);
  if (frame == nullptr) return Han6Frame{};
  Han6Frame copy = *frame;
  // The records belong to the set; keep the ones the checks read.
  static std::deque<Han6FrameState> states;
  static std::deque<Han6AttackData> attacks;
  if (copy.state) copy.state = &states.emplace_back(*copy.state);
  if (copy.attack) copy.attack = &attacks.emplace_back(*copy.attack);
  return copy;
}

TEST(Han6ImageTags, Table) {
  struct Case {
    const char* name;
    Filler fill;
    std::function<void(const Han6Frame&)> check;
  };
  const Case cases[] = {
      {"defaults", [](DataFile&) {},
       [](const Han6Frame& f) {
         EXPECT_EQ(f.colorR, 255);
         EXPECT_EQ(f.colorB, 255);
         EXPECT_FLOAT_EQ(f.scaleX, 1.0f);
         EXPECT_EQ(f.blendMode, 0);
         EXPECT_EQ(f.alpha, 0);
       }},
      {"AFGP", [](DataFile& d) { d.T("AFGP").I(1).I(0x12345); },
       [](const Han6Frame& f) {
         EXPECT_EQ(f.spriteKind, 1);
         EXPECT_EQ(f.spriteIndex, 0x2345);
       }},
      {"AFY1", [](DataFile& d) { d.T("AFOF").I(5).I(6).T("AFY1"); },
       [](const Han6Frame& f) {
         EXPECT_EQ(f.offsetX, 0);
         EXPECT_EQ(f.offsetY, 11);
       }},
      {"AFY2", [](DataFile& d) { d.T("AFY2"); }, [](const Han6Frame& f) { EXPECT_EQ(f.offsetY, 12); }},
      {"AFY3", [](DataFile& d) { d.T("AFY3"); }, [](const Han6Frame& f) { EXPECT_EQ(f.offsetY, 13); }},
      {"AFY7", [](DataFile& d) { d.T("AFY7"); }, [](const Han6Frame& f) { EXPECT_EQ(f.offsetY, 7); }},
      {"AFY8", [](DataFile& d) { d.T("AFY8"); }, [](const Han6Frame& f) { EXPECT_EQ(f.offsetY, 8); }},
      {"AFY9", [](DataFile& d) { d.T("AFY9"); }, [](const Han6Frame& f) { EXPECT_EQ(f.offsetY, 9); }},
      {"AFYX", [](DataFile& d) { d.T("AFYX"); }, [](const Han6Frame& f) { EXPECT_EQ(f.offsetY, 10); }},
      {"AFD7", [](DataFile& d) { d.T("AFD7"); }, [](const Han6Frame& f) { EXPECT_EQ(f.duration, 7); }},
      {"AFDL", [](DataFile& d) { d.T("AFDL").I(300); },
       [](const Han6Frame& f) { EXPECT_EQ(f.duration, 300); }},
      {"AFF2", [](DataFile& d) { d.T("AFF2"); }, [](const Han6Frame& f) { EXPECT_EQ(f.endAction, 2); }},
      {"AFFL 3", [](DataFile& d) { d.T("AFFE").I(0x04).T("AFFL").I(3); },
       [](const Han6Frame& f) {
         EXPECT_EQ(f.endAction, 1);
         EXPECT_EQ(f.flowFlags, 0x05);
       }},
      {"AFFL 4", [](DataFile& d) { d.T("AFFL").I(4); },
       [](const Han6Frame& f) {
         EXPECT_EQ(f.endAction, 2);
         EXPECT_EQ(f.flowFlags, 0x01);
       }},
      {"AFFL 5", [](DataFile& d) { d.T("AFFL").I(5); },
       [](const Han6Frame& f) {
         EXPECT_EQ(f.endAction, 2);
         EXPECT_EQ(f.flowFlags, 0x02);
       }},
      {"AFFL 7", [](DataFile& d) { d.T("AFFL").I(7); },
       [](const Han6Frame& f) {
         EXPECT_EQ(f.endAction, 7);
         EXPECT_EQ(f.flowFlags, 0);
       }},
      {"AFTN 1 0", [](DataFile& d) { d.T("AFTN").I(1).I(0); },
       [](const Han6Frame& f) {
         EXPECT_FLOAT_EQ(f.rotationY, 0.5f);
         EXPECT_FLOAT_EQ(f.rotationX, 0.0f);
       }},
      {"AFTN 0 7", [](DataFile& d) { d.T("AFAY").F(0.3f).T("AFTN").I(0).I(7); },
       [](const Han6Frame& f) {
         EXPECT_FLOAT_EQ(f.rotationY, 0.0f);
         EXPECT_FLOAT_EQ(f.rotationX, 0.5f);
       }},
      {"AFAN", [](DataFile& d) { d.T("AFAN").F(0.125f); },
       [](const Han6Frame& f) { EXPECT_FLOAT_EQ(f.rotationZ, 0.125f); }},
      {"AFRG AFAL", [](DataFile& d) { d.T("AFRG").I(0x110).I(2).I(3).T("AFAL").I(5).I(0x1C8); },
       [](const Han6Frame& f) {
         EXPECT_EQ(f.colorR, 0x10);
         EXPECT_EQ(f.colorG, 2);
         EXPECT_EQ(f.blendMode, 5);
         EXPECT_EQ(f.alpha, 0xC8);
       }},
      {"unknown tag skipped", [](DataFile& d) { d.T("QQQQ").T("AFPR").I(-3); },
       [](const Han6Frame& f) { EXPECT_EQ(f.priority, -3); }},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    int result = 0;
    Han6Frame f = OneFrame(tc.fill, "AFST", "AFED", &result);
    EXPECT_EQ(result, 1);
    tc.check(f);
  }
}

TEST(Han6StateTags, Table) {
  struct Case {
    const char* name;
    Filler fill;
    std::function<void(const Han6FrameState&)> check;
  };
  const Case cases[] = {
      {"ASCL 1 0", [](DataFile& d) { d.T("ASCL").I(1).I(0); },
       [](const Han6FrameState& s) {
         ASSERT_TRUE(s.motion);
         EXPECT_EQ(s.motion->flags, 0x10);
       }},
      {"ASCL 0 0 makes no motion", [](DataFile& d) { d.T("ASCL").I(0).I(0); },
       [](const Han6FrameState& s) { EXPECT_FALSE(s.motion); }},
      {"ASSE 1 1", [](DataFile& d) { d.T("ASSE").I(1).I(1); },
       [](const Han6FrameState& s) {
         ASSERT_TRUE(s.motion);
         EXPECT_EQ(s.motion->flags, 0x22);
       }},
      {"ASCL then ASSE keeps the set nibble", [](DataFile& d) { d.T("ASCL").I(1).I(0).T("ASSE").I(1).I(1); },
       [](const Han6FrameState& s) {
         ASSERT_TRUE(s.motion);
         EXPECT_EQ(s.motion->flags, 0x12);
       }},
      {"ASVX", [](DataFile& d) { d.T("ASVC").I(5).I(6).T("ASVX"); },
       [](const Han6FrameState& s) {
         ASSERT_TRUE(s.motion);
         EXPECT_EQ(*s.motion, (Han6Motion{0x11, 0, 0, 0, 0}));
       }},
      {"ASV0", [](DataFile& d) { d.T("ASV0").I(0x121).I(-2).I(3).I(-4).I(5); },
       [](const Han6FrameState& s) {
         ASSERT_TRUE(s.motion);
         EXPECT_EQ(*s.motion, (Han6Motion{0x21, -2, 3, -4, 5}));
       }},
      {"ASVA creates motion", [](DataFile& d) { d.T("ASVA").I(7).I(8); },
       [](const Han6FrameState& s) {
         ASSERT_TRUE(s.motion);
         EXPECT_EQ(s.motion->flags, 0);
         EXPECT_EQ(s.motion->accelerationY, 8);
       }},
      {"AST0", [](DataFile& d) { d.T("AST0").I(0x12).I(1).I(2).I(3).I(4).F(0.25f).F(0.5f); },
       [](const Han6FrameState& s) {
         ASSERT_TRUE(s.extra);
         EXPECT_EQ(*s.extra, (Han6StateExtra{0x12, 1, 2, 3, 4, 0.25f, 0.5f}));
       }},
      {"stance tags", [](DataFile& d) { d.T("ASS2"); },
       [](const Han6FrameState& s) { EXPECT_EQ(s.stance, 2); }},
      {"ASSS after ASS1", [](DataFile& d) { d.T("ASS1").T("ASSS").I(0x100); },
       [](const Han6FrameState& s) { EXPECT_EQ(s.stance, 0); }},
      {"ignored tags with payloads",
       [](DataFile& d) {
         d.T("ASV1").I(1).I(2).I(3).I(4).I(5).T("ASF2").I(9).T("ASKV").I(9).T("ASF1").I(77);
       },
       [](const Han6FrameState& s) {
         EXPECT_EQ(s.asf1, 77);
         EXPECT_FALSE(s.motion);
       }},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    int result = 0;
    Han6Frame f = OneFrame(tc.fill, "ASST", "ASED", &result);
    EXPECT_EQ(result, 1);
    ASSERT_NE(f.state, nullptr);
    tc.check(*f.state);
  }
}

TEST(Han6AttackTags, Table) {
  struct Case {
    const char* name;
    Filler fill;
    std::function<void(const Han6AttackData&)> check;
  };
  const Case cases[] = {
      {"ATVV", [](DataFile& d) { d.T("ATVV").I(5 << 16 | 3).I(2 << 16 | 1); },
       [](const Han6AttackData& a) {
         EXPECT_EQ(a.atat, 5);
         EXPECT_EQ(a.atgs, 3);
         EXPECT_EQ(a.atca, 2);
         EXPECT_EQ(a.atkz, 1);
       }},
      {"ATS4", [](DataFile& d) { d.T("ATS4"); }, [](const Han6AttackData& a) { EXPECT_EQ(a.level, 4); }},
      {"ATSP", [](DataFile& d) { d.T("ATS1").T("ATSP").I(0x109); },
       [](const Han6AttackData& a) { EXPECT_EQ(a.level, 9); }},
      {"ATHV 3", [](DataFile& d) { d.T("ATHV").I(3).I(0x101).I(2).I(0x203).T("ATGD").I(44); },
       [](const Han6AttackData& a) {
         EXPECT_EQ(a.hitVectors[0], 0x101);
         EXPECT_EQ(a.hitVectors[2], 0x203);
         EXPECT_EQ(a.hitVectors[3], 0);
         EXPECT_EQ(a.atgd, 44);
       }},
      {"ATHE ATUH", [](DataFile& d) { d.T("ATHE").I(6).I(7).T("ATUH").F(0.75f); },
       [](const Han6AttackData& a) {
         EXPECT_EQ(a.athe[1], 7);
         EXPECT_FLOAT_EQ(a.atuh, 0.75f);
       }},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.name);
    int result = 0;
    Han6Frame f = OneFrame(tc.fill, "ATST", "ATED", &result);
    EXPECT_EQ(result, 1);
    ASSERT_NE(f.attack, nullptr);
    tc.check(*f.attack);
  }
}

TEST(Han6Frames, ConditionParamsSlotsAndSharedBoxes) {
  DataFile d;
  d.T("PSTR").I(3).Pools(2, 2, 1, 1, 0, 0);
  // Frame 0: attack box 0 (box number 0), a condition with 12 parameters.
  d.T("FSTR").T("FSNA").I(1).T("FSNI").I(2).T("HRAT").I(0).I(-10).I(-20).I(10).I(0);
  d.T("IFST").I(1).T("IFTP").I(55).T("IFPR").I(12);
  for (int i = 0; i < 12; ++i) d.I(100 + i);
  d.T("IFED").T("FSNH").I(3).T("FEND");
  // Frame 1: box slot 1 shares box number 0; FSNE 2 with one effect.
  d.T("FSTR").T("FSNH").I(2).T("HRNS").I(1).I(0).T("FSNE").I(2).T("EFST").I(0).T("EFTP").I(9).T("EFNO").I(4);
  d.T("EFPR").I(2).I(8).I(9).T("EFED").T("FEND").T("PEND");
  int result = 0;
  SetPtr set = Load(d.End(), &result);
  EXPECT_EQ(result, 1);
  Han6Frame* f0 = GetHan6Frame(set.get(), 3, 0);
  Han6Frame* f1 = GetHan6Frame(set.get(), 3, 1);
  ASSERT_NE(f0, nullptr);
  ASSERT_NE(f1, nullptr);
  ASSERT_EQ(f0->conditionCount, 2);
  ASSERT_NE(f0->conditions[1], nullptr);
  EXPECT_EQ(f0->conditions[0], nullptr);
  EXPECT_EQ(f0->conditions[1]->type, 55);
  EXPECT_EQ(f0->conditions[1]->params[9], 109);  // the first 10 kept, the reader went on after 12
  EXPECT_EQ(f0->boxCount, 0);                    // FSNH without any box: no array, count 0
  EXPECT_TRUE(f0->boxes.empty());
  ASSERT_EQ(f1->boxCount, 2);
  EXPECT_EQ(f1->boxes[1], f0->attackBoxes[0]);  // box numbers count both kinds
  EXPECT_EQ(*f1->boxes[1], (Han6Box{-10, -20, 10, 0}));
  EXPECT_EQ(f1->effects[0]->params[1], 9);
  EXPECT_EQ(f1->effects[0]->number, 4);
  EXPECT_EQ(IsHan6BoxValid(f1->boxes[1]), 1);
  EXPECT_EQ(IsHan6BoxValid(f1->boxes[0]), 0);
  Han6Box flat{1, 2, 1, 5};
  EXPECT_EQ(IsHan6BoxValid(&flat), 0);
}

TEST(Han6Patterns, StorageAndDiscardRules) {
  DataFile d;
  auto pooled = [&](int number, int value) {
    d.T("PSTR").I(number).T("PFLG").I(value).Pools(1, 0, 0, 0, 0, 0).T("FSTR").T("FEND").T("PEND");
  };
  pooled(-1, 1);    // consumed, nothing stored
  pooled(1000, 2);  // read and dropped
  pooled(5, 3);
  pooled(5, 4);                               // slot already holds frames: the first definition stays
  d.T("PSTR").I(6).T("PFLG").I(5).T("PEND");  // pooled without frames: not stored
  d.T("PSTR").I(7).T("PFLG").I(6).T("PDST").I(0).T("PEND");  // separate without frames: stored
  pooled(7, 7);                                              // frameless pattern replaced
  d.T("PSTR").I(8).T("PDST").I(1).T("FSTR").T("HRNM").I(29).I(1).I(2).I(3).I(4).T("ASST").T("ASS1").T("ASED");
  d.T("FEND").T("PEND");
  int result = 0;
  SetPtr set = Load(d.End(), &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(set->patterns.size(), 1000u);
  EXPECT_EQ(set->patterns[5]->pflg, 3);
  EXPECT_EQ(set->patterns[6], nullptr);
  EXPECT_EQ(set->patterns[7]->pflg, 7);
  const Han6Pattern& separate = *set->patterns[8];
  EXPECT_EQ(separate.storageMode, kHan6Separate);
  const Han6Frame& f = separate.frames[0];
  EXPECT_EQ(f.boxCount, 30);
  EXPECT_EQ(f.conditions.size(), 6u);
  ASSERT_NE(f.boxes[29], nullptr);
  EXPECT_EQ(f.state->stance, 1);
  EXPECT_EQ(GetHan6Frame(set.get(), 8, 1), nullptr);
  EXPECT_EQ(GetHan6Frame(set.get(), -1, 0), nullptr);
  EXPECT_EQ(GetHan6Frame(set.get(), 1000, 0), nullptr);
  EXPECT_EQ(GetHan6Frame(set.get(), 5, -1), nullptr);
  // Attack data: pooled sets report none; a set that is not pooled gives a fresh record.
  EXPECT_EQ(GetHan6FrameAttack(set.get(), 5, 0), nullptr);
  set->pooled = 0;
  Han6AttackData* made = GetHan6FrameAttack(set.get(), 5, 0);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made, GetHan6FrameAttack(set.get(), 5, 0));
}

// A file that uses every tag: pooled pattern with shared boxes and states, conditions and
// effects, a separate (PDST) pattern, comments and both title tags.
std::vector<uint8_t> EveryTagFile() {
  DataFile d;
  d.T("PSTR").I(2).T("PTT2").I(8);
  d.I(static_cast<int32_t>(han6io::Tag("walk"))).I('!');  // "walk!" and three NULs
  d.T("PTCN").I(4).I(static_cast<int32_t>(han6io::Tag("note")));
  d.T("PFLG").I(1).T("PLVL").I(2).T("PSTS").I(1).Pools(3, 4, 1, 1, 1, 2);
  for (int frame = 0; frame < 3; ++frame) {
    d.T("FSTR").T("FSNH").I(2).T("FSNA").I(1).T("FSNE").I(1).T("FSNI").I(1);
    d.T("AFST")
        .T("AFGP")
        .I(0)
        .I(10 + frame)
        .T("AFOF")
        .I(-4)
        .I(3)
        .T("AFD3")
        .T("AFF1")
        .T("AFJP")
        .I(9)
        .T("AFJC")
        .I(4);
    d.T("AFCT").I(2).T("AFLP").I(1).T("AFRG").I(200).I(100).I(50).T("AFAL").I(2).I(128).T("AFHK").I(3);
    d.T("AFAX")
        .F(0.1f)
        .T("AFAY")
        .F(0.2f)
        .T("AFAZ")
        .F(0.3f)
        .T("AFRT")
        .I(1)
        .T("AFPR")
        .I(12)
        .T("AFZM")
        .F(2.0f)
        .F(0.5f);
    d.T("AFED");
    if (frame < 2) {
      d.T("ASST")
          .T("ASV0")
          .I(0x11)
          .I(1)
          .I(2)
          .I(3)
          .I(4)
          .T("ASMX")
          .I(600)
          .T("ASYS")
          .I(2)
          .T("ASCN")
          .I(1)
          .T("ASCS")
          .I(3);
      d.T("ASAA")
          .I(2)
          .T("ASMV")
          .I(1)
          .T("ASCT")
          .I(1)
          .T("ASF0")
          .I(0x40)
          .T("ASF1")
          .I(0x80)
          .T("AST0")
          .I(1)
          .I(2)
          .I(3);
      d.I(4).I(5).F(0.5f).F(0.25f).T("ASED");
    } else {
      d.T("ASSM").I(1);
    }
    if (frame == 0) {
      d.T("ATST").T("ATGD").I(3).T("ATHV").I(2).I(1).I(2).T("ATGV").I(1).I(5).T("ATGE").I(1).I(2).T("ATSN").I(
          8);
      d.T("ATSU").I(20).T("ATKK").I(1).T("ATNG").I(1).T("ATS6").T("ATHS").I(2).T("ATHT").I(3).T("ATGN").I(4);
      d.T("ATF1").I(0x11).T("ATF2").I(0x22).T("ATAT").I(900).T("ATCA").I(50).T("ATGS").I(100).T("ATKZ").I(7);
      d.T("ATBT").I(30).T("ATBG").I(1).T("ATED");
      d.T("HRNM").I(0).I(-20).I(-80).I(20).I(0).T("HRAT").I(0).I(0).I(-60).I(40).I(-40);
      d.T("IFST").I(0).T("IFTP").I(3).T("IFPR").I(2).I(7).I(8).T("IFED");
      d.T("EFST").I(0).T("EFTP").I(1).T("EFNO").I(2).T("EFPR").I(1).I(3).T("EFED");
    } else {
      d.T("HRNS").I(0).I(0).T("HRAS").I(0).I(1).T("HRNM").I(1).I(frame).I(frame).I(frame + 5).I(frame + 5);
    }
    d.T("FEND");
  }
  d.T("PEND");
  d.T("PSTR").I(40).T("PTIT");
  for (int i = 0; i < 8; ++i) d.I(static_cast<int32_t>(han6io::Tag("abcd")));  // 32 characters, no NUL
  d.T("PDST").I(2);
  d.T("FSTR").T("HRNM").I(3).I(1).I(1).I(9).I(9).T("ASST").T("ASS2").T("ASED").T("FEND");
  d.T("FSTR").T("HRNS").I(4).I(0).T("ASSM").I(0).T("ATST").T("ATAT").I(5).T("ATED");
  d.T("EFST").I(7).T("EFTP").I(2).T("EFED").T("IFST").I(5).T("IFTP").I(4).T("IFED").T("FEND");
  d.T("PEND");
  return d.End();
}

// Structural equality: same values and the same sharing of boxes and states.
void ExpectSameSets(const Han6PatternSet& a, const Han6PatternSet& b) {
  ASSERT_EQ(a.patterns.size(), b.patterns.size());
  for (size_t n = 0; n < a.patterns.size(); ++n) {
    const Han6Pattern* pa = a.patterns[n].get();
    const Han6Pattern* pb = b.patterns[n].get();
    ASSERT_EQ(pa == nullptr, pb == nullptr) << n;
    if (pa == nullptr) continue;
    SCOPED_TRACE("pattern " + std::to_string(n));
    EXPECT_EQ(std::memcmp(pa->title, pb->title, 32), 0);
    EXPECT_EQ(pa->comment, pb->comment);
    EXPECT_EQ(pa->pflg, pb->pflg);
    EXPECT_EQ(pa->plvl, pb->plvl);
    EXPECT_EQ(pa->psts, pb->psts);
    EXPECT_EQ(pa->storageMode, pb->storageMode);
    ASSERT_EQ(pa->frames.size(), pb->frames.size());
    std::map<const void*, const void*> shared;
    auto same = [&](const void* x, const void* y) {
      ASSERT_EQ(x == nullptr, y == nullptr);
      if (x == nullptr) return;
      auto [it, added] = shared.emplace(x, y);
      EXPECT_EQ(it->second, y) << "sharing differs";
    };
    for (size_t i = 0; i < pa->frames.size(); ++i) {
      const Han6Frame& fa = pa->frames[i];
      const Han6Frame& fb = pb->frames[i];
      EXPECT_EQ(std::memcmp(&fa, &fb, offsetof(Han6Frame, state)), 0) << "image fields of frame " << i;
      same(fa.state, fb.state);
      if (fa.state && fb.state) {
        EXPECT_EQ(*fa.state, *fb.state);
      }
      ASSERT_EQ(fa.attack == nullptr, fb.attack == nullptr);
      if (fa.attack) {
        EXPECT_EQ(*fa.attack, *fb.attack);
      }
      EXPECT_EQ(fa.conditionCount, fb.conditionCount);
      EXPECT_EQ(fa.effectCount, fb.effectCount);
      EXPECT_EQ(fa.boxCount, fb.boxCount);
      EXPECT_EQ(fa.attackBoxCount, fb.attackBoxCount);
      auto boxes = [&](const std::vector<Han6Box*>& x, const std::vector<Han6Box*>& y) {
        ASSERT_EQ(x.size(), y.size());
        for (size_t k = 0; k < x.size(); ++k) {
          same(x[k], y[k]);
          if (x[k] && y[k]) {
            EXPECT_EQ(*x[k], *y[k]);
          }
        }
      };
      boxes(fa.boxes, fb.boxes);
      boxes(fa.attackBoxes, fb.attackBoxes);
      ASSERT_EQ(fa.conditions.size(), fb.conditions.size());
      for (size_t k = 0; k < fa.conditions.size(); ++k) {
        ASSERT_EQ(fa.conditions[k] == nullptr, fb.conditions[k] == nullptr);
        if (fa.conditions[k]) {
          EXPECT_EQ(*fa.conditions[k], *fb.conditions[k]);
        }
      }
      ASSERT_EQ(fa.effects.size(), fb.effects.size());
      for (size_t k = 0; k < fa.effects.size(); ++k) {
        ASSERT_EQ(fa.effects[k] == nullptr, fb.effects[k] == nullptr);
        if (fa.effects[k]) {
          EXPECT_EQ(*fa.effects[k], *fb.effects[k]);
        }
      }
    }
  }
}

TEST(Han6RoundTrip, EveryTagThroughTheWriter) {
  int result = 0;
  SetPtr first = Load(EveryTagFile(), &result);
  ASSERT_EQ(result, 1);
  // Spot checks that the fixture reads as meant.
  const Han6Pattern& walk = *first->patterns[2];
  EXPECT_STREQ(walk.title, "walk!");
  EXPECT_EQ(walk.comment, "note");
  EXPECT_EQ(walk.frames[2].state, walk.frames[1].state);
  EXPECT_NE(walk.frames[1].state, walk.frames[0].state);
  EXPECT_EQ(walk.frames[1].attackBoxes[0], walk.frames[0].attackBoxes[0]);
  EXPECT_EQ(walk.frames[0].attack->level, 6);
  EXPECT_EQ(walk.frames[0].duration, 3);
  const Han6Pattern& old = *first->patterns[40];
  EXPECT_EQ(std::string(old.title, 32), "abcdabcdabcdabcdabcdabcdabcdabcd");
  EXPECT_NE(old.frames[1].boxes[4], old.frames[0].boxes[3]);  // separate storage copies
  EXPECT_EQ(*old.frames[1].boxes[4], *old.frames[0].boxes[3]);
  EXPECT_EQ(old.frames[1].state->stance, 2);

  std::vector<uint8_t> written = WriteHan6DataFile(*first);
  SetPtr second = Load(written, &result);
  ASSERT_EQ(result, 1);
  ExpectSameSets(*first, *second);
  EXPECT_EQ(WriteHan6DataFile(*second), written);
}

// Pattern 9 between two good patterns: damage stops the reading there and keeps only what was
// complete before it; rows marked `loads` are odd but valid and every pattern must load.
TEST(Han6Damage, ReadingStopsAndKeepsCompletePatterns) {
  vt::SetDebugQuiet(true);
  struct Case {
    const char* what;
    Filler pattern;  // the tags of pattern 9, after PSTR 9
    bool loads = false;
    std::function<void(const Han6Pattern&)> check = nullptr;  // of pattern 9, when it loads
  };
  // Unknown tags are skipped as single words: room that the counts may claim.
  auto padding = [](DataFile& d, int words) {
    for (int i = 0; i < words; ++i) d.T("PADW");
  };
  auto frame = [](DataFile& d, const Filler& inside) {
    d.Pools(1, 1, 1, 1, 1, 1).T("FSTR");
    inside(d);
    d.T("FEND");
  };
  const Case cases[] = {
      {"PTT2 over 32", [](DataFile& d) { d.T("PTT2").I(33); }},
      {"PTT2 negative", [](DataFile& d) { d.T("PTT2").I(-1); }},
      {"PDS2 length 36", [](DataFile& d) { d.T("PDS2").I(36); }},
      {"PDS2 negative count", [](DataFile& d) { d.T("PDS2").I(4).I(-1); }},
      {"PDS2 huge count", [](DataFile& d) { d.Pools(1, 0x7FFFFFFF, 0, 0, 0, 0); }},
      {"PDS2 huge states", [](DataFile& d) { d.T("PDS2").I(28).I(0).I(0).I(0).I(0).I(0).I(0).I(70000); }},
      {"PDST huge", [](DataFile& d) { d.T("PDST").I(0x10000000); }},
      {"two frame lists",
       [&](DataFile& d) {
         frame(d, [](DataFile&) {});
         d.T("PDST").I(0);
       }},
      {"PTCN past the end", [](DataFile& d) { d.T("PTCN").I(1 << 20); }},
      {"nine hit vectors", [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("ATST").T("ATHV").I(9); }); }},
      {"negative guard vectors",
       [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("ATST").T("ATGV").I(-1); }); }},
      {"box slot at its count",
       [&](DataFile& d) {
         frame(d, [](DataFile& e) { e.T("FSNH").I(1).T("HRNM").I(1).I(0).I(0).I(1).I(1); });
       }},
      {"box before its count",
       [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("HRNM").I(0).I(0).I(0).I(1).I(1); }); }},
      {"count after its slots",
       [&](DataFile& d) {
         frame(d, [](DataFile& e) { e.T("FSNH").I(1).T("HRNM").I(0).I(0).I(0).I(1).I(1).T("FSNH").I(2); });
       }},
      {"count over 255", [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("FSNI").I(256); }); }},
      {"negative slot",
       [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("FSNE").I(2).T("EFST").I(-1); }); }},
      {"more boxes than the pool",
       [&](DataFile& d) {
         frame(d, [](DataFile& e) {
           e.T("FSNH").I(2).T("HRNM").I(0).I(0).I(0).I(1).I(1).T("HRNM").I(1).I(0).I(0).I(1).I(1);
         });
       }},
      {"more states than the pool",
       [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("ASST").T("ASED").T("ASST").T("ASED"); }); }},
      {"more attacks than the pool",
       [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("ATST").T("ATED").T("ATST").T("ATED"); }); }},
      {"more conditions than the pool",
       [&](DataFile& d) {
         frame(d, [](DataFile& e) { e.T("FSNI").I(2).T("IFST").I(0).T("IFED").T("IFST").I(1).T("IFED"); });
       }},
      {"shared box not yet read",
       [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("FSNH").I(1).T("HRNS").I(0).I(0); }); }},
      {"shared state not yet read", [&](DataFile& d) { frame(d, [](DataFile& e) { e.T("ASSM").I(0); }); }},
      {"separate box slot 30",
       [](DataFile& d) { d.T("PDST").I(1).T("FSTR").T("HRNM").I(30).I(0).I(0).I(1).I(1).T("FEND"); }},
      {"separate effect slot 8",
       [](DataFile& d) { d.T("PDST").I(1).T("FSTR").T("EFST").I(8).T("EFED").T("FEND"); }},
      {"separate condition slot 6",
       [](DataFile& d) { d.T("PDST").I(1).T("FSTR").T("IFST").I(6).T("IFED").T("FEND"); }},
      {"separate attack box slot 8",
       [](DataFile& d) { d.T("PDST").I(1).T("FSTR").T("HRAT").I(8).I(0).I(0).I(1).I(1).T("FEND"); }},
      {"parameter count past the end",
       [&](DataFile& d) {
         frame(d, [](DataFile& e) { e.T("FSNI").I(1).T("IFST").I(0).T("IFPR").I(1 << 28); });
       }},
      // Each pattern's pools fit the bytes after it, but together they claim far more entries
      // than the whole file could fill.
      {"pools of the file beyond its bytes",
       [&](DataFile& d) {
         d.T("PEND");  // frameless: not stored
         for (int n = 20; n < 28; ++n)
           d.T("PSTR").I(n).Pools(1, 3000, 0, 0, 0, 0).T("FSTR").T("FEND").T("PEND");
         d.T("PSTR").I(9).Pools(1, 3000, 0, 0, 0, 0).T("FSTR").T("FEND");
         padding(d, 4000);
       }},
      {"PDS2 counts [5] and [7] unused and holding junk",
       [](DataFile& d) {
         d.T("PDS2").I(32).I(2).I(0).I(0).I(0).I(0).I(-7).I(0).I(0x7FFFFFFF);
         d.T("FSTR").T("FEND").T("FSTR").T("FEND");
       },
       true,
       [](const Han6Pattern& p) {
         EXPECT_EQ(p.frames.size(), 2u);
         EXPECT_EQ(p.stateCount, 2);  // 0 states: as many as frames
       }},
      {"PDST frames carry their own states but no state count",
       [](DataFile& d) {
         d.T("PDST").I(2).T("FSTR").T("ASST").T("ASS1").T("ASED").T("FEND").T("FSTR").T("FEND");
       },
       true,
       [](const Han6Pattern& p) {
         EXPECT_EQ(p.storageMode, kHan6Separate);
         ASSERT_EQ(p.frames.size(), 2u);
         EXPECT_EQ(p.frames[0].state->stance, 1);
         EXPECT_NE(p.frames[1].state, nullptr);
         EXPECT_EQ(p.stateCount, 0);
       }},
  };
  for (const auto& tc : cases) {
    DataFile d;
    d.T("PSTR").I(4).Pools(1, 0, 0, 0, 0, 0).T("FSTR").T("FEND").T("PEND");  // complete before the damage
    d.T("PSTR").I(9);
    tc.pattern(d);
    d.T("PEND").T("PSTR").I(11).Pools(1, 0, 0, 0, 0, 0).T("FSTR").T("FEND").T("PEND");
    int result = -1;
    SetPtr set = Load(d.End(), &result);
    SCOPED_TRACE(tc.what);
    EXPECT_EQ(result, tc.loads ? 1 : 0);
    EXPECT_NE(set->patterns[4], nullptr);
    EXPECT_EQ(set->patterns[11] != nullptr, tc.loads);
    if (!tc.loads) {
      EXPECT_EQ(set->patterns[9], nullptr);
    } else if (set->patterns[9] == nullptr) {
      ADD_FAILURE() << "pattern 9 not loaded";
    } else if (tc.check) {
      tc.check(*set->patterns[9]);
    }
  }
  vt::SetDebugQuiet(false);
}

TEST(Han6Damage, TruncatedAtEveryOffset) {
  vt::SetDebugQuiet(true);
  const std::vector<uint8_t> bytes = EveryTagFile();
  for (size_t n = 0; n + 4 < bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
    int result = 1;
    SetPtr set = Load(cut, &result);
    EXPECT_EQ(result, 0) << n;
    // The first pattern is stored only once its PEND was read.
    if (set->patterns[2] != nullptr) {
      EXPECT_EQ(set->patterns[2]->frames.size(), 3u);
    }
    EXPECT_EQ(set->patterns[40], nullptr);
  }
  vt::SetDebugQuiet(false);
}

TEST(Han6Damage, HeaderChecks) {
  vt::SetDebugQuiet(true);
  std::vector<uint8_t> good = DataFile().End();
  int result = 0;
  Load(good, &result);
  EXPECT_EQ(result, 1);
  std::vector<uint8_t> badName = good;
  badName[0] = 'v';
  Load(badName, &result);
  EXPECT_EQ(result, 0);
  std::vector<uint8_t> noStart = good;
  noStart[32] = 'X';
  Load(noStart, &result);
  EXPECT_EQ(result, 0);
  vt::SetDebugQuiet(false);
}

TEST(Han6PageMarking, MarksUsedPagesWithinTheMask) {
  // Sheet: sprite 0 on pages 0 and 2, sprite 1 on page 1, sprite 2 on page 3.
  CutSpriteFileDesc d;
  d.cellSize = 128;
  d.pageCount = 4;
  auto sprite = [&](int number, std::vector<int16_t> pages) {
    CutSpriteDesc s;
    s.number = number;
    s.right = s.bottom = 127;
    for (int16_t p : pages) s.chunks.push_back({128, 224, 128, 128, 0, 0, p, 1});
    d.sprites.push_back(s);
  };
  sprite(0, {0, 2});
  sprite(1, {1});
  sprite(2, {3});
  std::unique_ptr<CutSpriteSheet> sheet(ParseCutSpriteSheet(WriteCutSpriteFile(d), 1, "test"));
  ASSERT_NE(sheet, nullptr);
  DataFile f;
  auto pattern = [&](int number, int pflg, int kind, int sprite) {
    f.T("PSTR")
        .I(number)
        .T("PFLG")
        .I(pflg)
        .Pools(1, 0, 0, 0, 0, 0)
        .T("FSTR")
        .T("AFST")
        .T("AFGP")
        .I(kind)
        .I(sprite);
    f.T("AFED").T("FEND").T("PEND");
  };
  pattern(0, 0, 0, 0);
  pattern(1, 1, 0, 1);     // pflg bit 0: left out
  pattern(2, 0, 1, 2);     // a part-animation frame: no cut sprite
  pattern(3, 0, 0, -1);    // no such sprite
  pattern(4, 0, 0, 3500);  // past the slots: empty
  SetPtr set = Load(f.End());
  struct Case {
    size_t maskSize;
    std::vector<uint8_t> want;
  } cases[] = {{4, {1, 0, 1, 0}}, {2, {1, 0}}, {0, {}}};
  for (const auto& tc : cases) {
    std::vector<uint8_t> mask(tc.maskSize, 0);
    EXPECT_EQ(MarkUsedCutSprites(set.get(), sheet.get(), mask.data(), mask.size()), 4);
    EXPECT_EQ(mask, tc.want);
  }
  EXPECT_EQ(MarkUsedCutSprites(nullptr, sheet.get(), nullptr, 0), 0);
  EXPECT_EQ(MarkUsedCutSprites(set.get(), nullptr, nullptr, 0), 0);
}

// An ini lookup over a map of "Section/Key" values.
Han6IniLookup MapLookup(std::map<std::string, std::string> values) {
  return [values](const char* section, const char* key, std::string& out) {
    auto it = values.find(std::string(section) + "/" + key);
    if (it == values.end()) return false;
    out = it->second;
    return true;
  };
}

TEST(Han6ProjectFile, KeysAndFallbacks) {
  vt::SetDebugQuiet(true);
  struct Case {
    const char* what;
    std::map<std::string, std::string> ini;
    const char* name;  // null: rejected
    std::vector<std::string> data, cut, pani;
  } cases[] = {
      {"full",
       {{"System/ProjectName", "hero"},
        {"DataFile/FileNum", "2"},
        {"DataFile/File00", "a.ha6"},
        {"DataFile/File01", "b.ha6"},
        {"BmpcutFile/FileNum", "1"},
        {"BmpcutFile/File00", "hero.bmc"},
        {"PAniFile/FileNum", "1"},
        {"PAniFile/File00", "hero.pan"}},
       "hero",
       {"a.ha6", "b.ha6"},
       {"hero.bmc"},
       {"hero.pan"}},
      {"name from Project/File, single data file",
       {{"Project/File", "fx"}, {"DataFile/File", "fx.ha6"}},
       "fx",
       {"fx.ha6"},
       {},
       {}},
      {"empty ProjectName falls back", {{"System/ProjectName", ""}, {"Project/File", "p"}}, "p", {}, {}, {}},
      {"no name", {{"DataFile/File", "x.ha6"}}, nullptr, {}, {}, {}},
      {"missing entry skipped",
       {{"System/ProjectName", "m"},
        {"DataFile/FileNum", "3"},
        {"DataFile/File00", "0"},
        {"DataFile/File02", "2"},
        {"DataFile/File", "ignored"}},
       "m",
       {"0", "2"},
       {},
       {}},
      {"long names cut to 63",
       {{"System/ProjectName", std::string(80, 'n')}, {"DataFile/File", std::string(70, 'f')}},
       "nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn",
       {std::string(63, 'f')},
       {},
       {}},
  };
  for (const auto& tc : cases) {
    SCOPED_TRACE(tc.what);
    std::unique_ptr<Han6Project> p(BuildHan6Project(".\\data\\hero_0.txt", MapLookup(tc.ini)));
    if (tc.name == nullptr) {
      EXPECT_EQ(p, nullptr);
      continue;
    }
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->projectName, tc.name);
    EXPECT_EQ(p->dataFiles, tc.data);
    EXPECT_EQ(p->cutSpriteFiles, tc.cut);
    EXPECT_EQ(p->paniFiles, tc.pani);
  }
  Han6Project p;
  p.projectPath = ".\\data\\hero_0.txt";
  EXPECT_EQ(Han6ProjectFilePath(p, "hero.ha6"), ".\\data\\hero.ha6");
  vt::SetDebugQuiet(false);
}

TEST(Han6ProjectLoad, LaterListedFileOverridesAndMissingPartsFail) {
  vt::SetDebugQuiet(true);
  auto file = [](int number, int pflg) {
    DataFile d;
    d.T("PSTR").I(number).T("PFLG").I(pflg).Pools(1, 0, 0, 0, 0, 0).T("FSTR").T("FEND").T("PEND");
    return d;
  };
  DataFile first = file(10, 1);
  first.T("PSTR").I(11).T("PFLG").I(1).Pools(1, 0, 0, 0, 0, 0).T("FSTR").T("FEND").T("PEND");
  std::map<std::string, std::vector<uint8_t>> files;
  files[".\\data\\a.ha6"] = first.End();
  files[".\\data\\b.ha6"] = file(10, 2).End();
  std::vector<uint8_t> broken = file(12, 3).Bytes();  // stops before _END: its patterns stay
  files[".\\data\\c.ha6"] = broken;
  CutSpriteFileDesc sheet;
  files[".\\data\\s.bmc"] = WriteCutSpriteFile(sheet);
  PAniData pani;
  files[".\\data\\s.pan"] = WritePAniData(pani);
  Han6FileSource source = [&](const std::string& path) -> std::optional<std::vector<uint8_t>> {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
  Han6Project project;
  project.projectPath = ".\\data\\x_0.txt";
  project.projectName = "x";
  project.dataFiles = {"a.ha6", "missing.ha6", "b.ha6", "c.ha6"};
  project.cutSpriteFiles = {"s.bmc"};
  project.paniFiles = {"s.pan"};
  FrameDataSet set;
  std::string error;
  EXPECT_EQ(LoadHan6ProjectData(set, &project, source, &error), 1);
  ASSERT_NE(set.patterns, nullptr);
  EXPECT_EQ(set.patterns->patterns[10]->pflg, 2);  // b.ha6 is listed later
  EXPECT_EQ(set.patterns->patterns[11]->pflg, 1);
  EXPECT_EQ(set.patterns->patterns[12]->pflg, 3);
  EXPECT_NE(set.sprites, nullptr);
  EXPECT_NE(set.pani, nullptr);
  FreeFrameDataSetContents(set);

  struct Case {
    std::vector<std::string> cut, pani;
    const char* error;
  } cases[] = {{{"nope.bmc"}, {"s.pan"}, "ProjectFile内のBMPCUTDATAが見つかりません"},
               {{"s.bmc"}, {"a.ha6"}, "ProjectFile内のPANIDATAが見つかりません"}};
  for (const auto& tc : cases) {
    project.cutSpriteFiles = tc.cut;
    project.paniFiles = tc.pani;
    error.clear();
    EXPECT_EQ(LoadHan6ProjectData(set, &project, source, &error), 0);
    EXPECT_EQ(error, tc.error);
    EXPECT_NE(set.patterns, nullptr);  // what loaded stays for the caller to free
    FreeFrameDataSetContents(set);
  }
  Han6Project empty;
  EXPECT_EQ(LoadHan6ProjectData(set, &empty, source, &error), 0);
  EXPECT_EQ(LoadHan6ProjectData(set, nullptr, source, &error), 0);
  vt::SetDebugQuiet(false);
}

TEST(Han6Files, ProjectTextRoundTripsThroughTheIniReader) {
  Han6Project project;
  project.projectName = "hero";
  project.dataFiles = {"hero_0.ha6", "hero_0_b.ha6", "hero_common.ha6"};
  project.cutSpriteFiles = {"hero.cut"};
  project.paniFiles = {"hero.pan"};
  const std::string text = WriteHan6ProjectText(project);
  vt::test::WriteFile("data/hero_0.txt", text);
  std::unique_ptr<Han6Project> back(LoadHan6Project(".\\data\\hero_0.txt"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->projectPath, ".\\data\\hero_0.txt");
  EXPECT_EQ(back->projectName, project.projectName);
  EXPECT_EQ(back->dataFiles, project.dataFiles);
  EXPECT_EQ(back->cutSpriteFiles, project.cutSpriteFiles);
  EXPECT_EQ(back->paniFiles, project.paniFiles);
  EXPECT_EQ(Han6ProjectFilePath(*back, back->dataFiles[1]), ".\\data\\hero_0_b.ha6");
  EXPECT_EQ(LoadHan6Project(".\\data\\missing.txt"), nullptr);
}

TEST(Han6Files, FileLevelReadersRecogniseTheirFiles) {
  vt::SetDebugQuiet(true);
  CutSpriteFileDesc sheet;
  const auto cut = WriteCutSpriteFile(sheet);
  vt::test::WriteFile("data/a.cut", std::string(cut.begin(), cut.end()));
  vt::test::WriteFile("data/short.cut", "BMP Cutter3");  // fewer than 32 bytes
  PAniData pani;
  pani.parts[4] = std::make_unique<PAniPart>();
  const auto tagged = WritePAniData(pani), old = WritePAniDataOld(pani);
  vt::test::WriteFile("data/a.pan", std::string(tagged.begin(), tagged.end()));
  vt::test::WriteFile("data/old.pan", std::string(old.begin(), old.end()));
  const auto data = DataFile().End();
  vt::test::WriteFile("data/a.ha6", std::string(data.begin(), data.end()));

  EXPECT_EQ(IsCutSpriteFile(".\\data\\a.cut"), 1);
  EXPECT_EQ(IsCutSpriteFile(".\\data\\short.cut"), 0);
  EXPECT_EQ(IsCutSpriteFile(".\\data\\a.pan"), 0);
  std::unique_ptr<CutSpriteSheet> s(LoadCutSpriteSheet(".\\data\\a.cut", 1));
  EXPECT_NE(s, nullptr);
  EXPECT_EQ(LoadCutSpriteSheet(".\\data\\none.cut", 1), nullptr);
  EXPECT_EQ(IsPAniFile(".\\data\\a.pan"), 1);
  EXPECT_EQ(IsPAniFile(".\\data\\old.pan"), 0);
  for (const char* path : {".\\data\\a.pan", ".\\data\\old.pan"}) {
    std::unique_ptr<PAniData> p(LoadPAniData(path, 1));
    ASSERT_NE(p, nullptr) << path;
    EXPECT_NE(p->Part(4), nullptr) << path;
  }
  EXPECT_EQ(LoadPAniData(".\\data\\a.cut", 1), nullptr);
  Han6PatternSet set;
  EXPECT_EQ(LoadHan6DataFile(".\\data\\a.ha6", &set), 1);
  EXPECT_EQ(LoadHan6DataFile(".\\data\\none.ha6", &set), 0);
  EXPECT_EQ(LoadHan6DataFile(".\\data\\a.cut", &set), 0);
  vt::SetDebugQuiet(false);
}

}  // namespace
