// ReportFatalError: the fatal error's log line, then its message box; ClearErrorNumber: the
// line alone, where the ending shows its own message instead.
#include "services/fatal_report.h"

#include "services/errors.h"
#include "services/setup_state.h"
#include "services/update_log.h"

void ClearErrorNumber() {
  if (g_setup.error_number == 0) return;
  LogLine("Fatal error #%u", static_cast<unsigned>(g_setup.error_number));
  if (g_setup.cleared_error == 0) g_setup.cleared_error = g_setup.error_number;
  g_setup.error_number = 0;
}

void ReportFatalError() {
  if (g_setup.error_number == 0) return;
  unsigned number = g_setup.error_number;
  LogLine("Fatal error #%u", number);
  ShowError(
      "An error (#%u) has occurred, and Setup is unable to continue.\n\nThis problem could be "
      "caused by a corrupted copy of the Setup program or by a bad disk.  It might be helpful "
      "to reset your system and try again.  If the problem persists, please contact Velnet "
      "Customer Relations at 1-800-555-0142 for assistance.",
      number);
}
