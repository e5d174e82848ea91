// Writing a single-member archive with zlib's raw deflate at its best compression.
#include "tools/vntpack/member_archive.h"

#include <zlib.h>

#include <ctime>

#include "tools/vntpack/payload_writer.h"

namespace {

const uint16_t kVersion20 = 20;  // "made by" and "needed to extract": 2.0, MS-DOS
const uint16_t kDeflated = 8;
const uint32_t kArchiveAttribute = 0x20;

bool Deflate(const std::string& data, std::string* out) {
  z_stream stream = {};
  if (deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
    return false;
  }
  out->resize(deflateBound(&stream, static_cast<uLong>(data.size())));
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(&(*out)[0]);
  stream.avail_out = static_cast<uInt>(out->size());
  int status = deflate(&stream, Z_FINISH);
  out->resize(stream.total_out);
  deflateEnd(&stream);
  return status == Z_STREAM_END;
}

}  // namespace

std::string MemberNameOf(const std::string& entry_name) {
  size_t slash = entry_name.rfind('\\');
  std::string name = slash == std::string::npos ? entry_name : entry_name.substr(slash + 1);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return name;
}

uint32_t DosTimeOfFile(int64_t utc_seconds) {
  const int64_t kFirst = 315532800;  // 1980-01-01 00:00:00 UTC
  const int64_t kLast = 4354819198;  // 2107-12-31 23:59:58 UTC
  time_t clamped = static_cast<time_t>(
      utc_seconds < kFirst ? kFirst : (utc_seconds > kLast ? kLast : utc_seconds));
  struct tm parts;
  gmtime_r(&clamped, &parts);
  uint32_t date =
      static_cast<uint32_t>((parts.tm_year - 80) << 9 | (parts.tm_mon + 1) << 5 | parts.tm_mday);
  uint32_t clock =
      static_cast<uint32_t>(parts.tm_hour << 11 | parts.tm_min << 5 | parts.tm_sec / 2);
  return date << 16 | clock;
}

bool MakeMemberArchive(const std::string& member_name, const std::string& data, uint32_t dos_time,
                       std::string* archive) {
  std::string packed;
  if (data.size() > 0xFFFFFFFEu || !Deflate(data, &packed) || packed.size() > 0xFFFFFFFEu) {
    return false;
  }
  uint32_t crc = static_cast<uint32_t>(
      crc32_z(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()), data.size()));
  // The fields the local header and the central entry share, from "version needed" on.
  std::string common;
  PutU16(&common, kVersion20);
  PutU16(&common, 0);  // flags: no encryption, no data descriptor
  PutU16(&common, kDeflated);
  PutU16(&common, dos_time & 0xFFFF);
  PutU16(&common, dos_time >> 16);
  PutU32(&common, crc);
  PutU32(&common, static_cast<uint32_t>(packed.size()));
  PutU32(&common, static_cast<uint32_t>(data.size()));
  PutU16(&common, static_cast<uint32_t>(member_name.size()));
  PutU16(&common, 0);  // extra field length

  archive->clear();
  PutU32(archive, 0x04034B50);
  *archive += common + member_name + packed;
  uint32_t central_offset = static_cast<uint32_t>(archive->size());
  PutU32(archive, 0x02014B50);
  PutU16(archive, kVersion20);
  *archive += common;
  PutU16(archive, 0);  // comment length
  PutU16(archive, 0);  // disk number
  PutU16(archive, 0);  // internal attributes
  PutU32(archive, kArchiveAttribute);
  PutU32(archive, 0);  // the local header's offset
  *archive += member_name;
  uint32_t central_size = static_cast<uint32_t>(archive->size()) - central_offset;
  PutU32(archive, 0x06054B50);
  PutU16(archive, 0);
  PutU16(archive, 0);
  PutU16(archive, 1);
  PutU16(archive, 1);
  PutU32(archive, central_size);
  PutU32(archive, central_offset);
  PutU16(archive, 0);  // no comment
  return true;
}
