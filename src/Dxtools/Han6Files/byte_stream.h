// Little-endian byte streams over file images: a bounds-checked reading cursor (every read
// reports whether the bytes were there) and a growing writer, shared by the sprite, part
// animation and frame-data formats. Four-character tags are read as 32-bit values whose
// bytes stand in file order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace han6io {

// The 32-bit value of a four-byte tag as read little-endian ("PSTR" is the bytes P, S, T, R).
constexpr uint32_t Tag(const char (&text)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(text[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(text[3])) << 24;
}

inline int32_t LoadI32(std::span<const uint8_t> data, size_t at) {
  uint32_t v = static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
               static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
  return static_cast<int32_t>(v);
}
inline int16_t LoadI16(std::span<const uint8_t> data, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(data[at] | data[at + 1] << 8));
}

// True when [offset, offset + length) lies inside a buffer of `size` bytes (64-bit safe).
inline bool InRange(int64_t offset, int64_t length, size_t size) {
  return offset >= 0 && length >= 0 && offset <= static_cast<int64_t>(size) &&
         length <= static_cast<int64_t>(size) - offset;
}

class ByteCursor {
 public:
  explicit ByteCursor(std::span<const uint8_t> data, size_t pos = 0) : data_(data), pos_(pos) {}

  size_t Pos() const { return pos_; }
  size_t Remaining() const { return pos_ <= data_.size() ? data_.size() - pos_ : 0; }
  std::span<const uint8_t> Data() const { return data_; }

  bool Skip(uint64_t n) {
    if (n > Remaining()) return false;
    pos_ += static_cast<size_t>(n);
    return true;
  }
  bool ReadBytes(void* dst, size_t n) {
    if (n > Remaining()) return false;
    if (n != 0) std::memcpy(dst, data_.data() + pos_, n);
    pos_ += n;
    return true;
  }
  bool ReadU8(uint8_t& v) { return ReadBytes(&v, 1); }
  bool ReadU32(uint32_t& v) {
    if (Remaining() < 4) return false;
    v = static_cast<uint32_t>(LoadI32(data_, pos_));
    pos_ += 4;
    return true;
  }
  bool ReadI32(int32_t& v) {
    uint32_t u;
    if (!ReadU32(u)) return false;
    v = static_cast<int32_t>(u);
    return true;
  }
  bool ReadF32(float& v) {
    uint32_t u;
    if (!ReadU32(u)) return false;
    std::memcpy(&v, &u, 4);
    return true;
  }
  // A view of the next n bytes (and moves past them), or an empty optional-like false.
  bool View(size_t n, std::span<const uint8_t>& out) {
    if (n > Remaining()) return false;
    out = data_.subspan(pos_, n);
    pos_ += n;
    return true;
  }

 private:
  std::span<const uint8_t> data_;
  size_t pos_;
};

class ByteWriter {
 public:
  size_t Size() const { return out_.size(); }
  std::vector<uint8_t>& Bytes() { return out_; }
  std::vector<uint8_t> Take() { return std::move(out_); }

  void PutU8(uint8_t v) { out_.push_back(v); }
  void PutU16(uint16_t v) {
    out_.push_back(static_cast<uint8_t>(v));
    out_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void PutI16(int16_t v) { PutU16(static_cast<uint16_t>(v)); }
  void PutU32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void PutI32(int32_t v) { PutU32(static_cast<uint32_t>(v)); }
  void PutF32(float v) {
    uint32_t u;
    std::memcpy(&u, &v, 4);
    PutU32(u);
  }
  void PutTag(const char (&text)[5]) { PutU32(Tag(text)); }
  void PutBytes(const void* data, size_t n) {
    if (n == 0) return;
    const size_t at = out_.size();
    out_.resize(at + n);
    std::memcpy(out_.data() + at, data, n);
  }
  void PutBytes(std::span<const uint8_t> data) { PutBytes(data.data(), data.size()); }
  void PutZeros(size_t n) { out_.insert(out_.end(), n, 0); }
  // A text in a fixed field of n bytes, NUL-padded and cut to leave room for the NUL.
  void PutFixedText(std::string_view text, size_t n) {
    size_t len = text.size() < n ? text.size() : n - 1;
    PutBytes(text.data(), len);
    PutZeros(n - len);
  }
  void PatchI32(size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) out_[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
  }

 private:
  std::vector<uint8_t> out_;
};

}  // namespace han6io
