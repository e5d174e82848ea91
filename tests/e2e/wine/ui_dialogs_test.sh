#!/bin/bash
# Every modal dialog of the resource set, shown by ui_show through the portable dialog manager
# over the frame: it opens with its caption and buttons, and a click on each button returns
# that button's id. The frame with the Welcome dialog is kept as a screenshot, and its gradient
# and title are checked: top row RGB(0, 0, 255), bottom row 255 - MulDiv(255, H - 1, H), the
# title's white pixels white and its shadow, 4 pixels right and down, black.
# usage: ui_dialogs_test.sh UI_SHOW_EXE TITLE_BMP SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly ui_show=$1
readonly title_bmp=$2
shift 2
wine_test_init "$@"

# The caption, and the buttons as ID=TEXT separated by "|", of each modal dialog.
declare -A captions=([201]=Welcome [205]=Setup [208]=Review [212]=Setup [213]=Setup
  [215]=Setup [218]=Setup [221]=Setup [222]=Setup [229]=Welcome)
declare -A buttons=([201]="401=&Update|402=&Review|403=&Exit" [205]="407=&Resume|403=&Exit"
  [208]="408=&Install|409=&Restore|406=Cancel" [212]="408=O&K" [213]="408=O&K"
  [215]="408=&Continue|406=&Exit" [218]="408=Restart &Now|406=Restart &Later" [221]="408=O&K"
  [222]="408=O&K" [229]="415=Print Now|408=Continue|406=Cancel")

pixel() {  # pixel IMAGE X Y: "R,G,B"
  convert "$1" -format '%[fx:int(255*p{'"$2,$3"'}.r)],%[fx:int(255*p{'"$2,$3"'}.g)],%[fx:int(255*p{'"$2,$3"'}.b)]' info:
}

# The frame and the Welcome dialog: screenshot, gradient, title.
timeout -k 5 "$kSetupSeconds" wine "$ui_show" modal 201 </dev/null >"$results/frame.out" 2>&1 &
setup_job=$!
robot wait "Velnet Setup" rect 0 || fail "no frame window \"Velnet Setup\""
read -r left top right bottom <<<"$robot_output"
robot dialog Welcome rect 0 || fail "no Welcome dialog over the frame"
read -r _ dialog_top _ <<<"$robot_output"
# The title's rows that the dialog (its caption and border too) leaves uncovered.
rows=$((dialog_top - top - 30))
((rows > 97)) && rows=97
((rows > 40)) || fail "the Welcome dialog covers the title"
sleep 1
screenshot frame_welcome
shot="$results/frame_welcome.png"
[[ -f "$shot" ]] || fail "no screenshot"
height=$((bottom - top))
[[ "$(pixel "$shot" $((right - 20)) "$top")" == "0,0,255" ]] || fail "the top row is not RGB(0, 0, 255)"
bottom_blue=$((255 - (2 * 255 * (height - 1) + height) / (2 * height)))
[[ "$(pixel "$shot" $((right - 20)) $((bottom - 1)))" == "0,0,$bottom_blue" ]] ||
  fail "the bottom row is not RGB(0, 0, $bottom_blue)"
convert "$shot" -crop "261x$rows+$left+$top" +repage "$results/title_seen.png"
convert "$title_bmp" -crop "261x$rows+0+0" +repage "$results/title.png"
convert "$title_bmp" -background black -splice 4x4 -crop "261x$rows+0+0" +repage \
  "$results/shadow.png"
unlit=$(convert "$results/title_seen.png" "$results/title.png" -fx '(v.r > 0.5 && u.r < 0.99) ? 1 : 0' \
  -format '%[fx:round(mean*w*h)]' info:)
[[ "$unlit" == 0 ]] || fail "$unlit white pixels of the title are not white"
lit=$(convert "$results/title_seen.png" "$results/title.png" "$results/shadow.png" \
  -fx '(u[2].r > 0.5 && u[1].r < 0.5 && u[0].r > 0.01) ? 1 : 0' \
  -format '%[fx:round(mean*w*h)]' info:)
[[ "$lit" == 0 ]] || fail "$lit pixels of the shadow are not black"
robot dialog Welcome click 401 gone || fail "the Welcome dialog did not close"
wait_setup
grep -q "201 result=401" "$results/frame.out" || fail "Update did not return 401"
echo "frame: gradient and title as drawn, screenshot kept"

# Every modal dialog, every button: a run of ui_show per button column.
for id in 201 205 208 212 213 215 218 221 222 229; do
  IFS='|' read -ra expected <<<"${buttons[$id]}"
  for button in "${expected[@]}"; do
    button_id=${button%%=*}
    timeout -k 5 "$kSetupSeconds" wine "$ui_show" modal "$id" </dev/null >"$results/modal.out" 2>&1 &
    setup_job=$!
    robot dialog "${captions[$id]}" dump click "$button_id" gone ||
      fail "dialog $id: no \"${captions[$id]}\" or no button $button_id"
    seen=$(awk -F'\t' '$2 == "Button" { printf "%s%s=%s", sep, $1, $3; sep = "|" }' <<<"$robot_output")
    [[ "$seen" == "${buttons[$id]}" ]] || fail "dialog $id has the buttons \"$seen\""
    wait_setup
    grep -q "^$id result=$button_id " "$results/modal.out" ||
      fail "dialog $id: $button_id gave $(cat "$results/modal.out")"
  done
  echo "dialog $id: \"${captions[$id]}\", ${buttons[$id]}"
done
