// Ini text for the sample data: sections and "key=value" lines, every line ending in CR LF
// (as every text file the game writes).
#pragma once

#include <string>
#include <string_view>

namespace mkdata {

class IniWriter {
 public:
  void Section(std::string_view name) {
    text_ += "[";
    text_ += name;
    text_ += "]\r\n";
  }
  void Key(std::string_view key, std::string_view value) {
    text_ += key;
    text_ += "=";
    text_ += value;
    text_ += "\r\n";
  }
  void Comment(std::string_view comment) {
    text_ += "// ";
    text_ += comment;
    text_ += "\r\n";
  }
  const std::string& Text() const { return text_; }

 private:
  std::string text_;
};

}  // namespace mkdata
