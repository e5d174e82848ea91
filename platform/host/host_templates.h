// The dialog templates as the host backend holds them: read from the same resource script that
// windres compiles for SETUP.EXE (ui/resources/dialogs.rc, embedded in the host build). The
// host dialogs and the template tests use this header.
#pragma once

#include <cstdint>

const int kHostTemplateMax = 16;       // templates in the script
const int kHostControlMax = 12;        // controls in one template
const int kHostTemplateTextMax = 256;  // one text, NUL included

struct HostControlTemplate {
  int id;  // -1 for texts that are never addressed
  char class_name[32];
  uint32_t style;  // as Windows receives it: WS_CHILD | WS_VISIBLE and the given flags
  int x, y, cx, cy;
  int icon;  // the icon resource id when the text is an ordinal, else 0
  char text[kHostTemplateTextMax];
};

struct HostDialogTemplate {
  int id;         // 0 for a template with a string name
  char name[32];  // the string name, such as "RESID_DLG_PRINT"; empty for a numbered one
  int language;   // the LANGUAGE in force: primary | sublanguage << 10
  uint32_t style;
  int x, y, cx, cy;
  char caption[kHostTemplateTextMax];
  char font[32];
  int font_size;
  int control_count;
  HostControlTemplate controls[kHostControlMax];
};

// Every template of the script, in script order; count receives how many. The script is read
// once; a statement the reader does not understand ends the reading (and fails the tests).
const HostDialogTemplate* HostDialogTemplates(int* count);
// The template of that id, or of that string name (without regard to case), or null.
const HostDialogTemplate* HostFindDialogTemplate(int id);
const HostDialogTemplate* HostFindNamedDialogTemplate(const char* name);
