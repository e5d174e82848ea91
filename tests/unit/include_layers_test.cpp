// The program's layers, read from its own includes: every include of a program folder points to
// its own folder or to a lower one (driver/ on top, the subsystems below it, the shared services
// and the extraction library below them, platform/ at the bottom), and no circle of files
// exists: a source file and its header count as one, and a source file's includes are what it
// calls (a header that includes another only borrows its types).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Higher ranks may include lower ones; the subsystems are held in one order so that no two of
// them ever include each other.
const std::map<std::string, int> kRank = {
    {"driver", 8}, {"search", 7},   {"database", 6}, {"payload", 5},  {"integration", 4},
    {"ui", 3},     {"services", 2}, {"unzip", 1},    {"platform", 0},
};

struct SourceUnit {
  std::string folder;
  std::set<std::string> includes;  // units, as "folder/name", included by either file
  std::set<std::string> calls;     // units whose headers the source file includes
};

// "folder/name" for a path below the source root, the extension dropped.
std::string UnitOf(const fs::path& relative) {
  return (relative.parent_path() / relative.stem()).generic_string();
}

std::map<std::string, SourceUnit> ReadProgramUnits() {
  std::map<std::string, SourceUnit> units;
  const fs::path root = VNT_SOURCE_DIR;
  for (const auto& [folder, rank] : kRank) {
    for (const auto& item : fs::recursive_directory_iterator(root / folder)) {
      std::string extension = item.path().extension().string();
      if (extension != ".h" && extension != ".cpp") continue;
      SourceUnit& unit = units[UnitOf(fs::relative(item.path(), root))];
      unit.folder = folder;
      std::ifstream text(item.path());
      for (std::string line; std::getline(text, line);) {
        const std::string kInclude = "#include \"";
        if (line.rfind(kInclude, 0) != 0) continue;
        std::string target =
            line.substr(kInclude.size(), line.find('"', kInclude.size()) - kInclude.size());
        if (target.find('/') == std::string::npos) continue;
        unit.includes.insert(UnitOf(target));
        if (extension == ".cpp") unit.calls.insert(UnitOf(target));
      }
    }
  }
  return units;
}

std::string FolderOf(const std::string& unit) {
  return unit.substr(0, unit.find('/'));
}

// Depth-first search; appends to circle the units of the first circle found.
bool FindCircle(const std::map<std::string, SourceUnit>& units, const std::string& unit,
                std::map<std::string, int>* state, std::vector<std::string>* path,
                std::vector<std::string>* circle) {
  (*state)[unit] = 1;
  path->push_back(unit);
  auto found = units.find(unit);
  if (found != units.end()) {
    for (const std::string& next : found->second.calls) {
      if (next == unit) continue;
      if ((*state)[next] == 1) {
        auto start = std::find(path->begin(), path->end(), next);
        circle->assign(start, path->end());
        return true;
      }
      if ((*state)[next] == 0 && FindCircle(units, next, state, path, circle)) return true;
    }
  }
  path->pop_back();
  (*state)[unit] = 2;
  return false;
}

TEST(IncludeLayers, EveryIncludePointsDownAndNoFilesFormACircle) {
  std::map<std::string, SourceUnit> units = ReadProgramUnits();
  ASSERT_GT(units.size(), 50u);
  for (const auto& [name, unit] : units) {
    for (const std::string& target : unit.includes) {
      std::string folder = FolderOf(target);
      if (folder == unit.folder) continue;
      auto rank = kRank.find(folder);
      // The program's own files include nothing from tools/, tests/ or other folders.
      ASSERT_NE(rank, kRank.end()) << name << " includes " << target;
      EXPECT_LT(rank->second, kRank.at(unit.folder)) << name << " includes " << target;
    }
  }
  std::map<std::string, int> state;
  for (const auto& [name, unit] : units) {
    std::vector<std::string> path;
    std::vector<std::string> circle;
    if (state[name] == 0 && FindCircle(units, name, &state, &path, &circle)) {
      std::string shown;
      for (const std::string& member : circle) shown += member + " -> ";
      ADD_FAILURE() << "circle: " << shown << circle.front();
      return;
    }
  }
}

}  // namespace
