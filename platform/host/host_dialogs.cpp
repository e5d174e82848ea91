// Dialogs of the simulated machine, made from the dialog templates of the resource script. A
// modal dialog is answered the way a person would answer it: from the script of answers
// ("text 501 C:\VELNET", "dialog 208 408", "dialog 201 close"), else by asking on a terminal,
// else with the choice that risks nothing (Exit, then Cancel, then the default button). A
// modeless dialog shows a progress line on a terminal; the transcript records every dialog.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/dialogs.h"
#include "platform/host/host_backend.h"
#include "platform/host/host_templates.h"

namespace {

const uint32_t kWsVisible = 0x10000000;
const uint32_t kEsUpperCase = 0x0008;
const uint32_t kButtonTypeMask = 0x000F;
const uint32_t kBsDefPushButton = 0x0001;
const int kExitButton = 403;
const int kCancelButton = 406;
const int kTextControl = 503;
const int kProgressColumns = 30;

typedef intptr_t (*DialogProcedure)(PlatWindow, uint32_t, uintptr_t, intptr_t);

int IsSystemClass(const char* name) {
  return HostSameNoCase(name, "STATIC") || HostSameNoCase(name, "BUTTON") ||
         HostSameNoCase(name, "EDIT");
}

// A control's text as the control keeps it: an upper-case edit field upper-cases what it gets.
void StoreText(HostWindow* control, const char* text) {
  size_t i = 0;
  int upper = HostSameNoCase(control->class_name, "EDIT") && (control->style & kEsUpperCase) != 0;
  for (; text[i] != '\0' && i + 1 < sizeof control->text; ++i) {
    control->text[i] = upper ? HostUpper(text[i]) : text[i];
  }
  control->text[i] = '\0';
}

// A dialog from its template (null: recorded as missing under label). An unseen dialog is made
// hidden and leaves no line in the transcript.
HostWindow* MakeDialog(const HostDialogTemplate* dialog_template, const char* label,
                       DialogProcedure procedure, int modal, int unseen = 0) {
  if (dialog_template == nullptr) {
    HostTranscript("dialog-missing %s", label);
    return nullptr;
  }
  HostWindow* dialog = HostNewWindow(kHostDialog);
  if (dialog == nullptr) return nullptr;
  dialog->id = dialog_template->id;
  dialog->dialog_template = dialog_template;
  dialog->dialog_procedure = procedure;
  dialog->modal = modal;
  dialog->visible = !unseen && (modal || (dialog_template->style & kWsVisible) != 0);
  dialog->unseen = unseen;
  HostCopyText(dialog->text, sizeof dialog->text, dialog_template->caption);
  PlatWindow token = HostWindowToken(dialog);
  for (int i = 0; i < dialog_template->control_count; ++i) {
    const HostControlTemplate& item = dialog_template->controls[i];
    PlatWindowProc class_procedure = HostClassProcedure(item.class_name);
    HostWindow* control = HostNewWindow(kHostControl);
    if (control == nullptr || (class_procedure == nullptr && !IsSystemClass(item.class_name))) {
      // As CreateDialog fails for a control of a class that is not registered.
      HostRemoveWindow(dialog);
      HostTranscript("dialog-failed %s", label);
      return nullptr;
    }
    control->parent = HostWindowIndex(dialog);
    control->id = item.id;
    control->procedure = class_procedure;
    control->visible = (item.style & kWsVisible) != 0;
    control->style = item.style;
    // Dialog units to pixels for the 8-point system font: 6 x 13 per 4 x 8 units.
    control->width = item.cx * 6 / 4;
    control->height = item.cy * 13 / 8;
    HostCopyText(control->class_name, sizeof control->class_name, item.class_name);
    StoreText(control, item.text);
    if (class_procedure != nullptr) HostDeliver(control, kWmCreate, 0, 0);
  }
  HostDeliver(dialog, kWmInitDialog, 0, 0);
  if (unseen) return dialog;
  char* caption = HostEscapeText(dialog->text);
  HostWindow* text = HostDialogItem(token, kTextControl);
  char* shown = text != nullptr ? HostEscapeText(text->text) : nullptr;
  HostTranscript("dialog-open %s caption=\"%s\"%s%s%s", label, caption != nullptr ? caption : "?",
                 shown != nullptr ? " text503=\"" : "", shown != nullptr ? shown : "",
                 shown != nullptr ? "\"" : "");
  free(caption);
  free(shown);
  return dialog;
}

void Click(HostWindow* dialog, int button, const char* by) {
  HostTranscript("dialog-click %d %d by=%s", dialog->id, button, by);
  HostDeliver(dialog, kWmCommand, static_cast<uintptr_t>(button), 0);
}

void CloseFromMenu(HostWindow* dialog, const char* by) {
  HostTranscript("dialog-click %d close by=%s", dialog->id, by);
  HostDeliver(dialog, kWmSysCommand, kScClose, 0);
}

void TypeText(HostWindow* dialog, int item, const char* text, const char* by) {
  HostWindow* control = HostDialogItem(HostWindowToken(dialog), item);
  char* field = HostEscapeText(text);
  HostTranscript("dialog-type %d %d \"%s\" by=%s%s", dialog->id, item,
                 field != nullptr ? field : "?", by,
                 control == nullptr ? " (no such control)" : "");
  free(field);
  if (control != nullptr) StoreText(control, text);
}

// "ID TEXT": 1 when understood; text points into args.
int SplitIdText(const char* args, int* id, const char** text) {
  char* end = nullptr;
  long value = strtol(args, &end, 10);
  if (end == args || (*end != ' ' && *end != '\t' && *end != '\0')) return 0;
  *id = static_cast<int>(value);
  while (*end == ' ' || *end == '\t') ++end;
  *text = end;
  return 1;
}

// Takes the script's next line for the dialog: 1 when it was a text or a click for it.
int ScriptAnswer(HostWindow* dialog) {
  char kind[16];
  char args[kHostScriptLineMax];
  uint32_t line;
  if (HostScriptPeek(kind, sizeof kind, args, sizeof args) != kScriptLine) return 0;
  int id;
  const char* rest;
  if (strcmp(kind, "text") == 0) {
    HostScriptNext("text", args, sizeof args, &line);
    if (!SplitIdText(args, &id, &rest)) {
      HostTranscript("script-error line %u: \"%s\" is no control text", line, args);
      return 1;
    }
    TypeText(dialog, id, rest, "script");
    return 1;
  }
  if (strcmp(kind, "dialog") != 0) {
    HostScriptNext("dialog", args, sizeof args, &line);  // records the mismatch
    return 0;
  }
  if (!SplitIdText(args, &id, &rest) || id != dialog->id) {
    HostTranscript("script-mismatch: dialog %d is open, the script has \"dialog %s\"", dialog->id,
                   args);
    return 0;
  }
  HostScriptNext("dialog", args, sizeof args, &line);
  int button;
  if (HostSameNoCase(rest, "close")) {
    CloseFromMenu(dialog, "script");
  } else if (SplitIdText(rest, &button, &rest) && *rest == '\0') {
    Click(dialog, button, "script");
  } else {
    HostTranscript("script-error line %u: \"%s\" is no button", line, args);
  }
  return 1;
}

// The button a person pressing its accelerator letter means, or 0.
int ButtonOfLetter(HostWindow* dialog, char letter) {
  const HostDialogTemplate* dialog_template = dialog->dialog_template;
  for (int i = 0; i < dialog_template->control_count; ++i) {
    const HostControlTemplate& item = dialog_template->controls[i];
    const char* amp = strchr(item.text, '&');
    if (HostSameNoCase(item.class_name, "BUTTON") && amp != nullptr &&
        HostUpper(amp[1]) == HostUpper(letter)) {
      return item.id;
    }
  }
  return 0;
}

void PrintDialog(HostWindow* dialog) {
  PlatWindow token = HostWindowToken(dialog);
  const HostDialogTemplate* dialog_template = dialog->dialog_template;
  fprintf(stderr, "\n[ %s ]  (dialog %d)\n", dialog->text, dialog->id);
  for (int i = 0; i < dialog_template->control_count; ++i) {
    const HostControlTemplate& item = dialog_template->controls[i];
    // Texts of id -1 are never addressed: they read as the template has them.
    HostWindow* control = item.id != -1 ? HostDialogItem(token, item.id) : nullptr;
    const char* text = control != nullptr ? control->text : item.text;
    if (HostSameNoCase(item.class_name, "STATIC") && text[0] != '\0') {
      fprintf(stderr, "  %s\n", text);
    } else if (HostSameNoCase(item.class_name, "EDIT") && (item.style & kWsVisible) != 0) {
      fprintf(stderr, "  field %d: %s\n", item.id, text);
    }
  }
  for (int i = 0; i < dialog_template->control_count; ++i) {
    const HostControlTemplate& item = dialog_template->controls[i];
    if (!HostSameNoCase(item.class_name, "BUTTON")) continue;
    const char* amp = strchr(item.text, '&');
    fprintf(stderr, "  [%s] %d", item.text, item.id);
    if (amp != nullptr && amp[1] != '\0') fprintf(stderr, " (%c)", HostUpper(amp[1]));
    fputc('\n', stderr);
  }
}

// Asks on the terminal until the dialog has an answer: 0 at the end of input.
int AskOnTerminal(HostWindow* dialog) {
  PrintDialog(dialog);
  fprintf(stderr, "  letter or button id, \"close\", or \"text ID WORDS\"? ");
  char reply[kHostScriptLineMax];
  if (fgets(reply, sizeof reply, stdin) == nullptr) return 0;
  reply[strcspn(reply, "\r\n")] = '\0';
  char* word = reply + strspn(reply, " \t");
  int id;
  const char* rest;
  if (strncmp(word, "text ", 5) == 0 && SplitIdText(word + 5, &id, &rest)) {
    TypeText(dialog, id, rest, "asked");
  } else if (HostSameNoCase(word, "close")) {
    CloseFromMenu(dialog, "asked");
  } else if (word[0] != '\0' && word[1] == '\0' && ButtonOfLetter(dialog, word[0]) != 0) {
    Click(dialog, ButtonOfLetter(dialog, word[0]), "asked");
  } else if (SplitIdText(word, &id, &rest) && *rest == '\0') {
    Click(dialog, id, "asked");
  }
  return 1;
}

// Nobody answers: Exit, else Cancel, else the default button, else Close on the system menu.
void DefaultAnswer(HostWindow* dialog) {
  PlatWindow token = HostWindowToken(dialog);
  int chosen = 0;
  if (HostDialogItem(token, kExitButton) != nullptr) {
    chosen = kExitButton;
  } else if (HostDialogItem(token, kCancelButton) != nullptr) {
    chosen = kCancelButton;
  } else {
    const HostDialogTemplate* dialog_template = dialog->dialog_template;
    for (int i = 0; i < dialog_template->control_count && chosen == 0; ++i) {
      const HostControlTemplate& item = dialog_template->controls[i];
      if (HostSameNoCase(item.class_name, "BUTTON") &&
          (item.style & kButtonTypeMask) == kBsDefPushButton) {
        chosen = item.id;
      }
    }
  }
  if (chosen != 0) {
    Click(dialog, chosen, "default");
  } else {
    CloseFromMenu(dialog, "default");
  }
}

// How the transcript names a numbered template.
void DialogLabel(int template_id, char* out, size_t size) {
  snprintf(out, size, "%d", template_id);
}

}  // namespace

void HostDialogLabel(const HostWindow* dialog, char* out, size_t size) {
  const HostDialogTemplate* dialog_template = dialog->dialog_template;
  if (dialog_template != nullptr && dialog_template->name[0] != '\0') {
    snprintf(out, size, "%s", dialog_template->name);
  } else {
    DialogLabel(dialog->id, out, size);
  }
}

intptr_t PlatDialogBox(int template_id, PlatWindow, PlatDialogProc procedure) {
  char label[16];
  DialogLabel(template_id, label, sizeof label);
  HostWindow* dialog = MakeDialog(HostFindDialogTemplate(template_id), label, procedure, 1);
  if (dialog == nullptr) return -1;
  while (!dialog->ended) {
    if (ScriptAnswer(dialog)) continue;
    char kind[16];
    char args[kHostScriptLineMax];
    int script_left = HostScriptPeek(kind, sizeof kind, args, sizeof args) == kScriptLine;
    if (!script_left && HostIsTerminal(STDIN_FILENO) && AskOnTerminal(dialog)) continue;
    DefaultAnswer(dialog);
    // A procedure that ignores even that would hold the run for ever: it ends with Cancel.
    if (!dialog->ended) PlatEndDialog(HostWindowToken(dialog), kCancelButton);
  }
  intptr_t result = dialog->result;
  HostTranscript("dialog-end %d result=%ld", template_id, static_cast<long>(result));
  HostRemoveWindow(dialog);
  return result;
}

PlatWindow PlatCreateDialog(int template_id, PlatWindow, PlatDialogProc procedure) {
  char label[16];
  DialogLabel(template_id, label, sizeof label);
  HostWindow* dialog = MakeDialog(HostFindDialogTemplate(template_id), label, procedure, 0);
  return dialog != nullptr ? HostWindowToken(dialog) : nullptr;
}

PlatWindow PlatCreateHiddenDialog(int template_id, PlatWindow, PlatDialogProc procedure) {
  char label[16];
  DialogLabel(template_id, label, sizeof label);
  HostWindow* dialog = MakeDialog(HostFindDialogTemplate(template_id), label, procedure, 0, 1);
  return dialog != nullptr ? HostWindowToken(dialog) : nullptr;
}

PlatWindow PlatCreateNamedDialog(const char* template_name, PlatWindow, PlatDialogProc procedure) {
  HostWindow* dialog =
      MakeDialog(HostFindNamedDialogTemplate(template_name), template_name, procedure, 0);
  return dialog != nullptr ? HostWindowToken(dialog) : nullptr;
}

int PlatEndDialog(PlatWindow token, intptr_t result) {
  HostWindow* dialog = HostWindowOf(token);
  if (dialog == nullptr || dialog->kind != kHostDialog) return 0;
  dialog->ended = 1;
  dialog->result = result;
  return 1;
}

int PlatSetItemText(PlatWindow dialog, int item, const char* text) {
  HostWindow* control = HostDialogItem(dialog, item);
  if (control == nullptr) return 0;
  if (text == nullptr) text = "";
  if (HostIsMultiLineEdit(control) && !HostEditSetText(control, text)) {
    HostTranscript("edit-full %d", item);
    return 0;
  }
  StoreText(control, text);
  HostShowProgress(HostWindowOf(dialog));
  return 1;
}

uint32_t PlatGetItemText(PlatWindow dialog, int item, char* out, uint32_t size) {
  HostWindow* control = HostDialogItem(dialog, item);
  if (size == 0) return 0;
  out[0] = '\0';
  if (control == nullptr) return 0;
  uint32_t length = 0;
  for (; control->text[length] != '\0' && length + 1 < size; ++length) {
    out[length] = control->text[length];
  }
  out[length] = '\0';
  return length;
}

int PlatPreloadDialogTemplate(int template_id) {
  return HostFindDialogTemplate(template_id) != nullptr;
}

void HostRecordDialogClose(HostWindow* dialog) {
  if (dialog->unseen) return;
  char line[kHostScriptLineMax + 64];
  char label[40];
  HostDialogLabel(dialog, label, sizeof label);
  snprintf(line, sizeof line, "dialog-close %s", label);
  PlatWindow token = HostWindowToken(dialog);
  const HostDialogTemplate* dialog_template = dialog->dialog_template;
  for (int i = 0; i < dialog_template->control_count; ++i) {
    HostWindow* control = HostDialogItem(token, dialog_template->controls[i].id);
    if (control == nullptr || control->procedure == nullptr) continue;
    size_t used = strlen(line);
    snprintf(line + used, sizeof line - used, " gauge=%u/%u", control->longs[0], control->longs[1]);
  }
  HostWindow* text = HostDialogItem(token, kTextControl);
  char* shown = text != nullptr ? HostEscapeText(text->text) : nullptr;
  HostTranscript("%s%s%s%s", line, shown != nullptr ? " text503=\"" : "",
                 shown != nullptr ? shown : "", shown != nullptr ? "\"" : "");
  free(shown);
  if (HostIsTerminal(STDERR_FILENO)) fputc('\n', stderr);
}

// "[#######-------]  42%  README.TXT" on one line of the terminal, redrawn in place.
void HostShowProgress(HostWindow* dialog) {
  if (dialog == nullptr || dialog->kind != kHostDialog || dialog->modal || dialog->unseen ||
      !HostIsTerminal(STDERR_FILENO)) {
    return;
  }
  PlatWindow token = HostWindowToken(dialog);
  uint32_t percent = 0;
  int has_gauge = 0;
  const HostDialogTemplate* dialog_template = dialog->dialog_template;
  for (int i = 0; i < dialog_template->control_count; ++i) {
    HostWindow* control = HostDialogItem(token, dialog_template->controls[i].id);
    if (control == nullptr || control->procedure == nullptr) continue;
    uint32_t position = control->longs[0];
    uint32_t range = control->longs[1];
    if (position > range) position = range;
    percent = range != 0 ? static_cast<uint32_t>(uint64_t{position} * 100 / range) : 0;
    has_gauge = 1;
  }
  char bar[kProgressColumns + 1];
  int filled = static_cast<int>(percent * kProgressColumns / 100);
  for (int i = 0; i < kProgressColumns; ++i) bar[i] = i < filled ? '#' : '-';
  bar[kProgressColumns] = '\0';
  HostWindow* text = HostDialogItem(token, kTextControl);
  if (text == nullptr) text = HostDialogItem(token, 501);
  const char* shown = text != nullptr ? text->text : "";
  if (has_gauge) {
    fprintf(stderr, "\r[%s] %3u%%  %-40.40s", bar, percent, shown);
  } else {
    fprintf(stderr, "\r%-70.70s", shown);
  }
}
