// ReadStoredMemberName: two reads of the entry's data block through the copy buffer.
#include "payload/stored_member.h"

#include "platform/files.h"
#include "unzip/dunzip.h"

namespace {

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
  uint32_t tail = entry.packed_size < kCopyBufferSize ? entry.packed_size : kCopyBufferSize;
  ZipEndRecord end;
  if (!ReadBlockPart(entry, entry.packed_size - tail, tail) ||
      FindEndRecord(g_reader.copy_buffer, tail, entry.packed_size, &end) != kUnzipOk) {
    return 0;
  }
  uint32_t wanted = kCentralEntrySize + kMemberNameMax;
  uint32_t central = end.central_size < wanted ? end.central_size : wanted;
  return ReadBlockPart(entry, end.central_offset, central) &&
         ParseCentralName(g_reader.copy_buffer, central, name) == kUnzipOk;
}
