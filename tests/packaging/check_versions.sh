#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# The version of CMakeLists.txt where it has to be written out again: the
# FreeBSD port's DISTVERSION and the first entry of debian/changelog (a
# Debian revision after it is allowed); and the tarball that make dist
# writes, whose name the Makefile takes from CMakeLists.txt.
# Usage: check_versions.sh SOURCE_DIR VERSION [MAKE]
set -u
top=$1
version=$2
make=${3:-}
failed=0
if ! grep -q "^DISTVERSION=[[:space:]]*$version\$" "$top/packaging/freebsd/Makefile"; then
    echo "DISTVERSION of packaging/freebsd/Makefile is not $version"
    failed=1
fi
first=$(sed -n '1s/^smalltools (\([^)-]*\)[^)]*).*/\1/p' "$top/debian/changelog")
if [ "$first" != "$version" ]; then
    echo "the first entry of debian/changelog is version '$first', not $version"
    failed=1
fi
if [ -n "$make" ] && ! (cd "$top" && "$make" -n dist) | grep -q -F " -o smalltools-$version.tar.gz "; then
    echo "make dist does not write smalltools-$version.tar.gz"
    failed=1
fi
exit $failed
