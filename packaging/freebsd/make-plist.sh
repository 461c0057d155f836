#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# make-plist.sh BUILD_DIR            write the port's pkg-plist to standard output
# make-plist.sh BUILD_DIR PKG_PLIST  compare it with PKG_PLIST; status 1 when they differ
#
# The list is what the install of the CMake build BUILD_DIR installs (as
# "make install DESTDIR=..." does), every file relative to PREFIX, sorted.
# Manual pages are named with ".gz": the ports framework compresses them when
# it stages the port. Regenerate the plist after a change to what is installed:
#   sh packaging/freebsd/make-plist.sh build > packaging/freebsd/pkg-plist
set -eu
[ $# -eq 1 ] || [ $# -eq 2 ] || { echo "usage: sh make-plist.sh BUILD_DIR [PKG_PLIST]" >&2; exit 2; }
build=$1
prefix=/usr/local
cmake=${CMAKE:-cmake}
stage=$(mktemp -d "${TMPDIR:-/tmp}/plist.XXXXXX")
trap 'rm -rf "$stage"' EXIT

if ! DESTDIR="$stage/root" "$cmake" --install "$build" --prefix "$prefix" > "$stage/install.log" 2>&1; then
	cat "$stage/install.log" >&2
	echo "make-plist.sh: the install of $build failed" >&2
	exit 2
fi
outside=$(cd "$stage/root" && find . ! -type d | sed 's|^\.||' | grep -v "^$prefix/" || true)
if [ -n "$outside" ]; then
	printf 'make-plist.sh: installed outside PREFIX (%s):\n%s\n' "$prefix" "$outside" >&2
	exit 1
fi
(cd "$stage/root$prefix" && find . ! -type d) | sed -e 's|^\./||' \
	-e 's|^\(share/man/man[1-9]/[^/]*\.[1-9]\)$|\1.gz|' | LC_ALL=C sort > "$stage/plist"

if [ $# -eq 1 ]; then
	cat "$stage/plist"
	exit 0
fi
if ! diff -u "$2" "$stage/plist" > "$stage/diff"; then
	echo "make-plist.sh: $2 does not name exactly the files the install installs" >&2
	echo "(lines with - only in the plist, with + only installed):" >&2
	sed 1,2d "$stage/diff" >&2
	echo "Regenerate it from a build of every program, and review the change:" >&2
	echo "  sh packaging/freebsd/make-plist.sh BUILD_DIR > packaging/freebsd/pkg-plist" >&2
	exit 1
fi
