#!/usr/bin/env bash
# Whole-program check of the needle meters, under Xvfb with the needle panel in
# front, reading the needles' angles from pictures of the main window.
# 1. A steady 1 kHz tone at -10 dBFS left and -20 dBFS right: the left needle
#    must stand at -10 dB and the right one at -20 dB of the -50..0 dB scale.
# 2. The left channel rising from -12 to -6 dBFS over 2 s, then silent for 2 s,
#    in a loop: while silent the level needle lies at the bottom and the peak
#    needle first holds at -6 dB (the last, highest peak), then falls. (A level
#    that only repeats its peak starts no new hold, so the tone rises.)
#   needles_run.sh <station folder> <folder for screenshots>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in pulseaudio paplay sox xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
pictures=$2

# The meters' inner areas (81 x 53) in the window: the display area sits at
# (74, 92), the left meter at (0, 0) in it and the right one at (85, 0), each
# inside a 2-pixel border. The pivot is at (40, 103) of an inner area, and a
# position on the 45-degree scale turns the needle from 22.5 degrees left of the
# vertical (-50 dB) to 22.5 degrees right of it (0 dB).
left=(76 94)
right=(161 94)

# The level in dB at which the needle of the given colour stands, averaged over
# rows 30..35 of the inner area, where only the needles pass (the ticks end above
# and the caption starts below). Prints nothing when no pixel has the colour.
needle_db() { # picture, inner x, inner y, colour
    convert "$1" -crop "81x6+$2+$(($3 + 30))" +repage txt:- | awk -v colour="$4" '
        NR > 1 && $3 == colour { split($1, at, /[,:]/); sum[at[2]] += at[1]; n[at[2]]++ }
        END {
            for (y in n) { angle += atan2(sum[y] / n[y] - 40, 103 - (30 + y)); rows++ }
            if (rows == 0) exit
            degrees = angle / rows * 45 / atan2(1, 1)
            printf "%.1f\n", (degrees + 22.5) / 45 * 50 - 50
        }'
}
within() { # value, low, high
    [[ -n $1 ]] && awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'
}

status=0
"$root/scripts/view-screenshot" needles "$1" "$pictures"
left_db=$(needle_db "$pictures/needles-window.png" "${left[@]}" "#FFFFFF")
right_db=$(needle_db "$pictures/needles-window.png" "${right[@]}" "#FFFFFF")
echo "steady tone: left needle at ${left_db:-?} dB, right needle at ${right_db:-?} dB"
within "$left_db" -11.5 -8.5 || { echo "left needle: expected -10 dB"; status=1; }
within "$right_db" -21.5 -18.5 || { echo "right needle: expected -20 dB"; status=1; }

VIEW_TONE="sine 1000 sine 1000 synth 0 square amod 0.25 synth 0 sawtooth amod 0.25 0 50 remix 1v0.5 2v0" \
    VIEW_SERIES="20 0.15" "$root/scripts/view-screenshot" needles "$1" "$pictures/peak"
held=0 fell=0 rose=0 previous=""
for ((k = 1; k <= 20; k++)); do
    picture="$pictures/peak/needles-series-$k.png"
    level=$(needle_db "$picture" "${left[@]}" "#FFFFFF")
    peak=$(needle_db "$picture" "${left[@]}" "#FF0000")
    echo "picture $k: level needle ${level:-?} dB, peak needle ${peak:-hidden} dB"
    if ! within "$level" -60 -40 || [[ -z $peak ]]; then
        previous=""
        continue
    fi
    # Silent: the peak needle either still holds the loud level or is falling.
    if within "$peak" -7.5 -4.5; then
        held=1
    elif within "$peak" -40 -8; then
        fell=1
    fi
    if [[ -n $previous ]] && within "$peak" "$(awk -v p="$previous" 'BEGIN { print p + 0.5 }')" 0; then
        rose=1
    fi
    previous=$peak
done
((held)) || { echo "peak needle: never seen holding at -6 dB over a silent channel"; status=1; }
((fell)) || { echo "peak needle: never seen falling below -6 dB"; status=1; }
((rose == 0)) || { echo "peak needle: rose while the channel was silent"; status=1; }
exit $status
