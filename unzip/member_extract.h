// The work of dunzip: extracts the single member of the archive at archive_path into
// output_dir under the member's stored name, streaming through fixed buffers, checks its
// CRC-32 and gives the extracted file the member's stored DOS date and time. A failed
// extraction leaves no output file behind. With a member name, the member's stored name must be
// that name without regard to case, or nothing is created and the result is 11 (no member to
// extract). Returns a result code of unzip/dunzip.h.
#pragma once

#include <cstdint>

int32_t ExtractSingleMember(const char* archive_path, const char* output_dir,
                            const char* member_name = nullptr);
