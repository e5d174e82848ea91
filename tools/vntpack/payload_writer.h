// Builds payloads in memory, for vntpack and the tests: every header field, the file table and
// the data blocks, written exactly as given (over-long texts and lists included, so that tests
// can build damaged payloads too), and attaches a payload to a program file through its marker.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct PayloadFile {
  std::string name;
  std::string data;        // the data block as stored in the payload
  uint32_t unpacked_size;  // the installed file's size
};

typedef std::vector<std::pair<std::string, std::string>> TextPairs;

struct PayloadLayout {
  std::string reserved_text_1, group_name, item_title, reserved_text_2, item_program;
  std::string frame_title, version_text, welcome_text, not_found_text, follow_on_program;
  std::string later_disk_marker, reserved_text_3, reserved_text_4, disk_full_program;
  std::string guide_entry;
  uint16_t skip_modem = 0, suppress_finish = 0, check_hardware = 0, write_version_file = 0;
  uint16_t db_version_stamp = 0;
  std::vector<uint32_t> reserved_numbers;
  TextPairs reserved_pairs, carry_over;
  std::vector<std::string> dest_subdirs, windows_deletes, dest_deletes, db_pieces_a, db_pieces_b;
  std::vector<uint16_t> accepted_builds, reserved_values_1, reserved_values_2;
  std::vector<std::string> ie_installers;
  uint16_t extra_space_kb = 0, ie_build_required = 0;
  std::vector<PayloadFile> files;
};

// Appends the low 16 or all 32 bits of value, little-endian.
void PutU16(std::string* out, uint32_t value);
void PutU32(std::string* out, uint32_t value);

// The payload bytes: "RS", the header, the file table and the data blocks.
std::string BuildPayload(const PayloadLayout& layout);

// The byte offset at which the file table begins in BuildPayload(layout).
size_t FileTableOffset(const PayloadLayout& layout);

// The state of a program's payload marker (tag "_DaduZ_" and its NUL, the offset, the text):
// one marker with offset 0, free for a payload, at *at; or why a payload cannot be attached.
enum MarkerState { kMarkerFree, kMarkerMissing, kMarkerTwice, kMarkerCutShort, kMarkerInUse };
MarkerState FindPayloadMarker(const std::string& program, size_t* at);

// Appends payload to program and patches the program's one payload marker with the payload's
// offset and the marker text. Returns false when the marker is not free (FindPayloadMarker) or
// the text is longer than 15 characters.
bool AttachPayload(const std::string& program, const std::string& payload,
                   const std::string& marker_text, std::string* out);
