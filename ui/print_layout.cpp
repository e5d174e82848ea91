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
