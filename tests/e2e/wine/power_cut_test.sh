#!/bin/bash
# Power cuts under Wine: SETUP.EXE -S updating the demo installation with a larger payload (300
# more files, a merge database of 4,000 records) is killed with SIGKILL at twelve points spread
# through its run; after each cut a normal run (-S again) finds the unfinished run's journal,
# rolls it back and updates: it ends with 0, and C:\VELNET, DOSGAME.PIF and the SYSTEM file are
# those of the uninterrupted update. Each cut is classed by what it left: no journal yet, a
# journal with the main database untouched (during the files), or a changed main database
# (during the merge); cuts must have landed in both of the last two. The prefix's win.ini keeps
# its name through every rollback.
# usage: power_cut_test.sh VNTPACK DLL DEMO_DIR SESSION_DIR RESULTS_DIR SETUP_EXE ROBOT_EXE
#        PROGMAN_EXE
source "$(dirname "$0")/wine_common.sh"

demo_test_init "$@"
readonly cuts=12
vntdb="$(dirname "$vntpack")/../vntdb/vntdb"
[[ -x "$vntdb" ]] || fail "no host vntdb at $vntdb"

# The larger payload: the demo's manifest with 300 more files and a larger merge database.
copy="$results/demo"
payload="$drive_c/LARGE.PAY"
made "$payload"
cp -r "$demo" "$copy" || fail "cannot copy the demo"
mkdir -p "$copy/files/EXTRA"
python3 - "$copy" <<'PY' || fail "python3 could not make the larger payload"
import os, random, sys
root = sys.argv[1]
random.seed(19)
with open(os.path.join(root, "payload.ini"), "a") as manifest:
    for i in range(300):
        name = "X%03d.DAT" % i
        with open(os.path.join(root, "files", "EXTRA", name), "wb") as data:
            data.write(random.randbytes(48 * 1024))
        manifest.write("SCRIPTS\\%s = files/EXTRA/%s\n" % (name, name))
with open(os.path.join(root, "merge-large.txt"), "w") as description:
    description.write("kind 0x01000401\nform current\nreserved 0 5 1\n")
    for i in range(4000):
        description.write("record 0x%08x,b=%s\n" % (0x00400000 + i, "record %d " % i * 12))
PY
"$vntdb" create "$copy/files/IDB/MERGE.DB" --from "$copy/merge-large.txt" \
  >"$results/vntdb.log" 2>&1 || fail "vntdb could not make the merge database"
"$vntpack" build "$copy/payload.ini" -o "$payload" --library "$dll" \
  >"$results/vntpack.log" 2>&1 || fail "vntpack could not build the payload"

# The uninterrupted update, timed.
demo_machine
started=$(date +%s%N)
start_setup -S -X 'C:\LARGE.PAY'
wait_setup
took_ms=$((($(date +%s%N) - started) / 1000000))
[[ $setup_status -eq 0 ]] || fail "the uninterrupted update ended with status $setup_status"
state_listing "$drive_c" >"$results/uninterrupted.tree"
echo "the uninterrupted update took $took_ms ms"

files=0
merge=0
for cut in $(seq "$cuts"); do
  demo_machine
  start_setup -S -X 'C:\LARGE.PAY'
  # From a tenth of the uninterrupted run's time (its start-up) to nearly its end.
  sleep "$(awk -v t="$took_ms" -v k="$cut" -v n="$cuts" \
    'BEGIN { printf "%.3f", t * (0.1 + 0.88 * k / n) / 1000 }')"
  # The Windows process is the child of the time limit that start_setup put around it.
  program=$(ps -o pid= --ppid "$setup_job" | head -n 1)
  [[ -n "$program" ]] && kill -KILL $program
  wait "$setup_job"
  setup_job=""
  where="before the journal"
  if [[ -n $(find "$drive_c/VELNET" -maxdepth 1 -iname 'VNTSETUP.RBK') ]]; then
    where="during the files"
    cmp -s "$demo/old/IDB/MAIN.IDX" "$drive_c/VELNET/IDB/MAIN.IDX" || where="during the merge"
  fi
  [[ "$where" == "during the files" ]] && files=$((files + 1))
  [[ "$where" == "during the merge" ]] && merge=$((merge + 1))
  start_setup -S -X 'C:\LARGE.PAY'
  wait_setup
  cp "$drive_c/VELNET/update.log" "$results/rerun-$cut.log" 2>/dev/null
  [[ $setup_status -eq 0 ]] || fail "cut $cut ($where): the next run ended with $setup_status"
  if [[ "$where" != "before the journal" ]]; then
    has_line "$drive_c/VELNET/update.log" 'Rolling back the unfinished setup in C:\VELNET' ||
      fail "cut $cut ($where): the next run did not roll the cut run back"
  fi
  [[ -f "$drive_c/windows/win.ini" && ! -e "$drive_c/windows/WIN.INI" ]] ||
    fail "cut $cut ($where): win.ini is not under its own name: $(ls "$drive_c/windows")"
  state_listing "$drive_c" >"$results/cut-$cut.tree"
  diff "$results/uninterrupted.tree" "$results/cut-$cut.tree" >"$results/cut-$cut.diff" ||
    fail "cut $cut ($where): the next run did not end as the uninterrupted update:" \
      "$(head -5 "$results/cut-$cut.diff")"
  echo "cut $cut $where: recovered, then updated"
done
((files > 0 && merge > 0)) ||
  fail "the cuts did not land both during the files ($files) and during the merge ($merge)"
echo "$cuts cuts ($files during the files, $merge during the merge): each recovered and updated"
