#!/bin/bash
# SETUP.EXE -X payload -P C:\VELNET installs the demo payload into the prefix: the progress
# dialog 220 on screen (a screenshot kept while its bar stands part way), every file with the
# demo's bytes (VNT.HLP replaced by a large generated file so that the install lasts long
# enough to be seen), the SYSTEM file in the Windows SYSTEM folder, DOSGAME.PIF, update.log, and
# the merge of IDB\MERGE.DB into the main database of the demo's old installation.
# usage: install_test.sh VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

demo_test_init "$@"

readonly big_megabytes=128
# GetWindowsDirectoryA under Wine; the SYSTEM folder under it is windows/system on its disk.
readonly windows_dir='C:\windows'
dest="$drive_c/VELNET"
fail_log="$dest/update.log"
payload="$drive_c/INSTALL.PAY"
big="$results/VNT.HLP"
made "$dest"
made "$payload"
made "$big"
made "$drive_c/windows/DOSGAME.PIF"
made "$drive_c/windows/system/VNTCTL32.DLL"

python3 -c "import random, sys; random.seed(5); \
sys.stdout.buffer.write(random.randbytes($big_megabytes << 20))" >"$big" ||
  fail "python3 could not make the large file"
"$vntpack" build "$demo/payload.ini" -o "$payload" --library "$dll" --file "VNT.HLP=$big" \
  >"$results/vntpack.log" 2>&1 || fail "vntpack could not build the payload"

mkdir -p "$dest/IDB"
cp "$demo/old/IDB/MAIN.IDX" "$dest/IDB/MAIN.IDX" || fail "no old main database in $demo/old"
start_setup -X 'C:\INSTALL.PAY' -P 'C:\VELNET'
# The gauge's place first, then the one text asked of the busy program.
robot dialog "" rect 502 text 1001 || fail "no progress dialog"
grep -q '^Please wait while Velnet is installed\.' <<<"$(tail -n 1 <<<"$robot_output")" ||
  fail "the dialog on screen is not the install progress dialog 220"
read -r left top right bottom < <(head -n 1 <<<"$robot_output")
middle=$(((top + bottom) / 2))
quarter=$(((3 * left + right) / 4))
shot="$results/install_progress.png"

# Screenshots until one shows the bar past a quarter and not yet full; the last one is kept.
midway=0
while kill -0 "$setup_job" 2>/dev/null; do
  screenshot install_progress
  if [[ "$(pixel "$shot" "$quarter" "$middle")" == "0,0,255" &&
        "$(pixel "$shot" $((right - 3)) "$middle")" == "255,255,255" ]]; then
    midway=1
    break
  fi
done
# The run ends with the completion dialog 221 ("Velnet has been installed!"); OK closes it.
robot dialog Setup click 408 gone || fail "no completion dialog 221 after the installation"
wait_setup
((midway)) || fail "no screenshot caught the progress bar part way"
[[ $setup_status -eq 0 ]] || fail "SETUP.EXE ended with status $setup_status, not 0"

# Every entry of the manifest: its file's bytes, where the installation puts it.
checked=0
while IFS='=' read -r name source; do
  name=$(tr -d ' ' <<<"$name")
  source=$(tr -d ' ' <<<"$source")
  expected="$demo/$source"
  case "$name" in
    VNTPHONE.DAT)  # preserved: a carried-over file is never installed over
      [[ -e "$dest/VNTPHONE.DAT" ]] && fail "the preserved VNTPHONE.DAT was installed"
      continue
      ;;
    IDB\\MERGE.DB)  # merged into the main database, then deleted
      [[ -e "$dest/IDB/MERGE.DB" ]] && fail "IDB\\MERGE.DB was left after the merge"
      continue
      ;;
    VNT.HLP) expected=$big ;;
  esac
  if [[ "$name" == SYSTEM\\* ]]; then
    installed="$drive_c/windows/system/${name#SYSTEM\\}"
    [[ -e "$dest/${name#SYSTEM\\}" ]] && fail "$name was left in C:\\VELNET"
  else
    installed="$dest/${name//\\//}"
  fi
  cmp -s "$installed" "$expected" || fail "$name is not installed as ${installed#"$drive_c"/}"
  checked=$((checked + 1))
done < <(tr -d '\r' <"$demo/payload.ini" | sed -n '/^\[files\]/,/^\[/p' | grep -v '^[[;]' |
  grep '=')
((checked == 50)) || fail "$checked entries checked, not the demo's 50 installed ones"
leftovers=$(find "$dest" -iname 'dec*.tmp')
[[ -z "$leftovers" ]] || fail "temporary archives left behind: $leftovers"

pif="$drive_c/windows/DOSGAME.PIF"
[[ -f "$pif" ]] || fail "no DOSGAME.PIF in the Windows directory"
[[ $(stat -c %s "$pif") -eq 545 ]] || fail "DOSGAME.PIF has $(stat -c %s "$pif") bytes, not 545"
cmp -s <(dd if="$pif" bs=1 skip=$((0x24)) count=22 status=none) \
  <(printf 'C:\\VELNET\\DOSGAME.EXE\0') ||
  fail "DOSGAME.PIF does not name C:\\VELNET\\DOSGAME.EXE at 0x24"

log="$dest/update.log"
has_line "$log" "Installing files" || fail "update.log has no line \"Installing files\""
has_line "$log" "Created $windows_dir\\DOSGAME.PIF" ||
  fail "update.log has no line \"Created $windows_dir\\DOSGAME.PIF\""
has_line "$log" "Copy C:\\VELNET\\VNTCTL32.DLL -> $windows_dir\\SYSTEM\\VNTCTL32.DLL" ||
  fail "update.log does not tell the copy of VNTCTL32.DLL into SYSTEM"
has_line "$log" "Wrote GID 65537 (size 21)" || fail "update.log does not tell the merge"
has_line "$log" "New version: 132.3" || fail "update.log does not tell the version stamp"
grep -qa "Welcome to Velnet 2.5" "$dest/IDB/MAIN.IDX" ||
  fail "the merged records are not in IDB\\MAIN.IDX"
echo "installed: $checked files, DOSGAME.PIF, update.log, the merged database;" \
  "progress screenshot kept"
