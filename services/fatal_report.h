// The end-of-run report of a fatal error, written to the update log and shown in a message box.
#pragma once

// The log line "Fatal error #N" and the fatal-error message box, both with error_number. Does
// nothing when no error is stored.
void ReportFatalError();
