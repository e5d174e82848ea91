#!/bin/bash
# SETUP.EXE ends with a fatal error: the message box "Setup" names the error number and has
# only OK; once OK is clicked the process ends with status 1 and c:\update.log holds the line
# "Fatal error #N". Cases: no_payload (the marker's offset is 0: #1), not_a_payload (-X on a
# file that does not begin "RS": #18), truncated_header (-X on "RS" and a length only: #5).
# usage: fatal_error_test.sh CASE SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly test_case=$1
shift
wine_test_init "$@"
made "$drive_c/update.log"

case "$test_case" in
  no_payload)
    error=1
    start_setup
    ;;
  not_a_payload)
    error=18
    made "$drive_c/notpay.bin"
    printf 'PK\003\004not a payload' >"$drive_c/notpay.bin"
    start_setup -X 'C:\notpay.bin'
    ;;
  truncated_header)
    error=5
    made "$drive_c/short.bin"
    printf 'RS\040\000' >"$drive_c/short.bin"
    start_setup -X 'C:\short.bin'
    ;;
  *)
    fail "unknown case $test_case"
    ;;
esac

robot dialog Setup dump || fail "no message box \"Setup\""
screenshot message_box
echo "$robot_output"

expected="An error (#$error) has occurred, and Setup is unable to continue."
statics=$(awk -F'\t' -v text="$expected" '$2 == "Static" && index($3, text) == 1' \
  <<<"$robot_output")
[[ -n "$statics" ]] || fail "no text beginning \"$expected\""
buttons=$(awk -F'\t' '$2 == "Button" { print $1 "=" $3 }' <<<"$robot_output")
[[ "$buttons" == "1=OK" ]] || fail "the buttons are \"$buttons\", not OK alone"

robot dialog Setup click 1 gone || fail "the message box did not close on OK"
wait_setup
[[ $setup_status -eq 1 ]] || fail "SETUP.EXE ended with status $setup_status, not 1"
has_line "$drive_c/update.log" "Fatal error #$error" ||
  fail "c:\\update.log has no line \"Fatal error #$error\""
echo "error #$error shown, logged, and the process ended"
