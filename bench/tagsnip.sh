#!/bin/sh
# SPDX-License-Identifier: BSD-2-Clause
# tagsnip against the peer one-liners on two shapes of generated input, each
# at several sizes, in one run. Every output is first checked against the
# peer's; then the commands of each comparison run in turn, RUNS times, and
# the medians (with the least and greatest value) are compared.
#
# Shapes: "inline"  lines of 3 to 11 words, a block every 40 lines or so,
#                   its tags BLOCKSTART and BLOCKEND inside the lines;
#         "tagline" lines of 3 to 14 words, 1% of the lines "BEGIN <n>" and
#                   1% "END", the tags on lines of their own.
# Goals: Extract and Delete at least 5 x faster than GNU sed and 3 x faster
# than mawk; Cat at most 1.5 x the time of cat; Enumerate and Highlight at
# least 3 x faster than the nearest one-liner (mawk printf with the same
# labels; GNU sed on the same range of lines); peak resident memory below
# 16 MiB.
# Marker lines: each shape again with its tag lines cut to the bare tags and
# its blocks balanced (a begin inside a block and an end outside dropped);
# Extract and Delete with --exact-tag-lines against sed on /^tag$/, and with
# --strict-blocks against sed on /tag/, at least 5 x faster than sed.
# Managed block: a 64 MiB file with the block near its end, updated in
# place with --ensure-block, its contents changing at every run, at least
# 5 x faster than the shortest mawk script that replaces or appends the
# block (into a new file, then renamed); and with unchanged contents at
# most 1.2 x the time of a plain in-place -R of the same block and file.
# The goals are judged on CPU time (user and system) of the command: on a
# shared machine wall time also measures the neighbours. Wall medians are
# printed beside them.
# Usage: bench/tagsnip.sh [path/to/tagsnip] [runs] [MiB ...]
set -euf
here=$(cd "$(dirname "$0")" && pwd)
tagsnip=${1:-}
if [ -z "$tagsnip" ]; then
    for candidate in "$here/../build/bin/tagsnip" "$here/../build-tagsnip/bin/tagsnip"; do
        [ -x "$candidate" ] && { tagsnip=$candidate; break; }
    done
fi
[ -n "$tagsnip" ] && [ -x "$tagsnip" ] || { echo "no tagsnip found; give its path" >&2; exit 1; }
tagsnip=$(cd "$(dirname "$tagsnip")" && pwd)/$(basename "$tagsnip")
runs=${2:-7}
[ $# -ge 2 ] && shift 2 || shift $#
sizes=${*:-64 256}

. "$here/peer_install.sh"
need() {  # command, Debian package
    install "$1" "$2" || { echo "cannot install $2" >&2; exit 1; }
}
need mawk mawk
need perl perl-base
need cc gcc
export LC_ALL=C

work=$(mktemp -d /tmp/tagsnip-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT INT TERM
cc -O2 -o "$work/median_run" "$here/median_run.c" || { echo "a C compiler is needed" >&2; exit 1; }
esc=$(printf '\033')
sed_bin=$(command -v sed)
mawk_bin=$(command -v mawk)
cat_bin=$(command -v cat)

# One MiB of each shape (a fixed pseudo-random sequence).
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
}' > "$work/inline.chunk"
mawk 'BEGIN {
    split("alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi omicron pi rho sigma tau upsilon", w, " ")
    srand(54321); size = 0; blocks = 0
    while (size < 1048576) {
        r = int(rand() * 100)
        if (r == 0) line = "BEGIN " (++blocks)
        else if (r == 1) line = "END"
        else {
            n = 3 + int(rand() * 12); line = w[1 + int(rand() * 20)]
            for (i = 1; i < n; i++) line = line " " w[1 + int(rand() * 20)]
        }
        print line; size += length(line) + 1
    }
}' > "$work/tagline.chunk"

# The same chunks with bare tag lines and balanced blocks.
balance() {  # begin tag, end tag, chunk
    mawk -v b="$1" -v e="$2" '
        index($0, b) { if (!open) { open = 1; print b } next }
        index($0, e) { if (open) { open = 0; print e } next }
        { print }
        END { if (open) print e }' "$3"
}
balance BLOCKSTART BLOCKEND "$work/inline.chunk" > "$work/inline.exact.chunk"
balance BEGIN END "$work/tagline.chunk" > "$work/tagline.exact.chunk"

# Figures of one run: wall median min max, CPU median min max, peak KiB.
run_once() {  # command...
    "$work/median_run" 1 /dev/null /dev/null - "$@"
}

# A command is one string of words separated by the byte 0x1F, so that its
# arguments may hold blanks or be empty; it is split with IFS set to that.

# Checks that two commands write the same bytes; the first one's output may
# be mended by a perl expression first.
same_output() {  # what, ours, peer, [perl mending ours]
    mend=${4:-}
    IFS=$sep
    # shellcheck disable=SC2086
    $2 > "$work/ours.out"
    # shellcheck disable=SC2086
    $3 > "$work/peer.out"
    unset IFS
    if [ -n "$mend" ]; then
        perl -0777 -pe "$mend" "$work/ours.out" > "$work/ours.mended"
        mv "$work/ours.mended" "$work/ours.out"
    fi
    cmp -s "$work/ours.out" "$work/peer.out" || { echo "$1: output differs from the peer's" >&2; exit 1; }
    rm -f "$work/ours.out" "$work/peer.out"
}

# The commands of one comparison in turn, RUNS times; one line of figures
# per command into FILE.
compare() {  # file, command...
    out=$1; shift
    : > "$out"
    r=0
    while [ "$r" -lt "$runs" ]; do
        i=0
        for c in "$@"; do
            i=$((i + 1))
            IFS=$sep
            # shellcheck disable=SC2086
            got=$(run_once $c) || { echo "a run failed: $c" >&2; exit 1; }
            unset IFS
            printf '%s %s\n' "$i" "$got" >> "$out"
        done
        r=$((r + 1))
    done
}

# Median, least and greatest of command N's CPU and wall seconds, its peak.
figures() {  # file, N
    perl -e '
        my ($file, $n) = @ARGV; my (@w, @c, $peak);
        open my $f, "<", $file or die; while (<$f>) { my @x = split; next if $x[0] != $n;
            push @w, $x[1]; push @c, $x[4]; $peak = $x[7] if !defined $peak || $x[7] > $peak; }
        @w = sort { $a <=> $b } @w; @c = sort { $a <=> $b } @c;
        printf "%.4f %.4f %.4f %.4f %.4f %.4f %d\n", $c[$#c / 2], $c[0], $c[-1], $w[$#w / 2], $w[0], $w[-1], $peak;
    ' "$1" "$2"
}

row() {  # label, figures
    set -- "$1" $2
    printf '  %-30s cpu %7.4f s [%7.4f-%7.4f]  wall %7.4f s [%7.4f-%7.4f]  %6d KiB\n' "$@"
}

ratio() { perl -e 'printf "%.2f", $ARGV[0] / $ARGV[1]' "$1" "$2"; }
at_least() { perl -e 'print $ARGV[0] >= $ARGV[1] ? "met" : "NOT MET"' "$1" "$2"; }
at_most() { perl -e 'print $ARGV[0] <= $ARGV[1] ? "met" : "NOT MET"' "$1" "$2"; }
cpu() { set -- $1; echo "$1"; }
peak_kib() { set -- $1; echo "$7"; }

peaks=""
goal() {  # text, verdict
    printf '  goal: %-58s %s\n' "$1" "$2"
    [ "$2" = met ] || missed=$((missed + 1))
}
missed=0
T=$tagsnip
sep=$(printf '\037')

for mib in $sizes; do
    for shape in inline tagline; do
        input=$work/$shape.$mib
        i=0
        while [ "$i" -lt "$mib" ]; do cat "$work/$shape.chunk"; i=$((i + 1)); done > "$input"
        lines=$(wc -l < "$input")
        if [ "$shape" = inline ]; then b=BLOCKSTART e=BLOCKEND; else b=BEGIN e=END; fi
        from=$((lines / 4)) to=$((lines * 3 / 4))
        echo
        echo "== $shape, $mib MiB ($(wc -c < "$input") bytes, $lines lines), $runs runs, median [least-greatest]"

        x_ours="$T$sep-X$sep-f$sep-y$sep-b$sep$b$sep-e$sep$e$sep-i$sep$input"
        x_sed="$sed_bin$sep-n$sep/$b/,/$e/p$sep$input"
        x_mawk="$mawk_bin$sep/$b/,/$e/$sep$input"
        d_ours="$T$sep-D$sep-f$sep-y$sep-b$sep$b$sep-e$sep$e$sep-i$sep$input"
        d_sed="$sed_bin$sep/$b/,/$e/d$sep$input"
        d_mawk="$mawk_bin$sep/$b/,/$e/{next} 1$sep$input"
        c_ours="$T$sep-i$sep$input"
        c_cat="$cat_bin$sep$input"
        n_ours="$T$sep-E$sep-i$sep$input"
        n_mawk="$mawk_bin$sep{printf \"\\033[36m%06d\\033[0m %s\\n\", NR, \$0}$sep$input"
        h_ours="$T$sep-H$sep--highlight-params$sep$sep$sep$sep$sep$esc[7m$sep$esc[0m$sep-s$sep$from$sep$to$sep-i$sep$input"
        h_sed="$sed_bin$sep$from,${to}s/.*/$esc[7m&$esc[0m/$sep$input"

        exact=$work/$shape.exact.$mib
        i=0
        while [ "$i" -lt "$mib" ]; do cat "$work/$shape.exact.chunk"; i=$((i + 1)); done > "$exact"
        xe_ours="$T$sep-X$sep--exact-tag-lines$sep-y$sep-b$sep$b$sep-e$sep$e$sep-i$sep$exact"
        xe_sed="$sed_bin$sep-n$sep/^$b\$/,/^$e\$/p$sep$exact"
        de_ours="$T$sep-D$sep--exact-tag-lines$sep-y$sep-b$sep$b$sep-e$sep$e$sep-i$sep$exact"
        de_sed="$sed_bin$sep/^$b\$/,/^$e\$/d$sep$exact"
        xs_ours="$T$sep-X$sep--strict-blocks$sep-f$sep-y$sep-b$sep$b$sep-e$sep$e$sep-i$sep$exact"
        xs_sed="$sed_bin$sep-n$sep/$b/,/$e/p$sep$exact"
        ds_ours="$T$sep-D$sep--strict-blocks$sep-f$sep-y$sep-b$sep$b$sep-e$sep$e$sep-i$sep$exact"
        ds_sed="$sed_bin$sep/$b/,/$e/d$sep$exact"

        same_output "Extract/sed" "$x_ours" "$x_sed"
        same_output "Extract/mawk" "$x_ours" "$x_mawk"
        same_output "Delete/sed" "$d_ours" "$d_sed"
        same_output "Delete/mawk" "$d_ours" "$d_mawk"
        same_output "Cat" "$c_ours" "$c_cat"
        same_output "Enumerate" "$n_ours" "$n_mawk"
        # Highlight closes a line's label after its newline, sed before it.
        same_output "Highlight" "$h_ours" "$h_sed" 's/\n\e\[0m/\e[0m\n/g'
        same_output "Extract exact/sed" "$xe_ours" "$xe_sed"
        same_output "Delete exact/sed" "$de_ours" "$de_sed"
        same_output "Extract strict/sed" "$xs_ours" "$xs_sed"
        same_output "Delete strict/sed" "$ds_ours" "$ds_sed"

        compare "$work/x" "$x_ours" "$x_sed" "$x_mawk"
        compare "$work/d" "$d_ours" "$d_sed" "$d_mawk"
        compare "$work/c" "$c_ours" "$c_cat"
        compare "$work/n" "$n_ours" "$n_mawk"
        compare "$work/h" "$h_ours" "$h_sed"
        compare "$work/xe" "$xe_ours" "$xe_sed"
        compare "$work/de" "$de_ours" "$de_sed"
        compare "$work/xs" "$xs_ours" "$xs_sed"
        compare "$work/ds" "$ds_ours" "$ds_sed"
        rm -f "$input" "$exact"

        fx=$(figures "$work/x" 1) fxs=$(figures "$work/x" 2) fxm=$(figures "$work/x" 3)
        fd=$(figures "$work/d" 1) fds=$(figures "$work/d" 2) fdm=$(figures "$work/d" 3)
        fc=$(figures "$work/c" 1) fcc=$(figures "$work/c" 2)
        fn=$(figures "$work/n" 1) fnm=$(figures "$work/n" 2)
        fh=$(figures "$work/h" 1) fhs=$(figures "$work/h" 2)
        fxe=$(figures "$work/xe" 1) fxes=$(figures "$work/xe" 2)
        fde=$(figures "$work/de" 1) fdes=$(figures "$work/de" 2)
        fxk=$(figures "$work/xs" 1) fxks=$(figures "$work/xs" 2)
        fdk=$(figures "$work/ds" 1) fdks=$(figures "$work/ds" 2)
        row "tagsnip --extract -f -y" "$fx"; row "sed -n '/B/,/E/p'" "$fxs"; row "mawk '/B/,/E/'" "$fxm"
        row "tagsnip --delete -f -y" "$fd"; row "sed '/B/,/E/d'" "$fds"; row "mawk '/B/,/E/{next} 1'" "$fdm"
        row "tagsnip (Cat)" "$fc"; row "cat" "$fcc"
        row "tagsnip --enumerate" "$fn"; row "mawk printf (same labels)" "$fnm"
        row "tagsnip --highlight -s from to" "$fh"; row "sed 'from,to s/.*/.../'" "$fhs"
        row "tagsnip -X --exact-tag-lines -y" "$fxe"; row "sed -n '/^B\$/,/^E\$/p'" "$fxes"
        row "tagsnip -D --exact-tag-lines -y" "$fde"; row "sed '/^B\$/,/^E\$/d'" "$fdes"
        row "tagsnip -X --strict-blocks -f -y" "$fxk"; row "sed -n '/B/,/E/p' (balanced)" "$fxks"
        row "tagsnip -D --strict-blocks -f -y" "$fdk"; row "sed '/B/,/E/d' (balanced)" "$fdks"

        r=$(ratio "$(cpu "$fxs")" "$(cpu "$fx")"); goal "Extract $r x faster than sed (at least 5)" "$(at_least "$r" 5)"
        r=$(ratio "$(cpu "$fxm")" "$(cpu "$fx")"); goal "Extract $r x faster than mawk (at least 3)" "$(at_least "$r" 3)"
        r=$(ratio "$(cpu "$fds")" "$(cpu "$fd")"); goal "Delete $r x faster than sed (at least 5)" "$(at_least "$r" 5)"
        r=$(ratio "$(cpu "$fdm")" "$(cpu "$fd")"); goal "Delete $r x faster than mawk (at least 3)" "$(at_least "$r" 3)"
        r=$(ratio "$(cpu "$fc")" "$(cpu "$fcc")"); goal "Cat $r x the time of cat (at most 1.5)" "$(at_most "$r" 1.5)"
        r=$(ratio "$(cpu "$fnm")" "$(cpu "$fn")"); goal "Enumerate $r x faster than mawk printf (at least 3)" "$(at_least "$r" 3)"
        r=$(ratio "$(cpu "$fhs")" "$(cpu "$fh")"); goal "Highlight $r x faster than sed (at least 3)" "$(at_least "$r" 3)"
        r=$(ratio "$(cpu "$fxes")" "$(cpu "$fxe")"); goal "Extract exact $r x faster than sed (at least 5)" "$(at_least "$r" 5)"
        r=$(ratio "$(cpu "$fdes")" "$(cpu "$fde")"); goal "Delete exact $r x faster than sed (at least 5)" "$(at_least "$r" 5)"
        r=$(ratio "$(cpu "$fxks")" "$(cpu "$fxk")"); goal "Extract strict $r x faster than sed (at least 5)" "$(at_least "$r" 5)"
        r=$(ratio "$(cpu "$fdks")" "$(cpu "$fdk")"); goal "Delete strict $r x faster than sed (at least 5)" "$(at_least "$r" 5)"
        for f in "$fx" "$fd" "$fc" "$fn" "$fh" "$fxe" "$fde" "$fxk" "$fdk"; do
            k=$(peak_kib "$f")
            [ -z "$peaks" ] || [ "$k" -gt "$peaks" ] && peaks=$k
        done
        goal "peak resident memory so far $peaks KiB (below 16384)" "$(perl -e 'print $ARGV[0] < 16384 ? "met" : "NOT MET"' "$peaks")"
    done
done
# The managed block: 64 MiB of the tagline shape, the block 500 lines
# before its end. Each run of a changing update gets the other contents, so
# that every run changes the file; the peer works on a copy of its own.
managed=$work/managed
i=0
while [ "$i" -lt 64 ]; do cat "$work/tagline.chunk"; i=$((i + 1)); done > "$managed.base"
{ cat "$managed.base"; printf '# BEGIN app\nold\n# END app\n'; head -n 500 "$work/tagline.chunk"; } > "$managed.ours"
cp "$managed.ours" "$managed.peer"
cp "$managed.ours" "$managed.same"
rm -f "$managed.base"
printf 'export APP=1\nexport APP_HOME=/opt/app\n' > "$work/block1"
printf 'export APP=2\nexport APP_HOME=/opt/app\n' > "$work/block2"
mb="# BEGIN app" me="# END app"
peer_script='function put() { while ((getline l < f) > 0) print l; close(f) }
$0 == b { print; put(); skip = 1; done = 1; next }
$0 == e { skip = 0 }
!skip { print }
END { if (!done) { print b; put(); print e } }'
m_ours() { echo "$T$sep--ensure-block$sep$work/$1$sep-b$sep$mb$sep-e$sep$me$sep-i$sep$2$sep-p"; }
m_peer() {
    echo "/bin/sh$sep-c$sep$mawk_bin -v b='$mb' -v e='$me' -v f='$work/$1' '$peer_script' '$managed.peer' > '$managed.tmp' && mv '$managed.tmp' '$managed.peer'"
}
m_plain="$T$sep-R$sep$work/block1$sep-f$sep-b$sep$mb$sep-e$sep$me$sep-i$sep$managed.same$sep-p"
# Checked first: both give the same file, with the block replaced, and
# without it appended.
IFS=$sep
# shellcheck disable=SC2046
$(m_ours block1 "$managed.ours"); $(m_peer block1)
unset IFS
cmp -s "$managed.ours" "$managed.peer" || { echo "Managed block: the file differs from the peer's" >&2; exit 1; }
IFS=$sep
# shellcheck disable=SC2046
$(m_ours block1 "$managed.same")
unset IFS
echo
echo "== managed block, $(wc -c < "$managed.ours") bytes, block near the end, in place, $runs runs"
compare "$work/m" "$(m_ours block2 "$managed.ours")" "$(m_ours block1 "$managed.ours")" \
    "$(m_peer block2)" "$(m_peer block1)"
# The unchanged runs on their own, after the writes of the others have
# settled: they only read.
sync
compare "$work/u" "$(m_ours block1 "$managed.same")" "$m_plain"
cmp -s "$managed.ours" "$managed.peer" || { echo "Managed block: the file differs from the peer's" >&2; exit 1; }
fm1=$(figures "$work/m" 1) fm2=$(figures "$work/m" 2) fmp1=$(figures "$work/m" 3) fmp2=$(figures "$work/m" 4)
fmu=$(figures "$work/u" 1) fmr=$(figures "$work/u" 2)
row "tagsnip --ensure-block (changed)" "$fm1"; row "  the same, other contents" "$fm2"
row "mawk replace-or-append, mv" "$fmp1"; row "  the same, other contents" "$fmp2"
row "tagsnip --ensure-block (same)" "$fmu"; row "tagsnip -R -f -p (same)" "$fmr"
r=$(ratio "$(cpu "$fmp1")" "$(cpu "$fm1")"); goal "Managed block $r x faster than mawk (at least 5)" "$(at_least "$r" 5)"
r=$(ratio "$(cpu "$fmp2")" "$(cpu "$fm2")"); goal "  other contents $r x faster than mawk (at least 5)" "$(at_least "$r" 5)"
r=$(ratio "$(cpu "$fmu")" "$(cpu "$fmr")"); goal "Unchanged block $r x the time of -R (at most 1.2)" "$(at_most "$r" 1.2)"
for f in "$fm1" "$fm2" "$fmu"; do
    k=$(peak_kib "$f")
    [ -z "$peaks" ] || [ "$k" -gt "$peaks" ] && peaks=$k
done
goal "peak resident memory $peaks KiB (below 16384)" "$(perl -e 'print $ARGV[0] < 16384 ? "met" : "NOT MET"' "$peaks")"

echo
if [ "$missed" -eq 0 ]; then echo "every goal met"; else echo "$missed goal(s) not met"; fi
