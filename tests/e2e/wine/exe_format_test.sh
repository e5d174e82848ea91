#!/bin/bash
# SETUP.EXE as built: a PE32 GUI executable for i386 under 150 KB that imports only system
# DLLs, and carries exactly one payload marker tag, among its resources, with payload offset 0 and
# empty marker text (vntpack finds the unique tag and patches the rest).
# usage: exe_format_test.sh SETUP_EXE
set -uo pipefail

readonly exe=$1
readonly kMaxBytes=$((150 * 1024))
readonly kSystemDlls="ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL
SHELL32.DLL USER32.DLL VERSION.DLL"
status=0

fail() {
  echo "FAIL: $*" >&2
  status=1
}

[[ -f "$exe" ]] || { echo "FAIL: $exe is not built" >&2; exit 1; }

description=$(file -b "$exe")
[[ "$description" == "PE32 executable (GUI) Intel 80386"* ]] || fail "file says: $description"

headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -q 'file format pei-i386' <<<"$headers" || fail "not a pei-i386 file"
grep -qE '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "not the GUI subsystem"

size=$(stat -c %s "$exe")
((size < kMaxBytes)) || fail "$size bytes, the limit is $kMaxBytes"

for dll in $(awk '/DLL Name:/ { print toupper($3) }' <<<"$headers"); do
  grep -qw -- "$dll" <<<"$kSystemDlls" || fail "imports $dll, which is not a system DLL"
done

offsets=$(grep -obUaF '_DaduZ_' "$exe" | cut -d: -f1)
count=$(grep -c . <<<"$offsets")
if [[ $count -ne 1 ]]; then
  fail "the tag _DaduZ_ occurs $count times"
else
  read -r rsrc_size rsrc_start < <(i686-w64-mingw32-objdump -h "$exe" |
    awk '$2 == ".rsrc" { print $3, $6 }')
  ((offsets >= 16#${rsrc_start:-0} && offsets + 28 <= 16#${rsrc_start:-0} + 16#${rsrc_size:-0})) ||
    fail "the tag lies outside the resources"
  marker=$(od -An -tx1 -v -j "$offsets" -N 28 "$exe" | tr -d ' \n')
  [[ "$marker" == "5f446164755a5f00$(printf '0%.0s' {1..40})" ]] ||
    fail "the marker is $marker, not the tag with offset 0 and empty text"
fi

((status == 0)) && echo "SETUP.EXE: $description, $size bytes"
exit $status
