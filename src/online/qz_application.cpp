// Task lists, the application object and the high-resolution timer.
#include "online/qz_application.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/clock.h"

int QZ_TaskList::Run() {
  int run = 0;
  // Tasks added while the list runs wait for the next frame.
  const size_t count = tasks_.size();
  for (size_t i = 0; i < count; ++i) {
    if (tasks_[i]->suspended) continue;
    tasks_[i]->Run();
    ++run;
  }
  std::erase_if(tasks_, [](const std::unique_ptr<QZ_Task>& t) { return t->finished; });
  return run;
}

QZWin_CApplication::QZWin_CApplication() { startMs = vt::platform::GetClock().Milliseconds(); }

uint64_t QZWin_HQTimer::Milliseconds() {
  auto& c = vt::platform::GetClock();
  uint64_t f = c.CounterFrequency();
  if (f == 0) return c.Milliseconds();
  return static_cast<uint64_t>(static_cast<double>(c.Counter()) * 1000.0 / static_cast<double>(f));
}

uint64_t QZWin_HQTimer::Microseconds() {
  auto& c = vt::platform::GetClock();
  uint64_t f = c.CounterFrequency();
  if (f == 0) return static_cast<uint64_t>(c.Milliseconds()) * 1000;
  return static_cast<uint64_t>(static_cast<unsigned __int128>(c.Counter()) * 1000000u / f);
}

void QZWin_HQTimer::LocalDate(QZ_LocalDate* out) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  out->calendarTime = static_cast<int64_t>(now);
  char text[64] = {};
  ctime_r(&now, text);
  std::strncpy(out->text, text, sizeof out->text - 1);
  out->text[sizeof out->text - 1] = '\0';
  out->year = local.tm_year + 1900;
  out->month = local.tm_mon + 1;
  out->day = local.tm_mday;
  out->hour = local.tm_hour;
  out->minute = local.tm_min;
  out->second = local.tm_sec;
}

QZ_TimerHolder* CreateHQTimer() {
  static QZ_TimerHolder holder;  // the 1 ms timer resolution needs no request here
  return &holder;
}

namespace {
std::unique_ptr<QZWin_CApplication> g_application;
}

QZWin_CApplication* GetQZApplication() { return g_application.get(); }
void CreateQZApplication() {
  if (!g_application) g_application = std::make_unique<QZWin_CApplication>();
  CreateHQTimer();
}
void DeleteQZApplication() { g_application.reset(); }
