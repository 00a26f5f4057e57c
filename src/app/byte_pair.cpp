// Byte Pair Encoding of `.EX3` companions: the bounded expander and the encoder.
//
// Payload block: pair table, packed size (u16, high byte first), packed bytes. Pair table: a
// count byte; above 127 the next (count - 127) codes are literals and the count becomes 0; then
// (count + 1) entries for the next codes, each a left byte and, when the left byte differs from
// the code, a right byte; repeat with a new count byte until code 256 is reached.
#include "app/byte_pair.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ex3 {

const char* ExpandResultText(ExpandResult r) {
  switch (r) {
    case ExpandResult::kOk:
      return "ok";
    case ExpandResult::kTooShort:
      return "shorter than its 72-byte header";
    case ExpandResult::kTooLarge:
      return "declared length above 256 MiB";
    case ExpandResult::kBadTable:
      return "pair table runs past code 255";
    case ExpandResult::kTooDeep:
      return "pairs nest deeper than 32 bytes (or form a cycle)";
    case ExpandResult::kOverflow:
      return "expands past its declared length";
    case ExpandResult::kShort:
      return "expands to fewer bytes than declared";
  }
  return "?";
}

uint32_t DeclaredLength(std::span<const uint8_t> image) {
  if (image.size() < kHeaderSize) return 0;
  const uint8_t* p = image.data() + kLengthOffset;
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace ex3

using ex3::ExpandResult;

ExpandResult ExpandBytePairs(std::span<uint8_t> output, std::span<const uint8_t> image) {
  if (image.size() < ex3::kHeaderSize) return ExpandResult::kTooShort;
  const uint32_t declared = ex3::DeclaredLength(image);
  if (declared > ex3::kMaxExpandedLength) return ExpandResult::kTooLarge;
  const uint8_t* payload = image.data() + ex3::kHeaderSize;
  const size_t n = image.size() - ex3::kHeaderSize;
  const size_t limit = std::min<size_t>(declared, output.size());
  size_t out = 0;
  if (n <= 1) return declared == 0 ? ExpandResult::kOk : ExpandResult::kShort;

  // Reading at the end yields zero bytes; the position never passes the payload.
  size_t pos = 0;
  auto read = [&]() -> uint32_t { return pos < n ? payload[pos++] : 0u; };

  std::array<uint8_t, 256> left;
  std::array<uint8_t, 256> right{};
  uint8_t stack[ex3::kStackDepth];
  constexpr size_t kCacheBytes = 64;
  uint8_t cache[256][kCacheBytes];
  uint8_t cacheLength[256];
  uint32_t count = read();
  while (true) {
    for (int c = 0; c < 256; ++c) left[c] = static_cast<uint8_t>(c);
    uint32_t code = 0;
    while (true) {
      if (count > 127) {
        code += count - 127;
        count = 0;
      }
      if (code == 256) break;
      if (code > 256 || code + count + 1 > 256) return ExpandResult::kBadTable;
      for (uint32_t i = 0; i <= count; ++i, ++code) {
        left[code] = static_cast<uint8_t>(read());
        if (left[code] != code) right[code] = static_cast<uint8_t>(read());
      }
      if (code == 256) break;
      count = read();
    }
    uint32_t packed = read() << 8;
    packed |= read();

    // Every code read from the packed bytes starts expanding with an empty stack, so its
    // expansion (and whether it nests too deep) depends on the code alone: short expansions are
    // made once per block and copied. Long, deep or cyclic ones take the stack walk each time,
    // which reports the damage exactly where the plain walk would.
    uint8_t cacheState[256] = {};  // 0 not tried, 1 cached, 2 walk each time
    uint8_t* dst = output.data();
    auto walk = [&](uint8_t code, uint8_t* to, size_t room, size_t& written) -> ExpandResult {
      size_t sp = 0;
      stack[sp++] = code;
      written = 0;
      while (sp) {
        uint8_t b = stack[--sp];
        if (left[b] == b) {
          if (written >= room) return ExpandResult::kOverflow;
          to[written++] = b;
        } else {
          if (sp + 2 > ex3::kStackDepth) return ExpandResult::kTooDeep;
          stack[sp++] = right[b];
          stack[sp++] = left[b];
        }
      }
      return ExpandResult::kOk;
    };
    while (packed) {
      --packed;
      uint8_t b = static_cast<uint8_t>(read());
      if (left[b] == b) {
        if (out >= limit) return ExpandResult::kOverflow;
        dst[out++] = b;
        continue;
      }
      if (cacheState[b] == 0) {
        size_t len = 0;
        ExpandResult r = walk(b, cache[b], kCacheBytes, len);
        if (r == ExpandResult::kTooDeep) return r;
        cacheState[b] = r == ExpandResult::kOk ? 1 : 2;
        cacheLength[b] = static_cast<uint8_t>(len);
      }
      if (cacheState[b] == 1) {
        size_t len = cacheLength[b];
        if (len > limit - out) return ExpandResult::kOverflow;
        if (limit - out >= kCacheBytes) {
          std::memcpy(dst + out, cache[b], kCacheBytes);  // fixed-size copy; the extra bytes are rewritten
        } else {
          std::memcpy(dst + out, cache[b], len);
        }
        out += len;
      } else {
        size_t written = 0;
        ExpandResult r = walk(b, dst + out, limit - out, written);
        out += written;
        if (r != ExpandResult::kOk) return r;
      }
    }
    count = read();
    if (pos >= n) break;  // another block only while a payload byte remains after the count
  }
  return out == declared ? ExpandResult::kOk : ExpandResult::kShort;
}

namespace ex3 {

namespace {

void WriteTable(std::vector<uint8_t>& img, const std::array<uint8_t, 256>& left,
                const std::array<uint8_t, 256>& right) {
  auto entry = [&](int c) {
    img.push_back(left[c]);
    if (left[c] != c) img.push_back(right[c]);
  };
  int c = 0;
  while (c < 256) {
    int literals = 0;
    while (c + literals < 256 && literals < 128 && left[c + literals] == c + literals) ++literals;
    if (literals > 0) {
      img.push_back(static_cast<uint8_t>(127 + literals));
      c += literals;
      if (c == 256) break;
      // After a literal run the reader takes one entry without a new count byte.
      entry(c++);
      continue;
    }
    int pairs = 0;
    while (c + pairs < 256 && pairs < 128 && left[c + pairs] != c + pairs) ++pairs;
    img.push_back(static_cast<uint8_t>(pairs - 1));
    for (int i = 0; i < pairs; ++i) entry(c++);
  }
}

}  // namespace

std::vector<uint8_t> EncodeBytePairs(std::span<const uint8_t> data, size_t blockSize) {
  blockSize = std::clamp<size_t>(blockSize, 1, 65535);
  std::vector<uint8_t> img(kHeaderSize, 0);
  uint32_t len = static_cast<uint32_t>(data.size());
  for (int i = 0; i < 4; ++i) img[kLengthOffset + i] = static_cast<uint8_t>(len >> (8 * i));

  std::vector<uint32_t> counts(65536, 0);
  std::vector<uint8_t> buf, next;
  for (size_t start = 0; start < data.size(); start += blockSize) {
    size_t end = std::min(data.size(), start + blockSize);
    buf.assign(data.begin() + static_cast<std::ptrdiff_t>(start),
               data.begin() + static_cast<std::ptrdiff_t>(end));
    std::array<uint8_t, 256> left, right{};
    std::array<uint8_t, 256> depth{};  // most pending bytes while expanding the code
    std::array<bool, 256> used{};
    for (int c = 0; c < 256; ++c) left[c] = static_cast<uint8_t>(c);
    for (uint8_t b : buf) used[b] = true;
    while (buf.size() >= 2) {
      int freeCode = -1;
      for (int c = 255; c >= 0; --c) {
        if (!used[c]) {
          freeCode = c;
          break;
        }
      }
      if (freeCode < 0) break;
      for (size_t i = 0; i + 1 < buf.size(); ++i) ++counts[(buf[i] << 8) | buf[i + 1]];
      uint32_t best = 0;
      uint32_t bestKey = 0;
      for (size_t i = 0; i + 1 < buf.size(); ++i) {
        uint32_t key = (buf[i] << 8) | buf[i + 1];
        uint32_t cnt = counts[key];
        if (cnt > best) {
          size_t need = std::max<size_t>({2, 1u + depth[key >> 8], depth[key & 0xFF]});
          if (need <= kStackDepth) {
            best = cnt;
            bestKey = key;
          }
        }
      }
      for (size_t i = 0; i + 1 < buf.size(); ++i) counts[(buf[i] << 8) | buf[i + 1]] = 0;
      if (best < 4) break;
      uint8_t a = static_cast<uint8_t>(bestKey >> 8), b = static_cast<uint8_t>(bestKey & 0xFF);
      next.clear();
      for (size_t i = 0; i < buf.size();) {
        if (i + 1 < buf.size() && buf[i] == a && buf[i + 1] == b) {
          next.push_back(static_cast<uint8_t>(freeCode));
          i += 2;
        } else {
          next.push_back(buf[i++]);
        }
      }
      buf.swap(next);
      left[freeCode] = a;
      right[freeCode] = b;
      depth[freeCode] = static_cast<uint8_t>(std::max<size_t>({2, 1u + depth[a], depth[b]}));
      used[freeCode] = true;
    }
    WriteTable(img, left, right);
    img.push_back(static_cast<uint8_t>(buf.size() >> 8));
    img.push_back(static_cast<uint8_t>(buf.size() & 0xFF));
    img.insert(img.end(), buf.begin(), buf.end());
  }
  return img;
}

}  // namespace ex3
