// The benchmarks' shared helpers: mixed test data, the stopwatch, checked shell commands and
// host paths as the simulated machine names them.
#include "bench/bench_support.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

// User and system time of a resource usage record, in seconds.
double UsageSeconds(const struct rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

bool WriteMixedFile(const std::string& path, uint64_t bytes, uint32_t seed) {
  static const char kWords[] = "Velnet client script data, line after line of text. ";
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<char> chunk(1 << 20);
  uint32_t state = seed;
  for (uint64_t written = 0; written < bytes;) {
    uint64_t left = bytes - written;
    size_t size = left < chunk.size() ? static_cast<size_t>(left) : chunk.size();
    for (size_t i = 0; i < size;) {
      state = state * 1664525u + 1013904223u;
      size_t run = 512 + (state >> 20) % 8192;
      int kind = static_cast<int>((state >> 8) % 3);
      for (size_t j = 0; j < run && i < size; ++j, ++i) {
        state = kind == 2 ? state * 1664525u + 1013904223u : state;
        chunk[i] =
            kind == 0 ? kWords[j % (sizeof kWords - 1)] : (kind == 1 ? 0 : char(state >> 24));
      }
    }
    out.write(chunk.data(), static_cast<std::streamsize>(size));
    written += size;
  }
  return out.good();
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool RunCommand(const std::string& command) {
  int status = system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ForEachOutputLine(const std::string& command,
                       const std::function<void(const std::string&)>& visit) {
  FILE* output = popen(command.c_str(), "r");
  if (output == nullptr) return false;
  char* line = nullptr;
  size_t capacity = 0;
  for (ssize_t length; (length = getline(&line, &capacity, output)) >= 0;) {
    while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r')) --length;
    visit(std::string(line, static_cast<size_t>(length)));
  }
  free(line);
  int status = pclose(output);
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double TimeCommand(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  bool ran = RunCommand(command);
  double took = Seconds(start);
  return ran ? took : -1.0;
}

std::string WindowsPath(const std::string& host) {
  std::string path = "Z:" + std::filesystem::absolute(host).lexically_normal().string();
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

double ProcessorSeconds() {
  struct rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return UsageSeconds(usage);
}

Measured MeasureCommand(const std::string& command, int expected_status) {
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  struct rusage usage = {};
  if (child < 0 || wait4(child, &status, 0, &usage) != child) return Measured{-1.0, 0, 0};
  double took = Seconds(start);
  bool ok = WIFEXITED(status) && WEXITSTATUS(status) == expected_status;
  return Measured{ok ? took : -1.0, UsageSeconds(usage), usage.ru_maxrss};
}

void MakeFreshMachine(const std::string& machine) {
  std::filesystem::remove_all(machine);
  std::filesystem::create_directories(machine + "/C/WINDOWS/SYSTEM");
}

Spread SpreadOf(std::vector<double> figures) {
  std::sort(figures.begin(), figures.end());
  size_t middle = figures.size() / 2;
  double median =
      figures.size() % 2 != 0 ? figures[middle] : (figures[middle - 1] + figures[middle]) / 2;
  return Spread{median, figures.front(), figures.back()};
}

std::string Describe(const Spread& spread, const char* unit, double scale) {
  char text[128];
  snprintf(text, sizeof text, "median %.3f %s (range %.3f-%.3f)", spread.median * scale, unit,
           spread.least * scale, spread.most * scale);
  return text;
}

std::string SetupProgram(const char* built) {
  const char* other = getenv("VNT_BENCH_SETUP");
  return other != nullptr && other[0] != '\0' ? other : built;
}
