// Tests of the host backend: the simulated machine's path mapping, files with Win32 semantics
// (read-only honoured even as root), find, disk space, machine.ini, the fault plan, message
// boxes answered from the script, and the transcript.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_machine.h"

namespace {

class HostBackendTest : public MachineTest {
 protected:
  std::string Read(PlatFile file, uint32_t count) {
    std::string bytes(count, '\0');
    uint32_t got = PlatReadFile(file, &bytes[0], count);
    return got == kPlatFileError ? "<error>" : bytes.substr(0, got);
  }
  uint32_t Write(PlatFile file, const std::string& bytes) {
    return PlatWriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
  // The names FindFirst/FindNext report for a pattern, in order.
  std::vector<std::string> Find(const char* pattern) {
    std::vector<std::string> names;
    PlatFindData found;
    PlatFind find = PlatFindFirst(pattern, &found);
    if (find == nullptr) return names;
    for (int more = 1; more; more = PlatFindNext(find, &found)) names.push_back(found.name);
    PlatFindClose(find);
    return names;
  }
  void SetModified(const char* windows_path, time_t utc) {
    struct timespec times[2] = {{utc, 0}, {utc, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, HostPath(windows_path).c_str(), times, 0), 0);
  }
  void AddFault(HostFaultKind kind, uint32_t nth, int persistent, const char* path = nullptr) {
    ASSERT_EQ(HostFaultAdd({kind, nth, persistent, path}), 1);
  }
};

typedef std::vector<std::string> Names;

uint32_t DosStamp(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<uint32_t>(((year - 1980) << 25) | (month << 21) | (day << 16) | (hour << 11) |
                               (minute << 5) | (second / 2));
}

time_t Utc(int year, int month, int day, int hour, int minute, int second) {
  struct tm parts = {};
  parts.tm_year = year - 1900;
  parts.tm_mon = month - 1;
  parts.tm_mday = day;
  parts.tm_hour = hour;
  parts.tm_min = minute;
  parts.tm_sec = second;
  return timegm(&parts);
}

// ---- Path mapping

TEST_F(HostBackendTest, MapsDrivePathsToDriveFolders) {
  EXPECT_EQ(HostPath("C:\\VELNET\\IDB\\MAIN.IDX"), root_ + "/C/VELNET/IDB/MAIN.IDX");
  EXPECT_EQ(HostPath("c:/velnet/idb"), root_ + "/C/velnet/idb");
  EXPECT_EQ(HostPath("C:\\"), root_ + "/C");
}

TEST_F(HostBackendTest, LooksUpEveryExistingComponentWithoutRegardToCase) {
  PutFile("C:\\Velnet\\Idb\\Main.Idx", "x");
  EXPECT_EQ(HostPath("C:\\VELNET\\IDB\\MAIN.IDX"), root_ + "/C/Velnet/Idb/Main.Idx");
  EXPECT_EQ(HostPath("c:\\velnet\\NEW\\idb"), root_ + "/C/Velnet/NEW/idb");
  // Two names that differ only in case: the exact one wins, else the first in byte order.
  ASSERT_EQ(mkdir((root_ + "/C/abc").c_str(), 0755), 0);
  ASSERT_EQ(mkdir((root_ + "/C/ABC").c_str(), 0755), 0);
  EXPECT_EQ(HostPath("C:\\abc"), root_ + "/C/abc");
  EXPECT_EQ(HostPath("C:\\Abc"), root_ + "/C/ABC");
}

// Creates, deletes, moves (case changes included) through the backend and creations from
// outside, over a folder large enough to outgrow the listing's first table: every lookup gives
// what a scan of the folder gives (the exact name, else the first match in byte order).
TEST_F(HostBackendTest, FolderListingsFollowEveryChangeWithoutRegardToCase) {
  ASSERT_EQ(PlatCreateDirectory("C:\\BIG"), 1);
  std::vector<std::string> present;
  uint32_t state = 7;
  auto next = [&state](uint32_t below) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % below;
  };
  auto spell = [&next](uint32_t number) {
    std::string name = "file" + std::to_string(number) + ".dat";
    for (char& c : name) {
      if (next(2) != 0) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    }
    return name;
  };
  auto expected = [&present](const std::string& name) {
    std::string best;
    for (const std::string& listed : present) {
      if (listed == name) return listed;
      if (strcasecmp(listed.c_str(), name.c_str()) == 0 && (best.empty() || listed < best)) {
        best = listed;
      }
    }
    return best.empty() ? name : best;
  };
  for (int step = 0; step < 3000; ++step) {
    std::string name = spell(next(400));
    std::string path = "C:\\BIG\\" + name;
    uint32_t action = next(10);
    bool exists = std::find(present.begin(), present.end(), name) != present.end();
    if (action < 5) {
      PlatFile file = PlatCreateFile(path.c_str());
      ASSERT_NE(file, kPlatNoFile);
      PlatCloseFile(file);
      std::string made = expected(name);  // an existing name in other letters is opened
      if (std::find(present.begin(), present.end(), made) == present.end()) {
        present.push_back(made);
      }
    } else if (action < 7 && exists) {
      ASSERT_EQ(PlatDeleteFile(path.c_str()), 1);
      present.erase(std::find(present.begin(), present.end(), name));
    } else if (action < 9 && exists) {
      std::string to = spell(next(400));
      std::string target = expected(to);
      bool taken = std::find(present.begin(), present.end(), target) != present.end();
      bool same = target == name;  // the source itself, perhaps in other letters
      int moved = PlatMoveFile(path.c_str(), ("C:\\BIG\\" + to).c_str());
      if (taken && !same) {
        ASSERT_EQ(moved, 0);
        continue;
      }
      ASSERT_EQ(moved, 1) << name << " -> " << to;
      present.erase(std::find(present.begin(), present.end(), name));
      present.push_back(to);
    } else if (action == 9 && !exists && expected(name) == name) {
      int file = open((root_ + "/C/BIG/" + name).c_str(), O_CREAT | O_WRONLY, 0644);
      ASSERT_GE(file, 0);
      close(file);
      present.push_back(name);
    }
    std::string query = spell(next(400));
    ASSERT_EQ(HostPath(("C:\\big\\" + query).c_str()), root_ + "/C/BIG/" + expected(query))
        << "step " << step;
  }
}

TEST_F(HostBackendTest, ResolvesDotsLexicallyAndNeverAboveTheDriveRoot) {
  EXPECT_EQ(HostPath("C:\\A\\..\\..\\..\\B\\.\\C"), root_ + "/C/B/C");
  EXPECT_EQ(HostPath("C:\\..\\WINDOWS\\\\SYSTEM\\"), root_ + "/C/WINDOWS/SYSTEM");
}

// Windows drops the trailing dots and blanks of every name: each spelling below is the one file
// or folder, created through one spelling and found through every other.
TEST_F(HostBackendTest, DropsTrailingDotsAndBlanksOfEveryNameAsWindowsDoes) {
  const char* const spellings[] = {"C:\\DATA\\PHONE.DAT",   "C:\\DATA\\PHONE.DAT ",
                                   "C:\\DATA.\\PHONE.DAT.", "C:\\DATA \\phone.dat. .",
                                   "c:/data../PHONE.DAT  ", "C:\\...\\DATA\\ \\PHONE.DAT"};
  for (const char* created : spellings) {
    SCOPED_TRACE(created);
    ASSERT_EQ(system(("rm -rf '" + root_ + "/C/DATA' '" + root_ + "/C/data'").c_str()), 0);
    HostForgetListings();
    ASSERT_TRUE(PlatCreateDirectory("C:\\DATA. "));
    PlatFile file = PlatCreateFile(created);
    ASSERT_NE(file, kPlatNoFile);
    ASSERT_EQ(PlatWriteFile(file, "x", 1), 1u);
    PlatCloseFile(file);
    EXPECT_EQ(GetFile("C:\\DATA\\PHONE.DAT"), "x");
    std::string host = HostPath("C:\\DATA\\PHONE.DAT");
    EXPECT_TRUE(strcasecmp(host.c_str(), (root_ + "/C/DATA/PHONE.DAT").c_str()) == 0) << host;
    for (const char* other : spellings) {
      EXPECT_EQ(HostPath(other), host) << other;
      EXPECT_EQ(PlatGetFileAttributes(other) & kAttrDirectory, 0u) << other;
    }
    EXPECT_NE(PlatGetFileAttributes("C:\\DATA..") & kAttrDirectory, 0u);
  }
}

TEST_F(HostBackendTest, ResolvesRelativePathsAgainstTheCurrentDirectory) {
  WriteMachineIni("[machine]\ncurrent_dir=C:\\WORK\\SUB\n");
  EXPECT_EQ(HostPath("FILE.TXT"), root_ + "/C/WORK/SUB/FILE.TXT");
  EXPECT_EQ(HostPath("..\\UP"), root_ + "/C/WORK/UP");
  EXPECT_EQ(HostPath("C:NEAR"), root_ + "/C/WORK/SUB/NEAR");
  EXPECT_EQ(HostPath("\\TOP"), root_ + "/C/TOP");
  ASSERT_EQ(mkdir((root_ + "/D").c_str(), 0755), 0);
  EXPECT_EQ(HostPath("D:FAR"), root_ + "/D/FAR");  // another drive: from its root
}

TEST_F(HostBackendTest, MountsMapLettersToHostDirectories) {
  EXPECT_EQ(HostPath("Z:\\tmp\\x"), "/tmp/x");
  EXPECT_EQ(PlatGetDriveType("Z:\\"), kDriveRemote);
  WriteMachineIni("[mounts]\nH=" + root_ + "/C/WINDOWS/\nZ=\n");
  EXPECT_EQ(HostPath("H:\\SYSTEM\\X"), root_ + "/C/WINDOWS/SYSTEM/X");
  EXPECT_EQ(PlatGetDriveType("H:\\"), kDriveRemote);
  EXPECT_EQ(HostPath("Z:\\tmp"), "");  // unmounted, and no Z folder
}

TEST_F(HostBackendTest, RefusesWhatIsNoDrivePathOrDoesNotFit) {
  EXPECT_EQ(HostPath("\\\\SERVER\\SHARE\\X"), "");
  EXPECT_EQ(HostPath(""), "");
  EXPECT_EQ(HostPath("1:\\X"), "");
  EXPECT_EQ(HostPath("C:\\A*B"), "");
  EXPECT_EQ(HostPath("C:\\A:B"), "");
  EXPECT_EQ(HostPath("Q:\\X"), "");                      // a drive without a folder has no root
  std::string longest = "C:\\" + std::string(256, 'L');  // 259 characters
  EXPECT_NE(HostPath(longest.c_str()), "");
  EXPECT_EQ(HostPath((longest + "L").c_str()), "");  // 260 characters are too many
  char small[8];
  EXPECT_EQ(HostMapPath("C:\\WINDOWS", small, sizeof small), 0);
  EXPECT_STREQ(small, "");
}

// ---- Files by handle

TEST_F(HostBackendTest, CreateWriteSeekAndRead) {
  PlatFile file = PlatCreateFile("C:\\DATA.BIN");
  ASSERT_NE(file, kPlatNoFile);
  EXPECT_EQ(Write(file, "hello world"), 11u);
  EXPECT_EQ(PlatGetFileSize(file), 11u);
  EXPECT_EQ(PlatSeekFile(file, 6, kSeekBegin), 6u);
  EXPECT_EQ(Read(file, 100), "world");  // a short count at the end
  EXPECT_EQ(Read(file, 10), "");
  EXPECT_EQ(PlatSeekFile(file, 0, kSeekEnd), 11u);
  EXPECT_EQ(PlatSeekFile(file, 4, kSeekCurrent), 15u);  // beyond the end is allowed
  EXPECT_EQ(PlatSeekFile(file, 0xFFFFFFFFu, kSeekBegin), kPlatFileError);
  EXPECT_EQ(PlatSeekFile(file, 0xFFFFFFF0u, kSeekCurrent), kPlatFileError);
  EXPECT_EQ(PlatSeekFile(file, 0, kSeekCurrent), 15u);  // a failed seek does not move
  EXPECT_EQ(PlatCloseFile(file), 1);
  EXPECT_EQ(PlatCloseFile(file), 0);
  EXPECT_EQ(GetFile("c:\\data.bin"), "hello world");
}

TEST_F(HostBackendTest, CreateEmptiesAnExistingFileAndNeedsItsFolder) {
  PutFile("C:\\OLD.TXT", "old contents");
  PlatFile file = PlatCreateFile("C:\\old.txt");
  ASSERT_NE(file, kPlatNoFile);
  EXPECT_EQ(PlatGetFileSize(file), 0u);
  PlatCloseFile(file);
  EXPECT_EQ(PlatCreateFile("C:\\MISSING\\NEW.TXT"), kPlatNoFile);
  EXPECT_EQ(PlatCreateFile("C:\\WINDOWS"), kPlatNoFile);
}

TEST_F(HostBackendTest, OpenTakesExistingFilesOnlyInTheModeAsked) {
  EXPECT_EQ(PlatOpenFile("C:\\NONE.TXT", kOpenRead), kPlatNoFile);
  EXPECT_EQ(PlatOpenFile("C:\\WINDOWS", kOpenRead), kPlatNoFile);
  PutFile("C:\\A.TXT", "abc");
  PlatFile reading = PlatOpenFile("C:\\A.TXT", kOpenRead);
  ASSERT_NE(reading, kPlatNoFile);
  EXPECT_EQ(Write(reading, "x"), kPlatFileError);
  PlatCloseFile(reading);
  PlatFile writing = PlatOpenFile("C:\\A.TXT", kOpenWrite);
  ASSERT_NE(writing, kPlatNoFile);
  EXPECT_EQ(Read(writing, 3), "<error>");
  EXPECT_EQ(Write(writing, "X"), 1u);
  PlatCloseFile(writing);
  EXPECT_EQ(GetFile("C:\\A.TXT"), "Xbc");
  EXPECT_EQ(PlatReadFile(0x4242, nullptr, 0), kPlatFileError);
}

TEST_F(HostBackendTest, ReadOnlyFilesAreProtectedEvenForRoot) {
  PutFile("C:\\RO.TXT", "keep");
  PutFile("C:\\OTHER.TXT", "other");
  ASSERT_EQ(PlatSetFileAttributes("C:\\RO.TXT", kAttrReadOnly), 1);
  EXPECT_EQ(PlatGetFileAttributes("C:\\RO.TXT"), kAttrReadOnly | kAttrArchive);
  EXPECT_EQ(PlatOpenFile("C:\\RO.TXT", kOpenWrite), kPlatNoFile);
  EXPECT_EQ(PlatOpenFile("C:\\RO.TXT", kOpenReadWrite), kPlatNoFile);
  EXPECT_EQ(PlatCreateFile("C:\\RO.TXT"), kPlatNoFile);
  EXPECT_EQ(PlatDeleteFile("C:\\RO.TXT"), 0);
  EXPECT_EQ(PlatMoveFile("C:\\RO.TXT", "C:\\MOVED.TXT"), 0);
  EXPECT_EQ(PlatCopyFile("C:\\OTHER.TXT", "C:\\RO.TXT", 0), 0);
  PlatFile reading = PlatOpenFile("C:\\RO.TXT", kOpenRead);
  EXPECT_NE(reading, kPlatNoFile);
  PlatCloseFile(reading);
  EXPECT_EQ(GetFile("C:\\RO.TXT"), "keep");
  // A copy takes the attribute along, as CopyFileA does.
  ASSERT_EQ(PlatCopyFile("C:\\RO.TXT", "C:\\COPY.TXT", 1), 1);
  EXPECT_EQ(PlatGetFileAttributes("C:\\COPY.TXT"), kAttrReadOnly | kAttrArchive);
  ASSERT_EQ(PlatSetFileAttributes("C:\\RO.TXT", kAttrNormal), 1);
  EXPECT_EQ(PlatGetFileAttributes("C:\\RO.TXT"), kAttrArchive);
  EXPECT_EQ(PlatDeleteFile("C:\\RO.TXT"), 1);
  EXPECT_EQ(PlatGetFileAttributes("C:\\RO.TXT"), kPlatNoAttributes);
}

TEST_F(HostBackendTest, ExclusiveOpenExcludesEveryOtherOpen) {
  PutFile("C:\\SHARED.DAT", "data");
  PlatFile first = PlatOpenFile("C:\\SHARED.DAT", kOpenRead);
  ASSERT_NE(first, kPlatNoFile);
  EXPECT_EQ(PlatOpenExclusive("C:\\SHARED.DAT"), kPlatNoFile);
  EXPECT_EQ(PlatDeleteFile("C:\\SHARED.DAT"), 0);  // open files stay
  PlatCloseFile(first);
  PlatFile alone = PlatOpenExclusive("c:\\shared.dat");
  ASSERT_NE(alone, kPlatNoFile);
  EXPECT_EQ(PlatOpenFile("C:\\SHARED.DAT", kOpenRead), kPlatNoFile);
  EXPECT_EQ(PlatCreateFile("C:\\SHARED.DAT"), kPlatNoFile);
  EXPECT_EQ(PlatCopyFile("C:\\SHARED.DAT", "C:\\COPY.DAT", 0), 0);
  EXPECT_EQ(Read(alone, 10), "data");
  PlatCloseFile(alone);
  EXPECT_EQ(PlatOpenExclusive("C:\\NONE.DAT"), kPlatNoFile);
}

TEST_F(HostBackendTest, DirectoriesMovesCopiesAndDeletes) {
  EXPECT_EQ(PlatCreateDirectory("C:\\NEW"), 1);
  EXPECT_EQ(PlatCreateDirectory("C:\\new"), 0);  // exists already
  EXPECT_EQ(PlatCreateDirectory("C:\\NO\\DEEPER"), 0);
  EXPECT_EQ(PlatGetFileAttributes("C:\\NEW"), kAttrDirectory);
  EXPECT_EQ(PlatDeleteFile("C:\\NEW"), 0);  // files only
  PutFile("C:\\A.TXT", "a");
  PutFile("C:\\B.TXT", "b");
  EXPECT_EQ(PlatMoveFile("C:\\A.TXT", "C:\\B.TXT"), 0);
  EXPECT_EQ(PlatMoveFile("C:\\A.TXT", "C:\\NEW\\A.TXT"), 1);
  EXPECT_EQ(GetFile("C:\\NEW\\A.TXT"), "a");
  EXPECT_FALSE(Exists("C:\\A.TXT"));
  EXPECT_EQ(PlatMoveFile("C:\\NEW\\A.TXT", "C:\\NEW\\a.txt"), 1);  // a change of case only
  EXPECT_EQ(Find("C:\\NEW\\A.TXT"), Names({"a.txt"}));
  EXPECT_EQ(PlatCopyFile("C:\\B.TXT", "C:\\NEW\\A.TXT", 1), 0);
  EXPECT_EQ(PlatCopyFile("C:\\B.TXT", "C:\\NEW\\A.TXT", 0), 1);
  EXPECT_EQ(GetFile("C:\\NEW\\a.txt"), "b");
  EXPECT_EQ(PlatCopyFile("C:\\NONE.TXT", "C:\\C.TXT", 0), 0);
  EXPECT_EQ(PlatDeleteFile("C:\\B.TXT"), 1);
  EXPECT_EQ(PlatDeleteFile("C:\\B.TXT"), 0);
}

TEST_F(HostBackendTest, DosTimeIsTheUtcLastWriteTimeInTwoSecondSteps) {
  PutFile("C:\\T.TXT", "t");
  SetModified("C:\\T.TXT", Utc(2024, 5, 17, 13, 45, 31));
  PlatFile file = PlatOpenFile("C:\\T.TXT", kOpenRead);
  ASSERT_NE(file, kPlatNoFile);
  EXPECT_EQ(PlatGetFileDosTime(file), DosStamp(2024, 5, 17, 13, 45, 30));
  SetModified("C:\\T.TXT", Utc(1979, 12, 31, 23, 59, 59));
  EXPECT_EQ(PlatGetFileDosTime(file), 0u);
  SetModified("C:\\T.TXT", Utc(2107, 12, 31, 23, 59, 58));
  EXPECT_EQ(PlatGetFileDosTime(file), DosStamp(2107, 12, 31, 23, 59, 58));
  SetModified("C:\\T.TXT", Utc(2108, 1, 1, 0, 0, 0));
  EXPECT_EQ(PlatGetFileDosTime(file), 0u);
  PlatCloseFile(file);
  // A copy keeps the last-write time.
  SetModified("C:\\T.TXT", Utc(1999, 1, 2, 3, 4, 6));
  ASSERT_EQ(PlatCopyFile("C:\\T.TXT", "C:\\U.TXT", 1), 1);
  PlatFindData found;
  PlatFind find = PlatFindFirst("C:\\U.TXT", &found);
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(found.dos_time, DosStamp(1999, 1, 2, 3, 4, 6));
  PlatFindClose(find);
}

TEST_F(HostBackendTest, ClosingTheMachineRecordsAndClosesFilesLeftOpen) {
  PutFile("C:\\LEFT.TXT", "x");
  PlatFile file = PlatOpenFile("C:\\left.txt", kOpenRead);
  ASSERT_NE(file, kPlatNoFile);
  HostMachineClose();
  ASSERT_EQ(HostMachineOpen(root_.c_str()), 1);
  EXPECT_EQ(Transcript(), "file-left-open \"C:\\left.txt\"\n");
  EXPECT_EQ(PlatReadFile(file, nullptr, 0), kPlatFileError);
}

// ---- Find

TEST_F(HostBackendTest, FindReportsDotsFirstThenNamesSortedWithoutRegardToCase) {
  PutFile("C:\\DIR\\b.txt", "bb");
  PutFile("C:\\DIR\\A.TXT", "a");
  PutFile("C:\\DIR\\c", "");
  PutFile("C:\\DIR\\Sub\\x", "");
  EXPECT_EQ(Find("C:\\dir\\*.*"), Names({".", "..", "A.TXT", "b.txt", "c", "Sub"}));
  EXPECT_EQ(Find("C:\\DIR\\*"), Names({".", "..", "A.TXT", "b.txt", "c", "Sub"}));
  PlatFindData found;
  PlatFind find = PlatFindFirst("C:\\DIR\\B.TXT", &found);
  ASSERT_NE(find, nullptr);
  EXPECT_STREQ(found.name, "b.txt");
  EXPECT_EQ(found.size, 2u);
  EXPECT_EQ(found.attributes, kAttrArchive);
  EXPECT_EQ(PlatFindNext(find, &found), 0);
  PlatFindClose(find);
  find = PlatFindFirst("C:\\DIR\\*.*", &found);
  ASSERT_NE(find, nullptr);
  EXPECT_EQ(found.attributes, kAttrDirectory);
  PlatFindClose(find);
}

TEST_F(HostBackendTest, FindAtADriveRootHasNoDots) {
  EXPECT_EQ(Find("C:\\*.*"), Names({"WINDOWS"}));
  WriteMachineIni("[machine]\ncurrent_dir=C:\\WINDOWS\n");
  EXPECT_EQ(Find("*"), Names({".", "..", "SYSTEM"}));
  EXPECT_EQ(Find("C:*"), Names({".", "..", "SYSTEM"}));
}

TEST_F(HostBackendTest, FindFollowsWin32WildcardRules) {
  for (const char* name : {"A.TXT", "ab.txt", "README", "X.TXT.BAK", "Setup.Ini"}) {
    PutFile((std::string("C:\\W\\") + name).c_str(), "");
  }
  EXPECT_EQ(Find("C:\\W\\*.txt"), Names({"A.TXT", "ab.txt"}));
  EXPECT_EQ(Find("C:\\W\\?.TXT"), Names({"A.TXT"}));
  EXPECT_EQ(Find("C:\\W\\*.*"),
            Names({".", "..", "A.TXT", "ab.txt", "README", "Setup.Ini", "X.TXT.BAK"}));
  EXPECT_EQ(Find("C:\\W\\R*.*"), Names({"README"}));
  EXPECT_EQ(Find("C:\\W\\*."), Names({".", "..", "README"}));
  EXPECT_EQ(Find("C:\\W\\*.TXT*"), Names({"A.TXT", "ab.txt", "X.TXT.BAK"}));
  EXPECT_EQ(Find("C:\\W\\SETUP.INI"), Names({"Setup.Ini"}));
  EXPECT_EQ(Find("C:\\W\\*.EXE"), Names());
  EXPECT_EQ(Find("C:\\NOWHERE\\*.*"), Names());
  EXPECT_EQ(Find("C:\\W\\"), Names());
}

// ---- Drives, disk space and the machine description

TEST_F(HostBackendTest, FreeSpaceIsClampedBelowFourGigabytes) {
  WriteMachineIni("[free]\nC=10000000000\nC.total=20000000000\nD=8192\nD.cluster=4096\n");
  PlatDiskSpace space;
  ASSERT_EQ(PlatGetDiskFreeSpace("C:\\", &space), 1);
  EXPECT_EQ(space.bytes_per_sector, 512u);
  EXPECT_EQ(space.sectors_per_cluster, 64u);
  uint64_t cluster = uint64_t{space.sectors_per_cluster} * space.bytes_per_sector;
  EXPECT_LE(space.free_clusters * cluster, 0xFFFFFFFFull);
  EXPECT_GT((space.free_clusters + 1) * cluster, 0xFFFFFFFFull);
  EXPECT_EQ(space.total_clusters, space.free_clusters);
  ASSERT_EQ(PlatGetDiskFreeSpace("D:\\", &space), 0);  // no D folder yet
  ASSERT_EQ(mkdir((root_ + "/D").c_str(), 0755), 0);
  ASSERT_EQ(PlatGetDiskFreeSpace("d:", &space), 1);
  EXPECT_EQ(space.sectors_per_cluster, 8u);
  EXPECT_EQ(space.free_clusters, 2u);
  EXPECT_GE(space.total_clusters, 2u);
}

TEST_F(HostBackendTest, DriveTypesComeFromMachineIniAndTheDriveFolders) {
  EXPECT_EQ(PlatGetDriveType("C:\\"), kDriveFixed);
  EXPECT_EQ(PlatGetDriveType(nullptr), kDriveFixed);
  EXPECT_EQ(PlatGetDriveType("D:\\"), kDriveNoRootDir);
  ASSERT_EQ(mkdir((root_ + "/D").c_str(), 0755), 0);
  EXPECT_EQ(PlatGetDriveType("d:/"), kDriveFixed);
  EXPECT_EQ(PlatGetDriveType("C:\\WINDOWS"), kDriveNoRootDir);  // not a root
  WriteMachineIni("[drives]\nA=removable\nd=cdrom\nE=ramdisk\nC=none\nF=floppy\n");
  EXPECT_EQ(PlatGetDriveType("A:"), kDriveRemovable);
  EXPECT_EQ(PlatGetDriveType("D:\\"), kDriveCdRom);
  EXPECT_EQ(PlatGetDriveType("E:\\"), kDriveRamDisk);
  EXPECT_EQ(PlatGetDriveType("C:\\"), kDriveNoRootDir);
  EXPECT_EQ(PlatGetDriveType("F:\\"), kDriveNoRootDir);  // an unknown type is ignored
  EXPECT_EQ(HostPath("C:\\WINDOWS"), "");
}

TEST_F(HostBackendTest, MachineIniDescribesTheMachineAndIgnoresWhatItDoesNotKnow) {
  WriteMachineIni(
      "# a comment\n"
      "[MACHINE]\n"
      "  platform = 2  \n"
      "processor=0x1E6\n"
      "memory=99999999999\n"
      "windows_dir=D:\\WIN95\\\n"
      "system_dir=nowhere:\n"
      "colour=blue\n"
      "just some words\n" +
      std::string(2000, 'x') + "\n[windows]\nclass=Progman\n[unknown]\nclass=Other\n");
  EXPECT_EQ(PlatGetPlatformId(), 2u);
  EXPECT_EQ(PlatGetProcessorType(), 486u);
  EXPECT_EQ(PlatGetTotalPhysicalMemory(), 0xFFFFFFFFu);
  char text[kPathBuffer];
  EXPECT_EQ(PlatGetWindowsDirectory(text, sizeof text), 8u);
  EXPECT_STREQ(text, "D:\\WIN95");
  EXPECT_EQ(PlatGetSystemDirectory(text, sizeof text), 17u);
  EXPECT_STREQ(text, "C:\\WINDOWS\\SYSTEM");
  EXPECT_EQ(PlatGetSystemDirectory(text, 17), 0u);  // one byte short: a failure, not a cut
  EXPECT_STREQ(text, "");
  EXPECT_NE(PlatFindWindow("PROGMAN"), nullptr);
  EXPECT_EQ(PlatFindWindow("Other"), nullptr);
  ASSERT_EQ(remove((root_ + "/machine.ini").c_str()), 0);
  ASSERT_EQ(HostMachineOpen(root_.c_str()), 1);
  EXPECT_EQ(PlatGetPlatformId(), 1u);
  EXPECT_EQ(PlatGetProcessorType(), 586u);
  EXPECT_EQ(PlatGetTotalPhysicalMemory(), 33554432u);
  EXPECT_EQ(HostMachineOpen((root_ + "/machine-is-not-here").c_str()), 0);
  EXPECT_EQ(HostMachineRoot(), nullptr);
  ASSERT_EQ(HostMachineOpen(root_.c_str()), 1);
}

TEST_F(HostBackendTest, WindowsAndModulesThatExist) {
  WriteMachineIni("[windows]\nclass=VNT Frame\n[modules]\nmodule=KERNEL32.DLL\nmodule=CTL3D32\n");
  PlatWindow frame = PlatFindWindow("vnt frame");
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(PlatFindWindow("Progman"), nullptr);
  EXPECT_EQ(PlatSetForegroundWindow(frame), 1);
  EXPECT_EQ(PlatSetForegroundWindow(nullptr), 0);
  EXPECT_EQ(Transcript(), "set-foreground \"VNT Frame\"\n");
  EXPECT_EQ(PlatModuleLoaded("kernel32"), 1);
  EXPECT_EQ(PlatModuleLoaded("C:\\WINDOWS\\SYSTEM\\Kernel32.dll"), 1);
  EXPECT_EQ(PlatModuleLoaded("ctl3d32.dll"), 1);
  EXPECT_EQ(PlatModuleLoaded("USER32"), 0);
}

TEST_F(HostBackendTest, ModuleFileNameMapsTheProgramBackThroughTheDrives) {
  char exe[PATH_MAX];
  ASSERT_NE(realpath("/proc/self/exe", exe), nullptr);
  std::string expected = std::string("Z:") + exe;
  for (char& c : expected) c = c == '/' ? '\\' : c;
  char name[kPathBuffer];
  ASSERT_EQ(PlatGetModuleFileName(name, sizeof name), expected.size());
  EXPECT_EQ(name, expected);
  std::string folder(exe, strrchr(exe, '/'));
  WriteMachineIni("[mounts]\nP=" + folder + "\n");  // the longer match wins
  ASSERT_GT(PlatGetModuleFileName(name, sizeof name), 0u);
  EXPECT_EQ(name, std::string("P:\\") + (strrchr(exe, '/') + 1));
}

TEST_F(HostBackendTest, PayloadMarkerCarriesTheTagAndNoPayload) {
  uint8_t marker[kPayloadMarkerSize];
  memset(marker, 0xAA, sizeof marker);
  ASSERT_EQ(PlatReadPayloadMarker(marker), 1);
  const char tag[] = {'_', 'D', 'a', 'd', 'u', 'Z', '_', '\0'};
  EXPECT_EQ(memcmp(marker, tag, sizeof tag), 0);
  for (uint32_t i = sizeof tag; i < kPayloadMarkerSize; ++i) EXPECT_EQ(marker[i], 0) << i;
}

// ---- The fault plan

TEST_F(HostBackendTest, DiskFullFiresAtTheNthWriteOnceOrFromThenOn) {
  PlatFile file = PlatCreateFile("C:\\OUT.BIN");
  ASSERT_NE(file, kPlatNoFile);
  AddFault(kFaultDiskFull, 2, 0);
  EXPECT_EQ(Write(file, "12345"), 5u);
  EXPECT_EQ(Write(file, "12345"), 2u);  // half, rounded down
  EXPECT_EQ(Write(file, "12345"), 5u);
  HostFaultClear();
  AddFault(kFaultDiskFull, 2, 1);
  EXPECT_EQ(Write(file, "abcd"), 4u);
  EXPECT_EQ(Write(file, "abcd"), 2u);
  EXPECT_EQ(Write(file, "a"), 0u);
  EXPECT_EQ(HostFaultCalls(kFaultDiskFull), 3u);
  PlatCloseFile(file);
  EXPECT_EQ(GetFile("C:\\OUT.BIN"),
            "12345"
            "12"
            "12345"
            "abcd"
            "ab");
  EXPECT_EQ(Transcript(),
            "fault disk_full 2 \"C:\\OUT.BIN\"\nfault disk_full 2 \"C:\\OUT.BIN\"\n"
            "fault disk_full 3 \"C:\\OUT.BIN\"\n");
}

TEST_F(HostBackendTest, PathFilterLimitsARuleToMatchingPaths) {
  PlatFile log = PlatCreateFile("C:\\VELNET\\..\\UPDATE.LOG");
  PlatFile data = PlatCreateFile("C:\\DATA.BIN");
  ASSERT_NE(log, kPlatNoFile);
  ASSERT_NE(data, kPlatNoFile);
  AddFault(kFaultDiskFull, 1, 1, "update.log");
  EXPECT_EQ(Write(data, "xxxx"), 4u);
  EXPECT_EQ(Write(log, "xxxx"), 2u);
  EXPECT_EQ(Write(data, "xxxx"), 4u);
  EXPECT_EQ(Write(log, "xxxx"), 2u);
  EXPECT_EQ(HostFaultCalls(kFaultDiskFull), 4u);  // every call counts, fired or not
  PlatCloseFile(log);
  PlatCloseFile(data);
}

TEST_F(HostBackendTest, CannotOpenReadOnlyAndInUseFaults) {
  PutFile("C:\\F.TXT", "f");
  AddFault(kFaultCannotOpen, 1, 0);
  EXPECT_EQ(PlatOpenFile("C:\\F.TXT", kOpenRead), kPlatNoFile);
  PlatFile file = PlatOpenFile("C:\\F.TXT", kOpenRead);
  EXPECT_NE(file, kPlatNoFile);
  PlatCloseFile(file);
  AddFault(kFaultReadOnly, 1, 1, "F.TXT");
  EXPECT_EQ(PlatCreateFile("C:\\F.TXT"), kPlatNoFile);
  EXPECT_EQ(PlatOpenFile("C:\\F.TXT", kOpenReadWrite), kPlatNoFile);
  EXPECT_EQ(PlatDeleteFile("C:\\F.TXT"), 0);
  EXPECT_EQ(PlatMoveFile("C:\\F.TXT", "C:\\G.TXT"), 0);
  file = PlatOpenFile("C:\\F.TXT", kOpenRead);  // reading is no write
  EXPECT_NE(file, kPlatNoFile);
  PlatCloseFile(file);
  EXPECT_EQ(HostFaultCalls(kFaultReadOnly), 4u);
  AddFault(kFaultInUse, 1, 0);
  EXPECT_EQ(PlatOpenExclusive("C:\\F.TXT"), kPlatNoFile);
  file = PlatOpenExclusive("C:\\F.TXT");
  EXPECT_NE(file, kPlatNoFile);
  PlatCloseFile(file);
  EXPECT_EQ(GetFile("C:\\F.TXT"), "f");
}

TEST_F(HostBackendTest, MachineIniArmsTheFaultPlan) {
  // Each kind by its name; a filter must end the path; comments, unknown kinds, N = 0 and a
  // number that is no number are passed over.
  WriteMachineIni(
      "[faults]\n"
      "disk_full = 2 persistent OUT.BIN   ; from the second write on\n"
      "cannot_open = 1 C:\\A.TXT\n"
      "no_memory = 1\n"
      "bogus = 1\n"
      "read_only = 0\n"
      "in_use = x\n");
  PlatFile file = PlatCreateFile("C:\\OUT.BIN");
  ASSERT_NE(file, kPlatNoFile);
  EXPECT_EQ(Write(file, "1234"), 4u);
  EXPECT_EQ(Write(file, "1234"), 2u);
  EXPECT_EQ(Write(file, "1234"), 2u);
  PlatCloseFile(file);
  PlatFile other = PlatCreateFile("C:\\XA.TXT.BAK");  // holds the filter, does not end with it
  EXPECT_NE(other, kPlatNoFile);
  PlatCloseFile(other);
  EXPECT_EQ(PlatCreateFile("C:\\A.TXT"), kPlatNoFile);
  EXPECT_EQ(PlatAllocMemory(8), nullptr);
  PlatDeleteFile("C:\\XA.TXT.BAK");
  EXPECT_EQ(Transcript(),
            "fault disk_full 2 \"C:\\OUT.BIN\"\nfault disk_full 3 \"C:\\OUT.BIN\"\n"
            "fault cannot_open 1 \"C:\\A.TXT\"\nfault no_memory 1\n");
}

TEST_F(HostBackendTest, APowerCutEndsTheProcessBeforeTheCallChangesAnything) {
  WriteMachineIni("[faults]\npower_cut = 3\n");
  EXPECT_EXIT(
      {
        PlatFile file = PlatCreateFile("C:\\CUT.BIN");  // call 1
        PlatWriteFile(file, "abc", 3);                  // call 2
        PlatWriteFile(file, "def", 3);                  // call 3: the power goes
        _exit(0);
      },
      ::testing::ExitedWithCode(66), "");
  EXPECT_EQ(GetFile("C:\\CUT.BIN"), "abc");
  EXPECT_EQ(Transcript(), "fault power_cut 3 \"C:\\CUT.BIN\"\n");
}

TEST_F(HostBackendTest, AllocationFaultAndZeroFilledBlocks) {
  AddFault(kFaultAllocFails, 2, 0);
  uint8_t* first = static_cast<uint8_t*>(PlatAllocMemory(64));
  ASSERT_NE(first, nullptr);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(first[i], 0);
  EXPECT_EQ(PlatAllocMemory(64), nullptr);
  void* third = PlatAllocMemory(64);
  EXPECT_NE(third, nullptr);
  PlatFreeMemory(first);
  PlatFreeMemory(third);
  EXPECT_EQ(Transcript(), "fault no_memory 2\n");
}

TEST_F(HostBackendTest, PlanHoldsSixteenRulesAndReopeningClearsIt) {
  for (int i = 0; i < 16; ++i) AddFault(kFaultModuleLoad, 1, 0);
  EXPECT_EQ(HostFaultAdd({kFaultAllocFails, 1, 0, nullptr}), 0);
  HostFaultClear();
  EXPECT_EQ(HostFaultAdd({kFaultAllocFails, 0, 0, nullptr}), 0);  // calls count from 1
  std::string too_long(kPathBuffer, 'p');
  EXPECT_EQ(HostFaultAdd({kFaultAllocFails, 1, 0, too_long.c_str()}), 0);
  AddFault(kFaultAllocFails, 1, 1);
  EXPECT_EQ(PlatAllocMemory(8), nullptr);
  ASSERT_EQ(HostMachineOpen(root_.c_str()), 1);
  EXPECT_EQ(HostFaultCalls(kFaultAllocFails), 0u);
  void* block = PlatAllocMemory(8);
  EXPECT_NE(block, nullptr);
  PlatFreeMemory(block);
}

// ---- Message boxes, beeps and the answer script

TEST_F(HostBackendTest, BoxesTakeScriptedAnswersInOrder) {
  SetAnswers("# first the disk\n\nbox RETRY\n  box cancel\nbox 6\nbox 11\n");
  EXPECT_EQ(PlatMessageBox(nullptr, "Disk full", "Setup", kMbRetryCancel), kIdRetry);
  EXPECT_EQ(PlatMessageBox(nullptr, "Disk full", "Setup", kMbRetryCancel), kIdCancel);
  EXPECT_EQ(PlatMessageBox(nullptr, "Number", "Setup", kMbYesNo), kIdYes);
  EXPECT_EQ(PlatMessageBox(nullptr, "Other", "Setup", 0x6), 11);  // a button without a name
  EXPECT_EQ(PlatMessageBox(nullptr, "Over", "Setup", kMbYesNo), kIdNo);
  EXPECT_EQ(Transcript(),
            "box caption=\"Setup\" style=0x5 owner=none answer=RETRY by=script text=\"Disk full\"\n"
            "box caption=\"Setup\" style=0x5 owner=none answer=CANCEL by=script "
            "text=\"Disk full\"\n"
            "box caption=\"Setup\" style=0x4 owner=none answer=YES by=script text=\"Number\"\n"
            "box caption=\"Setup\" style=0x6 owner=none answer=11 by=script text=\"Other\"\n"
            "box caption=\"Setup\" style=0x4 owner=none answer=NO by=default text=\"Over\"\n");
}

TEST_F(HostBackendTest, BoxesWithoutScriptTakeTheSafeDefault) {
  EXPECT_EQ(PlatMessageBox(nullptr, "Done", "Setup", kMbOk | kMbIconExclamation), kIdOk);
  EXPECT_EQ(PlatMessageBox(nullptr, "Again?", "Setup", kMbRetryCancel), kIdCancel);
  EXPECT_EQ(PlatMessageBox(nullptr, "Sure?", "Setup", kMbYesNo | kMbIconQuestion), kIdNo);
  EXPECT_EQ(PlatMessageBox(nullptr, "Oops", nullptr, kMbOk | kMbTaskModal), kIdOk);
  std::string transcript = Transcript();
  EXPECT_NE(transcript.find("style=0x30 owner=none answer=OK by=default"), std::string::npos);
  EXPECT_NE(transcript.find("answer=CANCEL by=default"), std::string::npos);
  EXPECT_NE(transcript.find("style=0x24 owner=none answer=NO by=default"), std::string::npos);
  EXPECT_NE(transcript.find("caption=\"Error\" style=0x2000"), std::string::npos);
}

TEST_F(HostBackendTest, ScriptMismatchIsRecordedAndTheLineStaysForItsKind) {
  SetAnswers("dialog 201 401\nbox OK\n");
  EXPECT_EQ(PlatMessageBox(nullptr, "A", "S", kMbRetryCancel), kIdCancel);
  EXPECT_EQ(PlatMessageBox(nullptr, "B", "S", kMbRetryCancel), kIdCancel);
  std::string transcript = Transcript();
  EXPECT_EQ(transcript,
            "script-mismatch line 1: expected box, found \"dialog 201 401\"\n"
            "box caption=\"S\" style=0x5 owner=none answer=CANCEL by=default text=\"A\"\n"
            "script-mismatch line 1: expected box, found \"dialog 201 401\"\n"
            "box caption=\"S\" style=0x5 owner=none answer=CANCEL by=default text=\"B\"\n");
}

TEST_F(HostBackendTest, AnswersThatTheBoxCannotGiveAreRefused) {
  SetAnswers("box YES\nbox MAYBE\nbox\nbox IGNORE\n");
  EXPECT_EQ(PlatMessageBox(nullptr, "t", "c", kMbRetryCancel), kIdCancel);
  EXPECT_EQ(PlatMessageBox(nullptr, "t", "c", kMbOk), kIdOk);
  EXPECT_EQ(PlatMessageBox(nullptr, "t", "c", kMbYesNo), kIdNo);
  EXPECT_EQ(PlatMessageBox(nullptr, "t", "c", 0x2), kIdIgnore);  // Abort/Retry/Ignore
  std::string transcript = Transcript();
  EXPECT_NE(transcript.find("script-mismatch line 1: the box has no button YES"),
            std::string::npos);
  EXPECT_NE(transcript.find("script-error line 2: \"MAYBE\" is no answer to a box"),
            std::string::npos);
  EXPECT_NE(transcript.find("script-error line 3: \"\" is no answer to a box"), std::string::npos);
  EXPECT_NE(transcript.find("answer=IGNORE by=script"), std::string::npos);
}

TEST_F(HostBackendTest, TranscriptKeepsEachEventOnOneLine) {
  static char window;
  PlatMessageBox(&window, "first line\nsecond\tcolumn\r\x01", "Velnet Setup", kMbOk);
  PlatMessageBeep(kMbIconExclamation);
  PlatMessageBeep(0xFFFFFFFFu);
  std::string transcript = Transcript();
  char owner[32];
  snprintf(owner, sizeof owner, "%p", static_cast<void*>(&window));
  EXPECT_EQ(transcript, std::string("box caption=\"Velnet Setup\" style=0x0 owner=") + owner +
                            " answer=OK by=default text=\"first line\\nsecond\\tcolumn\\r\\x01\"\n"
                            "beep 0x30\nbeep 0xFFFFFFFF\n");
}

typedef HostBackendTest HostBackendDeathTest;

TEST_F(HostBackendDeathTest, FatalExitRecordsTheTextAndEndsWithStatusThree) {
  EXPECT_EXIT(PlatFatalAppExit("Out of memory\nbye"), ::testing::ExitedWithCode(65),
              "Out of memory");
  EXPECT_EQ(Transcript(), "fatal-exit \"Out of memory\\nbye\"\n");
}

}  // namespace
