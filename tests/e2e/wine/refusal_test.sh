#!/bin/bash
# The refusals of the first step, under Wine: a second SETUP.EXE started while the first shows
# its Welcome dialog ends at once with 0 and shows nothing, and the first copy stays usable (its
# Welcome dialog in front of its frame: a real click on Update, through the X server, reaches
# it, and the update ends with 0); a running client (a window of class "VNT Frame") is refused
# with its message and 0 (a silent run beside it with 9 and its reason in c:\update.log);
# Windows NT (Wine's version for SETUP.EXE) with its message and 3.
# usage: refusal_test.sh VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE
#        PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

demo_test_init "$@"

payload="$drive_c/UPDATE.PAY"
made "$payload"
"$vntpack" build "$demo/payload.ini" -o "$payload" --library "$dll" \
  >"$results/vntpack.log" 2>&1 || fail "vntpack could not build the payload"
readonly nt_key='HKEY_CURRENT_USER\Software\Wine\AppDefaults\SETUP.EXE'

# A second copy.
demo_machine
start_setup -X 'C:\UPDATE.PAY'
first_job=$setup_job
robot dialog Welcome || fail "no Welcome dialog in the first copy"
screenshot before-second-copy
timeout -k 5 60 wine "$setup_exe" -X 'C:\UPDATE.PAY' </dev/null >"$results/second.log" 2>&1
second_status=$?
[[ $second_status -eq 0 ]] || fail "the second copy ended with $second_status, not 0"
setup_job=$first_job
sleep 1
screenshot after-second-copy
robot dialog Welcome rect 401 || fail "the first copy's Welcome dialog went away"
read -r left top right bottom < <(tail -n 1 <<<"$robot_output")
{ xdotool mousemove $(((left + right) / 2)) $(((top + bottom) / 2)) && sleep 0.5 &&
  xdotool click 1; } || fail "xdotool could not click"
robot dialog Setup click 408 gone ||
  fail "a click on Update did not reach the first copy's Welcome dialog (see after-second-copy.png)"
wait_setup
[[ $setup_status -eq 0 ]] || fail "the first copy ended with status $setup_status, not 0"
has_line "$drive_c/VELNET/update.log" "New version: 132.3" || fail "the first copy did not update"

# The client running.
demo_machine
start_progman -c "VNT Frame" || fail "the stand-in client window did not start"
start_setup -X 'C:\UPDATE.PAY'
robot dialog Setup dump || fail "no message box with the client running"
grep -q 'Please exit Velnet before running the Setup program.' <<<"$robot_output" ||
  fail "the box says: $robot_output"
robot dialog Setup click 1 gone || fail "the box did not close on OK"
wait_setup
[[ $setup_status -eq 0 ]] || fail "with the client running the status is $setup_status, not 0"
# A silent run beside the client shows nothing, ends with 9 (not run) and says why.
made "$drive_c/update.log"
start_setup -S -X 'C:\UPDATE.PAY'
wait_setup
[[ $setup_status -eq 9 ]] || fail "a silent run with the client running ended with $setup_status, not 9"
has_line "$drive_c/update.log" \
  'Message not shown: Please exit Velnet before running the Setup program.' ||
  fail "the silent run's c:\update.log does not say why it did not run"
stop_progman
diff -r "$demo/old" "$drive_c/VELNET" >/dev/null || fail "C:\\VELNET changed with the client running"

# Windows NT.
demo_machine
timeout 30 wine reg add "$nt_key" /v Version /d nt40 /f </dev/null >/dev/null 2>&1 ||
  fail "reg could not set Windows NT for SETUP.EXE"
start_setup -X 'C:\UPDATE.PAY'
robot dialog Setup dump
box=$robot_output
robot dialog Setup click 1 gone
wait_setup
timeout 30 wine reg delete "$nt_key" /f </dev/null >/dev/null 2>&1
grep -q 'This version of Velnet will only run under\\nthe Windows 95 operating system.' <<<"$box" ||
  fail "under Windows NT the box says: $box"
[[ $setup_status -eq 3 ]] || fail "under Windows NT the status is $setup_status, not 3"
diff -r "$demo/old" "$drive_c/VELNET" >/dev/null || fail "C:\\VELNET changed under Windows NT"
echo "a second copy ends with 0 and the first stays usable; the client and Windows NT refused"
