// Reads the dialog templates out of the resource script that SETUP.EXE is built from
// (ui/resources/dialogs.rc, embedded as kHostDialogScript). The script keeps to a small part of
// the language: LANGUAGE, "ID DIALOG x, y, cx, cy" (ID a number or a name), STYLE, CAPTION, FONT,
// BEGIN, END and "CONTROL text, id, class, style, x, y, cx, cy" with numeric styles joined by "|"
// and "NOT".
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_backend.h"
#include "platform/host/host_templates.h"

extern const char kHostDialogScript[];

namespace {

const uint32_t kControlDefaultStyle = 0x50000000;  // WS_CHILD | WS_VISIBLE

struct Templates {
  int read;
  int count;
  HostDialogTemplate items[kHostTemplateMax];
};
Templates g_templates;

struct Reader {
  const char* at;
};

void SkipSpace(Reader* reader) {
  for (;;) {
    while (isspace(static_cast<unsigned char>(*reader->at))) ++reader->at;
    if (reader->at[0] != '/' || reader->at[1] != '/') return;
    while (*reader->at != '\0' && *reader->at != '\n') ++reader->at;
  }
}

int Accept(Reader* reader, const char* word) {
  SkipSpace(reader);
  size_t length = strlen(word);
  if (strncmp(reader->at, word, length) != 0) return 0;
  char next = reader->at[length];
  if (isalnum(static_cast<unsigned char>(word[0])) &&
      (isalnum(static_cast<unsigned char>(next)) || next == '_')) {
    return 0;
  }
  reader->at += length;
  return 1;
}

int Number(Reader* reader, long* value) {
  SkipSpace(reader);
  char* end = nullptr;
  *value = strtol(reader->at, &end, 0);
  if (end == reader->at) return 0;
  reader->at = end;
  return 1;
}

// A quoted text; "" inside stands for one quote.
int Quoted(Reader* reader, char* out, size_t size) {
  SkipSpace(reader);
  if (*reader->at != '"') return 0;
  ++reader->at;
  size_t length = 0;
  for (;;) {
    char c = *reader->at;
    if (c == '\0' || c == '\n') return 0;
    ++reader->at;
    if (c == '"') {
      if (*reader->at != '"') break;
      ++reader->at;
    }
    if (length + 1 >= size) return 0;
    out[length++] = c;
  }
  out[length] = '\0';
  return 1;
}

// A name: a letter or "_", then letters, digits and "_".
int Name(Reader* reader, char* out, size_t size) {
  SkipSpace(reader);
  size_t length = 0;
  while (isalpha(static_cast<unsigned char>(reader->at[length])) || reader->at[length] == '_' ||
         (length > 0 && isdigit(static_cast<unsigned char>(reader->at[length])))) {
    if (length + 1 >= size) return 0;
    out[length] = reader->at[length];
    ++length;
  }
  if (length == 0) return 0;
  out[length] = '\0';
  reader->at += length;
  return 1;
}

int Comma(Reader* reader) {
  return Accept(reader, ",");
}

int Numbers(Reader* reader, int* values, int count) {
  for (int i = 0; i < count; ++i) {
    long value;
    if ((i > 0 && !Comma(reader)) || !Number(reader, &value)) return 0;
    values[i] = static_cast<int>(value);
  }
  return 1;
}

// Flags joined by "|"; "NOT n" clears n from what went before (and from the control default).
int Style(Reader* reader, uint32_t start, uint32_t* style) {
  *style = start;
  do {
    int clear = Accept(reader, "NOT");
    long value;
    if (!Number(reader, &value)) return 0;
    if (clear) {
      *style &= ~static_cast<uint32_t>(value);
    } else {
      *style |= static_cast<uint32_t>(value);
    }
  } while (Accept(reader, "|"));
  return 1;
}

int Control(Reader* reader, HostControlTemplate* control) {
  memset(control, 0, sizeof *control);
  long number;
  if (!Quoted(reader, control->text, sizeof control->text)) {
    if (!Number(reader, &number)) return 0;
    control->icon = static_cast<int>(number);
  }
  int geometry[4];
  if (!Comma(reader) || !Number(reader, &number) || !Comma(reader) ||
      !Quoted(reader, control->class_name, sizeof control->class_name) || !Comma(reader) ||
      !Style(reader, kControlDefaultStyle, &control->style) || !Comma(reader) ||
      !Numbers(reader, geometry, 4)) {
    return 0;
  }
  control->id = static_cast<int>(number);
  control->x = geometry[0];
  control->y = geometry[1];
  control->cx = geometry[2];
  control->cy = geometry[3];
  return 1;
}

int Dialog(Reader* reader, int language, HostDialogTemplate* dialog) {
  dialog->language = language;
  int geometry[4];
  if (!Numbers(reader, geometry, 4)) return 0;
  dialog->x = geometry[0];
  dialog->y = geometry[1];
  dialog->cx = geometry[2];
  dialog->cy = geometry[3];
  for (;;) {
    long size;
    if (Accept(reader, "STYLE")) {
      if (!Style(reader, 0, &dialog->style)) return 0;
    } else if (Accept(reader, "CAPTION")) {
      if (!Quoted(reader, dialog->caption, sizeof dialog->caption)) return 0;
    } else if (Accept(reader, "FONT")) {
      if (!Number(reader, &size) || !Comma(reader) ||
          !Quoted(reader, dialog->font, sizeof dialog->font)) {
        return 0;
      }
      dialog->font_size = static_cast<int>(size);
    } else {
      break;
    }
  }
  if (!Accept(reader, "BEGIN")) return 0;
  while (!Accept(reader, "END")) {
    if (dialog->control_count == kHostControlMax || !Accept(reader, "CONTROL") ||
        !Control(reader, &dialog->controls[dialog->control_count])) {
      return 0;
    }
    ++dialog->control_count;
  }
  return 1;
}

void ReadScript() {
  g_templates.read = 1;
  Reader reader = {kHostDialogScript};
  int language = 0;
  for (;;) {
    SkipSpace(&reader);
    if (*reader.at == '\0') return;
    long first;
    long second;
    HostDialogTemplate* item = &g_templates.items[g_templates.count];
    if (Accept(&reader, "LANGUAGE")) {
      if (!Number(&reader, &first) || !Comma(&reader) || !Number(&reader, &second)) break;
      language = static_cast<int>(first | (second << 10));
      continue;
    }
    if (g_templates.count == kHostTemplateMax) break;
    memset(item, 0, sizeof *item);
    if (Number(&reader, &first)) {
      item->id = static_cast<int>(first);
    } else if (!Name(&reader, item->name, sizeof item->name)) {
      break;
    }
    if (!Accept(&reader, "DIALOG") || !Dialog(&reader, language, item)) break;
    ++g_templates.count;
  }
  HostTranscript("dialog-script-error near \"%.40s\"", reader.at);
}

}  // namespace

const HostDialogTemplate* HostDialogTemplates(int* count) {
  if (!g_templates.read) ReadScript();
  *count = g_templates.count;
  return g_templates.items;
}

const HostDialogTemplate* HostFindDialogTemplate(int id) {
  int count;
  const HostDialogTemplate* templates = HostDialogTemplates(&count);
  for (int i = 0; i < count; ++i) {
    if (templates[i].id == id && templates[i].name[0] == '\0') return &templates[i];
  }
  return nullptr;
}

const HostDialogTemplate* HostFindNamedDialogTemplate(const char* name) {
  int count;
  const HostDialogTemplate* templates = HostDialogTemplates(&count);
  for (int i = 0; i < count; ++i) {
    if (templates[i].name[0] != '\0' && HostSameNoCase(templates[i].name, name)) {
      return &templates[i];
    }
  }
  return nullptr;
}
