// The pack writer.
#include "FilePacFunc/FilePacWriter.h"

#include <cstring>
#include <map>

#include "FilePacFunc/FilePac.h"
#include "FilePacFunc/FilePacScramble.h"
#include "app/lib_debug.h"
#include "app/lib_file.h"

namespace {
void PutI32(std::vector<uint8_t>& out, int32_t v) {
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
}

void PutName(std::vector<uint8_t>& out, const std::string& name, size_t field, uint32_t key, int32_t third) {
  std::vector<char> buf(field, 0);
  std::memcpy(buf.data(), name.data(), name.size());
  if (key != 0) PackScrambleName(buf.data(), field, key, static_cast<uint8_t>(third & 0xFF));
  out.insert(out.end(), buf.begin(), buf.end());
}
}  // namespace

std::vector<uint8_t> BuildPack(std::span<const PackWriterMember> members, const PackWriterOptions& options) {
  struct Folder {
    std::string name;
    std::vector<size_t> members;
  };
  std::vector<Folder> folders;
  std::map<std::string, size_t> folderOf;
  for (size_t i = 0; i < members.size(); ++i) {
    std::string folder, file;
    SplitPackPath(members[i].path, folder, file);
    if (folder.size() >= kPackFolderNameSize || file.size() >= kPackFileNameSize || file.empty()) {
      DebugPrint("BuildPack: %s does not fit the pack's name fields\n", members[i].path.c_str());
      return {};
    }
    auto [it, added] = folderOf.emplace(folder, folders.size());
    if (added) folders.push_back({folder, {}});
    folders[it->second].members.push_back(i);
  }
  const uint64_t dirSize = folders.size() * kPackFolderRecordSize + members.size() * kPackFileRecordSize;
  uint64_t dataSize = 0;
  for (const auto& m : members) dataSize += m.data.size();
  if (sizeof(PackHeader) + dirSize + dataSize > 0x7FFFFFFF) return {};

  const uint32_t key = static_cast<uint32_t>(options.creationTime);
  std::vector<uint8_t> out;
  out.reserve(sizeof(PackHeader) + dirSize + dataSize);
  out.insert(out.end(), kPackSignature, kPackSignature + 14);
  out.push_back(0);
  out.push_back(0);
  PutI32(out, 1);
  PutI32(out, options.creationTime);
  PutI32(out, static_cast<int32_t>(sizeof(PackHeader) + dirSize));
  PutI32(out, 0);
  PutI32(out, static_cast<int32_t>(folders.size()));
  PutI32(out, static_cast<int32_t>(members.size()));
  PutI32(out, options.scrambleContent ? 1 : 0);
  PutI32(out, options.contentStep);
  PutI32(out, options.prefixLength);

  // Folder records; the third word only feeds the name scrambling.
  int32_t firstFile = 0;
  for (size_t f = 0; f < folders.size(); ++f) {
    int32_t third = static_cast<int32_t>(f * 37 + 11);
    PutI32(out, 0);
    PutI32(out, firstFile);
    PutI32(out, third);
    PutName(out, folders[f].name, kPackFolderNameSize, key, third);
    firstFile += static_cast<int32_t>(folders[f].members.size());
  }
  int32_t offset = 0;
  for (size_t f = 0; f < folders.size(); ++f) {
    for (size_t m : folders[f].members) {
      std::string folder, file;
      SplitPackPath(members[m].path, folder, file);
      int32_t size = static_cast<int32_t>(members[m].data.size());
      PutI32(out, offset);
      PutI32(out, static_cast<int32_t>(f));
      PutI32(out, size);
      PutName(out, file, kPackFileNameSize, key, size);
      offset += size;
    }
  }
  for (const Folder& folder : folders) {
    for (size_t m : folder.members) {
      size_t at = out.size();
      out.insert(out.end(), members[m].data.begin(), members[m].data.end());
      if (options.scrambleContent) {
        PackScrambleContent(out.data() + at, members[m].data.size(), 0, key,
                            static_cast<uint32_t>(options.contentStep),
                            static_cast<uint32_t>(options.prefixLength));
      }
    }
  }
  return out;
}

bool WritePackFile(std::string_view path, std::span<const PackWriterMember> members,
                   const PackWriterOptions& options) {
  std::vector<uint8_t> image = BuildPack(members, options);
  if (image.empty()) return false;
  return lib::SaveFileAtomic(path, image);
}
