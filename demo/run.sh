#!/usr/bin/env bash
# The main job: builds SETUP.EXE and the payload tool, packs the demo payload (demo/payload.ini,
# with the Win32 dunzipnt.dll as its first entry) and runs SETUP.EXE under Wine (Xvfb, a fresh
# Windows 95 prefix) on the demo installation, a Velnet 2.0 in C:\VELNET (demo/old), the way a
# user would: "SETUP.EXE -X C:\DEMO.PAY", Update in the Welcome dialog and OK at the end, with
# the stand-in Program Manager of tests/support running (minimised) to take the group. Then
# it shows what the run did: screenshots under build/demo/, update.log, the files and the
# merged database. On a machine whose kernel runs no 32-bit programs (or with VNT_WINE_X64=1),
# the x86-64 build of the same sources runs under 64-bit Wine instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash cmake/install-packages.sh
echo "Building the host tools and SETUP.EXE..."
cmake --preset host-release >/dev/null
cmake --build --preset host-release -j2 --target vntpack vntdb setup >/dev/null
wine_build=$(bash tests/e2e/wine/wine_build.sh)
cmake --preset "$wine_build" >/dev/null
cmake --build --preset "$wine_build" -j2 >/dev/null

out=$root/build/demo
session=$out/session
setup_exe=$root/build/$wine_build/SETUP.EXE
robot_exe=$root/build/$wine_build/tests/support/robot/robot.exe
progman_exe=$root/build/$wine_build/tests/support/progman/progman.exe
rm -rf "$out"
mkdir -p "$out"
build/host-release/tools/vntpack/vntpack build demo/payload.ini -o "$out/DEMO.PAY" \
  --library "build/$wine_build/unzip/dunzipnt.dll"
echo
build/host-release/tools/vntpack/vntpack list "$out/DEMO.PAY" | sed -n 1,12p
echo "..."

# Shows what the update did to the machine whose C: drive is $drive_c.
report() {
  echo
  echo "C:\\VELNET\\update.log:"
  tr -d '\r' <"$drive_c/VELNET/update.log" | sed 's/^/  /'
  echo
  echo "Installed into C:\\VELNET: $(find "$drive_c/VELNET" -type f | wc -l) files"
  find "$drive_c/VELNET" -maxdepth 1 -type f -printf '  %f (%s bytes)\n' | sort | sed -n 1,12p
  echo "  ..."
  for file in windows/DOSGAME.PIF windows/system/VNTCTL32.DLL; do
    [[ -f "$drive_c/$file" ]] && echo "C:\\${file//\//\\} ($(stat -c %s "$drive_c/$file") bytes)"
  done
  echo
  echo "What the stand-in Program Manager was sent:"
  tr -d '\r' <"$drive_c/progman.log" | sed 's/^/  /'
  echo
  echo "C:\\VELNET\\IDB\\MAIN.IDX after the merge:"
  build/host-release/tools/vntdb/vntdb list "$drive_c/VELNET/IDB/MAIN.IDX" | sed 's/^/  /'
}

echo
echo "Starting a Windows 95 session under Wine for the $wine_build build (about 10 s)..."
bash tests/e2e/wine/wine_session.sh start "$session" "$wine_build"
trap 'bash "$root/tests/e2e/wine/wine_session.sh" stop "$session"' EXIT
source "$session/env.sh"
drive_c=$WINEPREFIX/drive_c
cp "$out/DEMO.PAY" "$drive_c/DEMO.PAY"
# The demo installation: a Velnet 2.0 in C:\VELNET (its program, its database, a phone list).
cp -r demo/old "$drive_c/VELNET"

# Waits for a dialog by caption, keeps a screenshot of the screen as NAME.png and clicks BUTTON.
answer() {
  local caption=$1 name=$2 button=$3
  timeout 150 wine "$robot_exe" -t 120 dialog "$caption" </dev/null >>"$out/robot.out" 2>&1 ||
    return 1
  import -display "$DISPLAY" -window root "$out/$name.png" 2>/dev/null || true
  echo "$caption dialog on screen: $out/$name.png"
  timeout 60 wine "$robot_exe" -t 20 dialog "$caption" click "$button" </dev/null \
    >>"$out/robot.out" 2>&1
}

# The stand-in Program Manager, minimised, as on a Windows 95 desktop with Program Manager open.
timeout -k 5 300 wine "$progman_exe" -i 'C:\progman.log' </dev/null >"$out/progman.out" 2>&1 &
progman_job=$!
for _ in $(seq 100); do
  grep -q '^started' "$drive_c/progman.log" 2>/dev/null && break
  sleep 0.1
done

echo
echo "== SETUP.EXE -X C:\\DEMO.PAY, updating the Velnet 2.0 in C:\\VELNET =="
timeout -k 5 300 wine "$setup_exe" -X 'C:\DEMO.PAY' </dev/null >"$out/setup.out" 2>&1 &
setup_job=$!
# The search finds C:\VELNET; the Welcome dialog follows, and the user chooses Update (401).
answer Welcome welcome 401 || echo "No Welcome dialog came up."
# The progress dialog has no caption; a screenshot once it shows a file.
if timeout 60 wine "$robot_exe" -t 20 dialog "" text 503 </dev/null >>"$out/robot.out" 2>&1; then
  import -display "$DISPLAY" -window root "$out/progress.png" 2>/dev/null || true
  echo "Progress dialog on screen: $out/progress.png"
fi
# The run ends with the completion dialog 213; OK (408) as the user would.
answer Setup completion 408 || echo "No completion dialog came up."
status=0
wait "$setup_job" || status=$?
echo "Exit status: $status"
kill "$progman_job" 2>/dev/null || true
wait "$progman_job" 2>/dev/null || true
report
exit "$status"
