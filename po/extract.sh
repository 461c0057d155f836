#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# Extracts the translatable texts of each catalog domain into po/<domain>.pot.
# Usage: po/extract.sh [SOURCE_DIR [OUTPUT_DIR]]
set -eu
top=${1:-.}
out=${2:-$top/po}
cd "$top"
# Where translators report problems with the texts.
bugs_address=smalltools@example.org
# The project's version, as CMakeLists.txt names it.
version=$(sed -n 's/^project(smalltools VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "extract.sh: no version in project() of CMakeLists.txt" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The folders whose code each domain's program is built from.
folders_of() {
    case $1 in
    epochfmt|epochscan) echo "frame timestamp $1" ;;
    *) echo "frame $1" ;;
    esac
}

for domain in tagsnip glyphpad epochfmt epochscan dozejitter; do
    sources=$(for d in $(folders_of "$domain"); do
                  [ -d "$d" ] && find "$d" -name '*.cpp' ! -name '*_test.cpp' ! -path '*/tests/*'
              done | LC_ALL=C sort)
    [ -n "$sources" ] || continue
    fresh=$work/$domain.pot
    # shellcheck disable=SC2086
    xgettext --language=C++ --from-code=UTF-8 --no-wrap --no-location --sort-output \
        --package-name=smalltools --package-version="$version" --msgid-bugs-address="$bugs_address" \
        --copyright-holder="The smalltools authors" \
        --keyword=report_message --keyword=report_format --keyword=die --keyword=translate \
        --output="$fresh" $sources
    # xgettext writes nothing for a domain without texts; keep an empty template.
    [ -f "$fresh" ] || : > "$fresh"
    # A template whose only change would be its creation date stays as it is.
    template=$out/$domain.pot
    if [ -f "$template" ]; then
        grep -v '^"POT-Creation-Date:' "$template" > "$work/old" || :
        grep -v '^"POT-Creation-Date:' "$fresh" > "$work/new" || :
        cmp -s "$work/old" "$work/new" && continue
    fi
    cp "$fresh" "$template"
done
