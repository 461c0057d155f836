#!/bin/sh
# tagsnip against peer tools on one large generated input, in one run:
# medians of several runs, MB/s of each, tagsnip's speed-up over the peer,
# and tagsnip's peak resident memory.
# Usage: bench/tagsnip.sh [path/to/tagsnip] [runs] [MiB]
set -eu
here=$(dirname "$0")
tagsnip=${1:-}
if [ -z "$tagsnip" ]; then
    for candidate in "$here/../build/bin/tagsnip" "$here/../build-tagsnip/bin/tagsnip"; do
        [ -x "$candidate" ] && { tagsnip=$candidate; break; }
    done
fi
[ -n "$tagsnip" ] && [ -x "$tagsnip" ] || { echo "no tagsnip found; give its path" >&2; exit 1; }
runs=${2:-5}
mib=${3:-256}

. "$here/peer_install.sh"
need() {  # command, Debian package
    install "$1" "$2" || { echo "cannot install $2" >&2; exit 1; }
}
need mawk mawk
need perl perl-base
[ -x /usr/bin/time ] || need /usr/bin/time time
export LC_ALL=C

work=$(mktemp -d /tmp/tagsnip-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
input=$work/input

# One MiB of lines of words (a fixed pseudo-random sequence), a block every
# 40 lines or so, the tags on lines of their own; repeated up to the size.
mawk 'BEGIN {
    split("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi rho sigma tau upsilon", w, " ")
    x = 12345; size = 0
    while (size < 1048576) {
        n = 3 + (x % 9); line = ""
        for (i = 0; i < n; i++) { x = (x * 1103515245 + 12345) % 2147483648; line = line w[1 + int(x / 65536) % 20] " " }
        x = (x * 1103515245 + 12345) % 2147483648
        r = int(x / 65536) % 40
        if (r == 0) line = "BLOCKSTART " line
        else if (r == 1) line = line "BLOCKEND"
        print line; size += length(line) + 1
    }
}' > "$work/chunk"
i=0
while [ "$i" -lt "$mib" ]; do cat "$work/chunk"; i=$((i + 1)); done > "$input"
rm -f "$work/chunk"
bytes=$(wc -c < "$input")

# Median wall seconds of a shell command over the runs.
median() {
    perl -MTime::HiRes=time -e '
        my @t;
        for (1 .. $ARGV[1]) {
            my $s = time;
            system("sh", "-c", $ARGV[0]) == 0 or die "failed: $ARGV[0]\n";
            push @t, time - $s;
        }
        @t = sort { $a <=> $b } @t;
        printf "%.4f\n", $t[int($#t / 2)]' "$1" "$runs"
}

rate() { perl -e 'printf "%8.1f", $ARGV[0] / 1048576 / $ARGV[1]' "$bytes" "$1"; }

same_output() {  # two commands that must write the same bytes
    a=$(sh -c "$1" | cksum)
    b=$(sh -c "$2" | cksum)
    [ "$a" = "$b" ] || echo "   (outputs differ: $1 / $2)"
}

echo "input: $bytes bytes in $(wc -l < "$input") lines, $runs runs each, median"
printf '%-58s %9s %9s\n' "command" "seconds" "MB/s"
line() { printf '%-58s %9.4f %s\n' "$1" "$2" "$(rate "$2")"; }

T="'$tagsnip'"
extract="$T --extract --full-tag-lines --include-tags -b BLOCKSTART -e BLOCKEND -i '$input'"
delete="$T --delete --full-tag-lines --include-tags -b BLOCKSTART -e BLOCKEND -i '$input'"
cat_ours="$T -i '$input'"

t_wc=$(median "wc -l < '$input' > /dev/null");                          line "wc -l (one pass, floor)" "$t_wc"
t_cat=$(median "cat '$input' > /dev/null");                             line "cat" "$t_cat"
t_cat_ours=$(median "$cat_ours > /dev/null");                           line "tagsnip (Cat)" "$t_cat_ours"
t_sed_x=$(median "sed -n '/BLOCKSTART/,/BLOCKEND/p' '$input' > /dev/null"); line "sed -n '/B/,/E/p'" "$t_sed_x"
t_mawk_x=$(median "mawk '/BLOCKSTART/,/BLOCKEND/' '$input' > /dev/null");   line "mawk '/B/,/E/'" "$t_mawk_x"
t_x=$(median "$extract > /dev/null");                                   line "tagsnip --extract -f -y" "$t_x"
t_sed_d=$(median "sed '/BLOCKSTART/,/BLOCKEND/d' '$input' > /dev/null");  line "sed '/B/,/E/d'" "$t_sed_d"
t_d=$(median "$delete > /dev/null");                                    line "tagsnip --delete -f -y" "$t_d"

same_output "$extract" "sed -n '/BLOCKSTART/,/BLOCKEND/p' '$input'"
same_output "$delete" "sed '/BLOCKSTART/,/BLOCKEND/d' '$input'"
same_output "$cat_ours" "cat '$input'"

ratio() { perl -e 'printf "%.2f", $ARGV[0] / $ARGV[1]' "$1" "$2"; }
echo
echo "Extract: $(ratio "$t_sed_x" "$t_x") x faster than sed, $(ratio "$t_mawk_x" "$t_x") x faster than mawk (goal: 5 x sed)"
echo "Delete:  $(ratio "$t_sed_d" "$t_d") x faster than sed (goal: 5 x sed)"
echo "Cat:     $(ratio "$t_cat_ours" "$t_cat") x the time of cat (goal: at most 3)"
echo "wc -l:   tagsnip Cat takes $(ratio "$t_cat_ours" "$t_wc") x, Extract $(ratio "$t_x" "$t_wc") x the time of one counting pass"

peak() { /usr/bin/time -f %M sh -c "$1 > /dev/null" 2>&1 >/dev/null | tail -n 1; }
echo
echo "peak resident memory (KiB): Cat $(peak "$cat_ours"), Extract $(peak "$extract"), Delete $(peak "$delete") (goal: under 8192)"
