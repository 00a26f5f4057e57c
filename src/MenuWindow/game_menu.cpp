// The in-game menu framework: elements, sets, the manager, the shared menu look and the dialogs.
#include "MenuWindow/game_menu.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/font_manage.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/e2e_run.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "app/lib_debug.h"
#include "scene/calc_ease.h"

namespace {

constexpr int kCursorSound = 152;

// Label alignment of the menus (0 centred, 1 left, 2 right) as the outlined-text alignment
// (0 left, 1 centred, 2 right).
int OutlineAlign(int labelAlign) {
  switch (labelAlign) {
    case 1:
      return 0;
    case 2:
      return 2;
    default:
      return 1;
  }
}

uint32_t Argb(int a, int r, int g, int b) {
  auto c = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
  return c(a) << 24 | c(r) << 16 | c(g) << 8 | c(b);
}

void Rect(int x, int y, int w, int h, uint32_t left, uint32_t right, int priority) {
  DrawRect(nullptr, x, y, w, h, left, right, left, right, priority);
}

// Renders text lines in white into a new 1024 x 64 texture, each centred in boxWidth; null when
// the texture cannot be made.
TextureHandle* RenderLines(std::span<const std::string_view> lines, int height, int weight, int boxWidth,
                           int texWidth = 1024, int texHeight = 64, uint32_t colour = 0xFFFFFFFF) {
  TextureHandle* texture = CreateTexture(texWidth, texHeight, vt::gfx::FMT_A8R8G8B8);
  if (!texture) {
    DebugPrint("menu: no texture for the info text\n");
    return nullptr;
  }
  vt::text::FontManageDesc desc;
  desc.SetDefaults();
  desc.height = height;
  desc.weight = static_cast<uint32_t>(weight);
  desc.quality = 4;
  vt::text::CD3DXFontManage font(desc);
  font.SetTargetTexture(texture);
  font.BeginDraw();
  int y = 0;
  for (std::string_view line : lines) {
    const std::string text(line);
    vt::text::DrawStringArgs args;
    args.x = boxWidth;
    args.y = y;
    args.text = text.c_str();
    args.colour = colour;
    args.flags = 1;
    if (!text.empty()) font.DrawString(args);
    y += 22;
  }
  font.EndDraw();
  return texture;
}

}  // namespace

// ---- Elements ----

CGameMenu_Element::CGameMenu_Element(std::string_view l, std::string_view i, int32_t k)
    : kind(k), label(l), id(i) {}

void CGameMenu_Element::Draw(int x, int y) {
  vt::text::DrawSysFontText(x, y, label.c_str(), 255, isCursor ? 255 : 128, 2, 1, 14, 24, 11, 0);
}

CPauseMenu_NormalElement::CPauseMenu_NormalElement(std::string_view l, std::string_view i)
    : CGameMenu_Element(l, i, kElementNormal) {
  selectable = 1;
}

CGameMenu_SpaceElement::CGameMenu_SpaceElement() : CGameMenu_Element("", "", kElementSpacer) {}

CPauseMenu_SpaceElement::CPauseMenu_SpaceElement(int32_t h) {
  if (h != 0) height = h;
}

CGameMenu_SelectElement::CGameMenu_SelectElement(std::string_view l, std::string_view i, int32_t x)
    : CGameMenu_Element(l, i, kElementNormal), choiceX(x) {
  selectable = 1;
}

const char* CGameMenu_SelectElement::GetChoiceLabel(int i) {
  if (i < 0 || i >= static_cast<int>(choices.size())) return nullptr;
  return choices[i].label.c_str();
}

std::string CGameMenu_SelectElement::GetChoiceText(int i) {
  if (i < 0 || i >= static_cast<int>(choices.size())) return {};
  return choices[i].text;
}

int32_t CGameMenu_SelectElement::GetChoiceValue(int i) {
  if (i < 0 || i >= static_cast<int>(choices.size())) return 0;
  return choices[i].value;
}

int CGameMenu_SelectElement::ChangeChoice(int direction) {
  const int count = static_cast<int>(choices.size());
  if (direction == 6 && choiceIndex + 1 < count) {
    ++choiceIndex;
    return 1;
  }
  if (direction == 4 && choiceIndex > 0 && count > 0) {
    --choiceIndex;
    return 1;
  }
  return 0;
}

void CGameMenu_SelectElement::SetChoiceIndex(int i) {
  if (i >= 0 && i < static_cast<int>(choices.size())) choiceIndex = i;
}

void CGameMenu_SelectElement::SetChoiceLabel(int i, std::string_view text) {
  if (i >= 0 && i < static_cast<int>(choices.size())) choices[i].label = std::string(text);
}

void CGameMenu_SelectElement::AddChoice(const GameMenuChoice& choice) { choices.push_back(choice); }

CGameMenu_FolderElement::CGameMenu_FolderElement(std::string_view l, std::string_view i, std::string_view t)
    : CGameMenu_Element(l, i, kElementFolder), target(t) {
  selectable = 1;
}

CPauseMenu_ExitElement::CPauseMenu_ExitElement(std::string_view l, std::string_view i)
    : CGameMenu_Element(l, i, kElementExit) {
  selectable = 1;
}

// ---- Sets ----

CGameMenuSet::CGameMenuSet(CGameMenuManager* o, std::string_view n, bool registerWithOwner)
    : owner(o), name(n) {
  if (owner && registerWithOwner) owner->RegisterSet(this);
}

CGameMenuSet::~CGameMenuSet() {
  for (CGameMenu_Element* e : elements) delete e;
}

CGameMenu_Element* CGameMenuSet::AddElement(CGameMenu_Element* element) {
  if (element) elements.push_back(element);
  return element;
}

void CGameMenuSet::AddResultName(std::string_view id) { resultNames.emplace_back(id); }

CGameMenu_Element* CGameMenuSet::FindElement(std::string_view id) {
  for (CGameMenu_Element* e : elements)
    if (e->id == id) return e;
  return nullptr;
}

void CGameMenuSet::SelectChoiceByValue(std::string_view id, int32_t value) {
  CGameMenu_Element* e = FindElement(id);
  if (!e) return;
  for (int i = 0; i < e->GetChoiceCount(); ++i) {
    if (e->GetChoiceValue(i) == value) {
      e->SetChoiceIndex(i);
      return;
    }
  }
}

int32_t CGameMenuSet::GetElementValue(std::string_view id) {
  CGameMenu_Element* e = FindElement(id);
  if (!e || e->GetChoiceIndex() < 0) return 0;
  return e->GetChoiceValue(e->GetChoiceIndex());
}

CGameMenu_Element* CGameMenuSet::CursorElement() {
  if (cursor < 0 || cursor >= static_cast<int>(elements.size())) return nullptr;
  return elements[cursor];
}

int32_t CGameMenuSet::TotalHeight() {
  int32_t h = 0;
  for (CGameMenu_Element* e : elements) h += e->GetHeight();
  return h;
}

void CGameMenuSet::MarkCursor() {
  for (size_t i = 0; i < elements.size(); ++i) elements[i]->isCursor = static_cast<int>(i) == cursor;
}

void CGameMenuSet::Reset(int) { endState = 0; }

void CGameMenuSet::SetCursorById(std::string_view id) {
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i]->id == id) {
      cursor = static_cast<int32_t>(i);
      if (owner) owner->resultName = std::string(id);
      return;
    }
  }
}

int CGameMenuSet::Input(int direction, int button) {
  const int count = static_cast<int>(elements.size());
  if (count == 0) return 0;
  if (cursor < 0 || cursor >= count) cursor = 0;
  int result = 0;
  if (active && (direction == 8 || direction == 2)) {
    previousCursor = cursor;
    int c = cursor;
    bool found = false;
    // A set without a selectable element keeps its cursor instead of stepping for ever.
    for (int steps = 0; steps < count; ++steps) {
      c = direction == 8 ? (c + count - 1) % count : (c + 1) % count;
      if (elements[c]->selectable) {
        found = true;
        break;
      }
    }
    if (found) cursor = c;
    result = cursor != previousCursor ? 1 : 0;
  }
  for (int i = 0; i < count; ++i) {
    CGameMenu_Element* e = elements[i];
    e->isCursor = i == cursor;
    if (i == cursor) {
      ++e->framesUnderCursor;
      e->framesAway = 0;
    } else {
      if (e->framesAway < 999999) ++e->framesAway;
      e->framesUnderCursor = 0;
    }
  }
  if (!active) {
    if (idleFrames < 99999) ++idleFrames;
    activeFrames = 0;
    return result;
  }
  CGameMenu_Element* current = elements[cursor];
  if (owner) owner->resultName = current->id;
  // A choice change is not a cursor move: the result (and with it the cursor sound) tells only
  // of the cursor. Screens read a changed choice from the element itself.
  current->ChangeChoice(direction);
  if (button == kMenuButtonDecide)
    Decide(current);
  else if (button == kMenuButtonCancel)
    endState = 1;
  else if (button == kMenuButtonAlt)
    endState = 2;
  ++activeFrames;
  idleFrames = 0;
  return result;
}

void CGameMenuSet::Decide(CGameMenu_Element* element) {
  if (!element) return;
  switch (element->kind) {
    case kElementExit:
      endState = 1;
      break;
    case kElementFolder:
      if (owner) owner->OpenSet(element->GetFolderTarget(), 1);
      break;
    case kElementNormal:
      if (std::find(resultNames.begin(), resultNames.end(), element->id) != resultNames.end() && owner) {
        owner->resultName = element->id;
        owner->decided = 1;
      }
      break;
    default:
      break;
  }
}

void CGameMenuSet::DrawElements() {
  if (!owner) return;
  for (size_t i = 0; i < elements.size(); ++i)
    elements[i]->Draw(owner->x, owner->y + static_cast<int>(i) * owner->lineSpacing);
}

// ---- Manager ----

CGameMenuManager::~CGameMenuManager() { DeleteSets(); }

void CGameMenuManager::RegisterSet(CGameMenuSet* set) {
  if (set) sets.push_back(set);
}

void CGameMenuManager::DeleteSets() {
  std::vector<CGameMenuSet*> doomed;
  doomed.swap(sets);
  for (CGameMenuSet* s : doomed) delete s;
}

void CGameMenuManager::ClearSets() { DeleteSets(); }

CGameMenuSet* CGameMenuManager::CurrentSet() {
  if (currentSet < 0 || currentSet >= static_cast<int>(sets.size())) return nullptr;
  return sets[currentSet];
}

CGameMenuSet* CGameMenuManager::FindSet(std::string_view name) {
  for (CGameMenuSet* s : sets)
    if (s->name == name) return s;
  return nullptr;
}

CGameMenu_Element* CGameMenuManager::GetCursorElement() {
  CGameMenuSet* s = CurrentSet();
  return s ? s->CursorElement() : nullptr;
}

int CGameMenuManager::OpenSet(std::string_view name, int arg) {
  for (size_t i = 0; i < sets.size(); ++i) {
    if (sets[i]->name == name) {
      previousSet = currentSet;
      SetCurrentSet(static_cast<int>(i));
      sets[i]->Reset(arg);
      setOpened = 1;
      return static_cast<int>(i);
    }
  }
  return -1;
}

int CGameMenuManager::Input(int direction, int button) {
  if (endCode || sets.empty()) return 0;
  decided = 0;
  setOpened = 0;
  for (size_t i = 0; i < sets.size(); ++i) sets[i]->active = static_cast<int>(i) == currentSet;
  int result = 0;
  for (size_t i = 0; i < sets.size(); ++i) {
    CGameMenuSet* s = sets[i];
    const int r = s->Input(direction, button);
    if (r) result = r;
    if (s->endState) {
      const int ended = s->endState;
      s->endState = 0;
      if (!s->parentName.empty())
        OpenSet(s->parentName, -1);
      else
        endCode = ended == 2 ? 2 : 1;
    }
  }
  return result;
}

// ---- The shared menu look ----

CPauseMenu_Default::CPauseMenu_Default() { y = 240; }

CPauseMenu_Default::~CPauseMenu_Default() { FreeTexture(ownedTexture); }

void CPauseMenu_Default::SetTitle(std::string_view text) { title = std::string(text); }

int CPauseMenu_Default::Input(int direction, int button) {
  const int r = inputEnabled ? CGameMenuManager::Input(direction, button) : CGameMenuManager::Input(0, 0);
  Update();
  if (r) g_SeRequest[kCursorSound] = 1;
  return r;
}

void CPauseMenu_Default::MarkCursorElements() {
  for (CGameMenuSet* s : sets) s->MarkCursor();
}

void CPauseMenu_Default::SetOpenState(int32_t s) {
  openState = s;
  stateFrames = 0;
}

void CPauseMenu_Default::StartClosing() {
  SetOpenState(kClosing);
  inputEnabled = 0;
}

int CPauseMenu_Default::StepFade(float step, int32_t endStateWhenDone) {
  fade += step;
  if (fade >= 1.0f || fade <= 0.0f) {
    fade = std::clamp(fade, 0.0f, 1.0f);
    SetOpenState(endStateWhenDone);
    return 1;
  }
  return 0;
}

void CPauseMenu_Default::StepOpenClose() {
  switch (openState) {
    case kStart:
      fade = 0.0f;
      SetOpenState(kOpening);
      break;
    case kOpening:
      if (StepFade(openStep, kOpen)) inputEnabled = 1;
      break;
    case kOpen:
      if (endCode) {
        SetOpenState(kClosing);
        declined = 1;
        cancelled = 1;
        inputEnabled = 0;
      }
      break;
    case kClosing:
      StepFade(closeStep, kClosed);
      break;
    default:
      break;
  }
}

void CPauseMenu_Default::Update() {
  MarkCursorElements();
  StepOpenClose();
  ++frameCount;
  ++stateFrames;
}

void CPauseMenu_Default::DrawCursorBar(int barX, int barY, uint32_t colour, CGameMenu_Element* element) {
  if (!element) return;
  const int alpha = static_cast<int>(colour >> 24);
  uint32_t rgb;
  int a;
  int yy = barY + glyphHeight / 8;
  if (element->isCursor) {
    rgb = 0xE6323C;
    a = alpha;
    const int frames = element->framesUnderCursor;
    if (frames < 16) {
      static constexpr int kShake[4] = {3, -3, 0, 0};
      yy += static_cast<int>((1.0f - static_cast<float>(frames) / 16.0f) * kShake[frames % 4]);
    }
  } else {
    rgb = 0x73191E;
    const int away = std::min(element->framesAway, 16);
    a = static_cast<int>(static_cast<float>(alpha) * (1.0f - static_cast<float>(away) / 16.0f));
  }
  if (a <= 0) return;
  const int left = narrow ? x - 20 : 0;
  (void)barX;
  const int width = narrow ? 320 : 640;
  Rect(left, yy, width, glyphHeight - glyphHeight / 4, static_cast<uint32_t>(a) << 24 | rgb, rgb,
       layer + 256);
}

void CPauseMenu_Default::Draw() {
  if (fade <= 0.0f) return;
  const float e = CalcEase(1, fade);
  const int priority = layer + 256;
  const int align = OutlineAlign(labelAlign);
  for (CGameMenuSet* s : sets) {
    float presence;
    if (!s->active)
      presence = 1.0f - static_cast<float>(std::min(s->idleFrames, 16)) / 16.0f;
    else
      presence = s->activeFrames == 0 ? 1.0f : static_cast<float>(std::min(s->activeFrames, 16)) / 16.0f;
    const int setAlpha = static_cast<int>(fade * presence * 255.0f);
    const int total = s->TotalHeight();
    int above = 0;
    for (CGameMenu_Element* el : s->elements) {
      int ey;
      if (verticalMode == 0)
        ey = y + static_cast<int>((static_cast<float>(above) - static_cast<float>(total) / 2.0f) * e);
      else if (verticalMode == 1)
        ey = y + static_cast<int>(static_cast<float>(above) * e);
      else
        ey = el->drawnY;
      el->drawnY = ey;
      above += el->GetHeight();
      if (setAlpha <= 0) continue;
      const int grey = static_cast<int>(el->GetAlpha() * opacity * 255.0f);
      vt::text::DrawOutlinedText(centreX, ey, el->label.c_str(), grey, setAlpha, glyphWidth, glyphHeight,
                                 align, layer);
      const int index = el->GetChoiceIndex();
      const char* choice = index >= 0 ? el->GetChoiceLabel(index) : nullptr;
      if (choice) {
        const int cx = el->GetChoiceX() + centreX;
        vt::text::DrawOutlinedText(cx, ey, choice, grey, setAlpha, glyphWidth, glyphHeight, 1, layer);
        int h = glyphWidth + vt::text::MeasureSysFontText(choice, glyphWidth) / 2;
        if (el->framesUnderCursor > 0) h += (el->framesUnderCursor % 16) / 2;
        if (index > 0)
          vt::text::DrawOutlinedText(cx - h, ey, "<", grey, setAlpha, glyphWidth, glyphHeight, 1, layer);
        if (index + 1 < el->GetChoiceCount())
          vt::text::DrawOutlinedText(cx + h, ey, ">", grey, setAlpha, glyphWidth, glyphHeight, 1, layer);
      }
      if (drawCursorBars) DrawCursorBar(centreX, ey, Argb(setAlpha, grey, grey, grey), el);
    }
  }
  if (drawTitleBox && !sets.empty()) {
    const int box = static_cast<int>(static_cast<float>(sets[0]->TotalHeight() + 32) * e);
    if (verticalMode == 0)
      titleBoxTop = y - box / 2;
    else if (verticalMode == 1)
      titleBoxTop = y - static_cast<int>(16.0f * e);
    const int top = titleBoxTop;
    const int width = narrow ? 320 : 640;
    vt::text::DrawOutlinedText(x + 32, top - 10, title.c_str(), static_cast<int>(opacity * 255.0f), 255, 10,
                               14, 0, layer);
    const int g = static_cast<int>(220.0f * opacity);
    const uint32_t line = Argb(255, g, g, g);
    Rect(x, top + 4, width, 1, line, line, priority);
    Rect(x, top + box - 4, width, 1, line, line, priority);
    Rect(x, top, width, box, 0xB4000000, 0xB4000000, priority);
  }
  if (drawBackground) {
    for (int mode : {3, 1}) {
      BloomPass bloom{};
      bloom.mode = mode;
      bloom.w = 640;
      bloom.h = 480;
      bloom.shift = 0.75f;
      bloom.value = std::clamp(fade, 0.0f, 1.0f);
      bloom.colour = 0xFFFFFFFF;
      bloom.list = &g_MainDrawList;
      bloom.priority = priority;
      DrawBloomPass(bloom);
    }
  }
}

// ---- Info group ----

CGameMenu_InfoGrp::CGameMenu_InfoGrp() = default;

CGameMenu_InfoGrp::~CGameMenu_InfoGrp() { FreeTexture(infoTexture); }

void CGameMenu_InfoGrp::RenderInfoLines(std::string_view line1, std::string_view line2, int boxWidth) {
  FreeTexture(infoTexture);
  const std::string_view lines[2] = {line1, line2};
  infoTexture =
      RenderLines(std::span<const std::string_view>(lines, line2.empty() ? 1 : 2), 22, 400, boxWidth);
}

void CGameMenu_InfoGrp::SetInfoText(std::string_view text) {
  vt::e2e::ReportBoxText(text);
  RenderInfoLines(text, {}, narrow ? 512 : 1024);
}

void CGameMenu_InfoGrp::Draw() {
  if (fade > 0.0f && infoTexture) {
    const float e = CalcEase(1, fade);
    const int count = sets.empty() ? 0 : static_cast<int>(sets.back()->elements.size());
    const int ix = narrow ? x : -38;
    const int iy = y - static_cast<int>(9.0f * static_cast<float>(count) * e) + infoYOffset;
    g_DrawFilterMode = 2;
    DrawSprite(nullptr, infoTexture, ix, iy, 716, 64, 0, 0, 1024, 64,
               Argb(static_cast<int>(fade * 255.0f), 255, 255, 255), 0, layer + 256);
    g_DrawFilterMode = 1;
  }
  CPauseMenu_Default::Draw();
  if (dim && fade > 0.0f) {
    const uint32_t c = Argb(static_cast<int>(static_cast<float>(dim) * fade), 0, 0, 0);
    Rect(0, 0, 640, 480, c, c, layer + 256);
  }
}

// ---- Common sets ----

CGameCommonMenuSet::CGameCommonMenuSet(CGameMenuManager* o, std::string_view n)
    : CGameMenuSet(o, n, n != "COMMON_KEY_MENU") {
  if (n == "COMMON_KEY_MENU") return;
  AddResultName("MENU_YES");
  AddResultName("MENU_NO");
  AddResultName("MENU_OK");
  if (n == "COMMON_YESNO_MENU") {
    AddElement(new CPauseMenu_SpaceElement(24));
    AddElement(new CPauseMenu_NormalElement("YES", "MENU_YES"));
    AddElement(new CPauseMenu_NormalElement("NO", "MENU_NO"));
    SetCursorById("MENU_NO");
  } else if (n == "COMMON_OK_MENU") {
    AddElement(new CPauseMenu_SpaceElement(24));
    AddElement(new CPauseMenu_NormalElement("  OK  ", "MENU_OK"));
    SetCursorById("MENU_OK");
  } else if (n == "COMMON_INPUTIP_MENU" || n == "COMMON_WAIT") {
    AddElement(new CPauseMenu_SpaceElement(48));
  } else if (n == "COMMON_SEARCH") {
    AddElement(new CPauseMenu_SpaceElement(24));
    AddElement(new CPauseMenu_NormalElement("SEARCH", "MENU_YES"));
    AddElement(new CPauseMenu_NormalElement("RETURN", "MENU_NO"));
    SetCursorById("MENU_NO");
  } else if (n == "COMMON_CREATE") {
    AddResultName("MENU_CREATE");
    AddElement(new CPauseMenu_SpaceElement(24));
    AddElement(new CPauseMenu_NormalElement("YES", "MENU_YES"));
    AddElement(new CPauseMenu_NormalElement("NO", "MENU_NO"));
    AddElement(new CPauseMenu_NormalElement("CREATE", "MENU_CREATE"));
    SetCursorById("MENU_YES");
  }
}

// ---- Yes/no ----

CGameMenu_YESNO::CGameMenu_YESNO() {
  title = "Information";
  drawBackground = 0;
  new CGameCommonMenuSet(this, "COMMON_YESNO_MENU");
}

void CGameMenu_YESNO::Update() {
  MarkCursorElements();
  StepOpenClose();
  if (decided && openState != kClosing && openState != kClosed) {
    if (resultName == "MENU_YES") {
      confirmed = 1;
      StartClosing();
    } else if (resultName == "MENU_NO") {
      declined = 1;
      StartClosing();
    }
  }
  ++frameCount;
  ++stateFrames;
}

// ---- Digit entry ----

CGameMenu_InputIP::CGameMenu_InputIP() {
  drawBackground = 0;
  infoYOffset = -18;
  new CGameCommonMenuSet(this, "COMMON_INPUTIP_MENU");
  SetEntryMode(0);
}

CGameMenu_InputIP::~CGameMenu_InputIP() { FreeTexture(digitTexture); }

void CGameMenu_InputIP::SetEntryMode(int mode) {
  entryMode = mode;
  digitCount = mode == 0 ? 12 : mode == 1 ? 5 : 0;
  if (entryCursor >= digitCount) entryCursor = 0;
}

void CGameMenu_InputIP::SetDigits(const char* text) {
  size_t pos = 0;
  for (int i = 0; i < digitCount; ++i) {
    // The separator before digits 3, 6 and 9 of an address is skipped, whatever it is.
    if (entryMode == 0 && (i == 3 || i == 6 || i == 9) && text && text[pos] != '\0') ++pos;
    const char c = text ? text[pos] : '\0';
    if (c == '\0') {
      digits[i] = 0;  // a short text: the missing digits are 0
      continue;
    }
    digits[i] = c >= '0' && c <= '9' ? c - '0' : 0;
    ++pos;
  }
}

int CGameMenu_InputIP::GetText(char* buffer, size_t size) {
  if (!buffer || size == 0) return 0;
  size_t n = 0;
  for (int i = 0; i < digitCount; ++i) {
    if (entryMode == 0 && (i == 3 || i == 6 || i == 9)) {
      if (n + 1 >= size) break;
      buffer[n++] = '.';
    }
    if (n + 1 >= size) break;
    buffer[n++] = static_cast<char>('0' + std::clamp(digits[i], 0, 9));
  }
  buffer[n] = '\0';
  return static_cast<int>(n);
}

void CGameMenu_InputIP::SetPrompt(std::string_view text) { SetInfoText(text); }

void CGameMenu_InputIP::ResetEntry() {
  entryCursor = 0;
  entryState = 0;
  decided = 0;
  declined = 0;
  cancelled = 0;
  endCode = 0;
  SetOpenState(kStart);
  RenderDigits();
}

void CGameMenu_InputIP::RenderDigits() {
  std::string text;
  for (int i = 0; i < digitCount; ++i) {
    if (entryMode == 0 && i > 0 && i % 3 == 0) text += ".";
    char d[4];
    std::snprintf(d, sizeof d, "%d", std::clamp(digits[i], 0, 9));
    if (i == entryCursor) {
      text += "\\@COLOR@<230,0,0,255>";
      text += d;
      text += "\\@COLOR@<230,230,230,255>";
    } else {
      text += d;
    }
  }
  renderedDigits = text;
  FreeTexture(digitTexture);
  const std::string_view lines[1] = {text};
  digitTexture = RenderLines(lines, 28, 700, 512, 512, 32, 0xFFE6E6E6);
}

int CGameMenu_InputIP::Input(int direction, int button) {
  if (inputEnabled && digitCount > 0) {
    bool changed = true;
    switch (direction) {
      case 4:
        entryCursor = entryCursor == 0 ? digitCount - 1 : entryCursor - 1;
        break;
      case 6:
        entryCursor = entryCursor + 1 >= digitCount ? 0 : entryCursor + 1;
        break;
      case 8:
        digits[entryCursor] = (digits[entryCursor] + 1) % 10;
        break;
      case 2:
        digits[entryCursor] = (digits[entryCursor] + 9) % 10;
        break;
      default:
        changed = false;
        break;
    }
    if (changed) RenderDigits();
    if (button == kMenuButtonDecide && entryState == 0) entryState = 1;
  }
  return CPauseMenu_Default::Input(direction, button);
}

void CGameMenu_InputIP::Update() {
  CPauseMenu_Default::Update();
  if (entryState == 1) {
    StartClosing();
    entryState = 2;
  }
}

void CGameMenu_InputIP::Draw() {
  if (fade > 0.0f && digitTexture) {
    g_DrawFilterMode = 2;
    DrawSprite(nullptr, digitTexture, 64, y + static_cast<int>(12.0f * fade) - 14, 512, 32, 0, 0, 512, 32,
               Argb(static_cast<int>(fade * 255.0f), 255, 255, 255), 0, layer + 256);
    g_DrawFilterMode = 1;
  }
  CGameMenu_InfoGrp::Draw();
}

// ---- Key and pad capture ----

CGameMenu_InputKey::CGameMenu_InputKey(int p, int pad) : player(p), padSlot(pad) {
  title = "Information";
  drawBackground = 0;
  narrow = 1;
}

void CGameMenu_InputKey::Update() {
  MarkCursorElements();
  StepOpenClose();
  // Listens from the first frame, through the opening fade, so that a press while the box fades
  // in is not lost; the press that opened the box went down on an earlier frame and is not seen
  // again. Once a press has started the closing, later ones are left alone: they would replace
  // the captured code or turn it into a cancel.
  if (openState < kClosing) {
    int code = 0;
    if (FindPressedAssignableKey(g_InputManager.GetKeyboardState(), &code)) {
      capturedCode = code;
      StartClosing();
    } else if (padSlot >= 0 && GetPadButtonNumber(padSlot) != 0) {
      declined = 1;
      StartClosing();
    }
  }
  ++frameCount;
  ++stateFrames;
}

CGameMenu_InputPad::CGameMenu_InputPad(int pad) : padSlot(pad) {
  title = "Information";
  drawBackground = 0;
  narrow = 1;
}

void CGameMenu_InputPad::Update() {
  MarkCursorElements();
  StepOpenClose();
  if (openState < kClosing) {  // as the key box: from the first frame until a press closes it
    int code = 0;
    const int button = padSlot >= 0 ? GetPadButtonNumber(padSlot) : 0;
    if (button != 0) {
      capturedCode = button;
      StartClosing();
    } else if (FindPressedAssignableKey(g_InputManager.GetKeyboardState(), &code)) {
      declined = 1;
      StartClosing();
    }
  }
  ++frameCount;
  ++stateFrames;
}

// ---- Online pop-up ----

CGameMenu_Network::CGameMenu_Network() {
  title = "Network";
  drawBackground = 0;
  layer = 763;
  drawCursorBars = 0;
}

void CGameMenu_Network::SetPopupKind(int kind) {
  DeleteSets();
  currentSet = 0;
  static constexpr const char* kNames[] = {nullptr,          "COMMON_WAIT",   "COMMON_YESNO_MENU",
                                           "COMMON_OK_MENU", "COMMON_SEARCH", "COMMON_CREATE"};
  if (kind < 1 || kind > 5) return;
  new CGameCommonMenuSet(this, kNames[kind]);
  drawCursorBars = kind == 1 ? 0 : 1;
}

void CGameMenu_Network::SetMessage(std::string_view line1, std::string_view line2) {
  RenderInfoLines(line1, line2, 1024);
}

int CGameMenu_Network::Input(int direction, int button) {
  if (!inputEnabled) {
    direction = 0;
    button = 0;
  }
  if (button == kMenuButtonCancel && !cancelAllowed) button = 0;
  const int r = CGameMenuManager::Input(direction, button);
  Update();
  if (r) g_SeRequest[kCursorSound] = 1;
  return r;
}

void CGameMenu_Network::Update() {
  MarkCursorElements();
  StepOpenClose();
  if (decided && openState != kClosing && openState != kClosed) {
    if (resultName == "MENU_YES" || resultName == "MENU_OK") {
      resultValue = 0;
      StartClosing();
    } else if (resultName == "MENU_NO") {
      resultValue = 1;
      declined = 1;
      StartClosing();
    } else if (resultName == "MENU_CREATE") {
      resultValue = 2;
      StartClosing();
    }
  }
  ++frameCount;
  ++stateFrames;
}
