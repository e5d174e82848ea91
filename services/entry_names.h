// The names a file-table entry may have, judged as Windows reads them, and the form in which the
// run holds them: one test for the setup program and for the tools that make payloads.
#pragma once

// 1 when the entry name is one the setup installs: a relative path of components separated by
// "\", each of which keeps a character once its trailing dots and blanks are dropped (so none is
// empty, "." or ".."), holds no control character and none of / : * ? " < > |, names no device
// (CON, CLOCK$, "CON .TXT", ...) and is none of the program's own file names (VNTSETUP.RBK,
// ~RB00001.RBK, DEC0001.TMP, ...). The empty name is not one.
int IsEntryNameAccepted(const char* name);
// Drops the trailing dots and blanks of every component in place, as Windows does when it opens
// the name ("VNTPHONE.DAT " is VNTPHONE.DAT), so that every rule judges the name Windows uses.
void NormaliseEntryName(char* name);
