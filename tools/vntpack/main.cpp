// vntpack: builds the payloads of the setup program and looks inside them.
//   vntpack build MANIFEST -o FILE [--library DLL] [--for-host] [--file NAME=PATH ...]
//   vntpack attach SETUP PAYLOAD -o OUT [--marker-text TEXT]
//   vntpack update OLD NEW -o DIR [--options FILE] [--set FIELD=VALUE ...] [--payload FILE
//                  [--library DLL] [--for-host]]
//   vntpack list FILE | extract FILE DIR [--library SO] | verify FILE [--library SO] [--for-host]
//   and everywhere -q, -v, --warnings-as-errors; vntpack --version
// Exit status 0 on success, 1 when the input is faulty (or warned about, with
// --warnings-as-errors), 2 for a wrong command line.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "tools/common/command_line.h"
#include "tools/vntpack/commands.h"

namespace {

// SOURCE_DATE_EPOCH, when set: whole seconds since 1970, at most twelve digits.
bool ReadSourceDateEpoch(int64_t* seconds) {
  const char* text = getenv("SOURCE_DATE_EPOCH");
  if (text == nullptr) return true;
  size_t length = strlen(text);
  if (length == 0 || length > 12 || strspn(text, "0123456789") != length) return false;
  *seconds = strtoll(text, nullptr, 10);
  return true;
}

int RunVntpack(int argc, char** argv) {
  CLI::App app{"vntpack: builds Velnet setup payloads and looks inside them"};
  ToolReport report;
  report.tool = "vntpack";
  AddReportOptions(&app, &report, "also print a line for every entry", true);
  app.require_subcommand(1);
  const std::string stored_help =
      "the Win32 dunzipnt.dll to store as the first entry, for SETUP.EXE (the win32 preset's "
      "build/win32/unzip/dunzipnt.dll)";
  const std::string host_help =
      "the payload is for the host setup of the simulated machines: its library may be the "
      "host's own (by default the one built with vntpack) instead of a Win32 DLL";
  std::string extractor = VNTPACK_LIBRARY;
  const std::string extractor_help =
      "the host dunzipnt.dll that extracts the members (default: the one built with vntpack)";

  BuildOptions build;
  std::vector<std::string> overrides;
  CLI::App* build_command =
      app.add_subcommand("build", "write a stand-alone payload from a manifest (for -X)");
  build_command->add_option("MANIFEST", build.manifest, "the manifest (docs/payload-manifest.md)")
      ->required();
  build_command->add_option("-o,--output", build.output, "the payload file to write")->required();
  build_command->add_option("--library", build.library, stored_help);
  build_command->add_flag("--for-host", build.for_host, host_help);
  build_command->add_option(
      "--file", overrides,
      "NAME=PATH: take the entry NAME from PATH instead of the manifest's file");

  AttachOptions attach;
  CLI::App* attach_command =
      app.add_subcommand("attach", "append a payload to SETUP.EXE (or the host setup)");
  attach_command->add_option("SETUP", attach.program, "the program")->required();
  attach_command->add_option("PAYLOAD", attach.payload, "the payload file")->required();
  attach_command->add_option("-o,--output", attach.output, "the program to write")->required();
  attach_command->add_option("--marker-text", attach.marker_text,
                             "the marker text (at most 15 characters)");

  std::string file;
  std::string folder;
  bool verify_for_host = false;
  CLI::App* list_command =
      app.add_subcommand("list", "print the header and the file table of a payload or program");
  list_command->add_option("FILE", file, "a payload, or a program with a payload")->required();
  CLI::App* extract_command =
      app.add_subcommand("extract", "extract every entry of a payload or program into a folder");
  extract_command->add_option("FILE", file, "a payload, or a program with a payload")->required();
  extract_command->add_option("DIR", folder, "the folder to extract into")->required();
  extract_command->add_option("--library", extractor, extractor_help);
  CLI::App* verify_command = app.add_subcommand(
      "verify", "test every entry of a payload or program; non-zero exit on any fault");
  verify_command->add_option("FILE", file, "a payload, or a program with a payload")->required();
  verify_command->add_option("--library", extractor, extractor_help);
  verify_command->add_flag("--for-host", verify_for_host,
                           "a stand-alone payload for the host setup: its stored library may be "
                           "the host's own instead of a Win32 DLL");

  UpdateOptions update;
  std::string update_payload;
  CLI::App* update_command = app.add_subcommand(
      "update", "write the manifest and files of the update from release OLD to release NEW");
  update_command->footer(
      "OLD and NEW are release trees of the client as installed, each with IDB/MAIN.IDX; a SYSTEM "
      "folder stands for the system directory. Every new or changed file becomes an entry, the "
      "old release's files the new one lacks go into [dest_deletes], the database records that "
      "changed into IDB\\MERGE.DB. accepted_builds and db_version_stamp come from the two "
      "version records, the other header fields from --options and --set "
      "(docs/update-builder.md).");
  update_command->add_option("OLD", update.old_tree, "the old release's folder")->required();
  update_command->add_option("NEW", update.new_tree, "the new release's folder")->required();
  update_command
      ->add_option("-o,--output", update.output,
                   "the folder to write payload.ini and files/ into (new or empty)")
      ->required();
  update_command->add_option("--options", update.options_file,
                             "a manifest of [header] fields and lists (no [files])");
  update_command->add_option("--set", update.settings,
                             "FIELD=VALUE: a [header] field, over the options file's");
  BuildOptions update_build;
  update_command->add_option("--payload", update_build.output,
                             "also build the payload into this file (as vntpack build)");
  update_command->add_option("--library", update_build.library, stored_help);
  update_command->add_flag("--for-host", update_build.for_host, host_help);

  int status = ParseCommandLine(app, argc, argv);
  if (status >= 0) return status;

  for (BuildOptions* options : {&build, &update_build}) {
    if (options->for_host && options->library.empty()) options->library = VNTPACK_LIBRARY;
  }
  if (*build_command) {
    for (const std::string& item : overrides) {
      size_t equals = item.find('=');
      if (equals == std::string::npos || equals == 0) {
        std::cerr << "vntpack: --file takes NAME=PATH, not " << item << "\n";
        return kUsageStatus;
      }
      build.files[item.substr(0, equals)] = item.substr(equals + 1);
    }
    return BuildCommand(build, &report);
  }
  if (*attach_command) return AttachCommand(attach, report);
  if (*update_command) {
    if (!ReadSourceDateEpoch(&update.merge_time)) {
      return ReportError(report,
                         "SOURCE_DATE_EPOCH is set to no whole number of seconds since "
                         "1970");
    }
    return UpdateCommand(update, update_build, &report);
  }
  if (*list_command) return ListCommand(file, report);
  if (*extract_command) return ExtractCommand(file, folder, extractor, report);
  return VerifyCommand(file, extractor, verify_for_host, &report);
}

}  // namespace

// Whatever goes wrong underneath (a file system that refuses a walk, memory that runs out), the
// tool ends with a message and status 1, never with an uncaught exception.
int main(int argc, char** argv) {
  try {
    return RunVntpack(argc, argv);
  } catch (const std::exception& failure) {
    std::cerr << "vntpack: " << failure.what() << "\n";
    return 1;
  }
}
