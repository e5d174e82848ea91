#!/usr/bin/env bash
# Every test of the project: installs what is missing, builds the host target (debug, with
# AddressSanitizer and UBSan) and the Win32 target, then runs the host unit and end-to-end tests,
# a short run of each fuzz target, the checks of the 32-bit SETUP.EXE itself (its compiled
# dialog templates, its size and imports, its payload on the simulated machine), and the Wine
# runs of SETUP.EXE: of the 32-bit build where the kernel runs 32-bit programs, else (or with
# VNT_WINE_X64=1) of the x86-64 build under 64-bit Wine (tests/e2e/wine/wine_build.sh decides).
set -euo pipefail
cd "$(dirname "$0")/.."

bash cmake/install-packages.sh

cmake --preset host >/dev/null
cmake --build --preset host -j2
ctest --preset host

bash tests/fuzz/run.sh build/fuzz 20

cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2
# The templates that windres compiled into SETUP.EXE, read back and held against the tables.
VNT_SETUP_EXE=build/win32/SETUP.EXE build/host/tests/unit/unit_tests \
  --gtest_filter='DialogTemplates.TheCompiledTemplatesOfSetupExeAsTheTablesGiveThem'
# The shipped SETUP.EXE with the demo payload attached, given to the host setup with -X.
VNT_SETUP_EXE="$PWD/build/win32/SETUP.EXE" build/host/tests/e2e/e2e_tests \
  --gtest_filter='UpdateRunTest.TheShippedProgramsPayloadRunsHere'
wine_build=$(bash tests/e2e/wine/wine_build.sh)
if [[ "$wine_build" == win32 ]]; then
  ctest --preset win32
else
  # The 32-bit build's own checks need no Wine; its Wine runs are the x86-64 build's.
  ctest --preset win32 -R '^wine_setup_exe_format$'
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j2
  ctest --preset win64
fi
echo "The Wine suite ran on the $wine_build build of SETUP.EXE."
