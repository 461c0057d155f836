#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# glyphpad against peer tools doing the same work, in one run; prints the
# time of each and glyphpad's ratio (below 1: glyphpad is faster).
# Usage: bench/glyphpad.sh [path/to/glyphpad]
set -eu
glyphpad=${1:-"$(dirname "$0")/../build/bin/glyphpad"}
[ -x "$glyphpad" ] || { echo "no glyphpad at $glyphpad" >&2; exit 1; }
perl -MTime::HiRes -e 1 2>/dev/null || { apt-get update >/dev/null && apt-get install -y perl >/dev/null; }
awk=$(command -v awk)
export LC_ALL=C.UTF-8
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Seconds (wall) for a shell command, best of three.
seconds() {
    perl -MTime::HiRes=time -e '
        my $best;
        for (1 .. 3) {
            my $s = time;
            system("sh", "-c", $ARGV[0]);
            my $t = time - $s;
            $best = $t if !defined $best || $t < $best;
        }
        printf "%.4f\n", $best' "$1"
}

compare() {
    label=$1 ours=$2 theirs=$3
    a=$(seconds "$ours")
    b=$(seconds "$theirs")
    perl -e 'printf "%-34s glyphpad %8.4f s   peer %8.4f s   ratio %6.2f\n", @ARGV[0..2], $ARGV[2] > 0 ? $ARGV[1] / $ARGV[2] : 0' \
        "$label" "$a" "$b"
}

# 200 million blanks after a text: a fill far beyond any buffer.
compare "fill 2e8 spaces" \
    "'$glyphpad' -i -200000001 x > /dev/null" \
    "head -c 200000000 /dev/zero | tr '\\\\0' ' ' > /dev/null"

# 1024 lines framed and centred, repeated 200 times.
seq 1 1024 | sed 's/$/ some text/' > "$work/lines"
compare "frame 1024 lines x200 (centre)" \
    "i=0; while [ \$i -lt 200 ]; do '$glyphpad' -x 60 -C '|' '|' < '$work/lines'; i=\$((i+1)); done > /dev/null" \
    "i=0; while [ \$i -lt 200 ]; do $awk '{ r = 58 - length(\$0); h = int(r / 2); printf \"|%*s%s%*s|\\n\", h, \"\", \$0, r - h, \"\" }' '$work/lines'; i=\$((i+1)); done > /dev/null"

# A separator line, 2000 runs (start-up cost dominates).
compare "separator x2000" \
    "i=0; while [ \$i -lt 2000 ]; do '$glyphpad' -x 4096 -s '[' '=-' ']'; i=\$((i+1)); done > /dev/null" \
    "i=0; while [ \$i -lt 2000 ]; do printf '[%s]' \"\$(printf '=-%.0s' \$(seq 2047))\"; i=\$((i+1)); done > /dev/null"
