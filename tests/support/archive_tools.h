// Single-member ZIP archives made at test time by the tools that make them in the field:
// Info-ZIP `zip` and Python's `zipfile`, and small edits that damage an archive on purpose.
// The member's source file (or its stored time) is 2001-02-03 04:05:06, kMemberDosTime.
#pragma once

#include <cstdint>
#include <string>

const uint32_t kMemberDosTime = ((21u << 9 | 2u << 5 | 3u) << 16) | (4u << 11 | 5u << 5 | 3u);

enum ZipMaker {
  kInfoZipStored,      // zip -0
  kInfoZipDeflated,    // zip -9
  kInfoZipDescriptor,  // zip writing to a pipe: deflated, with a data descriptor
  kPythonStored,       // zipfile, ZIP_STORED
  kPythonDeflated,     // zipfile, ZIP_DEFLATED
  kPythonDescriptor,   // zipfile writing to a stream it cannot seek: a data descriptor
};

// The archive bytes holding data as the member name; empty (and a test failure) when the tool
// failed.
std::string MakeArchive(ZipMaker maker, const std::string& name, const std::string& data);
// An archive of Python's zipfile holding the members in order (name, data, name, data, ...),
// deflated; any name, unsafe ones included.
std::string MakePythonArchive(const std::initializer_list<std::string>& names_and_data);

// Offsets of the one member's records in an archive without comment.
size_t CentralEntryOffset(const std::string& archive);
// Writes a 16-bit or 32-bit little-endian value into the archive at offset.
void PatchU16(std::string* archive, size_t offset, uint16_t value);
void PatchU32(std::string* archive, size_t offset, uint32_t value);
// Mixed data: runs of text, of zeros and of pseudo-random bytes, the same for the same seed.
std::string MixedData(size_t size, uint32_t seed);

// The bytes of a host file (empty when it cannot be read), and of the host dunzipnt.dll.
std::string ReadHostFile(const std::string& path);
const std::string& ExtractionLibraryBytes();
