#!/bin/bash
# SETUP.EXE -X payload updates the demo installation, a Velnet 2.0 in C:\VELNET, as a user runs
# it: the search finds it, the Welcome dialog 201 shows the payload's text (a screenshot kept)
# and Update is chosen, the completion dialog 213 is closed with OK. Then the files, the kept
# phone list, VERSION.INF, WIN.INI and update.log of the prefix tell that the update happened,
# and the stand-in Program Manager (started minimised) got the group, the item and the show.
# usage: update_test.sh VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

demo_test_init "$@"

dest="$drive_c/VELNET"
payload="$drive_c/UPDATE.PAY"
made "$dest"
made "$payload"
made "$drive_c/windows/DOSGAME.PIF"
made "$drive_c/windows/system/VNTCTL32.DLL"
"$vntpack" build "$demo/payload.ini" -o "$payload" --library "$dll" \
  >"$results/vntpack.log" 2>&1 || fail "vntpack could not build the payload"
cp -r "$demo/old" "$dest" || fail "no demo installation in $demo/old"

start_progman -i || fail "the stand-in Program Manager did not start"
start_setup -X 'C:\UPDATE.PAY'
robot dialog Welcome text 503 || fail "no Welcome dialog: the search did not find C:\\VELNET"
[[ "$robot_output" == "Welcome to the Velnet update."* ]] ||
  fail "the Welcome dialog shows \"$robot_output\""
screenshot welcome
robot dialog Welcome click 401 || fail "Update could not be clicked"
robot dialog Setup click 408 gone || fail "no completion dialog 213 after the update"
wait_setup
[[ $setup_status -eq 0 ]] || fail "SETUP.EXE ended with status $setup_status, not 0"

cmp -s "$dest/VNT.EXE" "$demo/files/VNT.EXE" || fail "VNT.EXE is not the update's"
cmp -s "$dest/VNTPHONE.DAT" "$demo/old/VNTPHONE.DAT" || fail "the member's phone list changed"
log="$dest/update.log"
for line in 'IAB:Verdict for C:\VELNET\IDB\MAIN.IDX (build 83) = yes' 'Most recent = C:\VELNET' \
  'Not installing VNTPHONE.DAT (preserved)' 'New version: 132.3'; do
  has_line "$log" "$line" || fail "update.log has no line \"$line\""
done
grep -q 'PM window\|DDE client\|Group failed\|AddItem failed' "$log" &&
  fail "update.log tells a failure of the Program Manager commands"
stop_progman
state='enabled=0 iconic=0'
expected="started iconic=1
initiate
restored
enabled 0
execute [CreateGroup(Velnet)] $state -> accepted
execute [AddItem(C:\VELNET\VNT.EXE,Velnet)] $state -> accepted
execute [ShowGroup(Velnet,7)] $state -> accepted
terminate
enabled 1"
[[ "$(tr -d '\r' <"$drive_c/progman.log")" == "$expected" ]] ||
  fail "the stand-in Program Manager recorded: $(cat "$drive_c/progman.log")"
has_line "$dest/VERSION.INF" "Version=2.5" || fail "VERSION.INF does not hold Version=2.5"
tr -d '\r' <"$drive_c/windows/win.ini" | grep -qix 'AppPath=C:\\VELNET' ||
  fail "WIN.INI does not record AppPath=C:\\VELNET"
echo "updated C:\\VELNET through the Welcome dialog; files, log, VERSION.INF, WIN.INI and the" \
  "Program Manager commands checked"
