#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# make-plist.sh BUILD_DIR            write the port's pkg-plist to standard output
# make-plist.sh BUILD_DIR PKG_PLIST  compare it with PKG_PLIST; status 1 when they differ
#
# The list is what the port installs, every file relative to PREFIX, sorted:
# the source tree of BUILD_DIR configured again, as the port configures it
# (PREFIX /usr/local, every other setting at its default, whatever BUILD_DIR
# was configured with: a Debian build puts zsh's completion elsewhere), with
# the programs and catalogs built in BUILD_DIR, installed as
# "make install DESTDIR=..." does. Manual pages are named with ".gz": the
# ports framework compresses them when it stages the port. Regenerate the
# plist after a change to what is installed:
#   sh packaging/freebsd/make-plist.sh build > packaging/freebsd/pkg-plist
set -eu
[ $# -eq 1 ] || [ $# -eq 2 ] || { echo "usage: sh make-plist.sh BUILD_DIR [PKG_PLIST]" >&2; exit 2; }
build=$(cd "$1" && pwd)
prefix=/usr/local
cmake=${CMAKE:-cmake}
stage=$(mktemp -d "${TMPDIR:-/tmp}/plist.XXXXXX")
trap 'rm -rf "$stage"' EXIT

cached() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
source_dir=$(cached CMAKE_HOME_DIRECTORY)
compiler=$(cached CMAKE_CXX_COMPILER)
[ -n "$source_dir" ] || { echo "make-plist.sh: $build is not a CMake build tree" >&2; exit 2; }
port=$stage/port-build
if ! "$cmake" -S "$source_dir" -B "$port" -DCMAKE_INSTALL_PREFIX="$prefix" -DSUITE_TESTS=OFF \
        ${compiler:+"-DCMAKE_CXX_COMPILER=$compiler"} > "$stage/configure.log" 2>&1; then
	cat "$stage/configure.log" >&2
	echo "make-plist.sh: the configure as the port's failed" >&2
	exit 2
fi
# What the install takes from the build tree: the programs and the catalogs.
for built in bin locale; do
	if [ -d "$build/$built" ]; then
		cp -R "$build/$built" "$port/"
	fi
done
if ! DESTDIR="$stage/root" "$cmake" --install "$port" --prefix "$prefix" > "$stage/install.log" 2>&1; then
	cat "$stage/install.log" >&2
	echo "make-plist.sh: the install of $build as the port's failed" >&2
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
