#!/bin/bash
# Helpers shared by the Wine test scripts (sourced): the session's environment, SETUP.EXE run
# in the background under a time limit, the robot, screenshots of the Xvfb display and their
# pixels, and the clean-up of what a test made in the shared prefix. Every wait is bounded; on
# exit a test ends the SETUP.EXE it started and removes the files it registered with `made`.
set -uo pipefail

readonly kSetupSeconds=90  # the longest a SETUP.EXE run may last
readonly kRobotSeconds=30  # the longest the robot waits for a window

setup_job=""
progman_job=""
fail_log=""
made_files=()

fail() {
  echo "FAIL: $*" >&2
  [[ -s "${results:-}/robot.log" ]] && tail -n 5 "$results/robot.log" >&2
  # A test that names its run's update.log in fail_log shows where the run had got to.
  [[ -s "${fail_log:-}" ]] && tail -n 5 "$fail_log" >&2
  exit 1
}

# wine_test_init SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
wine_test_init() {
  session=$1
  results=$2
  setup_exe=$3
  robot_exe=$4
  progman_exe=$5
  if [[ -f "$session/no-32-bit" ]]; then
    echo "SKIP: $(<"$session/no-32-bit"); the x86-64 build runs the Wine tests" >&2
    exit 77
  fi
  [[ -f "$session/env.sh" ]] || fail "no Wine session in $session (run the whole label)"
  source "$session/env.sh"
  drive_c="$WINEPREFIX/drive_c"
  [[ -f "$setup_exe" ]] || fail "$setup_exe is not built"
  [[ -f "$robot_exe" ]] || fail "$robot_exe is not built"
  rm -rf "$results"
  mkdir -p "$results"
  trap wine_test_cleanup EXIT
}

# demo_test_init VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE: a test that
# packs the demo payload with the host vntpack and the Win32 dunzipnt.dll.
demo_test_init() {
  vntpack=$1
  dll=$2
  demo=$3
  shift 3
  wine_test_init "$@"
  [[ -x "$vntpack" ]] || fail "no host vntpack at $vntpack: build the host preset first"
  [[ -f "$dll" ]] || fail "$dll is not built"
}

# Registers a file or directory of the prefix that the test creates, so that it is removed
# before and after the test.
made() {
  rm -rf "$1"
  made_files+=("$1")
}

wine_test_cleanup() {
  if [[ -n "$setup_job" ]] && kill -0 "$setup_job" 2>/dev/null; then
    kill "$setup_job" 2>/dev/null
    wait "$setup_job" 2>/dev/null
  fi
  stop_progman
  local file
  for file in "${made_files[@]}"; do rm -rf "$file"; done
}

# Starts SETUP.EXE with the given arguments; its output goes to setup.log of the results.
start_setup() {
  timeout -k 5 "$kSetupSeconds" wine "$setup_exe" "$@" </dev/null >"$results/setup.log" 2>&1 &
  setup_job=$!
}

# start_progman [OPTIONS...]: starts the stand-in Program Manager of tests/support, recording
# into C:\progman.log, and waits until its window is up (so that it is the first server to
# answer PROGMAN, ahead of the one in Wine's shell).
start_progman() {
  made "$drive_c/progman.log"
  timeout -k 5 $((kSetupSeconds * 2)) wine "$progman_exe" "$@" 'C:\progman.log' </dev/null \
    >>"$results/progman.out" 2>&1 &
  progman_job=$!
  for _ in $(seq 100); do
    grep -q '^started' "$drive_c/progman.log" 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# Ends the stand-in Program Manager, if one runs.
stop_progman() {
  if [[ -n "$progman_job" ]] && kill -0 "$progman_job" 2>/dev/null; then
    kill "$progman_job" 2>/dev/null
    wait "$progman_job" 2>/dev/null
  fi
  progman_job=""
}

# Waits for SETUP.EXE to end and sets setup_status to its exit status (8 bits under Wine).
wait_setup() {
  wait "$setup_job"
  setup_status=$?
  setup_job=""
  [[ $setup_status -eq 124 ]] && fail "SETUP.EXE still ran after $kSetupSeconds s"
  return 0
}

# Runs the robot's steps and sets robot_output to what it printed (also kept in robot.log).
# Its output goes through a file (a Wine process it starts must not hold a pipe of ours), and
# loses the CR that the console adds to each line end; CRs in texts are printed as \r.
robot() {
  timeout -k 5 $((kRobotSeconds * 2 + 30)) wine "$robot_exe" -t "$kRobotSeconds" "$@" \
    </dev/null >"$results/robot.out" 2>>"$results/robot.log"
  local status=$?
  robot_output=$(tr -d '\r' <"$results/robot.out")
  cat "$results/robot.out" >>"$results/robot.log"
  return $status
}

# Saves the whole Xvfb screen (the virtual desktop) as results/NAME.png.
screenshot() {
  timeout 20 import -display "$DISPLAY" -window root "$results/$1.png" ||
    echo "warning: no screenshot $1" >&2
}

# Prints the colour of the pixel at X Y of an image as "R,G,B".
pixel() {
  convert "$1" -format '%[fx:int(255*p{'"$2,$3"'}.r)],%[fx:int(255*p{'"$2,$3"'}.g)],%[fx:int(255*p{'"$2,$3"'}.b)]' info:
}

# demo_machine: the demo installation, a Velnet 2.0 in C:\VELNET, on a machine that has never
# seen Velnet otherwise: none of what an update writes outside C:\VELNET (the product's
# registry keys, WIN.INI's DIZI section, DOSGAME.PIF, the SYSTEM file, the help contents).
demo_machine() {
  made "$drive_c/VELNET"
  made "$drive_c/windows/DOSGAME.PIF"
  made "$drive_c/windows/system/VNTCTL32.DLL"
  made "$drive_c/windows/help/Windows.cnt"
  cp -r --preserve=timestamps "$demo/old" "$drive_c/VELNET" ||
    fail "no demo installation in $demo/old"
  timeout 30 wine reg delete 'HKEY_LOCAL_MACHINE\SOFTWARE\Velnet' /f </dev/null >/dev/null 2>&1
  timeout 30 wine reg delete \
    'HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velnet' /f \
    </dev/null >/dev/null 2>&1
  local win_ini
  win_ini=$(find "$drive_c/windows" -maxdepth 1 -iname win.ini | head -n 1)
  [[ -n "$win_ini" ]] && sed -i '/^\[DIZI\]/I,/^\[/{/^\[DIZI\]/Id;/^\[/!d}' "$win_ini"
  return 0
}

# tree_listing DIR: every file under DIR but update.log, with its checksum, one a line.
tree_listing() {
  (cd "$1" && find . -type f ! -name update.log -print0 | sort -z | xargs -0 sha1sum)
}

# state_listing C_DRIVE: the demo installation and what its update writes beside it.
state_listing() {
  tree_listing "$1/VELNET"
  sha1sum <"$1/windows/DOSGAME.PIF"
  sha1sum <"$1/windows/system/VNTCTL32.DLL"
}

# interactive_update PAYLOAD: SETUP.EXE -X PAYLOAD as a user runs it, Update in the Welcome
# dialog and OK in the completion dialog; it must end with 0.
interactive_update() {
  start_setup -X "$1"
  robot dialog Welcome click 401 || fail "no Welcome dialog"
  robot dialog Setup click 408 gone || fail "no completion dialog"
  wait_setup
  [[ $setup_status -eq 0 ]] || fail "the update ended with status $setup_status, not 0"
}

# Succeeds when the file holds the line exactly (CR LF or LF line ends). grep reads to the end
# (no -q), so that a long file does not end tr with SIGPIPE, which pipefail would count.
has_line() {
  [[ -f "$1" ]] && tr -d '\r' <"$1" | grep -xF -- "$2" >/dev/null
}
