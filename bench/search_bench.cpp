// Drive walk speed: the host `setup -X PAYLOAD` searching a C: drive of FOLDERS folders and
// FILES files (made here at run time, no installation among them, so every folder is walked),
// against `find -printf '%s %T@'` over the same tree. Runs alternate; prints the median and
// range of each and the ratio of the medians (target 1.2). Build with host-release.
//   search_bench [FOLDERS=20022] [FILES=200002] [RUNS=5] [WORK_DIR=<build>/bench-data/search]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"

namespace fs = std::filesystem;

namespace {

const uint32_t kTopFolders = 20;

// The tree under drive: kTopFolders folders, the other folders spread below them, the files
// spread over every folder; names in mixed case as a client's files come.
bool MakeTree(const std::string& drive, uint32_t folders, uint32_t files) {
  std::vector<std::string> made;
  for (uint32_t i = 0; i < folders; ++i) {
    char name[32];
    std::string path;
    if (i < kTopFolders) {
      snprintf(name, sizeof name, "/Top%02u", i);
      path = drive + name;
    } else {
      snprintf(name, sizeof name, "/Folder%05u", i);
      path = made[i % kTopFolders] + name;
    }
    if (!fs::create_directories(path)) return false;
    made.push_back(path);
  }
  for (uint32_t i = 0; i < files; ++i) {
    char name[32];
    snprintf(name, sizeof name, "/file%06u.dat", i);
    std::ofstream out(made[(i * 7919u) % made.size()] + name, std::ios::trunc);
    out << i;
    if (!out) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t folders = argc > 1 ? static_cast<uint32_t>(strtoul(argv[1], nullptr, 10)) : 20022;
  uint32_t files = argc > 2 ? static_cast<uint32_t>(strtoul(argv[2], nullptr, 10)) : 200002;
  int runs = argc > 3 ? atoi(argv[3]) : 5;
  std::string work = argc > 4 ? argv[4] : BENCH_WORK_DIR "/search";
  if (folders < kTopFolders || runs < 1) {
    fprintf(stderr, "usage: search_bench [FOLDERS (>= %u)] [FILES] [RUNS] [WORK_DIR]\n",
            kTopFolders);
    return 2;
  }
  work = fs::absolute(work).lexically_normal().string();
  std::string machine = work + "/machine";
  std::string stamp = work + "/made.txt";
  std::string figures = std::to_string(folders) + " " + std::to_string(files);
  std::ifstream old_stamp(stamp);
  std::string old_figures((std::istreambuf_iterator<char>(old_stamp)), {});
  if (old_figures != figures) {
    printf("making %u folders and %u files in %s\n", folders, files, machine.c_str());
    fs::remove_all(work);
    fs::create_directories(machine + "/C");
    std::ofstream(work + "/search.ini")
        << "[payload]\nlibrary = yes\n\n[header]\nframe_title = Velnet Setup\n\n[files]\n"
        << "README.TXT = search.ini\n";
    if (!MakeTree(machine + "/C", folders, files) ||
        !RunCommand("'" VNTPACK_PROGRAM "' build '" + work + "/search.ini' -o '" + work +
                    "/SEARCH.PAY' --for-host >/dev/null")) {
      fprintf(stderr, "search_bench: cannot make the tree in %s\n", work.c_str());
      return 1;
    }
    std::ofstream(stamp, std::ios::trunc) << figures;
  }
  // Nobody answers: after the search finds nothing the directory question is left with Exit,
  // and the run ends with 8, nothing to update.
  const int kNothingToUpdate = 8;
  std::string setup = "env VNT_MACHINE='" + machine + "' '" + SetupProgram(SETUP_PROGRAM) +
                      "' -X '" + WindowsPath(work + "/SEARCH.PAY") + "' </dev/null >/dev/null 2>&1";
  std::string find = "find '" + machine + "/C' -printf '%s %T@\\n' >/dev/null";
  std::vector<double> ours;
  std::vector<double> theirs;
  std::vector<double> our_processor;
  std::vector<double> their_processor;
  for (int run = 0; run < runs; ++run) {
    fs::remove(machine + "/transcript.txt");
    Measured walk = MeasureCommand(setup, kNothingToUpdate);
    Measured reference = MeasureCommand(find);
    if (walk.seconds < 0 || reference.seconds < 0) {
      fprintf(stderr, "search_bench: %s failed\n", walk.seconds < 0 ? "setup" : "find");
      return 1;
    }
    ours.push_back(walk.seconds);
    theirs.push_back(reference.seconds);
    our_processor.push_back(walk.processor_seconds);
    their_processor.push_back(reference.processor_seconds);
  }
  // The search ran to its end and found nothing: the directory question followed it.
  std::ifstream transcript(machine + "/transcript.txt");
  std::string text((std::istreambuf_iterator<char>(transcript)), {});
  size_t searched = text.find("dialog-close 202");
  if (searched == std::string::npos ||
      text.find("dialog-open 215", searched) == std::string::npos) {
    fprintf(stderr, "search_bench: the search did not walk the drive (see %s/transcript.txt)\n",
            machine.c_str());
    return 1;
  }
  Spread walk = SpreadOf(ours);
  Spread reference = SpreadOf(theirs);
  printf("%d alternating runs; %u folders, %u files\n", runs, folders, files);
  printf("setup (search)      %s\n", Describe(walk, "s").c_str());
  printf("find -printf        %s\n", Describe(reference, "s").c_str());
  printf("ratio setup/find: %.2f   target 1.2\n", walk.median / reference.median);
  Spread walk_processor = SpreadOf(our_processor);
  Spread reference_processor = SpreadOf(their_processor);
  printf("processor time: setup %s, find %s, ratio %.2f\n", Describe(walk_processor, "s").c_str(),
         Describe(reference_processor, "s").c_str(),
         walk_processor.median / reference_processor.median);
  return 0;
}
