#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# hostfacts against the tools a user would otherwise run for host facts
# (neofetch, screenfetch, facter), in one run: the median wall time of a
# whole report of each, and how many times faster hostfacts is.
# Goals: a whole report in under 5 ms median, at least 50 times faster than
# the fastest peer; the report of compatibility version 1 (hostfacts -c 1)
# in under 3 ms median and at most 1.3 times the time of version 0, both
# timed in turn in one run.
# Usage: bench/hostfacts.sh [path/to/hostfacts] [runs] [peer_runs]
set -eu
here=$(dirname "$0")
hostfacts=${1:-}
if [ -z "$hostfacts" ]; then
    for candidate in "$here/../build/bin/hostfacts" "$here/../build-hostfacts/bin/hostfacts"; do
        [ -x "$candidate" ] && { hostfacts=$candidate; break; }
    done
fi
[ -n "$hostfacts" ] && [ -x "$hostfacts" ] || { echo "no hostfacts found; give its path" >&2; exit 1; }
runs=${2:-201}
peer_runs=${3:-9}

. "$here/peer_install.sh"
install perl perl-base || { echo "perl is needed" >&2; exit 1; }

# Median wall seconds of running a command (no shell in between), its
# output thrown away; the command must succeed unless LENIENT is set.
median() {  # runs, command...
    perl -MTime::HiRes=time -e '
        my $lenient = $ENV{LENIENT} // "";
        my $runs = shift @ARGV;
        my @t;
        for (1 .. $runs) {
            my $s = time;
            my $pid = fork() // die "fork: $!\n";
            if ($pid == 0) {
                open(STDOUT, ">", "/dev/null"); open(STDERR, ">", "/dev/null");
                exec { $ARGV[0] } @ARGV or exit 127;
            }
            waitpid($pid, 0);
            $? == 0 or $lenient or die "failed: @ARGV\n";
            push @t, time - $s;
        }
        @t = sort { $a <=> $b } @t;
        printf "%.6f\n", $t[int(@t / 2)];
    ' "$@"
}

ms() { perl -e 'printf "%.3f", $ARGV[0] * 1000' "$1"; }

# Two commands run in turn, so that both see the same state of the machine:
# for each the median, the 10th and the 90th percentile of the wall time,
# in seconds, on one line each; then the ratio of the medians (second to
# first).
paired() {  # runs, first command, second command (each one word)
    perl -MTime::HiRes=time -e '
        my ($runs, @commands) = @ARGV;
        my @t = ([], []);
        for (1 .. $runs) {
            for my $i (0, 1) {
                my $s = time;
                my $pid = fork() // die "fork: $!\n";
                if ($pid == 0) {
                    open(STDOUT, ">", "/dev/null"); open(STDERR, ">", "/dev/null");
                    my @argv = split / /, $commands[$i];
                    exec { $argv[0] } @argv or exit 127;
                }
                waitpid($pid, 0);
                $? == 0 or die "failed: $commands[$i]\n";
                push @{$t[$i]}, time - $s;
            }
        }
        my @median;
        for my $i (0, 1) {
            my @s = sort { $a <=> $b } @{$t[$i]};
            push @median, $s[int(@s / 2)];
            printf "%.6f %.6f %.6f\n", $s[int(@s / 2)], $s[int(@s / 10)], $s[int(@s * 9 / 10)];
        }
        printf "%.3f\n", $median[1] / $median[0];
    ' "$@"
}

export LC_ALL=C.UTF-8
median 5 "$hostfacts" >/dev/null  # warm the caches
# The cost of starting any program here, for reference: a report cannot
# take less than this. An empty statically linked program is the floor of
# process creation alone (no shared library loading), when a C compiler
# with a static C library is at hand.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
empty=
if command -v cc >/dev/null 2>&1 &&
    printf 'int main(void) { return 0; }\n' >"$scratch/empty.c" &&
    cc -O2 -static -o "$scratch/empty" "$scratch/empty.c" 2>/dev/null; then
    empty=$(median "$runs" "$scratch/empty")
fi
floor=$(median "$runs" /bin/true)
own=$(median "$runs" "$hostfacts")
if [ -n "$empty" ]; then
    printf '%-12s %10s ms  (median of %d; an empty static program: creating a process at all)\n' \
        "empty" "$(ms "$empty")" "$runs"
fi
printf '%-12s %10s ms  (median of %d; a shared program doing nothing)\n' /bin/true "$(ms "$floor")" "$runs"
printf '%-12s %10s ms  (median of %d; %s ms above /bin/true)\n' hostfacts "$(ms "$own")" "$runs" \
    "$(perl -e 'printf "%.3f", ($ARGV[0] - $ARGV[1]) * 1000' "$own" "$floor")"

# Version 1 reads a few more files (os-release, the processor model, the
# routing tables) than version 0.
set -- $(paired "$runs" "$hostfacts" "$hostfacts -c 1")
v0_median=$1 v0_p10=$2 v0_p90=$3 v1_median=$4 v1_p10=$5 v1_p90=$6 v1_ratio=$7
printf '%-12s %10s ms  (median of %d in turn with -c 1; 10th-90th percentile %s-%s ms)\n' \
    "hostfacts" "$(ms "$v0_median")" "$runs" "$(ms "$v0_p10")" "$(ms "$v0_p90")"
printf '%-12s %10s ms  (median of %d; 10th-90th percentile %s-%s ms)  %sx the time of version 0\n' \
    "hostfacts -c 1" "$(ms "$v1_median")" "$runs" "$(ms "$v1_p10")" "$(ms "$v1_p90")" "$v1_ratio"

fastest=
fastest_name=
for peer in neofetch screenfetch facter; do
    if ! install "$peer" "$peer"; then
        echo "$peer: not available, skipped"
        continue
    fi
    case $peer in
    neofetch) set -- neofetch --stdout ;;
    screenfetch) set -- screenfetch -n -N ;;
    facter) set -- facter ;;
    esac
    # A peer counts when it writes facts, whatever its exit status: facter
    # ends with 1 when some of its sources are closed to it.
    if [ -z "$("$@" 2>/dev/null | head -c 1)" ]; then
        echo "$peer: writes nothing here, skipped"
        continue
    fi
    t=$(LENIENT=1 median "$peer_runs" "$@")
    ratio=$(perl -e 'printf "%.1f", $ARGV[0] / $ARGV[1]' "$t" "$own")
    printf '%-12s %10s ms  (median of %d)  hostfacts is %sx faster\n' "$peer" "$(ms "$t")" "$peer_runs" "$ratio"
    if [ -z "$fastest" ] || perl -e 'exit !($ARGV[0] < $ARGV[1])' "$t" "$fastest"; then
        fastest=$t
        fastest_name=$peer
    fi
done

goal_time=$(perl -e 'print $ARGV[0] < 0.005 ? "met" : "MISSED"' "$own")
echo "goal: whole report under 5 ms median: $(ms "$own") ms, $goal_time"
echo "goal: version 1 under 3 ms median: $(ms "$v1_median") ms, $(perl -e 'print $ARGV[0] < 0.003 ? "met" : "MISSED"' "$v1_median")"
echo "goal: version 1 at most 1.3x version 0: ${v1_ratio}x, $(perl -e 'print $ARGV[0] <= 1.3 ? "met" : "MISSED"' "$v1_ratio")"
if [ -n "$fastest" ]; then
    ratio=$(perl -e 'printf "%.1f", $ARGV[0] / $ARGV[1]' "$fastest" "$own")
    goal_ratio=$(perl -e 'print $ARGV[0] >= 50 ? "met" : "MISSED"' "$ratio")
    echo "goal: at least 50x faster than the fastest peer ($fastest_name): ${ratio}x, $goal_ratio"
else
    echo "goal: at least 50x faster than the fastest peer: no peer available"
fi
