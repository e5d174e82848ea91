// Extraction speed: the same large member (mixed text, zeros and random bytes, made here at run
// time) extracted by our dunzipnt.dll and by Info-ZIP's `unzip -o`: runs alternate, and the
// median and range of each and the ratio of the medians are printed. Target: ours at least as fast
// as unzip (ratio <= 1.0). Build with the host-release preset for figures that mean something.
//   extract_bench [MEGABYTES=200] [WORK_DIR=<build>/bench-data]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "payload/extraction_library.h"
#include "platform/host/host_machine.h"
#include "platform/modules.h"

namespace fs = std::filesystem;

namespace {

const int kRuns = 5;
const uint32_t kSeed = 12345;

}  // namespace

int main(int argc, char** argv) {
  size_t megabytes = argc > 1 ? strtoul(argv[1], nullptr, 10) : 200;
  std::string work = argc > 2 ? argv[2] : BENCH_WORK_DIR;
  fs::create_directories(work + "/machine");
  fs::create_directories(work + "/ours");
  if (megabytes == 0 || !HostMachineOpen((work + "/machine").c_str())) {
    fprintf(stderr, "usage: extract_bench [MEGABYTES] [WORK_DIR]\n");
    return 2;
  }
  std::string archive = work + "/mixed.zip";
  if (!fs::exists(archive) || fs::file_size(work + "/MIXED.DAT") != megabytes << 20) {
    printf("making %zu MB of mixed data and its archive in %s\n", megabytes, work.c_str());
    fs::remove(archive);
    std::string zip = "cd '" + work + "' && zip -q -X mixed.zip MIXED.DAT";
    if (!WriteMixedFile(work + "/MIXED.DAT", megabytes << 20, kSeed) || !RunCommand(zip)) {
      fprintf(stderr, "extract_bench: cannot make the archive\n");
      return 1;
    }
  }
  PlatModule module = PlatLoadLibrary(WindowsPath(DUNZIP_HOST_LIBRARY).c_str());
  UnzipEntryPoint entry =
      reinterpret_cast<UnzipEntryPoint>(PlatGetProcAddress(module, kUnzipEntryName));
  if (entry == nullptr) {
    fprintf(stderr, "extract_bench: cannot load %s\n", DUNZIP_HOST_LIBRARY);
    return 1;
  }
  std::string archive_path = WindowsPath(archive);
  std::string output_path = WindowsPath(work + "/ours");
  std::vector<double> ours;
  std::vector<double> theirs;
  for (int run = 0; run < kRuns; ++run) {
    UnzipRequest request;
    FillExtractionRequest(&request, archive_path.c_str(), output_path.c_str());
    auto start = std::chrono::steady_clock::now();
    int32_t result = entry(&request);
    double took = Seconds(start);
    if (result != kUnzipOk) {
      fprintf(stderr, "extract_bench: dunzip answered %d\n", result);
      return 1;
    }
    ours.push_back(took);
    took = TimeCommand("unzip -o -qq '" + archive + "' -d '" + work + "/theirs'");
    if (took < 0) {
      fprintf(stderr, "extract_bench: unzip failed\n");
      return 1;
    }
    theirs.push_back(took);
  }
  PlatFreeLibrary(module);
  HostMachineClose();
  bool same = fs::file_size(work + "/ours/MIXED.DAT") == fs::file_size(work + "/theirs/MIXED.DAT");
  printf("member: %zu MB, archive %ju bytes\n", megabytes,
         static_cast<uintmax_t>(fs::file_size(archive)));
  Spread our_spread = SpreadOf(ours);
  Spread their_spread = SpreadOf(theirs);
  printf("%d alternating runs\n", kRuns);
  printf("dunzipnt.dll  %s\n", Describe(our_spread, "s").c_str());
  printf("unzip -o      %s\n", Describe(their_spread, "s").c_str());
  printf("ratio ours/unzip: %.2f%s\n", our_spread.median / their_spread.median,
         same ? "" : "   (outputs differ in size!)");
  return same ? 0 : 1;
}
