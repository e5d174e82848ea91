// The page arithmetic of the printed Quick Reference Guide: the height of a line, the lines a
// page holds, where pages break and where each line goes. Every page leaves its first line
// height empty; no margin is added to the printer's own.
#pragma once

#include <cstdint>

const uint32_t kGuideLineBuffer = 128;  // one fetched line, with its 16-bit capacity in front
const uint32_t kGuideLineMax = 127;     // characters of a line that are printed

// tmHeight + tmExternalLeading; 0 when that is not a positive 32-bit height.
int32_t PrintLineHeight(int32_t font_height, int32_t external_leading);
// page_height / line_height - 1 lines, at least 1; 0 when line_height is 0 or less.
int32_t PrintLinesPerPage(int32_t page_height, int32_t line_height);
// 1 when line index line (from 0) is the first line of a page after the first page.
int PrintPageBreakBefore(uint32_t line, int32_t lines_per_page);
// The y of line index line: its position on its page (1 for the first) times the line height.
int32_t PrintLineY(uint32_t line, int32_t lines_per_page, int32_t line_height);
// The characters printed of a line that EM_GETLINE reported copied: 0 to 127.
int PrintLineLength(intptr_t copied);
