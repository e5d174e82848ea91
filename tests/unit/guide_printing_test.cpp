// Printing the Quick Reference Guide through dialog 229 on the simulated machine: the pages and
// lines the printer receives, page breaks, an empty and a missing guide, Cancel in the print
// dialog and in the print-abort dialog, and a printer that fails at each step of the job.
#include "ui/guide_printing.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "tests/support/payload_writer.h"
#include "tests/support/setup_test.h"
#include "ui/dialog_ids.h"

namespace {

// The printer of most tests: 100 pixels high, lines of 20, so 4 lines a page.
const char kSmallPrinter[] = "print OK page=100 font=20\n";

class GuidePrintTest : public SetupTest {
 protected:
  // A payload whose guide entry GUIDE.TXT holds text (claiming unpacked bytes when given).
  void Load(const std::string& text, const char* guide_entry = "GUIDE.TXT", int64_t unpacked = -1) {
    PayloadLayout layout;
    layout.guide_entry = guide_entry;
    layout.files = {
        {"README.TXT", "not the guide", 13},
        {"GUIDE.TXT", text, static_cast<uint32_t>(unpacked >= 0 ? unpacked : int64_t(text.size()))},
        {"AFTER.TXT", "the entry after the guide", 25}};
    UsePayloadFile(BuildPayload(layout));
    ASSERT_TRUE(OpenPayload() && ReadPayloadHeader());
  }
  // Shows dialog 229 as a person would, with answers scripted before Load.
  intptr_t ShowOffer() { return PlatDialogBox(kDialogPrintOffer, nullptr, PrintOfferDialogProc); }
  // The transcript lines of the printer ("print-...") and of the print-abort dialog.
  std::string Printed() {
    std::istringstream in(Transcript());
    std::string line;
    std::string out;
    while (std::getline(in, line)) {
      if (line.rfind("print-", 0) == 0 || line.find("RESID_DLG_PRINT") != std::string::npos) {
        out += line + "\n";
      }
    }
    return out;
  }
  bool Recorded(const std::string& text) { return Transcript().find(text) != std::string::npos; }
  static std::string Text(int y, const std::string& text) {
    return "print-text x=0 y=" + std::to_string(y) + " \"" + text + "\"\n";
  }
  static std::string Lines(int count) {
    std::string text;
    for (int i = 1; i <= count; ++i)
      text += (i > 1 ? "\r\n" : "") + std::string("line ") + std::to_string(i);
    return text;
  }
};

// ---- Pages and lines.

TEST_F(GuidePrintTest, AShortGuideIsOnePageBelowAnEmptyFirstLine) {
  SetAnswers(std::string("dialog 229 415\n") + kSmallPrinter);
  Load("First line\r\nSecond line\r\n\r\nFourth");
  EXPECT_EQ(ShowOffer(), kButtonPrint);
  EXPECT_EQ(Printed(),
            "print-dialog OK page=100 font=20 leading=0 by=script\n"
            "print-start-doc \"Quick Reference Guide\"\n"
            "dialog-open RESID_DLG_PRINT caption=\"Printing\"\n"
            "print-page 1\n"
            "dialog-show RESID_DLG_PRINT\n" +
                Text(20, "First line") + Text(40, "Second line") + Text(60, "") +
                Text(80, "Fourth") +
                "print-end-page 1\n"
                "print-end-doc pages=1\n"
                "dialog-close RESID_DLG_PRINT\n"
                "print-delete-dc\n");
  EXPECT_FALSE(Recorded("box "));
}

TEST_F(GuidePrintTest, AGuideLongerThanAPageBreaksAfterEveryFourthLine) {
  SetAnswers(std::string("dialog 229 415\n") + kSmallPrinter);
  Load(Lines(9));
  EXPECT_EQ(ShowOffer(), kButtonPrint);
  std::string printed = Printed();
  std::string expected;
  for (int page = 1; page <= 3; ++page) {
    expected += "print-page " + std::to_string(page) + "\n";
    if (page == 1) expected += "dialog-show RESID_DLG_PRINT\n";
    for (int line = (page - 1) * 4 + 1; line <= page * 4 && line <= 9; ++line) {
      expected += Text((line - 1) % 4 * 20 + 20, "line " + std::to_string(line));
    }
    expected += "print-end-page " + std::to_string(page) + "\n";
  }
  expected += "print-end-doc pages=3\n";
  EXPECT_NE(printed.find(expected), std::string::npos) << printed;
}

TEST_F(GuidePrintTest, AGuideThatFillsItsLastPageExactlyAddsNoEmptyPage) {
  SetAnswers(std::string("dialog 229 415\n") + kSmallPrinter);
  Load(Lines(8));
  ShowOffer();
  EXPECT_TRUE(Recorded("print-end-doc pages=2"));
  EXPECT_FALSE(Recorded("print-page 3"));
}

TEST_F(GuidePrintTest, TheLeadingWidensTheLinesAndTheDefaultPrinterHolds65) {
  SetAnswers("dialog 229 415\nprint OK page=100 font=18 leading=2\ndialog 229 415\nprint OK\n");
  Load(Lines(66));
  ShowOffer();
  EXPECT_TRUE(Recorded("print-end-doc pages=17"));  // 4 lines of 20 a page
  ShowOffer();
  EXPECT_TRUE(Recorded("print-end-doc pages=2"));  // 3300 / 50 - 1 = 65 a page
  EXPECT_TRUE(Recorded(Text(3250, "line 65")));
  EXPECT_TRUE(Recorded(Text(50, "line 66")));
}

// The default printer's rows hold 133 characters: a paragraph wider than field 510 (62
// characters of the host font) prints as one row, 300 letters as three rows of the page's width
// and nothing cut, a tab as blanks up to the next eighth column.
TEST_F(GuidePrintTest, ParagraphsBreakOnlyAtThePrintersWidthAndLoseNothing) {
  SetAnswers("dialog 229 415\nprint OK page=1000 font=20\n");
  std::string words =
      "Press F1 for help at any time while you are connected to Velnet, and "
      "F2 for the list of services.";
  Load(words + "\r\n" + std::string(300, 'i') + "\r\nKey:\tF1\r\n\tHelp");
  ShowOffer();
  std::string printed = Printed();
  EXPECT_NE(
      printed.find(Text(20, words) + Text(40, std::string(133, 'i')) +
                   Text(60, std::string(133, 'i')) + Text(80, std::string(34, 'i')) +
                   Text(100, "Key:    F1") + Text(120, "        Help") + "print-end-page 1\n"),
      std::string::npos)
      << printed;
}

// A printer narrower than the field: its rows are 15 characters of 20 pixels in 300. Every
// printed row fits, the paragraphs break at words (a long word inside, in full rows), and no
// character is lost.
TEST_F(GuidePrintTest, LinesWiderThanThePaperAreBrokenAgainAtItsWidth) {
  SetAnswers("dialog 229 415\nprint OK page=1000 font=20 width=300 char=20\n");
  const std::string words = "Press F1 for help at any time while you are connected to";
  Load(words + "\r\nshort\r\n" + std::string(62, 'x'));
  ShowOffer();
  std::istringstream in(Printed());
  std::string line;
  std::string joined;
  std::vector<std::string> rows;
  while (std::getline(in, line)) {
    size_t quote = line.find('"');
    if (line.rfind("print-text ", 0) != 0 || quote == std::string::npos) continue;
    rows.push_back(line.substr(quote + 1, line.size() - quote - 2));
    EXPECT_LE(rows.back().size(), 15u) << rows.back();
    EXPECT_EQ(line.rfind("print-text x=0 y=" + std::to_string(20 * rows.size()) + " ", 0), 0u)
        << line;
  }
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[0], "Press F1 for");
  EXPECT_EQ(rows[1], "help at any");
  std::string text;
  size_t at = 0;
  for (; at < rows.size() && rows[at] != "short"; ++at) text += (at > 0 ? " " : "") + rows[at];
  EXPECT_EQ(text, words);
  ASSERT_EQ(rows.size(), at + 6);
  for (size_t i = at + 1; i < at + 5; ++i) EXPECT_EQ(rows[i], std::string(15, 'x'));
  EXPECT_EQ(rows[at + 5], "xx");
}

TEST_F(GuidePrintTest, AnEmptyGuideStillAsksAndPrintsOneEmptyPage) {
  SetAnswers(std::string("dialog 229 415\n") + kSmallPrinter);
  Load("");
  EXPECT_EQ(ShowOffer(), kButtonPrint);
  std::string printed = Printed();
  EXPECT_NE(printed.find("print-page 1\ndialog-show RESID_DLG_PRINT\n" + Text(20, "") +
                         "print-end-page 1\nprint-end-doc pages=1\n"),
            std::string::npos)
      << printed;
}

// ---- Nothing to print.

TEST_F(GuidePrintTest, AMissingGuideEntryPrintsNothingAndShowsNothing) {
  SetAnswers(std::string("dialog 229 415\n") + kSmallPrinter);
  Load("the guide", "QRG.TXT");
  EXPECT_EQ(ShowOffer(), kButtonPrint);
  EXPECT_EQ(Printed(), "");
  EXPECT_FALSE(Recorded("box "));
}

TEST_F(GuidePrintTest, AGuideClaimingMoreBytesThanItStoresIsNotPrinted) {
  SetAnswers(std::string("dialog 229 415\n") + kSmallPrinter);
  Load("short", "GUIDE.TXT", 30);  // the rest would be the next entry's bytes
  ShowOffer();
  EXPECT_EQ(Printed(), "");
}

TEST_F(GuidePrintTest, AGuideTheFieldCannotHoldIsNotPrinted) {
  SetAnswers(std::string("dialog 229 415\n") + kSmallPrinter);
  Load(std::string(65536, 'g'));
  ShowOffer();
  EXPECT_TRUE(Recorded("edit-full 510"));
  EXPECT_EQ(Printed(), "");
}

TEST_F(GuidePrintTest, ContinueAndCloseDoNotPrint) {
  SetAnswers(std::string("dialog 229 408\ndialog 229 close\n"));
  Load("the guide");
  EXPECT_EQ(ShowOffer(), kButtonOk);
  EXPECT_EQ(ShowOffer(), kButtonCancel);
  EXPECT_EQ(Printed(), "");
}

// ---- The user stops.

TEST_F(GuidePrintTest, CancelInThePrintDialogPrintsNothing) {
  SetAnswers("dialog 229 415\nprint CANCEL\ndialog 229 415\nprint FAIL\ndialog 229 415\n");
  Load("the guide");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ShowOffer(), kButtonPrint);
  EXPECT_EQ(Printed(),
            "print-dialog CANCEL by=script\n"
            "print-dialog FAIL error=0x100B by=script\n"
            "print-dialog CANCEL by=default\n");
  EXPECT_FALSE(Recorded("box "));
}

TEST_F(GuidePrintTest, TheAbortButtonStopsTheJobAtTheEndOfThePage) {
  SetAnswers(std::string("dialog 229 415\nprint OK page=100 font=20 cancel-at=2\n"));
  Load(Lines(12));
  EXPECT_EQ(ShowOffer(), kButtonPrint);
  std::string printed = Printed();
  EXPECT_NE(printed.find("print-end-page 1\nprint-page 2\n"), std::string::npos) << printed;
  EXPECT_NE(printed.find(Text(80, "line 8") + "dialog-click RESID_DLG_PRINT 406 by=script\n"
                                              "print-end-page 2 cancelled\n"
                                              "dialog-close RESID_DLG_PRINT\n"
                                              "print-delete-dc\n"),
            std::string::npos)
      << printed;
  EXPECT_FALSE(Recorded("print-page 3"));
  EXPECT_FALSE(Recorded("print-end-doc"));
  EXPECT_FALSE(Recorded("print-abort-doc"));
}

TEST_F(GuidePrintTest, AJobStoppedOnceDoesNotStopTheNext) {
  SetAnswers(
      "dialog 229 415\nprint OK page=100 font=20 cancel-at=1\n"
      "dialog 229 415\nprint OK page=100 font=20\n");
  Load(Lines(6));
  ShowOffer();
  ShowOffer();
  EXPECT_TRUE(Recorded("print-end-page 1 cancelled"));
  EXPECT_TRUE(Recorded("print-end-doc pages=2"));
}

// ---- The printer fails.

TEST_F(GuidePrintTest, APrinterThatCannotStartTheDocumentSaysSo) {
  SetAnswers("dialog 229 415\nprint OK startdoc-fails\nbox OK\n");
  Load("the guide");
  EXPECT_EQ(ShowOffer(), kButtonPrint);
  EXPECT_TRUE(Recorded("box caption=\"Error\" style=0x10"));
  EXPECT_TRUE(Recorded("text=\"Unable to start print job\""));
  EXPECT_NE(Printed().find("print-start-doc \"Quick Reference Guide\" failed\nprint-delete-dc\n"),
            std::string::npos)
      << Printed();
  EXPECT_FALSE(Recorded("print-page"));
  EXPECT_FALSE(Recorded("dialog-open RESID_DLG_PRINT"));
}

TEST_F(GuidePrintTest, APageThatCannotStartDropsTheJobWithTheMessage) {
  SetAnswers("dialog 229 415\nprint OK page=100 font=20 startpage-fails=2\nbox OK\n");
  Load(Lines(6));
  EXPECT_EQ(ShowOffer(), kButtonPrint);
  std::string printed = Printed();
  EXPECT_NE(printed.find("print-end-page 1\nprint-page 2 failed\nprint-abort-doc\n"
                         "dialog-close RESID_DLG_PRINT\nprint-delete-dc\n"),
            std::string::npos)
      << printed;
  EXPECT_TRUE(Recorded("text=\"Unable to start print job\""));
  EXPECT_FALSE(Recorded("line 5"));
  EXPECT_FALSE(Recorded("print-end-doc"));
}

TEST_F(GuidePrintTest, TheFirstPageThatCannotStartDropsTheJobToo) {
  SetAnswers("dialog 229 415\nprint OK startpage-fails=1\nbox OK\n");
  Load("the guide");
  ShowOffer();
  EXPECT_NE(Printed().find("print-page 1 failed\nprint-abort-doc\n"), std::string::npos);
  EXPECT_FALSE(Recorded("print-text"));
  EXPECT_TRUE(Recorded("text=\"Unable to start print job\""));
}

TEST_F(GuidePrintTest, APageThatCannotEndStopsTheRestQuietly) {
  SetAnswers("dialog 229 415\nprint OK page=100 font=20 endpage-fails=1\n");
  Load(Lines(6));
  EXPECT_EQ(ShowOffer(), kButtonPrint);
  EXPECT_NE(Printed().find("print-end-page 1 failed\ndialog-close RESID_DLG_PRINT\n"
                           "print-delete-dc\n"),
            std::string::npos)
      << Printed();
  EXPECT_FALSE(Recorded("line 5"));
  EXPECT_FALSE(Recorded("print-end-doc"));
  EXPECT_FALSE(Recorded("box "));
}

TEST_F(GuidePrintTest, APrinterWithoutAFontHeightPrintsNothing) {
  SetAnswers("dialog 229 415\nprint OK font=0\nbox OK\n");
  Load("the guide");
  ShowOffer();
  EXPECT_FALSE(Recorded("print-text"));
  EXPECT_TRUE(Recorded("print-abort-doc"));
  EXPECT_TRUE(Recorded("text=\"Unable to start print job\""));
}

}  // namespace
