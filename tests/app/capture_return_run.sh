#!/usr/bin/env bash
# Whole-program check that capture comes back after the sound server goes away:
# a station on the virtual sound card shows the demo programme; the sound server
# is killed for a few seconds and started again. The program must record from
# the new server on its own (its recording stream is listed again and the level
# bars move), with one log record for the outage and no further message boxes.
#   capture_return_run.sh <station folder> <source folder>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
source "$here/station_gui.sh"
for tool in pulseaudio pactl Xvfb sox compare; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scripts=$(cd "$2/scripts" && pwd)
work=$(fresh_station "$1")
start_station_services "$scripts" || fail "the private sound server did not start"
sound_server=${pids[0]} player=${pids[1]}
# The encoder finds no server on port 9 and keeps retrying: only capture matters here.
"$scripts/demo-settings" "$work" demo demo "localhost:9"
cp "$work/padrao.xml" "$work/demo.xml"

program_records() {
  pactl list source-outputs 2>/dev/null | grep -q 'application.process.binary = "sonavia-studio"'
}
# Two pictures of the main window half a second apart differ while the bars move.
bars_move() {
  import -window "$main" "$services/a.png" && sleep 0.5 && import -window "$main" "$services/b.png" &&
    [[ $(compare -metric AE "$services/a.png" "$services/b.png" null: 2>&1 || true) != 0 ]]
}
until_true() { # seconds command...
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do ((SECONDS < deadline)) || return 1; sleep 0.5; done
}
boxes() { xdotool search --onlyvisible --name '^Zorvane Sonavia$' 2>/dev/null | wc -l; }
capture_records() { iconv -f CP1252 -t UTF-8 "$work/OnLine.log" 2>/dev/null | grep -c 'EMMWaveInError' || true; }

"$work/sonavia-studio" </dev/null >"$work/program.out" 2>&1 &
program=$!
pids=("$program" "${pids[@]}") # the program ends first
main=$(wait_for_window "Studio Sonavia" 30) || fail "$main"
atspi press "Studio Sonavia" Visualizar # the oscilloscope: it moves with any programme
until_true 20 program_records || fail "the program never recorded from the sound server"
until_true 10 bars_move || fail "the displays do not move while capturing"

# The sound server goes away for five seconds, then comes back with the programme.
kill "$player" "$sound_server"
sleep 5
start_programme_sound "$scripts" || fail "the sound server did not start again"

until_true 30 program_records || fail "capture did not come back after the sound server returned"
until_true 10 bars_move || fail "the displays stay frozen after the sound server returned"
# Boxes of the outage are answered; a retry that raised one box per attempt fails here.
for box in $(xdotool search --onlyvisible --name '^Zorvane Sonavia$' 2>/dev/null); do
  answer_box "$box" || true
done
sleep 6
(($(boxes) == 0)) || fail "$(boxes) more message boxes opened while capture was retried"
records=$(capture_records)
((records <= 1)) || fail "the outage was logged $records times"
echo "capture came back; $records log record for the outage"
