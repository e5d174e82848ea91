// Reading the three records of a single-member archive from bytes already in memory. Every
// length and offset is checked against what was read and against the archive's own layout
// (local header, data, central directory, end record, in that order), so that no later read
// leaves the archive or runs into another record.
#include "unzip/zip_records.h"

#include <cstring>

#include "platform/device_names.h"
#include "unzip/dunzip.h"

namespace {

const uint32_t kEndSignature = 0x06054B50;      // "PK\5\6"
const uint32_t kCentralSignature = 0x02014B50;  // "PK\1\2"
const uint32_t kLocalSignature = 0x04034B50;    // "PK\3\4"
const uint16_t kFlagEncrypted = 0x0001;
const uint16_t kFlagStrongEncryption = 0x0040;
const uint16_t kMethodStored = 0;
const uint16_t kMethodDeflated = 8;
const uint32_t kZip64Marker = 0xFFFFFFFFu;

uint16_t U16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}

uint32_t U32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

int FindEndRecord(const uint8_t* tail, uint32_t tail_length, uint32_t archive_size,
                  ZipEndRecord* end) {
  if (tail_length < kEndRecordSize || tail_length > archive_size) return kUnzipTruncated;
  // From the last possible place backwards: the record whose comment reaches the end exactly.
  for (uint32_t at = tail_length - kEndRecordSize + 1; at-- > 0;) {
    const uint8_t* record = tail + at;
    if (U32(record) != kEndSignature || U16(record + 20) != tail_length - at - kEndRecordSize) {
      continue;
    }
    uint16_t disk = U16(record + 4);
    uint16_t central_disk = U16(record + 6);
    uint16_t on_disk = U16(record + 8);
    uint16_t total = U16(record + 10);
    end->position = archive_size - tail_length + at;
    end->central_size = U32(record + 12);
    end->central_offset = U32(record + 16);
    if (disk != 0 || central_disk != 0 || on_disk != total) return kUnzipMalformed;
    if (total == 0) return kUnzipNoMember;
    if (total != 1 || end->central_size < kCentralEntrySize ||
        end->central_offset == kZip64Marker ||
        static_cast<uint64_t>(end->central_offset) + end->central_size > end->position) {
      return kUnzipMalformed;
    }
    return kUnzipOk;
  }
  return kUnzipTruncated;
}

int IsPlainMemberName(const char* name) {
  size_t length = strlen(name);
  if (length == 0 || strcmp(name, ".") == 0 || strcmp(name, "..") == 0) return 0;
  // Windows drops trailing dots and blanks, which would make the name another one.
  if (name[length - 1] == '.' || name[length - 1] == ' ') return 0;
  // A device's name would send the member's bytes to the device.
  if (IsDeviceName(name, length)) return 0;
  for (const char* c = name; *c != '\0'; ++c) {
    if (static_cast<unsigned char>(*c) < 0x20 || strchr("\\/:<>\"|?*", *c) != nullptr) return 0;
  }
  return 1;
}

int ParseCentralEntry(const uint8_t* bytes, uint32_t length, ZipMember* member) {
  if (length < kCentralEntrySize || U32(bytes) != kCentralSignature) return kUnzipMalformed;
  uint16_t name_length = U16(bytes + 28);
  member->entry_size = kCentralEntrySize + name_length + U16(bytes + 30) + U16(bytes + 32);
  if (member->entry_size > length || name_length == 0 || name_length > kMemberNameMax) {
    return kUnzipMalformed;
  }
  memcpy(member->name, bytes + kCentralEntrySize, name_length);
  member->name[name_length] = '\0';
  if (strlen(member->name) != name_length || !IsPlainMemberName(member->name)) {
    return kUnzipMalformed;
  }
  member->flags = U16(bytes + 8);
  member->method = U16(bytes + 10);
  member->dos_time = static_cast<uint32_t>(U16(bytes + 14)) << 16 | U16(bytes + 12);
  member->crc = U32(bytes + 16);
  member->packed_size = U32(bytes + 20);
  member->unpacked_size = U32(bytes + 24);
  member->local_offset = U32(bytes + 42);
  if ((member->flags & (kFlagEncrypted | kFlagStrongEncryption)) != 0) return kUnzipEncrypted;
  if (member->method != kMethodStored && member->method != kMethodDeflated) {
    return kUnzipUnknownMethod;
  }
  if (member->packed_size == kZip64Marker || member->unpacked_size == kZip64Marker ||
      member->local_offset == kZip64Marker ||
      (member->method == kMethodStored && member->packed_size != member->unpacked_size)) {
    return kUnzipMalformed;
  }
  return kUnzipOk;
}

int ParseLocalHeader(const uint8_t* bytes, const ZipMember& member, const ZipEndRecord& end,
                     uint32_t* data_offset) {
  if (U32(bytes) != kLocalSignature || U16(bytes + 8) != member.method) return kUnzipMalformed;
  if ((U16(bytes + 6) & (kFlagEncrypted | kFlagStrongEncryption)) != 0) return kUnzipEncrypted;
  uint64_t data = static_cast<uint64_t>(member.local_offset) + kLocalHeaderSize + U16(bytes + 26) +
                  U16(bytes + 28);
  if (data + member.packed_size > end.central_offset) return kUnzipMalformed;
  *data_offset = static_cast<uint32_t>(data);
  return kUnzipOk;
}
