#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Fails when an "ERROR: " or "WARNING: " text of a program's code is missing
# from its domain's template, or when a committed template is out of date.
set -u
top=$1
fresh=$(mktemp -d)
trap 'rm -rf "$fresh"' EXIT
sh "$top/po/extract.sh" "$top" "$fresh" || exit 1
failed=0

folders_of() {
    case $1 in
    epochfmt|epochscan) echo "frame timestamp $1" ;;
    *) echo "frame $1" ;;
    esac
}

for domain in tagsnip glyphpad epochfmt epochscan dozejitter; do
    [ -d "$top/$domain" ] || continue
    template=$fresh/$domain.pot
    for d in $(folders_of "$domain"); do
        [ -d "$top/$d" ] || continue
        find "$top/$d" -name '*.cpp' ! -name '*_test.cpp' ! -path '*/tests/*'
    done | while read -r source; do
        grep -o -E '"(ERROR|WARNING): ([^"\\]|\\.)*"' "$source"
    done | sort -u > "$fresh/$domain.texts"
    # A literal continued on the next line is matched by its first piece.
    while IFS= read -r text; do
        if ! grep -q -F -x "msgid $text" "$template" &&
           ! grep -q -F "msgid ${text%\"}" "$template"; then
            echo "$domain: not in the template: $text"
            failed=1
        fi
    done < "$fresh/$domain.texts"
    if ! diff -u -I '^"POT-Creation-Date:' "$top/po/$domain.pot" "$template"; then
        echo "$domain: po/$domain.pot is out of date: run make pot"
        failed=1
    fi
done
exit $failed
