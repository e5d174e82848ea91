#!/bin/bash
# One Wine session for a test run: "start DIR" starts an Xvfb on a free display and a fresh
# Wine prefix in Windows 95 mode under DIR, and writes DIR/env.sh for the tests to source;
# "stop DIR" ends every process of the session and removes DIR. Everything Wine writes (prefix,
# HOME, caches) stays under DIR; every wait is bounded. Used as the CTest fixture of label wine.
set -uo pipefail

readonly action=${1:-}
readonly dir=${2:-}
if [[ -z "$dir" || ( "$action" != start && "$action" != stop ) ]]; then
  echo "usage: wine_session.sh start|stop DIR" >&2
  exit 2
fi

# Ends the processes of a session recorded in $dir, if any: Wine first, then the X server.
stop_session() {
  if [[ -f "$dir/env.sh" ]]; then
    (source "$dir/env.sh" && timeout 30 wineserver -k) >/dev/null 2>&1
    (source "$dir/env.sh" && timeout 30 wineserver -w) >/dev/null 2>&1
  fi
  if [[ -f "$dir/xvfb.pid" ]]; then
    local pid
    pid=$(<"$dir/xvfb.pid")
    if [[ -n "$pid" && "$(cat "/proc/$pid/comm" 2>/dev/null)" == Xvfb ]]; then
      kill "$pid"
      for _ in $(seq 50); do [[ -d "/proc/$pid" ]] || break; sleep 0.1; done
      [[ -d "/proc/$pid" ]] && kill -9 "$pid"
    fi
  fi
}

fail() {
  echo "wine session: $*" >&2
  [[ -f "$dir/session.log" ]] && tail -n 20 "$dir/session.log" >&2
  stop_session
  exit 1
}

if [[ "$action" == stop ]]; then
  stop_session
  rm -rf "$dir"
  exit 0
fi

# A session left behind by an interrupted run is ended first.
stop_session
rm -rf "$dir"
mkdir -p "$dir/home" "$dir/tmp" || fail "cannot create $dir"

# Wine runs Win32 programs as 32-bit Linux processes. On a machine whose kernel does not run
# those, no Wine test can run: the session and every test of the label say so and are skipped
# (status 77), rather than failing for a reason that lies outside the program.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "wine session: this machine cannot run 32-bit programs; the Wine tests are skipped" >&2
  touch "$dir/no-32-bit"
  exit 77
fi
log="$dir/session.log"

# Xvfb chooses a free display and writes its number to descriptor 3 once it accepts clients.
# It runs in its own session, with no tie to CTest's output pipes, until "stop".
setsid Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$dir/display" \
  </dev/null >>"$log" 2>&1 &
echo $! >"$dir/xvfb.pid"
for _ in $(seq 100); do [[ -s "$dir/display" ]] && break; sleep 0.1; done
display=$(tr -d '[:space:]' <"$dir/display")
[[ -n "$display" ]] || fail "Xvfb did not start"

cat >"$dir/env.sh" <<ENV
export DISPLAY=:$display
export WINEPREFIX='$dir/prefix'
export HOME='$dir/home'
export XDG_CACHE_HOME='$dir/home/.cache'
export XDG_CONFIG_HOME='$dir/home/.config'
export XDG_DATA_HOME='$dir/home/.local/share'
export TMPDIR='$dir/tmp'
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml,winemenubuilder.exe='
ENV
source "$dir/env.sh"

# Wine keeps its server socket under TMPDIR. Every Wine process writes to the session log, so
# that none holds CTest's output pipes open; the server stays up between tests until "stop".
mkdir -p "$WINEPREFIX"
setsid wineserver -p </dev/null >>"$log" 2>&1 || fail "wineserver did not start"
timeout 120 wineboot -i </dev/null >>"$log" 2>&1 || fail "wineboot did not create the prefix"

# Windows 95 mode; no crash dialog (it would never close); one virtual desktop with title bars
# for screenshots, shared by every program of the session.
cat >"$dir/session.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine]
"Version"="win95"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="800x600"
REG
timeout 60 wine regedit /S 'Z:'"${dir//\//\\}"'\session.reg' </dev/null >>"$log" 2>&1 ||
  fail "regedit did not import the session settings"
timeout 60 wine reg query 'HKCU\Software\Wine' /v Version </dev/null >"$dir/version" 2>>"$log"
grep -q win95 "$dir/version" || fail "the prefix is not in Windows 95 mode"

# The machine's one fixed drive is C:, as on a Windows 95 machine: Wine's Z: (the host's whole
# file system) would make the search for an installation walk the host.
rm -f "$WINEPREFIX/dosdevices/z:"

# Wine's own Marlett draws the caption buttons; Debian's fonts-wine has it, but Wine does not
# load it from there.
marlett=/usr/share/wine/fonts/marlett.ttf
[[ -f "$marlett" ]] && cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"

# The desktop and the font list of the running session predate these settings: start again.
timeout 30 wineserver -k >>"$log" 2>&1
timeout 30 wineserver -w >>"$log" 2>&1
setsid wineserver -p </dev/null >>"$log" 2>&1 || fail "wineserver did not start again"
exit 0
