// The end-of-run report of a fatal error, written to the update log and shown in a message box.
#pragma once

// The log line "Fatal error #N" and the fatal-error message box, both with error_number. Does
// nothing when no error is stored.
void ReportFatalError();

// Clears error_number where the run's ending replaces the fatal-error message with its own,
// after logging "Fatal error #N" so that update.log still holds the reason; the number is kept
// in cleared_error for the exit status.
void ClearErrorNumber();
