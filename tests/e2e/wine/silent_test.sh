#!/bin/bash
# SETUP.EXE -S updates the demo installation with nothing on screen: the robot watches the
# desktop during the whole run (every window shown, polled and told by the show events of every
# process) and sees none; the run ends with 0; C:\VELNET, DOSGAME.PIF and the SYSTEM file are
# those of an interactive Update of the same installation (Update, then OK), and its update.log
# is the interactive one with one line for each dialog answered without being shown and one for
# the verdict on the installation. The shipped program with the payload attached, given with -X
# and -L, makes the same update, and a second run finds nothing to update (8).
# usage: silent_test.sh VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE
#        PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

demo_test_init "$@"

payload="$drive_c/UPDATE.PAY"
made "$payload"
made "$drive_c/watch.end"
"$vntpack" build "$demo/payload.ini" -o "$payload" --library "$dll" \
  >"$results/vntpack.log" 2>&1 || fail "vntpack could not build the payload"

# start_watch NAME: the robot watches the desktop until C:\watch.end exists, into NAME.out.
start_watch() {
  rm -f "$drive_c/watch.end"
  timeout -k 5 $((kSetupSeconds + 30)) wine "$robot_exe" -t $((kSetupSeconds + 10)) \
    watch 'C:\watch.end' </dev/null >"$results/$1.out" 2>>"$results/robot.log" &
  watch_job=$!
  sleep 2  # the watch takes its first look at the desktop
}

# end_watch: ends the watch and sets watch_status (0: nothing was shown).
end_watch() {
  touch "$drive_c/watch.end"
  wait "$watch_job"
  watch_status=$?
}

# The interactive update, for reference; the watch sees its frame, which shows it sees windows.
demo_machine
start_watch interactive-watch
interactive_update 'C:\UPDATE.PAY'
end_watch
grep -qP '^shown _VNTSETUP_Frame\t' "$results/interactive-watch.out" ||
  fail "the watch did not see the interactive run's frame: $(cat "$results/interactive-watch.out")"
tr -d '\r' <"$drive_c/VELNET/update.log" >"$results/interactive.log"
state_listing "$drive_c" >"$results/interactive.tree"

# The silent update of the same installation, watched.
demo_machine
start_watch watch
start_setup -S -X 'C:\UPDATE.PAY'
wait_setup
end_watch
[[ $setup_status -eq 0 ]] || fail "the silent update ended with status $setup_status, not 0"
[[ $watch_status -eq 0 ]] ||
  fail "the silent run showed windows (robot status $watch_status): $(cat "$results/watch.out")"
tr -d '\r' <"$drive_c/VELNET/update.log" >"$results/silent.log"
state_listing "$drive_c" >"$results/silent.tree"
diff "$results/interactive.tree" "$results/silent.tree" >"$results/tree.diff" ||
  fail "the silent update's files differ: $(head -5 "$results/tree.diff")"
for line in 'Dialog 201 answered 401 without being shown' \
  'Dialog 213 answered 408 without being shown'; do
  has_line "$results/silent.log" "$line" || fail "the silent update.log has no line \"$line\""
done
has_line "$results/silent.log" 'Candidate C:\VELNET: can be updated (build 83)' ||
  fail "the silent update.log has no verdict on C:\VELNET"
grep -v -e ' without being shown$' -e '^Candidate ' "$results/silent.log" |
  diff "$results/interactive.log" - >"$results/log.diff" ||
  fail "the logs differ beyond the dialogs and verdicts: $(head -5 "$results/log.diff")"

# The program users get, the payload attached, given with -X and -L: the same update; run again,
# it finds nothing to update (8) and says why in c:\update.log and in the -L copy.
made "$drive_c/SHIPPED.EXE"
made "$drive_c/ADMIN.LOG"
made "$drive_c/update.log"
"$vntpack" attach "$setup_exe" "$payload" -o "$drive_c/SHIPPED.EXE" >>"$results/vntpack.log" 2>&1 ||
  fail "vntpack could not attach the payload"
demo_machine
start_setup -S -L 'C:\ADMIN.LOG' -X 'C:\SHIPPED.EXE'
wait_setup
[[ $setup_status -eq 0 ]] || fail "the shipped program's silent update ended with $setup_status"
state_listing "$drive_c" >"$results/shipped.tree"
diff "$results/silent.tree" "$results/shipped.tree" >"$results/shipped.diff" ||
  fail "the shipped program's files differ: $(head -5 "$results/shipped.diff")"
tr -d '\r' <"$drive_c/ADMIN.LOG" >"$results/admin-update.log"
has_line "$results/admin-update.log" 'Version: 2.5' || fail "the -L copy has no version line"
[[ "$(tail -n 1 "$results/admin-update.log")" == "Exit status: 0" ]] ||
  fail "the -L copy does not end with the exit status: $(tail -n 2 "$results/admin-update.log")"
start_setup -S -L 'C:\ADMIN.LOG' -X 'C:\SHIPPED.EXE'
wait_setup
[[ $setup_status -eq 8 ]] || fail "the second silent run ended with $setup_status, not 8"
has_line "$drive_c/update.log" 'Candidate C:\VELNET: already up to date (build 84)' ||
  fail "c:\update.log does not say that C:\VELNET is up to date"
[[ "$(tail -n 1 "$drive_c/ADMIN.LOG" | tr -d '\r')" == "Exit status: 8" ]] ||
  fail "the second -L copy does not end with exit status 8"
echo "silent update: no window shown, status 0, the interactive update's files and log;" \
  "the shipped program with -X and -L the same, then 8"
