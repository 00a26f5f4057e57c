// Stage data files: the checked reader and the writer.
#include "scene/stage_file.h"

#include <cstring>

#include "app/lib_debug.h"

namespace {

uint32_t U32(std::span<const uint8_t> b, uint64_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
int32_t I32(std::span<const uint8_t> b, uint64_t at) { return static_cast<int32_t>(U32(b, at)); }
int16_t I16(std::span<const uint8_t> b, uint64_t at) {
  int16_t v = 0;
  std::memcpy(&v, b.data() + at, 2);
  return v;
}
uint16_t U16(std::span<const uint8_t> b, uint64_t at) { return static_cast<uint16_t>(I16(b, at)); }

// True when [at, at + size) lies inside [0, limit); 64-bit so no product or sum wraps.
bool Inside(uint64_t at, uint64_t size, uint64_t limit) { return at <= limit && size <= limit - at; }

class Reader {
 public:
  Reader(std::span<const uint8_t> image, StageFileData& out) : b_(image), out_(out) {}

  void Note(const char* what, long long where) {
    if (!out_.problem.empty()) return;
    out_.problem = std::string(what) + " (" + std::to_string(where) + ")";
  }

  void ReadObjects() {
    const uint64_t limit = out_.headerLength;
    if (limit < kStageFileHeader) {
      Note("object table outside the header region", limit);
      return;
    }
    for (int i = 0; i < kStageObjectCount; ++i) {
      const uint32_t off = U32(b_, 84 + 4 * i);
      if (off == 0xFFFFFFFFu) continue;
      if (!Inside(off, kStageObjectHeader, limit)) {
        Note("object record outside the header region", i);
        continue;
      }
      auto o = std::make_unique<StageObject>();
      uint32_t count = U32(b_, off);
      if (count > kStageMaxFrames) {
        Note("frame count above 256 capped", i);
        count = kStageMaxFrames;
      }
      if (count == 0) {
        // Nothing to show and no frame to enter: such an object is not started.
        Note("object without frames", i);
        continue;
      }
      if (!Inside(uint64_t{off} + kStageObjectHeader, uint64_t{count} * kStageFrameSize, limit)) {
        Note("frames outside the header region", i);
        continue;
      }
      // Only the low 16 bits are used; buckets past the table would be written outside it, so
      // such an object is dropped here and can never be spawned.
      const int16_t bucket = static_cast<int16_t>(U32(b_, off + 8) & 0xFFFF);
      if (bucket < 0 || bucket >= kStageBucketCount) {
        Note("draw bucket outside 0..299", i);
        continue;
      }
      o->frameCount = count;
      o->scroll = I16(b_, off + 4);
      o->bucket = bucket;
      o->spawnOnly = b_[off + 20];
      o->foreground = b_[off + 21];
      o->linear = b_[off + 22];
      const uint64_t condBase = uint64_t{off} + U32(b_, off + 12);
      const uint64_t spawnBase = uint64_t{off} + U32(b_, off + 16);
      o->frames.resize(count);
      for (uint32_t f = 0; f < count; ++f) {
        const uint64_t p = uint64_t{off} + kStageObjectHeader + uint64_t{f} * kStageFrameSize;
        StageFrame& fr = o->frames[f];
        fr.image = I16(b_, p);
        // Sheets hold sprites 0..2999: a frame naming one past them stays in place (later frame
        // numbers keep their meaning) and shows nothing, as drawing skips a missing sprite.
        if (fr.image >= 10000 && fr.image - 10000 >= kCutSpriteSlotCount) Note("sprite number above 2999", i);
        fr.x = I16(b_, p + 2);
        fr.y = I16(b_, p + 4);
        fr.duration = U16(b_, p + 6);
        fr.blend = b_[p + 9];
        fr.alpha = b_[p + 10];
        fr.endAction = b_[p + 11];
        fr.target = b_[p + 12];
        fr.blendNext = b_[p + 20];
        fr.exitFrame = b_[p + 21];
        fr.loopCount = b_[p + 22];
        fr.clearX = b_[p + 44];
        fr.clearY = b_[p + 45];
        fr.setX = b_[p + 46];
        fr.setY = b_[p + 47];
        fr.vx = I16(b_, p + 52);
        fr.vy = I16(b_, p + 54);
        fr.ax = I16(b_, p + 60);
        fr.ay = I16(b_, p + 62);
        for (int k = 0; k < 8; ++k) {
          fr.conditions[k] = I16(b_, p + 100 + 2 * k);
          fr.spawns[k] = I16(b_, p + 116 + 2 * k);
        }
        ReadEvents(fr.conditions, condBase, o->conditions, limit, i);
        ReadEvents(fr.spawns, spawnBase, o->spawns, limit, i);
      }
      out_.objects[i] = std::move(o);
    }
  }

  void ReadEvents(std::array<int16_t, 8>& numbers, uint64_t base, std::vector<StageEvent>& table,
                  uint64_t limit, int object) {
    for (int16_t& n : numbers) {
      if (n == -1) continue;
      if (n < 0 || !Inside(base + uint64_t(n) * kStageEventSize, kStageEventSize, limit)) {
        Note("event record outside the header region", object);
        n = -1;
        continue;
      }
      if (table.size() <= static_cast<size_t>(n)) table.resize(static_cast<size_t>(n) + 1);
      const uint64_t p = base + uint64_t(n) * kStageEventSize;
      StageEvent& e = table[static_cast<size_t>(n)];
      e.type = I16(b_, p);
      e.object = I16(b_, p + 2);
      e.a4 = I32(b_, p + 4);
      e.a8 = I32(b_, p + 8);
      e.a12 = I32(b_, p + 12);
      e.a16 = I32(b_, p + 16);
      e.count20 = I16(b_, p + 20);
      e.axis20 = I32(b_, p + 20);
    }
  }

  void ReadBlockA(std::span<const uint8_t> a) {
    if (a.size() < kStageBlockAHeader) {
      Note("block A shorter than its tables", a.size());
      return;
    }
    auto block = std::make_unique<StageBlockA>();
    // Images first: the part checks need their sizes.
    const uint32_t dir = U32(a, kStageBlockADirectory);
    if (!Inside(dir, kStageDirectorySize, a.size())) {
      Note("image directory outside block A", dir);
    } else {
      for (int i = 0; i < kStageImageCount; ++i) {
        const uint32_t off = U32(a, uint64_t{dir} + kStageDirectoryOffsets + 4 * i);
        if (off == 0) continue;
        const uint32_t size = U32(a, uint64_t{dir} + kStageDirectorySizes + 4 * i);
        if (size == 0 || size > kStageMaxImageSize) {
          Note("image size outside 1..2048", i);
          continue;
        }
        const uint64_t bytes = uint64_t{size} * size * 4;
        if (!Inside(uint64_t{dir} + off, bytes, a.size())) {
          Note("image pixels outside block A", i);
          continue;
        }
        auto img = std::make_unique<StageImage>();
        img->size = static_cast<int32_t>(size);
        const uint8_t* src = a.data() + dir + off;
        img->bgra.assign(src, src + bytes);
        block->images[i] = std::move(img);
      }
    }
    for (int i = 0; i < kStagePartCount; ++i) {
      const uint32_t off = U32(a, kStageBlockAParts + 4 * i);
      if (off == 0) continue;
      if (!Inside(off, kStagePartDefSize, a.size())) {
        Note("part definition outside block A", i);
        continue;
      }
      auto d = std::make_unique<StagePartDef>();
      d->image = I32(a, off);
      d->sx = I32(a, off + 8);
      d->sy = I32(a, off + 12);
      d->sw = I32(a, off + 16);
      d->sh = I32(a, off + 20);
      d->width = I32(a, off + 24);
      d->height = I32(a, off + 28);
      d->pivotX = I32(a, off + 32);
      d->pivotY = I32(a, off + 36);
      // The source rectangle is stored for a 256-pixel image and scaled by whole multiples at
      // build; scaled, it must lie inside the directory image the part names.
      const StageImage* img =
          d->image >= 0 && d->image < kStageImageCount ? block->images[d->image].get() : nullptr;
      if (img == nullptr) {
        Note("part names a missing image", i);
        continue;
      }
      const int64_t c = img->size / 256 > 1 ? img->size / 256 : 1;
      const int64_t sx = d->sx * c, sy = d->sy * c, sw = d->sw * c, sh = d->sh * c;
      if (sx < 0 || sy < 0 || sw < 0 || sh < 0 || sx + sw > img->size || sy + sh > img->size) {
        Note("part source rectangle outside its image", i);
        continue;
      }
      block->parts[i] = std::move(d);
    }
    for (int i = 0; i < kStagePatternCount; ++i) {
      const uint32_t off = U32(a, kStageBlockAPatterns + 4 * i);
      if (off == 0) continue;
      if (!Inside(off, uint64_t{kStagePartSlots} * kStagePartRefSize, a.size())) {
        Note("pattern outside block A", i);
        continue;
      }
      auto pat = std::make_unique<StagePattern>();
      for (int s = 0; s < kStagePartSlots; ++s) {
        const uint64_t p = uint64_t{off} + static_cast<uint64_t>(s) * kStagePartRefSize;
        StagePartRef& r = pat->refs[s];
        r.part = I32(a, p + 32);
        if (r.part != -1 && (r.part < 0 || r.part >= kStagePartCount)) {
          Note("part reference outside 0..999", i);
          r.part = -1;
        }
        r.x = I32(a, p + 36);
        r.y = I32(a, p + 40);
        r.flip = a[p + 48];
        r.additive = a[p + 49];
        r.linear = a[p + 50];
        r.zoomX = I32(a, p + 52);
        r.zoomY = I32(a, p + 56);
        r.alpha = a[p + 64];
        r.red = a[p + 65];
        r.green = a[p + 66];
        r.blue = a[p + 67];
        r.addRed = a[p + 68];
        r.addGreen = a[p + 69];
        r.addBlue = a[p + 70];
        r.priority = a[p + 71];
      }
      block->patterns[i] = std::move(pat);
    }
    out_.blockA = std::move(block);
  }

 private:
  std::span<const uint8_t> b_;
  StageFileData& out_;
};

}  // namespace

std::unique_ptr<StageFileData> ReadStageFile(std::span<const uint8_t> image, const char* name) {
  if (name == nullptr) name = "";
  if (image.size() < 36) {
    DebugPrint("%s: stage file refused: shorter than its header\n", name);
    return nullptr;
  }
  auto out = std::make_unique<StageFileData>();
  Reader r(image, *out);
  const uint32_t aOff = U32(image, 20), aSize = U32(image, 24);
  const uint32_t bOff = U32(image, 28), bSize = U32(image, 32);
  const uint32_t header = bSize != 0 ? bOff : aSize != 0 ? aOff : 0;
  if (header == 0) {
    DebugPrint("%s: stage file refused: no block after a header region\n", name);
    return nullptr;
  }
  if (header > image.size()) {
    DebugPrint("%s: stage file refused: header region past the end of the file (%u)\n", name, header);
    return nullptr;
  }
  out->headerLength = header;
  r.ReadObjects();
  if (bSize != 0) {
    if (Inside(bOff, bSize, image.size()))
      out->blockB.assign(image.begin() + bOff, image.begin() + bOff + bSize);
    else
      r.Note("block B outside the file", bOff);
  }
  if (aSize != 0) {
    if (Inside(aOff, aSize, image.size()))
      r.ReadBlockA(image.subspan(aOff, aSize));
    else
      r.Note("block A outside the file", aOff);
  }
  if (!out->problem.empty()) DebugPrint("%s: stage file damaged, skipped: %s\n", name, out->problem.c_str());
  return out;
}

// ---- Writer ----

namespace {

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(b.data() + at, &v, 4); }
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(b.data() + at, &v, 2); }

void PutEvent(std::vector<uint8_t>& b, size_t p, const StageEventDesc& e) {
  Put16(b, p, static_cast<uint16_t>(e.type));
  Put16(b, p + 2, static_cast<uint16_t>(e.object));
  Put32(b, p + 4, static_cast<uint32_t>(e.a4));
  Put32(b, p + 8, static_cast<uint32_t>(e.a8));
  Put32(b, p + 12, static_cast<uint32_t>(e.a12));
  Put32(b, p + 16, static_cast<uint32_t>(e.a16));
  Put32(b, p + 20, static_cast<uint32_t>(e.a20));
}

}  // namespace

std::vector<uint8_t> WriteStageFile(const StageFileDesc& desc, StageFileLayout* layout) {
  StageFileLayout local;
  StageFileLayout& lay = layout ? *layout : local;
  lay = StageFileLayout{};
  std::vector<uint8_t> b(kStageFileHeader, 0);
  for (int i = 0; i < kStageObjectCount; ++i) Put32(b, 84 + 4 * i, 0xFFFFFFFFu);
  for (const StageObjectDesc& o : desc.objects) {
    if (o.number < 0 || o.number >= kStageObjectCount) continue;
    const size_t off = b.size();
    const size_t frames = o.frames.size();
    const size_t condOff = kStageObjectHeader + frames * kStageFrameSize;
    const size_t spawnOff = condOff + o.conditions.size() * kStageEventSize;
    b.resize(off + spawnOff + o.spawns.size() * kStageEventSize, 0);
    lay.objectOffset[o.number] = static_cast<uint32_t>(off);
    Put32(b, 84 + 4 * o.number, static_cast<uint32_t>(off));
    Put32(b, off, o.frameCountOverride.value_or(static_cast<uint32_t>(frames)));
    Put16(b, off + 4, static_cast<uint16_t>(o.scroll));
    Put32(b, off + 8, o.bucket);
    Put32(b, off + 12, static_cast<uint32_t>(condOff));
    Put32(b, off + 16, static_cast<uint32_t>(spawnOff));
    b[off + 20] = o.spawnOnly;
    b[off + 21] = o.foreground;
    b[off + 22] = o.linear;
    for (size_t f = 0; f < frames; ++f) {
      const StageFrameDesc& fr = o.frames[f];
      const size_t p = off + kStageObjectHeader + f * kStageFrameSize;
      Put16(b, p, static_cast<uint16_t>(fr.image));
      Put16(b, p + 2, static_cast<uint16_t>(fr.x));
      Put16(b, p + 4, static_cast<uint16_t>(fr.y));
      Put16(b, p + 6, fr.duration);
      b[p + 9] = fr.blend;
      b[p + 10] = fr.alpha;
      b[p + 11] = fr.endAction;
      b[p + 12] = fr.target;
      b[p + 20] = fr.blendNext;
      b[p + 21] = fr.exitFrame;
      b[p + 22] = fr.loopCount;
      b[p + 44] = fr.clearX;
      b[p + 45] = fr.clearY;
      b[p + 46] = fr.setX;
      b[p + 47] = fr.setY;
      Put16(b, p + 52, static_cast<uint16_t>(fr.vx));
      Put16(b, p + 54, static_cast<uint16_t>(fr.vy));
      Put16(b, p + 60, static_cast<uint16_t>(fr.ax));
      Put16(b, p + 62, static_cast<uint16_t>(fr.ay));
      for (int k = 0; k < 8; ++k) {
        Put16(b, p + 100 + 2 * k, static_cast<uint16_t>(fr.conditions[k]));
        Put16(b, p + 116 + 2 * k, static_cast<uint16_t>(fr.spawns[k]));
      }
    }
    for (size_t e = 0; e < o.conditions.size(); ++e)
      PutEvent(b, off + condOff + e * kStageEventSize, o.conditions[e]);
    for (size_t e = 0; e < o.spawns.size(); ++e)
      PutEvent(b, off + spawnOff + e * kStageEventSize, o.spawns[e]);
  }
  if (desc.blockA) {
    const size_t base = b.size();
    std::vector<uint8_t> a(kStageBlockAHeader, 0);
    for (const StagePatternDesc& pd : desc.patterns) {
      if (pd.number < 0 || pd.number >= kStagePatternCount) continue;
      const size_t off = a.size();
      a.resize(off + kStagePartSlots * kStagePartRefSize, 0);
      Put32(a, kStageBlockAPatterns + 4 * pd.number, static_cast<uint32_t>(off));
      for (int s = 0; s < kStagePartSlots; ++s) {
        const StagePartRef& r = pd.refs[s];
        const size_t p = off + static_cast<size_t>(s) * kStagePartRefSize;
        Put32(a, p + 32, static_cast<uint32_t>(r.part));
        Put32(a, p + 36, static_cast<uint32_t>(r.x));
        Put32(a, p + 40, static_cast<uint32_t>(r.y));
        a[p + 48] = r.flip;
        a[p + 49] = r.additive;
        a[p + 50] = r.linear;
        Put32(a, p + 52, static_cast<uint32_t>(r.zoomX));
        Put32(a, p + 56, static_cast<uint32_t>(r.zoomY));
        const uint8_t colours[8] = {r.alpha,  r.red,      r.green,   r.blue,
                                    r.addRed, r.addGreen, r.addBlue, r.priority};
        std::memcpy(a.data() + p + 64, colours, 8);
      }
    }
    for (const StagePartDesc& pd : desc.parts) {
      if (pd.number < 0 || pd.number >= kStagePartCount) continue;
      const size_t off = a.size();
      a.resize(off + kStagePartDefSize, 0);
      Put32(a, kStageBlockAParts + 4 * pd.number, static_cast<uint32_t>(off));
      const StagePartDef& d = pd.def;
      const int32_t v[10] = {d.image, 0, d.sx, d.sy, d.sw, d.sh, d.width, d.height, d.pivotX, d.pivotY};
      for (int k = 0; k < 10; ++k) Put32(a, off + 4 * k, static_cast<uint32_t>(v[k]));
    }
    const size_t dir = a.size();
    a.resize(dir + kStageDirectorySize, 0);
    Put32(a, kStageBlockADirectory, static_cast<uint32_t>(dir));
    lay.directoryOffset = static_cast<uint32_t>(dir);
    for (const StageImageDesc& im : desc.images) {
      if (im.number < 0 || im.number >= kStageImageCount) continue;
      const size_t off = a.size();
      a.insert(a.end(), im.bgra.begin(), im.bgra.end());
      Put32(a, dir + kStageDirectoryOffsets + 4 * im.number, static_cast<uint32_t>(off - dir));
      Put32(a, dir + kStageDirectorySizes + 4 * im.number, static_cast<uint32_t>(im.size));
    }
    b.insert(b.end(), a.begin(), a.end());
    lay.blockAOffset = static_cast<uint32_t>(base);
    lay.blockASize = static_cast<uint32_t>(a.size());
    Put32(b, 20, lay.blockAOffset);
    Put32(b, 24, lay.blockASize);
  }
  if (desc.blockB) {
    const std::vector<uint8_t> sheet = WriteCutSpriteFile(*desc.blockB);
    lay.blockBOffset = static_cast<uint32_t>(b.size());
    lay.blockBSize = static_cast<uint32_t>(sheet.size());
    b.insert(b.end(), sheet.begin(), sheet.end());
    Put32(b, 28, lay.blockBOffset);
    Put32(b, 32, lay.blockBSize);
  }
  return b;
}
