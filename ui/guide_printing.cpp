// Printing the Quick Reference Guide from the print-offer dialog 229. The guide's text goes
// into the dialog's hidden edit field, as the dialog expects; the pages are laid out once, for
// the printer: each paragraph of the text, its tabs expanded, is broken into rows only where it
// would pass the printable width in the printer's own font, and nothing is cut. The rows are
// printed page by page while the print-abort dialog lets the user stop the job.
#include "ui/guide_printing.h"


#include "platform/dialogs.h"
#include "platform/messages.h"
#include "platform/windows.h"
#include "services/memory.h"
#include "services/payload_header.h"
#include "ui/dialog_ids.h"
#include "ui/dialog_procs.h"
#include "ui/print_layout.h"

namespace {

int g_print_cancelled;
PlatWindow g_abort_dialog;

// Reads the stored guide entry, hands its text to the owner's field 510 and returns it with its
// tabs expanded, in a block the caller frees: null when there is no such entry, its bytes cannot
// all be read from within the entry, or the field refuses them.
char* ReadGuide(PlatWindow owner) {
  const PayloadEntry* entry = FindPayloadEntry(g_payload.guide_entry);
  if (entry == nullptr || g_reader.file == kPlatNoFile) return nullptr;
  uint32_t size = entry->unpacked_size;
  // The data is stored: more bytes than it packs would be the next entry's.
  if (size > entry->packed_size || size == UINT32_MAX) return nullptr;
  char* text = static_cast<char*>(AllocBlock(size + 1));
  int read = PlatSeekFile(g_reader.file, entry->data_offset, kSeekBegin) == entry->data_offset &&
             PlatReadFile(g_reader.file, text, size) == size;
  uint32_t expanded_length = PrintExpandedLength(text);
  char* expanded = nullptr;
  if (read && PlatSetItemText(owner, kControlGuide, text) &&
      (expanded_length != 0 || text[0] == '\0') && expanded_length <= INT32_MAX) {
    expanded = static_cast<char*>(AllocBlock(expanded_length + 1));
    PrintExpandTabs(text, expanded);
  }
  FreeBlock(text);
  return expanded;
}

int32_t MeasureOnPrinter(void* printer, const char* text, int count) {
  return PlatPrinterTextWidth(static_cast<PlatPrinter>(printer), text, count);
}

void ReportPrintFailure(PlatWindow owner) {
  PlatMessageBox(owner, "Unable to start print job", nullptr, kMbIconHand);
}

// Ends the page that is open: 1 when it ended well. A failure drops the job: GDI has dropped
// it already when it answered below 0, and AbortDoc drops it otherwise.
int EndGuidePage(PlatPrinter printer) {
  int ended = PlatEndPage(printer);
  if (ended == 0) PlatAbortDoc(printer);
  return ended > 0;
}

// Starts a page: 1, or 0 after the message, with the job dropped.
int StartGuidePage(PlatWindow owner, PlatPrinter printer) {
  if (PlatStartPage(printer) > 0) return 1;
  ReportPrintFailure(owner);
  PlatAbortDoc(printer);
  return 0;
}

// Prints every paragraph of the guide's text into the started document, in rows of the
// printable width, and ends the document when every page ended well.
void PrintGuidePages(PlatWindow owner, PlatPrinter printer, const char* guide) {
  if (!StartGuidePage(owner, printer)) return;
  PlatShowWindow(g_abort_dialog, kSwShowNormal);
  int32_t font_height = 0;
  int32_t leading = 0;
  int32_t line_height = PlatPrinterFontMetrics(printer, &font_height, &leading)
                            ? PrintLineHeight(font_height, leading)
                            : 0;
  int32_t lines_per_page = PrintLinesPerPage(PlatPrinterPageHeight(printer), line_height);
  if (lines_per_page == 0) {  // no font to measure lines with
    ReportPrintFailure(owner);
    PlatAbortDoc(printer);
    return;
  }
  int32_t width = PlatPrinterPageWidth(printer);
  uint32_t row = 0;  // printed rows: the paragraphs, each broken to the printable width
  int following = 0;
  for (const char* paragraph = guide; following >= 0; paragraph += following) {
    int length = PrintParagraph(paragraph, &following);
    int start = 0;
    do {
      if (PrintPageBreakBefore(row, lines_per_page) &&
          (!EndGuidePage(printer) || !StartGuidePage(owner, printer))) {
        return;
      }
      int shown = 0;
      int next = 0;
      PrintRowCut(paragraph + start, length - start, width, MeasureOnPrinter, printer, &shown,
                  &next);
      PlatPrintText(printer, 0, PrintLineY(row, lines_per_page, line_height), paragraph + start,
                    shown);
      ++row;
      start += next;
    } while (start < length);
  }
  if (EndGuidePage(printer)) PlatEndDoc(printer);
}

}  // namespace

intptr_t PrintOfferDialogProc(PlatWindow dialog, uint32_t message, uintptr_t wparam,
                              intptr_t lparam) {
  if (message == kWmCommand && wparam == static_cast<uintptr_t>(kButtonPrint)) {
    PrintQuickReferenceGuide(dialog);
  }
  return GenericDialogProc(dialog, message, wparam, lparam);
}

namespace {

// One job of the laid-out guide on the printer the user chooses.
void PrintGuide(PlatWindow owner, const char* guide) {
  PlatPrinter printer = ChoosePrinter(owner);
  if (printer == nullptr) return;
  g_print_cancelled = 0;
  PlatSetAbortProc(printer, PrintAbortProc);
  if (PlatStartDoc(printer, kGuideDocumentName) <= 0) {
    ReportPrintFailure(owner);
    PlatDeletePrinter(printer);
    return;
  }
  g_abort_dialog = PlatCreateNamedDialog(kDialogPrintAbort, owner, PrintAbortDialogProc);
  if (g_abort_dialog == nullptr) {
    // Without it the user could not stop the job: none is printed.
    ReportPrintFailure(owner);
    PlatAbortDoc(printer);
  } else {
    PrintGuidePages(owner, printer, guide);
    PlatDestroyWindow(g_abort_dialog);
    g_abort_dialog = nullptr;
  }
  PlatDeletePrinter(printer);
}

}  // namespace

void PrintQuickReferenceGuide(PlatWindow owner) {
  char* guide = ReadGuide(owner);
  if (guide == nullptr) return;
  PrintGuide(owner, guide);
  FreeBlock(guide);
}

PlatPrinter ChoosePrinter(PlatWindow owner) {
  PlatPrinter printer = PlatPrintDialog(owner);
  if (printer == nullptr) PlatPrintDialogError();
  return printer;
}

int PrintAbortProc(PlatPrinter, int) {
  if (g_abort_dialog == nullptr) return 1;
  PlatMessage message;
  while (!g_print_cancelled && PlatPeekMessage(&message)) {
    if (!PlatIsDialogMessage(g_abort_dialog, &message)) PlatDispatchMessage(&message);
  }
  return !g_print_cancelled;
}

intptr_t PrintAbortDialogProc(PlatWindow dialog, uint32_t message, uintptr_t, intptr_t) {
  switch (message) {
    case kWmInitDialog:
      // Returning 1 gives the focus to 406, the template's only tab stop.
      PlatSetItemText(dialog, kControlPrintName, kGuideDocumentName);
      return 1;
    case kWmCommand:
      g_print_cancelled = 1;
      return 1;
    default:
      return 0;
  }
}
