// The interface of dunzipnt.dll, our extraction library: its one entry point dunzip, the
// extraction request the program fills before every call, and the result codes. The library
// extracts the single member of a ZIP archive into a directory (unzip/member_extract.h).
//
// The request is the 110-byte record of the Win32 library, all fields 32-bit but the last. On a
// 64-bit host the three address fields (archive, output directory and the two callbacks) are
// pointer-sized; every field keeps its order and its value (docs/extraction-library.md).
#pragma once

#include <cstdint>

// Both callbacks ignore their arguments and return 1; the library never calls them.
typedef int32_t (*UnzipCallback3)(int32_t, int32_t, int32_t);
typedef int32_t (*UnzipCallback7)(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t);

#pragma pack(push, 2)
struct UnzipRequest {
  uint32_t size;              // +0   110
  uint32_t operation;         // +4   kUnzipExtract
  const char* archive;        // +8   path of the archive
  const char* member_name;    // +12  the one file name it may create (null: the member's)
  uint32_t option_16;         // +16  0
  uint32_t option_20;         // +20  0
  const char* output_dir;     // +24  directory the member is extracted into
  uint32_t option_28;         // +28  0
  uint32_t option_32;         // +32  0
  uint32_t option_36;         // +36  1
  uint32_t option_40;         // +40  1
  uint32_t option_44;         // +44  0
  uint32_t option_48;         // +48  1
  uint32_t option_52;         // +52  1
  uint32_t option_56;         // +56  0
  uint32_t option_60;         // +60  0
  uint32_t option_64;         // +64  0
  UnzipCallback3 callback_1;  // +68
  uint32_t option_72;         // +72  0
  uint32_t option_76;         // +76  0
  uint32_t option_80;         // +80  0
  uint32_t option_84;         // +84  1
  uint32_t option_88;         // +88  0
  uint32_t option_92;         // +92  0
  uint32_t option_96;         // +96  0
  UnzipCallback7 callback_2;  // +100
  uint32_t option_104;        // +104 0
  uint16_t option_108;        // +108 0
};
#pragma pack(pop)

const uint32_t kUnzipRequestSize = 110;  // the value of the size field on every target
const uint32_t kUnzipExtract = 8;
static_assert(sizeof(void*) != 4 || sizeof(UnzipRequest) == kUnzipRequestSize,
              "the Win32 request is exactly 110 bytes");

// Result codes; the program treats every code but 0 and 49 as a failure (1000 + code).
enum UnzipResult : int32_t {
  kUnzipOk = 0,
  kUnzipTruncated = 2,       // "Unexpected end of zip file"
  kUnzipMalformed = 3,       // "Zip file structure invalid"
  kUnzipNoMemory = 4,        // "Out of memory"
  kUnzipNoMember = 11,       // "No files to test, extract, etc."
  kUnzipCannotCreate = 28,   // "Error creating output file"
  kUnzipCannotOpen = 29,     // "Error opening archive"
  kUnzipBadCrc = 39,         // "Bad CRC"
  kUnzipEncrypted = 41,      // "File skipped, encrypted"
  kUnzipUnknownMethod = 42,  // "File skipped, unknown compression method"
  kUnzipBadRequest = 47,     // "Command syntax error"
  kUnzipSkipped = 49,        // "Operation skipped"
  kUnzipDiskFull = 50,       // "Disk full"
};
const int32_t kUnzipResultCount = 51;  // codes 0 to 50 have a place in the table of meanings

// The meaning of a result code, as the library documents it; empty for a code without one.
const char* UnzipResultText(int32_t code);

typedef int32_t (*UnzipEntryPoint)(UnzipRequest* request);
// The name under which the library exports its entry point (a .def file on Win32).
const char kUnzipEntryName[] = "dunzip";
extern "C" int32_t dunzip(UnzipRequest* request);
