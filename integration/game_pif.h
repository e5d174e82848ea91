// DOSGAME.PIF: the program information file that makes Windows run the payload's DOS game,
// "DOSGAME.EXE", with fixed DOS settings. A fixed 545-byte image in which only the program path
// and the checksum change; it is written into the Windows directory.
#pragma once

#include <cstdint>

const uint32_t kGamePifSize = 545;
const uint32_t kGamePifPathField = 0x024;
const uint32_t kGamePifPathLength = 62;  // characters the program path field holds, NUL apart

// Fills out with the template, the program path put into its field (NUL-terminated, the rest of
// the field kept) and the checksum recomputed. Returns 0, leaving out untouched, when the path
// is longer than the field holds.
int BuildGamePif(const char* program_path, uint8_t out[kGamePifSize]);

// Writes windows_dir\DOSGAME.PIF for dest_dir\DOSGAME.EXE. Returns 1 when the file was written
// and closed; a path too long for its field writes no file and logs "Couldn't create game PIF".
int CreateGamePif();
