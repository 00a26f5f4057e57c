// Fuzz target: a pack file of arbitrary bytes is mounted (or refused), then every member the
// directory names is looked up and read whole and in pieces.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FilePacFunc/FilePac.h"
#include "app/lib_debug.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("vt_fuzz_pack_" + std::to_string(::getpid()) + ".p"))
          .string();
  vt::SetDebugQuiet(true);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (size) out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  PackList& list = GetPackList();
  list.Clear();
  if (list.Mount(path)) {
    CFilePac_File pack;
    pack.Load(path);
    std::vector<uint8_t> buf(4096);
    for (const PackEntry& file : pack.Files()) {
      const PackEntry& folder = pack.Folders()[static_cast<size_t>(file.index)];
      std::string member = folder.name.empty() ? file.name : folder.name + "\\" + file.name;
      auto reader = list.Open(member);
      if (!reader) continue;
      while (reader->Read(buf.data(), static_cast<uint32_t>(buf.size())) > 0) {
      }
      reader->Seek(-7, 2);
      reader->Read(buf.data(), static_cast<uint32_t>(buf.size()));
      reader->Seek(3, 0);
      reader->Read(buf.data(), 5);
    }
    list.Exists("x");
    list.Exists(".\\DATA\\A.TXT");
  }
  list.Clear();
  std::remove(path.c_str());
  return 0;
}
