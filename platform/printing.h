// Printing with Win32 semantics: the common print dialog of COMDLG32 giving a printer device
// context, and the document, page and text calls of GDI32 on that context.
//
// Contract: a null printer is harmless (every call fails). The host backend answers the print
// dialog from the answer script and records the pages and their text lines in the transcript
// (docs/host-machine.md).
#pragma once

#include <cstdint>

#include "platform/types.h"

typedef void* PlatPrinter;  // a printer's device context (HDC); null means none

// GDI's answers for a job: SP_ERROR, and SP_APPABORT once the abort procedure said stop.
const int kSpError = -1;
const int kSpAppAbort = -2;

// PrintDlgA owned by owner with PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION and one copy, no
// device mode or names given in; the device mode and names it returns are freed. The printer,
// or null when the user cancelled or the dialog failed; CommDlgExtendedError then tells which.
PlatPrinter PlatPrintDialog(PlatWindow owner);
uint32_t PlatPrintDialogError();

// The abort procedure of a job (ABORTPROC): nonzero to go on printing, 0 to stop.
typedef int (*PlatAbortProc)(PlatPrinter printer, int code);
// SetAbortProc: 1 when it was installed.
int PlatSetAbortProc(PlatPrinter printer, PlatAbortProc procedure);

// StartDocA with the document name, no output file: the job id (above 0), or kSpError.
int PlatStartDoc(PlatPrinter printer, const char* document_name);
// StartPage, EndPage, EndDoc: above 0 on success, 0 or below on failure.
int PlatStartPage(PlatPrinter printer);
int PlatEndPage(PlatPrinter printer);
int PlatEndDoc(PlatPrinter printer);
// AbortDoc: the job is dropped from the spooler.
int PlatAbortDoc(PlatPrinter printer);
// DeleteDC.
void PlatDeletePrinter(PlatPrinter printer);

// GetTextMetricsA of the current font: tmHeight and tmExternalLeading. 1, or 0 on failure.
int PlatPrinterFontMetrics(PlatPrinter printer, int32_t* height, int32_t* external_leading);
// GetDeviceCaps VERTRES: the printable height in pixels (0 on failure).
int32_t PlatPrinterPageHeight(PlatPrinter printer);
// GetDeviceCaps HORZRES: the printable width in pixels (0 on failure).
int32_t PlatPrinterPageWidth(PlatPrinter printer);
// GetTextExtentPoint32A of length characters in the current font: their width in pixels (0 on
// failure).
int32_t PlatPrinterTextWidth(PlatPrinter printer, const char* text, int length);
// TextOutA of length characters at (x, y).
int PlatPrintText(PlatPrinter printer, int32_t x, int32_t y, const char* text, int length);
