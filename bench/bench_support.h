// What the benchmarks share: generated test data (runs of text, zeros and pseudo-random bytes,
// the same for the same seed), a stopwatch, shell commands run with their status checked, and
// host paths as the simulated machine names them.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Writes bytes of mixed data to path; the same seed gives the same bytes. False on a failure.
bool WriteMixedFile(const std::string& path, uint64_t bytes, uint32_t seed);

// Seconds since start.
double Seconds(std::chrono::steady_clock::time_point start);

// Runs a shell command; true when it ran and exited with status 0.
bool RunCommand(const std::string& command);

// The seconds a shell command took, or a negative number when it failed.
double TimeCommand(const std::string& command);

// A host path as the simulated machine names it through its Z: mount of "/" (Z:\dir\file).
std::string WindowsPath(const std::string& host);
