// The rollback journal's records: laid out in a buffer that is written out and flushed once per
// group of changes, and read back one at a time, forward from the start or backward from an end.
#include "services/journal_records.h"

#include <cstring>

#include "platform/registry.h"
#include "services/errors.h"
#include "services/file_writing.h"
#include "services/setup_state.h"
#include "services/update_log.h"

JournalWriter g_writer = {0, 0, 0};

namespace {

const uint32_t kHeaderSize = 18;
const uint32_t kTrailerSize = 8;
const uint32_t kRecordMax = kHeaderSize + 2 * (kPathBuffer - 1) + kJournalImageMax + kTrailerSize;
const uint32_t kBufferSize = 64000;  // one write of WriteBlock, and room for the largest record

uint8_t g_out[kBufferSize];
uint32_t g_reserved_at;  // where the record reserved last begins in g_out
uint8_t g_in[kRecordMax];

// The bytes the reader read last of a journal file: a walk through its records reads the file a
// window at a time, not once a record. Each walk starts it afresh (JournalForgetReads).
struct ReadWindow {
  PlatFile file;
  uint32_t start;
  uint32_t filled;
  uint8_t bytes[kBufferSize];
};
ReadWindow g_window;    // zero-filled, in no section of the program file: see JournalForgetReads
int g_window_held = 0;  // 1 while g_window holds bytes of g_window.file

// Copies the count bytes at offset into out: from the window, filled first when it does not hold
// them, from offset on (backward: so that it ends with them). 0 when the file does not hold them.
int ReadThrough(PlatFile file, uint32_t offset, uint32_t count, uint8_t* out, int backward) {
  int held = g_window_held && g_window.file == file && offset >= g_window.start &&
             static_cast<uint64_t>(offset) + count <=
                 static_cast<uint64_t>(g_window.start) + g_window.filled;
  if (!held) {
    uint32_t end = offset + count;
    uint32_t start = backward ? (end > kBufferSize ? end - kBufferSize : 0) : offset;
    g_window_held = 0;
    if (PlatSeekFile(file, start, kSeekBegin) != start) return 0;
    uint32_t got = PlatReadFile(file, g_window.bytes, kBufferSize);
    if (got == kPlatFileError) return 0;
    g_window_held = 1;
    g_window.file = file;
    g_window.start = start;
    g_window.filled = got;
    if (static_cast<uint64_t>(offset) + count > static_cast<uint64_t>(start) + got) return 0;
  }
  memcpy(out, g_window.bytes + (offset - g_window.start), count);
  return 1;
}

uint32_t Get16(const uint8_t* at) {
  return static_cast<uint32_t>(at[0] | (at[1] << 8));
}

void Put16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

// The sum of a record's bytes before its trailer's sum, its in-place fields taken as 0.
uint32_t SumOf(const uint8_t* bytes, uint32_t count) {
  int identity = bytes[2] == kJournalIdentity;
  uint32_t sum = 2166136261u;
  for (uint32_t i = 0; i < count; ++i) {
    int in_place = i == kJournalStateAt || i == kJournalCommitAt ||
                   (identity && i >= kJournalDurableAt && i < kJournalDurableAt + 4);
    sum = (sum ^ (in_place ? 0 : bytes[i])) * 16777619u;
  }
  return sum;
}

// Writes the buffer at the end of the file (no flush). A short write is asked about as a full
// disk; what was written of it is cut off again.
int WriteOut() {
  if (g_writer.used == 0) return 1;
  if (static_cast<uint64_t>(g_writer.written) + g_writer.used >= kPlatFileError)
    return JournalFailed();
  if (!WriteBlockAt(g_setup.journal_file, g_writer.written, g_out,
                    static_cast<uint16_t>(g_writer.used))) {
    PlatSetFileSize(g_setup.journal_file, g_writer.written);
    g_writer.used = 0;
    return g_setup.install_stopped ? 0 : JournalFailed();
  }
  g_writer.written += g_writer.used;
  g_writer.used = 0;
  return 1;
}

// 1 when the text is one a path or a name can be: printable, without a terminator inside.
int PlainText(const uint8_t* text, uint32_t length) {
  for (uint32_t i = 0; i < length; ++i) {
    if (text[i] < 0x20 || text[i] == 0x7F) return 0;
  }
  return 1;
}

}  // namespace

uint32_t JournalRecordSize(uint32_t text_length, uint32_t data_length) {
  return kHeaderSize + text_length + data_length + kTrailerSize;
}

int JournalFailed() {
  LogLine("Couldn't write the rollback journal");
  return FailWith(kErrorRollbackJournal);
}

uint32_t JournalGet32(const uint8_t* at) {
  return Get16(at) | (Get16(at + 2) << 16);
}

void JournalPut32(uint8_t* at, uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

namespace {

// Lays out a record's header and texts at at; returns its whole size with data_length bytes of
// data, which go right after the texts.
uint32_t LayOut(uint8_t* at, uint8_t kind, uint8_t flags, const char* first, uint32_t first_length,
                const char* second, uint32_t second_length, uint32_t number, uint32_t data_length) {
  memset(at, 0, kHeaderSize);
  at[0] = 'R';
  at[1] = 'K';
  at[2] = kind;
  at[3] = flags;
  Put16(at + 6, first_length);
  Put16(at + 8, second_length);
  JournalPut32(at + 10, number);
  JournalPut32(at + 14, data_length);
  memcpy(at + kHeaderSize, first, first_length);
  if (second_length != 0) memcpy(at + kHeaderSize + first_length, second, second_length);
  return kHeaderSize + first_length + second_length + data_length + kTrailerSize;
}

void SealAt(uint8_t* at, uint32_t size) {
  JournalPut32(at + size - kTrailerSize, size);
  JournalPut32(at + size - 4, SumOf(at, size - 4));
}

}  // namespace

uint8_t* JournalReserve(uint8_t kind, uint8_t flags, const char* first, const char* second,
                        uint32_t number, uint32_t data_length) {
  uint32_t first_length = static_cast<uint32_t>(strlen(first));
  uint32_t second_length = second != nullptr ? static_cast<uint32_t>(strlen(second)) : 0;
  if (first_length >= kPathBuffer || second_length >= kPathBuffer ||
      data_length > kJournalImageMax) {
    JournalFailed();
    return nullptr;
  }
  uint32_t size = kHeaderSize + first_length + second_length + data_length + kTrailerSize;
  if (g_writer.used + size > kBufferSize && !WriteOut()) return nullptr;
  uint8_t* at = g_out + g_writer.used;
  LayOut(at, kind, flags, first, first_length, second, second_length, number, data_length);
  g_reserved_at = g_writer.used;
  g_writer.used += size;
  return at + kHeaderSize + first_length + second_length;
}

void JournalSeal() {
  SealAt(g_out + g_reserved_at, g_writer.used - g_reserved_at);
}

void JournalDrop() {
  g_writer.used = g_reserved_at;
}

int JournalAppend(uint8_t kind, uint8_t flags, const char* first, const char* second,
                  uint32_t number, const void* data, uint32_t data_length) {
  uint8_t* place = JournalReserve(kind, flags, first, second, number, data_length);
  if (place == nullptr) return 0;
  if (data_length != 0) memcpy(place, data, data_length);
  JournalSeal();
  return 1;
}

int JournalDurable() {
  if (g_writer.used == 0) return 1;
  if (!WriteOut()) return 0;
  if (!PlatFlushFile(g_setup.journal_file)) return JournalFailed();
  g_writer.durable = g_writer.written;
  // Rides along with the next flush: until then an older, smaller durable length stands.
  uint8_t length[4];
  JournalPut32(length, g_writer.durable);
  if (PlatSeekFile(g_setup.journal_file, kJournalDurableAt, kSeekBegin) != kJournalDurableAt ||
      PlatWriteFile(g_setup.journal_file, length, 4) != 4) {
    return JournalFailed();
  }
  return 1;
}

int JournalRead(PlatFile file, uint32_t offset, uint32_t limit, JournalRecord* record,
                uint32_t* declared) {
  *declared = 0;
  if (offset >= limit || limit - offset < kHeaderSize + kTrailerSize ||
      !ReadThrough(file, offset, kHeaderSize, g_in, 0)) {
    return 0;
  }
  uint32_t first_length = Get16(g_in + 6);
  uint32_t second_length = Get16(g_in + 8);
  uint32_t data_length = JournalGet32(g_in + 14);
  if (g_in[0] != 'R' || g_in[1] != 'K' || first_length >= kPathBuffer ||
      second_length >= kPathBuffer || data_length > kJournalImageMax) {
    return 0;
  }
  uint32_t size = kHeaderSize + first_length + second_length + data_length + kTrailerSize;
  *declared = size;
  uint32_t body = size - kHeaderSize;
  if (limit - offset < size ||
      !ReadThrough(file, offset + kHeaderSize, body, g_in + kHeaderSize, 0) ||
      JournalGet32(g_in + size - kTrailerSize) != size ||
      JournalGet32(g_in + size - 4) != SumOf(g_in, size - 4) ||
      !PlainText(g_in + kHeaderSize, first_length + second_length)) {
    return 0;
  }
  record->offset = offset;
  record->size = size;
  record->kind = g_in[2];
  record->flags = g_in[3];
  record->state = g_in[kJournalStateAt];
  record->mark = g_in[kJournalCommitAt];
  record->number = JournalGet32(g_in + 10);
  memcpy(record->first, g_in + kHeaderSize, first_length);
  record->first[first_length] = '\0';
  memcpy(record->second, g_in + kHeaderSize + first_length, second_length);
  record->second[second_length] = '\0';
  record->data_length = data_length;
  record->data = g_in + kHeaderSize + first_length + second_length;
  return 1;
}

uint32_t JournalRecordBefore(PlatFile file, uint32_t end) {
  uint8_t trailer[kTrailerSize];
  if (end < kHeaderSize + kTrailerSize ||
      !ReadThrough(file, end - kTrailerSize, kTrailerSize, trailer, 1)) {
    return kJournalNoFile;
  }
  uint32_t size = JournalGet32(trailer);
  return size <= end ? end - size : kJournalNoFile;
}

void JournalForgetReads() {
  g_window_held = 0;
}

int JournalPutByte(PlatFile file, uint32_t offset, uint8_t value) {
  if (g_window_held && g_window.file == file && offset >= g_window.start &&
      offset - g_window.start < g_window.filled) {
    g_window.bytes[offset - g_window.start] = value;
  }
  return PlatSeekFile(file, offset, kSeekBegin) == offset && PlatWriteFile(file, &value, 1) == 1;
}

int JournalStampAt(PlatFile file, uint32_t* end, const char* path, uint32_t length,
                   uint32_t dos_time) {
  uint8_t bytes[kHeaderSize + kPathBuffer + 4 + kTrailerSize];
  uint32_t path_length = static_cast<uint32_t>(strlen(path));
  if (path_length >= kPathBuffer) return 0;
  uint32_t size = LayOut(bytes, kJournalStamp, 0, path, path_length, nullptr, 0, length, 4);
  JournalPut32(bytes + kHeaderSize + path_length, dos_time);
  SealAt(bytes, size);
  JournalForgetReads();
  if (static_cast<uint64_t>(*end) + size >= kPlatFileError ||
      PlatSeekFile(file, *end, kSeekBegin) != *end || PlatWriteFile(file, bytes, size) != size ||
      !PlatSetFileSize(file, *end + size)) {
    return 0;
  }
  *end += size;
  return 1;
}

int JournalFileStamp(const char* path, uint32_t* length, uint32_t* dos_time) {
  PlatFile file = PlatOpenFile(path, kOpenRead);
  if (file == kPlatNoFile) return 0;
  *length = PlatGetFileSize(file);
  *dos_time = PlatGetFileDosTime(file);
  PlatCloseFile(file);
  return *length != kPlatFileError;
}

namespace {

// 1 when the path begins with root and goes on below it (rest gets what follows the "\").
int Below(const char* path, const char* root, const char** rest) {
  size_t length = strlen(root);
  while (length > 0 && root[length - 1] == '\\') --length;
  if (length == 0) return 0;
  for (size_t i = 0; i < length; ++i) {
    if (UpperCaseOf(path[i]) != UpperCaseOf(root[i])) return 0;
  }
  if (path[length] != '\\' || path[length + 1] == '\0') return 0;
  *rest = path + length + 1;
  return 1;
}

// 1 when every component of the relative path is a plain name.
int PlainComponents(const char* rest) {
  if (strpbrk(rest, "/*?:<>|\"") != nullptr) return 0;
  for (const char* at = rest; *at != '\0';) {
    const char* end = strchr(at, '\\');
    size_t length = end != nullptr ? static_cast<size_t>(end - at) : strlen(at);
    size_t dots = 0;
    while (dots < length && at[dots] == '.') ++dots;
    if (length == 0 || dots == length) return 0;  // "", ".", ".." and the like
    at += length;
    if (*at == '\\') ++at;
  }
  return 1;
}

int SameOrAbove(const char* path, const char* folder) {
  if (NamesEqual(path, folder)) return 1;
  const char* rest;
  return path[0] != '\0' && strlen(path) >= 3 && Below(folder, path, &rest);
}

}  // namespace

int JournalPathInside(const char* path, const JournalRoots& roots, int holds_journal) {
  if (holds_journal && SameOrAbove(path, roots.folder)) return 1;
  const char* rest;
  return (Below(path, roots.folder, &rest) || Below(path, roots.windows, &rest) ||
          Below(path, roots.system, &rest)) &&
         PlainComponents(rest);
}

int JournalKeyOwned(uint32_t root, const char* key) {
  static const char* const kOwned[] = {
      "SOFTWARE\\Velnet\\VNT\\CurrentVersion",
      "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velnet"};
  if ((root != kRegCurrentUser && root != kRegLocalMachine) || key[0] == '\0') return 0;
  for (const char* owned : kOwned) {
    const char* rest;
    // The key itself, one below it, or one of the keys along it that a write may have to make
    // (deleted again only while empty).
    if (NamesEqual(key, owned) || (Below(key, owned, &rest) && PlainComponents(rest)) ||
        Below(owned, key, &rest)) {
      return 1;
    }
  }
  return 0;
}
