#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# hostfacts against the tools a user would otherwise run for host facts
# (neofetch, screenfetch, facter), in one run: the median wall time of a
# whole report of each, and how many times faster hostfacts is.
# Goals: a whole report in under 5 ms median, at least 50 times faster than
# the fastest peer.
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
if [ -n "$fastest" ]; then
    ratio=$(perl -e 'printf "%.1f", $ARGV[0] / $ARGV[1]' "$fastest" "$own")
    goal_ratio=$(perl -e 'print $ARGV[0] >= 50 ? "met" : "MISSED"' "$ratio")
    echo "goal: at least 50x faster than the fastest peer ($fastest_name): ${ratio}x, $goal_ratio"
else
    echo "goal: at least 50x faster than the fastest peer: no peer available"
fi
