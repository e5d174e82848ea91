// The records of a single-member ZIP archive as the extraction library reads them: the end of
// central directory record, the one central-directory entry and the member's local header.
// Pure functions over bytes already read; each returns kUnzipOk or the result code that the
// fault deserves (unzip/dunzip.h).
#pragma once

#include <cstdint>

const uint32_t kEndRecordSize = 22;
const uint32_t kEndCommentMax = 65535;
const uint32_t kCentralEntrySize = 46;
const uint32_t kLocalHeaderSize = 30;
const uint32_t kMemberNameMax = 255;  // longer names could never fit a Windows path

struct ZipEndRecord {
  uint32_t position;        // absolute offset of the record in the archive
  uint32_t central_offset;  // where the central directory starts
  uint32_t central_size;
};

struct ZipMember {
  uint16_t flags;
  uint16_t method;    // 0 stored, 8 deflated
  uint32_t dos_time;  // DOS date in the high 16 bits, time in the low 16
  uint32_t crc;
  uint32_t packed_size;
  uint32_t unpacked_size;
  uint32_t local_offset;
  uint32_t entry_size;  // the central entry's length, name, extra field and comment included
  char name[kMemberNameMax + 1];
};

// Finds the end record in the last tail_length bytes of an archive of archive_size bytes (tail
// holds them; tail_length is at most kEndRecordSize + kEndCommentMax). The record must end the
// archive exactly, after its comment, and describe one disk holding exactly one member.
int FindEndRecord(const uint8_t* tail, uint32_t tail_length, uint32_t archive_size,
                  ZipEndRecord* end);
// Parses the central-directory entry at the start of bytes (length bytes available) and checks
// the member: a plain file name, a known method, not encrypted.
int ParseCentralEntry(const uint8_t* bytes, uint32_t length, ZipMember* member);
// Parses the local header (kLocalHeaderSize bytes) and gives the offset of the member's data,
// which must end at or before the central directory.
int ParseLocalHeader(const uint8_t* bytes, const ZipMember& member, const ZipEndRecord& end,
                     uint32_t* data_offset);
// 1 for a name that is one plain file name: not empty, no "\", "/" or ":", not "." or "..", no
// control characters and none of < > " | ? * that Windows refuses in a name, and no device's
// name (CON, NUL.TXT, ...).
int IsPlainMemberName(const char* name);
