// Error numbers and the program's only message boxes: ShowError, AskRetryCancel, AskYesNo and
// the two fixed Retry/Cancel questions. All carry the caption "Setup", are owned by the frame
// window (when it exists) and take a wsprintfA-style format; a message is cut at 511 characters.
#pragma once

#include <cstdint>

// The fatal error numbers a step stores in g_setup.error_number (the first one stored wins).
enum ErrorNumber : uint16_t {
  kErrorNoPayloadMarker = 1,
  kErrorNoModuleName = 2,
  kErrorPayloadOpen = 3,
  kErrorPayloadSeek = 4,
  kErrorHeaderField = 5,
  kErrorFileTable = 6,
  kErrorMemberSeek = 7,
  kErrorMemberRead = 8,
  kErrorMemberWrite = 9,
  kErrorLibraryCreate = 11,
  kErrorLibraryClose = 12,
  kErrorLibraryLoad = 13,
  kErrorLibraryEntry = 14,
  kErrorGaugeClass = 15,
  kErrorFrameClass = 16,
  kErrorFrameWindow = 17,
  kErrorSignature = 18,
  kErrorTempCreate = 19,
  kErrorTempClose = 20,
  kErrorSizeMismatch = 21,
  kErrorMainDatabaseOpen = 22,
  kErrorVersionWrite = 23,
  kErrorVersionMissing = 24,
  kErrorVersionTextWrite = 25,
  kErrorMarkerTextWrite = 29,
  kErrorSystemCopy = 30,
  // Beyond the original table: failures that used to pass unreported.
  kErrorMergeDatabaseRead = 40,  // IDB\MERGE.DB is there but cannot be opened or read whole
  kErrorRecordWrite = 41,        // a record of the merge cannot be written into MAIN.IDX
  kErrorRollbackJournal = 42,    // the rollback journal cannot be written
  kErrorSetAside = 43,           // a file the run must replace cannot be moved aside
  kErrorProfileWrite = 44,       // WIN.INI or VERSION.INF cannot be written whole
  kErrorMemberName = 45,         // an entry's archive holds a member of another name
  kErrorEntryIsFolder = 46,      // an entry's file would replace a folder, or a file its folder
  kErrorFileInUse = 47,          // a file just installed is held by another program
  kErrorUnzipBase = 1000,        // 1000 + the extraction library's result code
};

// Stores number as the run's error unless one is stored already; returns 0 so that a failing
// step can end with "return FailWith(...)".
int FailWith(uint16_t number);

// OK box with the hand icon; returns the box's result, or 0 when the format cannot be expanded.
int ShowError(const char* format, ...);
// Retry/Cancel box: 1 for Retry; anything else (Cancel, a closed box, a bad format) is 0.
int AskRetryCancel(const char* format, ...);
// Yes/No box: 1 for Yes, else 0.
int AskYesNo(const char* format, ...);

int AskMoreDiskSpace();

// Every box of the program goes through here: shows text under caption (beeping first unless
// beep is kNoBeep). In a silent run the box is not shown: its text is logged as one line and
// the answer that changes nothing is returned (OK, Cancel or No).
int ShowBox(const char* caption, const char* text, uint32_t style, uint32_t beep);
