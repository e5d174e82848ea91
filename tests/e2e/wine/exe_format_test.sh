#!/bin/bash
# SETUP.EXE and dunzipnt.dll as built: SETUP.EXE a PE32 GUI executable for i386 of at most
# 84 KB without a relocation section, dunzipnt.dll a DLL of at most 48 KB; both import only DLLs
# that the first retail Windows 95 ships (no C runtime), and SETUP.EXE carries exactly one payload
# marker tag, among its resources, with payload offset 0 and empty marker text (vntpack finds the
# unique tag and patches the rest).
# usage: exe_format_test.sh SETUP_EXE DUNZIPNT_DLL
set -uo pipefail

readonly exe=$1
readonly dll=$2
readonly kMaxExeBytes=$((84 * 1024))
readonly kMaxDllBytes=$((48 * 1024))
readonly kSystemDlls="ADVAPI32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL OLE32.DLL SHELL32.DLL
USER32.DLL"
status=0

fail() {
  echo "FAIL: $*" >&2
  status=1
}

[[ -f "$exe" && -f "$dll" ]] || { echo "FAIL: $exe or $dll is not built" >&2; exit 1; }

# Every DLL that the file imports is one of Windows 95's own.
check_imports() {
  local dll_name
  for dll_name in $(i686-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { print toupper($3) }'); do
    grep -qw -- "$dll_name" <<<"$kSystemDlls" || fail "$1 imports $dll_name, not a Windows 95 DLL"
  done
}

# The file is at most $2 bytes.
check_size() {
  local size
  size=$(stat -c %s "$1")
  ((size <= $2)) || fail "$1 has $size bytes, the limit is $2"
}

description=$(file -b "$exe")
[[ "$description" == "PE32 executable (GUI) Intel 80386"* ]] || fail "file says: $description"

headers=$(i686-w64-mingw32-objdump -p "$exe")
grep -q 'file format pei-i386' <<<"$headers" || fail "not a pei-i386 file"
grep -qE '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "not the GUI subsystem"

grep -q '^[[:space:]]*[0-9]* \.reloc ' < <(i686-w64-mingw32-objdump -h "$exe") &&
  fail "SETUP.EXE has a relocation section"
check_size "$exe" "$kMaxExeBytes"
check_size "$dll" "$kMaxDllBytes"
check_imports "$exe"
check_imports "$dll"
[[ "$(file -b "$dll")" == "PE32 executable (DLL)"*"Intel 80386"* ]] ||
  fail "dunzipnt.dll: $(file -b "$dll")"

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

((status == 0)) &&
  echo "SETUP.EXE: $description, $(stat -c %s "$exe") bytes; dunzipnt.dll $(stat -c %s "$dll") bytes"
exit $status
