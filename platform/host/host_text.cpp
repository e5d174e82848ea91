// Small text helpers of the host backend: case-insensitive comparison as Windows does it for
// names (ASCII letters only), trimming and number parsing for machine.ini and answers.txt,
// bounded copies and the escaping of transcript fields.
#include <cstdlib>
#include <cstring>

#include "platform/host/host_backend.h"

char HostUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char* HostTrim(char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  size_t length = strlen(text);
  while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\t' ||
                        text[length - 1] == '\r' || text[length - 1] == '\n')) {
    text[--length] = '\0';
  }
  return text;
}

int HostSameNoCase(const char* a, const char* b) {
  while (*a != '\0' && HostUpper(*a) == HostUpper(*b)) {
    ++a;
    ++b;
  }
  return HostUpper(*a) == HostUpper(*b);
}

int HostContainsNoCase(const char* text, const char* piece) {
  size_t piece_length = strlen(piece);
  for (const char* start = text; *start != '\0'; ++start) {
    size_t i = 0;
    while (i < piece_length && start[i] != '\0' && HostUpper(start[i]) == HostUpper(piece[i])) ++i;
    if (i == piece_length) return 1;
  }
  return piece_length == 0;
}

int HostParseNumber(const char* text, uint64_t* out) {
  uint64_t base = 10;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text += 2;
  }
  if (*text == '\0') return 0;
  uint64_t value = 0;
  for (; *text != '\0'; ++text) {
    uint64_t digit;
    char c = HostUpper(*text);
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint64_t>(c - '0');
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = static_cast<uint64_t>(c - 'A' + 10);
    } else {
      return 0;
    }
    if (value > (UINT64_MAX - digit) / base) return 0;
    value = value * base + digit;
  }
  *out = value;
  return 1;
}

int HostCopyText(char* out, size_t size, const char* text) {
  size_t length = strlen(text);
  if (size == 0) return 0;
  if (length >= size) {
    out[0] = '\0';
    return 0;
  }
  memcpy(out, text, length + 1);
  return 1;
}

int HostAppendText(char* out, size_t size, const char* text) {
  size_t used = strlen(out);
  size_t length = strlen(text);
  if (used + length >= size) return 0;
  memcpy(out + used, text, length + 1);
  return 1;
}

char* HostEscapeText(const char* text) {
  size_t length = strlen(text);
  char* escaped = static_cast<char*>(malloc(length * 4 + 1));  // "\xHH" is the longest form
  if (escaped == nullptr) return nullptr;
  static const char kHex[] = "0123456789ABCDEF";
  char* at = escaped;
  for (const char* c = text; *c != '\0'; ++c) {
    unsigned char byte = static_cast<unsigned char>(*c);
    if (byte >= 0x20 && byte != 0x7F) {
      *at++ = *c;
    } else if (byte == '\n' || byte == '\r' || byte == '\t') {
      *at++ = '\\';
      *at++ = byte == '\n' ? 'n' : (byte == '\r' ? 'r' : 't');
    } else {
      *at++ = '\\';
      *at++ = 'x';
      *at++ = kHex[byte >> 4];
      *at++ = kHex[byte & 0x0F];
    }
  }
  *at = '\0';
  return escaped;
}
