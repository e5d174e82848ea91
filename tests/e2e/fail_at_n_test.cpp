// The fail-at-N loop: the host `setup` updates (and, with -P, reinstalls over) an installation
// that holds older copies of the payload's files, while the machine's fault plan makes the Nth
// call of one kind fail, once or from then on, with Retry or Cancel as the user's answers; and
// with a power cut at the Nth change of a file, followed by a second run without faults. After
// each run the computer must be either exactly as a fault-free run leaves it, or exactly as it
// was before (journal and moved-aside files gone), with an exit status and an update.log that
// say why. Every N (and Retry with persistent faults) is tried when VNT_FAIL_AT_N=full; by
// default a spread of them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "platform/registry.h"
#include "tests/support/test_machine.h"

namespace {

namespace fs = std::filesystem;
typedef std::map<std::string, std::string> Snapshot;

const int kPowerCutStatus = 66;
const int kFatalExitStatus = 65;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

struct Tally {
  int runs = 0;
  int succeeded = 0;
  int rolled_back = 0;
  int recovered = 0;  // power cut, out-of-memory exit or an unfinished rollback, then a clean run
  int differs = 0;    // succeeded, but not as the fault-free run
  int lost = 0;       // neither as before nor recovered
};

class FailAtNTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    std::string pack = std::string(VNTPACK_PROGRAM) +
                       " build " DEMO_DIRECTORY "/payload.ini --for-host -o '" +
                       HostPath("C:\\DEMO.PAY") + "' >/dev/null 2>&1";
    ASSERT_EQ(system(pack.c_str()), 0);
    // The installation: the old database, older copies of payload files, the member's own
    // files, a file of the delete list; Windows with WIN.INI, help contents, an old PIF and an
    // old system file; the registry naming the installation.
    PutFile("C:\\VELNET\\IDB\\MAIN.IDX", ReadAll(DEMO_DIRECTORY "/old/IDB/MAIN.IDX"));
    PutFile("C:\\VELNET\\DIZI.EXE", "the installed client");
    PutFile("C:\\VELNET\\VNT.EXE", "the old program");
    PutFile("C:\\VELNET\\VNTNET.DLL", "the old network library");
    PutFile("C:\\VELNET\\GUIDE.TXT", "the old guide");
    PutFile("C:\\VELNET\\SCRIPTS\\CONNECT.SCR", "the old connect script");
    PutFile("C:\\VELNET\\SCRIPTS\\LEGACY.OLD", "a script the update deletes");
    PutFile("C:\\VELNET\\VNTPHONE.DAT", "the member's own phone list");
    PutFile("C:\\VELNET\\VNT.INI", "[member]\r\nname=AUSTIN\r\n");
    PutFile("C:\\WINDOWS\\WIN.INI", "[windows]\r\nload=\r\n[DIZI]\r\nInstalled=US\r\n");
    PutFile("C:\\WINDOWS\\HELP\\Windows.cnt", ":Base WINDOWS.HLP\r\n:Include system.cnt\r\n");
    PutFile("C:\\WINDOWS\\DOSGAME.PIF", std::string(545, 'p'));
    PutFile("C:\\WINDOWS\\SYSTEM\\VNTCTL32.DLL", "an old control library");
    ASSERT_EQ(system(("touch -d 1996-01-01 '" + HostPath("C:\\WINDOWS\\SYSTEM\\VNTCTL32.DLL") + "'")
                         .c_str()),
              0);
    // Written through the machine, so that registry.reg is in the form the machine writes.
    PlatRegKey key;
    ASSERT_EQ(PlatRegCreateKey(kRegLocalMachine, "SOFTWARE\\Velnet\\VNT\\CurrentVersion", &key),
              kRegSuccess);
    ASSERT_EQ(PlatRegSetString(key, "AppPath", "C:\\VELNET"), kRegSuccess);
    PlatRegCloseKey(key);
    HostMachineClose();
    template_ = root_ + "/../" + fs::path(root_).filename().string() + "-template";
    work_ = template_ + "-work";
    Copy(root_, template_);
    before_ = Take(template_);
    full_ = getenv("VNT_FAIL_AT_N") != nullptr && std::string(getenv("VNT_FAIL_AT_N")) == "full";
  }
  void TearDown() override {
    fs::remove_all(template_);
    fs::remove_all(work_);
    MachineTest::TearDown();
  }

  static void Copy(const std::string& from, const std::string& to) {
    fs::remove_all(to);
    ASSERT_EQ(system(("cp -a '" + from + "' '" + to + "'").c_str()), 0);
  }

  // The machine's drives and registry, without the update logs (they tell, they are not state).
  static Snapshot Take(const std::string& machine) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(machine + "/C")) {
      std::string name = entry.path().string().substr(machine.size());
      if (name == "/C/update.log" || name == "/C/VELNET/update.log") continue;
      files[name] = entry.is_directory() ? "<dir>" : ReadAll(entry.path());
    }
    files["registry.reg"] = ReadAll(machine + "/registry.reg");
    return files;
  }

  static std::string FirstDifference(const Snapshot& a, const Snapshot& b) {
    for (const auto& [name, bytes] : a) {
      auto other = b.find(name);
      if (other == b.end()) return name + " is gone";
      if (other->second != bytes) return name + " differs";
    }
    for (const auto& [name, bytes] : b) {
      if (a.find(name) == a.end()) return name + " is new";
    }
    return "";
  }

  // Runs setup on the work machine; the exit status.
  int RunSetup(bool install_mode) {
    std::string command = "VNT_MACHINE='" + work_ + "' '" HOST_SETUP_PROGRAM "' -X 'C:\\DEMO.PAY'";
    if (install_mode) command += " -P 'C:\\VELNET'";
    command += " </dev/null >/dev/null 2>&1";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void Prepare(const std::string& faults, bool install_mode, bool retry) {
    Copy(template_, work_);
    std::ofstream(work_ + "/machine.ini", std::ios::app) << "[faults]\n" << faults << "\n";
    std::string answers = install_mode ? "" : "dialog 201 401\n";
    if (retry) answers += "box RETRY\nbox RETRY\n";  // then the default, Cancel
    std::ofstream(work_ + "/answers.txt") << answers;
  }

  std::string Logs() {
    return ReadAll(work_ + "/C/update.log") + ReadAll(work_ + "/C/VELNET/update.log");
  }

  // 1 when a fault fired on update.log itself: the log could not be written whole.
  bool FaultHitTheLog() {
    std::string transcript = ReadAll(work_ + "/transcript.txt");
    for (size_t at = transcript.find("fault "); at != std::string::npos;
         at = transcript.find("fault ", at + 1)) {
      std::string line = transcript.substr(at, transcript.find('\n', at) - at);
      if (line.find("update.log") != std::string::npos) return true;
    }
    return false;
  }

  // A run that did not finish is followed by a clean one, which must recover and update.
  bool RecoversAndUpdates(bool install_mode, const Snapshot& after) {
    // Cut off after its last change (the journal already gone): the update is there, and a
    // second update finds no installation it may update.
    if (FirstDifference(after, Take(work_)).empty()) return true;
    std::string ini = ReadAll(work_ + "/machine.ini");
    std::ofstream(work_ + "/machine.ini") << ini.substr(0, ini.find("[faults]"));
    if (!install_mode) {
      // The recovery alone (the search meets the journal; the user then leaves): the old or
      // the new installation, whole.
      std::ofstream(work_ + "/answers.txt") << "dialog 201 403\ndialog 205 403\n";
      RunSetup(install_mode);
      Snapshot recovered = Take(work_);
      if (!FirstDifference(before_, recovered).empty() &&
          !FirstDifference(after, recovered).empty()) {
        ADD_FAILURE() << "the recovery alone left a mix: " << FirstDifference(before_, recovered);
        return false;
      }
    }
    std::ofstream(work_ + "/answers.txt") << (install_mode ? "" : "dialog 201 401\n");
    int status = RunSetup(install_mode);
    // A run cut off after its commit is finished by the next one's recovery alone, which then
    // finds nothing left to update (8).
    return (status == 0 || status == 7 || status == 8) &&
           FirstDifference(after, Take(work_)).empty();
  }

  // One run with the fault plan; records its outcome.
  void Judge(int status, bool install_mode, const Snapshot& after, const std::string& label,
             Tally* tally) {
    ++tally->runs;
    Snapshot now = Take(work_);
    std::string problem;
    if (status == 0 || status == 7) {
      ++tally->succeeded;
      if (!FirstDifference(after, now).empty()) {
        ++tally->differs;
        problem = "succeeded, but " + FirstDifference(after, now);
      }
    } else if ((status >= 1 && status <= 5) || status == 8) {  // 8: no installation judged
      std::string difference = FirstDifference(before_, now);
      std::string logs = Logs();
      if (!difference.empty()) {
        problem = "status " + std::to_string(status) + ", but " + difference;
      } else if ((status == 4 || status == 5) && logs.find("Rolling back (") == std::string::npos &&
                 logs.find("Fatal error #") == std::string::npos && !FaultHitTheLog()) {
        problem = "status " + std::to_string(status) + " without the cause in update.log";
      } else {
        ++tally->rolled_back;
      }
    } else if (status == 6 || status == kPowerCutStatus || status == kFatalExitStatus) {
      if (status == 6 && Logs().find("Rollback incomplete") == std::string::npos &&
          !FaultHitTheLog()) {
        problem = "status 6 without the list of what was not restored";
      } else if (RecoversAndUpdates(install_mode, after)) {
        ++tally->recovered;
      } else {
        problem = "status " + std::to_string(status) +
                  ", and the next run did not recover: " + FirstDifference(after, Take(work_));
      }
    } else {
      problem = "status " + std::to_string(status);
    }
    if (!problem.empty() && problem.rfind("succeeded", 0) != 0) {
      ++tally->lost;
      ADD_FAILURE() << label << ": " << problem;
    } else if (!problem.empty()) {
      std::cout << label << ": " << problem << "\n";
    }
  }

  // The Ns tried: every one in full mode; else 1, 2, 3 and then a spread growing by the factor
  // (tenths) given, so that the default run stays within a few minutes.
  int NextN(int n, int growth) const { return full_ || n < 3 ? n + 1 : n * growth / 10 + 1; }

  Snapshot Reference(bool install_mode) {
    Prepare("", install_mode, false);
    // The old system file is replaced, so a restart is wanted; nobody answers dialog 218, which
    // then takes Restart Later: updated, restart declined.
    EXPECT_EQ(RunSetup(install_mode), 7) << Logs();
    Snapshot after = Take(work_);
    EXPECT_FALSE(FirstDifference(before_, after).empty());
    // The uninstall entry is written whole while the journal is active, its value new to the key.
    EXPECT_NE(after["registry.reg"].find("\"UninstallString\"="), std::string::npos)
        << after["registry.reg"];
    for (const auto& [name, bytes] : after) {
      EXPECT_EQ(name.find(".RBK"), std::string::npos) << name << " left by a run that succeeded";
    }
    return after;
  }

  void Report(const std::string& what, const Tally& tally) {
    std::cout << what << ": " << tally.runs << " runs, " << tally.succeeded << " succeeded ("
              << tally.differs << " not as without the fault), " << tally.rolled_back
              << " left the computer as it was, " << tally.recovered
              << " recovered by the next run, " << tally.lost << " lost data\n";
    RecordProperty(what + "_runs", tally.runs);
    RecordProperty(what + "_lost", tally.lost);
  }

  std::string template_;
  std::string work_;
  Snapshot before_;
  bool full_ = false;
};

TEST_F(FailAtNTest, EveryFaultAtEveryCallLeavesTheComputerUpdatedOrAsItWas) {
  const char* const kinds[] = {"disk_full", "cannot_open",     "read_only", "in_use",
                               "no_memory", "registry_denied", "no_module"};
  for (bool install_mode : {false, true}) {
    Snapshot after = Reference(install_mode);
    Tally tally;
    for (const char* kind : kinds) {
      for (bool persistent : {false, true}) {
        for (bool retry : {true, false}) {
          if (persistent && retry && !full_) continue;  // Retry then Cancel: as Cancel, later
          for (int n = 1;; n = NextN(n, 16)) {
            std::string rule =
                std::string(kind) + " = " + std::to_string(n) + (persistent ? " persistent" : "");
            Prepare(rule, install_mode, retry);
            int status = RunSetup(install_mode);
            if (ReadAll(work_ + "/transcript.txt").find("fault " + std::string(kind)) ==
                std::string::npos) {
              break;  // no call of the kind was left to fail
            }
            Judge(status, install_mode, after,
                  std::string(install_mode ? "-P, " : "update, ") + rule +
                      (retry ? ", Retry" : ", Cancel"),
                  &tally);
          }
        }
      }
    }
    Report(install_mode ? "install_mode" : "update_mode", tally);
    EXPECT_EQ(tally.lost, 0);
  }
}

TEST_F(FailAtNTest, APowerCutAtAnyChangeIsRecoveredByTheNextRun) {
  for (bool install_mode : {false, true}) {
    Snapshot after = Reference(install_mode);
    Tally tally;
    for (int n = 1;; n = NextN(n, 13)) {
      std::string rule = "power_cut = " + std::to_string(n);
      Prepare(rule, install_mode, false);
      int status = RunSetup(install_mode);
      if (status != kPowerCutStatus) {
        EXPECT_TRUE(status == 0 || status == 7) << status;
        break;  // the run made fewer changes than n
      }
      Judge(status, install_mode, after, std::string(install_mode ? "-P, " : "update, ") + rule,
            &tally);
    }
    Report(install_mode ? "power_cut_install_mode" : "power_cut_update_mode", tally);
    EXPECT_EQ(tally.lost, 0);
  }
}

TEST_F(FailAtNTest, APowerCutInsideTheRollbackIsFinishedByTheNextRun) {
  // A fault that fails the run late (the merge's registry writes, a full disk in the merge) and
  // a power cut at every later change: the cut lands in the run or in its rollback, and the next
  // run must finish the job.
  const char* const faults[] = {"registry_denied = 3", "disk_full = 40"};
  for (bool install_mode : {false, true}) {
    Snapshot after = Reference(install_mode);
    Tally tally;
    for (const char* fault : faults) {
      for (int n = 1;; n = NextN(n, 13)) {
        std::string rule = std::string(fault) + "\npower_cut = " + std::to_string(n);
        Prepare(rule, install_mode, false);
        int status = RunSetup(install_mode);
        if (status != kPowerCutStatus) break;  // the rollback made fewer changes than n
        Judge(status, install_mode, after,
              std::string(install_mode ? "-P, " : "update, ") + fault +
                  ", power_cut = " + std::to_string(n),
              &tally);
      }
    }
    Report(install_mode ? "rollback_cut_install_mode" : "rollback_cut_update_mode", tally);
    EXPECT_EQ(tally.lost, 0);
  }
}

TEST_F(FailAtNTest, ANearFullDriveIsRefusedBeforeAnyChangeOrUpdated) {
  // Old copies of every payload file: the estimate credits their clusters, which the rollback
  // keeps until the end. Around the figure the estimate asks for, on a drive that counts every
  // cluster, a run is either refused before it changes anything or updates.
  for (const auto& entry : fs::recursive_directory_iterator(DEMO_DIRECTORY "/files")) {
    if (!entry.is_regular_file()) continue;
    fs::path target =
        fs::path(template_ + "/C/VELNET") / fs::relative(entry.path(), DEMO_DIRECTORY "/files");
    if (fs::exists(target)) continue;
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << std::string(fs::file_size(entry.path()), 'o');
  }
  before_ = Take(template_);
  const uint32_t kCluster = 4096;
  auto free_section = [&](uint64_t free) {
    return "\n[free]\nC=" + std::to_string(free) +
           "\nC.track=1\nC.cluster=" + std::to_string(kCluster);
  };
  for (bool install_mode : {false, true}) {
    SCOPED_TRACE(install_mode ? "-P" : "update");
    Snapshot after = Reference(install_mode);
    // The estimate of the files alone, then the figure the disk-space question names when the
    // room is just that: the rollback's reserve on top.
    Prepare(free_section(kCluster * 16), install_mode, false);
    EXPECT_EQ(RunSetup(install_mode), 2);
    std::string logs = Logs();
    size_t at = logs.find("Total = ");
    ASSERT_NE(at, std::string::npos) << logs;
    Prepare(free_section(std::stoull(logs.substr(at + 8)) + kCluster), install_mode, false);
    EXPECT_EQ(RunSetup(install_mode), 2);
    EXPECT_NE(Logs().find("Kept for the rollback until the end = "), std::string::npos) << Logs();
    std::string transcript = ReadAll(work_ + "/transcript.txt");
    size_t asked = transcript.find("At least ");
    ASSERT_NE(asked, std::string::npos) << transcript;
    uint64_t required = std::stoull(transcript.substr(asked + 9));
    uint64_t smallest_run = 0;
    for (uint64_t free = required - 40 * kCluster; free <= required + 4 * kCluster;
         free += kCluster / 2) {
      Prepare(free_section(free), install_mode, false);
      int status = RunSetup(install_mode);
      std::string label = "free " + std::to_string(free) + ", status " + std::to_string(status);
      if (status == 2) {
        EXPECT_EQ(FirstDifference(before_, Take(work_)), "") << label;
        EXPECT_LT(free, required + kCluster) << label << ": refused with the room it asked for";
      } else {
        EXPECT_TRUE(status == 0 || status == 7) << label << "\n" << Logs();
        EXPECT_EQ(FirstDifference(after, Take(work_)), "") << label;
        if (smallest_run == 0) smallest_run = free;
      }
      EXPECT_EQ(Logs().find("corrupted"), std::string::npos) << label;
    }
    std::cout << (install_mode ? "-P" : "update") << ": the estimate asks for " << required
              << " bytes; the run needed at most " << smallest_run << "\n";
    RecordProperty(install_mode ? "install_required" : "update_required",
                   static_cast<int>(required));
  }
}

TEST_F(FailAtNTest, ASecondFaultOfEveryKindInsideTheRollbackIsFinishedByTheNextRun) {
  // A late fault fails the run; a second fault of another kind at its Nth call, once or from then
  // on, lands in the run or in its rollback. The rollback stops honestly (6) or finishes, and a
  // clean run after it finishes the job.
  struct Double {
    const char* first;
    const char* second;
  };
  const Double doubles[] = {
      {"registry_denied = 3", "disk_full"}, {"registry_denied = 3", "cannot_open"},
      {"registry_denied = 3", "read_only"}, {"registry_denied = 3", "in_use"},
      {"registry_denied = 3", "no_memory"}, {"disk_full = 40", "registry_denied"}};
  for (bool install_mode : {false, true}) {
    Snapshot after = Reference(install_mode);
    Tally tally;
    for (const Double& fault : doubles) {
      for (bool persistent : {false, true}) {
        for (int n = 1;; n = NextN(n, 14)) {
          std::string rule = std::string(fault.first) + "\n" + fault.second + " = " +
                             std::to_string(n) + (persistent ? " persistent" : "");
          Prepare(rule, install_mode, false);
          int status = RunSetup(install_mode);
          if (ReadAll(work_ + "/transcript.txt").find("fault " + std::string(fault.second)) ==
              std::string::npos) {
            break;  // the run and its rollback made fewer calls of the kind than n
          }
          std::string label = std::string(install_mode ? "-P, " : "update, ") + fault.first + ", " +
                              fault.second + " = " + std::to_string(n) +
                              (persistent ? " persistent" : "");
          Judge(status, install_mode, after, label, &tally);
        }
      }
    }
    Report(install_mode ? "double_fault_install_mode" : "double_fault_update_mode", tally);
    EXPECT_EQ(tally.lost, 0);
  }
}

TEST_F(FailAtNTest, APowerCutInsideTheRecoveryIsFinishedByTheRunAfter) {
  // A run cut off at its Nth change; the next run cut off at its Mth, inside the recovery or the
  // update after it; then a clean run (after a recovery alone, in update mode).
  for (bool install_mode : {false, true}) {
    Snapshot after = Reference(install_mode);
    Tally tally;
    std::string cut = work_ + "-cut";
    for (int n = 1;; n = NextN(n, 25)) {
      Prepare("power_cut = " + std::to_string(n), install_mode, false);
      if (RunSetup(install_mode) != kPowerCutStatus) break;
      Copy(work_, cut);
      for (int m = 1;; m = NextN(m, 20)) {
        Copy(cut, work_);
        std::string ini = ReadAll(work_ + "/machine.ini");
        std::ofstream(work_ + "/machine.ini")
            << ini.substr(0, ini.find("[faults]")) << "[faults]\npower_cut = " << m << "\n";
        std::ofstream(work_ + "/answers.txt") << (install_mode ? "" : "dialog 201 401\n");
        int status = RunSetup(install_mode);
        if (status != kPowerCutStatus) break;  // the second run made fewer changes than m
        Judge(status, install_mode, after,
              std::string(install_mode ? "-P, " : "update, ") + "power_cut = " + std::to_string(n) +
                  ", then power_cut = " + std::to_string(m),
              &tally);
      }
    }
    fs::remove_all(cut);
    Report(install_mode ? "recovery_cut_install_mode" : "recovery_cut_update_mode", tally);
    EXPECT_EQ(tally.lost, 0);
  }
}

}  // namespace
