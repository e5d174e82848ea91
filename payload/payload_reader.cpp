// Opening, parsing and closing the payload. Parsing reads field by field from the open file and
// stops at the first field that fails, storing error 5 for the header and 6 for the file table.
#include "payload/payload_reader.h"

#include <cstring>

#include "payload/extraction_library.h"
#include "platform/system.h"
#include "services/entry_names.h"
#include "services/errors.h"
#include "services/memory.h"
#include "services/paths.h"

namespace {

int ReadBytes(void* out, uint32_t count) {
  return count == 0 || PlatReadFile(g_reader.file, out, count) == count;
}

int ReadU16(uint16_t* value) {
  uint8_t bytes[2];
  if (!ReadBytes(bytes, 2)) return 0;
  *value = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
  return 1;
}

int ReadU32(uint32_t* value) {
  uint8_t bytes[4];
  if (!ReadBytes(bytes, 4)) return 0;
  *value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return 1;
}

// A counted text into a buffer of its capacity; its length must be below the capacity.
int ReadText(char* out, uint32_t capacity) {
  uint16_t length;
  if (!ReadU16(&length) || length >= capacity || !ReadBytes(out, length)) return 0;
  out[length] = '\0';
  return 1;
}

// A counted list text, allocated at its length plus one.
int ReadListText(char** out) {
  uint16_t length;
  if (!ReadU16(&length) || length >= kListTextCapacity) return 0;
  *out = static_cast<char*>(AllocBlock(length + 1u));
  return ReadBytes(*out, length);
}

int ReadTextList(TextList* list) {
  if (!ReadU16(&list->count)) return 0;
  if (list->count == 0) return 1;
  list->items = static_cast<char**>(AllocBlock(list->count * sizeof(char*)));
  for (uint16_t i = 0; i < list->count; ++i) {
    if (!ReadListText(&list->items[i])) return 0;
  }
  return 1;
}

int ReadPairList(PairList* list) {
  if (!ReadU16(&list->count)) return 0;
  if (list->count == 0) return 1;
  list->first = static_cast<char**>(AllocBlock(list->count * sizeof(char*)));
  list->second = static_cast<char**>(AllocBlock(list->count * sizeof(char*)));
  for (uint16_t i = 0; i < list->count; ++i) {
    if (!ReadListText(&list->first[i]) || !ReadListText(&list->second[i])) return 0;
  }
  return 1;
}

// A value list holds at most 64 values; a longer one is refused rather than cut.
int ReadValueList(ValueList* list) {
  if (!ReadU16(&list->count) || list->count > kValueListCapacity) return 0;
  for (uint16_t i = 0; i < list->count; ++i) {
    if (!ReadU16(&list->values[i])) return 0;
  }
  return 1;
}

// An option given on the command line (-M, -D) wins over the header's value.
int ReadPresetFlag(int32_t* flag) {
  uint16_t value;
  if (!ReadU16(&value)) return 0;
  if (*flag == 0) *flag = value;
  return 1;
}

int ReadFlag(int32_t* flag) {
  uint16_t value;
  if (!ReadU16(&value)) return 0;
  *flag = value;
  return 1;
}

int ReadHeaderFields() {
  PayloadHeader& h = g_payload;
  if (!ReadText(h.reserved_text_1, kReservedText1Capacity) ||
      !ReadText(g_setup.group_name, kGroupNameCapacity) ||
      !ReadText(g_setup.item_title, kItemTitleCapacity) ||
      !ReadText(h.reserved_text_2, kReservedText2Capacity) ||
      !ReadText(g_setup.item_program, kItemProgramCapacity) ||
      !ReadText(g_setup.frame_title, kFrameTitleCapacity) ||
      !ReadText(g_setup.version_text, kVersionTextCapacity) ||
      !ReadText(g_setup.welcome_text, kWelcomeTextCapacity) ||
      !ReadText(g_setup.not_found_text, kNotFoundTextCapacity) ||
      !ReadText(g_setup.follow_on_program, kFollowOnCapacity) ||
      !ReadText(g_setup.later_disk_marker, kLaterDiskCapacity) ||
      !ReadText(h.reserved_text_3, kReservedText34Capacity) ||
      !ReadText(h.reserved_text_4, kReservedText34Capacity) ||
      !ReadText(g_setup.disk_full_program, kDiskFullProgramCapacity) ||
      !ReadText(h.guide_entry, kGuideEntryCapacity)) {
    return 0;
  }
  if (!ReadPresetFlag(&g_setup.skip_modem) || !ReadPresetFlag(&g_setup.suppress_finish) ||
      !ReadFlag(&g_setup.check_hardware) || !ReadFlag(&g_setup.write_version_file) ||
      !ReadU16(&h.db_version_stamp)) {
    return 0;
  }
  if (!ReadU16(&h.reserved_number_count)) return 0;
  if (h.reserved_number_count != 0) {
    h.reserved_numbers =
        static_cast<uint32_t*>(AllocBlock(h.reserved_number_count * sizeof(uint32_t)));
    for (uint16_t i = 0; i < h.reserved_number_count; ++i) {
      if (!ReadU32(&h.reserved_numbers[i])) return 0;
    }
  }
  if (!ReadPairList(&h.reserved_pairs) || !ReadPairList(&h.carry_over) ||
      !ReadTextList(&h.dest_subdirs) || !ReadTextList(&h.windows_deletes) ||
      !ReadTextList(&h.dest_deletes) || !ReadTextList(&h.db_pieces_a) ||
      !ReadTextList(&h.db_pieces_b) || !ReadValueList(&h.accepted_builds) ||
      !ReadValueList(&h.reserved_values_1) || !ReadValueList(&h.reserved_values_2) ||
      !ReadTextList(&g_setup.ie_installers) || !ReadU16(&h.extra_space_kb)) {
    return 0;
  }
  // The names that entries are compared with are judged as Windows reads them, as entries are.
  NormaliseEntryName(h.guide_entry);
  for (uint16_t i = 0; i < h.carry_over.count; ++i) NormaliseEntryName(h.carry_over.first[i]);
  uint16_t build;
  if (!ReadU16(&build)) return 0;
  g_setup.ie_build_required = build;
  return ReadU16(&h.entry_count);
}

uint32_t ListSizeOf(const TextList& list, const PayloadEntry& entry) {
  for (uint16_t i = 0; i < list.count; ++i) {
    if (NamesEqual(list.items[i], entry.name)) return entry.unpacked_size;
  }
  return 0;
}

int ReadEntry(PayloadEntry** out) {
  uint16_t length;
  if (!ReadU16(&length)) return 0;
  PayloadEntry* entry = static_cast<PayloadEntry*>(
      AllocBlock(static_cast<uint32_t>(sizeof(PayloadEntry)) + length + 1));
  entry->name = reinterpret_cast<char*>(entry + 1);
  *out = entry;
  if (!ReadBytes(entry->name, length) || !ReadU32(&entry->unpacked_size) ||
      !ReadU32(&entry->packed_size)) {
    return 0;
  }
  if (strlen(entry->name) != length || (length != 0 && !IsEntryNameAccepted(entry->name))) {
    return 0;
  }
  NormaliseEntryName(entry->name);
  return 1;
}

int ReadFileTable() {
  PayloadHeader& h = g_payload;
  if (h.entry_count == 0) return 1;
  h.entries = static_cast<PayloadEntry**>(AllocBlock(h.entry_count * sizeof(PayloadEntry*)));
  for (uint16_t i = 0; i < h.entry_count; ++i) {
    if (!ReadEntry(&h.entries[i])) return 0;
    // The library's own file is placed from the first entry only: a later one would be written
    // over the loaded library.
    if (i != 0 && NamesEqual(h.entries[i]->name, kExtractionLibraryName)) return 0;
    h.db_pieces_a_size += ListSizeOf(h.db_pieces_a, *h.entries[i]);
    h.db_pieces_b_size += ListSizeOf(h.db_pieces_b, *h.entries[i]);
    h.total_unpacked += h.entries[i]->unpacked_size;
  }
  uint32_t position = PlatSeekFile(g_reader.file, 0, kSeekCurrent);
  if (position == kPlatFileError) return 0;
  // Data offsets must stay within 32 bits; a table whose sizes run past that is damaged.
  for (uint16_t i = 0; i < h.entry_count; ++i) {
    h.entries[i]->data_offset = position;
    if (h.entries[i]->packed_size > 0xFFFFFFFFu - position) return 0;
    position += h.entries[i]->packed_size;
  }
  return 1;
}

void FreeTextList(TextList* list) {
  for (uint16_t i = 0; list->items != nullptr && i < list->count; ++i) FreeBlock(list->items[i]);
  FreeBlock(list->items);
  *list = TextList{};
}

void FreePairList(PairList* list) {
  for (uint16_t i = 0; list->first != nullptr && i < list->count; ++i) {
    FreeBlock(list->first[i]);
    FreeBlock(list->second[i]);
  }
  FreeBlock(list->first);
  FreeBlock(list->second);
  *list = PairList{};
}

// Takes the payload's offset and the marker text from a marker; 0 when it names no payload.
int TakeMarker(const uint8_t marker[kPayloadMarkerSize]) {
  g_reader.offset = static_cast<uint32_t>(marker[8]) | static_cast<uint32_t>(marker[9]) << 8 |
                    static_cast<uint32_t>(marker[10]) << 16 |
                    static_cast<uint32_t>(marker[11]) << 24;
  memcpy(g_reader.marker_text, marker + 12, kMarkerTextCapacity - 1);
  g_reader.marker_text[kMarkerTextCapacity - 1] = '\0';
  return g_reader.offset != 0;
}

}  // namespace

int OpenPayload() {
  g_reader.copy_buffer = static_cast<uint8_t*>(AllocBlock(kCopyBufferSize));
  g_reader.offset = 0;
  uint8_t marker[kPayloadMarkerSize];
  if (g_setup.install_file[0] == '\0') {
    if (!PlatReadPayloadMarker(marker) || !TakeMarker(marker)) {
      return FailWith(kErrorNoPayloadMarker);
    }
    if (PlatGetModuleFileName(g_setup.install_file, kStatePath) == 0) {
      return FailWith(kErrorNoModuleName);
    }
  }
  g_reader.file = PlatOpenFile(g_setup.install_file, kOpenRead);
  if (g_reader.file == kPlatNoFile) return FailWith(kErrorPayloadOpen);
  // A program file given with -X (a SETUP.EXE that carries a payload) is read as the program
  // reads its own: from the offset its marker gives. Any other file is read from its first byte.
  char start[2];
  if (g_reader.offset == 0 && ReadBytes(start, 2) && start[0] == 'M' && start[1] == 'Z' &&
      PlatReadProgramMarker(g_setup.install_file, marker) && !TakeMarker(marker)) {
    return FailWith(kErrorNoPayloadMarker);
  }
  return 1;
}

int ReadPayloadHeader() {
  // An offset of 0xFFFFFFFF is no position at all: the seek's failure value is the same number.
  uint32_t position = PlatSeekFile(g_reader.file, g_reader.offset, kSeekBegin);
  if (position == kPlatFileError || position != g_reader.offset) {
    return FailWith(kErrorPayloadSeek);
  }
  char signature[2];
  if (!ReadBytes(signature, 2) || signature[0] != 'R' || signature[1] != 'S') {
    return FailWith(kErrorSignature);
  }
  if (!ReadHeaderFields()) return FailWith(kErrorHeaderField);
  if (!ReadFileTable()) return FailWith(kErrorFileTable);
  return 1;
}

int ClosePayload() {
  if (g_reader.file != kPlatNoFile) {
    PlatCloseFile(g_reader.file);
    g_reader.file = kPlatNoFile;
  }
  FreeBlock(g_reader.copy_buffer);
  g_reader.copy_buffer = nullptr;
  UnloadExtractionLibrary();
  for (uint16_t i = 0; g_payload.entries != nullptr && i < g_payload.entry_count; ++i) {
    FreeBlock(g_payload.entries[i]);
  }
  FreeBlock(g_payload.entries);
  g_payload.entries = nullptr;
  g_payload.entry_count = 0;
  FreeBlock(g_payload.reserved_numbers);
  g_payload.reserved_numbers = nullptr;
  g_payload.reserved_number_count = 0;
  return 1;
}

void ReleasePayloadHeader() {
  FreePairList(&g_payload.reserved_pairs);
  FreePairList(&g_payload.carry_over);
  FreeTextList(&g_payload.dest_subdirs);
  FreeTextList(&g_payload.windows_deletes);
  FreeTextList(&g_payload.dest_deletes);
  FreeTextList(&g_payload.db_pieces_a);
  FreeTextList(&g_payload.db_pieces_b);
  FreeTextList(&g_setup.ie_installers);
  g_payload = PayloadHeader{};
}
