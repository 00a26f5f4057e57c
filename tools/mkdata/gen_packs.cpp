// The packs "0000.p".."0008.p", written last from part of the sample folder by the pack writer.
// Moved into packs: the pack data version file (0008.p) and ".\GameText.ini" (0003.p). Copied
// into packs (the loose files stay for tools that read the folder directly): the text files of
// ".\data\" (0000.p) and ".\story\" (0004.p), with `.EX3` companions for a few of them.
// ".\data\pack_order.txt" is in 0008.p, 0003.p, 0000.p and on disk, with different texts, so a
// run can see that the first mounted pack wins. 0008.p scrambles names and content prefixes, 0003.p names.
// Files other steps stage under "pack_000N/" go into pack N under the rest of their path (the
// staging folder is removed), so a pack can hold a file that differs from the loose one.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "FilePacFunc/FilePacWriter.h"
#include "app/byte_pair.h"
#include "mkdata.h"

namespace fs = std::filesystem;

namespace {

constexpr uintmax_t kMaxCopiedFile = 1 << 20;
constexpr size_t kMaxCompanionsPerPack = 4;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> Bytes(std::string_view s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// ".\folder\name" for a path relative to the game folder.
std::string GamePath(const fs::path& relative) {
  std::string out = ".";
  for (const auto& part : relative) out += "\\" + part.string();
  return out;
}

// Moves a loose file into a pack member (removing the loose copy); false when it is missing.
bool Take(const fs::path& root, const std::string& relative, std::vector<PackWriterMember>& into) {
  fs::path path = root / relative;
  if (!fs::is_regular_file(path)) return false;
  into.push_back({GamePath(relative), ReadAll(path)});
  fs::remove(path);
  return true;
}

// Copies the text files under root/folder into members, with companions for the first few.
void CopyTexts(const fs::path& root, const std::string& folder, std::vector<PackWriterMember>& into) {
  fs::path base = root / folder;
  if (!fs::is_directory(base)) return;
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(base)) {
    if (!entry.is_regular_file() || entry.file_size() > kMaxCopiedFile) continue;
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext == ".txt" || ext == ".ini") files.push_back(fs::relative(entry.path(), root));
  }
  std::sort(files.begin(), files.end());  // deterministic order
  size_t companions = 0;
  for (const fs::path& relative : files) {
    std::vector<uint8_t> data = ReadAll(root / relative);
    if (GamePath(relative).size() > 250 || relative.filename().string().size() > 27) continue;
    into.push_back({GamePath(relative), data});
    // A companion stands for every file of its stem ("x.EX3" is looked for when "x.txt" or "x.ha6"
    // is read): only a text file alone with its stem gets one.
    bool aloneWithStem = true;
    for (const auto& other : fs::directory_iterator((root / relative).parent_path())) {
      if (other.path().stem() == relative.stem() && other.path().filename() != relative.filename() &&
          other.path().extension() != ".EX3") {
        aloneWithStem = false;
      }
    }
    if (companions >= kMaxCompanionsPerPack || data.empty() || !aloneWithStem) {
      // No companion for this one: drop a stale one an older build (other files, other order) left.
      std::error_code ec;
      fs::remove((root / relative).replace_extension(".EX3"), ec);
    } else {
      fs::path companion = relative;
      companion.replace_extension(".EX3");
      std::vector<uint8_t> image = ex3::EncodeBytePairs(data);
      into.push_back({GamePath(companion), image});
      mkdata::WriteBytes(root, companion.string(), image.data(), image.size());
      ++companions;
    }
  }
}

// Moves the files staged under root/pack_000N into pack N's members.
void TakeStaged(const fs::path& root, int n, std::vector<PackWriterMember>& into) {
  char name[16];
  std::snprintf(name, sizeof name, "pack_000%d", n);
  const fs::path staging = root / name;
  if (!fs::is_directory(staging)) return;
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(staging))
    if (entry.is_regular_file()) files.push_back(fs::relative(entry.path(), staging));
  std::sort(files.begin(), files.end());  // deterministic order
  for (const fs::path& relative : files) into.push_back({GamePath(relative), ReadAll(staging / relative)});
  std::error_code ec;
  fs::remove_all(staging, ec);
}

bool WritePacks(const fs::path& root) {
  std::vector<PackWriterMember> packs[9];
  for (int n = 0; n < 9; ++n) TakeStaged(root, n, packs[n]);
  if (!Take(root, "PackDataVersion/pack_0008_version.txt", packs[8])) {
    packs[8].push_back({".\\PackDataVersion\\pack_0008_version.txt", Bytes("3\r\n")});
  }
  std::error_code ec;
  fs::remove(root / "PackDataVersion", ec);  // only when empty
  Take(root, "GameText.ini", packs[3]);
  packs[8].push_back({".\\data\\pack_order.txt", Bytes("0008\r\n")});
  packs[3].push_back({".\\data\\pack_order.txt", Bytes("0003\r\n")});
  if (!mkdata::WriteText(root, "data/pack_order.txt", "disk\r\n")) return false;
  CopyTexts(root, "data", packs[0]);
  CopyTexts(root, "story", packs[4]);

  PackWriterOptions options[9] = {};
  options[8] = {0x5F3E2A10, true, 13, 256};
  options[3] = {0x61A2B3C4, false, 1, 0};
  for (int n = 0; n < 9; ++n) {
    char name[8];
    std::snprintf(name, sizeof(name), "000%d.p", n);
    std::vector<uint8_t> image = BuildPack(packs[n], options[n]);
    if (image.empty() || !mkdata::WriteBytes(root, name, image.data(), image.size())) return false;
  }
  return true;
}

}  // namespace

MKDATA_STEP("95_packs", WritePacks);
