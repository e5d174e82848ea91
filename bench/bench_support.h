// What the benchmarks share: generated test data (runs of text, zeros and pseudo-random bytes,
// the same for the same seed), a stopwatch, shell commands run with their status checked and
// measured, the median and range of a set of runs, and host paths as the simulated machine
// names them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Writes bytes of mixed data to path; the same seed gives the same bytes. False on a failure.
bool WriteMixedFile(const std::string& path, uint64_t bytes, uint32_t seed);

// Seconds since start.
double Seconds(std::chrono::steady_clock::time_point start);

// The processor time (user and system) this process has used so far, in seconds.
double ProcessorSeconds();

// Runs a shell command; true when it ran and exited with status 0.
bool RunCommand(const std::string& command);

// Runs a shell command and hands each line of its standard output (without the line end) to
// visit, as the lines come; true when it ran and exited with status 0.
bool ForEachOutputLine(const std::string& command,
                       const std::function<void(const std::string&)>& visit);

// The seconds a shell command took, or a negative number when it failed.
double TimeCommand(const std::string& command);

// A host path as the simulated machine names it through its Z: mount of "/" (Z:\dir\file).
std::string WindowsPath(const std::string& host);

// A shell command's time, the processor time it used (user and system: steadier than the time
// on a shared machine) and its peak resident memory; seconds < 0 when it failed or exited with
// another status than the one expected.
struct Measured {
  double seconds;
  double processor_seconds;
  long peak_kilobytes;
};
Measured MeasureCommand(const std::string& command, int expected_status = 0);

// Makes a fresh simulated machine in machine: a C: drive with the Windows directory and its
// SYSTEM folder, which every run that installs records itself in.
void MakeFreshMachine(const std::string& machine);

// The median, least and greatest of a set of figures (none may be empty).
struct Spread {
  double median;
  double least;
  double most;
};
Spread SpreadOf(std::vector<double> figures);
// "median M (range L-G) UNIT" with the figures scaled by scale.
std::string Describe(const Spread& spread, const char* unit, double scale = 1.0);

// The setup program to measure: $VNT_BENCH_SETUP when set (another build, for comparisons),
// else the one given.
std::string SetupProgram(const char* built);
