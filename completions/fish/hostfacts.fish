# SPDX-License-Identifier: BSD-2-Clause
# fish completion for hostfacts; the options and descriptions of the zsh one.
complete -c hostfacts -f
complete -c hostfacts -s h -l help -d 'show the usage line'
complete -c hostfacts -s v -l version -d 'show the version'
complete -c hostfacts -s c -l compatibility -x -a '0 1' -d 'report compatibility version'
