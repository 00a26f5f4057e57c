// Game texts and text lists. ".\GameText.ini" holds the numbered texts in Japanese and English,
// loaded once into the game text table and fetched in the language of the configuration.
// `CTextInfoIndex` is a lazily loaded list of quoted texts from a file its subclass names.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct GameTextEntry {
  std::string japanese;
  std::string english;
};

extern std::vector<GameTextEntry> g_GameTextTable;

// Fills the table from ".\GameText.ini" (left empty when the file cannot be loaded).
void LoadGameText();
// The same from an already loaded text (tests, tools).
void LoadGameTextFrom(std::string_view iniText);
// Text n in the configured language; "" for a number outside the table.
std::string GetGameText(int n);
// A game text used as a one-argument format: the first "%s" becomes `arg`, and everything else,
// another "%s", "%d" or "%%" among it, is copied as it stands. The texts come from a data file,
// so a stray conversion must never read an argument that was not passed.
std::string FormatGameText(std::string_view format, std::string_view arg);
// The same for the texts that take a number (a slot number, say): the first "%d" becomes its
// decimal digits and everything else is copied as it stands.
std::string FormatGameText(std::string_view format, int number);

class TextList {
 public:
  // 1 when the file was read and ended with the end marker; on failure the list stays empty.
  int Load(std::string_view path);
  int LoadFromText(std::string_view text);
  bool IsLoaded() const { return loaded_; }
  size_t Count() const { return positions_.size(); }
  // Entry n; "" (and false) for n outside the list.
  bool GetEntry(size_t n, std::string& out) const;
  void Delete();

 private:
  std::string text_;
  std::vector<size_t> positions_;
  bool loaded_ = false;
};

class CTextInfoIndex {
 public:
  virtual ~CTextInfoIndex() = default;
  // The path of the list's file.
  virtual std::string GetPath() const = 0;
  // 1 when the list is (or already was) loaded, 0 when the file is missing or damaged. A failed
  // load keeps nothing, so the next call tries again.
  int Load();
  const TextList* List() const { return list_.get(); }

 private:
  std::unique_ptr<TextList> list_;
};
