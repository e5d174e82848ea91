#!/bin/bash
# One Wine session for a test run: "start DIR ARCH" starts an Xvfb on a free display and a fresh
# Wine prefix in Windows 95 mode under DIR for programs built for ARCH (win32: i686, win64:
# x86-64), and writes DIR/env.sh for the tests to source; "stop DIR" ends every process of the
# session and removes DIR. Everything Wine writes (prefix, HOME, caches) stays under DIR; every
# wait is bounded. Used as the CTest fixture of label wine.
#
# The prefix's architecture is always named (WINEARCH), and the loader and the server are the
# ones of that architecture: with both of Debian's Wine packages installed, its wrappers take
# the 64-bit server, and a prefix made without WINEARCH silently becomes a 64-bit one. The
# session's bin/ holds "wine" and "wineserver" for the tests, which env.sh puts first on PATH.
# The 32-bit build's session is skipped (status 77) where the kernel runs no 32-bit programs, or
# when VNT_WINE_X64 is set to 1, which forces the x86-64 path; the x86-64 build's runs anywhere.
set -uo pipefail

readonly action=${1:-}
readonly dir=${2:-}
readonly arch=${3:-win32}
if [[ -z "$dir" || ( "$action" != start && "$action" != stop ) ||
      ( "$arch" != win32 && "$arch" != win64 ) ]]; then
  echo "usage: wine_session.sh start|stop DIR [win32|win64]" >&2
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

# Wine runs i686 programs as 32-bit Linux processes. Where the kernel does not run those, or
# the x86-64 path is forced, the 32-bit build's session and every test of it say so and are
# skipped (status 77): the x86-64 build's session runs the same tests.
if [[ "$arch" == win32 ]]; then
  reason=""
  [[ "${VNT_WINE_X64:-0}" == 1 ]] && reason="VNT_WINE_X64=1 forces the x86-64 build"
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
    reason="this machine cannot run 32-bit programs"
  if [[ -n "$reason" ]]; then
    echo "wine session: $reason; the Wine tests of the 32-bit build are skipped" >&2
    echo "$reason" >"$dir/no-32-bit"
    exit 77
  fi
  loader=/usr/lib/wine/wine
  server=/usr/lib/wine/wineserver32
  [[ -x "$server" ]] || server=/usr/lib/wine/wineserver64
else
  loader=/usr/lib/wine/wine64
  server=/usr/lib/wine/wineserver64
fi
[[ -x "$loader" && -x "$server" ]] || { echo "wine session: no $loader or $server" >&2; exit 1; }
mkdir -p "$dir/bin"
printf '#!/bin/sh\nexec %s "$@"\n' "$loader" >"$dir/bin/wine"
printf '#!/bin/sh\nexec %s "$@"\n' "$server" >"$dir/bin/wineserver"
chmod +x "$dir/bin/wine" "$dir/bin/wineserver"
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
export PATH='$dir/bin':\$PATH
export WINEARCH=$arch
export WINELOADER=$loader
export WINESERVER=$server
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
timeout 120 wine wineboot -i </dev/null >>"$log" 2>&1 || fail "wineboot did not create the prefix"

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
# Windows 95's SYSTEM folder under the Windows directory: a 32-bit prefix has one, a 64-bit
# prefix only system32.
mkdir -p "$WINEPREFIX/drive_c/windows/system"

# Wine's own Marlett draws the caption buttons; Debian's fonts-wine has it, but Wine does not
# load it from there.
marlett=/usr/share/wine/fonts/marlett.ttf
[[ -f "$marlett" ]] && cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/"

# The desktop and the font list of the running session predate these settings: start again.
timeout 30 wineserver -k >>"$log" 2>&1
timeout 30 wineserver -w >>"$log" 2>&1
setsid wineserver -p </dev/null >>"$log" 2>&1 || fail "wineserver did not start again"
exit 0
