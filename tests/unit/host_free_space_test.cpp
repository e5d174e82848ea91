// Tests of the tracked free space of the host backend ([free] C.track=1): random file changes
// checked against a walk of the drive folders, and the refusals of a full disk.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/support/test_machine.h"

namespace {

class HostFreeSpaceTest : public MachineTest {
 protected:
  uint32_t FreeClusters(const char* root) {
    PlatDiskSpace space = {};
    EXPECT_EQ(PlatGetDiskFreeSpace(root, &space), 1) << root;
    return space.free_clusters;
  }
  // The clusters the regular files under a host folder occupy, counted afresh.
  uint64_t Spans(const std::string& folder, uint32_t cluster) {
    uint64_t total = 0;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return 0;
    for (struct dirent* item = readdir(dir); item != nullptr; item = readdir(dir)) {
      std::string name = item->d_name;
      struct stat info;
      if (name == "." || name == ".." || lstat((folder + "/" + name).c_str(), &info) != 0) {
        continue;
      }
      if (S_ISDIR(info.st_mode)) total += Spans(folder + "/" + name, cluster);
      if (S_ISREG(info.st_mode)) total += Span(static_cast<uint64_t>(info.st_size), cluster);
    }
    closedir(dir);
    return total;
  }
  static uint64_t Span(uint64_t size, uint32_t cluster) { return (size + cluster - 1) / cluster; }
  uint64_t SizeOf(const char* windows_path) {
    struct stat info;
    return stat(HostPath(windows_path).c_str(), &info) == 0 ? static_cast<uint64_t>(info.st_size)
                                                            : 0;
  }
  PlatFile CreateWith(const char* path, const std::string& bytes) {
    PlatFile file = PlatCreateFile(path);
    EXPECT_NE(file, kPlatNoFile) << path;
    EXPECT_EQ(Write(file, bytes), bytes.size());
    return file;
  }
  uint32_t Write(PlatFile file, const std::string& bytes) {
    return PlatWriteFile(file, bytes.data(), static_cast<uint32_t>(bytes.size()));
  }
};

// One drive of the random run: what machine.ini says and what its folder held at the opening.
struct Drive {
  char letter;
  uint32_t cluster;
  uint64_t figure;
  int tracked;
  uint64_t spans_at_open;
};

TEST_F(HostFreeSpaceTest, RandomChangesKeepTheCountOfEveryDrive) {
  PutFile("C:\\F0", std::string(5000, 'a'));
  PutFile("C:\\SUB\\F3", std::string(9000, 'b'));
  PutFile("D:\\F1", std::string(100, 'c'));
  PutFile("E:\\F0", std::string(7000, 'd'));
  WriteMachineIni(
      "[free]\nC=165000\nC.cluster=4096\nC.track=1\nD=61440\nD.cluster=2048\nD.track=1\n"
      "E=65536\nE.cluster=4096\n");
  Drive drives[] = {{'C', 4096, 165000, 1, 0}, {'D', 2048, 61440, 1, 0}, {'E', 4096, 65536, 0, 0}};
  for (Drive& drive : drives)
    drive.spans_at_open = Spans(root_ + "/" + drive.letter, drive.cluster);
  // The free clusters the drive must have now, from its folder as it is.
  auto expected = [&](const Drive& drive) {
    if (!drive.tracked) return static_cast<int64_t>(drive.figure / drive.cluster);
    int64_t now = static_cast<int64_t>(Spans(root_ + "/" + drive.letter, drive.cluster));
    return static_cast<int64_t>(drive.figure / drive.cluster) -
           (now - static_cast<int64_t>(drive.spans_at_open));
  };
  auto drive_of = [&](const std::string& path) -> const Drive& { return drives[path[0] - 'C']; };
  const char* const names[] = {"C:\\F0", "C:\\F1", "C:\\F2", "C:\\SUB\\F3", "C:\\SUB\\F4", "D:\\F0",
                               "D:\\F1", "D:\\G2", "E:\\F0", "E:\\F1",      "C:\\SUB\\F1"};
  const int name_count = static_cast<int>(sizeof names / sizeof names[0]);
  std::mt19937 random(20240611);
  auto pick = [&](uint64_t n) { return n == 0 ? 0 : static_cast<uint64_t>(random() % n); };
  std::vector<PlatFile> handles;  // a file may be open through several of them
  std::vector<std::string> opened;
  int cut_short = 0;
  int refused = 0;
  for (int step = 0; step < 1500 && !HasFailure(); ++step) {
    std::string name = names[pick(name_count)];
    std::string other = names[pick(name_count)];
    uint64_t op = pick(10);
    size_t at = pick(handles.size());
    if (op == 0 && handles.size() < 4) {
      PlatFile file = PlatCreateFile(name.c_str());
      if (file != kPlatNoFile) {
        handles.push_back(file);
        opened.push_back(name);
      }
    } else if (op == 1 && handles.size() < 4) {
      PlatFile file = PlatOpenFile(name.c_str(), kOpenReadWrite);
      if (file != kPlatNoFile) {
        handles.push_back(file);
        opened.push_back(name);
      }
    } else if (op <= 4 && !handles.empty()) {
      const Drive& drive = drive_of(opened[at]);
      uint64_t size = SizeOf(opened[at].c_str());
      uint64_t position = pick(size + 6000);
      uint64_t count = pick(20000);
      ASSERT_EQ(PlatSeekFile(handles[at], static_cast<uint32_t>(position), kSeekBegin), position);
      int64_t free_now = expected(drive);
      uint64_t end = position + count;
      uint64_t want = count;
      if (drive.tracked && count > 0 && end > size &&
          static_cast<int64_t>(Span(end, drive.cluster) - Span(size, drive.cluster)) > free_now) {
        uint64_t room =
            (Span(size, drive.cluster) + static_cast<uint64_t>(free_now)) * drive.cluster;
        want = room > position ? room - position : 0;
        ++cut_short;
      }
      std::string bytes(count, static_cast<char>('A' + step % 26));
      EXPECT_EQ(Write(handles[at], bytes), want) << "step " << step << " " << opened[at];
    } else if (op == 5 && !handles.empty()) {
      const Drive& drive = drive_of(opened[at]);
      uint64_t size = SizeOf(opened[at].c_str());
      uint64_t wanted = pick(45000);
      int fits = !drive.tracked || wanted <= size ||
                 static_cast<int64_t>(Span(wanted, drive.cluster) - Span(size, drive.cluster)) <=
                     expected(drive);
      refused += !fits;
      EXPECT_EQ(PlatSetFileSize(handles[at], static_cast<uint32_t>(wanted)), fits)
          << "step " << step;
      EXPECT_EQ(SizeOf(opened[at].c_str()), fits ? wanted : size) << "step " << step;
    } else if (op == 6 && !handles.empty()) {
      EXPECT_EQ(PlatCloseFile(handles[at]), 1);
      handles.erase(handles.begin() + static_cast<long>(at));
      opened.erase(opened.begin() + static_cast<long>(at));
    } else if (op == 7) {
      const Drive& drive = drive_of(other);
      std::string before = GetFile(other.c_str());
      int had_target = Exists(other.c_str());
      int64_t needs = static_cast<int64_t>(Span(SizeOf(name.c_str()), drive.cluster)) -
                      static_cast<int64_t>(Span(SizeOf(other.c_str()), drive.cluster));
      int fits = !drive.tracked || needs <= expected(drive);
      int copied = PlatCopyFile(name.c_str(), other.c_str(), static_cast<int>(pick(2)));
      if (!fits) {
        EXPECT_EQ(copied, 0) << "step " << step;
        ++refused;
      }
      if (copied) {
        EXPECT_EQ(GetFile(other.c_str()), GetFile(name.c_str())) << "step " << step;
      } else {
        EXPECT_EQ(Exists(other.c_str()), had_target != 0) << "step " << step;
        EXPECT_EQ(GetFile(other.c_str()), before) << "step " << step;
      }
    } else if (op == 8) {
      const Drive& drive = drive_of(other);
      int across = name[0] != other[0];
      int fits = !across || !drive.tracked ||
                 static_cast<int64_t>(Span(SizeOf(name.c_str()), drive.cluster)) <= expected(drive);
      int moved = PlatMoveFile(name.c_str(), other.c_str());
      if (!fits) {
        EXPECT_EQ(moved, 0) << "step " << step;
        EXPECT_TRUE(Exists(name.c_str())) << "step " << step;
        ++refused;
      }
    } else if (op == 9) {
      PlatDeleteFile(name.c_str());
    }
    for (const Drive& drive : drives) {
      char root[4] = {drive.letter, ':', '\\', '\0'};
      EXPECT_EQ(static_cast<int64_t>(FreeClusters(root)), expected(drive))
          << "drive " << drive.letter << " after step " << step << " (operation " << op << ")";
    }
  }
  for (PlatFile file : handles) PlatCloseFile(file);
  // The run reached the limit often enough for the refusals to have been tried.
  EXPECT_GT(cut_short, 5);
  EXPECT_GT(refused, 5);
}

TEST_F(HostFreeSpaceTest, AWriteAcrossTheLimitWritesWhatTheFreeClustersHold) {
  WriteMachineIni("[free]\nC=12388\nC.cluster=4096\nC.track=1\n");  // 3 clusters and a bit
  EXPECT_EQ(FreeClusters("C:\\"), 3u);
  PlatFile file = CreateWith("C:\\BIG.DAT", std::string(5000, 'x'));
  EXPECT_EQ(FreeClusters("C:\\"), 1u);
  EXPECT_EQ(Write(file, std::string(10000, 'y')), 12288u - 5000u);
  EXPECT_EQ(SizeOf("C:\\BIG.DAT"), 12288u);
  EXPECT_EQ(FreeClusters("C:\\"), 0u);
  EXPECT_EQ(Write(file, "z"), 0u);
  // Bytes inside the clusters the file holds need none.
  ASSERT_EQ(PlatSeekFile(file, 0, kSeekBegin), 0u);
  EXPECT_EQ(Write(file, std::string(4096, 'w')), 4096u);
  EXPECT_EQ(PlatSetFileSize(file, 12289), 0);
  EXPECT_EQ(SizeOf("C:\\BIG.DAT"), 12288u);
  EXPECT_EQ(PlatSetFileSize(file, 100), 1);
  EXPECT_EQ(FreeClusters("C:\\"), 2u);
  EXPECT_EQ(PlatCloseFile(file), 1);
  std::string transcript = Transcript();
  EXPECT_NE(transcript.find("disk-full \"C:\\BIG.DAT\" needs=2 free=1\n"), std::string::npos)
      << transcript;
  EXPECT_NE(transcript.find("disk-full \"C:\\BIG.DAT\" needs=1 free=0\n"), std::string::npos);
  EXPECT_NE(transcript.find("disk-full \"C:\\BIG.DAT\" needs=1 free=0\ndisk-full"),
            std::string::npos);  // the write of one byte, then the size
  // The figure is what is free when the machine opens: reopening starts from it again.
  WriteMachineIni("[free]\nC=12388\nC.cluster=4096\nC.track=1\n");
  EXPECT_EQ(FreeClusters("C:\\"), 3u);
  EXPECT_EQ(PlatDeleteFile("C:\\BIG.DAT"), 1);  // there at the opening: its cluster comes back
  EXPECT_EQ(FreeClusters("C:\\"), 4u);
}

TEST_F(HostFreeSpaceTest, HandlesGrowingOneFileCountItsSizeNotTheirWrites) {
  WriteMachineIni("[free]\nC=40960\nC.cluster=4096\nC.track=1\n");
  PlatFile first = PlatCreateFile("C:\\SHARED");
  PlatFile second = PlatOpenFile("C:\\SHARED", kOpenReadWrite);
  ASSERT_NE(second, kPlatNoFile);
  EXPECT_EQ(Write(first, std::string(4096, 'a')), 4096u);
  EXPECT_EQ(Write(second, std::string(4096, 'b')), 4096u);  // over the same bytes
  EXPECT_EQ(FreeClusters("C:\\"), 9u);
  EXPECT_EQ(Write(second, std::string(4096, 'c')), 4096u);
  EXPECT_EQ(Write(first, std::string(100, 'd')), 100u);  // inside what the second one wrote
  EXPECT_EQ(FreeClusters("C:\\"), 8u);
  EXPECT_EQ(PlatSetFileSize(first, 0), 1);
  EXPECT_EQ(FreeClusters("C:\\"), 10u);
  PlatCloseFile(first);
  PlatCloseFile(second);
}

TEST_F(HostFreeSpaceTest, ACopyThatDoesNotFitFailsAndLeavesNothing) {
  PutFile("C:\\OLD.BIN", std::string(3 * 4096, 'o'));
  PutFile("D:\\SRC.BIN", std::string(3 * 4096, 's'));
  PutFile("D:\\SMALL.BIN", std::string(2 * 4096, 'm'));
  WriteMachineIni("[free]\nC=8192\nC.cluster=4096\nC.track=1\n");
  EXPECT_EQ(PlatCopyFile("D:\\SRC.BIN", "C:\\NEW.BIN", 0), 0);
  EXPECT_FALSE(Exists("C:\\NEW.BIN"));
  EXPECT_EQ(FreeClusters("C:\\"), 2u);
  EXPECT_NE(Transcript().find("disk-full \"C:\\NEW.BIN\" needs=3 free=2\n"), std::string::npos);
  EXPECT_EQ(PlatMoveFile("D:\\SRC.BIN", "C:\\NEW.BIN"), 0);
  EXPECT_TRUE(Exists("D:\\SRC.BIN"));
  EXPECT_FALSE(Exists("C:\\NEW.BIN"));
  // Over a file, only the difference counts.
  EXPECT_EQ(PlatCopyFile("D:\\SMALL.BIN", "C:\\OLD.BIN", 0), 1);
  EXPECT_EQ(FreeClusters("C:\\"), 3u);
  EXPECT_EQ(PlatMoveFile("C:\\OLD.BIN", "D:\\OLD.BIN"), 1);
  EXPECT_EQ(FreeClusters("C:\\"), 5u);
  EXPECT_EQ(PlatCopyFile("D:\\SRC.BIN", "C:\\NEW.BIN", 0), 1);
  EXPECT_EQ(FreeClusters("C:\\"), 2u);
  EXPECT_EQ(PlatMoveFile("C:\\NEW.BIN", "C:\\SUB.BIN"), 1);  // within the drive: nothing
  EXPECT_EQ(FreeClusters("C:\\"), 2u);
}

TEST_F(HostFreeSpaceTest, FoldersCostNothingAndStayOnTheirDrive) {
  PutFile("D:\\KEEP", "k");
  WriteMachineIni("[free]\nC=8192\nC.cluster=4096\nC.track=1\n");
  ASSERT_EQ(PlatCreateDirectory("C:\\DIR"), 1);
  PlatCloseFile(CreateWith("C:\\DIR\\IN.TXT", "in"));
  EXPECT_EQ(FreeClusters("C:\\"), 1u);
  EXPECT_EQ(PlatMoveFile("C:\\DIR", "D:\\DIR"), 0);
  EXPECT_TRUE(Exists("C:\\DIR\\IN.TXT"));
  EXPECT_EQ(PlatMoveFile("C:\\DIR", "C:\\OTHER"), 1);
  EXPECT_EQ(FreeClusters("C:\\"), 1u);
  PlatCloseFile(CreateWith("C:\\EMPTY", ""));
  EXPECT_EQ(FreeClusters("C:\\"), 1u);
}

TEST_F(HostFreeSpaceTest, UntrackedDrivesNeverRunOutOfRoom) {
  // The last machine asks for tracking without a figure to start from: nothing is tracked.
  for (const char* ini :
       {"[free]\nC=12288\nC.cluster=4096\n", "[free]\nC=12288\nC.cluster=4096\nC.track=0\n",
        "[free]\nC=12288\nC.cluster=4096\nC.track=2\n",
        "[free]\nC=12288\nC.cluster=4096\nD=4096\nD.track=1\n",
        "[free]\nC.cluster=4096\nC.track=1\n"}) {
    WriteMachineIni(ini);
    int fixed = strstr(ini, "C=") != nullptr;
    PlatFile file = CreateWith("C:\\LARGE", std::string(100000, 'l'));
    EXPECT_EQ(PlatSetFileSize(file, 200000), 1) << ini;
    PlatCloseFile(file);
    EXPECT_EQ(PlatCopyFile("C:\\LARGE", "C:\\LARGE2", 0), 1) << ini;
    if (fixed) {
      EXPECT_EQ(FreeClusters("C:\\"), 3u) << ini;
    }
    EXPECT_EQ(PlatDeleteFile("C:\\LARGE"), 1);
    EXPECT_EQ(PlatDeleteFile("C:\\LARGE2"), 1);
    if (fixed) {
      EXPECT_EQ(FreeClusters("C:\\"), 3u) << ini;
    }
  }
  EXPECT_EQ(Transcript().find("disk-full"), std::string::npos);
}

}  // namespace
