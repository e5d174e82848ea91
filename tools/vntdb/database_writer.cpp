// Writes database files byte by byte through the program's own header encoder.
#include "tools/vntdb/database_writer.h"

#include "tools/vntpack/payload_writer.h"

DatabaseRecord MakeRecord(uint32_t gid, const std::string& data, char type, uint8_t flags) {
  DatabaseRecord record;
  record.gid = gid;
  record.data = data;
  record.type = type;
  record.flags = flags;
  return record;
}

std::string BuildDatabase(const DatabaseLayout& layout) {
  std::string out;
  if (layout.form == kDbCurrentForm) {
    out.append(kDbSignature, sizeof kDbSignature);  // the eight characters and the NUL
    PutU32(&out, layout.kind);
    for (uint32_t value : layout.reserved) PutU32(&out, value);
  } else {
    out.append("DC");
    PutU32(&out, layout.kind);
    PutU32(&out, layout.reserved[0]);
  }
  for (const DatabaseRecord& record : layout.records) {
    if (layout.form == kDbOlderForm && record.data.size() > kDbMaxDataLength) return "";
    DbRecordHeader header = {kDbRecordMagic,
                             record.gid,
                             static_cast<uint32_t>(record.data.size()),
                             static_cast<uint8_t>(record.type),
                             record.flags,
                             record.field_a,
                             record.field_b,
                             static_cast<uint32_t>(out.size())};
    uint8_t bytes[kDbLargestRecordHeader];
    uint32_t count = EncodeRecordHeader(header, layout.form, bytes);
    out.append(reinterpret_cast<const char*>(bytes), count);
    std::string data = record.data;
    if ((record.flags & kDbFlagScrambled) != 0) {
      UnscrambleData(reinterpret_cast<uint8_t*>(&data[0]), static_cast<uint32_t>(data.size()));
    }
    out += data;
  }
  return out;
}
