#!/bin/sh
# epochfmt and epochscan against GNU date and dateutils on the same times, in
# one run: conversions per second of one process over all values, and the
# start-up cost of one conversion.
# Goals: both programs at least 3 times faster per value than GNU date and at
# least as fast as dateutils; one epochfmt run no slower than one date run.
# Usage: bench/timestamps.sh [bin_dir] [values] [runs] [start_runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-$here/../build/bin}
values=${2:-50000}
runs=${3:-7}
start_runs=${4:-301}
for program in epochfmt epochscan; do
    [ -x "$bin/$program" ] || { echo "no $bin/$program; build first or give the bin directory" >&2; exit 1; }
done

. "$here/peer_install.sh"
install perl perl-base || { echo "perl is needed" >&2; exit 1; }
install date coreutils || { echo "GNU date is needed" >&2; exit 1; }
have_dateutils=yes
install dateutils.dconv dateutils || have_dateutils=no

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
export LC_ALL=C.UTF-8 TZ=UTC0

# Deterministic seconds from 1970 to 2100 (a Park-Miller sequence).
awk -v n="$values" 'BEGIN { x = 20261209; for (i = 0; i < n; i++) {
    x = (x * 16807) % 2147483647; printf "%d\n", (x * 2) % 4102444800 } }' >"$work/seconds"
sed 's/^/@/' "$work/seconds" >"$work/at_seconds"
date -u -f "$work/at_seconds" '+%Y-%m-%d %H:%M:%S' >"$work/texts"

# Median wall seconds of a command with standard input and output redirected
# to files; ARGS_FILE's lines become arguments (one process for all values).
# A small C runner: a perl or shell loop adds milliseconds of its own to a
# command line of 50,000 arguments.
cc -O2 -o "$work/median_run" "$here/median_run.c" || { echo "a C compiler is needed" >&2; exit 1; }
median() {  # runs, stdin, stdout, args_file or -, command...
    "$work/median_run" "$@"
}
same() {  # what, expected file, actual file
    cmp -s "$2" "$3" || { echo "$1: output differs from the expected output" >&2; exit 1; }
}
rate() { perl -e 'printf "%10.0f/s", $ARGV[0] / $ARGV[1]' "$values" "$1"; }
ratio() { perl -e 'printf "%.2f", $ARGV[0] / $ARGV[1]' "$1" "$2"; }
verdict() { perl -e 'print $ARGV[0] >= $ARGV[1] ? "met" : "MISSED"' "$1" "$2"; }

echo "$values values, median of $runs runs each"
t_fmt=$(median "$runs" /dev/null "$work/fmt.out" "$work/seconds" "$bin/epochfmt" -s --)
same epochfmt "$work/texts" "$work/fmt.out"
t_date_fmt=$(median "$runs" /dev/null "$work/date_fmt.out" - "$(command -v date)" -u -f "$work/at_seconds" '+%Y-%m-%d %H:%M:%S')
same "date -f" "$work/texts" "$work/date_fmt.out"
t_scan=$(median "$runs" /dev/null "$work/scan.out" "$work/texts" "$bin/epochscan" -s)
same epochscan "$work/seconds" "$work/scan.out"
t_date_scan=$(median "$runs" /dev/null "$work/date_scan.out" - "$(command -v date)" -u -f "$work/texts" +%s)
same "date +%s" "$work/seconds" "$work/date_scan.out"

# Handing 50,000 operands to a program costs something before it runs.
t_floor=$(median "$runs" /dev/null /dev/null "$work/seconds" /bin/true)
printf '%-22s %8.3f ms  (passing the operands to /bin/true)\n' "operands alone" "$(perl -e 'print $ARGV[0] * 1000' "$t_floor")"
printf '%-22s %s\n' "epochfmt" "$(rate "$t_fmt")"
printf '%-22s %s\n' "date -f ... +FORMAT" "$(rate "$t_date_fmt")"
printf '%-22s %s\n' "epochscan -s" "$(rate "$t_scan")"
printf '%-22s %s\n' "date -f ... +%s" "$(rate "$t_date_scan")"
r_fmt=$(ratio "$t_date_fmt" "$t_fmt")
r_scan=$(ratio "$t_date_scan" "$t_scan")
echo "goal: epochfmt at least 3x faster than date: ${r_fmt}x, $(verdict "$r_fmt" 3)"
echo "goal: epochscan at least 3x faster than date: ${r_scan}x, $(verdict "$r_scan" 3)"

if [ "$have_dateutils" = yes ]; then
    t_dconv=$(median "$runs" "$work/seconds" "$work/dconv.out" - "$(command -v dateutils.dconv)" -i %s -f '%Y-%m-%d %H:%M:%S')
    same dateutils.dconv "$work/texts" "$work/dconv.out"
    t_strptime=$(median "$runs" "$work/texts" "$work/strptime.out" - "$(command -v dateutils.strptime)" -i '%Y-%m-%d %H:%M:%S' -f %s)
    same dateutils.strptime "$work/seconds" "$work/strptime.out"
    printf '%-22s %s\n' "dateutils.dconv" "$(rate "$t_dconv")"
    printf '%-22s %s\n' "dateutils.strptime" "$(rate "$t_strptime")"
    r_dconv=$(ratio "$t_dconv" "$t_fmt")
    r_strptime=$(ratio "$t_strptime" "$t_scan")
    echo "goal: epochfmt at least as fast as dateutils.dconv: ${r_dconv}x, $(verdict "$r_dconv" 1)"
    echo "goal: epochscan at least as fast as dateutils.strptime: ${r_strptime}x, $(verdict "$r_strptime" 1)"
else
    echo "dateutils: not available, skipped"
fi

# Start-up: one value, one process.
echo 1700000000 >"$work/one"
t_one=$(median "$start_runs" /dev/null "$work/one.out" - "$bin/epochfmt" 1700000000)
t_date_one=$(median "$start_runs" /dev/null "$work/date_one.out" - "$(command -v date)" -u -d @1700000000 '+%Y-%m-%d %H:%M:%S')
same "one value" "$work/one.out" "$work/date_one.out"
printf '%-22s %8.3f ms\n' "epochfmt, one value" "$(perl -e 'print $ARGV[0] * 1000' "$t_one")"
printf '%-22s %8.3f ms\n' "date, one value" "$(perl -e 'print $ARGV[0] * 1000' "$t_date_one")"
r_one=$(ratio "$t_date_one" "$t_one")
echo "goal: one epochfmt run no slower than one date run: ${r_one}x, $(verdict "$r_one" 1)"
