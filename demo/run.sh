#!/usr/bin/env bash
# The main job: builds SETUP.EXE and the host program, then runs SETUP.EXE under Wine (Xvfb, a
# fresh Windows 95 prefix) the way a user would, and shows what it did: the messages it showed
# (screenshots under build/demo/), and c:\update.log of the prefix.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash cmake/install-packages.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2

out=$root/build/demo
session=$out/session
setup_exe=$root/build/win32/SETUP.EXE
robot_exe=$root/build/win32/tests/support/robot/robot.exe
mkdir -p "$out"
echo "Starting a Windows 95 session under Wine (about 10 s)..."
bash tests/e2e/wine/wine_session.sh start "$session"
trap 'bash "$root/tests/e2e/wine/wine_session.sh" stop "$session"' EXIT
source "$session/env.sh"
drive_c=$WINEPREFIX/drive_c

# Runs SETUP.EXE with the given arguments, answers its message boxes with OK after a screenshot
# of each, and prints what it showed and logged.
run_setup() {
  local name=$1
  shift
  echo
  echo "== SETUP.EXE $* =="
  rm -f "$drive_c/update.log"
  timeout -k 5 120 wine "$setup_exe" "$@" </dev/null >"$out/$name.out" 2>&1 &
  local job=$! shot=0
  while kill -0 "$job" 2>/dev/null; do
    if timeout 60 wine "$robot_exe" -t 3 dialog Setup dump </dev/null >"$out/robot.out" 2>/dev/null
    then
      shot=$((shot + 1))
      import -display "$DISPLAY" -window root "$out/$name-$shot.png" 2>/dev/null || true
      echo "Message box (screenshot $out/$name-$shot.png):"
      tr -d '\r' <"$out/robot.out" | awk -F'\t' '$2 == "Static" && $3 != "" { print "  " $3 }'
      timeout 60 wine "$robot_exe" -t 10 dialog Setup click 1 gone </dev/null >/dev/null 2>&1 ||
        true
    fi
  done
  local status=0
  wait "$job" || status=$?
  echo "Exit status: $status"
  if [[ -f "$drive_c/update.log" ]]; then
    echo "c:\\update.log:"
    tr -d '\r' <"$drive_c/update.log" | sed 's/^/  /'
  fi
}

# A SETUP.EXE without a payload, as the build leaves it.
run_setup no-payload -C
