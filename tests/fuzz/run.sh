#!/bin/bash
# Builds the fuzz targets with clang and libFuzzer and runs each for a bounded time on seeds made
# here: archives from zip and Python's zipfile, and a small payload, alone and attached to a
# minimal Win32 program. Fails when a target finds a crash, a leak or a broken rule.
# usage: tests/fuzz/run.sh [BUILD_DIR] [SECONDS_PER_TARGET]   (defaults: build/fuzz, 20)
set -euo pipefail

readonly source_dir=$(cd "$(dirname "$0")/../.." && pwd)
readonly build_dir=$(realpath -m "${1:-$source_dir/build/fuzz}")
readonly seconds=${2:-20}

CC=clang CXX=clang++ cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug \
  -DVNT_FUZZ=ON -DVNT_SANITIZE=ON -DBUILD_TESTING=OFF >"$build_dir.configure.log" 2>&1 ||
  { cat "$build_dir.configure.log"; exit 1; }
cmake --build "$build_dir" -j2 --target payload_header_fuzz archive_fuzz database_fuzz

work="$build_dir/fuzz-run"
rm -rf "$work"
mkdir -p "$work/archive-seeds" "$work/payload-seeds" "$work/database-seeds"
(
  cd "$work"
  printf 'Velnet script line\r\n%.0s' {1..40} >SCRIPT.SCR
  zip -q -X -9 archive-seeds/deflated.zip SCRIPT.SCR
  zip -q -X -0 archive-seeds/stored.zip SCRIPT.SCR
  zip -q -X - SCRIPT.SCR | cat >archive-seeds/descriptor.zip
  cp "$source_dir/demo/files/IDB/MERGE.DB" database-seeds/merge.db
  python3 - <<'PY'
import struct
older = b'DC' + struct.pack('<II', 0x01000401, 0)
for gid, data in ((0x14000006, b'\x00\x83\x02\x00'), (7, b'scrambled')):
    older += b'RE' + struct.pack('<IHBBIII', gid, len(data), ord('b'), 2, 0, 0, len(older)) + data
open('database-seeds/older.db', 'wb').write(older)
def text(s): return struct.pack('<H', len(s)) + s
header = b'RS' + text(b'') + text(b'Velnet') + text(b'Velnet') + text(b'') + text(b'VNT.EXE')
header += text(b'Velnet Setup') + text(b'2.5') + text(b'Welcome') + text(b'Not found')
header += text(b'') * 4 + text(b'CLEAN.EXE') + text(b'GUIDE.TXT')
header += struct.pack('<5H', 0, 0, 1, 1, 0x384) + struct.pack('<HI', 1, 7)
header += struct.pack('<H', 1) + text(b'a') + text(b'b')                   # reserved pairs
header += struct.pack('<H', 1) + text(b'*.INI') + text(b'')                # carry_over
header += struct.pack('<H', 1) + text(b'SCRIPTS') + struct.pack('<4H', 0, 0, 0, 0)
header += struct.pack('<4H', 3, 0x81, 0x82, 0x83) + struct.pack('<HH', 0, 0)
header += struct.pack('<H', 0) + struct.pack('<HH', 512, 0)
entries = [(b'GUIDE.TXT', b'guide'), (b'SCRIPTS\\A.SCR', b'zip')]
header += struct.pack('<H', len(entries))
for name, data in entries: header += text(name) + struct.pack('<II', len(data), len(data))
payload = header + b''.join(d for _, d in entries)
open('payload-seeds/small.bin', 'wb').write(payload)
# The same payload attached to a minimal Win32 program: PE headers, one resource section with
# RCDATA 100 (the marker, naming the payload's offset), the payload after the image.
pe = b'MZ'.ljust(0x3C, b'\0') + struct.pack('<I', 0x40)
pe += b'PE\0\0' + struct.pack('<HHIIIHH', 0x14C, 1, 0, 0, 0, 0xE0, 0x0102)
optional = bytearray(0xE0)
struct.pack_into('<H', optional, 0, 0x10B)
struct.pack_into('<I', optional, 92, 16)
struct.pack_into('<II', optional, 96 + 16, 0x1000, 0x100)
pe += bytes(optional) + b'.rsrc'.ljust(8, b'\0') + struct.pack('<IIII', 0x200, 0x1000, 0x200, 0x200)
pe = pe.ljust(0x200, b'\0')
def directory(entry_id, target): return struct.pack('<IIHHHHII', 0, 0, 0, 0, 0, 1, entry_id, target)
rsrc = directory(10, 0x80000018) + directory(100, 0x80000030) + directory(0x409, 0x48)
rsrc += struct.pack('<IIII', 0x1058, 28, 0, 0)
rsrc += b'_DaduZ_\0' + struct.pack('<I', 0x400) + b'fuzz seed'.ljust(16, b'\0')
open('payload-seeds/program.exe', 'wb').write((pe + rsrc).ljust(0x400, b'\0') + payload)
PY
)

status=0
for target in payload_header_fuzz archive_fuzz database_fuzz; do
  seeds="$work/archive-seeds"
  [[ $target == payload_header_fuzz ]] && seeds="$work/payload-seeds"
  [[ $target == database_fuzz ]] && seeds="$work/database-seeds"
  mkdir -p "$work/$target-corpus"
  echo "== $target, $seconds s"
  if ! (cd "$work" && "$build_dir/tests/fuzz/$target" -max_total_time="$seconds" \
      -print_final_stats=1 "$work/$target-corpus" "$seeds" >"$work/$target.log" 2>&1); then
    tail -n 40 "$work/$target.log"
    status=1
  else
    grep -E 'stat::number_of_executed_units|Done' "$work/$target.log" | tail -n 2
  fi
done
exit $status
