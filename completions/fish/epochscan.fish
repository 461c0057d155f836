# SPDX-License-Identifier: BSD-2-Clause
# fish completion for epochscan; the options and descriptions of the zsh one.
complete -c epochscan -f
complete -c epochscan -s h -l help -d 'show the usage line'
complete -c epochscan -s v -l version -d 'show the version'
complete -c epochscan -s T -l template -x -d 'time format template'
complete -c epochscan -s F -l float -d 'decimal with a fraction'
complete -c epochscan -s I -l integer-decimal -l integer -d 'decimal integer'
complete -c epochscan -s X -l integer-hexadecimal -d 'hexadecimal integer'
complete -c epochscan -s 0 -l integer-0x-hexadecimal -d 'hexadecimal integer with 0x'
complete -c epochscan -s H -l human-readable -d 'append the unit'
complete -c epochscan -s s -l seconds -d 'timestamps in seconds'
complete -c epochscan -s m -l milliseconds -d 'timestamps in milliseconds'
complete -c epochscan -s u -l microseconds -d 'timestamps in microseconds'
complete -c epochscan -s n -l nanoseconds -d 'timestamps in nanoseconds'
complete -c epochscan -l file -r -F -d 'read more time strings from a file, one per line'
# The names of the zone database under TZDIR or the system's zone folder.
complete -c epochscan -l zone -x -a '(set --local dir /usr/share/zoneinfo; set -q TZDIR[1]; and set dir $TZDIR; find -L $dir/ -type f ! -name "*.*" ! -path "$dir/posix/*" ! -path "$dir/right/*" 2>/dev/null | string replace -- "$dir/" "" | string match -r "^[A-Z].*")' -d 'read the time in this time zone'
