#!/bin/bash
# AddProgmanItem (progman_client.exe) against the stand-in Program Manager of tests/support, one
# case a line of the table below: how the stand-in is started, what the client prints, and the
# stand-in's record of the conversation. Accepted: the minimised window is restored and disabled
# before the first command, the three commands come in order, the client ends the conversation
# and the window is enabled again. Then a refused CreateGroup (the others still sent), a
# ShowGroup never answered (the client gives up waiting), an AddItem answered by the end of the
# conversation (ShowGroup is then refused without being sent).
# usage: progman_test.sh CLIENT_EXE SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly client_exe=$1
shift
wine_test_init "$@"
made "$drive_c/vnttest"
mkdir -p "$drive_c/vnttest"

readonly group='[CreateGroup(VNT Test)]'
readonly item='[AddItem(C:\vnttest\VNT.EXE,VNT Test Item)]'
readonly show='[ShowGroup(VNT Test,7)]'
readonly state='enabled=0 iconic=0'
# Each case: name|stand-in options|client output (lines joined by ";")|the stand-in's record.
cases=(
  "accepted|-i|progman: accepted|started iconic=1;initiate;restored;enabled 0;execute $group $state -> accepted;execute $item $state -> accepted;execute $show $state -> accepted;terminate;enabled 1"
  "refused|-r CreateGroup|progman: not accepted;CreateGroup failed|started iconic=0;initiate;enabled 0;execute $group $state -> refused;execute $item $state -> accepted;execute $show $state -> accepted;terminate;enabled 1"
  "no answer|-n ShowGroup|progman: not accepted;ShowGroup failed|started iconic=0;initiate;enabled 0;execute $group $state -> accepted;execute $item $state -> accepted;execute $show $state -> none;terminate;enabled 1"
  "ended by the server|-e AddItem|progman: not accepted;AddItem failed;ShowGroup failed|started iconic=0;initiate;enabled 0;execute $group $state -> accepted;execute $item $state -> terminated;terminate;enabled 1"
)

for entry in "${cases[@]}"; do
  IFS='|' read -r name options expected_output expected_record <<<"$entry"
  start_progman $options || fail "$name: the stand-in Program Manager did not start"
  timeout -k 5 90 wine "$client_exe" </dev/null >"$results/client.log" 2>&1
  status=$?
  stop_progman
  output=$(tr -d '\r' <"$results/client.log")
  record=$(tr -d '\r' <"$drive_c/progman.log")
  cp "$drive_c/progman.log" "$results/progman-${name// /-}.log"
  [[ $status -eq 0 ]] || fail "$name: the client ended with status $status: $output"
  [[ "$output" == "${expected_output//;/$'\n'}" ]] || fail "$name: the client printed: $output"
  [[ "$record" == "${expected_record//;/$'\n'}" ]] ||
    fail "$name: the stand-in recorded:"$'\n'"$record"
  echo "$name: as expected"
done
