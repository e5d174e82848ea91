#!/bin/bash
# Runs integration_test.exe in the session (registry, profiles, Program Manager over DDE) in a
# scratch directory c:\vnttest, then checks what it wrote from outside: the registry value with
# Wine's reg, WIN.INI and VERSION.INF as files. The Program Manager conversation is reported,
# not required: whether Wine's shell answers PROGMAN, and whether a Program Manager window
# exists, depends on the Wine build; when a server answers, its answers and the item's
# shortcut are checked.
# usage: integration_test.sh TEST_EXE SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly test_exe=$1
shift
wine_test_init "$@"
made "$drive_c/vnttest"
mkdir -p "$drive_c/vnttest"
echo "stand-in program" >"$drive_c/vnttest/VNT.EXE"  # a server may look for the item's program

timeout -k 5 90 wine "$test_exe" 'C:\vnttest' </dev/null >"$results/integration.log" 2>&1
status=$?
output=$(tr -d '\r' <"$results/integration.log")
echo "$output"
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

# The commands as a DDE server answers them, when one answers PROGMAN: a known command is
# accepted and an unknown one refused, and the item's shortcut exists.
if grep -q '^dde: CreateGroup' <<<"$output"; then
  grep -q '^dde: CreateGroup 1 AddItem 1 NoSuchCommand 0$' <<<"$output" ||
    fail "the DDE server's answers are not as expected"
  link=$(find "$drive_c" -iname 'VNT Test Item.lnk' 2>/dev/null | head -n 1)
  [[ -n "$link" ]] || fail "the DDE server accepted AddItem but made no shortcut"
  echo "A DDE server answered PROGMAN; the item's shortcut is $link"
  made "$(dirname "$link")"
else
  echo "No DDE server answered PROGMAN"
fi
if grep -q '^progman: accepted' <<<"$output"; then
  echo "AddProgmanItem: Program Manager took the three commands"
else
  echo "AddProgmanItem: not accepted (its log lines are above)"
fi
