#!/bin/bash
# Runs extraction_test.exe in the session: the Win32 dunzipnt.dll loaded from a destination
# folder c:\vntunzip (made and removed by this test), extracting archives that Python's zipfile
# makes here: a deflated member, one with a damaged CRC and one whose name climbs out.
# usage: extraction_test.sh TEST_EXE DLL SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

readonly test_exe=$1
readonly dll=$2
shift 2
wine_test_init "$@"
folder="$drive_c/vntunzip"
made "$folder"
mkdir -p "$folder/lib" "$folder/out" "$folder/ref"
cp "$dll" "$folder/lib/dunzipnt.dll"

python3 - "$folder" <<'PY' || fail "python3 could not make the archives"
import random, struct, sys, zipfile
folder = sys.argv[1]
random.seed(7)
data = b''.join(random.choice([b'Velnet script line\r\n' * 40, bytes(900),
                               bytes(random.getrandbits(8) for _ in range(700))])
                for _ in range(200))
open(folder + '/ref/MEMBER.DAT', 'wb').write(data)
def make(path, name, payload):
    info = zipfile.ZipInfo(name, (2001, 2, 3, 4, 5, 6))
    info.compress_type = zipfile.ZIP_DEFLATED
    with zipfile.ZipFile(path, 'w') as z:
        z.writestr(info, payload)
make(folder + '/good.zip', 'MEMBER.DAT', data)
make(folder + '/badcrc.zip', 'BAD.DAT', data)
bad = bytearray(open(folder + '/badcrc.zip', 'rb').read())
central = struct.unpack('<I', bad[-6:-2])[0]
bad[central + 16] ^= 0x55
open(folder + '/badcrc.zip', 'wb').write(bytes(bad))
make(folder + '/evil.zip', '../EVIL.TXT', b'evil')
PY

timeout -k 5 60 wine "$test_exe" 'C:\vntunzip' </dev/null >"$results/extraction.log" 2>&1
status=$?
tr -d '\r' <"$results/extraction.log"
[[ $status -eq 0 ]] || fail "the extraction checks ended with status $status"
[[ -f "$folder/out/MEMBER.DAT" ]] || fail "no MEMBER.DAT in the output folder"
cmp -s "$folder/out/MEMBER.DAT" "$folder/ref/MEMBER.DAT" || fail "MEMBER.DAT differs"
