# SPDX-License-Identifier: BSD-2-Clause
# fish completion for glyphpad; the options and descriptions of the zsh one.
complete -c glyphpad -f
complete -c glyphpad -s h -l help -d 'show the usage line'
complete -c glyphpad -s v -l version -d 'show the version'
complete -c glyphpad -s i -l indent -x -d 'align in a field'
complete -c glyphpad -s I -l multiline-indent -x -d 'frame input lines, indented'
complete -c glyphpad -s c -l center -d 'centre in the terminal width'
complete -c glyphpad -s C -l multiline-center -x -d 'frame input lines, centred'
complete -c glyphpad -s s -l separator -x -d 'draw a separator line'
complete -c glyphpad -s n -l newline -d 'end with a newline'
complete -c glyphpad -s t -l terminal-info -d 'report the terminal size'
complete -c glyphpad -s w -l width -d 'report the display width'
complete -c glyphpad -s l -l length -d 'report the length in characters'
complete -c glyphpad -s b -l size -d 'report the size in bytes'
complete -c glyphpad -s a -l size-length-width -d 'report size, length and width'
complete -c glyphpad -s x -l columns -x -d 'terminal width to use'
