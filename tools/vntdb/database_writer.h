// Builds record databases in memory, for vntdb create and the tests: a file header of either
// form and the records exactly as given (any type, flags, duplicate or superseded GIDs), each
// header's offset field holding its own position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/db_format.h"

struct DatabaseRecord {
  uint32_t gid = 0;
  char type = 'b';
  uint8_t flags = 0;
  std::string data;  // the plain data; stored XORed with the mask when flags say scrambled
  uint32_t field_a = 0, field_b = 0;
};

// A record of the type and flags with the data; fields A and B zero.
DatabaseRecord MakeRecord(uint32_t gid, const std::string& data, char type = 'b',
                          uint8_t flags = 0);

struct DatabaseLayout {
  DbForm form = kDbCurrentForm;
  uint32_t kind = kDbMainKind;
  uint32_t reserved[3] = {0, 0, 0};  // the older form keeps only the first
  std::vector<DatabaseRecord> records;
};

// The file's bytes; empty when the layout cannot be written (a record over 65535 bytes in the
// older form, whose length field has 16 bits).
std::string BuildDatabase(const DatabaseLayout& layout);
