// ReadStoredMemberName: two reads of the entry's data block through the copy buffer.
#include "payload/stored_member.h"

#include <cstring>

#include "platform/files.h"

namespace {

const uint32_t kEndRecordSize = 22;
const uint32_t kCentralEntrySize = 46;

uint32_t Little(const uint8_t* at, int bytes) {
  uint32_t value = 0;
  while (bytes-- > 0) value = value << 8 | at[bytes];
  return value;
}

// Reads count bytes at offset within the entry's data block into the copy buffer.
int ReadBlockPart(const PayloadEntry& entry, uint32_t offset, uint32_t count) {
  uint32_t position = entry.data_offset + offset;
  return position != kPlatFileError &&
         PlatSeekFile(g_reader.file, position, kSeekBegin) == position &&
         PlatReadFile(g_reader.file, g_reader.copy_buffer, count) == count;
}

}  // namespace

int ReadStoredMemberName(const PayloadEntry& entry, char* name) {
  name[0] = '\0';
  const uint8_t* bytes = g_reader.copy_buffer;
  if (entry.packed_size < kEndRecordSize + kCentralEntrySize ||
      !ReadBlockPart(entry, entry.packed_size - kEndRecordSize, kEndRecordSize) ||
      Little(bytes, 4) != 0x06054B50 || Little(bytes + 20, 2) != 0) {
    return 0;
  }
  // The central directory lies before the end record; its entry and name are read together.
  uint32_t central = Little(bytes + 16, 4);
  uint32_t room = entry.packed_size - kEndRecordSize;
  if (central > room - kCentralEntrySize) return 0;
  uint32_t count = room - central < kCentralEntrySize + kStoredNameMax
                       ? room - central
                       : kCentralEntrySize + kStoredNameMax;
  if (!ReadBlockPart(entry, central, count) || Little(bytes, 4) != 0x02014B50) return 0;
  uint32_t length = Little(bytes + 28, 2);
  if (length == 0 || length > count - kCentralEntrySize) return 0;
  memcpy(name, bytes + kCentralEntrySize, length);
  name[length] = '\0';
  return 1;
}
