#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Runs the libFuzzer targets built into BUILD/fuzz (make fuzz).
#
#   sh fuzz/run.sh smoke BUILD SECONDS           every target: replay its corpus,
#                                                then fuzz it for SECONDS
#   sh fuzz/run.sh run BUILD SECONDS TARGET      one target for SECONDS
#   sh fuzz/run.sh merge BUILD 0 TARGET          add the inputs found by runs
#                                                that bring new coverage to the corpus
#
# The corpus of a target is fuzz/corpus/TARGET; inputs found while fuzzing go
# to BUILD/work/TARGET, never into the corpus itself. An input that crashes a
# target is kept as BUILD/artifacts/TARGET-crash-...: once the fault is
# fixed, copy it into the corpus, where every later run replays it.
# Each run ends with a summary line: executions, executions per second,
# coverage (edges, features) and the corpus size. Exit status 1 when any
# target failed.
set -u
[ $# -ge 3 ] || { echo "usage: sh fuzz/run.sh smoke|run|merge BUILD SECONDS [TARGET]" >&2; exit 2; }
mode=$1
build=$2
seconds=$3
target=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
bin=$build/fuzz
mkdir -p "$build/work" "$build/artifacts" "$build/logs"

# The names of the built targets.
targets() {
    for f in "$bin"/fuzz_*; do
        [ -x "$f" ] && basename "$f" | sed 's/^fuzz_//'
    done
}

# run_target NAME ARGS...: the target with the options of every run, and its
# dictionary when it has one.
run_target() {
    t=$1
    shift
    dict=
    [ -f "$here/dict/$t.dict" ] && dict="-dict=$here/dict/$t.dict"
    "$bin/fuzz_$t" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        "-artifact_prefix=$build/artifacts/$t-" ${dict:+"$dict"} "$@"
}

# "name: N runs, N/s, cov N, ft N, corpus N" from a libFuzzer log.
summary() {
    awk -v name="$1" '
        /^#[0-9]+/ && / cov: / {
            for (i = 1; i <= NF; i++) {
                if ($i == "cov:") cov = $(i + 1)
                if ($i == "ft:") ft = $(i + 1)
                if ($i == "corp:") { corp = $(i + 1); sub(/\/.*/, "", corp) }
            }
        }
        /^stat::number_of_executed_units:/ { runs = $2 }
        /^stat::average_exec_per_sec:/ { rate = $2 }
        END { printf "%s: %s runs, %s/s, cov %s, ft %s, corpus %s\n", name, runs, rate, cov, ft, corp }
    ' "$2"
}

failed=""

# replay NAME: every input of the corpus once.
replay() {
    log=$build/logs/$1-replay.log
    if run_target "$1" -runs=0 "$here/corpus/$1" > "$log" 2>&1; then
        echo "fuzz: $1: corpus of $(ls "$here/corpus/$1" | wc -l | tr -d ' ') input(s) replayed"
    else
        tail -40 "$log"
        echo "fuzz: $1: FAILED replaying its corpus (log: $log)"
        failed="$failed $1"
    fi
}

# fuzz NAME SECONDS
fuzz() {
    log=$build/logs/$1.log
    mkdir -p "$build/work/$1"
    echo "fuzz: $1: fuzzing for $2 s"
    if run_target "$1" -max_total_time="$2" "$build/work/$1" "$here/corpus/$1" > "$log" 2>&1; then
        summary "$1" "$log"
    else
        tail -60 "$log"
        echo "fuzz: $1: FAILED (log: $log); the input is kept under $build/artifacts/"
        failed="$failed $1"
    fi
}

case $mode in
smoke)
    names=$(targets)
    [ -n "$names" ] || { echo "fuzz: no targets in $bin (make fuzz)" >&2; exit 2; }
    for name in $names; do
        replay "$name"
        fuzz "$name" "$seconds"
    done
    ;;
run | merge)
    if [ -z "$target" ] || [ ! -x "$bin/fuzz_$target" ]; then
        echo "fuzz: name a target with TARGET=, one of:" $(targets) >&2
        exit 2
    fi
    if [ "$mode" = run ]; then
        fuzz "$target" "$seconds"
    else
        mkdir -p "$build/work/$target"
        run_target "$target" -merge=1 "$here/corpus/$target" "$build/work/$target" \
            > "$build/logs/$target-merge.log" 2>&1 || failed=$target
        tail -3 "$build/logs/$target-merge.log"
    fi
    ;;
*)
    echo "fuzz: unknown mode $mode" >&2
    exit 2
    ;;
esac

if [ -n "$failed" ]; then
    echo "fuzz: failed:$failed"
    exit 1
fi
echo "fuzz: all passed"
