#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Start-up of the six programs against an empty C program and `cat
# /dev/null`, in one run: a small C helper built here starts each command in
# turn with posix_spawn, RUNS rounds (at least 300), and prints the medians
# of each one's wall time and CPU time (user and system) with their
# quartiles. Each program runs --version: the frame's whole start (locale,
# catalog, option loop) and one line of output. Two passes: LANG as the
# caller has it, and LANG unset.
# Goal: every program's median within 1.05 x that of `cat /dev/null`,
# judged on CPU time: on a shared machine the wall time also measures the
# neighbours (its ratio is printed beside).
# Usage: bench/startup.sh [bin_dir] [runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-"$here/../build/bin"}
runs=${2:-300}
[ "$runs" -ge 300 ] || { echo "at least 300 runs" >&2; exit 1; }
programs="tagsnip glyphpad hostfacts epochfmt epochscan dozejitter"
for p in $programs; do
    [ -x "$bin/$p" ] || { echo "no $p in $bin" >&2; exit 1; }
done
cc=$(command -v cc || command -v gcc || command -v clang) || { echo "no C compiler" >&2; exit 1; }
cat=$(command -v cat)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$cc" -O2 -o "$work/startup_spawn" "$here/startup_spawn.c"
printf 'int main(void) { return 0; }\n' > "$work/empty.c"
"$cc" -O2 -o "$work/empty" "$work/empty.c"

set -- "$work/empty" -- "$cat" /dev/null
for p in $programs; do
    set -- "$@" -- "$bin/$p" --version
done
# Shown, not judged: glyphpad at work on one word, which decodes it (in
# the C locale that loads the C.UTF-8 character tables, as it must).
set -- "$@" -- "$bin/glyphpad" -x 20 -c title
labels="empty cat $programs glyphpad-c"

# One pass: the table and the verdict. $1: what the pass is called; $2:
# "unset" to start the commands without LANG; the rest: the commands.
pass() {
    title=$1
    lang=$2
    shift 2
    echo "$title ($runs rounds; milliseconds: median (quartiles))"
    if [ "$lang" = unset ]; then
        env -u LANG "$work/startup_spawn" "$runs" "$@"
    else
        "$work/startup_spawn" "$runs" "$@"
    fi > "$work/times"
    awk -v labels="$labels" '
        BEGIN {
            n = split(labels, name, " ")
            printf "  %-11s %-28s %-28s %s\n", "", "CPU", "wall", "x cat: CPU  wall"
        }
        {
            wall[NR] = $1; wall25[NR] = $2; wall75[NR] = $3
            cpu[NR] = $5; cpu25[NR] = $6; cpu75[NR] = $7
        }
        END {
            missed = 0
            for (i = 1; i <= n; ++i) {
                ratio = cpu[i] / cpu[2]
                mark = ""
                if (i > 2 && i < n && ratio > 1.05) { mark = "  over 1.05"; missed = 1 }
                if (i == n) mark = "  (not judged)"
                printf "  %-11s %7.3f (%7.3f - %7.3f)  %7.3f (%7.3f - %7.3f)  %5.3f %5.3f%s\n", name[i],
                       cpu[i], cpu25[i], cpu75[i], wall[i], wall25[i], wall75[i], ratio, wall[i] / wall[2], mark
            }
            print missed ? "  goal missed: a program above 1.05 x cat" : "  goal met: every program within 1.05 x cat"
        }' "$work/times"
}

pass "LANG=${LANG-(unset)}${LC_ALL:+ LC_ALL=$LC_ALL}" caller "$@"
pass "LANG unset${LC_ALL:+ (LC_ALL=$LC_ALL)}" unset "$@"
