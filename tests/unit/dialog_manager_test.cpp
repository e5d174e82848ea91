// The dialog manager and the dialog procedures on the simulated machine: the modeless slots,
// the pump, the modal dialogs and their buffers, Esc and Close, and the exit and cancel
// confirmations. The machine's script plays the user.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/dialogs.h"
#include "platform/system.h"
#include "services/setup_state.h"
#include "tests/support/setup_test.h"
#include "ui/confirmations.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_manager.h"
#include "ui/dialog_procs.h"
#include "ui/gauge.h"

namespace {

class DialogTest : public SetupTest {
 protected:
  void SetUp() override {
    SetupTest::SetUp();
    ASSERT_TRUE(RegisterGaugeClass());
    ClearSearchStopRequest();
  }
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
  int TimesRecorded(const std::string& text) {
    std::string transcript = Transcript();
    int times = 0;
    for (size_t at = transcript.find(text); at != std::string::npos;
         at = transcript.find(text, at + 1)) {
      ++times;
    }
    return times;
  }
  std::string LogText() {
    return g_setup.log_buffer != nullptr ? std::string(g_setup.log_buffer, g_setup.log_used)
                                         : std::string();
  }
  // 1 when the window is a live dialog with a control 501.
  static int Alive(PlatWindow dialog) { return PlatSetItemText(dialog, kControlPath, "x"); }
};

TEST_F(DialogTest, FourModelessSlotsAndNoMore) {
  PlatWindow opened[kModelessSlots];
  for (PlatWindow& window : opened) {
    window = OpenModelessDialog(kDialogSearch, SearchDialogProc);
    ASSERT_NE(window, nullptr);
  }
  EXPECT_EQ(OpenModelessDialog(kDialogSearch, SearchDialogProc), nullptr);
  EXPECT_TRUE(Recorded("text=\"Too many simultaneous dialogs\""));
  // The same id four times: the lowest slot closes first.
  ASSERT_TRUE(CloseModelessDialog(kDialogSearch));
  EXPECT_FALSE(Alive(opened[0]));
  EXPECT_TRUE(Alive(opened[1]));
  PlatWindow again = OpenModelessDialog(kDialogSearch, SearchDialogProc);
  EXPECT_NE(again, nullptr);
  for (int i = 0; i < kModelessSlots; ++i) EXPECT_TRUE(CloseModelessDialog(kDialogSearch));
  EXPECT_FALSE(Alive(again));
}

TEST_F(DialogTest, FailuresLeaveTheSlotsAsTheyWere) {
  EXPECT_FALSE(CloseModelessDialog(kDialogSearch));
  EXPECT_TRUE(Recorded("text=\"No such dialog open\""));
  EXPECT_EQ(OpenModelessDialog(219, PassiveDialogProc), nullptr);
  EXPECT_TRUE(Recorded("text=\"Failed to create dialog 219\""));
  EXPECT_EQ(OpenModelessDialog(kDialogSearch, nullptr), nullptr);
  EXPECT_TRUE(Recorded("text=\"Failed MPI for dialog 202\""));
  // Neither failure took a slot: four dialogs still open.
  for (int i = 0; i < kModelessSlots; ++i) {
    EXPECT_NE(OpenModelessDialog(kDialogDatabaseProgress, PassiveDialogProc), nullptr);
  }
  for (int i = 0; i < kModelessSlots; ++i) CloseModelessDialog(kDialogDatabaseProgress);
  EXPECT_FALSE(LogText().find("dialog") != std::string::npos);  // messages, not log lines
}

TEST_F(DialogTest, PumpStopsAtQuitAndLeavesTheRest) {
  HostPostMessage(nullptr, 0x0100, 1, 0);
  HostPostMessage(nullptr, kWmQuit, 0, 0);
  HostPostMessage(nullptr, 0x0100, 3, 0);
  EXPECT_FALSE(PumpMessages());
  PlatMessage left;
  ASSERT_TRUE(PlatPeekMessage(&left));
  EXPECT_EQ(left.wparam, 3u);
  EXPECT_TRUE(PumpMessages());
}

// Within the interval after a pump nothing is pumped; once it has passed the queue is.
TEST_F(DialogTest, PumpWhenDueWaitsForTheIntervalSinceTheLastPump) {
  EXPECT_TRUE(PumpMessages());
  uint32_t pumped = PlatGetTickCount();
  HostPostMessage(nullptr, kWmQuit, 0, 0);
  int result = PumpMessagesWhenDue();
  if (PlatGetTickCount() - pumped < kPumpInterval) {
    EXPECT_TRUE(result) << "pumped too early";
  }
  while (PlatGetTickCount() - pumped <= kPumpInterval) usleep(1000);
  if (result) {
    EXPECT_FALSE(PumpMessagesWhenDue()) << "the quit message is due now";
  }
  PlatMessage left;
  EXPECT_FALSE(PlatPeekMessage(&left));
}

TEST_F(DialogTest, ModalDialogTakesTheTextAndReturnsTheButton) {
  SetAnswers("dialog 201 402\n");
  EXPECT_EQ(ShowDialog(kDialogWelcome, "Welcome to the update."), kButtonReview);
  EXPECT_TRUE(Recorded("dialog-open 201 caption=\"Welcome\" text503=\"Welcome to the update.\""));
  EXPECT_TRUE(Recorded("dialog-end 201 result=402"));
  // Without a text, control 503 stays as the template has it.
  SetAnswers("dialog 213 408\n");
  EXPECT_EQ(ShowDialog(kDialogUpdated, nullptr), kButtonOk);
  EXPECT_TRUE(Recorded("dialog-open 213 caption=\"Setup\"\n"));
  EXPECT_EQ(ShowDialog(219, "no such template"), -1);
  EXPECT_FALSE(Recorded("text=\"Failed to create dialog 219\""));
}

TEST_F(DialogTest, EscIsIgnoredAndCloseGivesCancel) {
  SetAnswers("dialog 201 2\ndialog 201 close\n");
  EXPECT_EQ(ShowDialog(kDialogWelcome, nullptr), kButtonCancel);
  EXPECT_TRUE(Recorded("dialog-click 201 2 by=script\ndialog-click 201 close by=script\n"));
}

TEST_F(DialogTest, NobodyAnsweringChoosesTheSafeWayOut) {
  EXPECT_EQ(ShowDialog(kDialogWelcome, nullptr), kButtonExit);
  EXPECT_EQ(ShowDialog(kDialogRestart, nullptr), kButtonCancel);
  EXPECT_EQ(ShowDialog(kDialogUpdated, nullptr), kButtonOk);
  EXPECT_TRUE(Recorded("dialog-click 218 406 by=default"));
}

TEST_F(DialogTest, EditDialogKeepsThePathUnlessInstalled) {
  char path[kEditTextSize] = "C:\\VELNET";
  SetAnswers("text 501 d:\\other\ndialog 208 409\n");
  EXPECT_EQ(ShowEditDialog(kDialogReview, path, nullptr), kButtonRestore);
  EXPECT_STREQ(path, "C:\\VELNET");
  SetAnswers("text 501 d:\\other\ndialog 208 close\n");
  EXPECT_EQ(ShowEditDialog(kDialogReview, path, nullptr), kButtonCancel);
  EXPECT_STREQ(path, "C:\\VELNET");
  // A change notification of the field (EN_CHANGE << 16 | 501) does not end the dialog.
  SetAnswers("text 501 d:\\other\ndialog 215 50332149\ndialog 215 408\n");
  EXPECT_EQ(ShowEditDialog(kDialogNotFound, path, "Velnet 2.0"), kButtonOk);
  EXPECT_STREQ(path, "D:\\OTHER");  // the field upper-cases what is typed
  EXPECT_TRUE(Recorded("dialog-open 215 caption=\"Setup\" text503=\"Velnet 2.0\""));
}

TEST_F(DialogTest, EditDialogRefusesAPathLongerThanItsBufferInsteadOfCuttingIt) {
  for (size_t length = 250; length <= 262; ++length) {
    std::string typed = "C:\\" + std::string(length - 3, 'D');
    char path[kEditTextSize] = "C:\\VELNET";
    SetAnswers("text 501 " + typed + "\ndialog 215 408\n");
    EXPECT_EQ(ShowEditDialog(kDialogNotFound, path, nullptr), kButtonOk);
    EXPECT_EQ(std::string(path), length < kEditTextSize ? typed : std::string()) << length;
  }
}

TEST_F(DialogTest, ExitConfirmationHidesAndShowsTheSearch) {
  SetAnswers("dialog 202 403\ndialog 205 407\ndialog 202 403\ndialog 205 403\n");
  PlatWindow search = OpenModelessDialog(kDialogSearch, SearchDialogProc);
  ASSERT_NE(search, nullptr);
  EXPECT_TRUE(PumpMessages());
  EXPECT_FALSE(SearchStopRequested());
  EXPECT_FALSE(g_setup.setup_aborted);
  EXPECT_TRUE(Recorded("dialog-hide 202\ndialog-open 205"));
  EXPECT_TRUE(Recorded("dialog-end 205 result=407\ndialog-show 202"));

  PumpMessages();  // one click of the script a pump
  EXPECT_TRUE(SearchStopRequested());
  EXPECT_TRUE(g_setup.setup_aborted);
  EXPECT_NE(LogText().find("User exit"), std::string::npos);
  EXPECT_FALSE(Recorded("dialog-end 205 result=403\ndialog-show 202"));
  CloseModelessDialog(kDialogSearch);
}

TEST_F(DialogTest, ConfirmExitWithoutAWindow) {
  SetAnswers("dialog 205 close\n");
  EXPECT_EQ(ConfirmExit(nullptr), 0);
  EXPECT_FALSE(g_setup.setup_aborted);
  SetAnswers("dialog 205 403\n");
  EXPECT_EQ(ConfirmExit(nullptr), 1);
  EXPECT_TRUE(g_setup.setup_aborted);
}

TEST_F(DialogTest, CancelAsksTheLongQuestionOnlyOverAnUpdatedCopy) {
  const char kLong[] = "Since you're overwriting a previous version of VNT";
  snprintf(g_setup.dest_dir, kStatePath, "C:\\VELNET");
  snprintf(g_setup.merge_dir, kStatePath, "c:\\velnet");
  const char kShort[] = "text=\"Are you sure you want to cancel the install?\"";
  ConfirmCancel();
  EXPECT_EQ(TimesRecorded(kLong), 1);
  EXPECT_FALSE(g_setup.install_stopped);  // nobody answered: No

  g_setup.install_mode = 1;
  ConfirmCancel();
  EXPECT_EQ(TimesRecorded(kShort), 1);

  g_setup.install_mode = 0;
  g_setup.merge_dir[0] = '\0';  // the installation has not reached the database yet
  ConfirmCancel();
  EXPECT_EQ(TimesRecorded(kShort), 2);
  EXPECT_EQ(TimesRecorded(kLong), 1);
}

TEST_F(DialogTest, CancelInTheProgressDialogStopsTheInstallOnYes) {
  SetAnswers("dialog 220 406\nbox YES\n");
  ASSERT_TRUE(RegisterGaugeClass());  // the reopened machine has no classes yet
  PlatWindow progress = OpenModelessDialog(kDialogInstallProgress, ProgressDialogProc);
  ASSERT_NE(progress, nullptr);
  SendGaugeRange(progress, 10);
  SendGaugePosition(progress, 4);
  PlatSetItemText(progress, kControlText, "README.TXT");
  EXPECT_TRUE(PumpMessages());
  EXPECT_TRUE(g_setup.install_stopped);
  EXPECT_TRUE(PlatSetItemText(progress, kControlText, "README.TXT"));  // still open
  EXPECT_TRUE(CloseModelessDialog(kDialogInstallProgress));
  EXPECT_TRUE(Recorded("dialog-close 220 gauge=4/10 text503=\"README.TXT\""));
}

}  // namespace
