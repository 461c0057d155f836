#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# The programs load the C library and nothing else when they start: no C++
# run-time library, no libgcc_s, no libm (but for dozejitter's nextafter,
# which GCC works out at compile time and clang calls). Reads each one's
# dynamic section.
# Usage: loaded_libraries.sh READELF PROGRAM...
set -u
readelf=$1
shift
status=0
dynamic=$(mktemp)
trap 'rm -f "$dynamic"' EXIT
for program in "$@"; do
    if ! "$readelf" -d "$program" > "$dynamic"; then
        echo "$program: no dynamic section to read"
        status=1
        continue
    fi
    name=$(basename "$program")
    for library in $(sed -n 's/.*(NEEDED).*\[\(.*\)\]$/\1/p' "$dynamic"); do
        case $name:$library in
        *:libc.so.*|*:libintl.so.*|dozejitter:libm.so.*) ;;
        *) echo "$name loads $library"; status=1 ;;
        esac
    done
done
exit $status
