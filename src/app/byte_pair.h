// `.EX3` companion files: Byte Pair Encoding compressed copies of data files. The expander
// (reader) and the encoder (writer, used by the sample-data builder and the tests) share the
// image layout: 68 bytes not interpreted, u32 expanded length at offset 68, payload from 72.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace ex3 {

constexpr size_t kHeaderSize = 72;
constexpr size_t kLengthOffset = 68;
// The expander keeps at most this many pending bytes; deeper nesting is damage.
constexpr size_t kStackDepth = 32;
// Declared lengths above this are refused (the length sizes an allocation).
constexpr uint32_t kMaxExpandedLength = 256u * 1024 * 1024;

enum class ExpandResult {
  kOk,
  kTooShort,  // image shorter than its 72-byte header
  kTooLarge,  // declared length above kMaxExpandedLength
  kBadTable,  // pair table runs past code 255
  kTooDeep,   // nesting deeper than kStackDepth (also every cyclic table)
  kOverflow,  // expands past the declared length
  kShort,     // expands to fewer bytes than declared
};
const char* ExpandResultText(ExpandResult r);

// Declared expanded length of an image (0 when the image is shorter than its header).
uint32_t DeclaredLength(std::span<const uint8_t> image);

}  // namespace ex3

// Expands an image into output, which must hold the declared length. Writes at most
// output.size() bytes; any damage is reported and nothing more is written.
ex3::ExpandResult ExpandBytePairs(std::span<uint8_t> output, std::span<const uint8_t> image);

namespace ex3 {

// Compresses data into a whole `.EX3` image (header, declared length, payload). Pairs are only
// formed while the expansion stays within kStackDepth pending bytes.
std::vector<uint8_t> EncodeBytePairs(std::span<const uint8_t> data, size_t blockSize = 8192);

}  // namespace ex3
