#!/bin/bash
# Print Now (415) in the print-offer dialog 229, shown by ui_show with PrintOfferDialogProc on
# the demo payload (guide entry GUIDE.TXT) packed by the host vntpack. The Wine prefix has no
# printer: PrintDlgA shows Wine's own message box "Print" ("... you need to install a printer.
# Please install one and retry.") and, after its OK, fails without showing the print dialog.
# The program then shows nothing of its own and 229 ends with 415; the guide's text was in the
# hidden field 510 while Wine's message stood.
# usage: print_guide_test.sh UI_SHOW_EXE VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE
#        ROBOT_EXE
source "$(dirname "$0")/wine_common.sh"

readonly ui_show=$1
shift
demo_test_init "$@"

payload="$drive_c/GUIDE.PAY"
made "$payload"
"$vntpack" build "$demo/payload.ini" -o "$payload" --library "$dll" >"$results/vntpack.log" 2>&1 ||
  fail "vntpack could not build the payload"

timeout -k 5 "$kSetupSeconds" wine "$ui_show" print 'C:\GUIDE.PAY' </dev/null \
  >"$results/print.out" 2>&1 &
setup_job=$!
robot dialog Welcome click 415 || fail "no dialog 229 or no Print Now"

robot dialog Print dump || fail "Wine showed no \"Print\" window after Print Now"
grep -qP '^65535\tStatic\t.*you need to install a printer' <<<"$robot_output" ||
  fail "the \"Print\" window is not Wine's no-printer message: $robot_output"
screenshot no_printer
robot dialog Welcome text 510 || fail "dialog 229 is not on screen under Wine's message"
guide=$(python3 -c "import sys; sys.stdout.write(open(sys.argv[1], 'rb').read().decode() \
.replace('\r', '\\\\r').replace('\n', '\\\\n'))" "$demo/files/GUIDE.TXT")
[[ "$robot_output" == "$guide" ]] || fail "field 510 does not hold GUIDE.TXT: $robot_output"
robot dialog Print click 1 gone || fail "Wine's no-printer message did not close"

# Nothing of the program's own may stand in the way: 229 closes by itself and ui_show ends.
for _ in $(seq $((kRobotSeconds * 10))); do
  kill -0 "$setup_job" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$setup_job" 2>/dev/null; then
  screenshot still_open
  fail "ui_show still ran $kRobotSeconds s after the print dialog failed"
fi
wait_setup
[[ $setup_status -eq 0 ]] || fail "ui_show ended with status $setup_status"
grep -q "^229 result=415" "$results/print.out" ||
  fail "dialog 229 gave $(grep -v fixme "$results/print.out")"
echo "Print Now: Wine's no-printer message, no print job, 229 returned 415"
