// vntpack build, attach and update: a payload from a manifest, a program with a payload
// appended and its marker patched, and the manifest of an update made from two releases.
#include <sys/stat.h>

#include <filesystem>

#include "services/payload_header.h"
#include "tools/common/scratch_machine.h"
#include "tools/common/whole_files.h"
#include "tools/vntpack/commands.h"
#include "tools/vntpack/library_image.h"
#include "tools/vntpack/manifest.h"
#include "tools/vntpack/member_archive.h"
#include "tools/vntpack/payload_file.h"
#include "tools/vntpack/payload_writer.h"
#include "tools/vntpack/update_builder.h"

namespace {

const char kForWindows[] =
    "; for SETUP.EXE name the Win32 DLL with --library (the win32 preset builds "
    "build/win32/unzip/dunzipnt.dll), for the host setup give --for-host";

// The stored dunzipnt.dll, read and checked against the setup program the payload is for.
bool AddLibrary(const BuildOptions& options, PayloadLayout* layout, ToolReport* report) {
  if (options.library.empty()) {
    ReportError(*report,
                std::string("the manifest stores dunzipnt.dll (library = yes)") + kForWindows);
    return false;
  }
  std::string library;
  if (!ReadWholeFile(options.library, &library)) {
    ReportError(*report, "cannot read the extraction library " + options.library);
    return false;
  }
  PayloadTarget target;
  target.host = options.for_host;
  std::string warning;
  std::string fault;
  if (!CheckLibrary(library, target, &warning, &fault)) {
    ReportError(*report, "--library " + options.library + ": " + fault +
                             (options.for_host ? "" : kForWindows));
    return false;
  }
  if (!warning.empty()) ReportWarning(report, "--library " + options.library + ": " + warning);
  layout->files.push_back({"dunzipnt.dll", library, static_cast<uint32_t>(library.size())});
  return true;
}

// The entry of one [files] line: the source measured, read and (but for the guide) archived.
bool AddFile(const ManifestFile& file, PayloadLayout* layout, const ToolReport& report) {
  std::string data;
  struct stat info;
  if (lstat(file.source.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    ReportError(report, "[files] " + file.name + ": " + file.source +
                            " is a symbolic link; give the file itself");
    return false;
  }
  if (stat(file.source.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    ReportError(report, "[files] " + file.name + ": cannot read " + file.source);
    return false;
  }
  // Measured before it is read: a file too large for an entry is never read at all.
  if (static_cast<uint64_t>(info.st_size) > kEntrySizeMax) {
    ReportError(report, "[files] " + file.name + ": " + file.source + " has " +
                            std::to_string(info.st_size) + " bytes, over 4 GB");
    return false;
  }
  if (!ReadWholeFile(file.source, &data)) {
    ReportError(report, "[files] " + file.name + ": cannot read " + file.source);
    return false;
  }
  PayloadFile entry = {file.name, data, static_cast<uint32_t>(data.size())};
  if (!SameNameNoCase(file.name, layout->guide_entry) &&
      !MakeMemberArchive(MemberNameOf(file.name), data, DosTimeOfFile(info.st_mtime),
                         &entry.data)) {
    ReportError(report, "[files] " + file.name + ": cannot compress " + file.source);
    return false;
  }
  layout->files.push_back(entry);
  return true;
}

const char* MarkerFault(MarkerState state) {
  switch (state) {
    case kMarkerMissing:
      return "has no payload marker \"_DaduZ_\" (is it SETUP.EXE or the host setup?)";
    case kMarkerTwice:
      return "holds the payload marker's tag \"_DaduZ_\" more than once";
    case kMarkerCutShort:
      return "ends inside its payload marker";
    default:
      return "already carries a payload (its marker holds an offset); attach to the program as "
             "built";
  }
}

}  // namespace

int BuildCommand(const BuildOptions& options, ToolReport* report) {
  Manifest manifest;
  std::string error;
  if (!ReadManifest(options.manifest, options.files, &manifest, &error)) {
    return ReportError(*report, options.manifest + ": " + error);
  }
  PayloadLayout layout = manifest.header;
  if (manifest.library && !AddLibrary(options, &layout, report)) return 1;
  for (const ManifestFile& file : manifest.files) {
    if (!AddFile(file, &layout, *report)) return 1;
  }
  if (layout.files.size() > 0xFFFF) return ReportError(*report, "[files]: more than 65535 entries");
  uint64_t packed = 0;
  uint64_t unpacked = 0;
  for (const PayloadFile& file : layout.files) {
    packed += file.data.size();
    unpacked += file.unpacked_size;
  }
  if (FileTableOffset(layout) + packed > 0xFFFFFFFEu) {
    return ReportError(*report, "the payload would pass 4 GB");
  }
  if (WarningsStopTheRun(*report)) return 1;
  std::string payload = BuildPayload(layout);
  if (!WriteWholeFile(options.output, payload)) {
    return ReportError(*report, "cannot write " + options.output);
  }
  for (size_t i = 0; i < layout.files.size(); ++i) {
    const PayloadFile& file = layout.files[i];
    bool stored = (i == 0 && manifest.library) || SameNameNoCase(file.name, layout.guide_entry);
    ReportLine(*report, 2,
               "  " + file.name + "  " + std::to_string(file.unpacked_size) + " -> " +
                   std::to_string(file.data.size()) + " bytes" + (stored ? ", stored" : ""));
  }
  ReportLine(*report, 1,
             options.output + ": " + SizeSummary(layout.files.size(), unpacked, payload.size()));
  return 0;
}

int AttachCommand(const AttachOptions& options, const ToolReport& report) {
  std::string program;
  if (!ReadWholeFile(options.program, &program)) {
    return ReportError(report, "cannot read the program " + options.program);
  }
  PayloadTarget target;
  std::string fault;
  if (!TargetOfProgram(program, &target, &fault)) {
    return ReportError(report, options.program + " is " + fault);
  }
  size_t at = 0;
  MarkerState marker = FindPayloadMarker(program, &at);
  if (marker != kMarkerFree)
    return ReportError(report, options.program + " " + MarkerFault(marker));
  if (options.marker_text.size() > 15) {
    return ReportError(report, "the marker text has more than 15 characters");
  }
  ScratchMachine machine("vntpack-machine");
  if (!machine.open) return ReportError(report, "cannot make a scratch machine");
  OpenedPayload opened;
  if (!OpenPayloadFile(options.payload, &opened, &fault)) return ReportError(report, fault);
  std::string library;
  std::string warning;
  bool fits = !opened.program &&
              (!StoredLibrary(opened, &library) || CheckLibrary(library, target, &warning, &fault));
  uint16_t entries = g_payload.entry_count;
  ClosePayloadFile();
  if (opened.program) {
    return ReportError(report, options.payload +
                                   " is a program with a payload; attach a stand-alone payload "
                                   "(vntpack build writes one)");
  }
  if (!fits) return ReportError(report, options.payload + ": its dunzipnt.dll is " + fault);
  std::string out;
  if (!AttachPayload(program, opened.bytes, options.marker_text, &out) ||
      !WriteWholeFile(options.output, out)) {
    return ReportError(report, "cannot write " + options.output);
  }
  std::error_code ignored;
  std::filesystem::permissions(options.output,
                               std::filesystem::status(options.program).permissions(), ignored);
  ReportLine(report, 1,
             options.output + ": " + CountOf(entries, "entry", "entries") + " at offset " +
                 std::to_string(program.size()) + ", " + CountOf(out.size(), "byte", "bytes") +
                 " in all");
  return 0;
}

int UpdateCommand(const UpdateOptions& options, const BuildOptions& build, ToolReport* report) {
  UpdateReport update;
  std::string error;
  if (!MakeUpdate(options, &update, &error)) return ReportError(*report, error);
  for (const std::string& warning : update.warnings) ReportWarning(report, warning);
  for (const std::string& line : update.details) ReportLine(*report, 2, "  " + line);
  ReportLine(*report, 1,
             options.output + "/payload.ini: " + CountOf(update.entries, "entry", "entries") +
                 "; " + CountOf(update.files_added, "file", "files") + " added, " +
                 std::to_string(update.files_changed) + " changed, " +
                 std::to_string(update.files_removed) + " removed; " +
                 CountOf(update.records_added, "record", "records") + " added, " +
                 std::to_string(update.records_changed) + " changed, " +
                 std::to_string(update.records_gone) + " gone; " +
                 CountOf(update.warnings.size(), "warning", "warnings"));
  if (build.output.empty()) return WarningsStopTheRun(*report) ? 1 : 0;
  BuildOptions payload = build;
  payload.manifest = options.output + "/payload.ini";
  return BuildCommand(payload, report);
}
