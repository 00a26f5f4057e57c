// Game texts from ".\GameText.ini" and quoted-text lists.
#include "app/text_list.h"

#include "Dxtools/IniFile.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "app/lib_sjis.h"
#include "app/save_data.h"

std::vector<GameTextEntry> g_GameTextTable;

namespace {
// Values are cut at 512 characters.
constexpr size_t kGameTextMax = 512;

void FillGameText(IniFile& ini) {
  std::string key, value;
  if (ini.SelectSection("Japanese")) {
    while (ini.NextKey(key)) {
      value.clear();
      ini.GetString(value, kGameTextMax);
      g_GameTextTable.push_back({value, std::string()});
    }
  }
  if (ini.SelectSection("English")) {
    size_t n = 0;
    while (ini.NextKey(key)) {
      value.clear();
      ini.GetString(value, kGameTextMax);
      if (n < g_GameTextTable.size()) g_GameTextTable[n].english = value;
      ++n;
    }
  }
}
}  // namespace

void LoadGameText() {
  g_GameTextTable.clear();
  IniFile ini;
  if (!ini.Load(".\\GameText.ini")) {
    DebugPrint("LoadGameText: .\\GameText.ini not found; no game texts\n");
    return;
  }
  FillGameText(ini);
}

void LoadGameTextFrom(std::string_view iniText) {
  g_GameTextTable.clear();
  IniFile ini;
  ini.LoadFromText(iniText);
  FillGameText(ini);
}

std::string GetGameText(int n) {
  if (n < 0 || static_cast<size_t>(n) >= g_GameTextTable.size()) return std::string();
  const GameTextEntry& e = g_GameTextTable[static_cast<size_t>(n)];
  return GetSelectLanguage() == 1 ? e.english : e.japanese;
}

std::string FormatGameText(std::string_view format, std::string_view arg) {
  std::string out;
  const size_t at = format.find("%s");
  if (at == std::string_view::npos) return std::string(format);
  out.reserve(format.size() + arg.size());
  out.append(format.substr(0, at));
  out.append(arg);
  out.append(format.substr(at + 2));
  return out;
}

std::string FormatGameText(std::string_view format, int number) {
  const size_t at = format.find("%d");
  if (at == std::string_view::npos) return std::string(format);
  std::string out(format.substr(0, at));
  out += std::to_string(number);
  out.append(format.substr(at + 2));
  return out;
}

// ---- TextList ----

namespace {
constexpr std::string_view kEndMarker =
    "\\\\END\\\\";  // the content \\END\\ (four backslashes each side in the file)
}

int TextList::Load(std::string_view path) {
  Delete();
  DataBuffer data = LoadDataFile(path);  // packs first, then disk
  if (!data) return 0;
  if (!LoadFromText(data.text())) {
    DebugPrint("TextList: %.*s has no end marker; not loaded\n", static_cast<int>(path.size()), path.data());
    return 0;
  }
  return 1;
}

int TextList::LoadFromText(std::string_view text) {
  Delete();
  text_.assign(text);
  positions_.reserve(513);
  std::string entry;
  size_t pos = 0;
  while (true) {
    if (SjisSkipBlanks(text_, pos, 0) != 0) break;  // end of text or an unclosed comment
    size_t start = pos;
    int32_t r = SjisReadQuotedString(text_, pos, entry, false);
    if (r < 0) break;
    if (entry == kEndMarker) {
      loaded_ = true;
      return 1;
    }
    positions_.push_back(start);
    pos = static_cast<size_t>(r);
  }
  Delete();
  return 0;
}

bool TextList::GetEntry(size_t n, std::string& out) const {
  out.clear();
  if (!loaded_ || n >= positions_.size()) return false;
  return SjisReadQuotedString(text_, positions_[n], out, false) >= 0;
}

void TextList::Delete() {
  text_.clear();
  positions_.clear();
  loaded_ = false;
}

int CTextInfoIndex::Load() {
  if (list_ && list_->IsLoaded()) return 1;
  auto list = std::make_unique<TextList>();
  if (!list->Load(GetPath())) {
    list_.reset();
    return 0;
  }
  list_ = std::move(list);
  return 1;
}
