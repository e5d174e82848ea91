// vntpack build, attach and update: a payload from a manifest, a program with a payload
// appended and its marker patched, and the manifest of an update made from two releases.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tools/common/whole_files.h"
#include "tools/vntpack/commands.h"
#include "tools/vntpack/manifest.h"
#include "tools/vntpack/member_archive.h"
#include "tools/vntpack/payload_writer.h"
#include "tools/vntpack/update_builder.h"

namespace {

int Fail(const std::string& message) {
  std::cerr << "vntpack: " << message << "\n";
  return 1;
}

}  // namespace

int BuildCommand(const BuildOptions& options) {
  Manifest manifest;
  std::string error;
  if (!ReadManifest(options.manifest, options.files, &manifest, &error)) {
    return Fail(options.manifest + ": " + error);
  }
  PayloadLayout layout = manifest.header;
  if (manifest.library) {
    std::string library;
    if (!ReadWholeFile(options.library, &library)) {
      return Fail("cannot read the extraction library " + options.library);
    }
    layout.files.push_back({"dunzipnt.dll", library, static_cast<uint32_t>(library.size())});
  }
  uint64_t total = 0;
  for (const ManifestFile& file : manifest.files) {
    std::string data;
    struct stat info;
    if (lstat(file.source.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
      return Fail("[files] " + file.name + ": " + file.source +
                  " is a symbolic link; give the file itself");
    }
    if (stat(file.source.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      return Fail("[files] " + file.name + ": cannot read " + file.source);
    }
    // Measured before it is read: a file too large for an entry is never read at all.
    if (static_cast<uint64_t>(info.st_size) > kEntrySizeMax) {
      return Fail("[files] " + file.name + ": " + file.source + " has " +
                  std::to_string(info.st_size) + " bytes, over 4 GB");
    }
    if (!ReadWholeFile(file.source, &data)) {
      return Fail("[files] " + file.name + ": cannot read " + file.source);
    }
    PayloadFile entry = {file.name, data, static_cast<uint32_t>(data.size())};
    if (!SameNameNoCase(file.name, layout.guide_entry)) {
      if (!MakeMemberArchive(MemberNameOf(file.name), data, DosTimeOfFile(info.st_mtime),
                             &entry.data)) {
        return Fail("[files] " + file.name + ": cannot compress " + file.source);
      }
    }
    layout.files.push_back(entry);
  }
  if (layout.files.size() > 0xFFFF) return Fail("[files]: more than 65535 entries");
  for (const PayloadFile& file : layout.files) total += file.data.size();
  if (FileTableOffset(layout) + total > 0xFFFFFFFEu) return Fail("the payload would pass 4 GB");
  if (!WriteWholeFile(options.output, BuildPayload(layout)))
    return Fail("cannot write " + options.output);
  return 0;
}

int AttachCommand(const std::string& program, const std::string& payload,
                  const std::string& marker_text, const std::string& output) {
  std::string program_bytes;
  std::string payload_bytes;
  if (!ReadWholeFile(program, &program_bytes)) return Fail("cannot read the program " + program);
  if (!ReadWholeFile(payload, &payload_bytes)) return Fail("cannot read the payload " + payload);
  if (payload_bytes.compare(0, 2, "RS") != 0) return Fail(payload + " is no payload (no \"RS\")");
  if (marker_text.size() > 15) return Fail("the marker text has more than 15 characters");
  std::string out;
  if (!AttachPayload(program_bytes, payload_bytes, marker_text, &out)) {
    return Fail(program + " has no single payload marker \"_DaduZ_\"");
  }
  if (!WriteWholeFile(output, out)) return Fail("cannot write " + output);
  std::error_code ignored;
  std::filesystem::permissions(output, std::filesystem::status(program).permissions(), ignored);
  return 0;
}

int UpdateCommand(const UpdateOptions& options, const std::string& payload,
                  const std::string& library) {
  UpdateReport report;
  std::string error;
  if (!MakeUpdate(options, &report, &error)) return Fail(error);
  for (const std::string& warning : report.warnings) {
    std::cerr << "vntpack: warning: " << warning << "\n";
  }
  std::cout << options.output << "/payload.ini: " << report.entries << " entries; "
            << report.files_added << " files added, " << report.files_changed << " changed, "
            << report.files_removed << " removed; " << report.records_added << " records added, "
            << report.records_changed << " changed, " << report.records_gone << " gone; "
            << report.warnings.size() << " warnings\n";
  if (payload.empty()) return 0;
  BuildOptions build;
  build.manifest = options.output + "/payload.ini";
  build.output = payload;
  build.library = library;
  return BuildCommand(build);
}
