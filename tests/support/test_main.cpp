// Test entry: every test runs in a fresh temporary working directory, because the game
// reads and writes paths relative to its game folder. The user's configuration folder points
// there too, so no test (nor a game process it starts) reads or writes the player's own online
// profile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

class TempDirListener : public testing::EmptyTestEventListener {
 public:
  void OnTestStart(const testing::TestInfo&) override {
    original_ = std::filesystem::current_path();
    std::string tmpl = (std::filesystem::temp_directory_path() / "vt_test_XXXXXX").string();
    if (char* made = mkdtemp(tmpl.data())) {
      dir_ = made;
      std::filesystem::current_path(dir_);
      setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    }
  }
  void OnTestEnd(const testing::TestInfo&) override {
    std::filesystem::current_path(original_);
    if (!dir_.empty() && std::getenv("VT_KEEP_TEST_DIRS") == nullptr) {
      std::error_code ec;
      std::filesystem::remove_all(dir_, ec);
    }
    dir_.clear();
  }

 private:
  std::filesystem::path original_;
  std::filesystem::path dir_;
};

}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new TempDirListener);
  return RUN_ALL_TESTS();
}
