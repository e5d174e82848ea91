// The search for the installation to update: the registry's AppPath, then the profile's, then a
// scan of every fixed drive for the client's program file, each place judged by the candidate
// verdict; the most recent accepted installation wins. Dialog 202 shows where it looks.
#pragma once

#include <cstdint>

// Empties out (kStatePath bytes) and fills it with the most recent accepted installation.
// 0 when none was found, the user left (setup_aborted is then set) or the dialog failed.
int FindInstallation(char* out);

// 1 when directory holds an accepted installation with a time stamp (the directory dialogs).
int CheckChosenDirectory(const char* directory);
