// The pack format's keyed scrambling of member names and of member-content prefixes. The pack
// writer and the reader share these routines; both are their own inverse (XOR with a keystream).
//
// Names: the whole name field (256 bytes for folders, 32 for files) is XORed with a keystream
// from a 32-bit linear congruential generator (multiplier 1103515245, increment 12345) started at
// key ^ (param * 0x01010101), taking bits 16..23 of each state. key is the header's
// creation-time word; param is the low byte of the entry's third word (1 when 0).
//
// Content: byte p of a member (counted from the member start), for p below the prefix length, is
// XORed with (byte (p mod 4) of key) + p * step, low 8 bits; step is the low byte of the
// header's step word (1 when 0). Depending only on p makes seeks and partial reads agree.
#pragma once

#include <cstddef>
#include <cstdint>

void PackScrambleName(char* field, size_t length, uint32_t key, uint8_t param);
void PackScrambleContent(uint8_t* bytes, size_t count, uint64_t memberPosition, uint32_t key,
                         uint32_t stepWord, uint32_t prefixLength);
