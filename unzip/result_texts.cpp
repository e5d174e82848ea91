// The meanings of the extraction library's result codes, indexed by code (0 to 50); codes
// without a meaning hold an empty text.
#include "unzip/dunzip.h"

namespace {

const char* const kResultTexts[kUnzipResultCount] = {
    "",  // 0
    "",
    "Unexpected end of zip file",
    "Zip file structure invalid",
    "Out of memory",
    "Out of memory",  // 5
    "",
    "",
    "",
    "File not found",
    "",  // 10
    "No files to test, extract, etc.",
    "The same disk volume can not be used as both the source and destination",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "Index out of bounds",  // 25
    "",
    "",
    "Error creating output file",
    "Error opening archive",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",  // 30 to 38
    "Bad CRC",
    "Application cancelled operation",  // 40
    "File skipped, encrypted",
    "File skipped, unknown compression method",
    "",
    "Bad or missing decrypt code",
    "Busy, can't enter now",  // 45
    "Can't extract a Volume ID item",
    "Command syntax error",
    "Operation cancelled",
    "Operation skipped",
    "Disk full",  // 50
};

}  // namespace

const char* UnzipResultText(int32_t code) {
  return code >= 0 && code < kUnzipResultCount ? kResultTexts[code] : "";
}
