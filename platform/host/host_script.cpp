// The script of the user's answers, answers.txt: one ordered stream of lines, each starting with
// a kind word ("box", "dialog", "text") followed by its arguments. A cursor remembers how far
// the run has read; blank lines and lines starting with '#' are skipped. A line of another kind
// than the one asked for stays in place and the mismatch is recorded in the transcript.
#include <cstdio>
#include <cstring>

#include "platform/host/host_backend.h"

namespace {

struct Cursor {
  long offset;    // byte offset of the next unread line
  uint32_t line;  // lines consumed so far
};
Cursor g_cursor;

void SkipRestOfLine(FILE* file) {
  int c;
  while ((c = fgetc(file)) != EOF && c != '\n') {
  }
}

char* TrimLine(char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  size_t length = strlen(text);
  while (length > 0 && strchr(" \t\r\n", text[length - 1]) != nullptr) text[--length] = '\0';
  return text;
}

FILE* OpenScript() {
  const char* root = HostMachineRoot();
  char path[kHostPathMax];
  if (root == nullptr || !HostCopyText(path, sizeof path, root) ||
      !HostAppendText(path, sizeof path, "/answers.txt")) {
    return nullptr;
  }
  return fopen(path, "r");
}

// Reads, from the cursor on, up to the next line that counts: its trimmed text in line, the
// cursor after it in *after and its number in *number. Skipped lines move *skipped past them;
// a line too long is skipped with a script-error when record is set. 0 at the end.
int ReadLine(FILE* file, char* line, size_t size, char** text, Cursor* after, Cursor* skipped,
             int record) {
  *skipped = g_cursor;
  if (fseek(file, g_cursor.offset, SEEK_SET) != 0) return 0;
  while (fgets(line, static_cast<int>(size), file) != nullptr) {
    uint32_t number = skipped->line + 1;
    size_t length = strlen(line);
    int too_long = length == size - 1 && line[length - 1] != '\n' && !feof(file);
    if (too_long) SkipRestOfLine(file);
    *text = TrimLine(line);
    if (too_long || **text == '\0' || **text == '#') {
      if (too_long && record) HostTranscript("script-error line %u: line too long", number);
      *skipped = Cursor{ftell(file), number};
      continue;
    }
    *after = Cursor{ftell(file), number};
    return 1;
  }
  return 0;
}

}  // namespace

void HostScriptRewind() {
  g_cursor = Cursor();
}

HostScriptResult HostScriptNext(const char* kind, char* args, size_t size, uint32_t* line_number) {
  if (size > 0) args[0] = '\0';
  *line_number = 0;
  FILE* file = OpenScript();
  if (file == nullptr) return kScriptEnd;
  HostScriptResult result = kScriptEnd;
  char line[kHostScriptLineMax];
  char* text;
  Cursor after;
  Cursor skipped;
  while (ReadLine(file, line, sizeof line, &text, &after, &skipped, 1)) {
    g_cursor = skipped;
    size_t word = strcspn(text, " \t");
    if (word != strlen(kind) || strncmp(text, kind, word) != 0) {
      HostTranscript("script-mismatch line %u: expected %s, found \"%s\"", after.line, kind, text);
      result = kScriptMismatch;
      *line_number = after.line;
      break;
    }
    g_cursor = after;
    if (HostCopyText(args, size, TrimLine(text + word))) {
      result = kScriptLine;
      *line_number = after.line;
      break;
    }
    HostTranscript("script-error line %u: arguments too long", after.line);
  }
  if (result == kScriptEnd) g_cursor = skipped;
  fclose(file);
  return result;
}

HostScriptResult HostScriptPeek(char* kind, size_t kind_size, char* args, size_t args_size) {
  kind[0] = '\0';
  args[0] = '\0';
  FILE* file = OpenScript();
  if (file == nullptr) return kScriptEnd;
  char line[kHostScriptLineMax];
  char* text;
  Cursor after;
  Cursor skipped;
  HostScriptResult result = kScriptEnd;
  if (ReadLine(file, line, sizeof line, &text, &after, &skipped, 0)) {
    size_t word = strcspn(text, " \t");
    if (word < kind_size) {
      memcpy(kind, text, word);
      kind[word] = '\0';
      HostCopyText(args, args_size, TrimLine(text + word));
      result = kScriptLine;
    }
  }
  fclose(file);
  return result;
}
