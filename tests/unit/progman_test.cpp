// The Program Manager DDE client against the simulated Program Manager: the conversation, the
// three commands and their order, refusals, servers that answer twice or not at all, a server
// that ends the conversation, and everything given back afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "integration/progman_dde.h"
#include "platform/dde.h"
#include "platform/system.h"
#include "platform/windows.h"
#include "tests/support/setup_test.h"

namespace {

const char kProgmanIni[] = "[windows]\nclass=Progman\n";
const char kCreate[] = "command=\"[CreateGroup(Velnet)]\"";
const char kAdd[] = "command=\"[AddItem(C:\\VELNET\\VNT.EXE,Velnet Online)]\"";
const char kShow[] = "command=\"[ShowGroup(Velnet,7)]\"";

class ProgmanTest : public SetupTest {
 protected:
  // A machine described by machine_ini, with the client class registered on it.
  void UseMachine(const std::string& machine_ini) {
    WriteMachineIni(machine_ini);
    ASSERT_NE(RegisterDdeClientClass(), 0);
  }
  int AddItem(const char* title = "Velnet Online") {
    return AddProgmanItem("Velnet", title, "C:\\VELNET\\VNT.EXE");
  }
  std::string LogText() {
    return g_setup.log_buffer != nullptr ? std::string(g_setup.log_buffer, g_setup.log_used)
                                         : std::string();
  }
  // The transcript lines, in order.
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::string text = Transcript();
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
      lines.push_back(text.substr(at, end - at));
    }
    return lines;
  }
  // The position of the first line after from that contains piece, or -1.
  int LineWith(const std::string& piece, int from = -1) {
    std::vector<std::string> lines = Lines();
    for (int i = from + 1; i < static_cast<int>(lines.size()); ++i) {
      if (lines[i].find(piece) != std::string::npos) return i;
    }
    return -1;
  }
  // Closing the machine records whatever was not given back.
  void ExpectNothingLeft() {
    HostMachineClose();
    std::string text = Transcript();
    EXPECT_EQ(text.find("atom-left"), std::string::npos) << text;
    EXPECT_EQ(text.find("dde-memory-left"), std::string::npos) << text;
  }
};

TEST_F(ProgmanTest, TheThreeCommandsGoInOrderWhileProgramManagerIsDisabled) {
  UseMachine(kProgmanIni);
  EXPECT_EQ(AddItem(), 1);
  int created = LineWith("window-create class=\"DDEClient\" title=\"\"");
  int initiated = LineWith("dde-initiate servers=1", created);
  int disabled = LineWith("progman-disable", initiated);
  int group =
      LineWith(std::string("dde-execute server=1 ") + kCreate + " result=accepted", disabled);
  int item = LineWith(std::string("dde-execute server=1 ") + kAdd + " result=accepted", group);
  int shown = LineWith(std::string("dde-execute server=1 ") + kShow + " result=accepted", item);
  int ended = LineWith("dde-terminate server=1 by=client", shown);
  int destroyed = LineWith("window-destroy class=\"DDEClient\"", ended);
  int enabled = LineWith("progman-enable", destroyed);
  EXPECT_GE(created, 0);
  EXPECT_GT(enabled, 0) << Transcript();
  EXPECT_EQ(LineWith("progman-restore"), -1);  // it was not minimised
  EXPECT_EQ(LogText(), "");
  ExpectNothingLeft();
}

TEST_F(ProgmanTest, ARefusedCommandIsLoggedAndTheOthersAreStillSent) {
  UseMachine(std::string(kProgmanIni) + "[progman]\nrefuse=creategroup\n");
  EXPECT_EQ(AddItem(), 0);
  EXPECT_GE(LineWith(std::string(kCreate) + " result=refused"), 0);
  EXPECT_GE(LineWith(std::string(kAdd) + " result=accepted"), 0);
  EXPECT_GE(LineWith(std::string(kShow) + " result=accepted"), 0);
  EXPECT_EQ(LogText(), "CreateGroup failed\r\n");
  ExpectNothingLeft();
}

TEST_F(ProgmanTest, TitlesAndPathsGoInUnchanged) {
  UseMachine(kProgmanIni);
  EXPECT_EQ(AddProgmanItem("Velnet (2)", "Velnet, the (new) one", "C:\\VEL,NET\\VNT.EXE"), 1);
  EXPECT_GE(LineWith("command=\"[CreateGroup(Velnet (2))]\""), 0);
  EXPECT_GE(LineWith("command=\"[AddItem(C:\\VEL,NET\\VNT.EXE,Velnet, the (new) one)]\""), 0);
  EXPECT_GE(LineWith("command=\"[ShowGroup(Velnet (2),7)]\""), 0);
}

TEST_F(ProgmanTest, AMinimisedProgramManagerIsRestoredFirstAndStaysRestored) {
  UseMachine(std::string(kProgmanIni) + "[progman]\nminimized=1\n");
  PlatWindow progman = PlatFindWindow("PROGMAN");
  EXPECT_EQ(PlatIsIconic(progman), 1);
  EXPECT_EQ(AddItem(), 1);
  int restored = LineWith("progman-restore");
  EXPECT_GE(restored, 0);
  EXPECT_LT(restored, LineWith("progman-disable"));
  EXPECT_LT(restored, LineWith(kCreate));
  EXPECT_EQ(PlatIsIconic(progman), 0);
}

TEST_F(ProgmanTest, OnlyTheFirstOfTwoServersTakesPart) {
  UseMachine(std::string(kProgmanIni) + "[progman]\nservers=2\n");
  EXPECT_EQ(AddItem(), 1);
  int initiated = LineWith("dde-initiate servers=2");
  int second_let_go = LineWith("dde-terminate server=2 by=client", initiated);
  EXPECT_GE(second_let_go, 0);
  EXPECT_LT(second_let_go, LineWith(kCreate));
  EXPECT_EQ(LineWith("server=2 command"), -1);
  EXPECT_GE(LineWith(std::string("server=1 ") + kShow + " result=accepted"), 0);
  EXPECT_EQ(LogText(), "");
  ExpectNothingLeft();
}

TEST_F(ProgmanTest, WithoutAServerNoWindowIsMadeAndProgramManagerIsLeftAlone) {
  UseMachine("");
  EXPECT_EQ(AddItem(), 0);
  EXPECT_EQ(LogText(), "Couldn't create DDE client window\r\n");
  EXPECT_GE(LineWith("dde-initiate servers=0"), 0);
  EXPECT_GE(LineWith("window-destroy class=\"DDEClient\""), 0);
  EXPECT_EQ(LineWith("progman-"), -1);
  EXPECT_EQ(LineWith("dde-execute"), -1);
  ExpectNothingLeft();  // both atoms deleted
}

TEST_F(ProgmanTest, WithoutTheClassNothingIsSent) {
  UseMachine(kProgmanIni);
  EXPECT_EQ(UnregisterDdeClientClass(), 1);
  EXPECT_EQ(UnregisterDdeClientClass(), 0);
  EXPECT_EQ(AddItem(), 0);
  EXPECT_EQ(LogText(), "Couldn't create DDE client window\r\n");
  EXPECT_EQ(LineWith("dde-"), -1);
  ExpectNothingLeft();
}

TEST_F(ProgmanTest, AServerWithoutProgramManagerWindowEndsTheConversation) {
  UseMachine("[progman]\nservers=1\n");
  EXPECT_EQ(AddItem(), 0);
  EXPECT_EQ(LogText(), "Couldn't find PM window\r\n");
  EXPECT_EQ(LineWith("dde-execute"), -1);
  int ended = LineWith("dde-terminate server=1 by=client");
  EXPECT_GE(ended, 0);
  EXPECT_GE(LineWith("window-destroy class=\"DDEClient\"", ended), 0);
  ExpectNothingLeft();
}

TEST_F(ProgmanTest, AnUnansweredCommandFailsAfterTheWait) {
  UseMachine(std::string(kProgmanIni) + "[progman]\nignore=AddItem\n");
  EXPECT_EQ(AddItem(), 0);
  int item = LineWith(std::string(kAdd) + " result=unanswered");
  EXPECT_GE(LineWith("message-wait-timeout", item), 0);
  EXPECT_GE(LineWith(std::string(kShow) + " result=accepted", item), 0);
  EXPECT_EQ(LogText(), "AddItem failed\r\n");
  ExpectNothingLeft();
}

TEST_F(ProgmanTest, AfterTheServerEndsTheConversationCommandsAreRefused) {
  UseMachine(std::string(kProgmanIni) + "[progman]\nterminate_after=1\n");
  EXPECT_EQ(AddItem(), 0);
  int group = LineWith(std::string(kCreate) + " result=accepted");
  int ended = LineWith("dde-terminate server=1 by=server", group);
  EXPECT_GE(LineWith(std::string(kAdd) + " result=ignored", ended), 0);
  EXPECT_EQ(LineWith("ShowGroup"), -1);  // no conversation left to send it in
  EXPECT_GE(LineWith("dde-terminate server=1 by=client", ended), 0);  // the ending answered
  EXPECT_EQ(LogText(), "AddItem failed\r\nShowGroup failed\r\n");
  EXPECT_EQ(LineWith("message-wait-timeout"), -1);
  ExpectNothingLeft();
}

TEST_F(ProgmanTest, ACommandLongerThanItsBufferIsNotSent) {
  UseMachine(kProgmanIni);
  std::string path = "C:\\" + std::string(230, 'P') + "\\VNT.EXE";
  // "[AddItem(" + 241 + "," + 7 + ")]" is 260 characters.
  EXPECT_EQ(AddProgmanItem("Velnet", "Velnet!", path.c_str()), 0);
  EXPECT_EQ(LogText(), "AddItem failed\r\n");
  EXPECT_EQ(LineWith("AddItem"), -1);
  EXPECT_GE(LineWith(std::string(kShow) + " result=accepted"), 0);
  // 259 characters still go.
  EXPECT_EQ(AddProgmanItem("Velnet", "Velnet", path.c_str()), 1);
  EXPECT_GE(LineWith("AddItem(C:\\PPP"), 0);
}

TEST_F(ProgmanTest, DataNobodyAskedForIsRefused) {
  UseMachine(kProgmanIni);
  uint16_t atom = PlatGlobalAddAtom("PROGMAN");
  PlatWindow client = PlatCreateHiddenWindow("DDEClient", static_cast<uint32_t>(atom) << 16 | atom);
  PlatGlobalDeleteAtom(atom);
  ASSERT_NE(client, nullptr);
  PlatWindow progman = PlatFindWindow("Progman");
  EXPECT_EQ(PlatSendMessage(client, kWmDdeData, reinterpret_cast<uintptr_t>(progman), 0), 0);
  EXPECT_GE(LineWith("dde-data-refused server=1"), 0);
  // A terminate from a window that is not the server changes nothing; the server's own ends it.
  EXPECT_EQ(DdeExecute(client, "[ShowGroup(Velnet,7)]"), 1);
  PlatSendMessage(client, kWmDdeTerminate, 0x1234, 0);
  EXPECT_EQ(DdeExecute(client, "[ShowGroup(Velnet,7)]"), 1);
  PlatSendMessage(client, kWmDdeTerminate, reinterpret_cast<uintptr_t>(progman), 0);
  EXPECT_GE(LineWith("dde-terminate server=1 by=client"), 0);
  EXPECT_EQ(DdeExecute(client, "[ShowGroup(Velnet,7)]"), 0);
  EXPECT_EQ(PlatDestroyWindow(client), 1);
  ExpectNothingLeft();
}

}  // namespace
