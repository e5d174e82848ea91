// The Internet Explorer build the update needs: the test before the interactive part when the
// payload requires a build and ships no installer, and the installers run after the update when
// it ships them.
#pragma once

#include <cstdint>

// When the installed build is below ie_build_required: the message and setup_aborted.
void CheckBrowserPrerequisite();

// Runs the payload's browser installers (waiting for each) while the build is below the one
// required, asking whether to try again when the build read afterwards is not the required one.
// Returns 0 only when Windows ended the session while an installer was being waited for.
int InstallBrowser();

// The decimal value at the start of text, as atoi reads it: blanks skipped, an optional sign,
// digits up to the first other character; 0 without digits. Held within 32 bits.
int32_t BuildNumberOf(const char* text);
