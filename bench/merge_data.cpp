// The merge benchmark's data and host runs: the databases, the payloads packed by vntpack, a run
// of the host setup on a simulated machine with Windows, and the rows it prints.
#include "bench/merge_data.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "database/db_format.h"

namespace fs = std::filesystem;

namespace {

const uint32_t kGidBase = 0x00100000;

void PutU32(std::string* out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<char>(value >> shift));
}

}  // namespace

bool WriteDatabase(const std::string& path, const std::vector<uint32_t>& gids, uint32_t salt) {
  std::string bytes(kDbSignature, sizeof kDbSignature);
  PutU32(&bytes, kDbMainKind);
  bytes.append(12, '\0');
  for (uint32_t gid : gids) {
    uint32_t length = 16 + (gid * 13 + salt) % 64;
    uint32_t offset = static_cast<uint32_t>(bytes.size());
    bytes += "R2D2";
    PutU32(&bytes, gid);
    PutU32(&bytes, length);
    bytes.push_back('b');
    bytes.push_back(static_cast<char>(kDbFlagWritten));
    PutU32(&bytes, 0);
    PutU32(&bytes, 0);
    PutU32(&bytes, offset);
    for (uint32_t i = 0; i < length; ++i) bytes.push_back(static_cast<char>('a' + (gid + i) % 26));
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

std::vector<uint32_t> MainGids(uint32_t count) {
  std::vector<uint32_t> gids;
  for (uint32_t i = 0; i < count; ++i) gids.push_back(kGidBase + i);
  return gids;
}

// Even records replace a main record (7919 is prime to the counts used, so no GID repeats).
std::vector<uint32_t> MergeGids(uint32_t count, uint32_t main_count) {
  std::vector<uint32_t> gids;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t existing = main_count == 0 ? 0 : (uint64_t{i} * 7919) % main_count;
    gids.push_back(i % 2 == 0 && main_count != 0 ? kGidBase + static_cast<uint32_t>(existing)
                                                 : kGidBase + main_count + i);
  }
  return gids;
}

bool MakeCase(const std::string& work, const Case& c) {
  std::string dir = work + "/" + c.name;
  std::string stamp = dir + "/made.txt";
  // The payload carries the extraction library of the build: made again when vntpack is newer.
  std::string figures =
      std::to_string(c.main_records) + " " + std::to_string(c.merge_records) + " " +
      std::to_string(fs::last_write_time(VNTPACK_PROGRAM).time_since_epoch().count());
  std::ifstream old_stamp(stamp);
  std::string old_figures((std::istreambuf_iterator<char>(old_stamp)), {});
  if (old_figures == figures) return true;
  fs::create_directories(dir);
  std::ofstream(dir + "/merge.ini", std::ios::trunc)
      << "[payload]\nlibrary = yes\n\n[header]\nframe_title = Velnet Setup\n\n[files]\n"
      << "IDB\\MERGE.DB = MERGE.DB\n";
  if (!WriteDatabase(dir + "/MAIN.IDX", MainGids(c.main_records), 0) ||
      !WriteDatabase(dir + "/MERGE.DB", MergeGids(c.merge_records, c.main_records), 5) ||
      !RunCommand("'" VNTPACK_PROGRAM "' build '" + dir + "/merge.ini' -o '" + dir +
                  "/MERGE.PAY' --for-host >/dev/null")) {
    return false;
  }
  std::ofstream(stamp, std::ios::trunc) << figures;
  return true;
}

bool RunCase(const std::string& work, Case* c) {
  std::string dir = work + "/" + c->name;
  std::string machine = dir + "/machine";
  MakeFreshMachine(machine);
  fs::create_directories(machine + "/C/VELNET/IDB");
  fs::copy_file(dir + "/MAIN.IDX", machine + "/C/VELNET/IDB/MAIN.IDX");
  RunCommand("sync");
  Measured run = MeasureCommand(
      "env VNT_MACHINE='" + machine + "' '" + SetupProgram(SETUP_PROGRAM) + "' -X '" +
      WindowsPath(dir + "/MERGE.PAY") + "' -P 'C:\\VELNET' </dev/null >/dev/null 2>&1");
  if (run.seconds < 0 || fs::exists(machine + "/C/VELNET/IDB/MERGE.DB")) {
    fprintf(stderr, "merge_bench: setup failed in %s (see update.log under %s/C)\n",
            c->name.c_str(), machine.c_str());
    return false;
  }
  c->seconds.push_back(run.seconds);
  c->processor_seconds.push_back(run.processor_seconds);
  c->peak_bytes.push_back(static_cast<double>(run.peak_kilobytes) * 1024);
  return true;
}

std::vector<double> Differences(const std::vector<double>& a, const std::vector<double>& b,
                                double divisor) {
  std::vector<double> out;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) out.push_back((a[i] - b[i]) / divisor);
  return out;
}

void Row(const char* what, const Spread& spread, const char* unit, double scale, double target) {
  printf("%-44s %s   target %.3g %s, ratio %.2f\n", what, Describe(spread, unit, scale).c_str(),
         target, unit, spread.median * scale / target);
}
