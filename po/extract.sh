#!/bin/sh
# Extracts the translatable texts of each catalog domain into po/<domain>.pot.
# Usage: po/extract.sh [SOURCE_DIR [OUTPUT_DIR]]
set -eu
top=${1:-.}
out=${2:-$top/po}
cd "$top"

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
    # shellcheck disable=SC2086
    xgettext --language=C++ --from-code=UTF-8 --no-wrap --no-location --sort-output \
        --package-name=smalltools --package-version=2.7.15 \
        --keyword=report_message --keyword=report_format --keyword=die --keyword=translate \
        --output="$out/$domain.pot" $sources
    # xgettext writes nothing for a domain without texts; keep an empty template.
    [ -f "$out/$domain.pot" ] || : > "$out/$domain.pot"
done
