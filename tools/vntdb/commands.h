// The five commands of vntdb. Each prints its faults on standard error and returns the process
// exit status: 0 on success, 1 when the database (or the description) is faulty or missing. Their
// summary lines follow the report's verbosity (none with -q; with -v also the file written).
#pragma once

#include <cstdint>
#include <string>

#include "tools/common/tool_report.h"
#include "tools/vntdb/database_writer.h"

// The file header, then one line per live record in the order the records first appear.
int ListCommand(const std::string& file);

enum DumpStyle { kDumpAuto, kDumpHex, kDumpText };
// The record's data as the setup reads it (unscrambled): as text when every byte is printable
// (or kDumpText: the bytes as they are), otherwise as a hex dump.
int DumpCommand(const std::string& file, uint32_t gid, DumpStyle style);

// Walks every record strictly and opens the file as the setup does; 1 on any fault.
int CheckCommand(const std::string& file, const ToolReport& report);

// Writes the layout to file.
int CreateCommand(const std::string& file, const DatabaseLayout& layout, const ToolReport& report);

// The records added, changed and gone from old_file to new_file, one line each, and a count;
// what a merge cannot carry is warned about on standard error. With merge_file, also writes the
// merge database that carries the added and changed records.
int DiffCommand(const std::string& old_file, const std::string& new_file,
                const std::string& merge_file, ToolReport* report);
