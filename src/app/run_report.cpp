// The end-to-end run report (see run_report.h).
#include "app/run_report.h"

#include <cstdio>
#include <mutex>

namespace vt::e2e {
namespace {

std::mutex g_reportLock;
std::FILE* g_report = nullptr;
uint32_t g_reportFrame = 0;

// Length of the valid UTF-8 sequence at s[i], 0 when none starts there.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<uint8_t>(s[k]); };
  const uint8_t c = b(i);
  size_t n = 0;
  uint32_t cp = 0;
  if (c < 0x80) return 1;
  if ((c & 0xE0) == 0xC0)
    n = 2, cp = c & 0x1F;
  else if ((c & 0xF0) == 0xE0)
    n = 3, cp = c & 0x0F;
  else if ((c & 0xF8) == 0xF0)
    n = 4, cp = c & 0x07;
  else
    return 0;
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and values past the last code point are not valid.
  static constexpr uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

void AppendJsonString(std::string& out, std::string_view s) {
  out += '"';
  for (size_t i = 0; i < s.size();) {
    const char c = s[i];
    const size_t n = Utf8Length(s, i);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (n > 1) {
      out.append(s.substr(i, n));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<uint8_t>(c) < 0x20 || c == 0x7F) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(static_cast<uint8_t>(c)));
      out += esc;
    } else {
      out += c;
    }
    i += n;
  }
  out += '"';
}

}  // namespace

ReportField ReportField::Hex(std::string name, uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return Text(std::move(name), text);
}

std::string FormatReportLine(uint32_t frame, std::string_view kind, const std::vector<ReportField>& fields) {
  std::string line = "{\"frame\":" + std::to_string(frame) + ",\"event\":";
  AppendJsonString(line, kind);
  for (const ReportField& f : fields) {
    line += ',';
    AppendJsonString(line, f.name);
    line += ':';
    if (f.isText)
      AppendJsonString(line, f.text);
    else
      line += std::to_string(f.number);
  }
  line += "}\n";
  return line;
}

bool OpenRunReport(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_reportLock);
  if (g_report != nullptr) std::fclose(g_report);
  g_report = std::fopen(path.c_str(), "w");
  g_reportFrame = 0;
  return g_report != nullptr;
}

void CloseRunReport() {
  std::lock_guard<std::mutex> lock(g_reportLock);
  if (g_report != nullptr) std::fclose(g_report);
  g_report = nullptr;
}

bool RunReportOpen() {
  std::lock_guard<std::mutex> lock(g_reportLock);
  return g_report != nullptr;
}

void SetRunReportFrame(uint32_t frame) {
  std::lock_guard<std::mutex> lock(g_reportLock);
  g_reportFrame = frame;
}

void Report(std::string_view kind, const std::vector<ReportField>& fields) {
  std::lock_guard<std::mutex> lock(g_reportLock);
  if (g_report == nullptr) return;
  const std::string line = FormatReportLine(g_reportFrame, kind, fields);
  std::fwrite(line.data(), 1, line.size(), g_report);
  std::fflush(g_report);
}

}  // namespace vt::e2e
