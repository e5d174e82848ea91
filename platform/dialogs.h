// Dialogs from the program's dialog templates, with Win32 semantics (DialogBoxParamA,
// CreateDialogParamA, EndDialog and the control texts). The dialog procedures are portable
// code; the backend calls them with the messages a dialog receives.
//
// Contract: a missing template or a failed creation gives -1 (modal) or null (modeless), with
// nothing shown. A null dialog or a missing control is harmless. The host backend answers
// modal dialogs from the answer script or a terminal (docs/host-machine.md).
#pragma once

#include <cstdint>

#include "platform/types.h"
#include "platform/windows.h"

// A dialog procedure: returns nonzero when it handled the message (DLGPROC's BOOL). It receives
// WM_INITDIALOG with lparam 0.
typedef intptr_t (*PlatDialogProc)(PlatWindow dialog, uint32_t message, uintptr_t wparam,
                                   intptr_t lparam);

// DialogBoxParamA(instance, template id, owner, procedure, 0): the value given to
// PlatEndDialog, or -1 when the dialog could not be made.
intptr_t PlatDialogBox(int template_id, PlatWindow owner, PlatDialogProc procedure);
// CreateDialogParamA(instance, template id, owner, procedure, 0): the new dialog, or null.
PlatWindow PlatCreateDialog(int template_id, PlatWindow owner, PlatDialogProc procedure);
// The same, but the dialog is made hidden whatever its template's style says, and is never shown
// on its own (a silent run's dialogs).
PlatWindow PlatCreateHiddenDialog(int template_id, PlatWindow owner, PlatDialogProc procedure);
// The same for a template with a string name, such as "RESID_DLG_PRINT".
PlatWindow PlatCreateNamedDialog(const char* template_name, PlatWindow owner,
                                 PlatDialogProc procedure);
// EndDialog: the modal dialog ends with result once its procedure returns.
int PlatEndDialog(PlatWindow dialog, intptr_t result);

// SetDlgItemTextA; GetDlgItemTextA into out (size bytes, NUL included, the text cut to fit),
// returning the length copied.
int PlatSetItemText(PlatWindow dialog, int item, const char* text);
uint32_t PlatGetItemText(PlatWindow dialog, int item, char* out, uint32_t size);

// Messages of a multi-line edit control, sent with PlatSendItemMessage (platform/windows.h):
// the number of lines it breaks its text into, and line wparam copied into the buffer lparam,
// whose first 16 bits give its capacity in characters (no NUL is added; the result is the
// number of characters copied).
const uint32_t kEmGetLineCount = 0x00BA;
const uint32_t kEmGetLine = 0x00C4;

// Finds, loads and locks the RT_DIALOG resource: 1 when the program has that template.
int PlatPreloadDialogTemplate(int template_id);
