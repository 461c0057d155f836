#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# A plain build, then an install into another prefix without DESTDIR: the
# installed programs are stripped and find their German catalogs under that
# prefix. Prints the size of each installed program.
# Usage: packaging/install-check.sh [SOURCE_DIR]
set -eu
cd "${1:-.}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install-check: $*"; exit 1; }

make
make install PREFIX="$work/p"
for program in tagsnip glyphpad hostfacts epochfmt epochscan dozejitter; do
    [ -d "$program" ] || continue
    installed=$work/p/bin/$program
    [ -x "$installed" ] || fail "$program was not installed"
    if readelf -S "$installed" | grep -q -e '\.symtab' -e '\.debug_'; then
        fail "$program is not stripped"
    fi
    echo "install-check: $program $(wc -c < "$installed") bytes"
done

# The German locale, built without touching the system's.
mkdir "$work/locale"
localedef -i de_DE -f UTF-8 "$work/locale/de_DE.UTF-8" || :
[ -d "$work/locale/de_DE.UTF-8" ] || fail "localedef could not build de_DE.UTF-8"
if [ -d epochscan ]; then
    said=$(LOCPATH="$work/locale" LANGUAGE=de LC_ALL=de_DE.UTF-8 "$work/p/bin/epochscan" 2023-11-14 2>&1) &&
        fail "epochscan accepted 2023-11-14"
    expected='FEHLER: Zeitangabe „2023-11-14“ passt nicht zur Formatvorlage „%Y-%m-%d %H:%M:%S“!'
    [ "$said" = "$expected" ] || fail "the installed epochscan said: $said"
fi
echo "install-check: passed"
