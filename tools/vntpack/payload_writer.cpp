// The in-memory payload writer of vntpack and the tests.
#include "tools/vntpack/payload_writer.h"

#include <cstring>

void PutU16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(std::string* out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

namespace {

void PutText(std::string* out, const std::string& text) {
  PutU16(out, static_cast<uint32_t>(text.size()));
  out->append(text);
}

void PutTexts(std::string* out, const std::vector<std::string>& list) {
  PutU16(out, static_cast<uint32_t>(list.size()));
  for (const std::string& text : list) PutText(out, text);
}

void PutPairs(std::string* out, const TextPairs& pairs) {
  PutU16(out, static_cast<uint32_t>(pairs.size()));
  for (const auto& pair : pairs) {
    PutText(out, pair.first);
    PutText(out, pair.second);
  }
}

void PutValues(std::string* out, const std::vector<uint16_t>& values) {
  PutU16(out, static_cast<uint32_t>(values.size()));
  for (uint16_t value : values) PutU16(out, value);
}

std::string HeaderBytes(const PayloadLayout& s) {
  std::string out = "RS";
  for (const std::string* text :
       {&s.reserved_text_1, &s.group_name, &s.item_title, &s.reserved_text_2, &s.item_program,
        &s.frame_title, &s.version_text, &s.welcome_text, &s.not_found_text, &s.follow_on_program,
        &s.later_disk_marker, &s.reserved_text_3, &s.reserved_text_4, &s.disk_full_program,
        &s.guide_entry}) {
    PutText(&out, *text);
  }
  for (uint16_t flag : {s.skip_modem, s.suppress_finish, s.check_hardware, s.write_version_file,
                        s.db_version_stamp}) {
    PutU16(&out, flag);
  }
  PutU16(&out, static_cast<uint32_t>(s.reserved_numbers.size()));
  for (uint32_t number : s.reserved_numbers) PutU32(&out, number);
  PutPairs(&out, s.reserved_pairs);
  PutPairs(&out, s.carry_over);
  for (const auto* list :
       {&s.dest_subdirs, &s.windows_deletes, &s.dest_deletes, &s.db_pieces_a, &s.db_pieces_b}) {
    PutTexts(&out, *list);
  }
  PutValues(&out, s.accepted_builds);
  PutValues(&out, s.reserved_values_1);
  PutValues(&out, s.reserved_values_2);
  PutTexts(&out, s.ie_installers);
  PutU16(&out, s.extra_space_kb);
  PutU16(&out, s.ie_build_required);
  PutU16(&out, static_cast<uint32_t>(s.files.size()));
  return out;
}

}  // namespace

size_t FileTableOffset(const PayloadLayout& layout) {
  return HeaderBytes(layout).size();
}

std::string BuildPayload(const PayloadLayout& layout) {
  std::string out = HeaderBytes(layout);
  for (const PayloadFile& file : layout.files) {
    PutText(&out, file.name);
    PutU32(&out, file.unpacked_size);
    PutU32(&out, static_cast<uint32_t>(file.data.size()));
  }
  for (const PayloadFile& file : layout.files) out.append(file.data);
  return out;
}

MarkerState FindPayloadMarker(const std::string& program, size_t* at) {
  static const char kTag[] = "_DaduZ_";  // with its NUL: 8 bytes
  const std::string tag(kTag, sizeof kTag);
  *at = program.find(tag);
  if (*at == std::string::npos) return kMarkerMissing;
  if (program.find(tag, *at + 1) != std::string::npos) return kMarkerTwice;
  if (*at + 28 > program.size()) return kMarkerCutShort;
  if (program.compare(*at + 8, 4, std::string(4, '\0')) != 0) return kMarkerInUse;
  return kMarkerFree;
}

bool AttachPayload(const std::string& program, const std::string& payload,
                   const std::string& marker_text, std::string* out) {
  size_t at = 0;
  if (FindPayloadMarker(program, &at) != kMarkerFree || marker_text.size() > 15) return false;
  *out = program;
  std::string offset;
  PutU32(&offset, static_cast<uint32_t>(program.size()));
  out->replace(at + 8, 4, offset);
  std::string text = marker_text;
  text.resize(16, '\0');
  out->replace(at + 12, 16, text);
  out->append(payload);
  return true;
}
