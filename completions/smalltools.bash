# SPDX-License-Identifier: BSD-2-Clause
# bash completion for tagsnip, glyphpad, hostfacts, epochfmt, epochscan and dozejitter.

# _smalltools_complete WORDS FILE_OPTIONS [ZONE_OPTIONS]: complete options
# from WORDS; after an option in FILE_OPTIONS, also in the form
# --option=file, complete file names; after one in ZONE_OPTIONS, time zone
# names (offsets and rules are typed by hand).
_smalltools_complete()
{
    local words=$1 file_options=$2 zone_options=${3-}
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=
    [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD-1]}
    # bash splits "--option=file" at the "=", which becomes a word of its own.
    if [ "$cur" = "=" ]; then
        cur=
    elif [ "$prev" = "=" ] && [ "$COMP_CWORD" -gt 1 ]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi
    COMPREPLY=()
    local option
    for option in $file_options; do
        if [ "$prev" = "$option" ]; then
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
            return 0
        fi
    done
    for option in $zone_options; do
        if [ "$prev" = "$option" ]; then
            COMPREPLY=($(compgen -W "$(_smalltools_zone_names)" -- "$cur"))
            return 0
        fi
    done
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$words" -- "$cur"))
    else
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
    return 0
}

_tagsnip()
{
    _smalltools_complete "-C --cat -0 --discard -H --highlight -E --enumerate -X --extract
        -D --delete --remove -F --insert-front -B --insert-back -R --replace -i --input
        -o --output -a --append -p --in-place -k --keep-broken -m --min-actions
        -M --max-actions -s --select -b --begin-tag -e --end-tag -t --tag
        -x --exclude-tags -y --include-tags -f --full-tag-lines -g --tags-only
        --exact-tag-lines --strict-blocks --ensure-block --enumerate-format --enumerate-label1 --enumerate-label2 --highlight-begin
        --highlight-end --highlight-unmarked1 --highlight-unmarked2 --highlight-marked1
        --highlight-marked2 --highlight-params -q --suppress-warnings -h --help -v --version" \
        "-F --insert-front -B --insert-back -R --replace --ensure-block -i --input -o --output"
}

_glyphpad()
{
    _smalltools_complete "-i --indent -I --multiline-indent -c --center -C --multiline-center
        -s --separator -n --newline -t --terminal-info -w --width -l --length -b --size
        -a --size-length-width -x --columns -h --help -v --version" ""
}

_hostfacts()
{
    # After -c, --compatibility and --compatibility=: the versions there are.
    local cur=${COMP_WORDS[COMP_CWORD]} prev=
    [ "$COMP_CWORD" -gt 0 ] && prev=${COMP_WORDS[COMP_CWORD-1]}
    if [ "$cur" = "=" ]; then
        cur=
    elif [ "$prev" = "=" ] && [ "$COMP_CWORD" -gt 1 ]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi
    case $prev in
    -c | --compatibility)
        COMPREPLY=($(compgen -W "0 1" -- "$cur"))
        return 0
        ;;
    esac
    _smalltools_complete "-h --help -v --version -c --compatibility" ""
}

# _smalltools_zone_names: the names of the zone database under TZDIR or the
# system's zone folder. Zone names begin with a capital letter; the folders
# posix/ and right/ hold the same zones again, and files with a dot are
# tables.
_smalltools_zone_names()
{
    (cd "${TZDIR:-/usr/share/zoneinfo}" 2>/dev/null && find -L . -type f -path './[A-Z]*' ! -name '*.*' \
        ! -path './posix/*' ! -path './right/*' 2>/dev/null | sed 's|^\./||')
}

_epochfmt()
{
    _smalltools_complete "-T --template -H --human-readable -s --seconds -m --milliseconds
        -u --microseconds -n --nanoseconds --file --zone -h --help -v --version" "--file" "--zone"
}

_epochscan()
{
    _smalltools_complete "-T --template -F --float -I --integer-decimal --integer -X --integer-hexadecimal
        -0 --integer-0x-hexadecimal -H --human-readable -s --seconds -m --milliseconds
        -u --microseconds -n --nanoseconds --file --zone -h --help -v --version" "--file" "--zone"
}

_dozejitter()
{
    _smalltools_complete "-w --verbose -q --quiet -h --help -v --version" ""
}

complete -F _tagsnip tagsnip
complete -F _glyphpad glyphpad
complete -F _hostfacts hostfacts
complete -F _epochfmt epochfmt
complete -F _epochscan epochscan
complete -F _dozejitter dozejitter
