// The in-game menu framework: elements (plain, spacer, choice, folder, exit), named sets of
// elements with a cursor, the manager that routes input to the active set and reports the
// decided id as its result name, the shared look of every such menu (CPauseMenu_Default: fade,
// title box, outlined labels with choice arrows, cursor bars, blurred background), the info-text
// group and the ready-made dialogs (yes/no, digit entry, key and pad capture, online pop-up).
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct TextureHandle;
class CGameMenuManager;

// Menu input values the screens pass in.
enum GameMenuButton : int {
  kMenuButtonNone = 0,
  kMenuButtonDecide = 1,
  kMenuButtonCancel = 2,
  kMenuButtonAlt = 3
};
enum GameMenuElementKind : int32_t {
  kElementPlain = 0,
  kElementNormal = 1,
  kElementSpacer = 2,
  kElementFolder = 3,
  kElementExit = 4,
};

struct GameMenuChoice {
  std::string label;
  std::string text;
  int32_t value = 0;
};

class CGameMenu_Element {
 public:
  CGameMenu_Element(std::string_view label, std::string_view id, int32_t kind);
  virtual ~CGameMenu_Element() = default;
  virtual void Draw(int x, int y);
  virtual float GetAlpha() { return alpha; }
  virtual void SetAlpha(float a) { alpha = a; }
  virtual const char* GetChoiceLabel(int) { return nullptr; }
  virtual std::string GetChoiceText(int) { return {}; }
  virtual int32_t GetChoiceValue(int) { return 0; }
  // 1 when the choice changed.
  virtual int ChangeChoice(int) { return 0; }
  virtual int32_t GetChoiceX() { return 0; }
  virtual void SetChoiceIndex(int) {}
  virtual int32_t GetChoiceIndex() { return -1; }
  virtual int32_t GetChoiceCount() { return 0; }
  virtual void SetChoiceLabel(int, std::string_view) {}
  virtual int32_t GetHeight() { return height; }
  virtual void SetHeight(int32_t h) { height = h; }
  virtual int IsSpacer() { return 0; }
  virtual std::string GetFolderTarget() { return {}; }

  int32_t kind = kElementPlain;
  int32_t isCursor = 0;
  int32_t selectable = 0;
  int32_t framesUnderCursor = 0;
  int32_t framesAway = 999999;
  int32_t height = 18;
  float alpha = 1.0f;
  std::string label;
  std::string id;
  int32_t drawnY = 0;  // the y of the last draw (vertical mode 2 keeps it)
};

class CPauseMenu_NormalElement : public CGameMenu_Element {
 public:
  CPauseMenu_NormalElement(std::string_view label, std::string_view id);
};

class CGameMenu_SpaceElement : public CGameMenu_Element {
 public:
  CGameMenu_SpaceElement();
  void Draw(int, int) override {}
  int IsSpacer() override { return 1; }
};

class CPauseMenu_SpaceElement : public CGameMenu_SpaceElement {
 public:
  // 0 keeps the height of 18.
  explicit CPauseMenu_SpaceElement(int32_t h = 0);
};

class CGameMenu_SelectElement : public CGameMenu_Element {
 public:
  CGameMenu_SelectElement(std::string_view label, std::string_view id, int32_t choiceX = 0);
  const char* GetChoiceLabel(int i) override;
  std::string GetChoiceText(int i) override;
  int32_t GetChoiceValue(int i) override;
  int ChangeChoice(int direction) override;
  int32_t GetChoiceX() override { return choiceX; }
  void SetChoiceIndex(int i) override;
  int32_t GetChoiceIndex() override { return choices.empty() ? -1 : choiceIndex; }
  int32_t GetChoiceCount() override { return static_cast<int32_t>(choices.size()); }
  void SetChoiceLabel(int i, std::string_view text) override;
  virtual void AddChoice(const GameMenuChoice& choice);

  std::vector<GameMenuChoice> choices;
  int32_t choiceIndex = 0;
  int32_t choiceX = 0;
};

class CPauseMenu_SelectElement : public CGameMenu_SelectElement {
 public:
  using CGameMenu_SelectElement::CGameMenu_SelectElement;
};

class CGameMenu_FolderElement : public CGameMenu_Element {
 public:
  CGameMenu_FolderElement(std::string_view label, std::string_view id, std::string_view target);
  std::string GetFolderTarget() override { return target; }
  std::string target;
};

class CPauseMenu_FolderElement : public CGameMenu_FolderElement {
 public:
  using CGameMenu_FolderElement::CGameMenu_FolderElement;
};

class CPauseMenu_ExitElement : public CGameMenu_Element {
 public:
  CPauseMenu_ExitElement(std::string_view label, std::string_view id);
};

class CGameMenuSet {
 public:
  // Registers itself with the owner (which then owns and deletes it) when register is set.
  CGameMenuSet(CGameMenuManager* owner, std::string_view name, bool registerWithOwner = true);
  virtual ~CGameMenuSet();
  CGameMenuSet(const CGameMenuSet&) = delete;
  CGameMenuSet& operator=(const CGameMenuSet&) = delete;

  virtual void Reset(int arg);
  // 1 when the cursor moved; a changed choice does not count.
  virtual int Input(int direction, int button);
  virtual void Decide(CGameMenu_Element* element);
  virtual void DrawElements();
  virtual void SetCursorById(std::string_view id);

  // Takes ownership.
  CGameMenu_Element* AddElement(CGameMenu_Element* element);
  void AddResultName(std::string_view id);
  CGameMenu_Element* FindElement(std::string_view id);
  void SelectChoiceByValue(std::string_view id, int32_t value);
  int32_t GetElementValue(std::string_view id);
  CGameMenu_Element* CursorElement();
  int32_t TotalHeight();
  void MarkCursor();

  CGameMenuManager* owner = nullptr;
  std::string name;
  std::string parentName;
  int32_t cursor = 0;
  int32_t previousCursor = 0;
  std::vector<CGameMenu_Element*> elements;
  std::vector<std::string> resultNames;
  int32_t active = 0;
  int32_t activeFrames = 0;
  int32_t idleFrames = 99999;
  int32_t endState = 0;
};

class CGameMenuManager {
 public:
  CGameMenuManager() = default;
  virtual ~CGameMenuManager();
  CGameMenuManager(const CGameMenuManager&) = delete;
  CGameMenuManager& operator=(const CGameMenuManager&) = delete;

  virtual void ClearSets();
  // Non-zero when a cursor moved (a changed choice does not count).
  virtual int Input(int direction, int button);
  virtual void SetCurrentSet(int index) { currentSet = index; }
  // The set's index, or a negative value when no set has that name.
  virtual int OpenSet(std::string_view name, int arg);

  void RegisterSet(CGameMenuSet* set);
  void DeleteSets();
  CGameMenuSet* CurrentSet();
  CGameMenuSet* FindSet(std::string_view name);
  CGameMenu_Element* GetCursorElement();

  int32_t currentSet = 0;
  int32_t previousSet = 0;
  std::vector<CGameMenuSet*> sets;
  int32_t decided = 0;
  std::string resultName;
  int32_t setOpened = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t lineSpacing = 16;
  int32_t centreX = 320;
  int32_t endCode = 0;
};

class CPauseMenu_Default : public CGameMenuManager {
 public:
  enum OpenState : int32_t { kStart = 0, kOpening = 1, kOpen = 2, kClosing = 3, kClosed = 4 };

  CPauseMenu_Default();
  ~CPauseMenu_Default() override;
  void ClearSets() override {}
  // The shared menu input: the manager gets the input only while inputEnabled is set (0 and 0
  // otherwise), then Update runs; a moved cursor requests the cursor sound.
  int Input(int direction, int button) override;
  virtual void Draw();
  virtual void Update();
  virtual void RefreshTitle() {}
  virtual void OnResult() {}
  virtual void DrawCursorBar(int x, int y, uint32_t colour, CGameMenu_Element* element);
  virtual int IsClosing() { return openState == kClosing || openState == kClosed ? 1 : 0; }

  void SetTitle(std::string_view text);
  void MarkCursorElements();
  // One step of the open/close machine (state 2 turns into 3 when the menu was left).
  void StepOpenClose();
  // Moves fade by step, clamped to 0..1; 1 when an end was reached (the end state is stored).
  int StepFade(float step, int32_t endStateWhenDone);
  void SetOpenState(int32_t s);
  // Starts closing after a decision of the dialog itself.
  void StartClosing();

  TextureHandle* ownedTexture = nullptr;
  std::string title;
  int32_t inputEnabled = 0;
  int32_t frameCount = 0;
  int32_t openState = kStart;
  int32_t stateFrames = 0;
  float fade = 0.0f;
  float opacity = 1.0f;
  float openStep = 0.0625f;
  float closeStep = -0.0625f;
  // Set when the menu ends by cancel, exit or a "no" answer.
  int32_t declined = 0;
  // Set only when the menu was left by cancel, exit or the alternate button: a caller can tell a
  // cancelled question from an answered one (see CGameMenu_YESNO::confirmed).
  int32_t cancelled = 0;
  int32_t drawBackground = 1;
  int32_t drawTitleBox = 1;
  int32_t narrow = 0;
  int32_t drawCursorBars = 1;
  int32_t layer = 752;
  int32_t labelAlign = 0;
  int32_t verticalMode = 0;
  int32_t glyphWidth = 16;
  int32_t glyphHeight = 16;
  int32_t titleBoxTop = 0;  // the last box top (vertical mode 2 keeps it)
};

class CGameMenu_InfoGrp : public CPauseMenu_Default {
 public:
  CGameMenu_InfoGrp();
  ~CGameMenu_InfoGrp() override;
  void Draw() override;
  virtual void SetInfoText(std::string_view text);

  TextureHandle* infoTexture = nullptr;
  int32_t infoYOffset = -6;
  uint8_t dim = 0;
  int32_t capturedCode = 0;
  int32_t resultValue = -1;

 protected:
  // Renders up to two lines (the second 22 pixels below) into a new info texture.
  void RenderInfoLines(std::string_view line1, std::string_view line2, int boxWidth);
};

// The common sets by name: "COMMON_YESNO_MENU", "COMMON_OK_MENU", "COMMON_INPUTIP_MENU",
// "COMMON_WAIT", "COMMON_SEARCH", "COMMON_CREATE"; "COMMON_KEY_MENU" stays empty and is not
// registered (its creator owns it).
class CGameCommonMenuSet : public CGameMenuSet {
 public:
  CGameCommonMenuSet(CGameMenuManager* owner, std::string_view name);
};

class CGameMenu_YESNO : public CGameMenu_InfoGrp {
 public:
  CGameMenu_YESNO();
  // "MENU_YES" closes with confirmed set; "MENU_NO" closes with declined set. A cancel closes
  // through the base machine with declined and cancelled set: it is never a yes.
  void Update() override;
  int32_t confirmed = 0;
};

class CGameMenu_InputIP : public CGameMenu_InfoGrp {
 public:
  static constexpr int kMaxDigits = 256;
  CGameMenu_InputIP();
  ~CGameMenu_InputIP() override;
  int Input(int direction, int button) override;
  void Draw() override;
  void Update() override;
  // 0 address of 12 digits, 1 port of 5, other modes no digits.
  virtual void SetEntryMode(int mode);
  // Reads the digits from text; the text may be short: missing digits are 0.
  virtual void SetDigits(const char* text);
  // Writes the digits (with "." separators in mode 0) and a zero, never more than size bytes.
  // Returns the characters written before the zero.
  virtual int GetText(char* buffer, size_t size);
  virtual void SetPrompt(std::string_view text);
  virtual void ResetEntry();
  virtual void RenderDigits();

  int32_t entryMode = 0;
  int32_t digitCount = 12;
  int32_t digits[kMaxDigits] = {};
  int32_t entryCursor = 0;
  int32_t entryState = 0;  // 0 editing, 1 decided, 2 closing
  TextureHandle* digitTexture = nullptr;
  std::string renderedDigits;  // the markup last rendered (tests read it)
};

// Key capture: closes on the first assignable key pressed (capturedCode = scan code) or on a
// button of the pad slot (declined).
class CGameMenu_InputKey : public CGameMenu_InfoGrp {
 public:
  CGameMenu_InputKey(int player, int padSlot = -1);
  void Update() override;
  int32_t player = 0;
  int32_t padSlot = -1;
};

// Pad capture: closes on the highest button pressed on the pad slot (capturedCode = 1..10) or on
// an assignable key (declined).
class CGameMenu_InputPad : public CGameMenu_InfoGrp {
 public:
  explicit CGameMenu_InputPad(int padSlot);
  void Update() override;
  int32_t padSlot = -1;
};

class CGameMenu_Network : public CGameMenu_InfoGrp {
 public:
  CGameMenu_Network();
  int Input(int direction, int button) override;
  void Update() override;
  void SetMessage(std::string_view line1, std::string_view line2);
  // 1 wait, 2 yes/no, 3 OK, 4 search, 5 create; other kinds leave no sets.
  void SetPopupKind(int kind);
  // Set by the online screens: the cancel button reaches the menu only then.
  int32_t cancelAllowed = 0;
};
