// The single-member ZIP archive of one payload file: local header, deflated data, one
// central-directory entry and the end record without comment; made by version 2.0, no data
// descriptor, offsets from the start of the archive. The same input gives the same bytes.
#pragma once

#include <cstdint>
#include <string>

// The member's stored name: the entry name's last component, in upper case.
std::string MemberNameOf(const std::string& entry_name);
// A host file's last-write time as a DOS date and time (UTC, as the host platform reads it);
// before 1980 it reads as 1980-01-01 00:00:00, after 2107 as the last second of 2107.
uint32_t DosTimeOfFile(int64_t utc_seconds);
// The archive holding data as member_name with the given DOS time; false when zlib fails.
bool MakeMemberArchive(const std::string& member_name, const std::string& data, uint32_t dos_time,
                       std::string* archive);
