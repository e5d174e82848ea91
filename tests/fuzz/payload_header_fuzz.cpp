// Fuzz target: the payload header reader on any bytes given as a -X payload file. Every block
// the reader allocates must come back, whatever the input.
#include <cstdlib>

#include "payload/payload_reader.h"
#include "services/setup_state.h"
#include "tests/fuzz/fuzz_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPutFile("PAYLOAD.BIN", data, size);
  ResetSetupState();
  snprintf(g_setup.install_file, kStatePath, "%s", "C:\\PAYLOAD.BIN");
  if (OpenPayload()) ReadPayloadHeader();
  ClosePayload();
  ReleasePayloadHeader();
  if (g_setup.live_blocks != 0) abort();
  return 0;
}
