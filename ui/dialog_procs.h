// The procedures of the program's plain dialogs and the two text buffers they show. Each follows
// DLGPROC: nonzero when it handled the message.
#pragma once

#include <cstdint>

#include "platform/types.h"

const uint32_t kDialogTextSize = 512;  // the text for control 503, NUL included
const uint32_t kEditTextSize = 256;    // the text of control 501, NUL included

// The shared buffers that ShowDialog and ShowEditDialog fill for the dialog procedures.
extern char g_dialog_text[kDialogTextSize];
extern char g_edit_text[kEditTextSize];
const char* DialogText();
char* EditText();

// 201, 205, 212, 213, 218, 221, 222: control 503 from the dialog text; a command 400..499 ends
// the dialog with its id, Close on the system menu with 406.
intptr_t GenericDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
// 208, 215: as above, and the path field 501 in and out of the edit buffer.
intptr_t EditDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
// 210 (and 224, 225): handles WM_INITDIALOG only.
intptr_t PassiveDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam, intptr_t lparam);
