#!/usr/bin/env bash
# Whole-program check of the oscilloscope: a 441 Hz sine (100 samples per
# period at 44.1 kHz) played into the virtual sound card must draw a lime trace
# that repeats every 100 columns (one sample per pixel), and the same tone
# louder must draw a taller one.
#   oscilloscope_run.sh <station folder> <folder for screenshots>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in pulseaudio paplay sox xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

# The plot: the display area at (74, 92) in the window, less the 1-pixel frame.
plot="168x54+75+93"
# Prints "<height> <crossings>": the lime trace's height in rows and the columns
# where it crosses the middle row (27), from the centre of each column's pixels.
measure() {
    convert "$1" -crop "$plot" txt:- | awk -F'[ ,:]+' '
        NR > 1 && $0 ~ /#00FF00/ {
            x = $1; y = $2
            if (!(x in top) || y < top[x]) top[x] = y
            if (!(x in bottom) || y > bottom[x]) bottom[x] = y
            if (y < high || high == "") high = y
            if (y > low || low == "") low = y
        }
        END {
            line = (low - high + 1) ""
            for (x = 0; x < 168; x++) {
                if (!(x in top)) continue
                side = (top[x] + bottom[x]) / 2 < 27
                if (x > 0 && (x - 1) in top && side != last) line = line " " x
                last = side
            }
            print line
        }'
}

status=0
for loudness in quiet:0.25 loud:0.8; do
    name=${loudness%%:*}
    VIEW_TONE="sine 441 vol ${loudness#*:}" "$root/scripts/view-screenshot" oscilloscope "$1" "$2/$name"
    read -r height crossings <<<"$(measure "$2/$name/oscilloscope-window.png")"
    echo "$name: trace $height rows high, crosses the middle at columns $crossings"
    eval "${name}_height=$height"
    read -ra at <<<"$crossings"
    if ((${#at[@]} < 3)); then
        echo "$name: expected at least three crossings of the middle"; status=1; continue
    fi
    # Crossings alternate up and down: every second one is a period apart.
    for ((i = 2; i < ${#at[@]}; i++)); do
        period=$((at[i] - at[i - 2]))
        ((period >= 98 && period <= 102)) || { echo "$name: period $period columns"; status=1; }
    done
done
# 0.25 and 0.8 of full scale on a 54-row plot: about 14 and 44 rows.
((quiet_height >= 11 && quiet_height <= 17)) || { echo "quiet trace: expected about 14 rows"; status=1; }
((loud_height >= 40 && loud_height <= 47)) || { echo "loud trace: expected about 44 rows"; status=1; }
exit $status
