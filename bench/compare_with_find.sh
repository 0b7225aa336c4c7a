#!/usr/bin/env bash
# Logs the host's root file system as drive C: (bench_log_root) and compares the file list with
# `find / -xdev`: every regular file find lists (dot-named entries and everything below
# dot-named folders left out, as logging leaves them out) must be in the list; the list's other
# entries must be exactly the symbolic links and special files (not folders) find lists.
# Paths are compared as the catalog stores them: "C:\" and upper case, cut to 260 bytes.
# Usage: bench/compare_with_find.sh BUILD-FOLDER   (the folder of a build with KIV_BENCH=ON)
set -euo pipefail
build=${1:?build folder}
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C
as_catalog() { sed 's|^/|C:\\|; s|/|\\|g' | tr 'a-z' 'A-Z' | cut -b1-260 | sort; }

start=$(date +%s.%N)
find / -xdev -name '.*' -prune -o -type f -print > "$work/find-files"
end=$(date +%s.%N)
find / -xdev -name '.*' -prune -o ! -type d ! -type f -print > "$work/find-others"
"$build/bench/bench_log_root" 'C:\' > "$work/tarrow" 2> "$work/tarrow-log"
cat "$work/tarrow-log"
as_catalog < "$work/find-files" > "$work/find-files.c"
as_catalog < "$work/find-others" > "$work/find-others.c"
sort "$work/tarrow" > "$work/tarrow.c"
sort -m "$work/find-files.c" "$work/find-others.c" > "$work/find-all.c"

echo "find: $(wc -l < "$work/find-files.c") regular files in $(echo "$end - $start" | bc) s," \
     "$(wc -l < "$work/find-others.c") links and special files"
echo "tarrow: $(wc -l < "$work/tarrow.c") entries"
missing=$(comm -23 "$work/find-files.c" "$work/tarrow.c" | wc -l)
extra=$(comm -13 "$work/find-all.c" "$work/tarrow.c" | wc -l)
echo "regular files find lists that tarrow does not: $missing"
comm -23 "$work/find-files.c" "$work/tarrow.c" | head -5
echo "entries tarrow lists that are neither a regular file, a link nor a special file: $extra"
comm -13 "$work/find-all.c" "$work/tarrow.c" | head -5
