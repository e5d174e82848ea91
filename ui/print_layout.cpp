// The page arithmetic of the printed guide: pure functions, the same on every printer driver.
#include "ui/print_layout.h"

int32_t PrintLineHeight(int32_t font_height, int32_t external_leading) {
  int64_t height = int64_t{font_height} + external_leading;
  return height > 0 && height <= INT32_MAX ? static_cast<int32_t>(height) : 0;
}

int32_t PrintLinesPerPage(int32_t page_height, int32_t line_height) {
  if (line_height <= 0) return 0;
  int32_t lines = page_height / line_height - 1;
  return lines >= 1 ? lines : 1;
}

int PrintPageBreakBefore(uint32_t line, int32_t lines_per_page) {
  return lines_per_page > 0 && line > 0 && line % static_cast<uint32_t>(lines_per_page) == 0;
}

int32_t PrintLineY(uint32_t line, int32_t lines_per_page, int32_t line_height) {
  if (lines_per_page <= 0) return 0;
  int64_t position = line % static_cast<uint32_t>(lines_per_page) + 1;
  int64_t y = position * line_height;
  return y <= INT32_MAX ? static_cast<int32_t>(y) : INT32_MAX;
}

uint32_t PrintExpandedLength(const char* text) {
  uint64_t length = 0;
  uint64_t column = 0;
  for (const char* at = text; *at != '\0'; ++at) {
    uint64_t width = 1;
    if (*at == '\t') width = kGuideTabColumns - column % kGuideTabColumns;
    length += width;
    column = *at == '\r' || *at == '\n' ? 0 : column + width;
    if (length >= UINT32_MAX) return 0;
  }
  return static_cast<uint32_t>(length);
}

void PrintExpandTabs(const char* text, char* out) {
  uint32_t column = 0;
  for (const char* at = text; *at != '\0'; ++at) {
    if (*at == '\t') {
      do {
        *out++ = ' ';
      } while (++column % kGuideTabColumns != 0);
      continue;
    }
    *out++ = *at;
    column = *at == '\r' || *at == '\n' ? 0 : column + 1;
  }
  *out = '\0';
}

int PrintParagraph(const char* text, int* next) {
  int length = 0;
  while (text[length] != '\0' && text[length] != '\r' && text[length] != '\n') ++length;
  if (text[length] == '\0') {
    *next = -1;
  } else {
    *next = length + (text[length] == '\r' && text[length + 1] == '\n' ? 2 : 1);
  }
  return length;
}

void PrintRowCut(const char* text, int length, int32_t width, PrintMeasure measure, void* context,
                 int* shown, int* next) {
  *shown = length;
  *next = length;
  if (width <= 0 || length <= 0 || measure(context, text, length) <= width) return;
  // The most characters that fit: fit fits, beyond does not.
  int fit = 0;
  int beyond = length;
  while (beyond - fit > 1) {
    int middle = fit + (beyond - fit) / 2;
    if (measure(context, text, middle) <= width) {
      fit = middle;
    } else {
      beyond = middle;
    }
  }
  int blank = fit;  // a blank right after the characters that fit ends the row there too
  while (blank > 0 && text[blank] != ' ') --blank;
  int end = blank;
  while (end > 0 && text[end - 1] == ' ') --end;
  if (end == 0) {  // no blank after a word: the word is cut
    *shown = fit > 0 ? fit : 1;
    *next = *shown;
    return;
  }
  int after = blank;
  while (after < length && text[after] == ' ') ++after;
  *shown = end;
  *next = after;
}
