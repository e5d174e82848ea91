// Whole host files read into and written from strings, for the host tools.
#pragma once

#include <string>

// False when the file cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* bytes);
// Creates or replaces the file; false when it cannot be written in full.
bool WriteWholeFile(const std::string& path, const std::string& bytes);
