#!/usr/bin/env bash
# Whole-program check of the bar level meters: a steady 1 kHz tone at -10 dBFS on
# the left and -20 dBFS on the right is played into the virtual sound card; the
# program, under Xvfb with its bar panel in front, must light 56 of the left bar's
# 79 spots (25 of the 35 dB shown) and 34 of the right bar's (15 of 35 dB).
#   levels_run.sh <station folder> <folder for screenshots>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
for tool in pulseaudio paplay sox xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
"$root/scripts/view-screenshot" levels "$1" "$2"

# Spot i of a bar has its top-left pixel at (bar x + 2 (i - 1), bar y) in the
# window: the display area sits at (74, 92), the bars at (12, 8) and (12, 30) in it.
lit_spots() { # picture, bar's top line in the window
    convert "$1" -crop "158x1+86+$2" txt:- | awk 'NR > 1 && (NR - 2) % 2 == 0 { print $3 }' |
        grep -c -E '^#(00FF00|FFFF00|FF0000)$' || true
}
left=$(lit_spots "$2/levels-window.png" 100)
right=$(lit_spots "$2/levels-window.png" 122)
echo "lit spots: left $left, right $right"
status=0
((left >= 55 && left <= 57)) || { echo "left bar: expected 56 lit spots"; status=1; }
((right >= 33 && right <= 35)) || { echo "right bar: expected 34 lit spots"; status=1; }
exit $status
