// Printing over COMDLG32 and GDI32: the print dialog, the document and page calls, text and
// metrics on the printer's device context. The abort procedure is the program's portable one,
// called through one ABORTPROC.
#include <windows.h>

#include <commdlg.h>

#include "platform/printing.h"

namespace {

PlatAbortProc g_abort_procedure;

BOOL CALLBACK AbortProc(HDC printer, int code) {
  return g_abort_procedure == nullptr || g_abort_procedure(printer, code) ? TRUE : FALSE;
}

HDC Context(PlatPrinter printer) {
  return static_cast<HDC>(printer);
}

}  // namespace

PlatPrinter PlatPrintDialog(PlatWindow owner) {
  PRINTDLGA settings;
  ZeroMemory(&settings, sizeof settings);
  settings.lStructSize = sizeof settings;
  settings.hwndOwner = static_cast<HWND>(owner);
  settings.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
  settings.nCopies = 1;
  if (!PrintDlgA(&settings)) return nullptr;
  if (settings.hDevNames != nullptr) GlobalFree(settings.hDevNames);
  if (settings.hDevMode != nullptr) GlobalFree(settings.hDevMode);
  return settings.hDC;
}

uint32_t PlatPrintDialogError() {
  return CommDlgExtendedError();
}

int PlatSetAbortProc(PlatPrinter printer, PlatAbortProc procedure) {
  if (printer == nullptr) return 0;
  g_abort_procedure = procedure;
  return SetAbortProc(Context(printer), AbortProc) > 0;
}

int PlatStartDoc(PlatPrinter printer, const char* document_name) {
  if (printer == nullptr) return kSpError;
  DOCINFOA info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  info.lpszDocName = document_name;
  return StartDocA(Context(printer), &info);
}

int PlatStartPage(PlatPrinter printer) {
  return printer != nullptr ? StartPage(Context(printer)) : kSpError;
}

int PlatEndPage(PlatPrinter printer) {
  return printer != nullptr ? EndPage(Context(printer)) : kSpError;
}

int PlatEndDoc(PlatPrinter printer) {
  return printer != nullptr ? EndDoc(Context(printer)) : kSpError;
}

int PlatAbortDoc(PlatPrinter printer) {
  return printer != nullptr ? AbortDoc(Context(printer)) : kSpError;
}

void PlatDeletePrinter(PlatPrinter printer) {
  if (printer != nullptr) DeleteDC(Context(printer));
}

int PlatPrinterFontMetrics(PlatPrinter printer, int32_t* height, int32_t* external_leading) {
  TEXTMETRICA metrics;
  if (printer == nullptr || !GetTextMetricsA(Context(printer), &metrics)) return 0;
  *height = metrics.tmHeight;
  *external_leading = metrics.tmExternalLeading;
  return 1;
}

int32_t PlatPrinterPageHeight(PlatPrinter printer) {
  return printer != nullptr ? GetDeviceCaps(Context(printer), VERTRES) : 0;
}

int32_t PlatPrinterPageWidth(PlatPrinter printer) {
  return printer != nullptr ? GetDeviceCaps(Context(printer), HORZRES) : 0;
}

int32_t PlatPrinterTextWidth(PlatPrinter printer, const char* text, int length) {
  SIZE size;
  if (printer == nullptr || !GetTextExtentPoint32A(Context(printer), text, length, &size)) return 0;
  return size.cx;
}

int PlatPrintText(PlatPrinter printer, int32_t x, int32_t y, const char* text, int length) {
  return printer != nullptr && TextOutA(Context(printer), x, y, text, length);
}
