// The dialog templates as the host reads them from the resource script that SETUP.EXE is
// built from, and as windres compiled them into SETUP.EXE, compared field by field with the
// program's template tables below: every id, class, style, position, size, font and text. A typo
// in the script, or a template that the compiler reads otherwise, fails here.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/host/host_templates.h"
#include "tests/support/compiled_dialogs.h"

namespace {

struct ExpectedControl {
  int id;
  std::string class_name;
  uint32_t style;
  int x, y, cx, cy;
  int icon;  // the icon shown, or 0 for a text
  std::string text;
};

struct ExpectedDialog {
  int id;
  uint32_t style;
  int x, y, cx, cy;
  std::string caption;
  std::string font;
  int font_size;
  std::vector<ExpectedControl> controls;
};

// clang-format off
const std::vector<ExpectedDialog> kExpected = {
    {200, 0x900000C0, 10, 70, 248, 98, "", "MS Sans Serif", 8,
     {
      {300, "STATIC", 0x50000003, 5, 4, 18, 20, 300, ""},
      {1001, "STATIC", 0x50020000, 33, 7, 205, 21, 0, "Please wait while Velnet is updated.  This process may take a few minutes."},
      {502, "_VNTSETUP_Gauge", 0x50000000, 33, 53, 205, 15, 0, ""},
      {1005, "STATIC", 0x50020000, 33, 33, 58, 11, 0, "Current File:"},
      {503, "STATIC", 0x50020000, 96, 33, 148, 11, 0, ""},
     }},
    {201, 0x94C800C0, 10, 75, 223, 159, "Welcome", "Helv", 8,
     {
      {401, "BUTTON", 0x50010001, 8, 59, 40, 14, 0, "&Update"},
      {402, "BUTTON", 0x50030000, 8, 103, 40, 14, 0, "&Review"},
      {403, "BUTTON", 0x50030000, 8, 133, 40, 14, 0, "&Exit"},
      {300, "STATIC", 0x50020003, 11, 2, 18, 20, 300, ""},
      {503, "STATIC", 0x50020080, 37, 8, 177, 44, 0, ""},
      {-1, "STATIC", 0x50000000, 59, 62, 158, 12, 0, "Click on this button to update Velnet.  "},
      {-1, "STATIC", 0x50000000, 59, 102, 154, 18, 0, "Click on this button to review (or change) the directories chosen by the setup program."},
      {-1, "STATIC", 0x50000000, 59, 132, 157, 19, 0, "Click on this button to exit the setup program.  No changes will be made to your computer."},
      {1502, "STATIC", 0x50010007, 7, 87, 208, 1, 0, ""},
     }},
    {202, 0x900000C0, 10, 70, 247, 117, "", "MS Sans Serif", 8,
     {
      {300, "STATIC", 0x50000003, 5, 4, 18, 20, 300, ""},
      {1001, "STATIC", 0x50020000, 32, 5, 209, 19, 0, "Please wait while we locate your copy of Velnet."},
      {1002, "STATIC", 0x50020000, 6, 57, 234, 19, 0, "This process may take several minutes.  No changes are being made to your computer at this time."},
      {403, "BUTTON", 0x50010000, 98, 96, 50, 15, 0, "&Exit"},
      {1003, "STATIC", 0x50020000, 32, 33, 44, 9, 0, "Checking in:"},
      {501, "STATIC", 0x50020000, 79, 33, 165, 9, 0, ""},
     }},
    {205, 0x84C800C0, 9, 75, 200, 117, "Setup", "Helv", 8,
     {
      {407, "BUTTON", 0x50010001, 52, 97, 40, 14, 0, "&Resume"},
      {403, "BUTTON", 0x50010000, 108, 97, 40, 14, 0, "&Exit"},
      {-1, "STATIC", 0x50020080, 9, 31, 186, 19, 0, "Velnet has not been updated and no changes have been made to your computer."},
      {-1, "STATIC", 0x50020000, 9, 70, 185, 18, 0, "Click on \"Resume\" to return to the setup process.  Click on \"Exit\" to exit the update program now."},
      {201, "STATIC", 0x50000003, 6, 7, 18, 20, 300, ""},
      {-1, "STATIC", 0x50020000, 33, 14, 157, 12, 0, "You've asked to exit the setup program."},
      {-1, "STATIC", 0x50020000, 9, 50, 185, 17, 0, "If you need assistance, call Velnet Customer Relations at 1-800-555-0142."},
     }},
    {208, 0x84C800C0, 10, 75, 229, 150, "Review", "Helv", 8,
     {
      {501, "EDIT", 0x50830488, 46, 104, 173, 12, 0, ""},
      {408, "BUTTON", 0x50030001, 38, 130, 40, 14, 0, "&Install"},
      {409, "BUTTON", 0x50010000, 94, 130, 40, 14, 0, "&Restore"},
      {406, "BUTTON", 0x50010000, 150, 130, 40, 14, 0, "Cancel"},
      {-1, "STATIC", 0x50020000, 9, 105, 35, 8, 0, "Directory:"},
      {-1, "STATIC", 0x50020080, 44, 11, 180, 11, 0, "Where your current copy of Velnet is located."},
      {300, "STATIC", 0x50020003, 14, 5, 18, 20, 300, ""},
      {-1, "STATIC", 0x50020000, 9, 34, 213, 18, 0, "The copy of Velnet found in this directory on your hard disk will be updated."},
      {-1, "STATIC", 0x50020000, 9, 64, 213, 26, 0, "If you would like to update a different copy of Velnet, enter the full path of that copy below."},
     }},
    {210, 0x900000C0, 10, 70, 248, 71, "", "MS Sans Serif", 8,
     {
      {300, "STATIC", 0x50000003, 5, 4, 18, 20, 300, ""},
      {1001, "STATIC", 0x50020000, 32, 5, 209, 19, 0, "Please wait while we update your Velnet database."},
      {1002, "STATIC", 0x50020000, 31, 55, 209, 13, 0, "This process may take a short while."},
      {502, "_VNTSETUP_Gauge", 0x50000000, 32, 31, 205, 15, 0, ""},
     }},
    {212, 0x84C800C0, 10, 75, 200, 110, "Setup", "Helv", 8,
     {
      {408, "BUTTON", 0x50010001, 80, 90, 40, 14, 0, "O&K"},
      {-1, "STATIC", 0x50020080, 5, 57, 192, 20, 0, "If you need assistance, contact Velnet Customer Relations at 1-800-555-0142."},
      {-1, "STATIC", 0x50020080, 33, 10, 160, 12, 0, "You've asked to stop the setup process."},
      {300, "STATIC", 0x50000003, 9, 5, 18, 20, 300, ""},
      {-1, "STATIC", 0x50020000, 5, 27, 191, 28, 0, "The setup process is not complete.  You will have to restart the setup program to complete the update of Velnet."},
     }},
    {213, 0x84C800C0, 10, 75, 167, 91, "Setup", "Helv", 8,
     {
      {408, "BUTTON", 0x50010001, 63, 71, 40, 14, 0, "O&K"},
      {-1, "STATIC", 0x50020080, 38, 11, 117, 11, 0, "Velnet has been updated!"},
      {300, "STATIC", 0x50000003, 12, 5, 18, 20, 300, ""},
      {-1, "STATIC", 0x50020000, 7, 33, 151, 29, 0, "To use Velnet, click on OK, then double-click on the Velnet symbol."},
     }},
    {215, 0x84C800C0, 10, 75, 229, 150, "Setup", "Helv", 8,
     {
      {501, "EDIT", 0x50830488, 43, 104, 176, 12, 0, ""},
      {408, "BUTTON", 0x50030001, 66, 130, 40, 14, 0, "&Continue"},
      {406, "BUTTON", 0x50010000, 122, 130, 40, 14, 0, "&Exit"},
      {-1, "STATIC", 0x50020000, 6, 105, 35, 8, 0, "Directory:"},
      {503, "STATIC", 0x50020080, 42, 10, 170, 13, 0, ""},
      {300, "STATIC", 0x50000003, 14, 3, 18, 20, 300, ""},
      {-1, "STATIC", 0x50020000, 6, 25, 215, 28, 0, "Setup searched your hard drive for a copy of Velnet that matches the above description.  You must first install that software before you use this update program."},
      {-1, "STATIC", 0x50020000, 6, 55, 211, 22, 0, "If you are sure that you have the required copy of Velnet installed, enter directory below and press Enter."},
      {-1, "STATIC", 0x50020000, 6, 80, 213, 19, 0, "Otherwise, select Exit to return to your desktop."},
     }},
    {218, 0x84C800C0, 10, 75, 216, 131, "Setup", "Helv", 8,
     {
      {-1, "STATIC", 0x50020080, 47, 11, 117, 11, 0, "Velnet has been updated."},
      {300, "STATIC", 0x50000003, 12, 5, 18, 20, 300, ""},
      {2101, "STATIC", 0x50020000, 8, 29, 195, 27, 0, "Setup needs to restart Windows in order for certain changes to take effect.  You may not be able to reliably use Velnet until Windows has been restarted."},
      {-1, "STATIC", 0x50020000, 8, 64, 195, 38, 0, "To restart Windows now, close any applications you're running and select 'Restart Now' below.  If you would prefer to restart Windows yourself, prior to using Velnet, select 'Restart Later' below."},
      {408, "BUTTON", 0x50010001, 41, 111, 61, 14, 0, "Restart &Now"},
      {406, "BUTTON", 0x50010000, 113, 111, 61, 14, 0, "Restart &Later"},
     }},
    {220, 0x900000C0, 10, 70, 248, 98, "", "MS Sans Serif", 8,
     {
      {300, "STATIC", 0x50000003, 5, 4, 18, 20, 300, ""},
      {1001, "STATIC", 0x50020000, 33, 7, 205, 21, 0, "Please wait while Velnet is installed.  This process may take a few minutes."},
      {406, "BUTTON", 0x50030001, 99, 78, 50, 14, 0, "&Cancel"},
      {502, "_VNTSETUP_Gauge", 0x50000000, 33, 53, 205, 15, 0, ""},
      {1005, "STATIC", 0x50020000, 33, 33, 58, 11, 0, "Current File:"},
      {503, "STATIC", 0x50020000, 96, 33, 148, 11, 0, ""},
     }},
    {221, 0x84C800C0, 10, 75, 167, 91, "Setup", "Helv", 8,
     {
      {408, "BUTTON", 0x50010001, 63, 71, 40, 14, 0, "O&K"},
      {-1, "STATIC", 0x50020080, 38, 11, 117, 11, 0, "Velnet has been installed!"},
      {300, "STATIC", 0x50000003, 12, 5, 18, 20, 300, ""},
      {-1, "STATIC", 0x50020000, 7, 33, 151, 29, 0, "To use Velnet, click on OK, then double-click on the Velnet symbol."},
     }},
    {222, 0x84C800C0, 10, 75, 187, 91, "Setup", "Helv", 8,
     {
      {408, "BUTTON", 0x50010001, 72, 62, 40, 14, 0, "O&K"},
      {-1, "STATIC", 0x50020080, 39, 7, 145, 20, 0, "Although the setup has not completely finished, Velnet has been installed!"},
      {300, "STATIC", 0x50000003, 12, 5, 18, 20, 300, ""},
      {-1, "STATIC", 0x50020000, 7, 33, 177, 29, 0, "To use Velnet, click on OK, then double-click on the Velnet symbol."},
     }},
    {229, 0x90C800C0, 10, 70, 209, 91, "Welcome", "MS Sans Serif", 8,
     {
      {415, "BUTTON", 0x50010001, 79, 68, 50, 14, 0, "Print Now"},
      {408, "BUTTON", 0x50010000, 147, 68, 50, 14, 0, "Continue"},
      {406, "BUTTON", 0x50010000, 11, 68, 50, 14, 0, "Cancel"},
      {300, "STATIC", 0x50020003, 11, 2, 18, 20, 300, ""},
      {510, "EDIT", 0x40810844, 6, 6, 249, 178, 0, ""},
      {-1, "STATIC", 0x50020080, 37, 8, 163, 13, 0, "Welcome to the Velnet setup program."},
      {-1, "STATIC", 0x50020000, 24, 30, 178, 28, 0, "You may print a copy of the Velnet Quick Reference Guide now by clicking on the Print Now button or click Continue to proceed with installation."},
     }},

};
// clang-format on

const int kUsEnglish = 0x409;

// Upper case, as windres stores class names.
std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return text;
}

// The numbered templates of the tables against templates[0..], in order. Class names compare
// without regard to case, as Windows looks them up.
void ExpectTheTables(const HostDialogTemplate* templates, int count) {
  ASSERT_GE(count, static_cast<int>(kExpected.size()));
  for (int i = 0; i < static_cast<int>(kExpected.size()); ++i) {
    const HostDialogTemplate& actual = templates[i];
    const ExpectedDialog& expected = kExpected[i];
    SCOPED_TRACE("dialog " + std::to_string(expected.id));
    EXPECT_EQ(actual.id, expected.id);
    EXPECT_EQ(actual.language, kUsEnglish);
    EXPECT_EQ(actual.style, expected.style);
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.cx, expected.cx);
    EXPECT_EQ(actual.cy, expected.cy);
    EXPECT_EQ(actual.caption, expected.caption);
    EXPECT_EQ(actual.font, expected.font);
    EXPECT_EQ(actual.font_size, expected.font_size);
    ASSERT_EQ(actual.control_count, static_cast<int>(expected.controls.size()));
    for (int c = 0; c < actual.control_count; ++c) {
      const HostControlTemplate& control = actual.controls[c];
      const ExpectedControl& want = expected.controls[c];
      SCOPED_TRACE("control " + std::to_string(c + 1));
      EXPECT_EQ(control.id, want.id);
      EXPECT_EQ(Upper(control.class_name), Upper(want.class_name));
      EXPECT_EQ(control.style, want.style);
      EXPECT_EQ(control.x, want.x);
      EXPECT_EQ(control.y, want.y);
      EXPECT_EQ(control.cx, want.cx);
      EXPECT_EQ(control.cy, want.cy);
      EXPECT_EQ(control.icon, want.icon);
      EXPECT_EQ(control.text, want.text);
    }
  }
}

TEST(DialogTemplates, EveryTemplateAsTheTablesGiveIt) {
  int count = 0;
  const HostDialogTemplate* templates = HostDialogTemplates(&count);
  // The numbered templates, then the print-abort dialog (below).
  ASSERT_EQ(count, static_cast<int>(kExpected.size()) + 1);
  ExpectTheTables(templates, count);
}

// The RT_DIALOG resources of a built SETUP.EXE, named by VNT_SETUP_EXE (the test command sets it
// once the Win32 build is there): the named print-abort dialog first, then the tables.
TEST(DialogTemplates, TheCompiledTemplatesOfSetupExeAsTheTablesGiveThem) {
  const char* exe = getenv("VNT_SETUP_EXE");
  if (exe == nullptr) GTEST_SKIP() << "VNT_SETUP_EXE names no built SETUP.EXE";
  std::string error;
  std::vector<HostDialogTemplate> compiled = ReadCompiledDialogs(exe, &error);
  ASSERT_EQ(error, "");
  ASSERT_EQ(compiled.size(), kExpected.size() + 1);
  EXPECT_STREQ(compiled[0].name, "RESID_DLG_PRINT");
  const HostDialogTemplate* script = HostFindNamedDialogTemplate("RESID_DLG_PRINT");
  ASSERT_NE(script, nullptr);
  EXPECT_EQ(compiled[0].style, script->style);
  ASSERT_EQ(compiled[0].control_count, script->control_count);
  for (int c = 0; c < script->control_count; ++c) {
    EXPECT_EQ(compiled[0].controls[c].id, script->controls[c].id);
    EXPECT_EQ(compiled[0].controls[c].style, script->controls[c].style);
    EXPECT_STREQ(compiled[0].controls[c].text, script->controls[c].text);
  }
  ExpectTheTables(compiled.data() + 1, static_cast<int>(compiled.size()) - 1);
}

TEST(DialogTemplates, ThePrintAbortDialogHasAStringNameAButtonAndTheNameField) {
  const HostDialogTemplate* named = HostFindNamedDialogTemplate("resid_dlg_print");
  ASSERT_NE(named, nullptr);
  EXPECT_STREQ(named->name, "RESID_DLG_PRINT");
  EXPECT_EQ(named->id, 0);
  EXPECT_EQ(named->style & 0x10000000u, 0u);  // shown once the first page has started
  ASSERT_EQ(named->control_count, 3);
  EXPECT_EQ(named->controls[1].id, 512);
  EXPECT_EQ(named->controls[2].id, 406);
  EXPECT_STREQ(named->controls[2].class_name, "BUTTON");
  EXPECT_EQ(HostFindDialogTemplate(0), nullptr);  // a name is no number
  EXPECT_EQ(HostFindNamedDialogTemplate("RESID_DLG_OTHER"), nullptr);
}

TEST(DialogTemplates, TemplatesNamedByCallersButNotProvidedAreMissing) {
  for (int id : {219, 224, 225, 226, 227, 228, 230}) {
    EXPECT_EQ(HostFindDialogTemplate(id), nullptr) << id;
  }
  ASSERT_NE(HostFindDialogTemplate(205), nullptr);
  EXPECT_EQ(HostFindDialogTemplate(205)->controls[4].id, 201);  // 205's icon has id 201
}

}  // namespace
