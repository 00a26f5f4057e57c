// Pack archives: loading and checking the directory, member lookup, member readers, the pack list.
#include "FilePacFunc/FilePac.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "FilePacFunc/FilePacScramble.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "app/lib_sjis.h"
#include "platform/path_translate.h"

namespace {

int32_t ReadI32(const uint8_t* p) {
  uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
  return static_cast<int32_t>(v);
}

bool PreadAll(int fd, void* buffer, size_t count, uint64_t offset) {
  size_t done = 0;
  while (done < count) {
    ssize_t n =
        ::pread(fd, static_cast<char*>(buffer) + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Opens a pack file on disk. Packs are always disk files (a pack inside a pack is not looked for).
int OpenPackFile(std::string_view path) {
  std::string disk = vt::platform::ResolveGamePath(path);
  return ::open(disk.c_str(), O_RDONLY | O_CLOEXEC);
}

std::string PackKey(int folder, std::string_view upperName) {
  std::string key = std::to_string(folder);
  key.push_back('\0');
  key.append(upperName);
  return key;
}

}  // namespace

int32_t PackNameHash(std::string_view upperName) {
  uint32_t hash = 0;
  for (size_t i = 0; i < upperName.size(); ++i) {
    hash += static_cast<uint32_t>(i) *
            static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(upperName[i])));
  }
  return static_cast<int32_t>(hash);
}

void SplitPackPath(std::string_view path, std::string& folder, std::string& file) {
  std::string normal(path);
  size_t lastSep = std::string::npos;
  for (size_t i = 0; i < normal.size(); ++i) {
    if (IsSjisDoubleByteAt(normal, i)) {
      ++i;
      continue;
    }
    if (normal[i] == '/') normal[i] = '\\';
    if (normal[i] == '\\') lastSep = i;
  }
  if (lastSep == std::string::npos) {
    folder.clear();
    file = ToUpperString(normal);
    return;
  }
  // As the path function the game uses: the root separator stays ("\x" -> "\").
  folder = ToUpperString(std::string_view(normal).substr(0, lastSep == 0 ? 1 : lastSep));
  file = ToUpperString(std::string_view(normal).substr(lastSep + 1));
}

// ---- CFilePac_File ----

void CFilePac_File::Reset() {
  mounted_ = false;
  path_.clear();
  header_ = PackHeader{};
  folders_.clear();
  files_.clear();
  folderIndex_.clear();
  fileIndex_.clear();
}

bool CFilePac_File::Load(std::string_view path) {
  Reset();
  std::string name(path);
  int fd = OpenPackFile(path);
  if (fd < 0) return false;  // a missing pack is skipped silently
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const uint64_t fileSize = static_cast<uint64_t>(st.st_size);
  auto refuse = [&](const char* problem) {
    DebugPrint("Pack %s refused: %s\n", name.c_str(), problem);
    Reset();
    return false;
  };
  if (fileSize < sizeof(PackHeader) || !PreadAll(fd, &header_, sizeof(header_), 0)) {
    return refuse("shorter than its 52-byte header");
  }
  // The signature is not checked: a pack whose sizes, counts and offsets hold is mounted whatever
  // its first 14 bytes say. The checks below, not the signature, keep a damaged pack out.
  if (header_.folderCount < 0 || header_.fileCount < 0) return refuse("negative folder or file count");
  if (header_.prefixLength < 0) return refuse("negative scrambled prefix length");
  const uint64_t dirNeeded = static_cast<uint64_t>(header_.folderCount) * kPackFolderRecordSize +
                             static_cast<uint64_t>(header_.fileCount) * kPackFileRecordSize;
  if (header_.dataOffset < static_cast<int32_t>(sizeof(PackHeader)) ||
      static_cast<uint64_t>(header_.dataOffset) - sizeof(PackHeader) < dirNeeded) {
    return refuse("directory larger than its data offset allows");
  }
  if (static_cast<uint64_t>(header_.dataOffset) > fileSize)
    return refuse("data offset beyond the end of the file");

  std::vector<uint8_t> dir(dirNeeded);
  if (dirNeeded && !PreadAll(fd, dir.data(), dir.size(), sizeof(PackHeader)))
    return refuse("directory unreadable");

  const uint32_t key = static_cast<uint32_t>(header_.creationTime);
  const uint64_t dataSize = fileSize - static_cast<uint64_t>(header_.dataOffset);
  folders_.resize(static_cast<size_t>(header_.folderCount));
  files_.resize(static_cast<size_t>(header_.fileCount));
  const uint8_t* p = dir.data();
  auto readName = [&](const uint8_t* field, size_t length, int32_t third) {
    char buf[kPackFolderNameSize];
    std::memcpy(buf, field, length);
    if (key != 0) PackScrambleName(buf, length, key, static_cast<uint8_t>(third & 0xFF));
    buf[length - 1] = '\0';  // a name without its zero is cut, never read past the field
    return ToUpperString(std::string_view(buf, std::strlen(buf)));
  };
  for (PackEntry& folder : folders_) {
    folder.offset = ReadI32(p);
    folder.index = ReadI32(p + 4);
    folder.size = ReadI32(p + 8);
    folder.name = readName(p + 12, kPackFolderNameSize, folder.size);
    folder.hash = PackNameHash(folder.name);
    if (folder.index < 0 || folder.index > header_.fileCount)
      return refuse("folder's first file out of range");
    p += kPackFolderRecordSize;
  }
  for (PackEntry& file : files_) {
    file.offset = ReadI32(p);
    file.index = ReadI32(p + 4);
    file.size = ReadI32(p + 8);
    file.name = readName(p + 12, kPackFileNameSize, file.size);
    file.hash = PackNameHash(file.name);
    if (file.index < 0 || file.index >= header_.folderCount) return refuse("file's folder out of range");
    if (file.offset < 0 || file.size < 0 ||
        static_cast<uint64_t>(file.offset) + static_cast<uint64_t>(file.size) > dataSize) {
      return refuse("member beyond the end of the file");
    }
    p += kPackFileRecordSize;
  }
  // The files of a folder are consecutive from the folder's first file and carry its index.
  for (size_t i = 0; i < files_.size(); ++i) {
    const int f = files_[i].index;
    const size_t first = static_cast<size_t>(folders_[static_cast<size_t>(f)].index);
    if (i < first || (i > first && files_[i - 1].index != f))
      return refuse("a folder's files are not consecutive");
  }
  for (size_t f = 0; f < folders_.size(); ++f) folderIndex_.emplace(folders_[f].name, static_cast<int>(f));
  for (size_t i = 0; i < files_.size(); ++i) {
    fileIndex_.emplace(PackKey(files_[i].index, files_[i].name), static_cast<int>(i));
  }
  path_ = name;
  mounted_ = true;
  return true;
}

int CFilePac_File::FindFolder(std::string_view folderPath) const {
  auto it = folderIndex_.find(ToUpperString(folderPath));
  return it == folderIndex_.end() ? -1 : it->second;
}

const PackEntry* CFilePac_File::FindFileInFolder(int folderIndex, std::string_view fileName) const {
  if (folderIndex < 0 || static_cast<size_t>(folderIndex) >= folders_.size()) return nullptr;
  auto it = fileIndex_.find(PackKey(folderIndex, ToUpperString(fileName)));
  return it == fileIndex_.end() ? nullptr : &files_[static_cast<size_t>(it->second)];
}

const PackEntry* CFilePac_File::FindMember(std::string_view path) const {
  if (!mounted_) return nullptr;
  std::string folder, file;
  SplitPackPath(path, folder, file);
  return FindFileInFolder(FindFolder(folder), file);
}

// ---- PackMemberReader ----

PackMemberReader::PackMemberReader(std::shared_ptr<const CFilePac_File> pack, int fd, const PackEntry& file)
    : pack_(std::move(pack)),
      fd_(fd),
      base_(static_cast<uint64_t>(pack_->Header().dataOffset) + static_cast<uint64_t>(file.offset)),
      size_(static_cast<uint32_t>(file.size)) {}

PackMemberReader::~PackMemberReader() {
  if (fd_ >= 0) ::close(fd_);
}

uint32_t PackMemberReader::Read(void* buffer, uint32_t count) {
  if (!buffer) return 0;
  if (count == 0) count = size_;
  count = std::min(count, size_ - position_);
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, count - done,
                        static_cast<off_t>(base_ + position_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  const PackHeader& h = pack_->Header();
  if (h.contentScramble) {
    PackScrambleContent(static_cast<uint8_t*>(buffer), done, position_, static_cast<uint32_t>(h.creationTime),
                        static_cast<uint32_t>(h.contentStep), static_cast<uint32_t>(h.prefixLength));
  }
  position_ += done;
  return done;
}

uint32_t PackMemberReader::Seek(int32_t offset, int origin) {
  int64_t from = origin == 1 ? position_ : origin == 2 ? size_ : 0;
  int64_t target = std::clamp<int64_t>(from + offset, 0, size_);
  position_ = static_cast<uint32_t>(target);
  return static_cast<uint32_t>(base_ + position_);
}

// ---- PackList ----

bool PackList::Mount(std::string_view path) {
  auto pack = std::make_shared<CFilePac_File>();
  if (!pack->Load(path)) return false;
  std::unique_lock lock(lock_);
  packs_.push_back(std::move(pack));
  return true;
}

std::unique_ptr<PackMemberReader> PackList::Open(std::string_view path) const {
  std::shared_lock lock(lock_);
  for (const auto& pack : packs_) {
    const PackEntry* file = pack->FindMember(path);
    if (!file) continue;
    int fd = OpenPackFile(pack->Path());
    if (fd < 0) continue;  // the pack went away: try the next one
    return std::unique_ptr<PackMemberReader>(new PackMemberReader(pack, fd, *file));
  }
  return nullptr;
}

bool PackList::Exists(std::string_view path) const {
  std::shared_lock lock(lock_);
  for (const auto& pack : packs_) {
    if (pack->FindMember(path)) return true;
  }
  return false;
}

void PackList::Clear() {
  std::unique_lock lock(lock_);
  packs_.clear();
}

size_t PackList::Count() const {
  std::shared_lock lock(lock_);
  return packs_.size();
}

PackList& GetPackList() {
  static PackList list;
  return list;
}

int MountPack(std::string_view path) { return GetPackList().Mount(path) ? 1 : 0; }

bool MountPackFiles() {
  static constexpr const char* kPacks[] = {"./0008.p", "./0003.p", "./0005.p", "./0002.p", "./0007.p",
                                           "./0000.p", "./0004.p", "./0006.p", "./0001.p"};
  for (const char* pack : kPacks) MountPack(pack);
  return CheckPackDataVersion();
}

bool CheckPackDataVersion() {
  CDataAccess access;
  if (!access.Open(".\\PackDataVersion\\pack_0008_version.txt")) return false;
  char text[256] = {};
  uint32_t size = std::min<uint32_t>(access.GetSize(), 255);
  if (size && !access.Read(text, size)) return false;
  std::string word;
  SjisReadWord(std::string_view(text, std::strlen(text)), 0, word);
  return !word.empty() && std::atoi(word.c_str()) == 3;
}
