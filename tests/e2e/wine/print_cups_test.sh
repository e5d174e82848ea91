#!/bin/bash
# Print Now (415) in dialog 229 (ui_show) to a real printer: a CUPS server of the test's own
# (started here from Debian's packages, on a socket in the results) with one queue, the generic
# PostScript printer, whose output is a file. Wine prints only from a later Windows version than
# 95 (its CUPS printer has no Windows 4.0 driver), so ui_show runs as Windows XP. The demo
# guide and a long guide (a long paragraph, a 300-letter word, a row of wide letters, a tab, a
# hundred short lines) are printed; check_printed_pages.py turns the pages into text and images
# and checks the rows, the page count and the margins.
# usage: print_cups_test.sh UI_SHOW_EXE VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE
#        ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly ui_show=$1
shift
demo_test_init "$@"
command -v cupsd >/dev/null && command -v gs >/dev/null || fail "cupsd or gs is not installed"

readonly version_key='HKEY_CURRENT_USER\Software\Wine\AppDefaults\ui_show.exe'
cups="$results/cups"
mkdir -p "$cups/etc/ppd" "$cups/spool/tmp" "$cups/cache" "$cups/state" "$cups/log" "$cups/out"
chmod 777 "$cups/out" "$cups/spool/tmp"  # the filters run as the user lp
cat >"$cups/etc/cupsd.conf" <<CONF
Listen $cups/cups.sock
LogLevel warn
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
CONF
cat >"$cups/etc/cups-files.conf" <<CONF
ServerRoot $cups/etc
RequestRoot $cups/spool
CacheDir $cups/cache
StateDir $cups/state
TempDir $cups/spool/tmp
ErrorLog $cups/log/error_log
AccessLog $cups/log/access_log
PageLog $cups/log/page_log
FileDevice Yes
CONF

stop_cups() {
  if [[ -f "$cups/cupsd.pid" ]]; then
    local pid
    pid=$(<"$cups/cupsd.pid")
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == cupsd ]] && kill "$pid"
    rm -f "$cups/cupsd.pid"
  fi
}
cleanup() {
  wine_test_cleanup
  stop_cups
  timeout 30 wine reg delete "$version_key" /f </dev/null >/dev/null 2>&1
  timeout 30 wine reg delete 'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Print\Printers\VNTPS' \
    /f </dev/null >/dev/null 2>&1
}
trap cleanup EXIT

setsid cupsd -f -c "$cups/etc/cupsd.conf" -s "$cups/etc/cups-files.conf" </dev/null \
  >"$cups/log/cupsd.out" 2>&1 &
echo $! >"$cups/cupsd.pid"
export CUPS_SERVER="$cups/cups.sock"
for _ in $(seq 50); do [[ -S "$CUPS_SERVER" ]] && break; sleep 0.1; done
lpadmin -p VNTPS -E -v "file://$cups/out/guide.ps" -m drv:///sample.drv/generic.ppd \
  >"$cups/log/lpadmin.out" 2>&1 || fail "lpadmin could not make the queue: $(cat "$cups/log/lpadmin.out")"
timeout 30 wine reg add "$version_key" /v Version /d winxp /f </dev/null >/dev/null 2>&1 ||
  fail "reg could not set Windows XP for ui_show.exe"

python3 - "$results/LONG.TXT" <<'PY' || fail "python3 could not make the long guide"
import random, sys
random.seed(3)
words = ("the quick reference guide tells how to sign on read mail join chat rooms and find "
         "help when you need it").split()
lines = ["Long guide", " ".join(random.choice(words) for _ in range(120)), "i" * 300, "W" * 150,
         "Keys:\tF1\thelp"] + ["Line %d of the list." % (i + 1) for i in range(100)]
open(sys.argv[1], "wb").write("\r\n".join(lines).encode())
PY

for guide in "$demo/files/GUIDE.TXT" "$results/LONG.TXT"; do
  name=$(basename "$guide" .TXT)
  payload="$drive_c/PRINT.PAY"
  made "$payload"
  "$vntpack" build "$demo/payload.ini" -o "$payload" --library "$dll" --file "GUIDE.TXT=$guide" \
    >"$results/vntpack.log" 2>&1 || fail "vntpack could not build the payload"
  rm -f "$cups/out/guide.ps"
  timeout -k 5 "$kSetupSeconds" wine "$ui_show" print 'C:\PRINT.PAY' </dev/null \
    >"$results/print.out" 2>&1 &
  setup_job=$!
  robot dialog Welcome click 415 || fail "$name: no dialog 229 or no Print Now"
  robot dialog Print text 1139 click 1 gone || fail "$name: no print dialog with the queue"
  [[ "$robot_output" == VNTPS ]] || fail "$name: the print dialog offers \"$robot_output\""
  wait_setup
  grep -q "^229 result=415" "$results/print.out" || fail "$name: 229 gave $(cat "$results/print.out")"
  for _ in $(seq 300); do
    grep -q '^%%EOF' "$cups/out/guide.ps" 2>/dev/null && break
    sleep 0.1
  done
  [[ -s "$cups/out/guide.ps" ]] || fail "$name: the queue wrote no file"
  cp "$cups/out/guide.ps" "$results/$name.ps"
  python3 "$(dirname "$0")/check_printed_pages.py" "$results/$name.ps" "$guide" \
    >"$results/$name.check" || fail "$name: $(cat "$results/$name.check")"
  echo "$name: $(cat "$results/$name.check")"
done
