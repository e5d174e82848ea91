#!/bin/bash
# Runs win32_backend_test.exe in the session: the Win32 platform backend against Wine's API in
# Windows 95 mode, in a scratch directory c:\vnttest that this test makes and removes.
# usage: backend_test.sh TEST_EXE SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly test_exe=$1
shift
wine_test_init "$@"
made "$drive_c/vnttest"
mkdir -p "$drive_c/vnttest"

timeout -k 5 60 wine "$test_exe" 'C:\vnttest' </dev/null >"$results/backend.log" 2>&1
status=$?
tr -d '\r' <"$results/backend.log"
[[ $status -eq 0 ]] || fail "the backend checks ended with status $status"
