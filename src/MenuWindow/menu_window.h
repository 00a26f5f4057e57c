// The window-menu framework of the online screens: the animation counter, the titled box window,
// menu items that slide, fade, blink and carry a shaking cursor bar (plain outlined labels or
// labels rendered into textures), the menu manager that runs open, input, decide/cancel and close
// as a state machine, and the four message boxes (plain, one button, button with a sub-information
// line, two-choice question).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct TextureHandle;
class CInformationWindow;

class CMenuItemCounter {
 public:
  enum State : int32_t { kIdle = 0, kRising = 1, kUp = 2, kFalling = 3, kDown = 4 };
  virtual ~CMenuItemCounter() = default;
  void Update();
  // frame / length; a length below 1 counts as 1.
  float Progress() const;
  void Set(int32_t s, int32_t f) {
    state = s;
    frame = f;
  }
  bool IsStable() const { return state == kIdle || state == kUp || state == kDown; }

  int32_t state = kIdle;
  int32_t autoReverse = 0;
  int32_t frame = 0;
  int32_t length = 16;
};

class CMenuWindowBase {
 public:
  virtual ~CMenuWindowBase() = default;
  virtual void Reset();
  virtual void Open();
  // Returns the previous state.
  virtual int32_t Close();
  virtual bool IsStable();
  virtual void Update();
  virtual void DrawIfOpen(int layer);
  virtual void Draw(int layer) = 0;

  CMenuItemCounter counter;
};

class CMenuWindow : public CMenuWindowBase {
 public:
  CMenuWindow();
  void Draw(int layer) override;
  void SetTitle(std::string_view text);

  int32_t x = 0, y = 0, width = 640, height = 0;
  int32_t dimMode = 0;
  int32_t dimAlpha = 0;
  std::string title;
};

class CMenuItemBase {
 public:
  CMenuItemBase();
  virtual ~CMenuItemBase() = default;
  virtual void Reset();
  virtual void Stop();
  virtual void Appear();
  virtual void FadeIn();
  virtual int32_t Disappear();
  virtual void BlinkOff();
  virtual void BlinkOn(int32_t length);
  virtual void Update();
  virtual void Draw(int layer);
  virtual void SetSelected(int, int) {}
  virtual bool IsSelected() = 0;
  virtual void SetHidden(int32_t flag) { hidden = flag; }
  virtual bool IsHidden() { return hidden != 0; }
  virtual const char* GetHelpText() { return ""; }
  virtual int GlyphWidth() = 0;
  virtual int GlyphHeight() = 0;
  virtual int TextWidth() = 0;
  virtual int GetHeight() = 0;
  virtual bool IsStable();
  virtual bool IsVisible();
  virtual void DrawBody(int layer) = 0;

  void SetSlide(int sx, int sy, int ex, int ey) {
    startX = sx;
    startY = sy;
    endX = ex;
    endY = ey;
  }
  // The eased position of the slide (truncated).
  int CurrentX() const;
  int CurrentY() const;
  // The label alpha: fade, then the blink.
  float CurrentAlpha() const;

  CMenuItemCounter slide, fade, blink;
  int32_t hidden = 0;
  int32_t startX = 0, startY = 0, endX = 0, endY = 0;
};

class CMenuItem : public CMenuItemBase {
 public:
  CMenuItem();
  void Reset() override;
  void Stop() override;
  void Update() override;
  void SetSelected(int selected, int instant) override;
  bool IsSelected() override { return cursorMode == 1; }
  const char* GetHelpText() override { return help.c_str(); }
  int GlyphWidth() override { return 16; }
  int GlyphHeight() override { return 16; }
  int TextWidth() override;
  int GetHeight() override { return GlyphHeight(); }
  void DrawBody(int layer) override;
  virtual void SetTexts(std::string_view label, std::string_view help);
  virtual const std::string& GetLabel() { return label; }
  virtual int GetLabelLength() { return static_cast<int>(label.size()); }
  virtual void HideCursor(int32_t flag) { cursorHidden = flag; }

  std::string label;
  std::string help;
  int32_t alignment = 0;
  int32_t cursorMode = 0;
  CMenuItemCounter cursor;
  int32_t cursorHidden = 0;

 protected:
  void DrawCursorBar(int y, int h, float alpha, int layer);
};

class CMenuItemEx : public CMenuItem {
 public:
  CMenuItemEx();
  ~CMenuItemEx() override;
  void Reset() override;
  int GlyphWidth() override { return glyphW; }
  int GlyphHeight() override { return glyphH; }
  int TextWidth() override { return drawnWidth; }
  void DrawBody(int layer) override;
  virtual void SetTextsAndRender(std::string_view label, std::string_view help, int squeeze);
  virtual void SetGlyphSize(int w, int h) {
    glyphW = w;
    glyphH = h;
  }

  TextureHandle* texture = nullptr;
  int32_t textWidth = 0;
  int32_t drawnWidth = 0;
  int32_t glyphW = 22, glyphH = 22;
};

class CMenuManagerBase {
 public:
  enum State : int32_t { kIdle = 0, kOpening = 1, kOpen = 2, kClosing = 3, kClosingHook = 4, kClosed = 5 };
  static constexpr int kMaxItems = 32;
  static constexpr int32_t kResultNone = -1;
  static constexpr int32_t kResultCancel = 0xFFFF;

  CMenuManagerBase();
  virtual ~CMenuManagerBase() = default;
  virtual void Reset();
  virtual void Clear();
  virtual void Open(int index);
  virtual void Reopen(int index);
  virtual void Update();
  virtual void Draw(int layer);
  virtual bool IsIdle();
  virtual bool Finish();
  virtual void RequestClose();
  virtual bool IsSelectable(int) { return true; }
  virtual void Input();
  virtual void CursorInput();
  virtual void ButtonInput();
  virtual int ReadDirection();
  virtual int ReadButtons();
  virtual void MoveCursor(int direction);
  virtual void Act(int buttons);
  virtual void OnSelectionChanged(int) {}
  virtual int OnDecide(int) { return 1; }
  virtual int OnCancel() { return 1; }
  virtual void OnClosed() {}
  virtual int TotalHeight();
  virtual void Layout(int mode);
  virtual int ExtraHeight() { return 0; }
  virtual int GapAfter(int) { return 0; }
  virtual void StartClose();
  virtual void CloseItems();
  virtual bool ItemsStable();
  virtual void DrawItems(int layer);
  virtual void FrameHook() {}
  virtual void DrawHook(int, int) {}

  // Appends an item (not owned); refused past 32 items.
  bool AddItem(CMenuItemBase* item);
  void SetState(int32_t s) { state = s; }
  // Steps the selection by s (-1, 0, +1) to a selectable item; after item-count steps without
  // one the previous selection stays.
  void StepSelection(int s);

  CInformationWindow* help = nullptr;
  int32_t state = kIdle;
  int32_t previousState = kIdle;
  int32_t stateFrames = 0;
  int32_t inputLock = 0;
  int32_t directionSound = 1;
  int32_t buttonSound = 1;
  uint32_t players = 0;
  int32_t bank = 0;
  std::vector<CMenuItemBase*> items;
  int32_t selected = 0;
  int32_t result = kResultNone;
  CMenuWindow* window = nullptr;
};

// A plain message of six lines; the owner fills the lines before Show.
class CMenuManageMessage : public CMenuManagerBase {
 public:
  CMenuManageMessage();
  void Reset() override;
  void Open(int) override {}
  void Input() override {}
  bool IsSelectable(int index) override { return index == 5; }
  virtual void Show(std::string_view title, int dim);

  CMenuItemEx lines[6];
  CMenuWindow box;
};

class CMenuManageMessagePushButton : public CMenuManagerBase {
 public:
  CMenuManageMessagePushButton();
  void Reset() override;
  // Nothing while the button is hidden; afterwards only decide and cancel.
  void Input() override;
  bool IsSelectable(int index) override { return index == 5; }
  virtual void Show(std::string_view title, std::string_view message, std::string_view buttonLabel);
  virtual void SetTitle(std::string_view title);
  virtual void ShowButton(int soundFlag);

  CMenuItemEx lines[6];
  CMenuWindow box;

 protected:
  void ShowLines(std::string_view title, std::string_view message, std::string_view subInfo,
                 std::string_view buttonLabel);
  void ResetManagerState();
};

class CMenuManageMessageSubInfo : public CMenuManageMessagePushButton {
 public:
  virtual void ShowWithSubInfo(std::string_view title, std::string_view message, std::string_view subInfo,
                               std::string_view buttonLabel);
};

// A message with two choices: Open(1); the result is 1 for the first choice, 2 for the second,
// 0xFFFF for cancel.
class CMenuManageSelectABMessageReturn : public CMenuManagerBase {
 public:
  CMenuManageSelectABMessageReturn();
  void Reset() override;
  bool IsSelectable(int index) override { return index == 1 || index == 2; }
  int ExtraHeight() override { return 10; }
  int GapAfter(int index) override { return index == 0 ? 10 : 0; }
  virtual void Show(std::string_view title, std::string_view message, std::string_view labelA,
                    std::string_view helpA, std::string_view labelB, std::string_view helpB, int mode,
                    int dim);
  virtual void SetTitle(std::string_view title);

  CMenuItemEx lines[6];
  CMenuItem choices[2];
  CMenuWindow box;
};

class CMenuManageYesNoMessageReturn : public CMenuManageSelectABMessageReturn {};
