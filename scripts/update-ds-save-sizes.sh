#!/usr/bin/env bash
# Brings the project's DS save list (games/ds_save_sizes.tsv) up to date from a newer list of
# the same form: code, kind and bytes, tab-separated, one game a line, '#' comment lines first.
#
#   bash scripts/update-ds-save-sizes.sh PATH/TO/ds-save-sizes.tsv
#
# The new list is checked as the build checks it (every line a game, no code twice, every size
# one its kind comes in) before it replaces the project's copy; then the counts of both are shown.
# Keep the new list's header: it names where the facts come from and their licence.
set -euo pipefail
cd "$(dirname "$0")/.."

[ $# -eq 1 ] || { echo "usage: $0 NEW-LIST.tsv" >&2; exit 2; }
new=$1
[ -f "$new" ] || { echo "$new: no such file" >&2; exit 1; }
grep -q '^#' "$new" || { echo "$new: the list names no source in '#' lines" >&2; exit 1; }

check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
cmake -DINPUT="$new" -DOUTPUT="$check/list.inc" -P cmake/DsSaveList.cmake

games() { grep -cvE '^(#|code\s|$)' "$1"; }
old_count=$(games games/ds_save_sizes.tsv)
cp "$new" games/ds_save_sizes.tsv
echo "games/ds_save_sizes.tsv: $old_count games before, $(games games/ds_save_sizes.tsv) now."
echo "The test DsSaveMemoryTest.EveryGameOfTheDataFileArrives counts the games: bring its count up to date."
