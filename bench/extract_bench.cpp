// Extraction speed: the same large member (mixed text, zeros and random bytes, made here at run
// time) extracted by our dunzipnt.dll and by Info-ZIP's `unzip -o`; prints the best of three
// runs of each and the ratio. Target: ours at least as fast as unzip (ratio <= 1.0). Build with
// the host-release preset for figures that mean something.
//   extract_bench [MEGABYTES=200] [WORK_DIR=<build>/bench-data]
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "payload/extraction_library.h"
#include "platform/host/host_machine.h"
#include "platform/modules.h"

namespace fs = std::filesystem;

namespace {

const int kRuns = 3;

// Runs of text, zeros and pseudo-random bytes, written a megabyte at a time.
bool WriteMixedFile(const std::string& path, size_t megabytes) {
  static const char kWords[] = "Velnet client script data, line after line of text. ";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<char> chunk(1 << 20);
  uint32_t state = 12345;
  for (size_t mb = 0; mb < megabytes; ++mb) {
    for (size_t i = 0; i < chunk.size();) {
      state = state * 1664525u + 1013904223u;
      size_t run = 512 + (state >> 20) % 8192;
      int kind = static_cast<int>((state >> 8) % 3);
      for (size_t j = 0; j < run && i < chunk.size(); ++j, ++i) {
        state = kind == 2 ? state * 1664525u + 1013904223u : state;
        chunk[i] =
            kind == 0 ? kWords[j % (sizeof kWords - 1)] : (kind == 1 ? 0 : char(state >> 24));
      }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
  }
  return out.good();
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string WindowsPath(const std::string& host) {
  std::string path = "Z:" + fs::absolute(host).lexically_normal().string();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

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
    if (!WriteMixedFile(work + "/MIXED.DAT", megabytes) || system(zip.c_str()) != 0) {
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
  double ours = 1e9;
  double theirs = 1e9;
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
    ours = took < ours ? took : ours;
    std::string unzip = "unzip -o -qq '" + archive + "' -d '" + work + "/theirs'";
    start = std::chrono::steady_clock::now();
    int status = system(unzip.c_str());
    took = Seconds(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      fprintf(stderr, "extract_bench: unzip failed\n");
      return 1;
    }
    theirs = took < theirs ? took : theirs;
  }
  PlatFreeLibrary(module);
  HostMachineClose();
  bool same = fs::file_size(work + "/ours/MIXED.DAT") == fs::file_size(work + "/theirs/MIXED.DAT");
  printf("member: %zu MB, archive %ju bytes\n", megabytes,
         static_cast<uintmax_t>(fs::file_size(archive)));
  printf("dunzipnt.dll: %.3f s   unzip -o: %.3f s   ratio ours/unzip: %.2f%s\n", ours, theirs,
         ours / theirs, same ? "" : "   (outputs differ in size!)");
  return same ? 0 : 1;
}
