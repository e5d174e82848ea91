#!/bin/bash
# The keys of the dialogs, pressed on the keyboard through the X server (xdotool): in the modal
# dialogs 201, 205, 208, 213 and 215 (ui_show) Enter ends the dialog with its default button,
# Esc changes nothing (the dialog stays until a click ends it), and Alt+F4, the Close of the
# system menu, ends it with 406; in the Yes/No question of the progress dialog's Cancel, Enter
# is Yes while Esc and Alt+F4 never are; in the OK box of a fatal error Enter and Esc close it.
# usage: keys_test.sh UI_SHOW_EXE SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly ui_show=$1
shift
wine_test_init "$@"

declare -A captions=([201]=Welcome [205]=Setup [208]=Review [213]=Setup [215]=Setup)
declare -A defaults=([201]=401 [205]=407 [208]=408 [213]=408 [215]=408)

# press KEY: the key on the keyboard, with the pointer over the desktop so that it has the focus.
press() {
  xdotool mousemove 790 590 && sleep 0.3 && xdotool key "$1" ||
    fail "xdotool could not press $1"
}

# still_open CAPTION: the dialog is on screen a second after the key.
still_open() {
  sleep 1
  timeout -k 5 20 wine "$robot_exe" -t 2 dialog "$1" </dev/null >/dev/null 2>&1
}

# One ui_show a dialog, which shows it three times: Enter, then Esc (which leaves it, so a click
# ends it), then Alt+F4.
for id in 201 205 208 213 215; do
  caption=${captions[$id]}
  timeout -k 5 "$kSetupSeconds" wine "$ui_show" modal "$id" "$id" "$id" </dev/null \
    >"$results/modal.out" 2>&1 &
  setup_job=$!
  for key in Return Escape alt+F4; do
    robot dialog "$caption" || fail "dialog $id: no \"$caption\" for $key"
    sleep 0.5
    press "$key"
    if [[ "$key" == Escape ]]; then
      still_open "$caption" || fail "dialog $id: Esc closed it"
      robot dialog "$caption" click "${defaults[$id]}" gone || fail "dialog $id: no click after Esc"
    fi
  done
  wait_setup
  expected="$id result=${defaults[$id]} $id result=${defaults[$id]} $id result=406"
  [[ "$(grep -o "^$id result=[0-9]*" "$results/modal.out" | tr '\n' ' ')" == "$expected " ]] ||
    fail "dialog $id: Enter, Esc and a click, Alt+F4 gave $(cat "$results/modal.out")"
  echo "dialog $id: Enter ${defaults[$id]}, Esc nothing, Alt+F4 406"
done

# The Yes/No question of Cancel: Esc and Alt+F4 never answer Yes (Wine closes the box with No,
# Windows leaves it open: then No is clicked); the installation goes on, and Enter answers Yes.
timeout -k 5 "$kSetupSeconds" wine "$ui_show" progress 42 100 README.TXT </dev/null \
  >"$results/progress.out" 2>&1 &
setup_job=$!
for key in Escape alt+F4 Return; do
  robot dialog "" click 406 dialog Setup || fail "Cancel asked nothing before $key"
  sleep 0.5
  press "$key"
  [[ "$key" == Return ]] && break
  if still_open Setup; then
    robot dialog Setup click 7 gone || fail "the question did not close on No after $key"
  fi
  kill -0 "$setup_job" 2>/dev/null || fail "$key in the question stopped the installation"
done
wait_setup
grep -q "stopped=1" "$results/progress.out" || fail "Enter in the question did not answer Yes"
echo "the Yes/No question: Esc and Alt+F4 not Yes, Enter Yes"

# The OK box of a fatal error (SETUP.EXE without a payload): Enter, then Esc, close it.
made "$drive_c/update.log"
for key in Return Escape; do
  start_setup
  robot dialog Setup || fail "no fatal-error box"
  sleep 0.5
  press "$key"
  wait_setup
  [[ $setup_status -eq 1 ]] || fail "the fatal-error box: $key ended the run with $setup_status"
done
echo "the fatal-error box: Enter and Esc close it"
