// The records of a database file as the setup program itself sees them: the file is copied onto
// a scratch simulated machine and opened there with DbOpen (which deletes the companion index
// file beside the copy, never beside the original). Shared by vntdb and vntpack's update builder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "database/database.h"
#include "tools/common/scratch_machine.h"

// The bytes opened by the setup's own code on a scratch machine; db is null when DbOpen did not
// give 0, and result holds what it gave. One view at a time: each opens the host machine.
struct SetupView {
  ScratchMachine machine{"vntdb-machine"};
  Database* db = nullptr;
  int result = 2;
  explicit SetupView(const std::string& bytes);
  ~SetupView();
};

// True when the bytes begin with a database file header of either form (a current-form
// signature compared as the setup's DbFind compares it); *kind gets the header's kind.
bool IsDatabaseFile(const std::string& bytes, uint32_t* kind);

// One live record: the last record of its GID not marked superseded, its data unscrambled.
struct LiveRecord {
  uint32_t gid = 0;
  char type = 'b';
  uint8_t flags = 0;
  std::string data;
};

// Every live record of the database file, in the order each GID first appears; false with a
// message naming the file (and the GID) when it is no database, cannot be opened or scanned, or
// holds a record the setup cannot read (its data past the end, or more than 65535 bytes).
bool ReadLiveRecords(const std::string& file, std::vector<LiveRecord>* records, uint32_t* kind,
                     std::string* error);

// The little-endian 32-bit value at the offset (which the caller has checked).
uint32_t LoadU32(const std::string& bytes, size_t at);

// "0x" and the value in upper-case hexadecimal, zero-filled to the digits.
std::string HexText(uint32_t value, int digits = 8);
