// The scratch simulated machine the fuzz targets run on: made once per process under TMPDIR,
// with a C: drive, and removed at exit. Inputs are written straight into its drive folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Opens the machine the first time; returns the host folder of drive C:.
const std::string& FuzzDriveC();
// Writes bytes to the host file that C:\<name> stands for.
void FuzzPutFile(const char* name, const uint8_t* data, size_t size);
