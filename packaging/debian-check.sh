#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Builds the Debian package from a copy of the tree, checks it with lintian,
# installs it, checks that every program runs and that its manual page and
# completions are where man, bash-completion, zsh and fish look, and purges
# it again, leaving no file behind. As root, on Debian, with the packages
# that .ci/run installs.
# Usage: packaging/debian-check.sh [SOURCE_DIR]
set -eu
top=$(cd "${1:-.}" && pwd)
version=$(sed -n '1s/^smalltools (\([^)]*\)).*/\1/p' "$top/debian/changelog")
deb=smalltools_${version}_$(dpkg --print-architecture).deb
programs="tagsnip glyphpad hostfacts epochfmt epochscan dozejitter"
say() { echo "debian-check: $*"; }
fail() { say "$*"; exit 1; }

if dpkg-query -W -f='${Status}' smalltools 2>/dev/null | grep -q installed; then
    fail "smalltools is installed already; purge it first"
fi
work=$(mktemp -d)
installed=no
cleanup() {
    [ "$installed" = no ] || dpkg --purge smalltools >/dev/null 2>&1 || :
    rm -rf "$work"
}
trap cleanup EXIT

# dpkg-buildpackage writes the package into the parent of the tree; it
# builds and runs the tests, as a packager's build does.
mkdir "$work/smalltools"
(cd "$top" && tar -cf - --exclude=./.git --exclude='./build*' --exclude='./obj-*' .) |
    (cd "$work/smalltools" && tar -xf -)
say "dpkg-buildpackage -us -uc -b"
(cd "$work/smalltools" &&
     dpkg-buildpackage -us -uc -b) \
    > "$work/build.log" 2>&1 || { cat "$work/build.log"; fail "the package did not build"; }
[ -f "$work/$deb" ] || fail "$deb was not built"

# What it holds, for the log.
dpkg-deb -c "$work/$deb" | grep -v '/$' | sed 's/^/  /'
say "lintian $deb"
lintian --fail-on error,warning "$work/$deb"

# What the package holds that is not on the system yet: all of it must go
# again with the purge.
dpkg-deb --fsys-tarfile "$work/$deb" | tar -tf - | sed 's|^\./|/|; s|/$||' | grep -v '^$' |
    while IFS= read -r path; do
        [ -e "$path" ] || [ -L "$path" ] || echo "$path"
    done > "$work/new-paths"

say "dpkg -i $deb"
installed=yes
dpkg -i "$work/$deb"
for program in $programs; do
    [ "$("$program" --version)" = "$program $version" ] || fail "$program --version"
    page=$(man -w "$program") || fail "no manual page for $program"
    say "$program $version, $page"
    # bash-completion loads a command's completion when it is first asked for
    # (its loader returns 124 then, to have the completion tried again).
    bash -c '. /usr/share/bash-completion/bash_completion; _completion_loader "$1"; complete -p "$1"' \
        sh "$program" | grep -q -- "-F _$program $program\$" || fail "bash-completion does not find $program's"
    [ "$(zsh -f -c 'autoload -Uz compinit && compinit -u -D && print -r -- ${_comps[$1]}' sh "$program")" = \
        _smalltools ] || fail "zsh does not find $program's completion"
    # fish with its own settings (which name its vendor folder), not root's.
    HOME=$work fish -c 'complete -C "$argv[1] --h"' "$program" | grep -q '^--help' ||
        fail "fish does not find $program's completion"
done

say "dpkg --purge smalltools"
dpkg --purge smalltools
installed=no
left=$(while IFS= read -r path; do
           if [ -e "$path" ] || [ -L "$path" ]; then echo "$path"; fi
       done < "$work/new-paths")
[ -z "$left" ] || fail "left behind by the purge: $left"
say "passed"
