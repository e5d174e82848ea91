// The payload that SETUP.EXE carries behind its executable image (or that -X names), as the
// run reads it: its header fields, its file table and the open file. Every subsystem consults
// it; payload/payload_reader fills it.
//
// Payload marker (RCDATA 100 on Win32; see docs/host-machine.md for the host), 28 bytes:
//   +0  tag "_DaduZ_" and NUL (not compared)   +8  u32 payload offset (0: no payload)
//   +12 marker text, NUL-terminated, at most 15 characters
//
// Payload, at that offset (or at 0 of the -X file); integers little-endian, no padding;
// "text" is a u16 length and that many bytes, accepted when the length is below its capacity:
//
//   +----+-------------------------------------------------------------------------------+
//   | RS | text reserved(257) | group_name(64) | item_title(128) | text reserved(128)     |
//   +----+-------------------------------------------------------------------------------+
//   | item_program(64) | frame_title(64) | version_text(32) | welcome_text(512)          |
//   | not_found_text(256) | follow_on_program(32) | later_disk_marker(32)                 |
//   | text reserved(64) | text reserved(64) | disk_full_program(64) | guide_entry(32)     |
//   +-------------------------------------------------------------------------------------+
//   | u16 skip_modem | u16 suppress_finish | u16 check_hardware | u16 write_version_file   |
//   | u16 db_version_stamp | u16 n, n x u32 (reserved numbers)                             |
//   | u16 n, n x (text, text) reserved pairs | u16 n, n x (pattern, replacement) carry_over |
//   | u16 n, n x text: dest_subdirs | windows_deletes | dest_deletes | db_pieces_a | ..._b |
//   |   (list texts have capacity 128)                                                     |
//   | u16 n, n x u16: accepted_builds | reserved values | reserved values  (n <= 64)       |
//   | u16 n, n x text: ie_installers | u16 extra_space_kb | u16 ie_build_required          |
//   | u16 entry count N                                                                   |
//   +-------------------------------------------------------------------------------------+
//   | file table, N x ( u16 name length L | L bytes name | u32 unpacked | u32 packed )    |
//   +-------------------------------------------------------------------------------------+
//   | entry data: N blocks of packed-size bytes, in table order, right after the table     |
//   +-------------------------------------------------------------------------------------+
//
// A data block is a single-member ZIP archive, except the stored entries: the first entry when
// it is "dunzipnt.dll", and the entry named by guide_entry. Entry names are relative paths with
// "\" separators; a name that is absolute, carries a drive or a ".." component is refused.
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "services/setup_state.h"

const uint32_t kCopyBufferSize = 32768;
const uint32_t kMarkerTextCapacity = 16;
const uint32_t kListTextCapacity = 128;
const uint32_t kValueListCapacity = 64;
const uint32_t kReservedText1Capacity = 257;
const uint32_t kReservedText2Capacity = 128;
const uint32_t kReservedText34Capacity = 64;
const uint32_t kGuideEntryCapacity = 32;

// Pairs of texts, held as two parallel arrays.
struct PairList {
  uint16_t count;
  char** first;
  char** second;
};

struct ValueList {
  uint16_t count;
  uint16_t values[kValueListCapacity];
};

// One file-table entry; name points into the same block, right behind the record.
struct PayloadEntry {
  uint32_t unpacked_size;
  uint32_t packed_size;
  uint32_t data_offset;  // absolute position of the entry's data in the payload file
  char* name;
};

// The header fields that SetupState does not hold, and the file table.
struct PayloadHeader {
  char reserved_text_1[kReservedText1Capacity];
  char reserved_text_2[kReservedText2Capacity];
  char reserved_text_3[kReservedText34Capacity];
  char reserved_text_4[kReservedText34Capacity];
  char guide_entry[kGuideEntryCapacity];
  uint16_t db_version_stamp;
  uint16_t reserved_number_count;
  uint32_t* reserved_numbers;
  PairList reserved_pairs;
  PairList carry_over;  // an empty replacement makes the pattern a preserve pattern
  TextList dest_subdirs;
  TextList windows_deletes;
  TextList dest_deletes;
  TextList db_pieces_a;
  TextList db_pieces_b;
  ValueList accepted_builds;
  ValueList reserved_values_1;
  ValueList reserved_values_2;
  uint16_t extra_space_kb;
  uint32_t db_pieces_a_size;
  uint32_t db_pieces_b_size;

  uint16_t entry_count;
  uint32_t total_unpacked;  // wraps modulo 2^32
  PayloadEntry** entries;   // entry_count records, null when there are none
};

// The open payload file and its copy buffer.
struct PayloadReader {
  PlatFile file;
  uint32_t offset;
  char marker_text[kMarkerTextCapacity];
  uint8_t* copy_buffer;  // kCopyBufferSize bytes while the payload is open
};

extern PayloadHeader g_payload;
extern PayloadReader g_reader;

// The first entry whose name equals name without regard to case, or null.
PayloadEntry* FindPayloadEntry(const char* name);
