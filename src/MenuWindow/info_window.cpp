// The help-text window and the help keys of an in-game menu.
#include "MenuWindow/info_window.h"

#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/IniFile.h"
#include "Dxtools/Text/font_manage.h"
#include "Dxtools/Text/system_font.h"
#include "MenuWindow/game_menu.h"
#include "MenuWindow/menu_text.h"
#include "app/lib_debug.h"
#include "scene/calc_ease.h"

using vt::menu::BoundedText;

namespace {
constexpr float kFadeStep = 0.0625f;
constexpr int kLineWidth = 1024;
constexpr int kLineHeight = 64;
}  // namespace

CInformationWindow::CInformationWindow() = default;

CInformationWindow::~CInformationWindow() { Release(); }

int CInformationWindow::LoadTexts(std::string_view path) {
  pairs.clear();
  cacheValid = false;
  IniFile ini;
  if (!ini.Load(path)) {
    DebugPrint("help texts: %.*s not found\n", static_cast<int>(path.size()), path.data());
    return 0;
  }
  // A missing key or a negative value keeps the default.
  auto readInt = [&](const char* key, int32_t* out) {
    if (const char* v = ini.FindKey("Font", key)) {
      int value = 0;
      if (std::sscanf(v, "%d", &value) == 1 && value >= 0) *out = value;
    }
  };
  if (const char* v = ini.FindKey("Font", "Name")) {
    std::string name(v, IniValueLength(v));
    if (!name.empty()) fontName = BoundedText(name, vt::menu::kFontNameCapacity);
  }
  readInt("Antialias", &antialias);
  readInt("Height", &fontHeight);
  readInt("Weight", &fontWeight);
  if (ini.SelectSection("Information")) {
    std::string key;
    while (ini.NextKey(key)) {
      std::string text;
      ini.GetString(text, vt::menu::kHelpTextCapacity - 1);
      pairs.emplace_back(key, std::move(text));
    }
  }
  return 1;
}

void CInformationWindow::SetKey(std::string_view key) { key1 = BoundedText(key, vt::menu::kHelpKeyCapacity); }

void CInformationWindow::SetKey2(std::string_view key) {
  key2 = BoundedText(key, vt::menu::kHelpKeyCapacity);
}

void CInformationWindow::SetTitle(std::string_view text) {
  title = BoundedText(text, vt::menu::kWindowTitleCapacity);
}

void CInformationWindow::SetDirectTexts(std::string_view text1, std::string_view text2, int32_t flag) {
  direct1 = BoundedText(text1, vt::menu::kHelpTextCapacity);
  direct2 = BoundedText(text2, vt::menu::kHelpTextCapacity);
  directFlag = flag;
}

const std::string& CInformationWindow::FindText(std::string_view key) {
  if (cacheValid && cacheKey == key) return cacheText;
  cacheKey = std::string(key);
  cacheText.clear();
  for (const auto& [k, text] : pairs) {
    if (k == key) {
      cacheText = text;
      break;
    }
  }
  cacheValid = true;
  return cacheText;
}

void CInformationWindow::FadeIn() {
  state = kFadingIn;
  frames = 0;
}

void CInformationWindow::FadeOut() {
  state = kFadingOutToHidden;
  frames = 0;
}

void CInformationWindow::Update() {
  switch (state) {
    case kFadingIn:
      fade += kFadeStep;
      if (fade >= 1.0f) {
        state = kShown;
        fade = 1.0f;
        frames = 0;
      }
      break;
    case kFadingOutToHidden:
      fade -= kFadeStep;
      if (fade <= 0.0f) {
        state = kHidden;
        fade = 0.0f;
        frames = 0;
      }
      break;
    case kFadingOut:
      fade -= kFadeStep;
      if (fade < 0.0f) fade = 0.0f;
      break;
    case kIdle:
      return;
    default:
      break;
  }
  ++frames;
  // Copies: FindText's cache is replaced by the second lookup.
  const std::string text1 = directFlag ? direct1 : FindText(key1);
  const std::string text2 = directFlag ? direct2 : FindText(key2);
  RenderLine(lines[0], text1);
  RenderLine(lines[1], text2);
}

void CInformationWindow::RenderLine(LineRenderer& line, const std::string& text) {
  if (line.text == text) return;
  line.text = text;
  if (text.empty()) {
    line.rendered = 0;
    return;
  }
  FreeTexture(line.texture);
  line.texture = CreateTexture(kLineWidth, kLineHeight, vt::gfx::FMT_A8R8G8B8);
  line.rendered = 0;
  if (!line.texture) {
    DebugPrint("help window: no texture for a line\n");
    return;
  }
  vt::text::FontManageDesc desc;
  desc.SetDefaults();
  desc.SetFaceName(fontName.c_str());
  desc.height = fontHeight;
  desc.weight = static_cast<uint32_t>(fontWeight);
  desc.quality = antialias ? 4 : 0;
  vt::text::CD3DXFontManage font(desc);
  font.SetTargetTexture(line.texture);
  font.BeginDraw();
  vt::text::DrawStringArgs args;
  args.text = text.c_str();
  args.colour = 0xFFFFFFFF;
  font.DrawString(args);
  font.EndDraw();
  line.rendered = 1;
}

void CInformationWindow::Draw() {
  const float f = fade;
  if (f <= 0.0f) return;
  const float e = CalcEase(1, f);
  const float h = static_cast<float>(bandHeight) * e;
  const int top = static_cast<int>(static_cast<float>(centreY) - h / 2.0f);
  const int height = static_cast<int>(h);
  const int priority = layer + 256;
  if (f >= 1.0f) {
    g_DrawFilterMode = 2;
    for (int i = 0; i < 2; ++i) {
      if (!lines[i].rendered || !lines[i].texture) continue;
      const int y = top + 16 + (i ? static_cast<int>(scaleY * 30.0f) : 0);
      DrawSprite(nullptr, lines[i].texture, 48, y, static_cast<int>(kLineWidth * scaleX),
                 static_cast<int>(kLineHeight * scaleY), 0, 0, kLineWidth, kLineHeight, 0xFFFFFFFF, 0,
                 priority);
    }
    g_DrawFilterMode = 1;
  }
  vt::text::DrawOutlinedText(32, top - 10, title.c_str(), static_cast<int>(e * 255.0f), 255, 10, 14, 0,
                             layer);
  const uint32_t grey = static_cast<uint32_t>(e * 220.0f);
  const uint32_t line = 0xFF000000u | grey * 0x010101u;
  DrawRect(nullptr, 0, top + 4, 640, 1, line, line, line, line, priority);
  DrawRect(nullptr, 0, top + height - 4, 640, 1, line, line, line, line, priority);
  DrawRect(nullptr, 0, top, 640, height, 0xB4000000, 0xB4000000, 0xB4000000, 0xB4000000, priority);
}

void CInformationWindow::Reset() {
  state = kIdle;
  frames = 0;
  fade = 0.0f;
  key1.clear();
  cacheValid = false;
  cacheKey.clear();
  cacheText.clear();
  for (auto& line : lines) {
    line.text.clear();
    line.rendered = 0;
  }
}

void CInformationWindow::FreeLines() {
  for (auto& line : lines) {
    FreeTexture(line.texture);
    line.texture = nullptr;
    line.rendered = 0;
    line.text.clear();
  }
}

void CInformationWindow::Release() {
  pairs.clear();
  cacheValid = false;
  FreeLines();
}

void MakeMenuHelpKeys(CGameMenuManager* menu, std::string* key, std::string* choiceKey,
                      std::string_view prefix) {
  std::string k, ck;
  CGameMenu_Element* element = menu ? menu->GetCursorElement() : nullptr;
  if (element) {
    k = BoundedText(std::string(prefix) + element->id, vt::menu::kHelpKeyCapacity);
    const int index = element->GetChoiceIndex();
    if (index >= 0) {
      char number[16];
      std::snprintf(number, sizeof number, "_%d", element->GetChoiceValue(index));
      ck = BoundedText(k + number, vt::menu::kHelpKeyCapacity);
    }
  }
  if (key) *key = std::move(k);
  if (choiceKey) *choiceKey = std::move(ck);
}
