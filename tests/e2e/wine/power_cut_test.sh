#!/bin/bash
# Power cuts under Wine: SETUP.EXE -S updating the demo installation with a larger payload (300
# more files, a merge database of 4,000 records) is killed with SIGKILL at twelve points spread
# through its files (eight, by the files in place) and its merge (four, by the main database's
# growth); after each cut a normal run (-S again) finds the unfinished run's journal,
# rolls it back and updates: it ends with 0, and C:\VELNET, DOSGAME.PIF and the SYSTEM file are
# those of the uninterrupted update. Each cut is classed by what it left: no journal yet, a
# journal with the main database untouched (during the files), or a changed main database
# (during the merge); cuts must have landed in both of the last two. A cut after the run's
# commit leaves the whole update, and the next run then finds nothing to update (status 8). The prefix's win.ini keeps
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

# The uninterrupted update.
demo_machine
start_setup -S -X 'C:\LARGE.PAY'
wait_setup
[[ $setup_status -eq 0 ]] || fail "the uninterrupted update ended with status $setup_status"
state_listing "$drive_c" >"$results/uninterrupted.tree"

# until_files N: waits until N of the extra files are installed (or the run has ended).
until_files() {
  while kill -0 "$setup_job" 2>/dev/null &&
    (($(find "$drive_c/VELNET/SCRIPTS" -maxdepth 1 -name 'X*.DAT' 2>/dev/null | wc -l) < $1)); do
    sleep 0.01
  done
}

# until_grown BYTES: waits until the main database has grown by BYTES (or the run has ended).
until_grown() {
  local old_size
  old_size=$(stat -c %s "$demo/old/IDB/MAIN.IDX")
  while kill -0 "$setup_job" 2>/dev/null &&
    (($(stat -c %s "$drive_c/VELNET/IDB/MAIN.IDX" 2>/dev/null || echo 0) < old_size + $1)); do
    sleep 0.01
  done
}

# How much the uninterrupted merge made the main database grow.
merge_growth=$(($(stat -c %s "$drive_c/VELNET/IDB/MAIN.IDX") -
  $(stat -c %s "$demo/old/IDB/MAIN.IDX")))
files=0
merge=0
for cut in $(seq "$cuts"); do
  demo_machine
  start_setup -S -X 'C:\LARGE.PAY'
  # Cuts 1 to 8 after every 33rd of the 300 files is in place, 9 to 12 after every fifth of the
  # merge's growth of the main database.
  if ((cut <= 8)); then
    until_files $((cut * 33))
  else
    until_grown $(((cut - 8) * merge_growth / 5))
  fi
  # The Windows process is the child of the time limit that start_setup put around it.
  program=$(ps -o pid= --ppid "$setup_job" | head -n 1)
  [[ -n "$program" ]] && kill -KILL $program
  wait "$setup_job"
  setup_job=""
  where="before the journal"
  changed=0
  cmp -s "$demo/old/IDB/MAIN.IDX" "$drive_c/VELNET/IDB/MAIN.IDX" || changed=1
  if [[ -n $(find "$drive_c/VELNET" -maxdepth 1 -iname 'VNTSETUP.RBK') ]]; then
    where="during the files"
    ((changed)) && where="during the merge"
  elif ((changed)); then
    where="after the commit"
  fi
  rm -f "$drive_c/VELNET/update.log"
  start_setup -S -X 'C:\LARGE.PAY'
  wait_setup
  cp "$drive_c/VELNET/update.log" "$results/rerun-$cut.log" 2>/dev/null
  state_listing "$drive_c" >"$results/cut-$cut.tree"
  if [[ $setup_status -eq 8 ]] && cmp -s "$results/uninterrupted.tree" "$results/cut-$cut.tree"
  then
    # The cut run had committed its update (the journal's commit written): the next run finds
    # Velnet 2.5, which it does not update.
    where="after the commit"
  else
    [[ $setup_status -eq 0 ]] || fail "cut $cut ($where): the next run ended with $setup_status"
    if [[ "$where" != "before the journal" ]]; then
      has_line "$drive_c/VELNET/update.log" 'Rolling back the unfinished setup in C:\VELNET' ||
        fail "cut $cut ($where): the next run did not roll the cut run back"
    fi
  fi
  [[ -f "$drive_c/windows/win.ini" && ! -e "$drive_c/windows/WIN.INI" ]] ||
    fail "cut $cut ($where): win.ini is not under its own name: $(ls "$drive_c/windows")"
  diff "$results/uninterrupted.tree" "$results/cut-$cut.tree" >"$results/cut-$cut.diff" ||
    fail "cut $cut ($where): the next run did not end as the uninterrupted update:" \
      "$(head -5 "$results/cut-$cut.diff")"
  [[ "$where" == "during the files" ]] && files=$((files + 1))
  [[ "$where" == "during the merge" ]] && merge=$((merge + 1))
  echo "cut $cut $where: the update as the uninterrupted one"
done
((files > 0 && merge > 0)) ||
  fail "the cuts did not land both during the files ($files) and during the merge ($merge)"
echo "$cuts cuts ($files during the files, $merge during the merge): each ended as the" \
  "uninterrupted update"
