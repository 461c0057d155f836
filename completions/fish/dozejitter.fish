# SPDX-License-Identifier: BSD-2-Clause
# fish completion for dozejitter; the options and descriptions of the zsh one.
complete -c dozejitter -f
complete -c dozejitter -s h -l help -d 'show the usage line'
complete -c dozejitter -s v -l version -d 'show the version'
complete -c dozejitter -s w -l verbose -d 'report the delay'
complete -c dozejitter -s q -l quiet -d 'report nothing'
