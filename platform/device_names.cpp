// IsDeviceName, KeptNameLength and SameNameNoCase: how Windows reads a name.
#include "platform/device_names.h"

namespace {

const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// 1 when the first length characters of text are word, without regard to case.
int SameWord(const char* text, size_t length, const char* word) {
  size_t i = 0;
  for (; i < length && word[i] != '\0'; ++i) {
    if (Upper(text[i]) != word[i]) return 0;
  }
  return i == length && word[i] == '\0';
}

}  // namespace

int IsDeviceName(const char* component, size_t length) {
  size_t base = 0;
  while (base < length && component[base] != '.') ++base;
  while (base > 0 && component[base - 1] == ' ') --base;
  for (const char* device : kDevices) {
    if (SameWord(component, base, device)) return 1;
  }
  return base == 4 && (SameWord(component, 3, "COM") || SameWord(component, 3, "LPT")) &&
         component[3] >= '1' && component[3] <= '9';
}

size_t KeptNameLength(const char* component, size_t length) {
  while (length > 0 && (component[length - 1] == '.' || component[length - 1] == ' ')) --length;
  return length;
}

int SameNameNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    char x = Upper(*a);
    if (x != Upper(*b)) return 0;
    if (x == '\0') return 1;
  }
}
