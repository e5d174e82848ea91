// The fixture of the core's unit tests: a fresh simulated machine and a fresh SetupState,
// payload and log for every test, and a check that every memory block was given back.
#pragma once

#include <string>

#include "payload/extraction_library.h"
#include "payload/payload_reader.h"
#include "services/setup_state.h"
#include "services/update_log.h"
#include "tests/support/test_machine.h"

class SetupTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    ResetSetupState();
    g_extraction.library_in_payload = 0;  // a process holds one run; the tests hold many
  }
  void TearDown() override {
    ClosePayload();
    ReleasePayloadHeader();
    if (g_setup.log_buffer != nullptr || g_setup.log_handle != kPlatNoFile) {
      g_setup.dest_dir[0] = '\0';
      g_setup.error_number = 0;
      FlushLog();
    }
    EXPECT_EQ(g_setup.live_blocks, 0) << "memory blocks left allocated";
    MachineTest::TearDown();
  }

  // Writes the log into dest_dir (whatever error number is stored) and returns update.log there.
  std::string DestinationLog() {
    uint16_t error = g_setup.error_number;
    g_setup.error_number = 0;
    FlushLog();
    g_setup.error_number = error;
    return GetFile((std::string(g_setup.dest_dir) + "\\update.log").c_str());
  }

  // Writes a payload file into the machine and points -X at it.
  void UsePayloadFile(const std::string& bytes, const char* path = "C:\\PAYLOAD.BIN") {
    PutFile(path, bytes);
    snprintf(g_setup.install_file, sizeof g_setup.install_file, "%s", path);
  }
};
