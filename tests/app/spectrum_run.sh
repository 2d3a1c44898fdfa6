#!/usr/bin/env bash
# Whole-program check of the spectrum: a sine at the centre frequency of one bin
# (bin 5, 3445.3 Hz, at 0.15 of full scale) is played into the virtual sound card;
# the program, under Xvfb with the spectrum in front as at every start, must show
# its tallest lit bar in the columns the frequency axis gives that bin, with its
# spots green up to 14, yellow to 21 and red above. A second run with a tone in
# bin 12 must move the tallest bar right by the columns between the two bins.
#   spectrum_run.sh <station folder> <folder for screenshots>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in pulseaudio paplay sox xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

# The display (170 x 56, no frame) sits at (74, 92) in the main window.
left=74 top=92 width=170 bins=32

# First column of a bin's bar on the linear axis: floor(i / W * n/2 + 0.01) = bin.
first_column() { awk -v b="$1" -v w=$width -v h=$bins \
    'BEGIN { for (i = 0; i < w; i++) if (int(i / w * h + 0.01) == b) { print i; exit } }'; }

# "column lit-count" for every column of the display, from spot rows only (spot k
# is row 57 - 2k of the display).
lit_columns() {
    convert "$1" -crop "${width}x56+${left}+${top}" +repage txt:- | awk '
        NR > 1 { split($1, p, /[,:]/); x = p[1]; y = p[2];
                 if (y % 2 == 1 && $3 !~ /^#000000/) n[x]++ }
        END { for (x = 0; x < '$width'; x++) print x, n[x] + 0 }'
}

# The colours of the spots of one column, bottom up, one per line.
spot_colours() {
    convert "$1" -crop "1x56+$((left + $2))+${top}" +repage txt:- |
        awk 'NR > 1 { split($1, p, /[,:]/); if (p[2] % 2 == 1) print p[2], $3 }' | sort -rn |
        awk '{ print $2 }'
}

check_tone() { # bin, picture folder
    local bin=$1 pictures=$2
    VIEW_TONE="sine $(awk -v b="$bin" 'BEGIN { print b * 44100 / 64 }') sine 1 remix 1v0.15 1v0.15" \
        "$root/scripts/view-screenshot" spectrum "$3" "$pictures" >/dev/null
    local picture=$pictures/spectrum-window.png
    read -r tallest count < <(lit_columns "$picture" | sort -k2,2nr -k1,1n | head -1)
    local first last
    first=$(first_column "$bin")
    last=$(($(first_column $((bin + 1))) - 1))
    echo "bin $bin: tallest lit bar at column $tallest with $count spots (bar columns $first-$last)"
    ((tallest >= first && tallest <= last)) || { echo "bin $bin: tallest bar in the wrong columns"; return 1; }
    ((count >= 22)) || { echo "bin $bin: expected the bar to reach the red zone"; return 1; }
    local k=0 status=0 colour expected
    while read -r colour; do
        k=$((k + 1))
        ((k <= count)) || break
        expected='#00FF00'
        ((k > 14)) && expected='#FFFF00'
        ((k > 21)) && expected='#FF0000'
        [[ $colour == "$expected"* ]] || { echo "bin $bin: spot $k is $colour, expected $expected"; status=1; }
    done < <(spot_colours "$picture" "$tallest")
    echo "$tallest" >"$pictures/tallest"
    return $status
}

status=0
check_tone 5 "$2/spectrum-bin5" "$1" || status=1
check_tone 12 "$2/spectrum-bin12" "$1" || status=1
if [[ -f $2/spectrum-bin5/tallest && -f $2/spectrum-bin12/tallest ]]; then
    moved=$(($(cat "$2/spectrum-bin12/tallest") - $(cat "$2/spectrum-bin5/tallest")))
    expected=$(($(first_column 12) - $(first_column 5)))
    echo "the second tone moved the tallest bar by $moved columns (bars start $expected apart)"
    ((moved == expected)) || { echo "unexpected move"; status=1; }
fi
exit $status
