// The game's random streams: a subtractive generator (55-entry table) per stream, ten numbered
// streams 0..9 and the common stream 10, all reseedable so matches replay and stay in step.
// Besides them the online code keeps two MT19937 generators for its own choices.
// Only the logic thread draws and seeds.
#pragma once

#include <cstdint>

struct RandStream {
  int32_t index;      // 0 after seeding, then 1..55
  int32_t table[56];  // entries 1..55 used
};

constexpr int kRandCommonStream = 10;
constexpr int kRandStreamCount = 11;

// Streams 0..9 then the common stream.
extern RandStream g_RandStreams[kRandStreamCount];
// Last value drawn by RandNext and the common draw count.
extern int32_t g_RandLastValue;
extern int32_t g_RandDrawCount;

// Seeds stream s (0..10; others are ignored) with x; x and -x seed alike.
void SeedRandStream(int s, int32_t seed);
// Next value 0..2147483646 of stream s (0..10; others give 0).
int32_t RandStreamNext(int s);
// The same generator over a stream the caller owns, for numbers that must not touch the game's
// streams (what only the picture uses): seeding and drawing as for the numbered streams.
void SeedOwnRandStream(RandStream& r, int32_t seed);
int32_t OwnRandStreamNext(RandStream& r);
// Next common value; kept as the last value, counted in the draw count.
int32_t RandNext();
// 0..n-1 from the next common value (not kept, not counted); RandInt(0) is 0.
int32_t RandInt(int32_t n);
// [0, 1) and [-1, 1) from the next common value (not kept, not counted).
double RandFloat();
double RandSignedFloat();
// Start-up seeding: the common stream from the calendar seconds, the draw count 10, then
// streams 0..9 from common draws.
void SeedRandomGenerators();
// The same from a given seed (the start-up step's arithmetic without the clock).
void SeedRandomGeneratorsFrom(uint32_t seconds);

// The online code's two MT19937 generators (0 and 1); a generator drawn before seeding seeds
// itself with 5489.
void SeedMersenneTwister(int which, uint32_t seed);
uint32_t MersenneTwisterNext(int which);
// Next output of the first generator shifted right by one (0..2147483647).
int32_t DrawRandom31();
