#!/usr/bin/env bash
# Whole-program check that capture comes back after the sound server goes away:
# a station on the virtual sound card shows the demo programme; the sound server
# is killed for a few seconds and started again. The program must record from
# the new server on its own (its recording stream is listed again and the
# oscilloscope moves), with one box and one log record for the outage.
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
# Two pictures of the main window half a second apart differ while the display moves.
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

# The sound server goes away: the operator is told once. Five seconds later it
# comes back with the programme.
kill "$player" "$sound_server"
box=$(wait_for_window "Zorvane Sonavia" 15) || fail "the lost capture was not reported: $box"
answer_box "$box"
sleep 5
"$scripts/start-pulse" "$services/pulse" >>"$services/pulse.out" 2>&1 &
pids+=($!)
"$scripts/wait-for" 10 "$PULSE_SERVER" || fail "the sound server did not start again"
"$scripts/play-programme" "$services/programme.wav" >>"$services/play.out" 2>&1 &
pids+=($!)

until_true 30 program_records || fail "capture did not come back after the sound server returned"
until_true 20 bars_move || fail "the displays stay frozen after the sound server returned"
(($(boxes) == 0)) || fail "$(boxes) more message boxes opened while capture was retried"
records=$(capture_records)
((records == 1)) || fail "the outage was logged $records times"
echo "capture came back; one log record for the outage"
