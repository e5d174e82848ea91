#!/bin/bash
# One log on both platforms: the demo update run by SETUP.EXE under Wine (Update, then OK, with
# the stand-in Program Manager minimised) and by the host setup on a simulated machine described
# as the prefix is (the Windows and system directories as Wine spells them, the free space and
# cluster size Wine reports, the installation's file times, Program Manager minimised, no Z:
# drive) write the same update.log byte for byte and leave the same C:\VELNET, DOSGAME.PIF and
# SYSTEM file.
# usage: parity_test.sh HOST_SETUP VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE
#        ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly host_setup=$1
shift
demo_test_init "$@"
[[ -x "$host_setup" ]] || fail "no host setup at $host_setup: build the host preset first"

payload="$drive_c/UPDATE.PAY"
made "$payload"
"$vntpack" build "$demo/payload.ini" -o "$payload" --library "$dll" \
  >"$results/vntpack.log" 2>&1 || fail "vntpack could not build the payload"

# Under Wine.
demo_machine
start_progman -i || fail "the stand-in Program Manager did not start"
interactive_update 'C:\UPDATE.PAY'
stop_progman
cp "$drive_c/VELNET/update.log" "$results/wine-update.log"
state_listing "$drive_c" >"$results/wine.tree"
read -r cluster free < <(tr -d '\r' <"$results/wine-update.log" |
  sed -n 's/^Drive C: cluster size = \([0-9]*\), free space = \([0-9]*\)$/\1 \2/p')
[[ -n "$free" ]] || fail "the Wine log tells no free space of C:"

# On the host, the machine described as the prefix is.
machine="$results/machine"
rm -rf "$machine"
mkdir -p "$machine/C/windows/system32" "$machine/C/windows/system"
cp "$payload" "$machine/C/UPDATE.PAY"
cp -r --preserve=timestamps "$demo/old" "$machine/C/VELNET"
cat >"$machine/machine.ini" <<INI
[machine]
windows_dir=C:\\windows
system_dir=C:\\windows\\system32
[free]
C=$free
C.cluster=$cluster
[windows]
class=Progman
[progman]
minimized=1
[mounts]
Z=
INI
printf 'dialog 201 401\ndialog 213 408\n' >"$machine/answers.txt"
VNT_MACHINE=$machine "$host_setup" -X 'C:\UPDATE.PAY' </dev/null >"$results/host.out" 2>&1
host_status=$?
[[ $host_status -eq 0 ]] || fail "the host setup ended with status $host_status"
cp "$machine/C/VELNET/update.log" "$results/host-update.log"
state_listing "$machine/C" >"$results/host.tree"

cmp -s "$results/wine-update.log" "$results/host-update.log" ||
  fail "the logs differ: $(diff <(tr -d '\r' <"$results/wine-update.log") \
    <(tr -d '\r' <"$results/host-update.log") | head -8)"
diff "$results/wine.tree" "$results/host.tree" >"$results/tree.diff" ||
  fail "the installed trees differ: $(head -8 "$results/tree.diff")"
echo "the same update.log ($(wc -l <"$results/wine-update.log") lines) and the same files" \
  "under Wine and on the host"
