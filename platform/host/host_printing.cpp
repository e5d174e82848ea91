// Printing on the simulated machine. The print dialog is answered from the script ("print OK",
// "print CANCEL", "print FAIL", with the chosen printer's page and font sizes and its failures
// after OK); nobody answering cancels it. The printer keeps no paper: the transcript records
// the document, every page ("print-page N") and every line of text with its position.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_backend.h"
#include "platform/host/host_templates.h"
#include "platform/printing.h"
#include "platform/windows.h"

namespace {

const uint32_t kPrinterNotFound = 0x100B;  // PDERR_PRINTERNOTFOUND
const uint32_t kInitFailure = 0x1006;      // PDERR_INITFAILURE
const char kAbortTemplate[] = "RESID_DLG_PRINT";
const uintptr_t kAbortButton = 406;

// The printer the user chose, and the state of its one job.
struct Printer {
  int open;
  int32_t page_height;  // VERTRES
  int32_t page_width;   // HORZRES
  int32_t char_width;   // the width of every character of the font
  int32_t font_height;  // tmHeight
  int32_t leading;      // tmExternalLeading
  int start_doc_fails;
  uint32_t start_page_fails;  // the Nth StartPage fails; 0 never
  uint32_t end_page_fails;    // the Nth EndPage fails
  uint32_t cancel_at;         // the user presses the print-abort dialog's button at page N
  PlatAbortProc abort_procedure;
  int in_document;
  int in_page;
  uint32_t pages_started;
  uint32_t pages_ended;
};
Printer g_printer;
uint32_t g_dialog_error;

PlatPrinter Token() {
  return &g_printer;
}

Printer* PrinterOf(PlatPrinter printer) {
  return printer == Token() && g_printer.open ? &g_printer : nullptr;
}

void DefaultPrinter(Printer* printer) {
  *printer = Printer();
  printer->page_height = 3300;  // 11 inches at 300 dots an inch
  printer->page_width = 2400;   // 8 inches
  printer->char_width = 18;     // 133 characters a line
  printer->font_height = 50;    // 12 points at 300 dots an inch
}

int Number(const char* text, uint32_t* out) {
  uint64_t value;
  if (!HostParseNumber(text, &value) || value > 0x7FFFFFFF) return 0;
  *out = static_cast<uint32_t>(value);
  return 1;
}

// One "name=value" (or "startdoc-fails") of a "print OK" line: 1 when understood.
int Option(Printer* printer, char* word) {
  if (strcmp(word, "startdoc-fails") == 0) {
    printer->start_doc_fails = 1;
    return 1;
  }
  char* equals = strchr(word, '=');
  if (equals == nullptr) return 0;
  *equals = '\0';
  uint32_t value;
  if (!Number(equals + 1, &value)) return 0;
  if (strcmp(word, "page") == 0) {
    printer->page_height = static_cast<int32_t>(value);
  } else if (strcmp(word, "width") == 0) {
    printer->page_width = static_cast<int32_t>(value);
  } else if (strcmp(word, "char") == 0) {
    printer->char_width = static_cast<int32_t>(value);
  } else if (strcmp(word, "font") == 0) {
    printer->font_height = static_cast<int32_t>(value);
  } else if (strcmp(word, "leading") == 0) {
    printer->leading = static_cast<int32_t>(value);
  } else if (strcmp(word, "startpage-fails") == 0) {
    printer->start_page_fails = value;
  } else if (strcmp(word, "endpage-fails") == 0) {
    printer->end_page_fails = value;
  } else if (strcmp(word, "cancel-at") == 0) {
    printer->cancel_at = value;
  } else {
    return 0;
  }
  return 1;
}

// The user presses the button of the open print-abort dialog: the click waits in the queue.
void PressAbortButton() {
  int at = -1;
  for (HostWindow* dialog = HostNextModeless(&at); dialog != nullptr;
       dialog = HostNextModeless(&at)) {
    const HostDialogTemplate* dialog_template = dialog->dialog_template;
    if (dialog_template != nullptr && HostSameNoCase(dialog_template->name, kAbortTemplate)) {
      HostTranscript("dialog-click %s %u by=script", kAbortTemplate,
                     static_cast<unsigned>(kAbortButton));
      HostPostMessage(HostWindowToken(dialog), kWmCommand, kAbortButton, 0);
      return;
    }
  }
}

// The job is over without EndDoc: GDI dropped it.
void DropJob(Printer* printer) {
  printer->in_document = 0;
  printer->in_page = 0;
}

}  // namespace

PlatPrinter PlatPrintDialog(PlatWindow) {
  char args[kHostScriptLineMax];
  uint32_t line;
  HostScriptResult next = HostScriptNext("print", args, sizeof args, &line);
  g_dialog_error = 0;
  if (next != kScriptLine) {
    HostTranscript("print-dialog CANCEL by=default");
    return nullptr;
  }
  Printer chosen;
  DefaultPrinter(&chosen);
  char* save = nullptr;
  char* word = strtok_r(args, " \t", &save);
  const char* answer = word != nullptr ? word : "";
  int understood = HostSameNoCase(answer, "OK") || HostSameNoCase(answer, "CANCEL") ||
                   HostSameNoCase(answer, "FAIL");
  while (understood && (word = strtok_r(nullptr, " \t", &save)) != nullptr) {
    if (!HostSameNoCase(answer, "OK") || !Option(&chosen, word)) understood = 0;
  }
  if (!understood) {
    HostTranscript("script-error line %u: no answer to the print dialog", line);
    HostTranscript("print-dialog CANCEL by=default");
    return nullptr;
  }
  if (HostSameNoCase(answer, "CANCEL")) {
    HostTranscript("print-dialog CANCEL by=script");
    return nullptr;
  }
  if (HostSameNoCase(answer, "FAIL") || g_printer.open) {
    g_dialog_error = g_printer.open ? kInitFailure : kPrinterNotFound;
    HostTranscript("print-dialog FAIL error=0x%X by=script", g_dialog_error);
    return nullptr;
  }
  g_printer = chosen;
  g_printer.open = 1;
  HostTranscript("print-dialog OK page=%d font=%d leading=%d by=script", g_printer.page_height,
                 g_printer.font_height, g_printer.leading);
  return Token();
}

uint32_t PlatPrintDialogError() {
  return g_dialog_error;
}

int PlatSetAbortProc(PlatPrinter token, PlatAbortProc procedure) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr) return 0;
  printer->abort_procedure = procedure;
  return 1;
}

int PlatStartDoc(PlatPrinter token, const char* document_name) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr || printer->in_document) return kSpError;
  char* name = HostEscapeText(document_name != nullptr ? document_name : "");
  HostTranscript("print-start-doc \"%s\"%s", name != nullptr ? name : "?",
                 printer->start_doc_fails ? " failed" : "");
  free(name);
  if (printer->start_doc_fails) return kSpError;
  printer->in_document = 1;
  return 1;
}

int PlatStartPage(PlatPrinter token) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr || !printer->in_document || printer->in_page) return kSpError;
  ++printer->pages_started;
  if (printer->pages_started == printer->start_page_fails) {
    HostTranscript("print-page %u failed", printer->pages_started);
    return kSpError;
  }
  printer->in_page = 1;
  HostTranscript("print-page %u", printer->pages_started);
  return 1;
}

int PlatEndPage(PlatPrinter token) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr || !printer->in_page) return kSpError;
  ++printer->pages_ended;
  uint32_t page = printer->pages_ended;
  // GDI calls the abort procedure while it spools the page.
  if (printer->cancel_at == page) PressAbortButton();
  if (printer->abort_procedure != nullptr && !printer->abort_procedure(token, 0)) {
    HostTranscript("print-end-page %u cancelled", page);
    DropJob(printer);
    return kSpAppAbort;
  }
  if (printer->end_page_fails == page) {
    HostTranscript("print-end-page %u failed", page);
    DropJob(printer);
    return kSpError;
  }
  printer->in_page = 0;
  HostTranscript("print-end-page %u", page);
  return 1;
}

int PlatEndDoc(PlatPrinter token) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr || !printer->in_document || printer->in_page) return kSpError;
  printer->in_document = 0;
  HostTranscript("print-end-doc pages=%u", printer->pages_ended);
  return 1;
}

int PlatAbortDoc(PlatPrinter token) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr || !printer->in_document) return kSpError;
  DropJob(printer);
  HostTranscript("print-abort-doc");
  return 1;
}

void PlatDeletePrinter(PlatPrinter token) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr) return;
  HostTranscript("print-delete-dc%s", printer->in_document ? " (document not ended)" : "");
  *printer = Printer();
}

int PlatPrinterFontMetrics(PlatPrinter token, int32_t* height, int32_t* external_leading) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr) return 0;
  *height = printer->font_height;
  *external_leading = printer->leading;
  return 1;
}

int32_t PlatPrinterPageHeight(PlatPrinter token) {
  Printer* printer = PrinterOf(token);
  return printer != nullptr ? printer->page_height : 0;
}

int32_t PlatPrinterPageWidth(PlatPrinter token) {
  Printer* printer = PrinterOf(token);
  return printer != nullptr ? printer->page_width : 0;
}

int32_t PlatPrinterTextWidth(PlatPrinter token, const char*, int length) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr || length < 0) return 0;
  int64_t width = int64_t{length} * printer->char_width;
  return width <= INT32_MAX ? static_cast<int32_t>(width) : INT32_MAX;
}

int PlatPrintText(PlatPrinter token, int32_t x, int32_t y, const char* text, int length) {
  Printer* printer = PrinterOf(token);
  if (printer == nullptr || length < 0) return 0;
  char* copy = static_cast<char*>(malloc(static_cast<size_t>(length) + 1));
  if (copy == nullptr) return 0;
  memcpy(copy, text, static_cast<size_t>(length));
  copy[length] = '\0';
  char* field = HostEscapeText(copy);
  free(copy);
  HostTranscript("print-text x=%d y=%d \"%s\"%s", x, y, field != nullptr ? field : "?",
                 printer->in_page ? "" : " (outside a page)");
  free(field);
  return printer->in_page;
}

void HostClosePrinter() {
  if (g_printer.open) HostTranscript("print-dc-left-open");
  g_printer = Printer();
  g_dialog_error = 0;
}
