// The ini reader: the whole file in memory (packs first, then disk), section headers indexed once
// at load, lookups answered by pointing into the text. Keys and section names compare exactly
// (letter case matters). Lines end with CR, CR LF or a lone LF (files edited on Linux); "//"
// starts a comment that runs to the line end, inside values too. The reader never writes: the
// path and write-mode flag are kept for the profile-string writer.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/file_loader.h"

class IniFile {
 public:
  static constexpr size_t kMaxKeyLength = 64;
  static constexpr size_t kMaxSectionName = 31;

  IniFile() = default;
  IniFile(const IniFile&) = delete;
  IniFile& operator=(const IniFile&) = delete;

  // Clear, then read the whole file; 1 on success, 0 when missing.
  int Load(std::string_view path);
  // Reads a copy of text (in-memory data and tests).
  void LoadFromText(std::string_view text);
  void Clear();

  // The section's header line (which becomes current), or null.
  const char* SelectSection(std::string_view name);
  // The value text of key in section (after "=" and blanks), or null. With an empty key, the
  // section's header line.
  const char* FindKey(std::string_view section, std::string_view key);
  // Moves to the next key line of the current section and copies its key (at most 64 characters)
  // into key. 0 at the end of the section or text.
  int NextKey(std::string& key);
  // The current line's value as an integer; def when it has no "=" or starts with one.
  int GetInt(int def);
  // Copies the current line's value into buffer: at most length - 1 characters and a zero
  // (length is the capacity). Returns the characters copied; 0 without "=" (buffer untouched).
  int GetString(char* buffer, size_t length);
  // The same into a string, at most maxChars characters.
  int GetString(std::string& out, size_t maxChars);

  // The write side: the path used by the profile-string writer. Reads return 0 in write mode.
  void SetWriteMode(std::string_view path);
  bool WriteMode() const { return writeMode_; }
  const std::string& Path() const { return path_; }
  int LineCounter() const { return lineCounter_; }
  // Lookups served from the last-section cache (tests check that a repeat takes no search).
  int SectionCacheHits() const { return cacheHits_; }

 private:
  struct SectionEntry {
    std::string name;
    size_t header;  // offset of "["
  };
  char At(size_t pos) const { return pos < text_.size() ? text_[pos] : '\0'; }
  bool IsEnd(size_t pos) const { return At(pos) == '\0'; }
  size_t SkipBlankLines(size_t pos) const;
  size_t NextLine(size_t pos) const;
  // Offset of the first "=" on the line, stopping at the line end and at "//"; npos when none.
  size_t FindEquals(size_t line) const;
  std::string LineKey(size_t line) const;
  void IndexSections();
  const char* Ptr(size_t pos) const { return text_.data() + pos; }

  bool writeMode_ = false;
  DataBuffer owned_;
  std::string_view text_;  // the whole file; a zero byte ends it
  std::string path_;
  std::vector<SectionEntry> index_;
  std::string lastSection_;
  size_t lastSectionLine_ = std::string_view::npos;
  size_t current_ = std::string_view::npos;
  int lineCounter_ = 0;
  int cacheHits_ = 0;
};

// Length of a value: up to the first line end, zero byte or "//", without trailing blanks.
size_t IniValueLength(const char* value);
