#!/bin/bash
# SETUP.EXE updating the demo installation with a payload whose MERGE.DB cannot be read: after
# Update the merge fails with error 40, everything the run changed is put back, the message box
# of the error and then the box saying that setup did not finish appear, the process ends with
# status 4 and C:\VELNET holds exactly what it held before (update.log apart).
# usage: damaged_merge_test.sh VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

demo_test_init "$@"

dest="$drive_c/VELNET"
payload="$drive_c/DAMAGED.PAY"
copy="$results/demo"
made "$dest"
made "$payload"
made "$drive_c/update.log"
made "$drive_c/windows/DOSGAME.PIF"
made "$drive_c/windows/system/VNTCTL32.DLL"
rm -rf "$copy"
cp -r "$demo" "$copy" || fail "cannot copy the demo"
# A merge database whose records cannot be scanned: the right header, then no record magic.
{ printf 'VNTDB-25'; head -c 17 /dev/zero; head -c 40 /dev/zero | tr '\0' 'x'; } \
  >"$copy/files/IDB/MERGE.DB"
"$vntpack" build "$copy/payload.ini" -o "$payload" --library "$dll" \
  >"$results/vntpack.log" 2>&1 || fail "vntpack could not build the payload"
cp -r "$demo/old" "$dest" || fail "no demo installation in $demo/old"

start_setup -X 'C:\DAMAGED.PAY'
robot dialog Welcome click 401 || fail "no Welcome dialog: the search did not find C:\\VELNET"
robot dialog Setup dump || fail "no message box after the failed merge"
grep -q 'An error (#40) has occurred' <<<"$robot_output" ||
  fail "the first box is not error #40: $robot_output"
robot dialog Setup click 1 gone || fail "the error box did not close on OK"
robot dialog Setup dump || fail "no box saying that setup did not finish"
screenshot unfinished
grep -q 'Setup did not finish' <<<"$robot_output" || fail "the second box says: $robot_output"
robot dialog Setup click 1 gone || fail "the closing box did not close on OK"
wait_setup
[[ $setup_status -eq 4 ]] || fail "SETUP.EXE ended with status $setup_status, not 4"

diff -r -x update.log "$demo/old" "$dest" >"$results/diff.txt" ||
  fail "C:\\VELNET is not as before: $(head -5 "$results/diff.txt")"
has_line "$drive_c/update.log" "Fatal error #40" || fail "c:\\update.log has no Fatal error #40"
has_line "$drive_c/update.log" "Rolling back (error #40)" || fail "c:\\update.log has no rollback"
echo "error #40, rolled back, the closing box, status 4, and C:\\VELNET as before"
