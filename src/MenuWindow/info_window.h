// The help-text window: a titled dark band under a menu with two lines of text looked up by key
// in a help file (sections [Font] and [Information]), rendered into textures only when a line's
// text changes, fading in and out over 16 frames. Also the help keys of an in-game menu.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TextureHandle;
class CGameMenuManager;

class CInformationWindow {
 public:
  enum State : int32_t {
    kFadingIn = 0,
    kShown = 1,
    kFadingOutToHidden = 2,
    kFadingOut = 3,
    kHidden = 4,
    kIdle = 5,
  };
  struct LineRenderer {
    std::string text;
    int32_t rendered = 0;
    TextureHandle* texture = nullptr;
  };

  CInformationWindow();
  ~CInformationWindow();
  CInformationWindow(const CInformationWindow&) = delete;
  CInformationWindow& operator=(const CInformationWindow&) = delete;

  // Drops the pairs and reads the file; a missing file leaves the window without texts.
  // Returns 1 when the file was read.
  int LoadTexts(std::string_view path);
  void SetKey(std::string_view key);
  void SetKey2(std::string_view key);
  void SetTitle(std::string_view title);
  // Shows these two texts instead of looking keys up (flag 1), or goes back to the keys (0).
  void SetDirectTexts(std::string_view text1, std::string_view text2, int32_t flag);
  const std::string& FindText(std::string_view key);
  void Update();
  void Draw();
  void Reset();
  void Release();
  // The menu's view: fading in, fading out, stable (shown or hidden).
  void FadeIn();
  void FadeOut();
  bool IsStable() const { return state == kShown || state == kHidden; }

  int32_t state = kFadingIn;
  int32_t frames = 0;
  std::string title = "Information";
  std::string key1, key2;
  std::string direct1, direct2;
  int32_t directFlag = 0;
  LineRenderer lines[2];
  std::string fontName = "MS UI Gothic";
  int32_t fontHeight = 24;
  int32_t antialias = 1;
  int32_t fontWeight = 400;
  std::vector<std::pair<std::string, std::string>> pairs;
  std::string cacheKey;
  std::string cacheText;
  bool cacheValid = false;
  int32_t layer = 512;
  int32_t centreY = 240;
  int32_t bandHeight = 80;
  float scaleX = 1.0f;
  float scaleY = 1.0f;
  float fade = 0.0f;

 private:
  void RenderLine(LineRenderer& line, const std::string& text);
  void FreeLines();
};

// Help keys of an in-game menu: key = prefix + the id of the active set's cursor element;
// choiceKey = key "_" its current choice value ("%s_%d"), empty when the element has no choice
// index. Both empty without a cursor element. Keys are cut to the help-key capacity.
void MakeMenuHelpKeys(CGameMenuManager* menu, std::string* key, std::string* choiceKey,
                      std::string_view prefix);
