// A release tree of the client as installed: its files by entry name (relative paths with "\"),
// its folders, and its main database IDB\MAIN.IDX. A SYSTEM folder at the top stands for the
// files installed into the Windows system directory. Every name is checked to be one that a
// payload entry, a delete-list item and a manifest line can carry and that Windows can hold.
#pragma once

#include <string>
#include <vector>

struct TreeFile {
  std::string name;  // the entry name, in the tree's own spelling
  std::string path;  // the host file
};

struct ReleaseTree {
  std::string root;
  std::vector<TreeFile> files;       // in ReleaseOrder; the files the setup writes left out
  std::vector<std::string> folders;  // every folder by entry name, in ReleaseOrder
  std::string database;              // the host path of IDB\MAIN.IDX
};

// The longest entry name the builder writes: what one delete-list item holds.
const size_t kTreeNameMax = 127;

// Reads the tree at root. Left out as the setup's own: update.log and dunzipnt.dll at the top,
// VERSION.INF at the top when the setup writes it (version_file_written), IDB\MAIN.IDX (the
// database, merged rather than installed) and its companion index IDB\MAIN.ind. False with a
// message naming the file when root is no folder, has no IDB\MAIN.IDX, holds a name the payload
// cannot carry, two names that differ only in case, something neither file nor folder, or a
// folder inside SYSTEM.
bool ReadReleaseTree(const std::string& root, bool version_file_written, ReleaseTree* tree,
                     std::string* error);

// The name in upper case, the key by which names are compared.
std::string UpperName(const std::string& name);
// True when a is ordered before b: folder by folder, without regard to case.
bool ReleaseOrder(const std::string& a, const std::string& b);
// True for an entry installed into the system directory: one directly under SYSTEM.
bool IsSystemEntry(const std::string& name);
// The name's last component.
std::string LastComponent(const std::string& name);
