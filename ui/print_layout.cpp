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

int PrintLineLength(intptr_t copied) {
  if (copied <= 0) return 0;
  return copied > static_cast<intptr_t>(kGuideLineMax) ? static_cast<int>(kGuideLineMax)
                                                       : static_cast<int>(copied);
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
