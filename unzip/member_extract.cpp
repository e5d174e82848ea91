// Single-member extraction on zlib. All files go through the platform layer and all memory,
// zlib's included, through PlatAllocMemory, so that a shortage is reported as code 4. The member
// data moves from the archive to the output in 64 KiB steps; nothing holds the whole file.
#include "unzip/member_extract.h"

#include <zlib.h>

#include <cstring>

#include "platform/device_names.h"
#include "platform/files.h"
#include "platform/global_memory.h"
#include "unzip/dunzip.h"
#include "unzip/zip_records.h"

namespace {

const uint32_t kStep = 65536;                               // bytes per read and write
const uint32_t kTailMax = kEndRecordSize + kEndCommentMax;  // where the end record may lie

struct Work {
  uint8_t input[kTailMax];  // the archive's tail, then its records, then its member data
  uint8_t output[kStep];
  z_stream stream;
};

voidpf ZlibAlloc(voidpf, uInt items, uInt size) {
  uint64_t bytes = static_cast<uint64_t>(items) * size;
  return bytes > 0xFFFFFFFFu ? Z_NULL : PlatAllocMemory(static_cast<uint32_t>(bytes));
}

void ZlibFree(voidpf, voidpf block) {
  if (block != Z_NULL) PlatFreeMemory(block);
}

int SeekTo(PlatFile file, uint32_t offset) {
  return offset != kPlatFileError && PlatSeekFile(file, offset, kSeekBegin) == offset;
}

int ReadAt(PlatFile file, uint32_t offset, uint8_t* out, uint32_t count) {
  return SeekTo(file, offset) && PlatReadFile(file, out, count) == count;
}

// Finds the member and the offset of its data.
int32_t ReadMember(PlatFile archive, Work* work, ZipMember* member, uint32_t* data_offset) {
  uint32_t size = PlatGetFileSize(archive);
  if (size == kPlatFileError) return kUnzipCannotOpen;
  uint32_t tail = size < kTailMax ? size : kTailMax;
  if (!ReadAt(archive, size - tail, work->input, tail)) return kUnzipTruncated;
  ZipEndRecord end;
  int32_t result = FindEndRecord(work->input, tail, size, &end);
  if (result != kUnzipOk) return result;
  uint32_t central = end.central_size < kTailMax ? end.central_size : kTailMax;
  if (!ReadAt(archive, end.central_offset, work->input, central)) return kUnzipTruncated;
  result = ParseCentralEntry(work->input, central, member);
  if (result != kUnzipOk) return result;
  // The central directory holds this one entry and nothing else, whatever the end record counts.
  if (member->entry_size != end.central_size) return kUnzipMalformed;
  if (static_cast<uint64_t>(member->local_offset) + kLocalHeaderSize > end.central_offset) {
    return kUnzipMalformed;
  }
  if (!ReadAt(archive, member->local_offset, work->input, kLocalHeaderSize)) {
    return kUnzipTruncated;
  }
  result = ParseLocalHeader(work->input, *member, end, data_offset);
  if (result != kUnzipOk) return result;
  return SeekTo(archive, *data_offset) ? kUnzipOk : kUnzipTruncated;
}

// Hands one piece of output on: counted against the stored size, added to the CRC, written.
int32_t Emit(PlatFile output, const uint8_t* bytes, uint32_t count, const ZipMember& member,
             uint32_t* produced, uLong* crc) {
  if (count == 0) return kUnzipOk;  // a write of 0 bytes would cut the file on Win32
  if (count > member.unpacked_size - *produced) return kUnzipMalformed;
  *crc = crc32(*crc, bytes, count);
  *produced += count;
  return PlatWriteFile(output, bytes, count) == count ? kUnzipOk : kUnzipDiskFull;
}

int32_t CopyStored(PlatFile archive, PlatFile output, Work* work, const ZipMember& member,
                   uLong* crc) {
  uint32_t produced = 0;
  while (produced < member.unpacked_size) {
    uint32_t left = member.unpacked_size - produced;
    uint32_t count = left < kStep ? left : kStep;
    if (PlatReadFile(archive, work->input, count) != count) return kUnzipTruncated;
    int32_t result = Emit(output, work->input, count, member, &produced, crc);
    if (result != kUnzipOk) return result;
  }
  return kUnzipOk;
}

int32_t Inflate(PlatFile archive, PlatFile output, Work* work, const ZipMember& member,
                uLong* crc) {
  z_stream& stream = work->stream;
  uint32_t unread = member.packed_size;
  uint32_t produced = 0;
  for (;;) {
    if (stream.avail_in == 0 && unread > 0) {
      uint32_t count = unread < kStep ? unread : kStep;
      if (PlatReadFile(archive, work->input, count) != count) return kUnzipTruncated;
      stream.next_in = work->input;
      stream.avail_in = count;
      unread -= count;
    }
    stream.next_out = work->output;
    stream.avail_out = kStep;
    int status = inflate(&stream, Z_NO_FLUSH);
    if (status == Z_MEM_ERROR) return kUnzipNoMemory;
    if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return kUnzipMalformed;
    uint32_t count = kStep - stream.avail_out;
    int32_t result = Emit(output, work->output, count, member, &produced, crc);
    if (result != kUnzipOk) return result;
    if (status == Z_STREAM_END) break;
    // The stream is not finished, yet all the member's data has gone in and nothing came out.
    if (count == 0 && stream.avail_in == 0 && unread == 0) return kUnzipMalformed;
  }
  return produced == member.unpacked_size ? kUnzipOk : kUnzipMalformed;
}

int32_t Decompress(PlatFile archive, PlatFile output, Work* work, const ZipMember& member) {
  uLong crc = crc32(0, Z_NULL, 0);
  int32_t result;
  if (member.method == 0) {
    result = CopyStored(archive, output, work, member, &crc);
  } else {
    work->stream.zalloc = ZlibAlloc;
    work->stream.zfree = ZlibFree;
    int status = inflateInit2(&work->stream, -MAX_WBITS);
    if (status == Z_MEM_ERROR) return kUnzipNoMemory;
    if (status != Z_OK) return kUnzipMalformed;
    result = Inflate(archive, output, work, member, &crc);
    inflateEnd(&work->stream);
  }
  if (result == kUnzipOk && crc != member.crc) result = kUnzipBadCrc;
  return result;
}

// output_dir + "\" + name into out; 0 when it would not fit a Windows path.
int OutputPath(const char* output_dir, const char* name, char* out) {
  size_t dir = strlen(output_dir);
  int separator = dir > 0 && output_dir[dir - 1] != '\\' && output_dir[dir - 1] != '/';
  if (dir + separator + strlen(name) >= kPathBuffer) return 0;
  memcpy(out, output_dir, dir);
  if (separator) out[dir++] = '\\';
  strcpy(out + dir, name);
  return 1;
}

int32_t ExtractTo(PlatFile archive, Work* work, const char* output_dir, const char* member_name) {
  ZipMember member;
  uint32_t data_offset;
  int32_t result = ReadMember(archive, work, &member, &data_offset);
  if (result != kUnzipOk) return result;
  // The caller names the one file it lets the call create: any other member is not extracted.
  if (member_name != nullptr && !SameNameNoCase(member.name, member_name)) return kUnzipNoMember;
  char path[kPathBuffer];
  if (!OutputPath(output_dir, member.name, path)) return kUnzipCannotCreate;
  PlatFile output = PlatCreateFile(path);
  if (output == kPlatNoFile) return kUnzipCannotCreate;
  result = Decompress(archive, output, work, member);
  // A member date that is no valid date leaves the time of writing, as Windows would.
  if (result == kUnzipOk) PlatSetFileDosTime(output, member.dos_time);
  if (!PlatCloseFile(output) && result == kUnzipOk) result = kUnzipDiskFull;
  if (result != kUnzipOk) PlatDeleteFile(path);
  return result;
}

}  // namespace

int32_t ExtractSingleMember(const char* archive_path, const char* output_dir,
                            const char* member_name) {
  Work* work = static_cast<Work*>(PlatAllocMemory(sizeof(Work)));
  if (work == nullptr) return kUnzipNoMemory;
  int32_t result = kUnzipCannotOpen;
  PlatFile archive = PlatOpenFile(archive_path, kOpenRead);
  if (archive != kPlatNoFile) {
    result = ExtractTo(archive, work, output_dir, member_name);
    PlatCloseFile(archive);
  }
  PlatFreeMemory(work);
  return result;
}
