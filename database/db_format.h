// The client's record database format: the two generations of file and record headers, their
// encoding and decoding, and the test that a file's first bytes make a database of a kind.
// Pure byte work: nothing here touches a file.
//
// Integers are little-endian. Each record header is followed directly by its data.
//   current form:  file header (25)  +0 "VNTDB-25" +8 NUL +9 u32 kind +13 12 reserved bytes
//                  record (26)       +0 "R2D2" +4 u32 GID +8 u32 length +12 type +13 flags
//                                    +14 u32 field A +18 u32 field B +22 u32 offset
//   older form:    file header (10)  +0 "DC" +2 u32 kind +6 4 reserved bytes
//                  record (22)       +0 "RE" +2 u32 GID +6 u16 length +8 type +9 flags
//                                    +10 u32 field A +14 u32 field B +18 u32 offset
#pragma once

#include <cstdint>

enum DbForm { kDbOlderForm = 0, kDbCurrentForm = 1 };

const uint32_t kDbMainKind = 0x01000401;  // MAIN.IDX and MERGE.DB alike
const char kDbSignature[] = "VNTDB-25";
const uint32_t kDbCurrentFileHeader = 25;
const uint32_t kDbOlderFileHeader = 10;
const uint32_t kDbCurrentRecordHeader = 26;
const uint32_t kDbOlderRecordHeader = 22;
const uint32_t kDbLargestRecordHeader = kDbCurrentRecordHeader;

// "R2D2" as a little-endian value. An older-form header with its magic "RE" decodes to this
// value too, any other magic to 0.
const uint32_t kDbRecordMagic = 0x32443252;

// Record flags: the data is XORed with kDbScrambleMask; the record was replaced by another; set
// on every record this program writes except those of type 'p'.
const uint8_t kDbFlagScrambled = 0x02;
const uint8_t kDbFlagSuperseded = 0x04;
const uint8_t kDbFlagWritten = 0x20;
const uint8_t kDbScrambleMask = 0xA7;

// The most data bytes a record handled by this program holds.
const uint32_t kDbMaxDataLength = 65535;

// GIDs of meaning to the setup: the version record (data byte 1 the build, byte 2 the minor
// version), the update's version text and the payload marker's text.
const uint32_t kGidVersion = 0x14000006;
const uint32_t kGidVersionText = 0x14000044;
const uint32_t kGidMarkerText = 0x14000046;

// A record header in the current form's fields; the length is widened to 32 bits.
struct DbRecordHeader {
  uint32_t magic;
  uint32_t gid;
  uint32_t length;
  uint8_t type;
  uint8_t flags;
  uint32_t field_a;
  uint32_t field_b;
  uint32_t offset;
};

uint32_t DbFileHeaderSize(DbForm form);
uint32_t DbRecordHeaderSize(DbForm form);

// Reads a header of the form from DbRecordHeaderSize(form) bytes.
void DecodeRecordHeader(const uint8_t* bytes, DbForm form, DbRecordHeader* header);
// Writes the header in the form (the older form with the magic "RE" and the length's low 16
// bits); returns the number of bytes written.
uint32_t EncodeRecordHeader(const DbRecordHeader& header, DbForm form, uint8_t* bytes);

// 1 when the first count bytes of a file begin with the older form's "DC" and hold its whole
// file header.
int IsOlderFormFile(const uint8_t* bytes, uint32_t count);
// 1 when the first count bytes of a file make a database of the kind: an older-form header with
// the kind, or a current-form header whose signature matches without regard to case.
int IsDatabaseOfKind(const uint8_t* bytes, uint32_t count, uint32_t kind);

// XORs every byte with the scramble mask (reading a scrambled record).
void UnscrambleData(uint8_t* data, uint32_t length);
