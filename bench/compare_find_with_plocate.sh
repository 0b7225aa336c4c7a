#!/usr/bin/env bash
# The command line's searches beside plocate, over the host's root file system: tarrow logs "/"
# into a catalog of its own, updatedb builds a plocate database of the same tree, then
# farm-bench times whole processes side by side (start-up included):
#   a name fragment:  tarrow find TEXT (long name contains, case aside) vs plocate -i TEXT
#   a name prefix:    tarrow find name begins TEXT (the short-name key)   vs plocate -i -b TEXT
#   a size:           tarrow find size gt 100000000 (no plocate twin; alone)
# The searches differ in what they match (plocate matches whole paths), so the counts differ;
# the figures say how long an answer takes, not that the answers agree.
# Usage: bench/compare_find_with_plocate.sh BUILD-FOLDER [TEXT]   (needs plocate and farm-bench)
set -euo pipefail
build=${1:?build folder}
text=${2:-readme}
tarrow="$build/app/tarrow"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

start=$(date +%s.%N)
"$tarrow" log / --catalog "$work" 2>&1 | tail -1
end=$(date +%s.%N)
echo "tarrow log /: $(echo "$end - $start" | bc) s"
start=$(date +%s.%N)
updatedb -o "$work/plocate.db" -U /
end=$(date +%s.%N)
echo "updatedb: $(echo "$end - $start" | bc) s"
"$tarrow" disks --catalog "$work"

echo "hits: tarrow find $text: $("$tarrow" find "$text" --catalog "$work" -0 | tr -cd '\0' | wc -c)," \
     "plocate -i $text: $(plocate -d "$work/plocate.db" -i "$text" | wc -l)"
farm-bench -n 7 --vs "plocate -d $work/plocate.db -i $text" -- \
  "$tarrow" find "$text" --catalog "$work"
farm-bench -n 7 --vs "plocate -d $work/plocate.db -i -b $text" -- \
  "$tarrow" find name begins "$text" --catalog "$work"
farm-bench -n 7 -- "$tarrow" find size gt 100000000 --catalog "$work"
