#!/usr/bin/env bash
# Every test of the project: installs what is missing, builds the host target (debug, with
# AddressSanitizer and UBSan) and the Win32 target, then runs the host unit and end-to-end tests,
# a short run of each fuzz target, the check of SETUP.EXE's compiled dialog templates, and the
# Wine runs of SETUP.EXE.
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
ctest --preset win32
