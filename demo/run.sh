#!/usr/bin/env bash
# The main job: builds SETUP.EXE and the payload tool, packs the demo payload (demo/payload.ini,
# with the Win32 dunzipnt.dll as its first entry) and installs it with SETUP.EXE under Wine (Xvfb,
# a fresh Windows 95 prefix), the way a user would: "SETUP.EXE -X C:\DEMO.PAY -P C:\VELNET".
# C:\VELNET holds the main database of the demo's old installation (demo/old), into which the
# update merges its records. Then it shows what the run did: screenshots under build/demo/,
# update.log, the files and the merged database.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash cmake/install-packages.sh
echo "Building the host tools and SETUP.EXE..."
cmake --preset host-release >/dev/null
cmake --build --preset host-release -j2 --target vntpack vntdb >/dev/null
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null

out=$root/build/demo
session=$out/session
setup_exe=$root/build/win32/SETUP.EXE
robot_exe=$root/build/win32/tests/support/robot/robot.exe
rm -rf "$out"
mkdir -p "$out"
build/host-release/tools/vntpack/vntpack build demo/payload.ini -o "$out/DEMO.PAY" \
  --library build/win32/unzip/dunzipnt.dll
echo
build/host-release/tools/vntpack/vntpack list "$out/DEMO.PAY" | sed -n 1,12p
echo "..."

echo
echo "Starting a Windows 95 session under Wine (about 10 s)..."
bash tests/e2e/wine/wine_session.sh start "$session"
trap 'bash "$root/tests/e2e/wine/wine_session.sh" stop "$session"' EXIT
source "$session/env.sh"
drive_c=$WINEPREFIX/drive_c
cp "$out/DEMO.PAY" "$drive_c/DEMO.PAY"
mkdir -p "$drive_c/VELNET/IDB"
cp demo/old/IDB/MAIN.IDX "$drive_c/VELNET/IDB/MAIN.IDX"

echo
echo "== SETUP.EXE -X C:\\DEMO.PAY -P C:\\VELNET =="
timeout -k 5 300 wine "$setup_exe" -X 'C:\DEMO.PAY' -P 'C:\VELNET' </dev/null \
  >"$out/setup.out" 2>&1 &
setup_job=$!
# The progress dialog has no caption; a screenshot is taken once it shows its first file.
if timeout 60 wine "$robot_exe" -t 20 dialog "" text 503 </dev/null >"$out/robot.out" 2>&1; then
  import -display "$DISPLAY" -window root "$out/progress.png" 2>/dev/null || true
  echo "Progress dialog on screen: $out/progress.png"
fi
# The run ends with the completion dialog 221; a screenshot, then OK as the user would.
if timeout 120 wine "$robot_exe" -t 90 dialog Setup </dev/null >>"$out/robot.out" 2>&1; then
  import -display "$DISPLAY" -window root "$out/completion.png" 2>/dev/null || true
  echo "Completion dialog on screen: $out/completion.png"
  timeout 60 wine "$robot_exe" -t 20 dialog Setup click 408 </dev/null >>"$out/robot.out" 2>&1
fi
status=0
wait "$setup_job" || status=$?
echo "Exit status: $status"

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
echo "C:\\VELNET\\IDB\\MAIN.IDX after the merge:"
build/host-release/tools/vntdb/vntdb list "$drive_c/VELNET/IDB/MAIN.IDX" | sed 's/^/  /'
exit "$status"
