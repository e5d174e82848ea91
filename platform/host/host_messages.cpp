// Message boxes and beeps on the simulated machine. A box is answered from the answer script
// ("box RETRY"), else by asking the person when stdin is a terminal, else with the box's safe
// default; every box and beep is recorded in the transcript with how it was answered.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_backend.h"
#include "platform/messages.h"

namespace {

struct ButtonSet {
  int ids[3];
  int count;
  int fallback;  // the answer when nobody answers: the choice that risks nothing
};

// The buttons of MessageBoxA's button styles 0..5; other styles show OK alone.
const ButtonSet& ButtonsOf(uint32_t style) {
  static const ButtonSet kSets[] = {
      {{kIdOk}, 1, kIdOk},                             // MB_OK
      {{kIdOk, kIdCancel}, 2, kIdCancel},              // MB_OKCANCEL
      {{kIdAbort, kIdRetry, kIdIgnore}, 3, kIdAbort},  // MB_ABORTRETRYIGNORE
      {{kIdYes, kIdNo, kIdCancel}, 3, kIdCancel},      // MB_YESNOCANCEL
      {{kIdYes, kIdNo}, 2, kIdNo},                     // MB_YESNO
      {{kIdRetry, kIdCancel}, 2, kIdCancel},           // MB_RETRYCANCEL
  };
  uint32_t type = style & 0x0F;
  return type < sizeof kSets / sizeof kSets[0] ? kSets[type] : kSets[0];
}

const char* const kAnswerNames[] = {"OK", "CANCEL", "ABORT", "RETRY", "IGNORE", "YES", "NO"};

const char* AnswerName(int id) {
  return (id >= kIdOk && id <= kIdNo) ? kAnswerNames[id - 1] : nullptr;
}

int HasButton(const ButtonSet& set, int id) {
  for (int i = 0; i < set.count; ++i) {
    if (set.ids[i] == id) return 1;
  }
  return 0;
}

// A button name, its first letter (when given on a terminal), or a number. 1 when understood.
int ParseAnswer(const char* word, int allow_letter, int* id) {
  for (int candidate = kIdOk; candidate <= kIdNo; ++candidate) {
    const char* name = AnswerName(candidate);
    int letter =
        allow_letter && word[0] != '\0' && word[1] == '\0' && HostUpper(word[0]) == name[0];
    if (HostSameNoCase(word, name) || letter) {
      *id = candidate;
      return 1;
    }
  }
  uint64_t number;
  if (allow_letter || !HostParseNumber(word, &number) || number == 0 || number > 0x7FFFFFFF) {
    return 0;
  }
  *id = static_cast<int>(number);
  return 1;
}

// Shows the box on the terminal and reads the answer; 0 at end of input.
int AskOnTerminal(const char* caption, const char* text, const ButtonSet& set, int* id) {
  fprintf(stderr, "\n[ %s ]\n%s\n", caption, text);
  for (;;) {
    for (int i = 0; i < set.count; ++i) fprintf(stderr, "  %s", kAnswerNames[set.ids[i] - 1]);
    fprintf(stderr, "  ? ");
    char reply[64];
    if (fgets(reply, sizeof reply, stdin) == nullptr) return 0;
    reply[strcspn(reply, "\r\n")] = '\0';
    char* word = reply + strspn(reply, " \t");
    word[strcspn(word, " \t")] = '\0';
    int chosen;
    if (ParseAnswer(word, 1, &chosen) && HasButton(set, chosen)) {
      *id = chosen;
      return 1;
    }
  }
}

}  // namespace

void PlatMessageBeep(uint32_t type) {
  HostTranscript("beep 0x%X", type);
}

int PlatMessageBox(PlatWindow owner, const char* text, const char* caption, uint32_t style) {
  if (text == nullptr) text = "";
  if (caption == nullptr) caption = "Error";  // MessageBoxA's caption for a null one
  const ButtonSet& set = ButtonsOf(style);
  int answer = set.fallback;
  const char* by = "default";
  char args[kHostScriptLineMax];
  uint32_t line;
  HostScriptResult next = HostScriptNext("box", args, sizeof args, &line);
  if (next == kScriptLine) {
    int scripted;
    if (!ParseAnswer(args, 0, &scripted)) {
      HostTranscript("script-error line %u: \"%s\" is no answer to a box", line, args);
    } else if (AnswerName(scripted) != nullptr && !HasButton(set, scripted)) {
      HostTranscript("script-mismatch line %u: the box has no button %s", line, args);
    } else {
      answer = scripted;
      by = "script";
    }
  } else if (next == kScriptEnd && HostIsTerminal(STDIN_FILENO) &&
             AskOnTerminal(caption, text, set, &answer)) {
    by = "asked";
  }
  char owner_text[32] = "none";
  if (owner != nullptr) snprintf(owner_text, sizeof owner_text, "%p", owner);
  char answer_text[16];
  const char* name = AnswerName(answer);
  snprintf(answer_text, sizeof answer_text, "%d", answer);
  char* caption_field = HostEscapeText(caption);
  char* text_field = HostEscapeText(text);
  HostTranscript("box caption=\"%s\" style=0x%X owner=%s answer=%s by=%s text=\"%s\"",
                 caption_field != nullptr ? caption_field : "?", style, owner_text,
                 name != nullptr ? name : answer_text, by,
                 text_field != nullptr ? text_field : "?");
  free(caption_field);
  free(text_field);
  return answer;
}
