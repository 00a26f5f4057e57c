// The staff roll: strips of credit pictures scrolling over the dimmed ending picture, the wait,
// the staff logo and the white fade, and the reader of its layout file.
#pragma once

#include <cstdint>
#include <string_view>

struct TextureHandle;

inline constexpr int kStaffRollEntries = 200;
inline constexpr int kStaffRollPages = 10;

struct StaffRollEntry {
  int32_t TPage = -1;  // page picture 0..9; -1 ends the list
  int32_t XShift = 0;  // read and kept; every strip is drawn at x = 224
  int32_t TexV = 0;
  int32_t TexH = 0;
  int32_t NextYPos = 0;
};

struct StaffRollState {
  int32_t finished = 0;
  float dim = 0.0f, dimTarget = 0.5f;
  float speed = 1.0f;
  TextureHandle* logo = nullptr;
  TextureHandle* pages[kStaffRollPages] = {};
  StaffRollEntry entries[kStaffRollEntries];
  int32_t scriptEnded = 0;
  int32_t frames = 0;
  float seconds = 0.0f;
  int32_t phase = 0;  // 0 scrolling, 10 waiting, 100 logo and fade
  float phaseStart = 0.0f;
  int32_t ending = 0;
  float offset = 0.0f;
  int32_t input = 0;  // bit 31 fast forward, bit 0 skip; cleared by each update
};

StaffRollState& GetStaffRoll();

// Reads a layout text into the entries (the end marker after the last strip) and the speed;
// returns the number of strips.
int ParseStaffRollText(std::string_view text, StaffRollEntry* entries, float* speed);

void StaffRollReset();
void StaffRollLoad();
void StaffRollRelease();
void StaffRollUpdate();
void StaffRollDraw();
