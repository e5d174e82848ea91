// The Wine mode of merge_bench: the real SETUP.EXE merging SMALL records into a MAIN.IDX of SMALL
// records (half of them replacing records, as in the host mode) against the same run with a merge
// file of no records, both silent (-S -X PAYLOAD -P C:\VELNET) in one fresh Wine session.
//   - The build is the one the Wine suite runs here (tests/e2e/wine/wine_build.sh: win32, or
//     win64 where the kernel runs no 32-bit programs); it is built (setup and dunzipnt) first.
//   - Runs alternate; every run must end with status 0, leave no MERGE.DB and no journal, and
//     leave MAIN.IDX byte for byte as the host setup leaves it (the empty merge: untouched).
//   - Printed: the median and range of each, and the merge per record (the difference of paired
//     runs over SMALL; target 0.05 ms).
//   - Then one run of each under WINEDEBUG=+relay: the calls SETUP.EXE itself makes (those whose
//     return address lies in its image), counted per API, the merge less the empty merge, per
//     merged record: all Win32 calls (target 8) and FlushFileBuffers (target 0.01), and the APIs
//     that make up most of them.
//   merge_bench wine [SMALL=25000] [RUNS=5]
// VNT_BENCH_WINE_SETUP=<other SETUP.EXE of the same build> measures that one instead.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/merge_data.h"

namespace fs = std::filesystem;

namespace {

const int kRunSeconds = 600;           // the longest one run may take before it counts as failed
const double kPerRecordTarget = 0.05;  // ms
const double kCallsTarget = 8;
const double kFlushTarget = 0.01;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string Quoted(const std::string& text) {
  return "'" + text + "'";
}

// What the Wine runs need: the session, the program and what each run must leave.
struct WineBench {
  std::string session;  // the session's directory (env.sh, prefix/)
  std::string drive_c;
  std::string setup_exe;
  std::string main_idx;      // the main database each run starts from
  std::string merged_idx;    // MAIN.IDX as the host setup leaves it after the merge
  uint64_t image_start = 0;  // SETUP.EXE's image in memory
  uint64_t image_end = 0;
};

// The image of a PE file as loaded at its preferred base (SETUP.EXE has no relocations, so it
// loads there): false when the file is no PE image.
bool ImageRange(const std::string& path, uint64_t* start, uint64_t* end) {
  std::string bytes = ReadAll(path);
  auto u32 = [&bytes](size_t at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
  };
  if (bytes.size() < 0x40) return false;
  size_t pe = u32(0x3C);
  size_t optional = pe + 24;
  if (bytes.size() < optional + 64 || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
    return false;
  }
  int plus = static_cast<uint8_t>(bytes[optional]) == 0x0B && bytes[optional + 1] == 0x02;
  *start = plus ? (static_cast<uint64_t>(u32(optional + 28)) << 32 | u32(optional + 24))
                : u32(optional + 28);
  *end = *start + u32(optional + 56);
  return true;
}

// The command that runs SETUP.EXE silently with the payload C:\NAME.PAY into C:\VELNET.
std::string SetupCommand(const WineBench& bench, const std::string& payload) {
  return "bash " + Quoted(VNT_SOURCE_DIR "/bench/wine_run.sh") + " " + Quoted(bench.session) + " " +
         std::to_string(kRunSeconds) + " " + Quoted(bench.setup_exe) + " -S -X 'C:\\" + payload +
         ".PAY' -P 'C:\\VELNET' </dev/null";
}

// C:\VELNET with its IDB\MAIN.IDX as each run finds it.
void PrepareRun(const WineBench& bench) {
  std::string velnet = bench.drive_c + "/VELNET";
  fs::remove_all(velnet);
  fs::create_directories(velnet + "/IDB");
  fs::copy_file(bench.main_idx, velnet + "/IDB/MAIN.IDX");
  RunCommand("sync");
}

// What is wrong with what a run of the payload left ("" when nothing).
std::string CheckRun(const WineBench& bench, const std::string& payload) {
  std::string velnet = bench.drive_c + "/VELNET";
  if (fs::exists(velnet + "/IDB/MERGE.DB")) return "MERGE.DB is still there";
  if (fs::exists(velnet + "/VNTSETUP.RBK")) return "the journal is still there";
  std::string expected = ReadAll(payload == "MERGE" ? bench.merged_idx : bench.main_idx);
  if (ReadAll(velnet + "/IDB/MAIN.IDX") != expected) {
    return payload == "MERGE" ? "MAIN.IDX is not as the host setup leaves it"
                              : "MAIN.IDX changed without records to merge";
  }
  return "";
}

// One timed run; seconds < 0 (and a message) when it failed.
double TimedRun(const WineBench& bench, const std::string& payload) {
  PrepareRun(bench);
  Measured run = MeasureCommand(SetupCommand(bench, payload) + " >/dev/null 2>&1");
  std::string wrong =
      run.seconds < 0 ? "SETUP.EXE did not end with status 0" : CheckRun(bench, payload);
  if (wrong.empty()) return run.seconds;
  fprintf(stderr, "merge_bench wine: %s.PAY: %s (see %s/VELNET/update.log)\n", payload.c_str(),
          wrong.c_str(), bench.drive_c.c_str());
  return -1;
}

// One run under +relay: the calls SETUP.EXE makes, per "MODULE.Function". False when the run
// failed.
bool RelayRun(const WineBench& bench, const std::string& payload,
              std::map<std::string, double>* calls) {
  PrepareRun(bench);
  // Relay lines: "0024:Call KERNEL32.SetFilePointer(...) ret=14000a1b2".
  bool ran = ForEachOutputLine(
      "VNT_WINEDEBUG=+relay " + SetupCommand(bench, payload) + " 2>&1 >/dev/null",
      [&](const std::string& line) {
        size_t call = line.find(":Call ");
        size_t open = line.find('(', call);
        size_t ret = line.rfind(") ret=");
        if (call == std::string::npos || open == std::string::npos || ret == std::string::npos ||
            ret < open) {
          return;
        }
        std::string name = line.substr(call + 6, open - call - 6);
        if (name.find('.') == std::string::npos || name.find(' ') != std::string::npos) return;
        uint64_t address = strtoull(line.c_str() + ret + 6, nullptr, 16);
        if (address >= bench.image_start && address < bench.image_end) ++(*calls)[name];
      });
  std::string wrong = ran ? CheckRun(bench, payload) : "SETUP.EXE did not end with status 0";
  if (wrong.empty()) return true;
  fprintf(stderr, "merge_bench wine: %s.PAY under +relay: %s\n", payload.c_str(), wrong.c_str());
  return false;
}

// Builds SETUP.EXE and dunzipnt.dll of the build the Wine suite runs; false when it fails.
bool Build(const std::string& work, const std::string& build, std::string* setup_exe,
           std::string* library) {
  std::string source = VNT_SOURCE_DIR;
  std::string log = work + "/build.log";
  std::string command = "cd " + Quoted(source) + " && { { test -f build/" + build +
                        "/CMakeCache.txt || cmake --preset " + build +
                        "; } && cmake --build --preset " + build +
                        " -j2 --target setup dunzipnt; } >" + Quoted(log) + " 2>&1";
  *setup_exe = source + "/build/" + build + "/SETUP.EXE";
  *library = source + "/build/" + build + "/unzip/dunzipnt.dll";
  if (RunCommand(command) && fs::exists(*setup_exe) && fs::exists(*library)) return true;
  fprintf(stderr, "merge_bench wine: the %s build failed (see %s)\n", build.c_str(), log.c_str());
  return false;
}

// The payloads in C:\: MERGE.PAY with the case's merge file, EMPTY.PAY with one of no records,
// both carrying the build's own dunzipnt.dll.
bool MakePayloads(const std::string& work, const std::string& case_dir, const std::string& library,
                  const std::string& drive_c) {
  std::string manifest =
      "[payload]\nlibrary = yes\n\n[header]\nframe_title = Velnet Setup\n\n[files]\n"
      "IDB\\MERGE.DB = ";
  std::ofstream(work + "/merge.ini", std::ios::trunc) << manifest << "MERGE.DB\n";
  std::ofstream(work + "/empty.ini", std::ios::trunc) << manifest << "EMPTY.DB\n";
  fs::copy_file(case_dir + "/MERGE.DB", work + "/MERGE.DB", fs::copy_options::overwrite_existing);
  if (!WriteDatabase(work + "/EMPTY.DB", {}, 0)) return false;
  for (const char* name : {"merge", "empty"}) {
    std::string upper = name[0] == 'm' ? "MERGE" : "EMPTY";
    if (!RunCommand(Quoted(VNTPACK_PROGRAM) + " build " + Quoted(work + "/" + name + ".ini") +
                    " -o " + Quoted(drive_c + "/" + upper + ".PAY") + " --library " +
                    Quoted(library) + " >/dev/null")) {
      return false;
    }
  }
  return true;
}

// The APIs whose calls per merged record make up most of the difference, largest first.
std::string Largest(const std::map<std::string, double>& per_record) {
  std::vector<std::pair<double, std::string>> sorted;
  for (const auto& [name, count] : per_record) sorted.push_back({count, name});
  std::sort(sorted.rbegin(), sorted.rend());
  std::string text;
  for (size_t i = 0; i < sorted.size() && i < 8 && sorted[i].first >= 0.005; ++i) {
    char item[96];
    snprintf(item, sizeof item, "%s%s %.3f", i == 0 ? "" : ", ", sorted[i].second.c_str(),
             sorted[i].first);
    text += item;
  }
  return text;
}

int Measure(const WineBench& bench, uint32_t small, int runs, const std::string& build) {
  Case merge = {"merge", small, small, {}, {}, {}};
  Case empty = {"empty", small, 0, {}, {}, {}};
  for (int run = 0; run < runs; ++run) {
    for (Case* c : {&empty, &merge}) {
      double seconds = TimedRun(bench, c == &merge ? "MERGE" : "EMPTY");
      if (seconds < 0) return 1;
      c->seconds.push_back(seconds);
    }
  }
  printf("SETUP.EXE (%s build) under Wine, %d alternating runs; %u into %u against 0 into %u\n",
         build.c_str(), runs, small, small, small);
  std::string merging = std::to_string(small) + " into " + std::to_string(small);
  std::string nothing = "0 into " + std::to_string(small);
  printf("%-44s %s\n", merging.c_str(), Describe(SpreadOf(merge.seconds), "s").c_str());
  printf("%-44s %s\n", nothing.c_str(), Describe(SpreadOf(empty.seconds), "s").c_str());
  Row("merge per record (Wine)", SpreadOf(Differences(merge.seconds, empty.seconds, small)), "ms",
      1e3, kPerRecordTarget);

  std::map<std::string, double> merged;
  std::map<std::string, double> unmerged;
  if (!RelayRun(bench, "EMPTY", &unmerged) || !RelayRun(bench, "MERGE", &merged)) return 1;
  std::map<std::string, double> per_record;
  double total = 0;
  for (auto& [name, count] : merged) per_record[name] = count;
  for (auto& [name, count] : unmerged) per_record[name] -= count;
  for (auto& [name, count] : per_record) {
    count /= small;
    total += count;
  }
  printf("relay count, one run each (calls SETUP.EXE makes; the merge less the empty merge):\n");
  Spread calls = {total, total, total};
  Row("Win32 calls per merged record", calls, "calls", 1, kCallsTarget);
  double flushes = per_record["KERNEL32.FlushFileBuffers"];
  Row("FlushFileBuffers per merged record", Spread{flushes, flushes, flushes}, "calls", 1,
      kFlushTarget);
  printf("  of which: %s\n", Largest(per_record).c_str());
  return 0;
}

}  // namespace

int MergeWine(int argc, char** argv) {
  uint32_t small = argc > 1 ? static_cast<uint32_t>(strtoul(argv[1], nullptr, 10)) : 25000;
  int runs = argc > 2 ? atoi(argv[2]) : 5;
  if (small == 0 || small > 1000000 || runs < 1) {
    fprintf(stderr, "usage: merge_bench wine [SMALL (1-1000000)] [RUNS]\n");
    return 2;
  }
  std::string work = fs::absolute(BENCH_WORK_DIR "/merge-wine").lexically_normal().string();
  fs::create_directories(work);
  std::string build;
  if (!ForEachOutputLine("bash " + Quoted(VNT_SOURCE_DIR "/tests/e2e/wine/wine_build.sh"),
                         [&build](const std::string& line) { build = line; }) ||
      (build != "win32" && build != "win64")) {
    fprintf(stderr, "merge_bench wine: wine_build.sh named no build\n");
    return 1;
  }
  WineBench bench;
  std::string library;
  if (!Build(work, build, &bench.setup_exe, &library)) return 1;
  const char* other = getenv("VNT_BENCH_WINE_SETUP");  // another SETUP.EXE, for comparisons
  if (other != nullptr && other[0] != '\0') bench.setup_exe = other;
  if (!ImageRange(bench.setup_exe, &bench.image_start, &bench.image_end)) {
    fprintf(stderr, "merge_bench wine: %s is no PE image\n", bench.setup_exe.c_str());
    return 1;
  }
  // The case's databases, and MAIN.IDX as the host setup leaves it after their merge.
  std::string host_work = fs::absolute(BENCH_WORK_DIR "/merge").lexically_normal().string();
  Case reference = {"small", small, small, {}, {}, {}};
  if (!MakeCase(host_work, reference) || !RunCase(host_work, &reference)) return 1;
  std::string case_dir = host_work + "/small";
  bench.main_idx = case_dir + "/MAIN.IDX";
  bench.merged_idx = work + "/MERGED.IDX";
  fs::copy_file(case_dir + "/machine/C/VELNET/IDB/MAIN.IDX", bench.merged_idx,
                fs::copy_options::overwrite_existing);

  bench.session = work + "/session";
  bench.drive_c = bench.session + "/prefix/drive_c";
  std::string session_script = Quoted(VNT_SOURCE_DIR "/tests/e2e/wine/wine_session.sh");
  if (!RunCommand("bash " + session_script + " start " + Quoted(bench.session) + " " + build +
                  " >" + Quoted(work + "/session.out") + " 2>&1")) {
    fprintf(stderr, "merge_bench wine: no Wine session (see %s/session.out)\n", work.c_str());
    RunCommand("bash " + session_script + " stop " + Quoted(bench.session));
    return 1;
  }
  int status =
      MakePayloads(work, case_dir, library, bench.drive_c)
          ? Measure(bench, small, runs, build)
          : (fprintf(stderr, "merge_bench wine: vntpack could not pack the payloads\n"), 1);
  RunCommand("bash " + session_script + " stop " + Quoted(bench.session));
  return status;
}
