// The command list: its file and colour readers, its frame (input, scrolling, side switch) and
// its drawing.
#include "menu/command_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/IniFile.h"
#include "Dxtools/Text/fnt_font.h"
#include "app/file_loader.h"
#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "platform/path_translate.h"

int32_t g_CommandListRequested;
int32_t g_CommandListSide;
int32_t g_CommandListTop;

namespace {

constexpr char kCommandFolder[] = ".\\grp\\command\\";
constexpr uint32_t kOtherTypeColour = 0xFF00FF00;
constexpr uint32_t kWhite = 0xFFFFFFFF;

struct ColourKey {
  const char* key;
  uint32_t def;
};
constexpr ColourKey kColourKeys[kCommandColourCount] = {
    {"Col_Normal", 0xFFFFFFFF}, {"Col_EX", 0xFF6464FF}, {"Col_AD", 0xFFFF64FF},
    {"Col_AAD", 0xFFFF64FF},    {"Col_LA", 0xFFFF6464}, {"Col_ETC", 0xFF64FF64},
};

enum IconGroup : uint8_t { kNoGroup, kGroupP, kGroupS, kGroupL };

struct IconRect {
  int16_t x, y, w, h;
};

struct CmdSubKeyword {
  const char* keyword;  // Shift-JIS
  IconGroup group;
  IconRect english;
  IconRect japanese;
};

// Indexed by keyword index; 8, 9, 17, 18, 19 and 31 have none.
constexpr CmdSubKeyword kCmdSubKeywords[32] = {
    {},
    {"HIT\x92\x86", kGroupP, {32, 32, 70, 16}, {32, 32, 80, 16}},                  // HIT + "during"
    {"\x92\xCD\x82\xDD\x92\x86", kGroupP, {102, 32, 108, 16}, {112, 32, 80, 16}},  // during a grab
    {"\x90\xDD\x92u\x8C\xE3", kGroupP, {220, 32, 132, 16}, {192, 32, 80, 16}},     // after setting
    {"\x92\x85\x92n\x8E\x9E", kGroupP, {32, 48, 100, 16}, {272, 32, 80, 16}},      // on landing
    {"BEMAX", kGroupP, {132, 48, 116, 16}, {352, 32, 80, 16}},
    {"\x83K\x81[\x83h\x92\x86\x92\xC7", kGroupP, {248, 32, 124, 16}, {32, 48, 80, 16}},  // follow-up in guard
    {"\x83o\x83"
     "b\x83N\x83_\x83"
     "b\x83V\x83\x85\x92\x86\x92\xC7",
     kGroupP,
     {32, 64, 160, 16},
     {112, 48, 112, 16}},  // follow-up in a back dash
    {},
    {},
    {"\x8B\xF3\x92\x86\x89\xC2", kGroupS, {0, 0, 74, 24}, {0, 0, 48, 24}},                    // air OK
    {"\x83z\x81[\x83\x8B\x83h\x89\xC2", kGroupS, {74, 0, 74, 24}, {48, 0, 64, 24}},           // can hold
    {"\x92\xC7\x89\xC1\x93\xFC\x97\xCD\x97L", kGroupS, {148, 0, 124, 24}, {112, 0, 64, 24}},  // more input
    {"100%", kGroupS, {272, 0, 112, 24}, {176, 0, 96, 24}},
    {"150%", kGroupS, {384, 0, 112, 24}, {272, 0, 96, 24}},
    {"A\x82\xC9\x88\xDA\x8Ds", kGroupS, {0, 24, 74, 24}, {368, 0, 64, 24}},   // into A
    {"B\x82\xC9\x88\xDA\x8Ds", kGroupS, {74, 24, 74, 24}, {432, 0, 64, 24}},  // into B
    {},
    {},
    {},
    {"\x8B\xF3\x92\x86", kGroupL, {0, 48, 60, 24}, {0, 24, 48, 24}},  // in the air
    {"MH", kGroupL, {0, 72, 106, 24}, {0, 48, 112, 24}},
    {"BH", kGroupL, {106, 72, 114, 24}, {112, 48, 128, 24}},
    {"MHB", kGroupL, {220, 72, 174, 24}, {240, 48, 208, 24}},
    {"HEAT", kGroupL, {72, 72, 34, 24}, {48, 48, 64, 24}},
    {"\x83K\x81[\x83h\x92\x86", kGroupL, {60, 48, 80, 24}, {48, 24, 80, 24}},  // in guard
    {"\x83o\x83"
     "b\x83N\x83_\x83"
     "b\x83V\x83\x85\x92\x86",
     kGroupL,
     {140, 48, 96, 24},
     {128, 24, 128, 24}},  // in a back dash
    {"LA", kGroupL, {0, 96, 356, 24}, {0, 72, 256, 24}},
    {"LA\x8B\xF3\x92\x86", kGroupL, {0, 120, 334, 24}, {256, 72, 256, 24}},  // LA in the air
    {"\x83i\x83"
     "C\x83t\x82\xCC\x8B\xDF\x82\xAD\x82\xC5",
     kGroupL,
     {356, 96, 80, 24},
     {0, 120, 96, 24}},  // near the knife
    {"\x8B\xF3\x92\x86\x8E\xF3\x90g\x89\xC2\x94\x5C\x8E\x9E",
     kGroupL,
     {334, 120, 178, 24},
     {96, 120, 112, 24}},
    {},
};

// Notation glyphs: source x on sys_com00's row at y 96, offset, advance, raised priority.
struct NotationGlyph {
  int16_t sx;
  int8_t dx, dy;
  int8_t advance;
  int8_t above;  // 1: drawn one priority higher
};

// Digit cells as the sheet lays them out; 5, 8 and 0 share the first cell on purpose (the sheet
// has no cell of their own).
constexpr int kDigitCell[10] = {0, 5, 4, 3, 6, 0, 2, 7, 0, 1};

bool GlyphOf(char c, NotationGlyph* g) {
  if (c >= '0' && c <= '9') {
    *g = {static_cast<int16_t>(32 + 24 * kDigitCell[c - '0']), 0, 0, 24, 0};
    return true;
  }
  switch (c) {
    case 'A':
    case 'B':
    case 'C':
    case 'D':
      *g = {static_cast<int16_t>(224 + 24 * (c - 'A')), 0, -2, 24, 0};
      return true;
    case 'o':
      *g = {344, -6, -2, 12, 1};
      return true;
    case '+':
      *g = {368, -4, -2, 16, 1};
      return true;
    case '.':
      *g = {320, -4, -2, 16, 1};
      return true;
    case ' ':
      *g = {-1, 0, 0, 8, 0};
      return true;
    default:
      return false;
  }
}

bool English() { return GetSelectLanguage() == 1; }

const IconRect& IconOf(int index) {
  const CmdSubKeyword& k = kCmdSubKeywords[index];
  return English() ? k.english : k.japanese;
}

int Priority() { return GetCommandListView().layer + 256; }

void Sprite(TextureHandle* t, int x, int y, int w, int h, int sx, int sy, int sw, int sh, uint32_t colour,
            int priority) {
  if (!t) return;
  DrawSprite(&g_MainDrawList, t, x, y, w, h, static_cast<float>(sx), static_cast<float>(sy),
             static_cast<float>(sw), static_cast<float>(sh), colour, 0, priority);
}

void Fill(int x, int y, int w, int h, uint32_t colour, int priority) {
  DrawRect(&g_MainDrawList, x, y, w, h, colour, colour, colour, colour, priority);
}

// ---- The list file ----

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A value after "=": leading blanks skipped, up to the line end or "//", trailing blanks removed,
// at most kCommandTextMax bytes and never half a double-byte character.
std::string ValueText(std::string_view line, size_t equals) {
  size_t p = equals + 1;
  while (p < line.size() && IsBlank(line[p])) ++p;
  size_t end = p;
  while (end < line.size() && !(line[end] == '/' && end + 1 < line.size() && line[end + 1] == '/')) ++end;
  while (end > p && IsBlank(line[end - 1])) --end;
  size_t n = 0;
  while (n < end - p) {
    const size_t step = vt::platform::IsSjisLeadByte(static_cast<unsigned char>(line[p + n])) ? 2 : 1;
    if (n + step > kCommandTextMax || n + step > end - p) break;
    n += step;
  }
  return std::string(line.substr(p, n));
}

// The decimal integer after "=" (leading blanks skipped, an optional sign, digits), clamped to the
// 64-bit range; 0 without digits.
int64_t ValueNumber(std::string_view line, size_t equals) {
  size_t p = equals + 1;
  while (p < line.size() && IsBlank(line[p])) ++p;
  bool negative = false;
  if (p < line.size() && (line[p] == '-' || line[p] == '+')) negative = line[p++] == '-';
  int64_t v = 0;
  while (p < line.size() && line[p] >= '0' && line[p] <= '9') {
    v = std::min<int64_t>(v * 10 + (line[p] - '0'), int64_t{1} << 40);
    ++p;
  }
  return negative ? -v : v;
}

// One key line of a list line's section.
void ReadKeyLine(std::string_view line, CommandListLine& out) {
  size_t p = 0;
  while (p < line.size() && IsBlank(line[p])) ++p;
  line.remove_prefix(p);
  if (line.empty() || line.substr(0, 2) == "//") return;
  const size_t keyEnd = line.find_first_of("\t=");
  if (keyEnd == std::string_view::npos) return;  // neither TAB nor "=": not a key line
  size_t k = keyEnd;
  while (k > 0 && line[k - 1] == ' ') --k;
  const std::string_view key = line.substr(0, std::min(k, kCommandKeyMax));
  size_t equals = line.find('=');
  const size_t comment = line.find("//");
  if (comment != std::string_view::npos && equals != std::string_view::npos && comment < equals)
    equals = std::string_view::npos;
  if (key == "Type") {
    out.Type =
        equals == std::string_view::npos
            ? 0
            : static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(ValueNumber(line, equals))));
    return;
  }
  if (equals == std::string_view::npos) return;
  if (key == "Name") {
    out.Name = ValueText(line, equals);
  } else if (key == "Cmd") {
    out.Cmd = ValueText(line, equals);
  } else if (key == "CmdSub") {
    const int index = FindCommandSubKeyword(ValueText(line, equals));
    if (index != 0 && out.cmdSubCount < kCommandSubMax)
      out.CmdSub[out.cmdSubCount++] = static_cast<uint8_t>(index);
  } else if (key == "Child") {
    // The offset is kept in 8 bits: values outside 1..255 would wrap onto another line.
    const int64_t v = ValueNumber(line, equals);
    if (v >= 1 && v <= 255 && out.childCount < kCommandChildMax)
      out.Child[out.childCount++] = static_cast<uint8_t>(v);
  }
}

// The lines of a text (CR, CR LF or LF), up to a zero byte.
std::vector<std::string_view> SplitLines(std::string_view text) {
  text = text.substr(0, std::min(text.size(), text.find('\0')));
  std::vector<std::string_view> lines;
  size_t p = 0;
  while (p < text.size()) {
    size_t e = p;
    while (e < text.size() && text[e] != '\r' && text[e] != '\n') ++e;
    lines.push_back(text.substr(p, e - p));
    if (e < text.size() && text[e] == '\r') ++e;
    if (e < text.size() && text[e] == '\n') ++e;
    p = e;
  }
  return lines;
}

bool ParseColour(std::string_view v, uint32_t* out) {
  if (v.size() > kCommandTextMax) return false;
  uint32_t c[4];
  size_t p = 0;
  for (int i = 0; i < 4; ++i) {
    while (p < v.size() && IsBlank(v[p])) ++p;
    size_t digits = 0;
    uint32_t n = 0;
    while (p < v.size() && v[p] >= '0' && v[p] <= '9' && digits < 4) {
      n = n * 10 + static_cast<uint32_t>(v[p] - '0');
      ++p;
      ++digits;
    }
    if (digits == 0 || n > 255) return false;
    while (p < v.size() && IsBlank(v[p])) ++p;
    c[i] = n;
    if (i < 3) {
      if (p >= v.size() || v[p] != ',') return false;
      ++p;
    }
  }
  if (p != v.size()) return false;
  *out = c[3] << 24 | c[0] << 16 | c[1] << 8 | c[2];  // red, green, blue, alpha
  return true;
}

void RenderLineNames(std::vector<CommandListLine>& lines) {
  using vt::text::g_StoryFonts;
  const vt::text::FntFont* large = English() ? g_StoryFonts[3] : g_StoryFonts[0];
  const vt::text::FntFont* small = g_StoryFonts[1];
  for (CommandListLine& l : lines)
    l.nameTexture = vt::text::RenderMessageTexture(0, 32, l.Name.c_str(), large, small);
}

void FreeLines(CommandListView& v) {
  for (CommandListLine& l : v.lines) FreeTexture(l.nameTexture);
  v.lines.clear();
  v.lineCount = 0;
}

void FreeTextures(CommandListView& v) {
  for (TextureHandle** t : {&v.sysCom00, &v.sysCom01, &v.sysCom02, &v.sysCom03, &v.namePicture}) {
    FreeTexture(*t);
    *t = nullptr;
  }
}

}  // namespace

CommandListView& GetCommandListView() {
  static CommandListView view;
  return view;
}

int FindCommandSubKeyword(std::string_view value) {
  for (int i = 1; i < 32; ++i)
    if (kCmdSubKeywords[i].keyword && value == kCmdSubKeywords[i].keyword) return i;
  return 0;
}

const char* CommandSubKeyword(int index) {
  return index >= 0 && index < 32 ? kCmdSubKeywords[index].keyword : nullptr;
}

int MeasureCommandNotation(std::string_view cmd) {
  int w = 0;
  NotationGlyph g;
  for (char c : cmd)
    if (GlyphOf(c, &g)) w += g.advance;
  return w;
}

void ResetCommandColours(uint32_t colours[kCommandColourCount]) {
  for (int i = 0; i < kCommandColourCount; ++i) colours[i] = kColourKeys[i].def;
}

void ReadCommandColours(std::string_view iniText, uint32_t colours[kCommandColourCount]) {
  IniFile ini;
  ini.LoadFromText(iniText);
  for (int i = 0; i < kCommandColourCount; ++i) {
    const char* v = ini.FindKey("Data", kColourKeys[i].key);
    if (!v) continue;
    // A value that is not four numbers in 0..255 keeps the default: a larger one would spill
    // into the neighbouring channel.
    uint32_t c;
    if (ParseColour(std::string_view(v, IniValueLength(v)), &c)) colours[i] = c;
  }
}

uint32_t CommandBandColour(const uint32_t colours[kCommandColourCount], int type) {
  switch (type) {
    case 0:
      return colours[kColNormal];
    case 1:
      return colours[kColEX];
    case 10:
      return colours[kColAD];
    case 11:
      return colours[kColAAD];
    case 100:
      return colours[kColLA];
    case 2:
      return colours[kColETC];
    default:
      return kOtherTypeColour;
  }
}

int ParseCommandListText(std::string_view text, std::vector<CommandListLine>& lines) {
  lines.clear();
  bool listed = false;  // the "CommandList" section was seen; every later section is a line
  CommandListLine* current = nullptr;
  for (std::string_view line : SplitLines(text)) {
    if (!line.empty() && line[0] == '[') {
      if (listed) {
        lines.emplace_back();
        current = &lines.back();
        current->index = static_cast<int32_t>(lines.size() - 1);
      } else {
        const size_t close = line.find(']');
        listed = close != std::string_view::npos && line.substr(1, close - 1) == "CommandList";
      }
      continue;
    }
    if (current) ReadKeyLine(line, *current);
  }
  if (!listed) {
    lines.clear();
    return 0;
  }
  // A child is one level below its parent. Chains deeper than the band can show stay at the
  // deepest level.
  const int64_t count = static_cast<int64_t>(lines.size());
  for (int64_t i = 0; i < count; ++i) {
    const CommandListLine& parent = lines[static_cast<size_t>(i)];
    for (int c = 0; c < parent.childCount; ++c) {
      const int64_t child = i + parent.Child[c];
      if (child > 0 && child < count)
        lines[static_cast<size_t>(child)].depth =
            static_cast<int16_t>(std::min(parent.depth + 1, kCommandMaxDepth));
    }
  }
  return 1;
}

int ParseCommandListFile(std::string_view path) {
  CommandListView& v = GetCommandListView();
  FreeLines(v);
  DataBuffer data = LoadDataFile(path);
  if (!data) {
    DebugPrint("command list: cannot read %.*s\n", static_cast<int>(path.size()), path.data());
    return 0;
  }
  if (!ParseCommandListText(data.text(), v.lines)) {
    DebugPrint("command list: %.*s has no [CommandList] section\n", static_cast<int>(path.size()),
               path.data());
    return 0;
  }
  RenderLineNames(v.lines);
  v.lineCount = static_cast<int32_t>(v.lines.size());
  return 1;
}

int FreeCommandList() {
  CommandListView& v = GetCommandListView();
  FreeLines(v);
  FreeTextures(v);
  return 1;
}

int LoadCommandList() {
  CommandListView& v = GetCommandListView();
  FreeLines(v);
  FreeTextures(v);
  v.topLine = 0;
  const CharaListEntry* entry = GetCharaListEntry(v.character);
  if (!entry) return 0;
  const bool english = English();
  const std::string folder = std::string(kCommandFolder) + (english ? "com_txt\\eng\\" : "com_txt\\jpn\\");
  char name[sizeof entry->Name] = {};
  std::memcpy(name, entry->Name, sizeof name - 1);
  char file[512];
  std::snprintf(file, sizeof file, "%s_cl_%s_%0d.txt", folder.c_str(), name, v.type);
  const int parsed = ParseCommandListFile(file);
  const std::string base(kCommandFolder);
  v.sysCom00 = LoadTexture((base + (english ? "sys_com00_eng" : "sys_com00")).c_str());
  v.sysCom02 = LoadTexture((base + (english ? "sys_com02_eng" : "sys_com02")).c_str());
  v.sysCom01 = LoadTexture((base + "sys_com01").c_str());
  v.sysCom03 = LoadTexture((base + "sys_com03").c_str());
  char picture[512];
  std::snprintf(picture, sizeof picture, "%scom_cname%02d",
                (base + (english ? "com_cname\\eng\\" : "com_cname\\jpn\\")).c_str(), v.character);
  v.namePicture = LoadTexture(picture);
  ResetCommandColours(v.colours);
  if (DataBuffer cfg = LoadDataFile(base + "CommandCfg.ini")) ReadCommandColours(cfg.text(), v.colours);
  return parsed;
}

int UpdateCommandList(int player) {
  CommandListView& v = GetCommandListView();
  if (g_CommandListRequested != 0) {
    const int side = g_CommandListRequested == 1 ? player : g_CommandListSide;
    g_CommandListSide = side & 1;
    v.layer = 765;
    v.side = g_CommandListSide;
    v.character = g_PlayerSelections[v.side].character;
    v.type = g_PlayerSelections[v.side].type;
    LoadCommandList();
    v.topLine = 0;
    g_CommandListRequested = 0;
  }
  int direction = 0;
  uint32_t pressed = 0;
  uint32_t held = 0;
  if (g_AppJoystick != nullptr && player >= 0 && player < 4) {
    const PadState& s = g_AppJoystick->menuBank[static_cast<size_t>(player)];
    if (s.menuDirection & PadState::kChanged) direction = s.menuDirection & 0x0F;
    s.GetButtonMasks(&pressed, &held);
  }
  int result = 1;
  if (pressed & 0x4) result = -1;
  if (pressed & 0x2) result = 0;  // the second button wins over the third
  DrawCommandList();
  const int step = (held & 0x1) ? kCommandListVisibleRows : 1;
  if (direction >= 1 && direction <= 3) {
    v.topLine += step;
  } else if (direction >= 7 && direction <= 9) {
    v.topLine -= step;
  } else if (direction == 4 || direction == 6) {
    g_CommandListRequested = 2;
    g_CommandListSide ^= 1;
  }
  if (v.topLine + kCommandListVisibleRows > v.lineCount) v.topLine = v.lineCount - kCommandListVisibleRows;
  if (v.topLine < 0) v.topLine = 0;
  g_CommandListTop = v.topLine;
  if (result <= 0 || g_CommandListRequested != 0) FreeCommandList();
  return result;
}

// ---- Drawing ----

void DrawCommandListScrollBar() {
  const CommandListView& v = GetCommandListView();
  const int prio = Priority();
  // An empty list (a missing file) has no thumb.
  if (v.lineCount > 0) {
    const float scale = 326.0f / static_cast<float>(v.lineCount);
    const int y = 115 + static_cast<int>(static_cast<float>(v.topLine) * scale);
    const int h = v.topLine + kCommandListVisibleRows < v.lineCount
                      ? static_cast<int>(kCommandListVisibleRows * scale)
                      : static_cast<int>(326.0f - static_cast<float>(v.topLine) * scale);
    Fill(611, y, 10, h, kWhite, prio);
  }
  Sprite(v.sysCom00, 608, 98, 16, 224, 0, 32, 16, 224, kWhite, prio);
  Sprite(v.sysCom00, 608, 322, 16, 144, 16, 32, 16, 144, kWhite, prio);
}

void DrawCommandLineName(const CommandListLine& line, int x, int y) {
  const CommandListView& v = GetCommandListView();
  if (!line.nameTexture) return;
  const int ny = y + 2 + (line.Type == 2 ? 22 : 0);
  const uint8_t filter = g_DrawFilterMode;
  g_DrawFilterMode = 2;
  Sprite(line.nameTexture, x + 8, ny, 665, 28, 0, 0, 1024, 32, 0xFFE6E6E6, v.layer + 256);
  Sprite(line.nameTexture, x + 9, ny + 1, 665, 28, 0, 0, 1024, 32, 0xFF141414, v.layer + 256);
  g_DrawFilterMode = filter;
}

void DrawCmdSubIcons(const CommandListLine& line, int x, int y, int* notationX) {
  const CommandListView& v = GetCommandListView();
  const int prio = Priority();
  const int w = MeasureCommandNotation(line.Cmd);
  const int base = w > 0 ? 336 : 436;
  int suffixEnd = base + 2 + w;
  for (int i = 0; i < line.cmdSubCount; ++i)
    if (kCmdSubKeywords[line.CmdSub[i]].group == kGroupS) suffixEnd += IconOf(line.CmdSub[i]).w;
  const int overflow = std::max(0, suffixEnd - 608);
  int left = base - overflow;
  int right = left + 2 + w;
  for (int i = 0; i < line.cmdSubCount; ++i) {
    const int index = line.CmdSub[i];
    const IconRect& r = IconOf(index);
    switch (kCmdSubKeywords[index].group) {
      case kGroupP:
        Sprite(v.sysCom00, x, y + 4, r.w, r.h, r.x, r.y, r.w, r.h, kWhite, prio);
        break;
      case kGroupS:
        Sprite(v.sysCom02, right, y, r.w, r.h, r.x, r.y, r.w, r.h, kWhite, prio);
        right += r.w;
        break;
      case kGroupL:
        left -= r.w;
        Sprite(v.sysCom02, left, y, r.w, r.h, r.x, r.y, r.w, r.h, kWhite, prio);
        break;
      default:
        break;
    }
  }
  *notationX = 336 - overflow;
}

void DrawCommandNotation(const CommandListLine& line, int x, int y) {
  const CommandListView& v = GetCommandListView();
  const int prio = Priority();
  const int n = y + 24;
  int gx = 0;
  DrawCmdSubIcons(line, x, n, &gx);
  NotationGlyph g;
  for (char c : line.Cmd) {
    if (!GlyphOf(c, &g)) continue;
    if (g.sx >= 0) Sprite(v.sysCom00, gx + g.dx, n + g.dy, 24, 24, g.sx, 96, 24, 24, kWhite, prio + g.above);
    gx += g.advance;
  }
}

void DrawCommandTreeLines(const CommandListLine& line, int x, int y, int row) {
  if (line.childCount == 0) return;
  const CommandListView& v = GetCommandListView();
  const int prio = Priority();
  auto piece = [&](int targetRow, int py, int sx) {
    if (targetRow >= 0 && targetRow < kCommandListVisibleRows)
      Sprite(v.sysCom00, x, py, 32, 32, sx, 0, 32, 32, kWhite, prio);
  };
  int last = 0;
  for (int c = 0; c < line.childCount; ++c) last = std::max<int>(last, line.Child[c]);
  piece(row, y + 24, 0);
  for (int k = 1; k <= last && row + k < kCommandListVisibleRows; ++k) {
    piece(row + k, y + 52 * k - 4, k == 1 ? 32 : 128);
    bool isChild = false;
    bool laterChild = false;
    for (int c = 0; c < line.childCount; ++c) {
      if (line.Child[c] == k) isChild = true;
      if (line.Child[c] > k) laterChild = true;
    }
    const int sx = isChild ? (laterChild ? 96 : 64) : 128;
    piece(row + k, y + 52 * k + 28, sx);
  }
}

void DrawCommandLineFrame(const CommandListLine& line, int x, int y) {
  const CommandListView& v = GetCommandListView();
  const int prio = Priority();
  const int width = 32 * (18 - std::clamp<int>(line.depth, 0, kCommandMaxDepth));
  const uint32_t colour = CommandBandColour(v.colours, line.Type);
  int tagW = 0;
  int tagX = 0;
  switch (line.Type) {
    case 1:
      tagW = 80, tagX = 0;
      break;
    case 10:
      tagW = 96, tagX = 80;
      break;
    case 11:
      tagW = 176, tagX = 176;
      break;
    case 100:
      tagW = 80, tagX = 352;
      break;
    default:
      break;
  }
  if (tagW > 0)
    Sprite(v.sysCom02, x + width - tagW - 8, y, tagW, 24, tagX, English() ? 144 : 96, tagW, 24, kWhite, prio);
  if (line.depth > 0) Sprite(v.sysCom00, x, y + 28, 112, 32, 192, 0, 112, 32, kWhite, prio);
  Sprite(v.sysCom00, x - 16, y, 16, 64, 464, 0, 16, 64, colour, prio);
  Sprite(line.Type == 2 ? v.sysCom03 : v.sysCom01, x, y, width, 64, 0, 0, 512, 64, colour, prio);
}

void DrawCommandList() {
  const CommandListView& v = GetCommandListView();
  const int prio = Priority();
  // Header.
  Sprite(v.namePicture, 352, 32, 256, 32, 0, 0, 256, 32, kWhite, prio);
  Sprite(v.sysCom00, 400, 64, 208, 24, 32, 168 + 24 * v.type, 208, 24, kWhite, prio);
  Sprite(v.sysCom00, 560, 24, 64, 64, 64 * (v.type + 5), 192, 64, 64, kWhite, prio);
  Sprite(v.sysCom00, 144, 24, 64, 48, 408, 96, 64, 48, kWhite, prio);
  Sprite(v.sysCom00, 208, 24, 512, 48, 480, 96, 32, 48, kWhite, prio);
  Sprite(v.sysCom00, 32, 40, 96, 24, 240 + 96 * v.side, 168, 96, 24, kWhite, prio);
  Sprite(v.sysCom00, 8, 40, 24, 24, 240, 192, 24, 24, kWhite, prio);
  Sprite(v.sysCom00, 128, 40, 24, 24, 264, 192, 24, 24, kWhite, prio);
  Sprite(v.sysCom00, 0, 0, 640, 96, 480, 0, 48, 72, 0xB4FFFFFF, prio);
  DrawCommandListScrollBar();
  // Lines: those above the view only carry their connectors down into it.
  for (const CommandListLine& line : v.lines) {
    const int row = line.index - v.topLine;
    if (row >= kCommandListVisibleRows) break;
    const int x = 32 * (std::clamp<int>(line.depth, 0, kCommandMaxDepth) + 1);
    const int y = 98 + 52 * row;
    if (row >= 0) {
      DrawCommandLineName(line, x, y);
      DrawCommandNotation(line, x, y);
    }
    DrawCommandTreeLines(line, x, y, row);
    if (row >= 0) DrawCommandLineFrame(line, x, y);
  }
  // Dim and blur the battle behind (queued last, so drawn under everything of this priority).
  Fill(0, 0, 640, 480, 0x80000000, prio);
  for (int mode : {3, 1}) {
    BloomPass bloom{};
    bloom.mode = mode;
    bloom.w = 640;
    bloom.h = 480;
    bloom.shift = 0.75f;
    bloom.value = 0.75f;
    bloom.colour = kWhite;
    bloom.list = &g_MainDrawList;
    bloom.priority = prio;
    DrawBloomPass(bloom);
  }
}
