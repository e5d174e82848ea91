// SetupState: the one record of a run. Options, paths, the payload header's texts and switches,
// the run's status flags and error number, the log state and the memory block counters. Every
// step reads and writes the fields it needs directly; there is exactly one, g_setup.
#pragma once

#include <cstdint>

#include "platform/files.h"
#include "platform/types.h"

// Path fields hold at most 256 characters and the NUL.
const uint32_t kStatePath = 257;

// Capacities of the payload header texts kept in the state (longest text = capacity - 1).
const uint32_t kGroupNameCapacity = 64;
const uint32_t kItemTitleCapacity = 128;
const uint32_t kItemProgramCapacity = 64;
const uint32_t kFrameTitleCapacity = 64;
const uint32_t kVersionTextCapacity = 32;
const uint32_t kWelcomeTextCapacity = 512;
const uint32_t kNotFoundTextCapacity = 256;
const uint32_t kFollowOnCapacity = 32;
const uint32_t kLaterDiskCapacity = 32;
const uint32_t kDiskFullProgramCapacity = 64;

// A list of texts from the payload header: count items, each allocated separately.
struct TextList {
  uint16_t count;
  char** items;  // null when count is 0
};

struct SetupState {
  // Environment and options.
  PlatInstance instance;
  char windows_dir[kStatePath];
  char install_file[kStatePath];
  char install_dir[kStatePath];
  int32_t crash_mode;
  int32_t suppress_finish;
  int32_t skip_modem;
  int32_t install_mode;
  int32_t reboot_requested;
  int32_t restart_ordered;  // -R: the restart question is answered Restart Now in a silent run
  int32_t silent;           // -S: nothing is shown; every question gets its silent answer
  char log_copy_path[kStatePath];  // -L: the file the run's log is copied to, or empty
  int32_t write_version_file;
  int32_t check_hardware;

  // Taken from the payload header.
  char frame_title[kFrameTitleCapacity];
  char version_text[kVersionTextCapacity];
  char welcome_text[kWelcomeTextCapacity];
  char not_found_text[kNotFoundTextCapacity];
  char follow_on_program[kFollowOnCapacity];
  char later_disk_marker[kLaterDiskCapacity];
  char disk_full_program[kDiskFullProgramCapacity];
  char group_name[kGroupNameCapacity];
  char item_title[kItemTitleCapacity];
  char item_program[kItemProgramCapacity];
  int32_t ie_build_required;
  TextList ie_installers;

  // Run status.
  char dest_dir[kStatePath];
  char merge_dir[kStatePath];
  uint16_t error_number;
  int32_t setup_aborted;
  int32_t install_stopped;
  int32_t follow_on_launched;
  int32_t offer_disk_full_program;
  int32_t dest_prepared;
  int32_t ie_build;
  PlatWindow frame_window;

  // How the run ended, for the exit status and the closing message.
  uint16_t cleared_error;    // the error number that the failure branch cleared, 0 if none
  int32_t refused;           // 1: refused by a test of the machine or the later-disk check
  int32_t not_started;       // 1: the run could not start (a bad -P directory)
  int32_t nothing_found;     // 1: the search found no installation this update accepts
  int32_t changes_begun;     // 1: the installation has begun to change the computer
  int32_t rollback_result;   // 0 nothing rolled back, 1 every change undone, 2 not all undone
  int32_t unfinished_shown;  // 1: the closing box of an unfinished run has been shown
  int32_t restart_declined;  // 1: a restart was needed and the user declined it
  PlatFile journal_file;     // the rollback journal while the run may change things

  // The update log.
  char* log_buffer;
  uint16_t log_capacity;
  uint16_t log_used;
  PlatFile log_handle;
  int32_t log_written;
  int32_t crash_log_made;  // c:\update.log was made by this run's crash mode

  // Memory blocks from AllocBlock.
  uint16_t live_blocks;
  uint16_t peak_blocks;
};

extern SetupState g_setup;

// Puts the record in its starting state: all zero, no log file open.
void ResetSetupState();
