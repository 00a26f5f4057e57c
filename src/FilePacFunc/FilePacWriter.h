// The pack writer: builds a pack in the reader's format (header, folder and file records with
// scrambled names, member data with scrambled prefixes). Used by the sample-data builder and the
// tests' fixtures.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct PackWriterMember {
  std::string path;  // as the game opens it: ".\data\foo.txt"
  std::vector<uint8_t> data;
};

struct PackWriterOptions {
  int32_t creationTime = 0;  // the name-scrambling key; 0 leaves names plain
  bool scrambleContent = false;
  int32_t contentStep = 1;
  int32_t prefixLength = 0;
};

// The whole pack image; empty when a folder name is longer than 255 bytes or a file name longer
// than 31 (the record fields), or the pack would pass 2 GiB. Folders keep the order of their
// first member; members of one folder are stored consecutively.
std::vector<uint8_t> BuildPack(std::span<const PackWriterMember> members, const PackWriterOptions& options);
// Builds and writes a pack file safely. False when it could not be built or written.
bool WritePackFile(std::string_view path, std::span<const PackWriterMember> members,
                   const PackWriterOptions& options);
