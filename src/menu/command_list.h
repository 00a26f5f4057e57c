// The command list: one side's character's moves over the paused battle, as a scrolling list of
// names, input notation, condition icons, coloured bands and follow-up trees, read from a text
// file per character, language and type; left and right switch to the other side's character.
// Shown from the pause and training menus.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TextureHandle;

// 1 asks the next UpdateCommandList to load the list for the calling player, 2 for the side
// now in g_CommandListSide.
extern int32_t g_CommandListRequested;
extern int32_t g_CommandListSide;  // the side shown
extern int32_t g_CommandListTop;   // the first line shown

inline constexpr int kCommandListVisibleRows = 7;
inline constexpr int kCommandSubMax = 8;
inline constexpr int kCommandChildMax = 8;
inline constexpr int kCommandMaxDepth = 17;  // the band's width 32 x (18 - depth) stays positive
inline constexpr size_t kCommandTextMax = 256;
inline constexpr size_t kCommandKeyMax = 64;

struct CommandListLine {
  int32_t index = 0;
  std::string Name;
  TextureHandle* nameTexture = nullptr;  // 1024 x 32
  std::string Cmd;
  int16_t Type = 0;
  int16_t depth = 0;
  uint8_t CmdSub[kCommandSubMax] = {};
  int32_t cmdSubCount = 0;
  uint8_t Child[kCommandChildMax] = {};  // line index of the child minus this line's index
  int32_t childCount = 0;
};

// The band colours by kind, in the order of their keys in CommandCfg.ini.
enum CommandBandColour : int { kColNormal, kColEX, kColAD, kColAAD, kColLA, kColETC, kCommandColourCount };

struct CommandListView {
  int32_t layer = 765;
  int32_t side = 0;
  int32_t character = -1;  // the side's PlayerSelection character and type
  int32_t type = 0;
  int32_t lineCount = 0;
  int32_t topLine = 0;
  std::vector<CommandListLine> lines;
  TextureHandle* sysCom00 = nullptr;  // glyphs, icons, header parts
  TextureHandle* sysCom01 = nullptr;  // band
  TextureHandle* sysCom02 = nullptr;  // condition icons and type tags
  TextureHandle* sysCom03 = nullptr;  // band of Type 2
  TextureHandle* namePicture = nullptr;
  uint32_t colours[kCommandColourCount] = {};
};

// The one list on screen.
CommandListView& GetCommandListView();

// One frame of the list for the player whose menu bank drives it: 1 while it stays open, 0 when
// closed with the second button, -1 when closed with the third. The caller raises
// g_CommandListRequested on the first frame.
int UpdateCommandList(int player);
// 1 when the list file was parsed; 0 leaves an empty list (the screen still shows).
int LoadCommandList();
// Reads, parses and renders the names of a list file; 1 or 0.
int ParseCommandListFile(std::string_view path);
// The parse of a list file's text without rendering: 0 without a "CommandList" section.
int ParseCommandListText(std::string_view text, std::vector<CommandListLine>& lines);
// The default band colours, then those CommandCfg.ini's "Data" section gives validly.
void ResetCommandColours(uint32_t colours[kCommandColourCount]);
void ReadCommandColours(std::string_view iniText, uint32_t colours[kCommandColourCount]);
// The band colour of a Type (0xFF00FF00 for a Type without a kind).
uint32_t CommandBandColour(const uint32_t colours[kCommandColourCount], int type);
// The keyword index of a CmdSub value (1..30), 0 when it is not in the table.
int FindCommandSubKeyword(std::string_view value);
// The Shift-JIS keyword of an index, null for an index without one.
const char* CommandSubKeyword(int index);
// The drawn width of a notation.
int MeasureCommandNotation(std::string_view cmd);
// Releases the name textures, the lines and the textures; returns 1.
int FreeCommandList();

void DrawCommandList();
void DrawCommandListScrollBar();
void DrawCommandLineName(const CommandListLine& line, int x, int y);
void DrawCmdSubIcons(const CommandListLine& line, int x, int y, int* notationX);
void DrawCommandNotation(const CommandListLine& line, int x, int y);
void DrawCommandTreeLines(const CommandListLine& line, int x, int y, int row);
void DrawCommandLineFrame(const CommandListLine& line, int x, int y);
