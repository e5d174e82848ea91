// Encoding and decoding of the database's file and record headers in both forms.
#include "database/db_format.h"

#include "services/paths.h"

namespace {

const uint8_t kOlderFileTag[2] = {'D', 'C'};
const uint8_t kOlderRecordTag[2] = {'R', 'E'};

uint32_t LoadU16(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8;
}

uint32_t LoadU32(const uint8_t* bytes) {
  return LoadU16(bytes) | LoadU16(bytes + 2) << 16;
}

void StoreU16(uint8_t* bytes, uint32_t value) {
  bytes[0] = static_cast<uint8_t>(value);
  bytes[1] = static_cast<uint8_t>(value >> 8);
}

void StoreU32(uint8_t* bytes, uint32_t value) {
  StoreU16(bytes, value);
  StoreU16(bytes + 2, value >> 16);
}

}  // namespace

uint32_t DbFileHeaderSize(DbForm form) {
  return form == kDbCurrentForm ? kDbCurrentFileHeader : kDbOlderFileHeader;
}

uint32_t DbRecordHeaderSize(DbForm form) {
  return form == kDbCurrentForm ? kDbCurrentRecordHeader : kDbOlderRecordHeader;
}

void DecodeRecordHeader(const uint8_t* bytes, DbForm form, DbRecordHeader* header) {
  if (form == kDbCurrentForm) {
    header->magic = LoadU32(bytes);
    header->gid = LoadU32(bytes + 4);
    header->length = LoadU32(bytes + 8);
    header->type = bytes[12];
    header->flags = bytes[13];
    header->field_a = LoadU32(bytes + 14);
    header->field_b = LoadU32(bytes + 18);
    header->offset = LoadU32(bytes + 22);
    return;
  }
  int tagged = bytes[0] == kOlderRecordTag[0] && bytes[1] == kOlderRecordTag[1];
  header->magic = tagged ? kDbRecordMagic : 0;
  header->gid = LoadU32(bytes + 2);
  header->length = LoadU16(bytes + 6);
  header->type = bytes[8];
  header->flags = bytes[9];
  header->field_a = LoadU32(bytes + 10);
  header->field_b = LoadU32(bytes + 14);
  header->offset = LoadU32(bytes + 18);
}

uint32_t EncodeRecordHeader(const DbRecordHeader& header, DbForm form, uint8_t* bytes) {
  if (form == kDbCurrentForm) {
    StoreU32(bytes, header.magic);
    StoreU32(bytes + 4, header.gid);
    StoreU32(bytes + 8, header.length);
    bytes[12] = header.type;
    bytes[13] = header.flags;
    StoreU32(bytes + 14, header.field_a);
    StoreU32(bytes + 18, header.field_b);
    StoreU32(bytes + 22, header.offset);
    return kDbCurrentRecordHeader;
  }
  bytes[0] = kOlderRecordTag[0];
  bytes[1] = kOlderRecordTag[1];
  StoreU32(bytes + 2, header.gid);
  StoreU16(bytes + 6, header.length);
  bytes[8] = header.type;
  bytes[9] = header.flags;
  StoreU32(bytes + 10, header.field_a);
  StoreU32(bytes + 14, header.field_b);
  StoreU32(bytes + 18, header.offset);
  return kDbOlderRecordHeader;
}

int IsOlderFormFile(const uint8_t* bytes, uint32_t count) {
  return count >= kDbOlderFileHeader && bytes[0] == kOlderFileTag[0] &&
         bytes[1] == kOlderFileTag[1];
}

int IsDatabaseOfKind(const uint8_t* bytes, uint32_t count, uint32_t kind) {
  if (IsOlderFormFile(bytes, count) && LoadU32(bytes + 2) == kind) return 1;
  if (count < kDbCurrentFileHeader) return 0;
  // The signature is a terminated text: its eight characters, then the NUL.
  for (uint32_t i = 0; i < sizeof kDbSignature; ++i) {
    if (UpperCaseOf(static_cast<char>(bytes[i])) != kDbSignature[i]) return 0;
  }
  return LoadU32(bytes + 9) == kind;
}

void UnscrambleData(uint8_t* data, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) data[i] ^= kDbScrambleMask;
}
