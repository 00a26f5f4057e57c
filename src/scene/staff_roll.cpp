// The staff roll's reader, update and drawing.
#include "scene/staff_roll.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"

namespace {

StaffRollState g_StaffRoll;

constexpr size_t kKeyLimit = 64;

std::string_view TrimLine(std::string_view line) {
  if (const size_t c = line.find("//"); c != std::string_view::npos) line = line.substr(0, c);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r'))
    line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  return line;
}

// The value after "=" with blanks and tabs skipped; false without "=".
bool ValueOf(std::string_view line, std::string_view& value) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return false;
  value = line.substr(eq + 1);
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  return true;
}

std::string KeyOf(std::string_view line) {
  size_t end = 0;
  while (end < line.size() && line[end] != '=' && line[end] != '\t') ++end;
  std::string_view key = line.substr(0, end);
  while (!key.empty() && key.back() == ' ') key.remove_suffix(1);
  return std::string(key.substr(0, kKeyLimit));
}

void DrawLayer(uint32_t colour, int priority) {
  DrawRect(&g_MainDrawList, 0, 0, 640, 480, colour, colour, colour, colour, priority);
}

uint32_t Alpha(float a, uint32_t rgb) { return (static_cast<uint32_t>(a) << 24) | rgb; }

}  // namespace

StaffRollState& GetStaffRoll() { return g_StaffRoll; }

int ParseStaffRollText(std::string_view text, StaffRollEntry* entries, float* speed) {
  entries[0] = StaffRollEntry{};
  int count = 0;
  int section = -1;  // -1 before the first section, 0 the first ("Data"), then the strips
  bool haveData = false;
  bool overflowLogged = false;
  StaffRollEntry* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = TrimLine(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      const std::string_view name =
          line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1);
      ++section;
      current = nullptr;
      if (section == 0) {
        haveData = name == "Data";
        if (!haveData) break;  // the first section must be "Data"
        continue;
      }
      if (count >= kStaffRollEntries - 1) {
        if (!overflowLogged) DebugPrint("staffroll.txt: more than %d strips, the rest are dropped\n", count);
        overflowLogged = true;
        continue;
      }
      current = &entries[count++];
      *current = StaffRollEntry{};
      continue;
    }
    if (section < 0 || !haveData) continue;
    const std::string key = KeyOf(line);
    std::string_view value;
    const bool hasValue = ValueOf(line, value) && !value.empty();
    if (section == 0) {
      if (key == "Speed") *speed = hasValue ? std::strtof(std::string(value).c_str(), nullptr) : 1.0f;
      continue;
    }
    if (current == nullptr) continue;
    const int32_t v =
        hasValue ? static_cast<int32_t>(std::strtol(std::string(value).c_str(), nullptr, 10)) : 0;
    if (key == "TPage")
      current->TPage = hasValue ? v : -1;
    else if (key == "XShift")
      current->XShift = v;
    else if (key == "TexV")
      current->TexV = v;
    else if (key == "TexH")
      current->TexH = v;
    else if (key == "NextYPos")
      current->NextYPos = v;
  }
  entries[count] = StaffRollEntry{};
  // A speed of 0 or less would freeze or reverse the roll, which then never ends: 1.0.
  if (!(*speed > 0.0f)) *speed = 1.0f;
  return count;
}

void StaffRollReset() {
  StaffRollState& r = g_StaffRoll;
  r.phase = 0;
  r.offset = 0.0f;
  r.frames = 0;
  r.seconds = 0.0f;
  r.phaseStart = 0.0f;
  r.ending = 0;
  r.finished = 0;
  r.speed = 1.0f;
  r.entries[0].TPage = -1;
  r.dimTarget = 0.5f;
  r.dim = 0.0f;
  r.scriptEnded = 0;
  r.input = 0;
}

void StaffRollLoad() {
  StaffRollState& r = g_StaffRoll;
  r.entries[0] = StaffRollEntry{};
  StaffRollRelease();
  char path[64];
  for (int p = 0; p < kStaffRollPages; ++p) {
    std::snprintf(path, sizeof path, ".\\grp\\ending\\ed_staff%02d", p);
    r.pages[p] = LoadTexture(path);
  }
  r.logo = LoadTexture(".\\grp\\ending\\ed_stafflogo");
  DataBuffer data = LoadDataFile(".\\grp\\ending\\staffroll.txt");
  if (!data) return;
  std::string_view text = data.text();
  ParseStaffRollText(text.substr(0, text.find('\0')), r.entries, &r.speed);
}

void StaffRollRelease() {
  StaffRollState& r = g_StaffRoll;
  for (TextureHandle*& t : r.pages) {
    if (t) FreeTexture(t);
    t = nullptr;
  }
  if (r.logo) FreeTexture(r.logo);
  r.logo = nullptr;
}

void StaffRollUpdate() {
  StaffRollState& r = g_StaffRoll;
  r.frames += (r.input & static_cast<int32_t>(0x80000000u)) ? 16 : 1;
  r.seconds = static_cast<float>(r.frames) / 60.0f;
  if (r.dim < r.dimTarget)
    r.dim = std::min(r.dim + 0.01f, r.dimTarget);
  else if (r.dim > r.dimTarget)
    r.dim = std::max(r.dim - 0.01f, r.dimTarget);
  if (r.input & 1) {
    if (r.ending == 0) {
      r.phase = 100;
      r.phaseStart = r.seconds;
      r.ending = 1;
    } else if (!(r.seconds - 6.0f > r.phaseStart)) {
      r.phaseStart = r.seconds - 6.0f;
    }
  }
  r.input = 0;
  r.offset = r.speed * r.seconds;
}

void StaffRollDraw() {
  StaffRollState& r = g_StaffRoll;
  if (r.phase == 0) {
    bool over = true;
    if (r.entries[0].TPage != -1) {
      float y = 480.0f - r.offset;
      float maxY = -30000.0f;
      for (int i = 0; i < kStaffRollEntries && r.entries[i].TPage != -1; ++i) {
        const StaffRollEntry& e = r.entries[i];
        // A page outside 0..9 draws nothing, but the strip still takes its room.
        if (y + static_cast<float>(e.TexH) >= 0.0f && y < 480.0f && e.TPage >= 0 &&
            e.TPage < kStaffRollPages && r.pages[e.TPage] != nullptr)
          DrawSprite(&g_MainDrawList, r.pages[e.TPage], 224, static_cast<int32_t>(y), 512, e.TexH, 0.0f,
                     static_cast<float>(e.TexV), 512.0f, static_cast<float>(e.TexH), 0xFFFFFFFF, 0, 512);
        y += static_cast<float>(e.NextYPos);
        maxY = std::max(maxY, y);
      }
      over = maxY <= -128.0f;
    }
    if (over && r.scriptEnded) {
      r.phase = 10;
      r.phaseStart = r.seconds;
      r.dimTarget = 0.0f;
    }
  }
  if (r.phase == 10 && r.seconds >= r.phaseStart + 8.0f) {
    r.phase = 100;
    r.phaseStart = r.seconds;
    r.ending = 1;
  }
  if (r.phase == 100) {
    const float a = std::clamp(r.seconds - r.phaseStart, 0.0f, 1.0f);
    const uint32_t logoColour = Alpha(255.0f * a, 0xFFFFFF);
    if (r.logo) {
      DrawSprite(&g_MainDrawList, r.logo, 184, 128, 272, 80, 176.0f, 320.0f, 272.0f, 80.0f, logoColour, 0,
                 612);
      DrawSprite(&g_MainDrawList, r.logo, 232, 240, 176, 128, 0.0f, 320.0f, 176.0f, 128.0f, logoColour, 0,
                 612);
    }
    DrawLayer(Alpha(128.0f * a, 0), 611);
    const float d = std::clamp(r.seconds - (r.phaseStart + 6.0f), 0.0f, 1.0f);
    if (static_cast<uint32_t>(255.0f * d) > 0) DrawLayer(Alpha(255.0f * d, 0xFFFFFF), 613);
    if (d >= 1.0f) r.finished = 1;
  }
  DrawLayer(Alpha(255.0f * r.dim, 0), 512);
}
