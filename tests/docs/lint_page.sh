#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Fails when mandoc finds anything to say about a manual page at the level
# of warnings; exits 77 (skipped) when mandoc is not installed.
set -u
page=$1
command -v mandoc >/dev/null 2>&1 || { echo "mandoc is not installed"; exit 77; }
[ -f "$page" ] || { echo "$page is missing"; exit 1; }
findings=$(mandoc -T lint -W warning "$page" 2>&1)
status=$?
if [ -n "$findings" ] || [ "$status" -ne 0 ]; then
    printf '%s\n' "$findings"
    echo "mandoc status $status for $page"
    exit 1
fi
