// The payload manifest of vntpack: an INI-like text naming every header field, the lists and the
// files of a payload (docs/payload-manifest.md). Reading it checks every capacity and every file
// name, so that what it gives can be built into a payload as it stands.
#pragma once

#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

#include "tools/vntpack/payload_writer.h"

struct ManifestFile {
  std::string name;    // the entry name, a relative path with "\" separators
  std::string source;  // the host file, relative paths taken from the manifest's folder
};

struct Manifest {
  PayloadLayout header;  // every header field and list; files stays empty
  bool library = false;  // the first entry is a stored copy of dunzipnt.dll
  std::vector<ManifestFile> files;
};

// Reads the manifest at path; entries named in overrides take their source from there instead
// (NAME=PATH from the command line). Returns false with a message naming the line, field or file.
bool ReadManifest(const std::string& path, const std::map<std::string, std::string>& overrides,
                  Manifest* out, std::string* error);

// Applies manifest lines to *out, which keeps what it held (an options text over defaults);
// relative sources are taken from folder (empty or ending in "/"). False with "line N
// [section]: message".
bool ApplyManifestText(std::istream& text, const std::string& folder,
                       const std::map<std::string, std::string>& overrides, Manifest* out,
                       std::string* error);

// Sets one [header] field from "FIELD=VALUE", the value as in a manifest (quotes and escapes).
bool SetHeaderSetting(const std::string& setting, PayloadLayout* layout, std::string* error);

// The manifest text that reads back as this manifest, its sources written as they are held;
// every line of comment goes first, after "; ". List items and values are quoted; pair patterns
// and entry names are written as they are, so they must not hold "=" (as when read).
std::string ManifestText(const Manifest& manifest, const std::string& comment);

// The largest file a payload entry carries: its size is 32-bit, and 0xFFFFFFFF is the failure
// value of the reads that measure it.
const uint64_t kEntrySizeMax = 0xFFFFFFFEu;

// The checks every payload text and name must pass, shared with the attach command. An entry
// name is packed only when the setup accepts it (IsEntryNameAccepted) and reads it as written:
// no component ends in a dot or a blank, which Windows would drop.
bool IsPackableEntryName(const std::string& name);
bool SameNameNoCase(const std::string& a, const std::string& b);
