#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Fails when two files of the source tree include each other's headers
# (a.cpp or a.hpp includes b.hpp, and b.cpp or b.hpp includes a.hpp): a
# header made only to break such a loop, or two files that each reach into
# the other, makes a change in one of them a change in both.
# Usage: include_pairs.sh SOURCE_DIR
set -eu
cd "$1"
edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
for dir in frame tagsnip glyphpad hostfacts timestamp epochfmt epochscan dozejitter tests fuzz bench; do
    [ -d "$dir" ] || continue
    find "$dir" -type f \( -name '*.cpp' -o -name '*.hpp' -o -name '*.c' -o -name '*.h' \)
done | while read -r file; do
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
        while read -r header; do
            printf '%s %s\n' "${file%.*}" "${header%.*}"
        done
done | sort -u >"$edges"
awk '$1 != $2 { edge[$1 " " $2] = 1 }
     END {
         bad = 0
         for (e in edge) {
             split(e, p, " ")
             if (p[1] < p[2] && ((p[2] " " p[1]) in edge)) {
                 print "include each other'"'"'s headers: " p[1] " and " p[2]
                 bad = 1
             }
         }
         exit bad
     }' "$edges"
