// The page arithmetic of the printed Quick Reference Guide: the height of a line, the lines a
// page holds, where pages break, where each line goes, the guide's paragraphs with their tabs
// expanded, and where a paragraph is cut into rows at the paper's width. Every page leaves its
// first line height empty; no margin is added to the printer's own.
#pragma once

#include <cstdint>

const uint32_t kGuideTabColumns = 8;  // a tab moves to the next multiple of 8 columns

// tmHeight + tmExternalLeading; 0 when that is not a positive 32-bit height.
int32_t PrintLineHeight(int32_t font_height, int32_t external_leading);
// page_height / line_height - 1 lines, at least 1; 0 when line_height is 0 or less.
int32_t PrintLinesPerPage(int32_t page_height, int32_t line_height);
// 1 when line index line (from 0) is the first line of a page after the first page.
int PrintPageBreakBefore(uint32_t line, int32_t lines_per_page);
// The y of line index line: its position on its page (1 for the first) times the line height.
int32_t PrintLineY(uint32_t line, int32_t lines_per_page, int32_t line_height);

// The length of text with every tab expanded to blanks up to the next tab column (columns count
// from the start of each line); 0 when it would not fit 32 bits with its NUL.
uint32_t PrintExpandedLength(const char* text);
// Writes text with its tabs expanded into out, which holds PrintExpandedLength(text) + 1 bytes.
void PrintExpandTabs(const char* text, char* out);
// The characters of the paragraph that text starts with, up to its line break (CR LF, LF or CR)
// or its end; *next is where the next paragraph starts, or -1 after the last one.
int PrintParagraph(const char* text, int* next);

// The width in pixels of count characters of text in the printer's font.
typedef int32_t (*PrintMeasure)(void* context, const char* text, int count);
// Where the first printed row of a line of length characters ends when rows are width pixels
// wide: *shown characters are printed, and the next row starts *next characters in. A line
// that fits is one row. Otherwise the row holds as many characters as fit and ends at its last
// blank when it has one after its first character (the blanks there are dropped), else inside
// the word; it holds at least one character. A width of 0 or less means no limit.
void PrintRowCut(const char* text, int length, int32_t width, PrintMeasure measure, void* context,
                 int* shown, int* next);
