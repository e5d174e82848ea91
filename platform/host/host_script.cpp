// The script of the user's answers, answers.txt: one ordered stream of lines, each starting with
// a kind word ("box", and later others) followed by its arguments. A cursor remembers how far
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

}  // namespace

void HostScriptRewind() {
  g_cursor = Cursor();
}

HostScriptResult HostScriptNext(const char* kind, char* args, size_t size, uint32_t* line_number) {
  if (size > 0) args[0] = '\0';
  *line_number = 0;
  const char* root = HostMachineRoot();
  char path[kHostPathMax];
  if (root == nullptr || !HostCopyText(path, sizeof path, root) ||
      !HostAppendText(path, sizeof path, "/answers.txt")) {
    return kScriptEnd;
  }
  FILE* file = fopen(path, "r");
  if (file == nullptr) return kScriptEnd;
  HostScriptResult result = kScriptEnd;
  char line[kHostScriptLineMax];
  if (fseek(file, g_cursor.offset, SEEK_SET) == 0) {
    while (fgets(line, sizeof line, file) != nullptr) {
      uint32_t number = g_cursor.line + 1;
      size_t length = strlen(line);
      int too_long = length == sizeof line - 1 && line[length - 1] != '\n' && !feof(file);
      if (too_long) SkipRestOfLine(file);
      char* text = TrimLine(line);
      size_t word = strcspn(text, " \t");
      int skipped = too_long || *text == '\0' || *text == '#';
      int matches = !skipped && word == strlen(kind) && strncmp(text, kind, word) == 0;
      if (!skipped && !matches) {
        HostTranscript("script-mismatch line %u: expected %s, found \"%s\"", number, kind, text);
        result = kScriptMismatch;
        *line_number = number;
        break;
      }
      g_cursor.offset = ftell(file);
      g_cursor.line = number;
      if (too_long) HostTranscript("script-error line %u: line too long", number);
      if (matches) {
        if (HostCopyText(args, size, TrimLine(text + word))) {
          result = kScriptLine;
          *line_number = number;
          break;
        }
        HostTranscript("script-error line %u: arguments too long", number);
      }
    }
  }
  fclose(file);
  return result;
}
