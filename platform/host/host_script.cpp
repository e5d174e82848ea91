// The script of the user's answers, answers.txt: one ordered stream of lines, each starting with
// a kind word ("box", "dialog", "text") followed by its arguments. The file is read once, at the
// first question after the machine opened, and held in memory; a cursor remembers how far the
// run has read. Blank lines and lines starting with '#' are skipped. A line of another kind than
// the one asked for stays in place and the mismatch is recorded in the transcript.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_backend.h"

namespace {

struct Cursor {
  size_t offset;  // byte offset of the next unread line
  uint32_t line;  // lines consumed so far
};

struct Script {
  int loaded;  // 1 once the file was read (or found missing) since the last rewind
  char* text;  // the whole file, NUL-terminated; null when there is none
  size_t size;
  Cursor cursor;
};
Script g_script;

char* TrimLine(char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  size_t length = strlen(text);
  while (length > 0 && strchr(" \t\r\n", text[length - 1]) != nullptr) text[--length] = '\0';
  return text;
}

// Reads answers.txt whole at the first question of a run; 0 when there is no script.
int LoadScript() {
  if (g_script.loaded) return g_script.text != nullptr;
  g_script.loaded = 1;
  const char* root = HostMachineRoot();
  char path[kHostPathMax];
  if (root == nullptr || !HostCopyText(path, sizeof path, root) ||
      !HostAppendText(path, sizeof path, "/answers.txt")) {
    return 0;
  }
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return 0;
  size_t capacity = 4096;
  char* text = static_cast<char*>(malloc(capacity));
  size_t size = 0;
  while (text != nullptr) {
    size += fread(text + size, 1, capacity - 1 - size, file);
    if (size < capacity - 1) break;
    char* grown = static_cast<char*>(realloc(text, capacity * 2));
    if (grown == nullptr) free(text);
    text = grown;
    capacity *= 2;
  }
  fclose(file);
  if (text == nullptr) return 0;
  text[size] = '\0';
  g_script.text = text;
  g_script.size = size;
  return 1;
}

// Reads, from the cursor on, up to the next line that counts: its trimmed text in line, the
// cursor after it in *after and its number in *number. Skipped lines move *skipped past them;
// a line too long is skipped with a script-error when record is set. 0 at the end.
int ReadLine(char* line, size_t size, char** text, Cursor* after, Cursor* skipped, int record) {
  *skipped = g_script.cursor;
  size_t at = g_script.cursor.offset;
  while (at < g_script.size) {
    const char* start = g_script.text + at;
    const char* end = static_cast<const char*>(memchr(start, '\n', g_script.size - at));
    size_t length = end != nullptr ? static_cast<size_t>(end - start) + 1 : g_script.size - at;
    at += length;
    uint32_t number = skipped->line + 1;
    int too_long = length > size - 1;
    if (!too_long) {
      memcpy(line, start, length);
      line[length] = '\0';
    } else {
      line[0] = '\0';
    }
    *text = TrimLine(line);
    if (too_long || **text == '\0' || **text == '#') {
      if (too_long && record) HostTranscript("script-error line %u: line too long", number);
      *skipped = Cursor{at, number};
      continue;
    }
    *after = Cursor{at, number};
    return 1;
  }
  return 0;
}

}  // namespace

void HostScriptRewind() {
  free(g_script.text);
  g_script = Script();
}

HostScriptResult HostScriptNext(const char* kind, char* args, size_t size, uint32_t* line_number) {
  if (size > 0) args[0] = '\0';
  *line_number = 0;
  if (!LoadScript()) return kScriptEnd;
  HostScriptResult result = kScriptEnd;
  char line[kHostScriptLineMax];
  char* text;
  Cursor after;
  Cursor skipped;
  while (ReadLine(line, sizeof line, &text, &after, &skipped, 1)) {
    g_script.cursor = skipped;
    size_t word = strcspn(text, " \t");
    if (word != strlen(kind) || strncmp(text, kind, word) != 0) {
      HostTranscript("script-mismatch line %u: expected %s, found \"%s\"", after.line, kind, text);
      result = kScriptMismatch;
      *line_number = after.line;
      break;
    }
    g_script.cursor = after;
    if (HostCopyText(args, size, TrimLine(text + word))) {
      result = kScriptLine;
      *line_number = after.line;
      break;
    }
    HostTranscript("script-error line %u: arguments too long", after.line);
  }
  if (result == kScriptEnd) g_script.cursor = skipped;
  return result;
}

HostScriptResult HostScriptPeek(char* kind, size_t kind_size, char* args, size_t args_size) {
  kind[0] = '\0';
  args[0] = '\0';
  if (!LoadScript()) return kScriptEnd;
  char line[kHostScriptLineMax];
  char* text;
  Cursor after;
  Cursor skipped;
  if (ReadLine(line, sizeof line, &text, &after, &skipped, 0)) {
    size_t word = strcspn(text, " \t");
    if (word < kind_size) {
      memcpy(kind, text, word);
      kind[word] = '\0';
      HostCopyText(args, args_size, TrimLine(text + word));
      return kScriptLine;
    }
  }
  return kScriptEnd;
}
