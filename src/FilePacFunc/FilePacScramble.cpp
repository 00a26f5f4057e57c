// Keyed scrambling of pack names and member-content prefixes (see the header for the scheme).
#include "FilePacFunc/FilePacScramble.h"

void PackScrambleName(char* field, size_t length, uint32_t key, uint8_t param) {
  if (param == 0) param = 1;
  uint32_t state = key ^ (static_cast<uint32_t>(param) * 0x01010101u);
  for (size_t i = 0; i < length; ++i) {
    state = state * 1103515245u + 12345u;
    field[i] = static_cast<char>(static_cast<uint8_t>(field[i]) ^ static_cast<uint8_t>(state >> 16));
  }
}

void PackScrambleContent(uint8_t* bytes, size_t count, uint64_t memberPosition, uint32_t key,
                         uint32_t stepWord, uint32_t prefixLength) {
  uint32_t step = stepWord & 0xFF;
  if (step == 0) step = 1;
  for (size_t i = 0; i < count; ++i) {
    uint64_t p = memberPosition + i;
    if (p >= prefixLength) break;
    uint8_t keyByte = static_cast<uint8_t>(key >> (8 * (p & 3)));
    bytes[i] ^= static_cast<uint8_t>(keyByte + static_cast<uint32_t>(p) * step);
  }
}
