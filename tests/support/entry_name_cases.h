// The one table of entry names that the setup's payload reader and vntpack are both held to:
// each name with the name the setup reads it as (Windows drops trailing dots and blanks), or
// none when the setup refuses it (error 6). vntpack packs exactly the names the setup reads as
// written.
#pragma once

struct EntryNameCase {
  const char* name;
  const char* read_as;  // null: refused
};

const EntryNameCase kEntryNameCases[] = {
    // Ordinary names, those that only look like special ones included.
    {"VNT.EXE", "VNT.EXE"},
    {"SCRIPTS\\CONNECT.SCR", "SCRIPTS\\CONNECT.SCR"},
    {"A\\..B", "A\\..B"},
    {"MY FILE.TXT", "MY FILE.TXT"},
    {"CONSOLE.TXT", "CONSOLE.TXT"},
    {"COM10", "COM10"},
    {"LPT0", "LPT0"},
    {"A.CON", "A.CON"},
    {"~NOTES.TXT", "~NOTES.TXT"},
    {"RB00001.RBK", "RB00001.RBK"},
    {"DEC0001.TXT", "DEC0001.TXT"},
    {"DEC00001.TMP", "DEC00001.TMP"},
    {"DECXYZ1.TMP", "DECXYZ1.TMP"},
    {"VNTSETUP.INI", "VNTSETUP.INI"},
    {"VNTSETUP.01", "VNTSETUP.01"},
    // Names Windows reads as others: the setup judges what Windows uses.
    {"VNTPHONE.DAT ", "VNTPHONE.DAT"},
    {"NOTES.TXT.", "NOTES.TXT"},
    {"NOTES.TXT. .", "NOTES.TXT"},
    {"SCRIPTS. \\CONNECT.SCR", "SCRIPTS\\CONNECT.SCR"},
    // Outside the destination, or no name at all.
    {"SCRIPTS/NOTES.TXT", nullptr},
    {"/NOTES.TXT", nullptr},
    {"\\NOTES.TXT", nullptr},
    {"C:\\NOTES.TXT", nullptr},
    {"C:NOTES.TXT", nullptr},
    {"NOTES.TXT:STREAM", nullptr},
    {"..\\NOTES.TXT", nullptr},
    {"SUB\\..\\..\\NOTES.TXT", nullptr},
    {"...\\NOTES.TXT", nullptr},
    {".\\NOTES.TXT", nullptr},
    {"SUB. .\\..", nullptr},
    {"SCRIPTS\\\\NOTES.TXT", nullptr},
    {"SCRIPTS\\", nullptr},
    {" ", nullptr},
    {"...", nullptr},
    // Devices, in any component and as Windows reads them.
    {"CLOCK$", nullptr},
    {"CON .TXT", nullptr},
    {"con", nullptr},
    {"COM1.", nullptr},
    {"LPT3 .DOC", nullptr},
    {"SCRIPTS\\AUX.", nullptr},
    {"NUL\\NOTES.TXT", nullptr},
    {"SUB\\PRN \\NOTES.TXT", nullptr},
    // The program's own files: its journal, the files it sets aside, its temporary archives.
    {"VNTSETUP.RBK", nullptr},
    {"vntsetup.rbk ", nullptr},
    {"VNTSETUP.001", nullptr},
    {"~RB00001.RBK", nullptr},
    {"SUB\\~RBZ9999.RBK", nullptr},
    {"~RBSYS.RBK", nullptr},
    {"DEC0001.TMP", nullptr},
    {"dec00ff.tmp.", nullptr},
    {"SUB\\DEC1234.TMP\\NOTES.TXT", nullptr},
    // Characters Windows refuses in a name.
    {"A*B", nullptr},
    {"A?B", nullptr},
    {"A<B", nullptr},
    {"A>B", nullptr},
    {"A|B", nullptr},
    {"A\"B", nullptr},
    {"TAB\tNAME", nullptr},
};
