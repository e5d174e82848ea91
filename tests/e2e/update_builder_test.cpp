// The update builder proven by applying what it builds: for generated pairs of releases, the
// update made from OLD and NEW (vntpack update, then build) is installed by the host `setup -P`
// onto a machine holding OLD, and the installation must then hold NEW: every file byte for byte
// (SYSTEM files in the system directory), every folder, and NEW's live database records, apart
// from what the builder warns that a merge cannot do. Also the demo's update, which must install
// as the demo payload does, and the builder's refusals.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/support/archive_tools.h"
#include "tests/support/tool_test.h"
#include "tools/vntdb/database_writer.h"
#include "tools/vntdb/live_records.h"
#include "tools/vntpack/commands.h"
#include "tools/vntpack/member_archive.h"

namespace fs = std::filesystem;

namespace {

const int64_t kOldTime = 1600000000;  // 2020-09-13, the old release's files
const int64_t kNewTime = kOldTime + 86400;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

void WriteFile(const fs::path& path, const std::string& bytes, int64_t time) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  struct utimbuf times = {static_cast<time_t>(time), static_cast<time_t>(time)};
  utime(path.c_str(), &times);
}

// Every file below root by its upper-case relative path ("/" separators), with its bytes.
std::map<std::string, std::string> FilesBelow(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    files[Upper(fs::relative(entry.path(), root).generic_string())] =
        ReadHostFile(entry.path().string());
  }
  return files;
}

std::set<std::string> FoldersBelow(const fs::path& root) {
  std::set<std::string> folders;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_directory())
      folders.insert(Upper(fs::relative(entry.path(), root).generic_string()));
  }
  return folders;
}

// The names that differ between two file maps, each with a word on what differs.
std::string Differences(const std::map<std::string, std::string>& expected,
                        const std::map<std::string, std::string>& actual) {
  std::string out;
  for (const auto& file : expected) {
    auto found = actual.find(file.first);
    if (found == actual.end()) {
      out += " missing:" + file.first;
    } else if (found->second != file.second) {
      out += " differs:" + file.first;
    }
  }
  for (const auto& file : actual) {
    if (expected.count(file.first) == 0) out += " extra:" + file.first;
  }
  return out;
}

std::map<uint32_t, std::string> RecordsOf(const std::string& file) {
  std::vector<LiveRecord> records;
  uint32_t kind = 0;
  std::string error;
  EXPECT_TRUE(ReadLiveRecords(file, &records, &kind, &error)) << error;
  std::map<uint32_t, std::string> out;
  for (const LiveRecord& record : records) out[record.gid] = record.data;
  return out;
}

// One generated release: files by relative host path, with their bytes and times, the empty
// folders, and the records of IDB/MAIN.IDX.
struct Release {
  struct File {
    std::string bytes;
    int64_t time;
  };
  std::map<std::string, File> files;
  std::set<std::string> empty_folders;
  DatabaseLayout database;

  void Write(const fs::path& root) const {
    fs::create_directories(root / "IDB");
    for (const auto& file : files)
      WriteFile(root / file.first, file.second.bytes, file.second.time);
    for (const std::string& folder : empty_folders) fs::create_directories(root / folder);
    WriteFile(root / "IDB/MAIN.IDX", BuildDatabase(database), kOldTime);
  }
};

// The generator of release pairs: names of every kind a payload carries (blanks, punctuation,
// mixed case, long ones), contents from empty to several copy blocks, and every change between
// two releases that an update has to make.
class PairMaker {
 public:
  explicit PairMaker(uint32_t seed) : random_(seed) {}

  void Make(Release* old_release, Release* new_release, std::string* options) {
    MakeOld(old_release);
    MakeNew(*old_release, new_release);
    if (Chance(50)) *options += "write_version_file = 1\n";
    if (Chance(30)) {
      std::vector<std::string> top;
      for (const auto& file : new_release->files) {
        std::string upper = Upper(file.first);
        if (file.first.find('/') == std::string::npos && file.first.size() < 32 &&
            upper != "UPDATE.LOG" && upper != "DUNZIPNT.DLL" && upper != "VERSION.INF") {
          top.push_back(file.first);
        }
      }
      if (!top.empty()) *options += "guide_entry = " + top[Below(top.size())] + "\n";
    }
    if (Chance(30)) *options += "frame_title = \"Velnet \\\"Setup\\\"\\t\\\\ 2\"\n";
  }

 private:
  bool Chance(int percent) { return static_cast<int>(random_() % 100) < percent; }
  size_t Below(size_t count) { return random_() % count; }

  std::string Bytes(size_t size) {
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(random_());
    return out;
  }

  std::string Content() {
    int kind = static_cast<int>(random_() % 100);
    if (kind < 5) return std::string();
    if (kind < 75) return Bytes(1 + Below(300));
    if (kind < 95) return Bytes(300 + Below(5000));
    return MixedData(32768 + Below(40000), random_());
  }

  // A file or folder name no other name in the pair has, whatever the case.
  std::string Name(bool extension) {
    static const char kCharacters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-~!$%&()+,' {}^@";
    while (true) {
      size_t length = Chance(10) ? 20 + Below(30) : 1 + Below(10);
      std::string name;
      for (size_t i = 0; i < length; ++i) name += kCharacters[Below(sizeof kCharacters - 1)];
      if (extension) name += "." + std::string(1, kCharacters[Below(26)]) + "X" + "T";
      if (name.front() == ' ' || name.back() == ' ') continue;
      std::string base = Upper(name.substr(0, name.find('.')));
      if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" ||
          (base.size() == 4 &&
           (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0))) {
        continue;
      }
      if (used_.insert(Upper(name)).second && Upper(name) != "SYSTEM" && Upper(name) != "IDB") {
        return name;
      }
    }
  }

  std::string Folder(const std::vector<std::string>& folders) {
    return folders[Below(folders.size())];
  }

  // The name in the folder, or at the top where the path would pass 100 characters (the
  // builder takes at most 127).
  static std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.size() + name.size() >= 100 ? name : folder + "/" + name;
  }

  uint32_t NewGid() {
    static const uint32_t kBases[] = {0x00010000, 0x00030000, 0x01000000, 0x14000100};
    while (true) {
      uint32_t gid = kBases[Below(4)] + static_cast<uint32_t>(Below(4096));
      if (gids_.insert(gid).second) return gid;
    }
  }

  std::string RecordData() {
    int kind = static_cast<int>(random_() % 100);
    if (kind < 5) return std::string();
    if (kind < 97) return Bytes(1 + Below(200));
    return Bytes(20000 + Below(20000));  // a few of these pass a merge batch of 64000 bytes
  }

  DatabaseRecord Record(uint32_t gid, const std::string& data) {
    static const char kTypes[] = "abpt";
    static const uint8_t kFlags[] = {0x00, 0x20, 0x22, 0x10, 0x02};
    return MakeRecord(gid, data, kTypes[Below(4)], kFlags[Below(5)]);
  }

  void MakeOld(Release* release) {
    if (Chance(80)) {  // the client's program, by which the setup's drive scan finds a release
      release->files["DIZI.EXE"] = {Content(), kOldTime};
      used_.insert("DIZI.EXE");
    }
    folders_ = {""};
    for (size_t i = Below(4); i > 0; --i) {
      folders_.push_back(Join(Folder(folders_), Name(false)));
    }
    for (const std::string& folder : folders_) {
      for (size_t i = Below(folder.empty() ? 8 : 5) + (folder.empty() ? 2 : 0); i > 0; --i) {
        release->files[Join(folder, Name(Chance(80)))] = {Content(), kOldTime};
      }
    }
    if (Chance(60)) {
      for (size_t i = 1 + Below(3); i > 0; --i) {
        release->files["SYSTEM/VNTSYS" + std::to_string(system_++) + ".DLL"] = {Content(),
                                                                                kOldTime};
      }
    }
    if (Chance(20)) release->files["update.log"] = {"the log of the last setup", kOldTime};
    if (Chance(20)) release->files["dunzipnt.dll"] = {"an older extraction library", kOldTime};
    if (Chance(20)) release->files["IDB/MAIN.ind"] = {"the client's companion index", kOldTime};
    if (Chance(30)) release->files["VERSION.INF"] = {"[Application Information]\r\n", kOldTime};
    DatabaseLayout& database = release->database;
    database.form = Chance(15) ? kDbOlderForm : kDbCurrentForm;
    if (Chance(90)) {
      std::string version = Bytes(3 + Below(4));
      version[2] = static_cast<char>(Below(10));
      database.records.push_back(MakeRecord(kGidVersion, version, 'b', 0x20));
      gids_.insert(kGidVersion);
    }
    if (Chance(50)) {
      database.records.push_back(
          MakeRecord(kGidVersionText, "2." + std::to_string(Below(10)), 't'));
      gids_.insert(kGidVersionText);
    }
    for (size_t i = 5 + Below(20); i > 0; --i) {
      uint32_t gid = NewGid();
      if (Chance(10)) {  // an earlier record of the GID, superseded or not: the later one is live
        database.records.push_back(Record(gid, Bytes(Below(40))));
        if (Chance(50)) database.records.back().flags |= kDbFlagSuperseded;
      }
      database.records.push_back(Record(gid, RecordData()));
    }
  }

  void MakeNew(const Release& old_release, Release* release) {
    std::vector<std::string> gone_folders;
    for (size_t i = 1; i < folders_.size(); ++i) {
      if (Chance(15)) gone_folders.push_back(folders_[i] + "/");
    }
    for (const auto& file : old_release.files) {
      std::string name = file.first;
      std::string upper = Upper(name);
      if (upper == "UPDATE.LOG" || upper == "DUNZIPNT.DLL" || upper == "VERSION.INF" ||
          upper == "IDB/MAIN.IND") {
        continue;  // the new release has its own, or none
      }
      bool in_gone_folder = false;
      for (const std::string& gone : gone_folders)
        in_gone_folder |= name.compare(0, gone.size(), gone) == 0;
      int fate = static_cast<int>(random_() % 100);
      if (in_gone_folder || (fate >= 80 && name.compare(0, 7, "SYSTEM/") != 0) || fate >= 95) {
        continue;  // removed
      }
      Release::File kept = file.second;
      if (fate >= 55) {
        kept.bytes = Chance(30) && !kept.bytes.empty() ? Bytes(kept.bytes.size()) : Content();
        kept.time = kNewTime;
      }
      if (Chance(15)) {  // the new release spells its name otherwise
        size_t slash = name.rfind('/') + 1;
        name = name.substr(0, slash) + Upper(name.substr(slash));
      }
      release->files[name] = kept;
    }
    std::vector<std::string> folders;
    for (const std::string& folder : folders_) {
      bool gone = false;
      for (const std::string& prefix : gone_folders)
        gone |= (folder + "/").compare(0, prefix.size(), prefix) == 0;
      if (!gone) folders.push_back(folder);
    }
    for (size_t i = Below(3); i > 0; --i) folders.push_back(Join(Folder(folders), Name(false)));
    if (Chance(10)) release->empty_folders.insert(Join(Folder(folders), Name(false)));
    for (size_t i = Below(6); i > 0; --i) {
      release->files[Join(Folder(folders), Name(Chance(80)))] = {Content(), kNewTime};
    }
    if (Chance(30)) {
      release->files["SYSTEM/VNTSYS" + std::to_string(system_++) + ".DLL"] = {Content(), kNewTime};
    }
    if (Chance(20)) release->files["dunzipnt.dll"] = {"a newer extraction library", kNewTime};
    if (Chance(20))
      release->files["VERSION.INF"] = {"[Application Information]\r\nv\r\n", kNewTime};
    if (Chance(20)) release->files["IDB/Main.Ind"] = {"a newer companion index", kNewTime};
    DatabaseLayout& database = release->database;
    database.form = Chance(15) ? kDbOlderForm : kDbCurrentForm;
    std::map<uint32_t, std::string> live;
    for (const DatabaseRecord& record : old_release.database.records) {
      if ((record.flags & kDbFlagSuperseded) == 0) live[record.gid] = record.data;
    }
    for (const auto& record : live) {
      int fate = static_cast<int>(random_() % 100);
      if (fate < 10 && record.first != kGidVersion) continue;  // gone
      std::string data = record.second;
      if (record.first == kGidVersion) {
        data[1] = static_cast<char>(random_());
        data[2] = static_cast<char>(Below(10));
        if (Chance(20)) data[0] = static_cast<char>(random_());
      } else if (fate < 30 && !data.empty()) {
        data = Bytes(data.size());  // changed in place
      } else if (fate < 50) {
        data = RecordData();  // changed in length (or not at all)
      }
      database.records.push_back(Record(record.first, data));
    }
    if (live.count(kGidVersion) == 0 && Chance(50)) {
      database.records.push_back(MakeRecord(kGidVersion, Bytes(4), 'b', 0x20));
    }
    for (size_t i = Below(8); i > 0; --i)
      database.records.push_back(Record(NewGid(), RecordData()));
    std::shuffle(database.records.begin(), database.records.end(), random_);
  }

  std::mt19937 random_;
  std::set<std::string> used_;
  std::set<uint32_t> gids_;
  std::vector<std::string> folders_;
  int system_ = 0;
};

class UpdateBuilderTest : public ToolTest {
 protected:
  // A simulated machine at root with the release in C:\VELNET, its SYSTEM files in the system
  // directory C:\WINDOWS\SYSTEM, each with its time.
  static void InstallRelease(const fs::path& release, const fs::path& root) {
    fs::create_directories(root / "C/WINDOWS/SYSTEM");
    std::ofstream(root / "machine.ini") << "[machine]\nwindows_dir=C:\\WINDOWS\n";
    for (const auto& entry : fs::recursive_directory_iterator(release)) {
      std::string relative = fs::relative(entry.path(), release).generic_string();
      bool system = Upper(relative.substr(0, 7)) == "SYSTEM/";
      fs::path target =
          system ? root / "C/WINDOWS/SYSTEM" / relative.substr(7) : root / "C/VELNET" / relative;
      if (entry.is_directory()) {
        if (Upper(relative) != "SYSTEM") fs::create_directories(target);
        continue;
      }
      fs::create_directories(target.parent_path());
      fs::copy_file(entry.path(), target);
      fs::last_write_time(target, fs::last_write_time(entry.path()));
    }
  }

  // Runs the host setup on the machine: the payload (a host file, as a Z: path) installed into
  // C:\VELNET with -P. The exit status, with 0 for every run that installed.
  static int ApplyPayload(const fs::path& root, const std::string& payload) {
    std::string windows = "Z:" + payload;
    for (char& c : windows) c = c == '/' ? '\\' : c;
    std::string command = "VNT_MACHINE='" + root.string() + "' '" HOST_SETUP_PROGRAM "' -X '" +
                          windows + "' -P 'C:\\VELNET' </dev/null >/dev/null 2>&1";
    int status = system(command.c_str());
    if (!WIFEXITED(status)) return -1;
    // 7: installed, with a restart that nobody was there to agree to (a newer SYSTEM file).
    return WEXITSTATUS(status) == 7 ? 0 : WEXITSTATUS(status);
  }

  // Builds the update from old_tree to new_tree in-process, as vntpack update and vntpack build
  // do, into folder/update and folder/UPDATE.PAY.
  static bool BuildUpdate(const fs::path& folder, const std::string& options_text,
                          UpdateReport* report) {
    UpdateOptions options;
    options.old_tree = (folder / "old").string();
    options.new_tree = (folder / "new").string();
    options.output = (folder / "update").string();
    options.options_file = (folder / "options.ini").string();
    std::ofstream(options.options_file) << "[header]\n" << options_text;
    std::string error;
    if (!MakeUpdate(options, report, &error)) {
      ADD_FAILURE() << error;
      return false;
    }
    BuildOptions build;
    build.manifest = options.output + "/payload.ini";
    build.output = (folder / "UPDATE.PAY").string();
    build.library = DUNZIP_HOST_LIBRARY;
    build.for_host = true;
    ToolReport quiet;
    quiet.tool = "vntpack";
    quiet.verbosity = 0;
    return BuildCommand(build, &quiet) == 0;
  }

  // The files the setup writes itself, which the comparison passes over.
  static void DropSetupFiles(std::map<std::string, std::string>* files, bool version_file) {
    for (const char* name : {"UPDATE.LOG", "DUNZIPNT.DLL", "IDB/MAIN.IDX", "IDB/MAIN.IND"}) {
      files->erase(name);
    }
    if (version_file) files->erase("VERSION.INF");
  }

  // One pair: made, written, built, applied and compared.
  void ProvePair(uint32_t seed) {
    SCOPED_TRACE("pair " + std::to_string(seed) + " (rerun it alone with VNT_UPDATE_SEED=" +
                 std::to_string(seed) + " VNT_UPDATE_PAIRS=1)");
    fs::path folder = fs::path(dir_) / std::to_string(seed);
    Release old_release;
    Release new_release;
    std::string options;
    PairMaker(seed).Make(&old_release, &new_release, &options);
    old_release.Write(folder / "old");
    new_release.Write(folder / "new");
    UpdateReport report;
    ASSERT_TRUE(BuildUpdate(folder, options, &report));
    InstallRelease(folder / "old", folder / "machine");
    ASSERT_EQ(ApplyPayload(folder / "machine", (folder / "UPDATE.PAY").string()), 0)
        << ReadHostFile((folder / "machine/C/VELNET/update.log").string())
        << ReadHostFile((folder / "machine/C/update.log").string());

    // Every file of the new release, and no other, byte for byte; the emptied folders stay.
    bool version_file = options.find("write_version_file = 1") != std::string::npos;
    std::map<std::string, std::string> expected = FilesBelow(folder / "new");
    std::map<std::string, std::string> installed = FilesBelow(folder / "machine/C/VELNET");
    std::map<std::string, std::string> system_expected;
    for (auto file = expected.begin(); file != expected.end();) {
      if (file->first.compare(0, 7, "SYSTEM/") != 0) {
        ++file;
        continue;
      }
      system_expected[file->first.substr(7)] = file->second;
      file = expected.erase(file);
    }
    DropSetupFiles(&expected, version_file);
    DropSetupFiles(&installed, version_file);
    EXPECT_EQ(Differences(expected, installed), "");
    std::set<std::string> folders = FoldersBelow(folder / "machine/C/VELNET");
    for (const std::string& name : FoldersBelow(folder / "new")) {
      EXPECT_TRUE(name == "SYSTEM" || folders.count(name) == 1) << name;
    }

    // The system directory: the new release's system files; the old ones it lacks stay.
    size_t warnings = 0;
    for (const auto& file : FilesBelow(folder / "old/SYSTEM")) {
      if (system_expected.count(file.first) == 0) {
        system_expected[file.first] = file.second;
        ++warnings;
      }
    }
    EXPECT_EQ(Differences(system_expected, FilesBelow(folder / "machine/C/WINDOWS/SYSTEM")), "");

    // The new release's live records, except that a merge neither removes a record nor writes
    // an empty one: there the old release's record stays.
    std::map<uint32_t, std::string> old_records = RecordsOf((folder / "old/IDB/MAIN.IDX").string());
    std::map<uint32_t, std::string> records = RecordsOf((folder / "new/IDB/MAIN.IDX").string());
    for (auto record = records.begin(); record != records.end();) {
      auto old_record = old_records.find(record->first);
      bool same = old_record != old_records.end() && old_record->second == record->second;
      if (!record->second.empty() || same) {
        ++record;
        continue;
      }
      ++warnings;
      if (old_record != old_records.end()) {
        record->second = old_record->second;
        ++record;
      } else {
        record = records.erase(record);
      }
    }
    for (const auto& record : old_records) {
      if (records.insert(record).second) ++warnings;
    }
    EXPECT_TRUE(RecordsOf((folder / "machine/C/VELNET/IDB/MAIN.IDX").string()) == records);
    // And one each for a release without DIZI.EXE, and for an update that changes nothing.
    for (const char* tree : {"old", "new"})
      warnings += fs::exists(folder / tree / "DIZI.EXE") ? 0 : 1;
    if (report.files_added + report.files_changed + report.files_removed + report.records_added +
            report.records_changed + report.records_gone + report.folders_added ==
        0) {
      ++warnings;
    }
    EXPECT_EQ(report.warnings.size(), warnings);
    if (!HasFailure()) fs::remove_all(folder);
  }
};

TEST_F(UpdateBuilderTest, UpdatesBuiltFromGeneratedPairsInstallTheNewRelease) {
  const char* count_text = getenv("VNT_UPDATE_PAIRS");
  const char* seed_text = getenv("VNT_UPDATE_SEED");
  uint32_t count = count_text != nullptr ? static_cast<uint32_t>(atoi(count_text)) : 200;
  uint32_t first = seed_text != nullptr ? static_cast<uint32_t>(atoi(seed_text)) : 1;
  for (uint32_t seed = first; seed < first + count && !HasFailure(); ++seed) ProvePair(seed);
}

}  // namespace

TEST_F(UpdateBuilderTest, TheDemoUpdateInstallsAsTheDemoPayloadDoes) {
  const fs::path dir(dir_);
  ASSERT_EQ(
      Run(VNTPACK_PROGRAM, "update '" DEMO_DIRECTORY "/old' '" DEMO_DIRECTORY "/new' -o '" + dir_ +
                               "/update' --options '" DEMO_DIRECTORY "/update.ini' --payload '" +
                               dir_ + "/UPDATE.PAY' --for-host"),
      0)
      << errors_;
  // The update makes demo/new as it stands; the patterns for files the client makes itself
  // (the member's settings, old scripts) find none in the releases.
  EXPECT_EQ(errors_,
            "vntpack: warning: [carry_over] VNT.INI matches no file of either release; it keeps "
            "only a file the client makes itself\n"
            "vntpack: warning: [dest_deletes] SCRIPTS\\*.OLD matches no file of either release; it "
            "deletes only files the client makes itself\n");
  EXPECT_NE(output_.find("/update/payload.ini: 53 entries; 50 files added, 1 changed, 0 removed; 8 "
                         "records added, 4 changed, 0 gone; 2 warnings\n"),
            std::string::npos)
      << output_;
  EXPECT_NE(output_.find("/UPDATE.PAY: 53 entries, "), std::string::npos) << output_;
  ASSERT_EQ(Run(VNTPACK_PROGRAM, "verify '" + dir_ + "/UPDATE.PAY' --for-host"), 0) << errors_;
  EXPECT_NE(output_.find("/UPDATE.PAY: 53 entries, "), std::string::npos) << output_;
  ASSERT_EQ(Run(VNTPACK_PROGRAM,
                "build '" DEMO_DIRECTORY "/payload.ini' --for-host -o '" + dir_ + "/DEMO.PAY'"),
            0)
      << errors_;
  InstallRelease(DEMO_DIRECTORY "/old", dir / "by-update");
  InstallRelease(DEMO_DIRECTORY "/old", dir / "by-demo");
  ASSERT_EQ(ApplyPayload(dir / "by-update", dir_ + "/UPDATE.PAY"), 0);
  ASSERT_EQ(ApplyPayload(dir / "by-demo", dir_ + "/DEMO.PAY"), 0);

  // The same files in the installation and the Windows directory, the same registry and profile;
  // the log and the transcript list the entries in another order, and the main database holds
  // the same live records in another order.
  std::map<std::string, std::string> updated = FilesBelow(dir / "by-update");
  std::map<std::string, std::string> demo = FilesBelow(dir / "by-demo");
  for (auto* files : {&updated, &demo}) {
    for (const char* name : {"C/VELNET/UPDATE.LOG", "C/VELNET/IDB/MAIN.IDX", "TRANSCRIPT.TXT"}) {
      EXPECT_EQ(files->erase(name), 1u) << name;
    }
  }
  EXPECT_EQ(Differences(demo, updated), "");
  std::map<uint32_t, std::string> records =
      RecordsOf((dir / "by-update/C/VELNET/IDB/MAIN.IDX").string());
  EXPECT_TRUE(records == RecordsOf((dir / "by-demo/C/VELNET/IDB/MAIN.IDX").string()));

  // And that is demo/new, but for the member's phone list, which both payloads preserve.
  EXPECT_TRUE(records == RecordsOf(DEMO_DIRECTORY "/new/IDB/MAIN.IDX"));
  std::map<std::string, std::string> release = FilesBelow(DEMO_DIRECTORY "/new");
  release.erase("SYSTEM/VNTCTL32.DLL");
  release["VNTPHONE.DAT"] = ReadHostFile(DEMO_DIRECTORY "/old/VNTPHONE.DAT");
  std::map<std::string, std::string> installed = FilesBelow(dir / "by-update/C/VELNET");
  DropSetupFiles(&release, true);
  DropSetupFiles(&installed, true);
  EXPECT_EQ(Differences(release, installed), "");
  EXPECT_EQ(ReadHostFile((dir / "by-update/C/WINDOWS/SYSTEM/VNTCTL32.DLL").string()),
            ReadHostFile(DEMO_DIRECTORY "/new/SYSTEM/VNTCTL32.DLL"));
}

// A pair of small releases to spoil: old/ and new/ with a database each and one file.
class RefusalTest : public UpdateBuilderTest {
 protected:
  void PutDatabase(const std::string& name, const std::vector<DatabaseRecord>& records,
                   uint32_t kind = kDbMainKind) {
    DatabaseLayout layout;
    layout.kind = kind;
    layout.records = records;
    Put(name, BuildDatabase(layout));
  }
  void SetUp() override {
    UpdateBuilderTest::SetUp();
    MakeReleases();
  }
  // A file of size bytes that holds no data on the disk.
  void PutSparse(const std::string& name, uint64_t size) {
    Put(name, "");
    fs::resize_file(dir_ + "/" + name, size);
  }
  void MakeReleases() {
    for (const char* made : {"old", "new", "out", "o.ini"}) fs::remove_all(dir_ + "/" + made);
    for (const char* tree : {"old", "new"}) {
      PutDatabase(std::string(tree) + "/IDB/MAIN.IDX", {MakeRecord(kGidVersion, "\x01\x83\x02")});
      Put(std::string(tree) + "/VNT.EXE", tree);
    }
  }
  int Update(const std::string& more = "") {
    return Run(VNTPACK_PROGRAM,
               "update '" + dir_ + "/old' '" + dir_ + "/new' -o '" + dir_ + "/out' " + more);
  }
};

TEST_F(RefusalTest, TreesThatAreNoReleasesAreRefusedNamingTheFile) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
    std::string more;
    std::string message;
  };
  const std::string long_name(128, 'L');
  const std::vector<Case> cases = {
      {"no database", [&] { fs::remove(dir_ + "/new/IDB/MAIN.IDX"); }, "",
       "/new: no release of the client: IDB\\MAIN.IDX is missing"},
      {"no database file", [&] { Put("old/IDB/MAIN.IDX", "a text file"); }, "",
       "/old/IDB/MAIN.IDX: no database"},
      {"another kind", [&] { PutDatabase("new/IDB/MAIN.IDX", {}, 5); }, "",
       "/new/IDB/MAIN.IDX: of kind 0x00000005, not the main database's 0x01000401"},
      {"damaged",
       [&] {
         Put("new/IDB/MAIN.IDX",
             ReadHostFile(dir_ + "/new/IDB/MAIN.IDX") + std::string(30, 'x') + "R2D2");
       },
       "", "/new/IDB/MAIN.IDX: the records cannot be scanned"},
      {"record too long",
       [&] { PutDatabase("new/IDB/MAIN.IDX", {MakeRecord(7, std::string(70000, 'r'))}); }, "",
       "GID 0x00000007: 70000 data bytes, more than the setup reads"},
      {"wildcard", [&] { Put("new/A*B.TXT", "x"); }, "",
       "/new/A*B.TXT: a name that holds the character *"},
      {"not ASCII", [&] { Put("new/CAF\xC3\x89.TXT", "x"); }, "",
       "holds a character other than printable ASCII"},
      {"trailing dot", [&] { Put("old/SUB/NAME.", "x"); }, "",
       "/old/SUB/NAME.: a name that begins with a blank or ends"},
      {"device", [&] { Put("new/Com3.txt", "x"); }, "",
       "/new/Com3.txt: a name that is a device name of Windows"},
      {"equals", [&] { Put("new/A=B", "x"); }, "", "holds the character ="},
      {"comment", [&] { Put("new/#NOTES", "x"); }, "", "begins with \";\", \"#\" or \"[\""},
      {"too long", [&] { Put("new/" + long_name, "x"); }, "",
       "its name has 128 characters; at most 127"},
      {"case twins",
       [&] {
         Put("new/Read.me", "x");
         Put("new/READ.ME", "y");
       },
       "", "only in case"},
      {"folder in SYSTEM", [&] { Put("new/SYSTEM/SUB/X.DLL", "x"); }, "",
       "/new/SYSTEM/SUB: the setup installs only the files directly in SYSTEM"},
      {"file to folder",
       [&] {
         Put("old/DATA", "x");
         Put("new/DATA/X", "x");
       },
       "", "/old/DATA: a file where the new release has a folder"},
      {"folder to file",
       [&] {
         Put("old/DATA/X", "x");
         Put("new/DATA", "x");
       },
       "", "/new/DATA: a file where the old release has a folder"},
      {"merge file", [&] { Put("new/IDB/MERGE.DB", "x"); }, "",
       "/new/IDB/MERGE.DB: the name of the update's own merge database"},
      {"SYSTEM twin", [&] { Put("new/SYSTEM/VNT.EXE", "x"); }, "",
       "/new/SYSTEM/VNT.EXE: the setup extracts a SYSTEM file"},
      {"files in options", [&] { Put("o.ini", "[files]\nA = a\n"); },
       "--options '" + dir_ + "/o.ini'", "o.ini: [files] is made from the trees"},
      {"stamp in options", [&] { Put("o.ini", "[header]\ndb_version_stamp = 5\n"); },
       "--options '" + dir_ + "/o.ini'",
       "db_version_stamp is taken from the new release's version record"},
      {"bad options line", [&] { Put("o.ini", "[header]\nfly = 1\n"); },
       "--options '" + dir_ + "/o.ini'", "o.ini: line 2 [header]: unknown field fly"},
      {"bad setting", [] {}, "--set 'frame_title'", "--set frame_title: expected FIELD=VALUE"},
      {"unknown guide", [] {}, "--set guide_entry=GUIDE.TXT",
       "guide_entry GUIDE.TXT names no file of"},
      {"full output", [&] { Put("out/KEEP", "x"); }, "", "/out: not empty"},
      // Links of every kind are named with what they point to, loops included; nothing throws.
      {"link to a file", [&] { fs::create_symlink(dir_ + "/new/VNT.EXE", dir_ + "/new/L.EXE"); },
       "", "/new/L.EXE: a symbolic link to " + dir_ + "/new/VNT.EXE; give the file"},
      {"link loop", [&] { fs::create_symlink("LOOP", dir_ + "/new/LOOP"); }, "",
       "/new/LOOP: a symbolic link to LOOP"},
      {"folder loop",
       [&] {
         fs::create_directories(dir_ + "/old/SUB");
         fs::create_symlink("..", dir_ + "/old/SUB/UP");
       },
       "", "/old/SUB/UP: a symbolic link to .."},
      {"dangling link", [&] { fs::create_symlink("nowhere", dir_ + "/new/GONE"); }, "",
       "/new/GONE: a symbolic link to nowhere"},
      {"4 GB", [&] { PutSparse("new/BIG.DAT", 0xFFFFFFFFull); }, "",
       "/new/BIG.DAT: 4294967295 bytes, more than a payload entry holds (4294967294)"},
      {"4 GB and a byte", [&] { PutSparse("old/BIG.DAT", 0x100000001ull); }, "",
       "/old/BIG.DAT: 4294967297 bytes, more than"},
      {"clock device", [&] { Put("new/CLOCK$", "x"); }, "", "/new/CLOCK$: a name that is a device"},
      {"device before a blank", [&] { Put("new/SUB/CON .TXT", "x"); }, "",
       "/new/SUB/CON .TXT: a name that is a device"},
      {"device folder", [&] { Put("new/AUX/X.TXT", "x"); }, "",
       "/new/AUX: a name that is a device"},
      {"the journal", [&] { Put("new/VNTSETUP.RBK", "x"); }, "",
       "/new/VNTSETUP.RBK: a name that is the name of one of the setup's own files"},
      {"a file set aside", [&] { Put("old/SUB/~RB00001.RBK", "x"); }, "",
       "/old/SUB/~RB00001.RBK: a name that is the name of one of the setup's own files"},
      {"a temporary archive", [&] { Put("new/dec0001.tmp", "x"); }, "",
       "/new/dec0001.tmp: a name that is the name of one of the setup's own files"},
      {"case twins in a folder",
       [&] {
         Put("new/Sub/A.TXT", "x");
         Put("new/SUB/B.TXT", "y");
       },
       "", "only in case"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    MakeReleases();
    test.spoil();
    EXPECT_EQ(Update(test.more), 1) << output_;
    EXPECT_NE(errors_.find(test.message), std::string::npos) << errors_;
    EXPECT_FALSE(fs::exists(dir_ + "/out/payload.ini"));
  }
}

TEST_F(RefusalTest, WarningsNameWhatTheUpdateWillNotMake) {
  WriteFile(dir_ + "/old/SYSTEM/VNTCTL.DLL", "old control", kNewTime);
  WriteFile(dir_ + "/new/SYSTEM/VNTCTL.DLL", "new control", kNewTime);
  WriteFile(dir_ + "/old/SYSTEM/GONE.DLL", "gone", kOldTime);
  PutDatabase("new/IDB/MAIN.IDX", {MakeRecord(kGidVersion, "\x01\x84\x02"), MakeRecord(9, "")});
  ASSERT_EQ(Update("--set version_text=2.5 --set 'frame_title=\"A \\\"B\\\"\\t\\\\ C\"' "
                   "--for-host --payload '" +
                   dir_ + "/U.PAY'"),
            0)
      << errors_;
  for (const char* warning :
       {"vntpack: warning: SYSTEM\\VNTCTL.DLL changed but is not newer than the old release's copy",
        "vntpack: warning: SYSTEM\\GONE.DLL is gone from the new release; the setup leaves",
        "vntpack: warning: version_text \"2.5\" is written into the database as GID 0x14000044",
        "vntpack: warning: GID 0x00000009 is empty in the new database"}) {
    EXPECT_NE(errors_.find(warning), std::string::npos) << warning << "\n" << errors_;
  }
  std::string manifest = ReadHostFile(dir_ + "/out/payload.ini");
  EXPECT_NE(manifest.find("; warning: GID 0x00000009 is empty"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("db_version_stamp = 0x284\n"), std::string::npos);
  EXPECT_NE(manifest.find("[accepted_builds]\n0x283\n"), std::string::npos);
  ASSERT_EQ(Run(VNTPACK_PROGRAM, "list '" + dir_ + "/U.PAY'"), 0) << errors_;
  EXPECT_NE(output_.find("  0  dunzipnt.dll"), std::string::npos) << output_;
  EXPECT_NE(output_.find("  1  IDB\\MERGE.DB"), std::string::npos);
  EXPECT_NE(output_.find("  2  SYSTEM\\VNTCTL.DLL"), std::string::npos);
  EXPECT_NE(output_.find("version_text = \"2.5\""), std::string::npos);
  EXPECT_NE(output_.find("frame_title = \"A \\\"B\\\"\t\\\\ C\"\n"), std::string::npos);

  ASSERT_EQ(Run(VNTPACK_PROGRAM, "update --help"), 0);
  EXPECT_NE(output_.find("OLD and NEW are release trees"), std::string::npos) << output_;
}

// What the setup's runs of the update will not find or match is warned about, each on its own
// and only then: a release without DIZI.EXE (which the drive scan looks for), an item_program
// that names no file, carry-over and delete patterns that find no file of either release, an
// update that changes nothing. With --warnings-as-errors any of them ends the run with status 1,
// the manifest written for review but no payload built.
TEST_F(RefusalTest, WarningsNameWhatTheSetupWillNotFindOrMatch) {
  struct Case {
    const char* what;
    std::function<void()> spoil;
    std::string options;  // the options file's text
    std::string warning;  // empty: none at all
  };
  const std::vector<Case> cases = {
      {"a release", [] {}, "", ""},
      {"old without the program", [&] { fs::remove(dir_ + "/old/DIZI.EXE"); }, "",
       "/old has no DIZI.EXE at its top, the file by which the setup's drive scan finds an "
       "installation: this update finds it only through"},
      {"new without the program", [&] { fs::remove(dir_ + "/new/DIZI.EXE"); }, "",
       "/new has no DIZI.EXE at its top, the file by which the setup's drive scan finds an "
       "installation: once installed, the next update finds it only through"},
      {"the program in a folder",
       [&] {
         fs::remove(dir_ + "/new/DIZI.EXE");
         Put("new/BIN/DIZI.EXE", "x");
       },
       "", "/new has no DIZI.EXE at its top"},
      {"item program of the release", [] {}, "[header]\nitem_program = vnt.exe\n", ""},
      {"item program missing", [] {}, "[header]\nitem_program = VNTX.EXE\n",
       "item_program VNTX.EXE names no file of " + dir_ +
           "/new: the Program Manager item would "
           "start nothing"},
      {"item program in SYSTEM", [&] { Put("new/SYSTEM/V.DLL", "x"); },
       "[header]\nitem_program = SYSTEM\\V.DLL\n", "item_program SYSTEM\\V.DLL names no file"},
      {"preserving a file", [] {}, "[carry_over]\nVNT.* =\n", ""},
      {"preserving nothing", [] {}, "[carry_over]\nVNT.INI =\n",
       "[carry_over] VNT.INI matches no file of either release; it keeps only a file the client "
       "makes itself"},
      {"renaming a file", [] {}, "[carry_over]\n*.EXE = *.BAK\n", ""},
      {"renaming nothing", [] {}, "[carry_over]\n*.OLD = *.BAK\n",
       "[carry_over] *.OLD = *.BAK finds no file of the old release"},
      {"renaming a folder only", [&] { fs::create_directories(dir_ + "/old/DATA.OLD"); },
       "[carry_over]\n*.OLD = *.BAK\n", "[carry_over] *.OLD = *.BAK finds no file"},
      {"renaming outside", [] {}, "[carry_over]\n..\\VNT.INI = VNT.BAK\n",
       "[carry_over] ..\\VNT.INI leads out of the installation"},
      {"deleting a file", [] {}, "[dest_deletes]\n*.EXE\n", ""},
      {"deleting a new file", [&] { Put("new/SUB/NEW.TXT", "x"); }, "[dest_deletes]\nSUB\\*.TXT\n",
       ""},
      {"deleting nothing", [] {}, "[dest_deletes]\nSCRIPTS\\*.OLD\n",
       "[dest_deletes] SCRIPTS\\*.OLD matches no file of either release; it deletes only files "
       "the client makes itself"},
      {"deleting outside", [] {}, "[dest_deletes]\n..\\*.TXT\n",
       "[dest_deletes] ..\\*.TXT leads out of the installation; the setup passes over it"},
      {"the same releases", [&] { Put("new/VNT.EXE", "old"); }, "",
       "the two releases hold the same files, folders and records: the update changes nothing"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    MakeReleases();
    Put("old/DIZI.EXE", "program");
    Put("new/DIZI.EXE", "program");
    test.spoil();
    Put("o.ini", test.options);
    const std::string more = "--options '" + dir_ + "/o.ini' --payload '" + dir_ + "/U.PAY'";
    fs::remove(dir_ + "/U.PAY");
    EXPECT_EQ(Update(more + " --for-host"), 0) << errors_;
    if (test.warning.empty()) {
      EXPECT_EQ(errors_, "");
      EXPECT_NE(output_.find("; 0 warnings\n"), std::string::npos) << output_;
      continue;
    }
    EXPECT_EQ(errors_.find("vntpack: warning: "), 0u) << errors_;
    EXPECT_NE(errors_.find(test.warning), std::string::npos) << errors_;
    EXPECT_EQ(errors_.find("warning:", 10), std::string::npos) << errors_;  // that one alone
    EXPECT_NE(output_.find("; 1 warning\n"), std::string::npos) << output_;
    EXPECT_TRUE(fs::exists(dir_ + "/U.PAY"));
    MakeReleases();
    Put("old/DIZI.EXE", "program");
    Put("new/DIZI.EXE", "program");
    test.spoil();
    Put("o.ini", test.options);
    fs::remove(dir_ + "/U.PAY");
    EXPECT_EQ(Update(more + " --for-host --warnings-as-errors"), 1);
    EXPECT_NE(errors_.find("vntpack: error: 1 warning, treated as errors (--warnings-as-errors)"),
              std::string::npos)
        << errors_;
    EXPECT_TRUE(fs::exists(dir_ + "/out/payload.ini"));
    EXPECT_FALSE(fs::exists(dir_ + "/U.PAY"));
  }
}

// The same trees give the same update, whenever it is made: the merge database, which the
// builder makes itself, takes the time of the new release's database (the file its records come
// from), or SOURCE_DATE_EPOCH when that is set; the files keep their own times.
TEST_F(RefusalTest, UpdatesAreReproducible) {
  PutDatabase("new/IDB/MAIN.IDX", {MakeRecord(kGidVersion, "\x01\x84\x02"), MakeRecord(9, "r")});
  WriteFile(dir_ + "/new/IDB/MAIN.IDX", ReadHostFile(dir_ + "/new/IDB/MAIN.IDX"), kOldTime);
  // The DOS time of IDB\MERGE.DB's member, from the local header at the entry's data.
  auto merge_time = [&](const std::string& payload) -> uint32_t {
    EXPECT_EQ(Run(VNTPACK_PROGRAM, "list '" + payload + "'"), 0) << errors_;
    size_t line = output_.find("  IDB\\MERGE.DB  ");
    if (line == std::string::npos) return 0;
    size_t at = std::stoul(output_.substr(output_.find("  at ", line) + 5));
    std::string bytes = ReadHostFile(payload);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + at + 10;
    return static_cast<uint32_t>(p[2] | p[3] << 8) << 16 | static_cast<uint32_t>(p[0] | p[1] << 8);
  };
  std::string first;
  for (const char* epoch : {"", "", "1234567890"}) {
    SCOPED_TRACE(epoch);
    fs::remove_all(dir_ + "/out");
    if (epoch[0] != '\0') setenv("SOURCE_DATE_EPOCH", epoch, 1);
    int status = Update("--payload '" + dir_ + "/U.PAY' --for-host -q");
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(status, 0) << errors_;
    int64_t expected = epoch[0] != '\0' ? 1234567890 : kOldTime;
    EXPECT_EQ(merge_time(dir_ + "/U.PAY"), DosTimeOfFile(expected));
    if (epoch[0] != '\0') continue;
    if (first.empty()) first = ReadHostFile(dir_ + "/U.PAY");
    EXPECT_TRUE(ReadHostFile(dir_ + "/U.PAY") == first);
  }
  for (const char* faulty : {"soon", "-5", "", "12345678901234"}) {
    fs::remove_all(dir_ + "/out");
    setenv("SOURCE_DATE_EPOCH", faulty, 1);
    EXPECT_EQ(Update(), 1) << faulty;
    unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_NE(errors_.find("SOURCE_DATE_EPOCH is set to no whole number of seconds"),
              std::string::npos)
        << errors_;
  }
}

// The payload an update builds carries the library of the setup it is for, refused otherwise
// before anything is packed; the summary counts the entries as verify does, the library included.
TEST_F(RefusalTest, TheUpdatePayloadCarriesALibraryTheSetupLoads) {
  const std::string payload = "--payload '" + dir_ + "/U.PAY'";
  EXPECT_EQ(Update(payload), 1);
  EXPECT_NE(errors_.find("the manifest stores dunzipnt.dll (library = yes); for SETUP.EXE name "
                         "the Win32 DLL with --library"),
            std::string::npos)
      << errors_;
  EXPECT_FALSE(fs::exists(dir_ + "/U.PAY"));
  MakeReleases();
  EXPECT_EQ(Update(payload + " --library '" DUNZIP_HOST_LIBRARY "'"), 1);
  EXPECT_NE(errors_.find("dunzipnt.dll: an ELF file of the host"), std::string::npos) << errors_;
  EXPECT_FALSE(fs::exists(dir_ + "/U.PAY"));
  MakeReleases();
  ASSERT_EQ(Update(payload + " --for-host -v"), 0) << errors_;
  EXPECT_NE(output_.find("  changed  VNT.EXE\n"), std::string::npos) << output_;
  EXPECT_NE(output_.find("/payload.ini: 2 entries; 0 files added, 1 changed"), std::string::npos)
      << output_;
  EXPECT_NE(output_.find("/U.PAY: 2 entries, "), std::string::npos) << output_;
  ASSERT_EQ(Run(VNTPACK_PROGRAM, "verify '" + dir_ + "/U.PAY' --for-host"), 0) << errors_;
  EXPECT_NE(output_.find("/U.PAY: 2 entries, "), std::string::npos) << output_;
}
