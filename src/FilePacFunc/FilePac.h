// Pack archives: a 52-byte header, a directory of folders and files, then the member data.
// Packs are mounted once at start-up into the pack list; every data-file open asks the list
// before the disk, and the first pack in mount order that holds the path wins.
//
// Threads: the logic thread, the character loader and the select preloader open members at
// once. A mounted pack's directory never changes, so lookups take no lock; every open member is
// its own reader (file handle, base, size, position), so two members of one pack can be read
// side by side. Only mounting and clearing the list lock it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#pragma pack(push, 1)
struct PackHeader {
  char signature[14];  // "FilePacHeaderA", no terminating zero
  uint16_t zero;
  int32_t version;       // 1
  int32_t creationTime;  // also the name-scrambling key; 0 = names not scrambled
  int32_t dataOffset;    // 52 + directory size
  int32_t notRead;
  int32_t folderCount;
  int32_t fileCount;
  int32_t contentScramble;  // non-zero: member content prefixes are scrambled
  int32_t contentStep;      // low byte used; 0 counts as 1
  int32_t prefixLength;     // scrambled bytes at the start of each member
};
#pragma pack(pop)
static_assert(sizeof(PackHeader) == 52);

constexpr size_t kPackFolderRecordSize = 268;
constexpr size_t kPackFileRecordSize = 44;
constexpr size_t kPackFolderNameSize = 256;
constexpr size_t kPackFileNameSize = 32;
inline constexpr char kPackSignature[15] = "FilePacHeaderA";

// Directory entry (folders and files alike).
struct PackEntry {
  std::string name;  // upper-cased
  int32_t hash = 0;
  int32_t index = 0;   // folder: first file; file: its folder
  int32_t offset = 0;  // file: member offset from the data offset; folder: its first word
  int32_t size = 0;    // file: member size; folder: its third word
};

// Sum of i * c[i] over the upper-cased name, bytes taken as signed 8-bit, wrapping.
int32_t PackNameHash(std::string_view upperName);

// Splits a game path into the pack folder part (what is left without the last component, with
// "/" read as "\") and the file part, both upper-cased.
void SplitPackPath(std::string_view path, std::string& folder, std::string& file);

class CFilePac_File;

// One open member: its own file handle on the pack, its base, size and position.
class PackMemberReader {
 public:
  ~PackMemberReader();
  PackMemberReader(const PackMemberReader&) = delete;
  PackMemberReader& operator=(const PackMemberReader&) = delete;

  // Reads count bytes (0 = the whole member) from the position, never past the member's end,
  // unscrambling the content prefix. Returns the bytes read.
  uint32_t Read(void* buffer, uint32_t count);
  // Origins 0 member start, 1 current, 2 member end; the position is clamped to the member.
  // Returns the absolute position in the pack file.
  uint32_t Seek(int32_t offset, int origin);
  uint32_t Position() const { return position_; }
  uint32_t Size() const { return size_; }
  const CFilePac_File& Pack() const { return *pack_; }

 private:
  friend class PackList;
  PackMemberReader(std::shared_ptr<const CFilePac_File> pack, int fd, const PackEntry& file);
  std::shared_ptr<const CFilePac_File> pack_;
  int fd_;
  uint64_t base_;
  uint32_t size_;
  uint32_t position_ = 0;
};

class CFilePac_File {
 public:
  // Loads and checks the header and directory. A pack whose counts, names, offsets or sizes do
  // not fit the file is refused (logged) and stays unmounted.
  bool Load(std::string_view path);
  void Reset();

  bool IsMounted() const { return mounted_; }
  const std::string& Path() const { return path_; }
  const PackHeader& Header() const { return header_; }
  std::span<const PackEntry> Folders() const { return folders_; }
  std::span<const PackEntry> Files() const { return files_; }

  // Folder entry index for a folder path, or -1.
  int FindFolder(std::string_view folderPath) const;
  // File entry for a name among the files of folder `folderIndex`, or null.
  const PackEntry* FindFileInFolder(int folderIndex, std::string_view fileName) const;
  const PackEntry* FindMember(std::string_view path) const;

 private:
  bool mounted_ = false;
  std::string path_;
  PackHeader header_{};
  std::vector<PackEntry> folders_;
  std::vector<PackEntry> files_;
  // Upper-cased folder name -> folder index; (folder index, upper-cased file name) -> file index.
  // First entry wins, as a scan in directory order would.
  std::unordered_map<std::string, int> folderIndex_;
  std::unordered_map<std::string, int> fileIndex_;
};

class PackList {
 public:
  // Loads a pack and appends it; false (nothing appended) when it is missing or damaged.
  bool Mount(std::string_view path);
  // A reader on the member at path from the first pack in mount order that has it, or null.
  std::unique_ptr<PackMemberReader> Open(std::string_view path) const;
  bool Exists(std::string_view path) const;
  void Clear();
  size_t Count() const;

 private:
  mutable std::shared_mutex lock_;
  std::vector<std::shared_ptr<const CFilePac_File>> packs_;
};

// The program's one pack list.
PackList& GetPackList();

// Mounts one pack into the program's list: 1 when loaded and appended, else 0.
int MountPack(std::string_view path);
// Mounts "./0008.p", "./0003.p", "./0005.p", "./0002.p", "./0007.p", "./0000.p", "./0004.p",
// "./0006.p", "./0001.p" in this order (missing ones skipped silently) and returns
// CheckPackDataVersion.
bool MountPackFiles();
// True when ".\PackDataVersion\pack_0008_version.txt" (packs first) starts with the word 3.
bool CheckPackDataVersion();
