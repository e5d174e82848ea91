#!/bin/bash
# Runs a Windows program in a Wine session made by tests/e2e/wine/wine_session.sh, under a time
# limit, with the session's environment; VNT_WINEDEBUG, when set, replaces the session's
# WINEDEBUG (merge_bench's relay count sets +relay). The program's exit status is the script's.
# usage: wine_run.sh SESSION_DIR SECONDS PROGRAM [ARGS...]
session=$1
seconds=$2
shift 2
source "$session/env.sh" || exit 125
[[ -n "${VNT_WINEDEBUG:-}" ]] && export WINEDEBUG=$VNT_WINEDEBUG
exec timeout -k 5 "$seconds" wine "$@"
