// The run's one SetupState and its starting state.
#include "services/setup_state.h"

SetupState g_setup = {};

void ResetSetupState() {
  g_setup = SetupState{};
  g_setup.log_handle = kPlatNoFile;
  g_setup.journal_file = kPlatNoFile;
}
