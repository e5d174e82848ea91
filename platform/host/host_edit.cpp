// Multi-line edit fields of the simulated dialogs: they keep a text of up to 65,535 characters
// (the other controls keep 511) and break it into lines as the field's width allows, for
// EM_GETLINECOUNT and EM_GETLINE. The host font is 6 pixels a character, as the dialogs assume.
#include <cstdlib>
#include <cstring>

#include "platform/dialogs.h"
#include "platform/host/host_backend.h"

namespace {

const uint32_t kEsMultiLine = 0x0004;
const size_t kEditTextMax = 65535;  // the most a multi-line edit field holds on Windows 95
const int kPixelsPerCharacter = 6;

void Forget(HostEditText* edit) {
  free(edit->text);
  free(edit->starts);
  free(edit->lengths);
  *edit = HostEditText();
}

// Line breaks: CR LF ends a line; a line longer than columns breaks after its last blank
// within the width (the blanks there are dropped), or inside a word with no blank. Runs once
// to count (starts null) and once to fill.
uint32_t BreakLines(const char* text, uint32_t columns, uint32_t* starts, uint32_t* lengths) {
  uint32_t count = 0;
  uint32_t at = 0;
  uint32_t size = static_cast<uint32_t>(strlen(text));
  for (;;) {
    uint32_t end = at;
    while (end < size && end - at < columns && !(text[end] == '\r' && text[end + 1] == '\n')) {
      ++end;
    }
    uint32_t next = end;
    int line_end = end < size && text[end] == '\r' && text[end + 1] == '\n';
    if (line_end) {
      next = end + 2;
    } else if (end < size) {
      uint32_t blank = end;
      while (blank > at && text[blank] != ' ') --blank;
      if (blank > at) end = blank;
      next = end;
      while (next < size && text[next] == ' ') ++next;
    }
    if (starts != nullptr) {
      starts[count] = at;
      lengths[count] = end - at;
    }
    ++count;
    if (next >= size && !line_end) break;  // after a last CR LF comes an empty line
    at = next;
  }
  return count;
}

}  // namespace

int HostIsMultiLineEdit(const HostWindow* control) {
  return control->kind == kHostControl && HostSameNoCase(control->class_name, "EDIT") &&
         (control->style & kEsMultiLine) != 0;
}

int HostEditSetText(HostWindow* control, const char* text) {
  HostEditText* edit = &control->edit;
  Forget(edit);
  size_t size = strlen(text);
  if (size > kEditTextMax) return 0;
  int columns = control->width / kPixelsPerCharacter;
  if (columns < 1) columns = 1;
  uint32_t count = BreakLines(text, static_cast<uint32_t>(columns), nullptr, nullptr);
  edit->text = static_cast<char*>(malloc(size + 1));
  edit->starts = static_cast<uint32_t*>(malloc(count * sizeof(uint32_t)));
  edit->lengths = static_cast<uint32_t*>(malloc(count * sizeof(uint32_t)));
  if (edit->text == nullptr || edit->starts == nullptr || edit->lengths == nullptr) {
    Forget(edit);
    return 0;
  }
  memcpy(edit->text, text, size + 1);
  edit->line_count = BreakLines(text, static_cast<uint32_t>(columns), edit->starts, edit->lengths);
  return 1;
}

intptr_t HostEditMessage(HostWindow* control, uint32_t message, uintptr_t wparam, intptr_t lparam) {
  const HostEditText& edit = control->edit;
  if (message == kEmGetLineCount) return edit.text != nullptr ? edit.line_count : 1;
  if (message != kEmGetLine || lparam == 0 || edit.text == nullptr || wparam >= edit.line_count) {
    return 0;
  }
  char* buffer = reinterpret_cast<char*>(lparam);
  uint16_t capacity;
  memcpy(&capacity, buffer, sizeof capacity);
  uint32_t length = edit.lengths[wparam];
  if (length > capacity) length = capacity;
  memcpy(buffer, edit.text + edit.starts[wparam], length);
  return static_cast<intptr_t>(length);
}

void HostEditForget(HostWindow* window) {
  Forget(&window->edit);
}
