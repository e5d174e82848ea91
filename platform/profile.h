// Profile strings, with Win32 semantics: WIN.INI (GetProfileStringA, WriteProfileStringA) and
// any INI file (WritePrivateProfileStringA). Sections and keys compare without regard to case;
// a write replaces the key's value in place, adds a missing key to its section and a missing
// section to the file, and creates a missing file.
//
// Contract: a read copies the value, or the default when the section or key is missing, into
// out (size bytes, NUL included) and returns its length; a text that does not fit is a failure
// (0, out empty), never a shortened one. Writes return 1 or 0. The host backend keeps WIN.INI
// in the Windows directory of the simulated C: drive (docs/host-machine.md).
#pragma once

#include <cstdint>

uint32_t PlatGetProfileString(const char* section, const char* key, const char* default_text,
                              char* out, uint32_t size);
int PlatWriteProfileString(const char* section, const char* key, const char* value);
// A file name without a directory names a file in the Windows directory.
int PlatWritePrivateProfileString(const char* section, const char* key, const char* value,
                                  const char* file);
