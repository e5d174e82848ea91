// Printing the Quick Reference Guide: the print-offer dialog 229 and its procedure, the guide's
// text from its stored payload entry (also set into the dialog's hidden edit field 510) laid out
// for the printer's page, the print dialog, and the pages with the print-abort dialog that lets
// the user stop the job.
#pragma once

#include <cstdint>

#include "platform/printing.h"
#include "platform/types.h"

const char* const kGuideDocumentName = "Quick Reference Guide";

// 229: as GenericDialogProc, except that Print Now (415) first prints the guide with the dialog
// as owner, then ends the dialog with 415.
intptr_t PrintOfferDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam,
                              intptr_t lparam);
// Prints the entry named guide_entry, one copy: each paragraph, its tabs expanded, in rows broken
// at words only where they would pass the printable width. Nothing is printed or shown when the
// entry is missing, cannot be read whole or is refused by the owner's field 510, or the user
// cancels the print dialog; "Unable to start print job" when the printer refuses the job.
void PrintQuickReferenceGuide(PlatWindow owner);
// The print dialog: the chosen printer, or null (CommDlgExtendedError asked, not reported).
PlatPrinter ChoosePrinter(PlatWindow owner);
// Installed for the job: passes waiting messages on while the user has not pressed the
// print-abort dialog's button, and then says stop (0).
int PrintAbortProc(PlatPrinter printer, int code);
// The print-abort dialog: the focus on its button 406, the document's name in 512; any command
// sets the print-cancel flag.
intptr_t PrintAbortDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam,
                              intptr_t lparam);
