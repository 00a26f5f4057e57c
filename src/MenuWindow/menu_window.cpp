// The window-menu framework and its message boxes.
#include "MenuWindow/menu_window.h"

#include <algorithm>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/font_manage.h"
#include "Dxtools/Text/system_font.h"
#include "MenuWindow/info_window.h"
#include "MenuWindow/menu_text.h"
#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "scene/menu_player.h"

using vt::menu::BoundedText;

namespace {

uint32_t Colour(int a, uint32_t rgb) { return static_cast<uint32_t>(std::clamp(a, 0, 255)) << 24 | rgb; }

float Ease(float p) { return 1.0f - (1.0f - p) * (1.0f - p); }

}  // namespace

// ---- Counter ----

void CMenuItemCounter::Update() {
  if (state == kRising) {
    ++frame;
    if (frame >= length) {
      frame = length;
      state = autoReverse ? kFalling : kUp;
    }
  } else if (state == kFalling) {
    --frame;
    if (frame <= 0) {
      frame = 0;
      state = autoReverse ? kRising : kDown;
    }
  }
}

float CMenuItemCounter::Progress() const {
  // BlinkOn(0) and other zero lengths would divide by zero.
  const int32_t l = std::max(length, 1);
  return static_cast<float>(frame) / static_cast<float>(l);
}

// ---- Window ----

void CMenuWindowBase::Reset() { counter.Set(CMenuItemCounter::kIdle, 0); }

void CMenuWindowBase::Open() { counter.Set(CMenuItemCounter::kRising, 0); }

int32_t CMenuWindowBase::Close() {
  const int32_t previous = counter.state;
  if (previous != CMenuItemCounter::kFalling && previous != CMenuItemCounter::kDown)
    counter.state = CMenuItemCounter::kFalling;
  return previous;
}

bool CMenuWindowBase::IsStable() { return counter.IsStable(); }

void CMenuWindowBase::Update() { counter.Update(); }

void CMenuWindowBase::DrawIfOpen(int layer) {
  if (counter.state != CMenuItemCounter::kIdle) Draw(layer);
}

CMenuWindow::CMenuWindow() { counter.length = 16; }

void CMenuWindow::SetTitle(std::string_view text) {
  title = BoundedText(text, vt::menu::kWindowTitleCapacity);
}

void CMenuWindow::Draw(int layer) {
  if (counter.state == CMenuItemCounter::kDown) return;
  const float p = counter.Progress();
  const float t = 1.0f - p;
  const int e = static_cast<int>(static_cast<float>(height + 32) * (1.0f - t * t));
  const int top = height / 2 + y - e / 2;
  const int priority = layer + 256;
  vt::text::DrawOutlinedText(x + 32, top - 10, title.c_str(), 255, 255, 10, 14, 0, layer);
  DrawRect(nullptr, x, top + 4, width, 1, 0xFFDCDCDC, 0xFFDCDCDC, 0xFFDCDCDC, 0xFFDCDCDC, priority);
  DrawRect(nullptr, x, top + e - 4, width, 1, 0xFFDCDCDC, 0xFFDCDCDC, 0xFFDCDCDC, 0xFFDCDCDC, priority);
  DrawRect(nullptr, x, top, width, e, 0xB4000000, 0xB4000000, 0xB4000000, 0xB4000000, priority);
  if (dimAlpha > 0) {
    float a = 0.0f;
    if (dimMode == 0)
      a = static_cast<float>(dimAlpha) * p;
    else if (dimMode == 1)
      a = counter.state == CMenuItemCounter::kRising ? static_cast<float>(dimAlpha)
                                                     : static_cast<float>(dimAlpha) * p;
    const uint32_t c = Colour(static_cast<int>(a), 0);
    if (a > 0.0f) DrawRect(nullptr, 0, 0, 640, 480, c, c, c, c, priority);
  }
}

// ---- Items ----

CMenuItemBase::CMenuItemBase() { Reset(); }

void CMenuItemBase::Reset() {
  hidden = 0;
  startX = startY = endX = endY = 0;
  for (CMenuItemCounter* c : {&slide, &fade, &blink}) {
    c->state = CMenuItemCounter::kIdle;
    c->frame = 0;
    c->length = 16;
    c->autoReverse = 0;
  }
}

void CMenuItemBase::Stop() {
  for (CMenuItemCounter* c : {&slide, &fade, &blink}) c->Set(CMenuItemCounter::kIdle, 0);
}

void CMenuItemBase::Appear() {
  slide.Set(CMenuItemCounter::kRising, 0);
  fade.Set(CMenuItemCounter::kRising, 0);
  if (blink.autoReverse) blink.Set(CMenuItemCounter::kRising, 0);
  SetSelected(0, 1);
}

void CMenuItemBase::FadeIn() { fade.Set(CMenuItemCounter::kRising, 0); }

int32_t CMenuItemBase::Disappear() {
  const int32_t previous = fade.state;
  for (CMenuItemCounter* c : {&slide, &fade})
    if (c->state != CMenuItemCounter::kFalling && c->state != CMenuItemCounter::kDown)
      c->state = CMenuItemCounter::kFalling;
  return previous;
}

void CMenuItemBase::BlinkOff() { blink.autoReverse = 0; }

void CMenuItemBase::BlinkOn(int32_t length) {
  blink.autoReverse = 1;
  blink.length = length;
}

void CMenuItemBase::Update() {
  slide.Update();
  fade.Update();
  blink.Update();
}

void CMenuItemBase::Draw(int layer) {
  if (IsVisible() && !IsHidden()) DrawBody(layer);
}

bool CMenuItemBase::IsStable() { return slide.IsStable() && fade.IsStable(); }

bool CMenuItemBase::IsVisible() {
  return slide.state != CMenuItemCounter::kIdle || fade.state != CMenuItemCounter::kIdle;
}

int CMenuItemBase::CurrentX() const {
  const float e = Ease(slide.Progress());
  return startX + static_cast<int>(static_cast<float>(endX - startX) * e);
}

int CMenuItemBase::CurrentY() const {
  const float e = Ease(slide.Progress());
  return startY + static_cast<int>(static_cast<float>(endY - startY) * e);
}

float CMenuItemBase::CurrentAlpha() const {
  float alpha = fade.Progress() * 255.0f;
  if (blink.state != CMenuItemCounter::kIdle) {
    const float b = blink.Progress();
    alpha = static_cast<float>(static_cast<int>(alpha)) * Ease(b);
  }
  return alpha;
}

CMenuItem::CMenuItem() { CMenuItem::Reset(); }

void CMenuItem::Reset() {
  CMenuItemBase::Reset();
  label.clear();
  help.clear();
  alignment = 0;
  cursorMode = 0;
  cursor.state = CMenuItemCounter::kIdle;
  cursor.frame = 0;
  cursor.length = 16;
  cursor.autoReverse = 0;
  cursorHidden = 0;
}

void CMenuItem::Stop() {
  CMenuItemBase::Stop();
  cursor.Set(CMenuItemCounter::kIdle, 0);
  cursorMode = 0;
}

void CMenuItem::Update() {
  cursor.Update();
  CMenuItemBase::Update();
}

void CMenuItem::SetSelected(int isSelected, int instant) {
  cursorMode = isSelected == 1 ? 1 : 2;
  if (instant == 1)
    cursor.Set(CMenuItemCounter::kUp, cursor.length);
  else
    cursor.Set(CMenuItemCounter::kRising, 0);
}

void CMenuItem::SetTexts(std::string_view l, std::string_view h) {
  label = BoundedText(l, vt::menu::kItemLabelCapacity);
  help = BoundedText(h, vt::menu::kItemHelpCapacity);
}

int CMenuItem::TextWidth() { return vt::text::MeasureSysFontText(label.c_str(), GlyphWidth()); }

void CMenuItem::DrawCursorBar(int y, int h, float alpha, int layer) {
  if (cursorHidden || cursorMode == 0) return;
  const float c = static_cast<float>(cursor.frame);
  const float l = static_cast<float>(std::max(cursor.length, 1));
  uint32_t rgb;
  int a;
  if (cursorMode == 1) {
    static constexpr int kShake[4] = {3, -3, 0, 0};
    rgb = 230u << 16 | 50u << 8 | 60u;
    a = static_cast<int>(alpha);
    y += static_cast<int>((1.0f - c / l) * static_cast<float>(kShake[cursor.frame & 3]));
  } else {
    rgb = 115u << 16 | 25u << 8 | 30u;
    a = static_cast<int>((1.0f - c / l) * alpha);
  }
  if (a <= 0) return;
  const uint32_t left = Colour(a, rgb);
  DrawRect(nullptr, 0, y, 640, h, left, rgb, left, rgb, layer + 256);
}

void CMenuItem::DrawBody(int layer) {
  const int x = CurrentX(), y = CurrentY();
  const float alpha = CurrentAlpha();
  vt::text::DrawOutlinedText(x, y, label.c_str(), 255, static_cast<int>(alpha), GlyphWidth(), GlyphHeight(),
                             alignment, layer);
  DrawCursorBar(y, GlyphHeight(), alpha, layer);
}

CMenuItemEx::CMenuItemEx() { CMenuItemEx::Reset(); }

CMenuItemEx::~CMenuItemEx() { FreeTexture(texture); }

void CMenuItemEx::Reset() {
  CMenuItem::Reset();
  FreeTexture(texture);
  texture = nullptr;
  textWidth = drawnWidth = 0;
  glyphW = glyphH = 22;
}

void CMenuItemEx::SetTextsAndRender(std::string_view l, std::string_view h, int squeeze) {
  SetTexts(l, h);
  FreeTexture(texture);
  texture = nullptr;
  textWidth = drawnWidth = 0;
  if (glyphW != 0 && glyphH != 0 && !label.empty()) {
    int width = 0;
    texture = vt::text::RenderTextTexture(glyphH, label.c_str(), &width, 0, 0);
    if (!texture) DebugPrint("window menu: label could not be rendered\n");
    textWidth = texture ? width : 0;
  }
  drawnWidth = squeeze ? static_cast<int>(static_cast<float>(textWidth) * 0.7f) : textWidth;
}

void CMenuItemEx::DrawBody(int layer) {
  const int x = CurrentX(), y = CurrentY();
  const float alpha = CurrentAlpha();
  int h = 0;
  if (texture && texture->dx) {
    h = texture->dx->usedHeight;
    g_DrawFilterMode = 2;
    DrawSprite(nullptr, texture, x, y, drawnWidth, h, 0, 0, static_cast<float>(textWidth),
               static_cast<float>(h), Colour(static_cast<int>(alpha), 0xFFFFFF), 0, layer + 256);
    g_DrawFilterMode = 1;
  }
  DrawCursorBar(y, h, alpha, layer);
}

// ---- Manager ----

CMenuManagerBase::CMenuManagerBase() { CMenuManagerBase::Reset(); }

void CMenuManagerBase::Reset() {
  items.clear();
  help = nullptr;
  window = nullptr;
  state = previousState = kIdle;
  stateFrames = 0;
  selected = 0;
  result = kResultNone;
  directionSound = buttonSound = 1;
  inputLock = 0;
  bank = 0;
  players = static_cast<uint32_t>(g_MenuPlayer);
}

bool CMenuManagerBase::AddItem(CMenuItemBase* item) {
  if (!item) return false;
  if (static_cast<int>(items.size()) >= kMaxItems) {
    DebugPrint("window menu: item list full (%d items), item refused\n", kMaxItems);
    return false;
  }
  items.push_back(item);
  return true;
}

void CMenuManagerBase::Clear() {
  state = kIdle;
  result = kResultNone;
  stateFrames = 0;
  for (CMenuItemBase* item : items) item->Stop();
  if (help) {
    help->Reset();
    help->key2.clear();
  }
  if (window) window->Reset();
}

void CMenuManagerBase::StepSelection(int s) {
  const int n = static_cast<int>(items.size());
  if (n == 0) return;
  int current = ((selected % n) + n) % n;
  int target = current;
  bool found = false;
  if (s == 0 && IsSelectable(current)) {
    found = true;
  } else {
    const int step = s == 0 ? 1 : s;
    // A menu without a selectable item would step for ever: stop after a round.
    for (int i = 0; i < n; ++i) {
      target = (step + n + target) % n;
      if (IsSelectable(target)) {
        found = true;
        break;
      }
    }
  }
  if (!found) return;
  if (selected >= 0 && selected < n && items[selected]->IsSelected()) items[selected]->SetSelected(0, 0);
  selected = target;
  items[selected]->SetSelected(1, 0);
  if (help) help->SetKey(items[selected]->GetHelpText());
  OnSelectionChanged(selected);
}

void CMenuManagerBase::Open(int index) {
  Clear();
  selected = index;
  state = kOpening;
  result = kResultNone;
  for (CMenuItemBase* item : items) item->Appear();
  if (help) help->FadeIn();
  if (window) window->Open();
  StepSelection(0);
}

void CMenuManagerBase::Reopen(int index) { Open(index == -1 ? selected : index); }

void CMenuManagerBase::Update() {
  if (state == kIdle) return;
  for (CMenuItemBase* item : items) item->Update();
  FrameHook();
  switch (state) {
    case kOpening:
      if (ItemsStable()) state = kOpen;
      break;
    case kOpen:
      if (ItemsStable() && !inputLock) Input();
      break;
    case kClosing:
      if (ItemsStable()) state = kClosed;
      break;
    case kClosingHook:
      if (ItemsStable()) OnClosed();
      break;
    default:
      break;
  }
  if (help) help->Update();
  if (window) window->Update();
  if (state != previousState) {
    previousState = state;
    stateFrames = 0;
  } else {
    ++stateFrames;
  }
}

void CMenuManagerBase::Input() {
  CursorInput();
  ButtonInput();
}

void CMenuManagerBase::CursorInput() { MoveCursor(ReadDirection()); }

void CMenuManagerBase::ButtonInput() { Act(ReadButtons()); }

int CMenuManagerBase::ReadDirection() {
  return g_AppJoystick ? g_AppJoystick->GetMenuDirectionCommand(bank, players, directionSound) : 0;
}

int CMenuManagerBase::ReadButtons() {
  return g_AppJoystick ? g_AppJoystick->GetMenuConfirmCancel(bank, players, buttonSound) : 0;
}

void CMenuManagerBase::MoveCursor(int direction) {
  if (direction == 2)
    StepSelection(1);
  else if (direction == 8)
    StepSelection(-1);
}

void CMenuManagerBase::Act(int buttons) {
  if (buttons & 1) {
    if (OnDecide(selected) == 1) {
      result = selected;
      StartClose();
    }
  } else if (buttons & 2) {
    if (OnCancel() == 1) {
      result = kResultCancel;
      StartClose();
    }
  }
}

void CMenuManagerBase::StartClose() {
  state = kClosing;
  CloseItems();
}

void CMenuManagerBase::CloseItems() {
  for (CMenuItemBase* item : items) item->Disappear();
  if (help) help->FadeOut();
  if (window) window->Close();
}

void CMenuManagerBase::RequestClose() {
  if (state != kIdle && state != kClosing && state != kClosed) StartClose();
}

bool CMenuManagerBase::ItemsStable() {
  for (CMenuItemBase* item : items)
    if (!item->IsStable()) return false;
  if (help && !help->IsStable()) return false;
  return !window || window->IsStable();
}

bool CMenuManagerBase::IsIdle() { return state == kIdle || state == kOpen || state == kClosed; }

bool CMenuManagerBase::Finish() {
  if (state == kIdle) return true;
  if (state == kClosed) {
    Clear();
    return true;
  }
  return false;
}

int CMenuManagerBase::TotalHeight() {
  int h = 0;
  for (CMenuItemBase* item : items) h += item->GlyphHeight();
  return h + ExtraHeight();
}

void CMenuManagerBase::Layout(int mode) {
  int top = (480 - TotalHeight()) / 2;
  for (size_t i = 0; i < items.size(); ++i) {
    CMenuItemBase* item = items[i];
    const int x = (640 - item->TextWidth()) / 2;
    const int startY = mode == 1 ? (480 - item->GetHeight()) / 2 : top;
    item->SetSlide(x, startY, x, top);
    top += item->GetHeight() + GapAfter(static_cast<int>(i));
  }
}

void CMenuManagerBase::Draw(int layer) {
  if (state == kIdle) return;
  DrawHook(0, layer);
  DrawItems(layer);
  DrawHook(1, layer);
}

void CMenuManagerBase::DrawItems(int layer) {
  for (CMenuItemBase* item : items) item->Draw(layer);
  if (help) help->Draw();
  if (window) window->DrawIfOpen(layer);
}

// ---- Message boxes ----

namespace {

void EmptyLine(CMenuItemEx& line) {
  line.Reset();
  line.SetGlyphSize(0, 0);
  line.SetTextsAndRender("", "", 0);
}

void PlaceBox(CMenuWindow& box, std::string_view title, int totalHeight, int dimAlpha) {
  box.SetTitle(title);
  box.x = 0;
  box.width = 640;
  box.height = totalHeight;
  box.y = (480 - totalHeight) / 2;
  box.dimAlpha = dimAlpha;
}

}  // namespace

CMenuManageMessage::CMenuManageMessage() { CMenuManageMessage::Reset(); }

void CMenuManageMessage::Reset() {
  CMenuManagerBase::Reset();
  for (CMenuItemEx& line : lines) {
    EmptyLine(line);
    AddItem(&line);
  }
}

void CMenuManageMessage::Show(std::string_view title, int dim) {
  Layout(1);
  window = &box;
  PlaceBox(box, title, TotalHeight(), dim == 1 ? 168 : 0);
  CMenuManagerBase::Open(5);
}

CMenuManageMessagePushButton::CMenuManageMessagePushButton() { CMenuManageMessagePushButton::Reset(); }

void CMenuManageMessagePushButton::Reset() {
  CMenuManagerBase::Reset();
  for (CMenuItemEx& line : lines) AddItem(&line);
}

void CMenuManageMessagePushButton::ResetManagerState() {
  state = previousState = kIdle;
  stateFrames = 0;
  selected = 0;
  result = kResultNone;
  inputLock = 0;
}

void CMenuManageMessagePushButton::ShowLines(std::string_view title, std::string_view message,
                                             std::string_view subInfo, std::string_view buttonLabel) {
  ResetManagerState();
  lines[0].SetTextsAndRender(message, "", 1);
  CMenuItemEx& button = lines[5];
  button.Reset();
  if (buttonLabel.empty()) button.SetGlyphSize(0, 0);
  button.SetTextsAndRender(buttonLabel, "", 0);
  for (int i = 1; i <= 4; ++i) EmptyLine(lines[i]);
  if (!subInfo.empty()) {
    lines[1].SetGlyphSize(20, 20);
    lines[1].SetTextsAndRender(subInfo, "", 0);
  }
  items.clear();
  for (CMenuItemEx& line : lines) AddItem(&line);
  Layout(1);
  button.SetHidden(1);
  button.HideCursor(1);
  window = &box;
  PlaceBox(box, title, TotalHeight(), 168);
}

void CMenuManageMessagePushButton::Show(std::string_view title, std::string_view message,
                                        std::string_view buttonLabel) {
  ShowLines(title, message, {}, buttonLabel);
}

void CMenuManageMessagePushButton::SetTitle(std::string_view title) { box.SetTitle(title); }

void CMenuManageMessagePushButton::ShowButton(int soundFlag) {
  CMenuItemEx& button = lines[5];
  if (!button.IsHidden()) return;
  buttonSound = soundFlag;
  button.SetHidden(0);
  button.HideCursor(0);
  button.FadeIn();
}

void CMenuManageMessagePushButton::Input() {
  if (lines[5].IsHidden()) return;
  ButtonInput();
}

void CMenuManageMessageSubInfo::ShowWithSubInfo(std::string_view title, std::string_view message,
                                                std::string_view subInfo, std::string_view buttonLabel) {
  ShowLines(title, message, subInfo, buttonLabel);
}

CMenuManageSelectABMessageReturn::CMenuManageSelectABMessageReturn() {
  CMenuManageSelectABMessageReturn::Reset();
}

void CMenuManageSelectABMessageReturn::Reset() {
  CMenuManagerBase::Reset();
  for (CMenuItemEx& line : lines) AddItem(&line);
}

void CMenuManageSelectABMessageReturn::Show(std::string_view title, std::string_view message,
                                            std::string_view labelA, std::string_view helpA,
                                            std::string_view labelB, std::string_view helpB, int mode,
                                            int dim) {
  state = previousState = kIdle;
  stateFrames = 0;
  selected = 0;
  result = kResultNone;
  inputLock = 0;
  lines[0].SetTextsAndRender(message, "", mode == 1 ? 1 : 0);
  items.clear();
  AddItem(&lines[0]);
  int firstEmpty = 1;
  if (mode == 1) {
    choices[0].Reset();
    choices[1].Reset();
    choices[0].SetTexts(labelA, helpA);
    choices[1].SetTexts(labelB, helpB);
    AddItem(&choices[0]);
    AddItem(&choices[1]);
  } else {
    for (int i = 1; i <= 2; ++i) {
      lines[i].Reset();
      lines[i].SetGlyphSize(20, 20);
      lines[i].SetTextsAndRender(i == 1 ? labelA : labelB, i == 1 ? helpA : helpB, 1);
      AddItem(&lines[i]);
    }
    firstEmpty = 3;
  }
  for (int i = firstEmpty; i < 6; ++i) {
    EmptyLine(lines[i]);
    AddItem(&lines[i]);
  }
  Layout(1);
  window = &box;
  PlaceBox(box, title, TotalHeight(), dim == 1 ? 168 : 0);
}

void CMenuManageSelectABMessageReturn::SetTitle(std::string_view title) { box.SetTitle(title); }
