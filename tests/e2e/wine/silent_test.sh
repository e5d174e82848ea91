#!/bin/bash
# SETUP.EXE -S updates the demo installation with nothing on screen: the robot watches the
# desktop during the whole run (every window shown, polled and told by the show events of every
# process) and sees none; the run ends with 0; C:\VELNET, DOSGAME.PIF and the SYSTEM file are
# those of an interactive Update of the same installation (Update, then OK), and its update.log
# is the interactive one with one line for each dialog answered without being shown.
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
grep -v ' without being shown$' "$results/silent.log" | diff "$results/interactive.log" - \
  >"$results/log.diff" || fail "the logs differ beyond the dialogs: $(head -5 "$results/log.diff")"
echo "silent update: no window shown, status 0, the interactive update's files and log"
