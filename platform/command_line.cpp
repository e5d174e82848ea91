// SkipProgramName: the start-up rule by which the options begin after the program's own name.
#include "platform/command_line.h"

namespace {

int IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

const char* SkipProgramName(const char* line) {
  const char* at = line;
  if (*at == '"') {
    ++at;
    while (*at != '\0' && *at != '"') ++at;
    if (*at == '"') ++at;
  } else {
    while (*at != '\0' && !IsBlankOrControl(*at)) ++at;
  }
  while (*at != '\0' && IsBlankOrControl(*at)) ++at;
  return at;
}
