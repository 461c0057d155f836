#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# epochfmt and epochscan against GNU date and dateutils on the same times, in
# one run, outputs checked against the expected output:
#  1. values as command-line operands (one process for all of them): wall-time
#     medians of RUNS runs of each command in a row;
#  2. values read from one file with --file (the peers read the same file):
#     the commands run in turns, FILE_RUNS times, each into a new output file
#     (all outputs checked first); medians with their spread (fastest and
#     slowest run) of CPU time (user + system), which other work on a shared
#     machine disturbs much less than wall time, and of wall time, and the
#     peak resident memory. A ratio is that of the CPU-time medians with, in
#     brackets, the least and the most it could be from the spreads, and the
#     ratio of the wall-time medians beside it;
#  3. the start-up cost of one conversion, as in 1.
# Goals, operands: both programs at least 3 times faster per value than GNU
# date and at least as fast as dateutils; one epochfmt run no slower than one
# date run.
# Goals, --file: epochfmt at least 2 times faster than dateutils.dconv and 5
# times faster than date -u -f; epochscan at least 2 times faster than
# dateutils.strptime and 5 times faster than date -u -f ... +%s; the peak
# resident memory of both below 8 MiB.
# Goals, --file in a time zone (the same values): epochfmt --zone=Europe/Berlin
# at least 2 times faster than dateutils.dconv -z Europe/Berlin, epochscan
# --zone=America/New_York at least 2 times faster than dateutils.dconv
# --from-zone=America/New_York, each at most 1.5 times the CPU time of its own
# UTC run, memory as in UTC.
# Usage: bench/timestamps.sh [bin_dir] [values] [runs] [start_runs] [file_values] [file_runs]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=${1:-$here/../build/bin}
values=${2:-50000}
runs=${3:-7}
start_runs=${4:-301}
file_values=${5:-1000000}
file_runs=${6:-5}
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
template='%Y-%m-%d %H:%M:%S'
date=$(command -v date)

# Deterministic seconds from 1970 to 2100 (a Park-Miller sequence).
awk -v n="$file_values" 'BEGIN { x = 20261209; for (i = 0; i < n; i++) {
    x = (x * 16807) % 2147483647; printf "%d\n", (x * 2) % 4102444800 } }' >"$work/file_seconds"
sed 's/^/@/' "$work/file_seconds" >"$work/file_at_seconds"
"$date" -u -f "$work/file_at_seconds" "+$template" >"$work/file_texts"
TZ=America/New_York "$date" -f "$work/file_at_seconds" "+$template" >"$work/file_ny_texts"
head -n "$values" "$work/file_seconds" >"$work/seconds"
head -n "$values" "$work/file_at_seconds" >"$work/at_seconds"
head -n "$values" "$work/file_texts" >"$work/texts"

# A small C runner times the runs: a perl or shell loop adds milliseconds of
# its own to a command line of 50,000 arguments.
cc -O2 -o "$work/median_run" "$here/median_run.c" || { echo "a C compiler is needed" >&2; exit 1; }

# once NAME STDIN STDOUT ARGS_FILE|- COMMAND...: one timed run of a command,
# its figures added to NAME's. The commands compared are run in turns, so
# that other work on the machine weighs on each alike. The output goes to a
# new file: truncating the last run's output would be timed with the run.
once() {
    name=$1
    shift
    case $2 in /dev/*) ;; *) rm -f "$2" ;; esac
    "$work/median_run" 1 "$@" >>"$work/$name.runs" || { echo "$name: the command failed" >&2; exit 1; }
}
# summary NAME: sets NAME_wall, NAME_wall_min, NAME_wall_max, NAME_cpu,
# NAME_cpu_min, NAME_cpu_max (seconds: medians, fastest, slowest) and
# NAME_rss (the largest peak, KiB) from NAME's runs.
summary() {
    eval "$(perl -e 'my $name = shift; my (@wall, @cpu, $rss);
        while (<>) { my @f = split; push @wall, $f[0]; push @cpu, $f[3]; $rss = $f[6] if $f[6] > ($rss // 0) }
        for (\@wall, \@cpu) { @$_ = sort { $a <=> $b } @$_ }
        my $m = int(@wall / 2);
        printf "%s_wall=%s %s_wall_min=%s %s_wall_max=%s %s_cpu=%s %s_cpu_min=%s %s_cpu_max=%s %s_rss=%s\n",
            map({ ($name, $_) } $wall[$m], $wall[0], $wall[-1], $cpu[$m], $cpu[0], $cpu[-1], $rss)' "$1" "$work/$1.runs")"
}
# median RUNS STDIN STDOUT ARGS_FILE|- COMMAND...: the median wall seconds
# of RUNS runs in a row.
median() {
    set -- $("$work/median_run" "$@")
    echo "$1"
}
rate() { perl -e 'printf "%10.0f/s", $ARGV[0] / $ARGV[1]' "$values" "$1"; }
ratio() { perl -e 'printf "%.2f", $ARGV[0] / $ARGV[1]' "$1" "$2"; }
verdict() { perl -e 'print $ARGV[0] >= $ARGV[1] ? "met" : "not met"' "$1" "$2"; }
same() {  # what, expected file, actual file
    cmp -s "$2" "$3" || { echo "$1: output differs from the expected output" >&2; exit 1; }
}
value() { eval "echo \$$1"; }
# show LABEL NAME COUNT: one line of figures for a measured command.
show() {
    perl -e 'my ($label, $count, @t) = @ARGV;
        printf "%-30s cpu %8.2f ms (%.2f-%.2f)  wall %8.2f ms (%.2f-%.2f)  %5d KiB%s\n",
            $label, map({ $_ * 1000 } @t[3, 4, 5, 0, 1, 2]), $t[6],
            $count > 1 ? sprintf("  %.2f M/s", $count / $t[3] / 1e6) : ""' \
        "$1" "$3" "$(value "$2_wall")" "$(value "$2_wall_min")" "$(value "$2_wall_max")" \
        "$(value "$2_cpu")" "$(value "$2_cpu_min")" "$(value "$2_cpu_max")" "$(value "$2_rss")"
}
# goal TEXT OURS PEER AT_LEAST: how many times faster OURS is than PEER in CPU
# time, judged against AT_LEAST, with the wall-time ratio beside it.
goal() {
    perl -e 'my ($text, $at_least, @t) = @ARGV;
        my ($cpu, $lo, $hi, $wall) = ($t[4] / $t[0], $t[5] / $t[2], $t[6] / $t[1], $t[7] / $t[3]);
        printf "goal: %s: at least %gx faster: %.2fx (%.2f-%.2f), wall %.2fx: %s\n",
            $text, $at_least, $cpu, $lo, $hi, $wall, $cpu >= $at_least ? "met" : "not met"' \
        "$1" "$4" "$(value "$2_cpu")" "$(value "$2_cpu_min")" "$(value "$2_cpu_max")" "$(value "$2_wall")" \
        "$(value "$3_cpu")" "$(value "$3_cpu_min")" "$(value "$3_cpu_max")" "$(value "$3_wall")"
}
# at_most TEXT OURS BASE AT_MOST: OURS' CPU time as a multiple of BASE's,
# judged against AT_MOST, with the spread and the wall-time ratio beside it.
at_most() {
    perl -e 'my ($text, $at_most, @t) = @ARGV;
        my ($cpu, $lo, $hi, $wall) = ($t[0] / $t[4], $t[1] / $t[6], $t[2] / $t[5], $t[3] / $t[7]);
        printf "goal: %s: at most %gx: %.2fx (%.2f-%.2f), wall %.2fx: %s\n",
            $text, $at_most, $cpu, $lo, $hi, $wall, $cpu <= $at_most ? "met" : "not met"' \
        "$1" "$4" "$(value "$2_cpu")" "$(value "$2_cpu_min")" "$(value "$2_cpu_max")" "$(value "$2_wall")" \
        "$(value "$3_cpu")" "$(value "$3_cpu_min")" "$(value "$3_cpu_max")" "$(value "$3_wall")"
}
# rss_goal TEXT NAME: peak resident memory below 8 MiB.
rss_goal() {
    perl -e 'printf "goal: %s: peak resident memory below 8 MiB: %d KiB: %s\n",
        $ARGV[0], $ARGV[1], $ARGV[1] < 8192 ? "met" : "not met"' "$1" "$(value "$2_rss")"
}

echo "== $values values as operands, median of $runs runs each"
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

echo "== $file_values values from one file, median of $file_runs runs each"
# Outputs first: every program against date's texts and the seconds.
"$bin/epochfmt" --file="$work/file_seconds" >"$work/out"
same "epochfmt --file" "$work/file_texts" "$work/out"
"$bin/epochscan" -s --file="$work/file_texts" >"$work/out"
same "epochscan --file" "$work/file_seconds" "$work/out"
"$date" -u -f "$work/file_texts" +%s >"$work/out"
same "date -f ... +%s" "$work/file_seconds" "$work/out"
# In a zone: epochfmt against date in that zone, for every value.
"$bin/epochfmt" --zone=Europe/Berlin --file="$work/file_seconds" >"$work/out"
TZ=Europe/Berlin "$date" -f "$work/file_at_seconds" "+$template" >"$work/expected"
same "epochfmt --zone --file" "$work/expected" "$work/out"
# before_2038 FILE: the lines of FILE whose value (in file_seconds, line by
# line) lies before 2038. dateutils knows a zone's changes up to the end of
# its file's table only (2037), and keeps the last offset after it, where the
# zone's rule goes on; so it is compared with on those values.
before_2038() {
    paste "$work/file_seconds" "$1" | awk -F '\t' '$1 < 2145916800 { print $2 }'
}
if [ "$have_dateutils" = yes ]; then
    dateutils.dconv -i %s -z Europe/Berlin -f "$template" <"$work/file_seconds" >"$work/peer"
    before_2038 "$work/peer" >"$work/expected"
    before_2038 "$work/out" >"$work/compared"
    same "epochfmt --zone --file, before 2038" "$work/expected" "$work/compared"
    "$bin/epochscan" -s --zone=America/New_York --file="$work/file_ny_texts" >"$work/out"
    dateutils.dconv --from-zone=America/New_York -i "$template" -f %s <"$work/file_ny_texts" >"$work/peer"
    before_2038 "$work/peer" >"$work/expected"
    before_2038 "$work/out" >"$work/compared"
    same "epochscan --zone --file, before 2038" "$work/expected" "$work/compared"
    echo "zone outputs: epochfmt checked against date for all $file_values values, both against dateutils for the $(wc -l <"$work/compared" | tr -d ' ') before 2038"
fi
if [ "$have_dateutils" = yes ]; then
    dateutils.dconv -i %s -f "$template" <"$work/file_seconds" >"$work/out"
    same dateutils.dconv "$work/file_texts" "$work/out"
    dateutils.strptime -i "$template" -f %s <"$work/file_texts" >"$work/out"
    same dateutils.strptime "$work/file_seconds" "$work/out"
fi
i=0
while [ "$i" -lt "$file_runs" ]; do
    once file_fmt /dev/null "$work/out" - "$bin/epochfmt" --file="$work/file_seconds"
    once file_date_fmt /dev/null "$work/out" - "$date" -u -f "$work/file_at_seconds" "+$template"
    once file_scan /dev/null "$work/out" - "$bin/epochscan" -s --file="$work/file_texts"
    once file_date_scan /dev/null "$work/out" - "$date" -u -f "$work/file_texts" +%s
    once file_fmt_zone /dev/null "$work/out" - "$bin/epochfmt" --zone=Europe/Berlin --file="$work/file_seconds"
    once file_scan_zone /dev/null "$work/out" - "$bin/epochscan" -s --zone=America/New_York --file="$work/file_ny_texts"
    if [ "$have_dateutils" = yes ]; then
        once file_dconv "$work/file_seconds" "$work/out" - "$(command -v dateutils.dconv)" -i %s -f "$template"
        once file_strptime "$work/file_texts" "$work/out" - "$(command -v dateutils.strptime)" -i "$template" -f %s
        once file_dconv_zone "$work/file_seconds" "$work/out" - "$(command -v dateutils.dconv)" -i %s \
            -z Europe/Berlin -f "$template"
        once file_dconv_from_zone "$work/file_ny_texts" "$work/out" - "$(command -v dateutils.dconv)" \
            --from-zone=America/New_York -i "$template" -f %s
    fi
    i=$((i + 1))
done
for name in file_fmt file_date_fmt file_scan file_date_scan file_fmt_zone file_scan_zone; do summary "$name"; done
show "epochfmt --file" file_fmt "$file_values"
show "date -u -f ... +FORMAT" file_date_fmt "$file_values"
show "epochscan -s --file" file_scan "$file_values"
show "date -u -f ... +%s" file_date_scan "$file_values"
show "epochfmt --zone --file" file_fmt_zone "$file_values"
show "epochscan --zone --file" file_scan_zone "$file_values"
if [ "$have_dateutils" = yes ]; then
    summary file_dconv
    summary file_strptime
    summary file_dconv_zone
    summary file_dconv_from_zone
    show "dateutils.dconv" file_dconv "$file_values"
    show "dateutils.strptime" file_strptime "$file_values"
    show "dateutils.dconv -z" file_dconv_zone "$file_values"
    show "dateutils.dconv --from-zone" file_dconv_from_zone "$file_values"
    goal "epochfmt --file vs dateutils.dconv" file_fmt file_dconv 2
    goal "epochscan --file vs dateutils.strptime" file_scan file_strptime 2
    goal "epochfmt --zone=Europe/Berlin --file vs dateutils.dconv -z" file_fmt_zone file_dconv_zone 2
    goal "epochscan --zone=America/New_York --file vs dateutils.dconv --from-zone" file_scan_zone \
        file_dconv_from_zone 2
else
    echo "dateutils: not available; its goals are not checked"
fi
goal "epochfmt --file vs date -u -f" file_fmt file_date_fmt 5
goal "epochscan --file vs date -u -f ... +%s" file_scan file_date_scan 5
at_most "epochfmt --zone --file, CPU time of the UTC run" file_fmt_zone file_fmt 1.5
at_most "epochscan --zone --file, CPU time of the UTC run" file_scan_zone file_scan 1.5
rss_goal "epochfmt --file" file_fmt
rss_goal "epochscan --file" file_scan
rss_goal "epochfmt --zone --file" file_fmt_zone
rss_goal "epochscan --zone --file" file_scan_zone

echo "== start-up: one value, one process, median of $start_runs runs each"
echo 1700000000 >"$work/one"
t_one=$(median "$start_runs" /dev/null "$work/one.out" - "$bin/epochfmt" 1700000000)
t_date_one=$(median "$start_runs" /dev/null "$work/date_one.out" - "$(command -v date)" -u -d @1700000000 '+%Y-%m-%d %H:%M:%S')
same "one value" "$work/one.out" "$work/date_one.out"
printf '%-22s %8.3f ms\n' "epochfmt, one value" "$(perl -e 'print $ARGV[0] * 1000' "$t_one")"
printf '%-22s %8.3f ms\n' "date, one value" "$(perl -e 'print $ARGV[0] * 1000' "$t_date_one")"
r_one=$(ratio "$t_date_one" "$t_one")
echo "goal: one epochfmt run no slower than one date run: ${r_one}x, $(verdict "$r_one" 1)"
