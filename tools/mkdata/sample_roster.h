// The sample roster: one entry for every character of the select's grid, sharing the generated
// fighters' data sets. "tester" and "duelist" are the drawn fighters; "trio" plays the duelist
// in three styles and "solo" the tester in style 1 only. The character list, the select's frame
// data, portraits, chips and name plates are all written from this one table.
#pragma once

#include <array>

namespace mkdata {

struct SampleRosterEntry {
  int number;         // character number (the list's section CharaNo_<number>)
  const char* name;   // distinct; also lettered on the portraits and name plates
  const char* file1;  // the data name
  const char* file2;  // "0": none
  int tagType;        // 0 single, 1 partner behind, 255 takeover partner
};

inline constexpr std::array<SampleRosterEntry, 31> kSampleRoster = {{
    {0, "Tester", "tester", "0", 0},
    {1, "Duelist", "duelist", "0", 0},
    {2, "Pairmaker", "duelist", "tester", 1},
    {3, "Takeover", "tester", "duelist", 255},
    {4, "Trio", "trio", "0", 0},
    {5, "Solo", "solo", "0", 0},
    {6, "Alder", "tester", "0", 0},
    {7, "Birch", "duelist", "0", 0},
    {8, "Cedar", "tester", "0", 0},
    {9, "Dogwood", "duelist", "0", 0},
    {10, "Elm", "tester", "0", 0},
    {11, "Fir", "duelist", "0", 0},
    {12, "Ginkgo", "tester", "0", 0},
    {13, "Hazel", "duelist", "0", 0},
    {14, "Ivy", "tester", "0", 0},
    {15, "Juniper", "duelist", "0", 0},
    {17, "Kapok", "tester", "0", 0},
    {18, "Larch", "duelist", "0", 0},
    {19, "Maple", "tester", "0", 0},
    {20, "Nettle", "duelist", "0", 0},
    {22, "Oak", "tester", "0", 0},
    {23, "Pine", "duelist", "0", 0},
    {25, "Quince", "tester", "0", 0},
    {28, "Rowan", "duelist", "0", 0},
    {29, "Spruce", "tester", "0", 0},
    {30, "Teak", "duelist", "0", 0},
    {31, "Umber", "tester", "0", 0},
    {33, "Vine", "duelist", "0", 0},
    {34, "Willow", "tester", "0", 0},
    {35, "Yew", "duelist", "0", 0},
    {51, "Zelkova", "tester", "0", 0},
}};

// The data names of the roster with the fighter whose sprites, frame data and command files
// they share.
struct SampleDataName {
  const char* name;
  const char* fighter;
};
inline constexpr std::array<SampleDataName, 4> kSampleDataNames = {{
    {"tester", "tester"},
    {"duelist", "duelist"},
    {"trio", "duelist"},
    {"solo", "tester"},
}};

}  // namespace mkdata
