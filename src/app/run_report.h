// The report of end-to-end runs: JSON lines, one object per event with its frame number (scene
// changes, messages, results, battle frames, the exit code). The scenes reach it through this
// one sink, which does nothing until a file is opened. The report holds no wall-clock value and
// no absolute path, so two runs of the same script compare byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vt::e2e {

// One field of an event: a name and either a number or a text.
struct ReportField {
  std::string name;
  bool isText = false;
  int64_t number = 0;
  std::string text;
  static ReportField Num(std::string name, int64_t v) { return {std::move(name), false, v, {}}; }
  static ReportField Hex(std::string name, uint64_t v);
  static ReportField Text(std::string name, std::string_view v) {
    return {std::move(name), true, 0, std::string(v)};
  }
};

// The event as one JSON object line: {"frame":F,"event":"kind",fields...}. Texts are UTF-8; a
// byte that does not start or continue a valid sequence becomes U+FFFD, and quotes, backslashes
// and control characters are escaped, so every line parses.
std::string FormatReportLine(uint32_t frame, std::string_view kind, const std::vector<ReportField>& fields);

// Opens the report file (truncated); false when it cannot be written.
bool OpenRunReport(const std::string& path);
void CloseRunReport();
bool RunReportOpen();
// The frame number events carry: the logic frames run so far.
void SetRunReportFrame(uint32_t frame);
// Writes one event line when a report is open.
void Report(std::string_view kind, const std::vector<ReportField>& fields);

}  // namespace vt::e2e
