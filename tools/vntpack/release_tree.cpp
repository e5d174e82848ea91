// Reading a release tree and checking its names.
#include "tools/vntpack/release_tree.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/device_names.h"
#include "services/own_files.h"
#include "tools/vntpack/manifest.h"

namespace fs = std::filesystem;

namespace {

// What is wrong with one component of a name for Windows, the payload and the manifest; empty
// when nothing is.
std::string ComponentFault(const std::string& part) {
  for (char c : part) {
    if (c < 0x20 || c > 0x7E) return "holds a character other than printable ASCII";
    if (std::string("\\/:*?\"<>|=").find(c) != std::string::npos) {
      return std::string("holds the character ") + c;
    }
  }
  if (part.front() == ' ' || part.back() == ' ' || part.back() == '.') {
    return "begins with a blank or ends with a blank or a dot";
  }
  if (IsDeviceName(part.c_str(), part.size())) return "is a device name of Windows";
  if (IsProgramFileName(part.c_str())) return "is the name of one of the setup's own files";
  return std::string();
}

std::string NameFault(const std::string& name) {
  if (name.size() > kTreeNameMax) {
    return "its name has " + std::to_string(name.size()) + " characters; at most " +
           std::to_string(kTreeNameMax) + " fit a payload's delete list";
  }
  if (name[0] == ';' || name[0] == '#' || name[0] == '[') {
    return "its name begins with \";\", \"#\" or \"[\", which a manifest line cannot";
  }
  size_t start = 0;
  while (true) {
    size_t end = name.find('\\', start);
    std::string fault = ComponentFault(name.substr(start, end - start));
    if (!fault.empty()) return "a name that " + fault + " cannot be carried";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  // The setup's own test of entry names has the last word.
  if (!IsPackableEntryName(name)) return "a name that the setup refuses cannot be carried";
  return std::string();
}

// What is wrong with the entry itself: a link of any kind (named with what it points to), no
// file or folder, or a file too large for a payload entry; empty when nothing is. Reads no data.
std::string EntryFault(const fs::directory_entry& entry, bool* folder) {
  std::error_code failure;
  fs::file_status status = entry.symlink_status(failure);
  if (failure) return "cannot be examined (" + failure.message() + ")";
  if (fs::is_symlink(status)) {
    fs::path target = fs::read_symlink(entry.path(), failure);
    return "a symbolic link" + (failure ? std::string() : " to " + target.string()) +
           "; give the file or folder itself";
  }
  *folder = fs::is_directory(status);
  if (!*folder && !fs::is_regular_file(status)) return "neither a file nor a folder";
  if (*folder) return std::string();
  uintmax_t size = entry.file_size(failure);
  if (failure) return "cannot be examined (" + failure.message() + ")";
  if (size > kEntrySizeMax) {
    return std::to_string(size) + " bytes, more than a payload entry holds (" +
           std::to_string(kEntrySizeMax) + ")";
  }
  return std::string();
}

}  // namespace

std::string UpperName(const std::string& name) {
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return upper;
}

bool ReleaseOrder(const std::string& a, const std::string& b) {
  std::string left = UpperName(a);
  std::string right = UpperName(b);
  for (std::string* text : {&left, &right}) {
    for (char& c : *text) c = c == '\\' ? '\x01' : c;
  }
  return left < right;
}

bool IsSystemEntry(const std::string& name) {
  size_t slash = name.find('\\');
  return slash != std::string::npos && name.find('\\', slash + 1) == std::string::npos &&
         UpperName(name.substr(0, slash)) == "SYSTEM";
}

std::string LastComponent(const std::string& name) {
  return name.substr(name.rfind('\\') + 1);
}

bool ReadReleaseTree(const std::string& root, bool version_file_written, ReleaseTree* tree,
                     std::string* error) {
  *tree = ReleaseTree();
  tree->root = root;
  std::error_code failure;
  if (!fs::is_directory(root, failure)) {
    *error = root + ": no folder";
    return false;
  }
  std::map<std::string, std::string> seen;  // upper-case name -> host path
  fs::recursive_directory_iterator walk(root, failure);
  for (; !failure && walk != fs::recursive_directory_iterator(); walk.increment(failure)) {
    const fs::directory_entry& entry = *walk;
    std::string relative = entry.path().lexically_relative(root).generic_string();
    std::string name = relative;
    for (char& c : name) c = c == '/' ? '\\' : c;
    std::string path = entry.path().string();
    std::string fault = NameFault(name);
    if (!fault.empty()) {
      *error = path + ": " + fault;
      return false;
    }
    auto twin = seen.find(UpperName(name));
    if (twin != seen.end()) {
      *error = path + ": its name differs from " + twin->second +
               " only in case, and Windows takes them for one";
      return false;
    }
    seen[UpperName(name)] = path;
    bool folder = false;
    fault = EntryFault(entry, &folder);
    if (!fault.empty()) {
      *error = path + ": " + fault;
      return false;
    }
    size_t slash = name.find('\\');
    if (slash != std::string::npos && UpperName(name.substr(0, slash)) == "SYSTEM" &&
        (folder || !IsSystemEntry(name))) {
      *error = path + ": the setup installs only the files directly in SYSTEM, no folders";
      return false;
    }
    std::string upper = UpperName(name);
    if (folder) {
      tree->folders.push_back(name);
    } else if (upper == "IDB\\MAIN.IDX") {
      tree->database = path;
    } else if (upper != "UPDATE.LOG" && upper != "DUNZIPNT.DLL" && upper != "IDB\\MAIN.IND" &&
               !(version_file_written && upper == "VERSION.INF")) {
      tree->files.push_back({name, path});
    }
  }
  if (failure) {
    *error = root + ": cannot be read whole (" + failure.message() + ")";
    return false;
  }
  if (tree->database.empty()) {
    *error = root + ": no release of the client: IDB\\MAIN.IDX is missing";
    return false;
  }
  std::sort(tree->files.begin(), tree->files.end(),
            [](const TreeFile& a, const TreeFile& b) { return ReleaseOrder(a.name, b.name); });
  std::sort(tree->folders.begin(), tree->folders.end(), ReleaseOrder);
  return true;
}
