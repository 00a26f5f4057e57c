// Screen fades (the fade timer record), screenshots of the scene to numbered image files in
// ".\ScreenShot", and the list of timed text notices that loading code posts to.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TextureHandle;

class CScreenFadeData {
 public:
  virtual ~CScreenFadeData() = default;
  void Advance();

  int32_t active = 0;
  int32_t reserved[4] = {};
  int32_t alpha = 0;
  int32_t length = 0;
  int32_t frame = 0;
};

class CScreenFadeDrraw : public CScreenFadeData {};

void InitScreenFadeState(CScreenFadeData* fade);

// Screenshots.
void SetScreenshotFormat(const char* name);
int GetScreenshotFormat();
const char* GetScreenshotExtension();
// Saves a texture (the back buffer for null) to the next free numbered file. 1 when saved; 0 when
// the save failed (a failure notice is posted instead of the saved one).
int SaveScreenshot(TextureHandle* texture);

// Notices.
struct ScreenMessage {
  std::string text;
  double lifetime = 0.0;
  double started = 0.0;
};
void InitScreenMessages();
void PostScreenMessage(const char* text);
void FreeScreenMessages();
// A copy of the live notices (tests and whatever screen chooses to show them).
std::vector<ScreenMessage> GetScreenMessages();
// The clock the notices age by, in seconds (tests inject one).
void SetScreenMessageClock(std::function<double()> clock);
