# SPDX-License-Identifier: BSD-2-Clause
# fish completion for epochfmt; the options and descriptions of the zsh one.
complete -c epochfmt -f
complete -c epochfmt -s h -l help -d 'show the usage line'
complete -c epochfmt -s v -l version -d 'show the version'
complete -c epochfmt -s T -l template -x -d 'time format template'
complete -c epochfmt -s H -l human-readable -d 'write a sentence'
complete -c epochfmt -s s -l seconds -d 'timestamps in seconds'
complete -c epochfmt -s m -l milliseconds -d 'timestamps in milliseconds'
complete -c epochfmt -s u -l microseconds -d 'timestamps in microseconds'
complete -c epochfmt -s n -l nanoseconds -d 'timestamps in nanoseconds'
complete -c epochfmt -l file -r -F -d 'read more timestamps from a file, one per line'
# The names of the zone database under TZDIR or the system's zone folder.
complete -c epochfmt -l zone -x -a '(set --local dir /usr/share/zoneinfo; set -q TZDIR[1]; and set dir $TZDIR; find -L $dir/ -type f ! -name "*.*" ! -path "$dir/posix/*" ! -path "$dir/right/*" 2>/dev/null | string replace -- "$dir/" "" | string match -r "^[A-Z].*")' -d 'show the time in this time zone'
