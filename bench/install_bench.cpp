// Installation speed: 2,000 files of mixed data, 300 MB in 20 folders (made here at run time),
// installed by the host `setup -X PAYLOAD -P C:\VELNET` on a simulated machine, against the same
// files extracted by Info-ZIP's `unzip -o` from one archive: runs alternate, and the median and
// range of each and the ratio of the medians are printed (target 0.9). Every payload file is then
// compared byte for byte between the two. Build with host-release; a tmpfs WORK_DIR gives the
// steadiest figures.
//   install_bench [FILES=2000] [MEGABYTES=300] [WORK_DIR=<build>/bench-data/install]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "database/db_format.h"

namespace fs = std::filesystem;

namespace {

const int kRuns = 5;
const uint32_t kFolders = 20;
const uint32_t kMaxFiles = 9999;  // the file names have four digits
// One file in kLargeEvery is large; together the large files hold kLargeShare of the bytes.
const uint32_t kLargeEvery = 20;
const double kLargeShare = 0.8;

struct BenchFile {
  std::string name;  // the entry name, FOLDER\NAME
  uint64_t bytes;
};

// The name of folder number n: DIRnn.
std::string FolderName(uint32_t n) {
  char name[16];
  snprintf(name, sizeof name, "DIR%02u", n);
  return name;
}

// The files: small ones of varied sizes and every kLargeEvery-th a large one, adding up to the
// total; names DIRnn\FILEnnnn.DAT.
std::vector<BenchFile> PlanFiles(uint32_t count, uint64_t total) {
  uint32_t large = (count + kLargeEvery - 1) / kLargeEvery;
  uint32_t small = count - large;
  uint64_t large_bytes = static_cast<uint64_t>(static_cast<double>(total) * kLargeShare);
  uint64_t small_average = small == 0 ? 0 : (total - large_bytes) / small;
  std::vector<BenchFile> files;
  uint64_t planned = 0;
  for (uint32_t i = 0; i < count; ++i) {
    char name[24];
    snprintf(name, sizeof name, "FILE%04u.DAT", i);
    uint64_t bytes = i % kLargeEvery == 0 ? large_bytes / large
                                          : small_average / 2 + (i * 7919u) % (small_average + 1);
    files.push_back({FolderName(i % kFolders) + "\\" + name, bytes});
    planned += bytes;
  }
  if (planned < total) files.back().bytes += total - planned;
  return files;
}

// The file's path under the manifest's folder: files/FOLDER/NAME.
std::string SourcePath(const BenchFile& file) {
  std::string name = file.name;
  for (char& c : name) {
    if (c == '\\') c = '/';
  }
  return "files/" + name;
}

// Makes the files, their manifest and payload (packed by vntpack, the host dunzipnt.dll first),
// and their archive, unless a run with the same figures made them already.
bool MakeData(const std::string& work, const std::vector<BenchFile>& files, uint64_t total) {
  std::string stamp = work + "/made.txt";
  std::string figures = std::to_string(files.size()) + " files, " + std::to_string(total) + "\n";
  std::ifstream old_stamp(stamp);
  std::string old_figures((std::istreambuf_iterator<char>(old_stamp)), {});
  if (old_figures == figures) return true;

  printf("making %zu files of %ju bytes in all, their payload and archive, in %s\n", files.size(),
         static_cast<uintmax_t>(total), work.c_str());
  fs::remove_all(work + "/files");
  std::ofstream manifest(work + "/bench.ini", std::ios::trunc);
  manifest
      << "[payload]\nlibrary = yes\n\n[header]\nframe_title = Velnet Setup\n\n[dest_subdirs]\n";
  for (uint32_t folder = 0; folder < kFolders; ++folder) {
    manifest << FolderName(folder) << "\n";
  }
  manifest << "\n[files]\n";
  for (size_t i = 0; i < files.size(); ++i) {
    std::string path = work + "/" + SourcePath(files[i]);
    fs::create_directories(fs::path(path).parent_path());
    if (!WriteMixedFile(path, files[i].bytes, static_cast<uint32_t>(i + 1))) return false;
    manifest << files[i].name << " = " << SourcePath(files[i]) << "\n";
  }
  manifest.close();
  if (!manifest ||
      !RunCommand("'" VNTPACK_PROGRAM "' build '" + work + "/bench.ini' -o '" + work +
                  "/BENCH.PAY' --for-host -q") ||
      !RunCommand("rm -f '" + work + "/files.zip' && cd '" + work +
                  "/files' && zip -q -r -9 -X ../files.zip .")) {
    return false;
  }
  std::ofstream(stamp, std::ios::trunc) << figures;
  return true;
}

// 1 when both files exist and hold the same bytes.
bool SameFile(const std::string& a, const std::string& b) {
  std::ifstream left(a, std::ios::binary);
  std::ifstream right(b, std::ios::binary);
  if (!left || !right) return false;
  std::vector<char> one(1 << 16);
  std::vector<char> two(1 << 16);
  for (;;) {
    left.read(one.data(), static_cast<std::streamsize>(one.size()));
    right.read(two.data(), static_cast<std::streamsize>(two.size()));
    if (left.gcount() != right.gcount() ||
        !std::equal(one.begin(), one.begin() + left.gcount(), two.begin())) {
      return false;
    }
    if (left.gcount() == 0) return true;
  }
}

// Every payload file installed and unzipped with the same bytes, and unzip made no other file.
bool SameInstalled(const std::vector<BenchFile>& files, const std::string& installed,
                   const std::string& unzipped) {
  for (const BenchFile& file : files) {
    std::string name = SourcePath(file).substr(6);  // without "files/"
    if (!SameFile(installed + "/" + name, unzipped + "/" + name)) {
      fprintf(stderr, "install_bench: %s differs\n", name.c_str());
      return false;
    }
  }
  size_t unzipped_files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(unzipped)) {
    unzipped_files += entry.is_regular_file() ? 1 : 0;
  }
  return unzipped_files == files.size();
}

// A main database with no records: the current form's file header.
std::string EmptyMainDatabase() {
  std::string header(kDbSignature, sizeof kDbSignature);
  for (int shift = 0; shift < 32; shift += 8) header += static_cast<char>(kDbMainKind >> shift);
  return header + std::string(12, '\0');
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t count = argc > 1 ? static_cast<uint32_t>(strtoul(argv[1], nullptr, 10)) : 2000;
  uint64_t megabytes = argc > 2 ? strtoull(argv[2], nullptr, 10) : 300;
  std::string work = argc > 3 ? argv[3] : BENCH_WORK_DIR "/install";
  if (count == 0 || count > kMaxFiles || megabytes == 0 || megabytes > 2048) {
    fprintf(stderr, "usage: install_bench [FILES (1-%u)] [MEGABYTES (1-2048)] [WORK_DIR]\n",
            kMaxFiles);
    return 2;
  }
  work = fs::absolute(work).lexically_normal().string();
  fs::create_directories(work);
  uint64_t total = megabytes << 20;
  std::vector<BenchFile> files = PlanFiles(count, total);
  if (!MakeData(work, files, total)) {
    fprintf(stderr, "install_bench: cannot make the data in %s\n", work.c_str());
    return 1;
  }

  // A fresh machine for the installation, a folder for unzip.
  std::string machine = work + "/machine";
  std::string installed = machine + "/C/VELNET";
  std::string unzipped = work + "/unzipped";
  std::string setup = "VNT_MACHINE='" + machine + "' '" + SetupProgram(SETUP_PROGRAM) + "' -X '" +
                      WindowsPath(work + "/BENCH.PAY") +
                      "' -P 'C:\\VELNET' </dev/null >/dev/null 2>&1";
  std::string unzip = "unzip -o -qq '" + work + "/files.zip' -d '" + unzipped + "'";
  std::vector<double> ours;
  std::vector<double> theirs;
  for (int run = 0; run < kRuns; ++run) {
    MakeFreshMachine(machine);
    fs::remove_all(unzipped);
    // The installation ends by merging into the main database of the installation it updates.
    fs::create_directories(installed + "/IDB");
    std::ofstream(installed + "/IDB/MAIN.IDX", std::ios::binary) << EmptyMainDatabase();
    RunCommand("sync");
    double took = TimeCommand(setup);
    if (took < 0) {
      fprintf(stderr, "install_bench: setup failed (see update.log under %s/C)\n", machine.c_str());
      return 1;
    }
    ours.push_back(took);
    RunCommand("sync");
    took = TimeCommand(unzip);
    if (took < 0) {
      fprintf(stderr, "install_bench: unzip failed\n");
      return 1;
    }
    theirs.push_back(took);
  }
  bool same = SameInstalled(files, installed, unzipped);
  Spread setup_spread = SpreadOf(ours);
  Spread unzip_spread = SpreadOf(theirs);
  printf("payload: %u files, %ju MB in all; payload file %ju bytes, archive %ju bytes\n", count,
         static_cast<uintmax_t>(megabytes),
         static_cast<uintmax_t>(fs::file_size(work + "/BENCH.PAY")),
         static_cast<uintmax_t>(fs::file_size(work + "/files.zip")));
  printf("%d alternating runs\n", kRuns);
  printf("setup -P   %s\n", Describe(setup_spread, "s").c_str());
  printf("unzip -o   %s\n", Describe(unzip_spread, "s").c_str());
  printf("ratio setup/unzip: %.2f   target 0.9%s\n", setup_spread.median / unzip_spread.median,
         same ? "" : "   (the installed files differ!)");
  return same ? 0 : 1;
}
