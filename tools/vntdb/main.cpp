// vntdb: looks inside the client's record databases and makes test databases.
//   vntdb list FILE | dump FILE GID [--hex|--text] | check FILE
//   vntdb create FILE [--from DESCRIPTION] [--kind K] [--older] [--reserved A B C]
//                     [--record GID[,TYPE[,FLAGS]]=TEXT|@PATH ...]
//   vntdb diff OLD NEW [-o MERGE.DB]
//   and everywhere -q (no summary lines) and -v (also what was written); vntdb --version
// Exit status 0 on success, 1 when the database or the description is faulty, 2 for a wrong
// command line.
#include <iostream>
#include <string>
#include <vector>

#include "tools/common/command_line.h"
#include "tools/vntdb/commands.h"
#include "tools/vntdb/description.h"

namespace {

int Usage(const std::string& message) {
  std::cerr << "vntdb: " << message << "\n";
  return kUsageStatus;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"vntdb: looks inside Velnet record databases and makes test databases"};
  ToolReport report;
  report.tool = "vntdb";
  AddReportOptions(&app, &report, "also name the file written, with its records and bytes", false);
  app.require_subcommand(1);

  std::string file;
  CLI::App* list_command =
      app.add_subcommand("list", "print the file header and one line per live record");
  list_command->add_option("FILE", file, "the database")->required();

  std::string gid_text;
  bool hex = false;
  bool text = false;
  CLI::App* dump_command =
      app.add_subcommand("dump", "print a record's data, unscrambled, as text or in hex");
  dump_command->add_option("FILE", file, "the database")->required();
  dump_command->add_option("GID", gid_text, "the record's GID (decimal or 0x...)")->required();
  dump_command->add_flag("--hex", hex, "always a hex dump");
  dump_command->add_flag("--text", text, "the bytes as they are");

  CLI::App* check_command =
      app.add_subcommand("check", "test every record; non-zero exit on any fault");
  check_command->add_option("FILE", file, "the database")->required();

  std::string description;
  std::string kind_text;
  bool older = false;
  std::vector<std::string> reserved;
  std::vector<std::string> records;
  CLI::App* create_command =
      app.add_subcommand("create", "write a database of the given records (docs/vntdb.md)");
  create_command->add_option("FILE", file, "the database to write")->required();
  create_command->add_option("--from", description,
                             "a description file of kind, form, reserved and record lines");
  create_command->add_option("--kind", kind_text, "the kind (default 0x01000401, the main one)");
  create_command->add_flag("--older", older, "the older form (\"DC\", 22-byte record headers)");
  create_command->add_option("--reserved", reserved, "the three reserved numbers")->expected(3);
  create_command->add_option("--record", records,
                             "GID[,TYPE[,FLAGS]]=TEXT or =@PATH (TEXT knows \\\\ \\n \\r \\t "
                             "\\xHH); records are written in the order given");

  std::string new_file;
  std::string merge_file;
  CLI::App* diff_command = app.add_subcommand(
      "diff", "print the records added, changed and gone from OLD to NEW (docs/vntdb.md)");
  diff_command->add_option("OLD", file, "the old database (IDB\\MAIN.IDX of the old release)")
      ->required();
  diff_command->add_option("NEW", new_file, "the new database")->required();
  diff_command->add_option("-o,--output", merge_file,
                           "also write the merge database (MERGE.DB) of the added and changed "
                           "records");

  int status = ParseCommandLine(app, argc, argv);
  if (status >= 0) return status;

  if (*list_command) return ListCommand(file);
  if (*check_command) return CheckCommand(file, report);
  if (*diff_command) return DiffCommand(file, new_file, merge_file, &report);
  if (*dump_command) {
    uint32_t gid = 0;
    if (!ParseNumber(gid_text, &gid)) return Usage("the GID must be a number, not " + gid_text);
    if (hex && text) return Usage("--hex and --text exclude each other");
    return DumpCommand(file, gid, hex ? kDumpHex : text ? kDumpText : kDumpAuto);
  }
  DatabaseLayout layout;
  std::string error;
  if (!description.empty() && !ReadDescription(description, &layout, &error)) {
    std::cerr << "vntdb: " << error << "\n";
    return 1;
  }
  if (!kind_text.empty() && !ParseNumber(kind_text, &layout.kind)) {
    return Usage("the kind must be a number, not " + kind_text);
  }
  if (older) layout.form = kDbOlderForm;
  for (size_t i = 0; i < reserved.size(); ++i) {
    if (!ParseNumber(reserved[i], &layout.reserved[i])) {
      return Usage("the reserved values must be numbers, not " + reserved[i]);
    }
  }
  for (const std::string& record_text : records) {
    if (!AddRecord(record_text, ".", &layout, &error)) return Usage(error);
  }
  return CreateCommand(file, layout, report);
}
