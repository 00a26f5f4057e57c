// Frame-data files: the tag-stream reader with every bound checked, the writer, and the
// lookups on pattern sets.
#include "Dxtools/Han6Files/han6_data.h"

#include <cstring>
#include <map>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Dxtools/Han6Files/byte_stream.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "app/lib_debug.h"

using han6io::ByteCursor;
using han6io::Tag;

namespace {

constexpr char kHan6Signature[] = "Vazuvu6DataFile";
constexpr int kPoolCounts = 8;

// Reads one data file. Every method returns false on damage, after logging it; the caller then
// stops, keeping the patterns stored so far, as for a file that never reaches "_END".
class Han6Reader {
 public:
  Han6Reader(std::span<const uint8_t> image, Han6PatternSet& set, const char* name)
      : in_(image, 40), set_(set), name_(name), poolRoom_(in_.Remaining() / 4) {}

  bool Read() {
    for (uint32_t tag;;) {
      if (!in_.ReadU32(tag)) return Fail("file ends before _END");
      if (tag == Tag("_END")) return true;
      if (tag == Tag("PSTR")) {
        int32_t number;
        if (!I32(number) || !ReadPattern(number)) return false;
      }
    }
  }

 private:
  // Per-pattern reading state: the running pool entries and the numbered boxes and states.
  struct PatternState {
    Han6Pattern* pattern = nullptr;
    bool separate = false;
    bool framesRead = false;
    size_t nextBox = 0, nextState = 0, nextAttack = 0, nextEffect = 0, nextCondition = 0;
    std::vector<Han6Box*> numberedBoxes;
    std::vector<Han6FrameState*> numberedStates;
  };

  bool Fail(const char* what) {
    DebugPrint("%s: frame data stops at byte %zu: %s\n", name_, in_.Pos(), what);
    return false;
  }
  bool I32(int32_t& v) { return in_.ReadI32(v) || Fail("file ends inside a block"); }
  bool F32(float& v) { return in_.ReadF32(v) || Fail("file ends inside a block"); }
  bool Tag4(uint32_t& tag) { return in_.ReadU32(tag) || Fail("file ends before the block's end tag"); }
  template <typename T>
  bool Low(T& field) {
    int32_t v = 0;
    if (!I32(v)) return false;
    field = static_cast<T>(v);
    return true;
  }
  // Pool entries of the whole file. Each entry a file can fill takes at least four bytes of it,
  // and every pattern's pools are allocated as soon as they are declared, so the file as a whole
  // may declare no more entries than its bytes could fill: bounding each pattern by the bytes
  // after it would let a few hundred patterns of a small file ask for gigabytes.
  bool ChargePools(uint64_t entries) {
    if (entries > poolRoom_) return Fail("pools declared beyond what the file's bytes can fill");
    poolRoom_ -= entries;
    return true;
  }
  // A count that the following data must be able to fill: at least four bytes per entry.
  bool Count(int32_t& n, const char* what) {
    if (!I32(n)) return false;
    if (n < 0 || static_cast<uint64_t>(n) > in_.Remaining() / 4) return Fail(what);
    return true;
  }

  bool ReadPattern(int32_t number) {
    const bool inRange = number >= 0 && number < kHan6PatternSlots;
    const bool discard =
        number < 0 || (inRange && set_.patterns[number] != nullptr && !set_.patterns[number]->frames.empty());
    auto pattern = std::make_unique<Han6Pattern>();
    pattern->storageMode = discard ? kHan6Discarded : (set_.pooled != 0 ? kHan6Pooled : kHan6Separate);
    PatternState ps;
    ps.pattern = pattern.get();
    ps.separate = set_.pooled == 0;
    for (uint32_t tag;;) {
      if (!Tag4(tag)) return false;
      if (tag == Tag("PEND")) break;
      bool ok = true;
      if (tag == Tag("PTIT")) {
        ok = in_.ReadBytes(pattern->title, 32) || Fail("file ends inside a title");
      } else if (tag == Tag("PTT2")) {
        int32_t n;
        ok = I32(n);
        if (ok && (n < 0 || n > 32)) ok = Fail("title length over 32");
        if (ok) {
          std::memset(pattern->title, 0, sizeof pattern->title);
          ok = in_.ReadBytes(pattern->title, static_cast<size_t>(n)) || Fail("file ends inside a title");
        }
      } else if (tag == Tag("PFLG")) {
        ok = I32(pattern->pflg);
      } else if (tag == Tag("PLVL")) {
        ok = I32(pattern->plvl);
      } else if (tag == Tag("PSTS")) {
        ok = I32(pattern->psts);
      } else if (tag == Tag("PTCN")) {
        int32_t n;
        std::span<const uint8_t> text;
        ok = I32(n);
        if (ok && (n < 0 || !in_.View(static_cast<size_t>(n), text))) ok = Fail("comment runs past the end");
        if (ok) {
          const char* p = reinterpret_cast<const char*>(text.data());
          pattern->comment.assign(p, strnlen(p, text.size()));
        }
      } else if (tag == Tag("PDS2")) {
        ok = ReadPooledFrames(ps);
      } else if (tag == Tag("PDST")) {
        ps.separate = true;
        if (pattern->storageMode == kHan6Pooled) pattern->storageMode = kHan6Separate;
        ok = ReadSeparateFrames(ps);
      }
      if (!ok) return false;
    }
    if (discard || !inRange) return true;  // read through and dropped
    if (pattern->storageMode == kHan6Pooled && pattern->frames.empty()) return true;
    set_.patterns[number] = std::move(pattern);
    return true;
  }

  bool ReadPooledFrames(PatternState& ps) {
    int32_t length;
    if (!I32(length)) return false;
    if (length < 0 || length > 32) return Fail("PDS2 length over 32");
    if (ps.framesRead) return Fail("a second frame list in one pattern");
    uint8_t raw[32] = {};
    if (!in_.ReadBytes(raw, static_cast<size_t>(length))) return Fail("file ends inside PDS2");
    int32_t counts[kPoolCounts];
    for (int i = 0; i < kPoolCounts; ++i) counts[i] = han6io::LoadI32(std::span<const uint8_t>(raw), 4 * i);
    // Every entry needs at least four bytes of the file, so no count can exceed that. Counts [5]
    // and [7] are not used: files may hold anything there and must still load.
    const uint64_t room = in_.Remaining() / 4;
    for (int i : {0, 1, 2, 3, 4, 6})
      if (counts[i] < 0 || static_cast<uint64_t>(counts[i]) > room) return Fail("PDS2 count out of range");
    // A frame takes at least its start value and "FEND".
    if (static_cast<uint64_t>(counts[0]) > in_.Remaining() / 8) return Fail("PDS2 frame count out of range");
    int32_t states = counts[6] == 0 ? counts[0] : counts[6];
    if (states > UINT16_MAX) return Fail("PDS2 state count out of range");
    uint64_t entries = static_cast<uint64_t>(states);
    for (int i = 0; i <= 4; ++i) entries += static_cast<uint64_t>(counts[i]);
    if (!ChargePools(entries)) return false;
    Han6Pattern& p = *ps.pattern;
    p.frames.resize(static_cast<size_t>(counts[0]));
    p.boxPool.resize(static_cast<size_t>(counts[1]));
    p.effectPool.resize(static_cast<size_t>(counts[2]));
    p.conditionPool.resize(static_cast<size_t>(counts[3]));
    p.attackPool.resize(static_cast<size_t>(counts[4]));
    p.statePool.resize(static_cast<size_t>(states));
    p.stateCount = static_cast<uint16_t>(states);
    ps.framesRead = true;
    for (Han6Frame& f : p.frames)
      if (!ReadFrame(ps, f)) return false;
    return true;
  }

  bool ReadSeparateFrames(PatternState& ps) {
    int32_t count;
    if (!Count(count, "PDST frame count out of range")) return false;
    if (static_cast<uint64_t>(count) > in_.Remaining() / 8) return Fail("PDST frame count out of range");
    if (ps.framesRead) return Fail("a second frame list in one pattern");
    if (!ChargePools(static_cast<uint64_t>(count))) return false;
    ps.framesRead = true;
    Han6Pattern& p = *ps.pattern;
    p.frames.resize(static_cast<size_t>(count));
    for (Han6Frame& f : p.frames) {
      // Each frame of separate storage has its own state and fixed pointer arrays. The states
      // live in the state pool only to be owned by the pattern: `stateCount` comes from "PDS2"
      // alone and stays 0 here.
      f.state = &p.statePool.emplace_back();
      f.conditionCount = kHan6SeparateConditions;
      f.effectCount = kHan6SeparateEffects;
      f.boxCount = kHan6SeparateBoxes;
      f.attackBoxCount = kHan6SeparateAttackBoxes;
      f.conditions.assign(kHan6SeparateConditions, nullptr);
      f.effects.assign(kHan6SeparateEffects, nullptr);
      f.boxes.assign(kHan6SeparateBoxes, nullptr);
      f.attackBoxes.assign(kHan6SeparateAttackBoxes, nullptr);
      if (!ReadFrame(ps, f)) return false;
    }
    return true;
  }

  // The pointer array of one kind: pooled frames allocate it at its first use with the count
  // given earlier in the frame; the slot must lie inside it.
  template <typename T>
  bool Slot(PatternState& ps, std::vector<T*>& array, uint8_t count, int32_t slot, bool& allocated,
            const char* what) {
    if (!ps.separate && !allocated) {
      array.assign(count, nullptr);
      allocated = true;
    }
    if (slot < 0 || static_cast<size_t>(slot) >= array.size()) return Fail(what);
    return true;
  }

  template <typename T>
  T* NextRecord(PatternState& ps, std::deque<T>& pool, size_t& next, const char* what) {
    if (ps.separate) return &pool.emplace_back();
    if (next >= pool.size()) {
      Fail(what);
      return nullptr;
    }
    T* r = &pool[next++];
    *r = T{};
    return r;
  }

  bool ReadBox(Han6Box& box) {
    int32_t v[4];
    for (int32_t& x : v)
      if (!I32(x)) return false;
    box = {static_cast<int16_t>(v[0]), static_cast<int16_t>(v[1]), static_cast<int16_t>(v[2]),
           static_cast<int16_t>(v[3])};
    return true;
  }

  bool ReadFrame(PatternState& ps, Han6Frame& f) {
    Han6Pattern& p = *ps.pattern;
    int32_t frameStart;
    if (!I32(frameStart)) return false;                // the frame-start value is not tested
    bool allocated[4] = {false, false, false, false};  // conditions, effects, boxes, attack boxes
    for (uint32_t tag;;) {
      if (!Tag4(tag)) return false;
      if (tag == Tag("FEND")) break;
      bool ok = true;
      if (tag == Tag("FSNI") || tag == Tag("FSNE") || tag == Tag("FSNH") || tag == Tag("FSNA")) {
        int32_t n;
        if (!I32(n)) return false;
        if (ps.separate) continue;  // separate frames have fixed arrays
        if (n < 0 || n > 255) return Fail("slot count over 255");
        const int kind = tag == Tag("FSNI") ? 0 : tag == Tag("FSNE") ? 1 : tag == Tag("FSNH") ? 2 : 3;
        if (allocated[kind]) return Fail("slot count after its slots were filled");
        uint8_t* counts[4] = {&f.conditionCount, &f.effectCount, &f.boxCount, &f.attackBoxCount};
        *counts[kind] = static_cast<uint8_t>(n);
      } else if (tag == Tag("HRNM") || tag == Tag("HRAT")) {
        const bool attackBox = tag == Tag("HRAT");
        int32_t slot;
        if (!I32(slot)) return false;
        auto& array = attackBox ? f.attackBoxes : f.boxes;
        if (!Slot(ps, array, attackBox ? f.attackBoxCount : f.boxCount, slot, allocated[attackBox ? 3 : 2],
                  "box slot outside its count"))
          return false;
        Han6Box* box = NextRecord(ps, p.boxPool, ps.nextBox, "more boxes than PDS2 gives");
        if (box == nullptr || !ReadBox(*box)) return false;
        array[slot] = box;
        ps.numberedBoxes.push_back(box);
      } else if (tag == Tag("HRNS") || tag == Tag("HRAS")) {
        const bool attackBox = tag == Tag("HRAS");
        int32_t slot, number;
        if (!I32(slot) || !I32(number)) return false;
        auto& array = attackBox ? f.attackBoxes : f.boxes;
        if (!Slot(ps, array, attackBox ? f.attackBoxCount : f.boxCount, slot, allocated[attackBox ? 3 : 2],
                  "box slot outside its count"))
          return false;
        if (number < 0 || static_cast<size_t>(number) >= ps.numberedBoxes.size())
          return Fail("shared box not yet read");
        if (ps.separate) {
          array[slot] = &p.boxPool.emplace_back(*ps.numberedBoxes[number]);
        } else {
          array[slot] = ps.numberedBoxes[number];
        }
      } else if (tag == Tag("AFST")) {
        ok = ReadImage(f);
      } else if (tag == Tag("ASST")) {
        Han6FrameState* state =
            ps.separate ? f.state : NextRecord(ps, p.statePool, ps.nextState, "more states than PDS2 gives");
        if (state == nullptr || !ReadState(*state)) return false;
        f.state = state;
        ps.numberedStates.push_back(state);
      } else if (tag == Tag("ASSM")) {
        int32_t number;
        if (!I32(number)) return false;
        if (number < 0 || static_cast<size_t>(number) >= ps.numberedStates.size())
          return Fail("shared state not yet read");
        if (ps.separate) {
          *f.state = *ps.numberedStates[number];
        } else {
          f.state = ps.numberedStates[number];
        }
      } else if (tag == Tag("ATST")) {
        Han6AttackData* attack = NextRecord(ps, p.attackPool, ps.nextAttack, "more attacks than PDS2 gives");
        if (attack == nullptr || !ReadAttack(*attack)) return false;
        f.attack = attack;
      } else if (tag == Tag("EFST")) {
        int32_t slot;
        if (!I32(slot) ||
            !Slot(ps, f.effects, f.effectCount, slot, allocated[1], "effect slot outside its count"))
          return false;
        Han6Effect* effect = NextRecord(ps, p.effectPool, ps.nextEffect, "more effects than PDS2 gives");
        if (effect == nullptr || !ReadEffect(*effect)) return false;
        f.effects[slot] = effect;
      } else if (tag == Tag("IFST")) {
        int32_t slot;
        if (!I32(slot) ||
            !Slot(ps, f.conditions, f.conditionCount, slot, allocated[0], "condition slot outside its count"))
          return false;
        Han6Condition* condition =
            NextRecord(ps, p.conditionPool, ps.nextCondition, "more conditions than PDS2 gives");
        if (condition == nullptr || !ReadCondition(*condition)) return false;
        f.conditions[slot] = condition;
      }
      if (!ok) return false;
    }
    if (!ps.separate) {
      // Counts whose arrays were never made are 0, so the counts always match the arrays.
      if (!allocated[0]) f.conditionCount = 0;
      if (!allocated[1]) f.effectCount = 0;
      if (!allocated[2]) f.boxCount = 0;
      if (!allocated[3]) f.attackBoxCount = 0;
    }
    return true;
  }

  bool ReadImage(Han6Frame& f) {
    for (uint32_t tag;;) {
      if (!Tag4(tag)) return false;
      if (tag == Tag("AFED")) return true;
      bool ok = true;
      if (tag == Tag("AFGP")) {
        ok = Low(f.spriteKind) && Low(f.spriteIndex);
      } else if (tag == Tag("AFOF")) {
        ok = I32(f.offsetX) && I32(f.offsetY);
      } else if (tag == Tag("AFY1") || tag == Tag("AFY2") || tag == Tag("AFY3") || tag == Tag("AFY7") ||
                 tag == Tag("AFY8") || tag == Tag("AFY9") || tag == Tag("AFYX")) {
        const char c = static_cast<char>(tag >> 24);
        f.offsetX = 0;
        f.offsetY = c == '1'   ? 11
                    : c == '2' ? 12
                    : c == '3' ? 13
                    : c == '7' ? 7
                    : c == '8' ? 8
                    : c == '9' ? 9
                               : 10;
      } else if ((tag & 0x00FFFFFFu) == (Tag("AFD0") & 0x00FFFFFFu) && (tag >> 24) >= '1' &&
                 (tag >> 24) <= '9') {
        f.duration = static_cast<uint16_t>((tag >> 24) - '0');
      } else if (tag == Tag("AFDL")) {
        ok = Low(f.duration);
      } else if (tag == Tag("AFF1")) {
        f.endAction = 1;
      } else if (tag == Tag("AFF2")) {
        f.endAction = 2;
      } else if (tag == Tag("AFFL")) {
        int32_t v = 0;
        ok = I32(v);
        if (v == 3) {
          f.endAction = 1;
          f.flowFlags |= 0x01;
        } else if (v == 4) {
          f.endAction = 2;
          f.flowFlags |= 0x01;
        } else if (v == 5) {
          f.endAction = 2;
          f.flowFlags |= 0x02;
        } else {
          f.endAction = static_cast<uint8_t>(v);
        }
      } else if (tag == Tag("AFFE")) {
        ok = Low(f.flowFlags);
      } else if (tag == Tag("AFJP")) {
        ok = Low(f.jumpTarget);
      } else if (tag == Tag("AFJC")) {
        ok = Low(f.landingTarget);
      } else if (tag == Tag("AFCT")) {
        ok = Low(f.loopCount);
      } else if (tag == Tag("AFLP")) {
        ok = Low(f.loopExitTarget);
      } else if (tag == Tag("AFRG")) {
        ok = Low(f.colorR) && Low(f.colorG) && Low(f.colorB);
      } else if (tag == Tag("AFAL")) {
        ok = Low(f.blendMode) && Low(f.alpha);
      } else if (tag == Tag("AFHK")) {
        ok = Low(f.afhk);
      } else if (tag == Tag("AFAX")) {
        ok = F32(f.rotationX);
      } else if (tag == Tag("AFAY")) {
        ok = F32(f.rotationY);
      } else if (tag == Tag("AFAZ") || tag == Tag("AFAN")) {
        ok = F32(f.rotationZ);
      } else if (tag == Tag("AFTN")) {
        int32_t a = 0, b = 0;
        ok = I32(a) && I32(b);
        f.rotationY = a != 0 ? 0.5f : 0.0f;
        f.rotationX = b != 0 ? 0.5f : 0.0f;
      } else if (tag == Tag("AFRT")) {
        ok = Low(f.rotationOrder);
      } else if (tag == Tag("AFPR")) {
        ok = Low(f.priority);
      } else if (tag == Tag("AFZM")) {
        ok = F32(f.scaleX) && F32(f.scaleY);
      }
      if (!ok) return false;
    }
  }

  bool ReadState(Han6FrameState& s) {
    for (uint32_t tag;;) {
      if (!Tag4(tag)) return false;
      if (tag == Tag("ASED")) return true;
      bool ok = true;
      if (tag == Tag("ASV0")) {
        Han6Motion& m = s.motion ? *s.motion : s.motion.emplace();
        ok = Low(m.flags) && Low(m.velocityX) && Low(m.velocityY) && Low(m.accelerationX) &&
             Low(m.accelerationY);
      } else if (tag == Tag("ASVC")) {
        Han6Motion& m = s.motion ? *s.motion : s.motion.emplace();
        ok = Low(m.velocityX) && Low(m.velocityY);
      } else if (tag == Tag("ASVA")) {
        Han6Motion& m = s.motion ? *s.motion : s.motion.emplace();
        ok = Low(m.accelerationX) && Low(m.accelerationY);
      } else if (tag == Tag("ASVX")) {
        s.motion = Han6Motion{0x11, 0, 0, 0, 0};
      } else if (tag == Tag("ASCL")) {
        int32_t a = 0, b = 0;
        ok = I32(a) && I32(b);
        const uint8_t flags = static_cast<uint8_t>((a != 0 ? 0x10 : 0) | (b != 0 ? 0x01 : 0));
        if (ok && flags != 0) (s.motion ? *s.motion : s.motion.emplace()).flags = flags;
      } else if (tag == Tag("ASSE")) {
        int32_t a = 0, b = 0;
        ok = I32(a) && I32(b);
        uint8_t flags = s.motion ? s.motion->flags : 0;
        if (a != 0 && (flags & 0xF0) == 0) flags |= 0x20;
        if (b != 0 && (flags & 0x0F) == 0) flags |= 0x02;
        if (ok && flags != 0) (s.motion ? *s.motion : s.motion.emplace()).flags = flags;
      } else if (tag == Tag("AST0")) {
        Han6StateExtra& e = s.extra ? *s.extra : s.extra.emplace();
        ok = Low(e.mode) && Low(e.amplitudeX) && Low(e.amplitudeY) && Low(e.periodX) && Low(e.periodY) &&
             F32(e.phaseX) && F32(e.phaseY);
      } else if (tag == Tag("ASMX")) {
        ok = Low(s.asmx);
      } else if (tag == Tag("ASS1")) {
        s.stance = 1;
      } else if (tag == Tag("ASS2")) {
        s.stance = 2;
      } else if (tag == Tag("ASSS")) {
        ok = Low(s.stance);
      } else if (tag == Tag("ASYS")) {
        ok = Low(s.asys);
      } else if (tag == Tag("ASCN")) {
        ok = Low(s.ascn);
      } else if (tag == Tag("ASCS")) {
        ok = Low(s.ascs);
      } else if (tag == Tag("ASAA")) {
        ok = Low(s.asaa);
      } else if (tag == Tag("ASMV")) {
        ok = Low(s.asmv);
      } else if (tag == Tag("ASCT")) {
        ok = Low(s.asct);
      } else if (tag == Tag("ASF0")) {
        ok = I32(s.asf0);
      } else if (tag == Tag("ASF1")) {
        ok = I32(s.asf1);
      } else if (tag == Tag("ASV1")) {
        ok = in_.Skip(20) || Fail("file ends inside a block");
      } else if (tag == Tag("ASF2") || tag == Tag("ASF3") || tag == Tag("ASDF") || tag == Tag("ASKV")) {
        ok = in_.Skip(4) || Fail("file ends inside a block");
      }
      if (!ok) return false;
    }
  }

  bool ReadVectors(int16_t (&out)[kHan6MaxVectors]) {
    int32_t n;
    if (!I32(n)) return false;
    if (n < 0 || n > kHan6MaxVectors) return Fail("more than 8 vectors");
    for (int i = 0; i < n; ++i)
      if (!Low(out[i])) return false;
    return true;
  }

  bool ReadAttack(Han6AttackData& a) {
    for (uint32_t tag;;) {
      if (!Tag4(tag)) return false;
      if (tag == Tag("ATED")) return true;
      bool ok = true;
      if (tag == Tag("ATGD"))
        ok = I32(a.atgd);
      else if (tag == Tag("ATHV"))
        ok = ReadVectors(a.hitVectors);
      else if (tag == Tag("ATGV"))
        ok = ReadVectors(a.guardVectors);
      else if (tag == Tag("ATHE"))
        ok = Low(a.athe[0]) && Low(a.athe[1]);
      else if (tag == Tag("ATGE"))
        ok = Low(a.atge[0]) && Low(a.atge[1]);
      else if (tag == Tag("ATSN"))
        ok = Low(a.atsn);
      else if (tag == Tag("ATSU"))
        ok = Low(a.atsu);
      else if (tag == Tag("ATGN"))
        ok = Low(a.atgn);
      else if (tag == Tag("ATAT"))
        ok = Low(a.atat);
      else if (tag == Tag("ATCA"))
        ok = Low(a.atca);
      else if (tag == Tag("ATGS"))
        ok = Low(a.atgs);
      else if (tag == Tag("ATKZ"))
        ok = Low(a.atkz);
      else if (tag == Tag("ATBT"))
        ok = Low(a.atbt);
      else if (tag == Tag("ATKK"))
        ok = Low(a.atkk);
      else if (tag == Tag("ATNG"))
        ok = Low(a.atng);
      else if (tag == Tag("ATHS"))
        ok = Low(a.aths);
      else if (tag == Tag("ATHT"))
        ok = Low(a.atht);
      else if (tag == Tag("ATBG"))
        ok = Low(a.atbg);
      else if ((tag & 0x00FFFFFFu) == (Tag("ATS0") & 0x00FFFFFFu) && (tag >> 24) >= '1' && (tag >> 24) <= '6')
        a.level = static_cast<uint8_t>((tag >> 24) - '0');
      else if (tag == Tag("ATSP"))
        ok = Low(a.level);
      else if (tag == Tag("ATUH"))
        ok = F32(a.atuh);
      else if (tag == Tag("ATF1"))
        ok = I32(a.atf1);
      else if (tag == Tag("ATF2"))
        ok = I32(a.atf2);
      else if (tag == Tag("ATVV")) {
        int32_t v1 = 0, v2 = 0;
        ok = I32(v1) && I32(v2);
        a.atat = static_cast<int16_t>(static_cast<uint32_t>(v1) >> 16);
        a.atgs = static_cast<int16_t>(v1 & 0xFFFF);
        a.atca = static_cast<int16_t>(static_cast<uint32_t>(v2) >> 16);
        a.atkz = static_cast<int16_t>(v2 & 0xFFFF);
      }
      if (!ok) return false;
    }
  }

  // A parameter list: count n, then n values of which the first `keep` are stored.
  bool ReadParams(int32_t* params, int keep) {
    int32_t n;
    if (!Count(n, "parameter count out of range")) return false;
    for (int32_t i = 0; i < n; ++i) {
      int32_t v = 0;
      if (!I32(v)) return false;
      if (i < keep) params[i] = v;
    }
    return true;
  }

  bool ReadCondition(Han6Condition& c) {
    for (uint32_t tag;;) {
      if (!Tag4(tag)) return false;
      if (tag == Tag("IFED")) return true;
      bool ok = true;
      if (tag == Tag("IFTP"))
        ok = I32(c.type);
      else if (tag == Tag("IFPR"))
        ok = ReadParams(c.params, kHan6ConditionParams);
      if (!ok) return false;
    }
  }

  bool ReadEffect(Han6Effect& e) {
    for (uint32_t tag;;) {
      if (!Tag4(tag)) return false;
      if (tag == Tag("EFED")) return true;
      bool ok = true;
      if (tag == Tag("EFTP"))
        ok = I32(e.type);
      else if (tag == Tag("EFNO"))
        ok = I32(e.number);
      else if (tag == Tag("EFPR"))
        ok = ReadParams(e.params, kHan6EffectParams);
      if (!ok) return false;
    }
  }

  ByteCursor in_;
  Han6PatternSet& set_;
  const char* name_;
  uint64_t poolRoom_;  // pool entries the rest of the file may still declare
};

}  // namespace

Han6PatternSet* InitHan6PatternSet() { return new Han6PatternSet(); }
void FreeHan6PatternSet(Han6PatternSet* set) { delete set; }

void FreeFrameDataSetContents(FrameDataSet& set) {
  FreePAniData(set.pani);
  set.pani = nullptr;
  FreeCutSpriteSheet(set.sprites);
  set.sprites = nullptr;
  FreeHan6PatternSet(set.patterns);
  set.patterns = nullptr;
}

bool IsHan6DataImage(std::span<const uint8_t> image) {
  return image.size() >= 32 && std::memcmp(image.data(), kHan6Signature, sizeof kHan6Signature) == 0;
}

int ParseHan6DataFile(std::span<const uint8_t> image, Han6PatternSet& set, const char* name) {
  set.pooled = 1;
  if (!IsHan6DataImage(image)) {
    DebugPrint("%s: not a frame-data file\n", name);
    return 0;
  }
  if (image.size() < 40 || han6io::LoadI32(image, 32) != static_cast<int32_t>(Tag("_STR"))) {
    DebugPrint("%s: frame-data file without _STR\n", name);
    return 0;
  }
  Han6Reader reader(image, set, name);
  return reader.Read() ? 1 : 0;
}

Han6Frame* GetHan6Frame(Han6PatternSet* set, int pattern, int frame) {
  if (set == nullptr || pattern < 0 || static_cast<size_t>(pattern) >= set->patterns.size()) return nullptr;
  Han6Pattern* p = set->patterns[pattern].get();
  if (p == nullptr || frame < 0 || static_cast<size_t>(frame) >= p->frames.size()) return nullptr;
  return &p->frames[frame];
}

Han6AttackData* GetHan6FrameAttack(Han6PatternSet* set, int pattern, int frame) {
  Han6Frame* f = GetHan6Frame(set, pattern, frame);
  if (f == nullptr) return nullptr;
  if (f->attack == nullptr && set->pooled == 0)
    f->attack = &set->patterns[pattern]->attackPool.emplace_back();
  return f->attack;
}

int IsHan6BoxValid(const Han6Box* box) {
  return box != nullptr && box->x1 != box->x2 && box->y1 != box->y2 ? 1 : 0;
}

int MarkUsedCutSprites(const Han6PatternSet* set, const CutSpriteSheet* sheet, uint8_t* pageMask,
                       size_t maskSize) {
  if (set == nullptr || sheet == nullptr) return 0;
  if (sheet->cellSize <= 0) return sheet->pageCount;
  const int perPage = sheet->CellsPerPage();
  for (const auto& pattern : set->patterns) {
    if (pattern == nullptr || (pattern->pflg & 1) != 0) continue;
    for (const Han6Frame& f : pattern->frames) {
      if (f.spriteKind != 0) continue;
      const CutSpriteRecord* r = sheet->Record(f.spriteIndex);  // a bad index counts as empty
      if (r == nullptr) continue;
      for (int k = 0; k < r->cellRunCount; ++k) {
        const size_t index = static_cast<size_t>(r->firstCellRun) + k;
        if (index >= sheet->cellRuns.size()) break;
        const int32_t page = sheet->cellRuns[index].cell / perPage;
        if (pageMask != nullptr && page >= 0 && static_cast<size_t>(page) < maskSize) pageMask[page] = 1;
      }
    }
  }
  return sheet->pageCount;
}

// ---- Writer ----

namespace {

class Han6Writer {
 public:
  std::vector<uint8_t> Write(const Han6PatternSet& set) {
    out_.PutFixedText(kHan6Signature, 32);
    out_.PutTag("_STR");
    out_.PutI32(0);
    for (size_t n = 0; n < set.patterns.size(); ++n)
      if (set.patterns[n] != nullptr) WritePattern(static_cast<int32_t>(n), *set.patterns[n]);
    out_.PutTag("_END");
    return out_.Take();
  }

 private:
  void Int(const char (&tag)[5], int32_t v) {
    out_.PutTag(tag);
    out_.PutI32(v);
  }
  void Float(const char (&tag)[5], float v) {
    out_.PutTag(tag);
    out_.PutF32(v);
  }

  void WritePattern(int32_t number, const Han6Pattern& p) {
    boxNumbers_.clear();
    stateNumbers_.clear();
    Int("PSTR", number);
    out_.PutTag("PTIT");
    out_.PutBytes(p.title, 32);
    Int("PFLG", p.pflg);
    Int("PLVL", p.plvl);
    Int("PSTS", p.psts);
    if (!p.comment.empty()) {
      Int("PTCN", static_cast<int32_t>(p.comment.size()));
      out_.PutBytes(p.comment.data(), p.comment.size());
    }
    separate_ = p.storageMode == kHan6Separate;
    if (separate_) {
      Int("PDST", static_cast<int32_t>(p.frames.size()));
    } else {
      // Pool counts: every distinct box and state once, every other record per use.
      std::map<const void*, int> boxes, states;
      int32_t effects = 0, conditions = 0, attacks = 0;
      for (const Han6Frame& f : p.frames) {
        for (const Han6Box* b : f.boxes)
          if (b != nullptr) boxes.emplace(b, 0);
        for (const Han6Box* b : f.attackBoxes)
          if (b != nullptr) boxes.emplace(b, 0);
        if (f.state != nullptr) states.emplace(f.state, 0);
        for (const Han6Effect* e : f.effects) effects += e != nullptr;
        for (const Han6Condition* c : f.conditions) conditions += c != nullptr;
        attacks += f.attack != nullptr;
      }
      const int32_t counts[8] = {static_cast<int32_t>(p.frames.size()),
                                 static_cast<int32_t>(boxes.size()),
                                 effects,
                                 conditions,
                                 attacks,
                                 0,
                                 static_cast<int32_t>(states.size()),
                                 0};
      Int("PDS2", 32);
      for (int32_t c : counts) out_.PutI32(c);
    }
    for (const Han6Frame& f : p.frames) WriteFrame(f);
    out_.PutTag("PEND");
  }

  void WriteFrame(const Han6Frame& f) {
    out_.PutTag("FSTR");
    if (!separate_) {
      if (!f.conditions.empty()) Int("FSNI", f.conditionCount);
      if (!f.effects.empty()) Int("FSNE", f.effectCount);
      if (!f.boxes.empty()) Int("FSNH", f.boxCount);
      if (!f.attackBoxes.empty()) Int("FSNA", f.attackBoxCount);
    }
    WriteImage(f);
    if (f.state != nullptr) {
      auto found = stateNumbers_.find(f.state);
      if (!separate_ && found != stateNumbers_.end()) {
        Int("ASSM", found->second);
      } else {
        const int number = static_cast<int>(stateNumbers_.size());
        stateNumbers_.emplace(f.state, number);
        WriteState(*f.state);
      }
    }
    if (f.attack != nullptr) WriteAttack(*f.attack);
    WriteBoxes(f.boxes, "HRNM", "HRNS");
    WriteBoxes(f.attackBoxes, "HRAT", "HRAS");
    for (size_t slot = 0; slot < f.conditions.size(); ++slot) {
      const Han6Condition* c = f.conditions[slot];
      if (c == nullptr) continue;
      Int("IFST", static_cast<int32_t>(slot));
      Int("IFTP", c->type);
      Int("IFPR", kHan6ConditionParams);
      for (int32_t v : c->params) out_.PutI32(v);
      out_.PutTag("IFED");
    }
    for (size_t slot = 0; slot < f.effects.size(); ++slot) {
      const Han6Effect* e = f.effects[slot];
      if (e == nullptr) continue;
      Int("EFST", static_cast<int32_t>(slot));
      Int("EFTP", e->type);
      Int("EFNO", e->number);
      Int("EFPR", kHan6EffectParams);
      for (int32_t v : e->params) out_.PutI32(v);
      out_.PutTag("EFED");
    }
    out_.PutTag("FEND");
  }

  void WriteBoxes(const std::vector<Han6Box*>& boxes, const char (&own)[5], const char (&shared)[5]) {
    for (size_t slot = 0; slot < boxes.size(); ++slot) {
      const Han6Box* b = boxes[slot];
      if (b == nullptr) continue;
      auto found = boxNumbers_.find(b);
      if (!separate_ && found != boxNumbers_.end()) {
        Int(shared, static_cast<int32_t>(slot));
        out_.PutI32(found->second);
        continue;
      }
      const int number = static_cast<int>(boxNumbers_.size());
      boxNumbers_.emplace(b, number);
      Int(own, static_cast<int32_t>(slot));
      for (int16_t v : {b->x1, b->y1, b->x2, b->y2}) out_.PutI32(v);
    }
  }

  void WriteImage(const Han6Frame& f) {
    out_.PutTag("AFST");
    Int("AFGP", f.spriteKind);
    out_.PutI32(f.spriteIndex);
    Int("AFOF", f.offsetX);
    out_.PutI32(f.offsetY);
    Int("AFDL", f.duration);
    Int("AFFL", f.endAction);
    Int("AFFE", f.flowFlags);
    Int("AFJP", f.jumpTarget);
    Int("AFJC", f.landingTarget);
    Int("AFCT", f.loopCount);
    Int("AFLP", f.loopExitTarget);
    Int("AFRG", f.colorR);
    out_.PutI32(f.colorG);
    out_.PutI32(f.colorB);
    Int("AFAL", f.blendMode);
    out_.PutI32(f.alpha);
    Int("AFHK", f.afhk);
    Float("AFAX", f.rotationX);
    Float("AFAY", f.rotationY);
    Float("AFAZ", f.rotationZ);
    Int("AFRT", f.rotationOrder);
    Int("AFPR", f.priority);
    Float("AFZM", f.scaleX);
    out_.PutF32(f.scaleY);
    out_.PutTag("AFED");
  }

  void WriteState(const Han6FrameState& s) {
    out_.PutTag("ASST");
    if (s.motion) {
      Int("ASV0", s.motion->flags);
      for (int16_t v :
           {s.motion->velocityX, s.motion->velocityY, s.motion->accelerationX, s.motion->accelerationY})
        out_.PutI32(v);
    }
    if (s.extra) {
      Int("AST0", s.extra->mode);
      for (int16_t v : {s.extra->amplitudeX, s.extra->amplitudeY, s.extra->periodX, s.extra->periodY})
        out_.PutI32(v);
      out_.PutF32(s.extra->phaseX);
      out_.PutF32(s.extra->phaseY);
    }
    Int("ASMX", s.asmx);
    Int("ASSS", s.stance);
    Int("ASYS", s.asys);
    Int("ASCN", s.ascn);
    Int("ASCS", s.ascs);
    Int("ASAA", s.asaa);
    Int("ASMV", s.asmv);
    Int("ASCT", s.asct);
    Int("ASF0", s.asf0);
    Int("ASF1", s.asf1);
    out_.PutTag("ASED");
  }

  void WriteAttack(const Han6AttackData& a) {
    out_.PutTag("ATST");
    Int("ATGD", a.atgd);
    Int("ATHV", kHan6MaxVectors);
    for (int16_t v : a.hitVectors) out_.PutI32(v);
    Int("ATGV", kHan6MaxVectors);
    for (int16_t v : a.guardVectors) out_.PutI32(v);
    Int("ATHE", a.athe[0]);
    out_.PutI32(a.athe[1]);
    Int("ATGE", a.atge[0]);
    out_.PutI32(a.atge[1]);
    Int("ATSN", a.atsn);
    Int("ATSU", a.atsu);
    Int("ATKK", a.atkk);
    Int("ATNG", a.atng);
    Int("ATSP", a.level);
    Int("ATHS", a.aths);
    Int("ATHT", a.atht);
    Int("ATGN", a.atgn);
    Float("ATUH", a.atuh);
    Int("ATF1", a.atf1);
    Int("ATF2", a.atf2);
    Int("ATAT", a.atat);
    Int("ATCA", a.atca);
    Int("ATGS", a.atgs);
    Int("ATKZ", a.atkz);
    Int("ATBT", a.atbt);
    Int("ATBG", a.atbg);
    out_.PutTag("ATED");
  }

  han6io::ByteWriter out_;
  bool separate_ = false;
  std::map<const void*, int> boxNumbers_;
  std::map<const void*, int> stateNumbers_;
};

}  // namespace

std::vector<uint8_t> WriteHan6DataFile(const Han6PatternSet& set) { return Han6Writer().Write(set); }
