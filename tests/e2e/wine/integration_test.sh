#!/bin/bash
# Runs integration_test.exe in the session (registry, profiles, Program Manager over DDE) in a
# scratch directory c:\vnttest, then checks what it wrote from outside: the registry value with
# Wine's reg, WIN.INI and VERSION.INF as files. The Program Manager conversation is reported,
# not required: whether Wine's shell answers PROGMAN depends on the Wine build; when it does,
# the item's shortcut must exist.
# usage: integration_test.sh TEST_EXE SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE
source "$(dirname "$0")/wine_common.sh"

readonly test_exe=$1
shift
wine_test_init "$@"
made "$drive_c/vnttest"
mkdir -p "$drive_c/vnttest"

timeout -k 5 90 wine "$test_exe" 'C:\vnttest' </dev/null >"$results/integration.log" 2>&1
status=$?
tr -d '\r' <"$results/integration.log"
[[ $status -eq 124 ]] && fail "the checks did not end within 90 s"
[[ $status -eq 0 ]] || fail "the checks ended with status $status"

value=$(timeout 30 wine reg query 'HKEY_CURRENT_USER\Software\VNT Test\CurrentVersion' \
  /v AppPath </dev/null 2>/dev/null | tr -d '\r')
[[ "$value" == *'C:\VNTTEST'* ]] || fail "reg does not show the value: $value"
timeout 30 wine reg delete 'HKEY_CURRENT_USER\Software\VNT Test' /f </dev/null >/dev/null 2>&1

win_ini=$(find "$drive_c/windows" -maxdepth 1 -iname win.ini | head -n 1)
tr -d '\r' <"$win_ini" | grep -q '^AppPath=C:\\VNTTEST$' || fail "WIN.INI has no AppPath line"
printf '[Application Information]\r\nApplication=vnt.exe\r\n' | cmp -s - "$drive_c/vnttest/VERSION.INF" ||
  fail "VERSION.INF is not as written"

if grep -q '^progman: accepted' "$results/integration.log"; then
  link=$(find "$drive_c" -iname 'VNT Test Item.lnk' 2>/dev/null | head -n 1)
  [[ -n "$link" ]] || fail "Program Manager accepted the commands but made no shortcut"
  echo "Program Manager answered; the shortcut is $link"
  made "$link"
else
  echo "Program Manager did not take the commands (see the log lines above)"
fi
