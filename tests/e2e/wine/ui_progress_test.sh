#!/bin/bash
# The install progress dialog 220 over the frame: the current file, the gauge's bar at the
# position set (42 of 100: blue up to the split point, white after it, the percentage drawn
# over the middle), a screenshot kept, and Cancel asking "Are you sure you want to cancel the
# install?"; Yes stops the install.
# usage: ui_progress_test.sh UI_SHOW_EXE SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly ui_show=$1
shift
wine_test_init "$@"

timeout -k 5 "$kSetupSeconds" wine "$ui_show" progress 42 100 README.TXT </dev/null \
  >"$results/progress.out" 2>&1 &
setup_job=$!
robot dialog "" text 503 rect 502 || fail "no progress dialog with a gauge"
file=$(sed -n 1p <<<"$robot_output")
read -r left top right bottom < <(sed -n 2p <<<"$robot_output")
[[ "$file" == README.TXT ]] || fail "the current file reads \"$file\""
sleep 1
screenshot progress
shot="$results/progress.png"
width=$((right - left))
middle=$(((top + bottom) / 2))
split=$((left + 42 * (width - 1) / 100 + 1))
[[ "$(pixel "$shot" $((left + 3)) "$middle")" == "0,0,255" ]] || fail "the filled part is not blue"
[[ "$(pixel "$shot" $((right - 3)) "$middle")" == "255,255,255" ]] || fail "the rest is not white"
[[ "$(pixel "$shot" $((split - 1)) $((top + 2)))" == "0,0,255" &&
   "$(pixel "$shot" $((split + 1)) $((top + 2)))" == "255,255,255" ]] ||
  fail "the bar does not end at 42 per cent (x = $split)"
blue_text=$(convert "$shot" -crop "$((right - split - 2))x$((bottom - top - 4))+$((split + 1))+$((top + 2))" \
  -fx 'b > 0.9 && r < 0.1 ? 1 : 0' -format '%[fx:round(mean*w*h)]' info:)
((blue_text > 10)) || fail "no percentage drawn over the white part"

robot dialog "" click 406 dialog Setup dump || fail "Cancel asked nothing"
grep -qF "Are you sure you want to cancel the install?" <<<"$robot_output" ||
  fail "the question is not \"Are you sure you want to cancel the install?\""
robot dialog Setup click 6 gone || fail "the question did not close on Yes"
wait_setup
grep -q "stopped=1" "$results/progress.out" || fail "Yes did not stop the install"
echo "progress: file, gauge at 42 per cent, cancel question; screenshot kept"
