// What vntdb create reads: record specifications ("GID[,TYPE[,FLAGS]]=TEXT" or "...=@PATH") and
// description files of "kind", "form", "reserved" and "record" lines (docs/vntdb.md), turned
// into a DatabaseLayout for the database writer.
#pragma once

#include <cstdint>
#include <string>

#include "tools/vntdb/database_writer.h"

// A number in decimal or, after "0x", hexadecimal, that fits 32 bits.
bool ParseNumber(const std::string& text, uint32_t* value);

// Adds the record that one record text describes; PATH is taken relative to base (when not
// absolute). False with a message in *error.
bool AddRecord(const std::string& record_text, const std::string& base, DatabaseLayout* layout,
               std::string* error);

// Applies a description file's lines to the layout; false with "FILE:LINE: message".
bool ReadDescription(const std::string& path, DatabaseLayout* layout, std::string* error);
