// Registry entries of the product: string values read and written through three small
// operations that open and close their own keys, and the entry of the Windows list of
// uninstallable programs. Results are Windows error codes (platform/registry.h); nothing here
// logs or shows anything.
#pragma once

#include <cstdint>

#include "platform/registry.h"

// Where the client records its installation directory, under both roots.
extern const char kVelnetKey[];     // "SOFTWARE\Velnet\VNT\CurrentVersion"
extern const char kAppPathValue[];  // "AppPath"

// The string value named value_name (found by enumerating the key's values, the name compared
// without regard to case) into out, which holds out_size bytes: 0 and the text; 2 when the key
// is missing or has no values; 259 when it has values but not this one; 234 when the text does
// not fit out (never shortened); any other code as the registry gives it. out is empty unless
// the result is 0 (or 122). A missing root gives 2.
uint32_t RegReadString(PlatRegKey root, const char* subkey, const char* value_name, char* out,
                       uint32_t out_size);

// Writes text as a REG_SZ value, creating the key when it is missing: the result of setting the
// value, or 1 when the key could neither be opened nor created.
uint32_t RegWriteString(PlatRegKey root, const char* subkey, const char* value_name,
                        const char* text);

// Reads the value first and writes text according to what the read found: an existing value,
// one too long to read, or a key without it is written; a missing key is created first (1 when
// that or the write fails, else 0); any other read failure is returned without writing.
uint32_t RegSetStringChecked(PlatRegKey root, const char* subkey, const char* value_name,
                             const char* text);

// Under HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velnet:
// DisplayName "Velnet" and UninstallString dest_dir\RM_VNT.EXE. Writes nothing and returns 0
// when the uninstaller is not in the destination directory.
int RegisterUninstall();
