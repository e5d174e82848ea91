// Extraction speed: the same large member (mixed text, zeros and random bytes, made here at run
// time) extracted by our dunzipnt.dll, inflated in memory by zlib alone (the whole deflated data
// in one call into a buffer made beforehand, with the CRC the library also checks: the floor
// extraction cannot go below) and extracted by Info-ZIP's `unzip -o`: runs alternate, and the
// median and range of each, in time and in processor time, and the ratios of the medians are
// printed. Targets: ours at least as fast as unzip (ratio <= 1.0) and within 1.2 times the raw
// inflate. Build with the host-release preset for figures that mean something.
//   extract_bench [MEGABYTES=200] [WORK_DIR=<build>/bench-data]
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "payload/extraction_library.h"
#include "platform/host/host_machine.h"
#include "platform/modules.h"
#include "unzip/dunzip.h"
#include "unzip/zip_records.h"

namespace fs = std::filesystem;

namespace {

const int kRuns = 5;
const uint32_t kSeed = 12345;

// The archive's bytes, its one member and where that member's data starts, found by the records
// code the library itself uses. False when the archive cannot be read or is not a deflated member.
bool ReadArchive(const std::string& path, std::vector<uint8_t>* bytes, ZipMember* member,
                 uint32_t* data_offset) {
  std::ifstream in(path, std::ios::binary);
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  uint32_t size = static_cast<uint32_t>(bytes->size());
  uint32_t tail = size < kEndRecordSize + kEndCommentMax ? size : kEndRecordSize + kEndCommentMax;
  ZipEndRecord end;
  return in.good() && bytes->size() == size &&
         FindEndRecord(bytes->data() + size - tail, tail, size, &end) == kUnzipOk &&
         ParseCentralEntry(bytes->data() + end.central_offset, end.central_size, member) ==
             kUnzipOk &&
         member->method == 8 &&  // deflated
         static_cast<uint64_t>(member->local_offset) + kLocalHeaderSize <= end.central_offset &&
         ParseLocalHeader(bytes->data() + member->local_offset, *member, end, data_offset) ==
             kUnzipOk;
}

// Inflates the member's data in one call into out (unpacked_size bytes) and checks its CRC.
bool InflateInMemory(const uint8_t* packed, const ZipMember& member, uint8_t* out) {
  z_stream stream = {};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
  stream.next_in = const_cast<uint8_t*>(packed);
  stream.avail_in = member.packed_size;
  stream.next_out = out;
  stream.avail_out = member.unpacked_size;
  int status = inflate(&stream, Z_FINISH);
  bool whole = status == Z_STREAM_END && stream.avail_out == 0;
  inflateEnd(&stream);
  return whole && crc32(crc32(0, Z_NULL, 0), out, member.unpacked_size) == member.crc;
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
  std::vector<uint8_t> packed;
  ZipMember member;
  uint32_t data_offset = 0;
  if (!ReadArchive(archive, &packed, &member, &data_offset)) {
    fprintf(stderr, "extract_bench: cannot read the member of %s\n", archive.c_str());
    return 1;
  }
  std::vector<uint8_t> inflated(member.unpacked_size);
  std::string archive_path = WindowsPath(archive);
  std::string output_path = WindowsPath(work + "/ours");
  std::vector<double> ours, ours_processor, raw, raw_processor, theirs, theirs_processor;
  for (int run = 0; run < kRuns; ++run) {
    UnzipRequest request;
    FillExtractionRequest(&request, archive_path.c_str(), output_path.c_str());
    auto start = std::chrono::steady_clock::now();
    double processor = ProcessorSeconds();
    int32_t result = entry(&request);
    ours_processor.push_back(ProcessorSeconds() - processor);
    ours.push_back(Seconds(start));
    if (result != kUnzipOk) {
      fprintf(stderr, "extract_bench: dunzip answered %d\n", result);
      return 1;
    }
    // Written before each run, untimed: the fork that starts unzip leaves the buffer's pages
    // copy-on-write, and the first write to each would otherwise cost a fault in the timing.
    std::fill(inflated.begin(), inflated.end(), 0);
    start = std::chrono::steady_clock::now();
    processor = ProcessorSeconds();
    bool inflated_ok = InflateInMemory(packed.data() + data_offset, member, inflated.data());
    raw_processor.push_back(ProcessorSeconds() - processor);
    raw.push_back(Seconds(start));
    if (!inflated_ok) {
      fprintf(stderr, "extract_bench: zlib could not inflate the member\n");
      return 1;
    }
    Measured unzip = MeasureCommand("unzip -o -qq '" + archive + "' -d '" + work + "/theirs'");
    if (unzip.seconds < 0) {
      fprintf(stderr, "extract_bench: unzip failed\n");
      return 1;
    }
    theirs.push_back(unzip.seconds);
    theirs_processor.push_back(unzip.processor_seconds);
  }
  PlatFreeLibrary(module);
  HostMachineClose();
  bool same = fs::file_size(work + "/ours/MIXED.DAT") == fs::file_size(work + "/theirs/MIXED.DAT");
  printf("member: %zu MB, archive %ju bytes\n", megabytes,
         static_cast<uintmax_t>(fs::file_size(archive)));
  Spread our_spread = SpreadOf(ours);
  Spread raw_spread = SpreadOf(raw);
  Spread their_spread = SpreadOf(theirs);
  Spread our_cpu = SpreadOf(ours_processor);
  Spread raw_cpu = SpreadOf(raw_processor);
  printf("%d alternating runs\n", kRuns);
  printf("dunzipnt.dll  %s, processor %s\n", Describe(our_spread, "s").c_str(),
         Describe(our_cpu, "s").c_str());
  printf("zlib inflate  %s, processor %s\n", Describe(raw_spread, "s").c_str(),
         Describe(raw_cpu, "s").c_str());
  printf("unzip -o      %s, processor %s\n", Describe(their_spread, "s").c_str(),
         Describe(SpreadOf(theirs_processor), "s").c_str());
  printf("ratio ours/inflate: %.2f (processor %.2f)\n", our_spread.median / raw_spread.median,
         our_cpu.median / raw_cpu.median);
  printf("ratio ours/unzip: %.2f%s\n", our_spread.median / their_spread.median,
         same ? "" : "   (outputs differ in size!)");
  return same ? 0 : 1;
}
